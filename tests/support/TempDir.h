#pragma once
// A real temporary folder for a test, removed with everything in it when the test ends.
#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder's path as the program's own UTF-8 string, with a trailing separator when asked.
  std::string str() const { return path_.string(); }
  // Path of name inside the folder.
  std::string operator/(std::string_view name) const { return (path_ / name).string(); }

  // Writes bytes to name (creating folders on the way) and returns its full path.
  std::string Write(std::string_view name, std::string_view bytes) const;
  std::string MakeDir(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// A temporary folder on another file system than the one TempDir uses (a tmpfs under
// /dev/shm), for moves across file systems. str() is empty when none could be made.
class ShmDir {
 public:
  ShmDir();
  ~ShmDir();
  ShmDir(const ShmDir&) = delete;
  ShmDir& operator=(const ShmDir&) = delete;
  const std::string& str() const { return path_; }

 private:
  std::string path_;
};

std::string ReadAll(const std::string& path);

}  // namespace testsupport
