#include "view/Viewport.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

constexpr ViewSize kPanel{504, 404};  // fitting area 500 x 400

ViewPlacement At(int left, int top, int width, int height, bool stretch = false) {
  return {left, top, width, height, stretch};
}

}  // namespace

TEST(FitPicture, SmallPicturesAreCentredNeverEnlarged) {
  EXPECT_EQ(FitPicture(kPanel, {100, 100}, false), At(200, 150, 100, 100));
  // Exactly the fitting area: the 4 spare pixels stay right and below.
  EXPECT_EQ(FitPicture(kPanel, {500, 400}, false), At(0, 0, 500, 400));
  // Halving truncates toward zero: 500 - 99 = 401 -> 200.
  EXPECT_EQ(FitPicture(kPanel, {99, 399}, false), At(200, 0, 99, 399));
  // Small pictures ignore the original-size view.
  EXPECT_EQ(FitPicture(kPanel, {100, 100}, true), At(200, 150, 100, 100));
}

TEST(FitPicture, LargePicturesShrinkKeepingTheirShape) {
  // Width-limited: W' = 800 > 500, so 500 x 250 centred vertically.
  EXPECT_EQ(FitPicture(kPanel, {1000, 500}, false), At(0, 75, 500, 250, true));
  // Height-limited: 300 x 2000 -> 60 x 400 centred horizontally.
  EXPECT_EQ(FitPicture(kPanel, {300, 2000}, false), At(220, 0, 60, 400, true));
  EXPECT_EQ(FitPicture(kPanel, {30, 800}, false), At(242, 0, 15, 400, true));
}

TEST(FitPicture, RoundsHalvesToEven) {
  EXPECT_EQ(RoundHalfEven(5, 2), 2);
  EXPECT_EQ(RoundHalfEven(7, 2), 4);
  EXPECT_EQ(RoundHalfEven(-5, 2), -2);
  EXPECT_EQ(RoundHalfEven(-7, 2), -4);
  EXPECT_EQ(RoundHalfEven(-149, 100), -1);
  EXPECT_EQ(RoundHalfEven(151, 100), 2);
  // 1001 x 800 in 500 x 400: W' = 500.5 -> 500 (even), which fits, so the height stays 400.
  EXPECT_EQ(FitPicture(kPanel, {1001, 800}, false), At(0, 0, 500, 400, true));
  // 1003 x 800: W' = 501.5 -> 502 > 500, so H' = 800 * 500 / 1003 = 398.8 -> 399.
  EXPECT_EQ(FitPicture(kPanel, {1003, 800}, false), At(0, 0, 500, 399, true));
}

TEST(FitPicture, OriginalSizeOverhangsWideAndStartsTallAtTheTop) {
  EXPECT_EQ(FitPicture(kPanel, {2000, 300}, true), At(-750, 50, 2000, 300));
  EXPECT_EQ(FitPicture(kPanel, {300, 2000}, true), At(100, 0, 300, 2000));
  // Odd overhang truncates toward zero: (500 - 1001) / 2 = -250.
  EXPECT_EQ(FitPicture(kPanel, {1001, 400}, true), At(-250, 0, 1001, 400));
}

TEST(FitPicture, NothingToPlaceOrNowhereToPlaceIt) {
  EXPECT_FALSE(FitPicture(kPanel, {0, 0}, false));
  EXPECT_FALSE(FitPicture(kPanel, {0, 100}, true));
  EXPECT_FALSE(FitPicture(kPanel, {100, -1}, false));
  EXPECT_FALSE(FitPicture({3, 404}, {100, 100}, false));
  EXPECT_FALSE(FitPicture({504, 0}, {100, 100}, false));
  EXPECT_FALSE(FitPicture({0, 0}, {0, 0}, false));
  // A 4-pixel panel has an empty fitting area: the picture shrinks to nothing without dividing
  // by zero.
  EXPECT_EQ(FitPicture({4, 4}, {100, 50}, false), At(0, 0, 0, 0, true));
  EXPECT_EQ(FitPicture({4, 4}, {1, 1}, true), At(0, 0, 1, 1));
}

TEST(FitPreviewPicture, FitsLikeTheMainViewWithoutOriginalSize) {
  EXPECT_EQ(FitPreviewPicture({304, 204}, {100, 100}), At(100, 50, 100, 100));
  EXPECT_EQ(FitPreviewPicture(kPanel, {2000, 300}), At(0, 162, 500, 75, true));
  EXPECT_FALSE(FitPreviewPicture({304, 204}, {0, 0}));
  EXPECT_FALSE(FitPreviewPicture({304, 2}, {100, 100}));
}

TEST(ScrollByHalfPanel, StepsStopOnceAtTheCentreAndAtTheEdges) {
  const ViewSize panel{800, 600};
  ViewPlacement c = At(0, -1400, 300, 2000);
  std::vector<int> tops;
  for (int i = 0; i < 7; ++i) {
    c = ScrollByHalfPanel(c, panel, true, ScrollDirection::Up);
    tops.push_back(c.top);
  }
  EXPECT_EQ(tops, (std::vector<int>{-1100, -800, -700, -400, -100, 0, 0}));

  std::vector<int> downs;
  for (int i = 0; i < 7; ++i) {
    c = ScrollByHalfPanel(c, panel, true, ScrollDirection::Down);
    downs.push_back(c.top);
  }
  EXPECT_EQ(downs, (std::vector<int>{-300, -600, -700, -1000, -1300, -1400, -1400}));
  EXPECT_EQ(c.left, 0);  // the other axis never moves
}

TEST(ScrollByHalfPanel, HorizontalStepsUseWidthAndLeft) {
  const ViewSize panel{600, 800};
  ViewPlacement c = At(-1400, 7, 2000, 300);
  c = ScrollByHalfPanel(c, panel, true, ScrollDirection::Left);
  EXPECT_EQ(c, At(-1100, 7, 2000, 300));
  c = ScrollByHalfPanel(c, panel, true, ScrollDirection::Right);
  c = ScrollByHalfPanel(c, panel, true, ScrollDirection::Right);
  EXPECT_EQ(c.left, -1400);
}

TEST(ScrollByHalfPanel, DoesNothingWhenItDoesNotApply) {
  const ViewSize panel{800, 600};
  const ViewPlacement tall = At(0, -1400, 300, 2000);
  EXPECT_EQ(ScrollByHalfPanel(tall, panel, false, ScrollDirection::Up), tall);
  // Taller than wide: sideways steps do not apply.
  EXPECT_EQ(ScrollByHalfPanel(tall, panel, true, ScrollDirection::Left), tall);
  // Exactly the panel's height is not larger than it.
  const ViewPlacement same = At(0, -5, 300, 600);
  EXPECT_EQ(ScrollByHalfPanel(same, panel, true, ScrollDirection::Down), same);
}

TEST(WheelPicture, StopsEdgesOnThePanelEdgeOnceThenMovesOn) {
  const ViewSize panel{800, 600};
  ViewPlacement c = At(0, -30, 300, 2000);
  c = WheelPicture(c, panel, 120, false, 50);
  EXPECT_EQ(c.top, 0);
  c = WheelPicture(c, panel, 1, false, 50);
  EXPECT_EQ(c.top, 50);
  // Toward the user: 0 < 50 < 50 fails vertically, so a full step.
  c = WheelPicture(c, panel, -120, false, 50);
  EXPECT_EQ(c.top, 0);
  // Bottom edge: 2000 - 1380 = 620 > 600 and 570 < 600, so the bottom stops on the panel edge.
  c = WheelPicture(At(0, -1380, 300, 2000), panel, 0, false, 50);
  EXPECT_EQ(c.top, -1400);
  c = WheelPicture(c, panel, -1, false, 50);
  EXPECT_EQ(c.top, -1450);
  // A small picture's bottom edge stops on the panel's bottom when wheeled down.
  EXPECT_EQ(WheelPicture(At(0, 480, 100, 100), panel, 1, false, 50).top, 500);
  EXPECT_EQ(WheelPicture(At(0, 30, 100, 100), panel, -1, false, 50).top, 0);
}

TEST(WheelPicture, RightButtonTurnsItSideways) {
  const ViewSize panel{800, 600};
  ViewPlacement c = WheelPicture(At(-30, 9, 2000, 300), panel, 1, true, 50);
  EXPECT_EQ(c, At(0, 9, 2000, 300));
  // Horizontally a left position equal to the rate also stops at 0.
  EXPECT_EQ(WheelPicture(At(50, 0, 100, 100), panel, -1, true, 50).left, 0);
  EXPECT_EQ(WheelPicture(At(50, 0, 100, 100), panel, -1, false, 50).left, 50);
  // A huge rate moves far without overflowing.
  EXPECT_EQ(WheelPicture(At(INT_MAX - 10, 0, 1, 1), panel, 1, true, INT_MAX).left, INT_MAX);
}

TEST(ClickPicture, ThirdsChooseEdgeCentreOrEdge) {
  const ViewSize panel{900, 600};
  const ViewPlacement c = At(-500, -700, 2000, 2000);
  EXPECT_EQ(ClickPicture(c, panel, 299, 199), At(0, 0, 2000, 2000));
  // Exactly a third is the middle: x * 3 == CW is not less than CW.
  EXPECT_EQ(ClickPicture(c, panel, 300, 200), At(-550, -700, 2000, 2000));
  EXPECT_EQ(ClickPicture(c, panel, 600, 400), At(-550, -700, 2000, 2000));
  EXPECT_EQ(ClickPicture(c, panel, 601, 401), At(-1100, -1400, 2000, 2000));
  // Small pictures move too.
  EXPECT_EQ(ClickPicture(At(10, 10, 100, 101), panel, 899, 0), At(800, 0, 100, 101));
  EXPECT_EQ(ClickPicture(At(10, 10, 100, 101), panel, 450, 300), At(400, 249, 100, 101));
}

TEST(MouseGestures, ClickDragAndSensitivity) {
  const ViewSize panel{900, 600};
  const ViewPlacement c = At(-500, -700, 2000, 2000);
  PointerState s;
  MainPanelMouseDown(s, kHeldLeft, 100, 100);
  PointerOutcome o = MainPanelMouseUp(s, MouseButton::Left, 0, 100, 100, c, panel, {1, 100});
  EXPECT_EQ(o.action, PointerAction::Place);
  EXPECT_EQ(o.placement, At(0, 0, 2000, 2000));

  // Moved one pixel with sensitivity 1: a drag, not a click.
  MainPanelMouseDown(s, kHeldLeft, 100, 100);
  o = MainPanelMouseUp(s, MouseButton::Left, 0, 101, 90, c, panel, {1, 100});
  EXPECT_EQ(o.placement, At(-499, -710, 2000, 2000));
  // Sensitivity 0: no press and release is a click; this is a drag of nothing.
  MainPanelMouseDown(s, kHeldLeft, 100, 100);
  o = MainPanelMouseUp(s, MouseButton::Left, 0, 100, 100, c, panel, {0, 100});
  EXPECT_EQ(o.action, PointerAction::Place);
  EXPECT_EQ(o.placement, c);

  // Accelerator 200 doubles, 0 pins, 50 rounds halves to even (15 * 0.5 = 7.5 -> 8).
  MainPanelMouseDown(s, kHeldLeft, 0, 0);
  EXPECT_EQ(MainPanelMouseUp(s, MouseButton::Left, 0, 40, -30, c, panel, {1, 200}).placement,
            At(-420, -760, 2000, 2000));
  EXPECT_EQ(MainPanelMouseUp(s, MouseButton::Left, 0, 40, -30, c, panel, {1, 0}).placement, c);
  EXPECT_EQ(MainPanelMouseUp(s, MouseButton::Left, 0, 15, -13, c, panel, {1, 50}).placement,
            At(-492, -706, 2000, 2000));

  // A press with a modifier held records no start point: the release measures from the last.
  MainPanelMouseDown(s, kHeldLeft | kHeldShift, 500, 500);
  EXPECT_EQ(s.startX, 0);
}

TEST(MouseGestures, RightButtonPreviewDoubleClickAndMiddle) {
  const ViewSize panel{900, 600};
  const ViewPlacement c = At(-500, -700, 2000, 2000);
  PointerState s;
  MainPanelMouseDown(s, kHeldRight, 5, 5);
  EXPECT_TRUE(s.rightButtonHeld);
  MainPanelMouseDown(s, kHeldLeft | kHeldRight, 10, 10);
  EXPECT_EQ(MainPanelMouseUp(s, MouseButton::Left, kHeldRight, 10, 10, c, panel, {1, 100}).action,
            PointerAction::ShowPreview);
  PointerOutcome o = MainPanelMouseUp(s, MouseButton::Right, 0, 10, 10, c, panel, {1, 100});
  EXPECT_EQ(o.action, PointerAction::None);
  EXPECT_FALSE(s.rightButtonHeld);

  MainPanelDblClick(s, MouseButton::Left);
  o = MainPanelMouseUp(s, MouseButton::Left, 0, 10, 10, c, panel, {1, 100});
  EXPECT_EQ(o.action, PointerAction::ToggleOriginalSize);
  EXPECT_FALSE(s.doubleClickPending);
  EXPECT_EQ(MainPanelMouseUp(s, MouseButton::Middle, 0, 10, 10, c, panel, {1, 100}).action,
            PointerAction::None);

  // A right release while a left double-click is pending clears the held flag and leaves the
  // toggle to the left release.
  MainPanelMouseDown(s, kHeldRight, 0, 0);
  MainPanelDblClick(s, MouseButton::Left);
  MainPanelMouseUp(s, MouseButton::Right, 0, 0, 0, c, panel, {1, 100});
  EXPECT_FALSE(s.rightButtonHeld);
  EXPECT_EQ(MainPanelMouseUp(s, MouseButton::Left, 0, 0, 0, c, panel, {1, 100}).action,
            PointerAction::ToggleOriginalSize);
}

TEST(MouseGestures, OnlyTheLeftDoubleClickTogglesTheOriginalSize) {
  for (const MouseButton button : {MouseButton::Right, MouseButton::Middle, MouseButton::Other}) {
    PointerState s;
    MainPanelDblClick(s, button);
    EXPECT_FALSE(s.doubleClickPending) << static_cast<int>(button);
  }
}
