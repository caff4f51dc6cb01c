// The keyboard in the main window: real key events into the input field must reach the
// dispatcher, and what it asks for must come back to the field, the key list and the top bar.
#include <QMenu>
#include <QPushButton>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "platform/ProfileFile.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/ui/PreviewWindow.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

std::string Name(const std::string& path) {
  return fs::path(path).filename().string();
}

// Settings in dir/conf (with extra sortivo.ini text), eight pictures in dir/pics, the
// destinations beside them.
struct Sorting {
  explicit Sorting(const std::string& ini = "") {
    pics = dir.MakeDir("pics");
    for (int i = 0; i < 8; ++i)
      testsupport::WriteJpeg(pics + "/p" + std::to_string(i) + ".jpg", 64, 48, 60 + i);
    for (const char* d : {"cats", "oldcats", "dogs", "trash", "misc", "ak", "bk", "other"})
      dir.MakeDir(d);
    testsupport::WriteJpeg(dir / "other/o.jpg", 32, 32);
    dir.Write("conf/head.txt", "x=" + dir / "trash" + "\r\nx:=throw away\r\n");
    dir.Write("conf/keymap.txt", "[a]\r\ncat=" + dir / "cats" + "\r\ncat:=cats and kittens\r\n" +
                                     "dog==" + dir / "dogs" + "\r\nk=" + dir / "ak" +
                                     "\r\n[b]\r\n" + "cat=" + dir / "oldcats" +
                                     "\r\nk=" + dir / "bk" + "\r\n");
    dir.Write("conf/tail.txt", "misc=" + dir / "misc" + "\r\nlist=" + dir / "keep.txt" +
                                   "\r\nhere=" + pics + "\r\n");
    dir.Write("conf/sortivo.ini", "[Main]\r\nWidth=640\r\nHeight=480\r\n" + ini);
    form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
    form->show();
    shown = QTest::qWaitForWindowActive(form.get(), 5000);
    form->Session().OpenPath(pics);
  }
  ~Sorting() {
    if (form) form->close();
  }

  // Types text into the input field and presses Enter with the given modifiers.
  void Enter(const QString& text, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    if (!text.isEmpty()) QTest::keyClicks(form->Edit1, text);
    QTest::keyClick(form->Edit1, Qt::Key_Return, modifiers);
  }
  // A key of a non-Latin layout as X hands it over: its letter's capital and the key's keycode.
  void TypeLayoutKey(QChar letter, quint32 keycode) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
      QKeyEvent e(type, letter.toUpper().unicode(), Qt::NoModifier, keycode, 0, 0, letter);
      QCoreApplication::sendEvent(form->Edit1, &e);
    }
  }
  void Erase() {
    form->Edit1->selectAll();
    QTest::keyClick(form->Edit1, Qt::Key_Backspace);
  }
  std::string Current() const { return form->Session().Files().GetCurrent(); }
  QColor Status() const { return form->Edit1->palette().color(QPalette::Base); }
  QColor Expected(StatusColor status) const {
    const TCS& c = form->Session().Colors()[status];
    return QColor(c.Red(), c.Green(), c.Blue());
  }
  bool In(const std::string& folder, const std::string& name) const {
    return fs::exists(dir / folder + "/" + name);
  }

  TempDir dir;
  std::string pics;
  std::unique_ptr<TForm1> form;
  bool shown = false;
};

}  // namespace

class KeyboardTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    TApplication::SetErrorReporter([](const QString& text) { QFAIL(qPrintable(text)); });
  }

  void keysSendThePictureWhereTheKeyMapSays() {
    Sorting s;
    QVERIFY(s.shown);
    QCOMPARE(s.form->Session().Files().Count(), 8);

    s.Enter(QStringLiteral(":a"));
    QCOMPARE(s.form->Edit1->selectedText(), QStringLiteral(":a"));
    QCOMPARE(s.form->Session().Files().Count(), 8);
    const std::string p0 = s.Current();
    s.Enter(QStringLiteral("cat"));  // typed over the selected text
    QVERIFY(s.In("cats", Name(p0)));
    QVERIFY(!fs::exists(p0));
    QVERIFY(s.Current() != p0 && !s.Current().empty());
    QCOMPARE(s.Status(), s.Expected(StatusColor::Move));
    QCOMPARE(s.form->Edit1->selectedText(), QStringLiteral("cat"));

    const std::string p1 = s.Current();
    s.Enter(QStringLiteral("cat:b"));
    QVERIFY(s.In("oldcats", Name(p1)));
    const std::string p2 = s.Current();
    s.Enter(QStringLiteral("dog"), Qt::ShiftModifier);  // move-only: Shift does not copy
    QVERIFY(s.In("dogs", Name(p2)));
    QVERIFY(!fs::exists(p2));
    const std::string p3 = s.Current();
    s.Enter(QStringLiteral("x"));
    QVERIFY(s.In("trash", Name(p3)));

    // Shift+Enter copies; the picture stays.
    const std::string p4 = s.Current();
    s.Enter(QStringLiteral("misc"), Qt::ShiftModifier);
    QVERIFY(s.In("misc", Name(p4)));
    QVERIFY(fs::exists(p4));
    QCOMPARE(s.Current(), p4);
    QCOMPARE(s.Status(), s.Expected(StatusColor::Copy));

    // The key list: a search, then a click on the reminder row writes key and section.
    s.Enter(QStringLiteral("kitten"));
    QVERIFY(!s.form->ListBox3->isHidden());
    const std::vector<std::string> rows = {"閉じる", "[a]", "cat=" + s.dir / "cats",
                                           "cat:=cats and kittens"};
    QCOMPARE(s.form->ListBox3->Rows(), rows);
    QCOMPARE(s.form->ListBox3->parentWidget(), s.form->MainPanel);
    QCOMPARE(s.form->ListBox3->geometry(),
             QRect(s.form->Edit1->x(), 0, s.form->MainPanel->width() - s.form->Edit1->x(),
                   s.form->ListBox3->WantedHeight()));
    QCOMPARE(s.Current(), p4);
    auto* list = s.form->ListBox3;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(3)).center());
    QCOMPARE(s.form->Edit1->text(), QStringLiteral("cat:a"));
    QTest::keyClick(s.form->Edit1, Qt::Key_Return);
    QVERIFY(s.In("cats", Name(p4)));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QVERIFY(list->isHidden());
    QTRY_VERIFY(s.form->Edit1->hasFocus());
  }

  void enterWithoutADestinationStepsJumpsOrOpens() {
    Sorting s;
    QVERIFY(s.shown);
    const std::string first = s.Current();

    s.Enter({});
    QCOMPARE(s.form->Session().Files().Index(), 1);
    s.Enter(QStringLiteral("=3"));
    QCOMPARE(s.form->Session().Files().Index(), 2);
    QCOMPARE(s.form->Session().Files().Count(), 8);

    // The picture's own folder: next picture, nothing moved, the field left as typed.
    s.Erase();
    const std::string third = s.Current();
    s.Enter(QStringLiteral("here"));
    QVERIFY(fs::exists(third));
    QCOMPARE(s.form->Session().Files().Index(), 3);
    QCOMPARE(s.form->Edit1->text(), QStringLiteral("here"));
    QVERIFY(!s.form->Edit1->hasSelectedText());

    // A list file: chosen, nothing moved; written when the picture is left.
    s.Erase();
    const std::string fourth = s.Current();
    s.Enter(QStringLiteral("list"));
    QCOMPARE(s.Current(), fourth);
    QVERIFY(fs::exists(fourth));
    QCOMPARE(s.form->Session().Temporary().PendingListFiles,
             std::vector<std::string>{s.dir / "keep.txt"});
    s.Erase();
    s.Enter({});
    QCOMPARE(testsupport::ReadAll(s.dir / "keep.txt"), fourth + "\r\n");

    // A typed path is opened; Enter on nothing with nothing listed reports it.
    s.Enter(Q(s.dir / "other"));
    QCOMPARE(s.form->Session().Files().Source(), s.dir / "other");
    QCOMPARE(s.form->Session().Files().Count(), 1);
    s.Erase();
    s.form->Session().OpenPath(s.dir.MakeDir("empty"));
    s.Enter(QStringLiteral("nothing-bound"));
    QCOMPARE(s.Status(), s.Expected(StatusColor::Default));
    s.Erase();
    s.Enter({});
    QCOMPARE(s.Status(), s.Expected(StatusColor::Empty));
    QVERIFY(s.form->ListBox3->isHidden());
    QVERIFY(fs::exists(first));
  }

  void completionTidyingAndTheWindowsOwnKeys() {
    Sorting s("[Key]\r\nComplete=113\r\n");  // F2
    QVERIFY(s.shown);
    QTest::keyClicks(s.form->Edit1, QStringLiteral("mi"));
    QTest::keyClick(s.form->Edit1, Qt::Key_F2);
    QCOMPARE(s.form->Edit1->text(), QStringLiteral("misc"));
    QCOMPARE(s.form->Edit1->selectedText(), QStringLiteral("sc"));

    s.form->Session().General().AutoDelete = true;
    const std::string first = s.Current();
    QTest::keyClick(s.form->Edit1, Qt::Key_Return);
    QVERIFY(s.In("misc", Name(first)));
    QCOMPARE(s.form->Edit1->text(), QString());

    // Keys reaching the window itself: only the panic key does anything.
    const std::string second = s.Current();
    QTest::keyClick(s.form.get(), Qt::Key_Right);
    QCOMPARE(s.Current(), second);
    QVERIFY(!s.form->isMinimized());
    QTest::keyClick(s.form.get(), Qt::Key_Escape);
    QTRY_VERIFY(s.form->isMinimized());
  }

  void oneKeyModeSortsAtOnce() {
    Sorting s;
    QVERIFY(s.shown);
    const int barHeight = s.form->Edit1->height();
    QCOMPARE(s.form->MainMenu->ButtonOneKey->geometry(),
             QRect(s.form->MainMenu->ButtonMenu->width(), 0,
                   s.form->MainMenu->ButtonOneKey->width(), barHeight));
    QTest::keyClick(s.form->Edit1, Qt::Key_1, Qt::AltModifier);
    QTRY_VERIFY(s.form->Session().General().OneKey);
    QCOMPARE(s.form->MainMenu->ButtonOneKey->text(), QStringLiteral("&1-"));
    QCOMPARE(s.form->Edit1->text(), QString());
    QCOMPARE(s.form->Edit1->x(), s.form->MainMenu->ButtonOneKey->geometry().right() + 1);

    const std::string p0 = s.Current();
    QTest::keyClick(s.form->Edit1, Qt::Key_X);
    QVERIFY(s.In("trash", Name(p0)));
    QCOMPARE(s.form->Edit1->selectedText(), QStringLiteral("x"));
    const std::string pc = s.Current();
    s.TypeLayoutKey(u'ч', 53);  // Cyrillic che lies on the X key
    QVERIFY(s.In("trash", Name(pc)));

    QTest::keyClicks(s.form->Edit1, QStringLiteral(":"));
    QCOMPARE(s.form->Edit1->text(), QStringLiteral(":"));
    QTest::keyClick(s.form->Edit1, Qt::Key_B);
    QCOMPARE(s.form->Edit1->selectedText(), QStringLiteral(":b"));
    const std::string p1 = s.Current();
    QTest::keyClick(s.form->Edit1, Qt::Key_K);
    QVERIFY(s.In("bk", Name(p1)));
    QTest::keyClicks(s.form->Edit1, QStringLiteral(":a"));
    const std::string p2 = s.Current();
    QTest::keyClick(s.form->Edit1, Qt::Key_K);
    QVERIFY(s.In("ak", Name(p2)));

    // The button switches it back.
    QTest::mouseClick(s.form->MainMenu->ButtonOneKey, Qt::LeftButton);
    QVERIFY(!s.form->Session().General().OneKey);
    QCOMPARE(s.form->MainMenu->ButtonOneKey->text(), QStringLiteral("&1+"));
    const std::string p3 = s.Current();
    QTest::keyClick(s.form->Edit1, Qt::Key_X);
    QCOMPARE(s.Current(), p3);
    QCOMPARE(s.form->Edit1->text(), QStringLiteral("x"));
    s.TypeLayoutKey(u'ч', 53);  // outside one-key mode the field shows what the layout types
    QCOMPARE(s.form->Edit1->text(), QStringLiteral("xч"));
  }

  void fullScreenKeepsTheTopBarAndTheNormalBounds() {
    Sorting s;
    QVERIFY(s.shown);
    const QRect normal(s.form->pos(), s.form->size());
    QTest::keyClick(s.form->Edit1, Qt::Key_F11);
    const QSize screen = s.form->screen()->geometry().size();
    QTRY_COMPARE(s.form->size(), screen);
    const int bar = s.form->Edit1->height();
    QCOMPARE(s.form->MainPanel->geometry(), QRect(0, bar, screen.width(), screen.height() - bar));
    QTest::keyClick(s.form->Edit1, Qt::Key_Escape);  // leaves full screen, does not minimise
    QTRY_COMPARE(QRect(s.form->pos(), s.form->size()), normal);
    QVERIFY(!s.form->windowState().testAnyFlags(Qt::WindowFullScreen | Qt::WindowMinimized));
    // The same key in the preview window.
    QTest::keyClick(s.form->Edit1, Qt::Key_F11);
    QTRY_VERIFY(s.form->isFullScreen());
    s.form->Form2->show();
    QTest::keyClick(s.form->Form2, Qt::Key_Escape);
    QTRY_VERIFY(!s.form->isFullScreen());
    QVERIFY(!s.form->isMinimized());

    QTest::keyClick(s.form.get(), Qt::Key_F11);  // closed in full screen: the normal bounds saved
    QTRY_VERIFY(s.form->isFullScreen());
    QVERIFY(s.form->close());
    platform::ProfileFile f;
    f.Load(s.dir / "conf/sortivo.ini");
    const auto stored = [&f](const char* key) { return f.ReadInteger("Main", key, -1); };
    QCOMPARE(QRect(stored("Left"), stored("Top"), stored("Width"), stored("Height")), normal);
    QCOMPARE(stored("Maximized"), 0);
  }

  void stepsTakenBackAndTrashed_data() {
    QTest::addColumn<bool>("byMenu");
    QTest::newRow("keys") << false;
    QTest::newRow("menu") << true;
  }
  // Undo, redo and the trash from keys in the field or from the menu; the field's own text undo
  // stays out of it, and the trash is the one under $XDG_DATA_HOME, made when missing.
  void stepsTakenBackAndTrashed() {
    QFETCH(bool, byMenu);
    Sorting s;
    QVERIFY(s.shown);
    // A home of its own: the pictures lie on its mount, so their trash is home/data/Trash.
    qputenv("HOME", QByteArray::fromStdString(s.dir.MakeDir("home")));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(s.dir / "home/data"));
    TMainMenu& menu = *s.form->MainMenu;
    const auto command = [&](QAction* item, QKeyCombination key) {
      if (!byMenu) return QTest::keyClick(s.form->Edit1, key.key(), key.keyboardModifiers());
      item->trigger();
      QCoreApplication::processEvents();  // the item's command runs queued
    };
    const std::string p0 = s.Current(), name = Name(p0), bytes = testsupport::ReadAll(p0);
    s.Enter(QStringLiteral("misc"));
    const QString typed = s.form->Edit1->text();
    command(menu.Undo1, Qt::CTRL | Qt::Key_Z);
    QVERIFY(fs::exists(p0) && !s.In("misc", name));
    QCOMPARE(s.Current(), p0);
    QCOMPARE(s.form->Edit1->text(), typed);  // the field's own undo would have taken it away
    command(menu.Redo1, Qt::CTRL | Qt::Key_Y);
    QVERIFY(s.In("misc", name) && !fs::exists(p0));
    QCOMPARE(s.form->Edit1->text(), typed);

    command(menu.Undo1, Qt::CTRL | Qt::Key_Z);
    s.Erase();  // Delete sends the picture away only from an empty field
    command(menu.Trash1, QKeyCombination(Qt::Key_Delete));
    const std::string trash = s.dir / "home/data/Trash/";
    QCOMPARE(testsupport::ReadAll(trash + "files/" + name), bytes);
    QVERIFY(!fs::exists(p0) && fs::exists(trash + "info/" + name + ".trashinfo"));
    QTest::keyClick(s.form->Edit1, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(testsupport::ReadAll(p0), bytes);

    // The menu shows each key as it is bound when the menu opens.
    s.form->Session().VirtualKeys()[NavAction::Redo].SetCode(8 + 1024);
    emit menu.aboutToShow();
    QCOMPARE(menu.Redo1->text(),
             "やり直し(&Y)\t" +
                 QKeySequence(Qt::ALT | Qt::Key_Backspace).toString(QKeySequence::NativeText));
  }

  void theMenuOpensFromTheKeyboardAndItsFontReachesTheLayout() {
    Sorting s;
    QVERIFY(s.shown);
    QTest::keyClick(s.form->Edit1, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(s.form->MainMenu->isVisible());
    QCOMPARE(s.form->MainMenu->pos(), s.form->MainMenu->MenuPoint());
    s.form->MainMenu->close();

    const int before = s.form->Edit1->height();
    s.form->MainMenu->SetFontChooser([](const QFont& initial, QWidget*) {
      QFont f(initial);
      f.setPointSize(40);
      f.setStyleName(QStringLiteral("Light"));
      return std::optional<QFont>(f);
    });
    s.form->MainMenu->Font1->trigger();
    const int after = s.form->Edit1->height();
    QVERIFY(after > before);
    QCOMPARE(s.form->InputFont().size, 40);
    QCOMPARE(s.form->InputFont().styleName, std::string("Light"));
    QCOMPARE(s.form->MainPanel->geometry(),
             QRect(0, after, s.form->width(), s.form->height() - after));
    QCOMPARE(s.form->MainMenu->ButtonMenu->height(), after);

    s.form->MainMenu->QuitX1->trigger();
    QTRY_VERIFY(!s.form->isVisible());
  }
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
  KeyboardTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "KeyboardTest.moc"
