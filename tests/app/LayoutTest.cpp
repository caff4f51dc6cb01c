#include "app/Layout.h"

#include <gtest/gtest.h>

namespace {

LayoutInput Window(int editHeight) {
  LayoutInput in;
  in.clientWidth = 800;
  in.clientHeight = 600;
  in.editHeight = editHeight;
  in.menuButtonWidth = 70;
  in.oneKeyButtonWidth = 25;
  return in;
}

TEST(LayoutTest, TopBarAndPictureArea) {
  const LayoutResult r = ArrangeLayout(Window(22));
  EXPECT_EQ(r.buttonMenu, (PixelRect{0, 0, 70, 22}));
  EXPECT_EQ(r.buttonOneKey, (PixelRect{70, 0, 25, 22}));
  EXPECT_EQ(r.edit, (PixelRect{95, 0, 705, 22}));
  EXPECT_EQ(r.mainPanel, (PixelRect{0, 22, 800, 578}));
  EXPECT_EQ(r.cover, LayoutCover::None);
}

TEST(LayoutTest, LargerFontMakesTheBarTallerAndThePictureAreaShorterBySameAmount) {
  const LayoutResult small = ArrangeLayout(Window(22));
  const LayoutResult large = ArrangeLayout(Window(41));
  EXPECT_EQ(large.edit.height - small.edit.height, 19);
  EXPECT_EQ(small.mainPanel.height - large.mainPanel.height, 19);
  EXPECT_EQ(large.mainPanel.top, large.edit.Bottom());
  EXPECT_EQ(large.mainPanel.Bottom(), 600);
  EXPECT_EQ(large.buttonMenu.height, 41);
  EXPECT_EQ(large.buttonOneKey.height, 41);
}

TEST(LayoutTest, FirstVisibleCoverIsArranged) {
  LayoutInput in = Window(20);
  in.keyPanelVisible = in.prefPanelVisible = in.keyListVisible = true;
  in.keyListHeight = 100;
  LayoutResult r = ArrangeLayout(in);
  EXPECT_EQ(r.cover, LayoutCover::KeyPanel);
  EXPECT_EQ(r.keyPanel, (PixelRect{0, 20, 800, 580}));
  EXPECT_EQ(r.keyList, PixelRect{});

  in.keyPanelVisible = false;
  r = ArrangeLayout(in);
  EXPECT_EQ(r.cover, LayoutCover::PrefPanel);
  EXPECT_EQ(r.prefArea, (PixelRect{0, 0, 800, 600}));

  in.prefPanelVisible = false;
  r = ArrangeLayout(in);
  EXPECT_EQ(r.cover, LayoutCover::KeyList);
  // Under the input field, in the picture area's own coordinates.
  EXPECT_EQ(r.keyList, (PixelRect{95, 0, 705, 100}));
}

TEST(LayoutTest, KeyListIsCutToThePictureArea) {
  LayoutInput in = Window(20);
  in.keyListVisible = true;
  in.keyListHeight = 5000;
  EXPECT_EQ(ArrangeLayout(in).keyList.height, 580);
}

TEST(LayoutTest, TinyWindowGivesNoNegativeSizes) {
  LayoutInput in = Window(30);
  in.clientWidth = 50;
  in.clientHeight = 10;
  in.keyListVisible = true;
  in.keyListHeight = 40;
  const LayoutResult r = ArrangeLayout(in);
  EXPECT_EQ(r.edit.width, 0);
  EXPECT_EQ(r.mainPanel.height, 0);
  EXPECT_EQ(r.keyList.width, 0);
  EXPECT_EQ(r.keyList.height, 0);
}

}  // namespace

TEST(LayoutTest, StoredBoundsArePlacedWholeOnAScreen) {
  // A 1920 x 1040 screen (a task bar below) and a 1280 x 1024 one to its right.
  const std::vector<PixelRect> screens{{0, 0, 1920, 1040}, {1920, 0, 1280, 1024}};
  const PixelRect rows[][2] = {
      {{2000, 10, 800, 600}, {2000, 10, 800, 600}},    // fits on the second screen
      {{10, 20, 100000, 100000}, {0, 0, 1920, 1040}},  // larger than any screen
      {{1800, 900, 800, 600}, {1920, 424, 800, 600}},  // mostly on the second screen
      {{9000, -4000, 800, 600}, {2400, 0, 800, 600}},  // on a monitor that is gone
      {{100, 100, 0, -601}, {100, 100, 100, 100}},     // no size
      {{-2147483647 - 1, 2147483647, 2147483647, -2147483647 - 1}, {0, 940, 1920, 100}}};
  for (const auto& row : rows) EXPECT_EQ(PlaceOnScreens(row[0], screens), row[1]);
  // The frame's corner is the one stored; its size comes on top of the client size.
  EXPECT_EQ(PlaceOnScreens({-100, 900, 1920, 1040}, screens, 8, 31), (PixelRect{0, 0, 1912, 1009}));
  EXPECT_EQ(PlaceOnScreens({0, 0, 5000, 5000}, screens, -1, -1), (PixelRect{0, 0, 1920, 1040}));
  EXPECT_EQ(PlaceOnScreens({-9, -9, 100000, 5}, {}), (PixelRect{-9, -9, 100000, 5}));
}
