#pragma once
// The settings file: read once at start-up into the settings objects and the window, written
// once at shutdown. The window's own part travels in WindowSettings, which the window fills
// before saving and applies after loading, so the rules stay free of any toolkit.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "view/PixelRect.h"

class TGeneralManager;
class TTemporaryManager;
class TVirtualKeys;
class TColorManager;

// Font style bits.
inline constexpr std::int32_t kFontBold = 1;
inline constexpr std::int32_t kFontItalic = 2;
inline constexpr std::int32_t kFontUnderline = 4;
inline constexpr std::int32_t kFontStrikeOut = 8;

// Colour values of the input field's font: 0x00BBGGRR for plain colours, 0x80000000 plus an
// index for the system colours, kColorNone for none.
inline constexpr std::int32_t kSystemColorFlag = static_cast<std::int32_t>(0x80000000u);
inline constexpr std::int32_t kColorWindowText = kSystemColorFlag | 8;
inline constexpr std::int32_t kColorNone = 0x1FFFFFFF;

// The font colour as a colour name ("clRed", "clWindowText" …) or "$" + 8 hex digits, and back.
std::string FontColorToText(std::int32_t color);
// A name (any letter case) or an integer; nullopt for anything else.
std::optional<std::int32_t> FontColorFromText(std::string_view text);

struct FontSettings {
  std::string name = "ＭＳ Ｐゴシック";
  std::int32_t size = 14;  // points; negative: pixels
  std::int32_t style = 0;  // kFont* bits
  std::int32_t color = kColorWindowText;
  std::int32_t charSet = 128;  // the Shift-JIS set
  // The face's own style ("Light", "Medium" …), which the style bits cannot tell; empty: none.
  std::string styleName;
  bool operator==(const FontSettings&) const = default;
};

// Font sizes beyond this many points or pixels would push the picture area off the window.
inline constexpr std::int32_t kMaxFontSize = 200;
// A size the input field can take: 1 to kMaxFontSize points, or as many pixels when negative.
bool FontSizeUsable(std::int32_t size);

// The window's part of the settings. Defaults are the window's own, which LoadSettings
// leaves alone when there is no settings file.
struct WindowSettings {
  PixelRect bounds{0, 0, 800, 600};  // normal (restored) bounds
  bool maximized = false;
  std::int32_t directoryListWidth = 300;
  FontSettings font;
  // Written only: the preview window's state at shutdown. Reading puts the stored values into
  // the run-time state's preview slots instead.
  bool previewVisible = false;
  PixelRect preview;
  // Device pixels per logical pixel where the window last was, in hundredths: what the first
  // picture is decoded for before the window knows its screen.
  std::int32_t pixelRatioPercent = 100;
};

// What SaveSettings records about the picture list.
struct ListPosition {
  std::string source;   // the folder or list file opened
  std::string current;  // the picture on screen; empty when there is none
};

// Reads path into the objects. True when a settings file was read; false when it is missing or
// unreadable, in which case the defaults are applied, nothing is created on disk, and window
// keeps its default values.
bool LoadSettings(const std::string& path, TGeneralManager& general, TTemporaryManager& temporary,
                  TVirtualKeys& keys, TColorManager& colors, WindowSettings& window);

// Writes every setting into path, keeping whatever else the file holds, and creates the folder
// when missing. The file is replaced atomically: on failure (err: "path: reason") the old file
// is left whole and the result is false.
bool SaveSettings(const std::string& path, const TGeneralManager& general, const TVirtualKeys& keys,
                  const TColorManager& colors, const WindowSettings& window,
                  const ListPosition& list, std::string* err);

// The "Language" key alone, read before any window exists; empty when the file or the key is
// missing.
std::string ReadLanguageSetting(const std::string& path);
