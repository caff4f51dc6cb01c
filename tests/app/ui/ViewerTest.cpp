// The main window as a viewer: the first argument, the viewport, drops, the menu's orders, the
// abort button and the preview, wired to the sorting session. Runs under TApplication so that
// errors reach the top-level report, which records them here instead of showing a box.
#include <QFrame>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
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

  void firstArgumentOpensOnceAfterShowing() {
    TempDir dir;
    const std::string pics = ThreePictures(dir);
    auto form =
        std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{pics + "/c.jpg", pics});
    QCOMPARE(form->Session().Files().Count(), 0);
    form->show();
    QTRY_COMPARE_WITH_TIMEOUT(form->Session().Files().GetCurrent(), pics + "/c.jpg", 5000);
    form->Session().ShowPrevious();
    const std::string shown = form->Session().Files().GetCurrent();
    QEvent activation(QEvent::ActivationChange);
    QCoreApplication::sendEvent(form.get(), &activation);
    QTest::qWait(50);
    QCOMPARE(form->Session().Files().GetCurrent(), shown);
    QCOMPARE(form->Session().Temporary().GetSlot(Slot::PendingArguments), 0);
    form->close();
  }

  void viewportGeometryInTheWindow() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    testsupport::WritePng(pics + "/wide.png", 1000, 500);
    testsupport::WritePng(pics + "/small.png", 100, 100);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->Session().OpenPath(pics + "/wide.png");
    QCOMPARE(form->Image1->geometry(), QRect(0, 75, 500, 250));
    QVERIFY(form->Image1->stretch());

    // A double-click switches to the original size and back.
    DoubleClick(form->MainPanel, QPoint(250, 200));
    QVERIFY(form->Session().General().OriginalSize);
    QCOMPARE(form->Image1->geometry(), QRect(-250, 0, 1000, 500));
    form->ScrollByHalfPanel(ScrollDirection::Left);
    QCOMPARE(form->Image1->x(), -248);  // stops at the centred position
    DoubleClick(form->MainPanel, QPoint(250, 200));
    QVERIFY(!form->Session().General().OriginalSize);
    QCOMPARE(form->Image1->geometry(), QRect(0, 75, 500, 250));
    // The other buttons' double-clicks leave the size alone.
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
      DoubleClick(form->MainPanel, QPoint(250, 200), button);
      QVERIFY(!form->Session().General().OriginalSize);
    }

    // A click in the right third shows the right edge; a drag moves by the pointer's travel.
    QTest::mouseClick(form->MainPanel, Qt::LeftButton, {}, QPoint(450, 30));
    QCOMPARE(form->Image1->geometry().topLeft(), QPoint(4, 0));
    QTest::mousePress(form->MainPanel, Qt::LeftButton, {}, QPoint(100, 100));
    QTest::mouseRelease(form->MainPanel, Qt::LeftButton, {}, QPoint(130, 90));
    QCOMPARE(form->Image1->geometry().topLeft(), QPoint(34, -10));

    form->Session().PresentPicture(form->Session().Files().Locate(pics + "/small.png"));
    QCOMPARE(form->Image1->geometry(), QRect(200, 150, 100, 100));
    QVERIFY(!form->Image1->stretch());
    QWheelEvent wheel(QPointF(10, 10), form->MainPanel->mapToGlobal(QPointF(10, 10)), {},
                      QPoint(0, 120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(form->MainPanel, &wheel);
    QCOMPARE(form->Image1->y(), 150 + form->Session().General().ScrollRate);

    // A left click while the right button is held opens the preview of the next picture.
    QVERIFY(!form->Form2->isVisible());
    QTest::mousePress(form->MainPanel, Qt::RightButton, {}, QPoint(20, 20));
    QTest::mousePress(form->MainPanel, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(form->MainPanel, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseRelease(form->MainPanel, Qt::RightButton, {}, QPoint(20, 20));
    QVERIFY(form->Form2->isVisible());
    QCOMPARE(form->Form2->Image1()->hasPicture(), !form->Session().Files().PeekNext().empty());
    QVERIFY(!form->Session().Temporary().RightButtonHeld);
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
    form->Session().OpenPath(pics);
    QCOMPARE(form->windowTitle(), QStringLiteral("1/1 2000 * 1000 /.../pics/big.jpg"));
    QCOMPARE(form->Image1->geometry(), QRect(0, 75, 500, 250));
    QVERIFY(form->MainPanel->CurrentPicture()->width < 2000);
    QVERIFY(form->MainPanel->CurrentPicture()->width >= 500);

    form->RotateClockwise();
    form->FitPicture();
    QCOMPARE(form->Image1->geometry(), QRect(150, 0, 200, 400));
    DoubleClick(form->MainPanel, QPoint(100, 100));
    QCOMPARE(form->MainPanel->CurrentPicture()->width, 1000);  // turned, and at full size
    QCOMPARE(form->MainPanel->CurrentPicture()->height, 2000);
    QCOMPARE(form->Image1->geometry(), QRect(-250, 0, 1000, 2000));
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
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/b.jpg");

    // A path longer than 255 bytes arrives whole.
    const std::string deep = dir.MakeDir(std::string(200, 'd'));
    testsupport::WriteJpeg(deep + "/" + std::string(100, 'p') + ".jpg", 20, 10);
    mime.setUrls({QUrl::fromLocalFile(Q(deep + "/" + std::string(100, 'p') + ".jpg"))});
    Drop(form.get(), mime);
    QCOMPARE(form->Session().Files().Source(), deep);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/1 20 * 10 ")));

    std::string taken;
    form->SetKeyPanelDropHandler([&taken](const std::string& path, const QPoint&) {
      taken = path;
      return true;
    });
    mime.setUrls({QUrl::fromLocalFile(Q(pics))});
    Drop(form.get(), mime);
    QCOMPARE(taken, pics);
    QCOMPARE(form->Session().Files().Source(), deep);

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
    form->Session().OpenPath(pics);
    form->Descending2Click();
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/c.jpg");
    QVERIFY(form->Form2->Image1()->hasPicture());  // b comes next
    form->Ascending2Click();
    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/a.jpg");
    form->Session().PresentPicture(form->Session().Files().GoTail());
    QVERIFY(!form->Form2->Image1()->hasPicture());  // nothing after the last
    form->Default2Click();
    QCOMPARE(form->Session().Files().Index(), 0);
    QVERIFY(form->BitBtn2->isHidden());
    form->Shuffle2Click();
    QCOMPARE(form->Session().Files().Count(), 3);
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
    form->Session().OpenPath(many);
    QVERIFY(shownDuringBuild);
    QVERIFY(form->BitBtn2->isHidden());
    QVERIFY(form->Session().Files().Count() > 0);
    QVERIFY(form->Session().Files().Count() < 5000);
    QCOMPARE(form->Session().Files().Source(), many);

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
