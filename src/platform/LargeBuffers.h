#pragma once
// Buffers of megabytes (a photo's bytes, its pixels) placed for large pages where the system
// offers them. Each fresh 4 KiB page costs a fault when first touched: a 24-megapixel photo's
// buffers are thousands of pages, several milliseconds of every decode and many more in a
// virtual machine, where the host backs each page on first touch too. They still come from
// operator new, as every other buffer does.
#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace platform {

// One large page; buffers of this size and more start on such a boundary.
inline constexpr std::size_t kLargeBufferBytes = std::size_t{2} << 20;

// bytes from operator new, aligned to kLargeBufferBytes, its whole large pages asked for as such
// (not under a sanitizer, which keeps its own pages). Throws std::bad_alloc as operator new does.
// Freed with FreeLargeBuffer and the same byte count.
void* AllocateLargeBuffer(std::size_t bytes);
void FreeLargeBuffer(void* buffer, std::size_t bytes) noexcept;

template <class T>
struct BufferAllocator {
  using value_type = T;
  BufferAllocator() = default;
  template <class U>
  BufferAllocator(const BufferAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes) return static_cast<T*>(AllocateLargeBuffer(bytes));
    return static_cast<T*>(::operator new(bytes));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes)
      FreeLargeBuffer(p, bytes);
    else
      ::operator delete(p, bytes);
  }
  template <class U>
  bool operator==(const BufferAllocator<U>&) const noexcept {
    return true;
  }
};

using ByteBuffer = std::vector<std::uint8_t, BufferAllocator<std::uint8_t>>;

}  // namespace platform
