#include "codecs/BmpDecoder.h"

#include <gtest/gtest.h>

#include "support/PictureWriter.h"

using testsupport::BmpCompression;
using testsupport::BmpHeader;
using testsupport::BmpParams;
using testsupport::PixelAt;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

constexpr int kW = 13, kH = 5;

BmpParams Indexed(int bpp, BmpCompression compression = BmpCompression::None) {
  BmpParams params;
  params.width = kW;
  params.height = kH;
  params.bitsPerPixel = bpp;
  params.compression = compression;
  const int colours = 1 << bpp;
  for (int i = 0; i < colours; ++i)
    params.palette.push_back(Rgba{static_cast<std::uint8_t>(i * 37),
                                  static_cast<std::uint8_t>(255 - i),
                                  static_cast<std::uint8_t>(i * 11), 255});
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      params.indices.push_back(static_cast<std::uint8_t>((x / 3 + y * 2) % colours));
  return params;
}

BmpParams Direct(int bpp) {
  BmpParams params;
  params.width = kW, params.height = kH, params.bitsPerPixel = bpp;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) params.pixels.push_back(testsupport::Gradient(x, y, kW, kH));
  return params;
}

void ExpectIndexed(const BmpParams& params, const Picture& p) {
  ASSERT_EQ(p.width, kW);
  ASSERT_EQ(p.height, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      ASSERT_EQ(PixelAt(p.frames[0].pixels, kW, x, y), params.palette[params.indices[y * kW + x]])
          << x << "," << y;
}

}  // namespace

TEST(BmpDecoder, IndexedDepthsRleAndRowOrder) {
  for (int bpp : {1, 4, 8}) {
    for (bool topDown : {false, true}) {
      for (BmpHeader header : {BmpHeader::Info, BmpHeader::Os2}) {
        SCOPED_TRACE(testing::Message() << bpp << (topDown ? " top-down" : "")
                                        << (header == BmpHeader::Os2 ? " os2" : ""));
        BmpParams params = Indexed(bpp);
        params.topDown = topDown && header != BmpHeader::Os2;
        params.header = header;
        Picture p;
        ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(params)), p));
        ExpectIndexed(params, p);
        EXPECT_FALSE(p.hasAlpha);
      }
    }
  }
  for (auto [bpp, compression] : {std::pair{8, BmpCompression::Rle8}, {4, BmpCompression::Rle4}}) {
    SCOPED_TRACE(bpp);
    const BmpParams params = Indexed(bpp, compression);
    Picture p;
    ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(params)), p));
    ExpectIndexed(params, p);
  }
}

TEST(BmpDecoder, DirectColourDepthsAndBitFields) {
  Picture p;
  for (int bpp : {24, 32}) {
    const BmpParams params = Direct(bpp);
    ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(params)), p));
    EXPECT_EQ(PixelAt(p.frames[0].pixels, kW, 12, 4), params.pixels[4 * kW + 12]) << bpp;
    EXPECT_EQ(PixelAt(p.frames[0].pixels, kW, 0, 0), params.pixels[0]) << bpp;
    EXPECT_FALSE(p.hasAlpha);
  }
  // 16 bits keep 5 bits per channel (6 for green with 5-6-5 fields); compare at that precision.
  for (bool fields : {false, true}) {
    BmpParams params = Direct(16);
    if (fields) params.compression = BmpCompression::BitFields;
    ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(params)), p));
    const Rgba want = params.pixels[2 * kW + 9];
    const Rgba got = PixelAt(p.frames[0].pixels, kW, 9, 2);
    EXPECT_EQ(got.r >> 3, want.r >> 3);
    EXPECT_EQ(got.g >> (fields ? 2 : 3), want.g >> (fields ? 2 : 3));
    EXPECT_EQ(got.b >> 3, want.b >> 3);
    EXPECT_EQ(got.a, 255);
  }
  // 32 bits with an alpha mask in a V5 header keep alpha.
  BmpParams alpha = Direct(32);
  alpha.header = BmpHeader::V5;
  alpha.compression = BmpCompression::BitFields;
  alpha.topDown = true;
  alpha.pixels[kW + 1].a = 77;
  ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(alpha)), p));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, kW, 1, 1), alpha.pixels[kW + 1]);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, kW, 2, 1).a, 255);
  EXPECT_TRUE(p.hasAlpha);
}

TEST(BmpDecoder, RefusesBadHeadersAndKeepsRowsOfAShortFile) {
  Picture p;
  EXPECT_FALSE(codecs::DecodeBmp(AsBytes("BM this is only a text file, not a picture at all."), p));
  EXPECT_FALSE(codecs::DecodeBmp(AsBytes("BM"), p));

  std::string bmp = testsupport::EncodeBmp(20, 10);
  bmp[28] = 7;  // 7 bits per pixel
  EXPECT_FALSE(codecs::DecodeBmp(AsBytes(bmp), p));

  bmp = testsupport::EncodeBmp(20, 10);
  codecs::DecodeOptions narrow;
  narrow.limits.maxDimension = 19;
  EXPECT_FALSE(codecs::DecodeBmp(AsBytes(bmp), p, narrow));
  EXPECT_FALSE(codecs::DecodeBmp(AsBytes(bmp.substr(0, 54 + 30)), p));  // not one whole row

  // Bottom-up: the rows at the end of the file are the top of the picture.
  ASSERT_TRUE(codecs::DecodeBmp(AsBytes(bmp.substr(0, 54 + 60 * 4)), p));
  EXPECT_EQ(p.height, 10);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 20, 5, 9), testsupport::Gradient(5, 9, 20, 10));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 20, 5, 0).a, 0);
  EXPECT_TRUE(p.hasAlpha);
}
