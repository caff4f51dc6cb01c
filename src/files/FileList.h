#pragma once
// The picture list: the ordered full paths of the pictures the viewer walks through, built from
// a folder, a single picture or a list file, with a current position that clamps at both ends.
// Entries whose files have vanished are dropped when a positioning request reaches them.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Path.h"
#include "platform/Pump.h"
#include "platform/Random.h"

class TFileList {
 public:
  // Extension list texts such as ".bmp .gif .jpe .jpeg .jpg .png" and ".txt"; lower-cased here.
  TFileList(std::string_view imageExtensions, std::string_view listExtensions);

  // Called now and then during a long build so the window can handle its events (the abort
  // button among them).
  void SetPump(platform::PumpCallback pump) { pump_ = std::move(pump); }
  // Called during an Open of a folder as soon as its first picture is known, before the rest of
  // the folder is listed, so that the caller can start on it. Not for pictures or list files.
  void SetFirstKnown(std::function<void(const std::string&)> hook) {
    firstKnown_ = std::move(hook);
  }
  void SetRandomSeed(std::uint32_t seed) { random_.Seed(seed); }

  struct OpenResult {
    bool accepted = false;
    std::string first;  // the current entry afterwards, or empty
  };
  // Rebuilds the list from a folder, a picture (its folder, positioned at it) or a list file.
  // Refused while another Open runs. Throws std::runtime_error when a list file cannot be read.
  OpenResult Open(const std::string& path);
  // Takes over what Open built in another list (entries, position, source), as if Open had run
  // here; built is left empty. Refused, changing nothing, while an Open runs here or when built
  // was made with other extensions.
  OpenResult TakeOpened(TFileList& built);
  // Open of Source again: the order of building.
  OpenResult Reload() { return Open(std::string(source_)); }
  // Appends the folder's visible regular files that pass IsPicture, in file system order.
  void ScanFolder(const std::string& folder);
  // Appends what the list file names; false when a stop was requested and is still standing.
  bool ReadListFile(const std::string& listFile);
  void Abort() { abortRequested_ = true; }
  bool busy() const { return busy_; }

  // Plain access, no existence checks.
  int Count() const { return static_cast<int>(entries_.size()); }
  int Index() const { return index_; }
  const std::string& Entry(int i) const { return entries_[static_cast<std::size_t>(i)]; }
  const std::vector<std::string>& Entries() const { return entries_; }
  // The entry at Index, or empty.
  std::string GetCurrent() const;
  // The entry after the current one, or empty at the end.
  std::string PeekNext() const;
  // The entry that was current when the last positioning request began.
  const std::string& GetPreviousPath() const { return previousPath_; }
  // What was opened last: a folder or a list file (for a picture, its folder).
  const std::string& Source() const { return source_; }

  // -1 for an empty list, else i clamped to the list; returns the new Index.
  int SetPosition(int i);
  // Positioning requests: return the path reached, or empty when the list ran empty.
  std::string GoTo(int i);
  std::string GoHead() { return GoTo(0); }
  std::string GoTail() { return GoTo(Count() - 1); }
  // One entry on / back, dropping the vanished entries and those without a picture extension
  // on the way; at either end the last / first entry again.
  std::string StepNext();
  std::string StepPrevious();

  // Drops entry i; out of range does nothing. Index is left as it is: the caller repositions.
  void RemoveAt(int i);
  // Drops the current entry; the next StepNext reaches the entry that followed it.
  void RemoveCurrent();
  // The index of the first entry equal to path (exact bytes), or -1.
  int Find(const std::string& path) const;
  // Puts path at index i (clamped to the list) and makes it current; only for paths at which a
  // file exists. Returns its index, or -1 when nothing was put.
  int InsertAt(int i, const std::string& path);
  // Entry i names path from now on; out of range does nothing.
  void ReplaceAt(int i, const std::string& path);
  // Only for paths at which a file exists; the current entry stays current.
  void InsertBeforeCurrent(const std::string& path);
  // Puts path in the current entry's place; nothing without a current entry.
  void ReplaceCurrent(const std::string& path);
  // The first entry equal to path (exact bytes) becomes current; empty when there is none.
  std::string Locate(const std::string& path);

  bool IsPicture(std::string_view path) const;
  // The path's extension is one of the list's, whole and without regard to letter case; an
  // empty list text passes everything.
  static bool HasListedExtension(std::string_view path, std::string_view extensions);
  // The entry a folder's listing makes of the name in it.
  static std::string EntryInFolder(const std::string& folder, std::string_view name);

  // The line naming picture in listFile (written with CR LF after it): the path itself, or
  // with relative on, the path from the list file's folder ("..\\pics\\a.jpg", "b.jpg"); a
  // picture on another drive keeps its full path. Windows compares names without letter case.
  static std::string ListFileLine(std::string_view picture, std::string_view listFile,
                                  bool relative,
                                  platform::PathStyle style = platform::kNativeStyle);

  // Each goes to the first entry and returns it (empty for an empty list), unchecked for
  // existence. Sorting follows the user's locale; Descending is the exact reverse of
  // Ascending; Shuffle draws from the seeded generator.
  std::string SortAscending();
  std::string SortDescending();
  std::string Shuffle();

 private:
  struct Build;
  // GoTo without noting the previous path: drops vanished entries it reaches and returns the
  // first existing one from i on (clamped), or empty when the list runs empty.
  std::string GoToQuietly(int i);
  void ScanInto(const std::string& folder, Build* build);
  bool ReadInto(const std::string& listFile, Build& build);
  void Pump() const {
    if (pump_) pump_();
  }

  std::vector<std::string> entries_;
  bool busy_ = false;
  bool abortRequested_ = false;
  std::string imageExtensions_;
  std::string listExtensions_;
  platform::ExtensionSet pictureExtensions_;
  int index_ = -1;
  std::string source_;
  std::string previousPath_;
  platform::PumpCallback pump_;
  std::function<void(const std::string&)> firstKnown_;
  bool announceFirst_ = false;
  platform::Random random_;
};
