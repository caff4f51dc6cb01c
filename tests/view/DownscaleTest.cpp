#include "view/Downscale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>

#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"
#include "view/ImageLib.h"

namespace {

using Pixels = platform::ByteBuffer;

Pixels Shrunk(const Pixels& src, int sw, int sh, int dw, int dh, bool alpha, int threads = 1) {
  Pixels out;
  EXPECT_TRUE(DownscaleArea(src.data(), src.size(), sw, sh, dw, dh, alpha, out, threads));
  return out;
}

Picture Still(int width, int height) {
  Picture p;
  p.width = p.fullWidth = width;
  p.height = p.fullHeight = height;
  p.frames.resize(1);
  p.frames[0].pixels.assign(static_cast<std::size_t>(width) * height * 4, 200);
  return p;
}

}  // namespace

TEST(Downscale, AveragesTheAreaEachPixelCovers) {
  // Two 2 x 2 blocks side by side, each to one pixel: B, G, R, A of the four averaged.
  const Pixels blocks = {0,  0,   0,   255, 100, 10, 7, 255, /**/ 9, 9, 9, 255, 9, 9, 9, 255,
                         40, 200, 255, 255, 200, 30, 1, 255, /**/ 9, 9, 9, 255, 9, 9, 9, 255};
  EXPECT_EQ(Shrunk(blocks, 4, 2, 2, 1, false), (Pixels{85, 60, 66, 255, 9, 9, 9, 255}));

  // Three to two: the middle pixel is shared half and half.
  const Pixels row = {0, 0, 0, 255, 90, 90, 90, 255, 180, 180, 180, 255};
  EXPECT_EQ(Shrunk(row, 3, 1, 2, 1, false), (Pixels{30, 30, 30, 255, 150, 150, 150, 255}));

  // A transparent pixel lends no colour, only its transparency.
  const Pixels edge = {255, 255, 255, 255, 0, 0, 0, 0};
  EXPECT_EQ(Shrunk(edge, 2, 1, 1, 1, true), (Pixels{255, 255, 255, 128}));
  EXPECT_EQ(Shrunk({0, 0, 0, 0, 0, 0, 0, 0}, 2, 1, 1, 1, true), (Pixels{0, 0, 0, 0}));

  Pixels out{1};
  EXPECT_FALSE(DownscaleArea(row.data(), row.size(), 3, 1, 4, 1, false, out));  // no enlarging
  EXPECT_FALSE(DownscaleArea(row.data(), row.size() - 1, 3, 1, 2, 1, false, out));
  EXPECT_FALSE(DownscaleArea(row.data(), row.size(), 3, 1, 0, 1, false, out));
  EXPECT_EQ(out, Pixels{1});
}

TEST(Downscale, OpaqueShortcutAgreesWithTheExactAverage) {
  // Opaque pictures take a whole-number path; with every pixel opaque the weighted path is
  // the exact average. Ratios from just under 1 to 40 cover one to many taps per pixel, and
  // odd sizes put the last taps against the right and bottom edges. Split into bands of rows
  // on several threads, the result is the same to the byte.
  std::uint32_t state = 12345;
  for (auto [sw, sh, dw, dh] : std::initializer_list<std::array<int, 4>>{{1500, 7, 1200, 5},
                                                                         {97, 61, 96, 60},
                                                                         {640, 9, 213, 3},
                                                                         {999, 4, 25, 1},
                                                                         {31, 31, 7, 7},
                                                                         {5, 3, 1, 1},
                                                                         {2, 2, 2, 2},
                                                                         {301, 1003, 200, 397}}) {
    Pixels src(static_cast<std::size_t>(sw) * sh * 4);
    for (std::size_t i = 0; i < src.size(); ++i) {
      state = state * 1664525u + 1013904223u;
      src[i] = i % 4 == 3 ? 255 : static_cast<std::uint8_t>(state >> 24);
    }
    const Pixels fast = Shrunk(src, sw, sh, dw, dh, false);
    const Pixels exact = Shrunk(src, sw, sh, dw, dh, true);
    ASSERT_EQ(fast.size(), exact.size());
    int worst = 0;
    for (std::size_t i = 0; i < fast.size(); ++i)
      worst = std::max(worst, std::abs(fast[i] - exact[i]));
    EXPECT_LE(worst, 1) << sw << "x" << sh << " to " << dw << "x" << dh;
    EXPECT_EQ(Shrunk(src, sw, sh, dw, dh, false, 2), fast);
    EXPECT_EQ(Shrunk(src, sw, sh, dw, dh, false, 3), fast);
    // Made along the rows as they come (seven at a time, a call with none new between), the
    // same again; nothing to take before the last row.
    TShrinkAlong along(sw, sh, {dw, dh});
    for (int rows = 0; !along.Done(); rows = std::min(rows + 7, sh)) {
      EXPECT_EQ(along.Take(src.data()), nullptr);
      along.Advance(src.data(), rows, rows % 2 + 1);
      along.Advance(src.data(), rows);
    }
    const std::shared_ptr<ShrunkFrame> frame = along.Take(src.data());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->pixels, fast);
    EXPECT_EQ(frame->source, src.data());
  }
  EXPECT_EQ(TShrinkAlong(4, 4, {5, 4}).Take(nullptr), nullptr);  // no enlarging
  // A flat area stays exactly its value, whatever the ratio.
  EXPECT_EQ(Shrunk(Pixels(1000 * 3 * 4, 77), 1000, 3, 7, 2, false), Pixels(7 * 2 * 4, 77));
}

TEST(Downscale, ShrunkFrameHasTheFittedSizeAndBelongsToItsPixels) {
  for (auto [w, h, aw, ah] : std::initializer_list<std::array<int, 4>>{
           {800, 600, 200, 200}, {333, 500, 96, 60}, {97, 61, 1000, 20}, {250, 40, 10, 300}}) {
    const ViewSize fitted = FittedSize({w, h}, aw, ah);
    const auto placement = FitPicture({aw + 4, ah + 4}, {w, h}, false);
    ASSERT_TRUE(placement);
    EXPECT_EQ(fitted.width, placement->width);
    EXPECT_EQ(fitted.height, placement->height);
  }

  Picture p = Still(800, 600);
  AddShrunkFrame(p, 200, 200);
  ASSERT_TRUE(p.shrunkFor(200, 150));
  EXPECT_FALSE(p.shrunkFor(200, 149));
  EXPECT_EQ(p.shrunkFor(200, 150)->pixels, Pixels(200 * 150 * 4, 200));
  const Picture copy = p;  // other buffers: a turned copy must not show the unturned pixels
  EXPECT_FALSE(copy.shrunkFor(200, 150));

  Picture reduced = Still(200, 150);  // decoded at the scale it is shown at: nothing to do
  reduced.fullWidth = 800, reduced.fullHeight = 600;
  AddShrunkFrame(reduced, 200, 200);
  EXPECT_FALSE(reduced.shrunk);
  Picture animated = Still(80, 60);
  animated.frames.push_back(animated.frames[0]);
  AddShrunkFrame(animated, 20, 20);
  EXPECT_FALSE(animated.shrunk);
}

TEST(Downscale, PicturesDecodedAheadComeShrunkForTheirArea) {
  testsupport::TempDir dir;
  const std::string a = dir.Write("a.bmp", testsupport::EncodeBmp(90, 60));
  TDecodeAhead::Config config;
  config.settle = std::chrono::milliseconds(0);
  TDecodeAhead cache(config);
  codecs::DecodeOptions fit;
  fit.fitWidth = fit.fitHeight = 30;
  cache.Prefetch({{a, fit}});
  ASSERT_TRUE(cache.WaitIdle(std::chrono::seconds(10)));
  const std::optional<SharedLoadResult> r = cache.Take(a, fit);
  ASSERT_TRUE(r);
  const ShrunkFrame* s = r->picture->shrunkFor(30, 20);
  ASSERT_TRUE(s);
  // Its top-left pixel is the average of the 3 x 3 block it covers.
  const Pixels& full = r->picture->frames[0].pixels;
  for (int c = 0; c < 4; ++c) {
    int sum = 0;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) sum += full[static_cast<std::size_t>((y * 90 + x) * 4 + c)];
    EXPECT_EQ(s->pixels[static_cast<std::size_t>(c)], (sum + 4) / 9) << c;
  }
  EXPECT_GT(cache.stats().bytes, 90u * 60 * 4 + 30 * 20 * 4);
}

TEST(Downscale, ACopiedOrTurnedPictureCarriesNoShrunkFrame) {
  Picture p = Still(400, 400);  // square: turned, it has the shrunk frame's size still
  AddShrunkFrame(p, 100, 100);
  ASSERT_TRUE(p.shrunk);
  Picture copy = p;
  EXPECT_FALSE(copy.shrunk);
  copy = p;
  EXPECT_FALSE(copy.shrunk);
  Picture moved = std::move(p);  // the same buffers
  EXPECT_TRUE(moved.shrunkFor(100, 100));
  RotateClockwise(moved);
  EXPECT_FALSE(moved.shrunk);
}
