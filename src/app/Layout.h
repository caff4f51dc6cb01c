#pragma once
// The main window's geometry, worked out from sizes alone so that it can be checked without a
// window: the top bar (menu button, one-key button, input field) and the picture area below it,
// and the one surface that covers the picture area.
#include <vector>

#include "view/PixelRect.h"

// Which surface over the picture area is arranged: the first visible one in this order.
enum class LayoutCover { None, KeyPanel, PrefPanel, KeyList };

struct LayoutInput {
  int clientWidth = 0;
  int clientHeight = 0;
  int editHeight = 0;       // the input field's height, which follows its font
  int menuButtonWidth = 0;  // see CaptionWidth in the window code
  int oneKeyButtonWidth = 0;
  bool keyPanelVisible = false;
  bool prefPanelVisible = false;
  bool keyListVisible = false;
  int keyListHeight = 0;  // the height the key list wants for all its rows
};

struct LayoutResult {
  PixelRect buttonMenu;
  PixelRect buttonOneKey;
  PixelRect edit;
  PixelRect mainPanel;
  LayoutCover cover = LayoutCover::None;
  PixelRect keyPanel;  // in the window's client coordinates
  PixelRect prefArea;  // the area the preferences panel centres itself in
  PixelRect keyList;   // in the picture area's coordinates: the key list is its child
};

// Sizes never come out negative, however small the window.
LayoutResult ArrangeLayout(const LayoutInput& in);

// Windows never come out smaller than this on a screen that has the room.
inline constexpr int kMinimumWindowSide = 100;

// Bounds read from the settings file, moved and shrunk to lie whole on one of the screens'
// available areas: the one holding most of the window, or, when none holds any of it (a
// monitor since unplugged), the one nearest its centre. left and top are the frame's outer
// corner, width and height the client size; the frame adds frameWidth and frameHeight to it.
// Screens without area are skipped; without any screen the bounds come back as they were.
PixelRect PlaceOnScreens(PixelRect window, const std::vector<PixelRect>& screens,
                         int frameWidth = 0, int frameHeight = 0);
