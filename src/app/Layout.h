#pragma once
// The main window's geometry, worked out from sizes alone so that it can be checked without a
// window: the top bar (menu button, one-key button, input field) and the picture area below it,
// and the one surface that covers the picture area.
struct LayoutRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int Right() const { return left + width; }
  int Bottom() const { return top + height; }
  bool operator==(const LayoutRect&) const = default;
};

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
  LayoutRect buttonMenu;
  LayoutRect buttonOneKey;
  LayoutRect edit;
  LayoutRect mainPanel;
  LayoutCover cover = LayoutCover::None;
  LayoutRect keyPanel;  // in the window's client coordinates
  LayoutRect prefArea;  // the area the preferences panel centres itself in
  LayoutRect keyList;   // in the picture area's coordinates: the key list is its child
};

// Sizes never come out negative, however small the window.
LayoutResult ArrangeLayout(const LayoutInput& in);
