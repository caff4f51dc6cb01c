#include "app/StepActions.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

#include "files/MainLib.h"
#include "files/Sidecars.h"
#include "platform/FileIO.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/UniqueFd.h"

namespace {

// List files are the user's and may be long; a list beyond this is not rewritten.
constexpr std::size_t kListFileLimit = std::size_t{1} << 30;

bool Exists(const std::string& path) {
  return platform::FileExists(path);
}

TUserText Say(const char* source, std::vector<std::string> parts) {
  return {"TSortingSession", source, std::move(parts)};
}

Refusal Gone(const std::string& path) {
  return Say(UiText("TSortingSession", "ファイル %1 が見つからないので元に戻せません"), {path});
}

Refusal GoneForRedo(const std::string& path) {
  return Say(UiText("TSortingSession", "ファイル %1 が見つからないのでやり直せません"), {path});
}

// Whether the two files hold the same bytes; a file that cannot be read counts as changed.
bool Identical(const std::string& a, const std::string& b) {
  try {
    return SameContents(a, b);
  } catch (const std::exception&) {
    return false;
  }
}

// A name for the picture at wanted or a numbered one, with every sidecar's matching name free
// too, so that a sidecar never needs a name of its own.
std::string FreeNameWithSidecars(const std::string& wanted, const std::vector<FilePair>& sidecars,
                                 bool sidecarsFrom, const std::string& picture) {
  return FreeName(wanted, [&](const std::string& candidate) {
    for (const FilePair& s : sidecars) {
      const std::string name = SidecarNameFor(sidecarsFrom ? s.from : s.to, picture, candidate);
      struct stat st {};
      if (name.empty() || lstat(name.c_str(), &st) == 0) return false;
    }
    return true;
  });
}

// The list file's size and whether it ends with line and its CR LF.
bool EndsWithLine(const std::string& list, const std::string& line, std::uint64_t& size) {
  platform::UniqueFd fd(::open(list.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  const std::string want = line + "\r\n";
  if (size < want.size()) return false;
  std::string tail(want.size(), '\0');
  const ssize_t n =
      pread(fd.get(), tail.data(), tail.size(), static_cast<off_t>(size - want.size()));
  return n == static_cast<ssize_t>(tail.size()) && tail == want;
}

// The bytes of the list file from offset on, at most count of them.
std::string ReadAt(const std::string& list, std::uint64_t offset, std::size_t count) {
  platform::UniqueFd fd(::open(list.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return {};
  std::string bytes(count, '\0');
  const ssize_t n = pread(fd.get(), bytes.data(), count, static_cast<off_t>(offset));
  bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return bytes;
}

std::uint64_t SizeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Moves what can follow; a pair that cannot keeps its file where it was.
void MovePairs(std::vector<FilePair>& pairs, bool forward) {
  for (FilePair& s : pairs) {
    const std::string& from = forward ? s.from : s.to;
    const std::string& to = forward ? s.to : s.from;
    if (!Exists(from) || to.empty()) continue;
    MoveFileTo(from, to);
  }
}

void RemoveInfoFile(const std::string& trashed) {
  const std::string info = TrashInfoFile(trashed);
  if (!info.empty()) platform::DeleteFile(info);
}

// A move cut short: done when only the target is there, not done when only the source is. Both
// there and alike: the copy across file systems was whole and only the source's removal is left.
bool SettleMove(const std::string& from, const std::string& to) {
  const bool source = Exists(from);
  const bool target = Exists(to);
  if (target && !source) return true;
  if (target && source && Identical(from, to)) return platform::DeleteFile(from).ok;
  return false;
}

}  // namespace

std::optional<TUserText> AppendListLine(const std::string& listFile, const std::string& line) {
  const int fd = ::open(listFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return CannotWriteFile(listFile, std::strerror(errno));
  int error = platform::WriteAll(fd, line + "\r\n");
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) return CannotWriteFile(listFile, std::strerror(error));
  return std::nullopt;
}

std::string TrashInfoFile(const std::string& trashed) {
  const std::string folder = platform::ExtractFileDir(trashed, platform::kNativeStyle);
  if (platform::ExtractFileName(folder, platform::kNativeStyle) != "files") return {};
  const std::string trash = platform::ExtractFileDir(folder, platform::kNativeStyle);
  return JoinPath(JoinPath(trash, "info"),
                  platform::ExtractFileName(trashed, platform::kNativeStyle) + ".trashinfo");
}

bool NameSidecars(SortingStep& step, std::string_view extensions, bool renumber) {
  step.sidecars.clear();
  for (std::string& s : FindSidecars(step.picture.from, extensions))
    step.sidecars.push_back({std::move(s), std::string()});
  const auto nameAll = [&] {
    for (FilePair& s : step.sidecars)
      s.to = SidecarNameFor(s.from, step.picture.from, step.picture.to);
  };
  nameAll();
  const auto taken = [](const FilePair& s) {
    struct stat st {};
    return s.to.empty() || s.to == s.from || lstat(s.to.c_str(), &st) == 0;
  };
  if (std::none_of(step.sidecars.begin(), step.sidecars.end(), taken)) return true;
  if (!renumber) {
    std::erase_if(step.sidecars, taken);
    return true;
  }
  step.picture.to = FreeNameWithSidecars(step.picture.to, step.sidecars, true, step.picture.from);
  if (step.picture.to.empty()) return false;
  nameAll();
  return true;
}

SortingStep ListLineStep(const std::string& picture, const std::string& listFile,
                         const std::string& line, int listIndex) {
  SortingStep step;
  step.kind = StepKind::ListLine;
  step.listIndex = listIndex;
  step.picture = {picture, listFile};
  step.line = line;
  step.listSize = SizeOf(listFile);
  return step;
}

void MoveSidecars(SortingStep& step) {
  std::erase_if(step.sidecars, [](const FilePair& s) { return !MoveFileTo(s.from, s.to).ok; });
}

void CopySidecars(SortingStep& step) {
  std::erase_if(step.sidecars, [](const FilePair& s) { return !CopyFileTo(s.from, s.to).ok; });
}

Refusal PlanUndo(const SortingStep& step, SortingStep& after) {
  after = step;
  const std::string& from = step.picture.from;
  const std::string& to = step.picture.to;
  switch (step.kind) {
    case StepKind::Move:
    case StepKind::Rename:
    case StepKind::Trash: {
      if (to.empty())
        return Say(UiText("TSortingSession",
                          "ファイル %1 はごみ箱の中の場所が分からないので元に戻せません"),
                   {from});
      if (!Exists(to)) return Gone(to);
      after.picture.from = FreeNameWithSidecars(from, step.sidecars, true, from);
      if (after.picture.from.empty())
        return Say(UiText("TSortingSession", "ファイル %1 に戻せません"), {from});
      for (FilePair& s : after.sidecars) s.from = SidecarNameFor(s.from, from, after.picture.from);
      return {};
    }
    case StepKind::Copy:
      if (!Exists(to)) return Gone(to);
      if (!Exists(from)) return Gone(from);
      if (!Identical(from, to))
        return Say(UiText("TSortingSession", "ファイル %1 は変更されているので元に戻せません"),
                   {to});
      return {};
    case StepKind::ListLine: {
      std::uint64_t size = 0;
      if (!Exists(to)) return Gone(to);
      if (!EndsWithLine(to, step.line, size))
        return Say(
            UiText("TSortingSession", "ファイル %1 の最後の行が変わっているので元に戻せません"),
            {to});
      after.listSize = size - ListLineBytes(step.line);
      return {};
    }
  }
  return {};
}

Refusal PlanRedo(const SortingStep& step, SortingStep& after) {
  after = step;
  const std::string& from = step.picture.from;
  const std::string& to = step.picture.to;
  switch (step.kind) {
    case StepKind::Move:
    case StepKind::Rename:
    case StepKind::Copy: {
      if (!Exists(from)) return GoneForRedo(from);
      after.picture.to = FreeNameWithSidecars(to, step.sidecars, false, to);
      if (after.picture.to.empty())
        return Say(UiText("TSortingSession", "ファイル %1 は作れません"), {to});
      for (FilePair& s : after.sidecars) s.to = SidecarNameFor(s.to, to, after.picture.to);
      return {};
    }
    case StepKind::Trash:
      if (!Exists(from)) return GoneForRedo(from);
      after.picture.to.clear();
      for (FilePair& s : after.sidecars) s.to.clear();
      return {};
    case StepKind::ListLine:
      after.listSize = SizeOf(to);
      return {};
  }
  return {};
}

bool CarryOutUndo(const SortingStep& before, SortingStep& after, TUserText& message) {
  switch (before.kind) {
    case StepKind::Move:
    case StepKind::Rename:
    case StepKind::Trash:
      if (!MoveFileTo(before.picture.to, after.picture.from).ok) {
        message = Say(UiText("TSortingSession", "ファイル %1 を %2 に戻せません"),
                      {before.picture.to, after.picture.from});
        return false;
      }
      MovePairs(after.sidecars, false);
      if (before.kind == StepKind::Trash) {
        RemoveInfoFile(before.picture.to);
        for (const FilePair& s : before.sidecars)
          if (!s.to.empty() && !Exists(s.to)) RemoveInfoFile(s.to);
      }
      return true;
    case StepKind::Copy:
      if (!platform::DeleteFile(before.picture.to)) {
        message =
            Say(UiText("TSortingSession", "ファイル %1 を削除できません"), {before.picture.to});
        return false;
      }
      for (const FilePair& s : before.sidecars)
        if (Identical(s.from, s.to)) platform::DeleteFile(s.to);
      return true;
    case StepKind::ListLine: {
      const std::string& list = before.picture.to;
      const platform::ReadResult read = platform::ReadWholeFile(list, kListFileLimit);
      const std::string tail = before.line + "\r\n";
      if (read.status != platform::ReadStatus::Ok || read.bytes.size() < tail.size() ||
          read.bytes.compare(read.bytes.size() - tail.size(), tail.size(), tail) != 0) {
        message =
            Say(UiText("TSortingSession", "ファイル %1 の最後の行が変わっているので元に戻せません"),
                {list});
        return false;
      }
      std::string error;
      if (!platform::WriteFileAtomically(
              list, std::string_view(read.bytes).substr(0, read.bytes.size() - tail.size()),
              &error)) {
        message = VerbatimText(error);
        return false;
      }
      return true;
    }
  }
  return false;
}

bool CarryOutRedo(const SortingStep& before, SortingStep& after, platform::TTrash* trash,
                  TUserText& message) {
  switch (before.kind) {
    case StepKind::Move:
    case StepKind::Rename: {
      const FileOperationResult r = MoveFileTo(before.picture.from, after.picture.to);
      if (!r.ok) {
        message =
            Say(UiText("TSortingSession", "ファイル %1 に移動できません"), {after.picture.to});
        return false;
      }
      // Copied across file systems and the source kept: what is left to take back is a copy.
      if (r.outcome == FileOutcome::SourceKept) after.kind = StepKind::Copy;
      MovePairs(after.sidecars, true);
      return true;
    }
    case StepKind::Copy:
      if (!CopyFileTo(before.picture.from, after.picture.to).ok) {
        message =
            Say(UiText("TSortingSession", "ファイル %1 にコピーできません"), {after.picture.to});
        return false;
      }
      CopySidecars(after);
      return true;
    case StepKind::Trash: {
      std::string error;
      if (!trash || !trash->MoveToTrash(before.picture.from, after.picture.to, error)) {
        message = TrashRefused(before.picture.from, error);
        return false;
      }
      for (FilePair& s : after.sidecars)
        if (!Exists(s.from) || !trash->MoveToTrash(s.from, s.to, error)) s.to.clear();
      return true;
    }
    case StepKind::ListLine:
      if (std::optional<TUserText> error = AppendListLine(before.picture.to, before.line)) {
        message = *error;
        return false;
      }
      return true;
  }
  return false;
}

bool SettleUnfinished(const UnfinishedOp& op, SortingStep& result) {
  const SortingStep& a = op.after;
  const bool undo = op.role == OpRole::Undo;
  bool done = false;
  switch (a.kind) {
    case StepKind::Move:
    case StepKind::Rename:
      done = undo ? SettleMove(a.picture.to, a.picture.from)
                  : SettleMove(a.picture.from, a.picture.to);
      result = done ? a : op.before;
      if (done) {
        MovePairs(result.sidecars, !undo);
      } else {
        // The sidecars follow the picture, so a picture not moved had none moved either; one
        // moved all the same goes back.
        SortingStep back = a;
        MovePairs(back.sidecars, undo);
      }
      return done;
    case StepKind::Trash:
      if (undo) {
        done = SettleMove(a.picture.to, a.picture.from);
        result = done ? a : op.before;
        if (done) {
          MovePairs(result.sidecars, false);
          RemoveInfoFile(a.picture.to);
          for (const FilePair& s : a.sidecars)
            if (!s.to.empty() && !Exists(s.to)) RemoveInfoFile(s.to);
        }
        return done;
      }
      // Where the trash put the file is written only once it is done; gone from its place, it
      // went to the trash, but cannot be brought back from there.
      done = !Exists(a.picture.from);
      result = a;
      result.picture.to.clear();
      std::erase_if(result.sidecars, [](const FilePair& s) { return Exists(s.from); });
      for (FilePair& s : result.sidecars) s.to.clear();
      return done;
    case StepKind::Copy:
      done = Exists(a.picture.to) != undo;
      result = done ? a : op.before;
      if (done && !undo) {
        for (const FilePair& s : result.sidecars)
          if (Exists(s.from) && !Exists(s.to)) CopyFileTo(s.from, s.to);
      } else if (done) {
        for (const FilePair& s : result.sidecars)
          if (Identical(s.from, s.to)) platform::DeleteFile(s.to);
      }
      return done;
    case StepKind::ListLine: {
      const std::string& list = a.picture.to;
      const std::uint64_t bytes = ListLineBytes(a.line);
      const std::uint64_t size = SizeOf(list);
      if (undo) {
        // The list was rewritten in one piece: its old length or its new one.
        done = Exists(list) && size == a.listSize;
      } else {
        const std::string written = ReadAt(list, a.listSize, static_cast<std::size_t>(bytes));
        const std::string whole = a.line + "\r\n";
        done = written == whole;
        // Half a line at the end: the list goes back to its whole lines.
        if (!done && size > a.listSize && size < a.listSize + bytes &&
            whole.compare(0, written.size(), written) == 0)
          truncate(list.c_str(), static_cast<off_t>(a.listSize));
      }
      result = done ? a : op.before;
      return done;
    }
  }
  return false;
}

TUserText TrashRefused(const std::string& path, const std::string& reason) {
  if (reason.empty())
    return Say(UiText("TSortingSession", "ファイル %1 はごみ箱に移せません"), {path});
  return Say(UiText("TSortingSession", "ファイル %1 はごみ箱に移せません: %2"), {path, reason});
}
