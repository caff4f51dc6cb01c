// List files are read from wherever the user opens them: any bytes must be read safely. The
// input becomes a list file in a small folder holding a few pictures, a sub-folder and another
// list file, so that lines can name real things.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/FileList.h"

namespace {

std::filesystem::path g_root;

void RemoveRoot() {
  std::error_code ec;
  std::filesystem::remove_all(g_root, ec);
}

void Put(const std::filesystem::path& path, const std::string& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

const std::filesystem::path& Root() {
  if (g_root.empty()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "sortivo-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    g_root = pattern;
    std::atexit(RemoveRoot);
    Put(g_root / "a.jpg", "a");
    Put(g_root / "b.PNG", "b");
    Put(g_root / "sub" / "c.gif", "c");
    Put(g_root / "sub" / "inner.txt", "../a.jpg\nc.gif\n../list.txt\n");
    Put(g_root / "note.doc", "d");
  }
  return g_root;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::filesystem::path listFile = Root() / "list.txt";
  Put(listFile, std::string(reinterpret_cast<const char*>(data), size));
  TFileList list(".bmp .gif .jpe .jpeg .jpg .png", ".txt");
  list.SetRandomSeed(static_cast<std::uint32_t>(size));
  list.Open(listFile.string());
  list.StepNext();
  list.StepPrevious();
  list.GoTail();
  list.PeekNext();
  list.SortDescending();
  list.Shuffle();
  return 0;
}
