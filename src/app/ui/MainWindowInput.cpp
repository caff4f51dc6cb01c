// What the input field takes over: completion, tidying after a command, one-key mode, the key
// list, the top bar and its menu, and the arrangement of the window's controls.
#include <QKeyEvent>
#include <QPushButton>

#include "app/Layout.h"
#include "app/ui/MainWindow.h"
#include "config/ui/KeyCodes.h"
#include "config/ui/PrefPanel.h"
#include "keymap/ui/KeyPanel.h"

namespace {

void Place(QWidget* widget, const PixelRect& r) {
  widget->setGeometry(r.left, r.top, r.width, r.height);
}

}  // namespace

void TForm1::ConnectInput() {
  connect(ListBox3, &TKeyListBox::keyChosen, Edit1, &QLineEdit::setText);
  connect(ListBox3, &TKeyListBox::closed, Edit1, [this] { Edit1->setFocus(); });
  connect(MainMenu, &TMainMenu::arrangeRequested, this, &TForm1::ArrangeControls);
  connect(MainMenu, &TMainMenu::inputFontChosen, this,
          [this](const QFont& font) { SetInputFont(InputFontSettings(font, window_.font)); });
  connect(MainMenu->Key1, &QAction::triggered, this, &TForm1::Key1Click);
  connect(MainMenu->Pref1, &QAction::triggered, this, &TForm1::Pref1Click);
  connect(MainMenu->Open1, &QAction::triggered, this, &TForm1::Open1Click);
  connect(MainMenu->Resume1, &QAction::triggered, this, &TForm1::Resume1Click);
  connect(MainMenu->Font1, &QAction::triggered, this, [this] {
    MainMenu->Font1Click(*Edit1);
    // Without a window manager nothing gives the keyboard back once the dialog is gone.
    activateWindow();
    Edit1->setFocus();
  });
  connect(MainMenu->Default2, &QAction::triggered, this, &TForm1::Default2Click);
  connect(MainMenu->Ascending2, &QAction::triggered, this, &TForm1::Ascending2Click);
  connect(MainMenu->Descending2, &QAction::triggered, this, &TForm1::Descending2Click);
  connect(MainMenu->Shuffle2, &QAction::triggered, this, &TForm1::Shuffle2Click);
  // Queued: a step that is refused throws, and the error must reach the top-level report as an
  // event's would, not unwind through the menu's own activation.
  connect(MainMenu->Undo1, &QAction::triggered, this, &TForm1::Undo1Click, Qt::QueuedConnection);
  connect(MainMenu->Redo1, &QAction::triggered, this, &TForm1::Redo1Click, Qt::QueuedConnection);
  connect(MainMenu->Trash1, &QAction::triggered, this, &TForm1::Trash1Click, Qt::QueuedConnection);
  // Queued: the menu is still unwinding its own event when the window goes.
  connect(MainMenu->QuitX1, &QAction::triggered, this, &QWidget::close, Qt::QueuedConnection);
}

void TForm1::MenuCommand(void (TSortingSession::*command)()) {
  if (closed_ || !session_) return;
  // As every key command does, so that the colour left shows this command's outcome.
  SetStatus(StatusColor::Default);
  (session_.get()->*command)();
  Edit1->setFocus();
}

void TForm1::ShowKeyList(const std::vector<std::string>& rows) {
  ListBox3->ShowRows(rows);
  ArrangeControls();
}

void TForm1::keyPressEvent(QKeyEvent* event) {
  if (closed_ || !session_) {
    QWidget::keyPressEvent(event);
    return;
  }
  const KeyStroke stroke = TranslateKeyEvent(*event);
  auto key = static_cast<std::uint16_t>(stroke.virtualKey);
  session_->Dispatcher().FormKeyDown(key, stroke.modifiers);
  QWidget::keyPressEvent(event);
}

void TForm1::ArrangeControls() {
  LayoutInput in;
  in.clientWidth = width();
  in.clientHeight = height();
  in.editHeight = Edit1->sizeHint().height();
  in.menuButtonWidth = MainMenu->MenuButtonWidth();
  in.oneKeyButtonWidth = MainMenu->OneKeyButtonWidth();
  in.keyPanelVisible = keyPanel_ && !keyPanel_->isHidden();
  in.prefPanelVisible = prefPanel_ && !prefPanel_->isHidden();
  in.keyListVisible = !ListBox3->isHidden();
  if (in.keyListVisible) in.keyListHeight = ListBox3->WantedHeight();
  const LayoutResult r = ArrangeLayout(in);

  Place(MainMenu->ButtonMenu, r.buttonMenu);
  Place(MainMenu->ButtonOneKey, r.buttonOneKey);
  Place(Edit1, r.edit);
  Place(MainPanel, r.mainPanel);
  switch (r.cover) {
    case LayoutCover::KeyPanel:
      Place(keyPanel_, r.keyPanel);
      keyPanel_->Arrange();
      break;
    case LayoutCover::PrefPanel:
      prefPanel_->Arrange(r.prefArea.width, r.prefArea.height, r.prefArea.top);
      break;
    case LayoutCover::KeyList:
      Place(ListBox3, r.keyList);
      break;
    case LayoutCover::None:
      break;
  }
  // Over the buttons left of the input field; while there are none, wide enough to be clicked.
  const int abortWidth = r.edit.left > 0 ? r.edit.left : BitBtn2->sizeHint().width();
  BitBtn2->setGeometry(0, 0, abortWidth, r.edit.height);
}
