#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/EarlyOpen.h"
#include "app/Settings.h"
#include "app/WindowModule.h"
#include "app/ui/Application.h"
#include "app/ui/FirstPaintReport.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Translations.h"
#include "platform/ConfigFolder.h"

namespace {

QString StartLanguage(const std::string& settingsFolder) {
  return ChooseLanguage(ReadLanguageSetting(platform::SettingsFilePath(settingsFolder)),
                        QLocale::system().uiLanguages());
}

}  // namespace

// The window module's entry (WindowModule.h).
extern "C" __attribute__((visibility("default"))) int SortivoWindowMain(int argc, char** argv,
                                                                        TEarlyOpen* earlyOpen) {
  std::unique_ptr<TEarlyOpen> early(earlyOpen);
  // --help and --version answer before any window (or display) is needed.
  TCommandLine commandLine = ParseCommandLine(argc, argv);
  if (commandLine.action == TCommandAction::ShowHelp) {
    const QCoreApplication app(argc, argv);
    InstallTranslations(StartLanguage(platform::ConfigFolder()));
    commandLine.message =
        QCoreApplication::translate(kHelpContext, commandLine.message.c_str()).toStdString();
  }
  if (commandLine.action != TCommandAction::Open) return FinishCommandLine(commandLine, std::cout);

  // The program started listing and decoding the first picture before the toolkit was loaded.
  const std::string settingsFolder = platform::ConfigFolder();

  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
  InstallTranslations(StartLanguage(settingsFolder));
  // The path comes from our own parse, so "--" and names beginning with "-" work; it stays
  // raw bytes.
  std::vector<std::string> arguments;
  if (!commandLine.path.empty()) arguments.push_back(commandLine.path);
  QPointer<TForm1> window = new TForm1(settingsFolder, std::move(arguments));
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetEarlyOpen(std::move(early));
  ReportFirstPaintIfAsked(window->Image1);
  // A session ending without closing the window still saves the settings.
  QObject::connect(&app, &QCoreApplication::aboutToQuit, [&window] {
    if (window) window->close();
  });
  window->show();
  return app.exec();
}
