#include "platform/Threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace platform {

bool LowerThreadPriority(int steps) {
  // On Linux the nice value belongs to each thread, named by its thread id.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  errno = 0;
  const int now = ::getpriority(PRIO_PROCESS, tid);
  if (now == -1 && errno != 0) return false;
  return ::setpriority(PRIO_PROCESS, tid, std::min(now + std::clamp(steps, 0, 19), 19)) == 0;
}

}  // namespace platform
