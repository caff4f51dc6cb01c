#include "view/ui/PictureControl.h"

#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "TestPictures.h"

namespace {

const QColor kBackground(0, 0, 255);

// A panel with a solid background holding the control, as the main window's picture area does.
struct Scene {
  QWidget panel;
  TPictureControl* control;

  Scene() : control(new TPictureControl(&panel)) {
    panel.resize(60, 40);
    panel.setAutoFillBackground(true);
    QPalette pal = panel.palette();
    pal.setColor(QPalette::Window, kBackground);
    panel.setPalette(pal);
    panel.show();
  }
  QColor at(int x, int y) { return panel.grab().toImage().pixelColor(x, y); }
};

bool Near(QColor a, QColor b, int tolerance = 3) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

QString Text(QColor c) {
  return c.name();
}

}  // namespace

class PictureControlTest : public QObject {
  Q_OBJECT

 private slots:
  void transparentPixelsShowTheBackground() {
    Scene s;
    auto p = SolidPicture(4, 2, Qt::green);
    SetPixel(*p, 0, 0, 0, QColor(255, 0, 0, 0));
    SetPixel(*p, 0, 1, 1, QColor(255, 0, 0, 128));
    s.control->setPicture(p);
    s.control->place({10, 10, 4, 2, false});
    QVERIFY(QTest::qWaitForWindowExposed(&s.panel));

    QVERIFY2(Near(s.at(10, 10), kBackground), qPrintable(Text(s.at(10, 10))));
    QVERIFY2(Near(s.at(13, 11), Qt::green), qPrintable(Text(s.at(13, 11))));
    // Half-transparent red over blue: straight alpha blends to an even mix.
    QVERIFY2(Near(s.at(11, 11), QColor(128, 0, 127)), qPrintable(Text(s.at(11, 11))));
    // Presses on the picture belong to the panel.
    QCOMPARE(s.panel.childAt(12, 10), nullptr);

    s.control->clear();
    QVERIFY(!s.control->hasPicture());
    QCOMPARE(s.control->pictureSize().width, 0);
    QVERIFY(Near(s.at(13, 11), kBackground));
  }

  void stretching_data() {
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QColor>("expected");
    QTest::newRow("stretched, top-left") << true << QPoint(2, 2) << QColor(Qt::red);
    QTest::newRow("stretched, bottom-right") << true << QPoint(17, 17) << QColor(Qt::yellow);
    QTest::newRow("own size, bottom-right pixel") << false << QPoint(1, 1) << QColor(Qt::yellow);
    QTest::newRow("own size, beyond the picture") << false << QPoint(17, 17) << kBackground;
  }

  void stretching() {
    QFETCH(bool, stretch);
    QFETCH(QPoint, point);
    QFETCH(QColor, expected);
    Scene s;
    auto p = SolidPicture(2, 2, Qt::red);
    SetPixel(*p, 0, 1, 0, Qt::green);
    SetPixel(*p, 0, 0, 1, Qt::white);
    SetPixel(*p, 0, 1, 1, Qt::yellow);
    s.control->setPicture(p);
    s.control->place({0, 0, 20, 20, stretch});
    QCOMPARE(s.control->stretch(), stretch);
    const QColor got = s.at(point.x(), point.y());
    QVERIFY2(Near(got, expected, 8), qPrintable(Text(got)));
  }

  void shrinkingAveragesThePixels() {
    Scene s;
    auto p = SolidPicture(100, 100, Qt::white);
    for (int y = 0; y < 100; ++y)
      for (int x = (y % 2); x < 100; x += 2) SetPixel(*p, 0, x, y, Qt::black);
    s.control->setPicture(p);
    s.control->place({0, 0, 10, 10, true});
    const QColor got = s.at(5, 5);
    QVERIFY2(Near(got, QColor(128, 128, 128), 24), qPrintable(Text(got)));
  }

  void aShrunkFrameIsPaintedAsItIsAtItsOwnSizeOnly() {
    Scene s;
    auto p = SolidPicture(20, 20, Qt::white);
    PictureFrame red;
    FillFrame(red, 10, 10, Qt::red);
    auto shrunk = std::make_shared<ShrunkFrame>();
    shrunk->width = shrunk->height = 10;
    shrunk->pixels = std::move(red.pixels);
    shrunk->source = p->frames[0].pixels.data();
    p->shrunk = shrunk;
    s.control->setPicture(p);
    s.control->place({0, 0, 10, 10, true});
    QVERIFY(Near(s.at(9, 9), Qt::red));
    QVERIFY(Near(s.at(10, 10), kBackground));
    s.control->place({0, 0, 12, 12, true});  // another size: the picture itself, scaled
    QVERIFY(Near(s.at(5, 5), Qt::white));
    auto copy = std::make_shared<Picture>(*p);  // other pixels, e.g. turned
    s.control->setPicture(copy);
    s.control->place({0, 0, 10, 10, true});
    QVERIFY(Near(s.at(5, 5), Qt::white));
  }

  void reducedScaleBufferFillsItsOwnSize() {
    Scene s;
    auto p = SolidPicture(2, 2, Qt::green);
    p->fullWidth = 8;
    p->fullHeight = 8;
    s.control->setPicture(p);
    QCOMPARE(s.control->pictureSize().width, 8);
    QCOMPARE(s.control->pictureSize().height, 8);
    s.control->place({0, 0, 8, 8, false});
    QVERIFY(Near(s.at(7, 7), Qt::green, 8));
    QVERIFY(Near(s.at(9, 9), kBackground));
  }

  void brokenPicturesShowNothing() {
    Scene s;
    auto shortBuffer = SolidPicture(4, 4, Qt::green);
    auto& shortPixels = shortBuffer->frames[0].pixels;
    shortPixels.erase(shortPixels.begin() + 8, shortPixels.end());
    s.control->setPicture(shortBuffer);
    s.control->place({0, 0, 4, 4, false});
    QVERIFY(Near(s.at(3, 3), kBackground));

    auto noFrames = SolidPicture(4, 4, Qt::green);
    noFrames->frames.clear();
    s.control->setPicture(noFrames);
    QVERIFY(!s.control->hasPicture());
  }

  void animationFollowsLoopCount_data() {
    QTest::addColumn<int>("loopCount");
    QTest::addColumn<QList<int>>("frames");
    QTest::newRow("once") << 1 << QList<int>{1, 2};
    QTest::newRow("twice") << 2 << QList<int>{1, 2, 0, 1, 2};
  }

  void animationFollowsLoopCount() {
    QFETCH(int, loopCount);
    QFETCH(QList<int>, frames);
    Scene s;
    QSignalSpy spy(s.control, &TPictureControl::frameChanged);
    s.control->setPicture(AnimatedPicture({20, 20, 20}, loopCount));
    s.control->place({0, 0, 4, 4, false});
    QVERIFY(s.control->isAnimating());
    QTRY_VERIFY_WITH_TIMEOUT(!s.control->isAnimating(), 10000);
    QList<int> seen;
    for (const auto& args : spy) seen << args.at(0).toInt();
    QCOMPARE(seen, frames);
    // The last frame stays on screen.
    QCOMPARE(s.control->frameIndex(), 2);
    QVERIFY(Near(s.at(1, 1), QColor::fromHsv(180, 255, 255), 8));
  }

  void animationWaitsForEachFramesDelay() {
    Scene s;
    s.control->setPicture(AnimatedPicture({20, 600000, 20}, 0));
    QTRY_COMPARE_WITH_TIMEOUT(s.control->frameIndex(), 1, 10000);
    QTest::qWait(300);
    QCOMPARE(s.control->frameIndex(), 1);
    QVERIFY(s.control->isAnimating());
    // A new picture starts again from its first frame.
    s.control->setPicture(AnimatedPicture({600000, 20}, 0));
    QCOMPARE(s.control->frameIndex(), 0);
  }

  void zeroDelaysStillPlayForever() {
    Scene s;
    QSignalSpy spy(s.control, &TPictureControl::frameChanged);
    s.control->setPicture(AnimatedPicture({0, 0}, 0));
    QTRY_VERIFY_WITH_TIMEOUT(spy.count() >= 3, 10000);
    QVERIFY(s.control->isAnimating());
    QCOMPARE(spy.at(1).at(0).toInt(), 0);
  }

  void stillPicturesDoNotAnimate() {
    Scene s;
    s.control->setPicture(SolidPicture(3, 3));
    QVERIFY(!s.control->isAnimating());
  }
};

QTEST_MAIN(PictureControlTest)
#include "PictureControlTest.moc"
