#pragma once
// The shuffle's pseudo-random source: a 32-bit linear congruential generator. Kept exactly so,
// because a given seed must give the same order on every machine.
#include <cstdint>

namespace platform {

class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed) {}

  // A draw in 0 .. n-1 (0 when n is 0): the upper half of the new state times n.
  std::uint32_t Below(std::uint32_t n) {
    state_ = state_ * 134775813u + 1u;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(state_) * n) >> 32);
  }
  std::uint32_t state() const { return state_; }
  void Seed(std::uint32_t seed) { state_ = seed; }

 private:
  std::uint32_t state_;
};

// Milliseconds since midnight UTC.
std::uint32_t ClockSeed();

}  // namespace platform
