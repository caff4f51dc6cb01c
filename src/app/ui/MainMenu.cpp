#include "app/ui/MainMenu.h"

#include <QFontDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <initializer_list>

#include "app/GeneralManager.h"
#include "config/VirtualKeys.h"
#include "config/ui/KeyCodes.h"

namespace {

const QString kOneKeyOn = QStringLiteral("&1-");
const QString kOneKeyOff = QStringLiteral("&1+");

QPushButton* MakeButton(QWidget& parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, &parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setFlat(true);
  // The input field keeps the keyboard whatever is clicked up there.
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

std::optional<QFont> RunFontDialog(const QFont& initial, QWidget* parent) {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
  if (!ok) return std::nullopt;
  return chosen;
}

}  // namespace

FontSettings InputFontSettings(const QFont& font, FontSettings stored) {
  stored.name = font.family().toStdString();
  stored.size = font.pointSize() > 0 ? font.pointSize() : -font.pixelSize();
  stored.style = (font.bold() ? kFontBold : 0) | (font.italic() ? kFontItalic : 0) |
                 (font.underline() ? kFontUnderline : 0) | (font.strikeOut() ? kFontStrikeOut : 0);
  stored.styleName = font.styleName().toStdString();
  return stored;
}

TMainMenu::TMainMenu(QWidget& window)
    : QMenu(&window), window_(window), chooseFont_(RunFontDialog) {
  setObjectName(QStringLiteral("MainMenu"));
  ButtonMenu = MakeButton(window, "ButtonMenu", tr("メニュー(&F)"));
  ButtonOneKey = MakeButton(window, "ButtonOneKey", kOneKeyOff);

  const auto item = [this](const char* name, const QString& caption) {
    QAction* a = addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  const auto separator = [this](const char* name) {
    QAction* a = addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  Key1 = item("Key1", tr("キー(&K)"));
  Pref1 = item("Pref1", tr("設定(&P)"));
  Open1 = item("Open1", tr("開く(&O)"));
  Resume1 = item("Resume1", tr("続き(&R)"));
  Font1 = item("Font1", tr("フォント(&F)"));
  N1 = separator("N1");
  Default2 = item("Default2", tr("標準(&E)"));
  Ascending2 = item("Ascending2", tr("昇順(&A)"));
  Descending2 = item("Descending2", tr("降順(&D)"));
  Shuffle2 = item("Shuffle2", tr("シャッフル(&S)"));
  N2 = separator("N2");
  // Captioned by ShowBindings.
  Undo1 = item("Undo1", QString());
  Redo1 = item("Redo1", QString());
  Trash1 = item("Trash1", QString());
  N3 = separator("N3");
  QuitX1 = item("QuitX1", tr("終了(&X)"));

  ShowBindings();
  connect(this, &QMenu::aboutToShow, this, &TMainMenu::ShowBindings);
  connect(ButtonMenu, &QPushButton::clicked, this, &TMainMenu::ButtonMenuClick);
  connect(ButtonOneKey, &QPushButton::clicked, this, &TMainMenu::ButtonOneKeyClick);
}

void TMainMenu::SetOneKeyMode(bool on) {
  if (general_) general_->OneKey = on;
  ButtonOneKey->setText(on ? kOneKeyOn : kOneKeyOff);
}

void TMainMenu::ButtonOneKeyClick() {
  if (!general_) return;
  SetOneKeyMode(!general_->OneKey);
  emit arrangeRequested();
}

// The frame arithmetic of a window-relative placement (left + frame, top + title bar) lands on
// the same point as mapping the button's corner to the screen, which also holds for a moved
// window or a thick frame.
QPoint TMainMenu::MenuPoint() const {
  return ButtonMenu->mapToGlobal(QPoint(0, ButtonMenu->height()));
}

void TMainMenu::ButtonMenuClick() {
  popup(MenuPoint());
}

void TMainMenu::Font1Click(QLineEdit& edit) {
  const std::optional<QFont> chosen = chooseFont_(QFont(edit.font()), &window_);
  if (!chosen) return;
  edit.setFont(*chosen);
  emit inputFontChosen(*chosen);
  emit arrangeRequested();
}

void TMainMenu::ShowBindings() {
  const struct {
    QAction* item;
    QString caption;
    NavAction action;
  } items[] = {{Undo1, tr("元に戻す(&U)"), NavAction::Undo},
               {Redo1, tr("やり直し(&Y)"), NavAction::Redo},
               {Trash1, tr("ごみ箱へ(&T)"), NavAction::Trash}};
  for (const auto& [item, caption, action] : items) {
    // After a tab the menu draws the text as a shortcut without making it one: a real shortcut
    // would take the key before the input field hands it to the dispatcher.
    const QString key =
        keys_ ? KeySequenceOf((*keys_)[action]).toString(QKeySequence::NativeText) : QString();
    item->setText(key.isEmpty() ? caption : caption + u'\t' + key);
  }
}

int TMainMenu::CaptionWidth(const QFont& font, const QString& caption) {
  return QFontMetrics(font).horizontalAdvance(caption + u'&');
}

int TMainMenu::MenuButtonWidth() const {
  return CaptionWidth(window_.font(), ButtonMenu->text());
}

int TMainMenu::OneKeyButtonWidth() const {
  return CaptionWidth(window_.font(), ButtonOneKey->text());
}

void TMainMenu::SetTopBarEnabled(QWidget& input, bool enabled) {
  for (QWidget* w : std::initializer_list<QWidget*>{ButtonMenu, ButtonOneKey, &input}) {
    // A disabled focus widget passes the focus on down the chain, where it would land in a
    // panel's folder list and pick its first row into the path field; the panel sets its own.
    if (!enabled && w->hasFocus()) w->clearFocus();
    w->setEnabled(enabled);
  }
  if (enabled) input.setFocus();
}
