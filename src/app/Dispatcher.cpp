#include "app/Dispatcher.h"

#include <array>
#include <charconv>
#include <limits>

#include "app/GeneralManager.h"
#include "app/TemporaryManager.h"
#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "keymap/KeyMap.h"
#include "platform/FileSystem.h"
#include "platform/Path.h"

namespace {

// The same folder also under another spelling ("pics/", "x/../pics", a link to it): moving a
// picture into its own folder would only rename it to a numbered copy of itself.
bool IsSameFolder(const std::string& folder, const std::string& other) {
  if (folder == other) return true;
  platform::FileIdentity a, b;
  return platform::DirectoryExists(other) && platform::GetFileIdentity(folder, &a) &&
         platform::GetFileIdentity(other, &b) && a == b;
}

enum class Transfer { Move, Copy, Nothing };

// The modifiers choose between move and copy; a move-only key never copies, and Ctrl or Alt
// send nothing but a move-only key.
Transfer ChooseTransfer(ModifierSet modifiers, bool enterToCopy, bool moveOnly) {
  if (modifiers == kNoModifiers) {
    return enterToCopy && !moveOnly ? Transfer::Copy : Transfer::Move;
  }
  if (modifiers == kShift) {
    return !enterToCopy && !moveOnly ? Transfer::Copy : Transfer::Move;
  }
  return moveOnly ? Transfer::Move : Transfer::Nothing;
}

}  // namespace

int ParsePictureNumber(std::string_view text) {
  int base = 10;
  if (!text.empty() && text.front() == '$') {
    base = 16;
    text.remove_prefix(1);
  }
  if (text.empty()) return -1;
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
  if (ec != std::errc() || ptr != end || value < 0 || value > std::numeric_limits<int>::max()) {
    return -1;
  }
  return static_cast<int>(value);
}

std::string KeyListRowText(const std::vector<std::string>& rows, std::size_t row) {
  if (row == 0 || row >= rows.size()) return {};
  const std::string& r = rows[row];
  if (!r.empty() && r[0] == '[') return {};
  std::string key;
  const std::size_t reminder = r.find(":=");
  if (reminder != std::string::npos && reminder >= 1) {
    key = r.substr(0, reminder);
  } else {
    key = r.substr(0, r.find('='));
  }
  for (std::size_t i = row; i-- > 0;) {
    const std::string& h = rows[i];
    if (h.empty() || h[0] != '[') continue;
    const std::size_t close = h.find(']', 1);
    const std::string section =
        h.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    return key + ":" + section;
  }
  return {};
}

std::string OneKeyText(std::uint16_t key, ModifierSet modifiers, bool shiftToCopy) {
  if (key >= 'A' && key <= 'Z') {
    const bool upper = modifiers == kShift && !shiftToCopy;
    return std::string(1, static_cast<char>(upper ? key : key - 'A' + 'a'));
  }
  if (key >= '0' && key <= '9') return std::string(1, static_cast<char>(key));
  return {};
}

void TDispatcher::Edit1KeyDown(const std::string& fieldText, std::uint16_t& key,
                               ModifierSet modifiers) {
  if (key == kVkReturn) {
    DispatchCommand(fieldText, key, modifiers);
    return;
  }
  if (!c_.general.OneKey) {
    DispatchCommand(fieldText, key, modifiers);
    return;
  }
  std::string text = OneKeyText(key, modifiers, c_.general.ShiftToCopy);
  if (text.empty()) {
    DispatchCommand(fieldText, key, modifiers);
    return;
  }
  if (fieldText == ":") text = ":" + text;
  key = kVkReturn;
  DispatchCommand(text, key, modifiers);
}

void TDispatcher::FormKeyDown(std::uint16_t& key, ModifierSet modifiers) {
  if (c_.keys[NavAction::Emergency].Matches(key, modifiers) ||
      c_.keys[NavAction::FullScreen].Matches(key, modifiers))
    DispatchCommand(std::string(), key, modifiers);
}

bool TDispatcher::SourceIsFolder() const {
  return platform::DirectoryExists(c_.files.Source());
}

// The key commands, tested in this order; the first whose key matches and whose condition holds
// fires, and nothing after it is tested. Enter is a row of its own, whatever its modifiers.
const std::array<TDispatcher::Command, 23>& TDispatcher::Commands() {
  using D = TDispatcher;
  using T = const std::string&;
  using M = ModifierSet;
  static const std::array<Command, 23> kCommands{{
      // Out of full screen first: the same key is how people expect to leave it.
      {NavAction::Emergency, Needs::Nothing,
       [](D& d, T, M) {
         if (d.c_.target.IsFullScreen()) return d.c_.target.ToggleFullScreen();
         d.c_.target.MinimiseWindow();
         d.c_.target.HidePreview();
       }},
      {std::nullopt, Needs::Nothing, [](D& d, T text, M m) { d.EnterCommand(text, m); }},
      {NavAction::Previous, Needs::Pictures, [](D& d, T, M) { d.c_.target.ShowPrevious(); }},
      {NavAction::Next, Needs::Pictures, [](D& d, T, M) { d.c_.target.ShowNext(); }},
      {NavAction::Complete, Needs::Nothing, [](D& d, T, M) { d.c_.target.CompleteInput(); }},
      {NavAction::OneKey, Needs::Nothing,
       [](D& d, T, M) {
         d.c_.target.SetOneKeyMode(!d.c_.general.OneKey);
         d.c_.target.ArrangeControls();
       }},
      {NavAction::Head, Needs::Pictures,
       [](D& d, T, M) { d.c_.target.PresentPicture(d.c_.files.GoHead()); }},
      {NavAction::Tail, Needs::Pictures,
       [](D& d, T, M) { d.c_.target.PresentPicture(d.c_.files.GoTail()); }},
      {NavAction::ParentDirectory, Needs::Folder, &D::OpenFolder<&TDirectoryList::Parent>},
      {NavAction::ChildDirectory, Needs::Folder, &D::OpenFolder<&TDirectoryList::FirstChild>},
      {NavAction::PreviousDirectory, Needs::Folder,
       &D::OpenFolder<&TDirectoryList::PreviousSibling>},
      {NavAction::NextDirectory, Needs::Folder, &D::OpenFolder<&TDirectoryList::NextSibling>},
      {NavAction::Up, Needs::Nothing, &D::Scroll<ScrollDirection::Up>},
      {NavAction::Down, Needs::Nothing, &D::Scroll<ScrollDirection::Down>},
      {NavAction::Left, Needs::Nothing, &D::Scroll<ScrollDirection::Left>},
      {NavAction::Right, Needs::Nothing, &D::Scroll<ScrollDirection::Right>},
      {NavAction::Turn270, Needs::Nothing,
       [](D& d, T, M) {
         d.c_.target.RotateCounterClockwise();
         d.c_.target.FitPicture();
       }},
      {NavAction::Turn90, Needs::Nothing,
       [](D& d, T, M) {
         d.c_.target.RotateClockwise();
         d.c_.target.FitPicture();
       }},
      {NavAction::Undo, Needs::Nothing, [](D& d, T, M) { d.c_.target.UndoStep(); }},
      {NavAction::Redo, Needs::Nothing, [](D& d, T, M) { d.c_.target.RedoStep(); }},
      {NavAction::Trash, Needs::EmptyField, [](D& d, T, M) { d.c_.target.TrashPicture(); }},
      {NavAction::FullScreen, Needs::Nothing, [](D& d, T, M) { d.c_.target.ToggleFullScreen(); }},
  }};
  return kCommands;
}

bool TDispatcher::Applies(const Command& command, const std::string& text, std::uint16_t key,
                          ModifierSet modifiers) const {
  const bool keyMatches =
      command.binding ? c_.keys[*command.binding].Matches(key, modifiers) : key == kVkReturn;
  if (!keyMatches) return false;
  switch (command.needs) {
    case Needs::Nothing:
      return true;
    case Needs::Pictures:
      return c_.files.Count() > 0;
    case Needs::Folder:
      return SourceIsFolder();
    case Needs::EmptyField:
      return text.empty() && c_.files.Count() > 0;
  }
  return false;
}

void TDispatcher::DispatchCommand(const std::string& text, std::uint16_t& key,
                                  ModifierSet modifiers) {
  c_.target.SetStatus(StatusColor::Default);
  for (const Command& command : Commands()) {
    if (Applies(command, text, key, modifiers)) return command.run(*this, text, modifiers);
  }
}

template <std::string (TDirectoryList::*Move)(const std::string&) const>
void TDispatcher::OpenFolder(TDispatcher& d, const std::string&, ModifierSet) {
  // Copied first: opening replaces the source the folder was found from.
  const std::string folder = (d.c_.directories.*Move)(d.c_.files.Source());
  d.c_.target.OpenPath(folder);
}

template <ScrollDirection Direction>
void TDispatcher::Scroll(TDispatcher& d, const std::string&, ModifierSet) {
  d.c_.target.ScrollByHalfPanel(Direction);
}

void TDispatcher::EnterCommand(const std::string& text, ModifierSet modifiers) {
  TCommandTarget& t = c_.target;
  if (text.empty()) return t.ShowNext();

  std::string key;
  std::string section;
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) {
    key = text;
  } else if (colon == 0) {
    c_.keyMap.SelectSection(std::string_view(text).substr(1));
  } else {
    key = text.substr(0, colon);
    section = text.substr(colon + 1);
  }

  const TKeyMap::LookupResult found = c_.keyMap.Lookup(section, key);
  if (!found.path.empty() && c_.files.Count() > 0) {
    if (SendToDestination(found.path, found.moveOnly, modifiers)) return;
  } else if (!text.empty() && text[0] == '=') {
    EqualsCommand(section, key);
  } else if (platform::FileOrFolderExists(text)) {
    t.OpenPath(text);
  } else {
    std::vector<std::string> rows;
    c_.keyMap.Search(text, rows);
    if (!rows.empty()) t.ShowKeyList(rows);
  }
  t.TidyInput();
}

bool TDispatcher::SendToDestination(const std::string& path, bool moveOnly, ModifierSet modifiers) {
  TCommandTarget& t = c_.target;
  const std::string current = c_.files.GetCurrent();
  if (IsSameFolder(platform::ExtractFileDir(current, platform::kNativeStyle), path)) {
    t.ShowNext();
    return true;
  }
  if (platform::IsListedExtension(platform::ExtractFileExt(path, platform::kNativeStyle),
                                  c_.general.ListExtensions)) {
    c_.temporary.PendingListFiles.push_back(path);
    return false;
  }
  switch (ChooseTransfer(modifiers, c_.general.EnterToCopy, moveOnly)) {
    case Transfer::Move:
      t.MovePicture(current, path);
      break;
    case Transfer::Copy:
      t.CopyPicture(current, path);
      break;
    case Transfer::Nothing:
      break;
  }
  return false;
}

void TDispatcher::EqualsCommand(const std::string& section, const std::string& key) {
  const std::string rest = key.empty() ? std::string() : key.substr(1);
  const int n = ParsePictureNumber(rest);
  if (n >= 0 && c_.files.Count() > 0) {
    c_.target.PresentPicture(c_.files.GoTo(n - 1));
    return;
  }
  const TKeyMap::LookupResult found = c_.keyMap.Lookup(section, rest);
  if (!found.path.empty() && platform::FileOrFolderExists(found.path))
    c_.target.OpenPath(found.path);
}
