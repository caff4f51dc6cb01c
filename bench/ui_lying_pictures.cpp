// Peak memory of the main window stepping through a folder of two photos and, between them,
// three PNG files of a few dozen bytes each whose headers claim 16384 x 16384 pixels (a
// gigabyte each). Each run is a child process of its own; its peak resident size (VmHWM) is the
// figure, with decoding ahead and without it. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "BenchPictures.h"
#include "app/ui/MainWindow.h"
#include "support/PictureWriter.h"
#include "view/DecodeAhead.h"

namespace {

namespace fs = std::filesystem;

struct Folder {
  fs::path root;
  std::string pictures, settings;
  Folder() {
    std::string pattern = (fs::temp_directory_path() / "sortivo-lying-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
    pictures = (root / "pics").string(), settings = (root / "conf").string();
    fs::create_directories(pictures), fs::create_directories(settings);
    const std::string liar = testsupport::EncodeLyingPng(16384, 16384);
    for (const char* name : {"2.png", "3.png", "4.png"})
      std::ofstream(fs::path(pictures) / name, std::ios::binary) << liar;
    if (!bench::WritePhotoJpeg(pictures + "/1.jpg", 4000, 3000, 1, bench::PhotoKind::Scene) ||
        !bench::WritePhotoJpeg(pictures + "/5.jpg", 4000, 3000, 2, bench::PhotoKind::Scene))
      std::abort();
    // Files changed within the last moment are not decoded ahead.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ~Folder() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

double PeakResidentMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  return 0;
}

struct Figures {
  double peakMiB = 0;
  int shown = 0;
  double refused = 0;  // decodes the workers gave up or did not begin
};

Figures StepThrough(const Folder& folder) {
  auto form = std::make_unique<TForm1>(folder.settings, std::vector<std::string>{});
  form->show();
  form->resize(1280, 800 + form->Edit1->sizeHint().height());
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
  form->Session().OpenPath(folder.pictures);
  Figures f;
  for (int i = 0; i < form->Session().Files().Count(); ++i) {
    if (form->DecodeAhead()) form->DecodeAhead()->WaitIdle(std::chrono::seconds(30));
    QCoreApplication::processEvents();
    if (i > 0) form->Session().ShowNext();
    if (form->MainPanel->CurrentPicture()) ++f.shown;
  }
  if (form->DecodeAhead()) f.refused = static_cast<double>(form->DecodeAhead()->stats().refused);
  f.peakMiB = PeakResidentMiB();
  form->close();
  return f;
}

void BM_LyingPicturesPeakMemory(benchmark::State& state) {
  const bool ahead = state.range(0) != 0;
  const Folder folder;
  for (auto _ : state) {
    const Figures f = bench::InChild([&] {
      setenv("SORTIVO_NO_DECODE_AHEAD", ahead ? "0" : "1", 1);
      int argc = 1;
      char name[] = "bench_ui_lying_pictures";
      char* argv[] = {name, nullptr};
      QApplication app(argc, argv);
      return StepThrough(folder);
    });
    state.counters["peak_rss_MiB"] = f.peakMiB;
    state.counters["refused"] = f.refused;
    std::printf("%s: peak resident memory %.0f MiB (limit 1536 MiB) over 5 pictures\n",
                ahead ? "ahead" : "on demand", f.peakMiB);
  }
  state.SetLabel(ahead ? "ahead" : "on demand");
}
BENCHMARK(BM_LyingPicturesPeakMemory)
    ->ArgName("ahead")
    ->Arg(1)
    ->Arg(0)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
