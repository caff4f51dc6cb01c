#include "files/MainLib.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>

#include "platform/FileSystem.h"

using platform::PathStyle;

namespace {

constexpr std::size_t kCompareChunk = 256 * 1024;

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

[[noreturn]] void ThrowCannotOpen(const std::string& path) {
  throw std::runtime_error("ファイル " + path + " は開けません");
}

class ReadFd {
 public:
  explicit ReadFd(const std::string& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd_ < 0) ThrowCannotOpen(path);
  }
  ~ReadFd() { close(fd_); }
  ReadFd(const ReadFd&) = delete;
  ReadFd& operator=(const ReadFd&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads until the buffer is full or the file ends; short reads of a pipe or a network file
// system must not make equal files look different.
ssize_t ReadFull(int fd, char* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = read(fd, buffer + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

bool IsTaken(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string ReplaceDoubledSeparators(std::string_view path, PathStyle style) {
  std::string result;
  result.reserve(path.size());
  for (std::size_t i = 0; i < path.size(); ++i) {
    result += path[i];
    if (platform::IsSeparator(path[i], style) && i + 1 < path.size() &&
        platform::IsSeparator(path[i + 1], style))
      ++i;
  }
  return result;
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style) {
  std::string result(folder);
  if (result.empty() || !platform::IsSeparator(result.back(), style))
    result += platform::Separator(style);
  result += name;
  return result;
}

std::string ShortenPath(std::string_view path, PathStyle style) {
  const std::string t = ReplaceDoubledSeparators(path, style);
  std::size_t separators = 0;
  for (char c : t)
    if (platform::IsSeparator(c, style)) ++separators;
  if (separators <= 2) return t;
  const std::string drive =
      style == PathStyle::Windows && t.size() >= 2 && t[1] == ':' ? t.substr(0, 2) : "";
  const char sep = platform::Separator(style);
  const std::string folder = platform::ExtractFileDir(t, style);
  std::string result = drive;
  result += sep;
  result += "...";
  result += sep;
  result += platform::ExtractFileName(folder, style);
  result += sep;
  result += platform::ExtractFileName(t, style);
  return result;
}

std::string CounterText(std::int32_t n) {
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  if (n < 0) return {};
  std::string result;
  do {
    result.insert(result.begin(), kDigits[n % 36]);
    n /= 36;
  } while (n > 0);
  return result;
}

std::string NumberedStem(std::string_view base, PathStyle style) {
  const std::string name = platform::ExtractFileName(base, style);
  if (name.size() <= 3 || base.back() != ')') return std::string(base);
  std::size_t i = base.size() - 1;
  std::size_t digits = 0;
  while (i > 0 && IsAsciiAlnum(base[i - 1])) {
    --i;
    ++digits;
  }
  if (digits == 0 || i == 0 || base[i - 1] != '(') return std::string(base);
  return std::string(base.substr(0, i - 1));
}

DestinationName MakeDestinationName(const std::string& source, const std::string& folder) {
  constexpr PathStyle style = platform::kNativeStyle;
  DestinationName result;
  const std::string name = JoinPath(folder, platform::ExtractFileName(source, style), style);
  // Anything under the name takes it, also a folder: a move or copy onto it would fail. A name
  // that cannot even be looked at (too long, no access) is returned for the operation to fail.
  if (!IsTaken(name)) {
    result.path = name;
    return result;
  }
  const std::string ext = platform::ExtractFileExt(name, style);
  const std::string stem =
      NumberedStem(std::string_view(name).substr(0, name.size() - ext.size()), style);
  std::string candidate;
  for (std::int32_t i = 0;; ++i) {
    candidate = stem + "(" + CounterText(i) + ")" + ext;
    if (!IsTaken(candidate)) {
      result.path = candidate;
      return result;
    }
    if (SameContents(source, candidate)) {
      result.identicalFound = true;
      return result;
    }
    if (i == std::numeric_limits<std::int32_t>::max()) break;
  }
  result.path = candidate;
  return result;
}

bool SameContents(const std::string& a, const std::string& b) {
  if (!platform::FileExists(a) || !platform::FileExists(b)) return false;
  ReadFd fa(a);
  ReadFd fb(b);
  struct stat sa {
  }, sb{};
  if (fstat(fa.get(), &sa) != 0) ThrowCannotOpen(a);
  if (fstat(fb.get(), &sb) != 0) ThrowCannotOpen(b);
  if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
  if (sa.st_size != sb.st_size) return false;
  posix_fadvise(fa.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  posix_fadvise(fb.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
  std::unique_ptr<char[]> ba(new char[kCompareChunk]);
  std::unique_ptr<char[]> bb(new char[kCompareChunk]);
  for (;;) {
    const ssize_t na = ReadFull(fa.get(), ba.get(), kCompareChunk);
    const ssize_t nb = ReadFull(fb.get(), bb.get(), kCompareChunk);
    if (na < 0) ThrowCannotOpen(a);
    if (nb < 0) ThrowCannotOpen(b);
    if (na != nb) return false;
    if (na == 0) return true;
    if (std::memcmp(ba.get(), bb.get(), static_cast<std::size_t>(na)) != 0) return false;
  }
}

namespace {

// Steps shared by copy and move: the folder must exist and a free name must be found.
bool PrepareTarget(const std::string& source, const std::string& folder,
                   FileOperationResult& result, std::string& target) {
  if (!platform::DirectoryExists(folder)) {
    result.outcome = FileOutcome::FolderMissing;
    return false;
  }
  const DestinationName name = MakeDestinationName(source, folder);
  if (name.identicalFound) {
    result.outcome = FileOutcome::AlreadyThere;
    return false;
  }
  if (name.path.empty()) {
    result.outcome = FileOutcome::NoName;
    return false;
  }
  target = name.path;
  return true;
}

}  // namespace

std::string FreeName(const std::string& wanted,
                     const std::function<bool(const std::string&)>& alsoFree) {
  constexpr PathStyle style = platform::kNativeStyle;
  const auto free = [&](const std::string& name) {
    return !IsTaken(name) && (!alsoFree || alsoFree(name));
  };
  if (free(wanted)) return wanted;
  const std::string ext = platform::ExtractFileExt(wanted, style);
  const std::string stem =
      NumberedStem(std::string_view(wanted).substr(0, wanted.size() - ext.size()), style);
  // Far more than any folder holds: past it something refuses every name.
  for (std::int32_t i = 0; i < 1000000; ++i) {
    std::string candidate = stem + "(" + CounterText(i) + ")" + ext;
    if (free(candidate)) return candidate;
  }
  return {};
}

FileOperationResult CopyFileTo(const std::string& source, const std::string& target) {
  FileOperationResult result;
  if (!platform::CopyFileNoReplace(source, target)) {
    result.outcome = FileOutcome::CopyFailed;
    return result;
  }
  result.ok = true;
  result.newPath = target;
  result.outcome = FileOutcome::Copied;
  return result;
}

FileOperationResult CopyToFolder(const std::string& source, const std::string& folder) {
  FileOperationResult result;
  std::string target;
  if (!PrepareTarget(source, folder, result, target)) return result;
  return CopyFileTo(source, target);
}

FileOperationResult MoveToFolder(const std::string& source, const std::string& folder) {
  FileOperationResult result;
  std::string target;
  if (!PrepareTarget(source, folder, result, target)) return result;
  return MoveFileTo(source, target);
}

FileOperationResult MoveFileTo(const std::string& source, const std::string& target) {
  FileOperationResult result;
  if (!platform::MoveFileNoReplace(source, target)) {
    if (!platform::CopyFileNoReplace(source, target)) {
      result.outcome = FileOutcome::CopyFailed;
      return result;
    }
    result.outcome = platform::DeleteFile(source) ? FileOutcome::Moved : FileOutcome::SourceKept;
  }
  result.ok = true;
  result.newPath = target;
  return result;
}
