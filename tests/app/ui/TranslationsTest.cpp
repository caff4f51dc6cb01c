#include "app/ui/Translations.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QRegularExpression>
#include <QtTest>
#include <array>
#include <filesystem>
#include <memory>

#include "app/CommandLine.h"
#include "app/Settings.h"
#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "config/ui/KeyCodes.h"
#include "platform/ConfigFolder.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"

namespace {

bool HasJapanese(const QString& text) {
  static const QRegularExpression japanese(
      QStringLiteral("[\\x{3000}-\\x{30FF}\\x{4E00}-\\x{9FFF}\\x{FF00}-\\x{FFEF}]"));
  return japanese.match(text).hasMatch();
}

// The letter after a single "&", upper-cased; empty when there is none.
QString AccessKey(const QString& text) {
  static const QRegularExpression key(QStringLiteral("(?<!&)&([^&\\s])"));
  return key.match(text).captured(1).toUpper();
}

// Every text a user can read on the window and its panels, in a fixed order.
QStringList Texts(TForm1& form) {
  QStringList texts{form.windowTitle()};
  for (QWidget* w : form.findChildren<QWidget*>()) {
    texts << w->toolTip();
    if (w->isWindow()) texts << w->windowTitle();
    if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
      texts << combo->currentText();
      for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    }
    if (auto* list = qobject_cast<QListWidget*>(w))
      for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
    if (auto* menu = qobject_cast<QMenu*>(w))
      for (const QAction* a : menu->actions()) texts << a->text() << a->toolTip();
  }
  return texts;
}

}  // namespace

class TranslationsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    TApplication::SetErrorReporter([this](const QString& text) { reported_ << text; });
  }

  void languageChoice_data() {
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QStringList>("system");
    QTest::addColumn<QString>("chosen");
    const QByteArray none;
    QTest::newRow("Japanese system") << none << QStringList{"ja-JP", "en-US"} << "ja";
    QTest::newRow("other system") << none << QStringList{"de-DE", "ja"} << "en";
    QTest::newRow("empty key") << QByteArray("[Main]\nLanguage=\n") << QStringList{"ja"} << "ja";
    QTest::newRow("key over Japanese")
        << QByteArray("[main]\nlanguage=en\n") << QStringList{"ja-JP"} << "en";
    QTest::newRow("key over English")
        << QByteArray("[Main]\nLanguage=ja\n") << QStringList{"en-US"} << "ja";
    QTest::newRow("unknown key") << QByteArray("[Main]\nLanguage=fr\n") << QStringList{"ja"}
                                 << "ja";
  }

  void languageChoice() {
    QFETCH(QByteArray, settings);
    QFETCH(QStringList, system);
    QFETCH(QString, chosen);
    testsupport::TempDir dir;
    if (!settings.isNull()) dir.Write("sortivo.ini", settings.toStdString());
    const std::string setting = ReadLanguageSetting(platform::SettingsFilePath(dir.str()));
    QCOMPARE(ChooseLanguage(setting, system), chosen);
  }

  // The window, its panels, the key names, the help and the error report, in each language.
  void everyTextInTheLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("English") << "en";
    QTest::newRow("Japanese") << "ja";
  }

  void everyTextInTheLanguage() {
    QFETCH(QString, language);
    InstallTranslations(QStringLiteral("none"));  // the texts as written in the code
    QStringList written;
    Collect(written);
    InstallTranslations(language);
    QStringList shown;
    Collect(shown);
    QCOMPARE(shown.size(), written.size());
    for (qsizetype i = 0; i < shown.size(); ++i) {
      if (language == QLatin1String("ja")) QCOMPARE(shown[i], written[i]);
      QVERIFY2(language == QLatin1String("ja") || !HasJapanese(shown[i]), qPrintable(shown[i]));
      QCOMPARE(AccessKey(shown[i]), AccessKey(written[i]));
    }
  }

  // Started with nothing, or with a picture that cannot be shown: the hint waits for that.
  void hintUntilAPictureIsShown_data() {
    QTest::addColumn<QString>("argument");
    QTest::newRow("nothing") << "";
    QTest::newRow("a broken picture") << "broken.jpg";
  }

  void hintUntilAPictureIsShown() {
    QFETCH(QString, argument);
    InstallTranslations(QStringLiteral("en"));
    testsupport::TempDir dir;
    std::filesystem::create_directory(dir / "pics");
    QVERIFY(testsupport::WritePng(dir / "pics/a.png", 40, 30));
    dir.Write("broken.jpg", "not a picture");
    std::vector<std::string> arguments;
    if (!argument.isEmpty()) arguments.push_back(dir / argument.toStdString());
    TForm1 form(dir.str(), arguments);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form, 5000));
    QLabel* hint = form.MainPanel->LabelHint;
    QTRY_VERIFY_WITH_TIMEOUT(hint->isVisible(), 5000);
    QVERIFY(hint->text().contains(QStringLiteral("Esc")));
    QVERIFY(form.MainPanel->rect().contains(hint->geometry()));
    form.Session().OpenPath(dir / "pics");
    QTRY_VERIFY_WITH_TIMEOUT(form.MainPanel->CurrentPicture() != nullptr, 5000);
    QVERIFY(!hint->isVisible());
    form.close();
  }

 private:
  void Collect(QStringList& texts) {
    testsupport::TempDir dir;
    auto form = std::make_unique<TForm1>(dir.str(), std::vector<std::string>{});
    form->show();
    form->Key1Click();   // the panels are built when first opened
    form->Pref1Click();  // fills the binding names
    form->ShowKeyList({});
    texts = Texts(*form);
    texts << BindingName(240) << TKeyListBox::CloseRow()
          << QCoreApplication::translate(
                 kHelpContext, ParseCommandLine(2, std::array{"", "-h"}.data()).message.c_str());
    reported_.clear();
    QTimer::singleShot(0, [] { throw TUserError(CannotOpenFile("/pictures/a.jpg")); });
    QTimer::singleShot(0, [] { throw TUserError(CannotWriteFile("/lists/a.txt", "Disk full")); });
    QTRY_COMPARE_WITH_TIMEOUT(reported_.size(), 2, 5000);
    texts << reported_;
    form->close();
  }

  QStringList reported_;
};

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  TranslationsTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "TranslationsTest.moc"
