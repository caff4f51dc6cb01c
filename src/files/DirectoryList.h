#pragma once
// Folder moves of the viewer (parent, first child, next and previous sibling) and the
// breadth-first search of all sub-folders of a folder, whose sorted result is kept in the list.
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Pump.h"

class TDirectoryList {
 public:
  void SetPump(platform::PumpCallback pump) { pump_ = std::move(pump); }

  // A folder's parent (a root is its own parent); a file's folder's parent; else empty.
  std::string Parent(const std::string& path) const;
  // The first sub-folder in file system order, or empty.
  std::string FirstChild(const std::string& folder) const;
  // NextSibling / PreviousSibling: the folder after / before this one among its parent's
  // sub-folders, in file system order; empty at either end and for a root. Nothing wraps around.
  std::string NextSibling(const std::string& folder) const;
  std::string PreviousSibling(const std::string& folder) const;

  // Appends the sub-folders of folder whose names do not begin with ".".
  void AddSubfolders(const std::string& folder);
  // Fills the list with root and all folders below it, sorted; false when a search is already
  // running. A root that is no folder leaves the list as it was.
  bool SearchSubfolders(const std::string& root);
  void Abort() { abortRequested_ = true; }
  bool busy() const { return busy_; }

  const std::vector<std::string>& Entries() const { return entries_; }
  int Count() const { return static_cast<int>(entries_.size()); }

  // The folder a path lies in, by text alone: "C:\photos" -> "C:\", "C:\" -> "C:\".
  static std::string ParentFolderOf(std::string_view path,
                                    platform::PathStyle style = platform::kNativeStyle);

 private:
  // AddSubfolders that also notes each new folder's identity.
  void AddSubfoldersNoting(const std::string& folder, std::vector<platform::FileIdentity>* ids);

  std::vector<std::string> entries_;
  bool busy_ = false;
  bool abortRequested_ = false;
  platform::PumpCallback pump_;
};
