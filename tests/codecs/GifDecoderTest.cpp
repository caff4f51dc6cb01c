#include "codecs/GifDecoder.h"

#include <gtest/gtest.h>

#include "support/PictureWriter.h"

using testsupport::GifFrame;
using testsupport::GifParams;
using testsupport::PixelAt;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255},
    kWhite{255, 255, 255, 255}, kClear{0, 0, 0, 0};

GifFrame Fill(int left, int top, int w, int h, std::uint8_t index) {
  GifFrame f;
  f.left = left, f.top = top, f.width = w, f.height = h;
  f.indices.assign(static_cast<std::size_t>(w) * h, index);
  return f;
}

GifParams Screen(int w, int h) {
  GifParams params;
  params.width = w, params.height = h;
  params.palette = {kRed, kGreen, kBlue, kWhite};
  return params;
}

Rgba At(const Picture& p, std::size_t frame, int x, int y) {
  return PixelAt(p.frames.at(frame).pixels, p.width, x, y);
}

}  // namespace

TEST(GifDecoder, ComposesFramesWithTheirDisposal) {
  GifParams params = Screen(8, 8);
  params.frames.push_back(Fill(0, 0, 8, 8, 0));  // red everywhere
  GifFrame keep = Fill(0, 0, 2, 2, 1);           // green corner, kept
  keep.disposal = 1;
  GifFrame background = Fill(4, 4, 2, 2, 2);  // blue, then cleared
  background.disposal = 2;
  GifFrame previous = Fill(2, 0, 2, 2, 3);  // white, then undone
  previous.disposal = 3;
  params.frames.push_back(keep);
  params.frames.push_back(background);
  params.frames.push_back(previous);
  params.frames.push_back(Fill(7, 7, 1, 1, 1));
  Picture p;
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(testsupport::EncodeGif(params)), p));
  ASSERT_EQ(p.frames.size(), 5u);
  EXPECT_TRUE(p.animated());
  EXPECT_EQ(At(p, 1, 0, 0), kGreen);
  EXPECT_EQ(At(p, 1, 5, 5), kRed);
  EXPECT_EQ(At(p, 2, 5, 5), kBlue);
  EXPECT_EQ(At(p, 2, 0, 0), kGreen);
  EXPECT_EQ(At(p, 3, 5, 5), kClear);  // the blue frame's area went back to the background
  EXPECT_EQ(At(p, 3, 2, 0), kWhite);
  EXPECT_EQ(At(p, 4, 2, 0), kRed);  // the white frame's area restored to what it covered
  EXPECT_EQ(At(p, 4, 5, 5), kClear);
  EXPECT_EQ(At(p, 4, 7, 7), kGreen);
  EXPECT_EQ(At(p, 4, 0, 0), kGreen);
  EXPECT_TRUE(p.hasAlpha);
}

TEST(GifDecoder, TransparencyInterlaceLocalTablesAndClipping) {
  GifParams params = Screen(6, 20);
  params.frames.push_back(Fill(0, 0, 6, 20, 2));  // blue
  GifFrame f = Fill(0, 0, 6, 20, 0);
  for (int y = 0; y < 20; ++y) f.indices[y * 6] = static_cast<std::uint8_t>(y % 2);  // column 0
  f.transparentIndex = 1;  // odd rows of column 0 let the blue through
  f.interlaced = true;
  f.palette = {kWhite, kGreen};  // local table: 0 is white here
  params.frames.push_back(f);
  params.frames.push_back(Fill(4, 18, 10, 10, 0));  // reaches past the screen: clipped
  Picture p;
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(testsupport::EncodeGif(params)), p));
  ASSERT_EQ(p.frames.size(), 3u);
  EXPECT_EQ(p.width, 6);
  EXPECT_EQ(p.height, 20);
  for (int y : {0, 1, 2, 7, 8, 13, 19}) {
    EXPECT_EQ(At(p, 1, 0, y), y % 2 ? kBlue : kWhite) << y;
    EXPECT_EQ(At(p, 1, 3, y), kWhite) << y;
  }
  EXPECT_EQ(At(p, 2, 5, 19), kRed);
  EXPECT_EQ(At(p, 2, 3, 19), kWhite);
  EXPECT_FALSE(p.hasAlpha);
}

TEST(GifDecoder, DelaysAndLoopCount) {
  GifParams params = Screen(2, 2);
  for (int delay : {0, 5, 100}) {
    GifFrame f = Fill(0, 0, 2, 2, 0);
    f.delayCs = delay;
    params.frames.push_back(f);
  }
  Picture p;
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(testsupport::EncodeGif(params)), p));
  ASSERT_EQ(p.frames.size(), 3u);
  EXPECT_EQ(p.frames[0].delayMs, 100);
  EXPECT_EQ(p.frames[1].delayMs, 50);
  EXPECT_EQ(p.frames[2].delayMs, 1000);
  EXPECT_EQ(p.loopCount, 1);  // no loop extension: shown once
  params.loopCount = 0;
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(testsupport::EncodeGif(params)), p));
  EXPECT_EQ(p.loopCount, 0);
  params.loopCount = 2;
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(testsupport::EncodeGif(params)), p));
  EXPECT_EQ(p.loopCount, 3);
}

TEST(GifDecoder, TruncationAndLimits) {
  const std::string gif = testsupport::EncodeGif(40, 30, 3);
  Picture p;
  // Cut inside the third frame: the two complete ones stay.
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(gif.substr(0, gif.size() - 10)), p));
  EXPECT_EQ(p.frames.size(), 2u);
  EXPECT_EQ(At(p, 1, 20, 20), kGreen);

  EXPECT_FALSE(codecs::DecodeGif(AsBytes(std::string("GIF8")), p));
  EXPECT_FALSE(codecs::DecodeGif(AsBytes(gif.substr(0, 20)), p));

  codecs::DecodeOptions twoFrames;
  twoFrames.limits.maxAnimationBytes = 40 * 30 * 4 * 2;
  ASSERT_TRUE(codecs::DecodeGif(AsBytes(gif), p, twoFrames));
  EXPECT_EQ(p.frames.size(), 2u);
  codecs::DecodeOptions narrow;
  narrow.limits.maxDimension = 39;
  EXPECT_FALSE(codecs::DecodeGif(AsBytes(gif), p, narrow));
}
