#include "app/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>

#include "app/GeneralManager.h"
#include "app/TemporaryManager.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "platform/ConfigFolder.h"
#include "platform/ProfileFile.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

namespace {

// The original six, then the newer formats.
constexpr const char* kDefaultPictures =
    ".bmp .gif .jpe .jpeg .jpg .png .webp .heic .heif .avif .jxl .tif .tiff .cr2 .cr3 .nef .arw "
    ".dng .orf .rw2 .raf .pef";

struct Objects {
  TGeneralManager general;
  TTemporaryManager temporary;
  TVirtualKeys keys;
  TColorManager colors;
  WindowSettings window;

  bool Load(const std::string& path) {
    return LoadSettings(path, general, temporary, keys, colors, window);
  }
  bool Save(const std::string& path, const ListPosition& list = {}, std::string* err = nullptr) {
    return SaveSettings(path, general, keys, colors, window, list, err);
  }
};

}  // namespace

TEST(Settings, NoFileGivesTheDefaultsAndCreatesNothing) {
  testsupport::TempDir dir;
  const std::string path = platform::SettingsFilePath(dir / "sub");
  Objects o;
  o.keys[NavAction::Complete].SetCode(5);
  o.keys[NavAction::Next].SetCode(7);
  EXPECT_FALSE(o.Load(path));
  EXPECT_FALSE(std::filesystem::exists(dir / "sub"));
  EXPECT_EQ(o.general.ImageExtensions, kDefaultPictures);
  EXPECT_EQ(o.general.ListExtensions, ".txt");
  EXPECT_EQ(o.general.DragSensitivity, 1);
  EXPECT_EQ(o.general.DragAccelerator, 100);
  EXPECT_EQ(o.general.ScrollRate, 50);
  EXPECT_TRUE(o.general.ShiftToCopy);
  EXPECT_FALSE(o.general.OneKey);
  EXPECT_EQ(o.keys[NavAction::Complete].GetCode(), 240);
  EXPECT_EQ(o.keys[NavAction::Next].GetCode(), 7) << "only Complete is reset";
  EXPECT_EQ(o.window.font.color, kColorWindowText) << "the default font stays";
  EXPECT_EQ(o.temporary.GetSlot(Slot::PreviewVisible), 0);
  EXPECT_EQ(o.temporary.GetSlot(Slot::PreviewLeft), 400);
  EXPECT_EQ(o.temporary.GetSlot(Slot::PreviewTop), 75);
  EXPECT_EQ(o.temporary.GetSlot(Slot::PreviewWidth), 400);
  EXPECT_EQ(o.temporary.GetSlot(Slot::PreviewHeight), 300);
}

TEST(Settings, ReadDefaultsAndOddValues) {
  testsupport::TempDir dir;
  Objects o;
  ASSERT_TRUE(o.Load(dir.Write("a.ini", "[Main]\r\n1Key=1\r\n")));
  EXPECT_TRUE(o.general.OneKey);
  EXPECT_EQ(o.window.bounds, (PixelRect{0, 0, 800, 600}));
  EXPECT_EQ(o.window.directoryListWidth, 300);
  EXPECT_EQ(o.window.font, (FontSettings{"ＭＳ Ｐゴシック", 14, 0, 0, 128, ""}))
      << "a file without a Font section reads colour 0, black";
  EXPECT_EQ(o.general.ScrollRate, 50);

  Objects p;
  ASSERT_TRUE(p.Load(dir.Write("b.ini",
                               "[Main]\nLeft=100\nTop=nope\nHeight=-601\nWidth=800\nScrollRate=-5\n"
                               "DragAccelerator=0x20\nDragSensitivity=$10\nImageExtensions=.jpg\n"
                               "[Font]\nColor=not a colour\nStyle=259\nCharSet=-1\n")));
  EXPECT_EQ(p.window.bounds, (PixelRect{100, 0, 800, -601}));
  EXPECT_EQ(p.general.ScrollRate, 0);
  EXPECT_EQ(p.general.DragAccelerator, 32);
  EXPECT_EQ(p.general.DragSensitivity, 16);
  EXPECT_EQ(p.general.ImageExtensions, kDefaultPictures) << "the written key is never read back";
  EXPECT_EQ(p.window.font.color, 0) << "an unreadable colour keeps the default";
  EXPECT_EQ(p.window.font.style, 3);
  EXPECT_EQ(p.window.font.charSet, 255);
  EXPECT_EQ(p.temporary.GetSlot(Slot::PreviewLeft), 500);
  EXPECT_EQ(p.temporary.GetSlot(Slot::PreviewTop), -75) << "halving truncates toward zero";
  EXPECT_EQ(p.temporary.GetSlot(Slot::PreviewWidth), 400);
  EXPECT_EQ(p.temporary.GetSlot(Slot::PreviewHeight), -300);

  // Bounds at the ends of the range put the default preview beyond them; it stops at the edge.
  Objects far;
  ASSERT_TRUE(far.Load(dir.Write("far.ini",
                                 "[Main]\nLeft=2147483647\nTop=-2147483648\n"
                                 "Width=2147483647\nHeight=-2147483648\n")));
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(far.temporary.GetSlot(Slot::PreviewLeft), kMax);
  EXPECT_EQ(far.temporary.GetSlot(Slot::PreviewTop), kMin);
  EXPECT_EQ(far.temporary.GetSlot(Slot::PreviewWidth), kMax / 2);
  EXPECT_EQ(far.temporary.GetSlot(Slot::PreviewHeight), kMin / 2);

  Objects q;
  ASSERT_TRUE(q.Load(dir.Write("c.ini", "[Main]\nImageExtentions=.jpg\nListExtentions=.lst\n")));
  EXPECT_EQ(q.general.ImageExtensions, ".jpg");
  ASSERT_TRUE(q.Save(dir / "c.ini"));
  EXPECT_NE(testsupport::ReadAll(dir / "c.ini").find("ImageExtensions=.jpg\r\n"),
            std::string::npos);
}

TEST(Settings, UnusableFontSizesAreRefused) {
  testsupport::TempDir dir;
  for (const auto& [text, size] : std::vector<std::pair<std::string, int>>{
           {"-2147483648", 14}, {"0", 14}, {"201", 14}, {"-201", 14}, {"200", 200}, {"-12", -12}}) {
    Objects o;
    ASSERT_TRUE(o.Load(dir.Write("f.ini", "[Font]\nSize=" + text + "\n")));
    EXPECT_EQ(o.window.font.size, size) << text;
  }
}

TEST(Settings, FontColoursByNameOrNumber) {
  EXPECT_EQ(FontColorToText(kColorWindowText), "clWindowText");
  EXPECT_EQ(FontColorToText(0x123456), "$00123456");
  EXPECT_EQ(FontColorToText(0x0000FF), "clRed");
  EXPECT_EQ(FontColorToText(kColorNone), "clNone");
  EXPECT_EQ(FontColorToText(static_cast<std::int32_t>(0x80000019u)), "$80000019");
  EXPECT_EQ(FontColorFromText("CLWINDOWTEXT"), kColorWindowText);
  EXPECT_EQ(FontColorFromText("clinfobk"), static_cast<std::int32_t>(0x80000018u));
  EXPECT_EQ(FontColorFromText("$00123456"), 0x123456);
  EXPECT_EQ(FontColorFromText("255"), 255);
  EXPECT_EQ(FontColorFromText("clPink"), std::nullopt);
}

TEST(Settings, EveryValueRoundTripsAndTheRestOfTheFileSurvives) {
  testsupport::TempDir dir;
  const std::string path = platform::SettingsFilePath(dir / "new folder");
  Objects o;
  o.general.SetImageExtensions(".JPG .png");
  o.general.SetListExtensions(".txt .lst");
  o.general.SetDragSensitivity(3);
  o.general.SetDragAccelerator(250);
  o.general.SetScrollRate(17);
  o.general.OneKey = true;
  o.general.OriginalSize = true;
  o.general.KeyMapFile = "/home/ユーザー/keymap.txt";
  o.general.TailFile = " /t ";
  o.general.HeadFile = "\"quoted\"";
  o.general.AutoDelete = o.general.AutoComp = o.general.EnterToCopy = true;
  o.general.RelativePath = true;
  o.general.ShiftToCopy = false;
  o.general.Language = "en";
  o.keys[NavAction::Left].SetCode(37 + 1792);
  o.keys[NavAction::Emergency].SetCode(0);
  o.colors[StatusColor::Default].SetText("#123456");
  o.colors[StatusColor::Error].SetText("abcdef99");
  o.window.bounds = {-10, 20, 1024, 700};
  o.window.maximized = true;
  o.window.directoryListWidth = 123;
  o.window.font = {"Noto Sans CJK JP", 11, 15, 0x123456, 1, "Medium"};
  o.window.previewVisible = true;
  o.window.preview = {5, 6, 7, 8};
  std::string err;
  ASSERT_TRUE(o.Save(path, {"/写真/源", "/写真/源/a b.jpg"}, &err)) << err;

  const std::string fresh = testsupport::ReadAll(path);
  std::vector<std::size_t> at;
  for (const char* s : {"[Main]", "[Font]", "[Color]", "[Key]", "[Preview]", "[KeyMap]"})
    at.push_back(fresh.find(s));
  EXPECT_TRUE(std::is_sorted(at.begin(), at.end()) && at.back() != std::string::npos) << fresh;
  EXPECT_NE(fresh.find("Maximized=1\r\nTop=20\r\n"), std::string::npos);
  EXPECT_NE(fresh.find("1Key=1\r\nAutoComp=1\r\n"), std::string::npos) << "one Main section";
  EXPECT_NE(fresh.find("CharSet=1\r\nStyleName=Medium\r\n"), std::string::npos)
      << "the style name follows the older Font keys";
  EXPECT_NE(fresh.find("LastFile=/写真/源/a b.jpg\r\nLanguage=en\r\n"), std::string::npos)
      << "the language follows the older Main keys";

  // The extension lists are read from the other spelling; put them there as a user would.
  const std::string edited =
      "; mine\r\n[Extra]\r\nA = 1\r\n\r\n" + fresh + "[Main]\r\nImageExtentions=.JPG .png\r\n";
  platform::ProfileFile file;
  file.Parse(edited);
  file.WriteString("Main", "ImageExtentions", ".JPG .png");
  file.WriteString("Main", "ListExtentions", ".txt .lst");
  file.WriteString("Main", "Unknown", "x");
  ASSERT_TRUE(file.Save(path));
  const std::string before = testsupport::ReadAll(path);

  Objects r;
  ASSERT_TRUE(r.Load(path));
  EXPECT_EQ(r.general.ImageExtensions, o.general.ImageExtensions);
  EXPECT_EQ(r.general.ListExtensions, o.general.ListExtensions);
  EXPECT_EQ(r.general.DragSensitivity, 3);
  EXPECT_EQ(r.general.DragAccelerator, 250);
  EXPECT_EQ(r.general.ScrollRate, 17);
  EXPECT_TRUE(r.general.OneKey && r.general.OriginalSize && r.general.AutoDelete &&
              r.general.AutoComp && r.general.EnterToCopy && r.general.RelativePath);
  EXPECT_FALSE(r.general.ShiftToCopy);
  EXPECT_EQ(r.general.Language, "en");
  EXPECT_EQ(ReadLanguageSetting(path), "en");
  EXPECT_EQ(r.general.KeyMapFile, o.general.KeyMapFile);
  EXPECT_EQ(r.general.TailFile, " /t ");
  EXPECT_EQ(r.general.HeadFile, "\"quoted\"");
  for (const NavActionInfo& info : NavActions())
    EXPECT_EQ(r.keys[info.action].GetCode(), o.keys[info.action].GetCode()) << info.settingsKey;
  for (const StatusColorInfo& info : StatusColors()) {
    EXPECT_EQ(r.colors[info.status].text, o.colors[info.status].text) << info.settingsKey;
    EXPECT_EQ(r.colors[info.status].color, o.colors[info.status].color) << info.settingsKey;
  }
  EXPECT_EQ(r.window.bounds, o.window.bounds);
  EXPECT_TRUE(r.window.maximized);
  EXPECT_EQ(r.window.directoryListWidth, 123);
  EXPECT_EQ(r.window.font, o.window.font);
  EXPECT_EQ(r.temporary.LastDirectory, "/写真/源");
  EXPECT_EQ(r.temporary.LastFile, "/写真/源/a b.jpg");
  EXPECT_EQ(r.temporary.GetSlot(Slot::PreviewVisible), 1);
  EXPECT_EQ(r.temporary.GetSlot(Slot::PreviewLeft), 5);
  EXPECT_EQ(r.temporary.GetSlot(Slot::PreviewHeight), 8);

  // Saving the same values again changes nothing: comments, unknown keys, blank lines and the
  // duplicate section stay where they were.
  r.window.previewVisible = true;
  r.window.preview = {5, 6, 7, 8};
  ASSERT_TRUE(r.Save(path, {"/写真/源", "/写真/源/a b.jpg"}));
  EXPECT_EQ(testsupport::ReadAll(path), before);
}

TEST(Settings, HostileFilesLoadOrFailWithoutHarm) {
  testsupport::TempDir dir;
  std::string junk;
  for (int i = 0; i < 65536; ++i) junk.push_back(static_cast<char>((i * 2654435761u) >> 24));
  const std::string inputs[] = {
      junk,
      "[Main]\nLastFile=" + std::string(10 << 20, 'p') + "\nTop=9\n",
      "Top=5\nWidth=10\n",
      "[Main]\nTop=1\n[main]\nTop=2\nLeft=3\n[MAIN]\nTop=3\nTop=4\n",
  };
  for (const std::string& bytes : inputs) {
    const std::string path = dir.Write("s.ini", bytes);
    Objects o;
    EXPECT_TRUE(o.Load(path));
    std::string err;
    EXPECT_TRUE(o.Save(path, {}, &err)) << err;
    Objects again;
    EXPECT_TRUE(again.Load(path));
    EXPECT_EQ(again.window.bounds, o.window.bounds);
  }
  Objects dup;
  dup.Load(dir.Write("d.ini", inputs[3]));
  EXPECT_EQ(dup.window.bounds.top, 1);
  EXPECT_EQ(dup.window.bounds.left, 0) << "keys of a later duplicate section are not read";
  Objects none;
  none.Load(dir.Write("e.ini", inputs[2]));
  EXPECT_EQ(none.window.bounds, (PixelRect{0, 0, 800, 600}));
}

TEST(Settings, ARefusedWriteLeavesTheOldFileWhole) {
  testsupport::TempDir dir;
  const std::string folder = dir.MakeDir("conf");
  const std::string path = platform::SettingsFilePath(folder);
  Objects o;
  ASSERT_TRUE(o.Save(path));
  const std::string before = testsupport::ReadAll(path);
  testsupport::ReadOnlyGuard readOnly(folder);
  if (!readOnly.ok()) GTEST_SKIP() << "cannot make a folder read-only here";
  o.window.bounds.left = 77;
  std::string err;
  EXPECT_FALSE(o.Save(path, {}, &err));
  EXPECT_NE(err.find(path), std::string::npos) << err;
  EXPECT_EQ(testsupport::ReadAll(path), before);
}
