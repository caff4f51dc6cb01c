#pragma once
// The modifier keys held with a key or mouse event, as bit flags. Binding codes, key events and
// mouse events all use these values.
#include <cstdint>

using ModifierSet = std::uint8_t;
inline constexpr ModifierSet kNoModifiers = 0;
inline constexpr ModifierSet kShift = 1;
inline constexpr ModifierSet kAlt = 2;
inline constexpr ModifierSet kCtrl = 4;
