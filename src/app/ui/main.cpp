#include <QPointer>
#include <string>
#include <vector>

#include "app/ui/Application.h"
#include "app/ui/MainWindow.h"
#include "platform/ConfigFolder.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
  // The application has removed its own options from argv by now; paths stay as raw bytes.
  std::vector<std::string> arguments(argv + std::min(argc, 1), argv + argc);
  QPointer<TForm1> window = new TForm1(platform::ConfigFolder(), std::move(arguments));
  window->setAttribute(Qt::WA_DeleteOnClose);
  // A session ending without closing the window still saves the settings.
  QObject::connect(&app, &QCoreApplication::aboutToQuit, [&window] {
    if (window) window->close();
  });
  window->show();
  return app.exec();
}
