#include "app/ui/MainWindow.h"

#include "app/ui/Application.h"
#include "view/ui/PreviewWindow.h"

#include <QFrame>
#include <QLineEdit>
#include <QtTest>
#include <memory>

#include "platform/ConfigFolder.h"
#include "platform/ProfileFile.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QApplication::setApplicationName(QStringLiteral("Sortivo5"));
    TApplication::SetErrorReporter([this](const QString& text) { reported_ << text; });
  }
  void init() { reported_.clear(); }

  void opensAtTheStoredBoundsAndWritesThemBack() {
    testsupport::TempDir dir;
    const std::string path = platform::SettingsFilePath(dir.str());
    dir.Write("sortivo.ini",
              "; kept\r\n[Main]\r\nLeft=40\r\nTop=30\r\nWidth=500\r\nHeight=350\r\n"
              "[Color]\r\nDefault=#123456\r\n[Font]\r\nName=Noto Sans CJK JP\r\nSize=20\r\n");
    auto form = std::make_unique<TForm1>(dir.str(), std::vector<std::string>{});
    QCOMPARE(form->windowTitle(), QStringLiteral("Sortivo 5.0.5α"));
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
    QCOMPARE(form->pos(), QPoint(40, 30));
    QCOMPARE(form->size(), QSize(500, 350));

    auto* edit = form->findChild<QLineEdit*>(QStringLiteral("Edit1"));
    auto* panel = form->findChild<QFrame*>(QStringLiteral("MainPanel"));
    QVERIFY(edit && panel);
    QCOMPARE(edit->palette().color(QPalette::Base), QColor(0x12, 0x34, 0x56));
    QCOMPARE(edit->font().pointSize(), 20);
    // Right of the top bar's two buttons.
    QVERIFY(edit->x() > 0);
    QCOMPARE(edit->geometry(), QRect(edit->x(), 0, 500 - edit->x(), edit->height()));
    QCOMPARE(panel->geometry(), QRect(0, edit->height(), 500, 350 - edit->height()));

    form->move(60, 70);
    form->resize(640, 480);
    QTRY_COMPARE_WITH_TIMEOUT(form->size(), QSize(640, 480), 5000);
    QCOMPARE(form->pos(), QPoint(60, 70));
    QVERIFY(form->close());

    platform::ProfileFile file;
    QCOMPARE(file.Load(path), platform::ProfileFile::LoadStatus::Loaded);
    QCOMPARE(file.ReadInteger("Main", "Width", 0), 640);
    QCOMPARE(file.ReadInteger("Main", "Height", 0), 480);
    QCOMPARE(file.ReadInteger("Main", "Left", 0), 60);
    QCOMPARE(file.ReadInteger("Main", "Top", 0), 70);
    QCOMPARE(file.ReadInteger("Main", "Maximized", -1), 0);
    QCOMPARE(file.ReadString("Color", "Default", ""), std::string("#123456"));
    QCOMPARE(file.ReadString("Font", "Name", ""), std::string("Noto Sans CJK JP"));
    QCOMPARE(file.ReadString("Font", "Color", ""), std::string("clBlack"));
    QVERIFY(testsupport::ReadAll(path).rfind("; kept\r\n", 0) == 0);
  }

  void maximizedKeepsItsNormalBounds() {
    testsupport::TempDir dir;
    dir.Write("sortivo.ini", "[Main]\nLeft=10\nTop=20\nWidth=300\nHeight=200\nMaximized=1\n");
    auto form = std::make_unique<TForm1>(dir.str(), std::vector<std::string>{});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
    QVERIFY(form->isMaximized());
    form->close();
    platform::ProfileFile file;
    file.Load(platform::SettingsFilePath(dir.str()));
    QCOMPARE(file.ReadInteger("Main", "Maximized", -1), 1);
    QCOMPARE(file.ReadInteger("Main", "Width", 0), 300);
    QCOMPARE(file.ReadInteger("Main", "Height", 0), 200);
    QCOMPARE(file.ReadInteger("Main", "Left", 0), 10);
    QCOMPARE(file.ReadInteger("Main", "Top", 0), 20);
  }

  void maximizedByTheUserKeepsTheLastNormalBounds() {
    testsupport::TempDir dir;
    dir.Write("sortivo.ini", "[Main]\nLeft=10\nTop=20\nWidth=300\nHeight=200\n");
    auto form = std::make_unique<TForm1>(dir.str(), std::vector<std::string>{});
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
    form->move(33, 44);
    form->resize(320, 240);
    QTRY_COMPARE_WITH_TIMEOUT(form->size(), QSize(320, 240), 5000);
    form->showMaximized();
    QTRY_VERIFY_WITH_TIMEOUT(form->isMaximized() && form->width() != 320, 5000);
    form->close();
    platform::ProfileFile file;
    file.Load(platform::SettingsFilePath(dir.str()));
    QCOMPARE(file.ReadInteger("Main", "Maximized", -1), 1);
    QCOMPARE(file.ReadInteger("Main", "Left", 0), 33);
    QCOMPARE(file.ReadInteger("Main", "Top", 0), 44);
    QCOMPARE(file.ReadInteger("Main", "Width", 0), 320);
    QCOMPARE(file.ReadInteger("Main", "Height", 0), 240);
  }

  void hostileBoundsAndFontOpenAWholeWindowAndTheStyleNameSurvives() {
    testsupport::TempDir dir;
    dir.Write("sortivo.ini",
              "[Main]\nLeft=5000\nTop=-3000\nWidth=100000\nHeight=100000\n"
              "[Font]\nSize=-2147483648\nStyleName=Light\n"
              "[Preview]\nVisible=1\nLeft=-9000\nTop=9000\nWidth=100000\nHeight=5\n");
    // The second run reads what the first wrote.
    for (int run = 0; run < 2; ++run) {
      auto form = std::make_unique<TForm1>(dir.str(), std::vector<std::string>{});
      form->show();
      QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
      QTRY_VERIFY_WITH_TIMEOUT(form->Form2->isVisible(), 5000);
      for (QWidget* window :
           {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(form->Form2)}) {
        const QRect available = window->screen()->availableGeometry();
        QVERIFY(available.contains(window->frameGeometry()));
      }
      QCOMPARE(form->Edit1->font().pointSize(), 14);
      QCOMPARE(form->Edit1->font().styleName(), QStringLiteral("Light"));
      QVERIFY(form->close());
    }
  }

  void noSettingsFileUsesTheDesignAndAReadOnlyFolderIsNoCrash() {
    testsupport::TempDir dir;
    const std::string folder = dir.MakeDir("conf");
    auto form = std::make_unique<TForm1>(folder, std::vector<std::string>{"a", "b"});
    QCOMPARE(form->size(), QSize(800, 600));
    QCOMPARE(form->Edit1->palette().color(QPalette::Base), QColor(Qt::white));
    QCOMPARE(form->Session().Temporary().GetSlot(Slot::PendingArguments), 2);
    QVERIFY(!std::filesystem::exists(platform::SettingsFilePath(folder)));
    {
      testsupport::ReadOnlyGuard readOnly(folder);
      form->show();
      QVERIFY(QTest::qWaitForWindowExposed(form.get(), 5000));
      QVERIFY(form->close());
      if (readOnly.ok()) {
        QVERIFY(!std::filesystem::exists(platform::SettingsFilePath(folder)));
        // The key map could not be written either: reported, and the window closed all the same.
        QCOMPARE(reported_.size(), 1);
        QVERIFY(reported_[0].contains(QString::fromStdString(folder)));
      }
    }
  }

 private:
  QStringList reported_;
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  MainWindowTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "MainWindowTest.moc"
