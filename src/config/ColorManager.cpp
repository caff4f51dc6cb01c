#include "config/ColorManager.h"

#include "platform/ProfileFile.h"

namespace {
constexpr std::string_view kSection = "Color";

std::string_view Piece(std::string_view digits, std::size_t at) {
  return at < digits.size() ? digits.substr(at, 2) : std::string_view();
}
}  // namespace

std::optional<std::uint32_t> ParseColorText(std::string_view text) {
  std::string_view digits = text;
  if (!digits.empty() && digits.front() == '#') digits.remove_prefix(1);
  std::string hex = "$";
  hex += Piece(digits, 4);
  hex += Piece(digits, 2);
  hex += Piece(digits, 0);
  const auto value = platform::ParseProfileInteger(hex);
  if (!value || *value < 0 || *value > 0xFFFFFF) return std::nullopt;
  return static_cast<std::uint32_t>(*value);
}

bool TCS::SetText(std::string_view value) {
  const auto parsed = ParseColorText(value);
  if (!parsed) return false;
  color = *parsed;
  text = value;
  return true;
}

const std::array<StatusColorInfo, kStatusColorCount>& StatusColors() {
  static const std::array<StatusColorInfo, kStatusColorCount> colors = {{
      {StatusColor::Default, "Default", "FFFFFF"},
      {StatusColor::Move, "Move", "FFFFFF"},
      {StatusColor::Copy, "Copy", "FFFF00"},
      {StatusColor::IncorrectExtension, "IncorrectExtension", "00FF00"},
      {StatusColor::SameFile, "SameFile", "00FFFF"},
      {StatusColor::Empty, "Empty", "0000FF"},
      {StatusColor::Error, "Error", "FF0000"},
  }};
  return colors;
}

TColorManager::TColorManager() {
  for (const StatusColorInfo& info : StatusColors()) (*this)[info.status].SetText(info.defaultText);
}

void TColorManager::ReadSettings(const platform::ProfileFile& file) {
  for (const StatusColorInfo& info : StatusColors())
    (*this)[info.status].SetText(file.ReadString(kSection, info.settingsKey, info.defaultText));
}

void TColorManager::WriteSettings(platform::ProfileFile& file) const {
  for (const StatusColorInfo& info : StatusColors())
    file.WriteString(kSection, info.settingsKey, (*this)[info.status].text);
}
