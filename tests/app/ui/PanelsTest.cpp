// The key registration and preferences panels inside the real main window: what they register
// reaches the files and the keyboard, and the top bar is off while they are open.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "config/ui/PrefPanel.h"
#include "keymap/ui/KeyPanel.h"
#include "platform/ConfigFolder.h"
#include "platform/ProfileFile.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using testsupport::TempDir;

namespace {

const char* const kKeyMapFile = "free text\r\n[a]\r\ncat=/pics/cats\r\ncat:=cats\r\n";
const char* const kHeadFile = "x=/trash\r\nx:=throw away\r\n";
const char* const kTailFile = "misc=/pics/misc\r\n";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Key map files and settings in dir/conf, two pictures in dir/pics, an empty dir/dest.
void MakeWorld(const TempDir& dir) {
  dir.Write("conf/keymap.txt", kKeyMapFile);
  dir.Write("conf/head.txt", kHeadFile);
  dir.Write("conf/tail.txt", kTailFile);
  dir.Write("conf/sortivo.ini", "[Main]\r\nWidth=800\r\nHeight=600\r\nDirectoryListWidth=222\r\n");
  dir.MakeDir("pics");
  testsupport::WriteJpeg(dir / "pics/a.jpg", 64, 48, 80);
  testsupport::WriteJpeg(dir / "pics/b.jpg", 64, 48, 90);
  dir.MakeDir("dest");
}

std::unique_ptr<TForm1> ActiveWindow(const TempDir& dir) {
  auto form = std::make_unique<TForm1>(dir / "conf", std::vector<std::string>{});
  form->show();
  form->activateWindow();
  if (!QTest::qWaitForWindowActive(form.get(), 5000)) return nullptr;
  return form;
}

bool MainInputEnabled(TForm1& form) {
  return form.Edit1->isEnabled() && form.MainMenu->ButtonMenu->isEnabled() &&
         form.MainMenu->ButtonOneKey->isEnabled();
}

bool MainInputDisabled(TForm1& form) {
  return !form.Edit1->isEnabled() && !form.MainMenu->ButtonMenu->isEnabled() &&
         !form.MainMenu->ButtonOneKey->isEnabled();
}

void DropAt(TForm1& form, QWidget* on, const std::string& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  const QPointF at = on->mapTo(&form, on->rect().center());
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&form, &enter);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QCoreApplication::sendEvent(&form, &drop);
}

// As the system delivers a drag from a file browser: to the widget under the pointer, in its
// own coordinates, the path offered as text as well.
void DropOnto(QWidget* under, const std::string& path) {
  QMimeData mime;
  const QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
  mime.setUrls({url});
  mime.setText(url.toString());
  const QPoint at = under->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, {});
  for (QEvent* event : {static_cast<QEvent*>(&enter), static_cast<QEvent*>(&drop)})
    QCoreApplication::sendEvent(under, event);
}

}  // namespace

class PanelsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    TApplication::SetErrorReporter([this](const QString& text) { reported_ << text; });
  }
  void init() { reported_.clear(); }

  void aRegisteredKeyIsWrittenAndWorksAtTheNextStart() {
    TempDir dir;
    MakeWorld(dir);
    const std::string dest = dir / "dest";
    {
      auto form = ActiveWindow(dir);
      QVERIFY(form);
      QVERIFY(!form->findChild<KeyPanel*>());  // built when first opened
      form->Key1Click();
      auto* panel = form->findChild<KeyPanel*>();
      QVERIFY(panel && panel->isVisible());
      QVERIFY(MainInputDisabled(*form));
      const int top = form->Edit1->height();
      QCOMPARE(panel->geometry(), QRect(0, top, form->width(), form->height() - top));
      QCOMPARE(panel->ListBox1->width(), 222);
      QCOMPARE(QApplication::focusWidget(), panel->EditPath);
      // The focus leaving the disabled input field must not pick a row of the folder list.
      QVERIFY(panel->EditPath->text().isEmpty());

      panel->EditPath->setText(QString::fromStdString(dest));
      panel->EditKey->setText(QStringLiteral("zz"));
      panel->ComboBoxSections->setEditText(QStringLiteral("head"));
      panel->ButtonKeyRegist->click();
      QVERIFY(panel->EditKey->text().isEmpty());  // registered
      panel->SetDirectoryListWidth(250);
      panel->ButtonKeyEnd->click();
      QVERIFY(panel->isHidden());
      QVERIFY(MainInputEnabled(*form));
      QCOMPARE(QApplication::focusWidget(), form->Edit1);
      // Nothing reaches the disk before shutdown.
      QCOMPARE(ReadAll(dir / "conf/head.txt"), std::string(kHeadFile));
      QVERIFY(form->close());
    }
    QCOMPARE(ReadAll(dir / "conf/head.txt"), "zz=" + dest + "\r\n" + kHeadFile);
    QCOMPARE(ReadAll(dir / "conf/keymap.txt"), std::string(kKeyMapFile));
    QCOMPARE(ReadAll(dir / "conf/tail.txt"), std::string(kTailFile));
    platform::ProfileFile ini;
    QCOMPARE(ini.Load(platform::SettingsFilePath(dir / "conf")),
             platform::ProfileFile::LoadStatus::Loaded);
    QCOMPARE(ini.ReadInteger("Main", "DirectoryListWidth", 0), 250);

    auto again = ActiveWindow(dir);
    QVERIFY(again);
    again->Session().OpenPath(dir / "pics");
    again->Ascending2Click();  // the folder lists in no fixed order
    QCOMPARE(again->Session().Files().GetCurrent(), dir / "pics/a.jpg");
    again->Edit1->setFocus();
    QTest::keyClicks(again->Edit1, QStringLiteral("zz"));
    QTest::keyClick(again->Edit1, Qt::Key_Return);
    QVERIFY(fs::exists(dir / "dest/a.jpg"));
    QVERIFY(!fs::exists(dir / "pics/a.jpg"));
    QCOMPARE(again->Session().Files().GetCurrent(), dir / "pics/b.jpg");
    again->close();
    QVERIFY(reported_.isEmpty());
  }

  void dropsOnTheOpenKeyPanelGoToItsFields() {
    TempDir dir;
    MakeWorld(dir);
    dir.MakeDir("tree/one/deep");
    dir.MakeDir("tree/two");
    auto form = ActiveWindow(dir);
    QVERIFY(form);
    form->Key1Click();
    auto* panel = form->findChild<KeyPanel*>();

    DropAt(*form, panel->EditReminder, dir / "dest");
    QCOMPARE(panel->EditPath->text().toStdString(), dir / "dest");
    QCOMPARE(QApplication::focusWidget(), panel->EditKey);
    // A picture names the folder it lies in; nothing is opened behind the panel.
    DropAt(*form, panel->EditPath, dir / "pics/a.jpg");
    QCOMPARE(panel->EditPath->text().toStdString(), dir / "pics");
    QCOMPARE(form->Session().Files().Count(), 0);

    DropAt(*form, panel->ListBox1->viewport(), dir / "tree");
    QCOMPARE(panel->ListBox1->count(), 4);  // the folder and its three below
    QVERIFY(panel->BitBtn1->isHidden());

    // Once the panel is closed a drop opens the pictures again.
    panel->ButtonKeyEnd->click();
    DropAt(*form, form->MainPanel, dir / "pics");
    QCOMPARE(form->Session().Files().Count(), 2);
    form->close();
  }

  void dropsOnFieldsOpenLikeDropsOnTheWindow() {
    TempDir dir;
    MakeWorld(dir);
    auto form = ActiveWindow(dir);
    QVERIFY(form);
    DropOnto(form->Edit1, dir / "pics");
    QCOMPARE(form->Session().Files().Source(), dir / "pics");
    QVERIFY(form->Edit1->text().isEmpty());
    form->Pref1Click();
    QLineEdit* field = form->findChild<PrefPanel*>()->EditNext;
    const QString before = field->text();
    DropOnto(field, dir / "pics/b.jpg");
    QCOMPARE(form->Session().Files().GetCurrent(), dir / "pics/b.jpg");
    QCOMPARE(field->text(), before);
    form->close();
  }

  void closingDuringASubfolderSearchWaitsForItsEnd() {
    TempDir dir;
    MakeWorld(dir);
    for (int i = 0; i < 200; ++i) dir.MakeDir("many/f" + std::to_string(i));
    auto form = ActiveWindow(dir);
    QVERIFY(form);
    form->Key1Click();
    auto* panel = form->findChild<KeyPanel*>();
    bool closedAtOnce = true;
    QTimer::singleShot(0, form.get(), [&] { closedAtOnce = form->close(); });
    DropAt(*form, panel->ListBox1->viewport(), dir / "many");
    QVERIFY(!closedAtOnce);
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 5000);
    QVERIFY(form->findChild<KeyPanel*>() == nullptr);
    QVERIFY(fs::exists(platform::SettingsFilePath(dir / "conf")));
  }

  void preferencesTakeEffectAtOnce() {
    TempDir dir;
    MakeWorld(dir);
    auto form = ActiveWindow(dir);
    QVERIFY(form);
    form->Session().OpenPath(dir / "pics");
    form->Ascending2Click();                  // the folder lists in no fixed order
    QVERIFY(!form->findChild<PrefPanel*>());  // built when first opened
    form->Pref1Click();
    auto* prefs = form->findChild<PrefPanel*>();
    QVERIFY(prefs && prefs->isVisible());
    QVERIFY(MainInputDisabled(*form));
    QCOMPARE(prefs->x(), std::max(0, (form->width() - prefs->width()) / 2));
    QCOMPARE(prefs->y(), std::max(0, (form->height() - prefs->height()) / 2));
    QCOMPARE(QApplication::focusWidget(), prefs->CheckBoxAutoComp);

    prefs->EditNext->setText(QStringLiteral("113"));  // F2
    prefs->EditStandardColor->setText(QStringLiteral("#123456"));
    QCOMPARE(prefs->ButtonPrefRegist->text(), QStringLiteral("登録(&R)"));
    prefs->ButtonPrefRegist->click();
    QVERIFY(prefs->isHidden());
    QVERIFY(MainInputEnabled(*form));
    QCOMPARE(QApplication::focusWidget(), form->Edit1);
    QCOMPARE(form->Edit1->palette().color(QPalette::Base), QColor(0x12, 0x34, 0x56));

    QTest::keyClick(form->Edit1, Qt::Key_F2);
    QCOMPARE(form->Session().Files().GetCurrent(), dir / "pics/b.jpg");

    // Closing without registering keeps what is stored.
    form->Pref1Click();
    prefs->EditNext->setText(QStringLiteral("114"));
    prefs->ButtonPrefClose->click();
    QVERIFY(MainInputEnabled(*form));
    QCOMPARE(form->Session().VirtualKeys()[NavAction::Next].GetText(), std::string("113"));
    form->close();
  }

 private:
  QStringList reported_;
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  PanelsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "PanelsTest.moc"
