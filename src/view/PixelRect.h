#pragma once
// A rectangle in pixels: a window's bounds on the screens, or a control's place in its parent.
// One type for all of them, so bounds pass between the settings, the layout and the windows
// without copying field by field.

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  // Only for rectangles whose edges fit in an int, such as the layout's own; bounds read from
  // the settings file can be anything and are worked on in 64 bits instead.
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool operator==(const PixelRect&) const = default;
};
