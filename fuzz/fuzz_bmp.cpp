// Decodes arbitrary bytes as BMP; crashes, leaks and sanitizer reports are the findings.
#include <cstddef>
#include <cstdint>

#include "codecs/BmpDecoder.h"
#include "view/ImageLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  codecs::DecodeOptions options;
  // Tighter than the program's own limits, so that a legitimately large picture does not
  // count as running out of memory.
  options.limits.maxPixels = std::uint64_t{1} << 22;
  options.limits.maxAnimationBytes = std::uint64_t{1} << 26;
  if (size % 2) options.fitWidth = 37, options.fitHeight = 23;
  Picture picture;
  if (codecs::DecodeBmp(codecs::Bytes(data, size), picture, options)) {
    RotateClockwise(picture);
    RotateCounterClockwise(picture);
  }
  return 0;
}
