#include "keymap/KeyMap.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

using platform::PathStyle;
using Lines = TKeyMap::Lines;

namespace {

std::string Crlf(const Lines& lines) {
  std::string bytes;
  for (const auto& l : lines) bytes += l + "\r\n";
  return bytes;
}

// A key map read from default files written into a temporary folder.
struct Fixture {
  testsupport::TempDir dir;
  std::unique_ptr<TKeyMap> map;
  Fixture(const Lines& head, const Lines& keymap, const Lines& tail,
          PathStyle style = PathStyle::Windows) {
    dir.Write("head.txt", Crlf(head));
    dir.Write("keymap.txt", Crlf(keymap));
    dir.Write("tail.txt", Crlf(tail));
    map = std::make_unique<TKeyMap>("", "", "", dir.str(), style);
  }
};

Fixture Example() {
  return Fixture({"x=D:\\trash", "x:=throw away"},
                 {"[a]", "cat=D:\\pics\\cats", "cat:=cats and kittens", "dog==D:\\pics\\dogs",
                  "[b]", "cat=E:\\old\\cats"},
                 {"misc=D:\\pics\\misc"});
}

void ExpectFound(const TKeyMap::LookupResult& r, const std::string& path,
                 const std::string& reminder, bool moveOnly) {
  EXPECT_EQ(r.path, path);
  EXPECT_EQ(r.reminder, reminder);
  EXPECT_EQ(r.moveOnly, moveOnly);
}

}  // namespace

TEST(KeyMap, LooksUpInHeadThenSelectedSectionThenTail) {
  Fixture f = Example();
  TKeyMap& km = *f.map;
  EXPECT_TRUE(km.LoadError().empty());
  EXPECT_EQ(km.Lookup("", "cat").path, "");  // no section selected yet
  ASSERT_TRUE(km.SelectSection("a"));
  EXPECT_EQ(km.SelectedName(), "a");
  EXPECT_EQ(km.SelectedLines(),
            (Lines{"cat=D:\\pics\\cats", "cat:=cats and kittens", "dog==D:\\pics\\dogs"}));

  ExpectFound(km.Lookup("", "cat"), "D:\\pics\\cats", "cats and kittens", false);
  ExpectFound(km.Lookup("b", "cat"), "E:\\old\\cats", "", false);
  ExpectFound(km.Lookup("", "dog"), "D:\\pics\\dogs", "", true);
  ExpectFound(km.Lookup("", "misc"), "D:\\pics\\misc", "", false);
  ExpectFound(km.Lookup("", "x"), "D:\\trash", "throw away", false);
  ExpectFound(km.Lookup("head", "x"), "D:\\trash", "throw away", false);
  ExpectFound(km.Lookup("tail", "misc"), "D:\\pics\\misc", "", false);
  ExpectFound(km.Lookup("selected", "dog"), "D:\\pics\\dogs", "", true);
  EXPECT_EQ(km.Lookup("head", "cat").path, "");
  EXPECT_EQ(km.Lookup("", "ca").path, "");  // cat= is no entry of ca
  EXPECT_EQ(km.Lookup("", "").path, "");
  EXPECT_EQ(km.Lookup("nosuch", "cat").path, "");
  EXPECT_EQ(km.PathOfKey("dog"), "D:\\pics\\dogs");
  EXPECT_EQ(km.PathOfKey("cat"), "D:\\pics\\cats");
  EXPECT_EQ(km.PathOfKey("cat:b"), "");
  EXPECT_EQ(km.PathOfKey(""), "");

  // An unknown section keeps the selection.
  EXPECT_FALSE(km.SelectSection("zz"));
  EXPECT_EQ(km.SelectedName(), "a");
  EXPECT_EQ(km.SectionLines("zz").size(), 3u);
  EXPECT_EQ(km.SectionLines("head"), km.HeadLines());
  EXPECT_EQ(km.SectionLines("b"), (Lines{"cat=E:\\old\\cats"}));
  EXPECT_EQ(km.SelectedName(), "b");
}

TEST(KeyMap, LookupRulesOfTheStandardOrder) {
  // The head's reminder describes the section's key; k= alone hides the tail's k; the first
  // line of a key wins, and its move-only mark with it.
  Fixture f({"r:=from head", "k="}, {"[s]", "r=D:\\r", "k=D:\\section", "two=D:\\1", "two==D:\\2"},
            {"k=D:\\tail", "r:=from tail"});
  TKeyMap& km = *f.map;
  ASSERT_TRUE(km.SelectSection("s"));
  ExpectFound(km.Lookup("", "r"), "D:\\r", "from head", false);
  ExpectFound(km.Lookup("", "k"), "", "", false);
  ExpectFound(km.Lookup("", "two"), "D:\\1", "", false);
  // Not found anywhere: the last reminder seen is still returned.
  ExpectFound(km.Lookup("tail", "r"), "", "from tail", false);
}

TEST(KeyMap, SectionHeadersMustMatchExactly) {
  Fixture f({"k=D:\\head"},
            {"k=D:\\above", "[a] ", "k=D:\\space", "[ab]", "k=D:\\ab", "[Head]", "k=D:\\capital",
             "[]", "k=D:\\empty", "[a]"},
            {});
  TKeyMap& km = *f.map;
  EXPECT_EQ(km.Lookup("a", "k").path, "");  // [a] is the last line: an empty section
  EXPECT_EQ(km.Lookup("ab", "k").path, "D:\\ab");
  EXPECT_EQ(km.Lookup("Head", "k").path, "D:\\capital");
  EXPECT_EQ(km.Lookup("head", "k").path, "D:\\head");
  EXPECT_EQ(km.Lookup("", "k").path, "D:\\head");
  EXPECT_EQ(km.Lookup("tail", "k").path, "");

  const auto range = km.FindSection("a");
  EXPECT_EQ(range.first, 10);
  EXPECT_EQ(range.last, 9);
  EXPECT_FALSE(km.FindSection("nosuch").found());
  EXPECT_EQ(km.FindSection("nosuch").last, -2);
  ASSERT_TRUE(km.SelectSection("a"));
  EXPECT_TRUE(km.SelectedLines().empty());

  Lines names;
  km.SectionNames(names);
  ASSERT_EQ(names.size(), 38u + 2u);
  EXPECT_EQ(names[0], "head");
  EXPECT_EQ(names[2], "0");
  EXPECT_EQ(names[12], "a");
  EXPECT_EQ(names[37], "z");
  EXPECT_EQ(names[38], "ab");
  EXPECT_EQ(names[39], "Head");
}

TEST(KeyMap, RemoveKeyTouchesOnlyThatKeysLines) {
  Fixture f({"a=D:\\1", "ba=D:\\2", "a==D:\\3", "b=D:\\a=4", "a:=note", "a", "=free"},
            {"[s]", "a=D:\\5", "x=1", "[t]", "a=D:\\6"}, {});
  TKeyMap& km = *f.map;
  EXPECT_TRUE(km.RemoveKey("head", "a"));
  EXPECT_EQ(km.HeadLines(), (Lines{"ba=D:\\2", "b=D:\\a=4", "a", "=free"}));
  EXPECT_FALSE(km.RemoveKey("head", "a"));
  EXPECT_FALSE(km.RemoveKey("head", ""));
  EXPECT_EQ(km.HeadLines().size(), 4u);
  EXPECT_FALSE(km.RemoveKey("nosuch", "a"));
  EXPECT_FALSE(km.RemoveKey("tail", "a"));

  ASSERT_TRUE(km.SelectSection("s"));
  EXPECT_TRUE(km.RemoveKey("s", "a"));
  EXPECT_EQ(km.KeyMapLines(), (Lines{"[s]", "x=1", "[t]", "a=D:\\6"}));
  // The selected copy is refreshed only by selecting again.
  EXPECT_EQ(km.Lookup("selected", "a").path, "D:\\5");
  km.SelectSection("s");
  EXPECT_EQ(km.Lookup("selected", "a").path, "");
}

TEST(KeyMap, AddKeyNormalisesThePathAndPutsTheKeyFirst) {
  EXPECT_EQ(TKeyMap::NormaliseDestination("D:\\pics\\\\cats\\", PathStyle::Windows),
            "D:\\pics\\cats");
  EXPECT_EQ(TKeyMap::NormaliseDestination("D:\\", PathStyle::Windows), "D:\\");
  EXPECT_EQ(TKeyMap::NormaliseDestination("D:", PathStyle::Windows), "D:\\");
  EXPECT_EQ(TKeyMap::NormaliseDestination("D:\\\\\\", PathStyle::Windows), "D:\\");
  EXPECT_EQ(TKeyMap::NormaliseDestination("D:\\l\\\\x.txt", PathStyle::Windows), "D:\\l\\x.txt");
  EXPECT_EQ(TKeyMap::NormaliseDestination("\\\\srv\\share\\", PathStyle::Windows), "\\srv\\share");
  EXPECT_EQ(TKeyMap::NormaliseDestination("", PathStyle::Windows), "");
  EXPECT_EQ(TKeyMap::NormaliseDestination("/pics//cats/", PathStyle::Posix), "/pics/cats");
  EXPECT_EQ(TKeyMap::NormaliseDestination("/", PathStyle::Posix), "/");
  EXPECT_EQ(TKeyMap::NormaliseDestination("///", PathStyle::Posix), "/");
  EXPECT_EQ(TKeyMap::NormaliseDestination("//l//x.txt", PathStyle::Posix), "/l/x.txt");
  EXPECT_EQ(TKeyMap::NormaliseDestination("", PathStyle::Posix), "");
  EXPECT_EQ(TKeyMap::NormaliseDestination("rel\\dir\\", PathStyle::Posix), "rel\\dir\\");

  Fixture f({"k=D:\\old"}, {"[a]", "k=D:\\olda", "[b]"}, {"t=1"});
  TKeyMap& km = *f.map;
  EXPECT_TRUE(km.AddKey("head", "k", true, "new one", "D:\\new\\"));
  EXPECT_EQ(km.HeadLines(), (Lines{"k==D:\\new", "k:=new one", "k=D:\\old"}));
  ExpectFound(km.Lookup("head", "k"), "D:\\new", "new one", true);
  km.AddKey("tail", "t", false, "", "E:");
  EXPECT_EQ(km.TailLines(), (Lines{"t=E:\\", "t=1"}));
  km.AddKey("a", "k", false, "", "D:\\newa");
  km.AddKey("b", "m", false, "r", "D:\\m");  // header on the last line
  EXPECT_EQ(km.KeyMapLines(), (Lines{"[a]", "k=D:\\newa", "k=D:\\olda", "[b]", "m=D:\\m", "m:=r"}));
  km.AddKey("c", "n", false, "", "D:\\n");
  km.AddKey("d", "o", false, "rem", "D:\\o");
  const Lines& all = km.KeyMapLines();
  EXPECT_EQ(Lines(all.end() - 5, all.end()), (Lines{"[c]", "n=D:\\n", "[d]", "o=D:\\o", "o:=rem"}));
  EXPECT_EQ(km.Lookup("d", "o").path, "D:\\o");

  // Nothing that would break the file apart when written.
  const Lines before = km.KeyMapLines();
  EXPECT_FALSE(km.AddKey("a", "[b]", false, "", "D:\\x"));
  EXPECT_FALSE(km.AddKey("a", "k", false, "two\nlines", "D:\\x"));
  EXPECT_FALSE(km.AddKey("a", "k", false, "", "D:\\x\r"));
  EXPECT_FALSE(km.AddKey("e\nf", "k", false, "", "D:\\x"));
  EXPECT_EQ(km.KeyMapLines(), before);

  Fixture posix({}, {}, {}, PathStyle::Posix);
  posix.map->AddKey("head", "p", false, "", "/pics//dogs/");
  EXPECT_EQ(posix.map->HeadLines(), (Lines{"p=/pics/dogs"}));
}

TEST(KeyMap, SearchListsEachKeyOnceWithItsLines) {
  Fixture f = Example();
  TKeyMap& km = *f.map;
  Lines out{"stale"};
  km.Search("kitten", out);
  EXPECT_EQ(out, (Lines{"[a]", "cat=D:\\pics\\cats", "cat:=cats and kittens"}));

  // Two words in one reminder give the key once; the head block comes first, looked up in the
  // head file; the empty word between two spaces matches nothing.
  km.Search("cats  away kittens", out);
  EXPECT_EQ(out, (Lines{"[head]", "x=D:\\trash", "x:=throw away", "[a]", "cat=D:\\pics\\cats",
                        "cat:=cats and kittens"}));
  km.Search("nothing", out);
  EXPECT_TRUE(out.empty());
  km.Search("", out);
  EXPECT_TRUE(out.empty());
}

TEST(KeyMap, SearchBlocksFollowHeadersAndKeepTheLastOccurrence) {
  Fixture f({"h:=pet head", "[b]", "dog:=pet in head"},
            {"above:=pet", "[a]", "dog==D:\\dogs", "cat:=pet", "dog:=pet", "cat=D:\\cats", "[b]",
             "dog=D:\\b", "[c]", "nothing here"},
            {"t:=pet", "t==D:\\t"});
  TKeyMap& km = *f.map;
  Lines out;
  km.Search("pet", out);
  EXPECT_EQ(out, (Lines{"[head]", "h=", "h:=pet head",
                        // a header in the head file starts a block looked up in section b,
                        // whose own lines give the reminder
                        "[b]", "dog=D:\\b", "dog:=",     //
                        "[tail]", "t==D:\\t", "t:=pet",  //
                        "[a]", "cat=D:\\cats", "cat:=pet", "dog==D:\\dogs", "dog:=pet"}));
  // A lone colon lists every key that has a reminder.
  km.Search(":", out);
  EXPECT_EQ(out.size(), 14u);
  // The block search agrees with one look-up per key.
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (!out[i].starts_with('[')) continue;
    const std::string section = out[i].substr(1, out[i].find(']') - 1);
    for (std::size_t j = i + 1; j + 1 < out.size() && !out[j].starts_with('['); j += 2) {
      const std::string key = out[j + 1].substr(0, out[j + 1].find(":="));
      const auto r = km.Lookup(section, key);
      EXPECT_EQ(out[j], key + (r.moveOnly ? "==" : "=") + r.path);
      EXPECT_EQ(out[j + 1], key + ":=" + r.reminder);
    }
  }
}
