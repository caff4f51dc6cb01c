#include "codecs/BmpDecoder.h"

#include <gtest/gtest.h>

#include "support/PictureWriter.h"

using testsupport::BmpCompression;
using testsupport::BmpHeader;
using testsupport::BmpParams;
using testsupport::PixelAt;
using testsupport::Rgba;

namespace {

codecs::Bytes AsBytes(const std::string& s) {
  return codecs::Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

constexpr int kW = 13, kH = 5;

BmpParams Indexed(int bpp, BmpCompression compression = BmpCompression::None) {
  BmpParams spec;
  spec.width = kW, spec.height = kH, spec.bitsPerPixel = bpp, spec.compression = compression;
  const int colours = 1 << bpp;
  for (int i = 0; i < colours; ++i)
    spec.palette.push_back(Rgba{static_cast<std::uint8_t>(i * 37),
                                static_cast<std::uint8_t>(255 - i),
                                static_cast<std::uint8_t>(i * 11), 255});
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      spec.indices.push_back(static_cast<std::uint8_t>((x / 3 + y * 2) % colours));
  return spec;
}

BmpParams Direct(int bpp) {
  BmpParams spec;
  spec.width = kW, spec.height = kH, spec.bitsPerPixel = bpp;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) spec.pixels.push_back(testsupport::Gradient(x, y, kW, kH));
  return spec;
}

void ExpectIndexed(const BmpParams& spec, const Picture& p) {
  ASSERT_EQ(p.width, kW);
  ASSERT_EQ(p.height, kH);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x)
      ASSERT_EQ(PixelAt(p.frames[0].pixels, kW, x, y), spec.palette[spec.indices[y * kW + x]])
          << x << "," << y;
}

}  // namespace

TEST(BmpDecoder, IndexedDepthsRleAndRowOrder) {
  for (int bpp : {1, 4, 8}) {
    for (bool topDown : {false, true}) {
      for (BmpHeader header : {BmpHeader::Info, BmpHeader::Os2}) {
        SCOPED_TRACE(testing::Message() << bpp << (topDown ? " top-down" : "")
                                        << (header == BmpHeader::Os2 ? " os2" : ""));
        BmpParams spec = Indexed(bpp);
        spec.topDown = topDown && header != BmpHeader::Os2;
        spec.header = header;
        Picture p;
        ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(spec)), p));
        ExpectIndexed(spec, p);
        EXPECT_FALSE(p.hasAlpha);
      }
    }
  }
  for (auto [bpp, compression] : {std::pair{8, BmpCompression::Rle8}, {4, BmpCompression::Rle4}}) {
    SCOPED_TRACE(bpp);
    const BmpParams spec = Indexed(bpp, compression);
    Picture p;
    ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(spec)), p));
    ExpectIndexed(spec, p);
  }
}

TEST(BmpDecoder, DirectColourDepthsAndBitFields) {
  Picture p;
  for (int bpp : {24, 32}) {
    const BmpParams spec = Direct(bpp);
    ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(spec)), p));
    EXPECT_EQ(PixelAt(p.frames[0].pixels, kW, 12, 4), spec.pixels[4 * kW + 12]) << bpp;
    EXPECT_EQ(PixelAt(p.frames[0].pixels, kW, 0, 0), spec.pixels[0]) << bpp;
    EXPECT_FALSE(p.hasAlpha);
  }
  // 16 bits keep 5 bits per channel (6 for green with 5-6-5 fields); compare at that precision.
  for (bool fields : {false, true}) {
    BmpParams spec = Direct(16);
    if (fields) spec.compression = BmpCompression::BitFields;
    ASSERT_TRUE(codecs::DecodeBmp(AsBytes(testsupport::EncodeBmp(spec)), p));
    const Rgba want = spec.pixels[2 * kW + 9];
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
