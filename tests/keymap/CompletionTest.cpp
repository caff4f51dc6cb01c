#include "keymap/Completion.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Runs the input field's request loop: the offer is appended and selected, and the next
// request sees it selected.
std::vector<std::string> Cycle(const std::vector<std::vector<std::string>>& files,
                               std::string typed, int requests) {
  std::vector<std::span<const std::string>> lists(files.begin(), files.end());
  std::vector<std::string> shown;
  std::string selected;
  for (int i = 0; i < requests; ++i) {
    selected = CompleteKeyInLines(lists, typed + selected, selected);
    shown.push_back(typed + selected);
  }
  return shown;
}

}  // namespace

TEST(Completion, CyclesThroughQualifyingLinesAndBackToTheTypedText) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Cycle({{"cat=D:\\c", "cow=D:\\w"}}, "c", 5), (V{"cat", "cow", "c", "cat", "cow"}));
  EXPECT_EQ(Cycle({{"cat=D:\\c", "cow=D:\\w"}}, "co", 2), (V{"cow", "co"}));
  EXPECT_EQ(Cycle({{"cat=D:\\c"}}, "cat", 2), (V{"cat", "cat"}));
  EXPECT_EQ(Cycle({{"cat=D:\\c"}}, "=c", 2), (V{"=cat", "=c"}));
  // Lines of the head, the selected section and the tail in turn; reminders offer "key:".
  EXPECT_EQ(Cycle({{"cab=1"}, {"cat:=pets"}, {"cup=3"}}, "c", 4), (V{"cab", "cat:", "cup", "c"}));
  // Never offered: "::" anywhere, a leading "=", no "=" at all, other beginnings.
  EXPECT_EQ(Cycle({{"c::x=1", "=c=2", "cfree text", "[c]", "dcat=3", "cok=4"}}, "c", 2),
            (V{"cok", "c"}));
  EXPECT_EQ(Cycle({{"x=1"}}, "c", 1), (V{"c"}));
}

TEST(Completion, KeysThatRepeatOrBeginOtherKeysDoNotStallTheCycle) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Cycle({{"cats=1", "cat=2", "cow=3"}}, "c", 4), (V{"cats", "cat", "cow", "c"}));
  EXPECT_EQ(Cycle({{"cat=1", "cat:=r"}, {"cat=2", "cat:=s", "cow=3"}}, "c", 4),
            (V{"cat", "cat:", "cow", "c"}));
  // A selection that is no offer ends the cycle.
  const std::vector<std::string> lines{"cat=1"};
  const std::span<const std::string> one(lines);
  EXPECT_EQ(CompleteKeyInLines({&one, 1}, "cxy", "xy"), "");
  EXPECT_EQ(CompleteKeyInLines({&one, 1}, "c", "long selection"), "");
  EXPECT_EQ(CompleteKeyInLines({&one, 1}, "", ""), "cat");
}
