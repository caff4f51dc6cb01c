#pragma once
#include <QApplication>

// The application object. Qt must never see an exception escape an event handler: notify
// catches it, shows its text in a critical message box, and the program goes on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
