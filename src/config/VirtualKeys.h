#pragma once
// The navigation key bindings: one configurable key per viewer action, stored in the settings
// file's "Key" section as binding codes (virtual-key code + 256 Shift + 512 Ctrl + 1024 Alt).
// Virtual-key codes are the Windows numbers, so settings files carry over from that system.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ModifierKeys.h"

namespace platform {
class ProfileFile;
}

// The binding code of a key with modifiers: keyCode + 256 Shift + 512 Ctrl + 1024 Alt.
int EncodeBinding(std::uint8_t keyCode, ModifierSet modifiers);

// One navigation binding.
class TVKS {
 public:
  TVKS() = default;
  explicit TVKS(int code) { SetCode(code); }

  std::uint8_t KeyCode() const { return keyCode_; }
  ModifierSet Modifiers() const { return modifiers_; }

  int GetCode() const { return EncodeBinding(keyCode_, modifiers_); }
  // Any integer: the key from bits 0-7, the modifiers from bits 8-11 (8 to 15 there mean none),
  // higher bits ignored.
  void SetCode(int code);
  std::string GetText() const { return std::to_string(GetCode()); }
  // A decimal number; anything else, or a negative number, leaves the binding unchanged.
  bool SetText(std::string_view text);
  // The event's key is this binding's key and exactly its modifiers are held.
  bool Matches(std::uint16_t keyCode, ModifierSet modifiers) const;

 private:
  std::uint8_t keyCode_ = 0;
  ModifierSet modifiers_ = kNoModifiers;
};

// The viewer actions, in the order the settings file reads them.
enum class NavAction : std::size_t {
  Complete,
  Previous,
  Next,
  Head,
  Tail,
  Up,
  Down,
  Left,
  Right,
  Turn90,
  Turn270,
  Emergency,
  ParentDirectory,
  ChildDirectory,
  PreviousDirectory,
  NextDirectory,
  OneKey,
  Undo,
  Redo,
  Trash,
  FullScreen,
};
inline constexpr std::size_t kNavActionCount = 21;

struct NavActionInfo {
  NavAction action;
  const char* settingsKey;  // key in section "Key"
  int defaultCode;
};

// Every action with its settings key and default binding, in NavAction order.
const std::array<NavActionInfo, kNavActionCount>& NavActions();

class TVirtualKeys {
 public:
  TVirtualKeys();  // every binding at its default

  TVKS& operator[](NavAction action) { return keys_[static_cast<std::size_t>(action)]; }
  const TVKS& operator[](NavAction action) const { return keys_[static_cast<std::size_t>(action)]; }

  // Section "Key"; a missing or non-numeric value gives the action's default.
  void ReadSettings(const platform::ProfileFile& file);
  // Every binding's code, as a decimal number.
  void WriteSettings(platform::ProfileFile& file) const;

 private:
  std::array<TVKS, kNavActionCount> keys_;
};
