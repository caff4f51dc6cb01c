#include "codecs/RawDecoder.h"

#include "codecs/ExifOrientation.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/CameraPictureWriter.h"

using testsupport::DngParams;
using testsupport::DngPreview;
using testsupport::PixelAt;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

int Brightness(const Picture& p, int x, int y) {
  const Rgba c = PixelAt(p.frames[0].pixels, p.width, x, y);
  return c.r + c.g + c.b;
}

// The preview shows the gradient, stored as the sensor saw it.
void ExpectPreview(const Picture& p, const DngParams& params, int tolerance) {
  for (auto [x, y] : {std::pair{6, 6},
                      {p.width - 7, 6},
                      {p.width / 2, p.height / 2},
                      {6, p.height - 7},
                      {p.width - 7, p.height - 7}}) {
    const int storedW = params.orientation >= 5 ? p.height : p.width;
    const int storedH = params.orientation >= 5 ? p.width : p.height;
    const auto at = testsupport::StoredPixel(params.orientation, x, y, storedW, storedH);
    const Rgba want = testsupport::Gradient(at.x, at.y, storedW, storedH);
    const Rgba got = PixelAt(p.frames[0].pixels, p.width, x, y);
    EXPECT_TRUE(std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
                std::abs(got.b - want.b) <= tolerance && got.a == 255)
        << x << "," << y << " got " << int(got.r) << " " << int(got.g) << " " << int(got.b)
        << " want " << int(want.r) << " " << int(want.g) << " " << int(want.b);
  }
}

}  // namespace

TEST(RawDecoder, ShowsTheEmbeddedPreviewUpright) {
  struct Case {
    DngPreview preview;
    int orientation;
    int fitWidth, fitHeight;
    int wantWidth, wantHeight;  // upright
  };
  // A 400 x 240 sensor image with a 200 x 120 preview.
  for (Case c :
       {Case{DngPreview::Jpeg, 1, 0, 0, 200, 120}, Case{DngPreview::Jpeg, 6, 0, 0, 120, 200},
        Case{DngPreview::Jpeg, 8, 0, 0, 120, 200}, Case{DngPreview::Jpeg, 3, 0, 0, 200, 120},
        // The JPEG is decoded at the smallest scale covering the fitted view (3/8), turned.
        Case{DngPreview::Jpeg, 6, 40, 60, 45, 75}, Case{DngPreview::Jpeg, 1, 60, 40, 75, 45},
        Case{DngPreview::Rgb8, 1, 0, 0, 200, 120}, Case{DngPreview::Rgb8, 6, 100, 100, 120, 200}}) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.preview) << " orientation "
                                    << c.orientation << " fit " << c.fitWidth);
    DngParams params;
    params.width = 400, params.height = 240, params.preview = c.preview;
    params.previewWidth = 200, params.previewHeight = 120, params.orientation = c.orientation;
    const std::string file = testsupport::EncodeDng(params);
    ASSERT_FALSE(file.empty());
    codecs::DecodeOptions options;
    options.fitWidth = c.fitWidth, options.fitHeight = c.fitHeight;
    Picture p;
    ASSERT_TRUE(codecs::DecodeRaw(AsBytes(file), p, options));
    EXPECT_EQ(p.width, c.wantWidth);
    EXPECT_EQ(p.height, c.wantHeight);
    const bool turned = c.orientation >= 5;
    EXPECT_EQ(p.fullWidth, turned ? 240 : 400);
    EXPECT_EQ(p.fullHeight, turned ? 400 : 240);
    EXPECT_FALSE(p.hasAlpha);
    ExpectPreview(p, params, c.preview == DngPreview::Jpeg ? 12 : 0);
  }
}

TEST(RawDecoder, DevelopsTheSensorImageWhenThePreviewIsTooSmallOrMissing) {
  struct Case {
    DngPreview preview;
    int previewWidth, previewHeight;
    int orientation;
    int fitWidth, fitHeight;
  };
  for (Case c :
       {Case{DngPreview::None, 0, 0, 1, 0, 0}, Case{DngPreview::None, 0, 0, 6, 0, 0},
        Case{DngPreview::Jpeg, 60, 36, 1, 0, 0}, Case{DngPreview::Jpeg, 60, 36, 8, 300, 300},
        Case{DngPreview::Rgb8, 60, 36, 1, 200, 200}}) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.preview) << " orientation "
                                    << c.orientation << " fit " << c.fitWidth);
    DngParams params;
    params.width = 400, params.height = 240, params.preview = c.preview;
    params.previewWidth = c.previewWidth, params.previewHeight = c.previewHeight;
    params.orientation = c.orientation;
    codecs::DecodeOptions options;
    options.fitWidth = c.fitWidth, options.fitHeight = c.fitHeight;
    Picture p;
    ASSERT_TRUE(codecs::DecodeRaw(AsBytes(testsupport::EncodeDng(params)), p, options));
    const bool turned = c.orientation >= 5;
    EXPECT_EQ(p.width, turned ? 120 : 200);  // half size
    EXPECT_EQ(p.height, turned ? 200 : 120);
    EXPECT_EQ(p.fullWidth, turned ? 240 : 400);
    EXPECT_EQ(p.fullHeight, turned ? 400 : 240);
    // The sensor's bright left half ends up where the orientation puts the left edge.
    const int near = 10, farX = p.width - 11, farY = p.height - 11;
    int bright = 0, dark = 0;
    switch (c.orientation) {
      case 6:
        bright = Brightness(p, near, near), dark = Brightness(p, near, farY);
        break;
      case 8:
        bright = Brightness(p, near, farY), dark = Brightness(p, near, near);
        break;
      default:
        bright = Brightness(p, near, near), dark = Brightness(p, farX, near);
        break;
    }
    EXPECT_GT(bright, dark + 150);
  }
}

TEST(RawDecoder, RefusesJunkTruncationAndSizesOverTheLimits) {
  DngParams params;
  params.width = 400, params.height = 240, params.previewWidth = 200, params.previewHeight = 120;
  const std::string file = testsupport::EncodeDng(params);
  ASSERT_FALSE(file.empty());
  Picture p;
  for (std::size_t cut :
       {std::size_t{0}, std::size_t{8}, std::size_t{100}, file.size() / 2, file.size() - 10}) {
    SCOPED_TRACE(cut);
    if (codecs::DecodeRaw(AsBytes(file.substr(0, cut)), p)) {
      EXPECT_GT(cut, 100u);
      EXPECT_FALSE(p.empty());
    }
  }
  std::string damaged = file;
  for (std::size_t i = 8; i < damaged.size(); i += 11) damaged[i] ^= 0x21;
  codecs::DecodeRaw(AsBytes(damaged), p);

  p = Picture{};
  codecs::DecodeOptions tight;
  tight.limits.maxDimension = 399;  // the sensor image is over it, though the preview is not
  EXPECT_FALSE(codecs::DecodeRaw(AsBytes(file), p, tight));
  tight = {};
  tight.limits.maxPixels = 400 * 240 - 1;
  EXPECT_FALSE(codecs::DecodeRaw(AsBytes(file), p, tight));
  EXPECT_TRUE(p.empty());
  EXPECT_FALSE(codecs::DecodeRaw(AsBytes(std::string(4096, 'x')), p));
  EXPECT_FALSE(
      codecs::DecodeRaw(AsBytes(std::string("II*\0\x08\0\0\0", 8) + std::string(64, '\0')), p));
}

TEST(RawDecoder, OrientationMatchesTheLibrarysFlipCodes) {
  // The library's flip bits: 4 swaps rows and columns, 2 mirrors top-bottom, 1 left-right.
  const int want[8] = {1, 2, 4, 3, 5, 8, 6, 7};
  for (int flip = 0; flip < 8; ++flip) EXPECT_EQ(codecs::OrientationOfRawFlip(flip), want[flip]);
  EXPECT_EQ(codecs::OrientationOfRawFlip(-1), 1);

  // Every orientation of a 3 x 2 picture against where its stored pixels must land.
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    Picture p;
    p.width = p.fullWidth = 3, p.height = p.fullHeight = 2;
    p.frames.resize(1);
    for (int i = 0; i < 6; ++i)
      p.frames[0].pixels.insert(p.frames[0].pixels.end(), {std::uint8_t(i), 0, 0, 255});
    codecs::ApplyOrientation(p, orientation);
    const bool turned = orientation >= 5;
    ASSERT_EQ(p.width, turned ? 2 : 3);
    ASSERT_EQ(p.fullHeight, turned ? 3 : 2);
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const auto s = testsupport::StoredPixel(orientation, x, y, 3, 2);
        EXPECT_EQ(PixelAt(p.frames[0].pixels, p.width, x, y).b, s.y * 3 + s.x) << x << "," << y;
      }
  }
}
