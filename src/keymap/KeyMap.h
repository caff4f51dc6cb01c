#pragma once
// The destination key map: keys bound to folders or list files, held in three text files — the
// head file (keys that always win), the key map file (sections the user switches between) and
// the tail file (fall-back keys). Lines are kept byte for byte and every match is exact and
// case-sensitive. A line "key=path" binds a key, "key==path" binds it move-only, "key:=text"
// describes it; any other line is kept and ignored.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Path.h"

class TKeyMap {
 public:
  using Lines = std::vector<std::string>;

  struct LookupResult {
    std::string path;  // empty when the key was not found
    std::string reminder;
    bool moveOnly = false;
  };

  // Inclusive indexes into KeyMapLines; {-1, -2} when the section does not exist, and
  // last = first - 1 for a section without lines.
  struct SectionRange {
    std::ptrdiff_t first = -1;
    std::ptrdiff_t last = -2;
    bool found() const { return first >= 0; }
  };

  // Files beyond these limits are treated like unreadable ones: kept, reported, never
  // overwritten.
  static constexpr std::size_t kMaxFileBytes = std::size_t{64} << 20;
  static constexpr std::size_t kMaxLines = 1'000'000;

  // Loads the three files (see LoadFiles). defaultFolder holds "head.txt", "tail.txt" and
  // "keymap.txt", used when a configured path is empty or names no file. style is the path
  // style of the destinations AddKey normalises. Never throws: a file that exists but could not
  // be read is reported by LoadError(), which the caller raises as an error once it holds the
  // key map, so the key map is usable in any case.
  TKeyMap(const std::string& headPath, const std::string& tailPath, const std::string& keyMapPath,
          std::string defaultFolder, platform::PathStyle style = platform::kNativeStyle);
  // Does not save: the window calls Save() at shutdown, where a failure can still be reported.
  ~TKeyMap() = default;
  TKeyMap(const TKeyMap&) = delete;
  TKeyMap& operator=(const TKeyMap&) = delete;

  // Reads each file from its configured path when that names an existing file (remembering the
  // path), else from the default file when present, else leaves its list empty. A file that
  // exists but cannot be read (or is too large) leaves its list empty and is never written
  // back. Returns false in that case, with "path: reason" lines in LoadError().
  bool LoadFiles(const std::string& headPath, const std::string& tailPath,
                 const std::string& keyMapPath);
  const std::string& LoadError() const { return loadError_; }

  // Writes each list atomically, with CR LF after every line, to its path when that names an
  // existing file now, else to the default file. Lists whose file could not be read are not
  // written. Writes all it can, then throws std::runtime_error naming every path that failed
  // (and every unreadable file whose list was edited, since those edits are lost).
  void SaveFiles(const std::string& headPath, const std::string& tailPath,
                 const std::string& keyMapPath);
  // SaveFiles to the paths that named files at loading (empty: the default files).
  void Save() { SaveFiles(headPath_, tailPath_, keyMapPath_); }

  // The lines of the key map file's first section "[name]" (matched exactly).
  SectionRange FindSection(std::string_view name) const;
  // Copies the section's lines into SelectedLines; an unknown name changes nothing (false).
  bool SelectSection(std::string_view name);
  // "head" and "tail": those files' lines; any other name selects that section first and
  // returns SelectedLines (the previous selection when the section does not exist).
  const Lines& SectionLines(std::string_view name);

  // section: empty for head, selected section, tail in turn; "head", "tail", "selected"; or
  // a section of the key map file. A reminder found in an earlier list stays when the list that
  // holds the key has none.
  LookupResult Lookup(std::string_view section, std::string_view key) const;
  // The path of key in head, selected section, tail; no section part, no reminder.
  std::string PathOfKey(std::string_view key) const;
  // Removes every entry and reminder line of key from "head", "tail" or a section.
  bool RemoveKey(std::string_view section, std::string_view key);
  // Puts the entry (and the reminder line when reminder is not empty) first in its list or
  // section, appending the section when it does not exist. The path loses doubled and trailing
  // separators (a root keeps its separator). Refuses (false, nothing added) a key beginning
  // with "[" and any text holding a line break, which would break the file apart.
  bool AddKey(std::string_view section, std::string_view key, bool moveOnly,
              std::string_view reminder, std::string_view path);
  // "head", "tail", "0".."9", "a".."z", then the key map file's further section names.
  void SectionNames(Lines& names) const;
  // Keys whose reminder line contains any space-separated word of query, as blocks: a header
  // line "[section]", then per key its entry line and its reminder line in the files' form.
  void Search(std::string_view query, Lines& result) const;
  // The completion of the input field's text; selected is its selected text (the previous
  // offer, at the end of text). Empty when there is nothing (more) to offer.
  std::string CompleteKey(std::string_view text, std::string_view selected) const;

  // Doubled separators become one and a trailing one goes, except the root's: "/" on Posix and
  // the drive's "C:\" on Windows stay.
  static std::string NormaliseDestination(std::string_view path, platform::PathStyle style);

  const std::string& SelectedName() const { return selectedName_; }
  const std::string& HeadPath() const { return headPath_; }
  const std::string& TailPath() const { return tailPath_; }
  const std::string& KeyMapPath() const { return keyMapPath_; }
  const Lines& HeadLines() const { return headLines_; }
  const Lines& SelectedLines() const { return selectedLines_; }
  const Lines& TailLines() const { return tailLines_; }
  const Lines& KeyMapLines() const { return keyMapLines_; }

 private:
  enum File { kHead, kTail, kKeyMap, kFileCount };
  using ListView = std::span<const std::string>;

  std::string DefaultPath(File file) const;
  bool LoadOne(File file, const std::string& configured);
  // First line index of each header line.
  using HeaderIndex = std::unordered_map<std::string_view, std::size_t>;

  SectionRange RangeAfter(std::size_t header) const;
  std::vector<ListView> ListsOf(std::string_view section,
                                const HeaderIndex* headers = nullptr) const;
  Lines* EditableList(std::string_view section, std::size_t& begin, std::size_t& end, File& file);

  std::string selectedName_;
  std::string headPath_;
  std::string tailPath_;
  std::string keyMapPath_;
  Lines headLines_;
  Lines selectedLines_;
  Lines tailLines_;
  Lines keyMapLines_;

  std::string defaultFolder_;
  platform::PathStyle style_;
  std::string loadError_;
  // Per file: where it was read from, whether reading failed, whether its list was edited.
  std::string source_[kFileCount];
  bool unreadable_[kFileCount] = {};
  bool edited_[kFileCount] = {};
};
