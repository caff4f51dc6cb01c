// From the Return key on a key bound to a folder to the next picture on screen, in the main
// window, against loading the same files alone. A key comes every 200 ms, the rhythm of someone
// sorting, so that decoding ahead (when on) has time to work between keys; the window is run
// with decoding ahead and without it (SORTIVO_NO_DECODE_AHEAD=1).
// 100 photograph-like 4000 x 3000 JPEGs are made once into /tmp/sortivo-return-pictures and
// kept for later runs; each window sorts a fresh copy of them. Run with QT_QPA_PLATFORM=offscreen.
// Reported per picture: median and 95th percentile in milliseconds.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchPictures.h"
#include "app/ui/MainWindow.h"
#include "view/ImageLib.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
constexpr int kCount = 100, kWidth = 4000, kHeight = 3000;
const fs::path kPictures = "/tmp/sortivo-return-pictures";

std::string PictureName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "p%03d.jpg", i);
  return name;
}

void MakePictures() {
  fs::create_directories(kPictures);
  for (int i = 0; i < kCount; ++i) {
    const fs::path p = kPictures / PictureName(i);
    if (!fs::exists(p) && !bench::WritePhotoJpeg(p.string(), kWidth, kHeight,
                                                 static_cast<unsigned>(i), bench::PhotoKind::Grain))
      std::abort();
  }
}

void Report(benchmark::State& state, const std::vector<double>& ms) {
  state.counters["median_ms"] = bench::Quantile(ms, 0.5);
  state.counters["p95_ms"] = bench::Quantile(ms, 0.95);
}

void Idle(int ms) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_LoadPictureFile(benchmark::State& state) {
  MakePictures();
  std::vector<double> ms;
  Picture picture;
  for (auto _ : state) {
    for (int i = 0; i < kCount; ++i) {
      const auto t0 = Clock::now();
      benchmark::DoNotOptimize(LoadPictureFile((kPictures / PictureName(i)).string(), picture));
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  }
  Report(state, ms);
}

// state.range(0): 1 with decoding ahead, 0 without.
void BM_ReturnToNextPicture(benchmark::State& state) {
  MakePictures();
  if (state.range(0))
    unsetenv("SORTIVO_NO_DECODE_AHEAD");
  else
    setenv("SORTIVO_NO_DECODE_AHEAD", "1", 1);
  std::vector<double> ms;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path work = fs::temp_directory_path() / "sortivo-return-work";
    fs::remove_all(work);
    fs::create_directories(work / "conf");
    fs::create_directories(work / "sorted");
    fs::copy(kPictures, work / "pics");
    {
      std::FILE* head = std::fopen((work / "conf/head.txt").c_str(), "wb");
      std::fprintf(head, "d=%s\r\n", (work / "sorted").c_str());
      std::fclose(head);
    }
    auto form = std::make_unique<TForm1>((work / "conf").string(), std::vector<std::string>{});
    form->show();
    form->resize(1280, 900);
    Idle(200);
    form->Session().OpenPath((work / "pics").string());
    state.ResumeTiming();
    for (int i = 0; i + 1 < kCount; ++i) {
      Idle(200);
      form->Edit1->setText(QStringLiteral("d"));
      const std::string before = form->Session().Files().GetCurrent();
      QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      const auto t0 = Clock::now();
      QCoreApplication::sendEvent(form->Edit1, &press);
      QCoreApplication::sendEvent(form->Edit1, &release);
      form->repaint();  // the picture is on screen once painted
      ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      if (form->Session().Files().GetCurrent() == before || fs::exists(before)) {
        state.SkipWithError("the picture was not moved on");
        break;
      }
    }
    state.PauseTiming();
    form->close();
    form.reset();
    fs::remove_all(work);
    state.ResumeTiming();
  }
  Report(state, ms);
}

BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReturnToNextPicture)
    ->ArgName("ahead")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
