#include "app/ui/InputField.h"

#include <QKeyEvent>
#include <QTest>
#include <memory>

#include "app/Dispatcher.h"
#include "app/GeneralManager.h"
#include "app/TemporaryManager.h"
#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "keymap/KeyMap.h"
#include "support/TempDir.h"

namespace {

// The window's side of the dispatcher: the field's own operations go to the field, the rest
// is only counted.
class Target : public TCommandTarget {
 public:
  TInputField* field = nullptr;
  TGeneralManager* general = nullptr;
  int others = 0;

  void SetStatus(StatusColor) override {}
  void MinimiseWindow() override { ++others; }
  bool IsFullScreen() const override { return false; }
  void ToggleFullScreen() override { ++others; }
  void HidePreview() override { ++others; }
  void ShowNext() override { ++others; }
  void ShowPrevious() override { ++others; }
  void MovePicture(const std::string&, const std::string&) override { ++others; }
  void CopyPicture(const std::string&, const std::string&) override { ++others; }
  void PresentPicture(const std::string&) override { ++others; }
  void OpenPath(const std::string&) override { ++others; }
  void UndoStep() override { ++others; }
  void RedoStep() override { ++others; }
  void TrashPicture() override { ++others; }
  void CompleteInput() override { field->CompleteInput(); }
  void TidyInput() override { field->TidyInput(); }
  void SetOneKeyMode(bool on) override { general->OneKey = on; }
  void ArrangeControls() override {}
  void ScrollByHalfPanel(ScrollDirection) override { ++others; }
  void RotateClockwise() override { ++others; }
  void RotateCounterClockwise() override { ++others; }
  void FitPicture() override {}
  void ShowKeyList(const std::vector<std::string>&) override {}
};

// Stands in for the main window; counts the keys that get past the field.
class Host : public QWidget {
 public:
  int keysSeen = 0;

 protected:
  void keyPressEvent(QKeyEvent*) override { ++keysSeen; }
};

// A field over real key map files, its key-down handler bound to the real dispatcher.
struct World {
  testsupport::TempDir dir;
  std::unique_ptr<TKeyMap> keyMap;
  TGeneralManager general;
  TTemporaryManager temporary;
  TVirtualKeys keys;
  TFileList files{".jpg", ".txt"};
  TDirectoryList directories;
  Target target;
  std::unique_ptr<TDispatcher> dispatcher;
  Host host;
  TInputField* field;
  std::vector<std::uint16_t> keysDown;

  explicit World(const char* head = "cat=/c\r\ncow=/w\r\n") {
    dir.Write("head.txt", head);
    dir.Write("keymap.txt", "[b]\r\nbee=/b\r\n");
    dir.Write("tail.txt", "");
    general.ShiftToCopy = true;
    keyMap = std::make_unique<TKeyMap>("", "", "", dir.str());
    field = new TInputField(&host);
    field->Attach(&general, &temporary);
    field->SetKeyMap(keyMap.get());
    target.field = field;
    target.general = &general;
    dispatcher = std::make_unique<TDispatcher>(
        DispatchContext{target, files, *keyMap, directories, keys, general, temporary});
    field->SetKeyDown([this](std::uint16_t& key, ModifierSet modifiers) {
      keysDown.push_back(key);
      dispatcher->Edit1KeyDown(field->Text(), key, modifiers);
    });
    host.resize(400, 40);
    field->resize(400, 30);
    host.show();
    field->setFocus();
  }

  // A character no key of the layout names, as an input method would hand it over.
  void TypeCharacter(const QString& text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(field, &release);
  }

  // The Complete binding's default key, which QTest cannot type.
  void Complete() {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Eisu_toggle, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Eisu_toggle, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &release);
  }
};

}  // namespace

class InputFieldTest : public QObject {
  Q_OBJECT

 private slots:
  void completeBindingCycles() {
    World w;
    QTest::keyClick(w.field, 'c');
    QCOMPARE(w.field->text(), QStringLiteral("c"));
    const QStringList texts{"cat", "cow", "c", "cat"};
    const QStringList selections{"at", "ow", "", "at"};
    for (int i = 0; i < texts.size(); ++i) {
      w.Complete();
      QCOMPARE(w.field->text(), texts[i]);
      QCOMPARE(w.field->selectedText(), selections[i]);
      if (!selections[i].isEmpty()) QCOMPARE(w.field->selectionStart(), 1);
    }
    QCOMPARE(w.temporary.InputLength, 3);

    w.field->setText(QStringLiteral("=c"));
    w.Complete();
    QCOMPARE(w.field->text(), QStringLiteral("=cat"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("at"));

    // Nothing more to offer keeps the text as it is.
    w.field->setText(QStringLiteral("cat"));
    w.Complete();
    QCOMPARE(w.field->text(), QStringLiteral("cat"));
    QVERIFY(!w.field->hasSelectedText());

    // Before the key map is read there is nothing to complete from.
    w.field->SetKeyMap(nullptr);
    w.field->setText(QStringLiteral("c"));
    w.Complete();
    QCOMPARE(w.field->text(), QStringLiteral("c"));
    // Nor anything else once the window has let go of its objects.
    w.general.AutoComp = true;
    w.field->SetKeyMap(w.keyMap.get());
    w.field->Attach(nullptr, nullptr);
    QTest::keyClick(w.field, 'o');
    QCOMPARE(w.field->text(), QStringLiteral("co"));
  }

  void completesWhileTyping() {
    World w;
    w.general.AutoComp = true;
    QTest::keyClick(w.field, 'c');
    QCOMPARE(w.field->text(), QStringLiteral("cat"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("at"));
    QCOMPARE(w.temporary.InputLength, 1);
    QTest::keyClick(w.field, 'o');
    QCOMPARE(w.field->text(), QStringLiteral("cow"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("w"));
    QTest::keyClick(w.field, Qt::Key_Backspace);
    QCOMPARE(w.field->text(), QStringLiteral("co"));
    QVERIFY(!w.field->hasSelectedText());
    QTest::keyClick(w.field, Qt::Key_Backspace);
    QCOMPARE(w.field->text(), QStringLiteral("c"));
    QTest::keyClick(w.field, 'a');
    QCOMPARE(w.field->text(), QStringLiteral("cat"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("t"));
    QVERIFY(w.general.AutoComp);
  }

  // The key map counts in UTF-8 bytes, the field in UTF-16 units.
  void completesKeysBeyondAscii() {
    World w("ねこ=/n\r\nねずみ=/z\r\n🐱cat=/e\r\n");
    w.general.AutoComp = true;
    w.TypeCharacter(QStringLiteral("ね"));
    QCOMPARE(w.field->text(), QStringLiteral("ねこ"));
    QCOMPARE(w.field->selectionStart(), 1);
    QCOMPARE(w.field->selectedText(), QStringLiteral("こ"));
    w.Complete();
    QCOMPARE(w.field->text(), QStringLiteral("ねずみ"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("ずみ"));

    w.general.AutoComp = false;
    w.field->setText(QStringLiteral("🐱"));
    w.Complete();
    QCOMPARE(w.field->text(), QStringLiteral("🐱cat"));
    QCOMPARE(w.field->selectionStart(), 2);
    QCOMPARE(w.field->selectedText(), QStringLiteral("cat"));
  }

  void selectionInsideTheTextIsDroppedBeforeCompleting() {
    World w;
    w.field->setText(QStringLiteral("czzo"));
    w.field->setSelection(1, 2);
    w.Complete();
    QCOMPARE(w.field->text(), QStringLiteral("cow"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("w"));
  }

  void tidyEmptiesOrSelectsAll() {
    World w;
    QTest::keyClicks(w.field, QStringLiteral("zzz"));
    QTest::keyClick(w.field, Qt::Key_Return);
    QCOMPARE(w.field->text(), QStringLiteral("zzz"));
    QCOMPARE(w.field->selectedText(), QStringLiteral("zzz"));
    w.general.AutoDelete = true;
    QTest::keyClick(w.field, Qt::Key_Return);
    QCOMPARE(w.field->text(), QString());
    QCOMPARE(w.temporary.InputLength, 0);
  }

  void lineBreaksAndEscapeInsertNothing_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::newRow("return") << int(Qt::Key_Return) << int(Qt::NoModifier) << QStringLiteral("\r");
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
                                  << QStringLiteral("\r");
    QTest::newRow("line feed") << int(Qt::Key_J) << int(Qt::ControlModifier)
                               << QStringLiteral("\n");
    QTest::newRow("escape") << int(Qt::Key_Escape) << int(Qt::NoModifier) << QString(QChar(27));
  }
  void lineBreaksAndEscapeInsertNothing() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    World w;
    w.field->setText(QStringLiteral("ab"));
    w.field->setCursorPosition(1);
    QKeyEvent press(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), text);
    QCoreApplication::sendEvent(w.field, &press);
    QCOMPARE(w.field->text(), QStringLiteral("ab"));
    QCOMPARE(w.keysDown.size(), std::size_t{1});
    QCOMPARE(w.host.keysSeen, 0);
  }

  void keyDownComesFirstAndTheFieldStillMovesTheCaret() {
    World w;
    QTest::keyClicks(w.field, QStringLiteral("abc"));
    w.keysDown.clear();
    QTest::keyClick(w.field, Qt::Key_Left);
    QCOMPARE(w.keysDown, std::vector<std::uint16_t>{37});
    QCOMPARE(w.field->cursorPosition(), 2);
    // A key the field has no use for stays with the field.
    QTest::keyClick(w.field, Qt::Key_F7);
    QCOMPARE(w.host.keysSeen, 0);
  }

  void oneKeyShowsTheLetter_data() {
    QTest::addColumn<bool>("shiftToCopy");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << true << int(Qt::NoModifier) << QStringLiteral("a");
    QTest::newRow("shift, ShiftToCopy on") << true << int(Qt::ShiftModifier) << QStringLiteral("a");
    QTest::newRow("shift, ShiftToCopy off")
        << false << int(Qt::ShiftModifier) << QStringLiteral("A");
    QTest::newRow("plain, ShiftToCopy off") << false << int(Qt::NoModifier) << QStringLiteral("a");
  }
  void oneKeyShowsTheLetter() {
    QFETCH(bool, shiftToCopy);
    QFETCH(int, modifiers);
    QFETCH(QString, shown);
    World w;
    w.general.OneKey = true;
    w.general.AutoComp = true;  // never completes in one-key mode
    w.general.ShiftToCopy = shiftToCopy;
    QTest::keyClick(w.field, Qt::Key_A, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(w.field->text(), shown);
    QCOMPARE(w.field->selectedText(), shown);
    QTest::keyClick(w.field, Qt::Key_C);
    QCOMPARE(w.field->text(), QStringLiteral("c"));
    QTest::keyClick(w.field, Qt::Key_7);
    QCOMPARE(w.field->text(), QStringLiteral("7"));
    w.general.AutoDelete = true;
    QTest::keyClick(w.field, Qt::Key_A);
    QCOMPARE(w.field->text(), QString());
  }

  void oneKeyColonThenLetterSelectsASection() {
    World w;
    w.general.OneKey = true;
    QTest::keyClick(w.field, Qt::Key_A);
    QTest::keyClick(w.field, ':');
    QCOMPARE(w.field->text(), QStringLiteral(":"));
    QTest::keyClick(w.field, Qt::Key_B);
    QCOMPARE(w.keyMap->SelectedName(), std::string("b"));
    QCOMPARE(w.field->text(), QStringLiteral(":b"));
    QCOMPARE(w.field->selectedText(), QStringLiteral(":b"));
    QTest::keyClick(w.field, Qt::Key_A);
    QCOMPARE(w.field->text(), QStringLiteral("a"));
  }

  void oneKeyIgnoresAReleaseWhosePressWentElsewhere() {
    World w;
    w.general.OneKey = true;
    QTest::keyClick(w.field, Qt::Key_A);
    // The F of Alt+F is taken by the menu's shortcut; only its release reaches the field.
    QTest::keyRelease(w.field, Qt::Key_F);
    QCOMPARE(w.field->text(), QStringLiteral("a"));
    QCOMPARE(w.keysDown.size(), std::size_t{1});
  }
};

QTEST_MAIN(InputFieldTest)
#include "InputFieldTest.moc"
