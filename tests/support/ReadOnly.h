#pragma once
// Making a folder or file refuse writes, also when the tests run as root (as CI does): root
// ignores permission bits, so as root the immutable attribute is set as well. ReadOnlyGuard
// undoes it when it goes out of scope, so the temporary folder can be removed.
#include <string>

namespace testsupport {

class ReadOnlyGuard {
 public:
  explicit ReadOnlyGuard(std::string path);
  ~ReadOnlyGuard();
  ReadOnlyGuard(const ReadOnlyGuard&) = delete;
  ReadOnlyGuard& operator=(const ReadOnlyGuard&) = delete;
  // False when the path could not be made read-only here (root on a file system without the
  // immutable attribute, such as tmpfs): the test should skip.
  bool ok() const { return ok_; }

 private:
  std::string path_;
  bool ok_ = false;
  bool immutable_ = false;
};

}  // namespace testsupport
