#include "view/DecodeAhead.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "platform/Threads.h"
#include "view/DevicePixels.h"
#include "view/Downscale.h"

namespace {

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool SameLimits(const codecs::DecodeLimits& a, const codecs::DecodeLimits& b) {
  return a.maxDimension == b.maxDimension && a.maxPixels == b.maxPixels &&
         a.maxAnimationBytes == b.maxAnimationBytes && a.maxScans == b.maxScans &&
         a.maxFileBytes == b.maxFileBytes;
}

bool Fits(const codecs::DecodeOptions& o) {
  return o.fitWidth > 0 && o.fitHeight > 0;
}

// Whether a load made with the options `made` can be shown for a request with `wanted`: the whole
// picture always can; a reduced one (a scaled decode, an embedded thumbnail or preview, whichever
// decoder made it) only when it is at least the size the picture area shows the picture at, and
// never for the original-size view.
// Fit boxes are compared in device pixels: the same box at another screen scaling wants other
// pixels.
bool Serves(const SharedLoadResult& r, const codecs::DecodeOptions& madeAs,
            const codecs::DecodeOptions& wantedAs) {
  const codecs::DecodeOptions made = InDevicePixels(madeAs), wanted = InDevicePixels(wantedAs);
  if (!SameLimits(made.limits, wanted.limits)) return false;
  if (r.change != PictureChange::Replace || !r.picture) {
    // A failure at one scale says little about another.
    return Fits(made) == Fits(wanted) && (!Fits(made) || (made.fitWidth == wanted.fitWidth &&
                                                          made.fitHeight == wanted.fitHeight));
  }
  const Picture& p = *r.picture;
  if (p.width >= p.fullWidth && p.height >= p.fullHeight) return true;
  if (!Fits(wanted)) return false;  // the picture's own size is wanted
  const ViewSize shown = FittedSize({p.fullWidth, p.fullHeight}, wanted.fitWidth, wanted.fitHeight);
  return shown.width > 0 && shown.height > 0 && p.width >= shown.width && p.height >= shown.height;
}

// Whether a decode under way with `running` may give what `wanted` needs; a sure no avoids a
// useless wait.
bool MayServe(const codecs::DecodeOptions& runningAs, const codecs::DecodeOptions& wantedAs) {
  const codecs::DecodeOptions running = InDevicePixels(runningAs),
                              wanted = InDevicePixels(wantedAs);
  if (!SameLimits(running.limits, wanted.limits)) return false;
  if (!Fits(running)) return true;
  if (!Fits(wanted)) return false;
  return running.fitWidth >= wanted.fitWidth && running.fitHeight >= wanted.fitHeight;
}

std::size_t BytesOf(const SharedLoadResult& r) {
  std::size_t bytes = sizeof(SharedLoadResult) + 256;
  if (r.picture) {
    for (const PictureFrame& f : r.picture->frames) bytes += f.pixels.capacity() + sizeof f;
    if (r.picture->shrunk) bytes += r.picture->shrunk->pixels.capacity();
  }
  return bytes;
}

bool Settled(const FileStamp& stamp, std::chrono::milliseconds settle) {
  if (settle.count() <= 0) return true;
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const auto ns = [](const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
  };
  // Every write sets the change time from the system's clock; the modification time is whatever
  // the file was given (an archive's, a camera's), the future included.
  return ns(now) - ns(stamp.changed) >= std::chrono::nanoseconds(settle).count();
}

SharedLoadResult Share(LoadResult r) {
  SharedLoadResult s;
  s.format = r.format;
  s.change = r.change;
  s.outOfMemory = r.outOfMemory;
  if (r.change == PictureChange::Replace)
    s.picture = std::make_shared<const Picture>(std::move(r.picture));
  return s;
}

// LoadPicture, with a still picture decoded larger than its area also shrunk to the size it is
// shown at, on up to `threads` threads.
SharedLoadResult LoadShrunk(const std::string& path, const codecs::DecodeOptions& options,
                            int threads) {
  LoadResult load = LoadPicture(path, options);
  if (load.change == PictureChange::Replace) {
    try {
      AddShrunkFrame(load.picture, options.fitWidth, options.fitHeight, threads,
                     options.pixelRatio);
    } catch (const std::bad_alloc&) {
      load.picture.shrunk.reset();  // the control shrinks it when it paints
    }
  }
  return Share(std::move(load));
}

codecs::DecodeOptions WithoutReuse(codecs::DecodeOptions o) {
  o.reuse = nullptr;
  o.claim = nullptr;
  return o;
}

}  // namespace

bool FileStamp::operator==(const FileStamp& o) const {
  return device == o.device && inode == o.inode && size == o.size &&
         SameTime(modified, o.modified) && SameTime(changed, o.changed);
}

bool StampFile(const std::string& path, FileStamp* stamp) {
  struct stat st {};
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  stamp->device = static_cast<std::uint64_t>(st.st_dev);
  stamp->inode = static_cast<std::uint64_t>(st.st_ino);
  stamp->size = static_cast<std::int64_t>(st.st_size);
  stamp->modified = st.st_mtim;
  stamp->changed = st.st_ctim;
  return true;
}

TDecodeAhead::TDecodeAhead() : TDecodeAhead(Config{}) {}

TDecodeAhead::TDecodeAhead(Config config) : config_(std::move(config)) {
  if (!config_.enabled) return;
  const std::size_t n = static_cast<std::size_t>(std::max(config_.workers, 1));
  running_.resize(n);
  workers_.reserve(n);
  for (std::size_t slot = 0; slot < n; ++slot) workers_.emplace_back([this, slot] { Run(slot); });
  standInWorker_ = std::thread([this] { RunStandIns(); });
}

TDecodeAhead::~TDecodeAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  workReady_.notify_all();
  standInReady_.notify_all();
  workDone_.notify_all();
  for (std::thread& w : workers_)
    if (w.joinable()) w.join();
  if (standInWorker_.joinable()) standInWorker_.join();
}

void TDecodeAhead::Prefetch(std::vector<DecodeRequest> requests) {
  if (!config_.enabled) return;
  for (DecodeRequest& r : requests) r.options = WithoutReuse(r.options);
  {
    std::lock_guard lock(mutex_);
    wanted_ = std::move(requests);
    nextWanted_ = 0;
    TrimPastLocked();
  }
  workReady_.notify_all();
}

void TDecodeAhead::Run(std::size_t slot) {
  // The window's thread comes first: a key handled or a picture painted while both workers
  // decode must not wait for a time slice.
  platform::LowerThreadPriority(config_.niceness);
  for (;;) {
    DecodeRequest job;
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        workReady_.wait(lock, [this] { return stop_ || nextWanted_ < wanted_.size(); });
        if (stop_) return;
        job = wanted_[nextWanted_++];
        // Asked for again while another worker decodes it: that decode will do.
        if (!RunningLocked(job.path, job.options)) break;
      }
      running_[slot] = job;
    }
    DecodeOne(job);
    {
      std::lock_guard lock(mutex_);
      running_[slot].reset();
      if (doneHook_ && !stop_) doneHook_(job.path);
    }
    workDone_.notify_all();
  }
}

void TDecodeAhead::DecodeOne(const DecodeRequest& job) {
  FileStamp before;
  if (!StampFile(job.path, &before) || !Settled(before, config_.settle)) return;
  {
    std::lock_guard lock(mutex_);
    const auto it = FindLocked(job.path);
    if (it != entries_.end() && it->stamp == before && Serves(it->result, it->options, job.options))
      return;
    if (RefusedLocked(before, job.options)) return;
    ++stats_.decodes;
  }
  if (config_.onDecodeStart) config_.onDecodeStart(job.path);

  codecs::DecodeOptions options = job.options;
  if (config_.budget) options.budget = config_.budget;
  options.budgetMode = codecs::BudgetMode::Wait;
  SharedLoadResult result;
  bool loaded = true;
  try {
    // Shrunk here, the picture is painted as it is instead of being scaled on the window's thread.
    result = LoadShrunk(job.path, options, 1);
  } catch (...) {
    loaded = false;  // the window's own load reports it
  }
  FileStamp after;
  const bool unchanged = StampFile(job.path, &after) && after == before;

  std::lock_guard lock(mutex_);
  const bool waited =
      !stop_ && std::find(waitedFor_.begin(), waitedFor_.end(), job.path) != waitedFor_.end();
  if (loaded && unchanged && result.outOfMemory) {
    ++stats_.refused;
    RefuseLocked(before, job.options);
    return;
  }
  if (!loaded || !unchanged || (!waited && !WantedLocked(job.path))) {
    ++stats_.discarded;
    return;
  }
  Entry entry{job.path, before, job.options, std::move(result), 0};
  if (waited && BytesOf(entry.result) > config_.capBytes) {
    // Too large to keep, but decoded all the same: the window waiting for it takes it as it is.
    ++stats_.refused;
    RefuseLocked(before, job.options);
    handedOver_.push_back(std::move(entry));
    return;
  }
  if (!InsertLocked(std::move(entry))) ++stats_.discarded;
}

std::optional<SharedLoadResult> TDecodeAhead::Take(const std::string& path,
                                                   const codecs::DecodeOptions& options,
                                                   bool waitIfRunning, bool callerLoads) {
  if (!config_.enabled) return std::nullopt;
  FileStamp now;
  const bool exists = StampFile(path, &now);
  std::unique_lock lock(mutex_);
  if (exists && waitIfRunning && RunningLocked(path, options)) {
    ++stats_.waits;
    waitedFor_.push_back(path);
    workDone_.wait(lock, [&] { return stop_ || !RunningLocked(path, options); });
    waitedFor_.erase(std::find(waitedFor_.begin(), waitedFor_.end(), path));
    const auto handed = std::find_if(handedOver_.begin(), handedOver_.end(),
                                     [&](const Entry& e) { return e.path == path; });
    if (handed != handedOver_.end()) {
      Entry entry = std::move(*handed);
      handedOver_.erase(handed);
      if (entry.stamp == now && Serves(entry.result, entry.options, options)) {
        ++stats_.hits;
        entry.result.fromCache = true;
        return std::move(entry.result);
      }
    }
  }
  const auto it = FindLocked(path);
  const bool current = exists && it != entries_.end() && it->stamp == now;
  if (it != entries_.end() && !current) {
    stats_.bytes -= it->bytes;
    entries_.erase(it);
  }
  if (!current || !Serves(it->result, it->options, options)) {
    ++stats_.misses;
    // The caller loads it now: the worker need not.
    for (std::size_t i = callerLoads ? nextWanted_ : wanted_.size(); i < wanted_.size();)
      if (wanted_[i].path == path)
        wanted_.erase(wanted_.begin() + static_cast<std::ptrdiff_t>(i));
      else
        ++i;
    return std::nullopt;
  }
  entries_.splice(entries_.begin(), entries_, it);
  ++stats_.hits;
  SharedLoadResult hit = it->result;
  hit.fromCache = true;
  return hit;
}

void TDecodeAhead::Store(const std::string& path, const codecs::DecodeOptions& options,
                         const FileStamp& stamp, const SharedLoadResult& result) {
  if (!config_.enabled || !Settled(stamp, config_.settle)) return;
  std::lock_guard lock(mutex_);
  InsertLocked(Entry{path, stamp, WithoutReuse(options), result, 0});
}

void TDecodeAhead::Clear() {
  std::lock_guard lock(mutex_);
  entries_.clear();
  standIns_.clear();
  standInsWanted_.clear();
  nextStandIn_ = 0;
  handedOver_.clear();
  stats_.bytes = 0;
  wanted_.clear();
  nextWanted_ = 0;
}

void TDecodeAhead::PrefetchStandIns(std::vector<DecodeRequest> requests) {
  if (!config_.enabled) return;
  for (DecodeRequest& r : requests) r.options = WithoutReuse(r.options);
  {
    std::lock_guard lock(mutex_);
    standInsWanted_ = std::move(requests);
    nextStandIn_ = 0;
  }
  standInReady_.notify_all();
}

void TDecodeAhead::RunStandIns() {
  // Ahead of the full decodes, which wait a little longer for what is quickly done here; still
  // behind the window's thread.
  platform::LowerThreadPriority(config_.niceness / 2);
  for (;;) {
    DecodeRequest job;
    {
      std::unique_lock lock(mutex_);
      standInReady_.wait(lock, [this] { return stop_ || nextStandIn_ < standInsWanted_.size(); });
      if (stop_) return;
      job = standInsWanted_[nextStandIn_++];
      standInRunning_ = job.path;
    }
    DecodeStandIn(job);
    {
      std::lock_guard lock(mutex_);
      standInRunning_.reset();
    }
    workDone_.notify_all();
  }
}

void TDecodeAhead::DecodeStandIn(const DecodeRequest& job) {
  constexpr std::size_t kStandInsKept = 8;
  FileStamp before;
  if (!StampFile(job.path, &before) || !Settled(before, config_.settle)) return;
  const auto find = [&] {
    return std::find_if(standIns_.begin(), standIns_.end(),
                        [&](const Entry& e) { return e.path == job.path; });
  };
  {
    std::lock_guard lock(mutex_);
    const auto it = find();
    if (it != standIns_.end() && it->stamp == before &&
        SameLimits(it->options.limits, job.options.limits))
      return;
  }
  codecs::DecodeOptions options = job.options;
  if (config_.budget) options.budget = config_.budget;
  // Never waits for the full decodes' bytes: the window makes it itself sooner.
  options.budgetMode = codecs::BudgetMode::Take;
  SharedLoadResult result;
  try {
    result = Share(LoadStandIn(job.path, options));
  } catch (...) {
    return;  // the window's own load reports it
  }
  FileStamp after;
  if (result.outOfMemory || !StampFile(job.path, &after) || !(after == before)) return;
  std::lock_guard lock(mutex_);
  const auto old = find();
  if (old != standIns_.end()) standIns_.erase(old);
  standIns_.push_front(Entry{job.path, before, job.options, std::move(result), 0});
  if (standIns_.size() > kStandInsKept) standIns_.pop_back();
}

std::optional<SharedLoadResult> TDecodeAhead::TakeStandIn(const std::string& path,
                                                          const codecs::DecodeOptions& options) {
  FileStamp now;
  if (!config_.enabled || !StampFile(path, &now)) return std::nullopt;
  std::unique_lock lock(mutex_);
  workDone_.wait(lock, [&] { return stop_ || standInRunning_ != path; });
  const auto it = std::find_if(standIns_.begin(), standIns_.end(),
                               [&](const Entry& e) { return e.path == path; });
  if (it == standIns_.end() || !(it->stamp == now) ||
      !SameLimits(it->options.limits, options.limits))
    return std::nullopt;
  SharedLoadResult hit = it->result;
  hit.fromCache = true;
  return hit;
}

void TDecodeAhead::SetDoneHook(DoneHook hook) {
  std::lock_guard lock(mutex_);
  doneHook_ = std::move(hook);
}

bool TDecodeAhead::WaitIdle(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return workDone_.wait_for(lock, timeout, [this] {
    return !BusyLocked() && nextWanted_ >= wanted_.size() && !standInRunning_ &&
           nextStandIn_ >= standInsWanted_.size();
  });
}

TDecodeAhead::Stats TDecodeAhead::stats() const {
  std::lock_guard lock(mutex_);
  Stats s = stats_;
  s.entries = entries_.size();
  return s;
}

TDecodeAhead::EntryList::iterator TDecodeAhead::FindLocked(const std::string& path) {
  return std::find_if(entries_.begin(), entries_.end(),
                      [&](const Entry& e) { return e.path == path; });
}

int TDecodeAhead::UrgencyLocked(const std::string& path) const {
  for (std::size_t i = 0; i < wanted_.size(); ++i)
    if (wanted_[i].path == path) return static_cast<int>(i);
  return -1;
}

bool TDecodeAhead::WantedLocked(const std::string& path) const {
  return UrgencyLocked(path) >= 0;
}

bool TDecodeAhead::RunningLocked(const std::string& path,
                                 const codecs::DecodeOptions& options) const {
  return std::any_of(running_.begin(), running_.end(), [&](const auto& r) {
    return r && r->path == path && MayServe(r->options, options);
  });
}

bool TDecodeAhead::BusyLocked() const {
  return std::any_of(running_.begin(), running_.end(), [](const auto& r) { return r.has_value(); });
}

bool TDecodeAhead::InsertLocked(Entry entry) {
  const auto old = FindLocked(entry.path);
  if (old != entries_.end()) {
    stats_.bytes -= old->bytes;
    entries_.erase(old);
  }
  entry.bytes = BytesOf(entry.result);
  if (entry.bytes > config_.capBytes) {
    // It would only push everything else out; nor is it decoded ahead again for nothing.
    ++stats_.refused;
    RefuseLocked(entry.stamp, entry.options);
    return false;
  }
  stats_.bytes += entry.bytes;
  entries_.push_front(std::move(entry));
  TrimPastLocked();
  // Room goes first from pictures nobody waits for (least recently used first), then from the
  // wanted ones least urgent first; the new entry is no exception.
  while (stats_.bytes > config_.capBytes && !entries_.empty()) {
    auto victim = entries_.end();
    int victimUrgency = -1;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      const int u = UrgencyLocked(it->path);
      if (u < 0) {
        victim = std::prev(it.base());
        break;
      }
      if (u > victimUrgency) victim = std::prev(it.base()), victimUrgency = u;
    }
    stats_.bytes -= victim->bytes;
    entries_.erase(victim);
    ++stats_.evictions;
  }
  return true;
}

void TDecodeAhead::RefuseLocked(const FileStamp& stamp, const codecs::DecodeOptions& options) {
  constexpr std::size_t kRemembered = 32;
  refusals_.remove_if([&](const Refusal& r) { return r.stamp == stamp; });
  refusals_.push_front(Refusal{stamp, WithoutReuse(options)});
  if (refusals_.size() > kRemembered) refusals_.pop_back();
}

bool TDecodeAhead::RefusedLocked(const FileStamp& stamp,
                                 const codecs::DecodeOptions& options) const {
  // Asked for at least as much as what was turned away.
  return std::any_of(refusals_.begin(), refusals_.end(), [&](const Refusal& r) {
    return r.stamp == stamp && MayServe(options, r.options);
  });
}

void TDecodeAhead::TrimPastLocked() {
  std::size_t past = 0;
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (WantedLocked(it->path) || ++past <= config_.keepPast) {
      ++it;
      continue;
    }
    stats_.bytes -= it->bytes;
    it = entries_.erase(it);
    ++stats_.evictions;
  }
}

bool DecodeAheadWantedByEnvironment() {
  const char* v = std::getenv("SORTIVO_NO_DECODE_AHEAD");
  return v == nullptr || *v == '\0' || std::string(v) == "0";
}

SharedLoadResult LoadPictureCached(TDecodeAhead* cache, const std::string& path,
                                   const codecs::DecodeOptions& options) {
  if (cache == nullptr || !cache->enabled()) return Share(LoadPicture(path, options));
  if (std::optional<SharedLoadResult> hit = cache->Take(path, options)) return *std::move(hit);
  FileStamp before;
  const bool stamped = StampFile(path, &before);
  // The user waits for this one: the shrink takes a second thread (the workers are idle or
  // about to be dropped).
  SharedLoadResult result = LoadShrunk(path, options, 2);
  FileStamp after;
  if (!result.outOfMemory && stamped && StampFile(path, &after) && after == before)
    cache->Store(path, options, before, result);
  return result;
}

PictureFormat LoadPictureFileCached(TDecodeAhead* cache, const std::string& path,
                                    std::shared_ptr<const Picture>& control,
                                    const codecs::DecodeOptions& options, bool* fromCache) {
  SharedLoadResult r = LoadPictureCached(cache, path, options);
  if (fromCache) *fromCache = r.fromCache;
  if (r.change == PictureChange::Replace)
    control = std::move(r.picture);
  else if (r.change == PictureChange::Empty)
    control.reset();
  return r.format;
}
