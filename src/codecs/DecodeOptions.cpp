#include "codecs/DecodeOptions.h"

#include <algorithm>
#include <limits>
#include <new>

namespace codecs {

void ReserveBytes(const DecodeOptions& options, std::uint64_t bytes) {
  if (!options.claim) return;
  if (bytes > std::numeric_limits<std::size_t>::max()) throw std::bad_alloc();
  options.claim->Reserve(static_cast<std::size_t>(bytes));
}

bool StartStill(Picture& picture, std::int64_t width, std::int64_t height,
                const DecodeOptions& options, bool writesEveryPixel) {
  if (!options.limits.Allows(width, height)) return false;
  ReserveBytes(options, static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * 4);
  picture = Picture{};
  picture.width = picture.fullWidth = static_cast<int>(width);
  picture.height = picture.fullHeight = static_cast<int>(height);
  picture.frames.resize(1);
  platform::ByteBuffer& pixels = picture.frames[0].pixels;
  if (options.reuse) pixels.swap(*options.reuse);
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  if (writesEveryPixel)
    pixels.resize(bytes);
  else
    pixels.resize(bytes, 0);
  return true;
}

void ClearRowsFrom(Picture& picture, std::int64_t first) {
  if (picture.frames.empty() || first >= picture.height) return;
  platform::ByteBuffer& pixels = picture.frames[0].pixels;
  const std::size_t from =
      static_cast<std::size_t>(std::max<std::int64_t>(first, 0)) * picture.stride();
  std::fill(pixels.begin() + static_cast<std::ptrdiff_t>(from), pixels.end(), 0);
}

bool AnyTransparent(const Picture& picture) {
  for (const PictureFrame& frame : picture.frames) {
    const std::uint8_t* p = frame.pixels.data();
    const std::size_t n = frame.pixels.size();
    std::uint8_t all = 0xFF;
    for (std::size_t i = 3; i < n; i += 4) all &= p[i];
    if (all != 0xFF) return true;
  }
  return false;
}

bool CoversFit(std::int64_t width, std::int64_t height, std::int64_t fullWidth,
               std::int64_t fullHeight, std::int64_t fitWidth, std::int64_t fitHeight) {
  if (fullWidth <= 0 || fullHeight <= 0 || fitWidth <= 0 || fitHeight <= 0) return false;
  std::int64_t fittedW = fullWidth, fittedH = fullHeight;
  if (fullWidth * fitHeight <= fullHeight * fitWidth) {
    if (fullHeight > fitHeight)
      fittedH = fitHeight, fittedW = (fullWidth * fitHeight + fullHeight - 1) / fullHeight;
  } else if (fullWidth > fitWidth) {
    fittedW = fitWidth, fittedH = (fullHeight * fitWidth + fullWidth - 1) / fullWidth;
  }
  return width >= fittedW && height >= fittedH;
}

}  // namespace codecs
