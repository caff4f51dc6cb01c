#include "view/ImageLib.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/PictureWriter.h"
#include "support/TempDir.h"

using testsupport::PixelAt;
using testsupport::Rgba;
using testsupport::TempDir;

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

std::string Ftyp(const std::string& major, const std::vector<std::string>& compatible) {
  std::string box = major + std::string(4, '\0');
  for (const std::string& b : compatible) box += b;
  const std::size_t size = box.size() + 8;
  return std::string{'\0', '\0', '\0', static_cast<char>(size)} + "ftyp" + box;
}

std::string TiffHead(bool big) {
  return big ? std::string("MM\0*\0\0\0\x08", 8) : std::string("II*\0\x08\0\0\0", 8);
}

}  // namespace

TEST(ImageLib, SniffsTheNewerFormatsByTheirFirstBytes) {
  testsupport::WebpParams webp{8, 8, true, false, {}};
  testsupport::TiffParams tiff;
  tiff.width = tiff.height = 8;
  tiff.bigEndian = true;
  struct Case {
    const char* name;
    std::string bytes;
    PictureFormat format;
  };
  for (const Case& c : {
           Case{"WebP", testsupport::EncodeWebp(webp), PictureFormat::Webp},
           Case{"RIFF but a WAVE", std::string("RIFF\x10\0\0\0WAVEfmt ", 16), PictureFormat::None},
           Case{"TIFF, little-endian", TiffHead(false) + "........", PictureFormat::Tiff},
           Case{"TIFF by the library", testsupport::EncodeTiff(tiff), PictureFormat::Tiff},
           Case{"BigTIFF", std::string("II+\0\x08\0\0\0", 8), PictureFormat::Tiff},
           Case{"CR2", TiffHead(false) + std::string("CR\x02\0", 4), PictureFormat::Cr2},
           Case{"HEIC", Ftyp("heic", {"mif1", "heic"}), PictureFormat::Heif},
           Case{"HEIF sequence", Ftyp("hevc", {"msf1"}), PictureFormat::Heif},
           Case{"HEIF by its compatible brand", Ftyp("mif1", {"miaf", "heic"}),
                PictureFormat::Heif},
           Case{"AVIF", Ftyp("avif", {"mif1", "miaf"}), PictureFormat::Avif},
           Case{"AVIF by its compatible brand", Ftyp("mif1", {"miaf", "MA1B", "avif"}),
                PictureFormat::Avif},
           Case{"AVIF sequence", Ftyp("avis", {"msf1"}), PictureFormat::Avif},
           Case{"CR3", Ftyp("crx ", {"crx ", "isom"}), PictureFormat::Cr3},
           Case{"a video", Ftyp("mp42", {"isom", "avc1"}), PictureFormat::None},
           Case{"JPEG XL codestream", "\xFF\x0A\xFA\x0B", PictureFormat::Jxl},
           Case{"JPEG XL container", std::string("\0\0\0\x0CJXL \r\n\x87\n", 12),
                PictureFormat::Jxl},
           Case{"JPEG", "\xFF\xD8\xFF\xE0", PictureFormat::Jpeg},
           Case{"ORF", std::string("IIRO\x08\0\0\0", 8), PictureFormat::Orf},
           Case{"ORF, other", "IIRS\x08\0\0\0", PictureFormat::Orf},
           Case{"ORF, big-endian", "MMOR\0\0\0\x08", PictureFormat::Orf},
           Case{"RW2", std::string("IIU\0\x18\0\0\0", 8), PictureFormat::Rw2},
           Case{"RAF", "FUJIFILMCCD-RAW 0201FF383501", PictureFormat::Raf},
           Case{"RAF cut short", "FUJIFILMCCD-RA", PictureFormat::None},
       }) {
    EXPECT_EQ(SniffPictureFormat(c.bytes), c.format) << c.name;
  }
  // Only the extension tells a TIFF-structured raw from a TIFF.
  const std::string head = TiffHead(false) + "........";
  EXPECT_EQ(SniffPictureFile(head, "/p/a.NEF"), PictureFormat::Raw);
  EXPECT_EQ(SniffPictureFile(head, "/p/a.dng"), PictureFormat::Raw);
  EXPECT_EQ(SniffPictureFile(head, "/p/a.tif"), PictureFormat::Tiff);
  EXPECT_EQ(SniffPictureFile(head, "/p/a.nef.tif"), PictureFormat::Tiff);
  EXPECT_EQ(SniffPictureFile(TiffHead(false) + "CR..", "/p/a.nef"), PictureFormat::Cr2);
}

TEST(ImageLib, LoadsPicturesUpright) {
  TempDir dir;
  const int kW = 48, kH = 32;
  // Where the stored top-left and top-right pixels appear once upright, as EXIF defines it.
  enum Corner { TL, TR, BL, BR };
  const Corner storedTopLeft[] = {TL, TR, BR, BL, TL, TR, BR, BL};
  const Corner storedTopRight[] = {TR, TL, BL, BR, BL, BR, TR, TL};
  const auto check = [&](const Picture& p, int orientation, int tolerance) {
    const bool turned = orientation >= 5;
    ASSERT_EQ(p.width, turned ? kH : kW);
    ASSERT_EQ(p.height, turned ? kW : kH);
    EXPECT_EQ(p.fullWidth, p.width);
    EXPECT_EQ(p.fullHeight, p.height);
    const auto at = [&](Corner c) {
      return PixelAt(p.frames[0].pixels, p.width, c == TR || c == BR ? p.width - 1 : 0,
                     c == BL || c == BR ? p.height - 1 : 0);
    };
    const auto near = [&](Rgba a, Rgba b) {
      return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
             std::abs(a.b - b.b) <= tolerance;
    };
    const Rgba topLeft = testsupport::Gradient(0, 0, kW, kH);
    const Rgba topRight = testsupport::Gradient(kW - 1, 0, kW, kH);
    EXPECT_PRED2(near, at(storedTopLeft[orientation - 1]), topLeft);
    EXPECT_PRED2(near, at(storedTopRight[orientation - 1]), topRight);
  };
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(testing::Message() << "JPEG " << o);
    const std::string path =
        dir.Write("j" + std::to_string(o) + ".jpg",
                  testsupport::WithJpegExif(testsupport::EncodeJpeg(kW, kH),
                                            testsupport::EncodeExif(o, o % 2)));
    const LoadResult r = LoadPicture(path);
    EXPECT_EQ(r.format, PictureFormat::Jpeg);
    check(r.picture, o, 12);
  }
  testsupport::WebpParams webp{kW, kH, true, false, testsupport::EncodeExif(8)};
  testsupport::TiffParams tiff;
  tiff.width = kW, tiff.height = kH, tiff.orientation = 7;
  struct Case {
    const char* name;
    std::string bytes;
    int orientation;
  };
  for (const Case& c : {Case{"PNG",
                             testsupport::WithPngExif(testsupport::EncodePng(kW, kH),
                                                      testsupport::EncodeExif(6, true)),
                             6},
                        Case{"WebP", testsupport::EncodeWebp(webp), 8},
                        Case{"TIFF", testsupport::EncodeTiff(tiff), 7}}) {
    SCOPED_TRACE(c.name);
    const LoadResult r = LoadPicture(dir.Write(c.name, c.bytes));
    ASSERT_NE(r.format, PictureFormat::None);
    check(r.picture, c.orientation, 0);
  }

  // A reduced-scale decode fits the upright picture, not the stored one, into the box.
  codecs::DecodeOptions fit;
  fit.fitWidth = 20, fit.fitHeight = 40;
  const std::string side = dir.Write(
      "side.jpg",
      testsupport::WithJpegExif(testsupport::EncodeJpeg(160, 80), testsupport::EncodeExif(6)));
  const LoadResult small = LoadPicture(side, fit);
  EXPECT_EQ(small.picture.width, 20);
  EXPECT_EQ(small.picture.height, 40);
  EXPECT_EQ(small.picture.fullWidth, 80);
  EXPECT_EQ(small.picture.fullHeight, 160);
}

TEST(ImageLib, ApplyOrientationTurnsEveryFrame) {
  Picture p;
  p.width = p.fullWidth = 3;
  p.height = p.fullHeight = 2;
  for (std::uint8_t f = 0; f < 2; ++f) {
    PictureFrame frame;
    for (std::uint8_t i = 0; i < 6; ++i) frame.pixels.insert(frame.pixels.end(), {i, f, 0, 255});
    p.frames.push_back(frame);
  }
  // The stored pixel index (x + 3y) found at each upright position, row by row.
  const std::vector<std::vector<int>> upright = {
      {0, 1, 2, 3, 4, 5}, {2, 1, 0, 5, 4, 3}, {5, 4, 3, 2, 1, 0}, {3, 4, 5, 0, 1, 2},
      {0, 3, 1, 4, 2, 5}, {3, 0, 4, 1, 5, 2}, {5, 2, 4, 1, 3, 0}, {2, 5, 1, 4, 0, 3}};
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    Picture q = p;
    ApplyOrientation(q, o);
    EXPECT_EQ(q.width, o >= 5 ? 2 : 3);
    EXPECT_EQ(q.fullHeight, o >= 5 ? 3 : 2);
    for (std::size_t f = 0; f < 2; ++f)
      for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(q.frames[f].pixels[i * 4], upright[o - 1][i]) << i;
        EXPECT_EQ(q.frames[f].pixels[i * 4 + 1], f);
      }
  }
  for (int bad : {0, 9, -1}) {
    Picture q = p;
    ApplyOrientation(q, bad);
    EXPECT_TRUE(q.frames[0].pixels == p.frames[0].pixels);
  }
}

TEST(ImageLib, NamesEachNewerFormatByItsUsualExtension) {
  TempDir dir;
  testsupport::TiffParams tiff;
  tiff.width = tiff.height = 8;
  const std::string tiffBytes = testsupport::EncodeTiff(tiff);
  struct Case {
    std::string name;
    std::string bytes;
    std::string renamed;  // empty: the name stays
  };
  for (const Case& c : {
           Case{"a.jpg", testsupport::EncodeWebp({8, 8, true, false, {}}), "a.webp"},
           Case{"b.WEBP", testsupport::EncodeWebp({8, 8, false, false, {}}), ""},
           Case{"c.png", tiffBytes, "c.tif"},
           Case{"d.TIFF", tiffBytes, ""},
           Case{"e.tif", tiffBytes, ""},
           Case{"f.nef", tiffBytes, ""},  // a raw of TIFF structure is never made a .tif
           Case{"g.ARW", tiffBytes, ""},
           Case{"h.jpg", Ftyp("heic", {"mif1"}), "h.heic"},
           Case{"i.heif", Ftyp("mif1", {"heic"}), ""},
           Case{"j.heic", Ftyp("avif", {"mif1"}), "j.avif"},
           Case{"k.jpg", "\xFF\x0A\xFA\x0B", "k.jxl"},
           Case{"l.tif", TiffHead(false) + std::string("CR\x02\0", 4), "l.cr2"},
           Case{"m.nef", Ftyp("crx ", {"isom"}), "m.cr3"},
           Case{"n.raw", "IIRO\x08\0\0\0", "n.orf"},
           Case{"o.tif", std::string("IIU\0\x18\0\0\0", 8), "o.rw2"},
           Case{"p.jpg", "FUJIFILMCCD-RAW 0201", "p.raf"},
           Case{"q.rw2", std::string("IIU\0\x18\0\0\0", 8), ""},
       }) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write(c.name, c.bytes);
    const PictureFormat format = SniffPictureFile(c.bytes, path);
    // WebP and TIFF are decoded here; the rule for the others is the same once they are.
    if (format == PictureFormat::Webp || format == PictureFormat::Tiff) {
      EXPECT_EQ(LoadPicture(path).format, format);
    }
    Hooks h;
    const std::string result = CorrectPictureExtension(path, format, h.Make());
    EXPECT_EQ(result, c.renamed.empty() ? "" : dir / c.renamed);
    EXPECT_EQ(h.marked, c.renamed.empty() ? 0 : 1);
    EXPECT_TRUE(std::filesystem::exists(c.renamed.empty() ? path : dir / c.renamed));
  }
}
