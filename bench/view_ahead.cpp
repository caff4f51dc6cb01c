// The sorting rhythm without a window: a key every 150 ms (and every 60 ms), each showing the
// next 6000 x 4000 JPEG fitted into a 1280 x 800 area, then asking for the two after it. The
// time from the key to the picture in hand is measured with decoding ahead and without it (each
// in a child process of its own, so that its peak memory is its own), beside a bare quarter-
// scale libjpeg-turbo decode, which is what a cold jump costs at best.
// The pictures are those of bench::AheadPhotos (SORTIVO_BENCH_PICTURES of them, default 100),
// made once into /tmp and kept for later runs.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BenchPictures.h"
#include "view/DecodeAhead.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 6000;  // the photos of bench::AheadPhotos
constexpr int kAreaWidth = 1280, kAreaHeight = 800;

const std::vector<std::string>& Pictures() {
  return bench::AheadPhotos(4);
}

struct RunFigures {
  double medianMs = 0, p95Ms = 0, maxMs = 0;
  double peakRssMb = 0;
  double hits = 0;
};

// One walk through every picture: the next key comes interval after the picture appeared (the
// time the user looks at it), and its time counts from that key.
RunFigures Walk(bool ahead, std::chrono::milliseconds interval) {
  const std::vector<std::string>& p = Pictures();
  TDecodeAhead::Config config;
  config.enabled = ahead;
  TDecodeAhead cache(config);
  codecs::DecodeOptions fit;
  fit.fitWidth = kAreaWidth, fit.fitHeight = kAreaHeight;
  const auto wishes = [&](std::size_t i) {
    std::vector<DecodeRequest> r;
    for (std::size_t k = i + 1; k < std::min(p.size(), i + 3); ++k) r.push_back({p[k], fit});
    return r;
  };
  std::shared_ptr<const Picture> shown;
  LoadPictureFileCached(&cache, p[0], shown, fit);
  cache.Prefetch(wishes(0));
  std::vector<double> ms;
  for (std::size_t i = 1; i < p.size(); ++i) {
    const Clock::time_point key = Clock::now() + interval;
    std::this_thread::sleep_until(key);
    if (LoadPictureFileCached(&cache, p[i], shown, fit) != PictureFormat::Jpeg) std::abort();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - key).count());
    cache.Prefetch(wishes(i));
  }
  RunFigures f;
  f.medianMs = bench::Quantile(ms, 0.5);
  f.p95Ms = bench::Quantile(ms, 0.95);
  f.maxMs = *std::max_element(ms.begin(), ms.end());
  f.hits = static_cast<double>(cache.stats().hits);
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  f.peakRssMb = static_cast<double>(ru.ru_maxrss) / 1024.0;
  return f;
}

void BM_KeyToPicture(benchmark::State& state) {
  Pictures();  // made before the child processes, once
  const bool ahead = state.range(0) != 0;
  const std::chrono::milliseconds interval(state.range(1));
  for (auto _ : state) {
    const RunFigures f = bench::InChild([&] { return Walk(ahead, interval); });
    state.SetIterationTime(f.medianMs / 1000.0);
    state.counters["median_ms"] = f.medianMs;
    state.counters["p95_ms"] = f.p95Ms;
    state.counters["max_ms"] = f.maxMs;
    state.counters["peak_rss_MB"] = f.peakRssMb;
    state.counters["cache_hits"] = f.hits;
  }
  state.SetLabel(std::string(ahead ? "ahead" : "on demand") + ", key every " +
                 std::to_string(interval.count()) + " ms, " + std::to_string(Pictures().size()) +
                 " pictures");
}
BENCHMARK(BM_KeyToPicture)
    ->ArgNames({"ahead", "interval_ms"})
    ->Args({1, 150})
    ->Args({0, 150})
    ->Args({1, 60})
    ->Args({0, 60})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A jump to a picture nobody foresaw: read the file and decode it at a quarter of its size with
// the bare library, nothing else.
void BM_ColdJumpBareQuarterDecode(benchmark::State& state) {
  const std::vector<std::string>& p = Pictures();
  std::vector<unsigned char> bytes, pixels;
  std::size_t i = 0;
  for (auto _ : state) {
    const std::string& path = p[i++ % p.size()];
    std::FILE* f = std::fopen(path.c_str(), "rb");
    bytes.resize(std::filesystem::file_size(path));
    if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
    bench::BareJpegDecode(bytes, pixels, 4);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_ColdJumpBareQuarterDecode)->Unit(benchmark::kMillisecond)->Iterations(20);

// The same through the program's loading, for the ratio to the bare decode.
void BM_ColdJumpLoadPicture(benchmark::State& state) {
  const std::vector<std::string>& p = Pictures();
  codecs::DecodeOptions fit;
  fit.fitWidth = kAreaWidth, fit.fitHeight = kAreaHeight;
  std::size_t i = 0;
  for (auto _ : state) {
    const SharedLoadResult r = LoadPictureCached(nullptr, p[i++ % p.size()], fit);
    if (!r.picture || r.picture->width != kWidth / 4) std::abort();
    benchmark::DoNotOptimize(r.picture.get());
  }
}
BENCHMARK(BM_ColdJumpLoadPicture)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
