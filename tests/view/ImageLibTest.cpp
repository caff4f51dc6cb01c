#include "view/ImageLib.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/CameraPictureWriter.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"

using testsupport::EncodeExif;
using testsupport::EncodeJpeg;
using testsupport::EncodePng;
using testsupport::EncodeTiff;
using testsupport::EncodeWebp;
using testsupport::PixelAt;
using testsupport::Rgba;
using testsupport::TempDir;
using testsupport::TiffColor;
using testsupport::WithJpegExif;
using testsupport::WithPngExif;

namespace {

Picture Shown() {  // a picture already on screen, to see whether a failed load keeps it
  Picture p;
  p.width = p.fullWidth = p.height = p.fullHeight = 1;
  p.frames.push_back(PictureFrame{{1, 2, 3, 255}, 0});
  return p;
}

struct Hooks {
  int marked = 0;
  std::vector<std::string> replaced;
  ExtensionCorrectionHooks Make() {
    return {[this] { ++marked; }, [this](const std::string& p) { replaced.push_back(p); }};
  }
};

}  // namespace

TEST(ImageLib, LoadsEachFormatByItsFirstBytes) {
  TempDir dir;
  // Extensions that lie: the signature decides.
  const std::string jpeg = dir.Write("a.png", testsupport::EncodeJpeg(30, 20));
  const std::string png = dir.Write("b.gif", testsupport::EncodePng(31, 21));
  const std::string gif = dir.Write("c.bmp", testsupport::EncodeGif(32, 22, 3));
  const std::string bmp = dir.Write("d", testsupport::EncodeBmp(33, 23));
  struct Case {
    std::string path;
    PictureFormat format;
    int width;
    std::size_t frames;
  };
  for (const Case& c :
       {Case{jpeg, PictureFormat::Jpeg, 30, 1}, Case{png, PictureFormat::Png, 31, 1},
        Case{gif, PictureFormat::Gif, 32, 3}, Case{bmp, PictureFormat::Bmp, 33, 1}}) {
    SCOPED_TRACE(c.path);
    Picture control = Shown();
    EXPECT_EQ(LoadPictureFile(c.path, control), c.format);
    EXPECT_EQ(control.width, c.width);
    EXPECT_EQ(control.height, c.width - 10);
    EXPECT_EQ(control.frames.size(), c.frames);
  }
  // A display size lets a JPEG decode smaller; the true size is kept beside it.
  codecs::DecodeOptions fit;
  fit.fitWidth = 10, fit.fitHeight = 10;
  const LoadResult small = LoadPicture(dir.Write("big.jpg", testsupport::EncodeJpeg(160, 80)), fit);
  EXPECT_EQ(small.format, PictureFormat::Jpeg);
  EXPECT_EQ(small.picture.width, 20);
  EXPECT_EQ(small.picture.fullWidth, 160);
  EXPECT_EQ(small.picture.fullHeight, 80);
}

TEST(ImageLib, FailedLoadsKeepOrEmptyThePicture) {
  TempDir dir;
  struct Case {
    std::string name;
    std::string bytes;
    PictureChange change;
  };
  const std::string jpeg = testsupport::EncodeJpeg(40, 40);
  for (const Case& c :
       {Case{"three", "GIF", PictureChange::Keep}, Case{"gif8.gif", "GIF8", PictureChange::Empty},
        Case{"text.bmp", "BM is how this note begins, and it is no picture.", PictureChange::Keep},
        Case{"junk.jpg", "\xFF junk that only starts like a JPEG", PictureChange::Keep},
        Case{"header.jpg", jpeg.substr(0, 100), PictureChange::Keep},
        Case{"unknown.png", "RIFF....WEBPVP8 ", PictureChange::Keep},
        Case{"empty.png", "", PictureChange::Keep}}) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write(c.name, c.bytes);
    const LoadResult r = LoadPicture(path);
    EXPECT_EQ(r.format, PictureFormat::None);
    EXPECT_EQ(r.change, c.change);
    Picture control = Shown();
    EXPECT_EQ(LoadPictureFile(path, control), PictureFormat::None);
    EXPECT_EQ(control.empty(), c.change == PictureChange::Empty);
  }
  Picture control = Shown();
  EXPECT_EQ(LoadPictureFile(dir / "missing.jpg", control), PictureFormat::None);
  EXPECT_EQ(LoadPictureFile(dir.str(), control), PictureFormat::None);  // a folder
  EXPECT_EQ(LoadPictureFile("", control), PictureFormat::None);
  EXPECT_FALSE(control.empty());

  if (geteuid() != 0) {  // root reads anything
    const std::string locked = dir.Write("locked.jpg", jpeg);
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    EXPECT_THROW(LoadPictureFile(locked, control), std::runtime_error);
  }
}

TEST(ImageLib, QuarterTurns) {
  Picture p;
  p.width = p.fullWidth = 300;
  p.height = p.fullHeight = 200;
  for (int f = 0; f < 2; ++f) {
    PictureFrame frame;
    frame.delayMs = 40 + f;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 300; ++x) {
        const Rgba c = testsupport::Gradient(x, y, 300, 200);
        frame.pixels.insert(frame.pixels.end(),
                            {c.b, c.g, static_cast<std::uint8_t>(c.r ^ f), c.a});
      }
    p.frames.push_back(std::move(frame));
  }
  const Picture original = p;
  const Rgba topLeft = PixelAt(p.frames[0].pixels, 300, 0, 0);
  const Rgba topRight = PixelAt(p.frames[0].pixels, 300, 299, 0);

  RotateClockwise(p);
  ASSERT_EQ(p.width, 200);
  ASSERT_EQ(p.height, 300);
  EXPECT_EQ(p.fullWidth, 200);
  EXPECT_EQ(p.fullHeight, 300);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 200, 199, 0), topLeft);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 200, 199, 299), topRight);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 200, 37, 11),
            PixelAt(original.frames[0].pixels, 300, 11, 162));
  EXPECT_EQ(p.frames[1].delayMs, 41);
  EXPECT_EQ(PixelAt(p.frames[1].pixels, 200, 199, 0),
            PixelAt(original.frames[1].pixels, 300, 0, 0));

  RotateCounterClockwise(p);
  EXPECT_EQ(p.width, 300);
  EXPECT_TRUE(p.frames[0].pixels == original.frames[0].pixels);
  EXPECT_TRUE(p.frames[1].pixels == original.frames[1].pixels);

  RotateCounterClockwise(p);  // the top row becomes the left column, its right end at the top
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 200, 0, 0), topRight);
  EXPECT_EQ(PixelAt(p.frames[0].pixels, 200, 0, 299), topLeft);
  RotateCounterClockwise(p);
  RotateCounterClockwise(p);
  RotateCounterClockwise(p);
  EXPECT_TRUE(p.frames[0].pixels == original.frames[0].pixels);

  Picture empty;
  RotateClockwise(empty);
  EXPECT_TRUE(empty.empty());
}

TEST(ImageLib, CorrectsAWrongExtensionWithoutReplacingAnything) {
  TempDir dir;
  const std::string png = testsupport::EncodePng(4, 4);
  const std::string jpeg = testsupport::EncodeJpeg(4, 4);

  Hooks h1;
  const std::string x = dir.Write("x.jpg", png);
  EXPECT_EQ(CorrectPictureExtension(x, LoadPicture(x).format, h1.Make()), dir / "x.png");
  EXPECT_EQ(h1.marked, 1);
  EXPECT_EQ(h1.replaced, std::vector<std::string>{dir / "x.png"});
  EXPECT_TRUE(std::filesystem::exists(dir / "x.png"));
  EXPECT_FALSE(std::filesystem::exists(x));

  for (const char* name : {"y.JPEG", "y.jpe", "y.Jpg"}) {
    Hooks h;
    const std::string path = dir.Write(name, jpeg);
    EXPECT_EQ(CorrectPictureExtension(path, PictureFormat::Jpeg, h.Make()), "") << name;
    EXPECT_EQ(h.marked, 0);
    EXPECT_TRUE(h.replaced.empty());
    EXPECT_TRUE(std::filesystem::exists(path));
  }

  Hooks h2;
  const std::string existing = dir.Write("z.jpg", "someone else's file");
  const std::string z = dir.Write("z.gif", jpeg);
  EXPECT_EQ(CorrectPictureExtension(z, PictureFormat::Jpeg, h2.Make()), dir / "z.gif.jpg");
  EXPECT_EQ(testsupport::ReadAll(existing), "someone else's file");
  EXPECT_EQ(testsupport::ReadAll(dir / "z.gif.jpg"), jpeg);
  EXPECT_EQ(h2.replaced, std::vector<std::string>{dir / "z.gif.jpg"});

  Hooks h3;
  const std::string bare = dir.Write("w", jpeg);
  EXPECT_EQ(CorrectPictureExtension(bare, PictureFormat::Jpeg, h3.Make()), dir / "w.jpg");

  // Both names taken: the file keeps its name, the colour still tells.
  Hooks h4;
  dir.Write("v.png", "taken");
  dir.Write("v.bmp.png", "taken too");
  const std::string v = dir.Write("v.bmp", png);
  EXPECT_EQ(CorrectPictureExtension(v, PictureFormat::Png, h4.Make()), "");
  EXPECT_EQ(h4.marked, 1);
  EXPECT_TRUE(h4.replaced.empty());
  EXPECT_EQ(testsupport::ReadAll(v), png);
  EXPECT_EQ(testsupport::ReadAll(dir / "v.png"), "taken");
}

namespace {

std::string Ftyp(const std::string& major, const std::string& compatible) {
  const std::string box = major + std::string(4, '\0') + compatible;
  return std::string{'\0', '\0', '\0', static_cast<char>(box.size() + 8)} + "ftyp" + box;
}

const std::string kTiffHead("II*\0\x08\0\0\0", 8);
const std::string kRw2("IIU\0\x18\0\0\0", 8);

}  // namespace

TEST(ImageLib, SniffsTheNewerFormatsByTheirFirstBytes) {
  struct Case {
    std::string bytes;
    PictureFormat format;
  };
  for (const Case& c : {
           Case{EncodeWebp({8, 8, true, false, false, {}}), PictureFormat::Webp},
           Case{std::string("RIFF\x10\0\0\0WAVEfmt ", 16), PictureFormat::None},
           Case{EncodeTiff({8, 8}), PictureFormat::Tiff},
           Case{std::string("MM\0*\0\0\0\x08", 8), PictureFormat::Tiff},
           Case{std::string("II+\0\x08\0\0\0", 8), PictureFormat::Tiff},  // BigTIFF
           Case{kTiffHead + "CR\x02", PictureFormat::Cr2},
           Case{Ftyp("heic", "mif1heic"), PictureFormat::Heif},
           Case{Ftyp("hevc", "msf1"), PictureFormat::Heif},
           Case{Ftyp("mif1", "miafheic"), PictureFormat::Heif},
           Case{Ftyp("avif", "mif1miaf"), PictureFormat::Avif},
           Case{Ftyp("mif1", "miafMA1Bavif"), PictureFormat::Avif},
           Case{Ftyp("avis", "msf1"), PictureFormat::Avif},
           Case{Ftyp("crx ", "crx isom"), PictureFormat::Cr3},
           Case{Ftyp("mp42", "isomavc1"), PictureFormat::None},  // a video
           Case{"\xFF\x0A\xFA\x0B", PictureFormat::Jxl},
           Case{std::string("\0\0\0\x0CJXL \r\n\x87\n", 12), PictureFormat::Jxl},
           Case{"\xFF\xD8\xFF\xE0", PictureFormat::Jpeg},
           Case{"IIRO\x08", PictureFormat::Orf},
           Case{"MMOR", PictureFormat::Orf},
           Case{kRw2, PictureFormat::Rw2},
           Case{"FUJIFILMCCD-RAW 0201", PictureFormat::Raf},
           Case{"FUJIFILMCCD-RA", PictureFormat::None},
       }) {
    EXPECT_EQ(SniffPictureFormat(c.bytes), c.format) << c.bytes;
  }
  // Only the extension tells a TIFF-structured raw from a TIFF.
  EXPECT_EQ(SniffPictureFile(kTiffHead, "/p/a.NEF"), PictureFormat::Raw);
  EXPECT_EQ(SniffPictureFile(kTiffHead, "/p/a.nef.tif"), PictureFormat::Tiff);
  EXPECT_EQ(SniffPictureFile(kTiffHead + "CR", "/p/a.nef"), PictureFormat::Cr2);
}

TEST(ImageLib, LoadsPicturesUpright) {
  TempDir dir;
  const int w = 48, h = 32;
  // Where the stored top-left and top-right pixels appear once upright, as EXIF defines it.
  enum Corner { TL, TR, BL, BR };
  const Corner storedTopLeft[] = {TL, TR, BR, BL, TL, TR, BR, BL};
  const Corner storedTopRight[] = {TR, TL, BL, BR, BL, BR, TR, TL};
  struct Case {
    std::string bytes;
    int orientation;
    int tolerance;
  };
  std::vector<Case> cases;
  for (int o = 1; o <= 8; ++o)
    cases.push_back({WithJpegExif(EncodeJpeg(w, h), EncodeExif(o, o % 2)), o, 12});
  cases.push_back({WithPngExif(EncodePng(w, h), EncodeExif(6, true)), 6, 0});
  cases.push_back({EncodeWebp({w, h, true, false, false, EncodeExif(8)}), 8, 0});
  cases.push_back({EncodeTiff({w, h, TiffColor::Rgb, 8, 7}), 7, 0});
  // Rows that will be turned are not the rows of the picture returned: nobody is told of them.
  struct Counter final : codecs::RowsObserver {
    int told = 0;
    void RowsDone(const Picture&, int) override { ++told; }
    void RowsEnd() noexcept override {}
  };
  for (const Case& c : cases) {
    Counter counter;
    codecs::DecodeOptions watched;
    watched.rows = &counter;
    const LoadResult r = LoadPicture(dir.Write("p", c.bytes), watched);
    SCOPED_TRACE(testing::Message() << int(r.format) << " " << c.orientation);
    EXPECT_EQ(counter.told > 0, r.format == PictureFormat::Jpeg && c.orientation == 1);
    const Picture& p = r.picture;
    const bool turned = c.orientation >= 5;
    ASSERT_EQ(p.width, turned ? h : w);
    ASSERT_EQ(p.height, turned ? w : h);
    EXPECT_EQ(p.fullWidth, p.width);
    EXPECT_EQ(p.fullHeight, p.height);
    const auto at = [&](Corner k) {
      return PixelAt(p.frames[0].pixels, p.width, k == TR || k == BR ? p.width - 1 : 0,
                     k == BL || k == BR ? p.height - 1 : 0);
    };
    for (auto [shown, x] : {std::pair{at(storedTopLeft[c.orientation - 1]), 0},
                            {at(storedTopRight[c.orientation - 1]), w - 1}}) {
      const Rgba want = testsupport::Gradient(x, 0, w, h);
      EXPECT_NEAR(shown.r, want.r, c.tolerance);
      EXPECT_NEAR(shown.g, want.g, c.tolerance);
    }
  }

  // A reduced-scale decode fits the upright picture, not the stored one, into the box.
  codecs::DecodeOptions fit;
  fit.fitWidth = 20, fit.fitHeight = 40;
  const LoadResult small =
      LoadPicture(dir.Write("side.jpg", WithJpegExif(EncodeJpeg(160, 80), EncodeExif(6))), fit);
  EXPECT_EQ(small.picture.width, 20);
  EXPECT_EQ(small.picture.height, 40);
  EXPECT_EQ(small.picture.fullWidth, 80);
  EXPECT_EQ(small.picture.fullHeight, 160);
}

TEST(ImageLib, NamesEachNewerFormatByItsUsualExtension) {
  TempDir dir;
  const std::string tiff = EncodeTiff({8, 8});
  struct Case {
    std::string name;
    std::string bytes;
    std::string renamed;  // empty: the name stays
  };
  for (const Case& c : {
           Case{"a.jpg", EncodeWebp({8, 8, true, false, false, {}}), "a.webp"},
           Case{"b.WEBP", EncodeWebp({8, 8, false, false, false, {}}), ""},
           Case{"c.png", tiff, "c.tif"},
           Case{"d.TIFF", tiff, ""},
           Case{"f.nef", tiff, ""},  // a raw of TIFF structure is never made a .tif
           Case{"g.ARW", tiff, ""},
           Case{"h.jpg", Ftyp("heic", "mif1"), "h.heic"},
           Case{"i.heif", Ftyp("mif1", "heic"), ""},
           Case{"j.heic", Ftyp("avif", "mif1"), "j.avif"},
           Case{"k.jpg", "\xFF\x0A\xFA\x0B", "k.jxl"},
           Case{"l.tif", kTiffHead + "CR\x02", "l.cr2"},
           Case{"m.nef", Ftyp("crx ", "isom"), "m.cr3"},
           Case{"n.raw", "IIRO\x08", "n.orf"},
           Case{"o.tif", kRw2, "o.rw2"},
           Case{"p.jpg", "FUJIFILMCCD-RAW 0201", "p.raf"},
           Case{"q.rw2", kRw2, ""},
       }) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write(c.name, c.bytes);
    const PictureFormat format = SniffPictureFile(c.bytes, path);
    // WebP and TIFF are decoded here; the rule for the others is the same once they are.
    if (format == PictureFormat::Webp || format == PictureFormat::Tiff) {
      EXPECT_EQ(LoadPicture(path).format, format);
    }
    Hooks hooks;
    EXPECT_EQ(CorrectPictureExtension(path, format, hooks.Make()),
              c.renamed.empty() ? "" : dir / c.renamed);
    EXPECT_EQ(hooks.marked, c.renamed.empty() ? 0 : 1);
    EXPECT_TRUE(std::filesystem::exists(c.renamed.empty() ? path : dir / c.renamed));
  }
}

// What the libraries hold while they decode counts against the budget as well as our own buffers:
// a budget with room for the file and the finished frames alone turns these decodes away, and
// one with room to spare lets them through.
TEST(ImageLib, LibraryWorkingMemoryCountsAgainstTheBudget) {
  constexpr int kSide = 256;
  struct Case {
    const char* name;
    std::string bytes;
    int frames;
  };
  testsupport::HeifParams heif;
  heif.width = heif.height = kSide;
  testsupport::JxlParams jxl;
  jxl.width = jxl.height = kSide;
  testsupport::DngParams raw;  // no preview: the sensor is developed at half size
  raw.width = raw.height = kSide * 2;
  raw.preview = testsupport::DngPreview::None;
  const std::vector<Case> cases = {
      {"a.heic", testsupport::EncodeHeif(heif), 1},
      {"lossless.webp", EncodeWebp({kSide, kSide, true, false, false, {}}), 1},
      {"anim.webp",
       testsupport::EncodeAnimatedWebp(kSide, kSide, {{255, 0, 0, 255}, {0, 255, 0, 255}},
                                       {100, 100}, 0),
       2},
      {"a.jxl", testsupport::EncodeJxl(jxl), 1},
      {"a.dng", testsupport::EncodeDng(raw), 1},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(c.bytes.empty());
    const std::string path = dir.Write(c.name, c.bytes);
    const std::size_t own = c.bytes.size() + std::size_t{kSide} * kSide * 4 * c.frames;
    for (const std::size_t capacity : {own + 4096, own * 16}) {
      codecs::DecodeBudget budget(capacity);
      codecs::DecodeOptions options;
      options.budget = &budget;
      options.budgetMode = codecs::BudgetMode::Skip;
      const LoadResult r = LoadPicture(path, options);
      const bool roomy = capacity > own + 4096;
      EXPECT_EQ(r.outOfMemory, !roomy) << capacity;
      EXPECT_EQ(r.change == PictureChange::Replace, roomy) << capacity;
      if (roomy) {
        EXPECT_EQ(r.picture.width, kSide);
        EXPECT_EQ(r.picture.frames.size(), static_cast<std::size_t>(c.frames));
        EXPECT_GT(budget.peak(), own);
      }
    }
  }
}
