#include "codecs/TiffDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PictureWriter.h"

using testsupport::PixelAt;
using testsupport::Rgba;
using testsupport::TiffColor;
using testsupport::TiffParams;

namespace {

codecs::Bytes AsBytes(const std::string& s) {
  return codecs::Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

bool Near(Rgba a, Rgba b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance && std::abs(a.a - b.a) <= tolerance;
}

TiffParams Params(TiffColor color, int bits, bool tiled = false) {
  TiffParams p;
  p.width = 37, p.height = 21, p.color = color, p.bitsPerSample = bits, p.tiled = tiled;
  return p;
}

}  // namespace

TEST(TiffDecoder, DecodesEachColourKindAndDepth) {
  struct Case {
    const char* name;
    TiffParams params;
    int tolerance;  // alpha: taken back out of the library's premultiplied colours
  };
  TiffParams big = Params(TiffColor::Rgb, 8);
  big.bigEndian = true;
  TiffParams deflate = Params(TiffColor::Rgb, 16);
  deflate.deflate = true;
  for (const Case& c :
       {Case{"rgb 8", Params(TiffColor::Rgb, 8), 0}, Case{"rgb 16", Params(TiffColor::Rgb, 16), 0},
        Case{"grey 8", Params(TiffColor::Gray, 8), 0},
        Case{"grey 16", Params(TiffColor::Gray, 16), 0},
        Case{"palette", Params(TiffColor::Palette, 8), 0},
        Case{"cmyk 8", Params(TiffColor::Cmyk, 8), 0},
        Case{"rgba 8", Params(TiffColor::RgbAlpha, 8), 2},
        Case{"rgba 16", Params(TiffColor::RgbAlpha, 16), 2},
        Case{"tiled", Params(TiffColor::Rgb, 8, true), 0}, Case{"big-endian", big, 0},
        Case{"deflate 16", deflate, 0}}) {
    SCOPED_TRACE(c.name);
    Picture p;
    ASSERT_TRUE(codecs::DecodeTiff(AsBytes(testsupport::EncodeTiff(c.params)), p));
    ASSERT_EQ(p.width, 37);
    ASSERT_EQ(p.height, 21);
    EXPECT_EQ(p.fullHeight, 21);
    EXPECT_EQ(p.hasAlpha, c.params.color == TiffColor::RgbAlpha);
    for (auto [x, y] : {std::pair{0, 0}, {36, 0}, {18, 10}, {0, 20}, {36, 20}, {17, 19}}) {
      EXPECT_PRED3(Near, PixelAt(p.frames[0].pixels, 37, x, y),
                   testsupport::TiffColorAt(c.params, x, y), c.tolerance)
          << x << "," << y;
    }
  }
}

TEST(TiffDecoder, KeepsTheStoredRowsWhateverTheOrientationTag) {
  // Turning is the loader's business, the same for every format.
  TiffParams params = Params(TiffColor::Rgb, 8);
  params.orientation = 3;
  Picture p;
  ASSERT_TRUE(codecs::DecodeTiff(AsBytes(testsupport::EncodeTiff(params)), p));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 37, 0, 0), testsupport::TiffColorAt(params, 0, 0));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 37, 36, 20), testsupport::TiffColorAt(params, 36, 20));
}

TEST(TiffDecoder, ShowsTheStripsBeforeDamageAndRefusesBadFiles) {
  TiffParams params = Params(TiffColor::Rgb, 8);
  params.width = 40, params.height = 40, params.rowsPerStrip = 4, params.deflate = true;
  params.damagedStrip = 3;
  Picture p;
  ASSERT_TRUE(codecs::DecodeTiff(AsBytes(testsupport::EncodeTiff(params)), p));
  ASSERT_EQ(p.height, 40);
  EXPECT_TRUE(p.hasAlpha) << "the rows never reached are transparent";
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 40, 7, 11), testsupport::TiffColorAt(params, 7, 11));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 40, 7, 12), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 40, 39, 39), (Rgba{0, 0, 0, 0}));
  params.damagedStrip = 0;
  EXPECT_FALSE(codecs::DecodeTiff(AsBytes(testsupport::EncodeTiff(params)), p))
      << "nothing decoded is a failure";

  params.damagedStrip = -1;
  const std::string file = testsupport::EncodeTiff(params);
  codecs::DecodeOptions small;
  small.limits.maxDimension = 39;
  EXPECT_FALSE(codecs::DecodeTiff(AsBytes(file), p, small));
  small.limits = {};
  small.limits.maxPixels = 40 * 39;
  EXPECT_FALSE(codecs::DecodeTiff(AsBytes(file), p, small));
  // The library puts the directory last: a file cut short has lost it.
  for (const std::string& bad : {std::string("II*\0", 4), std::string("MM\0*\0\0\0\x08", 8),
                                 file.substr(0, file.size() - 20), std::string(64, 'I')})
    EXPECT_FALSE(codecs::DecodeTiff(AsBytes(bad), p)) << bad.size();
  EXPECT_EQ(p.height, 40) << "a failed decode leaves the picture alone";
}
