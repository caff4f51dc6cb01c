#include "app/Layout.h"

#include <algorithm>

namespace {

int NonNegative(int v) {
  return std::max(v, 0);
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
