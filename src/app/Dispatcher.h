#pragma once
// The keyboard command dispatcher: every key pressed in the input field, and the panic key
// anywhere in the window, is decided here in one fixed order of tests. The window carries the
// commands out through TCommandTarget, so the rules are tested without a window.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "view/Viewport.h"

class TDirectoryList;
class TFileList;
class TGeneralManager;
class TKeyMap;
class TTemporaryManager;

inline constexpr std::uint16_t kVkReturn = 13;

// The key commands only the window can carry out: the input field, the picture on screen and
// the window itself.
class TViewCommands {
 public:
  virtual ~TViewCommands() = default;
  // Paints the input field in the status's colour.
  virtual void SetStatus(StatusColor status) = 0;
  // The panic key: the window is minimised.
  virtual void MinimiseWindow() = 0;
  // Full screen keeps the top bar and gives the rest of the screen to the picture; leaving it
  // brings back the bounds (and maximized state) the window had before.
  virtual bool IsFullScreen() const = 0;
  virtual void ToggleFullScreen() = 0;
  virtual void HidePreview() = 0;  // only when it is visible
  // Appends the key map's completion of the typed text, selected so that typing on replaces it;
  // called again, it offers the next. Nothing for an empty field.
  virtual void CompleteInput() = 0;
  // After a command: the field is cleared or, with AutoDelete off, selected; a lone ":" in
  // one-key mode stays.
  virtual void TidyInput() = 0;
  // Sets OneKey and the button's text; the caller arranges the controls afterwards.
  virtual void SetOneKeyMode(bool on) = 0;
  // Lays the controls out again after something shown, hidden or resized.
  virtual void ArrangeControls() = 0;
  // The picture on screen: moved by half the panel, turned a quarter, or fitted again.
  virtual void ScrollByHalfPanel(ScrollDirection direction) = 0;
  virtual void RotateClockwise() = 0;
  virtual void RotateCounterClockwise() = 0;
  virtual void FitPicture() = 0;
  // A key search found rows: the key list box shows them below its "close" row.
  virtual void ShowKeyList(const std::vector<std::string>& rows) = 0;
};

// What the dispatcher asks for: the window's part, and stepping, sending and opening.
class TCommandTarget : public TViewCommands {
 public:
  // Steps the picture list and presents the picture reached (the last / first again at either
  // end); the Empty colour once the list has run empty.
  virtual void ShowNext() = 0;
  virtual void ShowPrevious() = 0;
  // Moves / copies source into folder and shows the outcome as the status colour; a completed
  // move goes on to the next picture. A failure becomes a colour too, except a file that
  // cannot be opened for the comparison of names, which throws std::runtime_error.
  virtual void MovePicture(const std::string& source, const std::string& folder) = 0;
  virtual void CopyPicture(const std::string& source, const std::string& folder) = 0;
  // Shows the picture at path; throws when the file exists but cannot be read.
  virtual void PresentPicture(const std::string& path) = 0;
  // Makes a folder, picture or list file the new source and presents its picture.
  virtual void OpenPath(const std::string& path) = 0;
  // Takes the last sorting step back / does the step taken back again; the outcome shows as
  // the status colour.
  virtual void UndoStep() = 0;
  virtual void RedoStep() = 0;
  // Sends the picture on screen to the desktop's trash and shows the next one.
  virtual void TrashPicture() = 0;
};

// The parts of the program the dispatcher reads and steps.
struct DispatchContext {
  TCommandTarget& target;
  TFileList& files;
  TKeyMap& keyMap;
  TDirectoryList& directories;
  const TVirtualKeys& keys;
  TGeneralManager& general;
  TTemporaryManager& temporary;
};

class TDispatcher {
 public:
  explicit TDispatcher(DispatchContext context) : c_(context) {}

  // The input field's key-down handler. key may become Enter (one-key mode); the field's own
  // handling of the key follows the call.
  void Edit1KeyDown(const std::string& fieldText, std::uint16_t& key, ModifierSet modifiers);
  // The window's own key-down handler: only the panic and full-screen keys do anything there.
  void FormKeyDown(std::uint16_t& key, ModifierSet modifiers);
  // Resets the status colour, then runs the first key command whose key matches and whose
  // condition holds; text is what the command reads from the field (for a key other than
  // Enter, what the field holds).
  void DispatchCommand(const std::string& text, std::uint16_t& key, ModifierSet modifiers);

 private:
  // What a key command needs besides its key.
  // EmptyField: pictures, and nothing typed, so that a key that also edits the field's text
  // does not act on the picture while the user is typing.
  enum class Needs { Nothing, Pictures, Folder, EmptyField };
  struct Command {
    std::optional<NavAction> binding;  // none: the Enter key, whatever the modifiers
    Needs needs;
    void (*run)(TDispatcher& dispatcher, const std::string& text, ModifierSet modifiers);
  };
  static const std::array<Command, 23>& Commands();
  template <std::string (TDirectoryList::*Move)(const std::string&) const>
  static void OpenFolder(TDispatcher& d, const std::string& text, ModifierSet modifiers);
  template <ScrollDirection Direction>
  static void Scroll(TDispatcher& d, const std::string& text, ModifierSet modifiers);

  bool Applies(const Command& command, const std::string& text, std::uint16_t key,
               ModifierSet modifiers) const;
  bool SourceIsFolder() const;
  void EnterCommand(const std::string& text, ModifierSet modifiers);
  // True when the command ended without tidying the field.
  bool SendToDestination(const std::string& path, bool moveOnly, ModifierSet modifiers);
  void EqualsCommand(const std::string& section, const std::string& key);

  DispatchContext c_;
};

// "=n" commands: a whole number, "$" for hexadecimal; -1 for anything else.
int ParsePictureNumber(std::string_view text);

// What a row of the key list box writes into the input field ("key:section"), or empty text
// when the row is a header or no header stands above it. rows[0] is the close row.
std::string KeyListRowText(const std::vector<std::string>& rows, std::size_t row);

// The one-character key that one-key mode types for a key: a letter (upper case only for
// exactly Shift with ShiftToCopy off) or a main-keyboard digit; empty for any other key.
std::string OneKeyText(std::uint16_t key, ModifierSet modifiers, bool shiftToCopy);
