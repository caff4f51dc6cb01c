#include "view/DevicePixels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"
#include "view/Downscale.h"
#include "view/ImageLib.h"

using testsupport::TempDir;

namespace {

const double kRatios[] = {1.0, 1.25, 1.5, 1.75, 2.0, 3.0};

codecs::DecodeOptions Fit(int w, int h, double ratio) {
  codecs::DecodeOptions o;
  o.fitWidth = w, o.fitHeight = h, o.pixelRatio = ratio;
  return o;
}

}  // namespace

TEST(DevicePixels, LengthsRoundTheWayWidgetsDo) {
  EXPECT_EQ(DeviceLength(333, 1.5), 500);  // 499.5: halves up
  EXPECT_EQ(DeviceLength(3, 1.25), 4);     // 3.75
  EXPECT_EQ(DeviceLength(5, 1.25), 6);     // 6.25
  EXPECT_EQ(DeviceLength(0, 2), 0);
  EXPECT_EQ(DeviceLength(1000, std::numeric_limits<double>::quiet_NaN()), 1000);
  EXPECT_EQ(DeviceLength(1000, -2), 1000);
  EXPECT_EQ(DeviceLength(2000000000, 4), std::numeric_limits<int>::max());
  EXPECT_EQ(LogicalSize({1, 1}, 3).width, 1);  // a picture never vanishes
  EXPECT_EQ(LogicalSize({0, 5}, 2).width, 0);
  EXPECT_EQ(SnapToDevicePixel(4.5), 5);
  EXPECT_EQ(SnapToDevicePixel(4.4999999999), 5);  // 3 * 1.5 computed a hair short
  EXPECT_EQ(SnapToDevicePixel(4.25), 4);
  EXPECT_EQ(SnapToDevicePixel(-1.5), -1);
}

TEST(DevicePixels, APictureTakenToLogicalPixelsAndBackStaysWithinTheSlack) {
  // What the paint relies on to draw a picture at its own size one to one.
  for (double ratio : kRatios) {
    for (int d = 1; d <= 700; ++d) {
      const ViewSize back = DeviceSize(LogicalSize({d, d}, ratio), ratio);
      ASSERT_TRUE(WithinSlack(back, {d, d}, ratio)) << "ratio " << ratio << ", " << d;
      if (ratio == 1.0) {
        ASSERT_EQ(back.width, d);
      }
    }
  }
}

TEST(DevicePixels, ShownSizeIsTheLogicalFitInDevicePixels) {
  struct Row {
    ViewSize picture;
    int fitW, fitH;
    double ratio;
    ViewSize shown;
  };
  const Row rows[] = {
      {{6000, 4000}, 500, 400, 1.0, {500, 333}},  {{6000, 4000}, 500, 400, 2.0, {1000, 666}},
      {{6000, 4000}, 500, 400, 1.5, {750, 500}},   // 4000 x 2667 fitted to 500 x 333
      {{4000, 6000}, 500, 400, 1.25, {334, 500}},  // 267 x 400 logical
      {{160, 120}, 500, 400, 2.0, {160, 120}},     // small: one picture pixel per device pixel
      {{900, 600}, 500, 400, 2.0, {900, 600}},     // 450 x 300 logical fits without shrinking
      {{1200, 600}, 500, 400, 2.0, {1000, 500}},
  };
  for (const Row& r : rows) {
    const ViewSize s = ShownDeviceSize(r.picture, r.fitW, r.fitH, r.ratio);
    EXPECT_EQ(s.width, r.shown.width) << r.picture.width << " at " << r.ratio;
    EXPECT_EQ(s.height, r.shown.height) << r.picture.width << " at " << r.ratio;
    // The shrink the paint asks for: the control's logical size, in device pixels.
    const auto placed =
        FitPicture({r.fitW + 4, r.fitH + 4}, LogicalSize(r.picture, r.ratio), false);
    ASSERT_TRUE(placed);
    const ViewSize painted = DeviceSize({placed->width, placed->height}, r.ratio);
    if (placed->stretch) {
      EXPECT_TRUE(painted.width == s.width && painted.height == s.height);
    } else {
      EXPECT_TRUE(WithinSlack(painted, s, r.ratio));
    }
  }
}

TEST(DevicePixels, PicturesAreDecodedAndShrunkForTheDevicePixels) {
  TempDir dir;
  const std::string path = dir / "big.jpg";
  ASSERT_TRUE(testsupport::WriteJpeg(path, 3000, 2000, 80));
  struct Row {
    ViewSize fit;
    double ratio;
    int decodedWidth;  // the smallest eighth covering the fitted size in device pixels
    ViewSize shrunk;   // 0 x 0: the decode is within a rounding of it, and painted as it is
  };
  const Row rows[] = {
      {{250, 200}, 1.0, 375, {250, 167}},
      {{250, 200}, 2.0, 750, {500, 334}},  // 250 x 167 logical pixels
      {{300, 200}, 1.5, 750, {450, 300}},
      {{250, 200}, 1.5, 375, {}},  // 375 x 251 shown, from 375 x 250 decoded
      {{250, 200}, 0.0, 375, {250, 167}},
  };
  for (const Row& r : rows) {
    const codecs::DecodeOptions options = Fit(r.fit.width, r.fit.height, r.ratio);
    EXPECT_EQ(InDevicePixels(options).pixelRatio, 1.0);
    LoadResult load = LoadPicture(path, options);
    ASSERT_EQ(load.change, PictureChange::Replace);
    EXPECT_EQ(load.picture.width, r.decodedWidth) << r.ratio;
    EXPECT_EQ(load.picture.fullWidth, 3000);
    AddShrunkFrame(load.picture, options.fitWidth, options.fitHeight, 1, options.pixelRatio);
    if (r.shrunk.width > 0) {
      EXPECT_TRUE(load.picture.shrunkFor(r.shrunk.width, r.shrunk.height)) << r.ratio;
    } else {
      EXPECT_FALSE(load.picture.shrunk);
      EXPECT_TRUE(WithinSlack({load.picture.width, load.picture.height},
                              ShownDeviceSize({3000, 2000}, r.fit.width, r.fit.height, r.ratio),
                              r.ratio));
    }
  }
}

TEST(DevicePixels, APictureARoundingAwayFromItsShownSizeIsNotShrunk) {
  // 301 x 201 is 100 x 67 logical pixels at 3, shown on 300 x 201 device pixels: shrinking it by
  // one column would blur every pixel.
  Picture p;
  p.width = p.fullWidth = 301;
  p.height = p.fullHeight = 201;
  p.frames.resize(1);
  p.frames[0].pixels.assign(p.stride() * 201, 90);
  AddShrunkFrame(p, 150, 150, 1, 3.0);
  EXPECT_FALSE(p.shrunk);
  AddShrunkFrame(p, 99, 99, 1, 3.0);  // 99 x 66 logical
  EXPECT_TRUE(p.shrunkFor(297, 198));
}

TEST(DevicePixels, ACachedDecodeServesOnlyTheDevicePixelsItWasMadeFor) {
  TempDir dir;
  const std::string path = dir / "big.jpg";
  ASSERT_TRUE(testsupport::WriteJpeg(path, 3000, 2000, 80));
  TDecodeAhead::Config config;
  config.settle = std::chrono::milliseconds(0);
  TDecodeAhead cache(config);
  cache.Prefetch({{path, Fit(250, 200, 1.0)}});
  ASSERT_TRUE(cache.WaitIdle(std::chrono::seconds(30)));
  // Twice the device pixels want a larger eighth than the one decoded.
  EXPECT_FALSE(cache.Take(path, Fit(250, 200, 2.0)));
  EXPECT_TRUE(cache.Take(path, Fit(125, 100, 2.0)));  // the same device pixels
  EXPECT_TRUE(cache.Take(path, Fit(250, 200, 1.0)));
}
