#include "files/DirectoryList.h"

#include <set>
#include <utility>

#include "files/MainLib.h"
#include "platform/Collator.h"
#include "platform/FileSystem.h"

namespace {

constexpr platform::PathStyle kStyle = platform::kNativeStyle;

// Only plain folders count: hidden and read-only ones are passed over, as everywhere in the
// folder moves and the search.
bool CountsAsFolder(const platform::DirectoryEntry& e) {
  return e.directory() && !e.hidden() && !e.readOnly();
}

std::string WithoutTrailingSeparators(std::string_view path, platform::PathStyle style) {
  std::string result(path);
  while (result.size() > 1 && platform::IsSeparator(result.back(), style) &&
         !platform::IsRootPath(result, style))
    result.pop_back();
  return result;
}

}  // namespace

std::string TDirectoryList::ParentFolderOf(std::string_view path, platform::PathStyle style) {
  const std::string trimmed = WithoutTrailingSeparators(path, style);
  if (platform::IsRootPath(trimmed, style)) return trimmed;
  return platform::ExtractFileDir(trimmed, style);
}

std::string TDirectoryList::Parent(const std::string& path) const {
  if (platform::DirectoryExists(path)) return ParentFolderOf(path, kStyle);
  if (platform::FileExists(path)) return ParentFolderOf(ParentFolderOf(path, kStyle), kStyle);
  return {};
}

std::string TDirectoryList::FirstChild(const std::string& folder) const {
  std::string result;
  platform::ListDirectory(folder, [&](const platform::DirectoryEntry& e) {
    if (!CountsAsFolder(e)) return true;
    result = JoinPath(folder, e.name(), kStyle);
    return false;
  });
  return result;
}

std::string TDirectoryList::NextSibling(const std::string& folder) const {
  const std::string trimmed = WithoutTrailingSeparators(folder, kStyle);
  if (platform::IsRootPath(trimmed, kStyle)) return {};
  const std::string parent = ParentFolderOf(trimmed, kStyle);
  const std::string name = platform::ExtractFileName(trimmed, kStyle);
  bool met = false;
  std::string result;
  platform::ListDirectory(parent, [&](const platform::DirectoryEntry& e) {
    if (!met) {
      met = e.name() == name && CountsAsFolder(e);
      return true;
    }
    if (!CountsAsFolder(e)) return true;
    result = JoinPath(parent, e.name(), kStyle);
    return false;
  });
  return result;
}

std::string TDirectoryList::PreviousSibling(const std::string& folder) const {
  const std::string trimmed = WithoutTrailingSeparators(folder, kStyle);
  // The root is its own parent; it has no siblings.
  if (platform::IsRootPath(trimmed, kStyle)) return {};
  const std::string parent = ParentFolderOf(trimmed, kStyle);
  const std::string name = platform::ExtractFileName(trimmed, kStyle);
  std::string candidate;
  platform::ListDirectory(parent, [&](const platform::DirectoryEntry& e) {
    if (!CountsAsFolder(e)) return true;
    if (e.name() == name) return false;
    candidate = e.name();
    return true;
  });
  return candidate.empty() ? std::string() : JoinPath(parent, candidate, kStyle);
}

void TDirectoryList::AddSubfolders(const std::string& folder) {
  AddSubfoldersNoting(folder, nullptr);
}

void TDirectoryList::AddSubfoldersNoting(const std::string& folder,
                                         std::vector<platform::FileIdentity>* ids) {
  const std::string prefix = ReplaceDoubledSeparators(folder + platform::Separator(kStyle), kStyle);
  // Only the search runs with the window answering, and only it heeds the abort button.
  const bool searching = ids != nullptr;
  platform::ListDirectory(
      prefix,
      [&](const platform::DirectoryEntry& e) {
        if (CountsAsFolder(e)) {
          std::string path = prefix;
          path += e.name();
          entries_.push_back(std::move(path));
          if (ids) {
            platform::FileIdentity id;
            e.identity(&id);
            ids->push_back(id);
          }
        }
        return true;
      },
      searching ? std::function<bool()>([this] {
        // A folder of many thousands of names on a network share takes a while to read.
        if (pump_) pump_();
        return !abortRequested_;
      })
                : std::function<bool()>());
}

bool TDirectoryList::SearchSubfolders(const std::string& root) {
  if (busy_) return false;
  abortRequested_ = false;
  busy_ = true;
  struct BusyGuard {
    bool& busy;
    ~BusyGuard() { busy = false; }
  } guard{busy_};
  if (!platform::DirectoryExists(root)) return true;
  entries_.clear();
  entries_.push_back(root);
  std::vector<platform::FileIdentity> ids(1);
  platform::GetFileIdentity(root, &ids[0]);
  // Links are followed, so a link to a folder above would make the walk endless: each folder
  // is entered once, whatever paths lead to it.
  std::set<std::pair<dev_t, ino_t>> entered;
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    if (entered.emplace(ids[i].device, ids[i].inode).second) AddSubfoldersNoting(entries_[i], &ids);
    if (pump_) pump_();
    if (abortRequested_) break;
  }
  platform::SortTexts(entries_, platform::DefaultCollator());
  return true;
}
