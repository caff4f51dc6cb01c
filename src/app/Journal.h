#pragma once
// The journal of sorting steps: every step that changes files is written down before it is
// carried out and marked done after, so that it can be taken back later, also after a restart,
// and so that a step cut short by a crash is settled from what is on disk at the next start.
//
// The file holds one record a line: "<length> <crc32> <fields>", length and checksum in eight
// hexadecimal digits each over the fields, which are separated by tabs with tab, line feed,
// carriage return and backslash escaped. A line that fails its check is skipped; the lines
// around it still count.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/UserText.h"

enum class StepKind : char {
  Move = 'M',
  Copy = 'C',
  ListLine = 'L',
  Rename = 'E',  // a wrong extension corrected
  Trash = 'T',
};

struct FilePair {
  std::string from;
  std::string to;
  bool operator==(const FilePair&) const = default;
};

// One step as it stands: where the picture was and where it is (or, taken back, where it went
// back to).
struct SortingStep {
  StepKind kind = StepKind::Move;
  int listIndex = -1;  // the picture's entry in the list when the step was taken
  // Move, Copy, Rename, Trash: the picture's path before and after (the copy; the file inside
  // the trash, empty while unknown). ListLine: from is the picture, to the list file.
  FilePair picture;
  std::string line;                // ListLine: the line, without its CR LF
  std::uint64_t listSize = 0;      // ListLine: the list file's size without the line
  std::vector<FilePair> sidecars;  // as picture; ListLine has none
  bool operator==(const SortingStep&) const = default;
};

// Why an operation is written: a new step, or an existing step taken back or done again.
enum class OpRole : char { New = 'S', Undo = 'U', Redo = 'R' };

// An operation begun and not marked done or abandoned: what the step was before, and what it
// would be after.
struct UnfinishedOp {
  std::uint64_t op = 0;
  OpRole role = OpRole::New;
  std::uint64_t stepId = 0;
  SortingStep before;  // for New, the same as after
  SortingStep after;
};

// The history the records describe: the steps in order, the last ones possibly taken back.
class JournalHistory {
 public:
  struct Entry {
    std::uint64_t id = 0;
    bool undone = false;
    SortingStep step;
  };
  static constexpr std::size_t kMaxSteps = 10000;

  const std::deque<Entry>& Entries() const { return entries_; }
  // The last step in effect / the first taken back; nullptr when there is none.
  const Entry* ToUndo() const;
  const Entry* ToRedo() const;
  // The operation begun last and not yet settled, if any.
  const std::optional<UnfinishedOp>& Unfinished() const { return unfinished_; }
  std::uint64_t NextOp() const { return nextOp_; }

  // One record's fields; false when they do not make a record that fits the history so far
  // (nothing is changed then).
  bool Apply(const std::vector<std::string>& fields);
  // Operations no record settled before another began: their outcome cannot be told any more.
  std::size_t Orphans() const { return orphans_; }

 private:
  std::uint64_t LastStepId() const;
  void Push(Entry entry);

  std::deque<Entry> entries_;
  std::size_t done_ = 0;  // entries_[0, done_) are in effect, the rest taken back
  std::optional<UnfinishedOp> unfinished_;
  std::uint64_t nextOp_ = 1;
  std::size_t orphans_ = 0;
};

// The journal file's text read into a history: the good lines applied in order, the others
// counted.
struct ParsedJournal {
  JournalHistory history;
  std::size_t badLines = 0;  // lines that failed their check or did not fit
  bool cleanEnd = true;      // the text ends with a whole line
};
ParsedJournal ParseJournal(std::string_view text);

// The record lines, for tests and the fuzz target's seeds.
std::string JournalRecord(const std::vector<std::string>& fields);
// A record's fields: its type, op number, one more field when extra is not empty, the step.
std::vector<std::string> StepFields(char type, std::uint64_t op, std::string_view extra,
                                    const SortingStep& step);
// The record that begins op.
std::vector<std::string> BeginFields(const UnfinishedOp& op);

// Thrown by a journal told to stop after a record is written, so that tests can leave a step
// half done as a killed program would.
struct JournalStoppedForTesting {};

class TJournal {
 public:
  // path empty: a journal kept in memory only. Nothing is written until the first operation;
  // a file that exists is read now.
  explicit TJournal(std::string path);
  ~TJournal();  // waits for the last records to reach the disk
  TJournal(const TJournal&) = delete;
  TJournal& operator=(const TJournal&) = delete;

  const std::string& Path() const { return path_; }
  const JournalHistory& History() const { return history_; }
  // What went wrong reading or opening the file, for the user; given once, then nothing.
  std::optional<TUserText> TakeReport();

  // Writes the operation's record: its op number, or nullopt with error set
  // when it could not be written, and then the operation must not be carried out.
  std::optional<std::uint64_t> Begin(OpRole role, std::uint64_t stepId, const SortingStep& after,
                                     TUserText& error);
  // The operation was carried out; step is what it turned out to be. A record that cannot be
  // written is kept and written before the next one.
  void Done(std::uint64_t op, const SortingStep& step);
  // The operation was not carried out.
  void Abandon(std::uint64_t op);

  // Waits until everything written so far is on disk; for tests and benchmarks.
  void Flush();

  // Test hooks: record writes fail with this errno (0: they do not); the journal throws
  // JournalStoppedForTesting right after the next Begin has written its record.
  static void SetWriteFailureForTesting(int error);
  static void StopAfterNextBeginForTesting();

 private:
  bool Append(std::string records, TUserText& error);
  bool OpenFile(TUserText& error);
  bool Compact(TUserText& error);
  void SyncLoop();

  std::string path_;
  JournalHistory history_;
  std::optional<TUserText> report_;
  std::string unwritten_;      // records whose write failed, written before the next
  bool rewriteFirst_ = false;  // the file read had bad lines or a cut-off end
  std::size_t recordsInFile_ = 0;

  // The file and its syncing thread. The thread syncs in the background, in the order written;
  // the file's descriptor is shared so that a compaction can replace it meanwhile.
  std::shared_ptr<int> fd_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable synced_;
  std::uint64_t written_ = 0;  // writes made
  std::uint64_t durable_ = 0;  // writes known to be on disk
  bool stop_ = false;
  std::thread syncer_;
};
