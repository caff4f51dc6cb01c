#include "config/VirtualKeys.h"

#include "platform/ProfileFile.h"

namespace {

constexpr std::string_view kSection = "Key";

// Bits 8-11 of a binding code -> modifier set; 8 to 15 carry no modifiers.
constexpr std::array<ModifierSet, 16> kModifiersOfBits = {kNoModifiers,
                                                          kShift,
                                                          kCtrl,
                                                          kShift | kCtrl,
                                                          kAlt,
                                                          kShift | kAlt,
                                                          kCtrl | kAlt,
                                                          kShift | kCtrl | kAlt,
                                                          0,
                                                          0,
                                                          0,
                                                          0,
                                                          0,
                                                          0,
                                                          0,
                                                          0};

constexpr std::array<NavAction, kNavActionCount> kWriteOrder = {NavAction::OneKey,
                                                                NavAction::Complete,
                                                                NavAction::Previous,
                                                                NavAction::Next,
                                                                NavAction::Head,
                                                                NavAction::Tail,
                                                                NavAction::Up,
                                                                NavAction::Down,
                                                                NavAction::Left,
                                                                NavAction::Right,
                                                                NavAction::Turn90,
                                                                NavAction::Turn270,
                                                                NavAction::Emergency,
                                                                NavAction::ParentDirectory,
                                                                NavAction::ChildDirectory,
                                                                NavAction::PreviousDirectory,
                                                                NavAction::NextDirectory,
                                                                NavAction::Undo,
                                                                NavAction::Redo,
                                                                NavAction::Trash,
                                                                NavAction::FullScreen};

}  // namespace

int EncodeBinding(std::uint8_t keyCode, ModifierSet modifiers) {
  int code = keyCode;
  if (modifiers & kShift) code += 256;
  if (modifiers & kCtrl) code += 512;
  if (modifiers & kAlt) code += 1024;
  return code;
}

const std::array<NavActionInfo, kNavActionCount>& NavActions() {
  static const std::array<NavActionInfo, kNavActionCount> actions = {{
      {NavAction::Complete, "Complete", 240},
      {NavAction::Previous, "Previous", 37},
      {NavAction::Next, "Next", 39},
      {NavAction::Head, "Head", 36},
      {NavAction::Tail, "Tail", 35},
      {NavAction::Up, "Up", 38},
      {NavAction::Down, "Down", 40},
      {NavAction::Left, "Left", 294},
      {NavAction::Right, "Right", 296},
      {NavAction::Turn90, "90", 295},
      {NavAction::Turn270, "270", 293},
      {NavAction::Emergency, "Emergency", 27},
      {NavAction::ParentDirectory, "ParentDirectory", 550},
      {NavAction::ChildDirectory, "ChildDirectory", 552},
      {NavAction::PreviousDirectory, "PreviousDirectory", 549},
      {NavAction::NextDirectory, "NextDirectory", 551},
      {NavAction::OneKey, "OneKey", 112},
      {NavAction::Undo, "Undo", 602},
      {NavAction::Redo, "Redo", 601},
      {NavAction::Trash, "Trash", 46},
      {NavAction::FullScreen, "FullScreen", 122},
  }};
  return actions;
}

void TVKS::SetCode(int code) {
  const auto bits = static_cast<unsigned>(code);
  keyCode_ = static_cast<std::uint8_t>(bits & 0xFF);
  modifiers_ = kModifiersOfBits[(bits >> 8) & 0xF];
}

bool TVKS::SetText(std::string_view text) {
  if (text.empty() || text.size() > 10) return false;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 0x7FFFFFFF) return false;
  SetCode(static_cast<int>(value));
  return true;
}

bool TVKS::Matches(std::uint16_t keyCode, ModifierSet modifiers) const {
  return keyCode == keyCode_ && (modifiers & (kShift | kAlt | kCtrl)) == modifiers_;
}

TVirtualKeys::TVirtualKeys() {
  for (const NavActionInfo& info : NavActions()) (*this)[info.action].SetCode(info.defaultCode);
}

void TVirtualKeys::ReadSettings(const platform::ProfileFile& file) {
  for (const NavActionInfo& info : NavActions())
    (*this)[info.action].SetCode(file.ReadInteger(kSection, info.settingsKey, info.defaultCode));
}

void TVirtualKeys::WriteSettings(platform::ProfileFile& file) const {
  for (NavAction action : kWriteOrder) {
    const NavActionInfo& info = NavActions()[static_cast<std::size_t>(action)];
    file.WriteInteger(kSection, info.settingsKey, (*this)[action].GetCode());
  }
}
