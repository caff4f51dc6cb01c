#pragma once
// Where the program keeps its settings file and its default key map files: beside the
// executable when that folder is writable and marks itself as a portable copy (a settings file
// or a file named "portable" there) or a build tree (a CMake cache in it or its parent);
// otherwise in the user's configuration folder.
#include <string>

namespace platform {

inline constexpr const char* kSettingsFileName = "sortivo.ini";

// The folder holding the running executable, without a trailing separator; empty when unknown.
std::string ExecutableFolder();

// The rule itself, with everything it looks at passed in: exeFolder when it is a writable
// portable folder or build tree, else xdgConfigHome + "/sortivo" when xdgConfigHome is an absolute
// path, else home + "/.config/sortivo". The folder is not created here: SaveSettings creates it.
std::string ChooseConfigFolder(const std::string& exeFolder, const std::string& xdgConfigHome,
                               const std::string& home);

// ChooseConfigFolder for this process ($XDG_CONFIG_HOME, $HOME).
std::string ConfigFolder();

// folder + "/sortivo.ini".
std::string SettingsFilePath(const std::string& folder);

}  // namespace platform
