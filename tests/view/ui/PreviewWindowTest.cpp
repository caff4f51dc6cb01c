#include "view/ui/PreviewWindow.h"

#include <QSignalSpy>
#include <QTest>

#include "TestPictures.h"
#include "view/ui/PictureControl.h"

namespace {

bool PlainEsc(const QKeyEvent& event) {
  return event.key() == Qt::Key_Escape && event.modifiers() == Qt::NoModifier;
}

}  // namespace

class PreviewWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void isAnAlwaysOnTopToolWindowWithoutButtons() {
    TForm2 w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Next"));
    const Qt::WindowFlags f = w.windowFlags();
    QVERIFY(f.testFlag(Qt::Tool));
    QVERIFY(f.testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(f.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(!f.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!f.testFlag(Qt::WindowSystemMenuHint));
    QCOMPARE(w.Image1()->objectName(), QStringLiteral("Image1"));
  }

  void fitsAtEverySize_data() {
    QTest::addColumn<QSize>("client");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QRect>("expected");
    QTest::addColumn<bool>("stretch");
    QTest::newRow("small, centred, not enlarged")
        << QSize(304, 204) << QSize(100, 100) << QRect(100, 50, 100, 100) << false;
    QTest::newRow("odd space truncates")
        << QSize(305, 205) << QSize(100, 100) << QRect(100, 50, 100, 100) << false;
    QTest::newRow("wide, shrunk to the width")
        << QSize(204, 204) << QSize(400, 100) << QRect(0, 75, 200, 50) << true;
    QTest::newRow("tall, shrunk to the height")
        << QSize(204, 104) << QSize(100, 400) << QRect(87, 0, 25, 100) << true;
  }

  void fitsAtEverySize() {
    QFETCH(QSize, client);
    QFETCH(QSize, picture);
    QFETCH(QRect, expected);
    QFETCH(bool, stretch);
    TForm2 w;
    w.resize(client);
    w.ShowPreviewPicture(SolidPicture(picture.width(), picture.height()));
    QVERIFY(w.Image1()->isVisibleTo(&w));
    QCOMPARE(w.Image1()->geometry(), expected);
    QCOMPARE(w.Image1()->stretch(), stretch);
  }

  void resizingRefitsAtOnce() {
    TForm2 w;
    w.resize(304, 204);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ShowPreviewPicture(SolidPicture(100, 100));
    QCOMPARE(w.Image1()->geometry(), QRect(100, 50, 100, 100));
    w.resize(104, 54);
    QTRY_COMPARE_WITH_TIMEOUT(w.Image1()->geometry(), QRect(25, 0, 50, 50), 5000);
    QVERIFY(w.Image1()->stretch());
    // Too small to fit anything: the picture keeps its last place until there is room again.
    w.resize(3, 3);
    QTRY_COMPARE_WITH_TIMEOUT(w.size(), QSize(3, 3), 5000);
    QCOMPARE(w.Image1()->geometry(), QRect(25, 0, 50, 50));
    w.resize(304, 204);
    QTRY_COMPARE_WITH_TIMEOUT(w.Image1()->geometry(), QRect(100, 50, 100, 100), 5000);
  }

  void noPictureLeavesTheWindowOpenAndEmpty() {
    TForm2 w;
    w.resize(304, 204);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.ShowPreviewPicture(nullptr);
    QVERIFY(w.isVisible());
    QVERIFY(!w.Image1()->isVisible());

    w.ShowPreviewPicture(SolidPicture(10, 10));
    QVERIFY(w.Image1()->isVisible());
    w.ShowPreviewPicture(nullptr);
    QVERIFY(w.isVisible());
    QVERIFY(!w.Image1()->isVisible());
    QVERIFY(!w.Image1()->hasPicture());
    w.FitPreviewPicture();  // nothing to fit, nothing to divide
    QVERIFY(!w.Image1()->isVisible());
  }

  void doubleClickHides() {
    TForm2 w;
    w.resize(304, 204);
    w.ShowPreviewPicture(SolidPicture(100, 100));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // On the picture itself: the picture takes no mouse input, so the window gets it.
    QTest::mouseDClick(&w, Qt::RightButton, Qt::NoModifier, QPoint(150, 100));
    QVERIFY(w.isVisible());
    QTest::mouseDClick(&w, Qt::LeftButton, Qt::NoModifier, QPoint(150, 100));
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 5000);
  }

  void emergencyKeyHidesAndTellsTheMainWindow() {
    TForm2 w;
    QSignalSpy spy(&w, &TForm2::emergencyRequested);
    w.resize(200, 200);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Without a binding no key is the panic key.
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(spy.count(), 0);

    w.setEmergencyMatcher(PlainEsc);
    QTest::keyClick(&w, Qt::Key_Escape, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_A);
    QCOMPARE(spy.count(), 0);
    QVERIFY(w.isVisible());
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!w.isVisible());

    // The matcher sees the event as it came: Ctrl+Alt+Left.
    int seenKey = 0;
    Qt::KeyboardModifiers seenMods;
    w.setEmergencyMatcher([&](const QKeyEvent& event) {
      seenKey = event.key();
      seenMods = event.modifiers();
      return false;
    });
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(&w, Qt::Key_Left, Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(seenKey, int(Qt::Key_Left));
    QCOMPARE(seenMods, Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(w.isVisible());
  }

  void placedFromTheGivenBounds() {
    TForm2 w;
    w.PlaceAt({120, 80, 300, 200});
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.Bounds(), (PixelRect{120, 80, 300, 200}));
    QCOMPARE(w.size(), QSize(300, 200));
  }
};

QTEST_MAIN(PreviewWindowTest)
#include "PreviewWindowTest.moc"
