#pragma once
// The main window: the input field Edit1 across the top and the picture area MainPanel below.
// It owns the program's objects and hands each surface what it needs; the surfaces themselves
// (viewport, panels, preview window, dispatcher) are widget classes of their own, owned here.
//
// The methods are spread over several sources by concern: MainWindow.cpp (life cycle),
// MainWindowView.cpp (presenting, viewport, mouse), MainWindowFiles.cpp (opening, drops, list
// files, move and copy, orders), MainWindowInput.cpp (what the input field takes over).
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Dispatcher.h"
#include "app/GeneralManager.h"
#include "app/Settings.h"
#include "app/TemporaryManager.h"
#include "app/ui/InputField.h"
#include "app/ui/KeyListBox.h"
#include "app/ui/MainMenu.h"
#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "keymap/KeyMap.h"

class KeyPanel;
class PrefPanel;
class QFrame;
class QLineEdit;
class QPushButton;
class TDecodeAhead;
class TForm2;
class TPictureControl;

class TForm1 : public QWidget, public TCommandTarget {
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
  TGeneralManager& General() { return *general_; }
  TTemporaryManager& Temporary() { return *temporary_; }
  TVirtualKeys& VirtualKeys() { return *keys_; }
  TDirectoryList& Directories() { return *directories_; }
  TColorManager& Colors() { return *colors_; }
  TKeyMap& KeyMap() { return *keyMap_; }
  TFileList& Files() { return *files_; }
  TDispatcher& Dispatcher() { return *dispatcher_; }

  const std::string& SettingsPath() const { return settingsPath_; }
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

  // ---- TCommandTarget
  void SetStatus(StatusColor status) override { SetStatusColor(status); }
  void MinimiseWindow() override;
  void HidePreview() override;
  void ShowNext() override;
  void ShowPrevious() override;
  void MovePicture(const std::string& source, const std::string& folder) override;
  void CopyPicture(const std::string& source, const std::string& folder) override;
  void PresentPicture(const std::string& path) override;
  void OpenPath(const std::string& path) override;
  void CompleteInput() override;
  void TidyInput() override;
  void SetOneKeyMode(bool on) override;
  void ScrollByHalfPanel(ScrollDirection direction) override;
  void RotateClockwise() override;
  void RotateCounterClockwise() override;
  void FitPicture() override;
  void ShowKeyList(const std::vector<std::string>& rows) override;

  // Appends picture to every pending list file, in the order they were chosen. Throws
  // std::runtime_error naming the list file that could not be written; that one and those after
  // it stay pending, the ones written before it do not.
  void RecordInListFiles(const std::string& picture);
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
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  // The input field, the key list and the menu to the window's handlers.
  void ConnectInput();
  void FormShow();
  void FormActivate();
  void FormClose();
  // The key registration and preferences panels, created hidden once the objects exist, and
  // freed before the objects they edit.
  void CreatePanels();
  void FreePanels();
  void FormResize();
  void FormMouseWheel(int delta);

  void MainPanelMouseDown(QMouseEvent* event);
  void MainPanelMouseUp(QMouseEvent* event);
  void MainPanelDblClick(QMouseEvent* event);
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

  // A drag of local files over on (this window or one of its fields), taken as a drop on the
  // window: true when it was one. Other drags are left to the widget.
  bool TakeFileDrop(QWidget* on, QEvent* event);
  void TakeFileDropsFromFields();

  void FinishBuild(const TFileList::OpenResult& result);
  void ShowEmpty();
  void ShowFolder(const std::string& folder);

  void ApplyWindowSettings();
  WindowSettings CurrentWindowSettings() const;

  std::string settingsFolder_;
  std::string settingsPath_;
  std::vector<std::string> arguments_;
  WindowSettings window_;  // the defaults until the settings file is read
  bool closed_ = false;
  bool closeAfterBuild_ = false;
  // Opened maximized and never restored since: the normal bounds are still those read, which
  // the toolkit cannot tell in frame terms for a window maximized before it was shown.
  bool maximizedSinceStart_ = false;
  bool previewPlaced_ = false;  // the preview window takes its saved place at the first showing

  // Created in this order by FormCreate, freed in the order FormClose gives.
  std::unique_ptr<TGeneralManager> general_;
  std::unique_ptr<TTemporaryManager> temporary_;
  std::unique_ptr<TVirtualKeys> keys_;
  std::unique_ptr<TDirectoryList> directories_;
  std::unique_ptr<TColorManager> colors_;
  std::unique_ptr<TKeyMap> keyMap_;
  std::unique_ptr<TFileList> files_;
  std::unique_ptr<TDispatcher> dispatcher_;

  std::shared_ptr<const Picture> picture_;
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
