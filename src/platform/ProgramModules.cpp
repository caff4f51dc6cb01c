#include "platform/ProgramModules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace platform {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return {};
  std::string p(path, static_cast<std::size_t>(n));
  return p.substr(0, p.rfind('/') + 1);
}

void* OpenProgramModule(const std::string& name, const std::string& fromProgram,
                        std::string* error) {
  const std::string folder = ProgramFolder();
  for (const std::string& path : {folder + name, folder + fromProgram + name}) {
    if (void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    if (error) *error = dlerror();
  }
  return nullptr;
}

}  // namespace platform
