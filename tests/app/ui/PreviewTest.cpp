// The preview window as the main window drives it: following the list, the panic key from either
// window, and its place and visibility from one run to the next.
#include <QLineEdit>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "platform/ConfigFolder.h"
#include "platform/ProfileFile.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/ui/PictureControl.h"
#include "view/ui/PreviewWindow.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

std::unique_ptr<TForm1> ShownWindow(const TempDir& dir) {
  auto form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
  form->show();
  if (!QTest::qWaitForWindowExposed(form.get(), 5000)) return nullptr;
  return form;
}

// The size of the picture the preview shows; empty when it shows none.
QSize Previewed(TForm1& form) {
  const TPictureControl* image = form.Form2->Image1();
  if (!image->hasPicture() || image->isHidden()) return {};
  const ViewSize s = image->pictureSize();
  return {s.width, s.height};
}

}  // namespace

class PreviewTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    TApplication::SetErrorReporter([this](const QString& text) { reported_ << text; });
  }
  void init() { reported_.clear(); }

  void showsTheNextEntryOrNothing() {
    TempDir dir;
    dir.Write("conf/sortivo.ini", "[Preview]\nVisible=1\nLeft=5\nTop=5\nWidth=200\nHeight=150\n");
    dir.MakeDir("pics");
    testsupport::WriteJpeg(dir / "pics/a.jpg", 100, 80, 80);
    testsupport::WriteJpeg(dir / "pics/b.jpg", 120, 90, 80);
    testsupport::WriteJpeg(dir / "pics/c.jpg", 140, 100, 80);
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QVERIFY(form->Form2->isVisible());

    form->Session().OpenPath(dir / "pics");
    form->Ascending2Click();  // the folder lists in no fixed order
    QCOMPARE(Previewed(*form), QSize(120, 90));
    form->Session().ShowNext();
    QCOMPARE(Previewed(*form), QSize(140, 100));
    form->Session().ShowNext();
    QCOMPARE(Previewed(*form), QSize());  // c is the last
    form->Session().ShowPrevious();
    QCOMPARE(Previewed(*form), QSize(140, 100));

    dir.Write("pics/c.jpg", "not a picture at all");
    form->Session().PresentPicture(form->Session().Files().GetCurrent());
    QCOMPARE(Previewed(*form), QSize());
    fs::remove(dir / "pics/c.jpg");
    form->Session().PresentPicture(form->Session().Files().GetCurrent());
    QCOMPARE(Previewed(*form), QSize());
    QVERIFY(form->Form2->isVisible());  // empty, not closed
    QVERIFY(reported_.isEmpty());
    form->close();
  }

  void thePanicKeyFromEitherWindow() {
    TempDir dir;
    dir.Write("conf/sortivo.ini", "[Preview]\nVisible=1\n");
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QVERIFY(form->Form2->isVisible());

    QTest::keyClick(form->Edit1, Qt::Key_Escape);
    QVERIFY(form->Form2->isHidden());
    QTRY_VERIFY(form->isMinimized());
    form->showNormal();
    QTRY_VERIFY(!form->isMinimized());
    QVERIFY(form->Form2->isHidden());  // stays hidden when the window comes back

    form->Form2->show();
    QTest::keyClick(form->Form2, Qt::Key_Escape);
    QVERIFY(form->Form2->isHidden());
    QTRY_VERIFY(form->isMinimized());
    form->showNormal();
    QTRY_VERIFY(!form->isMinimized());
    QVERIFY(form->Form2->isHidden());
    form->close();
  }

  void placeAndVisibilitySurviveARestart() {
    TempDir dir;
    dir.Write("conf/sortivo.ini", "[Main]\nLeft=40\nTop=30\nWidth=600\nHeight=402\n");
    {
      auto form = ShownWindow(dir);
      QVERIFY(form);
      QVERIFY(form->Form2->isHidden());
      // Without a "Preview" section: the main window's right half, an eighth of it down.
      QCOMPARE(form->Form2->Bounds(), (PixelRect{340, 80, 300, 201}));
      form->Form2->PlaceAt({20, 25, 210, 160});
      form->Form2->show();
      form->close();
    }
    platform::ProfileFile ini;
    QCOMPARE(ini.Load(platform::SettingsFilePath(dir / "conf")),
             platform::ProfileFile::LoadStatus::Loaded);
    QCOMPARE(ini.ReadInteger("Preview", "Visible", -1), 1);
    QCOMPARE(ini.ReadInteger("Preview", "Width", -1), 210);
    {
      auto form = ShownWindow(dir);
      QVERIFY(form);
      QVERIFY(form->Form2->isVisible());
      QCOMPARE(form->Form2->Bounds(), (PixelRect{20, 25, 210, 160}));
      QTest::mouseDClick(form->Form2, Qt::LeftButton);
      QVERIFY(form->Form2->isHidden());
      form->close();
    }
    auto form = ShownWindow(dir);
    QVERIFY(form);
    QVERIFY(form->Form2->isHidden());
    QCOMPARE(form->Form2->Bounds(), (PixelRect{20, 25, 210, 160}));
    form->close();
  }

 private:
  QStringList reported_;
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  PreviewTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "PreviewTest.moc"
