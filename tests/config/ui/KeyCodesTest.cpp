#include <QKeyEvent>
#include <QTest>

#include "config/ui/KeyCodes.h"

class KeyCodesTest : public QObject {
  Q_OBJECT

 private slots:
  void bindingCodes_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("code");

    const Qt::KeyboardModifiers none;
    const Qt::KeyboardModifiers pad = Qt::KeypadModifier;
    QTest::newRow("Ctrl+Alt+Left")
        << int(Qt::Key_Left) << (Qt::ControlModifier | Qt::AltModifier) << 1573;
    QTest::newRow("A") << int(Qt::Key_A) << none << 65;
    QTest::newRow("Shift+A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 321;
    QTest::newRow("lower-case a") << int('a') << none << 65;
    QTest::newRow("Z") << int(Qt::Key_Z) << none << 90;
    QTest::newRow("keypad 5") << int(Qt::Key_5) << pad << 101;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << pad << 96;
    QTest::newRow("top-row 5") << int(Qt::Key_5) << none << 53;
    QTest::newRow("Return") << int(Qt::Key_Return) << none << 13;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << pad << 13;
    QTest::newRow("F1") << int(Qt::Key_F1) << none << 112;
    QTest::newRow("F12") << int(Qt::Key_F12) << none << 123;
    QTest::newRow("Shift+Up") << int(Qt::Key_Up) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 294;
    QTest::newRow("Ctrl+Left") << int(Qt::Key_Left) << Qt::KeyboardModifiers(Qt::ControlModifier)
                               << 549;
    QTest::newRow("Shift+Ctrl+Alt+Esc")
        << int(Qt::Key_Escape) << (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)
        << 27 + 256 + 512 + 1024;
    // Keypad modifiers alone add nothing to the code.
    QTest::newRow("keypad Home") << int(Qt::Key_Home) << pad << 36;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << pad << 106;
    QTest::newRow("keypad +") << int(Qt::Key_Plus) << pad << 107;
    QTest::newRow("keypad -") << int(Qt::Key_Minus) << pad << 109;
    QTest::newRow("keypad .") << int(Qt::Key_Period) << pad << 110;
    QTest::newRow("keypad /") << int(Qt::Key_Slash) << pad << 111;
    QTest::newRow("minus") << int(Qt::Key_Minus) << none << 189;
    QTest::newRow("slash") << int(Qt::Key_Slash) << none << 191;
    QTest::newRow("Eisu") << int(Qt::Key_Eisu_toggle) << none << 240;
    QTest::newRow("Shift+Eisu") << int(Qt::Key_Eisu_Shift)
                                << Qt::KeyboardModifiers(Qt::ShiftModifier) << 240 + 256;
    // A pressed modifier key counts itself as held.
    QTest::newRow("Shift key") << int(Qt::Key_Shift) << none << 16 + 256;
    QTest::newRow("Control key") << int(Qt::Key_Control) << none << 17 + 512;
    QTest::newRow("Alt key") << int(Qt::Key_Alt) << none << 18 + 1024;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << none << 9;
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                               << 9 + 256;
    QTest::newRow("JIS @") << int(Qt::Key_At) << none << 192;
    QTest::newRow("US Shift+2") << int(Qt::Key_At) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                << 50 + 256;
    QTest::newRow("JIS ^") << int(Qt::Key_AsciiCircum) << none << 222;
    QTest::newRow("JIS :") << int(Qt::Key_Colon) << none << 186;
    QTest::newRow("US Shift+1") << int(Qt::Key_Exclam) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                                << 49 + 256;
    QTest::newRow("Shift+$") << int(Qt::Key_Dollar) << Qt::KeyboardModifiers(Qt::ShiftModifier)
                             << 52 + 256;
    QTest::newRow("yen") << int(Qt::Key_yen) << none << 220;
    QTest::newRow("]") << int(Qt::Key_BracketRight) << none << 221;
    QTest::newRow("media key") << int(Qt::Key_VolumeUp) << none << 0;
  }

  void bindingCodes() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, code);
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCOMPARE(BindingCode(TranslateKeyEvent(event)), code);
  }

  void modifierBitsMatchTheBindings() {
    QCOMPARE(KeyModifiersOf(Qt::ShiftModifier), kShift);
    QCOMPARE(KeyModifiersOf(Qt::AltModifier | Qt::KeypadModifier), kAlt);
    QCOMPARE(KeyModifiersOf(Qt::ControlModifier | Qt::ShiftModifier), ModifierSet(kCtrl | kShift));
    QCOMPARE(KeyModifiersOf(Qt::MetaModifier), kNoModifiers);
    // Only the low byte names the key.
    QCOMPARE(BindingCode({0x125, kCtrl}), 0x25 + 512);
  }

  void scanCodesDecideTheDigitRowAndJapaneseKeys() {
    // JIS Shift+2 is '"': by position it is still the 2 key.
    QCOMPARE(VirtualKeyOf(Qt::Key_QuoteDbl, Qt::ShiftModifier, 11, true), 50);
    QCOMPARE(VirtualKeyOf(Qt::Key_ParenRight, Qt::ShiftModifier, 19, true), 48);
    QCOMPARE(VirtualKeyOf(Qt::Key_Backslash, Qt::NoModifier, 97, true), 226);
    QCOMPARE(VirtualKeyOf(Qt::Key_Backslash, Qt::NoModifier, 132, true), 220);
    // Other platforms' scan codes mean something else and are ignored.
    QCOMPARE(VirtualKeyOf(Qt::Key_QuoteDbl, Qt::ShiftModifier, 11, false), 222);
    // Keypad keys never take the digit row's numbers.
    QCOMPARE(VirtualKeyOf(Qt::Key_7, Qt::KeypadModifier, 16, true), 103);
    // Letters come from the key whatever its position.
    QCOMPARE(VirtualKeyOf(Qt::Key_Q, Qt::NoModifier, 38, true), 81);
    QCOMPARE(VirtualKeyOf(Qt::Key_Comma, Qt::NoModifier, 58, true), 188);  // AZERTY M key
    // Letters of non-Latin layouts (Qt names them by their capitals) go by the US key under them.
    QCOMPARE(VirtualKeyOf(u'Ф', Qt::ShiftModifier, 38, true), 65);
    QCOMPARE(VirtualKeyOf(u'Ч', Qt::ControlModifier, 53, true), 88);
    QCOMPARE(VirtualKeyOf(u'Х', Qt::NoModifier, 34, true), 219);
    QCOMPARE(VirtualKeyOf(u'Σ', Qt::NoModifier, 25, true), 87);  // Greek final sigma
    QCOMPARE(VirtualKeyOf(u'ש', Qt::NoModifier, 38, true), 65);
    QCOMPARE(VirtualKeyOf(u'Ф', Qt::NoModifier, 100, true), 0);  // no letter key there
    QCOMPARE(VirtualKeyOf(u'Ф', Qt::NoModifier, 38, false), 0);  // no X keycode
  }
};

QTEST_MAIN(KeyCodesTest)
#include "KeyCodesTest.moc"
