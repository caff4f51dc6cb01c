#pragma once
// Folder listing, existence tests and the file operations that never replace an existing file.
// Outcomes come back as values carrying errno, so callers decide what a failure means.
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Identity of a file after links, to tell whether two paths name the same file.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
// One entry of a folder listing. Symbolic links are followed: a link to a folder is a folder.
// The read-only attribute costs a stat, so it is looked up only when asked for.
class DirectoryEntry {
 public:
  // name inside the open folder dirFd, with the d_type its listing gave (DT_UNKNOWN is fine).
  // Neither the folder nor name is copied: the entry is valid while both are.
  DirectoryEntry(int dirFd, std::string_view name, unsigned char type);

  std::string_view name() const { return name_; }
  // A name beginning with "." is hidden, as on every Unix desktop.
  bool hidden() const { return !name_.empty() && name_[0] == '.'; }
  // What the entry is after links; a dangling link is neither.
  bool directory() const;
  bool regularFile() const;
  // No owner write permission.
  bool readOnly() const;
  // False when the entry cannot be looked at (a dangling link).
  bool identity(FileIdentity* id) const;

 private:
  bool Stat() const;

  int dirFd_;
  std::string_view name_;
  mutable unsigned char type_;  // a dirent d_type; DT_UNKNOWN until known
  mutable bool statDone_ = false;
  mutable bool statOk_ = false;
  mutable mode_t mode_ = 0;
  mutable FileIdentity id_;
};

// Calls visit for every entry of the folder except "." and "..", by name (ASCII letters without
// regard to case, then byte by byte), until visit returns false. Returns false when the folder
// cannot be listed.
bool ListDirectory(const std::string& folder,
                   const std::function<bool(const DirectoryEntry&)>& visit);

enum class PathKind { Missing, File, Directory, Other };
// What lies at the path after links, with one stat.
PathKind KindOf(const std::string& path);

// A regular file (after links) / a folder (after links).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);

struct FileOpResult {
  bool ok = false;
  int error = 0;  // errno when !ok
  explicit operator bool() const { return ok; }
};

// Renames from to to, failing with EEXIST when to exists, also when another program creates it
// at the same instant. EXDEV means another file system: the caller copies and deletes.
FileOpResult MoveFileNoReplace(const std::string& from, const std::string& to);

// Copies from to a new file to (EEXIST when it exists), keeping the permission bits and the
// modification time, and flushes it to disk. On any failure the partial target is removed.
FileOpResult CopyFileNoReplace(const std::string& from, const std::string& to);

// Removes the file (never a folder); error is the errno of the refusal.
FileOpResult DeleteFile(const std::string& path);

// The identity of what path names after links; false (id untouched) when it cannot be looked at.
bool GetFileIdentity(const std::string& path, FileIdentity* id);

}  // namespace platform
