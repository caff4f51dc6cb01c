#include "app/Settings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include "app/GeneralManager.h"
#include "app/TemporaryManager.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "platform/Path.h"
#include "platform/ProfileFile.h"

namespace {

constexpr std::string_view kMain = "Main";
constexpr std::string_view kKeyMap = "KeyMap";
constexpr std::string_view kFont = "Font";
constexpr std::string_view kPreview = "Preview";

constexpr std::string_view kDefaultImageExtensions =
    ".bmp .gif .jpe .jpeg .jpg .png .webp .heic .heif .avif .jxl .tif .tiff .cr2 .cr3 .nef .arw "
    ".dng .orf .rw2 .raf .pef";
constexpr std::string_view kDefaultListExtensions = ".txt";
constexpr std::string_view kDefaultSidecarExtensions = ".xmp";

struct NamedColor {
  const char* name;
  std::int32_t value;
};

constexpr std::int32_t System(int index) {
  return kSystemColorFlag | index;
}

constexpr std::array<NamedColor, 42> kColorNames = {{
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clScrollBar", System(0)},
    {"clBackground", System(1)},
    {"clActiveCaption", System(2)},
    {"clInactiveCaption", System(3)},
    {"clMenu", System(4)},
    {"clWindow", System(5)},
    {"clWindowFrame", System(6)},
    {"clMenuText", System(7)},
    {"clWindowText", System(8)},
    {"clCaptionText", System(9)},
    {"clActiveBorder", System(10)},
    {"clInactiveBorder", System(11)},
    {"clAppWorkSpace", System(12)},
    {"clHighlight", System(13)},
    {"clHighlightText", System(14)},
    {"clBtnFace", System(15)},
    {"clBtnShadow", System(16)},
    {"clGrayText", System(17)},
    {"clBtnText", System(18)},
    {"clInactiveCaptionText", System(19)},
    {"clBtnHighlight", System(20)},
    {"cl3DDkShadow", System(21)},
    {"cl3DLight", System(22)},
    {"clInfoText", System(23)},
    {"clInfoBk", System(24)},
    {"clNone", kColorNone},
}};

void ApplyDefaults(TGeneralManager& general) {
  general.SetImageExtensions(std::string(kDefaultImageExtensions));
  general.SetListExtensions(std::string(kDefaultListExtensions));
  general.SetDragSensitivity(1);
  general.SetDragAccelerator(100);
  general.SetScrollRate(50);
  general.OriginalSize = false;
  general.HeadFile.clear();
  general.TailFile.clear();
  general.KeyMapFile.clear();
  general.OneKey = false;
  general.Language.clear();
  general.AutoComp = false;
  general.AutoDelete = false;
  general.EnterToCopy = false;
  general.ShiftToCopy = true;
  general.RelativePath = false;
  general.SidecarExtensions = std::string(kDefaultSidecarExtensions);
}

void SetPreviewSlots(TTemporaryManager& temporary, std::int32_t visible, const PixelRect& preview) {
  temporary.SetSlot(Slot::PreviewVisible, visible);
  temporary.SetSlot(Slot::PreviewLeft, preview.left);
  temporary.SetSlot(Slot::PreviewTop, preview.top);
  temporary.SetSlot(Slot::PreviewWidth, preview.width);
  temporary.SetSlot(Slot::PreviewHeight, preview.height);
}

// Where the preview window goes when nothing is stored: the right half of the main window,
// an eighth of its height down, each share rounded toward zero. The main window's bounds are
// whatever the file held, so its corner plus a share may pass int's range: it stops at the edge,
// and the window's placement on the screens brings it back.
PixelRect DefaultPreview(const PixelRect& main) {
  const auto saturate = [](long long v) {
    return static_cast<int>(
        std::clamp<long long>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  };
  return {saturate(1LL * main.left + main.width / 2), saturate(1LL * main.top + main.height / 8),
          main.width / 2, main.height / 2};
}

void LoadDefaults(TGeneralManager& general, TTemporaryManager& temporary, TVirtualKeys& keys,
                  const WindowSettings& window) {
  ApplyDefaults(general);
  keys[NavAction::Complete].SetCode(240);
  temporary.LastDirectory.clear();
  temporary.LastFile.clear();
  SetPreviewSlots(temporary, 0, DefaultPreview(window.bounds));
}

}  // namespace

bool FontSizeUsable(std::int32_t size) {
  // Compared on both sides: negating the smallest integer is not defined.
  return (size >= 1 && size <= kMaxFontSize) || (size <= -1 && size >= -kMaxFontSize);
}

std::string FontColorToText(std::int32_t color) {
  for (const NamedColor& named : kColorNames)
    if (named.value == color) return named.name;
  char text[10];
  std::snprintf(text, sizeof text, "$%08X", static_cast<unsigned>(color));
  return text;
}

std::optional<std::int32_t> FontColorFromText(std::string_view text) {
  const std::string lower = platform::LowerAscii(text);
  for (const NamedColor& named : kColorNames)
    if (lower == platform::LowerAscii(named.name)) return named.value;
  return platform::ParseProfileInteger(text);
}

bool LoadSettings(const std::string& path, TGeneralManager& general, TTemporaryManager& temporary,
                  TVirtualKeys& keys, TColorManager& colors, WindowSettings& window) {
  platform::ProfileFile file;
  if (file.Load(path) != platform::ProfileFile::LoadStatus::Loaded) {
    LoadDefaults(general, temporary, keys, window);
    return false;
  }

  window.bounds.top = file.ReadInteger(kMain, "Top", 0);
  window.bounds.left = file.ReadInteger(kMain, "Left", 0);
  window.bounds.height = file.ReadInteger(kMain, "Height", 600);
  window.bounds.width = file.ReadInteger(kMain, "Width", 800);
  window.directoryListWidth = file.ReadInteger(kMain, "DirectoryListWidth", 300);
  window.maximized = file.ReadBool(kMain, "Maximized", false);
  window.pixelRatioPercent = file.ReadInteger(kMain, "PixelRatioPercent", 100);

  // The misspelt keys are the ones read; the lists are written under the correct spelling.
  general.SetImageExtensions(file.ReadString(kMain, "ImageExtentions", kDefaultImageExtensions));
  general.SetListExtensions(file.ReadString(kMain, "ListExtentions", kDefaultListExtensions));
  general.SetDragSensitivity(file.ReadInteger(kMain, "DragSensitivity", 1));
  general.SetDragAccelerator(file.ReadInteger(kMain, "DragAccelerator", 100));
  general.SetScrollRate(file.ReadInteger(kMain, "ScrollRate", 50));
  general.OriginalSize = file.ReadBool(kMain, "OriginalSize", false);

  general.HeadFile = file.ReadString(kKeyMap, "Head", "");
  general.TailFile = file.ReadString(kKeyMap, "Tail", "");
  general.KeyMapFile = file.ReadString(kKeyMap, "Options", "");

  general.OneKey = file.ReadBool(kMain, "1Key", false);

  FontSettings& font = window.font;
  const std::int32_t size = file.ReadInteger(kFont, "Size", 14);
  font.size = FontSizeUsable(size) ? size : 14;
  font.name = file.ReadString(kFont, "Name", "ＭＳ Ｐゴシック");
  font.style = file.ReadInteger(kFont, "Style", 0) & 0xFF;
  // An unreadable colour keeps the read default rather than stopping start-up.
  font.color = FontColorFromText(file.ReadString(kFont, "Color", "0")).value_or(0);
  font.charSet = file.ReadInteger(kFont, "CharSet", 128) & 0xFF;
  font.styleName = file.ReadString(kFont, "StyleName", "");

  colors.ReadSettings(file);
  keys.ReadSettings(file);

  general.AutoComp = file.ReadBool(kMain, "AutoComp", false);
  general.AutoDelete = file.ReadBool(kMain, "AutoDelete", false);
  general.EnterToCopy = file.ReadBool(kMain, "EnterToCopy", false);
  general.ShiftToCopy = file.ReadBool(kMain, "ShiftToCopy", true);
  general.RelativePath = file.ReadBool(kMain, "RelativePath", false);
  temporary.LastFile = file.ReadString(kMain, "LastFile", "");
  temporary.LastDirectory = file.ReadString(kMain, "LastDirectory", "");
  general.Language = file.ReadString(kMain, "Language", "");
  general.SidecarExtensions =
      file.ReadString(kMain, "SidecarExtensions", kDefaultSidecarExtensions);

  const PixelRect preview = DefaultPreview(window.bounds);
  SetPreviewSlots(temporary, file.ReadInteger(kPreview, "Visible", 0),
                  {file.ReadInteger(kPreview, "Left", preview.left),
                   file.ReadInteger(kPreview, "Top", preview.top),
                   file.ReadInteger(kPreview, "Width", preview.width),
                   file.ReadInteger(kPreview, "Height", preview.height)});
  return true;
}

bool SaveSettings(const std::string& path, const TGeneralManager& general, const TVirtualKeys& keys,
                  const TColorManager& colors, const WindowSettings& window,
                  const ListPosition& list, std::string* err) {
  platform::ProfileFile file;
  if (file.Load(path, err) == platform::ProfileFile::LoadStatus::Unreadable) return false;

  file.WriteBool(kMain, "Maximized", window.maximized);
  file.WriteInteger(kMain, "Top", window.bounds.top);
  file.WriteInteger(kMain, "Left", window.bounds.left);
  file.WriteInteger(kMain, "Height", window.bounds.height);
  file.WriteInteger(kMain, "Width", window.bounds.width);
  file.WriteInteger(kMain, "DirectoryListWidth", window.directoryListWidth);
  file.WriteString(kMain, "ImageExtensions", general.ImageExtensions);
  file.WriteString(kMain, "ListExtensions", general.ListExtensions);
  file.WriteInteger(kMain, "DragSensitivity", general.DragSensitivity);
  file.WriteInteger(kMain, "DragAccelerator", general.DragAccelerator);
  file.WriteInteger(kMain, "ScrollRate", general.ScrollRate);
  file.WriteBool(kMain, "OriginalSize", general.OriginalSize);
  file.WriteBool(kMain, "1Key", general.OneKey);

  file.WriteInteger(kFont, "Size", window.font.size);
  file.WriteString(kFont, "Name", window.font.name);
  file.WriteInteger(kFont, "Style", window.font.style);
  file.WriteString(kFont, "Color", FontColorToText(window.font.color));
  file.WriteInteger(kFont, "CharSet", window.font.charSet);
  file.WriteString(kFont, "StyleName", window.font.styleName);

  colors.WriteSettings(file);
  keys.WriteSettings(file);

  file.WriteBool(kMain, "AutoComp", general.AutoComp);
  file.WriteBool(kMain, "AutoDelete", general.AutoDelete);
  file.WriteBool(kMain, "EnterToCopy", general.EnterToCopy);
  file.WriteBool(kMain, "ShiftToCopy", general.ShiftToCopy);
  file.WriteBool(kMain, "RelativePath", general.RelativePath);
  file.WriteString(kMain, "LastDirectory", list.source);
  file.WriteString(kMain, "LastFile", list.current);
  file.WriteString(kMain, "Language", general.Language);
  file.WriteString(kMain, "SidecarExtensions", general.SidecarExtensions);
  file.WriteInteger(kMain, "PixelRatioPercent", window.pixelRatioPercent);

  file.WriteBool(kPreview, "Visible", window.previewVisible);
  file.WriteInteger(kPreview, "Left", window.preview.left);
  file.WriteInteger(kPreview, "Top", window.preview.top);
  file.WriteInteger(kPreview, "Width", window.preview.width);
  file.WriteInteger(kPreview, "Height", window.preview.height);

  file.WriteString(kKeyMap, "Head", general.HeadFile);
  file.WriteString(kKeyMap, "Tail", general.TailFile);
  file.WriteString(kKeyMap, "Options", general.KeyMapFile);

  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  return file.Save(path, err);
}

std::string ReadLanguageSetting(const std::string& path) {
  platform::ProfileFile file;
  if (file.Load(path) != platform::ProfileFile::LoadStatus::Loaded) return {};
  return file.ReadString(kMain, "Language", "");
}
