#include "config/ui/PrefPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <map>

#include "app/GeneralManager.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"

namespace {

// Stands in for the main window: owns the objects, and counts the keys that reach it.
class Host : public QWidget {
 public:
  TGeneralManager general;
  TVirtualKeys keys;
  TColorManager colors;
  PrefPanel panel{{general.AutoComp, general.AutoDelete, general.EnterToCopy, general.RelativePath,
                   general.Language, general.SidecarExtensions},
                  keys,
                  colors,
                  this};
  int keysSeen = 0;

  Host() {
    resize(1200, 900);
    show();
  }
  template <class T>
  T* Child(const QString& name) {
    return panel.findChild<T*>(name);
  }

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keysSeen; }
};

struct Values {
  bool flags[4];
  std::string sidecars;
  std::string colorTexts[kStatusColorCount];
  std::uint32_t colors[kStatusColorCount];
  int codes[kNavActionCount];
};

Values Capture(const TGeneralManager& g, const TColorManager& c, const TVirtualKeys& k) {
  Values v{
      {g.AutoComp, g.AutoDelete, g.EnterToCopy, g.RelativePath}, g.SidecarExtensions, {}, {}, {}};
  for (std::size_t i = 0; i < kStatusColorCount; ++i) {
    v.colorTexts[i] = c[static_cast<StatusColor>(i)].text;
    v.colors[i] = c[static_cast<StatusColor>(i)].color;
  }
  for (std::size_t i = 0; i < kNavActionCount; ++i)
    v.codes[i] = k[static_cast<NavAction>(i)].GetCode();
  return v;
}

bool Same(const Values& a, const Values& b) {
  return std::equal(a.flags, a.flags + 4, b.flags) && a.sidecars == b.sidecars &&
         std::equal(a.colorTexts, a.colorTexts + kStatusColorCount, b.colorTexts) &&
         std::equal(a.colors, a.colors + kStatusColorCount, b.colors) &&
         std::equal(a.codes, a.codes + kNavActionCount, b.codes);
}

const std::map<QString, StatusColor> kColorFields = {
    {"EditStandardColor", StatusColor::Default},
    {"EditMoveColor", StatusColor::Move},
    {"EditCopyColor", StatusColor::Copy},
    {"EditExtensionColor", StatusColor::IncorrectExtension},
    {"EditSameFileColor", StatusColor::SameFile},
    {"EditEmptyFolder", StatusColor::Empty},
    {"EditFailColor", StatusColor::Error}};

const std::map<QString, NavAction> kBindingFields = {
    {"EditAutoComp", NavAction::Complete},
    {"EditPanic", NavAction::Emergency},
    {"EditOneKey", NavAction::OneKey},
    {"EditPrevious", NavAction::Previous},
    {"EditNext", NavAction::Next},
    {"EditHead", NavAction::Head},
    {"EditTail", NavAction::Tail},
    {"EditUp", NavAction::Up},
    {"EditDown", NavAction::Down},
    {"EditLeft", NavAction::Left},
    {"EditRight", NavAction::Right},
    {"Edit270", NavAction::Turn270},
    {"Edit90", NavAction::Turn90},
    {"EditParentDir", NavAction::ParentDirectory},
    {"EditChildDir", NavAction::ChildDirectory},
    {"EditPreviousDir", NavAction::PreviousDirectory},
    {"EditNextDir", NavAction::NextDirectory},
    {"EditUndo", NavAction::Undo},
    {"EditRedo", NavAction::Redo},
    {"EditTrash", NavAction::Trash},
    {"EditFullScreen", NavAction::FullScreen}};

int Right(const QWidget* w) {
  return w->x() + w->width();
}
int Bottom(const QWidget* w) {
  return w->y() + w->height();
}

}  // namespace

class PrefPanelTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithTheValuesAndClosingDropsEdits() {
    Host h;
    h.general.AutoComp = true;
    h.general.RelativePath = true;
    h.general.SidecarExtensions = ".xmp .pp3";
    h.colors[StatusColor::Copy].SetText("#123456");
    h.keys[NavAction::Emergency].SetCode(294);
    const Values before = Capture(h.general, h.colors, h.keys);
    QVERIFY(QTest::qWaitForWindowActive(&h));
    QVERIFY(!h.panel.isVisible());

    h.panel.Open();
    QVERIFY(h.panel.isVisible());
    QVERIFY(h.panel.CheckBoxAutoComp->isChecked());
    QVERIFY(!h.panel.CheckBoxAutoDelete->isChecked());
    QVERIFY(h.panel.CheckBoxListPath->isChecked());
    QCOMPARE(h.panel.EditCopyColor->text(), QStringLiteral("#123456"));
    QCOMPARE(h.panel.EditFailColor->text(), QStringLiteral("FF0000"));
    QCOMPARE(h.panel.EditPanic->text(), QStringLiteral("294"));
    QCOMPARE(h.panel.EditAutoComp->text(), QStringLiteral("240"));
    QCOMPARE(h.panel.EditSidecarExtensions->text(), QStringLiteral(".xmp .pp3"));
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), h.panel.CheckBoxAutoComp, 5000);

    for (QLineEdit* e : h.panel.findChildren<QLineEdit*>()) e->setText(QStringLiteral("1"));
    for (QCheckBox* c : h.panel.findChildren<QCheckBox*>()) c->toggle();
    QTest::mouseClick(h.panel.ButtonPrefClose, Qt::LeftButton);
    QVERIFY(!h.panel.isVisible());
    QVERIFY(Same(Capture(h.general, h.colors, h.keys), before));

    h.panel.Open();
    QCOMPARE(h.panel.EditMoveColor->text(), QStringLiteral("FFFFFF"));
    QCOMPARE(h.panel.EditNext->text(), QStringLiteral("39"));
    QVERIFY(!h.panel.CheckBoxAutoDelete->isChecked());
  }

  void registersFieldByField_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    const auto row = [](const char* field, const char* text, bool valid) {
      QTest::addRow("%s %s", field, text) << QString(field) << QString(text) << valid;
    };
    row("EditStandardColor", "#00FF00", true);
    row("EditMoveColor", "00ff00", true);
    row("EditCopyColor", "FF", true);
    row("EditExtensionColor", "FFFFFF00", true);
    row("EditSameFileColor", "$FF0000", false);
    row("EditEmptyFolder", "", false);
    row("EditFailColor", "zz", false);
    row("EditFailColor", "123456", true);
    const char* codes[] = {"241", "1051", "113", "290", "38", "1", "0",  "300", "4133", "2", "3",
                           "4",   "5",    "6",   "7",   "8",  "9", "10", "11",  "12",   "13"};
    int i = 0;
    for (const auto& [name, action] : kBindingFields)
      row(name.toLatin1().constData(), codes[i++], true);
    row("EditPrevious", "abc", false);
    row("EditNext", "-5", false);
    row("EditHead", "", false);
    row("EditRight", " 5", false);
    row("EditDown", "99999999999", false);
    // Sidecar extensions: a list of dotted extensions, or none at all.
    row("EditSidecarExtensions", ".xmp .pp3", true);
    row("EditSidecarExtensions", "", true);
    row("EditSidecarExtensions", ".xmp xmp", false);
    row("EditSidecarExtensions", "./../x", false);
  }

  // Each field reaches its own value and no other; an invalid text keeps the old one.
  void registersFieldByField() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, valid);
    Host h;
    h.general.SidecarExtensions = ".xmp";
    TGeneralManager general = h.general;
    TColorManager colors = h.colors;
    TVirtualKeys keys = h.keys;
    const Values before = Capture(h.general, h.colors, h.keys);
    if (kColorFields.count(field)) colors[kColorFields.at(field)].SetText(text.toStdString());
    if (kBindingFields.count(field)) keys[kBindingFields.at(field)].SetText(text.toStdString());
    if (field == "EditSidecarExtensions" && valid) general.SidecarExtensions = text.toStdString();

    h.panel.Open();
    h.Child<QLineEdit>(field)->setText(text);
    QTest::mouseClick(h.panel.ButtonPrefRegist, Qt::LeftButton);
    const Values after = Capture(h.general, h.colors, h.keys);
    QVERIFY(Same(after, Capture(general, colors, keys)));
    QCOMPARE(!Same(after, before), valid);
  }

  void registeringStoresOptionsAndHandsBackTheInput() {
    Host h;
    auto* edit1 = new QLineEdit(&h);
    edit1->show();
    QStringList order;
    connect(&h.panel, &PrefPanel::DisableMainInput, [&] { edit1->setEnabled(false); });
    connect(&h.panel, &PrefPanel::EnableMainInput, [&] {
      order << QStringLiteral("enable") << (h.panel.isVisible() ? "visible" : "hidden");
      edit1->setEnabled(true);
    });
    connect(&h.panel, &PrefPanel::FocusMainInput, [&] {
      order << QStringLiteral("focus");
      edit1->setFocus();
    });
    connect(&h.panel, &PrefPanel::SettingsChanged, [&] { order << QStringLiteral("changed"); });
    QVERIFY(QTest::qWaitForWindowActive(&h));

    for (int mask : {0b0101, 0b1010}) {
      order.clear();
      h.panel.Open();
      QVERIFY(!edit1->isEnabled());
      const QList<QCheckBox*> boxes = {h.panel.CheckBoxAutoComp, h.panel.CheckBoxAutoDelete,
                                       h.panel.CheckBoxCopyFixed, h.panel.CheckBoxListPath};
      for (int b = 0; b < 4; ++b) boxes[b]->setChecked(mask & (1 << b));
      h.panel.ComboBoxLanguage->setCurrentIndex(mask == 0b0101 ? 2 : 0);
      QTest::mouseClick(h.panel.ButtonPrefRegist, Qt::LeftButton);
      QCOMPARE(h.general.Language, mask == 0b0101 ? "en" : "");
      QCOMPARE(h.general.AutoComp, bool(mask & 1));
      QCOMPARE(h.general.AutoDelete, bool(mask & 2));
      QCOMPARE(h.general.EnterToCopy, bool(mask & 4));
      QCOMPARE(h.general.RelativePath, bool(mask & 8));
      QCOMPARE(order, QStringList({"changed", "enable", "hidden", "focus"}));
      QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), edit1, 5000);
    }
  }

  // The name beside a binding field follows the code as it is typed, and the row makes room.
  void bindingNameFollowsTheCode_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    const std::pair<const char*, const char*> rows[] = {
        {"38", "↑"},       {"550", "Ctrl+↑"}, {"1829", "Ctrl+Alt+Shift+←"},
        {"602", "Ctrl+Z"}, {"101", "Num+5"},  {"240", "英数"},
        {"3a", ""}};
    for (const auto& [typed, name] : rows)
      QTest::newRow(typed) << QString::fromUtf8(typed) << QString::fromUtf8(name);
  }

  void bindingNameFollowsTheCode() {
    QFETCH(QString, typed);
    QFETCH(QString, name);
    Host h;
    connect(&h.panel, &PrefPanel::ArrangeRequested,
            [&] { h.panel.Arrange(h.width(), h.height()); });
    h.panel.Open();
    const auto* label = h.Child<QLabel>("EditUpName");
    QCOMPARE(label->text(), QStringLiteral("↑"));
    h.panel.EditUp->clear();
    QTest::keyClicks(h.panel.EditUp, typed);
    QCOMPARE(label->text(), name);
    QCOMPARE(h.Child<QLabel>("LabelDown")->x(), label->x() + label->width() + 8);
  }

  void monitorShowsTheBindingCode_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("typed");
    const Qt::KeyboardModifiers none;
    QTest::newRow("Ctrl+Alt+Left")
        << int(Qt::Key_Left) << (Qt::ControlModifier | Qt::AltModifier) << 1573 << "";
    QTest::newRow("A") << int(Qt::Key_A) << none << 65 << "a";
    QTest::newRow("Shift+A") << int(Qt::Key_A) << Qt::KeyboardModifiers(Qt::ShiftModifier) << 321
                             << QString();
    QTest::newRow("Return") << int(Qt::Key_Return) << none << 13 << "";
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier)
                                  << 13 << "";
    QTest::newRow("Esc, the panic key") << int(Qt::Key_Escape) << none << 27 << "";
    QTest::newRow("F5") << int(Qt::Key_F5) << none << 116 << "";
    // The panel's own accelerators must not fire while the monitor has the focus.
    QTest::newRow("Alt+X") << int(Qt::Key_X) << Qt::KeyboardModifiers(Qt::AltModifier) << 1112
                           << QString();
    QTest::newRow("Alt+R") << int(Qt::Key_R) << Qt::KeyboardModifiers(Qt::AltModifier) << 1106
                           << QString();
  }

  void monitorShowsTheBindingCode() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(int, code);
    QFETCH(QString, typed);
    Host h;
    QVERIFY(QTest::qWaitForWindowActive(&h));
    h.panel.Open();
    const Values before = Capture(h.general, h.colors, h.keys);
    QSignalSpy returns(h.panel.EditCodeSample, &QLineEdit::returnPressed);
    h.panel.EditCodeSample->setFocus();
    QTest::keyClick(h.panel.EditCodeSample, Qt::Key(key), modifiers);
    QCOMPARE(h.panel.LabelCodeSample->text(), QStringLiteral("キーコードモニタ (%1)").arg(code));
    if (!typed.isNull()) QCOMPARE(h.panel.EditCodeSample->text(), typed);
    QVERIFY(!h.panel.ButtonPrefClose->isDown() && !h.panel.ButtonPrefRegist->isDown());
    QCOMPARE(returns.count(), 0);
    QCOMPARE(h.keysSeen, 0);
    QVERIFY(h.panel.isVisible());
    QVERIFY(Same(Capture(h.general, h.colors, h.keys), before));
  }

  void lineFeedTypesNothingInTheMonitor() {
    Host h;
    h.panel.Open();
    QTest::sendKeyEvent(QTest::Click, h.panel.EditCodeSample, Qt::Key_J, QStringLiteral("\n"),
                        Qt::NoModifier);
    QCOMPARE(h.panel.EditCodeSample->text(), QString());
    QCOMPARE(h.keysSeen, 0);
  }

  // Outside the monitor the accelerators work: the monitor's case above tests something.
  void acceleratorClosesThePanelElsewhere() {
    Host h;
    QVERIFY(QTest::qWaitForWindowActive(&h));
    h.panel.Open();
    QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), h.panel.CheckBoxAutoComp, 5000);
    QTest::keyClick(h.panel.CheckBoxAutoComp, Qt::Key_X, Qt::AltModifier);
    QVERIFY(h.panel.ButtonPrefClose->isDown());
    QTRY_VERIFY_WITH_TIMEOUT(!h.panel.isVisible(), 5000);
  }

  void colorSample_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QColor>("color");
    QTest::newRow("initial") << QStringList() << QColor(Qt::white);
    QTest::newRow("FF is red") << QStringList{"FF"} << QColor(Qt::red);
    QTest::newRow("#00FF00") << QStringList{"#00FF00"} << QColor(Qt::green);
    QTest::newRow("0000ff") << QStringList{"0000ff"} << QColor(Qt::blue);
    QTest::newRow("invalid keeps") << QStringList{"FF", "$FF0000"} << QColor(Qt::red);
    QTest::newRow("empty keeps") << QStringList{"0000ff", ""} << QColor(Qt::blue);
  }

  void colorSample() {
    QFETCH(QStringList, texts);
    QFETCH(QColor, color);
    Host h;
    QCOMPARE(h.panel.EditColorSample->text(), QStringLiteral("FFFFFF"));
    for (const QString& t : texts) h.panel.EditColorSample->setText(t);
    QCOMPARE(h.panel.LabelColorSample->palette().color(QPalette::Window), color);
  }

  void layoutAndCentring_data() {
    QTest::addColumn<QSize>("extra");
    QTest::addColumn<int>("top");
    QTest::addColumn<QPoint>("at");
    QTest::newRow("room on both axes") << QSize(100, 50) << 0 << QPoint(50, 25);
    QTest::newRow("odd room truncates") << QSize(101, 51) << 0 << QPoint(50, 25);
    QTest::newRow("narrower window") << QSize(-1, 10) << 0 << QPoint(0, 5);
    QTest::newRow("lower window") << QSize(10, -300) << 0 << QPoint(5, 0);
    QTest::newRow("smaller on both") << QSize(-200, -200) << 0 << QPoint(0, 0);
    QTest::newRow("area below a bar") << QSize(20, 20) << 30 << QPoint(10, 40);
  }

  void layoutAndCentring() {
    QFETCH(QSize, extra);
    QFETCH(int, top);
    QFETCH(QPoint, at);
    Host h;
    PrefPanel& p = h.panel;
    p.Open();
    p.Arrange(0, 0);
    const QSize size = p.size();
    p.Arrange(size.width() + extra.width(), size.height() + extra.height(), top);
    QCOMPARE(p.geometry(), QRect(at, size));

    QCOMPARE(p.CheckBoxAutoComp->pos(), QPoint(8, 8));
    QCOMPARE(p.CheckBoxCopyFixed->y(), Bottom(p.CheckBoxAutoDelete) + 8);
    QCOMPARE(p.EditColorSample->pos(), QPoint(8, Bottom(p.CheckBoxCopyFixed) + 8));
    QCOMPARE(Right(p.LabelColorSample), size.width() - 2);
    QCOMPARE(p.LabelCodeSample->y(), p.EditCodeSample->y() + 4);
    QCOMPARE(p.EditAutoComp->y(), Bottom(p.EditCodeSample) + 8);
    const auto* scroll = h.Child<QLabel>("LabelScroll");
    const auto* up = h.Child<QLabel>("LabelUp");
    QCOMPARE(up->x(), Right(scroll) + 12);
    QCOMPARE(p.EditUp->x(), Right(up) + 8);
    int right = 0;
    for (const QWidget* w : p.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (w != p.LabelColorSample && w != p.ButtonPrefClose) right = std::max(right, Right(w));
    QCOMPARE(size.width(), right + 8);
    QCOMPARE(h.Child<QLabel>("EditTailName")->x(), Right(p.EditTail) + 2);
    QCOMPARE(p.EditStandardColor->width(), 80);
    QCOMPARE(p.EditTail->width(), 60);
    QCOMPARE(p.EditPanic->width(), 50);
    QCOMPARE(p.EditTail->font().pixelSize(), 19);
    QCOMPARE(p.ButtonPrefClose->font(), h.font());
    QCOMPARE(p.ButtonPrefClose->y(), Bottom(p.EditFullScreen) + 12);
    // No row of their own: the end of the rotation row, the full-screen row, and the
    // buttons' line.
    QVERIFY(p.EditUndo->y() == p.Edit90->y() && Right(p.EditRedo) <= size.width() - 8);
    QCOMPARE(p.EditTrash->y(), p.EditFullScreen->y());
    QCOMPARE(p.ComboBoxLanguage->y(), p.ButtonPrefClose->y());
    QCOMPARE(p.EditSidecarExtensions->y(), p.EditFullScreen->y());
    QVERIFY(Right(p.ComboBoxLanguage) <= p.ButtonPrefRegist->x() - 8);
    QCOMPARE(Right(p.ButtonPrefClose), size.width() - 8);
    QCOMPARE(Right(p.ButtonPrefRegist), p.ButtonPrefClose->x() - 8);
    QCOMPARE(size.height(), std::max({Bottom(p.ButtonPrefClose), Bottom(p.ComboBoxLanguage)}) + 8);
  }

  void tabOrder() {
    Host h;
    QStringList names;
    QWidget* w = h.panel.CheckBoxAutoComp;
    do {
      if (w->parentWidget() == &h.panel && (w->focusPolicy() & Qt::TabFocus))
        names << w->objectName();
      w = w->nextInFocusChain();
    } while (w != h.panel.CheckBoxAutoComp);
    QCOMPARE(names.join(' '),
             QStringLiteral(
                 "CheckBoxAutoComp CheckBoxAutoDelete CheckBoxCopyFixed "
                 "CheckBoxListPath EditColorSample EditStandardColor EditMoveColor "
                 "EditCopyColor EditExtensionColor EditSameFileColor EditEmptyFolder "
                 "EditFailColor EditCodeSample EditAutoComp EditPanic EditOneKey "
                 "EditPrevious EditNext EditHead EditTail EditUp EditDown EditLeft "
                 "EditRight Edit270 Edit90 EditParentDir EditChildDir EditPreviousDir "
                 "EditNextDir EditFullScreen EditUndo EditRedo EditTrash EditSidecarExtensions "
                 "ComboBoxLanguage ButtonPrefRegist ButtonPrefClose"));
  }
};

QTEST_MAIN(PrefPanelTest)
#include "PrefPanelTest.moc"
