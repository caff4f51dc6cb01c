#include "view/DevicePixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

TEST(DevicePixels, PicturesAreSizedInLogicalPixelsAndShownInDevicePixels) {
  struct Row {
    ViewSize picture;
    double ratio;
    ViewSize logical, shown;  // shown: fitted into 500 x 400 logical pixels
  } rows[] = {
      {{6000, 4000}, 2.0, {3000, 2000}, {1000, 666}},
      {{6000, 4000}, 1.5, {4000, 2667}, {750, 500}},  // 500 x 333 logical: 499.5 rounds up
      {{4000, 6000}, 1.25, {3200, 4800}, {334, 500}},
      {{161, 121}, 2.0, {81, 61}, {162, 122}},  // small: never enlarged, a rounding off
      {{6000, 4000}, std::nan(""), {6000, 4000}, {500, 333}},
  };
  for (const Row& r : rows) {
    const ViewSize logical = LogicalSize(r.picture, r.ratio);
    const ViewSize shown = ShownDeviceSize(r.picture, 500, 400, r.ratio);
    EXPECT_EQ(std::pair(logical.width, logical.height),
              std::pair(r.logical.width, r.logical.height));
    EXPECT_EQ(std::pair(shown.width, shown.height), std::pair(r.shown.width, r.shown.height));
    // At its own size the picture is painted one to one.
    EXPECT_TRUE(WithinSlack(DeviceSize(logical, r.ratio), r.picture, r.ratio)) << r.ratio;
  }
}
