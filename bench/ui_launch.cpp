// Launch to first picture: the release program is started as a process on a folder, and the
// time from just before the fork to the first paint of a picture is taken, the program reporting
// that moment itself (SORTIVO_REPORT_FIRST_PAINT) and exiting at once. Two folders: eight
// 6000 x 4000 scene JPEGs, and the same eight sorting first among 100,000 files (the rest empty
// ".jpg" files, so that all of them are listed). Each launch is set against a bare quarter-scale
// libjpeg-turbo decode of the same file, read from the page cache, taken between the launches.
//
// Each run has a settings folder of its own: the program is copied into a folder marked
// portable, with a settings file holding the window's bounds (a 1280 x 800 client area), as a
// user's would after the first run. Files stay in the page cache: these are warm launches.
// The display: the X server DISPLAY names (e.g. under xvfb-run), else the offscreen platform;
// the label says which. SORTIVO_BENCH_LAUNCHES sets the launches per folder (9 unless told).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "BenchPictures.h"

namespace {

namespace fs = std::filesystem;
constexpr int kPictures = 8;
constexpr int kManyFiles = 100000;

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Copies, not links: a link changes the shared file's change time, and files changed within the
// last moment are not kept by the decode-ahead cache.
void CopyPictures(const fs::path& dir) {
  const std::vector<std::string>& photos = bench::AheadPhotos(kPictures);
  for (int i = 0; i < kPictures; ++i) {
    const std::string name = "0" + std::to_string(100 + i) + ".jpg";
    fs::copy_file(photos[static_cast<std::size_t>(i)], dir / name,
                  fs::copy_options::overwrite_existing);
  }
}

// Made once under /tmp and kept; the marker beside a folder says it is complete.
fs::path Folder(const char* name, int emptyFiles) {
  const fs::path dir = fs::path("/tmp") / name;
  fs::path done = dir;
  done += ".done";
  if (fs::exists(done)) return dir;
  fs::remove_all(dir);
  fs::create_directories(dir);
  CopyPictures(dir);
  for (int i = 0; i < emptyFiles; ++i) {
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "p%06d.jpg", i);
    std::ofstream((dir / fileName).string(), std::ios::binary);
  }
  std::ofstream(done.string()) << "complete\n";
  return dir;
}

// The program and its settings, in a fresh folder for the whole run.
struct Installed {
  fs::path root;
  std::string program;
  Installed() {
    std::string pattern = (fs::temp_directory_path() / "sortivo-launch-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
    program = (root / "sortivo").string();
    fs::copy_file(SORTIVO_PROGRAM, program);
    fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);
    std::ofstream((root / "portable").string());
    std::ofstream((root / "sortivo.ini").string(), std::ios::binary)
        << "[Main]\r\nLeft=40\r\nTop=40\r\nWidth=1280\r\nHeight=840\r\n";
  }
  ~Installed() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

// Starts the program on folder; the milliseconds from just before the fork to its first picture
// painted, or a negative number when it never reported one.
double Launch(const Installed& installed, const fs::path& folder) {
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const std::string report = std::to_string(fds[1]);
  const std::string dir = folder.string();
  const double start = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    setenv("SORTIVO_REPORT_FIRST_PAINT", report.c_str(), 1);
    if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    execl(installed.program.c_str(), installed.program.c_str(), dir.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string text;
  char buffer[64];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (text.empty()) return -1;
  return std::strtod(text.c_str(), nullptr) - start;
}

double BareQuarterDecodeMs(const fs::path& file) {
  const double start = NowMs();
  std::ifstream in(file, std::ios::binary);
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<unsigned char> pixels;
  bench::BareJpegDecode(bytes, pixels, 4);
  benchmark::DoNotOptimize(pixels.data());
  return NowMs() - start;
}

int Launches() {
  const char* wanted = std::getenv("SORTIVO_BENCH_LAUNCHES");
  return wanted ? std::max(std::atoi(wanted), 1) : 9;
}

void Measure(benchmark::State& state, const fs::path& folder) {
  const Installed installed;
  const fs::path first = folder / "0100.jpg";
  // One launch first, unmeasured: the program's own pages into the cache.
  Launch(installed, folder);
  std::vector<double> launch, bare, ratio;
  for (auto _ : state) {
    for (int i = 0; i < Launches(); ++i) {
      const double before = BareQuarterDecodeMs(first);
      const double ms = Launch(installed, folder);
      if (ms < 0) {
        state.SkipWithError("the program reported no painted picture");
        return;
      }
      const double after = BareQuarterDecodeMs(first);
      launch.push_back(ms);
      bare.push_back((before + after) / 2);
      ratio.push_back(ms / bare.back());
      // Settles the machine a little between launches.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    state.SetIterationTime(bench::Quantile(launch, 0.5) / 1000.0);
  }
  state.counters["launch_median_ms"] = bench::Quantile(launch, 0.5);
  state.counters["launch_min_ms"] = bench::Quantile(launch, 0);
  state.counters["launch_max_ms"] = bench::Quantile(launch, 1);
  state.counters["bare_quarter_decode_ms"] = bench::Quantile(bare, 0.5);
  state.counters["ratio"] = bench::Quantile(ratio, 0.5);
  state.SetLabel(std::string(getenv("DISPLAY") ? "xcb on " + std::string(getenv("DISPLAY"))
                                               : std::string("offscreen")) +
                 ", " + std::to_string(launch.size()) + " launches");
}

void BM_LaunchToFirstPicture_Photos(benchmark::State& state) {
  Measure(state, Folder("sortivo-launch-photos", 0));
}
BENCHMARK(BM_LaunchToFirstPicture_Photos)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void BM_LaunchToFirstPicture_100000Files(benchmark::State& state) {
  Measure(state, Folder("sortivo-launch-100k", kManyFiles - kPictures));
}
BENCHMARK(BM_LaunchToFirstPicture_100000Files)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
