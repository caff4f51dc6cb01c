// Sorting in the main window: Return on a folder key moves the picture away and presents the
// next one, over 6000 x 4000 JPEGs (and a phone's 4000 x 3000 HEICs) in a 1280 x 800 picture
// area, a key every 150 ms (and every 60 ms) after the picture appeared. The time from the key to
// the next picture presented and painted is measured with decoding ahead and without it, each run
// in a child process of its own (its own window, its own peak memory). A cold jump ("=n" far from
// the current picture) is set against a bare quarter-scale libjpeg-turbo decode of the same file.
// The keys are sent to the input field as key events.
// Pictures are made once into /tmp (see bench::AheadPhotos: scenes, or the grainy worst case
// with SORTIVO_BENCH_GRAIN=1) and hard-linked into a fresh folder for each run. Run with
// QT_QPA_PLATFORM=offscreen, and with QT_SCALE_FACTOR=2 for a screen at 200 % (the pictures are
// then decoded and shrunk for 2560 x 1600 device pixels).
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchPictures.h"
#include "app/ui/MainWindow.h"
#include "view/DecodeAhead.h"
#include "view/DevicePixels.h"
#include "view/ui/PictureControl.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kAreaWidth = 1280, kAreaHeight = 800;

const std::vector<std::string>& Pictures() {
  return bench::AheadPhotos(8);
}

// A settings folder with the key "f" bound to dest/, and the pictures linked into src/.
struct Run {
  fs::path root;
  std::string source, dest, settings;
  explicit Run(const std::vector<std::string>& pictures) {
    std::string pattern = (fs::temp_directory_path() / "sortivo-ui-ahead-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
    source = (root / "src").string(), dest = (root / "dest").string();
    settings = (root / "conf").string();
    fs::create_directories(source), fs::create_directories(dest), fs::create_directories(settings);
    for (const std::string& p : pictures)
      fs::create_hard_link(p, fs::path(source) / fs::path(p).filename());
    std::ofstream(settings + "/head.txt", std::ios::binary) << "f=" << dest << "\r\n";
    // Files changed within the last moment are not decoded ahead: linking changed them.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ~Run() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

std::unique_ptr<TForm1> Window(const Run& run) {
  auto form = std::make_unique<TForm1>(run.settings, std::vector<std::string>{});
  form->show();
  form->resize(kAreaWidth, kAreaHeight + form->Edit1->sizeHint().height());
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  return form;
}

void Press(QWidget* w, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(w, &release);
}

// Typed into the input field before the key time.
void Type(TForm1& form, const std::string& text) {
  form.Edit1->selectAll();
  for (const char c : text) {
    const int key = c == '='               ? Qt::Key_Equal
                    : c >= '0' && c <= '9' ? Qt::Key_0 + (c - '0')
                                           : Qt::Key_A + (c - 'a');
    Press(form.Edit1, key, QString(QChar(c)));
  }
  QCoreApplication::processEvents();
}

// Return at the key time; done when the next picture is presented and painted. Gives the time
// the key's own handling took, before the paint.
Clock::duration Enter(TForm1& form) {
  const Clock::time_point start = Clock::now();
  Press(form.Edit1, Qt::Key_Return, QStringLiteral("\r"));
  const Clock::duration handled = Clock::now() - start;
  QCoreApplication::processEvents();
  return handled;
}

void IdleUntil(Clock::time_point t) {
  while (Clock::now() < t) {
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
  double medianMs = 0, p95Ms = 0, maxMs = 0, peakRssMb = 0, hits = 0;
  double preshrunk = 0;               // share of pictures painted from a frame shrunk ahead
  double ratio = 1;                   // device pixels per logical pixel
  double decodes = 0, discarded = 0;  // by the workers
  double handledMs = 0;               // median, without the paint
  double jumpMs = 0, bareMs = 0;      // medians; the bare decode at quarter scale
  double bareFullMs = 0;              // and at full size, the decode alone
  double jumpRatio = 0;               // median of each jump against its own bare decode
  // Pictures shown first by a stand-in (a HEIC's thumbnail) while their own decode went on:
  double standInShare = 0;  // share of the keys
  double sharpShare = 0;    // share of those replaced by the picture itself before the next key
  double sharpMedianMs = 0, sharpP95Ms = 0;  // key to the picture itself painted (waitSharp)
};

double PeakRssMb() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

// With waitSharp, each next key comes interval after the picture itself (not a stand-in) is
// painted, and the time from the key to that paint is measured too.
Figures Sort(std::chrono::milliseconds interval, const std::vector<std::string>& pictures,
             bool waitSharp = false) {
  Figures f;
  Run run(pictures);
  auto form = Window(run);
  form->Session().OpenPath(run.source);
  const int n = form->Session().Files().Count();
  if (n != static_cast<int>(pictures.size())) std::abort();
  std::vector<double> ms, handled, sharp;
  int preshrunk = 0, standIns = 0, sharpened = 0;
  for (int i = 1; i < n; ++i) {
    const Clock::time_point key = Clock::now() + interval;
    Type(*form, "f");
    const bool wasStandIn = form->MainPanel->ShowsStandIn();
    IdleUntil(key);
    if (wasStandIn && !form->MainPanel->ShowsStandIn()) ++sharpened;
    const std::string expected = form->Session().Files().PeekNext();
    handled.push_back(Ms(Enter(*form)));
    ms.push_back(Ms(Clock::now() - key));
    if (form->Session().Files().GetCurrent() != expected || !form->MainPanel->CurrentPicture())
      std::abort();
    if (form->MainPanel->ShowsStandIn()) ++standIns;
    if (waitSharp) {
      // The replacement is painted within the queued call that makes it.
      const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(60);
      while (form->MainPanel->ShowsStandIn() && Clock::now() < giveUp) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      if (form->MainPanel->ShowsStandIn()) std::abort();
      sharp.push_back(Ms(Clock::now() - key));
    }
    const ViewSize device = DeviceSize({form->Image1->width(), form->Image1->height()},
                                       form->Image1->devicePixelRatioF());
    if (form->Image1->stretch() &&
        form->MainPanel->CurrentPicture()->shrunkFor(device.width, device.height))
      ++preshrunk;
  }
  f.preshrunk = static_cast<double>(preshrunk) / std::max(n - 1, 1);
  f.ratio = form->devicePixelRatioF();
  f.medianMs = bench::Quantile(ms, 0.5);
  f.p95Ms = bench::Quantile(ms, 0.95);
  f.maxMs = *std::max_element(ms.begin(), ms.end());
  f.handledMs = bench::Quantile(handled, 0.5);
  f.standInShare = static_cast<double>(standIns) / std::max(n - 1, 1);
  f.sharpShare = static_cast<double>(sharpened) / std::max(standIns, 1);
  if (!sharp.empty()) {
    f.sharpMedianMs = bench::Quantile(sharp, 0.5);
    f.sharpP95Ms = bench::Quantile(sharp, 0.95);
  }
  if (form->DecodeAhead()) {
    const TDecodeAhead::Stats s = form->DecodeAhead()->stats();
    f.hits = static_cast<double>(s.hits);
    f.decodes = static_cast<double>(s.decodes);
    f.discarded = static_cast<double>(s.discarded);
  }
  f.peakRssMb = PeakRssMb();
  form->close();
  return f;
}

// Reading the file and decoding it into a new buffer, as the window does.
double BareDecodeMs(const std::string& path, unsigned scaleDenom) {
  const Clock::time_point start = Clock::now();
  std::vector<unsigned char> bytes(fs::file_size(path)), pixels;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  bench::BareJpegDecode(bytes, pixels, scaleDenom);
  benchmark::DoNotOptimize(pixels.data());
  return Ms(Clock::now() - start);
}

// The decode alone at full size, into a buffer already there: what the photo costs the library.
double BareFullDecodeMs(const std::string& path) {
  std::vector<unsigned char> bytes(fs::file_size(path)), pixels;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (std::fread(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
  bench::BareJpegDecode(bytes, pixels, 1);
  const Clock::time_point start = Clock::now();
  bench::BareJpegDecode(bytes, pixels, 1);
  benchmark::DoNotOptimize(pixels.data());
  return Ms(Clock::now() - start);
}

// Jumps back and forth across the list, each to a picture nobody asked for, the settled window
// waiting between them. The bare decode of the same file runs just before each jump and again
// just after it, once the workers have settled, and the jump is set against their mean: this
// machine's speed drifts from one second to the next, and a pair taken together sees the same.
Figures Jump() {
  Run run(Pictures());
  auto form = Window(run);
  form->Session().OpenPath(run.source);
  const int n = form->Session().Files().Count();
  const int count = std::min(24, n / 4);  // at least four apart: never one asked for earlier
  std::vector<double> jump, jumpHandled, bare, bareFull, ratio;
  for (int i = 0; i < count; ++i) {
    const int slot = i % 2 == 0 ? i / 2 : count - 1 - i / 2;  // front, back, front, ...
    const int target = 1 + slot * (n / count);
    IdleUntil(Clock::now() + std::chrono::milliseconds(150));
    if (form->DecodeAhead()) form->DecodeAhead()->WaitIdle(std::chrono::seconds(5));
    const std::string path = form->Session().Files().Entry(target - 1);
    const double before = BareDecodeMs(path, 4);
    std::string command = "=";
    command += std::to_string(target);
    Type(*form, command);
    const Clock::time_point start = Clock::now();
    jumpHandled.push_back(Ms(Enter(*form)));
    jump.push_back(Ms(Clock::now() - start));
    if (form->Session().Files().Index() != target - 1) std::abort();
    if (form->DecodeAhead()) form->DecodeAhead()->WaitIdle(std::chrono::seconds(5));
    const double after = BareDecodeMs(path, 4);
    bare.push_back((before + after) / 2);
    ratio.push_back(jump.back() / bare.back());
    bareFull.push_back(BareFullDecodeMs(path));
  }
  Figures f;
  f.jumpMs = bench::Quantile(jump, 0.5);
  f.handledMs = bench::Quantile(jumpHandled, 0.5);
  f.bareMs = bench::Quantile(bare, 0.5);
  f.bareFullMs = bench::Quantile(bareFull, 0.5);
  f.jumpRatio = bench::Quantile(ratio, 0.5);
  f.peakRssMb = PeakRssMb();
  form->close();
  return f;
}

// Runs body in a child with its own application object; decoding ahead on or off there.
template <typename Body>
Figures InChild(bool ahead, Body body) {
  return bench::InChild([&] {
    setenv("SORTIVO_NO_DECODE_AHEAD", ahead ? "0" : "1", 1);
    int argc = 1;
    char name[] = "bench_ui_ahead";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    return body();
  });
}

void KeyToNextPicture(benchmark::State& state, const std::vector<std::string>& pictures,
                      const std::string& kind, bool waitSharp = false) {
  const bool ahead = state.range(0) != 0;
  const std::chrono::milliseconds interval(state.range(1));
  for (auto _ : state) {
    const Figures f = InChild(ahead, [&] { return Sort(interval, pictures, waitSharp); });
    state.SetIterationTime(f.medianMs / 1000.0);
    state.counters["median_ms"] = f.medianMs;
    state.counters["p95_ms"] = f.p95Ms;
    state.counters["max_ms"] = f.maxMs;
    state.counters["no_paint_median_ms"] = f.handledMs;
    state.counters["peak_rss_MB"] = f.peakRssMb;
    state.counters["cache_hits"] = f.hits;
    state.counters["preshrunk_share"] = f.preshrunk;
    state.counters["pixel_ratio"] = f.ratio;
    state.counters["worker_decodes"] = f.decodes;
    state.counters["worker_discarded"] = f.discarded;
    state.counters["standin_share"] = f.standInShare;
    if (waitSharp) {
      state.counters["sharp_median_ms"] = f.sharpMedianMs;
      state.counters["sharp_p95_ms"] = f.sharpP95Ms;
    } else {
      state.counters["sharp_before_next_key_share"] = f.sharpShare;
    }
  }
  state.SetLabel(std::string(ahead ? "ahead" : "on demand") + ", key every " +
                 std::to_string(interval.count()) + " ms after the " +
                 (waitSharp ? "picture itself" : "first paint") + ", " +
                 std::to_string(pictures.size()) + " " + kind);
}

void BM_FolderKeyToNextPicture(benchmark::State& state) {
  KeyToNextPicture(state, Pictures(), "6000 x 4000 JPEGs");
}
BENCHMARK(BM_FolderKeyToNextPicture)
    ->ArgNames({"ahead", "interval_ms"})
    ->Args({1, 150})
    ->Args({0, 150})
    ->Args({1, 60})
    ->Args({0, 60})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A phone's photos: 4000 x 3000 HEIC, which no decoder can decode at a reduced scale, each with
// the 320 x 240 thumbnail phones add (thumbnail 1) or without it. Their files are kept beside
// this program (see bench::AheadHeicPhotos). median_ms and p95_ms time the key to the first paint
// of the right file: the thumbnail standing in for the picture (standin_share of the keys) or the
// picture itself. With sharp 1 the next key waits for the picture itself, and sharp_median_ms and
// sharp_p95_ms time the key to its paint.
void BM_FolderKeyToNextHeic(benchmark::State& state) {
  const bool thumbnails = state.range(2) != 0, waitSharp = state.range(3) != 0;
  KeyToNextPicture(state, bench::AheadHeicPhotos(8, thumbnails),
                   std::string("4000 x 3000 HEICs ") +
                       (thumbnails ? "with 320 x 240 thumbnails" : "without thumbnails"),
                   waitSharp);
}
BENCHMARK(BM_FolderKeyToNextHeic)
    ->ArgNames({"ahead", "interval_ms", "thumbnail", "sharp"})
    ->Args({1, 150, 1, 0})
    ->Args({1, 150, 1, 1})
    ->Args({0, 150, 1, 0})
    ->Args({1, 150, 0, 0})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_ColdJump(benchmark::State& state) {
  Pictures();
  for (auto _ : state) {
    const Figures f = InChild(true, [] { return Jump(); });
    state.SetIterationTime(f.jumpMs / 1000.0);
    state.counters["jump_ms"] = f.jumpMs;
    state.counters["no_paint_jump_ms"] = f.handledMs;
    state.counters["bare_quarter_decode_ms"] = f.bareMs;
    state.counters["bare_full_decode_ms"] = f.bareFullMs;
    state.counters["ratio"] = f.jumpRatio;
  }
}
BENCHMARK(BM_ColdJump)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
