#pragma once
// Folder listing, existence tests and the file operations that never replace an existing file.
// Outcomes come back as values carrying errno, so callers decide what a failure means.
#include <sys/types.h>

#include <cstdint>
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

// Names read from a folder between two calls of a listing's whileReading.
inline constexpr int kNamesPerPump = 1025;

// Calls visit for every entry of the folder except "." and "..", by name (ASCII letters without
// regard to case, then byte by byte), until visit returns false. Returns false when the folder
// cannot be listed. The names are all read before the first visit; a slow folder (a network
// share) takes long for that alone, so whileReading, when given, is called after every
// kNamesPerPump names read: the window handles its events there, and returning false stops the
// reading, and only the names read so far are visited.
//
// first, when given, learns the first entry by name that its wanted accepts as soon as all the
// names are read, before they are put in order: a folder of many thousands of names takes a while
// to order, and the first one shown need not wait for that.
struct FirstWanted {
  std::function<bool(const DirectoryEntry&)> wanted;
  std::function<void(const DirectoryEntry&)> known;
};
bool ListDirectory(const std::string& folder,
                   const std::function<bool(const DirectoryEntry&)>& visit,
                   const std::function<bool()>& whileReading = {},
                   const FirstWanted* first = nullptr);

enum class PathKind { Missing, File, Directory, Other };
// What lies at the path after links, with one stat.
PathKind KindOf(const std::string& path);

// A regular file (after links) / a folder (after links).
bool FileExists(const std::string& path);
// A regular file or a folder (after links), with one stat.
bool FileOrFolderExists(const std::string& path);
bool DirectoryExists(const std::string& path);

struct FileOpResult {
  bool ok = false;
  int error = 0;  // errno when !ok
  explicit operator bool() const { return ok; }
};

// Renames from to to, failing with EEXIST when to exists, also when another program creates it
// at the same instant. EXDEV means another file system: the caller copies and deletes.
FileOpResult MoveFileNoReplace(const std::string& from, const std::string& to);

// Copies from to a new file to (EEXIST when it exists, also when another program creates it at
// the same instant), keeping the permission bits and the modification time. The copy is
// written under a hidden temporary name in to's folder, flushed to disk, checked against the
// source's size and only then given its name, and the folder is flushed after: at no moment
// does to name an incomplete file. Temporaries that an interrupted copy left in that folder
// are removed first. On any failure nothing new is left behind.
FileOpResult CopyFileNoReplace(const std::string& from, const std::string& to);
// For tests: copies stop after this many bytes, as when the source is cut short meanwhile.
void SetCopyLimitForTesting(std::uint64_t bytes);

// Removes the file (never a folder); error is the errno of the refusal.
FileOpResult DeleteFile(const std::string& path);

// The identity of what path names after links; false (id untouched) when it cannot be looked at.
bool GetFileIdentity(const std::string& path, FileIdentity* id);

// A relative path made full against the working directory, "." and ".." steps resolved by the
// text alone, without a trailing separator (except the root's). A full path comes back as it
// is; so does a relative one when the working directory cannot be found.
std::string AbsolutePath(const std::string& path);

}  // namespace platform
