#pragma once
// Long loops in the core (a folder scan, the sub-folder search) call this now and then so the
// window can handle its events meanwhile: the abort buttons, keys and drops. The GUI binds it
// to QCoreApplication::processEvents; tests bind it to whatever they need to observe.
#include <functional>

namespace platform {
using PumpCallback = std::function<void()>;
}  // namespace platform
