#include "platform/LargeBuffers.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

bool OnLargePageBoundary(const void* p) {
  return reinterpret_cast<std::uintptr_t>(p) % platform::kLargeBufferBytes == 0;
}

}  // namespace

// The vector behaves as any: copies, shrinks to a small buffer and grows again; its large buffers
// start on a large-page boundary, writable to their last byte.
TEST(LargeBuffers, AVectorOfThemCopiesShrinksAndGrows) {
  platform::ByteBuffer a((std::size_t{3} << 20) + 5, 7);
  EXPECT_TRUE(OnLargePageBoundary(a.data()));
  a.back() = 9;
  platform::ByteBuffer b = a;
  EXPECT_EQ(a, b);
  EXPECT_TRUE(OnLargePageBoundary(b.data()));
  b.resize(1000);
  b.shrink_to_fit();
  EXPECT_EQ(b.size(), 1000u);
  EXPECT_EQ(b.front(), 7);
  b.resize(std::size_t{5} << 20);
  EXPECT_TRUE(OnLargePageBoundary(b.data()));
  EXPECT_EQ(b[999], 7);
  EXPECT_EQ(b[1000], 0);
  a.swap(b);
  EXPECT_EQ(b.back(), 9);
  EXPECT_EQ(a.size(), std::size_t{5} << 20);
}
