#include "keymap/ui/KeyPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "keymap/KeyMap.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

constexpr platform::PathStyle kStyle = platform::kNativeStyle;
const QString kMarker = QStringLiteral("****");

QString FromStd(const std::string& text) {
  return QString::fromStdString(text);
}

// The key of a line of a list: the text before the first entry or reminder marker. Keys never
// hold "=" or ":=", so the earliest marker ends the key even when the path after it holds
// another one.
std::optional<std::string> KeyOfLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos) return std::nullopt;
  if (equals > 0 && line[equals - 1] == ':') return line.substr(0, equals - 1);
  return line.substr(0, equals);
}

// The first line break in text, where a key map line would be split in two on saving.
int LineBreakIn(const QString& text) {
  for (int i = 0; i < text.size(); ++i)
    if (text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r')) return i;
  return -1;
}

QStringList ToStringList(const std::vector<std::string>& lines) {
  QStringList result;
  result.reserve(static_cast<qsizetype>(lines.size()));
  for (const std::string& line : lines) result.append(FromStd(line));
  return result;
}

}  // namespace

KeyPanel::KeyPanel(TKeyMap& keyMap, TDirectoryList& directories, const std::string& imageExtensions,
                   const std::string& listExtensions, QWidget* parent)
    : QWidget(parent),
      keyMap_(keyMap),
      directories_(directories),
      imageExtensions_(imageExtensions),
      listExtensions_(listExtensions),
      beep_([] { QApplication::beep(); }),
      confirm_([this](const QString& text) {
        return QMessageBox::question(this, tr("確認"), text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::No);
      }) {
  setObjectName(QStringLiteral("KeyPanel"));
  setAutoFillBackground(true);
  // The divider cursor follows the pointer without a button held.
  setMouseTracking(true);
  CreateControls();
  SetPump([] { QCoreApplication::processEvents(); });
  hide();
}

void KeyPanel::CreateControls() {
  const auto named = [](auto* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
  };

  ListBox1 = named(new QListWidget(this), "ListBox1");
  ListBox1->addItems({tr("ここにフォルダをドロップすると下位フォルダを検索します。"),
                      tr("クリックして選択すると右上の入力欄にパスを表示します。")});
  // Its icon when first shown: the icon theme takes a while to look up, at every start.
  BitBtn1 = named(new QPushButton(tr("中止"), this), "BitBtn1");
  BitBtn1->hide();

  LabelPath = named(new QLabel(tr("振り分け先フォルダをドロップします。\n"
                                  "下のパスを直接書き替えても構いません。"),
                               this),
                    "LabelPath");
  EditPath = named(new QLineEdit(this), "EditPath");
  LabelKey = named(new QLabel(tr("割り当てるキーを下に入力します。\n"
                                 "半角イコール(=)と半角コロン(:)は使わないでください。"),
                              this),
                   "LabelKey");
  EditKey = named(new QLineEdit(this), "EditKey");
  CheckBoxMoveOnly =
      named(new QCheckBox(tr("←ここをチェックすると↑のキーは移動専用になります。(&M)"), this),
            "CheckBoxMoveOnly");
  LabelReminder =
      named(new QLabel(tr("必要に応じてキーの簡単な説明を記入します。"), this), "LabelReminder");
  EditReminder = named(new QLineEdit(this), "EditReminder");

  ComboBoxSections = named(new QComboBox(this), "ComboBoxSections");
  ComboBoxSections->setEditable(true);
  ComboBoxSections->setInsertPolicy(QComboBox::NoInsert);
  // The default completer fills in the first item that begins with what was typed, whatever its
  // letter case ("h" becomes "head"): registration and deletion would then go to another file.
  ComboBoxSections->setCompleter(nullptr);
  std::vector<std::string> names;
  keyMap_.SectionNames(names);
  ComboBoxSections->addItems(ToStringList(names));
  ComboBoxSections->setEditText(tr("[記録するセクションを選びます。]"));

  LabelRegist =
      named(new QLabel(tr("登録ボタンで登録、終了ボタンで終了します。"), this), "LabelRegist");
  ButtonKeyDelete = named(new QPushButton(tr("キー削除"), this), "ButtonKeyDelete");
  ButtonKeyDelete->setFocusPolicy(Qt::ClickFocus);  // out of the Tab chain
  ButtonKeyRegist = named(new QPushButton(tr("登録(&R)"), this), "ButtonKeyRegist");
  ButtonKeyEnd = named(new QPushButton(tr("終了(&X)"), this), "ButtonKeyEnd");
  ListBox2 = named(new QListWidget(this), "ListBox2");
  ListBox2->addItems(
      {tr("上で選んだセクションの内容を表示します。"), tr("クリックして選択すると編集できます。")});

  // Drops belong to the main window, which hands them to FilesDropped; the fields must not
  // swallow them as text.
  for (QWidget* w : {static_cast<QWidget*>(EditPath), static_cast<QWidget*>(EditKey),
                     static_cast<QWidget*>(EditReminder), static_cast<QWidget*>(ComboBoxSections),
                     static_cast<QWidget*>(ComboBoxSections->lineEdit())})
    w->setAcceptDrops(false);

  // The divider's cursor is the panel's own, which children without a cursor of their own
  // would show as well: the pointer can pass from the divider straight onto them.
  for (QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->testAttribute(Qt::WA_SetCursor)) w->setCursor(Qt::ArrowCursor);

  connect(BitBtn1, &QPushButton::clicked, this, &KeyPanel::BitBtn1Click);
  connect(ButtonKeyRegist, &QPushButton::clicked, this, &KeyPanel::ButtonKeyRegistClick);
  connect(ButtonKeyDelete, &QPushButton::clicked, this, &KeyPanel::ButtonKeyDeleteClick);
  connect(ButtonKeyEnd, &QPushButton::clicked, this, &KeyPanel::ButtonKeyEndClick);
  connect(ComboBoxSections, &QComboBox::editTextChanged, this, &KeyPanel::ComboBoxSectionsChange);
  // A row becomes current by a click or the arrow keys; a click on the current row counts too.
  connect(ListBox1, &QListWidget::currentRowChanged, this, &KeyPanel::ListBox1Click);
  connect(ListBox1, &QListWidget::itemClicked, this, &KeyPanel::ListBox1Click);
  connect(ListBox2, &QListWidget::currentRowChanged, this, &KeyPanel::ListBox2Click);
  connect(ListBox2, &QListWidget::itemClicked, this, &KeyPanel::ListBox2Click);
}

void KeyPanel::SetPump(platform::PumpCallback pump) {
  directories_.SetPump(std::move(pump));
}

void KeyPanel::Open() {
  show();
  if (parentWidget()) raise();
  emit mainInputDisabled();
  EditPath->setFocus();
  const std::string& selected = keyMap_.SelectedName();
  if (!selected.empty()) {
    SetSectionText(FromStd(selected));
    ShowSectionLines(FromStd(selected));
  }
  emit arrangeRequested();
}

void KeyPanel::ButtonKeyEndClick() {
  EditPath->clear();
  EditKey->clear();
  hide();
  emit mainInputEnabled();
}

void KeyPanel::Refuse(QWidget* focus) {
  if (beep_) beep_();
  focus->setFocus();
}

void KeyPanel::RefuseEmpty(QLineEdit* field) {
  Refuse(field);
  field->setText(kMarker);
  field->selectAll();
}

bool KeyPanel::CheckDestination(const std::string& path) const {
  const std::string ext = platform::ExtractFileExt(path, kStyle);
  // A list file need not exist yet, but its folder must.
  if (platform::IsListedExtension(ext, listExtensions_))
    return platform::DirectoryExists(platform::ExtractFileDir(path, kStyle));
  return platform::DirectoryExists(path);
}

void KeyPanel::ButtonKeyRegistClick() {
  const QString pathText = EditPath->text();
  const QString keyText = EditKey->text();
  const QString sectionText = ComboBoxSections->currentText();
  QLineEdit* sectionField = ComboBoxSections->lineEdit();

  if (pathText.isEmpty()) return RefuseEmpty(EditPath);
  if (keyText.isEmpty()) return RefuseEmpty(EditKey);
  if (sectionText.isEmpty()) {
    Refuse(ComboBoxSections);
    SetSectionText(kMarker);
    sectionField->selectAll();
    return;
  }
  // A key bound to a relative path would follow the working directory of every later run.
  const std::string path = platform::AbsolutePath(pathText.toStdString());
  if (!CheckDestination(path)) {
    Refuse(EditPath);
    EditPath->selectAll();
    return;
  }
  for (const QChar c : {QLatin1Char('='), QLatin1Char(':')}) {
    const int at = static_cast<int>(keyText.indexOf(c));
    if (at >= 0) {
      Refuse(EditKey);
      EditKey->setSelection(at, 1);
      return;
    }
  }
  if (sectionText.contains(QLatin1Char('[')) || sectionText.contains(QLatin1Char(']'))) {
    Refuse(ComboBoxSections);
    sectionField->selectAll();
    return;
  }
  // Its entry line would read as a section header and end the section it stands in.
  if (keyText.startsWith(QLatin1Char('['))) {
    Refuse(EditKey);
    EditKey->setSelection(0, 1);
    return;
  }
  for (QLineEdit* field : {EditPath, EditKey, EditReminder, sectionField}) {
    const int at = LineBreakIn(field->text());
    if (at >= 0) {
      Refuse(field == sectionField ? static_cast<QWidget*>(ComboBoxSections) : field);
      field->setSelection(at, 1);
      return;
    }
  }

  const std::string key = keyText.toStdString();
  const std::string section = sectionText.toStdString();
  const TKeyMap::LookupResult old = keyMap_.Lookup(section, key);
  if (!old.path.empty()) {
    const QString question =
        tr("上書きしますか？\n%1\n%2").arg(FromStd(old.path), FromStd(old.reminder));
    if (!confirm_ || confirm_(question) != QMessageBox::Yes) return;
    keyMap_.RemoveKey(section, key);
  }
  if (!keyMap_.AddKey(section, key, CheckBoxMoveOnly->isChecked(),
                      EditReminder->text().toStdString(), path))
    return Refuse(EditKey);
  EditKey->clear();
  EditPath->setFocus();
  EditPath->selectAll();
  ShowSectionLines(sectionText);
}

void KeyPanel::ButtonKeyDeleteClick() {
  const QString keyText = EditKey->text();
  const QString sectionText = ComboBoxSections->currentText();
  if (keyText.isEmpty()) return Refuse(EditKey);
  if (sectionText.isEmpty()) return Refuse(ComboBoxSections);
  if (sectionText.contains(QLatin1Char('[')) || sectionText.contains(QLatin1Char(']'))) {
    Refuse(ComboBoxSections);
    ComboBoxSections->lineEdit()->selectAll();
    return;
  }
  if (keyMap_.RemoveKey(sectionText.toStdString(), keyText.toStdString()))
    ShowSectionLines(sectionText);
}

void KeyPanel::ComboBoxSectionsChange(const QString& text) {
  ShowSectionLines(text);
}

void KeyPanel::ShowSectionLines(const QString& section) {
  const std::string before = keyMap_.SelectedName();
  const TKeyMap::Lines& lines = keyMap_.SectionLines(section.toStdString());
  const QStringList rows = ToStringList(lines);
  {
    // Refilling is no click on a row.
    QSignalBlocker block(ListBox2);
    ListBox2->clear();
    ListBox2->addItems(rows);
  }
  if (keyMap_.SelectedName() != before)
    emit selectedSectionChanged(FromStd(keyMap_.SelectedName()));
}

void KeyPanel::SetSectionText(const QString& text) {
  QSignalBlocker block(ComboBoxSections);
  ComboBoxSections->setEditText(text);
}

void KeyPanel::ListBox2Click() {
  const QListWidgetItem* item = ListBox2->currentItem();
  if (!item) return;
  const std::optional<std::string> key = KeyOfLine(item->text().toStdString());
  if (!key) return;
  const TKeyMap::LookupResult found =
      keyMap_.Lookup(ComboBoxSections->currentText().toStdString(), *key);
  EditPath->setText(FromStd(found.path));
  EditKey->setText(FromStd(*key));
  CheckBoxMoveOnly->setChecked(found.moveOnly);
  EditReminder->setText(FromStd(found.reminder));
}

void KeyPanel::ListBox1Click() {
  if (const QListWidgetItem* item = ListBox1->currentItem()) EditPath->setText(item->text());
}

void KeyPanel::BitBtn1Click() {
  directories_.Abort();
}

bool KeyPanel::IsOnDirectoryList(const QWidget* w) const {
  for (; w && w != this; w = w->parentWidget())
    if (w == ListBox1 || w == BitBtn1) return true;
  return false;
}

bool KeyPanel::FilesDropped(const QString& path, QWidget* target) {
  if (isHidden()) return false;
  if (IsOnDirectoryList(target)) {
    SearchDropped(path);
    return true;
  }
  const std::string p = path.toStdString();
  if (platform::DirectoryExists(p)) {
    EditPath->setText(path);
  } else if (platform::FileExists(p)) {
    const bool picture = TFileList::HasListedExtension(p, imageExtensions_);
    EditPath->setText(picture ? FromStd(TDirectoryList::ParentFolderOf(p, kStyle)) : path);
  }
  EditKey->setFocus();
  return true;
}

void KeyPanel::SearchDropped(const QString& path) {
  BitBtn1->setGeometry(ListBox1->geometry());
  if (BitBtn1->icon().isNull())
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
  BitBtn1->show();
  BitBtn1->raise();
  const std::string p = path.toStdString();
  // Events run during the search; the panel may be gone when it returns.
  const QPointer<KeyPanel> alive(this);
  if (platform::DirectoryExists(p))
    directories_.SearchSubfolders(p);
  else if (platform::FileExists(p))
    directories_.SearchSubfolders(TDirectoryList::ParentFolderOf(p, kStyle));
  if (!alive) return;
  // A refused drop leaves the button to the search still running; a path that names nothing
  // started no search, so the button goes as well.
  if (!directories_.busy()) BitBtn1->hide();
  ShowSearchResult();
}

void KeyPanel::ShowSearchResult() {
  if (directories_.Count() == 0) return;
  const QStringList rows = ToStringList(directories_.Entries());
  QSignalBlocker block(ListBox1);
  ListBox1->clear();
  ListBox1->addItems(rows);
}

int KeyPanel::ShownListWidth(int requested) const {
  const int widest = std::max(0, width() - kGap - kMinColumnWidth);
  return std::clamp(requested, 0, widest);
}

void KeyPanel::Arrange() {
  ListBox1->setGeometry(0, 0, ShownListWidth(listWidth_), height());
  if (!BitBtn1->isHidden()) {
    BitBtn1->setGeometry(ListBox1->geometry());
    BitBtn1->raise();
  }
  const int c = ListBox1->x() + ListBox1->width() + kGap;
  const int d = width() - c;
  // Each control's top edge at y; returns its bottom edge.
  const auto place = [c](QWidget* w, int y, int width) {
    const int h = w->sizeHint().height();
    w->setGeometry(c, y, width, h);
    return y + h;
  };
  const auto natural = [](QWidget* w) { return w->sizeHint().width(); };

  int y = place(LabelPath, 0, natural(LabelPath));
  y = place(EditPath, y, d);
  y = place(LabelKey, y + kGap, natural(LabelKey));
  y = place(EditKey, y, d);
  y = place(CheckBoxMoveOnly, y, natural(CheckBoxMoveOnly));
  y = place(LabelReminder, y + kGap, natural(LabelReminder));
  y = place(EditReminder, y, d);
  y = place(ComboBoxSections, y + kGap, d / 2);
  y = place(LabelRegist, y + kGap, natural(LabelRegist));

  const int line = y + kGap;
  int bottom = line;
  const auto button = [&](QPushButton* b, int left) {
    const QSize size = b->sizeHint();
    b->setGeometry(left, line, size.width(), size.height());
    bottom = std::max(bottom, line + size.height());
  };
  button(ButtonKeyDelete, c);
  button(ButtonKeyRegist, c + d / 2);
  button(ButtonKeyEnd, ButtonKeyRegist->x() + ButtonKeyRegist->width());
  const int top = bottom + kGap;
  ListBox2->setGeometry(c, top, d, std::max(0, height() - top));

  std::vector<std::string> names;
  keyMap_.SectionNames(names);
  QSignalBlocker block(ComboBoxSections);
  const QString text = ComboBoxSections->currentText();
  ComboBoxSections->clear();
  ComboBoxSections->addItems(ToStringList(names));
  ComboBoxSections->setEditText(text);
}

bool KeyPanel::OnDivider(int x) const {
  const int edge = ListBox1->x() + ListBox1->width();
  return x >= edge && x <= edge + kGap;
}

void KeyPanel::mouseMoveEvent(QMouseEvent* event) {
  if (!dividerDragging_) {
    if (OnDivider(event->position().toPoint().x()))
      setCursor(Qt::SplitHCursor);
    else
      unsetCursor();
  }
  QWidget::mouseMoveEvent(event);
}

void KeyPanel::mousePressEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (OnDivider(x)) {
    dividerDragging_ = true;
    dragStartX_ = x;
    setCursor(Qt::SplitHCursor);
  }
  QWidget::mousePressEvent(event);
}

void KeyPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (dividerDragging_) {
    dividerDragging_ = false;
    const int x = event->position().toPoint().x();
    listWidth_ = ShownListWidth(ListBox1->width() + x - dragStartX_);
    emit arrangeRequested();
  }
  QWidget::mouseReleaseEvent(event);
}
