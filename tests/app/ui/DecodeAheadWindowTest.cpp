// The main window with pictures decoded ahead: what the cache hands over must be the file as it
// is when shown, the preview and the main window share a decode, closing waits for the worker,
// keys typed while a picture is still being prepared are all handled, in order, and a HEIC's
// thumbnail stands in for it only until its own decode is done.
#include <QFrame>
#include <QLineEdit>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/MainWindow.h"
#include "support/CameraPictureWriter.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// Files changed within the cache's settling time are not decoded ahead; tests wait it out.
void LetFilesSettle() {
  QTest::qWait(150);
}

std::unique_ptr<TForm1> ShownWindow(const TempDir& dir) {
  auto form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get(), 5000)) return nullptr;
  form->resize(504, 404 + form->Edit1->height());
  if (!QTest::qWaitFor([&] { return form->MainPanel->size() == QSize(504, 404); }, 5000))
    return nullptr;
  return form;
}

// A list file naming the pictures in this order (a folder lists them in no set order).
std::string ListOf(const TempDir& dir, const std::string& folder,
                   std::initializer_list<const char*> names) {
  std::string text;
  for (const char* name : names) text += folder + "/" + name + "\r\n";
  return dir.Write("order.txt", text);
}

bool Idle(TForm1& form) {
  return form.DecodeAhead()->WaitIdle(std::chrono::seconds(30));
}

int ShownWidth(TForm1& form) {
  return form.MainPanel->CurrentPicture() ? form.MainPanel->CurrentPicture()->fullWidth : 0;
}

// Enter with text in the input field, queued behind whatever is already waiting.
void QueueEnter(TForm1& form, std::string text) {
  QMetaObject::invokeMethod(
      &form,
      [&form, text] {
        std::uint16_t key = 13;
        form.Session().Dispatcher().Edit1KeyDown(text, key, 0);
      },
      Qt::QueuedConnection);
}

}  // namespace

class DecodeAheadWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void nextPicturesChangedAfterTheirDecodeAreShownAsTheyAreNow() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
      QVERIFY(testsupport::WriteJpeg(pics + "/" + name, 800, 600));
    QVERIFY(testsupport::WriteJpeg(dir / "elsewhere.jpg", 320, 240));
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QVERIFY(form->DecodeAhead()->enabled());

    form->Session().OpenPath(ListOf(dir, pics, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    QVERIFY(Idle(*form));
    QCOMPARE(form->DecodeAhead()->stats().decodes, 2u);          // b and c
    QVERIFY(testsupport::WriteJpeg(pics + "/b.jpg", 640, 480));  // the same file, rewritten
    form->Session().ShowNext();
    QCOMPARE(ShownWidth(*form), 640);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("2/4 640 * 480 ")));

    QVERIFY(Idle(*form));
    fs::remove(pics + "/c.jpg");
    fs::rename(dir / "elsewhere.jpg", pics + "/d.jpg");  // another file moved in its place
    form->Session().ShowNext();
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/d.jpg");
    QCOMPARE(ShownWidth(*form), 320);

    // A picture renamed away after its decode: the list's entry no longer names it.
    LetFilesSettle();
    const std::size_t decodes = form->DecodeAhead()->stats().decodes;
    form->Session().ShowPrevious();
    QCOMPARE(ShownWidth(*form), 640);
    QVERIFY(Idle(*form));
    QCOMPARE(form->DecodeAhead()->stats().decodes, decodes + 1);  // d
    fs::rename(pics + "/d.jpg", pics + "/e.jpg");
    form->Session().ShowNext();
    QCOMPARE(ShownWidth(*form), 640);
    QVERIFY(form->windowTitle().endsWith(QStringLiteral("/b.jpg")));
    form->close();
  }

  void aPngNamedJpgDecodedAheadIsRenamedWhenShown() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    QVERIFY(testsupport::WriteJpeg(pics + "/a.jpg", 800, 600));
    QVERIFY(testsupport::WritePng(pics + "/x.jpg", 300, 200));
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Session().OpenPath(ListOf(dir, pics, {"a.jpg", "x.jpg"}));
    QVERIFY(Idle(*form));
    const std::size_t hits = form->DecodeAhead()->stats().hits;

    form->Session().ShowNext();
    QCOMPARE(form->DecodeAhead()->stats().hits, hits + 1);
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/x.png");
    QVERIFY(fs::exists(pics + "/x.png") && !fs::exists(pics + "/x.jpg"));
    const TCS& c = form->Session().Colors()[StatusColor::IncorrectExtension];
    QCOMPARE(form->Edit1->palette().color(QPalette::Base), QColor(c.Red(), c.Green(), c.Blue()));
    QVERIFY(form->windowTitle().endsWith(QStringLiteral("/x.png")));
    form->close();
  }

  void thePreviewAndTheWindowShareOneDecode() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
      QVERIFY(testsupport::WriteJpeg(pics + "/" + name, 1600, 1200));
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Form2->show();
    form->Session().OpenPath(ListOf(dir, pics, {"a.jpg", "b.jpg", "c.jpg"}));
    QVERIFY(Idle(*form));
    form->Session().ShowNext();
    const std::shared_ptr<const Picture> previewed = form->Form2->Image1()->picture();
    QVERIFY(previewed);
    QVERIFY(Idle(*form));
    form->Session().ShowNext();
    QCOMPARE(form->MainPanel->CurrentPicture().get(), previewed.get());
    QVERIFY(!form->Form2->Image1()->hasPicture());  // the end of the list

    // Each of the three decoded once: by the worker or, when it had not begun, by a miss.
    const TDecodeAhead::Stats s = form->DecodeAhead()->stats();
    QCOMPARE(s.decodes + s.misses, 3u);
    QCOMPARE(s.discarded, 0u);
    form->close();
  }

  void theOwnSizeViewDecodesTheWholePictureAndAsksForTheNextWhole() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    for (const char* name : {"a.jpg", "b.jpg"})
      QVERIFY(testsupport::WriteJpeg(pics + "/" + name, 1600, 1200));
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Session().OpenPath(ListOf(dir, pics, {"a.jpg", "b.jpg"}));
    QVERIFY(form->MainPanel->CurrentPicture()->width < 1600);
    QVERIFY(Idle(*form));
    const std::size_t decodes = form->DecodeAhead()->stats().decodes;

    form->Session().General().OriginalSize = true;
    form->FitPicture();
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 1600);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/2 1600 * 1200 ")));
    QVERIFY(Idle(*form));
    QCOMPARE(form->DecodeAhead()->stats().decodes, decodes + 1);
    const std::size_t hits = form->DecodeAhead()->stats().hits;
    form->RotateClockwise();
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 1200);
    form->Session().ShowNext();
    QCOMPARE(form->DecodeAhead()->stats().hits, hits + 1);
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 1600);
    form->Session().ShowPrevious();  // the step back comes unturned
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 1600);
    form->close();
  }

  void closingWhileADecodeRunsWaitsForIt() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    QVERIFY(testsupport::WriteJpeg(pics + "/a.jpg", 400, 300));
    QVERIFY(testsupport::WritePng(pics + "/b.png", 4000, 3000));
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Session().OpenPath(ListOf(dir, pics, {"a.jpg", "b.png"}));
    QVERIFY(QTest::qWaitFor([&] { return form->DecodeAhead()->stats().decodes == 1; }, 5000));
    QVERIFY(!form->DecodeAhead()->WaitIdle(std::chrono::milliseconds(0)));
    form->close();
    QVERIFY(!form->DecodeAhead());
    QCOMPARE(ShownWidth(*form), 400);
    form.reset();
  }

  void keysTypedDuringASlowDecodeAreAllHandledInOrder() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    const std::string dest = dir.MakeDir("dest");
    QVERIFY(testsupport::WriteJpeg(pics + "/p0.jpg", 400, 300));
    QVERIFY(testsupport::WritePng(pics + "/p1.png", 4000, 3000));
    for (const char* name : {"p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"})
      QVERIFY(testsupport::WriteJpeg(pics + "/" + name, 400, 300));
    dir.Write("conf/head.txt", "a=" + dest + "\r\n");
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Session().OpenPath(
        ListOf(dir, pics, {"p0.jpg", "p1.png", "p2.jpg", "p3.jpg", "p4.jpg", "p5.jpg"}));
    QCOMPARE(form->Session().Files().Index(), 0);

    for (const char* text : {"a", "", "a", "a"}) QueueEnter(*form, text);
    QTRY_COMPARE_WITH_TIMEOUT(form->Session().Files().GetCurrent(), pics + "/p4.jpg", 30000);
    QTest::qWait(50);
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/p4.jpg");
    QVERIFY(fs::exists(dest + "/p0.jpg") && fs::exists(dest + "/p2.jpg") &&
            fs::exists(dest + "/p3.jpg"));
    QVERIFY(fs::exists(pics + "/p1.png") && fs::exists(pics + "/p4.jpg"));
    QVERIFY(!fs::exists(dest + "/p1.png") && !fs::exists(dest + "/p4.jpg"));
    QCOMPARE(ShownWidth(*form), 400);
    form->close();
  }

  void aHeicShowsItsThumbnailUntilItsOwnDecodeReplacesIt() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    const std::string dest = dir.MakeDir("dest");
    testsupport::HeifParams params;
    params.width = 256, params.height = 192, params.thumbnailBox = 64;
    const std::string heic = testsupport::EncodeHeif(params);
    QVERIFY(!heic.empty());
    for (const char* name : {"a.heic", "b.heic"}) dir.Write(std::string("pics/") + name, heic);
    QVERIFY(testsupport::WriteJpeg(pics + "/c.jpg", 320, 240));
    dir.Write("conf/head.txt", "a=" + dest + "\r\n");
    LetFilesSettle();
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Form2->show();
    form->Session().OpenPath(ListOf(dir, pics, {"a.heic", "b.heic", "c.jpg"}));
    // Nothing was decoded ahead of the first picture: its thumbnail shows, captioned as itself.
    QVERIFY(form->MainPanel->ShowsStandIn());
    // So does the preview of the next one, without waiting for its decode, until it is done.
    const auto previewWidth = [&form] { return form->Form2->Image1()->picture()->width; };
    QCOMPARE(previewWidth(), 64);
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 64);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/3 256 * 192 ")));
    form->RotateClockwise();
    QTRY_VERIFY_WITH_TIMEOUT(!form->MainPanel->ShowsStandIn(), 30000);
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 192);  // decoded whole, and still turned
    QCOMPARE(form->MainPanel->CurrentPicture()->height, 256);
    QCOMPARE(form->MainPanel->CurrentPicture()->fullWidth, 192);
    QTRY_COMPARE_WITH_TIMEOUT(previewWidth(), 256, 30000);
    form->Form2->hide();

    // b leaves the screen before its decode ends: it never shows over c.
    QVERIFY(Idle(*form));
    form->DecodeAhead()->Clear();
    form->Session().ShowNext();
    QVERIFY(form->MainPanel->ShowsStandIn());
    form->Session().ShowNext();
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/c.jpg");
    QVERIFY(Idle(*form));
    QTest::qWait(50);
    QCOMPARE(ShownWidth(*form), 320);
    QVERIFY(!form->MainPanel->ShowsStandIn());

    // Sorted while its stand-in shows: moved as any picture is, and c shows for good.
    QVERIFY(Idle(*form));
    form->DecodeAhead()->Clear();
    form->Session().ShowPrevious();
    QVERIFY(form->MainPanel->ShowsStandIn());
    std::uint16_t key = 13;
    form->Session().Dispatcher().Edit1KeyDown("a", key, 0);
    QVERIFY(fs::exists(dest + "/b.heic") && !fs::exists(pics + "/b.heic"));
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/c.jpg");
    QVERIFY(Idle(*form));
    QTest::qWait(50);
    QCOMPARE(ShownWidth(*form), 320);
    form->close();
  }
};

QTEST_MAIN(DecodeAheadWindowTest)

#include "DecodeAheadWindowTest.moc"
