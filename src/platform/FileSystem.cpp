#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/UniqueFd.h"

namespace platform {

namespace {

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

// Neither folder nor regular file (a device, a socket, a dangling link).
constexpr unsigned char kOtherType = 255;

unsigned char TypeFromMode(mode_t mode) {
  if (S_ISDIR(mode)) return DT_DIR;
  if (S_ISREG(mode)) return DT_REG;
  return kOtherType;
}

FileOpResult Ok() {
  return {true, 0};
}
FileOpResult Fail(int err) {
  return {false, err == 0 ? EIO : err};
}

// Copies the whole contents, by copy_file_range where the kernel offers it.
int CopyContents(int in, int out) {
  bool useRange = true;
  std::vector<char> buffer;
  for (;;) {
    if (useRange) {
      const ssize_t n = copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
      if (n > 0) continue;
      if (n == 0) return 0;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
          errno != EPERM)
        return errno;
      useRange = false;
      buffer.resize(1 << 20);
    }
    const ssize_t n = read(in, buffer.data(), buffer.size());
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(out, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
}

}  // namespace

DirectoryEntry::DirectoryEntry(int dirFd, std::string_view name, unsigned char type)
    : dirFd_(dirFd),
      name_(name),
      type_(type == DT_LNK ? static_cast<unsigned char>(DT_UNKNOWN) : type) {}

bool DirectoryEntry::Stat() const {
  if (!statDone_) {
    statDone_ = true;
    struct stat st {};
    const std::string name(name_);
    statOk_ = fstatat(dirFd_, name.c_str(), &st, 0) == 0;
    if (statOk_) {
      mode_ = st.st_mode;
      id_ = {st.st_dev, st.st_ino};
      type_ = TypeFromMode(st.st_mode);
    } else {
      type_ = kOtherType;  // a dangling link counts as nothing
    }
  }
  return statOk_;
}

bool DirectoryEntry::directory() const {
  if (type_ == DT_UNKNOWN) Stat();
  return type_ == DT_DIR;
}

bool DirectoryEntry::regularFile() const {
  if (type_ == DT_UNKNOWN) Stat();
  return type_ == DT_REG;
}

bool DirectoryEntry::readOnly() const {
  return Stat() && (mode_ & S_IWUSR) == 0;
}

bool DirectoryEntry::identity(FileIdentity* id) const {
  if (!Stat()) return false;
  *id = id_;
  return true;
}

namespace {

// The order folders are listed in: by name, ASCII letters without regard to case, other bytes
// as they are (so UTF-8 names go by code point); names differing only in case byte by byte.
unsigned char Folded(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 32) : u;
}

// A name read from the folder: its first eight folded bytes as one number, which settles most
// comparisons at once, and where the whole name lies in the listing's text.
struct ListedName {
  std::uint64_t head = 0;
  std::uint32_t offset = 0, size = 0;
  unsigned char type = DT_UNKNOWN;
};

std::uint64_t FoldedHead(std::string_view name) {
  std::uint64_t head = 0;
  for (std::size_t i = 0; i < 8; ++i)
    head = head << 8 | (i < name.size() ? Folded(name[i]) : 0);  // no name holds a zero byte
  return head;
}

bool NameBefore(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char fa = Folded(a[i]), fb = Folded(b[i]);
    if (fa != fb) return fa < fb;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

}  // namespace

bool ListDirectory(const std::string& folder,
                   const std::function<bool(const DirectoryEntry&)>& visit,
                   const std::function<bool()>& whileReading) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return false;
  const int fd = dirfd(dir.get());
  // Read whole, then handed out by name: a Linux file system returns its entries in the order
  // of a hash, and a folder of IMG_0001 to IMG_2000 would come up shuffled.
  std::string text;
  std::vector<ListedName> names;
  while (const dirent* e = readdir(dir.get())) {
    const std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    names.push_back({FoldedHead(name), static_cast<std::uint32_t>(text.size()),
                     static_cast<std::uint32_t>(name.size()), e->d_type});
    text.append(name);
    if (whileReading && names.size() % kNamesPerPump == 0 && !whileReading()) break;
  }
  const auto view = [&](const ListedName& n) {
    return std::string_view(text).substr(n.offset, n.size);
  };
  std::sort(names.begin(), names.end(), [&](const ListedName& a, const ListedName& b) {
    if (a.head != b.head) return a.head < b.head;
    return NameBefore(view(a), view(b));
  });
  for (const ListedName& n : names)
    if (!visit(DirectoryEntry(fd, view(n), n.type))) break;
  return true;
}

PathKind KindOf(const std::string& path) {
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return PathKind::Missing;
  if (S_ISREG(st.st_mode)) return PathKind::File;
  if (S_ISDIR(st.st_mode)) return PathKind::Directory;
  return PathKind::Other;
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileOpResult MoveFileNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Ok();
  if (errno != EINVAL && errno != ENOSYS) return Fail(errno);
  // File systems without RENAME_NOREPLACE: link() refuses an existing target just the same.
  if (link(from.c_str(), to.c_str()) != 0) return Fail(errno);
  if (unlink(from.c_str()) != 0) {
    const int err = errno;
    unlink(to.c_str());
    return Fail(err);
  }
  return Ok();
}

FileOpResult CopyFileNoReplace(const std::string& from, const std::string& to) {
  UniqueFd in(open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) return Fail(errno);
  struct stat st {};
  if (fstat(in.get(), &st) != 0) return Fail(errno);
  if (!S_ISREG(st.st_mode)) return Fail(EINVAL);
  UniqueFd out(open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777));
  if (out.get() < 0) return Fail(errno);
  int err = CopyContents(in.get(), out.get());
  if (err == 0 && fchmod(out.get(), st.st_mode & 07777) != 0) err = errno;
  if (err == 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(out.get(), times) != 0) err = errno;
  }
  if (err == 0 && fsync(out.get()) != 0) err = errno;
  const int closeErr = out.Close();
  if (err == 0) err = closeErr;
  if (err != 0) {
    unlink(to.c_str());
    return Fail(err);
  }
  return Ok();
}

FileOpResult DeleteFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) return Fail(errno);
  return Ok();
}

bool GetFileIdentity(const std::string& path, FileIdentity* id) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  *id = {st.st_dev, st.st_ino};
  return true;
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (ec) return path;
  std::string result = full.lexically_normal().string();
  while (result.size() > 1 && result.back() == '/') result.pop_back();
  return result;
}

}  // namespace platform
