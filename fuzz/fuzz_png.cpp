// Decodes arbitrary bytes as PNG; crashes, leaks and sanitizer reports are the findings.
#include <cstddef>
#include <cstdint>

// Compiled into the target itself so that the fuzzer sees the decoder's branches: the core
// libraries are built without coverage instrumentation.
#include "codecs/DecodeOptions.cpp"
#include "codecs/PngDecoder.cpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  codecs::DecodeOptions options;
  // Tighter than the program's own limits, so that a legitimately large picture does not
  // count as running out of memory.
  options.limits.maxPixels = std::uint64_t{1} << 22;
  options.limits.maxAnimationBytes = std::uint64_t{1} << 26;
  if (size % 2) options.fitWidth = 37, options.fitHeight = 23;
  Picture picture;
  codecs::DecodePng(codecs::Bytes(data, size), picture, options);
  return 0;
}
