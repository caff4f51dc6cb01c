#include "app/ui/MainMenu.h"

#include <QFontDialog>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>

#include "app/GeneralManager.h"

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
  QuitX1 = item("QuitX1", tr("終了(&X)"));

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

int TMainMenu::CaptionWidth(const QFont& font, const QString& caption) {
  return QFontMetrics(font).horizontalAdvance(caption + u'&');
}

int TMainMenu::MenuButtonWidth() const {
  return CaptionWidth(window_.font(), ButtonMenu->text());
}

int TMainMenu::OneKeyButtonWidth() const {
  return CaptionWidth(window_.font(), ButtonOneKey->text());
}
