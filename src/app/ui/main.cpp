#include <QMainWindow>

#include "app/ui/Application.h"

int main(int argc, char** argv) {
  TApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Sortivo5"));
  QMainWindow window;
  window.show();
  return app.exec();
}
