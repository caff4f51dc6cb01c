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
