#pragma once
// Scheduling for background threads.

namespace platform {

// Lets the calling thread yield the processor to the window's thread: its nice value is raised
// by `steps` (0 to 19). Background work then fills idle time without slowing what the user
// sees. Best effort: false when the system refused.
bool LowerThreadPriority(int steps);

}  // namespace platform
