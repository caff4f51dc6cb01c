#include "app/Dispatcher.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/GeneralManager.h"
#include "app/TemporaryManager.h"
#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "keymap/KeyMap.h"
#include "support/TempDir.h"

namespace {

// Records what the dispatcher asked for, one line per call.
class RecordingTarget : public TCommandTarget {
 public:
  std::vector<std::string> calls;
  std::vector<std::string> keyList;
  bool oneKey = false;

  void SetStatus(StatusColor s) override {
    if (s != StatusColor::Default)
      calls.push_back("status");
    else
      ++defaults;
  }
  void MinimiseWindow() override { calls.push_back("minimise"); }
  void HidePreview() override { calls.push_back("hidePreview"); }
  void ShowNext() override { calls.push_back("next"); }
  void ShowPrevious() override { calls.push_back("previous"); }
  void MovePicture(const std::string& s, const std::string& f) override {
    calls.push_back("move " + Name(s) + " " + Name(f));
  }
  void CopyPicture(const std::string& s, const std::string& f) override {
    calls.push_back("copy " + Name(s) + " " + Name(f));
  }
  void PresentPicture(const std::string& p) override { calls.push_back("present " + Name(p)); }
  void OpenPath(const std::string& p) override { calls.push_back("open " + Name(p)); }
  void UndoStep() override { calls.push_back("undo"); }
  void RedoStep() override { calls.push_back("redo"); }
  void TrashPicture() override { calls.push_back("trash"); }
  void CompleteInput() override { calls.push_back("complete"); }
  void TidyInput() override { calls.push_back("tidy"); }
  void SetOneKeyMode(bool on) override {
    oneKey = on;
    calls.push_back(on ? "onekey on" : "onekey off");
  }
  void ArrangeControls() override { calls.push_back("arrange"); }
  void ScrollByHalfPanel(ScrollDirection d) override {
    calls.push_back("scroll " + std::to_string(static_cast<int>(d)));
  }
  void RotateClockwise() override { calls.push_back("cw"); }
  void RotateCounterClockwise() override { calls.push_back("ccw"); }
  void FitPicture() override { calls.push_back("fit"); }
  void ShowKeyList(const std::vector<std::string>& rows) override {
    keyList = rows;
    calls.push_back("keylist");
  }
  int defaults = 0;

 private:
  static std::string Name(const std::string& p) {
    const auto slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
  }
};

// A folder of five pictures (by name only: the dispatcher never opens them), a key map with a
// head file, sections a and b and a tail file, all on disk.
class DispatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* n : {"p1.jpg", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"})
      dir.Write(std::string("src/") + n, "x");
    dir.MakeDir("cats");
    dir.MakeDir("dogs");
    dir.MakeDir("old");
    dir.Write("head.txt", "x=" + dir / "dogs" + "\r\nkeep=" + dir / "keep.txt" +
                              "\r\nhere=" + dir / "src" + "\r\nslash=" + dir / "src/" +
                              "\r\ndots=" + dir / "cats/../src" + "\r\nlink=" + dir / "link" +
                              "\r\n");
    std::filesystem::create_directory_symlink(dir / "src", dir / "link");
    dir.Write("keymap.txt", "[a]\r\ncat=" + dir / "cats" + "\r\ncat:=kitten pictures\r\n" +
                                "dog==" + dir / "dogs" + "\r\n[b]\r\ncat=" + dir / "old" + "\r\n");
    dir.Write("tail.txt", "t=" + dir / "old" + "\r\n");
    keyMap = std::make_unique<TKeyMap>("", "", "", dir.str());
    general.ListExtensions = ".txt";
    general.ShiftToCopy = true;
    files = std::make_unique<TFileList>(".jpg", ".txt");
    files->Open(dir / "src");
    files->SortAscending();
    dispatcher = std::make_unique<TDispatcher>(
        DispatchContext{target, *files, *keyMap, directories, keys, general, temporary});
  }

  std::vector<std::string> Enter(const std::string& text, ModifierSet m = kNoModifiers) {
    target.calls.clear();
    std::uint16_t key = kVkReturn;
    dispatcher->Edit1KeyDown(text, key, m);
    return target.calls;
  }
  std::vector<std::string> Press(std::uint16_t key, ModifierSet m = kNoModifiers,
                                 const std::string& field = "") {
    target.calls.clear();
    dispatcher->Edit1KeyDown(field, key, m);
    return target.calls;
  }
  std::string Current() const {
    const std::string c = files->GetCurrent();
    return c.substr(c.rfind('/') + 1);
  }

  testsupport::TempDir dir;
  RecordingTarget target;
  std::unique_ptr<TKeyMap> keyMap;
  std::unique_ptr<TFileList> files;
  TDirectoryList directories;
  TVirtualKeys keys;
  TGeneralManager general;
  TTemporaryManager temporary;
  std::unique_ptr<TDispatcher> dispatcher;
};

using Calls = std::vector<std::string>;

TEST_F(DispatcherTest, EnterResolvesKeysThroughSectionsHeadAndTail) {
  EXPECT_EQ(Enter(":a"), Calls({"tidy"}));
  EXPECT_EQ(keyMap->SelectedName(), "a");
  EXPECT_EQ(Enter("cat"), Calls({"move p1.jpg cats", "tidy"}));
  EXPECT_EQ(Enter("cat:b"), Calls({"move p1.jpg old", "tidy"}));
  EXPECT_EQ(Enter("x"), Calls({"move p1.jpg dogs", "tidy"})) << "the head file";
  EXPECT_EQ(Enter("t"), Calls({"move p1.jpg old", "tidy"})) << "the tail file";
  EXPECT_EQ(target.defaults, 5) << "every command starts from the Default colour";
}

TEST_F(DispatcherTest, ModifiersEnterToCopyAndMoveOnlyChooseMoveOrCopy) {
  Enter(":a");
  struct Case {
    ModifierSet m;
    bool enterToCopy;
    const char* key;
    const char* expected;  // empty: nothing but the tidying
  };
  const Case cases[] = {
      {kNoModifiers, false, "cat", "move"},
      {kShift, false, "cat", "copy"},
      {kCtrl, false, "cat", ""},
      {kAlt, false, "cat", ""},
      {kNoModifiers, true, "cat", "copy"},
      {kShift, true, "cat", "move"},
      {kNoModifiers, true, "dog", "move"},
      {kShift, false, "dog", "move"},
      {kCtrl, false, "dog", "move"},
      {kCtrl | kShift, true, "dog", "move"},
  };
  for (const Case& c : cases) {
    general.EnterToCopy = c.enterToCopy;
    const Calls calls = Enter(c.key, c.m);
    const std::string what = calls.size() == 2 ? calls[0].substr(0, 4) : "";
    EXPECT_EQ(what, c.expected) << c.key << " modifiers " << int(c.m) << " copy " << c.enterToCopy;
    EXPECT_EQ(calls.back(), "tidy");
  }
}

TEST_F(DispatcherTest, EnterSpecialCases) {
  EXPECT_EQ(Enter(""), Calls({"next"})) << "empty field: next, not tidied";
  EXPECT_EQ(Enter("here"), Calls({"next"})) << "the picture's own folder: next, not tidied";
  EXPECT_EQ(Enter("keep"), Calls({"tidy"}));
  EXPECT_EQ(Enter("keep", kShift), Calls({"tidy"}));
  ASSERT_EQ(temporary.PendingListFiles.size(), 2u) << "a list file chosen twice is noted twice";
  EXPECT_EQ(temporary.PendingListFiles[0], dir / "keep.txt");

  general.ListExtensions = ".lst .TXT";
  EXPECT_EQ(Enter("keep"), Calls({"tidy"})) << "either of two extensions, in any letter case";
  EXPECT_EQ(temporary.PendingListFiles.size(), 3u);
}

TEST_F(DispatcherTest, OwnFolderUnderAnotherSpellingShowsTheNextPicture) {
  for (const char* key : {"slash", "dots", "link"}) {
    EXPECT_EQ(Enter(key), Calls({"next"})) << key;
    EXPECT_EQ(Enter(key, kShift), Calls({"next"})) << key << ", copying";
  }
  EXPECT_EQ(Enter("x"), Calls({"move p1.jpg dogs", "tidy"})) << "another folder still moves";
}

TEST_F(DispatcherTest, EqualsJumpsToNumberedPicturesOrOpensAKeysFolder) {
  EXPECT_EQ(Enter("=3"), Calls({"present p3.jpg", "tidy"}));
  EXPECT_EQ(Enter("=9"), Calls({"present p5.jpg", "tidy"}));
  EXPECT_EQ(Enter("=0"), Calls({"present p1.jpg", "tidy"}));
  EXPECT_EQ(Enter("=$2"), Calls({"present p2.jpg", "tidy"}));
  EXPECT_EQ(Enter("=x"), Calls({"open dogs", "tidy"}));
  EXPECT_EQ(Enter("=nokey"), Calls({"tidy"}));
  EXPECT_EQ(ParsePictureNumber("abc"), -1);
  EXPECT_EQ(ParsePictureNumber("-2"), -1);
  EXPECT_EQ(ParsePictureNumber("99999999999"), -1);
  EXPECT_EQ(ParsePictureNumber("$ff"), 255);
}

TEST_F(DispatcherTest, OtherTextOpensAnExistingPathOrSearchesReminders) {
  EXPECT_EQ(Enter(dir / "old"), Calls({"open old", "tidy"}));
  Enter(":a");
  EXPECT_EQ(Enter("kitten"), Calls({"keylist", "tidy"}));
  ASSERT_FALSE(target.keyList.empty());
  EXPECT_EQ(target.keyList[0], "[a]");
  EXPECT_EQ(Enter("nothing-like-it"), Calls({"tidy"}));
}

TEST_F(DispatcherTest, EmptyListSendsNothingAndNavigationFallsThrough) {
  files = std::make_unique<TFileList>(".jpg", ".txt");
  dispatcher = std::make_unique<TDispatcher>(
      DispatchContext{target, *files, *keyMap, directories, keys, general, temporary});
  EXPECT_EQ(Enter(""), Calls({"next"}));
  EXPECT_EQ(Enter("x"), Calls({"tidy"})) << "x names a key, not a path; no reminder matches";
  // Previous (Left, 37) with an empty list goes on to the later bindings on the same key.
  keys[NavAction::Up].SetCode(37);
  EXPECT_EQ(Press(37), Calls({"scroll 0"}));
}

TEST_F(DispatcherTest, BindingsFireInTheirFixedOrder) {
  EXPECT_EQ(Press(37), Calls({"previous"}));
  EXPECT_EQ(Press(39), Calls({"next"}));
  EXPECT_EQ(Press(36), Calls({"present p1.jpg"}));
  EXPECT_EQ(Press(35), Calls({"present p5.jpg"}));
  EXPECT_EQ(Press(240), Calls({"complete"}));
  EXPECT_EQ(Press(38), Calls({"scroll 0"}));
  EXPECT_EQ(Press(39, kShift), Calls({"cw", "fit"}));
  EXPECT_EQ(Press(37, kShift), Calls({"ccw", "fit"}));
  EXPECT_EQ(Press(112), Calls({"onekey on", "arrange"}));
  EXPECT_EQ(Press(27), Calls({"minimise", "hidePreview"}));
  EXPECT_EQ(Press('Z', kCtrl), Calls({"undo"}));
  EXPECT_EQ(Press('Y', kCtrl, "typed"), Calls({"redo"}));
  EXPECT_EQ(Press(46), Calls({"trash"}));
  EXPECT_EQ(Press(46, kNoModifiers, "typed"), Calls({})) << "Delete edits the typed text";
  EXPECT_EQ(Press(65), Calls({})) << "an unbound key only resets the colour";

  keys[NavAction::Next].SetCode(37);  // two bindings on one key: Previous is tested first
  EXPECT_EQ(Press(37), Calls({"previous"}));
  keys[NavAction::Emergency].SetCode(13);  // the panic key is looked at before Enter
  EXPECT_EQ(Enter("cat"), Calls({"minimise", "hidePreview"}));
}

TEST_F(DispatcherTest, FolderBindingsOpenNeighboursOfTheSourceFolder) {
  EXPECT_EQ(Press(38, kCtrl), Calls({"open " + dir.path().filename().string()}));
  EXPECT_EQ(Press(40, kCtrl), Calls({"open "})) << "no sub-folder: an empty path";
  dir.MakeDir("src/inner");
  EXPECT_EQ(Press(40, kCtrl), Calls({"open inner"}));
  // A list file as source is no folder: the folder bindings pass.
  dir.Write("list.txt", dir / "src/p1.jpg" + std::string("\n"));
  files->Open(dir / "list.txt");
  EXPECT_EQ(Press(38, kCtrl), Calls({}));
}

TEST_F(DispatcherTest, OneKeyModeTurnsLettersAndDigitsIntoKeys) {
  general.OneKey = true;
  keyMap->AddKey("a", "c", false, "", dir / "cats");
  keyMap->AddKey("a", "C", false, "", dir / "old");
  keyMap->AddKey("a", "7", false, "", dir / "dogs");
  Enter(":a");
  EXPECT_EQ(Press('C'), Calls({"move p1.jpg cats", "tidy"}));
  EXPECT_EQ(Press('C', kShift), Calls({"copy p1.jpg cats", "tidy"})) << "ShiftToCopy on";
  general.ShiftToCopy = false;
  EXPECT_EQ(Press('C', kShift), Calls({"copy p1.jpg old", "tidy"})) << "upper-case key C";
  EXPECT_EQ(Press('7'), Calls({"move p1.jpg dogs", "tidy"}));
  EXPECT_EQ(Press('B', kNoModifiers, ":"), Calls({"tidy"}));
  EXPECT_EQ(keyMap->SelectedName(), "b") << "':' then a letter selects that section";
  EXPECT_EQ(Press(101), Calls({})) << "keypad digits are no keys";
  EXPECT_EQ(Press(39), Calls({"next"})) << "navigation still works";

  std::uint16_t key = 'C';
  dispatcher->Edit1KeyDown("", key, kNoModifiers);
  EXPECT_EQ(key, kVkReturn) << "the key becomes Enter";
}

TEST(KeyListRows, RowsGiveKeyAndSection) {
  const std::vector<std::string> rows = {"閉じる", "[head]",     "cat=D:\\c", "cat:=kitten",
                                         "[a]",    "dog==D:\\d", "dog:=puppy"};
  EXPECT_EQ(KeyListRowText(rows, 0), "");
  EXPECT_EQ(KeyListRowText(rows, 1), "");
  EXPECT_EQ(KeyListRowText(rows, 2), "cat:head");
  EXPECT_EQ(KeyListRowText(rows, 3), "cat:head");
  EXPECT_EQ(KeyListRowText(rows, 5), "dog:a");
  EXPECT_EQ(KeyListRowText(rows, 6), "dog:a");
  EXPECT_EQ(KeyListRowText({"閉じる", "x=1"}, 1), "") << "no header above: field unchanged";
  EXPECT_EQ(OneKeyText('A', kShift, true), "a");
  EXPECT_EQ(OneKeyText('A', kShift, false), "A");
  EXPECT_EQ(OneKeyText('A', kShift | kCtrl, false), "a");
  EXPECT_EQ(OneKeyText(101, kNoModifiers, true), "");
}

}  // namespace
