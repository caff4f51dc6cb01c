#pragma once
// The settings that persist in the settings file. The object starts with empty texts, zero
// numbers and false flags; LoadSettings gives every field its value before anything reads it.
#include <cstdint>
#include <string>

class TGeneralManager {
 public:
  std::string ImageExtensions;  // ".bmp .gif …": each extension with its dot, blank-separated
  std::string ListExtensions;
  std::int32_t DragSensitivity = 0;  // pixels below which a press counts as a click
  std::int32_t DragAccelerator = 0;  // percentage applied to a drag
  bool OneKey = false;
  std::int32_t ScrollRate = 0;  // pixels per wheel step
  bool OriginalSize = false;
  std::string KeyMapFile;
  std::string TailFile;
  std::string HeadFile;
  bool AutoDelete = false;
  bool AutoComp = false;
  bool EnterToCopy = false;
  bool RelativePath = false;
  bool ShiftToCopy = false;
  // The interface's language: "ja", "en", or empty for the system's.
  std::string Language;
  // ".xmp …": files beside a picture under its name plus, or its stem with, one of these
  // extensions travel with it.
  std::string SidecarExtensions;

  // Stored unchanged: the picture list lower-cases its own copies.
  void SetImageExtensions(std::string text) { ImageExtensions = std::move(text); }
  void SetListExtensions(std::string text) { ListExtensions = std::move(text); }
  // Negative values are stored as 0.
  void SetDragSensitivity(std::int32_t value);
  void SetDragAccelerator(std::int32_t value);
  void SetScrollRate(std::int32_t value);
};
