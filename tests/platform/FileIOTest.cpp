#include "platform/FileIO.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/ReadOnly.h"
#include "support/TempDir.h"

using platform::ReadStatus;

TEST(FileIO, ReadsWritesAndTellsMissingFromUnreadable) {
  testsupport::TempDir dir;
  const std::string path = dir / "a.txt";
  EXPECT_EQ(platform::ReadWholeFile(path, 100).status, ReadStatus::Missing);

  std::string err;
  ASSERT_TRUE(platform::WriteFileAtomically(path, std::string("x\0y\r\n", 5), &err)) << err;
  auto r = platform::ReadWholeFile(path, 100);
  ASSERT_EQ(r.status, ReadStatus::Ok);
  EXPECT_EQ(r.bytes, std::string("x\0y\r\n", 5));
  EXPECT_EQ(platform::ReadWholeFile(path, 4).status, ReadStatus::TooLarge);
  EXPECT_EQ(platform::ReadWholeFile(dir.str(), 100).status, ReadStatus::Failed);

  if (geteuid() != 0) {  // root reads anything
    chmod(path.c_str(), 0);
    EXPECT_EQ(platform::ReadWholeFile(path, 100).status, ReadStatus::Failed);
    chmod(path.c_str(), 0644);
  }
}

// Read into a picture's buffer, whatever the size against the reads it takes; a head check sees
// the first bytes and the size, and a refusal stops there.
class ReadBytes : public testing::TestWithParam<std::size_t> {};

TEST_P(ReadBytes, GivesTheFileWholeOrItsHeadWhenRefused) {
  testsupport::TempDir dir;
  const std::string path = dir / "p.bin";
  std::string content(GetParam(), '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 251);
  ASSERT_TRUE(platform::WriteFileAtomically(path, content, nullptr));
  for (const bool wanted : {true, false}) {
    std::string head;
    const auto r = platform::ReadWholeFileBytes(path, std::size_t{16} << 20, 12,
                                                [&](std::string_view h, std::uint64_t size) {
                                                  head = h;
                                                  EXPECT_EQ(size, content.size());
                                                  return wanted;
                                                });
    ASSERT_EQ(r.status, ReadStatus::Ok);
    EXPECT_EQ(head, content.substr(0, 12));
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), wanted ? content : head);
  }
  EXPECT_EQ(platform::ReadWholeFileBytes(path, content.size() - 1, 0, {}).status,
            content.empty() ? ReadStatus::Ok : ReadStatus::TooLarge);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ReadBytes,
                         testing::Values(0, 11, 12, 4096, 4097, 65536, (std::size_t{3} << 20) + 5));

// A file whose size says nothing (the system's own) is read to its end all the same.
TEST(FileIO, ReadsAFileOfNoStatedSizeToItsEnd) {
  const auto r = platform::ReadWholeFileBytes("/proc/self/status", 1 << 20, 0, {});
  ASSERT_EQ(r.status, ReadStatus::Ok);
  const std::string text(r.bytes.begin(), r.bytes.end());
  EXPECT_NE(text.find("\nUmask:"), std::string::npos);
  EXPECT_EQ(text.back(), '\n');
}

TEST(FileIO, RefusedWriteLeavesTheOldFileWholeAndNoTemporary) {
  testsupport::TempDir dir;
  const std::string sub = dir.MakeDir("ro");
  const std::string path = sub + "/s.ini";
  ASSERT_TRUE(platform::WriteFileAtomically(path, "old", nullptr));
  chmod(path.c_str(), 0600);
  ASSERT_TRUE(platform::WriteFileAtomically(path, "new", nullptr));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "the old file's mode is kept";

  std::string err;
  EXPECT_FALSE(platform::WriteFileAtomically(sub + "/missing/s.ini", "x", &err));
  EXPECT_NE(err.find("missing/s.ini"), std::string::npos) << err;

  {
    testsupport::ReadOnlyGuard readOnly(sub);
    if (readOnly.ok()) {
      EXPECT_FALSE(platform::WriteFileAtomically(path, "newer", &err));
      EXPECT_EQ(testsupport::ReadAll(path), "new");
    }
  }
  int entries = 0;
  for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator(sub)) ++entries;
  EXPECT_EQ(entries, 1) << "no temporary file is left behind";
}

TEST(FileIO, ALinkStaysALinkAndItsTargetIsWritten) {
  testsupport::TempDir dir;
  namespace fs = std::filesystem;
  const std::string real = dir.Write("sync/real.ini", "old");
  fs::create_directory(dir / "conf");
  // conf/s.ini -> conf/hop.ini -> ../sync/real.ini: relative targets, two links deep.
  fs::create_symlink("hop.ini", dir / "conf/s.ini");
  fs::create_symlink("../sync/real.ini", dir / "conf/hop.ini");
  fs::create_symlink("../sync/new.ini", dir / "conf/dangling.ini");
  fs::create_symlink("loop.ini", dir / "conf/loop.ini");
  ASSERT_TRUE(platform::WriteFileAtomically(dir / "conf/s.ini", "new", nullptr));
  ASSERT_TRUE(platform::WriteFileAtomically(dir / "conf/dangling.ini", "made", nullptr));
  EXPECT_FALSE(platform::WriteFileAtomically(dir / "conf/loop.ini", "x", nullptr));
  std::vector<bool> links;
  for (auto& e : fs::directory_iterator(dir / "conf")) links.push_back(e.is_symlink());
  EXPECT_EQ(links, std::vector<bool>(4, true)) << "links stay links, with no temporary beside";
  EXPECT_EQ(testsupport::ReadAll(real), "new");
  EXPECT_EQ(testsupport::ReadAll(dir / "sync/new.ini"), "made");
}
