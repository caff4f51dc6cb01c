#pragma once
// The desktop's trash for the sorting session: QFile::moveToTrash, which puts a file into the
// trash of the mount it is on ($XDG_DATA_HOME/Trash on the home mount, the mount's own
// .Trash-<uid> elsewhere) and refuses, never copies, when that trash is on another mount.
#include <string>

#include "platform/Trash.h"

class TDesktopTrash : public platform::TTrash {
 public:
  bool MoveToTrash(const std::string& path, std::string& trashedPath, std::string& error) override;
};
