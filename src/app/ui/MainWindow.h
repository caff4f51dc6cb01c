#pragma once
// The main window: the input field Edit1 across the top and the picture area MainPanel below.
// It owns the sorting session, turns its events into calls on it and shows what it says; the
// surfaces (picture area, panels, preview window) are widget classes of their own, owned here.
// Sources: MainWindow.cpp (life cycle), MainWindowFiles.cpp (drops, the menu's file commands),
// MainWindowInput.cpp (input field, top bar, layout), MainWindowPanels.cpp (the two panels).
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/SortingSession.h"
#include "app/ui/DesktopTrash.h"
#include "app/ui/InputField.h"
#include "app/ui/KeyListBox.h"
#include "app/ui/MainMenu.h"
#include "app/ui/PictureArea.h"
#include "app/ui/ScreenPlacement.h"

class KeyPanel;
class TEarlyOpen;
class PrefPanel;
class QPushButton;
class TDecodeAhead;
class TFileDrops;
class TForm2;

class TForm1 : public QWidget, public TSessionView {
  Q_OBJECT

 public:
  // settingsFolder: where sortivo.ini is read and written (created on first save), and where
  // the default key map files lie.
  // arguments: the command line without the program; only the first is ever opened.
  TForm1(std::string settingsFolder, std::vector<std::string> arguments, QWidget* parent = nullptr);
  ~TForm1() override;

  TInputField* Edit1 = nullptr;
  TMainMenu* MainMenu = nullptr;  // the top bar's two buttons and the menu
  TPictureArea* MainPanel = nullptr;
  TPictureControl* Image1 = nullptr;
  TKeyListBox* ListBox3 = nullptr;  // key search results, over the picture area
  QPushButton* BitBtn2 = nullptr;   // aborts a picture list build
  TForm2* Form2 = nullptr;          // the preview window, owned by this window

  // Valid from construction until the window is closed.
  TSortingSession& Session() { return *session_; }
  // Decodes the next pictures in the background; null once the window is closed.
  TDecodeAhead* DecodeAhead() const { return decodeAhead_.get(); }

  // The menu button, the one-key button and Edit1, off while a panel covers the picture area;
  // enabling them gives Edit1 the focus.
  void DisableMainInput() { MainMenu->SetTopBarEnabled(*Edit1, false); }
  void EnableMainInput() { MainMenu->SetTopBarEnabled(*Edit1, true); }
  // The input field's font, applied now and saved at shutdown.
  void SetInputFont(const FontSettings& font);
  const FontSettings& InputFont() const { return window_.font; }
  // Places the controls from the client size and Edit1's height.
  void ArrangeControls() override;

  // ---- TSessionView
  // Paints Edit1's background with a status colour.
  void SetStatus(StatusColor status) override;
  void MinimiseWindow() override { showMinimized(); }
  bool IsFullScreen() const override { return isFullScreen(); }
  void ToggleFullScreen() override { normalBounds_.ToggleFullScreen(*this, window_.bounds); }
  void HidePreview() override;
  Loaded LoadPicture(const std::string& path) override { return MainPanel->LoadPicture(path); }
  void ShowPicture(const std::string& caption) override {
    SetCaption(caption);
    MainPanel->ShowPicture();
  }
  void SetCaption(const std::string& caption) override {
    setWindowTitle(QString::fromStdString(caption));
  }
  void SetAbortButtonShown(bool shown) override;
  bool CloseRequestedDuringBuild() override;
  void CompleteInput() override { Edit1->CompleteInput(); }
  void TidyInput() override { Edit1->TidyInput(); }
  void SetOneKeyMode(bool on) override { MainMenu->SetOneKeyMode(on); }
  void ScrollByHalfPanel(ScrollDirection d) override { MainPanel->ScrollByHalfPanel(d); }
  void RotateClockwise() override { MainPanel->RotateClockwise(); }
  void RotateCounterClockwise() override { MainPanel->RotateCounterClockwise(); }
  void FitPicture() override { MainPanel->FitPicture(); }
  void ShowKeyList(const std::vector<std::string>& rows) override;

  // The first argument's opening, begun before the window: told the picture area's decode hint
  // now, and handed over when the argument is opened.
  void SetEarlyOpen(std::unique_ptr<TEarlyOpen> early);

  // The first dropped item's whole path; globalPos is where it was dropped.
  void FilesDropped(const std::string& path, const QPoint& globalPos);

  // The key registration panel takes drops while it is shown: it answers true when it took one.
  using DropHandler = std::function<bool(const std::string& path, const QPoint& globalPos)>;
  void SetKeyPanelDropHandler(DropHandler handler) { keyPanelDrop_ = std::move(handler); }
  // How a folder is shown in the file browser; QDesktopServices unless replaced.
  using FolderOpener = std::function<void(const std::string& folder)>;
  void SetFolderOpener(FolderOpener opener) { folderOpener_ = std::move(opener); }

 public slots:
  void Open1Click();
  void Resume1Click() {
    Edit1->setFocus();
    session_->Resume();
  }
  void Default2Click() { session_->ShowInBuildOrder(); }
  void Ascending2Click() { session_->ShowAscending(); }
  void Descending2Click() { session_->ShowDescending(); }
  void Shuffle2Click() { session_->ShowShuffled(); }
  void BitBtn2Click() {
    if (session_) session_->Files().Abort();
  }
  void Key1Click();
  void Pref1Click();
  void Undo1Click() { MenuCommand(&TSortingSession::UndoStep); }
  void Redo1Click() { MenuCommand(&TSortingSession::RedoStep); }
  void Trash1Click() { MenuCommand(&TSortingSession::TrashPicture); }

 protected:
  void showEvent(QShowEvent* event) override;
  // Keys that reach the window itself, when no control of it has the focus.
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override {
    if (!closed_) MainPanel->Wheel(event);
  }

 private:
  void FormCreate(std::string settingsFolder, std::vector<std::string> arguments);
  // The input field, the key list and the menu to the window's handlers.
  void ConnectInput();
  void FormShow();
  void FormActivate();
  // The preview window at the place the settings gave.
  void PlacePreview();
  void FormClose();
  // The key registration and preferences panels are built when first opened, and freed before
  // the objects they edit. CreatePanels readies what drops need.
  void CreatePanels();
  KeyPanel* OpenedKeyPanel();
  PrefPanel* OpenedPrefPanel();
  void FreePanels();
  // A sorting command chosen in the menu: what its key would do through the dispatcher.
  void MenuCommand(void (TSortingSession::*command)());

  WindowSettings CurrentWindowSettings() const;

  WindowSettings window_;  // the defaults until the settings file is read
  bool closed_ = false;
  bool closeAfterBuild_ = false;
  bool previewPlaced_ = false;  // the preview window takes its saved place at the first showing
  TNormalBounds normalBounds_;

  TDesktopTrash trash_;  // outlives the session that uses it
  // Created by FormCreate, freed by FormClose.
  std::unique_ptr<TSortingSession> session_;

  // Created before the preview window, freed once neither window shows pictures any more.
  std::unique_ptr<TDecodeAhead> decodeAhead_;
  std::unique_ptr<TEarlyOpen> early_;  // until the first argument is opened

  // Drops of local files on the window or any of its fields; created by FormCreate, freed by
  // FormClose.
  TFileDrops* fileDrops_ = nullptr;
  DropHandler keyPanelDrop_;
  FolderOpener folderOpener_;

  // The two panels that can cover the picture area, children of the window; none until first
  // opened: most starts open neither, and they take a while to build.
  KeyPanel* keyPanel_ = nullptr;
  PrefPanel* prefPanel_ = nullptr;
};
