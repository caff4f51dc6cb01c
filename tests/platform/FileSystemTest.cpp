#include "platform/FileSystem.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/TempDir.h"

using testsupport::ShmDir;

namespace {

struct Seen {
  bool hidden, directory, regular, readOnly;
  bool operator==(const Seen&) const = default;
};

std::map<std::string, Seen> List(const std::string& folder) {
  std::map<std::string, Seen> seen;
  EXPECT_TRUE(platform::ListDirectory(folder, [&](const platform::DirectoryEntry& e) {
    seen[std::string(e.name())] = {e.hidden(), e.directory(), e.regularFile(), e.readOnly()};
    return true;
  }));
  return seen;
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST(FileSystem, ListsNamesWithAttributesAndFollowsLinks) {
  testsupport::TempDir dir;
  dir.Write("a.jpg", "a");
  dir.Write(".hidden.jpg", "h");
  const std::string ro = dir.Write("ro.jpg", "r");
  chmod(ro.c_str(), 0444);
  dir.MakeDir("sub");
  symlink((dir / "sub").c_str(), (dir / "linkdir").c_str());
  symlink((dir / "a.jpg").c_str(), (dir / "link.jpg").c_str());
  symlink((dir / "gone").c_str(), (dir / "dangling.jpg").c_str());

  const auto seen = List(dir.str());
  ASSERT_EQ(seen.size(), 7u) << "no . or .. entries";
  EXPECT_EQ(seen.at("a.jpg"), (Seen{false, false, true, false}));
  EXPECT_EQ(seen.at(".hidden.jpg"), (Seen{true, false, true, false}));
  EXPECT_EQ(seen.at("ro.jpg"), (Seen{false, false, true, true}));
  EXPECT_EQ(seen.at("sub"), (Seen{false, true, false, false}));
  EXPECT_EQ(seen.at("linkdir"), (Seen{false, true, false, false}));
  EXPECT_EQ(seen.at("link.jpg"), (Seen{false, false, true, false}));
  EXPECT_EQ(seen.at("dangling.jpg"), (Seen{false, false, false, false}));

  int visited = 0;
  platform::ListDirectory(dir.str(),
                          [&](const platform::DirectoryEntry&) { return ++visited < 2; });
  EXPECT_EQ(visited, 2) << "visit returning false stops the listing";
  EXPECT_FALSE(platform::ListDirectory(dir / "missing", [](const auto&) { return true; }));

  EXPECT_TRUE(platform::FileExists(dir / "link.jpg"));
  EXPECT_FALSE(platform::FileExists(dir / "sub"));
  EXPECT_FALSE(platform::FileExists(dir / "dangling.jpg"));
  EXPECT_FALSE(platform::FileExists(""));
  EXPECT_TRUE(platform::DirectoryExists(dir / "linkdir"));
  EXPECT_FALSE(platform::DirectoryExists(dir / "a.jpg"));
  EXPECT_FALSE(platform::DirectoryExists(""));
}

TEST(FileSystem, ListsByNameWithoutRegardToCase) {
  // Made in an order of their own; ext4 and others hand entries back in hash order.
  testsupport::TempDir dir;
  const std::vector<std::string> expected = {
      "10.jpg",       "2.jpg",        "A.jpg",        "a.jpg", "ab.jpg", "a_b.jpg",
      "IMG_0009.JPG", "img_0010.jpg", "IMG_0011.jpg", "sub",   "z.png",  "\xc3\xa4.jpg"};
  for (const int i : {7, 3, 11, 0, 9, 5, 1, 10, 2, 8, 4, 6}) {
    const std::string& name = expected[static_cast<std::size_t>(i)];
    if (name == "sub")
      dir.MakeDir(name);
    else
      dir.Write(name, name);
  }
  std::vector<std::string> listed;
  EXPECT_TRUE(platform::ListDirectory(dir.str(), [&](const platform::DirectoryEntry& e) {
    listed.emplace_back(e.name());
    return true;
  }));
  // Letters compare as capitals (so "_" comes after them); ä (UTF-8) after every ASCII name.
  EXPECT_EQ(listed, expected);
}

TEST(FileSystem, MoveNeverReplacesAndReportsOtherFileSystems) {
  testsupport::TempDir dir;
  const std::string a = dir.Write("a.jpg", "aaa");
  const std::string b = dir.Write("b.jpg", "bbb");
  auto r = platform::MoveFileNoReplace(a, b);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.error, EEXIST);
  EXPECT_EQ(testsupport::ReadAll(a), "aaa");
  EXPECT_EQ(testsupport::ReadAll(b), "bbb");

  EXPECT_TRUE(platform::MoveFileNoReplace(a, dir / "c.jpg"));
  EXPECT_FALSE(platform::FileExists(a));
  EXPECT_EQ(testsupport::ReadAll(dir / "c.jpg"), "aaa");

  ShmDir shm;
  if (shm.str().empty()) GTEST_SKIP() << "no /dev/shm";
  r = platform::MoveFileNoReplace(b, shm.str() + "/b.jpg");
  EXPECT_FALSE(r);
  EXPECT_EQ(r.error, EXDEV);
  EXPECT_EQ(testsupport::ReadAll(b), "bbb");
}

TEST(FileSystem, CopyKeepsModeAndTimeAndNeverReplaces) {
  testsupport::TempDir dir;
  std::string big(300000, 'x');
  big[299999] = 'y';
  const std::string a = dir.Write("a.jpg", big);
  chmod(a.c_str(), 0640);
  const timespec times[2] = {{1000000000, 0}, {1200000000, 500}};
  utimensat(AT_FDCWD, a.c_str(), times, 0);

  ShmDir shm;
  for (const std::string& target : {dir / "copy.jpg", shm.str() + "/copy.jpg"}) {
    if (target.front() != '/') continue;
    ASSERT_TRUE(platform::CopyFileNoReplace(a, target)) << target;
    EXPECT_EQ(testsupport::ReadAll(target), big);
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);

    const std::string before = testsupport::ReadAll(target);
    const auto again = platform::CopyFileNoReplace(dir.Write("other.jpg", "o"), target);
    EXPECT_FALSE(again);
    EXPECT_EQ(again.error, EEXIST);
    EXPECT_EQ(testsupport::ReadAll(target), before) << "an existing target is never written";
  }
  EXPECT_FALSE(platform::CopyFileNoReplace(dir / "missing", dir / "m2"));
  EXPECT_FALSE(platform::FileExists(dir / "m2"));
  EXPECT_FALSE(platform::CopyFileNoReplace(dir.str(), dir / "folder-copy"));
  EXPECT_FALSE(std::filesystem::exists(dir / "folder-copy"));
}

TEST(FileSystem, CopyFailingPartWayLeavesNoPartialTarget) {
  testsupport::TempDir dir;
  const std::string a = dir.Write("a.jpg", std::string(200000, 'z'));
  // A file size limit makes the write fail after the first bytes, as a full disk would.
  signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 8192;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const auto r = platform::CopyFileNoReplace(a, dir / "b.jpg");
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.error, EFBIG);
  EXPECT_EQ(Names(dir.str()), std::vector<std::string>{"a.jpg"}) << "no target, no temporary";
  EXPECT_EQ(testsupport::ReadAll(a).size(), 200000u);
}

TEST(FileSystem, DeleteAndIdentity) {
  testsupport::TempDir dir;
  const std::string a = dir.Write("a", "1");
  link(a.c_str(), (dir / "hard").c_str());
  platform::FileIdentity ia, ih, ib;
  ASSERT_TRUE(platform::GetFileIdentity(a, &ia));
  ASSERT_TRUE(platform::GetFileIdentity(dir / "hard", &ih));
  ASSERT_TRUE(platform::GetFileIdentity(dir.Write("b", "1"), &ib));
  EXPECT_EQ(ia, ih);
  EXPECT_FALSE(ia == ib);
  EXPECT_TRUE(platform::DeleteFile(a));
  const auto r = platform::DeleteFile(a);
  EXPECT_FALSE(r);
  EXPECT_EQ(r.error, ENOENT);
  EXPECT_FALSE(platform::GetFileIdentity(a, &ia));
}

TEST(FileSystem, CopyRemovesLeftoverTemporariesButNotOneInUse) {
  testsupport::TempDir src, dst;
  const std::string a = src.Write("a.jpg", "picture");
  dst.Write(".sortivo-copy-k1LLed.part", "half a pic");
  dst.Write(".sortivo-copy-other", "not of our pattern");
  // Another run copying into the folder right now holds its temporary locked.
  const int held = open(dst.Write(".sortivo-copy-in0use.part", "being written").c_str(), O_RDONLY);
  ASSERT_EQ(flock(held, LOCK_EX), 0);
  ASSERT_TRUE(platform::CopyFileNoReplace(a, dst / "a.jpg"));
  close(held);
  EXPECT_EQ(Names(dst.str()),
            (std::vector<std::string>{".sortivo-copy-in0use.part", ".sortivo-copy-other", "a.jpg"}))
      << "the leftover went and the copy left no temporary of its own";
}

TEST(FileSystem, ShortCopyIsRefusedAndShowsNothing) {
  testsupport::TempDir dir;
  const std::string a = dir.Write("a.jpg", std::string(300000, 'q'));
  platform::SetCopyLimitForTesting(1000);
  const auto r = platform::CopyFileNoReplace(a, dir / "b.jpg");
  platform::SetCopyLimitForTesting(UINT64_MAX);
  EXPECT_EQ(r.error, EIO);
  EXPECT_EQ(Names(dir.str()), std::vector<std::string>{"a.jpg"}) << "no target, no temporary";
}
