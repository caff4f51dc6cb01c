#pragma once
// Buffers of megabytes (a photo's bytes, its pixels) offered to the system for large pages. Each
// fresh 4 KiB page costs a fault when first touched: a 24-megapixel photo's buffers are
// thousands of pages, several milliseconds of a start's first decode and many more in a virtual
// machine, where the host backs each page on first touch too. Later buffers mostly reuse the
// heap's pages, already touched, and come from operator new as every other buffer does.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace platform {

// One large page; only buffers of this size and more can hold one.
inline constexpr std::size_t kLargeBufferBytes = std::size_t{2} << 20;

// bytes for a buffer, the whole large pages inside it asked for as such (not under a sanitizer,
// which keeps its own pages). Throws std::bad_alloc as operator new does. Freed with
// FreeLargeBuffer and the same byte count.
[[gnu::malloc, gnu::alloc_size(1), gnu::returns_nonnull]] void* AllocateLargeBuffer(
    std::size_t bytes);
void FreeLargeBuffer(void* buffer, std::size_t bytes) noexcept;

// For the calling thread's buffers from now on, while it lives or until called with false: each
// is mapped on its own from a large-page boundary, so that all of it is in large pages. For the
// first pictures of a start, whose pages are all fresh; the heap serves later ones better, with
// pages it has touched already.
void MapLargeBuffersOnThisThread(bool on);

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
    return std::allocator<T>().allocate(n);
  }
  void deallocate(T* p, std::size_t n) noexcept {
    const std::size_t bytes = n * sizeof(T);
    if (bytes >= kLargeBufferBytes)
      FreeLargeBuffer(p, bytes);
    else
      std::allocator<T>().deallocate(p, n);
  }
  // Grown without zeroing (resize(n), a buffer of n): every buffer of pixels is written before
  // it is read, and zeroing a large one costs a millisecond or more for a photo's. Zeros where
  // they matter are asked for (resize(n, 0), assign(n, 0)).
  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const BufferAllocator<U>&) const noexcept {
    return true;
  }
};

using ByteBuffer = std::vector<std::uint8_t, BufferAllocator<std::uint8_t>>;

}  // namespace platform
