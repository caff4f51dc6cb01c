// The program's start. It lists and decodes the first picture of its argument at once, while the
// window module (WindowModule.h) loads the toolkit beside it.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "app/EarlyOpen.h"
#include "app/WindowModule.h"
#include "platform/ConfigFolder.h"
#include "platform/ProgramModules.h"
#include "view/DecodeAhead.h"

int main(int argc, char** argv) {
  const TCommandLine commandLine = ParseCommandLine(argc, argv);
  std::unique_ptr<TEarlyOpen> early;
  if (commandLine.action == TCommandAction::Open && !commandLine.path.empty())
    early = std::make_unique<TEarlyOpen>(platform::ConfigFolder(), commandLine.path,
                                         DecodeAheadWantedByEnvironment());
  std::string error;
  void* module =
      platform::OpenProgramModule(kWindowModuleName, SORTIVO_MODULES_FROM_PROGRAM, &error);
  const auto entry =
      module ? reinterpret_cast<WindowModuleEntry>(dlsym(module, kWindowModuleEntry)) : nullptr;
  if (!entry) {
    // No toolkit, so no window to say it in: a broken installation.
    std::fprintf(stderr, "sortivo: %s: %s\n", kWindowModuleName,
                 module ? "no entry point" : error.c_str());
    return 1;
  }
  return entry(argc, argv, early.release());
}
