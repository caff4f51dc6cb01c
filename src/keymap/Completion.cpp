#include "keymap/Completion.h"

#include <unordered_set>

std::string CompleteKeyInLines(std::span<const std::span<const std::string>> lists,
                               std::string_view text, std::string_view selected) {
  if (selected.size() > text.size()) return {};
  std::string_view prefix = text.substr(0, text.size() - selected.size());
  if (!prefix.empty() && prefix.front() == '=') prefix.remove_prefix(1);

  // The previous offer is found by its own text, and offers already made by earlier lines are
  // skipped: a key that is the beginning of another key, or a key listed twice, would otherwise
  // bring the same offer back for ever and the keys after it would never be reached.
  std::unordered_set<std::string_view> seen;
  bool passedSelected = false;
  for (const auto& lines : lists) {
    for (const std::string& whole : lines) {
      const std::string_view line(whole);
      if (!line.starts_with(prefix)) continue;
      const std::size_t eq = line.find('=');
      if (eq == std::string_view::npos || eq == 0) continue;
      if (line.find("::") != std::string_view::npos) continue;
      const std::string_view rest = line.substr(prefix.size());
      const std::string_view offer = rest.substr(0, rest.find('='));
      if (selected.empty()) return std::string(offer);
      if (!passedSelected) {
        passedSelected = offer == selected;
        seen.insert(offer);
        continue;
      }
      if (seen.insert(offer).second) return std::string(offer);
    }
  }
  return {};
}
