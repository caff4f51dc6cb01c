// The main window grabbed at device resolution, unscaled and with QT_SCALE_FACTOR 2 and 1.5.
#include <QLineEdit>
#include <QtTest>

#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DevicePixels.h"
#include "view/ui/PictureControl.h"

class HiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  void picturesAreShownOnePixelPerDevicePixel() {
    testsupport::TempDir dir;
    testsupport::PngParams board;  // black where x + y is even, else white
    board.width = 1401, board.height = 1001, board.colorType = 0;
    for (int i = 0; i < 1401 * 1001; ++i) board.samples.push_back((i % 1401 + i / 1401) % 2 * 255);
    testsupport::WriteBytes(dir / "board.png", testsupport::EncodePng(board));
    QVERIFY(testsupport::WriteJpeg(dir / "big.jpg", 6000, 4000, 80));
    TForm1 form(dir / "conf", {});
    form.show();
    form.resize(604, 404 + form.Edit1->height());
    QTRY_COMPARE(form.MainPanel->size(), QSize(604, 404));
    const double r = form.devicePixelRatioF();
    // The picture area grabbed, cut to the device pixels the picture control covers there.
    const auto shown = [&form, r] {
      QImage grab = form.MainPanel->grab().toImage().convertToFormat(QImage::Format_RGB32);
      grab.setDevicePixelRatio(1);
      const QRect g = form.Image1->geometry().intersected(form.MainPanel->rect());
      return grab.copy(
          QRect(QPoint(SnapToDevicePixel(g.left() * r), SnapToDevicePixel(g.top() * r)),
                QPoint(SnapToDevicePixel((g.right() + 1) * r) - 1,
                       SnapToDevicePixel((g.bottom() + 1) * r) - 1)));
    };

    form.Session().General().OriginalSize = true;  // overhanging the area
    form.Session().OpenPath(dir / "board.png");
    const QImage board1 = shown();
    int wrong = 0;  // pixels not black or white, or equal to a neighbour
    for (int y = 1; y < board1.height(); ++y)
      for (int x = 1; x < board1.width(); ++x) {
        const int gray = qGray(board1.pixel(x, y));
        wrong += (gray != 0 && gray != 255) || gray + qGray(board1.pixel(x - 1, y)) != 255 ||
                 gray + qGray(board1.pixel(x, y - 1)) != 255;
      }
    QCOMPARE(wrong, 0);
    QCOMPARE(board1.width(), DeviceLength(604, r));

    form.Session().General().OriginalSize = false;
    form.Session().OpenPath(dir / "big.jpg");
    QCOMPARE(form.Image1->size(), QSize(600, 400));
    const ViewSize device = DeviceSize({600, 400}, r);
    const ShrunkFrame* s = form.MainPanel->CurrentPicture()->shrunkFor(device.width, device.height);
    QVERIFY(s);
    const QImage fitted = shown();
    QVERIFY(fitted.width() >= device.width - 1 && fitted.height() >= device.height - 1);
    const QImage painted(s->pixels.data(), s->width, s->height, s->width * 4, QImage::Format_RGB32);
    QCOMPARE(fitted, painted.copy(fitted.rect()));
  }
};

QTEST_MAIN(HiDpiTest)
#include "HiDpiTest.moc"
