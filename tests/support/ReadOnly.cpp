#include "support/ReadOnly.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

namespace {
bool SetImmutable(const std::string& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}
}  // namespace

ReadOnlyGuard::ReadOnlyGuard(std::string path) : path_(std::move(path)) {
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0) return;
  chmod(path_.c_str(), st.st_mode & ~(S_IWUSR | S_IWGRP | S_IWOTH));
  if (geteuid() == 0) {
    immutable_ = SetImmutable(path_, true);
    ok_ = immutable_;
  } else {
    ok_ = true;
  }
}

ReadOnlyGuard::~ReadOnlyGuard() {
  if (immutable_) SetImmutable(path_, false);
  struct stat st {};
  if (stat(path_.c_str(), &st) == 0) chmod(path_.c_str(), st.st_mode | S_IWUSR);
}

}  // namespace testsupport
