#include "app/EarlyOpen.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "app/FirstPictures.h"
#include "app/GeneralManager.h"
#include "app/SortingSession.h"
#include "app/TemporaryManager.h"
#include "config/ColorManager.h"
#include "config/VirtualKeys.h"
#include "platform/ConfigFolder.h"
#include "platform/FileSystem.h"
#include "platform/LargeBuffers.h"
#include "view/Downscale.h"
#include "view/ImageLib.h"

std::optional<codecs::DecodeOptions> GuessDisplayOptions(const WindowSettings& window,
                                                         bool originalSize) {
  if (window.maximized) return std::nullopt;
  codecs::DecodeOptions options =
      DisplayDecodeOptions(window.bounds.width, window.bounds.height, originalSize);
  // A stored ratio out of reason is no guess at all: the window decodes for itself.
  if (window.pixelRatioPercent < 100 || window.pixelRatioPercent > 800) return options;
  options.pixelRatio = window.pixelRatioPercent / 100.0;
  return options;
}

namespace {

// About two decodes of a large photo.
constexpr std::chrono::milliseconds kListingWaitsAtMost(250);

}  // namespace

TEarlyOpen::TEarlyOpen(std::string settingsFolder, std::string argument, bool decode)
    // Started here, not when the picture is known: by then the program's thread may be loading
    // the window module, and a thread cannot start while a module loads.
    : decoder_(decode ? std::thread([this] { DecodeJobs(); }) : std::thread()) {
  try {
    thread_ = std::thread(
        [this, settingsFolder = std::move(settingsFolder), argument = std::move(argument), decode] {
          try {
            Run(settingsFolder, argument, decode);
          } catch (const std::exception&) {
            // Whatever failed here fails again in the window's own opening, which reports it.
          }
          {
            const std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
          }
          changed_.notify_all();
        });
  } catch (...) {
    // No thread to list with: the decoder has nothing to wait for.
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      noMoreJobs_ = ended_ = true;
    }
    changed_.notify_all();
    if (decoder_.joinable()) decoder_.join();
    throw;
  }
}

TEarlyOpen::~TEarlyOpen() {
  Take();
}

void TEarlyOpen::SetDisplayOptions(const codecs::DecodeOptions& options) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (display_) return;
    display_ = options;
  }
  changed_.notify_all();
}

TEarlyOpen::Prepared TEarlyOpen::Take() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (taken_) return {};
    taken_ = true;
    taking_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
  return std::move(prepared_);
}

void TEarlyOpen::Run(const std::string& settingsFolder, const std::string& argument, bool decode) {
  // Whatever way Run ends, the decodes asked for end first.
  struct Drain {
    TEarlyOpen& early;
    ~Drain() {
      {
        const std::lock_guard<std::mutex> lock(early.mutex_);
        early.noMoreJobs_ = true;
      }
      early.changed_.notify_all();
      if (early.decoder_.joinable()) early.decoder_.join();
    }
  } drain{*this};
  // Read as the session reads them: the extensions decide what is listed, the window's bounds
  // what size the picture is decoded at.
  TGeneralManager general;
  TTemporaryManager temporary;
  TVirtualKeys keys;
  TColorManager colors;
  WindowSettings window;
  LoadSettings(platform::SettingsFilePath(settingsFolder), general, temporary, keys, colors,
               window);

  std::string source = TSortingSession::SourceToOpen(argument);
  if (source.empty()) return;
  const std::optional<codecs::DecodeOptions> guess =
      decode ? GuessDisplayOptions(window, general.OriginalSize) : std::nullopt;
  // The decode starts as soon as the picture to show is known, and the listing goes on beside
  // it: a folder of many thousands of names takes a while to list.
  std::vector<std::string> decoding;
  const auto decodeAtOnce = [&](const std::string& picture) {
    if (!guess || !decoder_.joinable() || decoding.size() == 2 ||
        std::find(decoding.begin(), decoding.end(), picture) != decoding.end())
      return false;
    decoding.push_back(picture);
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back({picture, *guess});
    }
    changed_.notify_all();
    return true;
  };
  auto list = std::make_unique<TFileList>(general.ImageExtensions, general.ListExtensions);
  // A folder opened before: its first picture then is decoded before the listing says it still
  // is. The stamp is taken before the listing, so that a name added meanwhile makes it stale.
  FolderStamp folderStamp;
  const bool folder = StampFolder(source, &folderStamp);
  const TFirstPictures firstPictures(TFirstPictures::PathIn(settingsFolder));
  const std::uint64_t rules = TFirstPictures::Rules(general.ImageExtensions);
  const std::string remembered =
      folder ? firstPictures.Find(source, folderStamp, rules) : std::string();
  const std::string picture =
      remembered.empty() ? std::string() : TFileList::EntryInFolder(source, remembered);
  const bool wanted = !picture.empty() && list->IsPicture(picture) && platform::FileExists(picture);
  if (wanted) {
    const std::lock_guard<std::mutex> lock(mutex_);
    remembered_ = picture;  // before its decode can end
  }
  if (!wanted || !decodeAtOnce(picture)) {
    SettleRemembered(picture);
  } else {
    // The decode and the listing would share the same cores, and the picture is what the user
    // waits to see: the listing comes after it, unless the decode is slow or the window already
    // waits for the list.
    std::unique_lock<std::mutex> lock(mutex_);
    ShrinkAlongUntil(lock, std::chrono::steady_clock::now() + kListingWaitsAtMost);
  }
  if (platform::FileExists(source) && list->IsPicture(source))
    decodeAtOnce(source);  // the picture named is the one shown
  else
    list->SetFirstKnown([&](const std::string& first) { decodeAtOnce(first); });
  const TFileList::OpenResult opened = list->Open(source);
  list->SetFirstKnown(nullptr);
  if (!opened.accepted) return;
  if (!opened.first.empty()) decodeAtOnce(opened.first);  // a list file's first entry
  if (folder && !opened.first.empty()) {
    const std::string first = platform::ExtractFileName(opened.first, platform::kNativeStyle);
    if (first != remembered) firstPictures.Remember(source, folderStamp, rules, first);
  }
  prepared_.source = std::move(source);
  prepared_.list = std::move(list);
  prepared_.picture = opened.first;
}

class TEarlyOpen::RowsToShrink final : public codecs::RowsObserver {
 public:
  explicit RowsToShrink(TEarlyOpen& early) : early_(early) {}
  void RowsDone(const Picture& picture, int rows) override { early_.RowsDecoded(picture, rows); }
  void RowsEnd() noexcept override { early_.RowsEnded(); }

 private:
  TEarlyOpen& early_;
};

void TEarlyOpen::Decode(const std::string& path, const codecs::DecodeOptions& guess) {
  FileStamp before;
  if (!StampFile(path, &before)) return;
  codecs::DecodeOptions options = guess;
  RowsToShrink rows(*this);
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    // Only the remembered picture has the listing thread waiting for it.
    if (path == remembered_ && !alongClosed_) options.rows = &rows;
  }
  // A file that cannot be read throws: the window's own load reports it as it always does.
  LoadResult load = LoadPicture(path, options);
  std::unique_ptr<TShrinkAlong> along;
  const std::uint8_t* alongPixels = nullptr;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    alongClosed_ = true;  // RowsEnded has been, when any rows came: the listing thread is done
    along = std::move(along_);
    alongPixels = alongPixels_;
  }
  if (load.outOfMemory) return;
  // Shrunk for the area the window really has, when it has said so by now; the cache serves the
  // decode under the options it was made with.
  if (const auto wanted = WaitForDisplayOptions();
      wanted && load.change == PictureChange::Replace) {
    Picture& picture = load.picture;
    try {
      const std::optional<ViewSize> target =
          ShrinkTarget(picture, wanted->fitWidth, wanted->fitHeight, wanted->pixelRatio);
      // Rows cleared after a broken decode are transparent: those take the other shrink.
      if (along && target && !picture.hasAlpha && picture.frames[0].pixels.data() == alongPixels &&
          along->target().width == target->width && along->target().height == target->height) {
        along->Advance(alongPixels, picture.height, 2);
        picture.shrunk = along->Take(alongPixels);
      }
      if (!picture.shrunk)
        AddShrunkFrame(picture, wanted->fitWidth, wanted->fitHeight, 2, wanted->pixelRatio);
    } catch (const std::bad_alloc&) {
      picture.shrunk.reset();  // the control shrinks it when it paints
    }
  }
  FileStamp after;
  if (!StampFile(path, &after) || !(after == before)) return;
  SharedLoadResult shared;
  shared.format = load.format;
  shared.change = load.change;
  if (load.change == PictureChange::Replace)
    shared.picture = std::make_shared<const Picture>(std::move(load.picture));
  const std::lock_guard<std::mutex> lock(mutex_);
  prepared_.decodes.push_back({path, std::move(shared), guess, before});
}

void TEarlyOpen::DecodeJobs() {
  // The first pictures of a start: every page of their buffers is fresh.
  platform::MapLargeBuffersOnThisThread(true);
  for (;;) {
    std::pair<std::string, codecs::DecodeOptions> job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait(lock, [this] { return !jobs_.empty() || noMoreJobs_; });
      if (jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.erase(jobs_.begin());
    }
    try {
      Decode(job.first, job.second);
    } catch (const std::exception&) {
      // The window's own load reports it.
    }
    SettleRemembered(job.first);
  }
}

void TEarlyOpen::SettleRemembered(const std::string& picture) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (picture != remembered_ && !remembered_.empty()) return;
    rememberedSettled_ = true;
  }
  changed_.notify_all();
}

std::string TEarlyOpen::StoreRememberedFirst(TDecodeAhead* cache) {
  std::unique_lock<std::mutex> lock(mutex_);
  // The decode waits no longer for the window's area: it has said it by now, or never will.
  waitingForFirst_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return rememberedSettled_ || ended_; });
  // Once only: the second call finds it shown.
  const std::string remembered = std::exchange(remembered_, {});
  if (!cache || remembered.empty()) return {};
  const auto it = std::find_if(prepared_.decodes.begin(), prepared_.decodes.end(),
                               [&](const Prepared::Decoded& d) { return d.picture == remembered; });
  if (it == prepared_.decodes.end()) return {};
  cache->Store(it->picture, it->options, it->stamp, it->result);
  prepared_.decodes.erase(it);  // in the cache now: HandOver need not store it again
  return remembered;
}

bool TEarlyOpen::DecodesRemembered() {
  const std::lock_guard<std::mutex> lock(mutex_);
  return !remembered_.empty() && !rememberedSettled_ && !ended_;
}

void TEarlyOpen::RowsDecoded(const Picture& picture, int rows) noexcept {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (alongClosed_) return;
    if (!along_) {
      if (!display_) return;  // the rows done so far are shrunk once it has said
      const std::optional<ViewSize> target =
          ShrinkTarget(picture, display_->fitWidth, display_->fitHeight, display_->pixelRatio);
      try {
        if (target && !picture.hasAlpha)
          along_ = std::make_unique<TShrinkAlong>(picture.width, picture.height, *target);
      } catch (const std::bad_alloc&) {
        // Shrunk at the end of the decode, as when there is no area to shrink for yet.
      }
      if (!along_) {
        alongClosed_ = true;
        return;
      }
    }
    alongPixels_ = picture.frames[0].pixels.data();
    alongRows_ = rows;
  }
  changed_.notify_all();
}

void TEarlyOpen::ShrinkAlongUntil(std::unique_lock<std::mutex>& lock,
                                  std::chrono::steady_clock::time_point until) {
  for (;;) {
    const bool woken = changed_.wait_until(lock, until, [this] {
      return rememberedSettled_ || taking_ || (along_ && !alongClosed_ && alongRows_ > alongGiven_);
    });
    if (!woken || rememberedSettled_ || taking_) return;
    TShrinkAlong& along = *along_;
    const std::uint8_t* pixels = alongPixels_;
    const int rows = alongGiven_ = alongRows_;
    alongBusy_ = true;
    lock.unlock();
    along.Advance(pixels, rows);
    lock.lock();
    alongBusy_ = false;
    changed_.notify_all();
  }
}

void TEarlyOpen::RowsEnded() noexcept {
  std::unique_lock<std::mutex> lock(mutex_);
  alongClosed_ = true;
  changed_.wait(lock, [this] { return !alongBusy_; });
}

std::optional<codecs::DecodeOptions> TEarlyOpen::WaitForDisplayOptions() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return display_.has_value() || taking_ || waitingForFirst_; });
  return display_;
}
