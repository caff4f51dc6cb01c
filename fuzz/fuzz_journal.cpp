// The journal is read at every start, after whatever a crash or a full disk left of it: any
// bytes must be read safely, and the history read must survive being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Journal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ParsedJournal parsed =
      ParseJournal(std::string_view(reinterpret_cast<const char*>(data), size));
  const JournalHistory& history = parsed.history;
  if (history.Entries().size() > JournalHistory::kMaxSteps) std::abort();
  // The history as a rewrite of the file puts it, read back: the same steps in the same state.
  std::string text;
  for (const JournalHistory::Entry& e : history.Entries())
    text += JournalRecord(StepFields('H', e.id, e.undone ? "u" : "d", e.step));
  if (history.Unfinished()) text += JournalRecord(BeginFields(*history.Unfinished()));
  const ParsedJournal again = ParseJournal(text);
  if (again.badLines != 0 || again.history.Entries().size() != history.Entries().size())
    std::abort();
  for (std::size_t i = 0; i < history.Entries().size(); ++i) {
    const JournalHistory::Entry& a = history.Entries()[i];
    const JournalHistory::Entry& b = again.history.Entries()[i];
    if (a.id != b.id || a.undone != b.undone || !(a.step == b.step)) std::abort();
  }
  if (history.Unfinished().has_value() != again.history.Unfinished().has_value()) std::abort();
  return 0;
}
