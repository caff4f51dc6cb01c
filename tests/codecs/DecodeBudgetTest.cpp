#include "codecs/DecodeBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <new>
#include <thread>

using codecs::BudgetClaim;
using codecs::BudgetMode;
using codecs::DecodeBudget;
using namespace std::chrono_literals;

TEST(DecodeBudget, TheWindowTakesWhatItNeedsTheOthersOnlyWhatIsFree) {
  DecodeBudget budget(100);
  BudgetClaim window(budget, BudgetMode::Take);
  window.Reserve(80);
  {
    BudgetClaim skip(budget, BudgetMode::Skip);
    EXPECT_THROW(skip.Reserve(30), std::bad_alloc);
    skip.Reserve(20);
    EXPECT_EQ(budget.inUse(), 100u);
    // More than the whole budget: refused at once rather than waited for.
    BudgetClaim ahead(budget, BudgetMode::Wait);
    EXPECT_THROW(ahead.Reserve(101), std::bad_alloc);
  }
  window.Reserve(500);  // past the capacity: the window never waits
  EXPECT_EQ(budget.inUse(), 580u);
  EXPECT_EQ(budget.peakAhead(), 20u);
}

TEST(DecodeBudget, TwoDecodesAheadWaitingForEachOtherDoNotHang) {
  // Each holds 40 of 100 and then wants 50 more: whichever asks second gives up, and the other
  // gets its bytes once the first has let go of its own.
  DecodeBudget budget(100);
  std::atomic<int> refused{0}, granted{0};
  auto decode = [&] {
    try {
      BudgetClaim claim(budget, BudgetMode::Wait);
      claim.Reserve(40);
      std::this_thread::sleep_for(20ms);
      claim.Reserve(50);
      ++granted;
    } catch (const std::bad_alloc&) {
      ++refused;
    }
  };
  std::thread a(decode), b(decode);
  a.join(), b.join();
  EXPECT_EQ(granted + refused, 2);
  EXPECT_GE(granted, 1);
  EXPECT_LE(budget.peak(), 100u);
  EXPECT_EQ(budget.inUse(), 0u);
}
