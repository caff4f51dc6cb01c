#include "app/ui/InputField.h"

#include <QKeyEvent>
#include <QPalette>
#include <QPointer>

#include "app/Dispatcher.h"
#include "app/GeneralManager.h"
#include "app/Settings.h"
#include "app/TemporaryManager.h"
#include "config/ui/KeyCodes.h"
#include "keymap/KeyMap.h"

namespace {

QColor PlainColor(std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

// The system colours of the stored font colour, in the nearest roles this toolkit has.
QColor FontColor(std::int32_t value, const QPalette& palette) {
  if (value == kColorNone) return palette.color(QPalette::Text);
  if ((value & kSystemColorFlag) == 0) return PlainColor(value);
  switch (value & 0xFF) {
    case 5:  // window
      return palette.color(QPalette::Base);
    case 13:  // highlight
      return palette.color(QPalette::Highlight);
    case 14:  // highlight text
      return palette.color(QPalette::HighlightedText);
    case 15:  // button face
      return palette.color(QPalette::Button);
    case 17:  // grey text
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:  // button text
      return palette.color(QPalette::ButtonText);
    case 23:  // info text
      return palette.color(QPalette::ToolTipText);
    case 24:  // info background
      return palette.color(QPalette::ToolTipBase);
    default:
      return palette.color(QPalette::Text);
  }
}

// The keys of the field's own text undo and redo (Ctrl+Z, Ctrl+Y or Ctrl+Shift+Z): here they
// take sorting steps back and forth through the dispatcher, so the field never uses them.
bool IsTextUndoKey(const QKeyEvent& event) {
  return event.matches(QKeySequence::Undo) || event.matches(QKeySequence::Redo);
}

class AutoCompOff {
 public:
  explicit AutoCompOff(TGeneralManager& general) : general_(general), saved_(general.AutoComp) {
    general_.AutoComp = false;
  }
  ~AutoCompOff() { general_.AutoComp = saved_; }
  AutoCompOff(const AutoCompOff&) = delete;
  AutoCompOff& operator=(const AutoCompOff&) = delete;

 private:
  TGeneralManager& general_;
  bool saved_;
};

}  // namespace

TInputField::TInputField(QWidget* parent) : QLineEdit(parent) {
  setObjectName(QStringLiteral("Edit1"));
  connect(this, &QLineEdit::textChanged, this, &TInputField::Edit1Change);
}

bool TInputField::event(QEvent* event) {
  // Claimed as a key press before any shortcut of the window can take it, and kept from the
  // line edit's own handling of the override.
  if (event->type() == QEvent::ShortcutOverride &&
      IsTextUndoKey(static_cast<const QKeyEvent&>(*event))) {
    event->accept();
    return true;
  }
  return QLineEdit::event(event);
}

void TInputField::keyPressEvent(QKeyEvent* event) {
  pressed_.insert(event->key());
  const KeyStroke stroke = TranslateKeyEvent(*event);
  if (keyDown_) {
    auto key = static_cast<std::uint16_t>(stroke.virtualKey);
    const QPointer<TInputField> alive(this);
    keyDown_(key, stroke.modifiers);
    if (!alive) return;
  }
  if (!SwallowsCharacter(*event) && !IsTextUndoKey(*event)) QLineEdit::keyPressEvent(event);
  // Keys the field has no use for must not go on to the window, whose own handler would
  // dispatch the panic key a second time.
  event->accept();
}

void TInputField::keyReleaseEvent(QKeyEvent* event) {
  QLineEdit::keyReleaseEvent(event);
  if (event->isAutoRepeat() || !pressed_.remove(event->key())) return;
  const KeyStroke stroke = TranslateKeyEvent(*event);
  Edit1KeyUp(static_cast<std::uint16_t>(stroke.virtualKey), stroke.modifiers);
}

void TInputField::focusOutEvent(QFocusEvent* event) {
  pressed_.clear();
  QLineEdit::focusOutEvent(event);
}

void TInputField::Edit1KeyUp(std::uint16_t key, ModifierSet modifiers) {
  if (!general_ || !general_->OneKey) return;
  const std::string keyText = OneKeyText(key, modifiers, general_->ShiftToCopy);
  if (!keyText.empty()) {
    const QString shown = QString::fromStdString(keyText);
    setText(text().startsWith(u':') ? QStringLiteral(":") + shown : shown);
  }
  if (text() != QStringLiteral(":")) TidyInput();
}

void TInputField::Edit1Change(const QString& text) {
  if (!general_ || !temporary_ || general_->OneKey) return;
  const auto n = static_cast<std::int32_t>(text.size());
  if (general_->AutoComp && n > temporary_->InputLength && !hasSelectedText()) CompleteInput();
  temporary_->InputLength = n;
}

void TInputField::CompleteInput() {
  if (text().isEmpty() || !keyMap_ || !general_) return;
  const AutoCompOff off(*general_);
  // Positions here are UTF-16 units; the key map works in UTF-8 bytes, so only whole texts
  // cross over.
  QString typed = text();
  QString selected;
  if (hasSelectedText()) {
    const int start = selectionStart();
    const int length = selectionLength();
    if (start + length == typed.size()) selected = typed.mid(start, length);
    // A selection elsewhere is simply dropped: only an offer at the end can be cycled.
    typed.remove(start, length);
  }
  const std::string completion =
      keyMap_->CompleteKey((typed + selected).toStdString(), selected.toStdString());
  const QString offer = QString::fromStdString(completion);
  setText(typed + offer);
  setSelection(static_cast<int>(typed.size()), static_cast<int>(offer.size()));
}

void TInputField::TidyInput() {
  if (!general_) return;
  if (general_->OneKey && text() == QStringLiteral(":")) return;
  if (general_->AutoDelete) {
    clear();
  } else {
    selectAll();
  }
}

void TInputField::ApplyFont(const FontSettings& font) {
  QFont f = QLineEdit::font();
  f.setFamily(QString::fromStdString(font.name));
  // A hostile size keeps the field's current one: the toolkit would take it as it is.
  if (FontSizeUsable(font.size)) {
    if (font.size > 0)
      f.setPointSize(font.size);
    else
      f.setPixelSize(-font.size);
  }
  f.setBold(font.style & kFontBold);
  f.setItalic(font.style & kFontItalic);
  f.setUnderline(font.style & kFontUnderline);
  f.setStrikeOut(font.style & kFontStrikeOut);
  f.setStyleName(QString::fromStdString(font.styleName));
  setFont(f);
  QPalette p = palette();
  p.setColor(QPalette::Text, FontColor(font.color, p));
  setPalette(p);
}
