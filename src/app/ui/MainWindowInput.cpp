// What the input field takes over: completion, tidying after a command, one-key mode and the
// key list. Wired with the input field; until then these keep the window usable.
#include "app/ui/MainWindow.h"

void TForm1::CompleteInput() {
  // Wired with the input field.
}

void TForm1::TidyInput() {
  // Wired with the input field.
}

void TForm1::SetOneKeyMode(bool on) {
  general_->OneKey = on;
}

void TForm1::ShowKeyList(const std::vector<std::string>& rows) {
  // Wired with the input field's key list box.
  static_cast<void>(rows);
}
