// The window's part in taking sorting steps back and in the trash: the keys typed into the input
// field and the menu items reach the sorting session, the field keeps its own text undo away from
// Ctrl+Z, and pictures go to the desktop trash under $XDG_DATA_HOME.
#include <QAction>
#include <QDir>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/Application.h"
#include "app/ui/DesktopTrash.h"
#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

// Three pictures in dir/pics, the key "cat" for dir/cats, and a home of its own so that the
// pictures lie on the home mount and the trash is dir/home/data/Trash.
struct Sorting {
  Sorting() {
    pics = dir.MakeDir("pics");
    for (int i = 0; i < 3; ++i)
      testsupport::WriteJpeg(pics + "/p" + std::to_string(i) + ".jpg", 40 + i, 30);
    dir.MakeDir("cats");
    dir.Write("conf/head.txt", "cat=" + dir / "cats" + "\r\n");
    dir.Write("conf/sortivo.ini", "[Main]\r\nWidth=640\r\nHeight=480\r\n");
    qputenv("HOME", QByteArray::fromStdString(dir.MakeDir("home")));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir / "home/data"));
    form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
    form->show();
    shown = QTest::qWaitForWindowActive(form.get(), 5000);
    form->Session().OpenPath(pics);
  }
  ~Sorting() {
    if (form) form->close();
  }

  std::string Current() const { return form->Files().GetCurrent(); }
  // A key into the input field, or the menu item that stands for it.
  void Command(bool byMenu, QAction* item, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    if (byMenu) {
      item->trigger();
      QCoreApplication::processEvents();  // the item's command runs queued
    } else {
      QTest::keyClick(form->Edit1, key, modifiers);
    }
  }

  TempDir dir;
  std::string pics;
  std::unique_ptr<TForm1> form;
  bool shown = false;
};

std::string TrashedFile(const Sorting& s, const std::string& name) {
  return s.dir / "home/data/Trash/files/" + name;
}

void ByKeyOrMenu() {
  QTest::addColumn<bool>("byMenu");
  QTest::newRow("keys in the input field") << false;
  QTest::newRow("menu items") << true;
}

}  // namespace

class UndoTrashTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    TApplication::SetErrorReporter([](const QString& text) { QFAIL(qPrintable(text)); });
  }

  void undoAndRedoAMove_data() { ByKeyOrMenu(); }
  void undoAndRedoAMove() {
    QFETCH(bool, byMenu);
    Sorting s;
    QVERIFY(s.shown);
    const std::string p0 = s.Current();
    const std::string moved = s.dir / "cats/" + fs::path(p0).filename().string();
    QTest::keyClicks(s.form->Edit1, QStringLiteral("cat"));
    QTest::keyClick(s.form->Edit1, Qt::Key_Return);
    QVERIFY(fs::exists(moved) && !fs::exists(p0));
    const QString typed = s.form->Edit1->text();

    s.Command(byMenu, s.form->MainMenu->Undo1, Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(fs::exists(p0) && !fs::exists(moved));
    QCOMPARE(s.Current(), p0);
    // The field's own undo would have taken the typed key away.
    QCOMPARE(s.form->Edit1->text(), typed);

    s.Command(byMenu, s.form->MainMenu->Redo1, Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(fs::exists(moved) && !fs::exists(p0));
    QCOMPARE(s.form->Edit1->text(), typed);
  }

  void trashAndTakeBack_data() { ByKeyOrMenu(); }
  void trashAndTakeBack() {
    QFETCH(bool, byMenu);
    Sorting s;
    QVERIFY(s.shown);
    const std::string p0 = s.Current();
    const std::string name = fs::path(p0).filename().string();
    const std::string bytes = testsupport::ReadAll(p0);

    s.Command(byMenu, s.form->MainMenu->Trash1, Qt::Key_Delete);
    QVERIFY(!fs::exists(p0));
    QCOMPARE(testsupport::ReadAll(TrashedFile(s, name)), bytes);
    QVERIFY(fs::exists(s.dir / "home/data/Trash/info/" + name + ".trashinfo"));
    QCOMPARE(s.form->Files().Count(), 2);
    QVERIFY(s.Current() != p0);

    QTest::keyClick(s.form->Edit1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(testsupport::ReadAll(p0), bytes);
    QVERIFY(!fs::exists(TrashedFile(s, name)));
    QVERIFY(!fs::exists(s.dir / "home/data/Trash/info/" + name + ".trashinfo"));
    QCOMPARE(s.form->Files().Count(), 3);
  }

  // Without a usable home trash Qt would put the file into ./files under the working folder
  // and call that done.
  void desktopTrashNeedsAnAbsoluteHomeTrash_data() {
    QTest::addColumn<QString>("dataHome");  // under the test folder unless absolute
    QTest::addColumn<bool>("trashed");
    QTest::newRow("missing folders are made") << "made/on/demand" << true;
    QTest::newRow("relative") << "" << false;
    QTest::newRow("below a file") << "picture.jpg/data" << false;
  }
  void desktopTrashNeedsAnAbsoluteHomeTrash() {
    QFETCH(QString, dataHome);
    QFETCH(bool, trashed);
    TempDir dir;
    const std::string picture = dir.Write("picture.jpg", "bytes");
    qputenv("HOME", QByteArray::fromStdString(dir.str()));
    qputenv("XDG_DATA_HOME", dataHome.isEmpty()
                                 ? QByteArrayLiteral("relative/data")
                                 : QByteArray::fromStdString(dir / dataHome.toStdString()));
    const QString saved = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(dir.str()));
    TDesktopTrash trash;
    std::string trashedPath, error;
    const bool done = trash.MoveToTrash(picture, trashedPath, error);
    QDir::setCurrent(saved);

    QCOMPARE(done, trashed);
    QCOMPARE(fs::exists(picture), !trashed);
    QVERIFY(!fs::exists(dir / "files"));
    if (trashed) {
      QCOMPARE(trashedPath, dir / dataHome.toStdString() + "/Trash/files/picture.jpg");
      QCOMPARE(testsupport::ReadAll(trashedPath), std::string("bytes"));
    } else {
      QVERIFY(!error.empty());
    }
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  UndoTrashTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "UndoTrashTest.moc"
