// The sorting session on real folders: opening, presenting, list files, moves and copies,
// resuming, and what bad input does to it. The view decodes with the program's own loader and
// records what the window would show.
#include "app/SortingSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <stdexcept>

#include "support/PictureWriter.h"
#include "support/ReadOnly.h"
#include "support/ShownView.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

using testsupport::ShownView;

namespace {

std::string Name(const std::string& path) {
  return fs::path(path).filename().string();
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A session with its settings in dir/conf.
class SortingSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(); }
  void Start() {
    session.reset();
    session = std::make_unique<TSortingSession>(view, dir / "conf", std::vector<std::string>{},
                                                window, nullptr);
  }
  TFileList& Files() { return session->Files(); }

  // Three 800 x 600 pictures a, b, c in dir/pics; returns the folder.
  std::string ThreePictures() {
    const std::string pics = dir.MakeDir("pics");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      testsupport::WriteJpeg(pics + "/" + name, 800, 600, 80 + name[0] - 'a');
    return pics;
  }

  testsupport::TempDir dir;
  ShownView view;
  WindowSettings window;
  std::unique_ptr<TSortingSession> session;
};

TEST_F(SortingSessionTest, OpensFoldersPicturesListFilesAndNothing) {
  const std::string pics = ThreePictures();
  session->OpenPath(pics);
  EXPECT_EQ(Files().Count(), 3);
  EXPECT_EQ(view.caption, "1/3 800 * 600 /.../pics/" + Name(Files().Entry(0)));
  EXPECT_EQ(view.abortShowings, 1);
  EXPECT_FALSE(view.abortShown);

  session->OpenPath(pics + "//b.jpg");
  EXPECT_EQ(Files().GetCurrent(), pics + "/b.jpg");
  EXPECT_TRUE(EndsWith(view.caption, "/.../pics/b.jpg"));

  const std::string list = dir.Write("keep.txt", pics + "/c.jpg\r\n" + pics + "/a.jpg\r\n");
  session->OpenPath(list);
  EXPECT_EQ(Files().Count(), 2);
  EXPECT_EQ(Files().GetCurrent(), pics + "/c.jpg");
  EXPECT_EQ(view.caption.rfind("1/2 800 * 600 ", 0), 0u);

  const std::string caption = view.caption;
  view.status = StatusColor::Move;
  session->OpenPath(dir / "nothing-here");
  EXPECT_EQ(view.status, StatusColor::Default);
  EXPECT_EQ(view.caption, caption);
  EXPECT_EQ(Files().Source(), list);
  EXPECT_EQ(view.abortShowings, 3);

  const std::string empty = dir.MakeDir("empty");
  session->OpenPath(empty);
  EXPECT_EQ(view.status, StatusColor::Empty);
  EXPECT_EQ(view.caption, "Empty: " + empty);
}

TEST_F(SortingSessionTest, APictureWithTheWrongExtensionIsRenamed) {
  const std::string pics = dir.MakeDir("pics");
  testsupport::WritePng(pics + "/b.jpg", 40, 30);
  session->OpenPath(pics);
  EXPECT_TRUE(fs::exists(pics + "/b.png"));
  EXPECT_FALSE(fs::exists(pics + "/b.jpg"));
  EXPECT_EQ(Files().GetCurrent(), pics + "/b.png");
  EXPECT_EQ(view.status, StatusColor::IncorrectExtension);
  EXPECT_EQ(view.caption, "1/1 40 * 30 /.../pics/b.png");
}

TEST_F(SortingSessionTest, MovesAndCopiesWithEveryOutcome) {
  const std::string pics = ThreePictures();
  session->OpenPath(pics + "/a.jpg");
  session->OpenPath(pics);  // the file system order, whatever it is
  const std::vector<std::string> order = Files().Entries();

  const std::string plain = dir.MakeDir("plain");
  session->MovePicture(order[0], plain);
  EXPECT_TRUE(fs::exists(plain + "/" + Name(order[0])));
  EXPECT_FALSE(fs::exists(order[0]));
  EXPECT_EQ(view.status, StatusColor::Move);
  EXPECT_EQ(Files().Entry(0), plain + "/" + Name(order[0]));
  EXPECT_EQ(Files().GetCurrent(), order[1]);
  EXPECT_EQ(view.caption.rfind("2/3 ", 0), 0u);

  const std::string taken = dir.MakeDir("taken");
  dir.Write("taken/" + Name(order[1]), "another file");
  session->MovePicture(order[1], taken);
  const std::string stem = fs::path(order[1]).stem().string();
  EXPECT_TRUE(fs::exists(taken + "/" + stem + "(0).jpg"));
  EXPECT_EQ(Files().Entry(1), taken + "/" + stem + "(0).jpg");
  EXPECT_EQ(Files().GetCurrent(), order[2]);

  const std::string same = dir.MakeDir("same");
  dir.Write("same/" + Name(order[2]), "different");
  fs::copy_file(order[2], same + "/" + fs::path(order[2]).stem().string() + "(0).jpg");
  session->MovePicture(order[2], same);
  EXPECT_EQ(view.status, StatusColor::SameFile);
  EXPECT_TRUE(fs::exists(order[2]));
  EXPECT_EQ(Files().GetCurrent(), order[2]);

  const std::string gone = dir.MakeDir("gone");
  fs::remove(gone);
  session->MovePicture(order[2], gone);
  EXPECT_EQ(view.status, StatusColor::Error);
  EXPECT_TRUE(fs::exists(order[2]));

  const std::string caption = view.caption;
  const std::string copies = dir.MakeDir("copies");
  session->CopyPicture(order[2], copies);
  EXPECT_EQ(view.status, StatusColor::Copy);
  EXPECT_TRUE(fs::exists(copies + "/" + Name(order[2])));
  EXPECT_EQ(Files().Count(), 4);
  EXPECT_EQ(Files().GetCurrent(), order[2]);
  EXPECT_EQ(view.caption, caption);

  // The last picture moved: the step lands on it again, now at its destination.
  const std::string last = dir.MakeDir("last");
  session->MovePicture(order[2], last);
  EXPECT_EQ(view.status, StatusColor::Move);
  EXPECT_EQ(Files().GetCurrent(), last + "/" + Name(order[2]));
  EXPECT_EQ(view.caption, "4/4 800 * 600 /.../last/" + Name(order[2]));

  session->ShowNext();
  EXPECT_EQ(Files().Index(), 3);
  session->PresentPicture(Files().GoHead());
  session->ShowPrevious();
  EXPECT_EQ(Files().Index(), 0);
  EXPECT_EQ(view.caption.rfind("1/4 ", 0), 0u);

  // No current entry: the operation fails with the Error colour.
  session->MovePicture("", plain);
  EXPECT_EQ(view.status, StatusColor::Error);
}

TEST_F(SortingSessionTest, ListFilesReceiveThePictureLeft) {
  const std::string pics = ThreePictures();
  const std::string lists = dir.MakeDir("lists");
  TTemporaryManager& temporary = session->Temporary();
  session->OpenPath(pics + "/a.jpg");
  temporary.PendingListFiles = {lists + "/keep.txt", lists + "/keep.txt"};
  session->ShowNext();
  const std::string a = pics + "/a.jpg\r\n";
  EXPECT_EQ(testsupport::ReadAll(lists + "/keep.txt"), a + a);
  EXPECT_TRUE(temporary.PendingListFiles.empty());

  session->General().RelativePath = true;
  const std::string current = Files().GetCurrent();
  temporary.PendingListFiles = {lists + "/rel.txt"};
  session->ShowNext();
  EXPECT_EQ(testsupport::ReadAll(lists + "/rel.txt"), "../pics/" + Name(current) + "\r\n");

  // A broken next picture still takes the picture left away with it.
  const std::string left = Files().GetCurrent();
  temporary.PendingListFiles = {lists + "/broken.txt"};
  Files().InsertBeforeCurrent(dir.Write("pics/zz.jpg", "not a picture"));
  session->PresentPicture(Files().GoTo(Files().Index() - 1));
  EXPECT_EQ(testsupport::ReadAll(lists + "/broken.txt"), "../pics/" + Name(left) + "\r\n");

  // Closing writes the picture on screen into its pending list file.
  session->General().RelativePath = false;
  const std::string onScreen = Files().GetCurrent();
  temporary.PendingListFiles = {lists + "/close.txt"};
  EXPECT_TRUE(session->Close(window).empty());
  EXPECT_EQ(testsupport::ReadAll(lists + "/close.txt"), onScreen + "\r\n");
}

TEST_F(SortingSessionTest, AnUnwritableListFileIsReportedAndTheRestWaits) {
  const std::string pics = ThreePictures();
  const std::string locked = dir.MakeDir("locked");
  testsupport::ReadOnlyGuard readOnly(locked);
  if (!readOnly.ok()) GTEST_SKIP() << "no read-only folders here";
  session->OpenPath(pics + "/a.jpg");
  const std::vector<std::string> pending = {dir / "first.txt", locked + "/bad.txt",
                                            dir / "after.txt"};
  session->Temporary().PendingListFiles = pending;
  try {
    session->ShowNext();
    ADD_FAILURE() << "no error reported";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(locked + "/bad.txt"), std::string::npos) << e.what();
  }
  EXPECT_EQ(testsupport::ReadAll(dir / "first.txt"), pics + "/a.jpg\r\n");
  EXPECT_FALSE(fs::exists(dir / "after.txt"));
  EXPECT_EQ(session->Temporary().PendingListFiles,
            (std::vector<std::string>{pending[1], pending[2]}));
  // The session went on: the next picture is on screen with its caption.
  EXPECT_NE(Files().GetCurrent(), pics + "/a.jpg");
  EXPECT_TRUE(EndsWith(view.caption, Name(Files().GetCurrent())));

  // At closing the error is reported too, and the rest of the shutdown goes on.
  EXPECT_EQ(session->Close(window).size(), 1u);
  EXPECT_EQ(testsupport::ReadAll(dir / "first.txt"), pics + "/a.jpg\r\n");
  EXPECT_FALSE(fs::exists(dir / "after.txt"));
  EXPECT_TRUE(fs::exists(session->SettingsPath()));
}

TEST_F(SortingSessionTest, EveryOrderRecordsThePictureLeftOnce) {
  const std::string pics = ThreePictures();
  const std::string keep = dir / "keep.txt";
  const struct {
    const char* name;
    void (TSortingSession::*order)();
  } orders[] = {{"build", &TSortingSession::ShowInBuildOrder},
                {"ascending", &TSortingSession::ShowAscending},
                {"descending", &TSortingSession::ShowDescending},
                {"shuffled", &TSortingSession::ShowShuffled}};
  // Right after opening the list's previous path is empty; after a step it names the picture
  // before the one on screen. Neither may reach the list file, nor the picture twice.
  for (const auto& o : orders) {
    for (const bool stepFirst : {false, true}) {
      fs::remove(keep);
      session->OpenPath(pics);
      if (stepFirst) session->ShowNext();
      const std::string onScreen = Files().GetCurrent();
      session->Temporary().PendingListFiles = {keep};
      (session.get()->*o.order)();
      EXPECT_EQ(Files().Index(), 0) << o.name;
      EXPECT_EQ(view.caption.rfind("1/3 ", 0), 0u) << o.name;
      session->ShowNext();
      EXPECT_EQ(testsupport::ReadAll(keep), onScreen + "\r\n") << o.name << stepFirst;
    }
  }
}

TEST_F(SortingSessionTest, ResumesWhereThePreviousRunEnded) {
  const std::string pics = ThreePictures();
  const std::string list = dir.Write("keep.txt", pics + "/a.jpg\r\n" + pics + "/b.jpg\r\n");
  dir.Write("conf/sortivo.ini",
            "[Main]\nLastDirectory=" + list + "\nLastFile=" + pics + "/b.jpg\n");
  Start();
  session->Resume();
  EXPECT_EQ(Files().Source(), list);
  EXPECT_EQ(Files().GetCurrent(), pics + "/b.jpg");
  EXPECT_EQ(view.caption.rfind("2/2 ", 0), 0u);
  session->Close(window);

  // The last picture moved away by hand: its folder opens at its first picture.
  dir.Write("conf/sortivo.ini",
            "[Main]\nLastDirectory=" + pics + "\nLastFile=" + pics + "/gone.jpg\n");
  Start();
  session->Resume();
  EXPECT_EQ(Files().Source(), pics);
  EXPECT_EQ(Files().Index(), 0);
  EXPECT_EQ(view.caption.rfind("1/3 ", 0), 0u);
}

TEST_F(SortingSessionTest, BadInputLeavesTheSessionUsable) {
  const std::string broken = dir.MakeDir("broken");
  for (const char* name : {"a.jpg", "b.png", "c.gif"})
    dir.Write(std::string("broken/") + name, std::string("\xFF\xD8\xFF\xE0 not really", 14));
  session->OpenPath(broken);
  EXPECT_EQ(Files().Count(), 3);
  EXPECT_EQ(view.caption, "");
  session->ShowNext();
  session->ShowNext();
  EXPECT_EQ(Files().Index(), 2);

  // Deleted between listing and showing: the step goes past it.
  const std::string pics = ThreePictures();
  session->OpenPath(pics);
  const std::string second = Files().Entry(1);
  const std::string third = Files().Entry(2);
  fs::remove(second);
  session->ShowNext();
  EXPECT_EQ(Files().GetCurrent(), third);
  EXPECT_EQ(view.caption.rfind("2/2 ", 0), 0u);

  // A read-only destination: Error, nothing lost.
  const std::string locked = dir.MakeDir("locked");
  testsupport::ReadOnlyGuard readOnly(locked);
  if (readOnly.ok()) {
    session->MovePicture(third, locked);
    EXPECT_EQ(view.status, StatusColor::Error);
    EXPECT_TRUE(fs::exists(third));
    EXPECT_EQ(Files().GetCurrent(), third);
    EXPECT_TRUE(fs::is_empty(locked));
  }
}

}  // namespace
