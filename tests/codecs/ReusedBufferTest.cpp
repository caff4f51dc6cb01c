#include <gtest/gtest.h>

#include "codecs/BmpDecoder.h"
#include "codecs/JpegDecoder.h"
#include "codecs/PngDecoder.h"
#include "support/PictureWriter.h"

using testsupport::PixelAt;

using testsupport::AsBytes;

namespace {}  // namespace

// A reused buffer holds the previous picture; none of it may show where the new file sets no
// pixel (rows a short file lacks, pixels an RLE skip passes over).
TEST(ReusedBuffer, NeverShowsThroughPixelsTheFileDoesNotSet) {
  platform::ByteBuffer old(1 << 22, 0xAB);
  codecs::DecodeOptions reuse;
  reuse.reuse = &old;
  // The first pixel still holding the old bytes, or -1.
  const auto oldPixel = [](const platform::ByteBuffer& px) -> long {
    for (std::size_t i = 0; i < px.size(); i += 4)
      if (px[i] == 0xAB && px[i + 1] == 0xAB && px[i + 2] == 0xAB && px[i + 3] == 0xAB)
        return static_cast<long>(i / 4);
    return -1;
  };

  const std::string bmp = testsupport::EncodeBmp(20, 10);
  Picture p;
  ASSERT_TRUE(codecs::DecodeBmp(AsBytes(bmp.substr(0, 54 + 60 * 4)), p, reuse));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 20, 3, 0), (testsupport::Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 20, 3, 9), testsupport::Gradient(3, 9, 20, 10));

  testsupport::BmpParams rle;
  rle.width = 8, rle.height = 4, rle.bitsPerPixel = 8,
  rle.compression = testsupport::BmpCompression::Rle8;
  rle.palette = {{10, 20, 30, 255}};
  rle.indices.assign(32, 0);
  std::string skipping = testsupport::EncodeBmp(rle);
  const std::size_t data = skipping.size() - (4 * 4 + 2);  // each row: run, end of line
  // Bottom row: two pixels, then a skip two rows up; the picture's row 2 is never set.
  skipping.replace(data, 4, std::string("\x02\x00\x00\x02\x00\x02", 6));
  old.assign(1 << 22, 0xAB);
  ASSERT_TRUE(codecs::DecodeBmp(AsBytes(skipping), p, reuse));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 8, 1, 3), (testsupport::Rgba{10, 20, 30, 255}));
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 8, 5, 3).a, 0);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 8, 1, 1).a, 0);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 8, 1, 2).a, 0);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 8, 5, 1), (testsupport::Rgba{10, 20, 30, 255}));

  testsupport::PngParams noise;
  noise.width = 200, noise.height = 300, noise.colorType = 2;
  std::uint32_t seed = 7;
  for (int i = 0; i < 200 * 300 * 3; ++i) {
    seed = seed * 1103515245 + 12345;
    noise.samples.push_back(static_cast<std::uint16_t>(seed >> 24));
  }
  for (bool interlaced : {false, true}) {
    noise.interlaced = interlaced;
    const std::string png = testsupport::EncodePng(noise);
    old.assign(1 << 22, 0xAB);
    ASSERT_TRUE(codecs::DecodePng(AsBytes(png.substr(0, png.size() / 20)), p, reuse));
    const platform::ByteBuffer& px = p.frames[0].pixels;
    EXPECT_EQ(oldPixel(px), -1) << interlaced;
    // Without interlacing, the rows the file lacks are left transparent.
    if (!interlaced) {
      EXPECT_EQ(PixelAt(px, 200, 100, 299).a, 0);
    }
  }

  // A JPEG's pixels are not cleared before the decode: a short file's missing rows are filled.
  const std::string jpeg = testsupport::EncodeJpeg(64, 256);
  old.assign(1 << 22, 0xAB);
  ASSERT_TRUE(codecs::DecodeJpeg(AsBytes(jpeg.substr(0, jpeg.size() * 2 / 3)), p, reuse));
  EXPECT_EQ(oldPixel(p.frames[0].pixels), -1);
}
