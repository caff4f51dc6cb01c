#include "view/DecodeAhead.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "support/PictureWriter.h"
#include "support/TempDir.h"

using namespace std::chrono_literals;
using testsupport::PixelAt;
using testsupport::Rgba;
using testsupport::TempDir;

namespace {

TDecodeAhead::Config Quick() {
  TDecodeAhead::Config c;
  c.settle = 0ms;
  return c;
}

codecs::DecodeOptions Fit(int w, int h) {
  codecs::DecodeOptions o;
  o.fitWidth = w, o.fitHeight = h;
  return o;
}

// A solid BMP: the same file size as the gradient one of its size, other pixels.
std::string SolidBmp(int width, int height, Rgba colour) {
  testsupport::BmpParams params;
  params.width = width, params.height = height;
  params.pixels.assign(static_cast<std::size_t>(width) * height, colour);
  return testsupport::EncodeBmp(params);
}

void Overwrite(const std::string& path, const std::string& bytes) {  // same inode
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

Rgba TopLeft(const SharedLoadResult& r) {
  return PixelAt(r.picture->frames[0].pixels, r.picture->width, 0, 0);
}

// Holds every decode at its start until released.
struct Gate {
  std::mutex m;
  std::condition_variable cv;
  bool released = false;
  std::vector<std::string> started;
  void Enter(const std::string& path) {
    std::unique_lock lock(m);
    started.push_back(path);
    cv.notify_all();
    cv.wait(lock, [&] { return released; });
  }
  void AwaitEntered(std::size_t n = 1) {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return started.size() >= n; }));
  }
  std::vector<std::string> Started() {
    std::lock_guard lock(m);
    std::vector<std::string> s = started;
    std::sort(s.begin(), s.end());
    return s;
  }
  void Release() {
    std::lock_guard lock(m);
    released = true;
    cv.notify_all();
  }
};

}  // namespace

TEST(DecodeAhead, ServesTheFileAsItIsNowNotAsItWasDecoded) {
  TempDir dir;
  const std::string a = dir.Write("a.bmp", testsupport::EncodeBmp(40, 30));
  std::this_thread::sleep_for(150ms);  // older than the settling time
  TDecodeAhead cache;
  cache.Prefetch({{a, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  std::optional<SharedLoadResult> hit = cache.Take(a, {});
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->format, PictureFormat::Bmp);
  EXPECT_EQ(TopLeft(*hit), testsupport::Gradient(0, 0, 40, 30));

  // Rewritten in place at the same size: same inode, same length, other pixels.
  const Rgba blue{0, 0, 255, 255};
  const std::string solid = SolidBmp(40, 30, blue);
  ASSERT_EQ(solid.size(), std::filesystem::file_size(a));
  Overwrite(a, solid);
  EXPECT_FALSE(cache.Take(a, {}));
  // Just written, so possibly written again within one clock tick: not decoded ahead.
  cache.Prefetch({{a, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_FALSE(cache.Take(a, {}));
  SharedLoadResult now = LoadPictureCached(&cache, a);
  EXPECT_EQ(TopLeft(now), blue);

  // Replaced by another file under the same name.
  std::this_thread::sleep_for(150ms);
  cache.Prefetch({{a, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  ASSERT_TRUE(cache.Take(a, {}));
  const std::string other = dir.Write("other.png", testsupport::EncodePng(25, 15));
  std::filesystem::rename(other, a);
  now = LoadPictureCached(&cache, a);
  EXPECT_EQ(now.format, PictureFormat::Png);
  EXPECT_EQ(now.picture->width, 25);
}

TEST(DecodeAhead, NextPictureMovedRenamedOrDeleted) {
  TempDir dir;
  const std::string a = dir.Write("a.jpg", testsupport::EncodeJpeg(31, 11));
  const std::string b = dir.Write("b.jpg", testsupport::EncodeJpeg(32, 12));
  const std::string c = dir.Write("c.jpg", testsupport::EncodeJpeg(33, 13));
  TDecodeAhead cache(Quick());
  cache.Prefetch({{a, {}}, {b, {}}, {c, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(cache.stats().entries, 3u);

  const std::string moved = dir.MakeDir("sorted") + "/b.jpg";
  std::filesystem::rename(b, moved);
  std::filesystem::remove(c);
  std::filesystem::rename(a, c);  // another picture now under c's name

  std::shared_ptr<const Picture> control = std::make_shared<const Picture>();
  EXPECT_FALSE(cache.Take(b, {}));
  EXPECT_EQ(LoadPictureFileCached(&cache, b, control), PictureFormat::None);
  EXPECT_TRUE(control);  // kept, as for any file not there
  SharedLoadResult r = LoadPictureCached(&cache, moved);
  EXPECT_EQ(r.format, PictureFormat::Jpeg);
  EXPECT_EQ(r.picture->width, 32);
  r = LoadPictureCached(&cache, c);
  EXPECT_EQ(r.picture->width, 31);
  EXPECT_EQ(LoadPictureCached(&cache, a).format, PictureFormat::None);
  EXPECT_EQ(cache.stats().hits, 0u);
}

TEST(DecodeAhead, FailedLoadsKeepTheirMeaningWhenCached) {
  TempDir dir;
  const std::string gif = dir.Write("broken.gif", "GIF8");
  const std::string bmp = dir.Write("broken.bmp", "BM is how this note begins, and no picture.");
  TDecodeAhead cache(Quick());
  cache.Prefetch({{gif, {}}, {bmp, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));

  const auto shown = std::make_shared<const Picture>();
  std::shared_ptr<const Picture> control = shown;
  EXPECT_EQ(LoadPictureFileCached(&cache, bmp, control), PictureFormat::None);
  EXPECT_EQ(control, shown);
  EXPECT_EQ(LoadPictureFileCached(&cache, gif, control), PictureFormat::None);
  EXPECT_FALSE(control);
  EXPECT_EQ(cache.stats().hits, 2u);
}

TEST(DecodeAhead, CapEvictsWhatIsLeastWanted) {
  TempDir dir;
  std::vector<std::string> p;
  for (const char* n : {"a.bmp", "b.bmp", "c.bmp"})
    p.push_back(dir.Write(n, testsupport::EncodeBmp(100, 100)));
  p.push_back(dir.Write("big.bmp", testsupport::EncodeBmp(300, 100)));
  TDecodeAhead::Config config = Quick();
  config.capBytes = 100 * 100 * 4 * 2 + 4000;  // two of the small ones
  TDecodeAhead cache(config);

  // All wanted: the least urgent one gives way, even when it is the newest.
  cache.Prefetch({{p[0], {}}, {p[1], {}}, {p[2], {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(cache.stats().entries, 2u);
  EXPECT_LE(cache.stats().bytes, config.capBytes);
  EXPECT_FALSE(cache.Take(p[2], {}, false));
  ASSERT_TRUE(cache.Take(p[1], {}));
  ASSERT_TRUE(cache.Take(p[0], {}));  // now the most recently used

  // Moved on: the pictures left go, least recently used first.
  cache.Prefetch({{p[2], {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_TRUE(cache.Take(p[2], {}));
  EXPECT_TRUE(cache.Take(p[0], {}));
  EXPECT_FALSE(cache.Take(p[1], {}));

  // Larger than the cap on its own: never kept, and nothing else given up for it.
  cache.Prefetch({{p[3], {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_FALSE(cache.Take(p[3], {}));
  EXPECT_EQ(cache.stats().entries, 2u);
  EXPECT_EQ(LoadPictureCached(&cache, p[3]).picture->width, 300);
}

TEST(DecodeAhead, KeepsOnlyAFewPicturesLeftBehind) {
  TempDir dir;
  std::vector<std::string> p;
  for (const char* n : {"a.png", "b.png", "c.png", "d.png"})
    p.push_back(dir.Write(n, testsupport::EncodePng(8, 8)));
  TDecodeAhead::Config config = Quick();
  config.keepPast = 1;
  TDecodeAhead cache(config);
  for (std::size_t i = 0; i + 1 < p.size(); ++i) {
    ASSERT_TRUE(LoadPictureCached(&cache, p[i]).picture);  // shown
    cache.Prefetch({{p[i + 1], {}}});
    ASSERT_TRUE(cache.WaitIdle(10s));
  }
  EXPECT_EQ(cache.stats().entries, 2u);  // the next one, and the one on screen
  EXPECT_TRUE(cache.Take(p[3], {}));
  EXPECT_TRUE(cache.Take(p[2], {}));
  EXPECT_FALSE(cache.Take(p[1], {}));
}

TEST(DecodeAhead, DropsWorkForPicturesMovedPastAndWaitsOnlyForUsefulDecodes) {
  TempDir dir;
  std::vector<std::string> p;
  for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"})
    p.push_back(dir.Write(n, testsupport::EncodeJpeg(64, 48)));
  Gate gate;
  TDecodeAhead::Config config = Quick();
  config.onDecodeStart = [&](const std::string& path) { gate.Enter(path); };
  TDecodeAhead cache(config);

  cache.Prefetch({{p[0], {}}, {p[1], {}}, {p[2], {}}});
  gate.AwaitEntered(2);  // the two most urgent side by side; c waits for a worker
  EXPECT_EQ(gate.Started(), (std::vector<std::string>{p[0], p[1]}));
  EXPECT_FALSE(cache.Take(p[0], {}, false));  // under way, but not to be waited for
  std::optional<SharedLoadResult> waited;
  std::thread taker([&] { waited = cache.Take(p[0], Fit(16, 12), true); });
  std::this_thread::sleep_for(200ms);
  cache.Prefetch({{p[3], {}}});  // the user went past a, b and c
  gate.Release();
  taker.join();
  ASSERT_TRUE(waited);  // a full decode serves a fitted request; kept for the one waiting
  EXPECT_EQ(waited->picture->width, 64);
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(gate.Started(), (std::vector<std::string>{p[0], p[1], p[3]}));
  EXPECT_EQ(cache.stats().discarded, 1u);  // b
  EXPECT_FALSE(cache.Take(p[1], {}, false));
  EXPECT_FALSE(cache.Take(p[2], {}, false));
  EXPECT_TRUE(cache.Take(p[3], {}, false));
}

TEST(DecodeAhead, ADecodeNobodyWantsAnyMoreIsThrownAway) {
  TempDir dir;
  const std::string a = dir.Write("a.jpg", testsupport::EncodeJpeg(64, 48));
  const std::string b = dir.Write("b.jpg", testsupport::EncodeJpeg(64, 48));
  Gate gate;
  TDecodeAhead::Config config = Quick();
  config.onDecodeStart = [&](const std::string& path) { gate.Enter(path); };
  TDecodeAhead cache(config);
  cache.Prefetch({{a, {}}});
  gate.AwaitEntered();
  cache.Prefetch({{a, {}}, {b, {}}});  // a is not begun a second time beside itself
  gate.AwaitEntered(2);
  cache.Prefetch({{b, {}}});
  gate.Release();
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(gate.Started(), (std::vector<std::string>{a, b}));
  EXPECT_EQ(cache.stats().discarded, 1u);
  EXPECT_FALSE(cache.Take(a, {}));
  EXPECT_TRUE(cache.Take(b, {}));
  // Clear drops pictures and queued work alike.
  cache.Clear();
  EXPECT_EQ(cache.stats().entries, 0u);
  EXPECT_EQ(cache.stats().bytes, 0u);
}

TEST(DecodeAhead, DestroyedWhileDecoding) {
  TempDir dir;
  const std::string big = dir.Write("big.jpg", testsupport::EncodeJpeg(1600, 1200));
  const std::string big2 = dir.Write("big2.jpg", testsupport::EncodeJpeg(1600, 1200));
  const std::string later = dir.Write("later.jpg", testsupport::EncodeJpeg(16, 12));
  std::atomic<int> started{0};
  TDecodeAhead::Config config = Quick();
  config.onDecodeStart = [&](const std::string&) {
    if (++started <= 2) std::this_thread::sleep_for(100ms);  // decodes long enough to overlap
  };
  auto cache = std::make_unique<TDecodeAhead>(config);
  cache->Prefetch({{big, {}}, {big2, {}}, {later, {}}});
  for (int i = 0; i < 1000 && started < 2; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(started, 2);
  cache.reset();          // while both workers decode
  EXPECT_EQ(started, 2);  // the queued one was not begun
}

TEST(DecodeAhead, PrefetchAndTakeFromManyThreads) {
  TempDir dir;
  std::vector<std::string> p;
  for (int i = 0; i < 6; ++i)
    p.push_back(dir.Write("p" + std::to_string(i) + ".jpg", testsupport::EncodeJpeg(20 + i, 10)));
  TDecodeAhead::Config config = Quick();
  config.capBytes = 3 * 30 * 10 * 4 + 3000;
  TDecodeAhead cache(config);
  std::atomic<int> wrong{0}, served{0};
  auto hammer = [&](unsigned seed) {
    std::mt19937 rng(seed);
    for (int i = 0; i < 150; ++i) {
      const std::size_t k = rng() % p.size();
      switch (rng() % 5) {
        case 0:
          cache.Prefetch({{p[k], {}}, {p[(k + 1) % p.size()], {}}});
          break;
        case 1:
          if (rng() % 10 == 0) cache.Clear();
          break;
        case 2: {
          const SharedLoadResult r = LoadPictureCached(&cache, p[k]);
          if (!r.picture || r.picture->width != 20 + static_cast<int>(k)) ++wrong;
          break;
        }
        default:
          if (auto r = cache.Take(p[k], {}, rng() % 2 == 0)) {
            ++served;
            if (r->picture->width != 20 + static_cast<int>(k)) ++wrong;
          }
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 0; t < 4; ++t) threads.emplace_back(hammer, t + 1);
  for (std::thread& t : threads) t.join();
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(served + static_cast<int>(cache.stats().hits), 0);
  EXPECT_LE(cache.stats().bytes, config.capBytes);
}

TEST(DecodeAhead, ReducedDecodesCoverTheFittedSizeAndServeOnlyWhatTheyCover) {
  TempDir dir;
  // The fitting rule of the picture area: shrink only, keeping the aspect ratio.
  const auto fitted = [](int w, int h, int aw, int ah) {
    if (w <= aw && h <= ah) return std::pair{w, h};
    int fw = static_cast<int>(std::nearbyint(static_cast<double>(w) * ah / h)), fh = ah;
    if (fw > aw) fw = aw, fh = static_cast<int>(std::nearbyint(static_cast<double>(h) * aw / w));
    return std::pair{fw, fh};
  };
  using Size = std::pair<int, int>;
  for (auto [w, h] : std::initializer_list<Size>{{800, 600}, {97, 61}, {250, 40}, {333, 500}}) {
    const std::string path = dir.Write("s.jpg", testsupport::EncodeJpeg(w, h));
    for (auto [aw, ah] :
         std::initializer_list<Size>{{200, 150}, {50, 50}, {10, 300}, {96, 60}, {1000, 20}}) {
      SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " in " + std::to_string(aw) + "x" +
                   std::to_string(ah));
      const SharedLoadResult r = LoadPictureCached(nullptr, path, Fit(aw, ah));
      ASSERT_TRUE(r.picture);
      const auto [fw, fh] = fitted(w, h, aw, ah);
      EXPECT_EQ(r.picture->fullWidth, w);
      EXPECT_EQ(r.picture->fullHeight, h);
      EXPECT_GE(r.picture->width, fw);
      EXPECT_GE(r.picture->height, fh);
      // One eighth less would no longer cover.
      int n = 1;
      while ((w * n + 7) / 8 < r.picture->width) ++n;
      if (n > 1) {
        EXPECT_TRUE((w * (n - 1) + 7) / 8 < fw || (h * (n - 1) + 7) / 8 < fh);
      }
    }
  }

  const std::string big = dir.Write("big.jpg", testsupport::EncodeJpeg(800, 600));
  TDecodeAhead cache(Quick());
  cache.Prefetch({{big, Fit(200, 150)}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  std::optional<SharedLoadResult> r = cache.Take(big, Fit(180, 190));  // smaller fit: 180 x 135
  ASSERT_TRUE(r);
  EXPECT_EQ(r->picture->width, 200);
  EXPECT_FALSE(cache.Take(big, Fit(240, 180)));  // needs 3/8
  // Original size wanted: the whole picture, which then serves every fit.
  EXPECT_EQ(LoadPictureCached(&cache, big).picture->width, 800);
  r = cache.Take(big, Fit(200, 150));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->picture->width, 800);
  codecs::DecodeOptions tight;
  tight.limits.maxPixels = 1000;
  EXPECT_FALSE(cache.Take(big, tight));  // decoded under other limits
}

// A picture kept for one request, asked for by another: the whole picture serves every view; a
// reduced one, whichever decoder made it, serves a fitted view it is at least as large as.
struct ServeCase {
  const char* what;
  int fullWidth, fullHeight;  // the picture's own size
  int width, height;          // what the decoder gave
  int fitWidth, fitHeight;    // the view asked for (0: original size)
  bool serves;
};

class DecodeAheadServes : public testing::TestWithParam<ServeCase> {};

TEST_P(DecodeAheadServes, AReducedPictureServesTheViewsItCovers) {
  const ServeCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.Write("p.heic", "stands in for the file decoded");
  FileStamp stamp;
  ASSERT_TRUE(StampFile(path, &stamp));
  auto picture = std::make_shared<Picture>();
  picture->width = c.width, picture->height = c.height;
  picture->fullWidth = c.fullWidth, picture->fullHeight = c.fullHeight;
  picture->frames.resize(1);
  picture->frames[0].pixels.assign(static_cast<std::size_t>(c.width) * c.height * 4, 0x80);
  SharedLoadResult made;
  made.format = PictureFormat::Heif;
  made.change = PictureChange::Replace;
  made.picture = picture;

  TDecodeAhead cache(Quick());
  cache.Store(path, Fit(c.width, c.height), stamp, made);
  const std::optional<SharedLoadResult> r = cache.Take(path, Fit(c.fitWidth, c.fitHeight));
  ASSERT_EQ(r.has_value(), c.serves);
  if (r) {
    EXPECT_EQ(r->picture, made.picture);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, DecodeAheadServes,
    testing::Values(
        ServeCase{"whole, original size", 4032, 3024, 4032, 3024, 0, 0, true},
        ServeCase{"whole, fitted", 4032, 3024, 4032, 3024, 1200, 900, true},
        // A HEIF thumbnail: no eighth of the picture, but as large as the fitted 1200 x 900.
        ServeCase{"thumbnail covering", 4032, 3024, 1440, 1080, 1200, 900, true},
        ServeCase{"thumbnail too small", 4032, 3024, 320, 240, 1200, 900, false},
        ServeCase{"thumbnail, original size", 4032, 3024, 1440, 1080, 0, 0, false},
        // A raw file's embedded preview.
        ServeCase{"preview covering", 6000, 4000, 1616, 1080, 1500, 1000, true},
        ServeCase{"preview four pixels short", 6000, 4000, 1616, 1080, 1620, 1080, false},
        // A scaled decode of exactly the fitted size (1333.3 rounds down), and one pixel less.
        ServeCase{"scaled to the fitted size", 4000, 3000, 1333, 1000, 1500, 1000, true},
        ServeCase{"one pixel narrower", 4000, 3000, 1332, 1000, 1500, 1000, false},
        ServeCase{"one pixel lower", 4000, 3000, 1333, 999, 1500, 1000, false}),
    [](const testing::TestParamInfo<ServeCase>& info) {
      std::string name = info.param.what;
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

// A thumbnail or preview a decoder picks because it covers the view is one the cache then serves
// for that view, whatever the rounding of the fitted size: else it would be decoded on every
// request.
TEST(DecodeAhead, ServesWhatTheDecodersTakeAsCoveringTheView) {
  TempDir dir;
  const std::string path = dir.Write("p.dng", "stands in for the file decoded");
  FileStamp stamp;
  ASSERT_TRUE(StampFile(path, &stamp));
  using Size = std::pair<int, int>;
  int covering = 0;
  for (auto [fw, fh] :
       std::initializer_list<Size>{{4032, 3024}, {6000, 4000}, {301, 200}, {97, 61}})
    for (auto [aw, ah] : std::initializer_list<Size>{
             {1280, 800}, {1500, 1000}, {1067, 800}, {150, 150}, {96, 60}}) {
      // Around the fitted size, a few pixels either way on both axes.
      const double scale = std::min({1.0, double(aw) / fw, double(ah) / fh});
      const int ew = static_cast<int>(fw * scale), eh = static_cast<int>(fh * scale);
      for (int w = ew - 2; w <= ew + 2; ++w)
        for (int h = eh - 2; h <= eh + 2; ++h) {
          if (w <= 0 || h <= 0 || w >= fw || !codecs::CoversFit(w, h, fw, fh, aw, ah)) continue;
          ++covering;
          SharedLoadResult made;
          made.format = PictureFormat::Raw;
          made.change = PictureChange::Replace;
          auto picture = std::make_shared<Picture>();
          picture->width = w, picture->height = h, picture->fullWidth = fw,
          picture->fullHeight = fh;
          picture->frames.resize(1);
          picture->frames[0].pixels.resize(static_cast<std::size_t>(w) * h * 4, 0);
          made.picture = picture;
          TDecodeAhead cache(Quick());
          cache.Store(path, Fit(aw, ah), stamp, made);
          EXPECT_TRUE(cache.Take(path, Fit(aw, ah)))
              << w << "x" << h << " of " << fw << "x" << fh << " in " << aw << "x" << ah;
        }
    }
  EXPECT_GT(covering, 20);
}

TEST(DecodeAhead, SwitchedOff) {
  TempDir dir;
  const std::string a = dir.Write("a.png", testsupport::EncodePng(12, 10));
  TDecodeAhead::Config config = Quick();
  config.enabled = false;
  TDecodeAhead cache(config);
  cache.Prefetch({{a, {}}});
  EXPECT_TRUE(cache.WaitIdle(1s));
  EXPECT_FALSE(cache.Take(a, {}));
  EXPECT_EQ(LoadPictureCached(&cache, a).picture->width, 12);
  EXPECT_EQ(cache.stats().entries, 0u);

  ::unsetenv("SORTIVO_NO_DECODE_AHEAD");
  EXPECT_TRUE(DecodeAheadWantedByEnvironment());
  ::setenv("SORTIVO_NO_DECODE_AHEAD", "1", 1);
  EXPECT_FALSE(DecodeAheadWantedByEnvironment());
  ::setenv("SORTIVO_NO_DECODE_AHEAD", "0", 1);
  EXPECT_TRUE(DecodeAheadWantedByEnvironment());
  ::unsetenv("SORTIVO_NO_DECODE_AHEAD");
}

TEST(DecodeAhead, APictureLargerThanTheCapIsDecodedOnce) {
  TempDir dir;
  const std::string big = dir.Write("big.bmp", testsupport::EncodeBmp(300, 100));
  const std::string other = dir.Write("other.bmp", testsupport::EncodeBmp(10, 10));
  const std::string shown = dir.Write("shown.bmp", testsupport::EncodeBmp(300, 100));
  Gate gate;
  TDecodeAhead::Config config = Quick();
  config.capBytes = 100 * 100 * 4;
  config.onDecodeStart = [&](const std::string& path) { gate.Enter(path); };
  TDecodeAhead cache(config);

  // The window waiting for the worker's decode gets it, though the cache cannot keep it.
  cache.Prefetch({{big, Fit(30, 10)}});
  gate.AwaitEntered();
  std::optional<SharedLoadResult> waited;
  std::thread taker([&] { waited = cache.Take(big, Fit(30, 10)); });
  for (int i = 0; i < 10000 && cache.stats().waits == 0; ++i) std::this_thread::sleep_for(1ms);
  gate.Release();
  taker.join();
  ASSERT_TRUE(waited);
  EXPECT_EQ(waited->picture->width, 300);
  EXPECT_EQ(cache.stats().entries, 0u);

  // Stepping near it again does not decode it again, at that size or any larger one.
  cache.Prefetch({{other, {}}, {big, Fit(30, 10)}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  cache.Prefetch({{big, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(gate.Started(), (std::vector<std::string>{big, other}));
  // Nor one the window decoded itself.
  EXPECT_EQ(LoadPictureCached(&cache, shown).picture->width, 300);
  cache.Prefetch({{shown, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(gate.Started().size(), 2u);
}

TEST(DecodeAhead, AFileDatedInTheFutureIsDecodedAhead) {
  TempDir dir;
  const std::string a = dir.Write("a.png", testsupport::EncodePng(12, 10));
  const std::string b = dir.Write("b.png", testsupport::EncodePng(14, 10));
  for (const std::string& p : {a, b})
    std::filesystem::last_write_time(p, std::filesystem::file_time_type::clock::now() + 24h);
  TDecodeAhead::Config config;
  config.settle = 20ms;
  std::this_thread::sleep_for(60ms);  // dating them changed them: they settle first
  TDecodeAhead cache(config);
  cache.Prefetch({{a, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_TRUE(cache.Take(a, {}));
  // And kept for a step back when the window decoded it.
  EXPECT_EQ(LoadPictureCached(&cache, b).picture->width, 14);
  EXPECT_TRUE(cache.Take(b, {}));
}

TEST(DecodeAhead, WorkersDecodeWithinTheBudgetTheWindowPastIt) {
  TempDir dir;
  std::vector<std::string> p;
  for (const char* n : {"a.png", "b.png", "c.png", "d.png"})
    p.push_back(dir.Write(n, testsupport::EncodePng(256, 256)));  // 256 KiB of pixels each
  const std::string liar = dir.Write("liar.png", testsupport::EncodeLyingPng(4096, 4096));
  codecs::DecodeBudget budget(std::size_t{3} << 17);  // one of them at a time
  TDecodeAhead::Config config = Quick();
  config.budget = &budget;
  TDecodeAhead cache(config);

  // Each worker waits for the other's bytes; the one that could never fit is given up.
  cache.Prefetch({{p[0], {}}, {liar, {}}, {p[1], {}}, {p[2], {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_LE(budget.peakAhead(), budget.capacity());
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(cache.Take(p[i], {}, false)) << i;
  EXPECT_EQ(cache.stats().refused, 1u);
  EXPECT_FALSE(cache.Take(liar, {}, false));  // not cached as a broken file
  const std::size_t decodes = cache.stats().decodes;
  cache.Prefetch({{liar, {}}});
  ASSERT_TRUE(cache.WaitIdle(10s));
  EXPECT_EQ(cache.stats().decodes, decodes);

  // The window neither waits nor is refused, even with the whole budget taken.
  codecs::BudgetClaim held(budget, codecs::BudgetMode::Wait);
  held.Reserve(budget.capacity());
  codecs::DecodeOptions window;
  window.budget = &budget;
  const SharedLoadResult r = LoadPictureCached(&cache, p[3], window);
  ASSERT_TRUE(r.picture);
  EXPECT_EQ(r.picture->width, 256);
  EXPECT_GT(budget.peak(), budget.capacity());
}
