#include "app/SortingSession.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "files/MainLib.h"
#include "platform/ConfigFolder.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Random.h"

namespace {

// Appends one line; throws with the list file's path when it cannot be written whole.
void AppendLine(const std::string& listFile, const std::string& line) {
  const int fd = ::open(listFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0)
    throw std::runtime_error("ファイル " + listFile + " に書き込めません: " + std::strerror(errno));
  const std::string text = line + "\r\n";
  std::size_t done = 0;
  int error = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0)
    throw std::runtime_error("ファイル " + listFile + " に書き込めません: " + std::strerror(error));
}

// A guard that hides the abort button on every way out of a build, unless told to keep it.
class AbortButtonShown {
 public:
  explicit AbortButtonShown(TSessionView& view) : view_(view) { view_.SetAbortButtonShown(true); }
  ~AbortButtonShown() {
    if (!keep_) view_.SetAbortButtonShown(false);
  }
  void Keep() { keep_ = true; }

 private:
  TSessionView& view_;
  bool keep_ = false;
};

StatusColor FailureColor(const FileOperationResult& r) {
  return r.outcome == FileOutcome::AlreadyThere ? StatusColor::SameFile : StatusColor::Error;
}

}  // namespace

TSortingSession::TSortingSession(TSessionView& view, const std::string& settingsFolder,
                                 std::vector<std::string> arguments, WindowSettings& window,
                                 platform::PumpCallback pump)
    : view_(view),
      settingsFolder_(settingsFolder),
      settingsPath_(platform::SettingsFilePath(settingsFolder)),
      arguments_(std::move(arguments)),
      settingsRead_(LoadSettings(settingsPath_, general_, temporary_, keys_, colors_, window)),
      keyMap_(general_.HeadFile, general_.TailFile, general_.KeyMapFile, settingsFolder_),
      files_(general_.ImageExtensions, general_.ListExtensions),
      dispatcher_(
          DispatchContext{*this, files_, keyMap_, directories_, keys_, general_, temporary_}) {
  directories_.SetPump(pump);
  files_.SetPump(std::move(pump));
  temporary_.InputLength = 0;
  temporary_.SetSlot(Slot::PendingArguments, static_cast<std::int32_t>(arguments_.size()));
  files_.SetRandomSeed(platform::ClockSeed());
}

bool TSortingSession::StopRunningWork() {
  const bool building = files_.busy();
  const bool searching = directories_.busy();
  if (building) files_.Abort();
  if (searching) directories_.Abort();
  return building || searching;
}

void TSortingSession::OpenPendingArgument() {
  if (temporary_.GetSlot(Slot::PendingArguments) <= 0) return;
  // Cleared first: opening lets events run, and another activation must not open it again.
  temporary_.SetSlot(Slot::PendingArguments, 0);
  OpenPath(arguments_.front());
}

void TSortingSession::RecordInListFiles(const std::string& picture) {
  std::vector<std::string>& pending = temporary_.PendingListFiles;
  std::size_t written = 0;
  try {
    for (; written < pending.size(); ++written)
      AppendLine(pending[written],
                 TFileList::ListFileLine(picture, pending[written], general_.RelativePath));
  } catch (...) {
    // Only the failing list file and those after it still wait for this picture.
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(written));
    throw;
  }
  pending.clear();
}

void TSortingSession::ShowEmpty() {
  view_.SetStatus(StatusColor::Empty);
  view_.SetCaption("Empty: " + files_.Source());
}

template <class Build>
void TSortingSession::BuildAndPresent(Build build) {
  TFileList::OpenResult result;
  {
    AbortButtonShown abort(view_);
    result = build();
    // A refused build leaves the button to the build that runs.
    if (!result.accepted) abort.Keep();
  }
  if (view_.CloseRequestedDuringBuild() || !result.accepted) return;
  if (!result.first.empty())
    PresentPicture(result.first);
  else
    ShowEmpty();
}

std::string TSortingSession::SourceToOpen(const std::string& path) {
  if (!platform::FileOrFolderExists(path)) return {};
  return ReplaceDoubledSeparators(path);
}

void TSortingSession::OfferListing(std::string source, std::unique_ptr<TFileList> listed) {
  listedSource_ = std::move(source);
  listed_ = std::move(listed);
}

void TSortingSession::OpenPath(const std::string& path) {
  view_.SetStatus(StatusColor::Default);
  std::unique_ptr<TFileList> listed = std::move(listed_);
  const std::string source = SourceToOpen(path);
  if (source.empty()) return;
  BuildAndPresent([&] {
    RecordInListFiles(files_.GetCurrent());
    if (listed && source == listedSource_) {
      if (TFileList::OpenResult taken = files_.TakeOpened(*listed); taken.accepted) return taken;
    }
    return files_.Open(source);
  });
}

void TSortingSession::PresentPicture(const std::string& path) {
  TSessionView::Loaded loaded;
  try {
    loaded = view_.LoadPicture(path);
  } catch (const std::exception&) {
    RecordInListFiles(files_.GetPreviousPath());
    throw;
  }
  if (loaded.format == PictureFormat::None) {
    // The picture left goes into its list files even so: waiting would hand them the broken
    // one at the next step.
    RecordInListFiles(files_.GetPreviousPath());
    return;
  }
  temporary_.PictureFormat = static_cast<std::int32_t>(loaded.format);

  // A list file that cannot be written is reported after the picture is fully presented.
  std::exception_ptr recordError;
  try {
    RecordInListFiles(files_.GetPreviousPath());
  } catch (const std::exception&) {
    recordError = std::current_exception();
  }
  CorrectPictureExtension(path, loaded.format,
                          {[this] { view_.SetStatus(StatusColor::IncorrectExtension); },
                           [this](const std::string& renamed) { files_.ReplaceCurrent(renamed); }});
  view_.ShowPicture(std::to_string(files_.Index() + 1) + "/" + std::to_string(files_.Count()) +
                    " " + std::to_string(loaded.width) + " * " + std::to_string(loaded.height) +
                    " " + ShortenPath(files_.GetCurrent()));
  if (recordError) std::rethrow_exception(recordError);
}

void TSortingSession::ShowNext() {
  // Each round drops a vanished entry, so the list bounds the retries.
  for (int tries = files_.Count() + 1; tries > 0; --tries) {
    const std::string path = files_.StepNext();
    if (path.empty()) {
      view_.SetStatus(StatusColor::Empty);
      if (files_.Count() == 0) ShowEmpty();
      return;
    }
    if (platform::FileExists(path)) return PresentPicture(path);
  }
}

void TSortingSession::ShowPrevious() {
  for (int tries = files_.Count() + 1; tries > 0; --tries) {
    const std::string path = files_.StepPrevious();
    if (path.empty()) {
      view_.SetStatus(StatusColor::Empty);
      return;
    }
    if (platform::FileExists(path)) return PresentPicture(path);
  }
}

void TSortingSession::MovePicture(const std::string& source, const std::string& folder) {
  const FileOperationResult r = MoveToFolder(source, folder);
  if (!r.ok) return view_.SetStatus(FailureColor(r));
  if (r.outcome == FileOutcome::Moved) {
    view_.SetStatus(StatusColor::Move);
    files_.ReplaceCurrent(r.newPath);
  } else {
    // Copied, but the source could not be removed: both are listed, the source stays current.
    view_.SetStatus(StatusColor::Error);
    files_.InsertBeforeCurrent(r.newPath);
  }
  ShowNext();
}

void TSortingSession::CopyPicture(const std::string& source, const std::string& folder) {
  const FileOperationResult r = CopyToFolder(source, folder);
  if (!r.ok) return view_.SetStatus(FailureColor(r));
  view_.SetStatus(StatusColor::Copy);
  files_.InsertBeforeCurrent(r.newPath);
}

void TSortingSession::Resume() {
  const std::string lastDirectory = temporary_.LastDirectory;
  const std::string lastFile = temporary_.LastFile;
  if (lastDirectory.empty() && lastFile.empty()) return;
  if (platform::FileExists(lastDirectory)) {
    OpenPath(lastDirectory);
    PresentPicture(files_.Locate(lastFile));
  } else if (platform::FileExists(lastFile)) {
    OpenPath(lastFile);
  } else if (platform::DirectoryExists(lastDirectory)) {
    OpenPath(lastDirectory);
  }
}

// A new order leaves the picture on screen as a new source does: it goes into its list files
// before the list changes, since afterwards the list no longer knows which picture was left.
void TSortingSession::ShowInBuildOrder() {
  BuildAndPresent([this] {
    RecordInListFiles(files_.GetCurrent());
    return files_.Reload();
  });
}

void TSortingSession::ShowAscending() {
  RecordInListFiles(files_.GetCurrent());
  PresentPicture(files_.SortAscending());
}

void TSortingSession::ShowDescending() {
  RecordInListFiles(files_.GetCurrent());
  PresentPicture(files_.SortDescending());
}

void TSortingSession::ShowShuffled() {
  RecordInListFiles(files_.GetCurrent());
  PresentPicture(files_.Shuffle());
}

std::string TSortingSession::FolderToShow(const std::string& fieldText) {
  const std::string target = fieldText.empty() ? files_.Source() : keyMap_.PathOfKey(fieldText);
  if (target.empty()) return {};
  if (platform::DirectoryExists(target)) return target;
  if (platform::FileExists(target)) return platform::ExtractFileDir(target, platform::kNativeStyle);
  return {};
}

std::vector<std::string> TSortingSession::Close(const WindowSettings& window) {
  std::vector<std::string> errors;
  const std::string current = files_.GetCurrent();
  try {
    SaveSettings(settingsPath_, general_, keys_, colors_, window, {files_.Source(), current},
                 nullptr);
  } catch (const std::exception&) {
    // Shutdown goes on whatever happened to the settings.
  }
  try {
    RecordInListFiles(current);
  } catch (const std::exception& e) {
    errors.emplace_back(e.what());
  }
  try {
    keyMap_.Save();
  } catch (const std::exception& e) {
    errors.emplace_back(e.what());
  }
  return errors;
}
