#pragma once
// Opening the first command-line argument while the toolkit and the window start: a thread of
// its own reads the settings file, lists the argument as the session will open it, and decodes
// its first picture for the picture area the stored window bounds promise. The window hands the
// list to the session and the decode to the decode-ahead cache, which serves it only for a
// request it covers and only while the file is unchanged: a wrong guess costs the time it took,
// never a wrong picture.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "app/Settings.h"
#include "app/SortingSession.h"
#include "codecs/DecodeOptions.h"
#include "files/FileList.h"
#include "view/DecodeAhead.h"

// What the settings promise for the first picture: the decode hint for the picture area of a
// window at its stored bounds. The input field's height is not known without the toolkit, so the
// whole client area is taken: a decode for it covers the real, smaller area. Nothing for a window
// opening maximized, whose size only the screen knows.
std::optional<codecs::DecodeOptions> GuessDisplayOptions(const WindowSettings& window,
                                                         bool originalSize);

class TEarlyOpen {
 public:
  struct Prepared {
    std::string source;               // as TSortingSession::SourceToOpen gives it
    std::unique_ptr<TFileList> list;  // TFileList::Open(source); null when it was not built
    std::string picture;              // the list's current entry; empty when none
    // Set when a picture was decoded and may be kept: which one (the current entry, as far as
    // could be told before the list was done), the options it serves and the version of the
    // file it came from.
    std::optional<SharedLoadResult> decoded;
    std::string decodedPicture;
    codecs::DecodeOptions options;
    FileStamp stamp;
  };

  // Starts at once. decode off: the list only (the cache that would keep the decode is off).
  TEarlyOpen(std::string settingsFolder, std::string argument, bool decode);
  // Waits for the thread: a decode cannot be cut short.
  ~TEarlyOpen();
  TEarlyOpen(const TEarlyOpen&) = delete;
  TEarlyOpen& operator=(const TEarlyOpen&) = delete;

  // The window's own decode hint, once its picture area is laid out: a decode that covers it is
  // shrunk for it and kept under it. Only the first call counts.
  void SetDisplayOptions(const codecs::DecodeOptions& options);

  // Waits for the work to end and hands it over; empty after the first call.
  Prepared Take();
  // Take, then the list to the session and the decode to cache (may be null), only while the
  // session still waits to open the argument.
  void HandOver(TSortingSession& session, TDecodeAhead* cache);

 private:
  void Run(const std::string& settingsFolder, const std::string& argument, bool decode);
  // On a thread of its own, beside the listing.
  void Decode(const std::string& path, const codecs::DecodeOptions& guess);
  // The window's hint, waiting for it until Take is called.
  std::optional<codecs::DecodeOptions> WaitForDisplayOptions();

  Prepared prepared_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<codecs::DecodeOptions> display_;
  bool taking_ = false;
  bool taken_ = false;
  std::thread thread_;
};
