#pragma once
// Completion of a typed key from key map lines. Asked again with the previous offer selected,
// it offers the next one, so repeated requests cycle through the keys that begin with the typed
// text and then come back to the text alone.
#include <span>
#include <string>
#include <string_view>

// lists are searched in order. A line can be offered when it begins with the typed text, has a
// "=" after its first character and contains no "::". The offer is the rest of the line up to
// its "=" (a reminder line "cat:=..." offers "at:"). A leading "=" of the text is no part of
// the key. selected is the part of text the previous offer put at its end.
std::string CompleteKeyInLines(std::span<const std::span<const std::string>> lists,
                               std::string_view text, std::string_view selected);
