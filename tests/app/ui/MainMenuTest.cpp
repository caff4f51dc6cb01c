#include "app/ui/MainMenu.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "app/GeneralManager.h"
#include "app/Layout.h"

namespace {

struct World {
  TGeneralManager general;
  QWidget window;
  TMainMenu* menu;
  QLineEdit* edit = new QLineEdit(&window);
  QSignalSpy arrange;

  World() : menu(new TMainMenu(window)), arrange(menu, &TMainMenu::arrangeRequested) {
    menu->Attach(&general, nullptr);
    window.setGeometry(60, 40, 500, 300);
    Arrange();
    window.show();
    window.activateWindow();
    edit->setFocus();
  }

  LayoutResult Arrange() {
    LayoutInput in;
    in.clientWidth = window.width();
    in.clientHeight = window.height();
    in.editHeight = edit->sizeHint().height();
    in.menuButtonWidth = menu->MenuButtonWidth();
    in.oneKeyButtonWidth = menu->OneKeyButtonWidth();
    const LayoutResult r = ArrangeLayout(in);
    const auto place = [](QWidget* w, PixelRect g) {
      w->setGeometry(g.left, g.top, g.width, g.height);
    };
    place(menu->ButtonMenu, r.buttonMenu);
    place(menu->ButtonOneKey, r.buttonOneKey);
    place(edit, r.edit);
    return r;
  }

  // Where the menu belongs, worked out from the window's client area rather than the button.
  QPoint UnderButton() const {
    const QRect b = menu->ButtonMenu->geometry();
    return window.mapToGlobal(QPoint(b.left(), b.top() + b.height()));
  }
};

}  // namespace

class MainMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void everyItemInOrder() {
    World w;
    const QStringList expected{"Key1:キー(&K)",
                               "Pref1:設定(&P)",
                               "Open1:開く(&O)",
                               "Resume1:続き(&R)",
                               "Font1:フォント(&F)",
                               "N1:-",
                               "Default2:標準(&E)",
                               "Ascending2:昇順(&A)",
                               "Descending2:降順(&D)",
                               "Shuffle2:シャッフル(&S)",
                               "N2:-",
                               "Undo1:元に戻す(&U)",
                               "Redo1:やり直し(&Y)",
                               "Trash1:ごみ箱へ(&T)",
                               "N3:-",
                               "QuitX1:終了(&X)"};
    QStringList actual;
    for (const QAction* a : w.menu->actions())
      actual << a->objectName() + ":" + (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(actual, expected);
    QCOMPARE(w.menu->objectName(), QStringLiteral("MainMenu"));
    QCOMPARE(w.menu->ButtonMenu->text(), QStringLiteral("メニュー(&F)"));
    QCOMPARE(w.menu->ButtonOneKey->text(), QStringLiteral("&1+"));
    QCOMPARE(w.window.findChild<QPushButton*>("ButtonMenu"), w.menu->ButtonMenu);
    QCOMPARE(w.window.findChild<QPushButton*>("ButtonOneKey"), w.menu->ButtonOneKey);
  }

  void altFOpensTheMenuUnderTheButton() {
    World w;
    QVERIFY(QTest::qWaitForWindowActive(&w.window, 2000));
    QTest::keyClick(&w.window, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(w.menu->isVisible(), 2000);
    QCOMPARE(w.menu->pos(), w.UnderButton());
    QCOMPARE(w.menu->pos(), w.menu->MenuPoint());
    w.menu->hide();

    w.window.move(150, 90);
    QTRY_COMPARE_WITH_TIMEOUT(w.window.pos(), QPoint(150, 90), 2000);
    w.menu->ButtonMenuClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.menu->isVisible(), 2000);
    QCOMPARE(w.menu->pos(), w.UnderButton());
    w.menu->hide();
    QVERIFY(w.edit->hasFocus());
  }

  void menuAccelerators_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("item");
    QTest::newRow("K") << int(Qt::Key_K) << "Key1";
    QTest::newRow("P") << int(Qt::Key_P) << "Pref1";
    QTest::newRow("O") << int(Qt::Key_O) << "Open1";
    QTest::newRow("R") << int(Qt::Key_R) << "Resume1";
    QTest::newRow("F") << int(Qt::Key_F) << "Font1";
    QTest::newRow("E") << int(Qt::Key_E) << "Default2";
    QTest::newRow("A") << int(Qt::Key_A) << "Ascending2";
    QTest::newRow("D") << int(Qt::Key_D) << "Descending2";
    QTest::newRow("S") << int(Qt::Key_S) << "Shuffle2";
    QTest::newRow("U") << int(Qt::Key_U) << "Undo1";
    QTest::newRow("Y") << int(Qt::Key_Y) << "Redo1";
    QTest::newRow("T") << int(Qt::Key_T) << "Trash1";
    QTest::newRow("X") << int(Qt::Key_X) << "QuitX1";
  }
  void menuAccelerators() {
    QFETCH(int, key);
    QFETCH(QString, item);
    World w;
    QSignalSpy triggered(w.menu, &QMenu::triggered);
    w.menu->ButtonMenuClick();
    QTRY_VERIFY_WITH_TIMEOUT(w.menu->isVisible(), 2000);
    QTest::keyClick(w.menu, Qt::Key(key));
    QTRY_COMPARE_WITH_TIMEOUT(triggered.count(), 1, 2000);
    QCOMPARE(triggered[0][0].value<QAction*>()->objectName(), item);
  }

  void altOneTogglesOneKeyMode() {
    World w;
    QVERIFY(QTest::qWaitForWindowActive(&w.window, 2000));
    QTest::keyClick(&w.window, Qt::Key_1, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(w.general.OneKey, 2000);
    QCOMPARE(w.menu->ButtonOneKey->text(), QStringLiteral("&1-"));
    QCOMPARE(w.arrange.count(), 1);
    QVERIFY(w.edit->hasFocus());
    w.menu->ButtonOneKey->click();
    QVERIFY(!w.general.OneKey);
    QCOMPARE(w.menu->ButtonOneKey->text(), QStringLiteral("&1+"));
    QCOMPARE(w.arrange.count(), 2);
    // The settings' own switch only sets the caption, and asks for no arrangement.
    w.menu->SetOneKeyMode(true);
    QVERIFY(w.general.OneKey);
    QCOMPARE(w.menu->ButtonOneKey->text(), QStringLiteral("&1-"));
    QCOMPARE(w.arrange.count(), 2);
    w.menu->Attach(nullptr, nullptr);
    w.menu->ButtonOneKey->click();
    QCOMPARE(w.menu->ButtonOneKey->text(), QStringLiteral("&1-"));
    QCOMPARE(w.arrange.count(), 2);
  }

  void buttonWidthsCountTheAmpersandInTheWindowFont() {
    World w;
    const QFontMetrics metrics(w.window.font());
    QCOMPARE(w.menu->OneKeyButtonWidth(), metrics.horizontalAdvance(QStringLiteral("&1+&")));
    QVERIFY(w.menu->OneKeyButtonWidth() > metrics.horizontalAdvance(QStringLiteral("1+")));
    const int menuWidth = w.menu->MenuButtonWidth();
    QFont big = w.edit->font();
    big.setPointSize(big.pointSize() * 3);
    w.edit->setFont(big);
    QCOMPARE(w.menu->MenuButtonWidth(), menuWidth);
  }

  void largerFontMakesTheBarTaller() {
    World w;
    QSignalSpy chosen(w.menu, &TMainMenu::inputFontChosen);
    const LayoutResult before = w.Arrange();
    QFont offered;
    w.menu->SetFontChooser([&](const QFont& initial, QWidget*) -> std::optional<QFont> {
      offered = initial;
      return std::nullopt;
    });
    const QFont original = w.edit->font();
    w.menu->Font1Click(*w.edit);
    QCOMPARE(offered, original);
    QCOMPARE(w.edit->font(), original);
    QCOMPARE(chosen.count(), 0);
    QCOMPARE(w.arrange.count(), 0);

    w.menu->SetFontChooser([](const QFont& initial, QWidget*) -> std::optional<QFont> {
      QFont f = initial;
      f.setPointSize(initial.pointSize() * 3);
      f.setBold(true);
      f.setStrikeOut(true);
      return f;
    });
    w.menu->Font1Click(*w.edit);
    QCOMPARE(w.edit->font().pointSize(), original.pointSize() * 3);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(w.arrange.count(), 1);
    const LayoutResult after = w.Arrange();
    const int grown = after.edit.height - before.edit.height;
    QVERIFY(grown > 0);
    QCOMPARE(before.mainPanel.height - after.mainPanel.height, grown);
    QCOMPARE(w.menu->ButtonMenu->height(), w.edit->height());
    QCOMPARE(w.menu->ButtonOneKey->height(), w.edit->height());

    FontSettings stored;
    stored.color = 0x123456;
    const QFont f = chosen[0][0].value<QFont>();
    FontSettings saved = InputFontSettings(f, stored);
    QCOMPARE(saved.name, f.family().toStdString());
    QCOMPARE(saved.size, original.pointSize() * 3);
    QCOMPARE(saved.style, kFontBold | kFontStrikeOut);
    QCOMPARE(saved.color, 0x123456);
    QCOMPARE(saved.charSet, stored.charSet);
    QFont pixels = f;
    pixels.setPixelSize(30);
    pixels.setBold(false);
    saved = InputFontSettings(pixels, stored);
    QCOMPARE(saved.size, -30);
    QCOMPARE(saved.style, kFontStrikeOut);
  }
};

QTEST_MAIN(MainMenuTest)
#include "MainMenuTest.moc"
