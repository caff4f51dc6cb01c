#include "platform/LargeBuffers.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace platform {

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kLargePages = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
constexpr bool kLargePages = false;
#else
constexpr bool kLargePages = true;
#endif
#else
constexpr bool kLargePages = true;
#endif

thread_local bool mapOnThisThread = false;

// Just before each buffer, how it was had: the program and its window module each hold a copy
// of this code, and a buffer one allocates the other may free.
struct Header {
  std::uint64_t kind;
  void* base;               // what to free or unmap
  std::size_t length;       // the mapping's length
  std::uint64_t unused[5];  // the buffer after it stays aligned as operator new aligns
};
constexpr std::uint64_t kHeap = 0x48656170, kMapped = 0x4d617070;
static_assert(sizeof(Header) == 64);

std::size_t PageBytes() {
  static const std::size_t page = static_cast<std::size_t>(std::max(sysconf(_SC_PAGESIZE), 4096L));
  return page;
}

std::size_t WholePages(std::size_t bytes) {
  return (bytes + PageBytes() - 1) / PageBytes() * PageBytes();
}

Header* HeaderOf(void* buffer) {
  return static_cast<Header*>(buffer) - 1;
}

void Advise(void* buffer, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  // Only the whole large pages inside: the advice covers every page it names, and the pages at
  // either end may hold the heap's other blocks. Best effort: without large pages the buffer
  // works the same.
  const auto start = reinterpret_cast<std::uintptr_t>(buffer);
  const std::uintptr_t from = (start + kLargeBufferBytes - 1) & ~(kLargeBufferBytes - 1);
  const std::uintptr_t to = (start + bytes) & ~(kLargeBufferBytes - 1);
  if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
}

// A mapping of bytes starting on a large-page boundary, its header on the page before; null
// when there is no room.
void* MapAligned(std::size_t bytes) {
  const std::size_t page = PageBytes();
  const std::size_t size = WholePages(bytes);
  const std::size_t reserved = page + size + kLargeBufferBytes;
  void* mapped =
      mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + page + kLargeBufferBytes - 1) & ~(kLargeBufferBytes - 1);
  const std::uintptr_t keep = aligned - page;
  if (keep > start) munmap(mapped, keep - start);
  if (start + reserved > aligned + size)
    munmap(reinterpret_cast<void*>(aligned + size), start + reserved - aligned - size);
  void* buffer = reinterpret_cast<void*>(aligned);
  *HeaderOf(buffer) = {kMapped, reinterpret_cast<void*>(keep), page + size, {}};
  return buffer;
}

}  // namespace

void* AllocateLargeBuffer(std::size_t bytes) {
  if (kLargePages && mapOnThisThread) {
    if (void* buffer = MapAligned(bytes)) {
      Advise(buffer, WholePages(bytes));
      return buffer;
    }
  }
  if (bytes > static_cast<std::size_t>(-1) - sizeof(Header)) throw std::bad_alloc();
  void* base = ::operator new(bytes + sizeof(Header));
  void* buffer = static_cast<Header*>(base) + 1;
  *HeaderOf(buffer) = {kHeap, base, 0, {}};
  if (kLargePages) Advise(buffer, bytes);
  return buffer;
}

void FreeLargeBuffer(void* buffer, std::size_t bytes) noexcept {
  if (!buffer) return;
  const Header header = *HeaderOf(buffer);
  if (header.kind == kMapped)
    munmap(header.base, header.length);
  else
    ::operator delete(header.base, bytes + sizeof(Header));
}

void MapLargeBuffersOnThisThread(bool on) {
  mapOnThisThread = on;
}

}  // namespace platform
