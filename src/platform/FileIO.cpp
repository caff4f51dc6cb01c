#include "platform/FileIO.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "platform/UniqueFd.h"

namespace platform {

namespace {

std::string ErrorText(const std::string& path, int error) {
  return path + ": " + strerror(error);
}

// The process's file mode mask, read without setting it: umask() sets it, and another thread
// creating a file in that moment would get no mask at all.
mode_t CurrentUmask() {
  const ReadResult status = ReadWholeFile("/proc/self/status", 1 << 16);
  const std::string_view text(status.bytes);
  const std::size_t at = text.find("\nUmask:");
  if (status.status != ReadStatus::Ok || at == std::string_view::npos) return 022;
  return static_cast<mode_t>(strtoul(status.bytes.c_str() + at + 7, nullptr, 8) & 0777);
}

}  // namespace

int WriteAll(int fd, std::string_view bytes, std::size_t* written) {
  std::size_t done = 0;
  int error = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  if (written) *written = done;
  return error;
}

ReadResult ReadWholeFile(const std::string& path, std::size_t limit) {
  return ReadWholeFile(path, limit, 0, {});
}

namespace {

// Read straight into the result's buffer, the rest of a file of known size in one go.
template <class Result>
Result ReadWhole(const std::string& path, std::size_t limit, std::size_t headBytes,
                 const HeadCheck& check) {
  Result result;
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    result.status = errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
    result.error = ErrorText(path, errno);
    return result;
  }
  struct stat st {};
  if (fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    result.status = ReadStatus::Failed;
    result.error = ErrorText(path, S_ISDIR(st.st_mode) ? EISDIR : errno);
    return result;
  }
  if (S_ISREG(st.st_mode) && static_cast<unsigned long long>(st.st_size) > limit) {
    result.status = ReadStatus::TooLarge;
    result.error = path + ": file too large";
    return result;
  }
  const std::size_t size = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) : 0;
  constexpr std::size_t kProbe = 4096;
  auto& bytes = result.bytes;
  std::size_t have = 0;
  bool headChecked = !check;
  if (headChecked) bytes.reserve(size);
  for (;;) {
    // The head is read on its own, so that a file not wanted is not read any further. Past the
    // size the file had, a small read tells whether it grew (or had no size to tell, as a pipe):
    // the buffer is not grown for it.
    const bool pastSize = headChecked && have >= size;
    const std::size_t want = !headChecked ? headBytes - have : pastSize ? kProbe : size - have;
    ssize_t n = 0;
    if (pastSize) {
      char probe[kProbe];
      n = read(fd.get(), probe, sizeof probe);
      if (n > 0 && have + static_cast<std::size_t>(n) <= limit)
        bytes.insert(bytes.end(), probe, probe + n);
    } else if (want > 0) {
      bytes.resize(have + want);
      n = read(fd.get(), bytes.data() + have, want);
      bytes.resize(have + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
    }
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      result = Result{};
      result.status = ReadStatus::Failed;
      result.error = ErrorText(path, error);
      return result;
    }
    have += static_cast<std::size_t>(n);
    if (have > limit) {
      result = Result{};
      result.status = ReadStatus::TooLarge;
      result.error = path + ": file too large";
      return result;
    }
    if (!headChecked && (n == 0 || have >= headBytes)) {
      headChecked = true;
      const std::string_view head(reinterpret_cast<const char*>(bytes.data()), have);
      if (!check(head, std::max<std::uint64_t>(size, have))) break;
      if (n == 0 && want != 0) break;
      bytes.reserve(size);
      continue;
    }
    if (n == 0) break;
  }
  result.status = ReadStatus::Ok;
  return result;
}

}  // namespace

ReadResult ReadWholeFile(const std::string& path, std::size_t limit, std::size_t headBytes,
                         const HeadCheck& check) {
  return ReadWhole<ReadResult>(path, limit, headBytes, check);
}

ReadBytesResult ReadWholeFileBytes(const std::string& path, std::size_t limit,
                                   std::size_t headBytes, const HeadCheck& check) {
  return ReadWhole<ReadBytesResult>(path, limit, headBytes, check);
}

namespace {

// The file a chain of symbolic links ends at, which need not exist yet (a dangling link is
// written through, as an editor would). A path that is no link comes back as it is.
bool FollowLinks(const std::string& path, std::string* target, int* error) {
  std::string current = path;
  // The kernel's own limit on links followed in one lookup.
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = current;
      return true;
    }
    std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = readlink(current.c_str(), buffer.data(), buffer.size());
    if (n < 0 || static_cast<std::size_t>(n) >= buffer.size()) {
      *error = n < 0 ? errno : ENAMETOOLONG;
      return false;
    }
    std::string next(buffer.data(), static_cast<std::size_t>(n));
    if (next.empty() || next[0] != '/') {
      const std::size_t slash = current.rfind('/');
      if (slash != std::string::npos) next = current.substr(0, slash + 1) + next;
    }
    current = std::move(next);
  }
  *error = ELOOP;
  return false;
}

}  // namespace

bool WriteFileAtomically(const std::string& linkPath, std::string_view bytes, std::string* err,
                         Flush flush) {
  auto fail = [&](int error, const std::string& tmp) {
    if (!tmp.empty()) unlink(tmp.c_str());
    if (err) *err = ErrorText(linkPath, error);
    return false;
  };
  // Renaming over a link would replace the link by a plain file and leave its target stale: the
  // new file goes beside the target instead.
  std::string path;
  if (int error = 0; !FollowLinks(linkPath, &path, &error)) return fail(error, {});
  // Same folder as the target, so the rename stays on one file system.
  std::string tmpl = path + ".XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  UniqueFd fd(mkstemp(name.data()));
  if (fd.get() < 0) return fail(errno, {});
  const std::string tmp(name.data());

  mode_t mode = 0644;
  struct stat st {};
  if (stat(path.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode = 0666 & ~CurrentUmask();
  }
  if (fchmod(fd.get(), mode) != 0) return fail(errno, tmp);
  if (const int error = WriteAll(fd.get(), bytes)) return fail(error, tmp);
  if (flush == Flush::ToDisk && fsync(fd.get()) != 0) return fail(errno, tmp);
  if (const int error = fd.Close()) return fail(error, tmp);
  if (rename(tmp.c_str(), path.c_str()) != 0) return fail(errno, tmp);
  return true;
}

}  // namespace platform
