#include "platform/ConfigFolder.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/FileSystem.h"

namespace platform {

namespace {

std::string Env(const char* name) {
  const char* value = getenv(name);
  return value ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return {};
}

bool IsWritableFolder(const std::string& folder) {
  std::error_code ec;
  return !folder.empty() && std::filesystem::is_directory(folder, ec) &&
         access(folder.c_str(), W_OK) == 0;
}

// A writable folder is not enough: as root even /usr/bin is writable, and an installed program
// must not leave files there. A portable copy says so by a settings file or a "portable" file
// beside it; a build tree by the CMake cache in the folder or the one above.
bool IsPortableFolder(const std::string& folder) {
  const std::filesystem::path dir(folder);
  const auto there = [](const std::filesystem::path& p) { return FileOrFolderExists(p.string()); };
  return there(dir / kSettingsFileName) || there(dir / "portable") ||
         there(dir / "CMakeCache.txt") || there(dir.parent_path() / "CMakeCache.txt");
}

}  // namespace

std::string ExecutableFolder() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().string();
}

std::string ChooseConfigFolder(const std::string& exeFolder, const std::string& xdgConfigHome,
                               const std::string& home) {
  if (IsWritableFolder(exeFolder) && IsPortableFolder(exeFolder)) return exeFolder;
  // A relative XDG_CONFIG_HOME is invalid and must be ignored.
  if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/') return xdgConfigHome + "/sortivo";
  return home + "/.config/sortivo";
}

std::string ConfigFolder() {
  return ChooseConfigFolder(ExecutableFolder(), Env("XDG_CONFIG_HOME"), HomeFolder());
}

std::string SettingsFilePath(const std::string& folder) {
  return folder + "/" + kSettingsFileName;
}

}  // namespace platform
