#include "config/ui/KeyCodes.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <iterator>

namespace {

enum class When : unsigned char {
  ScanCode,  // first..last are xkb keycodes; checked before any Qt key
  Keypad,    // the key came from the numeric keypad
  Shifted,   // Shift is held
  Always,
};

struct Row {
  When when;
  int first;
  int last;
  int vk;  // the number of `first`; a range counts up from it
};

// Where US and JIS layouts put a symbol on different keys, the US key wins unless Shift tells
// them apart ("@" unshifted is the JIS key beside P, shifted it is US Shift+2).
constexpr Row kRows[] = {
    // The digit row by position, so Shift+2 is 50 on every layout.
    {When::ScanCode, 10, 18, 49},
    {When::ScanCode, 19, 19, 48},
    {When::ScanCode, 97, 97, 226},    // JIS "\" (ro)
    {When::ScanCode, 94, 94, 226},    // ISO "<>" beside the left Shift
    {When::ScanCode, 132, 132, 220},  // JIS yen

    {When::Keypad, Qt::Key_0, Qt::Key_9, 96},
    {When::Keypad, Qt::Key_Asterisk, Qt::Key_Asterisk, 106},
    {When::Keypad, Qt::Key_Plus, Qt::Key_Plus, 107},
    {When::Keypad, Qt::Key_Minus, Qt::Key_Minus, 109},
    {When::Keypad, Qt::Key_Period, Qt::Key_Period, 110},
    {When::Keypad, Qt::Key_Comma, Qt::Key_Comma, 110},
    {When::Keypad, Qt::Key_Slash, Qt::Key_Slash, 111},

    {When::Shifted, Qt::Key_At, Qt::Key_At, 50},
    {When::Shifted, Qt::Key_AsciiCircum, Qt::Key_AsciiCircum, 54},
    {When::Shifted, Qt::Key_Apostrophe, Qt::Key_Apostrophe, 55},  // JIS Shift+7
    {When::Shifted, Qt::Key_Equal, Qt::Key_Equal, 189},           // JIS Shift+-
    {When::Shifted, Qt::Key_Less, Qt::Key_Less, 188},

    {When::Always, Qt::Key_A, Qt::Key_Z, 65},
    {When::Always, 'a', 'z', 65},
    {When::Always, Qt::Key_0, Qt::Key_9, 48},
    {When::Always, Qt::Key_F1, Qt::Key_F24, 112},
    {When::Always, Qt::Key_Backspace, Qt::Key_Backspace, 8},
    {When::Always, Qt::Key_Tab, Qt::Key_Tab, 9},
    {When::Always, Qt::Key_Backtab, Qt::Key_Backtab, 9},
    {When::Always, Qt::Key_Clear, Qt::Key_Clear, 12},
    {When::Always, Qt::Key_Return, Qt::Key_Return, 13},
    {When::Always, Qt::Key_Enter, Qt::Key_Enter, 13},
    {When::Always, Qt::Key_Shift, Qt::Key_Shift, 16},
    {When::Always, Qt::Key_Control, Qt::Key_Control, 17},
    {When::Always, Qt::Key_Alt, Qt::Key_Alt, 18},
    {When::Always, Qt::Key_AltGr, Qt::Key_AltGr, 18},
    {When::Always, Qt::Key_Pause, Qt::Key_Pause, 19},
    {When::Always, Qt::Key_CapsLock, Qt::Key_CapsLock, 20},
    {When::Always, Qt::Key_Kanji, Qt::Key_Kanji, 25},
    {When::Always, Qt::Key_Escape, Qt::Key_Escape, 27},
    {When::Always, Qt::Key_Henkan, Qt::Key_Henkan, 28},
    {When::Always, Qt::Key_Muhenkan, Qt::Key_Muhenkan, 29},
    {When::Always, Qt::Key_Space, Qt::Key_Space, 32},
    {When::Always, Qt::Key_PageUp, Qt::Key_PageUp, 33},
    {When::Always, Qt::Key_PageDown, Qt::Key_PageDown, 34},
    {When::Always, Qt::Key_End, Qt::Key_End, 35},
    {When::Always, Qt::Key_Home, Qt::Key_Home, 36},
    {When::Always, Qt::Key_Left, Qt::Key_Left, 37},
    {When::Always, Qt::Key_Up, Qt::Key_Up, 38},
    {When::Always, Qt::Key_Right, Qt::Key_Right, 39},
    {When::Always, Qt::Key_Down, Qt::Key_Down, 40},
    {When::Always, Qt::Key_Print, Qt::Key_Print, 44},
    {When::Always, Qt::Key_Insert, Qt::Key_Insert, 45},
    {When::Always, Qt::Key_Delete, Qt::Key_Delete, 46},
    {When::Always, Qt::Key_Meta, Qt::Key_Meta, 91},
    {When::Always, Qt::Key_Super_L, Qt::Key_Super_L, 91},
    {When::Always, Qt::Key_Super_R, Qt::Key_Super_R, 92},
    {When::Always, Qt::Key_Menu, Qt::Key_Menu, 93},
    {When::Always, Qt::Key_NumLock, Qt::Key_NumLock, 144},
    {When::Always, Qt::Key_ScrollLock, Qt::Key_ScrollLock, 145},
    {When::Always, Qt::Key_Eisu_Shift, Qt::Key_Eisu_Shift, 240},
    {When::Always, Qt::Key_Eisu_toggle, Qt::Key_Eisu_toggle, 240},
    {When::Always, Qt::Key_Hiragana_Katakana, Qt::Key_Hiragana_Katakana, 242},
    {When::Always, Qt::Key_Zenkaku_Hankaku, Qt::Key_Zenkaku_Hankaku, 243},
    // Punctuation, by the key that carries it on a US layout (JIS-only symbols by theirs).
    {When::Always, Qt::Key_Semicolon, Qt::Key_Semicolon, 186},
    {When::Always, Qt::Key_Colon, Qt::Key_Colon, 186},
    {When::Always, Qt::Key_Equal, Qt::Key_Equal, 187},
    {When::Always, Qt::Key_Plus, Qt::Key_Plus, 187},
    {When::Always, Qt::Key_Comma, Qt::Key_Comma, 188},
    {When::Always, Qt::Key_Less, Qt::Key_Less, 226},
    {When::Always, Qt::Key_Minus, Qt::Key_Minus, 189},
    {When::Always, Qt::Key_Underscore, Qt::Key_Underscore, 189},
    {When::Always, Qt::Key_Period, Qt::Key_Period, 190},
    {When::Always, Qt::Key_Greater, Qt::Key_Greater, 190},
    {When::Always, Qt::Key_Slash, Qt::Key_Slash, 191},
    {When::Always, Qt::Key_Question, Qt::Key_Question, 191},
    {When::Always, Qt::Key_QuoteLeft, Qt::Key_QuoteLeft, 192},
    {When::Always, Qt::Key_AsciiTilde, Qt::Key_AsciiTilde, 192},
    {When::Always, Qt::Key_At, Qt::Key_At, 192},
    {When::Always, Qt::Key_BracketLeft, Qt::Key_BracketLeft, 219},
    {When::Always, Qt::Key_BraceLeft, Qt::Key_BraceLeft, 219},
    {When::Always, Qt::Key_Backslash, Qt::Key_Backslash, 220},
    {When::Always, Qt::Key_Bar, Qt::Key_Bar, 220},
    {When::Always, Qt::Key_yen, Qt::Key_yen, 220},
    {When::Always, Qt::Key_BracketRight, Qt::Key_BracketRight, 221},
    {When::Always, Qt::Key_BraceRight, Qt::Key_BraceRight, 221},
    {When::Always, Qt::Key_Apostrophe, Qt::Key_Apostrophe, 222},
    {When::Always, Qt::Key_QuoteDbl, Qt::Key_QuoteDbl, 222},
    {When::Always, Qt::Key_AsciiCircum, Qt::Key_AsciiCircum, 222},
    // Shifted digits of a US layout, for events that carry no scan code.
    {When::Always, Qt::Key_ParenRight, Qt::Key_ParenRight, 48},
    {When::Always, Qt::Key_Exclam, Qt::Key_Exclam, 49},
    {When::Always, Qt::Key_NumberSign, Qt::Key_Percent, 51},  // # $ %
    {When::Always, Qt::Key_Ampersand, Qt::Key_Ampersand, 55},
    {When::Always, Qt::Key_Asterisk, Qt::Key_Asterisk, 56},
    {When::Always, Qt::Key_ParenLeft, Qt::Key_ParenLeft, 57},
};

// The keys of the main block by xkb keycode (24 to 61), named as on a US keyboard; 0 for the
// Enter, Ctrl and Shift keys among them.
constexpr int kFirstLetterKeycode = 24;
constexpr unsigned char kUsKeyAt[] = {
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 219, 221, 0,   0,   'A', 'S', 'D', 'F', 'G',
    'H', 'J', 'K', 'L', 186, 222, 192, 0,   220, 'Z', 'X', 'C', 'V', 'B', 'N', 'M', 188, 190, 191,
};

bool Applies(When when, Qt::KeyboardModifiers modifiers) {
  switch (when) {
    case When::Keypad:
      return modifiers.testFlag(Qt::KeypadModifier);
    case When::Shifted:
      return modifiers.testFlag(Qt::ShiftModifier) && !modifiers.testFlag(Qt::KeypadModifier);
    case When::Always:
      return true;
    case When::ScanCode:
      return false;
  }
  return false;
}

// The offscreen platform has no keyboard of its own: its key events are made by programs (tests,
// remote control), which give the scan codes in the numbering of the desktops they stand for.
bool ScanCodesAreXkb() {
  static const bool xkb = [] {
    const QString p = QGuiApplication::platformName();
    return p == QLatin1String("xcb") || p.startsWith(QLatin1String("wayland")) ||
           p == QLatin1String("offscreen");
  }();
  return xkb;
}

}  // namespace

int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode,
                 bool xkbScanCodes) {
  if (xkbScanCodes && nativeScanCode != 0 && !modifiers.testFlag(Qt::KeypadModifier)) {
    const auto code = static_cast<long long>(nativeScanCode);
    for (const Row& r : kRows) {
      if (r.when == When::ScanCode && code >= r.first && code <= r.last)
        return r.vk + static_cast<int>(code - r.first);
    }
  }
  for (const Row& r : kRows) {
    if (qtKey >= r.first && qtKey <= r.last && Applies(r.when, modifiers))
      return r.vk + (qtKey - r.first);
  }
  // A letter of a Cyrillic, Greek or other layout names no key here: the key it sits on does,
  // so bindings and one-key mode work whatever layout is active.
  if (xkbScanCodes && !modifiers.testFlag(Qt::KeypadModifier)) {
    const auto at = static_cast<long long>(nativeScanCode) - kFirstLetterKeycode;
    if (at >= 0 && at < static_cast<long long>(std::size(kUsKeyAt))) return kUsKeyAt[at];
  }
  return 0;
}

ModifierSet KeyModifiersOf(Qt::KeyboardModifiers modifiers) {
  ModifierSet m = kNoModifiers;
  if (modifiers.testFlag(Qt::ShiftModifier)) m |= kShift;
  if (modifiers.testFlag(Qt::AltModifier)) m |= kAlt;
  if (modifiers.testFlag(Qt::ControlModifier)) m |= kCtrl;
  return m;
}

KeyStroke TranslateKeyEvent(const QKeyEvent& event) {
  return {VirtualKeyOf(event.key(), event.modifiers(), event.nativeScanCode(), ScanCodesAreXkb()),
          KeyModifiersOf(event.modifiers())};
}

bool SwallowsCharacter(const QKeyEvent& event) {
  switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      return true;
    default:
      break;
  }
  const QString text = event.text();
  return text.size() == 1 && (text[0] == u'\r' || text[0] == u'\n' || text[0] == QChar(27));
}

namespace {

// The keys whose names Qt spells in a way nobody reads them: arrows as on the key caps, and the
// Japanese keys by their printed names.
QString OwnKeyName(int virtualKey) {
  switch (virtualKey) {
    case 37:
      return QStringLiteral("←");
    case 38:
      return QStringLiteral("↑");
    case 39:
      return QStringLiteral("→");
    case 40:
      return QStringLiteral("↓");
    case 25:
      return QCoreApplication::translate("KeyNames", "漢字");
    case 28:
      return QCoreApplication::translate("KeyNames", "変換");
    case 29:
      return QCoreApplication::translate("KeyNames", "無変換");
    case 240:
      return QCoreApplication::translate("KeyNames", "英数");
    case 242:
      return QCoreApplication::translate("KeyNames", "カタカナ/ひらがな");
    case 243:
      return QCoreApplication::translate("KeyNames", "半角/全角");
    default:
      return {};
  }
}

// The Qt key of a virtual-key number, as the toolkit spells it.
QString QtKeyName(int virtualKey) {
  return KeySequenceOf(TVKS(virtualKey)).toString(QKeySequence::NativeText);
}

}  // namespace

QString BindingName(int code) {
  const TVKS binding(code);
  const int key = binding.KeyCode();
  if (key == 0) return {};
  QString name = OwnKeyName(key);
  if (name.isEmpty()) name = QtKeyName(key);
  if (name.isEmpty()) name = QCoreApplication::translate("KeyNames", "キー %1").arg(key);
  const ModifierSet m = binding.Modifiers();
  if (m & kShift) name.prepend(QStringLiteral("Shift+"));
  if (m & kAlt) name.prepend(QStringLiteral("Alt+"));
  if (m & kCtrl) name.prepend(QStringLiteral("Ctrl+"));
  return name;
}

QKeySequence KeySequenceOf(const TVKS& binding) {
  const int vk = binding.KeyCode();
  for (const Row& r : kRows) {
    // The first row naming the number, read backwards; the lower-case letters come after the
    // capitals and never win.
    if (r.when == When::ScanCode || r.when == When::Shifted || vk < r.vk ||
        vk > r.vk + (r.last - r.first))
      continue;
    Qt::KeyboardModifiers modifiers;
    if (r.when == When::Keypad) modifiers |= Qt::KeypadModifier;
    if (binding.Modifiers() & kShift) modifiers |= Qt::ShiftModifier;
    if (binding.Modifiers() & kCtrl) modifiers |= Qt::ControlModifier;
    if (binding.Modifiers() & kAlt) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(r.first + (vk - r.vk))));
  }
  return {};
}
