// The main window as a viewer: opening, presenting, the viewport, list files, moves and copies,
// resuming, and what bad input does to it. Runs under TApplication so that errors reach the
// top-level report, which records them here instead of showing a box.
#include <QFrame>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "files/MainLib.h"
#include "support/PictureWriter.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

QStringList& Reported() {
  static QStringList errors;
  return errors;
}

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A window with its settings in dir/conf, shown, its picture area 504 x 404.
std::unique_ptr<TForm1> ShownWindow(const TempDir& dir, std::vector<std::string> args = {}) {
  auto form = std::make_unique<TForm1>(dir / "conf", std::move(args));
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get(), 5000)) return nullptr;
  form->resize(504, 404 + form->Edit1->height());
  if (!QTest::qWaitFor([&] { return form->MainPanel->size() == QSize(504, 404); }, 5000))
    return nullptr;
  return form;
}

QColor StatusOf(TForm1& form) {
  return form.Edit1->palette().color(QPalette::Base);
}

QColor Expected(TForm1& form, StatusColor status) {
  const TCS& c = form.Colors()[status];
  return QColor(c.Red(), c.Green(), c.Blue());
}

// Three 800 x 600 pictures a, b, c in dir/pics; returns the folder.
std::string ThreePictures(const TempDir& dir) {
  const std::string pics = dir.MakeDir("pics");
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
    testsupport::WriteJpeg(pics + "/" + name, 800, 600, 80 + name[0] - 'a');
  return pics;
}

// As the system sends it: the second release comes after the double-click.
void DoubleClick(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseDClick(widget, button, {}, at);
  QTest::mouseRelease(widget, button, {}, at);
}

void Drop(QWidget* widget, const QMimeData& mime) {
  QDragEnterEvent enter(QPoint(10, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(widget, &enter);
  QDropEvent drop(QPointF(10, 100), Qt::CopyAction, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(widget, &drop);
}

}  // namespace

class ViewerTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { Reported().clear(); }

  void opensFoldersPicturesListFilesAndNothing() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    auto form = ShownWindow(dir);
    QVERIFY(form);

    form->OpenPath(pics);
    QCOMPARE(form->Files().Count(), 3);
    const std::string first = form->Files().Entry(0);
    QCOMPARE(form->windowTitle(),
             QStringLiteral("1/3 800 * 600 /.../pics/") + Q(fs::path(first).filename().string()));
    QCOMPARE(form->Image1->pictureSize().width, 800);
    QVERIFY(form->BitBtn2->isHidden());

    form->OpenPath(pics + "//b.jpg");
    QCOMPARE(form->Files().GetCurrent(), pics + "/b.jpg");
    QVERIFY(form->windowTitle().endsWith(QStringLiteral("/.../pics/b.jpg")));

    const std::string list = dir.Write("keep.txt", pics + "/c.jpg\r\n" + pics + "/a.jpg\r\n");
    form->OpenPath(list);
    QCOMPARE(form->Files().Count(), 2);
    QCOMPARE(form->Files().GetCurrent(), pics + "/c.jpg");
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/2 800 * 600 ")));

    const QString title = form->windowTitle();
    form->SetStatusColor(StatusColor::Move);
    form->OpenPath(dir / "nothing-here");
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Default));
    QCOMPARE(form->windowTitle(), title);
    QCOMPARE(form->Files().Source(), list);

    const std::string empty = dir.MakeDir("empty");
    form->OpenPath(empty);
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Empty));
    QCOMPARE(form->windowTitle(), QStringLiteral("Empty: ") + Q(empty));
    form->close();
  }

  void firstArgumentOpensOnceAfterShowing() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    auto form =
        std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{pics + "/c.jpg", pics});
    QCOMPARE(form->Files().Count(), 0);
    form->show();
    QTRY_COMPARE_WITH_TIMEOUT(form->Files().GetCurrent(), pics + "/c.jpg", 5000);
    form->ShowPrevious();
    const std::string shown = form->Files().GetCurrent();
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(form.get(), &activation);
    QTest::qWait(50);
    QCOMPARE(form->Files().GetCurrent(), shown);
    QCOMPARE(form->Temporary().GetSlot(Slot::PendingArguments), 0);
    form->close();
  }

  void aPictureWithTheWrongExtensionIsRenamed() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    testsupport::WritePng(pics + "/b.jpg", 40, 30);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics);
    QVERIFY(fs::exists(pics + "/b.png"));
    QVERIFY(!fs::exists(pics + "/b.jpg"));
    QCOMPARE(form->Files().GetCurrent(), pics + "/b.png");
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::IncorrectExtension));
    QCOMPARE(form->windowTitle(), QStringLiteral("1/1 40 * 30 /.../pics/b.png"));
    form->close();
  }

  void viewportGeometryInTheWindow() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    testsupport::WritePng(pics + "/wide.png", 1000, 500);
    testsupport::WritePng(pics + "/small.png", 100, 100);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics + "/wide.png");
    QCOMPARE(form->Image1->geometry(), QRect(0, 75, 500, 250));
    QVERIFY(form->Image1->stretch());

    // A double-click switches to the original size and back.
    DoubleClick(form->MainPanel, QPoint(250, 200));
    QVERIFY(form->General().OriginalSize);
    QCOMPARE(form->Image1->geometry(), QRect(-250, 0, 1000, 500));
    form->ScrollByHalfPanel(ScrollDirection::Left);
    QCOMPARE(form->Image1->x(), -248);  // stops at the centred position
    DoubleClick(form->MainPanel, QPoint(250, 200));
    QVERIFY(!form->General().OriginalSize);
    QCOMPARE(form->Image1->geometry(), QRect(0, 75, 500, 250));
    // The other buttons' double-clicks leave the size alone.
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
      DoubleClick(form->MainPanel, QPoint(250, 200), button);
      QVERIFY(!form->General().OriginalSize);
    }

    // A click in the right third shows the right edge; a drag moves by the pointer's travel.
    QTest::mouseClick(form->MainPanel, Qt::LeftButton, {}, QPoint(450, 30));
    QCOMPARE(form->Image1->geometry().topLeft(), QPoint(4, 0));
    QTest::mousePress(form->MainPanel, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(form->MainPanel, Qt::LeftButton, {}, QPoint(130, 90));
    QCOMPARE(form->Image1->geometry().topLeft(), QPoint(34, -10));

    form->PresentPicture(form->Files().Locate(pics + "/small.png"));
    QCOMPARE(form->Image1->geometry(), QRect(200, 150, 100, 100));
    QVERIFY(!form->Image1->stretch());
    QWheelEvent wheel(QPointF(10, 10), form->MainPanel->mapToGlobal(QPointF(10, 10)), {},
                      QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form->MainPanel, &wheel);
    QCOMPARE(form->Image1->y(), 150 + form->General().ScrollRate);

    // A left click while the right button is held opens the preview of the next picture.
    QVERIFY(!form->Form2->isVisible());
    QTest::mousePress(form->MainPanel, Qt::RightButton, {}, QPoint(20, 20));
    QTest::mousePress(form->MainPanel, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(form->MainPanel, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(form->MainPanel, Qt::RightButton, {}, QPoint(20, 20));
    QVERIFY(form->Form2->isVisible());
    QCOMPARE(form->Form2->Image1()->hasPicture(), !form->Files().PeekNext().empty());
    QVERIFY(!form->Temporary().RightButtonHeld);
    form->resize(504, 54 + form->Edit1->height());
    QTRY_COMPARE_WITH_TIMEOUT(form->Image1->geometry(), QRect(225, 0, 50, 50), 5000);
    form->resize(504, 2 + form->Edit1->height());
    QTRY_COMPARE_WITH_TIMEOUT(form->MainPanel->height(), 2, 5000);
    QCOMPARE(form->Image1->geometry(), QRect(225, 0, 50, 50));  // nowhere to fit: left alone
    form->close();
  }

  void aLargePictureIsDecodedForTheAreaAndSharpenedWhenShownLarger() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    testsupport::WriteJpeg(pics + "/big.jpg", 2000, 1000);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics);
    QCOMPARE(form->windowTitle(), QStringLiteral("1/1 2000 * 1000 /.../pics/big.jpg"));
    QCOMPARE(form->Image1->geometry(), QRect(0, 75, 500, 250));
    QVERIFY(form->CurrentPicture()->width < 2000);
    QVERIFY(form->CurrentPicture()->width >= 500);

    form->RotateClockwise();
    form->FitPicture();
    QCOMPARE(form->Image1->geometry(), QRect(150, 0, 200, 400));
    DoubleClick(form->MainPanel, QPoint(100, 100));
    QCOMPARE(form->CurrentPicture()->width, 1000);  // turned, and at full size
    QCOMPARE(form->CurrentPicture()->height, 2000);
    QCOMPARE(form->Image1->geometry(), QRect(-250, 0, 1000, 2000));
    form->close();
  }

  void movesAndCopiesWithEveryOutcome() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics + "/a.jpg");
    form->OpenPath(pics);  // the file system order, whatever it is
    const std::vector<std::string> order = form->Files().Entries();
    auto name = [](const std::string& p) { return fs::path(p).filename().string(); };

    const std::string plain = dir.MakeDir("plain");
    form->MovePicture(order[0], plain);
    QVERIFY(fs::exists(plain + "/" + name(order[0])));
    QVERIFY(!fs::exists(order[0]));
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Move));
    QCOMPARE(form->Files().Entry(0), plain + "/" + name(order[0]));
    QCOMPARE(form->Files().GetCurrent(), order[1]);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("2/3 ")));

    const std::string taken = dir.MakeDir("taken");
    dir.Write("taken/" + name(order[1]), "another file");
    form->MovePicture(order[1], taken);
    const std::string stem = fs::path(order[1]).stem().string();
    QVERIFY(fs::exists(taken + "/" + stem + "(0).jpg"));
    QCOMPARE(form->Files().Entry(1), taken + "/" + stem + "(0).jpg");
    QCOMPARE(form->Files().GetCurrent(), order[2]);

    const std::string same = dir.MakeDir("same");
    dir.Write("same/" + name(order[2]), "different");
    fs::copy_file(order[2], same + "/" + fs::path(order[2]).stem().string() + "(0).jpg");
    form->MovePicture(order[2], same);
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::SameFile));
    QVERIFY(fs::exists(order[2]));
    QCOMPARE(form->Files().GetCurrent(), order[2]);

    const std::string gone = dir.MakeDir("gone");
    fs::remove(gone);
    form->MovePicture(order[2], gone);
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Error));
    QVERIFY(fs::exists(order[2]));

    const QString title = form->windowTitle();
    const std::string copies = dir.MakeDir("copies");
    form->CopyPicture(order[2], copies);
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Copy));
    QVERIFY(fs::exists(copies + "/" + name(order[2])));
    QCOMPARE(form->Files().Count(), 4);
    QCOMPARE(form->Files().GetCurrent(), order[2]);
    QCOMPARE(form->windowTitle(), title);

    // The last picture moved: the step lands on it again, now at its destination.
    const std::string last = dir.MakeDir("last");
    form->MovePicture(order[2], last);
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Move));
    QCOMPARE(form->Files().GetCurrent(), last + "/" + name(order[2]));
    QCOMPARE(form->windowTitle(), QStringLiteral("4/4 800 * 600 /.../last/") + Q(name(order[2])));

    form->ShowNext();
    QCOMPARE(form->Files().Index(), 3);
    form->PresentPicture(form->Files().GoHead());
    form->ShowPrevious();
    QCOMPARE(form->Files().Index(), 0);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/4 ")));

    // No current entry: the operation fails with the Error colour.
    form->MovePicture("", plain);
    QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Error));
    form->close();
  }

  void listFilesReceiveThePictureLeft() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    const std::string lists = dir.MakeDir("lists");
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics + "/a.jpg");
    form->Temporary().PendingListFiles = {lists + "/keep.txt", lists + "/keep.txt"};
    form->ShowNext();
    const std::string a = pics + "/a.jpg\r\n";
    QCOMPARE(testsupport::ReadAll(lists + "/keep.txt"), a + a);
    QVERIFY(form->Temporary().PendingListFiles.empty());

    form->General().RelativePath = true;
    const std::string current = form->Files().GetCurrent();
    form->Temporary().PendingListFiles = {lists + "/rel.txt"};
    form->ShowNext();
    QCOMPARE(testsupport::ReadAll(lists + "/rel.txt"),
             "../pics/" + fs::path(current).filename().string() + "\r\n");

    // A broken next picture still takes the picture left away with it.
    const std::string left = form->Files().GetCurrent();
    form->Temporary().PendingListFiles = {lists + "/broken.txt"};
    form->Files().InsertBeforeCurrent(dir.Write("pics/zz.jpg", "not a picture"));
    form->PresentPicture(form->Files().GoTo(form->Files().Index() - 1));
    QCOMPARE(testsupport::ReadAll(lists + "/broken.txt"),
             "../pics/" + fs::path(left).filename().string() + "\r\n");

    // Closing writes the picture on screen into its pending list file.
    form->General().RelativePath = false;
    const std::string onScreen = form->Files().GetCurrent();
    form->Temporary().PendingListFiles = {lists + "/close.txt"};
    QVERIFY(form->close());
    QCOMPARE(testsupport::ReadAll(lists + "/close.txt"), onScreen + "\r\n");
  }

  void ordersRecordThePictureOnScreenOnce() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics + "/a.jpg");
    // Right after opening the list's previous path is empty, later it is the picture before.
    for (auto order : {&TForm1::Default2Click, &TForm1::Ascending2Click, &TForm1::Descending2Click,
                       &TForm1::Shuffle2Click}) {
      const std::string onScreen = form->Files().GetCurrent();
      form->Temporary().PendingListFiles = {dir / "keep.txt"};
      (form.get()->*order)();
      form->ShowNext();
      QCOMPARE(testsupport::ReadAll(dir / "keep.txt"), onScreen + "\r\n");
      fs::remove(dir / "keep.txt");
    }
    form->close();
  }

  void anUnwritableListFileIsReportedAndTheRestWaits() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    const std::string locked = dir.MakeDir("locked");
    testsupport::ReadOnlyGuard readOnly(locked);
    if (!readOnly.ok()) QSKIP("no read-only folders here");
    TApplication::SetErrorReporter([](const QString& text) { Reported() << text; });
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(pics + "/a.jpg");
    const std::vector<std::string> pending = {dir / "first.txt", locked + "/bad.txt",
                                              dir / "after.txt"};
    form->Temporary().PendingListFiles = pending;
    QMetaObject::invokeMethod(
        form.get(), [&form] { form->ShowNext(); }, Qt::QueuedConnection);
    QTRY_COMPARE_WITH_TIMEOUT(Reported().size(), 1, 5000);
    QVERIFY(Reported()[0].contains(Q(locked + "/bad.txt")));
    QCOMPARE(testsupport::ReadAll(dir / "first.txt"), pics + "/a.jpg\r\n");
    QVERIFY(!fs::exists(dir / "after.txt"));
    QCOMPARE(form->Temporary().PendingListFiles,
             (std::vector<std::string>{pending[1], pending[2]}));
    // The program went on: the next picture is on screen with its caption.
    QVERIFY(form->Files().GetCurrent() != pics + "/a.jpg");
    QVERIFY(
        form->windowTitle().endsWith(Q(fs::path(form->Files().GetCurrent()).filename().string())));

    // At closing the error is reported too, and the window still closes.
    QVERIFY(form->close());
    QCOMPARE(Reported().size(), 2);
    QCOMPARE(testsupport::ReadAll(dir / "first.txt"), pics + "/a.jpg\r\n");
    QVERIFY(fs::exists(dir / "after.txt") == false);
    TApplication::SetErrorReporter(nullptr);
  }

  void resumesWhereThePreviousRunEnded() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    const std::string list = dir.Write("keep.txt", pics + "/a.jpg\r\n" + pics + "/b.jpg\r\n");
    dir.Write("conf/sortivo.ini",
              "[Main]\nLastDirectory=" + list + "\nLastFile=" + pics + "/b.jpg\n");
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Resume1Click();
    QCOMPARE(form->Files().Source(), list);
    QCOMPARE(form->Files().GetCurrent(), pics + "/b.jpg");
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("2/2 ")));
    form->close();

    // The last picture moved away by hand: its folder opens at its first picture.
    dir.Write("conf/sortivo.ini",
              "[Main]\nLastDirectory=" + pics + "\nLastFile=" + pics + "/gone.jpg\n");
    form = ShownWindow(dir);
    QVERIFY(form);
    form->Resume1Click();
    QCOMPARE(form->Files().Source(), pics);
    QCOMPARE(form->Files().Index(), 0);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/3 ")));
    form->close();
  }

  void badInputLeavesTheWindowUsable() {
    TempDir dir;
    const std::string broken = dir.MakeDir("broken");
    for (const char* name : {"a.jpg", "b.png", "c.gif"})
      dir.Write(std::string("broken/") + name, std::string("\xFF\xD8\xFF\xE0 not really", 14));
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->OpenPath(broken);
    QCOMPARE(form->Files().Count(), 3);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("Sortivo")));
    form->ShowNext();
    form->ShowNext();
    QCOMPARE(form->Files().Index(), 2);

    // Deleted between listing and showing: the step goes past it.
    const std::string pics = ThreePictures(dir);
    form->OpenPath(pics);
    const std::string second = form->Files().Entry(1);
    const std::string third = form->Files().Entry(2);
    fs::remove(second);
    form->ShowNext();
    QCOMPARE(form->Files().GetCurrent(), third);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("2/2 ")));

    // A read-only destination: Error, nothing lost.
    const std::string locked = dir.MakeDir("locked");
    testsupport::ReadOnlyGuard readOnly(locked);
    if (readOnly.ok()) {
      form->MovePicture(third, locked);
      QCOMPARE(StatusOf(*form), Expected(*form, StatusColor::Error));
      QVERIFY(fs::exists(third));
      QCOMPARE(form->Files().GetCurrent(), third);
      QVERIFY(fs::is_empty(locked));
    }
    form->close();
  }

  void dropsOpenTheFirstItemUnlessThePanelTakesIt() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QMimeData mime;
    mime.setUrls(
        {QUrl::fromLocalFile(Q(pics + "/b.jpg")), QUrl::fromLocalFile(Q(pics + "/c.jpg"))});
    Drop(form.get(), mime);
    QCOMPARE(form->Files().GetCurrent(), pics + "/b.jpg");

    // A path longer than 255 bytes arrives whole.
    const std::string deep = dir.MakeDir(std::string(200, 'd'));
    testsupport::WriteJpeg(deep + "/" + std::string(100, 'p') + ".jpg", 20, 10);
    mime.setUrls({QUrl::fromLocalFile(Q(deep + "/" + std::string(100, 'p') + ".jpg"))});
    Drop(form.get(), mime);
    QCOMPARE(form->Files().Source(), deep);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/1 20 * 10 ")));

    std::string taken;
    form->SetKeyPanelDropHandler([&taken](const std::string& path, const QPoint&) {
      taken = path;
      return true;
    });
    mime.setUrls({QUrl::fromLocalFile(Q(pics))});
    Drop(form.get(), mime);
    QCOMPARE(taken, pics);
    QCOMPARE(form->Files().Source(), deep);

    std::string shown;
    form->SetFolderOpener([&shown](const std::string& folder) { shown = folder; });
    form->Open1Click();
    QCOMPARE(shown, deep);
    form->close();
  }

  void theOrdersAndThePreview() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    dir.Write("conf/sortivo.ini", "[Preview]\nVisible=1\nLeft=5\nTop=5\nWidth=200\nHeight=150\n");
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QVERIFY(form->Form2->isVisible());
    form->OpenPath(pics);
    form->Descending2Click();
    QCOMPARE(form->Files().GetCurrent(), pics + "/c.jpg");
    QVERIFY(form->Form2->Image1()->hasPicture());  // b comes next
    form->Ascending2Click();
    QCOMPARE(form->Files().GetCurrent(), pics + "/a.jpg");
    form->PresentPicture(form->Files().GoTail());
    QVERIFY(!form->Form2->Image1()->hasPicture());  // nothing after the last
    form->Default2Click();
    QCOMPARE(form->Files().Index(), 0);
    QVERIFY(form->BitBtn2->isHidden());
    form->Shuffle2Click();
    QCOMPARE(form->Files().Count(), 3);
    form->close();
  }

  void theAbortButtonStopsALongBuildAndClosingWaitsForIt() {
    TempDir dir;
    const std::string many = dir.MakeDir("many");
    for (int i = 0; i < 5000; ++i) dir.Write("many/p" + std::to_string(i) + ".jpg", "");
    auto form = ShownWindow(dir);
    QVERIFY(form);
    bool shownDuringBuild = false;
    QTimer::singleShot(0, form.get(), [&] {
      shownDuringBuild = form->BitBtn2->isVisible();
      form->BitBtn2->click();
    });
    form->OpenPath(many);
    QVERIFY(shownDuringBuild);
    QVERIFY(form->BitBtn2->isHidden());
    QVERIFY(form->Files().Count() > 0);
    QVERIFY(form->Files().Count() < 5000);
    QCOMPARE(form->Files().Source(), many);

    // A close arriving during a build stops it; the window closes once the build has ended.
    QTimer::singleShot(0, form.get(), [&] { form->close(); });
    form->Default2Click();
    QVERIFY(form->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
  }

  void anUnreadableKeyMapFileIsReported() {
    TempDir dir;
    const std::string big = dir / "huge.txt";
    fs::resize_file(dir.Write("huge.txt", ""), TKeyMap::kMaxFileBytes + 1);
    dir.Write("conf/sortivo.ini", "[KeyMap]\nHead=" + big + "\n");
    TApplication::SetErrorReporter([](const QString& text) { Reported() << text; });
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QTRY_COMPARE_WITH_TIMEOUT(Reported().size(), 1, 5000);
    QVERIFY(Reported()[0].contains(Q(big)));
    form->close();
    TApplication::SetErrorReporter(nullptr);
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
  ViewerTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "ViewerTest.moc"
