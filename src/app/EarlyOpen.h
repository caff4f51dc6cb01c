#pragma once
// Opening the first command-line argument while the toolkit and the window start: a thread of
// its own reads the settings file, lists the argument as the session will open it, and decodes
// its first picture for the picture area the stored window bounds promise. The window hands the
// list to the session and the decode to the decode-ahead cache, which serves it only for a
// request it covers and only while the file is unchanged: a wrong guess costs the time it took,
// never a wrong picture.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/Settings.h"
#include "app/SortingSession.h"
#include "codecs/DecodeOptions.h"
#include "files/FileList.h"
#include "view/DecodeAhead.h"
#include "view/Downscale.h"

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
    // A picture decoded and fit to keep: which one, the options it serves and the version of
    // the file it came from.
    struct Decoded {
      std::string picture;
      SharedLoadResult result;
      codecs::DecodeOptions options;
      FileStamp stamp;
    };
    // The current entry as far as it could be told before the list was done. Two when a folder's
    // remembered first picture was no longer its first: both are kept, the other is near.
    std::vector<Decoded> decodes;
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

  // When the argument is a folder whose first picture was remembered (TFirstPictures) and its
  // names have not changed since: waits for that picture's decode only, not for the listing, and
  // stores it in cache. Its path, or empty when there is none (or cache is null). The listing
  // still decides what the session shows.
  std::string StoreRememberedFirst(TDecodeAhead* cache);
  // Whether StoreRememberedFirst would wait now: the remembered picture is still being decoded.
  bool DecodesRemembered();

  // Waits for the work to end and hands it over; empty after the first call.
  Prepared Take();
  // Take, then the list to the session and the decode to cache (may be null), only while the
  // session still waits to open the argument.
  void HandOver(TSortingSession& session, TDecodeAhead* cache);

 private:
  void Run(const std::string& settingsFolder, const std::string& argument, bool decode);
  // On a thread of its own, beside the listing.
  void Decode(const std::string& path, const codecs::DecodeOptions& guess);
  // On decoder_: the pictures decodeAtOnce asks for, one after the other, until Run has ended.
  void DecodeJobs();
  // Ends the wait of StoreRememberedFirst when picture is the remembered one.
  void SettleRemembered(const std::string& picture);
  // The window's hint, waiting for it until Take is called.
  std::optional<codecs::DecodeOptions> WaitForDisplayOptions();

  // The remembered picture's shrink, made along its decode (TShrinkAlong) by the listing
  // thread while that waits for it anyway, once the window has said its area: the decoder then
  // has the last rows to shrink only. The decoder takes it back when its decode ends.
  class RowsToShrink;
  // On decoder_, as the rows come, and when they stop.
  void RowsDecoded(const Picture& picture, int rows) noexcept;
  void RowsEnded() noexcept;
  // On the listing thread, the lock held: shrinks the rows there are, until the remembered
  // picture's decode has ended, the window waits for the list, or `until`.
  void ShrinkAlongUntil(std::unique_lock<std::mutex>& lock,
                        std::chrono::steady_clock::time_point until);

  Prepared prepared_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<codecs::DecodeOptions> display_;
  bool taking_ = false;
  bool taken_ = false;
  std::string remembered_;          // the remembered first picture being decoded
  bool rememberedSettled_ = false;  // known to be none, or its decode has ended
  bool ended_ = false;              // the listing thread is done
  bool waitingForFirst_ = false;    // StoreRememberedFirst waits
  std::unique_ptr<TShrinkAlong> along_;
  const std::uint8_t* alongPixels_ = nullptr;  // the rows it shrinks
  int alongRows_ = 0;                          // how many of them are decoded
  int alongGiven_ = 0;                         // how many it was given
  bool alongBusy_ = false;                     // the listing thread shrinks them now
  bool alongClosed_ = false;                   // no shrink along from now on
  std::vector<std::pair<std::string, codecs::DecodeOptions>> jobs_;  // for decoder_
  bool noMoreJobs_ = false;
  std::thread decoder_;
  std::thread thread_;
};
