#include "app/ui/Application.h"

#include <QMessageBox>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, applicationName(), QString::fromUtf8(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, applicationName(), QStringLiteral("Unknown error"));
  }
  return false;
}
