// The journal file: damaged files keep their readable steps, the history keeps its last ten
// thousand steps, and the file is rewritten before it grows without end.
#include "app/Journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/PictureWriter.h"
#include "support/TempDir.h"

using testsupport::ReadAll;

namespace {

SortingStep MoveStep(int n) {
  SortingStep step;
  step.listIndex = n;
  step.picture = {"/pics/p" + std::to_string(n) + ".jpg", "/x\t\\y\n/p.jpg"};
  step.sidecars = {{"/pics/p.xmp", "/x/p.xmp"}};
  return step;
}

void AddSteps(TJournal& journal, int count, int first = 0) {
  TUserText error;
  for (int n = first; n < first + count; ++n) {
    const auto op = journal.Begin(OpRole::New, 0, MoveStep(n), error);
    ASSERT_TRUE(op) << error.Format();
    journal.Done(*op, MoveStep(n));
  }
}

TEST(Journal, ADamagedFileKeepsItsReadableStepsAndIsReportedOnce) {
  testsupport::TempDir dir;
  const std::string path = dir / "conf/sortivo.journal";
  {
    TJournal journal(path);
    AddSteps(journal, 3);
    TUserText error;
    const auto op = journal.Begin(OpRole::Undo, 3, MoveStep(2), error);
    journal.Done(*op, MoveStep(2));
  }
  const std::string whole = ReadAll(path);
  const std::size_t lastLine = whole.rfind('\n', whole.size() - 2) + 1;
  struct Case {
    const char* what;
    std::string text;
    std::size_t steps, inEffect;
  };
  const Case cases[] = {
      {"whole", whole, 3, 2},
      {"cut off in the last record", whole.substr(0, whole.size() - 5), 3, 3},
      {"junk after it", whole + std::string("\0\xff\x01junk\n\x80", 9), 3, 2},
      {"a record changed", whole.substr(0, lastLine) + "0000000a 00000000 D\t8\n", 3, 3},
  };
  for (const Case& c : cases) {
    testsupport::WriteBytes(path, c.text);
    TJournal journal(path);
    EXPECT_EQ(journal.History().Entries().size(), c.steps) << c.what;
    const JournalHistory::Entry* last = journal.History().ToUndo();
    ASSERT_NE(last, nullptr) << c.what;
    EXPECT_EQ(last->step, MoveStep(static_cast<int>(c.inEffect) - 1)) << c.what;
    const std::optional<TUserText> report = journal.TakeReport();
    EXPECT_EQ(!report, c.text == whole) << c.what << ": " << (report ? report->Format() : "");
    EXPECT_FALSE(journal.TakeReport()) << c.what;
    // The next record goes into a clean file.
    AddSteps(journal, 1);
    journal.Flush();
    const ParsedJournal again = ParseJournal(ReadAll(path));
    EXPECT_EQ(again.badLines, 0u) << c.what;
    EXPECT_EQ(again.history.Entries().size(), c.inEffect + 1) << c.what;
  }
}

TEST(Journal, KeepsTheLastTenThousandStepsAndRewritesItsFile) {
  testsupport::TempDir dir;
  const std::string path = dir / "sortivo.journal";
  const int steps = static_cast<int>(JournalHistory::kMaxSteps) * 3 / 2 + 100;
  std::size_t largest = 0;
  {
    TJournal journal(path);
    for (int n = 0; n < steps; n += 100) {
      AddSteps(journal, 100, n);
      largest = std::max<std::size_t>(largest, std::filesystem::file_size(path));
    }
    EXPECT_EQ(journal.History().Entries().size(), JournalHistory::kMaxSteps);
  }
  const ParsedJournal parsed = ParseJournal(ReadAll(path));
  EXPECT_EQ(parsed.badLines, 0u);
  ASSERT_EQ(parsed.history.Entries().size(), JournalHistory::kMaxSteps);
  EXPECT_EQ(parsed.history.ToUndo()->step, MoveStep(steps - 1));
  EXPECT_EQ(parsed.history.Entries().front().step,
            MoveStep(steps - static_cast<int>(JournalHistory::kMaxSteps)));
  EXPECT_LT(std::filesystem::file_size(path), largest) << "rewritten after growing";
}

}  // namespace
