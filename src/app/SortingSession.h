#pragma once
// A sorting session: the program's objects from start-up to shutdown, and what is decided about
// them without a window — opening, presenting, stepping past vanished files, moving and copying
// the picture on screen, list files, resuming and the orders. The window shows what the session
// says through TSessionView; key commands reach the session through the dispatcher.
#include <memory>
#include <string>
#include <vector>

#include "app/Dispatcher.h"
#include "app/GeneralManager.h"
#include "app/Journal.h"
#include "app/Settings.h"
#include "app/TemporaryManager.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "files/MainLib.h"
#include "keymap/KeyMap.h"
#include "platform/FileSystem.h"
#include "platform/Pump.h"
#include "platform/Trash.h"
#include "platform/UserText.h"
#include "view/ImageLib.h"

// What the session asks of the window that shows it, besides the key commands only the window
// can carry out.
class TSessionView : public TViewCommands {
 public:
  struct Loaded {
    PictureFormat format = PictureFormat::None;  // None: nothing new is shown
    int width = 0;                               // the picture's own size in pixels
    int height = 0;
  };
  // Decodes path and puts it on screen, or leaves or empties the screen as a failed load
  // does. Throws when the file exists but cannot be read.
  virtual Loaded LoadPicture(const std::string& path) = 0;
  // The picture just loaded is presented: the caption, the fit and the preview of the next.
  virtual void ShowPicture(const std::string& caption) = 0;
  // Nothing to show: only the caption changes.
  virtual void SetCaption(const std::string& caption) = 0;
  // The abort button, shown while a picture list is built.
  virtual void SetAbortButtonShown(bool shown) = 0;
  // A picture list build has ended: true when a close came meanwhile, which the window now
  // carries out; the session then shows nothing more.
  virtual bool CloseRequestedDuringBuild() = 0;
};

class TSortingSession : public TCommandTarget {
 public:
  // Reads the settings file in settingsFolder into the objects and into window (left alone when
  // there is none), then the key map files (default ones in settingsFolder). pump lets the
  // window's events run during long builds and searches. Only the first argument is ever opened.
  TSortingSession(TSessionView& view, const std::string& settingsFolder,
                  std::vector<std::string> arguments, WindowSettings& window,
                  platform::PumpCallback pump);

  // Whether a settings file was read at start.
  bool SettingsRead() const { return settingsRead_; }
  const std::string& SettingsPath() const { return settingsPath_; }

  TGeneralManager& General() { return general_; }
  TTemporaryManager& Temporary() { return temporary_; }
  TVirtualKeys& VirtualKeys() { return keys_; }
  TDirectoryList& Directories() { return directories_; }
  TColorManager& Colors() { return colors_; }
  TKeyMap& KeyMap() { return keyMap_; }
  TFileList& Files() { return files_; }
  TDispatcher& Dispatcher() { return dispatcher_; }

  // Whether a key event is the panic binding.
  bool IsPanicKey(std::uint16_t key, ModifierSet modifiers) const {
    return keys_[NavAction::Emergency].Matches(key, modifiers);
  }
  // Asks a running picture list build or sub-folder search to stop; true when one runs.
  bool StopRunningWork();

  // Opens the first command-line argument, once: later calls do nothing.
  void OpenPendingArgument();
  // The path OpenPath opens for path: doubled separators made single; empty when nothing is
  // there. Here, not in the session's source, for the program's early open, which does not
  // link the session.
  static std::string SourceToOpen(const std::string& path) {
    if (!platform::FileOrFolderExists(path)) return {};
    return ReplaceDoubledSeparators(path);
  }
  // A list already built by TFileList::Open(source) while the program started: the next OpenPath
  // of source takes it over instead of listing the folder again, when it was built with the same
  // extensions. Any other opening drops it.
  void OfferListing(std::string source, std::unique_ptr<TFileList> listed);
  // Makes a folder, picture or list file the new source and presents its first (or named)
  // picture; the picture on screen goes into its pending list files first. Nothing happens
  // for a path that names nothing.
  void OpenPath(const std::string& path) override;
  // Loads path; once it is shown, the picture left goes into its list files, a wrong extension
  // is corrected and the caption written. A picture that cannot be shown changes nothing else,
  // but the picture left is recorded all the same. Throws when the file cannot be read, or once
  // the picture is shown, when a list file could not be written.
  void PresentPicture(const std::string& path) override;
  // Step and present, going past entries whose files have vanished; at either end the last /
  // first picture is presented again. The Empty colour once the list has run empty.
  void ShowNext() override;
  void ShowPrevious() override;
  // One file operation; its outcome becomes the status colour and the list follows the disk.
  // A completed move goes on to the next picture; a copy stays.
  void MovePicture(const std::string& source, const std::string& folder) override;
  void CopyPicture(const std::string& source, const std::string& folder) override;
  // Appends picture to every pending list file, in the order they were chosen. Throws
  // std::runtime_error naming the list file that could not be written; that one and those after
  // it stay pending, the ones written before it do not.
  void RecordInListFiles(const std::string& picture);

  // The desktop's trash, which the window provides; without one, trashing is refused.
  void SetTrash(platform::TTrash* trash) { trash_ = trash; }
  // Takes the last step back and shows the picture it concerns at its place in the list; the
  // Default colour, or the IncorrectExtension colour when the picture's former name was taken
  // since and it got a numbered one. A step that cannot be taken back any more (its file gone
  // or changed) sets the Error colour and throws std::runtime_error naming the file; nothing
  // is touched then. With nothing to take back, nothing happens.
  void UndoStep() override;
  // Does the step last taken back again, with the colour the step had; refusals as UndoStep.
  void RedoStep() override;
  // The picture on screen and its sidecars go to the trash; its entry leaves the list and the
  // next picture is shown with the Move colour. Without a trash, the Error colour; a file the
  // trash refuses also throws std::runtime_error naming it.
  void TrashPicture() override;

  // The journal of the steps taken, in the settings folder.
  const TJournal& Journal() const { return journal_; }
  // What went wrong reading the journal at start-up, as text for the user; given once.
  std::optional<TUserText> TakeJournalReport() { return journal_.TakeReport(); }

  // Back to where the previous run ended: its list file at its picture, else its picture, else
  // its folder.
  void Resume();
  // The orders of the picture list, each presenting its first picture after the picture on
  // screen went into its pending list files. The order of building rebuilds the list from its
  // source, with the abort button shown.
  void ShowInBuildOrder();
  void ShowAscending();
  void ShowDescending();
  void ShowShuffled();
  // The folder to show in the file browser: that of the key typed, or with an empty field the
  // folder being viewed (a list file's folder); empty when there is none.
  std::string FolderToShow(const std::string& fieldText);

  // Shutdown: the settings saved (an error there is swallowed), the picture on screen written
  // into its pending list files, the key map files written. Returns the errors of the last two
  // for the top-level report; each is attempted whatever happened to the other.
  std::vector<TUserText> Close(const WindowSettings& window);

  // ---- The key commands only the window carries out.
  void SetStatus(StatusColor status) override { view_.SetStatus(status); }
  void MinimiseWindow() override { view_.MinimiseWindow(); }
  bool IsFullScreen() const override { return view_.IsFullScreen(); }
  void ToggleFullScreen() override { view_.ToggleFullScreen(); }
  void HidePreview() override { view_.HidePreview(); }
  void CompleteInput() override { view_.CompleteInput(); }
  void TidyInput() override { view_.TidyInput(); }
  void SetOneKeyMode(bool on) override { view_.SetOneKeyMode(on); }
  void ArrangeControls() override { view_.ArrangeControls(); }
  void ScrollByHalfPanel(ScrollDirection direction) override { view_.ScrollByHalfPanel(direction); }
  void RotateClockwise() override { view_.RotateClockwise(); }
  void RotateCounterClockwise() override { view_.RotateCounterClockwise(); }
  void FitPicture() override { view_.FitPicture(); }
  void ShowKeyList(const std::vector<std::string>& rows) override { view_.ShowKeyList(rows); }

 private:
  // The folder open now and its first picture, for the next start on it (TFirstPictures).
  void RememberFirstPicture() const;
  // Runs a picture list build with the abort button shown, then presents its first picture.
  template <class Build>
  void BuildAndPresent(Build build);
  void ShowEmpty();
  // The step sending source into folder, its free name and its sidecars' names chosen; nothing,
  // with the status colour set, when the folder is gone, holds the same file or has no free name.
  std::optional<SortingStep> StepInto(StepKind kind, const std::string& source,
                                      const std::string& folder);
  // PresentPicture; a picture coming back by an undo keeps the extension it had.
  void Present(const std::string& path, bool correctExtension);
  // Renames a picture whose extension does not fit its format; the Error colour and the
  // journal's error when the rename could not be written down.
  void CorrectExtension(const std::string& path, PictureFormat format);
  // Writes the operation's record; when it cannot be, the Error colour and std::runtime_error.
  std::uint64_t BeginStep(OpRole role, std::uint64_t stepId, const SortingStep& step);
  // Settles a step a crash cut short, from what is on disk.
  void SettleUnfinishedStep();
  // The entry of a picture back at path: the entry that named was (or a new one at index when
  // none does) names path, and is presented.
  void ShowAgain(const std::string& was, const std::string& path, int index);

  TSessionView& view_;
  std::string settingsFolder_;
  std::string settingsPath_;
  std::vector<std::string> arguments_;
  std::string listedSource_;
  std::unique_ptr<TFileList> listed_;  // see OfferListing

  // Built in this order and freed in the reverse: the settings are read between the status
  // colours and the key map, whose file names they give.
  TGeneralManager general_;
  TTemporaryManager temporary_;
  TVirtualKeys keys_;
  TDirectoryList directories_;
  TColorManager colors_;
  bool settingsRead_;
  TKeyMap keyMap_;
  TFileList files_;
  TDispatcher dispatcher_;
  TJournal journal_;
  platform::TTrash* trash_ = nullptr;
};
