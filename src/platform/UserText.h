#pragma once
// Texts the core hands to the user (error messages, the command line's help). The core has no
// translations: it writes each text as a fixed Japanese template, marked for the translation
// tools, and keeps the parts that vary (paths, system error texts) apart, so that the windows
// translate the template and fill in the parts unchanged.
#include <stdexcept>
#include <string>
#include <vector>

// Marks a literal as a text to translate in the given context; it is the text itself. The
// translation tools are told to read it as QT_TRANSLATE_NOOP (tools/translations).
constexpr const char* UiText(const char* /*context*/, const char* text) {
  return text;
}

struct TUserText {
  // Both are literals marked with UiText; "%1" with one part is a text that is not translated.
  const char* context = "";
  const char* source = "%1";
  // %1, %2 ... in source, in order.
  std::vector<std::string> parts;

  // The template with its parts filled in, in one pass: a part holding "%2" stays as it is.
  std::string Format() const;
};

// The core's messages.
TUserText CannotOpenFile(const std::string& path);
TUserText CannotWriteFile(const std::string& path, const std::string& reason);

// A text that comes from elsewhere (the system, a file) and is shown as it is.
TUserText VerbatimText(std::string text);

// An error that reaches the top-level report; what() is the untranslated text.
class TUserError : public std::runtime_error {
 public:
  explicit TUserError(TUserText text);
  const TUserText& Text() const { return text_; }

 private:
  TUserText text_;
};
