// Key map operations over 10,000 keys in 100 sections, each next to a plain scan of the same
// lines done in the same run.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "keymap/KeyMap.h"

namespace {

constexpr int kSections = 100;
constexpr int kKeysPerSection = 100;

struct Data {
  std::string folder;
  std::unique_ptr<TKeyMap> map;
  Data() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "bench_keymap.XXXXXX").string();
    if (!mkdtemp(tmpl.data())) abort();
    folder = tmpl;
    std::ofstream out(folder + "/keymap.txt", std::ios::binary);
    for (int s = 0; s < kSections; ++s) {
      out << "[s" << s << "]\r\n";
      for (int k = 0; k < kKeysPerSection; ++k) {
        std::string key = "k";
        key += std::to_string(s);
        key += 'x';
        key += std::to_string(k);
        out << key << "=/pictures/sorted/section" << s << "/folder" << k << "\r\n";
        out << key << ":=reminder " << (k == 50 ? "rare" : "common") << " words\r\n";
      }
    }
    out.close();
    std::ofstream(folder + "/head.txt") << "h=/head\r\n";
    std::ofstream(folder + "/tail.txt") << "t=/tail\r\n";
    map = std::make_unique<TKeyMap>("", "", "", folder);
    map->SelectSection("s50");
  }
  ~Data() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
};

Data& D() {
  static Data data;
  return data;
}

// The last key of the last section: the farthest any look-up has to go.
const std::string kFarKey = "k99x99";

void BM_LookupInSection(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(D().map->Lookup("s99", kFarKey));
}
BENCHMARK(BM_LookupInSection);

void BM_LookupStandardOrder(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(D().map->Lookup("", "k50x99"));
}
BENCHMARK(BM_LookupStandardOrder);

void BM_LinearScanForKey(benchmark::State& state) {
  const std::string prefix = kFarKey + "=";
  for (auto _ : state) {
    const std::string* hit = nullptr;
    for (const std::string& line : D().map->KeyMapLines())
      if (line.starts_with(prefix)) {
        hit = &line;
        break;
      }
    benchmark::DoNotOptimize(hit);
  }
}
BENCHMARK(BM_LinearScanForKey);

void BM_SearchRareWord(benchmark::State& state) {
  TKeyMap::Lines out;
  for (auto _ : state) {
    D().map->Search("rare", out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["rows"] = static_cast<double>(out.size());
}
BENCHMARK(BM_SearchRareWord);

void BM_SearchEveryKey(benchmark::State& state) {
  TKeyMap::Lines out;
  for (auto _ : state) {
    D().map->Search(":", out);
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["rows"] = static_cast<double>(out.size());
}
BENCHMARK(BM_SearchEveryKey);

void BM_LinearScanForWord(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t hits = 0;
    for (const std::string& line : D().map->KeyMapLines())
      hits += line.find("rare") != std::string::npos && line.find(":=") != std::string::npos;
    benchmark::DoNotOptimize(hits);
  }
}
BENCHMARK(BM_LinearScanForWord);

void BM_CompleteKeyCycle(benchmark::State& state) {
  // The selected section's keys k50x0 .. k50x99: ask for the next offer after k50x98.
  for (auto _ : state) benchmark::DoNotOptimize(D().map->CompleteKey("k50x98", "x98"));
}
BENCHMARK(BM_CompleteKeyCycle);

void BM_LinearScanForPrefix(benchmark::State& state) {
  for (auto _ : state) {
    std::size_t hits = 0;
    for (const std::string& line : D().map->SelectedLines()) hits += line.starts_with("k50");
    benchmark::DoNotOptimize(hits);
  }
}
BENCHMARK(BM_LinearScanForPrefix);

}  // namespace

BENCHMARK_MAIN();
