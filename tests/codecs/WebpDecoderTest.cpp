#include "codecs/WebpDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PictureWriter.h"

using namespace testsupport;

using testsupport::AsBytes;

namespace {

bool Near(Rgba a, Rgba b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

}  // namespace

TEST(WebpDecoder, DecodesStillsAtTheirOwnOrAReducedScale) {
  struct Case {
    bool lossless, alpha;
    int fit;   // the fit box's side; 0: none
    int w, h;  // decoded size of the 160 x 80 picture
    int tolerance;
  };
  for (const Case& c : {Case{true, false, 0, 160, 80, 0}, Case{true, true, 0, 160, 80, 0},
                        Case{false, true, 0, 160, 80, 10}, Case{true, false, 400, 160, 80, 0},
                        Case{true, false, 30, 40, 20, 8}, Case{false, false, 30, 40, 20, 10}}) {
    SCOPED_TRACE(testing::Message() << c.lossless << c.alpha << " fit " << c.fit);
    codecs::DecodeOptions options;
    options.fitWidth = options.fitHeight = c.fit;
    Picture p;
    ASSERT_TRUE(codecs::DecodeWebp(AsBytes(EncodeWebp({160, 80, c.lossless, c.alpha, false, {}})),
                                   p, options));
    ASSERT_EQ(p.width, c.w);
    ASSERT_EQ(p.height, c.h);
    EXPECT_EQ(p.fullWidth, 160);
    EXPECT_EQ(p.fullHeight, 80);
    EXPECT_EQ(p.hasAlpha, c.alpha);
    for (auto [x, y] : {std::pair{0, 0}, {c.w - 1, 0}, {c.w / 2, c.h / 2}, {c.w - 1, c.h - 1}}) {
      Rgba want = Gradient(x, y, c.w, c.h);
      if (c.alpha) want.a = FallingAlpha(y, c.h);
      EXPECT_PRED3(Near, PixelAt(p.frames[0].pixels, c.w, x, y), want, c.tolerance)
          << x << "," << y;
    }
  }
}

TEST(WebpDecoder, DecodesAnimationsFrameByFrame) {
  const std::vector<Rgba> colors = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 128}};
  const std::string file = EncodeAnimatedWebp(12, 9, colors, {50, 120, 70}, 3);
  Picture p;
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p));
  EXPECT_EQ(p.width, 12);
  EXPECT_EQ(p.loopCount, 3);
  EXPECT_TRUE(p.hasAlpha);
  ASSERT_EQ(p.frames.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(p.frames[i].delayMs, (std::vector{50, 120, 70}[i]));
    EXPECT_EQ(PixelAt(p.frames[i].pixels, 12, 11, 8), colors[i]) << i;
  }
  // Cut short, the file is refused by the library's animation decoder; its first frame stays.
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file.substr(0, file.size() - 10)), p));
  ASSERT_EQ(p.frames.size(), 1u);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 12, 11, 8), colors[0]);
  // Frames past the animation budget are dropped; without room for one there is nothing.
  codecs::DecodeOptions tight;
  tight.limits.maxAnimationBytes = 2 * 12 * 9 * 4;
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p, tight));
  EXPECT_EQ(p.frames.size(), 2u);
  tight.limits.maxAnimationBytes = 12 * 9 * 4 - 1;
  EXPECT_FALSE(codecs::DecodeWebp(AsBytes(file), p, tight));
}

TEST(WebpDecoder, ShowsWhatATruncatedFileHoldsAndRefusesBadOnes) {
  for (bool lossless : {true, false}) {
    SCOPED_TRACE(lossless);
    const std::string file = EncodeWebp({96, 96, lossless, false, true, {}});
    Picture whole, p;
    ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), whole));
    ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file.substr(0, file.size() * 3 / 4)), p));
    EXPECT_TRUE(p.hasAlpha) << "the rows never reached are transparent";
    EXPECT_EQ(PixelAt(p.frames[0].pixels, 96, 5, 0), PixelAt(whole.frames[0].pixels, 96, 5, 0));
    EXPECT_EQ(PixelAt(p.frames[0].pixels, 96, 5, 95), (Rgba{0, 0, 0, 0}));
  }
  const std::string good = EncodeWebp({64, 64, true, false, false, {}});
  codecs::DecodeOptions small;
  small.limits.maxPixels = 64 * 63;
  Picture p;
  EXPECT_FALSE(codecs::DecodeWebp(AsBytes(good), p, small));
  for (const std::string& bad :
       {std::string("RIFF....WEBPVP8 "), good.substr(0, 30), std::string()})
    EXPECT_FALSE(codecs::DecodeWebp(AsBytes(bad), p)) << bad.size();
  EXPECT_TRUE(p.empty()) << "a failed decode leaves the picture alone";
}
