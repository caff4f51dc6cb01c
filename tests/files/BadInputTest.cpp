// Hostile list files and absurd paths: read without a crash, in time linear in their size.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "files/MainLib.h"
#include "platform/FileSystem.h"
#include "support/TempDir.h"

namespace {
constexpr const char* kPictures = ".bmp .gif .jpe .jpeg .jpg .png";
}

TEST(BadInput, BinaryJunkListFilesNameOnlyWhatExists) {
  testsupport::TempDir dir;
  dir.Write("a.jpg", "x");
  dir.MakeDir("sub");
  std::mt19937 rng(7);
  // Junk made of the bytes that matter to the reader: separators, dots, line ends, zeros.
  const std::string alphabet = std::string("./\r\n\0aj.pgtx", 13) + "\xFF\xC3";
  for (int round = 0; round < 4; ++round) {
    std::string junk;
    for (int i = 0; i < 200000; ++i) {
      junk += round % 2 ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() % 256);
      if (round >= 2 && junk.back() == '\0') junk.back() = '\n';
    }
    const std::string listFile = dir.Write("junk.txt", junk);
    TFileList list(kPictures, ".txt");
    EXPECT_TRUE(list.Open(listFile).accepted);
    for (const std::string& e : list.Entries()) EXPECT_TRUE(platform::FileExists(e)) << e;
    list.SortAscending();
    list.StepNext();
    list.StepPrevious();
  }
}

TEST(BadInput, HugeLinesAndHugeLineCounts) {
  testsupport::TempDir dir;
  const std::string pic = dir.Write("p.jpg", "x");
  TFileList list(kPictures, ".txt");

  std::string longLine(50u << 20, 'a');
  longLine += "\n" + pic + "\n";
  list.Open(dir.Write("long.txt", longLine));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{pic});
}

TEST(BadInput, AMillionLinesNamingMissingFiles) {
  testsupport::TempDir dir;
  const std::string pic = dir.Write("p.jpg", "x");
  TFileList list(kPictures, ".txt");
  std::string many;
  many.reserve(40u << 20);
  for (int i = 0; i < 1000000; ++i) {
    many += "/nonexistent-sortivo/";
    many += std::to_string(i);
    many += ".jpg\n";
    if (i % 5 == 0) many += pic + "\n";  // duplicates of one picture
  }
  list.Open(dir.Write("many.txt", many));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{pic});
}

TEST(BadInput, PathsOfTenThousandCharacters) {
  testsupport::TempDir dir;
  std::string deep = dir.str();
  while (deep.size() < 10000) deep += "/folder";
  const std::string file = deep + "/a.jpg";
  const std::string pic = dir.Write("p.jpg", "x");

  TFileList list(kPictures, ".txt");
  auto r = list.Open(file);
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.first, "");
  list.Open(dir.Write("l.txt", file + "\n../" + std::string(10000, 'x') + "\n" + pic + "\n"));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{pic});
  EXPECT_EQ(list.Locate(file), "");

  EXPECT_EQ(ShortenPath(file), "/.../folder/a.jpg");
  EXPECT_EQ(MakeDestinationName(pic, deep).path, deep + "/p.jpg");
  EXPECT_EQ(CopyToFolder(pic, deep).outcome, FileOutcome::FolderMissing);
  EXPECT_EQ(MoveToFolder(pic, deep).outcome, FileOutcome::FolderMissing);
  EXPECT_FALSE(SameContents(pic, file));
  EXPECT_EQ(NumberedStem(std::string(10000, '(') + "1)"), std::string(9999, '('));

  TDirectoryList folders;
  EXPECT_EQ(folders.Parent(deep), "");
  EXPECT_EQ(folders.FirstChild(deep), "");
  EXPECT_EQ(folders.NextSibling(deep), "");
  EXPECT_EQ(folders.PreviousSibling(deep), "");
  EXPECT_TRUE(folders.SearchSubfolders(deep));
  EXPECT_EQ(folders.Count(), 0);
}
