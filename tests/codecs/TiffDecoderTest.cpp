#include "codecs/TiffDecoder.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/PictureWriter.h"

using namespace testsupport;

using testsupport::AsBytes;

TEST(TiffDecoder, DecodesEachColourKindAndDepth) {
  struct Case {
    TiffColor color;
    int bits;
    bool tiled, deflate;
  };
  for (const Case& c :
       {Case{TiffColor::Rgb, 8, false, false}, Case{TiffColor::Rgb, 16, false, true},
        Case{TiffColor::Gray, 8, false, false}, Case{TiffColor::Gray, 16, false, false},
        Case{TiffColor::Palette, 8, false, false}, Case{TiffColor::Cmyk, 8, false, true},
        Case{TiffColor::RgbAlpha, 8, false, false}, Case{TiffColor::RgbAlpha, 16, true, true}}) {
    const TiffParams params{37, 21, c.color, c.bits, 1, c.tiled, c.deflate, -1};
    SCOPED_TRACE(testing::Message() << int(c.color) << " " << c.bits << c.tiled << c.deflate);
    Picture p;
    ASSERT_TRUE(codecs::DecodeTiff(AsBytes(EncodeTiff(params)), p));
    ASSERT_EQ(p.width, 37);
    ASSERT_EQ(p.height, 21);
    EXPECT_EQ(p.hasAlpha, c.color == TiffColor::RgbAlpha);
    for (auto [x, y] : {std::pair{0, 0}, {36, 0}, {18, 10}, {0, 20}, {36, 20}}) {
      // Alpha comes back out of the library's premultiplied colours.
      const Rgba got = PixelAt(p.frames[0].pixels, 37, x, y), want = TiffColorAt(params, x, y);
      const int tolerance = c.color == TiffColor::RgbAlpha ? 2 : 0;
      for (auto [g, w] :
           {std::pair{got.r, want.r}, {got.g, want.g}, {got.b, want.b}, {got.a, want.a}})
        EXPECT_LE(std::abs(g - w), tolerance) << x << "," << y;
    }
  }
}

TEST(TiffDecoder, ShowsTheStripsBeforeDamageAndRefusesBadFiles) {
  TiffParams params{40, 40, TiffColor::Rgb, 8, 1, false, true, 3};
  Picture p;
  ASSERT_TRUE(codecs::DecodeTiff(AsBytes(EncodeTiff(params)), p));
  EXPECT_TRUE(p.hasAlpha) << "the rows never reached are transparent";
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 40, 7, 11), TiffColorAt(params, 7, 11));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 40, 7, 12), (Rgba{0, 0, 0, 0}));
  params.damagedStrip = 0;
  EXPECT_FALSE(codecs::DecodeTiff(AsBytes(EncodeTiff(params)), p)) << "not one row";

  params.damagedStrip = -1;
  const std::string file = EncodeTiff(params);
  codecs::DecodeOptions small;
  small.limits.maxPixels = 40 * 39;
  EXPECT_FALSE(codecs::DecodeTiff(AsBytes(file), p, small));
  // The library puts the directory last: a file cut short has lost it.
  for (const std::string& bad :
       {std::string("MM\0*\0\0\0\x08", 8), file.substr(0, file.size() - 20)})
    EXPECT_FALSE(codecs::DecodeTiff(AsBytes(bad), p)) << bad.size();
  EXPECT_EQ(p.height, 40) << "a failed decode leaves the picture alone";
}
