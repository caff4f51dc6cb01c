#pragma once
// The input field Edit1 across the top of the main window, where destination keys are typed.
// It completes keys from the key map (on demand and, with AutoComp, while typing), tidies itself
// after each command, and in one-key mode shows the key just used.
//
// The main window owns it and plugs it in: SetKeyDown binds the key-down handler (the
// dispatcher's Edit1KeyDown with the field's text); CompleteInput and TidyInput are what the
// dispatcher's target asks for.
#include <QLineEdit>
#include <QSet>
#include <cstdint>
#include <functional>

#include "config/VirtualKeys.h"

struct FontSettings;
class TGeneralManager;
class TKeyMap;
class TTemporaryManager;

class TInputField : public QLineEdit {
  Q_OBJECT

 public:
  // key is a virtual-key code the handler may change (one-key mode turns a letter into Enter);
  // the field's own handling of the event follows whatever the handler did.
  using KeyDownHandler = std::function<void(std::uint16_t& key, ModifierSet modifiers)>;

  explicit TInputField(QWidget* parent = nullptr);

  // The settings and run-time state the field reads and writes, and the key map it completes
  // from; each must outlive the field or be detached (null) first. Without settings the field
  // is a plain line edit; without a key map nothing is completed. They come one by one as the
  // window starts up: the key map is read after the settings that name its files.
  void Attach(TGeneralManager* general, TTemporaryManager* temporary) {
    general_ = general;
    temporary_ = temporary;
  }
  void SetKeyMap(const TKeyMap* keyMap) { keyMap_ = keyMap; }
  // The stored font of the field: its face, size, style and colour; an unusable size keeps the
  // size the field has.
  void ApplyFont(const FontSettings& font);
  void SetKeyDown(KeyDownHandler handler) { keyDown_ = std::move(handler); }

  // Replaces the selected text with the key map's next completion of the rest, and selects the
  // completion so that typing goes on over it.
  void CompleteInput();
  // Empties the field (AutoDelete) or selects all of it; a lone ":" in one-key mode stays.
  void TidyInput();

  // The field's text as UTF-8, the form the core works in.
  std::string Text() const { return text().toStdString(); }

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void Edit1Change(const QString& text);
  void Edit1KeyUp(std::uint16_t key, ModifierSet modifiers);

  const TKeyMap* keyMap_ = nullptr;
  TGeneralManager* general_ = nullptr;
  TTemporaryManager* temporary_ = nullptr;
  KeyDownHandler keyDown_;
  // Keys whose press the field handled: a release whose press went elsewhere (the F of Alt+F
  // opening the menu) shows nothing in one-key mode.
  QSet<int> pressed_;
};
