#include "codecs/JxlDecoder.h"

#include <gtest/gtest.h>

#include "support/CameraPictureWriter.h"

using testsupport::JxlParams;
using testsupport::PixelAt;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

// The files are lossless: every pixel must come back as written, turned upright.
void ExpectFrame(const Picture& p, std::size_t frame, const JxlParams& params) {
  ASSERT_LT(frame, p.frames.size());
  int wrong = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const auto s =
          testsupport::StoredPixel(params.orientation, x, y, params.width, params.height);
      const Rgba want = testsupport::Pattern(s.x, s.y, params.width, params.height,
                                             static_cast<int>(frame), params.alpha);
      if (PixelAt(p.frames[frame].pixels, p.width, x, y) != want && ++wrong < 4)
        ADD_FAILURE() << "frame " << frame << " pixel " << x << "," << y;
    }
}

}  // namespace

TEST(JxlDecoder, DecodesStillPicturesUprightWithAlpha) {
  struct Case {
    bool alpha;
    int orientation;
  };
  for (Case c : {Case{false, 1}, Case{true, 1}, Case{false, 6}, Case{true, 5}, Case{false, 3},
                 Case{false, 8}}) {
    SCOPED_TRACE(testing::Message()
                 << (c.alpha ? "alpha " : "") << "orientation " << c.orientation);
    JxlParams params;
    params.width = 40, params.height = 24, params.alpha = c.alpha;
    params.orientation = c.orientation;
    const std::string file = testsupport::EncodeJxl(params);
    ASSERT_FALSE(file.empty());
    platform::ByteBuffer old(1 << 16, 0xAB);
    codecs::DecodeOptions options;
    options.reuse = &old;
    Picture p;
    ASSERT_TRUE(codecs::DecodeJxl(AsBytes(file), p, options));
    const bool turned = c.orientation >= 5;
    EXPECT_EQ(p.width, turned ? 24 : 40);
    EXPECT_EQ(p.height, turned ? 40 : 24);
    EXPECT_EQ(p.fullWidth, p.width);
    EXPECT_EQ(p.fullHeight, p.height);
    EXPECT_EQ(p.hasAlpha, c.alpha);
    EXPECT_FALSE(p.animated());
    ExpectFrame(p, 0, params);
  }
}

TEST(JxlDecoder, AnimationFramesDelaysLoopsAndBudget) {
  JxlParams params;
  params.width = 16, params.height = 12, params.frames = 4;
  params.ticksPerSecond = 1000, params.frameTicks = 70, params.loops = 3;
  const std::string file = testsupport::EncodeJxl(params);
  ASSERT_FALSE(file.empty());
  Picture p;
  ASSERT_TRUE(codecs::DecodeJxl(AsBytes(file), p));
  ASSERT_EQ(p.frames.size(), 4u);
  EXPECT_EQ(p.loopCount, 3);
  for (std::size_t i = 0; i < p.frames.size(); ++i) {
    EXPECT_EQ(p.frames[i].delayMs, 70);
    ExpectFrame(p, i, params);
  }

  const std::size_t frameBytes = 16 * 12 * 4;
  codecs::DecodeOptions budget;
  budget.limits.maxAnimationBytes = frameBytes * 2 + frameBytes / 2;
  ASSERT_TRUE(codecs::DecodeJxl(AsBytes(file), p, budget));
  EXPECT_EQ(p.frames.size(), 2u);
  ExpectFrame(p, 1, params);

  params.loops = 0, params.frameTicks = 0;  // forever, and frames of no stated duration
  ASSERT_TRUE(codecs::DecodeJxl(AsBytes(testsupport::EncodeJxl(params)), p));
  EXPECT_EQ(p.loopCount, 0);
  ASSERT_FALSE(p.frames.empty());
  EXPECT_EQ(p.frames[0].delayMs, 100);
}

TEST(JxlDecoder, TruncationJunkAndLimits) {
  JxlParams still;
  still.width = 300, still.height = 280;
  const std::string file = testsupport::EncodeJxl(still);
  ASSERT_FALSE(file.empty());
  // A lossless file has no coarser pass to show: cut short, it decodes nothing rather than a
  // picture painted black where the missing groups are.
  for (std::size_t cut : {std::size_t{0}, std::size_t{2}, std::size_t{9}, file.size() / 4,
                          file.size() / 2, file.size() - 3}) {
    SCOPED_TRACE(cut);
    Picture p;
    p.width = 5;
    EXPECT_FALSE(codecs::DecodeJxl(AsBytes(file.substr(0, cut)), p));
    EXPECT_EQ(p.width, 5);
  }
  // A progressive file cut short shows its coarse pass, upscaled, at the picture's size.
  JxlParams progressive;
  progressive.width = 600, progressive.height = 500, progressive.distance = 1;
  progressive.progressive = true;
  const std::string coarse = testsupport::EncodeJxl(progressive);
  Picture partial;
  ASSERT_TRUE(codecs::DecodeJxl(AsBytes(coarse.substr(0, coarse.size() * 9 / 10)), partial));
  EXPECT_EQ(partial.width, 600);
  EXPECT_EQ(partial.height, 500);
  for (auto [x, y] : {std::pair{20, 20}, {300, 250}, {580, 480}}) {
    const Rgba got = PixelAt(partial.frames[0].pixels, 600, x, y);
    const Rgba want = testsupport::Pattern(x, y, 600, 500);
    EXPECT_NEAR(got.r, want.r, 12);
    EXPECT_NEAR(got.g, want.g, 12);
    EXPECT_NEAR(got.b, want.b, 12);
  }

  JxlParams anim;
  anim.width = 64, anim.height = 48, anim.frames = 3;
  const std::string animated = testsupport::EncodeJxl(anim);
  Picture p;
  ASSERT_TRUE(codecs::DecodeJxl(AsBytes(animated.substr(0, animated.size() - 5)), p));
  EXPECT_GE(p.frames.size(), 1u);
  EXPECT_LT(p.frames.size(), 3u);
  ExpectFrame(p, 0, anim);

  std::string damaged = file;
  for (std::size_t i = 40; i < damaged.size(); i += 13) damaged[i] ^= 0x33;
  if (codecs::DecodeJxl(AsBytes(damaged), p)) {
    EXPECT_EQ(p.width, 300);
  }
  EXPECT_FALSE(codecs::DecodeJxl(AsBytes(std::string("\xFF\x0A\xFF\xFF\xFF\xFF", 6)), p));
  EXPECT_FALSE(codecs::DecodeJxl(AsBytes(std::string("not a picture")), p));

  p = Picture{};
  codecs::DecodeOptions tight;
  tight.limits.maxDimension = 299;
  EXPECT_FALSE(codecs::DecodeJxl(AsBytes(file), p, tight));
  tight = {};
  tight.limits.maxPixels = 300 * 280 - 1;
  EXPECT_FALSE(codecs::DecodeJxl(AsBytes(file), p, tight));
  EXPECT_TRUE(p.empty());
}
