#pragma once
// What every decoder is told: the limits that keep a hostile file from exhausting memory, and
// an optional hint to decode at a reduced scale for display.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "codecs/Picture.h"

namespace codecs {

struct DecodeLimits {
  int maxDimension = 65535;                                  // width and height each
  std::uint64_t maxPixels = std::uint64_t{1} << 28;          // per frame at full size
  std::uint64_t maxAnimationBytes = std::uint64_t{1} << 30;  // decoded frames of an animation
  int maxScans = 100;                                        // progressive JPEG
  std::size_t maxFileBytes = std::size_t{1} << 30;

  bool Allows(std::int64_t width, std::int64_t height) const {
    return width > 0 && height > 0 && width <= maxDimension && height <= maxDimension &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= maxPixels;
  }
};

struct DecodeOptions {
  DecodeLimits limits;
  // When both are above 0, a decoder that can decode at a reduced scale (JPEG) may do so, at
  // the smallest scale whose result still covers the picture fitted into fitWidth x fitHeight.
  // Picture::fullWidth/fullHeight keep the true size either way.
  int fitWidth = 0;
  int fitHeight = 0;
};

using Bytes = std::span<const std::uint8_t>;

// Reads a whole file for a decoder. Missing or unreadable files and files over the size limit
// give false; callers that must tell an unreadable file apart read it themselves.
bool ReadFileBytes(const std::string& path, std::size_t limit, std::string& out);

// One still frame of width x height, zero-filled (transparent), with both sizes set.
// False when the limits refuse the size.
bool StartStill(Picture& picture, std::int64_t width, std::int64_t height,
                const DecodeLimits& limits);

// True when some pixel of some frame is not fully opaque.
bool AnyTransparent(const Picture& picture);

}  // namespace codecs
