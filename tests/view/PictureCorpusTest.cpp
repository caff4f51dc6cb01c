// Every picture of the shared corpus made by others loads without a crash or a leak; the
// well-formed ones at the size their headers state. Skipped when the corpus is not there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "codecs/ExifOrientation.h"
#include "support/TempDir.h"
#include "view/ImageLib.h"

namespace fs = std::filesystem;

namespace {

unsigned Byte(const std::string& b, std::size_t i) {
  return i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
}

// The size a header states, read independently of the decoders.
std::optional<std::pair<int, int>> StoredSize(const std::string& b) {
  const auto be16 = [&](std::size_t i) { return int(Byte(b, i) << 8 | Byte(b, i + 1)); };
  const auto le16 = [&](std::size_t i) { return int(Byte(b, i) | Byte(b, i + 1) << 8); };
  switch (SniffPictureFormat(b)) {
    case PictureFormat::Png:
      return std::pair{be16(16) << 16 | be16(18), be16(20) << 16 | be16(22)};
    case PictureFormat::Gif:
      if (le16(6) == 0 || le16(8) == 0) return std::nullopt;
      return std::pair{le16(6), le16(8)};
    case PictureFormat::Bmp: {
      if (le16(14) == 12) return std::pair{le16(18), le16(20)};
      const int h = static_cast<std::int32_t>(le16(22) | le16(24) << 16);
      return std::pair{le16(18) | le16(20) << 16, std::abs(h)};
    }
    case PictureFormat::Jpeg:
      for (std::size_t i = 2; i + 9 < b.size();) {
        if (Byte(b, i) != 0xFF) return std::nullopt;
        const unsigned m = Byte(b, i + 1);
        if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC)
          return std::pair{be16(i + 7), be16(i + 5)};
        i += 2 + be16(i + 2);
      }
      return std::nullopt;
    default:
      break;
  }
  return std::nullopt;
}

// The stated size once upright: an EXIF orientation of 5 to 8 swaps the sides.
std::optional<std::pair<int, int>> StatedSize(const std::string& b) {
  std::optional<std::pair<int, int>> size = StoredSize(b);
  const codecs::Bytes bytes(reinterpret_cast<const std::uint8_t*>(b.data()), b.size());
  const PictureFormat format = SniffPictureFormat(b);
  const codecs::Bytes exif = format == PictureFormat::Jpeg  ? codecs::FindJpegExif(bytes)
                             : format == PictureFormat::Png ? codecs::FindPngExif(bytes)
                                                            : codecs::Bytes{};
  if (size && codecs::OrientationSwapsSides(codecs::ExifOrientation(exif)))
    std::swap(size->first, size->second);
  return size;
}

// 12-bit JPEG needs a library built for it; other pictures of a known signature are read.
bool Supported(const std::string& b) {
  const PictureFormat format = SniffPictureFormat(b);
  if (format != PictureFormat::Jpeg) return format != PictureFormat::None;
  for (std::size_t i = 2; i + 9 < b.size();) {
    const unsigned m = Byte(b, i + 1);
    if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) return Byte(b, i + 4) == 8;
    i += 2 + (Byte(b, i + 2) << 8 | Byte(b, i + 3));
  }
  return false;
}

bool Malformed(const fs::path& p) {
  const std::string s = p.generic_string();
  const std::string stem = p.stem().string();
  const std::string last = stem.substr(stem.rfind('_') + 1);  // the suite's own name
  return s.find("/bad/") != std::string::npos || s.find("/questionable/") != std::string::npos ||
         (last.size() > 1 && last[0] == 'x') ||
         s.find("/gif/") != std::string::npos;  // the GIF suites mix both kinds
}

}  // namespace

TEST(PictureCorpus, EveryFileLoadsOrIsRefusedCleanly) {
  const char* env = std::getenv("SORTIVO_SOURCE_DIR");
  // Without the variable, the source tree this file was compiled from.
  const fs::path source =
      env && *env ? fs::path(env) : fs::path(__FILE__).parent_path() / ".." / "..";
  const fs::path corpus = source / ".." / "shared" / "corpus";
  std::error_code ec;
  if (!fs::is_directory(corpus, ec)) GTEST_SKIP() << "no corpus at " << corpus;

  int loaded = 0, refused = 0, checked = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus, ec)) {
    if (!entry.is_regular_file()) continue;
    const fs::path& path = entry.path();
    const std::string ext = path.extension().string();
    if (ext == ".txt" || ext == ".conf" || ext == ".rgba") continue;
    SCOPED_TRACE(path.string());
    const LoadResult r = LoadPicture(path.string());
    if (r.format == PictureFormat::None) {
      ++refused;
      EXPECT_TRUE(r.picture.empty());
      EXPECT_TRUE(Malformed(path) || !Supported(testsupport::ReadAll(path.string())))
          << "a well-formed picture was refused";
      continue;
    }
    ++loaded;
    ASSERT_FALSE(r.picture.empty());
    for (const PictureFrame& f : r.picture.frames)
      ASSERT_EQ(f.pixels.size(), r.picture.stride() * r.picture.height);
    if (Malformed(path)) continue;
    const auto stated = StatedSize(testsupport::ReadAll(path.string()));
    if (!stated) continue;
    ++checked;
    EXPECT_EQ(r.picture.width, stated->first);
    EXPECT_EQ(r.picture.height, stated->second);
  }
  EXPECT_GT(loaded, 300);
  EXPECT_GT(checked, 250);
  std::printf("%d loaded (%d sizes checked), %d refused\n", loaded, checked, refused);
}
