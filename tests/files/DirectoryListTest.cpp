#include "files/DirectoryList.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/Collator.h"
#include "platform/FileSystem.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

namespace {

// The plain sub-folders of a folder in the file system's own order.
std::vector<std::string> PlainFolders(const std::string& folder) {
  std::vector<std::string> names;
  platform::ListDirectory(folder, [&](const platform::DirectoryEntry& e) {
    if (e.directory() && !e.hidden() && !e.readOnly()) names.emplace_back(e.name());
    return true;
  });
  return names;
}

}  // namespace

TEST(DirectoryList, ParentByTextAndOnDisk) {
  const auto W = platform::PathStyle::Windows;
  EXPECT_EQ(TDirectoryList::ParentFolderOf("C:\\photos", W), "C:\\");
  EXPECT_EQ(TDirectoryList::ParentFolderOf("C:\\", W), "C:\\");
  EXPECT_EQ(TDirectoryList::ParentFolderOf("C:\\photos\\2010", W), "C:\\photos");
  EXPECT_EQ(TDirectoryList::ParentFolderOf("/", platform::PathStyle::Posix), "/");
  EXPECT_EQ(TDirectoryList::ParentFolderOf("/a/b/", platform::PathStyle::Posix), "/a");

  testsupport::TempDir dir;
  const std::string file = dir.Write("a/b/c.jpg", "x");
  TDirectoryList list;
  EXPECT_EQ(list.Parent(dir / "a/b"), dir / "a");
  EXPECT_EQ(list.Parent(file), dir / "a") << "two levels up from a file";
  EXPECT_EQ(list.Parent(dir / "missing"), "");
  EXPECT_EQ(list.Parent("/"), "/");
}

TEST(DirectoryList, SiblingsAndChildInFileSystemOrder) {
  testsupport::TempDir dir;
  for (const char* name : {"one", "two", "three", "four", ".dot", "ro"}) dir.MakeDir(name);
  dir.Write("file.jpg", "x");
  dir.Write("one/pic.jpg", "x");
  testsupport::ReadOnlyGuard guard(dir / "ro");
  const std::vector<std::string> order = PlainFolders(dir.str());
  ASSERT_EQ(order.size(), guard.ok() ? 4u : 5u);

  TDirectoryList list;
  EXPECT_EQ(list.FirstChild(dir.str()), dir / order[0]);
  EXPECT_EQ(list.FirstChild(dir.str() + "/"), dir / order[0]) << "no doubled separator";
  EXPECT_EQ(list.FirstChild(dir / "two"), "") << "no sub-folders";
  EXPECT_EQ(list.FirstChild(dir / "missing"), "");
  for (std::size_t i = 0; i < order.size(); ++i) {
    const std::string here = dir / order[i];
    EXPECT_EQ(list.NextSibling(here), i + 1 < order.size() ? dir / order[i + 1] : "") << i;
    EXPECT_EQ(list.PreviousSibling(here), i > 0 ? dir / order[i - 1] : "") << i;
  }
  // A folder that does not count itself, or one spelled in other letter case, is never met
  // in its parent's listing: no next, and the last plain folder as the previous.
  for (const char* odd : {".dot", "ONE"}) {
    EXPECT_EQ(list.NextSibling(dir / odd), "") << odd;
    EXPECT_EQ(list.PreviousSibling(dir / odd), dir / order.back()) << odd;
  }
  if (guard.ok()) {
    EXPECT_EQ(list.NextSibling(dir / "ro"), "");
    EXPECT_EQ(list.PreviousSibling(dir / "ro"), dir / order.back());
  }

  EXPECT_EQ(list.NextSibling("/"), "");
  EXPECT_EQ(list.PreviousSibling("/"), "") << "the root has no siblings";
  const std::string rootChild = list.FirstChild("/");
  ASSERT_FALSE(rootChild.empty());
  EXPECT_EQ(rootChild.rfind('/'), 0u) << rootChild;
}

TEST(DirectoryList, SearchFindsAllPlainFoldersBreadthFirstAndSorts) {
  testsupport::TempDir dir;
  for (const char* name : {"b/deep/deeper", "A/x", "c", ".git/objects", "b/.cache", "ro/inner"})
    dir.MakeDir(name);
  dir.Write("b/pic.jpg", "x");
  symlink(dir.str().c_str(), (dir / "b/deep/up").c_str());  // a loop back to the root
  testsupport::ReadOnlyGuard guard(dir / "ro");

  TDirectoryList list;
  int pumps = 0;
  list.SetPump([&] { ++pumps; });
  EXPECT_TRUE(list.SearchSubfolders(dir.str()));
  std::vector<std::string> expected = {dir.str(),         dir / "A",      dir / "A/x",
                                       dir / "b",         dir / "b/deep", dir / "b/deep/deeper",
                                       dir / "b/deep/up", dir / "c"};
  if (!guard.ok()) {
    expected.push_back(dir / "ro");
    expected.push_back(dir / "ro/inner");
  }
  platform::SortTexts(expected, platform::DefaultCollator());
  EXPECT_EQ(list.Entries(), expected);
  EXPECT_GE(pumps, 7);
  EXPECT_FALSE(list.busy());

  const auto before = list.Entries();
  EXPECT_TRUE(list.SearchSubfolders(dir / "missing"));
  EXPECT_EQ(list.Entries(), before) << "a missing root leaves the last result";
  EXPECT_TRUE(list.SearchSubfolders(dir / "c"));
  EXPECT_EQ(list.Entries(), std::vector<std::string>{dir / "c"});

  bool innerAccepted = true;
  list.SetPump([&] {
    innerAccepted = list.SearchSubfolders(dir.str());
    list.Abort();
  });
  EXPECT_TRUE(list.SearchSubfolders(dir.str()));
  EXPECT_FALSE(innerAccepted);
  std::vector<std::string> firstLevel = {dir.str(), dir / "A", dir / "b", dir / "c"};
  if (!guard.ok()) firstLevel.push_back(dir / "ro");
  platform::SortTexts(firstLevel, platform::DefaultCollator());
  EXPECT_EQ(list.Entries(), firstLevel) << "an abort keeps what was found, sorted";
}

TEST(DirectoryList, SearchAnswersWhileAFolderIsRead) {
  testsupport::TempDir dir;
  dir.MakeDir("sub");
  for (int i = 0; i < 2100; ++i) dir.Write("f" + std::to_string(i), "");
  TDirectoryList list;
  std::vector<int> countAtPump;
  list.SetPump([&] { countAtPump.push_back(list.Count()); });
  EXPECT_TRUE(list.SearchSubfolders(dir.str()));
  EXPECT_EQ(countAtPump, (std::vector<int>{1, 1, 2, 2})) << "twice while the root is read";
}
