// The window opening its first argument with the decode made before it existed: used when it
// covers the picture area, else the window decodes it itself; the same picture and caption.
#include <QtTest>
#include <memory>

#include "app/EarlyOpen.h"
#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"

using testsupport::TempDir;

class EarlyOpenWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void firstPictureUsesTheEarlyDecodeOnlyWhenItCovers_data() {
    QTest::addColumn<QString>("earlySettings");  // what the early opening reads
    QTest::addColumn<bool>("served");
    QTest::newRow("the window's own bounds") << "[Main]\r\nWidth=640\r\nHeight=480\r\n" << true;
    QTest::newRow("bounds too small for the window") << "[Main]\r\nWidth=200\r\nHeight=150\r\n"
                                                     << false;
  }

  void firstPictureUsesTheEarlyDecodeOnlyWhenItCovers() {
    QFETCH(QString, earlySettings);
    QFETCH(bool, served);
    TempDir dir;
    const std::string pics = dir.MakeDir("pics");
    QVERIFY(testsupport::WriteJpeg(pics + "/a.jpg", 1600, 1200));
    QVERIFY(testsupport::WriteJpeg(pics + "/b.jpg", 1600, 1200));
    const std::string conf = dir.MakeDir("conf");
    dir.Write("conf/sortivo.ini", "[Main]\r\nLeft=0\r\nTop=0\r\nWidth=640\r\nHeight=480\r\n");
    dir.Write("early/sortivo.ini", earlySettings.toStdString());
    // Files changed within the cache's settling time are not kept; the test waits it out.
    QTest::qWait(150);

    auto early = std::make_unique<TEarlyOpen>(dir / "early", pics, true);
    auto form = std::make_unique<TForm1>(conf, std::vector<std::string>{pics});
    form->SetEarlyOpen(std::move(early));
    form->show();
    QTRY_VERIFY_WITH_TIMEOUT(form->MainPanel->CurrentPicture() != nullptr, 20000);

    QCOMPARE(form->Session().Files().GetCurrent(), pics + "/a.jpg");
    QCOMPARE(form->MainPanel->CurrentPicture()->fullWidth, 1600);
    QVERIFY(form->windowTitle().startsWith(QStringLiteral("1/2 1600 * 1200 ")));
    const TDecodeAhead::Stats stats = form->DecodeAhead()->stats();
    QCOMPARE(stats.hits, served ? 1u : 0u);
    form->close();
  }
};

QTEST_MAIN(EarlyOpenWindowTest)
#include "EarlyOpenWindowTest.moc"
