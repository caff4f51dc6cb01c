#pragma once
// The status colours: the background of the input field tells the outcome of the last command.
// Colours are typed as RRGGBB texts (optionally after "#") and kept as 0x00BBGGRR values.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {
class ProfileFile;
}

// A colour text's value (red in the lowest byte), or nullopt when the text does not parse.
// After an optional "#", three pieces of two characters are taken (shorter when the text is
// short; anything after the sixth character is ignored) and read as the hexadecimal number
// blue, green, red: "FF" is pure red, "FFFFFF00" white, "$FF0000" invalid.
std::optional<std::uint32_t> ParseColorText(std::string_view text);

// One status colour.
class TCS {
 public:
  std::uint32_t color = 0;  // 0x00BBGGRR
  std::string text;         // the text last accepted, verbatim ("#" included)

  // Stores the colour and the text when text parses; otherwise changes nothing.
  bool SetText(std::string_view value);
  int Red() const { return static_cast<int>(color & 0xFF); }
  int Green() const { return static_cast<int>((color >> 8) & 0xFF); }
  int Blue() const { return static_cast<int>((color >> 16) & 0xFF); }
};

enum class StatusColor : std::size_t {
  Default,
  Move,
  Copy,
  IncorrectExtension,
  SameFile,
  Empty,
  Error,
};
inline constexpr std::size_t kStatusColorCount = 7;

struct StatusColorInfo {
  StatusColor status;
  const char* settingsKey;  // key in section "Color"
  const char* defaultText;
};

// Every status with its settings key and default text, in StatusColor order (which is also the
// order of reading and writing).
const std::array<StatusColorInfo, kStatusColorCount>& StatusColors();

class TColorManager {
 public:
  TColorManager();  // every colour at its default

  TCS& operator[](StatusColor status) { return colors_[static_cast<std::size_t>(status)]; }
  const TCS& operator[](StatusColor status) const {
    return colors_[static_cast<std::size_t>(status)];
  }

  // Section "Color"; a missing or invalid text leaves that colour at its default.
  void ReadSettings(const platform::ProfileFile& file);
  // Each colour's text, verbatim.
  void WriteSettings(platform::ProfileFile& file) const;

 private:
  std::array<TCS, kStatusColorCount> colors_;
};
