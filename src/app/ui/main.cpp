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
#include "app/ui/Application.h"
#include "app/ui/FirstPaintReport.h"
#include "app/ui/MainWindow.h"
#include "app/ui/Translations.h"
#include "platform/ConfigFolder.h"
#include "view/DecodeAhead.h"

namespace {

QString StartLanguage(const std::string& settingsFolder) {
  return ChooseLanguage(ReadLanguageSetting(platform::SettingsFilePath(settingsFolder)),
                        QLocale::system().uiLanguages());
}

}  // namespace

int main(int argc, char** argv) {
  // --help and --version answer before any window (or display) is needed.
  TCommandLine commandLine = ParseCommandLine(argc, argv);
  if (commandLine.action == TCommandAction::ShowHelp) {
    const QCoreApplication app(argc, argv);
    InstallTranslations(StartLanguage(platform::ConfigFolder()));
    commandLine.message =
        QCoreApplication::translate(kHelpContext, commandLine.message.c_str()).toStdString();
  }
  if (commandLine.action != TCommandAction::Open) return FinishCommandLine(commandLine, std::cout);

  // The first picture is listed and decoded while the toolkit and the window start.
  const std::string settingsFolder = platform::ConfigFolder();
  std::unique_ptr<TEarlyOpen> early;
  if (!commandLine.path.empty())
    early = std::make_unique<TEarlyOpen>(settingsFolder, commandLine.path,
                                         DecodeAheadWantedByEnvironment());

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
