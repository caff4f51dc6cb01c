#include "keymap/ui/KeyPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>
#include <memory>

#include "files/DirectoryList.h"
#include "keymap/KeyMap.h"
#include "support/ReadOnly.h"
#include "support/TempDir.h"

namespace {

const char* const kKeyMapFile =
    "free text\r\n[a]\r\ncat=/pics/cats\r\ncat:=cats and kittens\r\ndog==/pics/dogs\r\n"
    "[b]\r\ncat=/old/cats\r\n[c]\r\nodd=/p==q\r\n[extra]\r\n";
const char* const kHeadFile = "x=/trash\r\nx:=throw away\r\n";
const char* const kTailFile = "misc=/pics/misc\r\n";

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QStringList Rows(const QListWidget* list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
  return rows;
}

// A move without a button held, delivered at once: QTest would move the system cursor instead.
void HoverAt(QWidget* w, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton,
                   Qt::NoModifier);
  QCoreApplication::sendEvent(w, &move);
}

QStringList Lines(const std::vector<std::string>& lines) {
  QStringList result;
  for (const auto& l : lines) result << Q(l);
  return result;
}

// A panel over real key map files in a temporary folder, opened and arranged at 800 x 600.
struct World {
  testsupport::TempDir dir;
  std::unique_ptr<TKeyMap> keyMap;
  TDirectoryList directories;
  std::string imageExtensions = ".bmp .gif .jpe .jpeg .jpg .png";
  std::string listExtensions = ".txt";
  std::unique_ptr<KeyPanel> panel;
  int beeps = 0;
  QStringList questions;
  QMessageBox::StandardButton answer = QMessageBox::No;

  World() {
    dir.Write("head.txt", kHeadFile);
    dir.Write("keymap.txt", kKeyMapFile);
    dir.Write("tail.txt", kTailFile);
    dir.MakeDir("dest");
    keyMap = std::make_unique<TKeyMap>("", "", "", dir.str());
    panel = std::make_unique<KeyPanel>(*keyMap, directories, imageExtensions, listExtensions);
    panel->SetBeep([this] { ++beeps; });
    panel->SetConfirm([this](const QString& text) {
      questions << text;
      return answer;
    });
    QObject::connect(panel.get(), &KeyPanel::arrangeRequested, panel.get(), &KeyPanel::Arrange);
    panel->resize(800, 600);
    panel->Open();
  }

  void Register(const QString& path, const QString& key, const QString& section,
                const QString& reminder = {}, bool moveOnly = false) {
    panel->EditPath->setText(path);
    panel->EditKey->setText(key);
    panel->EditReminder->setText(reminder);
    panel->CheckBoxMoveOnly->setChecked(moveOnly);
    panel->ComboBoxSections->setEditText(section);
    panel->ButtonKeyRegist->click();
  }
  QString Dest() const { return Q(dir / "dest"); }
  bool Focused(QWidget* w) const {
    QWidget* f = panel->focusWidget();
    return f == w || w->isAncestorOf(f);
  }
  std::string Saved(const char* name) {
    keyMap->Save();
    return testsupport::ReadAll(dir / name);
  }
};

}  // namespace

class KeyPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void opensArrangesAndCloses() {
    World w;
    KeyPanel& p = *w.panel;
    QVERIFY(w.Focused(p.EditPath));

    // The right-hand column starts 4 past ListBox1, which is docked at its stored width.
    QCOMPARE(p.ListBox1->geometry(), QRect(0, 0, 300, 600));
    QCOMPARE(p.EditPath->geometry().left(), 304);
    QCOMPARE(p.EditPath->width(), 496);
    QCOMPARE(p.EditPath->y(), p.LabelPath->geometry().bottom() + 1);
    QCOMPARE(p.LabelKey->y(), p.EditPath->geometry().bottom() + 1 + 4);
    QCOMPARE(p.ComboBoxSections->width(), 248);
    QCOMPARE(p.ButtonKeyRegist->x(), 304 + 248);
    QCOMPARE(p.ButtonKeyEnd->x(), p.ButtonKeyRegist->geometry().right() + 1);
    QCOMPARE(p.ListBox2->geometry().bottom(), 599);
    QVERIFY(p.ComboBoxSections->findText("extra") >= 0);
    QCOMPARE(p.ComboBoxSections->currentText(), QStringLiteral("[記録するセクションを選びます。]"));

    // Reopening shows the key map's selected section; closing keeps reminder and section.
    QSignalSpy disabled(&p, &KeyPanel::mainInputDisabled);
    QSignalSpy enabled(&p, &KeyPanel::mainInputEnabled);
    w.Register(w.Dest(), "k", "b", "note");
    p.ButtonKeyEndClick();
    QVERIFY(p.isHidden());
    QCOMPARE(enabled.count(), 1);
    QCOMPARE(p.EditPath->text(), QString());
    QCOMPARE(p.EditReminder->text(), QStringLiteral("note"));
    w.keyMap->SelectSection("c");
    p.Open();
    QCOMPARE(disabled.count(), 1);
    QCOMPARE(p.ComboBoxSections->currentText(), QStringLiteral("c"));
    QCOMPARE(Rows(p.ListBox2), QStringList{"odd=/p==q"});
  }

  void refusesRegistration_data() {
    QTest::addColumn<QString>("path");  // "@" stands for the temporary folder
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("reminder");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("text");  // the focused field's text afterwards; empty: unchanged
    QTest::addColumn<QString>("selected");
    QTest::newRow("empty path") << ""
                                << "k"
                                << "a"
                                << ""
                                << "EditPath"
                                << "****"
                                << "****";
    QTest::newRow("empty key") << "@/dest"
                               << ""
                               << "a"
                               << ""
                               << "EditKey"
                               << "****"
                               << "****";
    QTest::newRow("empty section") << "@/dest"
                                   << "k"
                                   << ""
                                   << ""
                                   << "ComboBoxSections"
                                   << "****"
                                   << "****";
    QTest::newRow("no folder") << "@/none"
                               << "k"
                               << "a"
                               << ""
                               << "EditPath"
                               << ""
                               << "@/none";
    QTest::newRow("list file, folder missing") << "@/none/l.txt"
                                               << "k"
                                               << "a"
                                               << ""
                                               << "EditPath"
                                               << ""
                                               << "@/none/l.txt";
    QTest::newRow("equals in key") << "@/dest"
                                   << "a=b"
                                   << "a"
                                   << ""
                                   << "EditKey"
                                   << ""
                                   << "=";
    QTest::newRow("colon in key") << "@/dest"
                                  << "a:b"
                                  << "a"
                                  << ""
                                  << "EditKey"
                                  << ""
                                  << ":";
    QTest::newRow("bracket in section") << "@/dest"
                                        << "k"
                                        << "[q"
                                        << ""
                                        << "ComboBoxSections"
                                        << ""
                                        << "[q";
    QTest::newRow("key opening with a bracket") << "@/dest"
                                                << "[k"
                                                << "a"
                                                << ""
                                                << "EditKey"
                                                << ""
                                                << "[";
    QTest::newRow("line break in key") << "@/dest"
                                       << "k\nj"
                                       << "a"
                                       << ""
                                       << "EditKey"
                                       << ""
                                       << "\n";
    QTest::newRow("line break in reminder") << "@/dest"
                                            << "k"
                                            << "a"
                                            << "r\r\nx=/y"
                                            << "EditReminder"
                                            << ""
                                            << "\r";
  }

  void refusesRegistration() {
    QFETCH(QString, path);
    QFETCH(QString, key);
    QFETCH(QString, section);
    QFETCH(QString, reminder);
    QFETCH(QString, focus);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    World w;
    path.replace("@", Q(w.dir.str()));
    selected.replace("@", Q(w.dir.str()));
    const auto lines = w.keyMap->KeyMapLines();
    w.Register(path, key, section, reminder);

    QCOMPARE(w.beeps, 1);
    QVERIFY(w.questions.isEmpty());
    QCOMPARE(w.keyMap->KeyMapLines(), lines);
    QCOMPARE(w.keyMap->HeadLines().size(), std::size_t{2});
    auto* field = w.panel->findChild<QWidget*>(focus);
    QVERIFY(w.Focused(field));
    QLineEdit* edit = qobject_cast<QLineEdit*>(field);
    if (!edit) edit = w.panel->ComboBoxSections->lineEdit();
    if (!text.isEmpty()) QCOMPARE(edit->text(), text);
    QCOMPARE(edit->selectedText(), selected);
  }

  void acceptsDestinations_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("stored");
    QTest::newRow("list file yet to be made") << "@/dest/sorted.txt"
                                              << "@/dest/sorted.txt";
    QTest::newRow("folder named like a list file") << "@/box.TXT"
                                                   << "@/box.TXT";
    QTest::newRow("second list extension") << "@/dest/keep.lst"
                                           << "@/dest/keep.lst";
    QTest::newRow("doubled and trailing separators") << "@//dest/"
                                                     << "@/dest";
    QTest::newRow("list extension in other letter case") << "@/dest/keep.LST"
                                                         << "@/dest/keep.LST";
    QTest::newRow("relative folder") << "dest/../dest"
                                     << "@/dest";
    QTest::newRow("relative list file") << "keep.txt"
                                        << "@/keep.txt";
  }

  void acceptsDestinations() {
    QFETCH(QString, path);
    QFETCH(QString, stored);
    World w;
    w.dir.MakeDir("box.TXT");
    w.listExtensions = ".txt .lst";
    path.replace("@", Q(w.dir.str()));
    stored.replace("@", Q(w.dir.str()));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(w.dir.path());
    w.Register(path, "k", "a");
    std::filesystem::current_path(cwd);
    QCOMPARE(w.beeps, 0);
    QCOMPARE(Q(w.keyMap->Lookup("a", "k").path), stored);
    QCOMPARE(w.panel->EditKey->text(), QString());
    QVERIFY(w.Focused(w.panel->EditPath));
    QCOMPARE(w.panel->EditPath->selectedText(), path);
    QCOMPARE(Rows(w.panel->ListBox2).first(), "k=" + stored);
  }

  void markerOfAnEmptyKeyCanBeRegistered() {
    World w;
    w.Register(w.Dest(), "", "a");
    QCOMPARE(w.panel->EditKey->selectedText(), QStringLiteral("****"));
    w.panel->ButtonKeyRegist->click();
    QCOMPARE(w.beeps, 1);
    QCOMPARE(Q(w.keyMap->Lookup("a", "****").path), w.Dest());
  }

  void overwritesOnlyWhenConfirmed_data() {
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes") << true;
    QTest::newRow("No") << false;
  }

  void overwritesOnlyWhenConfirmed() {
    QFETCH(bool, yes);
    World w;
    w.answer = yes ? QMessageBox::Yes : QMessageBox::No;
    const auto before = w.keyMap->KeyMapLines();
    w.Register(w.Dest(), "cat", "a", "new note");
    QCOMPARE(w.questions,
             QStringList{QStringLiteral("上書きしますか？\n/pics/cats\ncats and kittens")});
    if (!yes) {
      QCOMPARE(w.keyMap->KeyMapLines(), before);
      QCOMPARE(w.panel->EditKey->text(), QStringLiteral("cat"));
      return;
    }
    const QStringList expected{"cat=" + w.Dest(), "cat:=new note", "dog==/pics/dogs"};
    QCOMPARE(Rows(w.panel->ListBox2), expected);
    QCOMPARE(Lines(w.keyMap->SectionLines("a")), expected);
  }

  void registrationReachesTheFiles() {
    World w;
    w.Register(w.Dest(), "k", "q", "quick", true);
    QCOMPARE(Rows(w.panel->ListBox2), (QStringList{"k==" + w.Dest(), "k:=quick"}));
    w.Register(w.Dest(), "h", "head");
    const std::string dest = w.Dest().toStdString();
    QCOMPARE(w.Saved("keymap.txt"),
             std::string(kKeyMapFile) + "[q]\r\nk==" + dest + "\r\nk:=quick\r\n");
    QCOMPARE(w.Saved("head.txt"), "h=" + dest + "\r\n" + kHeadFile);
    QCOMPARE(w.Saved("tail.txt"), std::string(kTailFile));
  }

  void deletesKeys() {
    World w;
    KeyPanel& p = *w.panel;
    p.ComboBoxSections->setEditText("a");
    const QStringList shown = Rows(p.ListBox2);
    p.EditKey->setText("ca");
    p.ButtonKeyDelete->click();
    QCOMPARE(w.beeps, 0);
    QCOMPARE(Rows(p.ListBox2), shown);

    p.EditKey->setText("cat");
    p.ButtonKeyDelete->click();
    QCOMPARE(Rows(p.ListBox2), QStringList{"dog==/pics/dogs"});
    QCOMPARE(p.EditKey->text(), QStringLiteral("cat"));

    p.EditKey->clear();
    p.ButtonKeyDelete->click();
    QCOMPARE(w.beeps, 1);
    QVERIFY(w.Focused(p.EditKey));
  }

  void choosingASectionSelectsItForTheInputField() {
    World w;
    KeyPanel& p = *w.panel;
    QSignalSpy changed(&p, &KeyPanel::selectedSectionChanged);
    p.ComboBoxSections->setCurrentIndex(p.ComboBoxSections->findText("b"));
    QCOMPARE(w.keyMap->SelectedName(), std::string("b"));
    QCOMPARE(Rows(p.ListBox2), QStringList{"cat=/old/cats"});
    QCOMPARE(changed.count(), 1);
    for (const char* file : {"head", "tail"}) {
      p.ComboBoxSections->lineEdit()->setText(file);
      QCOMPARE(w.keyMap->SelectedName(), std::string("b"));
      QCOMPARE(Rows(p.ListBox2), Lines(w.keyMap->SectionLines(file)));
    }
    // Typing passes through the beginnings of a name; a name without a section shows the last.
    p.ComboBoxSections->lineEdit()->setText("nowhere");
    QCOMPARE(Rows(p.ListBox2), QStringList{"cat=/old/cats"});
    QCOMPARE(changed.count(), 1);
  }

  void typedSectionStaysAsTyped() {
    World w;
    KeyPanel& p = *w.panel;
    // The completer completes only in a focused field.
    p.show();
    p.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p, 5000));
    p.ComboBoxSections->setFocus();
    for (const QString typed : {"h", "TA"}) {
      p.ComboBoxSections->lineEdit()->clear();
      QTest::keyClicks(p.ComboBoxSections->lineEdit(), typed);
      QTest::keyClick(p.ComboBoxSections->lineEdit(), Qt::Key_Return);
      QCOMPARE(p.ComboBoxSections->currentText(), typed);
    }
  }

  void clickingARowLoadsItsKey_data() {
    QTest::addColumn<QString>("section");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("moveOnly");
    QTest::addColumn<QString>("reminder");
    QTest::newRow("entry line") << "a" << 0 << "cat"
                                << "/pics/cats" << false << "cats and kittens";
    QTest::newRow("reminder line") << "a" << 1 << "cat"
                                   << "/pics/cats" << false << "cats and kittens";
    QTest::newRow("move-only") << "a" << 2 << "dog"
                               << "/pics/dogs" << true << "";
    QTest::newRow("marker in the path") << "c" << 0 << "odd"
                                        << "/p==q" << false << "";
    QTest::newRow("head file") << "head" << 1 << "x"
                               << "/trash" << false << "throw away";
  }

  void clickingARowLoadsItsKey() {
    QFETCH(QString, section);
    QFETCH(int, row);
    QFETCH(QString, key);
    QFETCH(QString, path);
    QFETCH(bool, moveOnly);
    QFETCH(QString, reminder);
    World w;
    KeyPanel& p = *w.panel;
    p.CheckBoxMoveOnly->setChecked(!moveOnly);
    p.EditReminder->setText("stale");
    p.ComboBoxSections->setEditText(section);
    QListWidgetItem* item = p.ListBox2->item(row);
    QTest::mouseClick(p.ListBox2->viewport(), Qt::LeftButton, {},
                      p.ListBox2->visualItemRect(item).center());
    QCOMPARE(p.EditKey->text(), key);
    QCOMPARE(p.EditPath->text(), path);
    QCOMPARE(p.CheckBoxMoveOnly->isChecked(), moveOnly);
    QCOMPARE(p.EditReminder->text(), reminder);
  }

  void searchesDroppedFolders() {
    World w;
    KeyPanel& p = *w.panel;
    const QString root = Q(w.dir.MakeDir("root"));
    for (const char* d :
         {"root/gamma", "root/alpha/deep", "root/Beta", "root/.dot/inner", "root/ro/child"})
      w.dir.MakeDir(d);
    const std::string picture = w.dir.Write("root/Beta/p.jpg", "x");
    // The search passes over folders without write permission; chmod alone says so.
    testsupport::ReadOnlyGuard readOnly(w.dir / "root/ro");

    QVERIFY(p.FilesDropped(root, p.ListBox1->viewport()));
    const QStringList all{root, root + "/alpha", root + "/alpha/deep", root + "/Beta",
                          root + "/gamma"};
    QCOMPARE(Rows(p.ListBox1), all);
    QVERIFY(p.BitBtn1->isHidden());

    p.ListBox1->setCurrentRow(3);
    QCOMPARE(p.EditPath->text(), root + "/Beta");

    p.FilesDropped(root + "/missing", p.ListBox1);
    QVERIFY(p.BitBtn1->isHidden());
    QCOMPARE(Rows(p.ListBox1), all);

    p.FilesDropped(Q(picture), p.ListBox1);
    QCOMPARE(Rows(p.ListBox1), QStringList{root + "/Beta"});
  }

  void abortKeepsWhatWasFound() {
    World w;
    KeyPanel& p = *w.panel;
    const QString root = Q(w.dir.MakeDir("root"));
    for (const char* d : {"root/z/1", "root/m/2", "root/a/3"}) w.dir.MakeDir(d);
    bool coveredDuringSearch = false;
    p.SetPump([&] {
      coveredDuringSearch =
          !p.BitBtn1->isHidden() && p.BitBtn1->geometry() == p.ListBox1->geometry();
      QTest::mouseClick(p.BitBtn1, Qt::LeftButton);
    });
    p.FilesDropped(root, p.ListBox1);
    QVERIFY(coveredDuringSearch);
    // The walk is breadth-first: after the root only its children were found.
    QCOMPARE(Rows(p.ListBox1), (QStringList{root, root + "/a", root + "/m", root + "/z"}));
    QVERIFY(p.BitBtn1->isHidden());
  }

  void secondDropDuringASearchIsRefused() {
    World w;
    KeyPanel& p = *w.panel;
    const QString root = Q(w.dir.MakeDir("root"));
    w.dir.MakeDir("root/b/c");
    const QString other = Q(w.dir.MakeDir("other"));
    int calls = 0;
    QStringList shownDuring;
    bool buttonKept = false;
    p.SetPump([&] {
      if (calls++ > 0) return;
      p.FilesDropped(other, p.ListBox1);
      p.FilesDropped(other + "/missing", p.ListBox1);
      shownDuring = Rows(p.ListBox1);
      buttonKept = !p.BitBtn1->isHidden();
    });
    p.FilesDropped(root, p.ListBox1);
    QCOMPARE(shownDuring, (QStringList{root, root + "/b"}));
    QVERIFY(buttonKept);
    QCOMPARE(Rows(p.ListBox1), (QStringList{root, root + "/b", root + "/b/c"}));
    QVERIFY(p.BitBtn1->isHidden());
  }

  void dropsElsewhereFillThePath_data() {
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<QString>("path");
    QTest::newRow("folder") << "@/dest"
                            << "@/dest";
    QTest::newRow("picture") << "@/dest/p.JPG"
                             << "@/dest";
    QTest::newRow("list file") << "@/dest/l.txt"
                               << "@/dest/l.txt";
    QTest::newRow("nothing there") << "@/gone"
                                   << "before";
  }

  void dropsElsewhereFillThePath() {
    QFETCH(QString, dropped);
    QFETCH(QString, path);
    World w;
    w.dir.Write("dest/p.JPG", "x");
    w.dir.Write("dest/l.txt", "");
    dropped.replace("@", Q(w.dir.str()));
    path.replace("@", Q(w.dir.str()));
    w.panel->EditPath->setText("before");
    QVERIFY(w.panel->FilesDropped(dropped, w.panel->EditReminder));
    QCOMPARE(w.panel->EditPath->text(), path);
    QVERIFY(w.Focused(w.panel->EditKey));
    w.panel->ButtonKeyEndClick();
    QVERIFY(!w.panel->FilesDropped(dropped, w.panel->ListBox1));
  }

  void dividerDragWidensTheListWithinBounds() {
    World w;
    KeyPanel& p = *w.panel;
    QSignalSpy arranged(&p, &KeyPanel::arrangeRequested);
    HoverAt(&p, QPoint(302, 20));
    QCOMPARE(p.cursor().shape(), Qt::SplitHCursor);
    QCOMPARE(p.ListBox1->viewport()->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(p.ButtonKeyDelete->cursor().shape(), Qt::ArrowCursor);
    HoverAt(&p, QPoint(310, 20));
    QCOMPARE(p.cursor().shape(), Qt::ArrowCursor);

    const auto drag = [&](int from, int to) {
      QTest::mousePress(&p, Qt::LeftButton, {}, QPoint(from, 20));
      QTest::mouseRelease(&p, Qt::LeftButton, {}, QPoint(to, 20));
    };
    drag(301, 351);
    QCOMPARE(p.DirectoryListWidth(), 350);
    QCOMPARE(p.ListBox1->width(), 350);
    QCOMPARE(p.EditPath->x(), 354);
    QCOMPARE(arranged.count(), 1);
    QVERIFY(!p.DividerDragging());
    drag(352, 2000);
    QCOMPARE(p.DirectoryListWidth(), 800 - 4 - KeyPanel::kMinColumnWidth);
    drag(p.ListBox1->width(), -500);
    QCOMPARE(p.DirectoryListWidth(), 0);
    drag(100, 300);  // off the divider: nothing moves
    QCOMPARE(p.DirectoryListWidth(), 0);
    QCOMPARE(arranged.count(), 3);
  }
};

QTEST_MAIN(KeyPanelTest)
#include "KeyPanelTest.moc"
