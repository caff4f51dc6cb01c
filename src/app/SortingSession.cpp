#include "app/SortingSession.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "app/FirstPictures.h"
#include "app/StepActions.h"
#include "files/MainLib.h"
#include "platform/ConfigFolder.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Random.h"
#include "platform/UserText.h"

namespace {

// The name of the journal file in the settings folder.
constexpr std::string_view kJournalName = "sortivo.journal";

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
          DispatchContext{*this, files_, keyMap_, directories_, keys_, general_, temporary_}),
      journal_(JoinPath(settingsFolder, kJournalName)) {
  directories_.SetPump(pump);
  files_.SetPump(std::move(pump));
  temporary_.InputLength = 0;
  temporary_.SetSlot(Slot::PendingArguments, static_cast<std::int32_t>(arguments_.size()));
  files_.SetRandomSeed(platform::ClockSeed());
  SettleUnfinishedStep();
}

void TSortingSession::SettleUnfinishedStep() {
  const std::optional<UnfinishedOp> unfinished = journal_.History().Unfinished();
  if (!unfinished) return;
  SortingStep result;
  if (SettleUnfinished(*unfinished, result))
    journal_.Done(unfinished->op, result);
  else
    journal_.Abandon(unfinished->op);
}

std::uint64_t TSortingSession::BeginStep(OpRole role, std::uint64_t stepId,
                                         const SortingStep& step) {
  TUserText error;
  const std::optional<std::uint64_t> op = journal_.Begin(role, stepId, step, error);
  if (!op) {
    view_.SetStatus(StatusColor::Error);
    throw TUserError(error);
  }
  return *op;
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
    for (; written < pending.size(); ++written) {
      const SortingStep step =
          ListLineStep(picture, pending[written],
                       TFileList::ListFileLine(picture, pending[written], general_.RelativePath),
                       files_.Find(picture));
      const std::uint64_t op = BeginStep(OpRole::New, 0, step);
      if (std::optional<TUserText> error = AppendListLine(step.picture.to, step.line)) {
        journal_.Abandon(op);
        throw TUserError(*error);
      }
      journal_.Done(op, step);
    }
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
  Present(path, true);
}

void TSortingSession::Present(const std::string& path, bool correctExtension) {
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
  if (correctExtension) {
    try {
      CorrectExtension(path, loaded.format);
    } catch (const std::exception&) {
      if (!recordError) recordError = std::current_exception();
    }
  }
  view_.ShowPicture(std::to_string(files_.Index() + 1) + "/" + std::to_string(files_.Count()) +
                    " " + std::to_string(loaded.width) + " * " + std::to_string(loaded.height) +
                    " " + ShortenPath(files_.GetCurrent()));
  if (recordError) std::rethrow_exception(recordError);
}

void TSortingSession::CorrectExtension(const std::string& path, PictureFormat format) {
  const std::string correct = CorrectionExtension(format);
  if (correct.empty() || IsAcceptedExtension(format, platform::LowerAscii(platform::ExtractFileExt(
                                                         path, platform::kNativeStyle))))
    return;
  view_.SetStatus(StatusColor::IncorrectExtension);
  // The name with the format's extension, or failing that the whole name with it appended (a
  // JPEG named a.gif beside an a.jpg becomes a.gif.jpg); never over an existing file.
  for (const std::string& target :
       {platform::ChangeFileExt(path, correct, platform::kNativeStyle), path + correct}) {
    SortingStep step;
    step.kind = StepKind::Rename;
    step.listIndex = files_.Index();
    step.picture = {path, target};
    if (platform::KindOf(target) != platform::PathKind::Missing) continue;
    NameSidecars(step, general_.SidecarExtensions, false);
    const std::uint64_t op = BeginStep(OpRole::New, 0, step);
    if (!platform::MoveFileNoReplace(path, target)) {
      journal_.Abandon(op);
      continue;
    }
    MoveSidecars(step);
    journal_.Done(op, step);
    files_.ReplaceCurrent(target);
    return;
  }
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

std::optional<SortingStep> TSortingSession::StepInto(StepKind kind, const std::string& source,
                                                     const std::string& folder) {
  const auto refuse = [this](StatusColor status) -> std::optional<SortingStep> {
    view_.SetStatus(status);
    return std::nullopt;
  };
  if (!platform::DirectoryExists(folder)) return refuse(StatusColor::Error);
  const DestinationName name = MakeDestinationName(source, folder);
  if (name.identicalFound) return refuse(StatusColor::SameFile);
  SortingStep step;
  step.kind = kind;
  step.listIndex = files_.Index();
  step.picture = {source, name.path};
  if (name.path.empty() || !NameSidecars(step, general_.SidecarExtensions, true))
    return refuse(StatusColor::Error);
  return step;
}

void TSortingSession::MovePicture(const std::string& source, const std::string& folder) {
  std::optional<SortingStep> planned = StepInto(StepKind::Move, source, folder);
  if (!planned) return;
  SortingStep& step = *planned;
  const std::uint64_t op = BeginStep(OpRole::New, 0, step);
  const FileOperationResult r = MoveFileTo(source, step.picture.to);
  if (!r.ok) {
    journal_.Abandon(op);
    return view_.SetStatus(StatusColor::Error);
  }
  if (r.outcome == FileOutcome::Moved) {
    MoveSidecars(step);
    journal_.Done(op, step);
    view_.SetStatus(StatusColor::Move);
    files_.ReplaceCurrent(r.newPath);
  } else {
    // Copied, but the source could not be removed: both are listed, the source stays current,
    // and what there is to take back is a copy.
    step.kind = StepKind::Copy;
    CopySidecars(step);
    journal_.Done(op, step);
    view_.SetStatus(StatusColor::Error);
    files_.InsertBeforeCurrent(r.newPath);
  }
  ShowNext();
}

void TSortingSession::CopyPicture(const std::string& source, const std::string& folder) {
  std::optional<SortingStep> planned = StepInto(StepKind::Copy, source, folder);
  if (!planned) return;
  SortingStep& step = *planned;
  const std::uint64_t op = BeginStep(OpRole::New, 0, step);
  const FileOperationResult r = CopyFileTo(source, step.picture.to);
  if (!r.ok) {
    journal_.Abandon(op);
    return view_.SetStatus(StatusColor::Error);
  }
  CopySidecars(step);
  journal_.Done(op, step);
  view_.SetStatus(StatusColor::Copy);
  files_.InsertBeforeCurrent(r.newPath);
}

void TSortingSession::TrashPicture() {
  const std::string current = files_.GetCurrent();
  if (current.empty() || !trash_) return view_.SetStatus(StatusColor::Error);
  SortingStep step;
  step.kind = StepKind::Trash;
  step.listIndex = files_.Index();
  step.picture = {current, std::string()};
  NameSidecars(step, general_.SidecarExtensions, false);
  for (FilePair& s : step.sidecars) s.to.clear();
  const std::uint64_t op = BeginStep(OpRole::New, 0, step);
  std::string error;
  if (!trash_->MoveToTrash(current, step.picture.to, error)) {
    journal_.Abandon(op);
    view_.SetStatus(StatusColor::Error);
    throw TUserError(TrashRefused(current, error));
  }
  for (FilePair& s : step.sidecars)
    if (!trash_->MoveToTrash(s.from, s.to, error)) s.to.clear();
  journal_.Done(op, step);
  // Whatever was chosen for it has nothing left to name.
  temporary_.PendingListFiles.clear();
  files_.RemoveCurrent();
  view_.SetStatus(StatusColor::Move);
  ShowNext();
}

void TSortingSession::ShowAgain(const std::string& was, const std::string& path, int index) {
  int i = was.empty() ? -1 : files_.Find(was);
  if (i >= 0)
    files_.ReplaceAt(i, path);
  else
    i = files_.Find(path);
  if (i < 0) i = files_.InsertAt(index < 0 ? files_.Count() : index, path);
  if (i < 0) return;
  Present(files_.GoTo(i), false);
}

void TSortingSession::UndoStep() {
  const JournalHistory::Entry* entry = journal_.History().ToUndo();
  if (!entry) return;
  const std::uint64_t id = entry->id;
  const SortingStep before = entry->step;
  SortingStep after;
  if (const Refusal refusal = PlanUndo(before, after)) {
    view_.SetStatus(StatusColor::Error);
    throw TUserError(*refusal);
  }
  const std::uint64_t op = BeginStep(OpRole::Undo, id, after);
  TUserText message;
  if (!CarryOutUndo(before, after, message)) {
    journal_.Abandon(op);
    view_.SetStatus(StatusColor::Error);
    throw TUserError(message);
  }
  journal_.Done(op, after);
  const bool renamed = after.picture.from != before.picture.from;
  switch (before.kind) {
    case StepKind::Move:
    case StepKind::Rename:
      ShowAgain(before.picture.to, after.picture.from, before.listIndex);
      break;
    case StepKind::Trash:
      ShowAgain({}, after.picture.from, before.listIndex);
      break;
    case StepKind::Copy:
      if (const int copy = files_.Find(before.picture.to); copy >= 0) {
        files_.RemoveAt(copy);
        if (copy < files_.Index()) files_.SetPosition(files_.Index() - 1);
      }
      ShowAgain({}, before.picture.from, before.listIndex);
      break;
    case StepKind::ListLine:
      ShowAgain({}, before.picture.from, before.listIndex);
      break;
  }
  view_.SetStatus(renamed ? StatusColor::IncorrectExtension : StatusColor::Default);
}

void TSortingSession::RedoStep() {
  const JournalHistory::Entry* entry = journal_.History().ToRedo();
  if (!entry) return;
  const std::uint64_t id = entry->id;
  const SortingStep before = entry->step;
  SortingStep after;
  if (const Refusal refusal = PlanRedo(before, after)) {
    view_.SetStatus(StatusColor::Error);
    throw TUserError(*refusal);
  }
  if (before.kind == StepKind::Trash && !trash_) return view_.SetStatus(StatusColor::Error);
  const std::uint64_t op = BeginStep(OpRole::Redo, id, after);
  TUserText message;
  if (!CarryOutRedo(before, after, trash_, message)) {
    journal_.Abandon(op);
    view_.SetStatus(StatusColor::Error);
    throw TUserError(message);
  }
  journal_.Done(op, after);
  const int i = files_.Find(before.picture.from);
  switch (before.kind) {
    case StepKind::Move:
    case StepKind::Trash:
      // As the step itself did: the picture goes and the next one is shown.
      if (i >= 0) {
        files_.SetPosition(i);
        if (before.kind == StepKind::Trash)
          files_.RemoveCurrent();
        else if (after.kind == StepKind::Copy)
          files_.InsertBeforeCurrent(after.picture.to);
        else
          files_.ReplaceCurrent(after.picture.to);
      }
      // A move that could only copy shows it as the step itself did.
      view_.SetStatus(after.kind == StepKind::Copy ? StatusColor::Error : StatusColor::Move);
      ShowNext();
      return;
    case StepKind::Rename:
      ShowAgain(before.picture.from, after.picture.to, before.listIndex);
      view_.SetStatus(StatusColor::IncorrectExtension);
      return;
    case StepKind::Copy:
      ShowAgain({}, before.picture.from, before.listIndex);
      files_.InsertBeforeCurrent(after.picture.to);
      view_.SetStatus(StatusColor::Copy);
      return;
    case StepKind::ListLine:
      ShowAgain({}, before.picture.from, before.listIndex);
      return;
  }
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

void TSortingSession::RememberFirstPicture() const {
  FolderStamp stamp;
  const std::string& source = files_.Source();
  if (source.empty() || !StampFolder(source, &stamp)) return;
  const std::string folder = platform::AbsolutePath(source);
  // Pictures moved away have left the list; one gone behind its back is passed over.
  for (int i = 0; i < std::min(files_.Count(), 64); ++i) {
    const std::string& entry = files_.Entry(i);
    if (!platform::FileExists(entry)) continue;
    if (platform::AbsolutePath(platform::ExtractFileDir(entry, platform::kNativeStyle)) == folder)
      TFirstPictures(TFirstPictures::PathIn(settingsFolder_))
          .Remember(source, stamp, TFirstPictures::Rules(general_.ImageExtensions),
                    platform::ExtractFileName(entry, platform::kNativeStyle));
    return;
  }
}

std::vector<TUserText> TSortingSession::Close(const WindowSettings& window) {
  std::vector<TUserText> errors;
  const std::string current = files_.GetCurrent();
  RememberFirstPicture();
  try {
    SaveSettings(settingsPath_, general_, keys_, colors_, window, {files_.Source(), current},
                 nullptr);
  } catch (const std::exception&) {
    // Shutdown goes on whatever happened to the settings.
  }
  try {
    RecordInListFiles(current);
  } catch (const TUserError& e) {
    errors.push_back(e.Text());
  } catch (const std::exception& e) {
    errors.push_back(VerbatimText(e.what()));
  }
  try {
    keyMap_.Save();
  } catch (const std::exception& e) {
    errors.push_back(VerbatimText(e.what()));
  }
  return errors;
}
