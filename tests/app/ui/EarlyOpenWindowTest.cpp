// The window opening its first argument with the decode made before it existed: used when it
// covers the picture area, else the window decodes it itself; the same picture and caption.
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/EarlyOpen.h"
#include "app/ui/MainWindow.h"
#include "platform/FileIO.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/DecodeAhead.h"

using testsupport::TempDir;

class EarlyOpenWindowTest : public QObject {
  Q_OBJECT

  // pics/a.jpg (1600 x 1200, the first) and pics/b.jpg (1200 x 1600), and the window's settings
  // in conf.
  static bool WritePictures(const TempDir& dir) {
    dir.MakeDir("pics");
    dir.Write("conf/sortivo.ini", "[Main]\r\nLeft=0\r\nTop=0\r\nWidth=640\r\nHeight=480\r\n");
    return testsupport::WriteJpeg(dir / "pics/a.jpg", 1600, 1200) &&
           testsupport::WriteJpeg(dir / "pics/b.jpg", 1200, 1600);
  }

  // The folder's first picture, shown as the session opened it.
  static void VerifyFirstShown(TForm1& form, const std::string& pics) {
    QCOMPARE(form.Session().Files().GetCurrent(), pics + "/a.jpg");
    QCOMPARE(form.MainPanel->CurrentPicture()->fullWidth, 1600);
    QVERIFY(form.windowTitle().startsWith(QStringLiteral("1/2 1600 * 1200 ")));
  }

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
    QVERIFY(WritePictures(dir));
    const std::string pics = dir / "pics", conf = dir / "conf";
    dir.Write("early/sortivo.ini", earlySettings.toStdString());
    // Files changed within the cache's settling time are not kept; the test waits it out.
    QTest::qWait(150);

    auto early = std::make_unique<TEarlyOpen>(dir / "early", pics, true);
    auto form = std::make_unique<TForm1>(conf, std::vector<std::string>{pics});
    form->SetEarlyOpen(std::move(early));
    form->show();
    QTRY_VERIFY_WITH_TIMEOUT(form->MainPanel->CurrentPicture() != nullptr, 20000);
    VerifyFirstShown(*form, pics);
    const TDecodeAhead::Stats stats = form->DecodeAhead()->stats();
    QCOMPARE(stats.hits, served ? 1u : 0u);
    form->close();
  }

  // A folder opened before: its remembered first picture is painted before the listing is
  // waited for, and a remembered picture the listing does not put first gives way to the one it
  // does.
  void rememberedFirstPictureIsShownBeforeTheList_data() {
    QTest::addColumn<QString>("remembered");
    QTest::addColumn<bool>("changed");   // the folder's names since
    QTest::addColumn<unsigned>("hits");  // the early paint's and the session's
    QTest::newRow("still first") << "a.jpg" << false << 2u;
    QTest::newRow("no longer first") << "b.jpg" << false << 2u;
    QTest::newRow("folder changed since") << "a.jpg" << true << 1u;
  }

  void rememberedFirstPictureIsShownBeforeTheList() {
    QFETCH(QString, remembered);
    QFETCH(bool, changed);
    QFETCH(unsigned, hits);
    TempDir dir;
    QVERIFY(WritePictures(dir));
    const std::string pics = dir / "pics", conf = dir / "conf";
    TEarlyOpen(conf, pics, false).Take();  // remembers a.jpg
    const platform::ReadResult first = platform::ReadWholeFile(conf + "/sortivo.first", 4096);
    QVERIFY(first.bytes.find("\ta.jpg\n") != std::string::npos);
    dir.Write("conf/sortivo.first", QString::fromStdString(first.bytes)
                                        .replace("\ta.jpg\n", "\t" + remembered + "\n")
                                        .toStdString());
    QTest::qWait(150);
    if (changed) std::filesystem::remove(dir.Write("pics/notes.txt", "x"));

    auto form = std::make_unique<TForm1>(conf, std::vector<std::string>{pics});
    form->SetEarlyOpen(std::make_unique<TEarlyOpen>(conf, pics, true));
    form->show();
    QTRY_VERIFY_WITH_TIMEOUT(!form->Session().Files().GetCurrent().empty(), 20000);
    VerifyFirstShown(*form, pics);
    QCOMPARE(form->DecodeAhead()->stats().hits, hits);
    form->close();
  }
};

QTEST_MAIN(EarlyOpenWindowTest)
#include "EarlyOpenWindowTest.moc"
