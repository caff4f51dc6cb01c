#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/ConfigFolder.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

using platform::ParseProfileInteger;
using platform::ProfileFile;

TEST(ProfileFile, IntegersInTheirThreeForms) {
  EXPECT_EQ(ParseProfileInteger("42"), 42);
  EXPECT_EQ(ParseProfileInteger("-5"), -5);
  EXPECT_EQ(ParseProfileInteger("+7"), 7);
  EXPECT_EQ(ParseProfileInteger("0x20"), 32);
  EXPECT_EQ(ParseProfileInteger("0X1f"), 31);
  EXPECT_EQ(ParseProfileInteger("$ff"), 255);
  EXPECT_EQ(ParseProfileInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ParseProfileInteger("$80000008"), static_cast<std::int32_t>(0x80000008u));
  EXPECT_EQ(ParseProfileInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseProfileInteger("2147483648"), std::nullopt);
  EXPECT_EQ(ParseProfileInteger("$100000000"), std::nullopt);
  EXPECT_EQ(ParseProfileInteger("0x"), std::nullopt) << "two characters are no hex number";
  EXPECT_EQ(ParseProfileInteger("0"), 0);
  for (const char* bad : {"", "$", "-", "12a", "abc", " 1", "1 ", "$G", "0xG", "--1"})
    EXPECT_EQ(ParseProfileInteger(bad), std::nullopt) << bad;
}

TEST(ProfileFile, ReadsWithThePrivateProfileRules) {
  ProfileFile f;
  f.Parse(
      "top=1\r\n"
      "; comment\n"
      "[ main ]\r"
      "  Width =  640  \n"
      "QUOTED=\"  padded  \"\n"
      "single='x'\n"
      "half=\"x\n"
      "Width=999\n"
      "novalue\n"
      "=orphan\n"
      ";Hidden=1\n"
      "Eq=a=b\n"
      "[Other]\n"
      "Width=5\n"
      "[MAIN]\n"
      "Height=7\n");
  EXPECT_EQ(f.Read("Main", "width"), "640");
  EXPECT_EQ(f.ReadInteger("MAIN", "WIDTH", 0), 640) << "the first of duplicate keys wins";
  EXPECT_EQ(f.Read("main", "quoted"), "  padded  ");
  EXPECT_EQ(f.Read("main", "single"), "x");
  EXPECT_EQ(f.Read("main", "half"), "\"x");
  EXPECT_EQ(f.Read("main", "Eq"), "a=b");
  EXPECT_EQ(f.Read("main", "Hidden"), std::nullopt);
  EXPECT_EQ(f.Read("main", ";Hidden"), std::nullopt);
  EXPECT_EQ(f.Read("main", "novalue"), std::nullopt);
  EXPECT_EQ(f.Read("main", "top"), std::nullopt) << "keys before any section belong nowhere";
  EXPECT_EQ(f.Read("main", "Height"), std::nullopt) << "the first of duplicate sections wins";
  EXPECT_EQ(f.ReadInteger("other", "width", 0), 5);
  EXPECT_EQ(f.ReadInteger("main", "missing", -3), -3);
  EXPECT_EQ(f.ReadInteger("main", "single", -3), -3) << "not a number";
  EXPECT_TRUE(f.ReadBool("other", "width", false));
  EXPECT_TRUE(f.ReadBool("nothing", "here", true));
}

TEST(ProfileFile, WritingChangesOnlyTheKeysWritten) {
  const std::string original =
      "\xEF\xBB\xBF; settings\r\n"
      "junk line \x01\xFF\r\n"
      "[Main]\r\n"
      "Top = 5   ; not a comment\r\n"
      "; about width\r\n"
      "Unknown=keep me\r\n"
      "\r\n"
      "[Empty]\r\n"
      "\r\n"
      "[main]\r\n"
      "Top=99\r\n";
  ProfileFile f;
  f.Parse(original);
  EXPECT_EQ(f.Serialize(), original) << "an untouched file is written back byte for byte";

  f.WriteInteger("MAIN", "top", -12);
  f.WriteString("Main", "Added", "x");
  f.WriteString("Empty", "First", "y");
  f.WriteString("New", "Path", " spaced ");
  f.WriteString("New", "Quoted", "'q'");
  f.WriteString("New", "Broken", "a\r\n[Key]\nb");
  EXPECT_EQ(f.Serialize(),
            "\xEF\xBB\xBF; settings\r\n"
            "junk line \x01\xFF\r\n"
            "[Main]\r\n"
            "Top = -12\r\n"
            "; about width\r\n"
            "Unknown=keep me\r\n"
            "Added=x\r\n"
            "\r\n"
            "[Empty]\r\n"
            "First=y\r\n"
            "\r\n"
            "[main]\r\n"
            "Top=99\r\n"
            "[New]\r\n"
            "Path=\" spaced \"\r\n"
            "Quoted=\"'q'\"\r\n"
            "Broken=a[Key]b\r\n");
  EXPECT_EQ(f.Read("new", "path"), " spaced ");
  EXPECT_EQ(f.Read("new", "quoted"), "'q'");
  EXPECT_EQ(f.ReadInteger("main", "top", 0), -12);
  EXPECT_EQ(f.Read("Key", "b"), std::nullopt) << "a value cannot open a section";

  ProfileFile again;
  again.Parse(f.Serialize());
  EXPECT_EQ(again.Serialize(), f.Serialize());
}

TEST(ProfileFile, LoadsAndSavesFiles) {
  testsupport::TempDir dir;
  const std::string path = platform::SettingsFilePath(dir.str());
  ProfileFile f;
  EXPECT_EQ(f.Load(path), ProfileFile::LoadStatus::Missing);
  f.WriteString("Main", "Name", "日本語");
  std::string err;
  ASSERT_TRUE(f.Save(path, &err)) << err;
  EXPECT_EQ(testsupport::ReadAll(path), "[Main]\r\nName=日本語\r\n");

  ProfileFile g;
  ASSERT_EQ(g.Load(path), ProfileFile::LoadStatus::Loaded);
  EXPECT_EQ(g.Read("main", "name"), "日本語");

  {
    testsupport::ReadOnlyGuard readOnly(dir.str());
    if (readOnly.ok()) {
      g.WriteString("Main", "Name", "other");
      EXPECT_FALSE(g.Save(path, &err));
      EXPECT_NE(err.find(path), std::string::npos) << err;
      EXPECT_EQ(testsupport::ReadAll(path), "[Main]\r\nName=日本語\r\n");
    }
  }

  // A file too large to read is never replaced by a file made from nothing.
  const std::string big = dir.Write("big.ini", std::string(ProfileFile::kSizeLimit + 1, 'a'));
  ProfileFile h;
  EXPECT_EQ(h.Load(big, &err), ProfileFile::LoadStatus::Unreadable);
  h.WriteString("Main", "Top", "1");
  EXPECT_FALSE(h.Save(big, &err));
  EXPECT_EQ(std::filesystem::file_size(big), ProfileFile::kSizeLimit + 1);
}

TEST(ProfileFile, SurvivesHostileInput) {
  ProfileFile f;
  std::string junk;
  for (int i = 0; i < 100000; ++i) junk.push_back(static_cast<char>((i * 7919) % 256));
  f.Parse(junk);
  const std::string written = f.Serialize();
  ProfileFile reread;
  reread.Parse(written);
  EXPECT_EQ(reread.Serialize(), written);
  f.WriteInteger("Main", "Top", 1);
  EXPECT_EQ(f.ReadInteger("Main", "Top", 0), 1);

  std::string longLine = "[Main]\nName=" + std::string(10 << 20, 'x') + "\nTop=3\n";
  f.Parse(longLine);
  EXPECT_EQ(f.Read("Main", "Name")->size(), std::size_t{10} << 20);
  EXPECT_EQ(f.ReadInteger("Main", "Top", 0), 3);
  f.WriteInteger("Main", "Top", 4);
  EXPECT_EQ(f.Serialize().size(), longLine.size() + 3);

  f.Parse(std::string(1 << 18, '\r'));
  f.WriteInteger("Main", "Top", 4);
  EXPECT_EQ(f.ReadInteger("Main", "Top", 0), 4);
  f.Parse(std::string(1 << 20, '['));
  EXPECT_EQ(f.Read("[", "["), std::nullopt);
}

TEST(ConfigFolder, PortableFolderWhenWritableElseTheUsersConfigFolder) {
  testsupport::TempDir dir;
  const std::string exe = dir.MakeDir("bin");
  EXPECT_EQ(platform::ChooseConfigFolder(exe, "/xdg", "/home/u"), "/xdg/sortivo")
      << "a writable folder alone (/usr/bin as root) is no portable copy";
  dir.Write("bin/portable", "");
  EXPECT_EQ(platform::ChooseConfigFolder(exe, "/xdg", "/home/u"), exe);
  std::filesystem::remove(dir / "bin/portable");
  dir.Write("bin/sortivo.ini", "");
  EXPECT_EQ(platform::ChooseConfigFolder(exe, "/xdg", "/home/u"), exe);
  const std::string tree = dir.MakeDir("build/src");
  dir.Write("build/CMakeCache.txt", "");
  EXPECT_EQ(platform::ChooseConfigFolder(tree, "/xdg", "/home/u"), tree) << "a build tree";
  EXPECT_EQ(platform::ChooseConfigFolder(dir / "absent", "/xdg", "/home/u"), "/xdg/sortivo");
  EXPECT_EQ(platform::ChooseConfigFolder("", "relative", "/home/u"), "/home/u/.config/sortivo");
  EXPECT_EQ(platform::ChooseConfigFolder("", "", "/home/u"), "/home/u/.config/sortivo");
  testsupport::ReadOnlyGuard readOnly(exe);
  if (readOnly.ok()) {
    EXPECT_EQ(platform::ChooseConfigFolder(exe, "", "/home/u"), "/home/u/.config/sortivo");
  }
  EXPECT_EQ(platform::SettingsFilePath("/a"), "/a/sortivo.ini");
  EXPECT_FALSE(platform::ExecutableFolder().empty());
}
