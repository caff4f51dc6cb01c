#include <QPointer>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/EarlyOpen.h"
#include "app/ui/Application.h"
#include "app/ui/FirstPaintReport.h"
#include "app/ui/MainWindow.h"
#include "platform/ConfigFolder.h"
#include "view/DecodeAhead.h"

int main(int argc, char** argv) {
  // --help and --version answer before any window (or display) is needed.
  const TCommandLine commandLine = ParseCommandLine(argc, argv);
  if (commandLine.action != TCommandAction::Open) return FinishCommandLine(commandLine, std::cout);

  // The first picture is listed and decoded while the toolkit and the window start.
  const std::string settingsFolder = platform::ConfigFolder();
  std::unique_ptr<TEarlyOpen> early;
  if (!commandLine.path.empty())
    early = std::make_unique<TEarlyOpen>(settingsFolder, commandLine.path,
                                         DecodeAheadWantedByEnvironment());

  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
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
