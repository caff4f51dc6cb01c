#include "codecs/WebpDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PictureWriter.h"

using testsupport::PixelAt;
using testsupport::Rgba;
using testsupport::WebpFrame;
using testsupport::WebpParams;

namespace {

codecs::Bytes AsBytes(const std::string& s) {
  return codecs::Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

bool Near(Rgba a, Rgba b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

std::uint8_t AlphaAt(int y, int height) {  // as the writer makes it
  return static_cast<std::uint8_t>(255 - y * 127 / (height - 1));
}

}  // namespace

TEST(WebpDecoder, DecodesStills) {
  struct Case {
    bool lossless, alpha;
    int tolerance;
  };
  for (const Case& c :
       {Case{true, false, 0}, Case{true, true, 0}, Case{false, false, 10}, Case{false, true, 10}}) {
    SCOPED_TRACE(testing::Message()
                 << (c.lossless ? "lossless" : "lossy") << (c.alpha ? " alpha" : ""));
    const std::string file = testsupport::EncodeWebp({33, 17, c.lossless, c.alpha, {}});
    Picture p;
    ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p));
    ASSERT_EQ(p.width, 33);
    ASSERT_EQ(p.height, 17);
    EXPECT_EQ(p.fullWidth, 33);
    EXPECT_EQ(p.hasAlpha, c.alpha);
    EXPECT_EQ(p.frames.size(), 1u);
    for (auto [x, y] : {std::pair{0, 0}, {32, 0}, {16, 8}, {0, 16}, {32, 16}}) {
      Rgba want = testsupport::Gradient(x, y, 33, 17);
      if (c.alpha) want.a = AlphaAt(y, 17);
      EXPECT_PRED3(Near, PixelAt(p.frames[0].pixels, 33, x, y), want, c.tolerance) << x << "," << y;
    }
  }
}

TEST(WebpDecoder, DecodesAtAReducedScaleWhenAskedForLess) {
  const std::string file = testsupport::EncodeWebp({160, 80, true, false, {}});
  codecs::DecodeOptions fit;
  fit.fitWidth = 30, fit.fitHeight = 30;  // the fitted picture is 30 x 15: a quarter covers it
  Picture p;
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p, fit));
  EXPECT_EQ(p.width, 40);
  EXPECT_EQ(p.height, 20);
  EXPECT_EQ(p.fullWidth, 160);
  EXPECT_EQ(p.fullHeight, 80);
  EXPECT_PRED3(Near, PixelAt(p.frames[0].pixels, 40, 0, 0), testsupport::Gradient(0, 0, 40, 20), 8);
  EXPECT_PRED3(Near, PixelAt(p.frames[0].pixels, 40, 39, 19), testsupport::Gradient(39, 19, 40, 20),
               8);
  // A box the picture already fits is decoded at its own size.
  fit.fitWidth = 400, fit.fitHeight = 400;
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p, fit));
  EXPECT_EQ(p.width, 160);
}

TEST(WebpDecoder, DecodesAnimationsFrameByFrame) {
  const Rgba red{255, 0, 0, 255}, green{0, 255, 0, 255}, clear{0, 0, 255, 128};
  const std::vector<WebpFrame> frames = {{red, 50}, {green, 120}, {clear, 70}};
  const std::string file = testsupport::EncodeAnimatedWebp(12, 9, frames, 3);
  Picture p;
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p));
  EXPECT_EQ(p.width, 12);
  EXPECT_EQ(p.height, 9);
  EXPECT_EQ(p.loopCount, 3);
  EXPECT_TRUE(p.hasAlpha);
  ASSERT_EQ(p.frames.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(p.frames[i].delayMs, frames[i].durationMs);
    EXPECT_EQ(PixelAt(p.frames[i].pixels, 12, 11, 8), frames[i].color);
  }

  // Frames past the animation budget are dropped; the ones before it stay.
  codecs::DecodeOptions tight;
  tight.limits.maxAnimationBytes = 2 * 12 * 9 * 4;
  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), p, tight));
  EXPECT_EQ(p.frames.size(), 2u);
  tight.limits.maxAnimationBytes = 12 * 9 * 4 - 1;
  EXPECT_FALSE(codecs::DecodeWebp(AsBytes(file), p, tight));

  ASSERT_TRUE(codecs::DecodeWebp(AsBytes(testsupport::EncodeAnimatedWebp(4, 4, frames, 0)), p));
  EXPECT_EQ(p.loopCount, 0) << "forever";
}

TEST(WebpDecoder, ShowsWhatATruncatedFileHoldsAndRefusesBadOnes) {
  for (bool lossless : {true, false}) {
    SCOPED_TRACE(lossless ? "lossless" : "lossy");
    WebpParams params{96, 96, lossless, false, {}};
    params.noise = true;
    const std::string file = testsupport::EncodeWebp(params);
    Picture whole, p;
    ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file), whole));
    ASSERT_TRUE(codecs::DecodeWebp(AsBytes(file.substr(0, file.size() * 3 / 4)), p));
    ASSERT_EQ(p.height, 96);
    EXPECT_TRUE(p.hasAlpha) << "the rows never reached are transparent";
    EXPECT_EQ(PixelAt(p.frames[0].pixels, 96, 5, 0), PixelAt(whole.frames[0].pixels, 96, 5, 0));
    EXPECT_EQ(PixelAt(p.frames[0].pixels, 96, 5, 95), (Rgba{0, 0, 0, 0}));
    EXPECT_FALSE(codecs::DecodeWebp(AsBytes(file.substr(0, 40)), p)) << "not one row";
  }

  const std::string good = testsupport::EncodeWebp({64, 64, true, false, {}});
  codecs::DecodeOptions small;
  small.limits.maxDimension = 63;
  Picture p;
  EXPECT_FALSE(codecs::DecodeWebp(AsBytes(good), p, small));
  small.limits = {};
  small.limits.maxPixels = 64 * 63;
  EXPECT_FALSE(codecs::DecodeWebp(AsBytes(good), p, small));
  for (const std::string& bad :
       {std::string("RIFF....WEBPVP8 "), good.substr(0, 30), std::string(), std::string(100, 'x')})
    EXPECT_FALSE(codecs::DecodeWebp(AsBytes(bad), p)) << bad.size();
  EXPECT_TRUE(p.empty()) << "a failed decode leaves the picture alone";
}
