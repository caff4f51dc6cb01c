#pragma once
// Where the picture control sits inside its panel and how the user moves it: fitting, the
// original-size view, half-panel scrolling, the wheel, clicks into thirds, dragging and the
// double-click toggle. Pure rules over plain values, so the windows only apply the results.
#include <optional>

#include "platform/ModifierKeys.h"

struct ViewSize {
  int width = 0;
  int height = 0;
};

// The picture control's rectangle relative to its panel, and whether it stretches the picture
// to that size (off: it shows the picture at its own size).
struct ViewPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool stretch = false;

  friend bool operator==(const ViewPlacement&, const ViewPlacement&) = default;
};

// Rounds numerator / denominator to the nearest integer, halves to even; denominator > 0.
long long RoundHalfEven(long long numerator, long long denominator);

// Fits a picture of the given size into the panel: shrunk (never enlarged) and centred, or at its
// own size when originalSize is on. No placement without a picture or for a panel under 4 pixels
// on either axis: there is nothing to place or nowhere to place it.
std::optional<ViewPlacement> FitPicture(ViewSize panel, ViewSize picture, bool originalSize);

// The preview window's fit: the same rule without the original-size view.
std::optional<ViewPlacement> FitPreviewPicture(ViewSize client, ViewSize picture);

enum class ScrollDirection { Up, Down, Left, Right };

// Moves the control by half the panel, stopping once at the centred position and never past the
// picture's edges. Applies only in the original-size view to a control larger than the panel
// along that axis; otherwise the placement comes back unchanged.
ViewPlacement ScrollByHalfPanel(ViewPlacement control, ViewSize panel, bool originalSize,
                                ScrollDirection direction);

// One wheel message moves the control scrollRate pixels, whatever the delta's size; horizontally
// while the right button is held. delta > 0 (turned away from the user) moves it right / down.
ViewPlacement WheelPicture(ViewPlacement control, ViewSize panelClient, int delta,
                           bool rightButtonHeld, int scrollRate);

// A click in the left / middle / right third shows the picture's left edge / centre / right
// edge, and likewise for top / middle / bottom, on both axes at once.
ViewPlacement ClickPicture(ViewPlacement control, ViewSize panelClient, int x, int y);

// Moves the control by the pointer's travel scaled by dragAccelerator percent.
ViewPlacement DragPicture(ViewPlacement control, int dx, int dy, int dragAccelerator);

// The buttons and modifier keys held with a mouse event.
enum HeldInput : unsigned {
  kHeldShift = kShift,
  kHeldAlt = kAlt,
  kHeldCtrl = kCtrl,
  kHeldLeft = 8,
  kHeldRight = 16,
  kHeldMiddle = 32,
};

enum class MouseButton { Left, Right, Middle, Other };

// What the panel remembers between mouse events.
struct PointerState {
  int startX = 0;
  int startY = 0;
  bool doubleClickPending = false;
  bool rightButtonHeld = false;
};

enum class PointerAction {
  None,
  ToggleOriginalSize,  // toggle the setting, then fit again
  Place,               // apply the placement of the outcome
  ShowPreview,         // show the preview window with the next picture, unless already visible
};

struct PointerOutcome {
  PointerAction action = PointerAction::None;
  ViewPlacement placement;
};

// held: the buttons and modifiers held once the button is down (HeldInput bits). The left
// button alone marks where a click or drag starts; the right alone is noted for the wheel.
void MainPanelMouseDown(PointerState& state, unsigned held, int x, int y);
// Notes a left double-click, whose toggle of the original size comes with the next left
// release; the other buttons' double-clicks are plain presses and change nothing.
void MainPanelDblClick(PointerState& state, MouseButton button);

struct DragSettings {
  int dragSensitivity = 1;
  int dragAccelerator = 100;
};

// heldAfter: what is still held after the release (HeldInput bits). A left release is a
// pending toggle, a click (travel under dragSensitivity on both axes), the preview (right still
// held) or else a drag; any other release gives None.
PointerOutcome MainPanelMouseUp(PointerState& state, MouseButton released, unsigned heldAfter,
                                int x, int y, ViewPlacement control, ViewSize panelClient,
                                DragSettings settings);
