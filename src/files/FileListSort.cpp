// The list's sorting, on its own: it needs ICU's collation, whose libraries the program's start
// would otherwise load before main() for a sort only the window ever asks for.
#include <algorithm>

#include "files/FileList.h"
#include "platform/Collator.h"

std::string TFileList::SortAscending() {
  if (entries_.empty()) return {};
  platform::SortTexts(entries_, platform::DefaultCollator());
  index_ = 0;
  return entries_[0];
}

std::string TFileList::SortDescending() {
  if (entries_.empty()) return {};
  platform::SortTexts(entries_, platform::DefaultCollator());
  std::reverse(entries_.begin(), entries_.end());
  index_ = 0;
  return entries_[0];
}
