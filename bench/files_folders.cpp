// The picture list's folder scan and the sub-folder search, each against a bare readdir loop
// doing the same job without the program's rules.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

#include "files/DirectoryList.h"
#include "files/FileList.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kPictures = ".bmp .gif .jpe .jpeg .jpg .png";

// 100,000 files, nine in ten with picture names.
std::string BigFolder() {
  static testsupport::TempDir tree;
  static bool made = false;
  if (!made) {
    made = true;
    for (int i = 0; i < 100000; ++i) {
      const std::string name = tree.str() + "/f" + std::to_string(i) + (i % 10 ? ".jpg" : ".txt");
      close(open(name.c_str(), O_WRONLY | O_CREAT, 0644));
    }
  }
  return tree.str();
}

// 10,000 folders: 10 x 10 x 99 below the root.
std::string FolderTree() {
  static testsupport::TempDir tree;
  static bool made = false;
  if (!made) {
    made = true;
    for (int a = 0; a < 10; ++a)
      for (int b = 0; b < 10; ++b)
        for (int c = 0; c < 99; ++c)
          std::filesystem::create_directories(tree.str() + "/a" + std::to_string(a) + "/b" +
                                              std::to_string(b) + "/c" + std::to_string(c));
  }
  return tree.str();
}

void BM_ScanFolder(benchmark::State& state) {
  const std::string& folder = BigFolder();
  for (auto _ : state) {
    TFileList list(kPictures, ".txt");
    list.ScanFolder(folder);
    benchmark::DoNotOptimize(list.Count());
  }
}

void BM_BareReaddirScan(benchmark::State& state) {
  const std::string& folder = BigFolder();
  const std::string prefix = folder + "/";
  for (auto _ : state) {
    std::vector<std::string> found;
    DIR* dir = opendir(folder.c_str());
    while (const dirent* e = readdir(dir)) {
      if (e->d_name[0] == '.' || e->d_type != DT_REG) continue;
      if (!TFileList::HasListedExtension(e->d_name, kPictures)) continue;
      found.push_back(prefix + e->d_name);
    }
    closedir(dir);
    benchmark::DoNotOptimize(found.size());
  }
}

void BM_SearchSubfolders(benchmark::State& state) {
  const std::string root = FolderTree();
  for (auto _ : state) {
    TDirectoryList list;
    list.SearchSubfolders(root);
    benchmark::DoNotOptimize(list.Count());
  }
}

void BM_BareBreadthFirstWalk(benchmark::State& state) {
  const std::string root = FolderTree();
  for (auto _ : state) {
    std::vector<std::string> found{root};
    for (std::size_t i = 0; i < found.size(); ++i) {
      DIR* dir = opendir(found[i].c_str());
      if (!dir) continue;
      while (const dirent* e = readdir(dir))
        if (e->d_name[0] != '.' && e->d_type == DT_DIR) found.push_back(found[i] + "/" + e->d_name);
      closedir(dir);
    }
    benchmark::DoNotOptimize(found.size());
  }
}

}  // namespace

BENCHMARK(BM_ScanFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareReaddirScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SearchSubfolders)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareBreadthFirstWalk)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
