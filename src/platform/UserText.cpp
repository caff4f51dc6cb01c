#include "platform/UserText.h"

#include <utility>

std::string TUserText::Format() const {
  std::string out;
  const std::string_view s = source;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const bool marker = s[i] == '%' && i + 1 < s.size() && s[i + 1] >= '1' && s[i + 1] <= '9';
    const auto index = marker ? static_cast<std::size_t>(s[i + 1] - '1') : parts.size();
    if (index < parts.size()) {
      out += parts[index];
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

TUserText CannotOpenFile(const std::string& path) {
  return {"TUserText", UiText("TUserText", "ファイル %1 は開けません"), {path}};
}

TUserText CannotWriteFile(const std::string& path, const std::string& reason) {
  return {"TUserText", UiText("TUserText", "ファイル %1 に書き込めません: %2"), {path, reason}};
}

TUserText VerbatimText(std::string text) {
  return {"", "%1", {std::move(text)}};
}

TUserError::TUserError(TUserText text)
    : std::runtime_error(text.Format()), text_(std::move(text)) {}
