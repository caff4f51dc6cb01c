#include "app/Layout.h"

#include <algorithm>
#include <tuple>
#include <utility>

namespace {

int NonNegative(int v) {
  return std::max(v, 0);
}

// Settings files may hold any 32-bit value: the arithmetic is done in 64 bits.
struct Span {
  long long start;
  long long length;
  long long End() const { return start + length; }
};

long long Overlap(Span a, Span b) {
  return std::max(0LL, std::min(a.End(), b.End()) - std::max(a.start, b.start));
}

// Twice the distance from a span's middle to another span.
long long Gap2(Span a, Span b) {
  const long long middle2 = 2 * a.start + a.length;
  if (middle2 < 2 * b.start) return 2 * b.start - middle2;
  if (middle2 > 2 * b.End()) return middle2 - 2 * b.End();
  return 0;
}

// One axis of the placement: the window's outer span, frame included, fitted into the room.
// Returns the start and the client length.
std::pair<int, int> FitSpan(int start, int length, int frame, Span room) {
  // Some platforms report a frame of -1 for a window without a window manager.
  frame = std::max(frame, 0);
  const long long roomForClient = std::max(0LL, room.length - frame);
  const long long client = std::clamp<long long>(
      length, std::min<long long>(kMinimumWindowSide, roomForClient), roomForClient);
  const long long last = std::max(room.start, room.End() - client - frame);
  return {static_cast<int>(std::clamp<long long>(start, room.start, last)),
          static_cast<int>(client)};
}

}  // namespace

LayoutResult ArrangeLayout(const LayoutInput& in) {
  LayoutResult r;
  const int w = NonNegative(in.clientWidth);
  const int h = NonNegative(in.clientHeight);
  const int barHeight = NonNegative(in.editHeight);

  r.buttonMenu = {0, 0, NonNegative(in.menuButtonWidth), barHeight};
  r.buttonOneKey = {r.buttonMenu.Right(), 0, NonNegative(in.oneKeyButtonWidth), barHeight};
  const int editLeft = r.buttonOneKey.Right();
  r.edit = {editLeft, 0, NonNegative(w - editLeft), barHeight};
  r.mainPanel = {0, barHeight, w, NonNegative(h - barHeight)};

  if (in.keyPanelVisible) {
    r.cover = LayoutCover::KeyPanel;
    r.keyPanel = {0, barHeight, w, NonNegative(h - barHeight)};
  } else if (in.prefPanelVisible) {
    r.cover = LayoutCover::PrefPanel;
    r.prefArea = {0, 0, w, h};
  } else if (in.keyListVisible) {
    r.cover = LayoutCover::KeyList;
    r.keyList = {editLeft, 0, NonNegative(r.mainPanel.width - editLeft),
                 std::min(NonNegative(in.keyListHeight), r.mainPanel.height)};
  }
  return r;
}

PixelRect PlaceOnScreens(PixelRect window, const std::vector<PixelRect>& screens, int frameWidth,
                         int frameHeight) {
  const Span x{window.left, 1LL * window.width + frameWidth};
  const Span y{window.top, 1LL * window.height + frameHeight};
  const PixelRect* best = nullptr;
  long long bestOverlap = 0;
  long long bestDistance = 0;
  for (const PixelRect& screen : screens) {
    if (screen.width <= 0 || screen.height <= 0) continue;
    const Span sx{screen.left, screen.width};
    const Span sy{screen.top, screen.height};
    const long long overlap = Overlap(x, sx) * Overlap(y, sy);
    // Measured along the axes, so that no sum comes near overflowing.
    const long long distance = Gap2(x, sx) + Gap2(y, sy);
    if (!best || overlap > bestOverlap || (bestOverlap == 0 && distance < bestDistance)) {
      best = &screen;
      bestOverlap = overlap;
      bestDistance = distance;
    }
  }
  if (!best) return window;
  std::tie(window.left, window.width) =
      FitSpan(window.left, window.width, frameWidth, {best->left, best->width});
  std::tie(window.top, window.height) =
      FitSpan(window.top, window.height, frameHeight, {best->top, best->height});
  return window;
}
