#pragma once
#include <QApplication>
#include <QString>
#include <functional>

// The application object. Qt must never see an exception escape an event handler: notify
// catches it, reports its text, and the program goes on.
class TApplication : public QApplication {
  Q_OBJECT

 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // The top-level error report: a critical message box unless a reporter was set (tests record
  // the text instead of waiting on a modal box). Usable with or without a TApplication.
  using ErrorReporter = std::function<void(const QString& text)>;
  static void SetErrorReporter(ErrorReporter reporter);
  static void ReportError(const QString& text);
};
