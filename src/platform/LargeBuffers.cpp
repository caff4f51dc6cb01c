#include "platform/LargeBuffers.h"

#include <sys/mman.h>

namespace platform {

namespace {

constexpr std::align_val_t kAlignment{kLargeBufferBytes};

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kAdvise = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
constexpr bool kAdvise = false;
#else
constexpr bool kAdvise = true;
#endif
#else
constexpr bool kAdvise = true;
#endif

}  // namespace

void* AllocateLargeBuffer(std::size_t bytes) {
  void* buffer = ::operator new(bytes, kAlignment);
#ifdef MADV_HUGEPAGE
  // Only whole large pages: the advice covers every page it names, and the last one may hold
  // the heap's other blocks. Best effort: without large pages the buffer works the same.
  if (kAdvise && bytes >= kLargeBufferBytes)
    madvise(buffer, bytes / kLargeBufferBytes * kLargeBufferBytes, MADV_HUGEPAGE);
#endif
  return buffer;
}

void FreeLargeBuffer(void* buffer, std::size_t bytes) noexcept {
  ::operator delete(buffer, bytes, kAlignment);
}

}  // namespace platform
