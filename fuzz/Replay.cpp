// Runs a fuzz target over files (or every file of folders) given on the command line, so the
// targets build and run with any compiler; the real fuzzing uses clang's libFuzzer.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
int RunFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 1;
}
}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  // Always run the empty input once: every target must survive it.
  LLVMFuzzerTestOneInput(nullptr, 0);
  ++runs;
  for (int i = 1; i < argc; ++i) {
    std::error_code ec;
    const std::filesystem::path arg(argv[i]);
    if (std::filesystem::is_directory(arg, ec)) {
      for (const auto& entry : std::filesystem::recursive_directory_iterator(arg, ec))
        if (entry.is_regular_file()) runs += RunFile(entry.path());
    } else if (std::filesystem::is_regular_file(arg, ec)) {
      runs += RunFile(arg);
    }
  }
  std::printf("%d inputs ran\n", runs);
  return 0;
}
