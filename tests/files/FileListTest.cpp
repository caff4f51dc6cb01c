#include "files/FileList.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Collator.h"
#include "platform/Random.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kPictures = ".bmp .gif .jpe .jpeg .jpg .png";

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

void Touch(const std::string& path) {
  close(open(path.c_str(), O_WRONLY | O_CREAT, 0644));
}

std::string Cwd() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) ? buffer : "";
}

}  // namespace

TEST(FileList, ScanListsVisiblePicturesOnly) {
  testsupport::TempDir dir;
  for (const char* name : {"a.jpg", "b.PNG", "c.jp", "d.pn", "e.tiff", "noext", ".hidden.jpg"})
    dir.Write(name, "x");
  const std::string ro = dir.Write("ro.gif", "x");
  chmod(ro.c_str(), 0444);
  dir.MakeDir("sub.jpg");
  dir.Write("sub/inner.jpg", "x");
  symlink((dir / "a.jpg").c_str(), (dir / "link.jpg").c_str());
  symlink((dir / "gone.jpg").c_str(), (dir / "dangling.jpg").c_str());

  TFileList list(".BMP .GIF .JPE .JPEG .JPG .PNG", ".TXT");
  const auto r = list.Open(dir.str());
  EXPECT_TRUE(r.accepted);
  const std::string p = dir.str() + "/";
  EXPECT_EQ(Sorted(list.Entries()),
            Sorted({p + "a.jpg", p + "b.PNG", p + "ro.gif", p + "link.jpg"}))
      << "c.jp and d.pn are no pictures: extensions match whole";
  EXPECT_EQ(list.Index(), 0);
  EXPECT_EQ(r.first, list.Entry(0));
  EXPECT_EQ(list.Source(), dir.str());

  TFileList everything("", ".txt");
  everything.Open(dir.str() + "/");
  EXPECT_EQ(everything.Count(), 8) << "every visible regular file, with no doubled separator";
  for (const auto& e : everything.Entries()) EXPECT_EQ(e.find("//"), std::string::npos) << e;
}

TEST(FileList, OpeningAPictureOrSomethingElse) {
  testsupport::TempDir dir;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) dir.Write(name, "x");
  const std::string other = dir.Write("notes.doc", "x");
  TFileList list(kPictures, ".txt");
  // Told of the first picture while listing a folder, and only then: before the names are put
  // in order, and past the names before it that are no pictures.
  dir.Write(".0.jpg", "x");
  dir.Write("0.doc", "x");
  dir.MakeDir("0.jpg");
  std::vector<std::string> known;
  int listedWhenKnown = -1;
  list.SetFirstKnown([&](const std::string& first) {
    known.push_back(first);
    listedWhenKnown = list.Count();
  });
  EXPECT_EQ(list.Open(dir.str()).first, dir / "a.jpg");
  EXPECT_EQ(known, std::vector<std::string>{dir / "a.jpg"});
  EXPECT_EQ(listedWhenKnown, 0);

  auto r = list.Open(dir / "b.jpg");
  EXPECT_EQ(known.size(), 1u);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.first, dir / "b.jpg");
  EXPECT_EQ(list.GetCurrent(), dir / "b.jpg");
  EXPECT_EQ(list.Source(), dir.str());
  EXPECT_EQ(list.Count(), 3);

  r = list.Open(dir / "B.JPG");  // no such file on a case-sensitive file system
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.first, "");
  EXPECT_EQ(list.Index(), -1);
  EXPECT_EQ(list.Count(), 3) << "entries stay when nothing exists at the path";

  r = list.Open(other);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.first, "");
  EXPECT_EQ(list.Index(), -1);
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Source(), dir.str());

  // A relative path is taken from the working directory, which is not changed.
  const std::string cwd = Cwd();
  ASSERT_EQ(chdir(dir.str().c_str()), 0);
  r = list.Open("c.jpg");
  const std::string inDir = Cwd();
  chdir(cwd.c_str());
  EXPECT_EQ(r.first, inDir + "/c.jpg");
  EXPECT_EQ(list.Source(), inDir);
}

TEST(FileList, ReadsListFilesWithFoldersNestingDuplicatesAndLineEnds) {
  testsupport::TempDir dir;
  const std::string p = dir.str() + "/";
  dir.Write("pics/a.jpg", "x");
  dir.Write("pics/b.jpg", "x");
  dir.Write("pics/sub/deep.jpg", "x");
  dir.Write("lists/here.jpg", "x");
  dir.Write("lists/rel/r.png", "x");
  dir.Write("other/o.gif", "x");
  dir.Write("lists/skip.doc", "x");
  dir.Write("lists/inner.txt", "../other/o.gif\n" + p + "pics/a.jpg\n");
  const std::string top =
      dir.Write("lists/top.txt", p + "pics/b.jpg\r\n" +     // CRLF
                                     "here.jpg\r" +         // CR, relative to the list's folder
                                     "rel/r.png\n" +        // LF, relative
                                     "./here.jpg\n" +       // same picture, other spelling
                                     p + "pics\r\n" +       // folder: a.jpg, b.jpg once more
                                     p + "missing.jpg\n" +  // vanished
                                     "skip.doc\n" +         // other file type
                                     "\n" +                 // empty line
                                     "inner.txt\n" +        // nested list file
                                     p + "pics/b.jpg\n" +   // duplicate picture line
                                     std::string("late.jpg\0", 9) + p + "pics/a.jpg\n");
  dir.Write("lists/late.jpg", "x");

  const std::string cwd = Cwd();
  TFileList list(kPictures, ".txt");
  const auto r = list.Open(top);
  EXPECT_EQ(Cwd(), cwd) << "the working directory is never changed";
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(list.Source(), top);
  std::vector<std::string> expected = {p + "pics/b.jpg", p + "lists/here.jpg",
                                       p + "lists/rel/r.png"};
  std::vector<std::string> folder = {p + "pics/a.jpg", p + "pics/b.jpg"};
  // The folder's pictures come by name.
  ASSERT_EQ(list.Count(), 7) << ::testing::PrintToString(list.Entries());
  std::vector<std::string> got = list.Entries();
  EXPECT_EQ(std::vector<std::string>(got.begin(), got.begin() + 3), expected);
  EXPECT_EQ((std::vector<std::string>{got[3], got[4]}), folder);
  EXPECT_EQ(got[5], p + "other/o.gif") << "nested ../ line resolved against its own list";
  EXPECT_EQ(got[6], p + "lists/late.jpg") << "the last line ends at the zero byte";
  EXPECT_EQ(std::count(got.begin(), got.end(), p + "pics/a.jpg"), 1)
      << "the nested list's a.jpg line repeats an entry; nothing after the zero byte is read";
  EXPECT_EQ(list.Index(), 0);
  EXPECT_EQ(r.first, p + "pics/b.jpg");
}

TEST(FileList, RelativeLinesIgnoreTheWorkingDirectory) {
  testsupport::TempDir dir;
  const std::string p = dir.str() + "/";
  dir.Write("lists/pics/a.jpg", "x");
  dir.Write("elsewhere/pics/b.jpg", "x");  // would be found from this working directory
  const std::string listFile =
      dir.Write("lists/l.txt", "pics/a.jpg\npics/b.jpg\n../lists/pics/a.jpg\n");
  const std::string cwd = Cwd();
  ASSERT_EQ(chdir((dir / "elsewhere").c_str()), 0);
  TFileList list(kPictures, ".txt");
  list.Open(listFile);
  chdir(cwd.c_str());
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{p + "lists/pics/a.jpg"}))
      << "../lists/pics/a.jpg is the same path once resolved";
}

TEST(FileList, SelfIncludingListFilesEndInsteadOfRecursing) {
  testsupport::TempDir dir;
  const std::string p = dir.str() + "/";
  dir.Write("a.jpg", "x");
  dir.Write("b.jpg", "x");
  dir.Write("c.jpg", "x");
  dir.Write("one.txt", "a.jpg\none.txt\ntwo.txt\n./one.txt\n");
  dir.Write("two.txt", "b.jpg\none.txt\n" + p + "two.txt\nc.jpg\n");
  symlink((dir / "one.txt").c_str(), (dir / "alias.txt").c_str());
  dir.Write("three.txt", "alias.txt\n");
  TFileList list(kPictures, ".txt");
  list.Open(dir / "one.txt");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{p + "a.jpg", p + "b.jpg", p + "c.jpg"}));
  list.Open(dir / "three.txt");
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{p + "a.jpg", p + "b.jpg", p + "c.jpg"}))
      << "a link to a list file in the chain is the same list file";
}

TEST(FileList, UnreadableListFileThrowsAndClearsBusy) {
  testsupport::TempDir dir;
  dir.Write("a.jpg", "x");
  const std::string huge = dir.Write("huge.txt", "");
  ASSERT_EQ(truncate(huge.c_str(), off_t{300} << 20), 0);  // sparse, larger than any list
  const std::string outer = dir.Write("outer.txt", "a.jpg\nhuge.txt\n");
  TFileList list(kPictures, ".txt");
  try {
    list.Open(outer);
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), "ファイル " + dir.str() + "/huge.txt は開けません");
  }
  EXPECT_FALSE(list.busy());
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{dir / "a.jpg"}));
  EXPECT_TRUE(list.Open(dir.str()).accepted);
}

TEST(FileList, SecondOpenIsRefusedAndAbortKeepsWhatWasFound) {
  testsupport::TempDir dir;
  for (int i = 0; i < 1500; ++i) {
    std::string name = std::to_string(i);
    name.insert(name.begin(), 'p');
    Touch(dir / (name + ".jpg"));
  }
  testsupport::TempDir other;
  const std::string listFile = other.Write("l.txt", dir.str() + "\n");
  TFileList list(kPictures, ".txt");
  int pumps = 0;
  TFileList::OpenResult inner{true, "x"};
  int countAtFirstPump = -1;
  list.SetPump([&] {
    if (++pumps == 1) {
      countAtFirstPump = list.Count();
      inner = list.Open(dir.str());
    }
    list.Abort();
  });
  const auto r = list.Open(dir.str());
  EXPECT_FALSE(inner.accepted);
  EXPECT_EQ(inner.first, "");
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(pumps, 1);
  EXPECT_EQ(countAtFirstPump, 0) << "the window answers while the names are still being read";
  EXPECT_EQ(list.Count(), 1025) << "the names read before the stop";
  EXPECT_EQ(r.first, list.Entry(0));
  EXPECT_FALSE(list.busy());

  list.SetPump([&] { list.Abort(); });
  EXPECT_FALSE(list.ReadListFile(listFile)) << "a stop that is still standing at the end";
  list.SetPump(nullptr);
  TFileList plain(kPictures, ".txt");
  EXPECT_TRUE(plain.ReadListFile(listFile));
  EXPECT_TRUE(plain.ReadListFile(dir / "missing.txt"));
  EXPECT_EQ(plain.Count(), 1500);
}

TEST(FileList, PositioningDropsVanishedFiles) {
  testsupport::TempDir dir;
  const std::string p = dir.str() + "/";
  std::vector<std::string> names;
  for (char c = 'a'; c <= 'h'; ++c) names.push_back(dir.Write(std::string(1, c) + ".jpg", "x"));
  TFileList list(kPictures, ".txt");
  list.Open(dir.str());
  list.SortAscending();
  ASSERT_EQ(list.Entries(), names);

  EXPECT_EQ(list.StepPrevious(), names[0]) << "no wrap at the start";
  EXPECT_EQ(list.GetPreviousPath(), names[0]);
  EXPECT_EQ(list.GoTail(), names[7]);
  EXPECT_EQ(list.StepNext(), names[7]) << "no wrap at the end";
  EXPECT_EQ(list.GoTo(100), names[7]);
  EXPECT_EQ(list.GoTo(-5), names[0]);
  EXPECT_EQ(list.PeekNext(), names[1]);

  std::filesystem::remove(names[1]);
  std::filesystem::remove(names[2]);
  EXPECT_EQ(list.StepNext(), names[3]);
  EXPECT_EQ(list.GetPreviousPath(), names[0]);
  EXPECT_EQ(list.Count(), 6);

  std::filesystem::remove(names[0]);
  EXPECT_EQ(list.StepPrevious(), names[3]) << "the vanished one goes, the current one stays";
  EXPECT_EQ(list.Index(), 0);

  std::filesystem::remove(names[6]);
  std::filesystem::remove(names[7]);
  EXPECT_EQ(list.GoTo(4), names[5]) << "vanished at the end: the new last entry";
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{names[3], names[4], names[5]}));
  EXPECT_EQ(list.PeekNext(), "");

  std::filesystem::remove(names[5]);
  EXPECT_EQ(list.StepNext(), names[4]) << "the last vanished: the current one again";

  for (int i = 3; i <= 4; ++i) std::filesystem::remove(names[i]);
  EXPECT_EQ(list.GoHead(), "");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Index(), -1);
  EXPECT_EQ(list.StepNext(), "");
  EXPECT_EQ(list.StepPrevious(), "");
  EXPECT_EQ(list.GetCurrent(), "");
  EXPECT_EQ(list.SetPosition(3), -1);
  EXPECT_EQ(list.SortAscending(), "");
  EXPECT_EQ(list.Shuffle(), "");
}

TEST(FileList, StepsOverEntriesThatAreNoLongerPictures) {
  testsupport::TempDir dir;
  std::vector<std::string> n;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg", "e.jpg"})
    n.push_back(dir.Write(name, "x"));
  const std::string bTiff = dir.Write("b.tif", "x");
  const std::string dTiff = dir.Write("d.tif", "x");
  TFileList list(kPictures, ".txt");
  list.Open(dir.str());
  list.SortAscending();
  list.GoTo(1);
  list.ReplaceCurrent(bTiff);  // as after an extension correction to an unlisted type
  list.GoTo(3);
  list.ReplaceCurrent(dTiff);
  list.GoTo(2);
  EXPECT_EQ(list.StepPrevious(), n[0]) << "the entry before the non-picture, not two ahead";
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{n[0], n[2], dTiff, n[4]}));
  list.GoTo(1);
  EXPECT_EQ(list.StepNext(), n[4]);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{n[0], n[2], n[4]}));

  // A non-picture first entry: stepping from nowhere lands on the entry after it.
  TFileList fresh(kPictures, ".txt");
  fresh.Open(dir.str());
  fresh.SortAscending();
  fresh.ReplaceCurrent(bTiff);
  fresh.SetPosition(0);
  fresh.RemoveAt(100);
  fresh.GoTo(0);
  ASSERT_EQ(fresh.GetCurrent(), bTiff);
  EXPECT_EQ(fresh.StepPrevious(), n[1]);
}

TEST(FileList, LocateInsertReplace) {
  testsupport::TempDir dir;
  const std::string a = dir.Write("a.jpg", "x");
  const std::string b = dir.Write("b.jpg", "x");
  const std::string copy = dir.Write("copy/a.jpg", "x");
  TFileList list(kPictures, ".txt");
  list.Open(a);
  list.SortAscending();
  list.GoTo(1);
  EXPECT_EQ(list.Locate(dir / "A.JPG"), "");
  EXPECT_EQ(list.Index(), 1) << "an unknown path leaves the position";
  EXPECT_EQ(list.Locate(a), a);
  EXPECT_EQ(list.GetPreviousPath(), a) << "Locate is no positioning request";

  list.InsertBeforeCurrent(dir / "missing.jpg");
  EXPECT_EQ(list.Count(), 2);
  list.InsertBeforeCurrent(copy);
  EXPECT_EQ(list.Entries(), (std::vector<std::string>{copy, a, b}));
  EXPECT_EQ(list.GetCurrent(), a);

  list.ReplaceCurrent(dir / "missing.jpg");
  EXPECT_EQ(list.GetCurrent(), a);
  std::filesystem::rename(a, dir / "moved.jpg");
  list.ReplaceCurrent(dir / "moved.jpg");
  EXPECT_EQ(list.GetCurrent(), dir / "moved.jpg");
  EXPECT_EQ(list.PeekNext(), b);

  EXPECT_TRUE(TFileList::HasListedExtension("x.JPG", ".jpg"));
  EXPECT_FALSE(TFileList::HasListedExtension("/x.y/z.pn", kPictures)) << "whole extensions only";
  EXPECT_FALSE(TFileList::HasListedExtension("/pics.jpg/z", kPictures));
  EXPECT_FALSE(TFileList::HasListedExtension("x.tiff", kPictures));
  EXPECT_TRUE(TFileList::HasListedExtension("anything", ""));
}

TEST(FileList, OrdersFollowTheCollatorItsReverseAndTheGenerator) {
  testsupport::TempDir dir;
  for (const char* name :
       {"b.jpg", "A.jpg", "c.jpg", "\xC3\xA9.jpg", "D.jpg", "a2.jpg", "10.jpg", "9.jpg"})
    dir.Write(name, "x");
  TFileList list(kPictures, ".txt");
  list.Open(dir.str());
  list.GoTo(3);
  const std::string previous = list.GetPreviousPath();

  const std::string first = list.SortAscending();
  std::vector<std::string> ascending = list.Entries();
  EXPECT_EQ(first, ascending[0]);
  EXPECT_EQ(list.Index(), 0);
  EXPECT_EQ(list.GetPreviousPath(), previous) << "sorting is no positioning request";
  const platform::Collator& c = platform::DefaultCollator();
  for (std::size_t i = 1; i < ascending.size(); ++i)
    EXPECT_LE(c.Compare(ascending[i - 1], ascending[i]), 0)
        << ascending[i - 1] << " " << ascending[i];
  EXPECT_LT(std::find(ascending.begin(), ascending.end(), dir / "A.jpg"),
            std::find(ascending.begin(), ascending.end(), dir / "b.jpg"));

  list.Shuffle();
  list.SortDescending();
  std::vector<std::string> descending = list.Entries();
  std::reverse(descending.begin(), descending.end());
  EXPECT_EQ(descending, ascending);

  list.SortAscending();
  list.SetRandomSeed(4242);
  list.Shuffle();
  std::vector<std::string> expected = ascending;
  platform::Random r(4242);
  for (std::uint32_t k = 0; k < expected.size(); ++k)
    std::swap(expected[k], expected[r.Below(static_cast<std::uint32_t>(expected.size()))]);
  EXPECT_EQ(list.Entries(), expected);
  EXPECT_EQ(list.Index(), 0);

  TFileList one(kPictures, ".txt");
  one.Open(dir / "b.jpg");
  one.GoTo(0);
  while (one.Count() > 1) one.RemoveAt(1);
  one.SetPosition(-1);
  const std::string only = one.Entry(0);
  EXPECT_EQ(one.SortDescending(), only);
  EXPECT_EQ(one.Shuffle(), only);
  EXPECT_EQ(one.Index(), 0);
  EXPECT_EQ(one.Reload().first.empty(), false) << "Reload rebuilds from the folder";
  EXPECT_EQ(one.Count(), 8);
}

TEST(FileList, ListFileLinesWrittenRelativeReadBack) {
  const auto W = platform::PathStyle::Windows;
  const std::string list = "D:\\lists\\keep.txt";
  EXPECT_EQ(TFileList::ListFileLine("D:\\pics\\2020\\a.jpg", list, true, W),
            "..\\pics\\2020\\a.jpg");
  EXPECT_EQ(TFileList::ListFileLine("D:\\lists\\b.jpg", list, true, W), "b.jpg");
  EXPECT_EQ(TFileList::ListFileLine("D:\\lists\\sub\\name.jpg", list, true, W), "sub\\name.jpg");
  EXPECT_EQ(TFileList::ListFileLine("D:\\other\\name.jpg", list, true, W), "..\\other\\name.jpg");
  EXPECT_EQ(TFileList::ListFileLine("d:\\LISTS\\c.jpg", list, true, W), "c.jpg");
  EXPECT_EQ(TFileList::ListFileLine("E:\\x.jpg", list, true, W), "E:\\x.jpg");
  EXPECT_EQ(TFileList::ListFileLine("D:\\pics\\a.jpg", list, false, W), "D:\\pics\\a.jpg");
  EXPECT_EQ(
      TFileList::ListFileLine("/u/Lists/a.jpg", "/u/lists/k.txt", true, platform::PathStyle::Posix),
      "../Lists/a.jpg");

  testsupport::TempDir dir;
  // A list file bound by a relative path lies in the working directory.
  const std::string cwd = Cwd();
  ASSERT_EQ(chdir(dir.str().c_str()), 0);
  const std::string picture = Cwd() + "/pics/a.jpg";
  EXPECT_EQ(TFileList::ListFileLine(picture, "keep.txt", true), "pics/a.jpg");
  EXPECT_EQ(TFileList::ListFileLine(picture, "pics/../lists/keep.txt", true), "../pics/a.jpg");
  chdir(cwd.c_str());

  std::vector<std::string> pictures = {dir.Write("lists/b.jpg", "x"),
                                       dir.Write("lists/sub/n.jpg", "x"),
                                       dir.Write("pics/2020/a.jpg", "x")};
  const std::string listFile = dir / "lists/keep.txt";
  std::string text;
  for (const auto& p : pictures) text += TFileList::ListFileLine(p, listFile, true) + "\r\n";
  dir.Write("lists/keep.txt", text);
  TFileList read(kPictures, ".txt");
  read.Open(listFile);
  EXPECT_EQ(read.Entries(), pictures);
}
