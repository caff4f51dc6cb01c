#include "codecs/JpegDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "support/PictureWriter.h"

using testsupport::Gradient;
using testsupport::JpegColor;
using testsupport::JpegParams;
using testsupport::PixelAt;
using testsupport::Rgba;

using testsupport::AsBytes;

namespace {

bool Near(Rgba a, Rgba b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance && a.a == b.a;
}

// Samples the gradient at a few points away from edges (where chroma subsampling blurs).
void ExpectGradient(const Picture& p, bool gray, int tolerance) {
  ASSERT_EQ(p.frames.size(), 1u);
  for (auto [x, y] : {std::pair{8, 8}, {p.width / 2, p.height / 3}, {p.width - 9, p.height - 9}}) {
    Rgba want = Gradient(x, y, p.width, p.height);
    if (gray) want = Rgba{want.r, want.r, want.r, 255};
    const Rgba got = PixelAt(p.frames[0].pixels, p.width, x, y);
    EXPECT_TRUE(Near(got, want, tolerance))
        << x << "," << y << " got " << int(got.r) << " " << int(got.g) << " " << int(got.b)
        << " want " << int(want.r) << " " << int(want.g) << " " << int(want.b);
  }
}

}  // namespace

TEST(JpegDecoder, DecodesEveryColourSpace) {
  struct Case {
    JpegColor color;
    bool progressive;
  };
  for (Case c : {Case{JpegColor::YCbCr, false}, Case{JpegColor::YCbCr, true},
                 Case{JpegColor::Gray, false}, Case{JpegColor::Rgb, false},
                 Case{JpegColor::Cmyk, false}, Case{JpegColor::AdobeCmyk, false}}) {
    SCOPED_TRACE(static_cast<int>(c.color) * 10 + c.progressive);
    JpegParams params;
    params.color = c.color;
    params.progressive = c.progressive;
    Picture p;
    ASSERT_TRUE(codecs::DecodeJpeg(AsBytes(testsupport::EncodeJpeg(67, 45, params)), p));
    EXPECT_EQ(p.width, 67);
    EXPECT_EQ(p.height, 45);
    EXPECT_EQ(p.fullWidth, 67);
    EXPECT_EQ(p.fullHeight, 45);
    EXPECT_FALSE(p.hasAlpha);
    ExpectGradient(p, c.color == JpegColor::Gray, 10);
  }
}

TEST(JpegDecoder, RefusesJunkAndOversizeAndTooManyScans) {
  Picture p;
  EXPECT_FALSE(codecs::DecodeJpeg(AsBytes(std::string("\xFF\xD8\xFF\xE0junkjunkjunk", 16)), p));
  EXPECT_FALSE(codecs::DecodeJpeg(AsBytes(std::string("\xFF\xD8", 2)), p));
  EXPECT_TRUE(p.empty());

  const std::string jpeg = testsupport::EncodeJpeg(300, 200);
  codecs::DecodeOptions narrow;
  narrow.limits.maxDimension = 299;
  EXPECT_FALSE(codecs::DecodeJpeg(AsBytes(jpeg), p, narrow));
  codecs::DecodeOptions few;
  few.limits.maxPixels = 300 * 200 - 1;
  EXPECT_FALSE(codecs::DecodeJpeg(AsBytes(jpeg), p, few));

  JpegParams progressive;
  progressive.progressive = true;  // the simple progression has 10 scans
  codecs::DecodeOptions scans;
  scans.limits.maxScans = 3;
  EXPECT_FALSE(codecs::DecodeJpeg(AsBytes(testsupport::EncodeJpeg(64, 64, progressive)), p, scans));
  scans.limits.maxScans = 10;
  EXPECT_TRUE(codecs::DecodeJpeg(AsBytes(testsupport::EncodeJpeg(64, 64, progressive)), p, scans));
}

TEST(JpegDecoder, TruncatedFileKeepsTheRowsItHolds) {
  const std::string jpeg = testsupport::EncodeJpeg(64, 256);
  Picture p;
  ASSERT_TRUE(codecs::DecodeJpeg(AsBytes(jpeg.substr(0, jpeg.size() * 2 / 3)), p));
  EXPECT_EQ(p.width, 64);
  EXPECT_EQ(p.height, 256);
  for (int y : {4, 20, 40})
    EXPECT_TRUE(Near(PixelAt(p.frames[0].pixels, 64, 30, y), Gradient(30, y, 64, 256), 10)) << y;
  // Nothing past the header: no pixels to show.
  const std::size_t sos = jpeg.find("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  EXPECT_FALSE(codecs::DecodeJpeg(AsBytes(jpeg.substr(0, sos + 20)), p));
}

TEST(JpegDecoder, ToldRowsAreFinalAsTheyCome) {
  // What it saw of the rows it was told of, in turn: those rows must not change afterwards.
  struct Watcher final : codecs::RowsObserver {
    std::vector<int> told;
    platform::ByteBuffer seen;
    int ends = 0;
    void RowsDone(const Picture& p, int rows) override {
      EXPECT_EQ(ends, 0);
      told.push_back(rows);
      seen.assign(p.frames[0].pixels.begin(), p.frames[0].pixels.begin() + rows * p.stride());
    }
    void RowsEnd() noexcept override { ++ends; }
  };
  struct Case {
    JpegParams params;
    std::size_t keep;  // bytes of the file kept; 0: all
    bool told;
  };
  const std::string sequential = testsupport::EncodeJpeg(48, 200);
  for (const Case& c :
       {Case{{}, 0, true}, Case{{95, JpegColor::YCbCr, true}, 0, true},
        Case{{95, JpegColor::Cmyk}, 0, false}, Case{{}, sequential.size() / 2, true}}) {
    SCOPED_TRACE(testing::Message() << int(c.params.color) << c.params.progressive << c.keep);
    std::string jpeg = testsupport::EncodeJpeg(48, 200, c.params);
    if (c.keep) jpeg.resize(c.keep);
    Watcher watcher;
    codecs::DecodeOptions options;
    options.rows = &watcher;
    Picture p;
    ASSERT_TRUE(codecs::DecodeJpeg(AsBytes(jpeg), p, options));
    EXPECT_EQ(watcher.ends, c.told ? 1 : 0);
    if (!c.told) {
      EXPECT_TRUE(watcher.told.empty());
      continue;
    }
    ASSERT_FALSE(watcher.told.empty());
    EXPECT_TRUE(std::is_sorted(watcher.told.begin(), watcher.told.end()));
    // A cut file's rows past its end are made up: never told of.
    EXPECT_EQ(watcher.told.back() == 200, c.keep == 0);
    EXPECT_TRUE(std::equal(watcher.seen.begin(), watcher.seen.end(), p.frames[0].pixels.begin()));
  }
}

TEST(JpegDecoder, DecodesAtAReducedScaleThatStillCoversTheFittedSize) {
  EXPECT_EQ(codecs::JpegScaleEighths(800, 600, 0, 0), 8);
  EXPECT_EQ(codecs::JpegScaleEighths(800, 600, 1000, 1000), 8);
  EXPECT_EQ(codecs::JpegScaleEighths(800, 600, 200, 150), 2);
  EXPECT_EQ(codecs::JpegScaleEighths(800, 600, 201, 1000), 3);  // 201 wide needs 3/8 = 300
  EXPECT_EQ(codecs::JpegScaleEighths(800, 600, 1000, 100), 2);  // 100 high needs 2/8 = 150
  EXPECT_EQ(codecs::JpegScaleEighths(6000, 4000, 10, 10), 1);

  codecs::DecodeOptions fit;
  fit.fitWidth = 200, fit.fitHeight = 150;
  Picture p;
  ASSERT_TRUE(codecs::DecodeJpeg(AsBytes(testsupport::EncodeJpeg(800, 600)), p, fit));
  EXPECT_EQ(p.width, 200);
  EXPECT_EQ(p.height, 150);
  EXPECT_EQ(p.fullWidth, 800);
  EXPECT_EQ(p.fullHeight, 600);
  ExpectGradient(p, false, 12);
}
