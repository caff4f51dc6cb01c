#include "view/Viewport.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// Positions are computed wide and brought back into int range, so huge settings values
// (a scroll rate or drag accelerator near INT_MAX) move the picture far but never overflow.
int ToInt(long long v) {
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

// Integer division by 2 truncated toward zero, as used for every centring.
long long Half(long long v) {
  return v / 2;
}

bool IsVertical(ScrollDirection d) {
  return d == ScrollDirection::Up || d == ScrollDirection::Down;
}

}  // namespace

long long RoundHalfEven(long long numerator, long long denominator) {
  long long q = numerator / denominator;
  long long r = numerator % denominator;
  if (r < 0) {  // make q the floor and r non-negative
    q -= 1;
    r += denominator;
  }
  const long long twice = 2 * r;
  if (twice > denominator || (twice == denominator && (q % 2 != 0))) ++q;
  return q;
}

std::optional<ViewPlacement> FitPicture(ViewSize panel, ViewSize picture, bool originalSize) {
  if (picture.width <= 0 || picture.height <= 0) return std::nullopt;
  if (panel.width < 4 || panel.height < 4) return std::nullopt;
  // The 4 spare pixels of the fitting area all lie to the right and below.
  const long long aw = panel.width - 4;
  const long long ah = panel.height - 4;
  const long long pw = picture.width;
  const long long ph = picture.height;

  ViewPlacement p;
  if (pw <= aw && ph <= ah) {
    p = {ToInt(Half(aw - pw)), ToInt(Half(ah - ph)), picture.width, picture.height, false};
  } else if (originalSize) {
    // A wider picture overhangs both sides equally; a taller one starts at its top edge.
    p = {ToInt(Half(aw - pw)), ph < ah ? ToInt(Half(ah - ph)) : 0, picture.width, picture.height,
         false};
  } else {
    long long w = RoundHalfEven(pw * ah, ph);
    long long h = ah;
    if (w > aw) {
      w = aw;
      h = RoundHalfEven(ph * aw, pw);
    }
    p.width = ToInt(w);
    p.height = ToInt(h);
    p.stretch = true;
    if (h == ah) {
      p.left = ToInt(Half(aw - w));
      p.top = 0;
    } else {
      p.left = 0;
      p.top = ToInt(Half(ah - h));
    }
  }
  return p;
}

std::optional<ViewPlacement> FitPreviewPicture(ViewSize client, ViewSize picture) {
  return FitPicture(client, picture, false);
}

ViewPlacement ScrollByHalfPanel(ViewPlacement control, ViewSize panel, bool originalSize,
                                ScrollDirection direction) {
  if (!originalSize) return control;
  const bool vertical = IsVertical(direction);
  int& pos = vertical ? control.top : control.left;
  const long long s = vertical ? control.height : control.width;
  const long long c = vertical ? panel.height : panel.width;
  if (s <= c) return control;

  const long long half = c / 2;
  const long long centre = Half(c - s);
  const long long p = pos;
  long long next;
  if (direction == ScrollDirection::Up || direction == ScrollDirection::Left) {
    next = p + half;
    if (next - half < centre && centre < next) {
      next = centre;
    } else if (next > 0) {
      next = 0;
    }
  } else {
    next = p - half;
    if (next < centre && centre < next + half) {
      next = centre;
    } else if (next < c - s) {
      next = c - s;
    }
  }
  pos = ToInt(next);
  return control;
}

ViewPlacement WheelPicture(ViewPlacement control, ViewSize panelClient, int delta,
                           bool rightButtonHeld, int scrollRate) {
  const bool horizontal = rightButtonHeld;
  int& pos = horizontal ? control.left : control.top;
  const long long p = pos;
  const long long s = horizontal ? control.width : control.height;
  const long long c = horizontal ? panelClient.width : panelClient.height;
  const long long r = std::max(scrollRate, 0);

  long long next;
  if (delta > 0) {
    if (p < 0 && p + r > 0) {
      next = 0;
    } else if (p + s < c && p + s + r > c) {
      next = c - s;
    } else {
      next = p + r;
    }
  } else {
    const bool nearStart = horizontal ? (0 < p && p <= r) : (0 < p && p < r);
    if (nearStart) {
      next = 0;
    } else if (p + s > c && p + s - r < c) {
      next = c - s;
    } else {
      next = p - r;
    }
  }
  pos = ToInt(next);
  return control;
}

namespace {

long long ThirdPosition(long long click, long long client, long long size) {
  if (click * 3 < client) return 0;
  if (click * 3 > client * 2) return client - size;
  return Half(client - size);
}

}  // namespace

ViewPlacement ClickPicture(ViewPlacement control, ViewSize panelClient, int x, int y) {
  control.left = ToInt(ThirdPosition(x, panelClient.width, control.width));
  control.top = ToInt(ThirdPosition(y, panelClient.height, control.height));
  return control;
}

ViewPlacement DragPicture(ViewPlacement control, int dx, int dy, int dragAccelerator) {
  const long long a = std::max(dragAccelerator, 0);
  control.left = ToInt(control.left + RoundHalfEven(dx * a, 100));
  control.top = ToInt(control.top + RoundHalfEven(dy * a, 100));
  return control;
}

void MainPanelMouseDown(PointerState& state, unsigned held, int x, int y) {
  if (held == kHeldLeft) {
    state.startX = x;
    state.startY = y;
  } else if (held == kHeldRight) {
    state.rightButtonHeld = true;
  }
}

void MainPanelDblClick(PointerState& state, MouseButton button) {
  if (button == MouseButton::Left) state.doubleClickPending = true;
}

PointerOutcome MainPanelMouseUp(PointerState& state, MouseButton released, unsigned heldAfter,
                                int x, int y, ViewPlacement control, ViewSize panelClient,
                                DragSettings settings) {
  // Whatever else this release means, the right button is no longer down: a stale flag would
  // turn the wheel sideways until the next right release.
  if (released == MouseButton::Right) state.rightButtonHeld = false;

  // The toggle waits for the release of the button that double-clicked.
  if (state.doubleClickPending && released == MouseButton::Left) {
    state.doubleClickPending = false;
    return {PointerAction::ToggleOriginalSize, control};
  }
  const long long dx = static_cast<long long>(x) - state.startX;
  const long long dy = static_cast<long long>(y) - state.startY;
  const long long sensitivity = settings.dragSensitivity;
  if (std::llabs(dx) < sensitivity && std::llabs(dy) < sensitivity &&
      released == MouseButton::Left && heldAfter != kHeldRight) {
    return {PointerAction::Place, ClickPicture(control, panelClient, x, y)};
  }
  if (released != MouseButton::Left) return {PointerAction::None, control};
  if (heldAfter & kHeldRight) return {PointerAction::ShowPreview, control};
  return {PointerAction::Place,
          DragPicture(control, ToInt(dx), ToInt(dy), settings.dragAccelerator)};
}
