#include "codecs/DecodeBudget.h"

#include <algorithm>
#include <new>

namespace codecs {

std::size_t DecodeBudget::inUse() const {
  std::lock_guard lock(mutex_);
  return inUse_;
}

std::size_t DecodeBudget::peak() const {
  std::lock_guard lock(mutex_);
  return peak_;
}

std::size_t DecodeBudget::peakAhead() const {
  std::lock_guard lock(mutex_);
  return peakAhead_;
}

DecodeBudget& SharedDecodeBudget() {
  static DecodeBudget budget(std::size_t{384} << 20);
  return budget;
}

BudgetClaim::~BudgetClaim() {
  if (held_ == 0) return;
  {
    std::lock_guard lock(budget_.mutex_);
    budget_.inUse_ -= held_;
    if (mode_ != BudgetMode::Take) budget_.ahead_ -= held_;
  }
  budget_.released_.notify_all();
}

bool BudgetClaim::Granted(std::unique_lock<std::mutex>& lock, std::size_t bytes) {
  DecodeBudget& b = budget_;
  const auto fits = [&] { return bytes <= b.capacity_ - std::min(b.inUse_, b.capacity_); };
  switch (mode_) {
    case BudgetMode::Take:
      return true;
    case BudgetMode::Skip:
      return fits();
    case BudgetMode::Wait:
      if (held_ > b.capacity_ || bytes > b.capacity_ - held_) return false;
      while (!fits()) {
        // Only a decode that is still going on will give bytes back.
        if (b.inUse_ - b.heldByWaiters_ - held_ == 0) return false;
        b.heldByWaiters_ += held_;
        b.released_.wait(lock);
        b.heldByWaiters_ -= held_;
      }
      return true;
  }
  return false;
}

void BudgetClaim::Reserve(std::size_t bytes) {
  if (bytes == 0) return;
  std::unique_lock lock(budget_.mutex_);
  if (!Granted(lock, bytes)) throw std::bad_alloc();
  held_ += bytes;
  budget_.inUse_ += bytes;
  budget_.peak_ = std::max(budget_.peak_, budget_.inUse_);
  if (mode_ != BudgetMode::Take) {
    budget_.ahead_ += bytes;
    budget_.peakAhead_ = std::max(budget_.peakAhead_, budget_.ahead_);
  }
}

}  // namespace codecs
