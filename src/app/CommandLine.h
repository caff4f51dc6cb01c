#pragma once

#include <iosfwd>
#include <string>

// What the program was asked to do on its command line. Decided before any window exists, so
// that --help and --version work without a display.
enum class TCommandAction { Open, ShowHelp, ShowVersion };

inline constexpr const char* kHelpContext = "TCommandLine";

struct TCommandLine {
  TCommandAction action = TCommandAction::Open;
  // Open: the folder, picture or list file to open first; empty when none was given.
  std::string path;
  // ShowHelp and ShowVersion: the text for standard output. The help is the untranslated text,
  // to be translated in context kHelpContext.
  std::string message;
  int exitCode = 0;
};

// Only the first operand is kept; further ones are ignored. Options of the window system
// (-platform NAME, -style=NAME ...) are passed over so that they stay usable. Everything after
// "--" is an operand, and so is any other argument beginning with "-" (a folder may be named
// "-old").
TCommandLine ParseCommandLine(int argc, const char* const* argv);

// "Sortivo 5.0.5α"
std::string VersionText();

// Writes the message to out and returns the exit code.
int FinishCommandLine(const TCommandLine& commandLine, std::ostream& out);
