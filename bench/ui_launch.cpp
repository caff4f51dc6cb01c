// Launch to first picture: the release program is started as a process on a folder, and the
// time from just before the fork to the first paint of a picture is taken, the program reporting
// that moment itself (SORTIVO_REPORT_FIRST_PAINT) and exiting at once. Two folders: eight
// 6000 x 4000 scene JPEGs, and the same eight sorting first among 100,000 files (the rest empty
// ".jpg" files, so that all of them are listed). Each launch is set against two floors taken
// between the launches: a bare quarter-scale libjpeg-turbo decode of the same file, read from the
// page cache, and the least window the toolkit shows (window/bare_window.cpp), started as the
// program is.
//
// A start on a folder opened before paints the first picture it remembers while the folder is
// still being listed; the third case starts as on the very first start there.
//
// Each run has a settings folder of its own: the program is copied into a folder marked
// portable, with a settings file holding the window's bounds (a 1280 x 800 client area), as a
// user's would after the first run. Files stay in the page cache: these are warm launches.
// The display: the X server DISPLAY names (e.g. under xvfb-run), else the offscreen platform;
// the label says which. SORTIVO_BENCH_LAUNCHES sets the launches per folder (9 unless told);
// SORTIVO_BENCH_PROGRAM another build of the program to measure (an earlier one, say).
// On a machine others load, SORTIVO_BENCH_FOREGROUND=1 runs the program and the bare decode each
// in a scheduling group of its own at the highest weight (a session of its own, its autogroup
// at nice -20; needs the right to raise priority), so that they see nearly the machine an idle
// one would give, while the program's threads keep their own niceness among themselves. The CPU
// time the program used (user and system, all its threads) is reported either way.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
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
    char name[16];
    std::snprintf(name, sizeof name, "%04d.jpg", 100 + i);
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
    const char* other = std::getenv("SORTIVO_BENCH_PROGRAM");
    const fs::path from = other && *other ? other : SORTIVO_PROGRAM;
    fs::copy_file(from, program);
    // The modules it loads its window and its other decoders from, as built beside it.
    for (const fs::directory_entry& e : fs::directory_iterator(from.parent_path())) {
      const std::string name = e.path().filename().string();
      if (name.starts_with("sortivo-") && name.ends_with(".so"))
        fs::copy_file(e.path(), root / name);
    }
    fs::permissions(program, fs::perms::owner_all, fs::perm_options::add);
    std::ofstream((root / "portable").string());
    // The offscreen platform's screen is 800 x 600 unless told otherwise, and a window is kept
    // whole on its screen.
    std::ofstream((root / "screen.json").string())
        << R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1920, "height": 1080,)"
        << R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    std::ofstream((root / "sortivo.ini").string(), std::ios::binary)
        << "[Main]\r\nLeft=40\r\nTop=40\r\nWidth=1280\r\nHeight=840\r\n";
  }
  ~Installed() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
};

bool Foreground() {
  const char* wanted = std::getenv("SORTIVO_BENCH_FOREGROUND");
  return wanted && std::string(wanted) == "1";
}

// In a child process: a scheduling group of its own, weighted above everything else.
void ComeToTheForeground() {
  setsid();
  const int fd = open("/proc/self/autogroup", O_WRONLY | O_CLOEXEC);
  const bool raised = fd >= 0 && write(fd, "-20", 3) == 3;
  if (fd >= 0) close(fd);
  if (!raised && setpriority(PRIO_PROCESS, 0, -20) != 0) {
    std::perror("SORTIVO_BENCH_FOREGROUND");
    _exit(1);
  }
}

struct Launched {
  double ms = -1;  // fork to first picture painted; negative when none was reported
  double cpuMs = 0;
};

// Starts program (the installed one unless told) on folder.
Launched Launch(const Installed& installed, const fs::path& folder,
                const std::string& program = {}) {
  const std::string& started = program.empty() ? installed.program : program;
  int fds[2];
  if (pipe(fds) != 0) std::abort();
  const std::string report = std::to_string(fds[1]);
  const std::string dir = folder.string();
  const std::string offscreen = "offscreen:configfile=" + (installed.root / "screen.json").string();
  const double start = NowMs();
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (Foreground()) ComeToTheForeground();
    setenv("SORTIVO_REPORT_FIRST_PAINT", report.c_str(), 1);
    if (!getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", offscreen.c_str(), 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDERR_FILENO);
    execl(started.c_str(), started.c_str(), dir.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string text;
  char buffer[64];
  // A program that never paints a picture is ended after half a minute.
  pollfd wait{fds[0], POLLIN, 0};
  while (poll(&wait, 1, 30000) > 0) {
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  if (text.empty()) kill(pid, SIGKILL);
  close(fds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Launched r;
  const auto ms = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
  };
  r.cpuMs = ms(usage.ru_utime) + ms(usage.ru_stime);
  if (!text.empty()) r.ms = std::strtod(text.c_str(), nullptr) - start;
  return r;
}

// Read from the page cache and decoded into a fresh buffer, as the program's first decode is;
// in a child process, so that it starts as cold as the program's decode does.
double BareQuarterDecodeMs(const fs::path& file) {
  return bench::InChild([&file] {
    if (Foreground()) ComeToTheForeground();
    const double start = NowMs();
    // Read whole in one call, as the program reads a picture: a byte-by-byte stream would time
    // the stream, not the decode.
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(fs::file_size(file)));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::vector<unsigned char> pixels;
    bench::BareJpegDecode(bytes, pixels, 4);
    benchmark::DoNotOptimize(pixels.data());
    return NowMs() - start;
  });
}

int Launches() {
  const char* wanted = std::getenv("SORTIVO_BENCH_LAUNCHES");
  return wanted ? std::max(std::atoi(wanted), 1) : 9;
}

// remembered: as the program runs after the first start on the folder, which remembers its
// first picture; otherwise as on the very first start there, the remembered pictures removed.
void Measure(benchmark::State& state, const fs::path& folder, bool remembered = true) {
  const Installed installed;
  const auto forget = [&] {
    if (!remembered) fs::remove(installed.root / "sortivo.first");
  };
  const fs::path first = folder / "0100.jpg";
  // One launch first, unmeasured: the program's own pages into the cache.
  (void)Launch(installed, folder);
  std::vector<double> launch, cpu, bare, window, ratio, windowRatio;
  for (auto _ : state) {
    for (int i = 0; i < Launches(); ++i) {
      const double before = BareQuarterDecodeMs(first);
      forget();
      const Launched launched = Launch(installed, folder);
      if (launched.ms < 0) {
        state.SkipWithError("the program reported no painted picture");
        return;
      }
      const double after = BareQuarterDecodeMs(first);
      const Launched bareWindow = Launch(installed, folder, SORTIVO_BARE_WINDOW);
      if (bareWindow.ms < 0) {
        state.SkipWithError("the bare window reported no paint");
        return;
      }
      window.push_back(bareWindow.ms);
      launch.push_back(launched.ms);
      cpu.push_back(launched.cpuMs);
      bare.push_back((before + after) / 2);
      ratio.push_back(launched.ms / bare.back());
      windowRatio.push_back(launched.ms / bareWindow.ms);
      // Settles the machine a little between launches.
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    state.SetIterationTime(bench::Quantile(launch, 0.5) / 1000.0);
  }
  state.counters["launch_median_ms"] = bench::Quantile(launch, 0.5);
  state.counters["launch_min_ms"] = bench::Quantile(launch, 0);
  state.counters["launch_max_ms"] = bench::Quantile(launch, 1);
  state.counters["program_cpu_median_ms"] = bench::Quantile(cpu, 0.5);
  state.counters["bare_quarter_decode_ms"] = bench::Quantile(bare, 0.5);
  state.counters["bare_window_ms"] = bench::Quantile(window, 0.5);
  state.counters["ratio"] = bench::Quantile(ratio, 0.5);
  state.counters["ratio_to_bare_window"] = bench::Quantile(windowRatio, 0.5);
  const char* display = getenv("DISPLAY");
  state.SetLabel(std::string(display ? "xcb on " + std::string(display) : "offscreen") +
                 (Foreground() ? ", in the foreground, " : ", ") + std::to_string(launch.size()) +
                 " launches");
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

void BM_LaunchToFirstPicture_100000Files_FirstTime(benchmark::State& state) {
  Measure(state, Folder("sortivo-launch-100k", kManyFiles - kPictures), false);
}
BENCHMARK(BM_LaunchToFirstPicture_100000Files_FirstTime)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
