#pragma once
// Modules the program loads at run time: beside the program (a build tree, a portable copy), else
// in the folder the package installs them to.
#include <string>

namespace platform {

// The folder the running program lies in, with its trailing separator; empty when unknown.
std::string ProgramFolder();

// dlopen (now, locally) of name beside the program, then in fromProgram, a folder relative to
// the program's (with its trailing separator). Null when neither opens; error (when given)
// receives the reason of the last attempt.
void* OpenProgramModule(const std::string& name, const std::string& fromProgram,
                        std::string* error = nullptr);

}  // namespace platform
