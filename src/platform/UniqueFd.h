#pragma once
// An open file descriptor that is closed when it goes out of scope.
#include <errno.h>
#include <unistd.h>

namespace platform {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() {
    if (fd_ >= 0) close(fd_);
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  int get() const { return fd_; }
  // Closes now and returns the errno close gives (0 when none): for a written file it may be
  // the first sign of a failed write.
  int Close() {
    const int rc = close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

}  // namespace platform
