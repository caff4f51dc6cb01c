// Comparing two large files and moving into a crowded folder, against the plain system calls.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/MainLib.h"
#include "support/TempDir.h"

namespace {

testsupport::TempDir& Work() {
  static testsupport::TempDir tree;
  return tree;
}

// Two identical files of 100 MB.
std::pair<std::string, std::string> TwinFiles() {
  static bool made = false;
  const std::string a = Work().str() + "/a.bin";
  const std::string b = Work().str() + "/b.bin";
  if (!made) {
    made = true;
    std::vector<char> chunk(1 << 20);
    for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 131 % 251);
    std::ofstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    for (int i = 0; i < 100; ++i) {
      fa.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      fb.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
  }
  return {a, b};
}

// A destination folder already holding 100,000 files, and a source folder.
std::string CrowdedFolder() {
  static bool made = false;
  const std::string dst = Work().str() + "/crowded";
  if (!made) {
    made = true;
    std::filesystem::create_directories(dst);
    std::filesystem::create_directories(Work().str() + "/src");
    for (int i = 0; i < 100000; ++i) {
      const std::string name = dst + "/f" + std::to_string(i) + ".jpg";
      close(open(name.c_str(), O_WRONLY | O_CREAT, 0644));
    }
    const std::string pic = Work().str() + "/src/pic.jpg";
    std::ofstream(pic) << "picture";
  }
  return dst;
}

void BM_SameContents(benchmark::State& state) {
  const auto [a, b] = TwinFiles();
  for (auto _ : state) benchmark::DoNotOptimize(SameContents(a, b));
  state.SetBytesProcessed(state.iterations() * 200 * (1 << 20));
}

void BM_PlainReadAndCompare(benchmark::State& state) {
  const auto [a, b] = TwinFiles();
  std::vector<char> ba(128 * 1024), bb(128 * 1024);
  for (auto _ : state) {
    FILE* fa = fopen(a.c_str(), "rb");
    FILE* fb = fopen(b.c_str(), "rb");
    bool same = true;
    for (;;) {
      const std::size_t na = fread(ba.data(), 1, ba.size(), fa);
      const std::size_t nb = fread(bb.data(), 1, bb.size(), fb);
      if (na != nb || std::memcmp(ba.data(), bb.data(), na) != 0) {
        same = false;
        break;
      }
      if (na == 0) break;
    }
    fclose(fa);
    fclose(fb);
    benchmark::DoNotOptimize(same);
  }
  state.SetBytesProcessed(state.iterations() * 200 * (1 << 20));
}

void BM_MoveToFolder(benchmark::State& state) {
  const std::string dst = CrowdedFolder();
  const std::string src = Work().str() + "/src/pic.jpg";
  for (auto _ : state) {
    const FileOperationResult r = MoveToFolder(src, dst);
    state.PauseTiming();
    if (!r.ok || std::rename(r.newPath.c_str(), src.c_str()) != 0) state.SkipWithError("move");
    state.ResumeTiming();
  }
}

void BM_BareRenameNoReplace(benchmark::State& state) {
  const std::string dst = CrowdedFolder() + "/pic.jpg";
  const std::string src = Work().str() + "/src/pic.jpg";
  for (auto _ : state) {
    const int rc = renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
    state.PauseTiming();
    if (rc != 0 || std::rename(dst.c_str(), src.c_str()) != 0) state.SkipWithError("rename");
    state.ResumeTiming();
  }
}

}  // namespace

BENCHMARK(BM_SameContents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainReadAndCompare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MoveToFolder)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareRenameNoReplace)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
