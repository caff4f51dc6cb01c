#include "codecs/HeifDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/CameraPictureWriter.h"

using testsupport::HeifParams;
using testsupport::PixelAt;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

// Lossy coding moves each channel a little; alpha too (it is coded as a picture of its own).
void ExpectPattern(const Picture& p, const HeifParams& params, int tolerance) {
  ASSERT_EQ(p.frames.size(), 1u);
  for (auto [x, y] : {std::pair{4, 4},
                      {p.width / 2 - 3, p.height / 3},
                      {p.width - 5, 5},
                      {p.width - 5, p.height - 5},
                      {5, p.height - 5}}) {
    const auto s = testsupport::StoredPixel(params.orientation, x, y, params.width, params.height);
    const Rgba want = testsupport::Pattern(s.x, s.y, params.width, params.height, 0, params.alpha);
    const Rgba got = PixelAt(p.frames[0].pixels, p.width, x, y);
    EXPECT_TRUE(std::abs(got.r - want.r) <= tolerance && std::abs(got.g - want.g) <= tolerance &&
                std::abs(got.b - want.b) <= tolerance && std::abs(got.a - want.a) <= tolerance)
        << x << "," << y << " got " << int(got.r) << " " << int(got.g) << " " << int(got.b) << " "
        << int(got.a) << " want " << int(want.r) << " " << int(want.g) << " " << int(want.b) << " "
        << int(want.a);
  }
}

}  // namespace

TEST(HeifDecoder, DecodesHeicAndAvifWithAlphaAndOrientation) {
  struct Case {
    bool avif;
    bool alpha;
    int orientation;
    bool premultiplied = false;
  };
  for (Case c : {Case{false, false, 1}, Case{true, false, 1}, Case{false, true, 1},
                 Case{true, true, 1}, Case{false, false, 6}, Case{true, false, 8},
                 Case{false, false, 2}, Case{true, true, 1, true}}) {
    SCOPED_TRACE(testing::Message()
                 << (c.avif ? "AVIF" : "HEIC") << (c.alpha ? " alpha" : "")
                 << (c.premultiplied ? " premultiplied" : "") << " orientation " << c.orientation);
    HeifParams params;
    params.width = 96, params.height = 64;
    params.avif = c.avif, params.alpha = c.alpha, params.orientation = c.orientation;
    params.premultiplied = c.premultiplied;
    const std::string file = testsupport::EncodeHeif(params);
    ASSERT_FALSE(file.empty());
    Picture p;
    ASSERT_TRUE(codecs::DecodeHeif(AsBytes(file), p));
    const bool turned = c.orientation >= 5;
    EXPECT_EQ(p.width, turned ? 64 : 96);
    EXPECT_EQ(p.height, turned ? 96 : 64);
    EXPECT_EQ(p.fullWidth, p.width);
    EXPECT_EQ(p.fullHeight, p.height);
    EXPECT_EQ(p.hasAlpha, c.alpha);
    ExpectPattern(p, params, 14);
  }
}

TEST(HeifDecoder, TakesTheThumbnailOnlyWhenItCoversTheFittedView) {
  HeifParams params;
  params.width = 320, params.height = 240, params.thumbnailBox = 96, params.orientation = 6;
  const std::string file = testsupport::EncodeHeif(params);
  ASSERT_FALSE(file.empty());
  struct Case {
    int fitWidth, fitHeight;
    int wantWidth, wantHeight;  // upright
  };
  // Upright the picture is 240 x 320 and its thumbnail 72 x 96.
  for (Case c : {Case{0, 0, 240, 320}, Case{500, 90, 72, 96}, Case{60, 500, 72, 96},
                 Case{100, 90, 72, 96}, Case{100, 100, 240, 320}, Case{73, 1000, 240, 320}}) {
    SCOPED_TRACE(testing::Message() << "fit " << c.fitWidth << " x " << c.fitHeight);
    codecs::DecodeOptions options;
    options.fitWidth = c.fitWidth, options.fitHeight = c.fitHeight;
    Picture p;
    ASSERT_TRUE(codecs::DecodeHeif(AsBytes(file), p, options));
    EXPECT_EQ(p.width, c.wantWidth);
    EXPECT_EQ(p.height, c.wantHeight);
    EXPECT_EQ(p.fullWidth, 240);
    EXPECT_EQ(p.fullHeight, 320);
    HeifParams shown = params;
    shown.width = p.height, shown.height = p.width;  // the stored size of what was decoded
    ExpectPattern(p, shown, 20);
  }
}

TEST(HeifDecoder, RefusesJunkTruncationAndSizesOverTheLimits) {
  HeifParams params;
  params.width = 96, params.height = 64;
  const std::string heic = testsupport::EncodeHeif(params);
  params.avif = true;
  const std::string avif = testsupport::EncodeHeif(params);
  ASSERT_FALSE(heic.empty());
  ASSERT_FALSE(avif.empty());
  for (const std::string* file : {&heic, &avif}) {
    Picture p;
    p.width = 7;
    for (std::size_t cut : {std::size_t{0}, std::size_t{11}, std::size_t{40}, file->size() / 3,
                            file->size() * 2 / 3, file->size() - 1}) {
      SCOPED_TRACE(cut);
      EXPECT_FALSE(codecs::DecodeHeif(AsBytes(file->substr(0, cut)), p));
      EXPECT_EQ(p.width, 7);  // a refusal leaves the picture as it was
    }
    // Damage inside the coded data: no crash; whatever decodes keeps the picture's size.
    std::string damaged = *file;
    for (std::size_t i = damaged.size() / 2; i < damaged.size(); i += 7) damaged[i] ^= 0x5A;
    if (codecs::DecodeHeif(AsBytes(damaged), p)) {
      EXPECT_EQ(p.width, 96);
    }

    codecs::DecodeOptions tight;
    tight.limits.maxDimension = 95;
    EXPECT_FALSE(codecs::DecodeHeif(AsBytes(*file), p, tight));
    tight = {};
    tight.limits.maxPixels = 96 * 64 - 1;
    EXPECT_FALSE(codecs::DecodeHeif(AsBytes(*file), p, tight));
    tight.limits.maxPixels = 96 * 64;
    EXPECT_TRUE(codecs::DecodeHeif(AsBytes(*file), p, tight));
  }
  const std::string junk = std::string(
                               "\0\0\0\x18"
                               "ftypheic\0\0\0\0mif1heic",
                               24) +
                           std::string(200, '\x7F');
  Picture p;
  EXPECT_FALSE(codecs::DecodeHeif(AsBytes(junk), p));
}
