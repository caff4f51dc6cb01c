#include "app/ui/Application.h"

#include <QMessageBox>
#include <exception>
#include <utility>

#include "app/ui/Translations.h"

namespace {

TApplication::ErrorReporter& Reporter() {
  static TApplication::ErrorReporter reporter;
  return reporter;
}

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TApplication::SetErrorReporter(ErrorReporter reporter) {
  Reporter() = std::move(reporter);
}

void TApplication::ReportError(const QString& text) {
  if (Reporter()) {
    Reporter()(text);
    return;
  }
  QMessageBox::critical(nullptr, QApplication::applicationName(), text);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const TUserError& e) {
    ReportError(TranslateText(e.Text()));
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  } catch (...) {
    ReportError(tr("Unknown error"));
  }
  return false;
}
