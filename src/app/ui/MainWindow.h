#pragma once
// The main window: the input field Edit1 across the top and the picture area MainPanel below.
// It owns the sorting session, turns its events into calls on it and shows what it says; the
// surfaces (viewport, panels, preview window) are widget classes of their own, owned here.
//
// The methods are spread over several sources by concern: MainWindow.cpp (life cycle),
// MainWindowView.cpp (the picture on screen, viewport, mouse), MainWindowFiles.cpp (drops and
// the menu's file commands), MainWindowInput.cpp (what the input field takes over).
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "app/SortingSession.h"
#include "app/ui/InputField.h"
#include "app/ui/KeyListBox.h"
#include "app/ui/MainMenu.h"
#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

class KeyPanel;
class PrefPanel;
class QFrame;
class QLineEdit;
class QPushButton;
class TDecodeAhead;
class TForm2;
class TPictureControl;

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
  QFrame* MainPanel = nullptr;
  TPictureControl* Image1 = nullptr;
  TKeyListBox* ListBox3 = nullptr;  // key search results, over the picture area
  QPushButton* BitBtn2 = nullptr;   // aborts a picture list build
  TForm2* Form2 = nullptr;          // the preview window, owned by this window

  // Valid from construction until the window is closed.
  TSortingSession& Session() { return *session_; }
  TGeneralManager& General() { return session_->General(); }
  TTemporaryManager& Temporary() { return session_->Temporary(); }
  TColorManager& Colors() { return session_->Colors(); }
  TFileList& Files() { return session_->Files(); }
  TDispatcher& Dispatcher() { return session_->Dispatcher(); }
  // The picture on screen, shared with Image1 and the decode-ahead cache; null when there is
  // none.
  const std::shared_ptr<const Picture>& CurrentPicture() const { return picture_; }
  // Decodes the next pictures in the background; null once the window is closed.
  TDecodeAhead* DecodeAhead() const { return decodeAhead_.get(); }

  // Paints Edit1's background with a status colour.
  void SetStatusColor(StatusColor status);
  // The menu button, the one-key button and Edit1, off while a panel covers the picture area;
  // enabling them gives Edit1 the focus.
  void DisableMainInput();
  void EnableMainInput();
  // The input field's font, applied now and saved at shutdown.
  void SetInputFont(const FontSettings& font);
  const FontSettings& InputFont() const { return window_.font; }
  // Places the controls from the client size and Edit1's height.
  void ArrangeControls() override;

  // ---- TSessionView
  void SetStatus(StatusColor status) override { SetStatusColor(status); }
  void MinimiseWindow() override;
  void HidePreview() override;
  Loaded LoadPicture(const std::string& path) override;
  void ShowPicture(const std::string& caption) override;
  void SetCaption(const std::string& caption) override;
  void SetAbortButtonShown(bool shown) override;
  bool CloseRequestedDuringBuild() override;
  void CompleteInput() override;
  void TidyInput() override;
  void SetOneKeyMode(bool on) override;
  void ScrollByHalfPanel(ScrollDirection direction) override;
  void RotateClockwise() override;
  void RotateCounterClockwise() override;
  void FitPicture() override;
  void ShowKeyList(const std::vector<std::string>& rows) override;

  // The first dropped item's whole path; globalPos is where it was dropped.
  void FilesDropped(const std::string& path, const QPoint& globalPos);
  void RefreshAnimatedPicture();

  // The key registration panel takes drops while it is shown: it answers true when it took one.
  using DropHandler = std::function<bool(const std::string& path, const QPoint& globalPos)>;
  void SetKeyPanelDropHandler(DropHandler handler) { keyPanelDrop_ = std::move(handler); }
  // How a folder is shown in the file browser; QDesktopServices unless replaced.
  using FolderOpener = std::function<void(const std::string& folder)>;
  void SetFolderOpener(FolderOpener opener) { folderOpener_ = std::move(opener); }

 public slots:
  void Open1Click();
  void Resume1Click();
  void Default2Click();
  void Ascending2Click();
  void Descending2Click();
  void Shuffle2Click();
  void BitBtn2Click();
  void ButtonOneKeyClick();
  void Key1Click();
  void Pref1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  // Keys that reach the window itself, when no control of it has the focus.
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate(std::string settingsFolder, std::vector<std::string> arguments);
  // The input field, the key list and the menu to the window's handlers.
  void ConnectInput();
  void FormShow();
  void FormActivate();
  // The preview window at the place the settings gave.
  void PlacePreview();
  void FormClose();
  // The key registration and preferences panels, created hidden once the objects exist, and
  // freed before the objects they edit.
  void CreatePanels();
  void FreePanels();
  void FormResize();
  void FormMouseWheel(int delta);

  void MainPanelMouseDown(QMouseEvent* event);
  void MainPanelMouseUp(QMouseEvent* event);
  void MainPanelDblClick();
  PointerState TakePointerState() const;
  void KeepPointerState(const PointerState& state);
  ViewPlacement CurrentPlacement() const;
  void ApplyPlacement(const ViewPlacement& placement);
  void ShowPreviewOfNext();
  // Asks for the pictures after the current one, decoded as the picture area wants them.
  void DecodeAheadOfCurrent(const codecs::DecodeOptions& options);
  void Turn(void (*turn)(Picture&));
  // The decode hint for the picture area: no larger than it needs to be unless at its own size.
  codecs::DecodeOptions DisplayOptions(ViewSize area);
  // Decodes the current picture again when it was decoded smaller than it is now shown.
  void Sharpen(const ViewPlacement& placement);

  void ShowFolder(const std::string& folder);

  void ApplyWindowSettings();
  WindowSettings CurrentWindowSettings() const;

  WindowSettings window_;  // the defaults until the settings file is read
  bool closed_ = false;
  bool closeAfterBuild_ = false;
  // Opened maximized and never restored since: the normal bounds are still those read, which
  // the toolkit cannot tell in frame terms for a window maximized before it was shown.
  bool maximizedSinceStart_ = false;
  bool previewPlaced_ = false;  // the preview window takes its saved place at the first showing

  // Created by FormCreate, freed by FormClose.
  std::unique_ptr<TSortingSession> session_;

  std::shared_ptr<const Picture> picture_;
  // The decode hint of the picture being presented, and whether it is painted before the
  // pictures after it are asked for.
  codecs::DecodeOptions presenting_;
  bool paintFirst_ = false;
  int turns_ = 0;  // clockwise quarter turns since the picture was loaded
  // Created before the preview window, freed once neither window shows pictures any more.
  std::unique_ptr<TDecodeAhead> decodeAhead_;

  DropHandler keyPanelDrop_;
  FolderOpener folderOpener_;

  // The two panels that can cover the picture area, children of the window; created in
  // FormCreate.
  KeyPanel* keyPanel_ = nullptr;
  PrefPanel* prefPanel_ = nullptr;
};
