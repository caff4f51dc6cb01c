#pragma once
// Key events in the numbering the navigation bindings are stored in: the classic virtual-key
// numbers (Left 37, F1 112, "A" 65 ...), so settings files written elsewhere keep working.
#include <QtCore/qnamespace.h>
#include <QKeySequence>
#include <QString>

#include "config/VirtualKeys.h"

class QKeyEvent;

struct KeyStroke {
  int virtualKey = 0;  // 0: a key no binding can name
  ModifierSet modifiers = kNoModifiers;
};

KeyStroke TranslateKeyEvent(const QKeyEvent& event);

// Carriage return, line feed and escape: the input fields neither insert them nor beep.
bool SwallowsCharacter(const QKeyEvent& event);

// xkbScanCodes: the scan code is an X/Wayland keycode, which tells the digit row and the
// Japanese and ISO extra keys apart whatever symbol the layout puts on them.
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode = 0,
                 bool xkbScanCodes = false);
ModifierSet KeyModifiersOf(Qt::KeyboardModifiers modifiers);

// The binding code the stroke would be stored as.
inline int BindingCode(KeyStroke stroke) {
  return EncodeBinding(static_cast<std::uint8_t>(stroke.virtualKey), stroke.modifiers);
}

// The key a binding code stands for, as the user reads it ("Ctrl+↑", "F1", "Shift+Home");
// empty for a code that names no key.
QString BindingName(int code);
// The key a binding names, as the toolkit spells shortcuts ("Ctrl+Z", "Del"); empty for a code
// no key of the table produces.
QKeySequence KeySequenceOf(const TVKS& binding);
