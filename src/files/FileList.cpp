#include "files/FileList.h"

#include <limits.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <unordered_set>

#include "files/MainLib.h"
#include "platform/FileIO.h"
#include "platform/Path.h"
#include "platform/UserText.h"

namespace {

constexpr platform::PathStyle kStyle = platform::kNativeStyle;
// Directory entries, and list file lines, between two turns of the event pump.
constexpr int kPumpInterval = platform::kNamesPerPump;
// A list file is text naming paths; anything near this size is not one.
constexpr std::size_t kMaxListFileSize = 256u << 20;
// Nesting of list files deeper than this is not followed, so that no chain of list files can
// exhaust the stack.
constexpr std::size_t kMaxListDepth = 64;

// Makes a list file's "./x" and "../x" lines full paths, by the rules of the text alone.
std::string NormalizeLexically(const std::string& path) {
  std::string result = std::filesystem::path(path).lexically_normal().string();
  if (result.size() > 1 && platform::IsSeparator(result.back(), kStyle)) result.pop_back();
  return result;
}

std::string AbsoluteFolderOf(const std::string& file) {
  std::error_code ec;
  std::filesystem::path abs = std::filesystem::absolute(file, ec);
  const std::string full = ec ? file : abs.string();
  return platform::ExtractFilePath(full, kStyle);
}

std::string_view DrivePart(std::string_view path, platform::PathStyle style) {
  if (style == platform::PathStyle::Windows && path.size() >= 2 && path[1] == ':')
    return path.substr(0, 2);
  return {};
}

std::vector<std::string_view> FolderNames(std::string_view folder, platform::PathStyle style) {
  std::vector<std::string_view> names;
  folder.remove_prefix(DrivePart(folder, style).size());
  std::size_t start = 0;
  for (std::size_t i = 0; i <= folder.size(); ++i) {
    if (i < folder.size() && !platform::IsSeparator(folder[i], style)) continue;
    if (i > start) names.push_back(folder.substr(start, i - start));
    start = i + 1;
  }
  return names;
}

bool SameName(std::string_view a, std::string_view b, platform::PathStyle style) {
  if (style == platform::PathStyle::Posix) return a == b;
  return platform::LowerAscii(a) == platform::LowerAscii(b);
}

}  // namespace

struct TFileList::Build {
  std::unordered_set<std::string> known;      // entries, for the duplicate test
  std::vector<platform::FileIdentity> chain;  // list files being read, outermost first
};

TFileList::TFileList(std::string_view imageExtensions, std::string_view listExtensions)
    : imageExtensions_(platform::LowerAscii(imageExtensions)),
      listExtensions_(platform::LowerAscii(listExtensions)),
      pictureExtensions_(imageExtensions_),
      random_(platform::ClockSeed()) {}

bool TFileList::HasListedExtension(std::string_view path, std::string_view extensions) {
  if (extensions.empty()) return true;
  return platform::IsListedExtension(platform::ExtractFileExt(path, kStyle), extensions);
}

bool TFileList::IsPicture(std::string_view path) const {
  if (imageExtensions_.empty()) return true;
  return pictureExtensions_.Contains(platform::ExtractFileExt(path, kStyle));
}

TFileList::OpenResult TFileList::Open(const std::string& requested) {
  if (busy_) return {};
  busy_ = true;
  struct BusyGuard {
    bool& busy;
    ~BusyGuard() { busy = false; }
  } guard{busy_};
  index_ = -1;
  OpenResult result{true, {}};
  std::string path = requested;
  if (!path.empty() && !platform::IsAbsolutePath(path, kStyle)) {
    std::error_code ec;
    const std::filesystem::path abs = std::filesystem::absolute(path, ec);
    if (!ec) path = abs.lexically_normal().string();
  }
  if (platform::DirectoryExists(path)) {
    source_ = path;
    entries_.clear();
    announceFirst_ = static_cast<bool>(firstKnown_);
    ScanFolder(path);
    announceFirst_ = false;
  } else if (platform::FileExists(path)) {
    if (IsPicture(path)) {
      source_ = platform::ExtractFileDir(path, kStyle);
      entries_.clear();
      ScanFolder(source_);
      result.first = Locate(path);
      return result;
    }
    if (!HasListedExtension(path, listExtensions_)) return result;
    source_ = path;
    entries_.clear();
    ReadListFile(path);
  } else {
    return result;
  }
  if (!entries_.empty()) {
    index_ = 0;
    result.first = entries_[0];
  }
  return result;
}

TFileList::OpenResult TFileList::TakeOpened(TFileList& built) {
  if (busy_ || built.busy_ || built.imageExtensions_ != imageExtensions_ ||
      built.listExtensions_ != listExtensions_)
    return {};
  entries_ = std::move(built.entries_);
  index_ = built.index_;
  source_ = std::move(built.source_);
  built.entries_.clear();
  built.index_ = -1;
  built.source_.clear();
  return {true, GetCurrent()};
}

void TFileList::ScanFolder(const std::string& folder) {
  ScanInto(folder, nullptr);
}

std::string TFileList::EntryInFolder(const std::string& folder, std::string_view name) {
  return ReplaceDoubledSeparators(folder + platform::Separator(kStyle), kStyle) + std::string(name);
}

void TFileList::ScanInto(const std::string& folder, Build* build) {
  abortRequested_ = false;
  const std::string prefix = EntryInFolder(folder, {});
  bool first = true;
  int counted = 0;
  const auto wanted = [this](const platform::DirectoryEntry& e) {
    return !e.hidden() && IsPicture(e.name()) && e.regularFile();
  };
  // Told before the names are put in order, when the list is told at all.
  const platform::FirstWanted firstPicture{wanted, [&](const platform::DirectoryEntry& e) {
                                             announceFirst_ = false;
                                             firstKnown_(prefix + std::string(e.name()));
                                           }};
  platform::ListDirectory(
      prefix,
      [&](const platform::DirectoryEntry& e) {
        if (wanted(e)) {
          std::string path = prefix;
          path += e.name();
          if (build) build->known.insert(path);
          entries_.push_back(std::move(path));
          // Names come in order: the first picture is the one Open makes current.
          if (announceFirst_) {
            announceFirst_ = false;
            firstKnown_(entries_.back());
          }
        }
        if (first) {
          first = false;
          return true;
        }
        if (++counted % kPumpInterval != 0) return true;
        Pump();
        return !abortRequested_;
      },
      [this] {
        Pump();
        return !abortRequested_;
      },
      announceFirst_ ? &firstPicture : nullptr);
}

bool TFileList::ReadListFile(const std::string& listFile) {
  Build build;
  build.known.insert(entries_.begin(), entries_.end());
  return ReadInto(listFile, build);
}

bool TFileList::ReadInto(const std::string& listFile, Build& build) {
  if (!platform::FileExists(listFile)) return true;
  platform::FileIdentity id;
  if (!platform::GetFileIdentity(listFile, &id)) return true;
  // A list file naming itself, directly or through others, is not read again inside its chain.
  if (std::find(build.chain.begin(), build.chain.end(), id) != build.chain.end()) return true;
  if (build.chain.size() >= kMaxListDepth) return true;

  abortRequested_ = false;
  const platform::ReadResult read = platform::ReadWholeFile(listFile, kMaxListFileSize);
  if (read.status == platform::ReadStatus::Missing) return true;
  if (read.status != platform::ReadStatus::Ok) throw TUserError(CannotOpenFile(listFile));
  std::string_view text(read.bytes);
  text = text.substr(0, text.find('\0'));
  const std::string folder = AbsoluteFolderOf(listFile);

  build.chain.push_back(id);
  struct ChainGuard {
    std::vector<platform::FileIdentity>& chain;
    ~ChainGuard() { chain.pop_back(); }
  } chainGuard{build.chain};

  int lines = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end;
    if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
    if (++lines % kPumpInterval == 0) Pump();
    // No path the system accepts is longer than this; such lines name nothing.
    if (line.empty() || line.size() >= PATH_MAX) continue;

    std::string path;
    if (line[0] == '.') {
      path = NormalizeLexically(folder + std::string(line));
    } else if (platform::IsAbsolutePath(line, kStyle)) {
      path = line;
    } else {
      path = folder + std::string(line);
    }
    if (build.known.count(path)) continue;
    const platform::PathKind kind = platform::KindOf(path);
    if (kind == platform::PathKind::Directory) {
      ScanInto(path, &build);
    } else if (kind == platform::PathKind::File) {
      if (IsPicture(path)) {
        build.known.insert(path);
        entries_.push_back(std::move(path));
      } else if (HasListedExtension(path, listExtensions_)) {
        if (!ReadInto(path, build)) break;
      }
    }
  }
  Pump();
  return !abortRequested_;
}

std::string TFileList::GetCurrent() const {
  if (index_ < 0 || index_ >= Count()) return {};
  return entries_[static_cast<std::size_t>(index_)];
}

std::string TFileList::PeekNext() const {
  if (index_ < Count() - 1) return entries_[static_cast<std::size_t>(index_ + 1)];
  return {};
}

int TFileList::SetPosition(int i) {
  if (entries_.empty())
    index_ = -1;
  else
    index_ = std::clamp(i, 0, Count() - 1);
  return index_;
}

std::string TFileList::GoTo(int i) {
  previousPath_ = GetCurrent();
  return GoToQuietly(i);
}

std::string TFileList::GoToQuietly(int i) {
  for (;;) {
    const int p = SetPosition(i);
    if (p < 0) return {};
    const auto at = entries_.begin() + p;
    if (platform::FileExists(*at)) return *at;
    // Vanished files usually go together (a folder emptied elsewhere): drop the whole run at
    // once rather than one by one, each removal moving the rest of the list.
    auto runEnd = at + 1;
    while (runEnd != entries_.end() && !platform::FileExists(*runEnd)) ++runEnd;
    entries_.erase(at, runEnd);
  }
}

std::string TFileList::StepNext() {
  previousPath_ = GetCurrent();
  for (;;) {
    if (entries_.empty()) return {};
    std::string path = GoToQuietly(index_ + 1);
    if (path.empty() || IsPicture(path)) return path;
    const int removed = index_;
    RemoveAt(removed);
    // Step again from the entry before the removed one (none when it was the first).
    index_ = removed - 1;
  }
}

std::string TFileList::StepPrevious() {
  previousPath_ = GetCurrent();
  for (;;) {
    if (entries_.empty()) return {};
    std::string path = GoToQuietly(index_ - 1);
    if (path.empty() || IsPicture(path)) return path;
    // Drop it and step back again from the entry that followed it.
    const int removed = index_;
    RemoveAt(removed);
    SetPosition(removed);
  }
}

void TFileList::RemoveAt(int i) {
  if (i >= 0 && i < Count()) entries_.erase(entries_.begin() + i);
}

void TFileList::RemoveCurrent() {
  if (index_ < 0 || index_ >= Count()) return;
  RemoveAt(index_);
  --index_;
}

int TFileList::Find(const std::string& path) const {
  const auto it = std::find(entries_.begin(), entries_.end(), path);
  return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

int TFileList::InsertAt(int i, const std::string& path) {
  if (!platform::FileExists(path)) return -1;
  index_ = std::clamp(i, 0, Count());
  entries_.insert(entries_.begin() + index_, path);
  return index_;
}

void TFileList::ReplaceAt(int i, const std::string& path) {
  if (i >= 0 && i < Count()) entries_[static_cast<std::size_t>(i)] = path;
}

void TFileList::InsertBeforeCurrent(const std::string& path) {
  if (!platform::FileExists(path)) return;
  if (index_ < 0 || index_ > Count()) {
    // No current entry: the copy goes first and still nothing is current.
    entries_.insert(entries_.begin(), path);
    return;
  }
  entries_.insert(entries_.begin() + index_, path);
  ++index_;
}

void TFileList::ReplaceCurrent(const std::string& path) {
  if (index_ < 0 || index_ >= Count() || !platform::FileExists(path)) return;
  entries_[static_cast<std::size_t>(index_)] = path;
}

std::string TFileList::Locate(const std::string& path) {
  const auto it = std::find(entries_.begin(), entries_.end(), path);
  if (it == entries_.end()) return {};
  index_ = static_cast<int>(it - entries_.begin());
  return *it;
}

std::string TFileList::ListFileLine(std::string_view picture, std::string_view listFile,
                                    bool relative, platform::PathStyle style) {
  if (!relative) return std::string(picture);
  if (style == kStyle && !platform::IsAbsolutePath(listFile, style)) {
    // A list file bound as "keep.txt" lies in the working directory; the folders counted below
    // must be those of its full path, or the line names nothing when read back.
    const std::string full = platform::AbsolutePath(std::string(listFile));
    if (platform::IsAbsolutePath(full, style)) return ListFileLine(picture, full, relative, style);
  }
  if (!SameName(DrivePart(picture, style), DrivePart(listFile, style),
                platform::PathStyle::Windows))
    return std::string(picture);
  const std::string listFolder = platform::ExtractFilePath(listFile, style);
  const std::string pictureFolder = platform::ExtractFilePath(picture, style);
  const auto from = FolderNames(listFolder, style);
  const auto to = FolderNames(pictureFolder, style);
  std::size_t common = 0;
  while (common < from.size() && common < to.size() && SameName(from[common], to[common], style))
    ++common;
  std::string line;
  for (std::size_t i = common; i < from.size(); ++i) {
    line += "..";
    line += platform::Separator(style);
  }
  for (std::size_t i = common; i < to.size(); ++i) {
    line += to[i];
    line += platform::Separator(style);
  }
  line += platform::ExtractFileName(picture, style);
  return line;
}

std::string TFileList::Shuffle() {
  if (entries_.empty()) return {};
  const auto n = static_cast<std::uint32_t>(entries_.size());
  for (std::uint32_t k = 0; k < n; ++k) std::swap(entries_[k], entries_[random_.Below(n)]);
  index_ = 0;
  return entries_[0];
}
