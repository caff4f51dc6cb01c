#include "app/ui/KeyListBox.h"

#include <QFocusEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

const std::vector<std::string> kRows{"[head]", "cat=/c",  "cat:=cats and kittens",
                                     "[a]",    "dog==/d", "dog:=good dogs",
                                     "[ねこ]", "ねこ=/n"};

struct World {
  QWidget host;
  TKeyListBox* list = new TKeyListBox(&host);
  QSignalSpy chosen{list, &TKeyListBox::keyChosen};
  QSignalSpy closed{list, &TKeyListBox::closed};

  World() {
    host.resize(400, 400);
    list->setGeometry(0, 0, 400, 300);
    host.show();
  }

  void ClickRow(int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
  }
  QString LastChosen() const { return chosen.isEmpty() ? QString() : chosen.last()[0].toString(); }
};

}  // namespace

class KeyListBoxTest : public QObject {
  Q_OBJECT

 private slots:
  void showsTheCloseRowFirstAndChoosesNothing() {
    World w;
    QVERIFY(!w.list->isVisible());
    w.list->ShowRows(kRows);
    QVERIFY(w.list->isVisible());
    QCOMPARE(w.list->count(), 9);
    QCOMPARE(w.list->item(0)->text(), QStringLiteral("閉じる"));
    QCOMPARE(w.list->item(8)->text(), QStringLiteral("ねこ=/n"));
    QCOMPARE(w.list->currentRow(), -1);

    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w.list, &focus);
    QCOMPARE(w.list->currentRow(), 1);
    QCOMPARE(w.chosen.count(), 0);
    QCOMPARE(w.closed.count(), 0);
    QVERIFY(w.list->isVisible());

    // A new search replaces the rows, quietly.
    w.list->ShowRows({"[b]", "bee=/b"});
    QCOMPARE(w.list->count(), 3);
    QCOMPARE(w.list->Rows().front(), std::string("閉じる"));
    QCOMPARE(w.chosen.count(), 0);
    QCOMPARE(w.closed.count(), 0);
  }

  void clickingARowWritesKeyAndSection() {
    World w;
    w.list->ShowRows(kRows);
    w.ClickRow(3);
    QCOMPARE(w.chosen.count(), 1);
    QCOMPARE(w.LastChosen(), QStringLiteral("cat:head"));
    w.ClickRow(2);
    QCOMPARE(w.LastChosen(), QStringLiteral("cat:head"));
    // The same row again, after the field was edited meanwhile.
    w.ClickRow(2);
    QCOMPARE(w.chosen.count(), 3);
    w.ClickRow(4);
    QCOMPARE(w.chosen.count(), 3);
    QVERIFY(w.list->isVisible());
    w.ClickRow(8);
    QCOMPARE(w.LastChosen(), QStringLiteral("ねこ:ねこ"));
  }

  void arrowKeysChooseToo() {
    World w;
    w.list->ShowRows(kRows);
    w.list->setCurrentRow(4);
    QCOMPARE(w.chosen.count(), 0);  // a header
    QTest::keyClick(w.list, Qt::Key_Down);
    QCOMPARE(w.LastChosen(), QStringLiteral("dog:a"));
    QTest::keyClick(w.list, Qt::Key_Down);
    QCOMPARE(w.LastChosen(), QStringLiteral("dog:a"));
    QCOMPARE(w.chosen.count(), 2);
    for (int i = 0; i < 6; ++i) QTest::keyClick(w.list, Qt::Key_Up);
    QCOMPARE(w.list->currentRow(), 0);
    QVERIFY(!w.list->isVisible());
    QCOMPARE(w.closed.count(), 1);
  }

  void closeRowHides() {
    World w;
    w.list->ShowRows(kRows);
    w.ClickRow(0);
    QVERIFY(!w.list->isVisible());
    QCOMPARE(w.closed.count(), 1);
    QCOMPARE(w.chosen.count(), 0);
    w.list->ShowRows(kRows);
    QVERIFY(w.list->isVisible());
  }

  void wantsEveryRowsHeight() {
    World w;
    w.list->ShowRows({"[b]", "bee=/b"});
    const int three = w.list->WantedHeight();
    w.list->ShowRows(kRows);
    const int nine = w.list->WantedHeight();
    const int rowHeight = w.list->sizeHintForRow(0);
    QVERIFY(rowHeight > 0);
    QCOMPARE(nine - three, 6 * rowHeight);
    QCOMPARE(nine, 9 * rowHeight + 2 * w.list->frameWidth());
  }
};

QTEST_MAIN(KeyListBoxTest)
#include "KeyListBoxTest.moc"
