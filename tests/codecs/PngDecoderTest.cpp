#include "codecs/PngDecoder.h"

#include <gtest/gtest.h>

#include "support/PictureWriter.h"

using testsupport::PixelAt;
using testsupport::PngParams;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

// A 9 x 7 picture whose sample at (x, y) is (x * 7 + y * 3 + channel * 5) wrapped to depth.
PngParams Pattern(int colorType, int depth, bool interlaced = false) {
  PngParams params;
  params.width = 9, params.height = 7, params.colorType = colorType, params.bitDepth = depth;
  params.interlaced = interlaced;
  const int channels = colorType == 0 || colorType == 3 ? 1
                       : colorType == 4                 ? 2
                       : colorType == 2                 ? 3
                                                        : 4;
  const unsigned max = (1u << depth) - 1;
  for (int y = 0; y < params.height; ++y)
    for (int x = 0; x < params.width; ++x)
      for (int c = 0; c < channels; ++c)
        params.samples.push_back(static_cast<std::uint16_t>((x * 7 + y * 3 + c * 5) % (max + 1)));
  return params;
}

std::uint8_t To8(unsigned v, int depth) {
  if (depth == 16) return static_cast<std::uint8_t>((v * 255 + 32767) / 65535);
  return static_cast<std::uint8_t>(v * 255 / ((1u << depth) - 1));
}

}  // namespace

TEST(PngDecoder, DecodesEveryColourTypeAndDepth) {
  struct Case {
    int type;
    std::vector<int> depths;
  };
  for (const Case& c :
       {Case{0, {1, 2, 4, 8, 16}}, Case{2, {8, 16}}, Case{4, {8, 16}}, Case{6, {8, 16}}}) {
    for (int depth : c.depths) {
      for (bool interlaced : {false, true}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " depth " << depth
                                        << (interlaced ? " interlaced" : ""));
        const PngParams params = Pattern(c.type, depth, interlaced);
        Picture p;
        ASSERT_TRUE(codecs::DecodePng(AsBytes(testsupport::EncodePng(params)), p));
        ASSERT_EQ(p.width, 9);
        ASSERT_EQ(p.height, 7);
        const int channels = c.type == 0 ? 1 : c.type == 4 ? 2 : c.type == 2 ? 3 : 4;
        for (auto [x, y] : {std::pair{0, 0}, {4, 3}, {8, 6}, {7, 1}}) {
          const std::uint16_t* s = params.samples.data() + (y * 9 + x) * channels;
          Rgba want;
          if (c.type == 0 || c.type == 4) {
            want.r = want.g = want.b = To8(s[0], depth);
            if (c.type == 4) want.a = To8(s[1], depth);
          } else {
            want = Rgba{To8(s[0], depth), To8(s[1], depth), To8(s[2], depth),
                        c.type == 6 ? To8(s[3], depth) : std::uint8_t{255}};
          }
          EXPECT_EQ(PixelAt(p.frames[0].pixels, 9, x, y), want) << x << "," << y;
        }
        EXPECT_EQ(p.hasAlpha, c.type == 4 || c.type == 6);
      }
    }
  }
}

TEST(PngDecoder, PaletteAndTransparencyChunk) {
  for (int depth : {1, 2, 4, 8}) {
    SCOPED_TRACE(depth);
    PngParams params = Pattern(3, depth);
    const int colours = 1 << depth;
    for (int i = 0; i < colours; ++i)
      params.palette.push_back(Rgba{static_cast<std::uint8_t>(i * 3), 10, 200,
                                    static_cast<std::uint8_t>(i == 3 % colours ? 0 : 255)});
    Picture p;
    ASSERT_TRUE(codecs::DecodePng(AsBytes(testsupport::EncodePng(params)), p));
    for (auto [x, y] : {std::pair{0, 0}, {4, 3}, {8, 6}}) {
      const unsigned index = params.samples[y * 9 + x];
      EXPECT_EQ(PixelAt(p.frames[0].pixels, 9, x, y), params.palette[index]);
    }
    EXPECT_TRUE(p.hasAlpha);
  }
  // tRNS on gray and RGB: the one colour named becomes transparent.
  PngParams gray = Pattern(0, 8);
  gray.transparent = {gray.samples[0]};
  Picture p;
  ASSERT_TRUE(codecs::DecodePng(AsBytes(testsupport::EncodePng(gray)), p));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 9, 0, 0).a, 0);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 9, 1, 0).a, 255);
  PngParams rgb = Pattern(2, 16);
  rgb.transparent = {rgb.samples[3], rgb.samples[4], rgb.samples[5]};  // pixel (1, 0)
  ASSERT_TRUE(codecs::DecodePng(AsBytes(testsupport::EncodePng(rgb)), p));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 9, 1, 0).a, 0);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 9, 0, 0).a, 255);
}

TEST(PngDecoder, TruncatedKeepsRowsAndLimitsRefuse) {
  // Noise, so that the image data spans many reads and a cut leaves whole rows behind.
  PngParams noise;
  noise.width = 300, noise.height = 400, noise.colorType = 2;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 300 * 400 * 3; ++i) {
    seed = seed * 1103515245 + 12345;
    noise.samples.push_back(static_cast<std::uint16_t>(seed >> 24));
  }
  const std::string png = testsupport::EncodePng(noise);
  Picture p;
  ASSERT_TRUE(codecs::DecodePng(AsBytes(png.substr(0, png.size() / 2)), p));
  EXPECT_EQ(p.width, 300);
  EXPECT_EQ(p.height, 400);
  const std::uint16_t* s = noise.samples.data() + (10 * 300 + 150) * 3;
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 300, 150, 10),
            (Rgba{static_cast<std::uint8_t>(s[0]), static_cast<std::uint8_t>(s[1]),
                  static_cast<std::uint8_t>(s[2]), 255}));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 300, 150, 399).a, 0);  // never reached
  EXPECT_TRUE(p.hasAlpha);

  // Cut inside the header, or before any image data: nothing to show.
  EXPECT_FALSE(codecs::DecodePng(AsBytes(png.substr(0, 30)), p));
  EXPECT_FALSE(codecs::DecodePng(AsBytes(png.substr(0, png.find("IDAT") + 10)), p));
  EXPECT_FALSE(codecs::DecodePng(AsBytes(std::string("\x89PNG\r\n\x1a\nhello world")), p));

  codecs::DecodeOptions narrow;
  narrow.limits.maxDimension = 399;
  EXPECT_FALSE(codecs::DecodePng(AsBytes(png), p, narrow));
  codecs::DecodeOptions few;
  few.limits.maxPixels = 300 * 400 - 1;
  EXPECT_FALSE(codecs::DecodePng(AsBytes(png), p, few));
  EXPECT_TRUE(codecs::DecodePng(AsBytes(png), p));
}
