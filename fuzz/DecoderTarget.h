#pragma once
// The body shared by the decoder fuzz targets: decode arbitrary bytes (at a reduced scale for
// odd sizes); crashes, leaks and sanitizer reports are the findings.
#include <cstddef>
#include <cstdint>

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

template <typename Decode>
int FuzzDecoder(const std::uint8_t* data, std::size_t size, Decode decode) {
  codecs::DecodeOptions options;
  // Tighter than the program's own limits, so that a legitimately large picture does not
  // count as running out of memory.
  options.limits.maxPixels = std::uint64_t{1} << 22;
  options.limits.maxAnimationBytes = std::uint64_t{1} << 26;
  if (size % 2) options.fitWidth = 37, options.fitHeight = 23;
  Picture picture;
  decode(codecs::Bytes(data, size), picture, options);
  return 0;
}
