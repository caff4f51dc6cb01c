#pragma once
// The file work of taking a sorting step back and doing it again, sidecars included, and of
// settling at start-up a step a crash cut short. A step is first looked at (Plan*), which
// touches nothing and says why it cannot be done; only then is it written to the journal and
// carried out (CarryOut*).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/Journal.h"
#include "platform/Trash.h"
#include "platform/UserText.h"

// Why an operation cannot be carried out: a message for the user naming the file.
using Refusal = std::optional<TUserText>;

// What the step would be once taken back: the names it goes back to are chosen here (a
// numbered free name when the former one was taken since). Refused when the file is gone or
// changed, or, for a list file, when it no longer ends with the line.
Refusal PlanUndo(const SortingStep& step, SortingStep& after);
// Refused when the file to send again is gone; a trash has its new place filled in when done.
Refusal PlanRedo(const SortingStep& step, SortingStep& after);

// Carries out the undo / redo planned from before to after; false (with message) when the
// picture itself could not be handled, and then nothing was changed. A sidecar that cannot
// follow stays where it is. after is updated to what was done.
bool CarryOutUndo(const SortingStep& before, SortingStep& after, TUserText& message);
bool CarryOutRedo(const SortingStep& before, SortingStep& after, platform::TTrash* trash,
                  TUserText& message);

// Finds the sidecars of step.picture.from and names them beside step.picture.to. A name that is
// taken: with renumber, the picture takes the first numbered name at which no sidecar's name
// is taken (false when there is none); without, that sidecar stays behind.
bool NameSidecars(SortingStep& step, std::string_view extensions, bool renumber);
// A list file line step for picture; the list's present size is noted for start-up.
SortingStep ListLineStep(const std::string& picture, const std::string& listFile,
                         const std::string& line, int listIndex);

// The sidecars of step's picture follow it from step.picture.from to step.picture.to; those
// that cannot (their name taken meanwhile) stay and leave the step.
void MoveSidecars(SortingStep& step);
void CopySidecars(SortingStep& step);
// The trash's info file beside a file in a trash's "files" folder; empty for any other path.
std::string TrashInfoFile(const std::string& trashed);

// Settles an operation begun and never marked: true when the disk shows it done (finishing
// what is left of it, as sidecars still to follow), false when it shows it not done (taking
// back what was begun). result is the step as it then stands.
bool SettleUnfinished(const UnfinishedOp& op, SortingStep& result);

// Why the picture at path could not go to the trash; reason is the trash's own, may be empty.
TUserText TrashRefused(const std::string& path, const std::string& reason);

// Appends line and CR LF to the list file, creating it when missing; on failure, the error
// naming the file.
std::optional<TUserText> AppendListLine(const std::string& listFile, const std::string& line);

// The number of whole bytes a list file line takes: the line and its CR LF.
inline std::uint64_t ListLineBytes(const std::string& line) {
  return line.size() + 2;
}
