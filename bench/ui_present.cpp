// Presenting a picture in the main window against loading the same file alone, and opening a
// large folder in the window against the bare folder scan. Run with QT_QPA_PLATFORM=offscreen.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QFrame>
#include <QLineEdit>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/ui/MainWindow.h"
#include "files/FileList.h"
#include "view/ImageLib.h"

#include "support/PictureWriter.h"

namespace {

class Folder {
 public:
  Folder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sortivo-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  const std::string& root() const { return root_; }

 private:
  std::string root_;
};

const std::string& BigJpeg() {
  static Folder folder;
  static const std::string path = [] {
    const std::string p = folder.root() + "/big.jpg";
    if (!testsupport::WriteBytes(p, testsupport::EncodeJpeg(6000, 4000, {90}))) std::abort();
    return p;
  }();
  return path;
}

// 100,000 empty files, nine in ten with picture names.
const std::string& ManyFiles() {
  static Folder folder;
  static bool made = false;
  if (!made) {
    made = true;
    for (int i = 0; i < 100000; ++i) {
      const std::string name =
          folder.root() + "/f" + std::to_string(i) + (i % 10 ? ".jpg" : ".txt");
      close(open(name.c_str(), O_WRONLY | O_CREAT, 0644));
    }
  }
  return folder.root();
}

TForm1& Window() {
  static Folder settings;
  static std::unique_ptr<TForm1> form = [] {
    auto f = std::make_unique<TForm1>(settings.root(), std::vector<std::string>{});
    f->show();
    f->resize(1024, 768);
    QCoreApplication::processEvents();
    return f;
  }();
  return *form;
}

void BM_LoadPictureFile(benchmark::State& state) {
  const std::string& path = BigJpeg();
  Picture picture;
  for (auto _ : state) benchmark::DoNotOptimize(LoadPictureFile(path, picture));
}

void BM_PresentPicture(benchmark::State& state) {
  const std::string& path = BigJpeg();
  TForm1& form = Window();
  form.Session().OpenPath(path);
  for (auto _ : state) {
    form.Session().PresentPicture(path);
    QCoreApplication::processEvents();  // the paint belongs to presenting
  }
}

void BM_ScanFolder(benchmark::State& state) {
  const std::string& folder = ManyFiles();
  for (auto _ : state) {
    TFileList list(".bmp .gif .jpe .jpeg .jpg .png", ".txt");
    list.ScanFolder(folder);
    benchmark::DoNotOptimize(list.Count());
  }
}

void BM_OpenPath(benchmark::State& state) {
  const std::string& folder = ManyFiles();
  TForm1& form = Window();
  for (auto _ : state) {
    form.Session().OpenPath(folder);
    benchmark::DoNotOptimize(form.Session().Files().Count());
  }
}

BENCHMARK(BM_LoadPictureFile)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_PresentPicture)->Unit(benchmark::kMillisecond)->MinTime(3);
BENCHMARK(BM_ScanFolder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenPath)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
