#include "view/StandIn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <vector>

#include "support/CameraPictureWriter.h"
#include "support/PictureWriter.h"
#include "support/TempDir.h"
#include "view/ImageLib.h"

using namespace std::chrono_literals;
using testsupport::HeifParams;
using testsupport::PixelAt;
using testsupport::Rgba;
using testsupport::TempDir;

namespace {

// x265 takes its time even over small pictures: each file is encoded once for every test here.
// Stored 256 x 192; a 64 x 48 thumbnail where there is one.
struct Files {
  std::string thumbnail, turned, avif, bare, jpeg;
};

const Files& Encoded() {
  static const Files files = [] {
    Files f;
    HeifParams p;
    p.width = 256, p.height = 192, p.thumbnailBox = 64;
    f.thumbnail = testsupport::EncodeHeif(p);
    p.orientation = 6;  // shown 192 x 256
    f.turned = testsupport::EncodeHeif(p);
    p.orientation = 1, p.avif = true;
    f.avif = testsupport::EncodeHeif(p);
    p.avif = false, p.thumbnailBox = 0;
    f.bare = testsupport::EncodeHeif(p);
    f.jpeg = testsupport::EncodeJpeg(256, 192);
    return f;
  }();
  return files;
}

TDecodeAhead::Config Quick() {
  TDecodeAhead::Config c;
  c.settle = 0ms;
  return c;
}

// The picture area's hint: larger than the thumbnails, so none of them serves it.
codecs::DecodeOptions Area() {
  codecs::DecodeOptions o;
  o.fitWidth = 500, o.fitHeight = 400;
  return o;
}

// The paths the workers said they were done with.
struct DoneLog {
  std::mutex m;
  std::condition_variable cv;
  std::vector<std::string> paths;
  TDecodeAhead::DoneHook Hook() {
    return [this](const std::string& path) {
      std::lock_guard lock(m);
      paths.push_back(path);
      cv.notify_all();
    };
  }
  bool AwaitDone(const std::string& path) {
    std::unique_lock lock(m);
    return cv.wait_for(lock, 30s,
                       [&] { return std::find(paths.begin(), paths.end(), path) != paths.end(); });
  }
};

// The stand-in shows the picture: its pixels match the full decode's at the same places.
void ExpectLooksLike(const Picture& standIn, const Picture& full) {
  ASSERT_EQ(standIn.fullWidth, full.width);
  ASSERT_EQ(standIn.fullHeight, full.height);
  for (auto [fx, fy] : {std::pair{0.2, 0.2}, {0.8, 0.2}, {0.5, 0.5}, {0.2, 0.8}, {0.8, 0.8}}) {
    const int sx = static_cast<int>(fx * standIn.width), sy = static_cast<int>(fy * standIn.height);
    const int x = static_cast<int>(fx * full.width), y = static_cast<int>(fy * full.height);
    const Rgba got = PixelAt(standIn.frames[0].pixels, standIn.width, sx, sy);
    const Rgba want = PixelAt(full.frames[0].pixels, full.width, x, y);
    EXPECT_TRUE(std::abs(got.r - want.r) <= 24 && std::abs(got.g - want.g) <= 24 &&
                std::abs(got.b - want.b) <= 24)
        << "at " << fx << "," << fy;
  }
}

}  // namespace

TEST(StandIn, IsTheThumbnailAtThePicturesOwnSizeAndOrientation) {
  const Files& files = Encoded();
  ASSERT_FALSE(files.thumbnail.empty() || files.turned.empty() || files.avif.empty() ||
               files.bare.empty());
  struct Case {
    const char* name;
    std::string bytes;
    PictureFormat format;  // None: no stand-in
    int width, height, fullWidth, fullHeight;
  };
  TempDir dir;
  for (const Case& c : {
           Case{"a.heic", files.thumbnail, PictureFormat::Heif, 64, 48, 256, 192},
           Case{"turned.heic", files.turned, PictureFormat::Heif, 48, 64, 192, 256},
           Case{"a.avif", files.avif, PictureFormat::Avif, 64, 48, 256, 192},
           Case{"bare.heic", files.bare, PictureFormat::None, 0, 0, 0, 0},
           Case{"a.jpg", files.jpeg, PictureFormat::None, 0, 0, 0, 0},
           // A HEIC cut short: the thumbnail's data is gone with the rest.
           Case{"cut.heic", files.thumbnail.substr(0, files.thumbnail.size() / 3),
                PictureFormat::None, 0, 0, 0, 0},
       }) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.Write(c.name, c.bytes);
    const LoadResult standIn = LoadStandIn(path, Area());
    EXPECT_EQ(standIn.format, c.format);
    if (c.format == PictureFormat::None) {
      EXPECT_EQ(standIn.change, PictureChange::Keep);
      continue;
    }
    ASSERT_EQ(standIn.change, PictureChange::Replace);
    EXPECT_EQ(standIn.picture.width, c.width);
    EXPECT_EQ(standIn.picture.height, c.height);
    EXPECT_EQ(standIn.picture.fullWidth, c.fullWidth);
    EXPECT_EQ(standIn.picture.fullHeight, c.fullHeight);
    const LoadResult full = LoadPicture(path);
    ASSERT_EQ(full.change, PictureChange::Replace);
    ExpectLooksLike(standIn.picture, full.picture);
  }
  EXPECT_EQ(LoadStandIn(dir / "missing.heic").format, PictureFormat::None);
}

// Only a HEIF or AVIF picture that nothing serves yet stands in, and only while decoding ahead;
// a stand-in the workers made ahead serves only while its file is unchanged.
TEST(StandIn, ComesOnlyWhereTheWindowWouldOtherwiseDecodeItself) {
  const Files& files = Encoded();
  enum class Cache { None, Off, Empty, HoldsIt, StandInAhead, StandInAheadRewritten };
  struct Case {
    const char* what;
    Cache cache;
    const std::string* bytes;
    bool standIn;
  };
  for (const Case& c : {
           Case{"no cache", Cache::None, &files.thumbnail, false},
           Case{"decoding ahead off", Cache::Off, &files.thumbnail, false},
           Case{"not decoded yet", Cache::Empty, &files.thumbnail, true},
           Case{"decoded already", Cache::HoldsIt, &files.thumbnail, false},
           Case{"no thumbnail", Cache::Empty, &files.bare, false},
           Case{"a JPEG", Cache::Empty, &files.jpeg, false},
           Case{"stand-in made ahead", Cache::StandInAhead, &files.thumbnail, true},
           Case{"file rewritten since", Cache::StandInAheadRewritten, &files.thumbnail, true},
           Case{"made ahead: none", Cache::StandInAhead, &files.bare, false},
       }) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir.Write("p.heic", *c.bytes);
    TDecodeAhead::Config config = Quick();
    config.enabled = c.cache != Cache::Off;
    TDecodeAhead cache(config);
    TDecodeAhead* given = c.cache == Cache::None ? nullptr : &cache;
    if (c.cache == Cache::HoldsIt) LoadPictureCached(&cache, path, Area());
    std::optional<SharedLoadResult> ahead;
    if (c.cache == Cache::StandInAhead || c.cache == Cache::StandInAheadRewritten) {
      cache.PrefetchStandIns({{path, Area()}});
      ASSERT_TRUE(cache.WaitIdle(30s));
      ahead = cache.TakeStandIn(path, Area());
      ASSERT_TRUE(ahead);
      // Another file moved in its place, alike but for its stamp.
      if (c.cache == Cache::StandInAheadRewritten)
        std::filesystem::rename(dir.Write("q.heic", *c.bytes), path);
    }
    bool standIn = true;
    const SharedLoadResult r = LoadPictureOrStandIn(given, path, Area(), &standIn);
    EXPECT_EQ(standIn, c.standIn);
    ASSERT_EQ(r.change, PictureChange::Replace);
    EXPECT_EQ(r.picture->fullWidth, 256);
    EXPECT_EQ(r.picture->width, c.standIn ? 64 : 256);
    EXPECT_EQ(r.fromCache, c.cache == Cache::HoldsIt);
    // A stand-in is no decode of the picture: it is never kept as one.
    // Whatever was not a stand-in was loaded as always and kept; a JPEG is looked for once.
    if (c.cache == Cache::Empty) {
      EXPECT_EQ(cache.stats().entries, c.standIn ? 0u : 1u);
    }
    if (c.bytes == &files.jpeg) {
      EXPECT_EQ(cache.stats().misses, 1u);
    }
    if (ahead && c.standIn) {
      EXPECT_EQ(r.picture == ahead->picture, c.cache == Cache::StandInAhead);
    }
  }
}

// The workers' decode replaces the stand-in of its own file, turned as the user turned the
// stand-in meanwhile; the end of any other decode changes nothing.
TEST(StandIn, IsReplacedByItsOwnDecodeWithTheUsersTurns) {
  const Files& files = Encoded();
  for (int turns = 0; turns < 4; ++turns) {
    SCOPED_TRACE(testing::Message() << turns << " quarter turns");
    TempDir dir;
    const std::string path = dir.Write("a.heic", files.turned);
    const std::string other = dir.Write("b.heic", files.thumbnail);
    TDecodeAhead cache(Quick());
    DoneLog done;
    cache.SetDoneHook(done.Hook());
    bool standIn = false;
    const SharedLoadResult first = LoadPictureOrStandIn(&cache, path, Area(), &standIn);
    ASSERT_TRUE(standIn);
    const std::shared_ptr<const Picture> shown = TurnedCopy(first.picture, turns);

    cache.Prefetch({{other, Area()}});
    ASSERT_TRUE(done.AwaitDone(other));
    EXPECT_EQ(ResolveStandIn(cache, path, *shown, turns, other, Area()).outcome,
              StandInOutcome::Wait);

    cache.Prefetch({{path, Area()}, {other, Area()}});
    ASSERT_TRUE(done.AwaitDone(path));
    const StandInResolution r = ResolveStandIn(cache, path, *shown, turns, path, Area());
    ASSERT_EQ(r.outcome, StandInOutcome::Replace);
    ASSERT_TRUE(r.picture);
    EXPECT_EQ(r.picture->width, r.picture->fullWidth);
    EXPECT_EQ(r.picture->fullWidth, shown->fullWidth);
    EXPECT_EQ(r.picture->fullHeight, shown->fullHeight);
    ExpectLooksLike(*shown, *r.picture);
  }
}

TEST(StandIn, StaysOrGivesWayWhenItsDecodeCannotReplaceIt) {
  const Files& files = Encoded();
  struct Case {
    const char* what;
    std::string rewrittenAs;  // the file's bytes once the stand-in is shown
    bool cleared;             // the cache dropped everything before the stand-in was resolved
    StandInOutcome outcome;
  };
  for (const Case& c : {
           // Another picture written over the file: the stand-in keeps its own caption.
           Case{"another size", files.turned, false, StandInOutcome::Keep},
           Case{"broken since", files.thumbnail.substr(0, 200), false, StandInOutcome::Keep},
           Case{"nothing kept", files.thumbnail, true, StandInOutcome::LoadHere},
       }) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = dir.Write("a.heic", files.thumbnail);
    TDecodeAhead cache(Quick());
    DoneLog done;
    cache.SetDoneHook(done.Hook());
    bool standIn = false;
    const SharedLoadResult shown = LoadPictureOrStandIn(&cache, path, Area(), &standIn);
    ASSERT_TRUE(standIn);
    if (c.rewrittenAs != files.thumbnail) dir.Write("a.heic", c.rewrittenAs);
    cache.Prefetch({{path, Area()}});
    ASSERT_TRUE(done.AwaitDone(path));
    if (c.cleared) cache.Clear();
    EXPECT_EQ(ResolveStandIn(cache, path, *shown.picture, 0, path, Area()).outcome, c.outcome);
  }
}

TEST(StandIn, TheDoneHookHearsEveryEndUntilItIsCleared) {
  TempDir dir;
  const std::string a = dir.Write("a.jpg", Encoded().jpeg), gone = dir / "gone.heic";
  TDecodeAhead cache(Quick());
  DoneLog done;
  cache.SetDoneHook(done.Hook());
  // Decoded, no file at all, then both again (one cached already): each end is heard.
  cache.Prefetch({{a, Area()}, {gone, Area()}});
  ASSERT_TRUE(done.AwaitDone(a) && done.AwaitDone(gone));
  cache.Prefetch({{gone, Area()}, {a, Area()}});
  ASSERT_TRUE(cache.WaitIdle(30s));
  cache.SetDoneHook(nullptr);
  cache.Prefetch({{a, Area()}});
  ASSERT_TRUE(cache.WaitIdle(30s));
  EXPECT_EQ(done.paths.size(), 4u);
}
