#include "files/MainLib.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/FileSystem.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

using platform::PathStyle;

using testsupport::ShmDir;

TEST(MainLib, PathRulesInBothStyles) {
  const auto W = PathStyle::Windows;
  const auto P = PathStyle::Posix;
  EXPECT_EQ(ShortenPath("C:\\photos\\2010\\summer\\a.jpg", W), "C:\\...\\summer\\a.jpg");
  EXPECT_EQ(ShortenPath("C:\\a\\b\\c.jpg", W), "C:\\...\\b\\c.jpg");
  EXPECT_EQ(ShortenPath("C:\\a\\b.jpg", W), "C:\\a\\b.jpg");
  EXPECT_EQ(ShortenPath("C:\\\\a\\\\b.jpg", W), "C:\\a\\b.jpg");
  EXPECT_EQ(ShortenPath("\\\\server\\share\\pics\\a.jpg", W), "\\...\\pics\\a.jpg");
  EXPECT_EQ(ShortenPath("/home/me/pics/a.jpg", P), "/.../pics/a.jpg");
  EXPECT_EQ(ShortenPath("/pics/a.jpg", P), "/pics/a.jpg");
  EXPECT_EQ(ShortenPath("//pics//a.jpg", P), "/pics/a.jpg");
  EXPECT_EQ(ShortenPath("", P), "");

  EXPECT_EQ(ReplaceDoubledSeparators("a\\\\\\b", W), "a\\\\b") << "three become two";
  EXPECT_EQ(ReplaceDoubledSeparators("a////b", P), "a//b");

  EXPECT_EQ(JoinPath("D:\\", "name.jpg", W), "D:\\name.jpg");
  EXPECT_EQ(JoinPath("D:\\pics", "name.jpg", W), "D:\\pics\\name.jpg");
  EXPECT_EQ(JoinPath("\\\\server\\share", "a.jpg", W), "\\\\server\\share\\a.jpg");
  EXPECT_EQ(JoinPath("/", "a.jpg", P), "/a.jpg");
  EXPECT_EQ(JoinPath("/pics", "a.jpg", P), "/pics/a.jpg");

  EXPECT_EQ(NumberedStem("C:\\x\\photo(3)", W), "C:\\x\\photo");
  EXPECT_EQ(NumberedStem("C:\\x\\photo(1a)", W), "C:\\x\\photo");
  EXPECT_EQ(NumberedStem("C:\\x\\photo()", W), "C:\\x\\photo()");
  EXPECT_EQ(NumberedStem("C:\\x\\photo( 2)", W), "C:\\x\\photo( 2)");
  EXPECT_EQ(NumberedStem("C:\\x\\(1)", W), "C:\\x\\(1)");
  EXPECT_EQ(NumberedStem("C:\\x\\a(1)", W), "C:\\x\\a") << "four characters are enough";
  EXPECT_EQ(NumberedStem("C:\\x\\a(1)(2)", W), "C:\\x\\a(1)");
  EXPECT_EQ(NumberedStem("/x(1)/(1)", P), "/x(1)/(1)") << "the folder's name does not count";
  EXPECT_EQ(NumberedStem("/x/(12)", P), "/x/");
  EXPECT_EQ(NumberedStem("", P), "");

  for (auto [n, text] : {std::pair{0, "0"},
                         {9, "9"},
                         {10, "a"},
                         {35, "z"},
                         {36, "10"},
                         {71, "1z"},
                         {-1, ""},
                         {2147483647, "zik0zj"}})
    EXPECT_EQ(CounterText(n), text) << n;
}

TEST(MainLib, ChoosesTheFirstFreeNumberedNameAndFindsIdenticalCopies) {
  testsupport::TempDir src, dst;
  const std::string source = src.Write("a.jpg", "picture");
  const std::string d = dst.str() + "/";
  auto name = MakeDestinationName(source, dst.str());
  EXPECT_EQ(name.path, d + "a.jpg");
  EXPECT_FALSE(name.identicalFound);

  dst.Write("a.jpg", "picture");  // identical, but the plain name is never compared
  name = MakeDestinationName(source, dst.str() + "/");
  EXPECT_EQ(name.path, d + "a(0).jpg");

  dst.Write("a(1).jpg", "other!!");
  EXPECT_EQ(MakeDestinationName(source, dst.str()).path, d + "a(0).jpg") << "gaps fill first";
  dst.Write("a(0).jpg", "differs");
  EXPECT_EQ(MakeDestinationName(source, dst.str()).path, d + "a(2).jpg");
  dst.MakeDir("a(2).jpg");
  EXPECT_EQ(MakeDestinationName(source, dst.str()).path, d + "a(3).jpg")
      << "a folder holds the name too";
  dst.Write("a(3).jpg", "picture");
  name = MakeDestinationName(source, dst.str());
  EXPECT_TRUE(name.identicalFound);
  EXPECT_EQ(name.path, "");

  const std::string five = src.Write("b(5).jpg", "five");
  dst.Write("b(5).jpg", "not five");
  EXPECT_EQ(MakeDestinationName(five, dst.str()).path, d + "b(0).jpg");
  dst.MakeDir("c.jpg");
  EXPECT_EQ(MakeDestinationName(src.Write("c.jpg", "c"), dst.str()).path, d + "c(0).jpg")
      << "a folder under the plain name takes it";
  const std::string bare = src.Write("noext", "n");
  dst.Write("noext", "m");
  EXPECT_EQ(MakeDestinationName(bare, dst.str()).path, d + "noext(0)");
}

TEST(MainLib, SameContentsInChunksAndByIdentity) {
  testsupport::TempDir dir;
  std::string big(700000, 'q');
  const std::string a = dir.Write("a", big);
  const std::string b = dir.Write("b", big);
  big[699999] = 'r';
  const std::string c = dir.Write("c", big);
  const std::string shorter = dir.Write("d", big.substr(1));
  EXPECT_TRUE(SameContents(a, b));
  EXPECT_FALSE(SameContents(a, c)) << "differs in the last byte of the last chunk";
  EXPECT_FALSE(SameContents(a, shorter));
  EXPECT_TRUE(SameContents(a, a));
  link(a.c_str(), (dir / "hard").c_str());
  EXPECT_TRUE(SameContents(a, dir / "hard"));
  EXPECT_TRUE(SameContents(dir.Write("e1", ""), dir.Write("e2", "")));
  EXPECT_FALSE(SameContents(a, dir / "missing"));
  EXPECT_FALSE(SameContents(a, dir.str()));
}

TEST(MainLib, CopyToFolderOutcomes) {
  testsupport::TempDir src, dst;
  const std::string source = src.Write("a.jpg", "picture");
  chmod(source.c_str(), 0604);

  auto r = CopyToFolder(source, dst / "missing");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::FolderMissing);
  EXPECT_FALSE(std::filesystem::exists(dst / "missing"));

  r = CopyToFolder(source, dst.str());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::Copied);
  EXPECT_EQ(r.newPath, dst / "a.jpg");
  EXPECT_EQ(testsupport::ReadAll(r.newPath), "picture");
  EXPECT_EQ(testsupport::ReadAll(source), "picture");
  struct stat st {};
  stat(r.newPath.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0604u);

  r = CopyToFolder(source, dst.str());
  EXPECT_EQ(r.newPath, dst / "a(0).jpg");
  r = CopyToFolder(source, dst.str());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::AlreadyThere);
  EXPECT_EQ(r.newPath, "");

  testsupport::TempDir locked;
  testsupport::ReadOnlyGuard guard(locked.str());
  if (guard.ok()) {
    r = CopyToFolder(source, locked.str());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.outcome, FileOutcome::CopyFailed);
    EXPECT_FALSE(std::filesystem::exists(locked / "a.jpg"));
  }
}

TEST(MainLib, MoveToFolderOutcomes) {
  testsupport::TempDir src, dst;
  std::string source = src.Write("a.jpg", "picture");
  auto r = MoveToFolder(source, dst / "missing");
  EXPECT_EQ(r.outcome, FileOutcome::FolderMissing);
  EXPECT_TRUE(platform::FileExists(source));

  dst.Write("a.jpg", "other");
  dst.Write("a(0).jpg", "picture");
  r = MoveToFolder(source, dst.str());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::AlreadyThere);
  EXPECT_TRUE(platform::FileExists(source));

  std::filesystem::remove(dst / "a(0).jpg");
  r = MoveToFolder(source, dst.str());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::Moved);
  EXPECT_EQ(r.newPath, dst / "a(0).jpg");
  EXPECT_FALSE(platform::FileExists(source));
  EXPECT_EQ(testsupport::ReadAll(r.newPath), "picture");
  EXPECT_EQ(testsupport::ReadAll(dst / "a.jpg"), "other");
}

TEST(MainLib, MoveAcrossFileSystemsCopiesThenDeletes) {
  ShmDir shm;
  if (shm.str().empty()) GTEST_SKIP() << "no /dev/shm";
  testsupport::TempDir src;
  const std::string content(1 << 20, 'm');
  const std::string source = src.Write("big.png", content);
  auto r = MoveToFolder(source, shm.str());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::Moved);
  EXPECT_EQ(r.newPath, shm.str() + "/big.png");
  EXPECT_EQ(testsupport::ReadAll(r.newPath), content);
  EXPECT_FALSE(platform::FileExists(source));

  // Back again, from a folder that refuses the removal of the source.
  testsupport::TempDir back;
  const std::string kept = back.Write("k.png", "kept");
  testsupport::ReadOnlyGuard guard(back.str());
  if (!guard.ok()) GTEST_SKIP() << "cannot make a folder read-only here";
  r = MoveToFolder(kept, shm.str());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::SourceKept);
  EXPECT_EQ(testsupport::ReadAll(r.newPath), "kept");
  EXPECT_EQ(testsupport::ReadAll(kept), "kept");
}

TEST(MainLib, SourceKeptWhenTheSourceFolderIsReadOnly) {
  testsupport::TempDir src, dst;
  const std::string source = src.Write("a.jpg", "picture");
  testsupport::ReadOnlyGuard guard(src.str());
  if (!guard.ok()) GTEST_SKIP() << "cannot make a folder read-only here";
  const auto r = MoveToFolder(source, dst.str());
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.outcome, FileOutcome::SourceKept);
  EXPECT_EQ(r.newPath, dst / "a.jpg");
  EXPECT_EQ(testsupport::ReadAll(source), "picture");
  EXPECT_EQ(testsupport::ReadAll(r.newPath), "picture");
}

TEST(MainLib, NameTakenAfterItWasChosenFailsAndKeepsBothFiles) {
  // The steps of MoveToFolder with another program creating the target in between.
  testsupport::TempDir src, dst;
  const std::string source = src.Write("a.jpg", "mine");
  const auto name = MakeDestinationName(source, dst.str());
  ASSERT_EQ(name.path, dst / "a.jpg");
  dst.Write("a.jpg", "theirs");
  EXPECT_FALSE(platform::MoveFileNoReplace(source, name.path));
  EXPECT_FALSE(platform::CopyFileNoReplace(source, name.path));
  EXPECT_EQ(testsupport::ReadAll(source), "mine");
  EXPECT_EQ(testsupport::ReadAll(name.path), "theirs");
}
