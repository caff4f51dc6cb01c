#include "codecs/ExifOrientation.h"

#include <gtest/gtest.h>

#include "support/PictureWriter.h"

namespace {

codecs::Bytes AsBytes(const std::string& s) {
  return codecs::Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

int Orientation(const std::string& block) {
  return codecs::ExifOrientation(AsBytes(block));
}

}  // namespace

TEST(ExifOrientation, FoundInEachContainerInBothByteOrders) {
  const std::string jpeg = testsupport::EncodeJpeg(8, 8);
  const std::string png = testsupport::EncodePng(8, 8);
  for (bool big : {false, true}) {
    for (int o = 1; o <= 8; ++o) {
      SCOPED_TRACE(testing::Message() << (big ? "MM " : "II ") << o);
      const std::string exif = testsupport::EncodeExif(o, big);
      EXPECT_EQ(Orientation(exif), o);
      const std::string j = testsupport::WithJpegExif(jpeg, exif);
      EXPECT_EQ(codecs::ExifOrientation(codecs::FindJpegExif(AsBytes(j))), o);
      const std::string p = testsupport::WithPngExif(png, exif);
      EXPECT_EQ(codecs::ExifOrientation(codecs::FindPngExif(AsBytes(p))), o);
      testsupport::WebpParams w;
      w.width = w.height = 4;
      w.exif = exif;
      const std::string webp = testsupport::EncodeWebp(w);
      EXPECT_EQ(codecs::ExifOrientation(codecs::FindWebpExif(AsBytes(webp))), o);
    }
  }
  // Without a block every container reads upright.
  EXPECT_TRUE(codecs::FindJpegExif(AsBytes(jpeg)).empty());
  EXPECT_TRUE(codecs::FindPngExif(AsBytes(png)).empty());
  EXPECT_TRUE(
      codecs::FindWebpExif(AsBytes(testsupport::EncodeWebp({4, 4, true, false, {}}))).empty());
  // The block may follow other segments; the writers' "Exif\0\0" copied into a PNG is skipped.
  const std::string app0 = std::string("\xFF\xE0\x00\x06JFIF", 8);
  const std::string later = testsupport::WithJpegExif(jpeg, testsupport::EncodeExif(6));
  EXPECT_EQ(codecs::ExifOrientation(
                codecs::FindJpegExif(AsBytes(later.substr(0, 2) + app0 + later.substr(2)))),
            6);
  const std::string prefixed =
      testsupport::WithPngExif(png, std::string("Exif\0\0", 6) + testsupport::EncodeExif(8));
  EXPECT_EQ(codecs::ExifOrientation(codecs::FindPngExif(AsBytes(prefixed))), 8);
}

TEST(ExifOrientation, DamagedBlocksReadUpright) {
  const std::string good = testsupport::EncodeExif(6);
  std::string hugeCount = good;
  hugeCount[8] = '\xFF', hugeCount[9] = '\xFF';  // 65535 entries, two present
  std::string farDirectory = good;
  farDirectory[4] = '\x00', farDirectory[7] = '\x7F';
  std::string directoryAtEnd = good;
  directoryAtEnd[4] = static_cast<char>(good.size() - 1);
  std::string zeroCount = good;
  zeroCount[22 + 4] = 0;  // the orientation entry's value count
  std::string outOfRange = good;
  outOfRange[22 + 8] = 9;
  std::string asAscii = good;
  asAscii[22 + 2] = 2;
  struct Case {
    const char* name;
    std::string block;
    int want;
  };
  for (const Case& c :
       {Case{"empty", "", 1}, Case{"header only", good.substr(0, 8), 1},
        Case{"cut inside the entry", good.substr(0, 30), 1},
        Case{"not TIFF", std::string("JJ*\0", 4) + good.substr(4), 1},
        Case{"count past the end", hugeCount, 6}, Case{"directory past the end", farDirectory, 1},
        Case{"directory on the last byte", directoryAtEnd, 1}, Case{"no value", zeroCount, 1},
        Case{"value 9", outOfRange, 1}, Case{"wrong type", asAscii, 1}}) {
    EXPECT_EQ(Orientation(c.block), c.want) << c.name;
  }

  // Containers whose lengths lie: nothing outside the input is ever read or returned.
  const std::string jpeg =
      testsupport::WithJpegExif(testsupport::EncodeJpeg(8, 8), testsupport::EncodeExif(3));
  for (std::size_t cut : {std::size_t{3}, std::size_t{6}, std::size_t{12}, std::size_t{30}}) {
    const std::string shortJpeg = jpeg.substr(0, cut);
    const codecs::Bytes found = codecs::FindJpegExif(AsBytes(shortJpeg));
    EXPECT_TRUE(found.empty()) << cut;
  }
  std::string longSegment = jpeg;
  longSegment[4] = '\x7F';
  EXPECT_TRUE(codecs::FindJpegExif(AsBytes(longSegment)).empty());
  const std::string afterScan = std::string("\xFF\xD8\xFF\xDA\x00\x02", 6) +
                                jpeg.substr(2);  // metadata past the image data is not looked for
  EXPECT_TRUE(codecs::FindJpegExif(AsBytes(afterScan)).empty());
  std::string png =
      testsupport::WithPngExif(testsupport::EncodePng(4, 4), testsupport::EncodeExif(3));
  png[33] = '\x7F';  // the eXIf chunk's length
  EXPECT_TRUE(codecs::FindPngExif(AsBytes(png)).empty());
  const std::string webp =
      std::string("RIFF\x20\0\0\0WEBPEXIF\xFF\xFF\xFF\x7F", 20) + testsupport::EncodeExif(3);
  EXPECT_TRUE(codecs::FindWebpExif(AsBytes(webp)).empty());
}
