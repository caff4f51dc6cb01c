#include "codecs/ExifOrientation.h"

#include <gtest/gtest.h>

#include "support/PictureWriter.h"

using namespace testsupport;

using testsupport::AsBytes;

namespace {

codecs::Bytes Whole(codecs::Bytes b) {
  return b;
}

std::string Changed(std::string s, std::size_t at, char c) {
  s.at(at) = c;
  return s;
}

}  // namespace

TEST(ExifOrientation, ReadsTheTagFromEachContainer) {
  const std::string jpeg = EncodeJpeg(8, 8), png = EncodePng(8, 8);
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    const std::string exif = EncodeExif(o, o % 2 == 0);
    const std::string webp = EncodeWebp({4, 4, true, false, false, exif});
    EXPECT_EQ(codecs::ExifOrientation(AsBytes(exif)), o);
    EXPECT_EQ(codecs::ExifOrientation(codecs::FindJpegExif(AsBytes(WithJpegExif(jpeg, exif)))), o);
    EXPECT_EQ(codecs::ExifOrientation(codecs::FindPngExif(AsBytes(WithPngExif(png, exif)))), o);
    EXPECT_EQ(codecs::ExifOrientation(codecs::FindWebpExif(AsBytes(webp))), o);
  }
}

TEST(ExifOrientation, OddAndDamagedFilesReadUprightAndStayInBounds) {
  // The orientation entry of EncodeExif: tag at 22, type at 24, count at 26, value at 30.
  const std::string exif = EncodeExif(6);
  const std::string jpeg = WithJpegExif(EncodeJpeg(8, 8), exif);
  const std::string png = WithPngExif(EncodePng(4, 4), exif);
  const std::string app0("\xFF\xE0\x00\x06JFIF", 8);
  struct Case {
    const char* name;
    codecs::Bytes (*find)(codecs::Bytes);
    std::string bytes;
    int want;
  };
  for (const Case& c : {
           Case{"a JPEG without EXIF", codecs::FindJpegExif, EncodeJpeg(8, 8), 1},
           Case{"EXIF after APP0", codecs::FindJpegExif, jpeg.substr(0, 2) + app0 + jpeg.substr(2),
                6},
           Case{"EXIF after the scan", codecs::FindJpegExif,
                std::string("\xFF\xD8\xFF\xDA\x00\x02", 6) + jpeg.substr(2), 1},
           Case{"segment longer than the file", codecs::FindJpegExif, Changed(jpeg, 4, '\x7F'), 1},
           Case{"JPEG cut in the segment", codecs::FindJpegExif, jpeg.substr(0, 30), 1},
           Case{"PNG chunk with the JPEG prefix", codecs::FindPngExif,
                WithPngExif(EncodePng(4, 4), std::string("Exif\0\0", 6) + EncodeExif(8)), 8},
           Case{"chunk longer than the file", codecs::FindPngExif, Changed(png, 33, '\x7F'), 1},
           Case{"RIFF chunk longer than the file", codecs::FindWebpExif,
                std::string("RIFF\x20\0\0\0WEBPEXIF\xFF\xFF\xFF\x7F", 20) + exif, 1},
           Case{"not TIFF", Whole, Changed(exif, 0, 'J'), 1},
           Case{"header only", Whole, exif.substr(0, 8), 1},
           Case{"cut inside the entry", Whole, exif.substr(0, 30), 1},
           Case{"65535 entries stated, two there", Whole,
                Changed(Changed(exif, 8, '\xFF'), 9, '\xFF'), 6},
           Case{"directory past the end", Whole, Changed(exif, 7, '\x7F'), 1},
           Case{"directory on the last byte", Whole, Changed(exif, 4, char(exif.size() - 1)), 1},
           Case{"no value", Whole, Changed(exif, 26, 0), 1},
           Case{"value 9", Whole, Changed(exif, 30, 9), 1},
           Case{"ASCII type", Whole, Changed(exif, 24, 2), 1},
       }) {
    const codecs::Bytes in = AsBytes(c.bytes);
    const codecs::Bytes block = c.find(in);
    EXPECT_TRUE(block.empty() ||
                (block.data() >= in.data() && block.data() + block.size() <= in.data() + in.size()))
        << c.name;
    EXPECT_EQ(codecs::ExifOrientation(block), c.want) << c.name;
  }
}
