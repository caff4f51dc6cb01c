#include "platform/LargeBuffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>

// The vector behaves as any, across the size where its buffers are offered for large pages:
// copies, shrinks to a small buffer and grows again, its bytes kept. Buffers mapped on their own
// for a start's first pictures are freed as well as any other wherever they end, and any other
// where they are mapped.
TEST(LargeBuffers, AVectorOfThemCopiesShrinksAndGrowsHoweverMade) {
  for (const bool mapped : {false, true}) {
    SCOPED_TRACE(mapped);
    platform::MapLargeBuffersOnThisThread(mapped);
    platform::ByteBuffer a((std::size_t{3} << 20) + 5, 7);
    a.back() = 9;
    platform::ByteBuffer b = a;
    platform::MapLargeBuffersOnThisThread(!mapped);
    EXPECT_EQ(a, b);
    b.resize(1000);
    b.shrink_to_fit();
    EXPECT_EQ(b.size(), 1000u);
    EXPECT_EQ(b.front(), 7);
    b.resize(std::size_t{5} << 20, 0);  // zeros only when asked for
    EXPECT_EQ(b[999], 7);
    EXPECT_EQ(b[1000], 0);
    a.swap(b);
    EXPECT_EQ(b.back(), 9);
    EXPECT_EQ(a.size(), std::size_t{5} << 20);
    std::thread([moved = std::move(b)] {}).join();  // freed on a thread of its own
  }
  platform::MapLargeBuffersOnThisThread(false);
}
