#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <ctime>
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

std::uint64_t copyLimitForTesting = UINT64_MAX;

// Copies the whole contents, by copy_file_range where the kernel offers it, and counts the
// bytes that went across.
int CopyContents(int in, int out, std::uint64_t* copied) {
  bool useRange = true;
  std::vector<char> buffer;
  *copied = 0;
  for (;;) {
    const std::uint64_t left = copyLimitForTesting - *copied;
    if (left == 0) return 0;
    if (useRange) {
      const ssize_t n =
          copy_file_range(in, nullptr, out, nullptr,
                          static_cast<size_t>(std::min<std::uint64_t>(left, 1 << 30)), 0);
      if (n > 0) {
        *copied += static_cast<std::uint64_t>(n);
        continue;
      }
      if (n == 0) return 0;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
          errno != EPERM)
        return errno;
      useRange = false;
      buffer.resize(1 << 20);
    }
    const ssize_t n =
        read(in, buffer.data(), static_cast<size_t>(std::min<std::uint64_t>(left, buffer.size())));
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
    *copied += static_cast<std::uint64_t>(n);
  }
}

// Copies are written under a hidden name of this pattern beside their final name, so that no
// name the program shows ever holds half a picture.
constexpr std::string_view kTemporaryPrefix = ".sortivo-copy-";
constexpr std::string_view kTemporarySuffix = ".part";

// Seconds after its last change when a temporary that cannot be locked counts as left over.
constexpr time_t kLeftoverAge = 3600;

bool IsCopyTemporary(std::string_view name) {
  return name.size() == kTemporaryPrefix.size() + 6 + kTemporarySuffix.size() &&
         name.starts_with(kTemporaryPrefix) && name.ends_with(kTemporarySuffix);
}

// Removes what an earlier copy into the folder left when it was killed or lost its power. A
// copy under way holds a lock on its temporary, so one in another running program is spared.
void RemoveLeftoverTemporaries(const std::string& folder) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return;
  const int fd = dirfd(dir.get());
  while (const dirent* e = readdir(dir.get())) {
    if (!IsCopyTemporary(e->d_name)) continue;
    UniqueFd file(openat(fd, e->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat held {};
    if (file.get() < 0 || fstat(file.get(), &held) != 0) continue;
    if (flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) continue;
      // A file system without locks: a copy under way changes its temporary all the time.
      if (time(nullptr) - held.st_ctim.tv_sec < kLeftoverAge) continue;
    }
    // Only the file that was looked at, not one put under that name meanwhile.
    struct stat named {};
    if (fstatat(fd, e->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino)
      unlinkat(fd, e->d_name, 0);
  }
}

// The temporary a copy is written into, locked, and removed when the object goes.
class CopyTemporary {
 public:
  explicit CopyTemporary(const std::string& folder) {
    std::string pattern = folder;
    if (pattern.empty() || pattern.back() != '/') pattern += '/';
    pattern += kTemporaryPrefix;
    pattern += "XXXXXX";
    pattern += kTemporarySuffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = mkostemps(name.data(), static_cast<int>(kTemporarySuffix.size()), O_CLOEXEC);
    if (fd_ < 0) return;
    path_ = name.data();
    // Held until the copy is done, so that no other run takes it for a leftover.
    flock(fd_, LOCK_EX | LOCK_NB);
  }
  ~CopyTemporary() {
    if (!path_.empty()) unlink(path_.c_str());
    if (fd_ >= 0) close(fd_);
  }
  CopyTemporary(const CopyTemporary&) = delete;
  CopyTemporary& operator=(const CopyTemporary&) = delete;
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }
  // Once the copy has its own name; the lock holds until the object goes.
  void Remove() {
    unlink(path_.c_str());
    path_.clear();
  }

 private:
  int fd_ = -1;
  std::string path_;
};

// Gives the finished temporary its final name, never replacing a file that has it, even one
// created at the same instant. link() is the way on most file systems; those without hard
// links (FAT, exFAT) still rename without replacing.
int LinkNoReplace(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) == 0) return 0;
  if (errno != EPERM && errno != EOPNOTSUPP && errno != ENOSYS) return errno;
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  // Neither: there is no way to name the copy without risking to replace a file. The copy
  // fails rather than replace anything or show a name before its contents are whole.
  return errno == EINVAL || errno == ENOSYS ? EOPNOTSUPP : errno;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
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
                   const std::function<bool()>& whileReading, const FirstWanted* first) {
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
  const auto before = [&](const ListedName& a, const ListedName& b) {
    if (a.head != b.head) return a.head < b.head;
    return NameBefore(view(a), view(b));
  };
  if (first) {
    // Only a name before the best so far is asked about: a few, in a folder read in hash order.
    const ListedName* best = nullptr;
    for (const ListedName& n : names)
      if ((!best || before(n, *best)) && first->wanted(DirectoryEntry(fd, view(n), n.type)))
        best = &n;
    if (best) first->known(DirectoryEntry(fd, view(*best), best->type));
  }
  std::sort(names.begin(), names.end(), before);
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

bool FileOrFolderExists(const std::string& path) {
  const PathKind kind = KindOf(path);
  return kind == PathKind::File || kind == PathKind::Directory;
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
  struct stat taken {};
  // The final name is checked again when it is given; this only spares a copy made in vain.
  if (lstat(to.c_str(), &taken) == 0) return Fail(EEXIST);
  const std::string folder = FolderOf(to);
  UniqueFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return Fail(errno);
  RemoveLeftoverTemporaries(folder);

  CopyTemporary tmp(folder);
  if (tmp.fd() < 0) return Fail(errno);
  std::uint64_t copied = 0;
  int err = CopyContents(in.get(), tmp.fd(), &copied);
  // A source cut short meanwhile, or a file system that stopped early without an error: a
  // move must not delete a source whose copy lacks its end.
  if (err == 0 && copied != static_cast<std::uint64_t>(st.st_size)) err = EIO;
  if (err == 0 && fchmod(tmp.fd(), st.st_mode & 07777) != 0) err = errno;
  if (err == 0) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    if (futimens(tmp.fd(), times) != 0) err = errno;
  }
  if (err == 0 && fsync(tmp.fd()) != 0) err = errno;
  if (err == 0) err = LinkNoReplace(tmp.path(), to);
  if (err != 0) return Fail(err);
  tmp.Remove();
  // The name stays only once the folder entry is on disk too; a move deletes its source next.
  if (fsync(dir.get()) != 0 && errno != EINVAL) {
    err = errno;
    unlink(to.c_str());
    return Fail(err);
  }
  return Ok();
}

void SetCopyLimitForTesting(std::uint64_t bytes) {
  copyLimitForTesting = bytes;
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
