#include "platform/Random.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Random, FollowsTheGeneratorExactly) {
  // Worked out by hand: each step the state becomes state * 134775813 + 1 (mod 2^32), and the
  // draw is (state * n) >> 32.
  platform::Random r(1);
  std::vector<std::uint32_t> draws;
  for (int i = 0; i < 5; ++i) draws.push_back(r.Below(10));
  EXPECT_EQ(draws, (std::vector<std::uint32_t>{0, 8, 2, 2, 6}));

  r.Seed(12345);
  EXPECT_EQ(r.Below(1000), 385u);
  EXPECT_EQ(r.state(), 1655067934u);
  EXPECT_EQ(r.Below(1000), 289u);
  EXPECT_EQ(r.state(), 1242767767u);
  EXPECT_EQ(r.Below(1000), 79u);

  r.Seed(0xFFFFFFFFu);
  for (int i = 0; i < 1000; ++i) EXPECT_LT(r.Below(7), 7u);
  EXPECT_EQ(r.Below(0), 0u);
  EXPECT_EQ(r.Below(1), 0u);
}

TEST(Random, ClockSeedIsMillisecondsOfTheDay) {
  EXPECT_LT(platform::ClockSeed(), 86'400'000u);
}
