#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <stdexcept>

#include "keymap/KeyMap.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

using testsupport::ReadAll;
using testsupport::TempDir;
using Lines = TKeyMap::Lines;
namespace fs = std::filesystem;

namespace {

std::string SaveError(TKeyMap& km) {
  try {
    km.Save();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

}  // namespace

TEST(KeyMapFiles, EditedFilesKeepEveryUntouchedLineByteForByte) {
  TempDir dir;
  dir.Write("head.txt", "x=D:\\trash\rfree text  \r\n\r\n\tk=\xE7\x8C\xAB\n");
  dir.Write("keymap.txt",
            "junk above\n[a]\r\n\xE7\x8C\xAB=/pics/\xE7\x8C\xAB\r\ncat:=cats \r\r[b]\ncat=/b\n");
  dir.Write("tail.txt", "t=1");
  TKeyMap km("", "", "", dir.str(), platform::PathStyle::Posix);
  EXPECT_EQ(km.HeadLines(), (Lines{"x=D:\\trash", "free text  ", "", "\tk=\xE7\x8C\xAB"}));
  EXPECT_EQ(km.Lookup("a", "\xE7\x8C\xAB").path, "/pics/\xE7\x8C\xAB");
  EXPECT_TRUE(km.HeadPath().empty());

  EXPECT_TRUE(km.RemoveKey("head", "x"));
  km.AddKey("b", "\xE7\x8A\xAC", true, "\xE3\x81\x84\xE3\x81\xAC", "/pics//dogs/");
  km.Save();
  EXPECT_EQ(ReadAll(dir / "head.txt"), "free text  \r\n\r\n\tk=\xE7\x8C\xAB\r\n");
  EXPECT_EQ(ReadAll(dir / "keymap.txt"),
            "junk above\r\n[a]\r\n\xE7\x8C\xAB=/pics/\xE7\x8C\xAB\r\ncat:=cats \r\n\r\n[b]\r\n"
            "\xE7\x8A\xAC==/pics/dogs\r\n\xE7\x8A\xAC:=\xE3\x81\x84\xE3\x81\xAC\r\ncat=/b\r\n");
  EXPECT_EQ(ReadAll(dir / "tail.txt"), "t=1\r\n");

  // What was written reads back the same, and writing it again changes nothing.
  TKeyMap again("", "", "", dir.str());
  EXPECT_EQ(again.KeyMapLines(), km.KeyMapLines());
  const std::string before = ReadAll(dir / "keymap.txt");
  again.Save();
  EXPECT_EQ(ReadAll(dir / "keymap.txt"), before);
}

TEST(KeyMapFiles, WithoutFilesNothingIsFoundAndShutdownCreatesEmptyDefaults) {
  TempDir dir;
  TKeyMap km(dir / "missing-head.txt", "", "", dir.str());
  EXPECT_TRUE(km.LoadError().empty());
  EXPECT_EQ(km.Lookup("", "a").path, "");
  EXPECT_EQ(km.CompleteKey("a", ""), "");
  Lines out;
  km.Search(":", out);
  EXPECT_TRUE(out.empty());
  km.Save();
  for (const char* name : {"head.txt", "tail.txt", "keymap.txt"}) {
    EXPECT_TRUE(fs::is_regular_file(dir / name)) << name;
    EXPECT_EQ(ReadAll(dir / name), "") << name;
  }
  EXPECT_FALSE(fs::exists(dir / "missing-head.txt"));  // a configured path is never created

  // A default folder in the user's configuration is made on the first save.
  TKeyMap first("", "", "", dir / "config/sortivo");
  first.AddKey("head", "k", false, "", "/k");
  first.Save();
  EXPECT_EQ(ReadAll(dir / "config/sortivo/head.txt"), "k=/k\r\n");
}

TEST(KeyMapFiles, ConfiguredFilesAreUsedWhileTheyExist) {
  TempDir dir;
  const std::string defaults = dir.MakeDir("exe");
  dir.Write("exe/head.txt", "h=default\n");
  const std::string head = dir.Write("conf/myhead.txt", "h=configured\n");
  const std::string tail = dir.Write("conf/mytail.txt", "t=configured\n");
  TKeyMap km(head, tail, dir.MakeDir("conf/afolder"), defaults);
  EXPECT_EQ(km.HeadPath(), head);
  EXPECT_EQ(km.Lookup("head", "h").path, "configured");
  EXPECT_TRUE(km.KeyMapPath().empty());  // a folder is no file: the default stands in

  km.AddKey("head", "n", false, "", "/n");
  fs::remove(tail);  // vanished meanwhile: its list goes to the default file
  km.Save();
  EXPECT_EQ(ReadAll(head), "n=/n\r\nh=configured\r\n");
  EXPECT_EQ(ReadAll(dir / "exe/head.txt"), "h=default\n");
  EXPECT_EQ(ReadAll(dir / "exe/tail.txt"), "t=configured\r\n");
  EXPECT_FALSE(fs::exists(tail));
  EXPECT_TRUE(fs::is_directory(dir / "conf/afolder"));
  EXPECT_EQ(ReadAll(dir / "exe/keymap.txt"), "");

  // A key map kept as a link stays a link.
  const std::string real = dir.Write("real/keymap.txt", "[a]\n");
  fs::remove(dir / "exe/keymap.txt");
  fs::create_symlink(real, dir / "exe/keymap.txt");
  TKeyMap linked("", "", "", defaults);
  linked.AddKey("a", "k", false, "", "/k");
  linked.Save();
  EXPECT_TRUE(fs::is_symlink(dir / "exe/keymap.txt"));
  EXPECT_EQ(ReadAll(real), "[a]\r\nk=/k\r\n");
}

TEST(KeyMapFiles, AFileThatCannotBeReadIsReportedAndNeverOverwritten) {
  TempDir dir;
  // Too large to be read: a sparse file costs no disk space.
  const std::string head = dir.Write("head.txt", "x");
  fs::resize_file(head, TKeyMap::kMaxFileBytes + 1);
  // A link that leads nowhere but to itself cannot be opened.
  fs::create_symlink(dir / "tail.txt", dir / "tail.txt");
  dir.Write("keymap.txt", "[a]\nk=/k\n");
  const std::string fifo = dir / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

  TKeyMap km("", "", fifo, dir.str());
  EXPECT_EQ(km.LoadError(), head + ": file too large\n" + dir / "tail.txt" +
                                ": Too many levels of symbolic links\n" + fifo +
                                ": not a regular file");
  EXPECT_TRUE(km.HeadLines().empty());
  EXPECT_EQ(km.Lookup("a", "k").path, "");  // the key map file was the fifo
  km.AddKey("tail", "t", false, "", "/t");  // an edit that cannot be kept

  const std::string error = SaveError(km);
  EXPECT_EQ(error, dir / "tail.txt" + ": not saved, since it could not be read at start-up");
  EXPECT_EQ(fs::file_size(head), TKeyMap::kMaxFileBytes + 1);
  EXPECT_TRUE(fs::is_symlink(dir / "tail.txt"));
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(ReadAll(dir / "keymap.txt"), "[a]\nk=/k\n");

  if (geteuid() != 0) {  // root reads anything
    TempDir other;
    const std::string locked = other.Write("keymap.txt", "[a]\n");
    chmod(locked.c_str(), 0);
    TKeyMap denied("", "", "", other.str());
    EXPECT_NE(denied.LoadError().find(locked + ": "), std::string::npos);
    denied.Save();
    chmod(locked.c_str(), 0644);
    EXPECT_EQ(ReadAll(locked), "[a]\n");
  }
}

TEST(KeyMapFiles, AFileThatCannotBeWrittenIsReportedAndTheOthersAreStillWritten) {
  TempDir dir;
  dir.MakeDir("tail.txt");
  TKeyMap km("", "", "", dir.str());
  km.AddKey("head", "h", false, "", "/h");
  km.AddKey("a", "k", false, "", "/k");
  const std::string error = SaveError(km);
  EXPECT_EQ(error.rfind(dir / "tail.txt" + ": ", 0), 0u) << error;
  EXPECT_EQ(ReadAll(dir / "head.txt"), "h=/h\r\n");
  EXPECT_EQ(ReadAll(dir / "keymap.txt"), "[a]\r\nk=/k\r\n");

  const std::string ro = dir.MakeDir("ro");
  const std::string head = dir.Write("ro/head.txt", "old\n");
  TKeyMap configured(head, "", "", dir.str());
  configured.AddKey("head", "h", false, "", "/h");
  testsupport::ReadOnlyGuard guard(ro);
  if (!guard.ok()) GTEST_SKIP() << "no read-only folders here";
  EXPECT_EQ(SaveError(configured).rfind(head + ": ", 0), 0u);
  EXPECT_EQ(ReadAll(head), "old\n");
}

TEST(KeyMapFiles, HostileFilesLoadAndSearchWithoutHarm) {
  TempDir dir;
  std::mt19937 random(7);
  std::string junk(1 << 20, '\0');
  for (char& c : junk) c = static_cast<char>(random());
  junk += "\n[a]\nk=/k\nk:=x";
  dir.Write("head.txt", junk);
  // One line of ten megabytes that is a key, an entry and a reminder at once.
  std::string longLine(10 << 20, 'k');
  dir.Write("tail.txt", longLine + ":=" + longLine + "=x\n" + longLine + "=/far\n");
  // 100,000 lines, each its own section header or a key with a reminder.
  std::string many;
  for (int i = 0; i < 50'000; ++i)
    many += "[s" + std::to_string(i) + "]\nk" + std::to_string(i) + ":=word\n";
  dir.Write("keymap.txt", many);

  TKeyMap km("", "", "", dir.str());
  ASSERT_TRUE(km.LoadError().empty());
  EXPECT_EQ(km.KeyMapLines().size(), 100'000u);
  EXPECT_EQ(km.Lookup("head", "k").path, "/k");  // the head file has no sections
  EXPECT_EQ(km.Lookup("tail", longLine).path, "/far");
  EXPECT_EQ(km.Lookup("s49999", "k49999").reminder, "word");
  Lines out;
  km.Search("word", out);
  EXPECT_EQ(out.size(), 150'000u);
  EXPECT_EQ(out.back(), "k49999:=word");
  km.Search(std::string(1, 'k'), out);
  EXPECT_GE(out.size(), 150'000u);
  km.SelectSection("s4999");
  EXPECT_EQ(km.CompleteKey("k49", ""), "99:");
  EXPECT_EQ(km.CompleteKey(longLine.substr(0, 5), ""), longLine.substr(5) + ":");

  // Too many lines is refused like a file too large.
  TempDir tooMany;
  tooMany.Write("head.txt", std::string(TKeyMap::kMaxLines + 1, '\n'));
  TKeyMap refused("", "", "", tooMany.str());
  EXPECT_NE(refused.LoadError().find("lines"), std::string::npos);
  EXPECT_TRUE(refused.HeadLines().empty());
}
