#pragma once
// Decoding the pictures the user is about to see on background threads, into a small cache, so
// that the next picture is on screen at once. The most urgent requests decode side by side, one
// per worker, so that a fast typist does not outrun a single decoder. The worker only reads picture
// files; the picture list, the key map and every file operation stay on the window's thread.
//
// A cached decode is served only while the file is still the one decoded (same device, inode,
// size, modification and change time) and only for options it can stand in for: a full-size
// decode serves every request, a reduced one (a scaled decode, an embedded thumbnail or preview)
// only fitted views it is at least as large as, never the original-size view. Failed loads
// (format None) are cached like pictures, so a broken file is not decoded twice; a file that
// cannot be read at all (LoadPicture throws) is never cached, and the caller's own load reports it.
// Nor is a decode given up for want of memory: it says nothing of the file.
//
// The workers decode within the decode budget, waiting for bytes the window's decode or the
// other worker holds, and giving up a picture that could never fit. A decode larger than the
// cache's cap is handed to a Take waiting for it, if any, and otherwise dropped; either way that
// version of the file is not decoded ahead again, nor is one the budget turned away.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"
#include "view/ImageLib.h"

// What LoadPicture gives, with the picture shared between the cache and the controls. The
// picture is never changed once it is here: turning it means turning a copy.
struct SharedLoadResult {
  PictureFormat format = PictureFormat::None;
  PictureChange change = PictureChange::Keep;
  std::shared_ptr<const Picture> picture;  // set when change is Replace
  bool fromCache = false;                  // decoded earlier (ahead, or for a step back)
  bool outOfMemory = false;                // as LoadResult::outOfMemory
};

// Which version of a file a decode came from.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::int64_t size = 0;
  timespec modified{};
  timespec changed{};
  bool operator==(const FileStamp& o) const;
};
// False when the path names no regular file (after links).
bool StampFile(const std::string& path, FileStamp* stamp);

struct DecodeRequest {
  std::string path;
  codecs::DecodeOptions options;  // options.reuse is ignored: the worker owns its buffers
};

class TDecodeAhead {
 public:
  struct Config {
    bool enabled = true;  // off: no thread; Take never finds anything
    int workers = 2;      // decodes under way at once (at least one)
    int niceness = 10;    // how far the workers step back for the window's thread (0 to 19)
    std::size_t capBytes = std::size_t{256} << 20;
    // Pictures no longer asked for that stay for a step back (the one on screen is one of them).
    std::size_t keepPast = 2;
    // A file changed this recently may be written again within one tick of the file system's
    // clock, unseen by its stamp: such decodes are handed out once but not kept. Only the change
    // time counts: the modification time can be set to anything, the future included.
    std::chrono::milliseconds settle{100};
    // What the workers' decodes are counted against (null: the shared budget). They wait for
    // their bytes; the window's decodes take theirs without waiting.
    codecs::DecodeBudget* budget = nullptr;
    // Called on the worker before each decode (tests and measurements).
    std::function<void(const std::string& path)> onDecodeStart;
  };
  struct Stats {
    std::size_t decodes = 0;    // decodes started by the workers
    std::size_t discarded = 0;  // worker decodes no longer wanted when done, or of changed files
    std::size_t refused = 0;    // decodes over the cap or the budget (not decoded ahead again)
    std::size_t waits = 0;      // Takes that waited for a decode under way
    std::size_t hits = 0;
    std::size_t misses = 0;
    std::size_t evictions = 0;
    std::size_t bytes = 0;  // pixel bytes held now
    std::size_t entries = 0;
  };

  TDecodeAhead();
  explicit TDecodeAhead(Config config);
  // Waits for the decodes under way to end (decodes cannot be cut short), then stops the workers.
  ~TDecodeAhead();
  TDecodeAhead(const TDecodeAhead&) = delete;
  TDecodeAhead& operator=(const TDecodeAhead&) = delete;

  bool enabled() const { return config_.enabled; }

  // The pictures wanted next, most urgent first. Replaces the previous wish list: queued work
  // for paths no longer wanted is dropped, and a decode under way for such a path is thrown
  // away when it ends. A path already being decoded in a way that serves is not decoded twice. Of
  // the pictures no longer wanted, the keepPast most recently used stay (for a step back) until the
  // cap needs their room.
  void Prefetch(std::vector<DecodeRequest> requests);

  // The cached load of path when one fits options and the file is unchanged since; otherwise
  // nothing, and the caller loads the file itself (the workers then no longer do), unless
  // callerLoads is false. With waitIfRunning, a decode of exactly this path under way right now
  // is waited for when its result could serve.
  std::optional<SharedLoadResult> Take(const std::string& path,
                                       const codecs::DecodeOptions& options,
                                       bool waitIfRunning = true, bool callerLoads = true);

  // Keeps a load made by the caller (stamped before it began), e.g. for a step back. Nothing is
  // kept when disabled, for a file changed within settle, or for one over the cap on its own.
  void Store(const std::string& path, const codecs::DecodeOptions& options, const FileStamp& stamp,
             const SharedLoadResult& result);

  // Stand-ins (LoadStandIn: a HEIF or AVIF file's thumbnail) for the pictures wanted next,
  // most urgent first, decoded on a thread of their own: they take milliseconds where a full
  // decode takes a second or two, and must not queue behind one. Replaces the previous list. The
  // last few are kept, failures (no thumbnail, another format) as well, so that a picture
  // without one is not looked at twice.
  void PrefetchStandIns(std::vector<DecodeRequest> requests);
  // The stand-in decoded ahead for path when the file is unchanged since (its change may be
  // Keep: the file has none); one being decoded right now is waited for.
  std::optional<SharedLoadResult> TakeStandIn(const std::string& path,
                                              const codecs::DecodeOptions& options);

  // Drops every cached picture and all queued work.
  void Clear();

  // Called on a worker each time it is done with a path it was asked for, whether the result was
  // kept, handed over, thrown away or refused, or the cache already held it. It runs with the
  // cache locked: it may only pass the path on (to the window's thread), never call back in. A
  // hook replaced or cleared here is never called again once this returns.
  using DoneHook = std::function<void(const std::string& path)>;
  void SetDoneHook(DoneHook hook);

  // True once no work is queued or under way; false when timeout passed first.
  bool WaitIdle(std::chrono::milliseconds timeout);

  Stats stats() const;

 private:
  struct Entry {
    std::string path;
    FileStamp stamp;
    codecs::DecodeOptions options;
    SharedLoadResult result;
    std::size_t bytes = 0;
  };
  using EntryList = std::list<Entry>;  // most recently used first

  void Run(std::size_t slot);
  void DecodeOne(const DecodeRequest& request);
  void RunStandIns();
  void DecodeStandIn(const DecodeRequest& request);
  // The caller holds mutex_ for these.
  EntryList::iterator FindLocked(const std::string& path);
  // False when the entry is over the cap on its own: it is not kept, and the refusal is noted.
  bool InsertLocked(Entry entry);
  bool WantedLocked(const std::string& path) const;
  bool RunningLocked(const std::string& path, const codecs::DecodeOptions& options) const;
  bool BusyLocked() const;
  int UrgencyLocked(const std::string& path) const;  // index in wanted_, -1 when not wanted
  void TrimPastLocked();
  // Versions of files the cache or the budget turned away, for the options they were decoded
  // with: not decoded ahead again for those options or larger ones.
  struct Refusal {
    FileStamp stamp;
    codecs::DecodeOptions options;
  };
  void RefuseLocked(const FileStamp& stamp, const codecs::DecodeOptions& options);
  bool RefusedLocked(const FileStamp& stamp, const codecs::DecodeOptions& options) const;

  Config config_;
  mutable std::mutex mutex_;
  std::condition_variable workReady_;
  std::condition_variable workDone_;
  bool stop_ = false;
  std::vector<DecodeRequest> wanted_;
  std::size_t nextWanted_ = 0;  // the first of wanted_ not yet taken up by a worker
  std::vector<std::optional<DecodeRequest>> running_;  // one slot per worker
  std::vector<std::string> waitedFor_;                 // paths Takes wait for, once per Take
  EntryList entries_;
  std::list<Entry> handedOver_;  // too large to keep: for the Takes waiting for them
  std::list<Refusal> refusals_;  // most recent first, a few only
  Stats stats_;
  DoneHook doneHook_;
  std::condition_variable standInReady_;
  std::vector<DecodeRequest> standInsWanted_;
  std::size_t nextStandIn_ = 0;
  std::optional<std::string> standInRunning_;
  EntryList standIns_;  // most recently made first, a few only
  std::vector<std::thread> workers_;
  std::thread standInWorker_;
};

// True unless the environment variable SORTIVO_NO_DECODE_AHEAD is set to a value other than "0"
// or empty (the baseline for measuring the program without decoding ahead).
bool DecodeAheadWantedByEnvironment();

// LoadPicture through cache: a cached decode when one serves, else the file loaded here (and
// kept for a later step back). Same formats, changes and errors as LoadPicture. cache may be
// null or disabled.
SharedLoadResult LoadPictureCached(TDecodeAhead* cache, const std::string& path,
                                   const codecs::DecodeOptions& options = {});

// LoadPictureFile for a shared control: control follows the result's change, the format is
// returned, and fromCache (when given) tells whether the picture was decoded earlier.
PictureFormat LoadPictureFileCached(TDecodeAhead* cache, const std::string& path,
                                    std::shared_ptr<const Picture>& control,
                                    const codecs::DecodeOptions& options = {},
                                    bool* fromCache = nullptr);
