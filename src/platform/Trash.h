#pragma once
// The desktop's trash, behind an interface: the toolkit that draws the window knows where the
// trash of each mount lies, and the core stays free of it.
#include <string>

namespace platform {
// The desktop's trash, provided by the window's toolkit so the core needs none.
class TTrash {
 public:
  virtual ~TTrash() = default;
  // Moves path into the trash of the mount it is on (never a copy across mounts). On success
  // returns true and sets trashedPath to where the file now is; on failure sets error.
  virtual bool MoveToTrash(const std::string& path, std::string& trashedPath,
                           std::string& error) = 0;
};
}  // namespace platform
