#pragma once
// The first picture of folders opened before, kept in a small file beside the settings file. A
// start on one of those folders decodes that picture at once, while the folder is still being
// listed: a folder of many thousands of names takes longer to list than the decode takes.
//
// An entry holds only while the folder's names are as they were when it was made (the folder's
// device, inode and time of last change are the same). Even then it is only a guess: the listing
// decides what is shown, and a wrong guess costs a decode, never a wrong picture. The file is a
// cache: unreadable or malformed lines are passed over, and it is written without a flush.
#include <cstdint>
#include <string>
#include <string_view>

struct FolderStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t seconds = 0;  // time of the last change of its names
  std::int64_t nanoseconds = 0;
  bool operator==(const FolderStamp&) const = default;
};

// False when folder names no folder.
bool StampFolder(const std::string& folder, FolderStamp* stamp);

class TFirstPictures {
 public:
  explicit TFirstPictures(std::string file) : file_(std::move(file)) {}
  // The file in the settings folder.
  static std::string PathIn(const std::string& settingsFolder);

  // What besides the names decides a folder's first picture: the picture extensions.
  static std::uint64_t Rules(std::string_view imageExtensions);

  // The name remembered as the folder's first picture while its stamp and rules are still these;
  // empty when none.
  std::string Find(const std::string& folder, const FolderStamp& stamp, std::uint64_t rules) const;
  // Remembers name as the first picture of folder under stamp and rules, ahead of the other
  // folders; the least recent beyond the kept number are dropped. A name or folder that cannot
  // stand on a line of the file is not remembered. Best effort: false when the file could not be
  // written.
  bool Remember(const std::string& folder, const FolderStamp& stamp, std::uint64_t rules,
                const std::string& name) const;

  static constexpr std::size_t kKept = 64;

 private:
  std::string file_;
};
