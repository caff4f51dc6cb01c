#pragma once
// The memory that decodes under way may hold at once, shared by every thread that decodes: the
// window's own decode and the ones made ahead together. A file a few hundred bytes long can claim
// a picture of a gigabyte; three such decodes side by side would need three. Each decode claims
// its bytes before it allocates them (the file's bytes, each pixel buffer, a decoder's large work
// buffers) and gives all of them back when it ends. Finished pictures are not counted here: the
// cache that keeps them has a cap of its own.
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace codecs {

// How a decode takes its bytes.
enum class BudgetMode {
  // Someone waits for this decode (the window): it never waits and is never refused, even past
  // the capacity. Its bytes still count, so the others hold back while it runs.
  Take,
  // A decode ahead: waits while other decodes that are going on hold the bytes it needs; refused
  // at once when they could never be had, and when every holder is itself waiting (nobody
  // would ever give them back).
  Wait,
  // Refused at once when the bytes are not free now.
  Skip,
};

class DecodeBudget {
 public:
  explicit DecodeBudget(std::size_t capacity) : capacity_(capacity) {}
  DecodeBudget(const DecodeBudget&) = delete;
  DecodeBudget& operator=(const DecodeBudget&) = delete;

  std::size_t capacity() const { return capacity_; }
  std::size_t inUse() const;
  // The most held at once so far, and the most held by claims of the modes Wait and Skip.
  std::size_t peak() const;
  std::size_t peakAhead() const;

 private:
  friend class BudgetClaim;
  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable released_;
  std::size_t inUse_ = 0;
  std::size_t ahead_ = 0;          // held by Wait and Skip claims
  std::size_t heldByWaiters_ = 0;  // held by claims waiting for more
  std::size_t peak_ = 0;
  std::size_t peakAhead_ = 0;
};

// The budget a decode uses unless its options name another (384 MiB: two decodes ahead of a
// large photograph each, beside the window's own decode of the largest picture allowed).
DecodeBudget& SharedDecodeBudget();

// One decode's share of a budget. It grows as the decoder learns what it needs and is given back
// whole when the claim ends. One thread uses a claim at a time.
class BudgetClaim {
 public:
  BudgetClaim(DecodeBudget& budget, BudgetMode mode) : budget_(budget), mode_(mode) {}
  ~BudgetClaim();
  BudgetClaim(const BudgetClaim&) = delete;
  BudgetClaim& operator=(const BudgetClaim&) = delete;

  // Adds bytes to the claim. Throws std::bad_alloc when the budget refuses them, so that a
  // refusal takes the way out of every other allocation failure.
  void Reserve(std::size_t bytes);
  std::size_t held() const { return held_; }

 private:
  bool Granted(std::unique_lock<std::mutex>& lock, std::size_t bytes);

  DecodeBudget& budget_;
  const BudgetMode mode_;
  std::size_t held_ = 0;
};

}  // namespace codecs
