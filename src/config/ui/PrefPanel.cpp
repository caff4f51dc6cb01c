#include "config/ui/PrefPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "config/ui/KeyCodes.h"

namespace {

constexpr int kFontPixels = 19;
constexpr int kColorWidth = 80;
constexpr int kBindingWidth = 60;
constexpr int kShortWidth = 50;
constexpr int kGap = 8;
constexpr int kHeadingGap = 12;
constexpr int kLabelDrop = 4;

constexpr int kNameFontPixels = 14;

QString MonitorCaption() {
  return PrefPanel::tr("キーコードモニタ");
}

QFont PanelFont(const QWidget& panel) {
  QFont f = panel.font();
  f.setPixelSize(kFontPixels);
  return f;
}

QLineEdit* MakeField(QWidget* panel, const char* name, int width) {
  auto* field = new QLineEdit(panel);
  field->setObjectName(QLatin1String(name));
  field->setFont(PanelFont(*panel));
  field->resize(width, field->sizeHint().height());
  return field;
}

QLabel* MakeLabel(QWidget* panel, const char* name, const QString& text) {
  auto* label = new QLabel(text, panel);
  label->setObjectName(QLatin1String(name));
  label->setFont(PanelFont(*panel));
  return label;
}

QCheckBox* MakeCheckBox(QWidget* panel, const char* name, const QString& caption) {
  auto* box = new QCheckBox(caption, panel);
  box->setObjectName(QLatin1String(name));
  box->setFont(PanelFont(*panel));
  return box;
}

// Blank-separated extensions, each with its dot and no folder separator, or nothing at all
// (no sidecars): anything else would name files outside the picture's folder or none.
bool SidecarListValid(const QString& text) {
  for (const QString& extension : text.split(u' ', Qt::SkipEmptyParts)) {
    if (extension.size() < 2 || !extension.startsWith(u'.') || extension.contains(u'/'))
      return false;
  }
  return true;
}

// In the order registering stores them.
std::array<std::pair<QLineEdit*, StatusColor>, kStatusColorCount> ColorFields(const PrefPanel& p) {
  return {{
      {p.EditStandardColor, StatusColor::Default},
      {p.EditMoveColor, StatusColor::Move},
      {p.EditCopyColor, StatusColor::Copy},
      {p.EditExtensionColor, StatusColor::IncorrectExtension},
      {p.EditSameFileColor, StatusColor::SameFile},
      {p.EditEmptyFolder, StatusColor::Empty},
      {p.EditFailColor, StatusColor::Error},
  }};
}

std::vector<std::pair<QLineEdit*, NavAction>> BindingFields(const PrefPanel& p) {
  return {{
      {p.EditAutoComp, NavAction::Complete},
      {p.EditPanic, NavAction::Emergency},
      {p.EditOneKey, NavAction::OneKey},
      {p.EditPrevious, NavAction::Previous},
      {p.EditNext, NavAction::Next},
      {p.EditHead, NavAction::Head},
      {p.EditTail, NavAction::Tail},
      {p.EditUp, NavAction::Up},
      {p.EditDown, NavAction::Down},
      {p.EditLeft, NavAction::Left},
      {p.EditRight, NavAction::Right},
      {p.Edit270, NavAction::Turn270},
      {p.Edit90, NavAction::Turn90},
      {p.EditParentDir, NavAction::ParentDirectory},
      {p.EditChildDir, NavAction::ChildDirectory},
      {p.EditPreviousDir, NavAction::PreviousDirectory},
      {p.EditNextDir, NavAction::NextDirectory},
      {p.EditUndo, NavAction::Undo},
      {p.EditRedo, NavAction::Redo},
      {p.EditTrash, NavAction::Trash},
      {p.EditFullScreen, NavAction::FullScreen},
  }};
}

}  // namespace

PrefPanel::PrefPanel(PrefOptions options, TVirtualKeys& keys, TColorManager& colors,
                     QWidget* parent)
    : QWidget(parent), options_(options), keys_(keys), colors_(colors) {
  setObjectName(QStringLiteral("PrefPanel"));
  setAutoFillBackground(true);

  // Created in tab order.
  CheckBoxAutoComp = MakeCheckBox(this, "CheckBoxAutoComp", tr("自動補完する。(&A)"));
  CheckBoxAutoDelete =
      MakeCheckBox(this, "CheckBoxAutoDelete", tr("Enter で入力欄を空にする。(&E)"));
  CheckBoxCopyFixed = MakeCheckBox(this, "CheckBoxCopyFixed", tr("Enter でコピーする。(&C)"));
  CheckBoxListPath =
      MakeCheckBox(this, "CheckBoxListPath", tr("リストには相対パスで記録する。(&L)"));

  EditColorSample = MakeField(this, "EditColorSample", kColorWidth);
  LabelColorSample = MakeLabel(this, "LabelColorSample", tr("色見本"));
  LabelColorSample->setAutoFillBackground(true);

  auto* labelStandard = MakeLabel(this, "LabelStandardColor", tr("入力欄の標準色"));
  EditStandardColor = MakeField(this, "EditStandardColor", kColorWidth);
  auto* labelMove = MakeLabel(this, "LabelMoveColor", tr("移動後の色"));
  EditMoveColor = MakeField(this, "EditMoveColor", kColorWidth);
  auto* labelCopy = MakeLabel(this, "LabelCopyColor", tr("コピー後の色"));
  EditCopyColor = MakeField(this, "EditCopyColor", kColorWidth);
  auto* labelExtension = MakeLabel(this, "LabelExtensionColor", tr("拡張子修正後の色"));
  EditExtensionColor = MakeField(this, "EditExtensionColor", kColorWidth);
  auto* labelSameFile = MakeLabel(this, "LabelSameFileColor", tr("同一ファイル通知色"));
  EditSameFileColor = MakeField(this, "EditSameFileColor", kColorWidth);
  auto* labelEmpty = MakeLabel(this, "LabelEmptyFolder", tr("空フォルダ通知色"));
  EditEmptyFolder = MakeField(this, "EditEmptyFolder", kColorWidth);
  auto* labelFail = MakeLabel(this, "LabelFailColor", tr("移動/コピー失敗警告色"));
  EditFailColor = MakeField(this, "EditFailColor", kColorWidth);

  EditCodeSample = MakeField(this, "EditCodeSample", kShortWidth);
  EditCodeSample->setToolTip(tr("ここにフォーカスがあるときに押したキーのコードを調べます。"));
  LabelCodeSample = MakeLabel(this, "LabelCodeSample", MonitorCaption());

  auto* labelAutoComp = MakeLabel(this, "LabelAutoComp", tr("自動補完キー"));
  EditAutoComp = MakeField(this, "EditAutoComp", kShortWidth);
  auto* labelPanic = MakeLabel(this, "LabelPanic", tr("パニックキー"));
  EditPanic = MakeField(this, "EditPanic", kShortWidth);
  auto* labelOneKey = MakeLabel(this, "LabelOneKey", tr("ワンキー切り替え"));
  EditOneKey = MakeField(this, "EditOneKey", kShortWidth);

  auto* labelPrevious = MakeLabel(this, "LabelPrevious", tr("前の画像"));
  EditPrevious = MakeField(this, "EditPrevious", kBindingWidth);
  auto* labelNext = MakeLabel(this, "LabelNext", tr("次の画像"));
  EditNext = MakeField(this, "EditNext", kBindingWidth);
  auto* labelHead = MakeLabel(this, "LabelHead", tr("先頭の画像"));
  EditHead = MakeField(this, "EditHead", kBindingWidth);
  auto* labelTail = MakeLabel(this, "LabelTail", tr("末尾の画像"));
  EditTail = MakeField(this, "EditTail", kBindingWidth);

  auto* labelScroll = MakeLabel(this, "LabelScroll", tr("スクロール"));
  auto* labelUp = MakeLabel(this, "LabelUp", tr("上"));
  EditUp = MakeField(this, "EditUp", kBindingWidth);
  auto* labelDown = MakeLabel(this, "LabelDown", tr("下"));
  EditDown = MakeField(this, "EditDown", kBindingWidth);
  auto* labelLeft = MakeLabel(this, "LabelLeft", tr("左"));
  EditLeft = MakeField(this, "EditLeft", kBindingWidth);
  auto* labelRight = MakeLabel(this, "LabelRight", tr("右"));
  EditRight = MakeField(this, "EditRight", kBindingWidth);

  auto* label270 = MakeLabel(this, "Label270", tr("左回転"));
  Edit270 = MakeField(this, "Edit270", kBindingWidth);
  auto* label90 = MakeLabel(this, "Label90", tr("右回転"));
  Edit90 = MakeField(this, "Edit90", kBindingWidth);

  auto* labelDirectory = MakeLabel(this, "LabelDirectory", tr("ディレクトリ移動"));
  auto* labelParent = MakeLabel(this, "LabelParentDir", tr("上"));
  EditParentDir = MakeField(this, "EditParentDir", kBindingWidth);
  auto* labelChild = MakeLabel(this, "LabelChildDir", tr("下"));
  EditChildDir = MakeField(this, "EditChildDir", kBindingWidth);
  auto* labelPreviousDir = MakeLabel(this, "LabelPreviousDir", tr("前"));
  EditPreviousDir = MakeField(this, "EditPreviousDir", kBindingWidth);
  auto* labelNextDir = MakeLabel(this, "LabelNextDir", tr("次"));
  EditNextDir = MakeField(this, "EditNextDir", kBindingWidth);
  auto* labelFullScreen = MakeLabel(this, "LabelFullScreen", tr("全画面表示"));
  EditFullScreen = MakeField(this, "EditFullScreen", kBindingWidth);

  auto* labelUndo = MakeLabel(this, "LabelUndo", tr("元に戻す"));
  EditUndo = MakeField(this, "EditUndo", kBindingWidth);
  auto* labelRedo = MakeLabel(this, "LabelRedo", tr("やり直し"));
  EditRedo = MakeField(this, "EditRedo", kBindingWidth);
  auto* labelTrash = MakeLabel(this, "LabelTrash", tr("ごみ箱へ"));
  EditTrash = MakeField(this, "EditTrash", kBindingWidth);
  auto* labelSidecar = MakeLabel(this, "LabelSidecarExtensions", tr("サイドカーの拡張子"));
  EditSidecarExtensions = MakeField(this, "EditSidecarExtensions", 3 * kBindingWidth);
  auto* labelLanguage = MakeLabel(this, "LabelLanguage", tr("言語 (次の起動から)"));
  ComboBoxLanguage = new QComboBox(this);
  ComboBoxLanguage->setObjectName(QStringLiteral("ComboBoxLanguage"));
  ComboBoxLanguage->setFont(PanelFont(*this));
  ComboBoxLanguage->addItem(tr("システムに従う"), QString());
  ComboBoxLanguage->addItem(tr("日本語"), QStringLiteral("ja"));
  ComboBoxLanguage->addItem(tr("英語"), QStringLiteral("en"));
  ComboBoxLanguage->resize(ComboBoxLanguage->sizeHint());

  // The buttons keep the window's font.
  ButtonPrefRegist = new QPushButton(tr("登録(&R)"), this);
  ButtonPrefRegist->setObjectName(QStringLiteral("ButtonPrefRegist"));
  ButtonPrefClose = new QPushButton(tr("終了(&X)"), this);
  ButtonPrefClose->setObjectName(QStringLiteral("ButtonPrefClose"));

  const auto label = [](QWidget* w, int gap = kGap) { return RowItem{w, false, gap}; };
  const auto field = [](QWidget* w, int gap = kGap) { return RowItem{w, true, gap}; };
  const auto name = [this](QLineEdit* w) { return RowItem{AddBindingName(w), false, kGap}; };
  rows_ = {
      {field(EditColorSample), label(LabelColorSample)},
      {label(labelStandard), field(EditStandardColor), label(labelMove), field(EditMoveColor),
       label(labelCopy), field(EditCopyColor)},
      {label(labelExtension), field(EditExtensionColor), label(labelSameFile),
       field(EditSameFileColor)},
      {label(labelEmpty), field(EditEmptyFolder), label(labelFail), field(EditFailColor)},
      {field(EditCodeSample), label(LabelCodeSample)},
      {label(labelAutoComp), field(EditAutoComp, 2), name(EditAutoComp), label(labelPanic),
       field(EditPanic, 2), name(EditPanic), label(labelOneKey), field(EditOneKey, 2),
       name(EditOneKey)},
      {label(labelPrevious), field(EditPrevious, 2), name(EditPrevious), label(labelNext),
       field(EditNext, 2), name(EditNext), label(labelHead), field(EditHead, 2), name(EditHead),
       label(labelTail), field(EditTail, 2), name(EditTail)},
      {label(labelScroll, kHeadingGap), label(labelUp), field(EditUp, 2), name(EditUp),
       label(labelDown), field(EditDown, 2), name(EditDown), label(labelLeft), field(EditLeft, 2),
       name(EditLeft), label(labelRight), field(EditRight, 2), name(EditRight)},
      // Undo and redo where the row is short: a row of their own would make the panel too tall
      // for the window's default size.
      {label(label270), field(Edit270, 2), name(Edit270), label(label90), field(Edit90, 2),
       name(Edit90), label(labelUndo), field(EditUndo, 2), name(EditUndo), label(labelRedo),
       field(EditRedo, 2), name(EditRedo)},
      {label(labelDirectory, kHeadingGap), label(labelParent), field(EditParentDir, 2),
       name(EditParentDir), label(labelChild), field(EditChildDir, 2), name(EditChildDir),
       label(labelPreviousDir), field(EditPreviousDir, 2), name(EditPreviousDir),
       label(labelNextDir), field(EditNextDir, 2), name(EditNextDir)},
      {label(labelFullScreen), field(EditFullScreen, 2), name(EditFullScreen), label(labelTrash),
       field(EditTrash, 2), name(EditTrash), label(labelSidecar), field(EditSidecarExtensions)},
  };
  // The language shares the buttons' line, left of them.
  fileRow_ = {label(labelLanguage), field(ComboBoxLanguage)};

  connect(EditColorSample, &QLineEdit::textChanged, this, &PrefPanel::EditColorSampleChange);
  EditColorSample->setText(QStringLiteral("FFFFFF"));
  EditCodeSample->installEventFilter(this);
  connect(ButtonPrefRegist, &QPushButton::clicked, this, &PrefPanel::ButtonPrefRegistClick);
  connect(ButtonPrefClose, &QPushButton::clicked, this, &PrefPanel::ButtonPrefCloseClick);

  hide();
}

QLabel* PrefPanel::AddBindingName(QLineEdit* field) {
  auto* name = new QLabel(this);
  name->setObjectName(field->objectName() + QStringLiteral("Name"));
  QFont f = font();
  f.setPixelSize(kNameFontPixels);
  name->setFont(f);
  name->setForegroundRole(QPalette::PlaceholderText);
  // Placed like the larger labels: the margin puts its baseline on theirs.
  name->setContentsMargins(0, kFontPixels - kNameFontPixels, 0, 0);
  connect(field, &QLineEdit::textChanged, name, [this, name](const QString& text) {
    TVKS binding;
    name->setText(binding.SetText(text.toStdString()) ? BindingName(binding.GetCode()) : QString());
    // A longer name pushes the fields after it along.
    if (isVisible()) emit ArrangeRequested();
  });
  return name;
}

void PrefPanel::Open() {
  emit DisableMainInput();
  FillFields();
  show();
  raise();
  emit ArrangeRequested();
  CheckBoxAutoComp->setFocus();
}

void PrefPanel::FillFields() {
  CheckBoxAutoComp->setChecked(options_.AutoComp);
  CheckBoxAutoDelete->setChecked(options_.AutoDelete);
  CheckBoxCopyFixed->setChecked(options_.EnterToCopy);
  CheckBoxListPath->setChecked(options_.RelativePath);
  EditSidecarExtensions->setText(QString::fromStdString(options_.SidecarExtensions));
  for (const auto& [edit, status] : ColorFields(*this))
    edit->setText(QString::fromStdString(colors_[status].text));
  for (const auto& [edit, action] : BindingFields(*this))
    edit->setText(QString::fromStdString(keys_[action].GetText()));
  ComboBoxLanguage->setCurrentIndex(
      std::max(0, ComboBoxLanguage->findData(QString::fromStdString(options_.Language))));
}

void PrefPanel::StoreFields() {
  options_.AutoComp = CheckBoxAutoComp->isChecked();
  options_.AutoDelete = CheckBoxAutoDelete->isChecked();
  options_.EnterToCopy = CheckBoxCopyFixed->isChecked();
  options_.RelativePath = CheckBoxListPath->isChecked();
  if (SidecarListValid(EditSidecarExtensions->text()))
    options_.SidecarExtensions = EditSidecarExtensions->text().toStdString();
  // A text that does not parse leaves its own value and does not stop the others.
  for (const auto& [edit, status] : ColorFields(*this))
    colors_[status].SetText(edit->text().toStdString());
  for (const auto& [edit, action] : BindingFields(*this))
    keys_[action].SetText(edit->text().toStdString());
  options_.Language = ComboBoxLanguage->currentData().toString().toStdString();
}

void PrefPanel::ButtonPrefRegistClick() {
  StoreFields();
  hide();
  emit SettingsChanged();
  emit EnableMainInput();
  emit FocusMainInput();
}

void PrefPanel::ButtonPrefCloseClick() {
  Close();
}

void PrefPanel::Close() {
  hide();
  emit EnableMainInput();
  emit FocusMainInput();
}

void PrefPanel::EditColorSampleChange(const QString& text) {
  if (text.isEmpty()) return;
  const auto color = ParseColorText(text.toStdString());
  if (!color) return;
  QPalette p = LabelColorSample->palette();
  p.setColor(QPalette::Window,
             QColor(static_cast<int>(*color & 0xFF), static_cast<int>((*color >> 8) & 0xFF),
                    static_cast<int>((*color >> 16) & 0xFF)));
  LabelColorSample->setPalette(p);
}

void PrefPanel::EditCodeSampleKeyDown(const QKeyEvent& event) {
  const int code = BindingCode(TranslateKeyEvent(event));
  LabelCodeSample->setText(MonitorCaption() + QStringLiteral(" (") + QString::number(code) +
                           QStringLiteral(")"));
  LabelCodeSample->adjustSize();
}

bool PrefPanel::eventFilter(QObject* watched, QEvent* event) {
  if (watched != EditCodeSample) return QWidget::eventFilter(watched, event);
  if (event->type() == QEvent::ShortcutOverride) {
    // The monitor must see every key: without this, Alt+X would press "終了(&X)" instead of
    // showing its code.
    event->accept();
    return true;
  }
  if (event->type() == QEvent::KeyPress) {
    const auto& key = static_cast<const QKeyEvent&>(*event);
    EditCodeSampleKeyDown(key);
    if (SwallowsCharacter(key)) {
      event->accept();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// Keys the panel's controls leave unused stop here: the main window's own key handler must not
// see keys typed into the panel (Esc in the monitor would otherwise fire the panic key).
void PrefPanel::keyPressEvent(QKeyEvent* event) {
  event->accept();
}

void PrefPanel::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
}

int PrefPanel::PlaceRow(const Row& row, int top) const {
  int left = kGap;
  int bottom = top;
  for (const RowItem& item : row) {
    QWidget* w = item.widget;
    if (item.field) {
      w->setGeometry(left, top, w->width(), w->sizeHint().height());
      bottom = std::max(bottom, w->y() + w->height());
    } else {
      w->adjustSize();
      w->move(left, top + kLabelDrop);
    }
    left = w->x() + w->width() + item.gapAfter;
  }
  return bottom;
}

void PrefPanel::Arrange(int clientWidth, int clientHeight, int top) {
  int y = kGap;
  QCheckBox* previous = nullptr;
  for (QCheckBox* box : {CheckBoxAutoComp, CheckBoxAutoDelete, CheckBoxCopyFixed}) {
    box->adjustSize();
    box->move(kGap, y);
    y = box->y() + box->height() + kGap;
    previous = box;
  }
  CheckBoxListPath->adjustSize();
  CheckBoxListPath->move(previous->x() + previous->width() + kGap, previous->y());

  int fieldsBottom = y - kGap;
  int right = 0;
  for (const Row& row : rows_) {
    fieldsBottom = PlaceRow(row, fieldsBottom + kGap);
    const QWidget* last = row.back().widget;
    right = std::max(right, last->x() + last->width());
  }

  const int width = right + kGap;
  LabelColorSample->resize(width - LabelColorSample->x() - 2, LabelColorSample->height());

  const int buttonsTop = fieldsBottom + kHeadingGap;
  ButtonPrefClose->resize(ButtonPrefClose->sizeHint());
  ButtonPrefClose->move(width - kGap - ButtonPrefClose->width(), buttonsTop);
  ButtonPrefRegist->resize(ButtonPrefRegist->sizeHint());
  ButtonPrefRegist->move(ButtonPrefClose->x() - kGap - ButtonPrefRegist->width(), buttonsTop);
  const int fileRowBottom = PlaceRow(fileRow_, buttonsTop);
  const int height = std::max({buttonsTop + ButtonPrefClose->height(),
                               buttonsTop + ButtonPrefRegist->height(), fileRowBottom}) +
                     kGap;

  const int left = std::max(0, (clientWidth - width) / 2);
  const int offset = std::max(0, (clientHeight - height) / 2);
  setGeometry(left, top + offset, width, height);
}
