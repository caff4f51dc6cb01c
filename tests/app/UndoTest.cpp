// Undo and redo of every kind of sorting step on real folders, sidecars with them, refusals
// that touch nothing, and a step cut short between its journal record and the step itself.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

#include "app/SortingSession.h"
#include "support/PictureWriter.h"
#include "support/ShownView.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::ReadAll;

using testsupport::ShownView;

namespace {

// A trash laid out as the desktop's: files/NAME and info/NAME.trashinfo.
class FolderTrash : public platform::TTrash {
 public:
  explicit FolderTrash(std::string root) : root_(std::move(root)) {
    fs::create_directories(root_ + "/files");
    fs::create_directories(root_ + "/info");
  }
  bool MoveToTrash(const std::string& path, std::string& trashed, std::string& error) override {
    std::string name = fs::path(path).filename().string();
    while (fs::exists(root_ + "/files/" + name)) name += "_";
    std::error_code ec;
    fs::rename(path, root_ + "/files/" + name, ec);
    if (ec) {
      error = ec.message();
      return false;
    }
    trashed = root_ + "/files/" + name;
    testsupport::WriteBytes(root_ + "/info/" + name + ".trashinfo",
                            "[Trash Info]\nPath=" + path + "\nDeletionDate=2026-01-01T00:00:00\n");
    return true;
  }

 private:
  std::string root_;
};

// Every file under the folder with its bytes, the settings folder left out.
std::map<std::string, std::string> Snapshot(const testsupport::TempDir& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
    const std::string path = e.path().string();
    if (e.is_regular_file() && path.find("/conf/") == std::string::npos)
      files[path] = ReadAll(path);
  }
  return files;
}

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pics = dir.MakeDir("pics");
    x = dir.MakeDir("x");
    for (const char* name : {"a.jpg", "b.jpg", "d.jpg"})
      testsupport::WriteJpeg(pics + "/" + name, 48, 32, 70 + name[0]);
    testsupport::WritePng(pics + "/c.jpg", 40, 30);  // its extension gets corrected
    dir.Write("pics/a.jpg.xmp", "whole-name sidecar");
    dir.Write("pics/a.xmp", "stem sidecar");
    dir.Write("pics/c.xmp", "c's sidecar");
    list = dir.Write("list.txt", "earlier\r\n");
    Start();
  }
  void Start() {
    session.reset();
    session = std::make_unique<TSortingSession>(view, dir / "conf", std::vector<std::string>{},
                                                window, nullptr);
    session->SetTrash(&trash);
  }
  // A fresh start for the next row of a table: everything made so far goes.
  void Reset() {
    session.reset();
    for (const auto& e : fs::directory_iterator(dir.path())) fs::remove_all(e.path());
    trash = FolderTrash(dir / "trash");
    SetUp();
  }
  TFileList& Files() { return session->Files(); }

  testsupport::TempDir dir;
  std::string pics, x, list;
  ShownView view;
  FolderTrash trash{dir / "trash"};
  WindowSettings window;
  std::unique_ptr<TSortingSession> session;
};

TEST_F(UndoTest, EveryKindIsTakenBackInReverseOrderAndDoneAgain) {
  session->OpenPath(pics);
  ASSERT_EQ(Files().GetCurrent(), pics + "/a.jpg");
  struct Action {
    const char* what;
    std::function<void()> run;
    int steps;
    std::string shownAfterUndo;
  };
  const std::vector<Action> actions = {
      {"move", [&] { session->MovePicture(Files().GetCurrent(), x); }, 1, pics + "/a.jpg"},
      {"copy", [&] { session->CopyPicture(Files().GetCurrent(), x); }, 1, pics + "/b.jpg"},
      // Leaving b writes its list line; arriving at c corrects c's extension.
      {"list line and rename",
       [&] {
         session->Temporary().PendingListFiles.push_back(list);
         session->ShowNext();
       },
       2, pics + "/b.jpg"},
      {"trash", [&] { session->TrashPicture(); }, 1, pics + "/c.png"},
  };
  std::vector<std::map<std::string, std::string>> before, after;
  for (const Action& a : actions) {
    before.push_back(Snapshot(dir));
    a.run();
    after.push_back(Snapshot(dir));
    EXPECT_NE(before.back(), after.back()) << a.what;
  }
  EXPECT_TRUE(fs::exists(x + "/a.jpg.xmp") && fs::exists(x + "/a.xmp"));
  EXPECT_TRUE(fs::exists(x + "/b.jpg"));
  EXPECT_EQ(ReadAll(list), "earlier\r\n" + pics + "/b.jpg\r\n");
  EXPECT_TRUE(fs::exists(dir / "trash/files/c.png") && fs::exists(dir / "trash/files/c.xmp"));

  for (std::size_t i = actions.size(); i-- > 0;) {
    for (int s = 0; s < actions[i].steps; ++s) session->UndoStep();
    EXPECT_EQ(Snapshot(dir), before[i]) << "undo " << actions[i].what;
    EXPECT_EQ(Files().GetCurrent(), actions[i].shownAfterUndo) << actions[i].what;
    EXPECT_EQ(view.status, StatusColor::Default) << actions[i].what;
  }
  session->UndoStep();  // nothing left: nothing happens
  EXPECT_EQ(Snapshot(dir), before[0]);

  for (std::size_t i = 0; i < actions.size(); ++i) {
    for (int s = 0; s < actions[i].steps; ++s) session->RedoStep();
    EXPECT_EQ(Snapshot(dir), after[i]) << "redo " << actions[i].what;
  }
  // Taken back once more after a restart, from the journal alone.
  Start();
  for (int s = 0; s < 5; ++s) session->UndoStep();
  EXPECT_EQ(Snapshot(dir), before[0]);
}

TEST_F(UndoTest, ANameTakenSinceGivesANumberedNameAndANewStepEndsRedo) {
  session->OpenPath(pics);
  session->MovePicture(pics + "/a.jpg", x);
  dir.Write("pics/a.jpg", "another file under the name");
  session->UndoStep();
  EXPECT_EQ(view.status, StatusColor::IncorrectExtension);
  EXPECT_EQ(ReadAll(pics + "/a.jpg"), "another file under the name");
  EXPECT_EQ(ReadAll(pics + "/a(0).jpg.xmp"), "whole-name sidecar");
  EXPECT_EQ(ReadAll(pics + "/a(0).xmp"), "stem sidecar");
  EXPECT_EQ(Files().GetCurrent(), pics + "/a(0).jpg");

  session->CopyPicture(Files().GetCurrent(), x);
  const auto now = Snapshot(dir);
  session->RedoStep();
  EXPECT_EQ(Snapshot(dir), now) << "the new step ended what could be done again";
}

TEST_F(UndoTest, AStepThatCannotBeTakenBackIsRefusedAndNothingIsTouched) {
  struct Case {
    const char* what;
    std::function<void()> step;
    std::function<void()> meddle;
    std::string named;
  };
  const std::vector<Case> cases = {
      {"copy changed since", [&] { session->CopyPicture(pics + "/a.jpg", x); },
       [&] { dir.Write("x/a.jpg", "edited"); }, x + "/a.jpg"},
      {"list appended to since",
       [&] {
         session->Temporary().PendingListFiles.push_back(list);
         session->ShowNext();
       },
       [&] { dir.Write("list.txt", ReadAll(list) + "by another program\r\n"); }, list},
      {"moved file gone", [&] { session->MovePicture(pics + "/a.jpg", x); },
       [&] { fs::remove(x + "/a.jpg"); }, x + "/a.jpg"},
  };
  for (const Case& c : cases) {
    session->OpenPath(pics);
    c.step();
    c.meddle();
    const auto meddled = Snapshot(dir);
    try {
      session->UndoStep();
      ADD_FAILURE() << c.what << ": not refused";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.named), std::string::npos) << e.what();
    }
    EXPECT_EQ(view.status, StatusColor::Error) << c.what;
    EXPECT_EQ(Snapshot(dir), meddled) << c.what;
    Reset();
  }
}

TEST_F(UndoTest, AStepCutShortIsSettledFromTheDiskAtTheNextStart) {
  struct Case {
    const char* what;
    std::function<void()> step;
    std::function<void()> carriedOut;  // what the killed program got done; null: nothing
  };
  const std::vector<Case> cases = {
      {"move not done", [&] { session->MovePicture(pics + "/a.jpg", x); }, nullptr},
      {"move done, sidecars not", [&] { session->MovePicture(pics + "/a.jpg", x); },
       [&] { fs::rename(pics + "/a.jpg", x + "/a.jpg"); }},
      {"copy done", [&] { session->CopyPicture(pics + "/a.jpg", x); },
       [&] { fs::copy_file(pics + "/a.jpg", x + "/a.jpg"); }},
      {"list line half written",
       [&] {
         session->Temporary().PendingListFiles.push_back(list);
         session->ShowNext();
       },
       [&] { dir.Write("list.txt", "earlier\r\n" + pics.substr(0, 4)); }},
  };
  for (const Case& c : cases) {
    session->OpenPath(pics);
    const auto before = Snapshot(dir);
    TJournal::StopAfterNextBeginForTesting();
    EXPECT_THROW(c.step(), JournalStoppedForTesting) << c.what;
    if (c.carriedOut) c.carriedOut();
    Start();
    if (!c.carriedOut || std::string(c.what).find("half") != std::string::npos) {
      EXPECT_EQ(Snapshot(dir), before) << c.what << ": taken back at start";
      EXPECT_EQ(session->Journal().History().ToUndo(), nullptr) << c.what;
    } else {
      EXPECT_TRUE(fs::exists(x + "/a.jpg.xmp")) << c.what << ": finished at start";
      session->UndoStep();
      EXPECT_EQ(Snapshot(dir), before) << c.what;
    }
    Reset();
  }
}

TEST_F(UndoTest, AJournalThatCannotBeWrittenStopsTheStep) {
  session->OpenPath(pics);
  const auto before = Snapshot(dir);
  TJournal::SetWriteFailureForTesting(ENOSPC);
  EXPECT_THROW(session->MovePicture(pics + "/a.jpg", x), std::runtime_error);
  TJournal::SetWriteFailureForTesting(0);
  EXPECT_EQ(view.status, StatusColor::Error);
  EXPECT_EQ(Snapshot(dir), before);
  session->MovePicture(pics + "/a.jpg", x);
  EXPECT_TRUE(fs::exists(x + "/a.jpg"));
}

}  // namespace
