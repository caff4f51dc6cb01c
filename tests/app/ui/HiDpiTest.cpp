// The main window on a scaled screen (run with QT_SCALE_FACTOR 2 and 1.5 as well as without):
// pictures are decoded, shrunk and painted for the device pixels, and a picture at its own size
// shows one picture pixel per device pixel. The window is grabbed at device resolution.
#include <QFrame>
#include <QLineEdit>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"
#include "view/DevicePixels.h"
#include "view/ui/PictureControl.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

std::unique_ptr<TForm1> ShownWindow(const TempDir& dir) {
  auto form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get(), 5000)) return nullptr;
  form->resize(504, 404 + form->Edit1->height());
  if (!QTest::qWaitFor([&] { return form->MainPanel->size() == QSize(504, 404); }, 5000))
    return nullptr;
  return form;
}

// Black where x + y is even, white elsewhere: every pixel differs from its four neighbours.
std::string WriteCheckerboard(const std::string& path, int width, int height) {
  testsupport::PngParams png;
  png.width = width, png.height = height, png.colorType = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) png.samples.push_back((x + y) % 2 == 0 ? 0 : 255);
  testsupport::WriteBytes(path, testsupport::EncodePng(png));
  return path;
}

// Where the picture control's corner lands in a grab of the picture area, in device pixels.
QPoint DeviceCorner(const TForm1& form, double ratio) {
  return {SnapToDevicePixel(form.Image1->x() * ratio), SnapToDevicePixel(form.Image1->y() * ratio)};
}

}  // namespace

class HiDpiTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qInfo("device pixel ratio %g", qApp->devicePixelRatio()); }

  void aPictureAtItsOwnSizeShowsOnePicturePixelPerDevicePixel_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("originalSize");
    QTest::newRow("smaller than the area, fitted") << QSize(161, 121) << false;
    QTest::newRow("smaller than the area, original size") << QSize(161, 121) << true;
    QTest::newRow("larger than the area, original size") << QSize(1201, 901) << true;
  }

  void aPictureAtItsOwnSizeShowsOnePicturePixelPerDevicePixel() {
    QFETCH(QSize, size);
    QFETCH(bool, originalSize);
    TempDir dir;
    const std::string path = WriteCheckerboard(dir / "board.png", size.width(), size.height());
    auto form = ShownWindow(dir);
    QVERIFY(form);
    form->General().OriginalSize = originalSize;
    form->Session().OpenPath(path);
    QVERIFY(form->CurrentPicture());

    const double ratio = form->MainPanel->devicePixelRatioF();
    const QImage grab = form->MainPanel->grab().toImage();
    const ViewSize device = DeviceSize({504, 404}, ratio);
    QCOMPARE(grab.size(), QSize(device.width, device.height));
    // The fitting rules saw the picture's size in logical pixels.
    const ViewSize shown = LogicalSize({size.width(), size.height()}, ratio);
    QCOMPARE(form->Image1->size(), QSize(shown.width, shown.height));

    const QPoint corner = DeviceCorner(*form, ratio);
    const QRect board = QRect(corner, size).intersected(grab.rect());
    QVERIFY(board.width() > 100 && board.height() > 100);
    int wrong = 0;
    for (int y = board.top(); y <= board.bottom(); ++y)
      for (int x = board.left(); x <= board.right(); ++x) {
        const bool even = (x - corner.x() + y - corner.y()) % 2 == 0;
        if (grab.pixelColor(x, y) != (even ? QColor(Qt::black) : QColor(Qt::white))) ++wrong;
      }
    QCOMPARE(wrong, 0);
    // Nothing of the picture spills before its corner.
    if (corner.x() > 0) QVERIFY(grab.pixelColor(corner.x() - 1, corner.y() + 1) != Qt::white);
    form->close();
  }

  void aFittedPictureIsShrunkToTheDevicePixels() {
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    QVERIFY(testsupport::WriteJpeg(pics + "/a.jpg", 6000, 4000, 80));
    fs::copy_file(pics + "/a.jpg", pics + "/b.jpg");
    QTest::qWait(150);  // files changed this recently are not decoded ahead
    auto form = ShownWindow(dir);
    QVERIFY(form);
    const double ratio = form->MainPanel->devicePixelRatioF();
    form->Session().OpenPath(pics + "/a.jpg");
    QVERIFY(form->DecodeAhead()->WaitIdle(std::chrono::seconds(60)));
    // The one opened, then the one decoded ahead: both made for the device pixels.
    for (int step = 0; step < 2; ++step) {
      if (step == 1) form->Session().ShowNext();
      const auto& picture = form->CurrentPicture();
      QVERIFY(picture);
      QCOMPARE(picture->fullWidth, 6000);
      const QSize logical = form->Image1->size();
      QCOMPARE(logical, QSize(500, 333));  // 6000 x 4000 fitted into 500 x 400, as ever
      const ViewSize device = DeviceSize({logical.width(), logical.height()}, ratio);
      // Shrunk ahead to those pixels, or decoded at a scale that is already within a rounding
      // of them (6000 / 8 at 150 %).
      const ShrunkFrame* shrunk = picture->shrunkFor(device.width, device.height);
      const QImage painted =
          shrunk ? QImage(shrunk->pixels.data(), shrunk->width, shrunk->height, shrunk->width * 4,
                          QImage::Format_RGB32)
                 : QImage(picture->frames[0].pixels.data(), picture->width, picture->height,
                          static_cast<qsizetype>(picture->stride()), QImage::Format_RGB32);
      QVERIFY2(shrunk || WithinSlack({picture->width, picture->height}, device, ratio),
               qPrintable(QStringLiteral("decoded %1 x %2, shown on %3 x %4")
                              .arg(picture->width)
                              .arg(picture->height)
                              .arg(device.width)
                              .arg(device.height)));

      // Painted one device pixel per pixel: the grab holds those pixels themselves.
      QImage grab = form->MainPanel->grab().toImage().convertToFormat(QImage::Format_RGB32);
      grab.setDevicePixelRatio(1);
      // At a fractional ratio the window system clips the control to the device pixels its
      // logical edges round to, which may leave out the last row or column.
      const QRect g = form->Image1->geometry();
      const QPoint corner = DeviceCorner(*form, ratio);
      const QRect clip(corner, QPoint(SnapToDevicePixel((g.right() + 1) * ratio) - 1,
                                      SnapToDevicePixel((g.bottom() + 1) * ratio) - 1));
      const QRect shown = QRect(corner, painted.size()).intersected(clip);
      QVERIFY(shown.width() >= device.width - 1 && shown.height() >= device.height - 1);
      QCOMPARE(grab.copy(shown), painted.copy(QRect(QPoint(0, 0), shown.size())));
    }
    form->close();
  }
};

QTEST_MAIN(HiDpiTest)
#include "HiDpiTest.moc"
