// The remembered first pictures: a guess that must never outlive a change of the folder's names
// or of the rules that list it, and a damaged file that must cost nothing but the guess.
#include "app/FirstPictures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/EarlyOpen.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"
#include "view/DevicePixels.h"
#include "view/Downscale.h"
#include "view/ImageLib.h"

namespace {

struct FindCase {
  const char* name;
  // The file's text before the folder is remembered as "pics" with "a.jpg"; "@" stands for the
  // folder's own line as Remember writes it.
  const char* before;
  const char* found;  // for "pics" under its stamp and rules
  bool changeStamp = false;
  bool changeRules = false;
};
void PrintTo(const FindCase& c, std::ostream* os) {
  *os << c.name;
}

class FirstPicturesFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(FirstPicturesFind, FindsOnlyWhatStillHolds) {
  const FindCase& c = GetParam();
  testsupport::TempDir dir;
  const std::string pics = dir.MakeDir("pics");
  FolderStamp stamp;
  ASSERT_TRUE(StampFolder(pics, &stamp));
  const TFirstPictures first(dir / "sortivo.first");
  const std::uint64_t rules = TFirstPictures::Rules(".jpg .png");
  dir.Write("sortivo.first", c.before);
  ASSERT_TRUE(first.Remember(pics, stamp, rules, "a.jpg"));
  FolderStamp asked = stamp;
  if (c.changeStamp) ++asked.nanoseconds;
  EXPECT_EQ(first.Find(pics, asked, c.changeRules ? TFirstPictures::Rules(".jpg") : rules),
            c.found);
  // The same folder named another way is the same folder.
  EXPECT_EQ(first.Find(pics + "/", asked, c.changeRules ? TFirstPictures::Rules(".jpg") : rules),
            c.found);
}

INSTANTIATE_TEST_SUITE_P(Lines, FirstPicturesFind,
                         ::testing::Values(FindCase{"Remembered", "", "a.jpg"},
                                           FindCase{"NamesChangedSince", "", "", true},
                                           FindCase{"ExtensionsChangedSince", "", "", false, true},
                                           FindCase{"DamagedLinesPassedOver",
                                                    "garbage\n1 2 x 4 5\tf\tn\n\t\t\n", "a.jpg"},
                                           FindCase{"CutShortLastLine", "1 2 3 4 5\t/x\ty.jpg",
                                                    "a.jpg"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FirstPictures, KeepsTheMostRecentFoldersAndRefusesWhatCannotStandOnALine) {
  testsupport::TempDir dir;
  const TFirstPictures first(dir / "sortivo.first");
  const FolderStamp stamp{1, 2, 3, 4};
  for (std::size_t i = 0; i <= TFirstPictures::kKept; ++i)
    ASSERT_TRUE(first.Remember("/f" + std::to_string(i), stamp, 5, "p.jpg"));
  EXPECT_EQ(first.Find("/f0", stamp, 5), "");  // the least recent, dropped
  EXPECT_EQ(first.Find("/f1", stamp, 5), "p.jpg");
  EXPECT_EQ(first.Find("/f" + std::to_string(TFirstPictures::kKept), stamp, 5), "p.jpg");
  for (const char* name : {"a\tb.jpg", "a\nb.jpg", "sub/a.jpg", ""})
    EXPECT_FALSE(first.Remember("/g", stamp, 5, name)) << name;
  EXPECT_FALSE(first.Remember("/g\n", stamp, 5, "a.jpg"));
  // A settings folder that cannot be written: no entry, and nothing else goes wrong.
  const std::string locked = dir.MakeDir("locked");
  chmod(locked.c_str(), 0500);
  if (geteuid() != 0) {
    EXPECT_FALSE(TFirstPictures(locked + "/sortivo.first").Remember("/h", stamp, 5, "a.jpg"));
  }
  chmod(locked.c_str(), 0700);
}

// The early opening remembers what its listing found first, and on the next start decodes it
// before listing; a folder whose names changed is listed first again.
TEST(FirstPictures, EarlyOpeningDecodesTheRememberedPictureUntilTheFolderChanges) {
  testsupport::TempDir dir;
  const std::string pics = dir.MakeDir("pics");
  for (const char* name : {"b.jpg", "c.jpg"})
    ASSERT_TRUE(testsupport::WriteJpeg(pics + "/" + name, 64, 48));
  const std::string conf = dir.MakeDir("conf");
  TDecodeAhead::Config config;
  config.settle = std::chrono::milliseconds(0);
  const auto rememberedOnStart = [&] {
    TEarlyOpen early(conf, pics, true);
    TDecodeAhead cache(config);
    return early.StoreRememberedFirst(&cache);
  };
  EXPECT_EQ(rememberedOnStart(), "");  // never opened
  EXPECT_EQ(rememberedOnStart(), pics + "/b.jpg");
  // A folder's time of change ticks coarsely: a change within the same tick would go unseen.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(testsupport::WriteJpeg(pics + "/a.jpg", 64, 48));
  EXPECT_EQ(rememberedOnStart(), "");  // names changed: listed again, a.jpg remembered
  EXPECT_EQ(rememberedOnStart(), pics + "/a.jpg");
}

// The listing thread shrinks the remembered picture for the window's area while it is being
// decoded: the frame comes out as a shrink of the whole decode would make it, to the byte.
TEST(FirstPictures, RememberedPictureIsShrunkAsAnyOther) {
  testsupport::TempDir dir;
  const std::string pics = dir.MakeDir("pics");
  ASSERT_TRUE(testsupport::WriteJpeg(pics + "/b.jpg", 1600, 1200));
  const std::string conf = dir.MakeDir("conf");
  dir.Write("conf/sortivo.ini", "[Main]\r\nWidth=800\r\nHeight=600\r\n");
  TEarlyOpen(conf, pics, true).Take();  // remembers b.jpg
  TDecodeAhead::Config config;
  config.settle = std::chrono::milliseconds(0);
  TDecodeAhead cache(config);
  const codecs::DecodeOptions area = DisplayDecodeOptions(800, 570, false);
  TEarlyOpen early(conf, pics, true);
  early.SetDisplayOptions(area);
  ASSERT_EQ(early.StoreRememberedFirst(&cache), pics + "/b.jpg");
  const std::optional<SharedLoadResult> taken = cache.Take(pics + "/b.jpg", area, false);
  ASSERT_TRUE(taken.has_value());
  const Picture& shown = *taken->picture;
  ASSERT_LT(shown.width, 1600);  // decoded at a reduced scale, and larger than the area
  const ViewSize size = ShownDeviceSize({1600, 1200}, area.fitWidth, area.fitHeight, 1.0);
  const ShrunkFrame* frame = shown.shrunkFor(size.width, size.height);
  ASSERT_NE(frame, nullptr);
  Picture again = shown;  // without its frame
  AddShrunkFrame(again, area.fitWidth, area.fitHeight);
  ASSERT_TRUE(again.shrunk);
  EXPECT_EQ(frame->pixels, again.shrunk->pixels);
}

}  // namespace
