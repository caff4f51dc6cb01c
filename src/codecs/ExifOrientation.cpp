#include "codecs/ExifOrientation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace codecs {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
// A first directory holds a few dozen entries; past this many the block is not worth reading.
constexpr std::size_t kMaxEntries = 1000;

std::uint16_t Get16(const std::uint8_t* p, bool big) {
  return static_cast<std::uint16_t>(big ? (p[0] << 8) | p[1] : (p[1] << 8) | p[0]);
}

std::uint32_t Get32(const std::uint8_t* p, bool big) {
  const std::uint32_t a = Get16(p, big), b = Get16(p + 2, big);
  return big ? (a << 16) | b : (b << 16) | a;
}

std::uint32_t Get32Le(const std::uint8_t* p) {
  return Get32(p, false);
}

std::uint32_t Get32Be(const std::uint8_t* p) {
  return Get32(p, true);
}

bool StartsWith(Bytes b, const char* text, std::size_t n) {
  return b.size() >= n && std::memcmp(b.data(), text, n) == 0;
}

// Some writers copy the JPEG segment's "Exif\0\0" into the PNG and WebP chunks as well.
Bytes WithoutExifPrefix(Bytes b) {
  return StartsWith(b, "Exif\0\0", 6) ? b.subspan(6) : b;
}

}  // namespace

int ExifOrientation(Bytes t) {
  if (t.size() < 8) return kOrientationUpright;
  bool big;
  if (StartsWith(t, "II*\0", 4))
    big = false;
  else if (StartsWith(t, "MM\0*", 4))
    big = true;
  else
    return kOrientationUpright;
  const std::uint32_t ifd = Get32(t.data() + 4, big);
  if (ifd < 8 || ifd > t.size() - 2) return kOrientationUpright;
  const std::size_t stated = Get16(t.data() + ifd, big);
  const std::size_t room = (t.size() - ifd - 2) / 12;
  const std::size_t count = std::min({stated, room, kMaxEntries});
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* e = t.data() + ifd + 2 + i * 12;
    if (Get16(e, big) != kOrientationTag) continue;
    const std::uint16_t type = Get16(e + 2, big);
    if (Get32(e + 4, big) < 1) return kOrientationUpright;
    // The value sits left-justified in the entry's four value bytes.
    std::uint32_t value = 0;
    if (type == kTypeShort)
      value = Get16(e + 8, big);
    else if (type == kTypeLong)
      value = Get32(e + 8, big);
    return value >= 1 && value <= 8 ? static_cast<int>(value) : kOrientationUpright;
  }
  return kOrientationUpright;
}

Bytes FindJpegExif(Bytes f) {
  if (f.size() < 4 || f[0] != 0xFF || f[1] != 0xD8) return {};
  std::size_t pos = 2;
  while (pos + 4 <= f.size()) {
    if (f[pos] != 0xFF) return {};
    const std::uint8_t marker = f[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      pos += 2;  // no length
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return {};  // the image data: no metadata after it
    const std::size_t length = (std::size_t{f[pos + 2]} << 8) | f[pos + 3];
    if (length < 2 || length > f.size() - pos - 2) return {};
    const Bytes payload = f.subspan(pos + 4, length - 2);
    if (marker == 0xE1 && StartsWith(payload, "Exif\0", 5) && payload.size() >= 6)
      return payload.subspan(6);
    pos += 2 + length;
  }
  return {};
}

Bytes FindPngExif(Bytes f) {
  if (!StartsWith(f, "\x89PNG\r\n\x1a\n", 8)) return {};
  std::size_t pos = 8;
  while (pos + 12 <= f.size()) {
    const std::uint32_t length = Get32Be(f.data() + pos);
    if (length > f.size() - pos - 12) return {};
    const Bytes type = f.subspan(pos + 4, 4);
    if (StartsWith(type, "eXIf", 4)) return WithoutExifPrefix(f.subspan(pos + 8, length));
    if (StartsWith(type, "IEND", 4)) return {};
    pos += 12 + std::size_t{length};
  }
  return {};
}

Bytes FindWebpExif(Bytes f) {
  if (f.size() < 12 || !StartsWith(f, "RIFF", 4) || std::memcmp(f.data() + 8, "WEBP", 4) != 0)
    return {};
  std::size_t pos = 12;
  while (pos + 8 <= f.size()) {
    const std::uint32_t length = Get32Le(f.data() + pos + 4);
    if (length > f.size() - pos - 8) return {};
    if (std::memcmp(f.data() + pos, "EXIF", 4) == 0)
      return WithoutExifPrefix(f.subspan(pos + 8, length));
    pos += 8 + std::size_t{length} + (length & 1);  // chunks are padded to an even size
  }
  return {};
}

namespace {

// Turns one frame about its diagonal in tiles, so that both the reads and the writes stay within
// the cache. Pixel (x, y) goes to (y, x) of the new picture (width h, height w), mirrored
// left-right when MirrorX and top-bottom when MirrorY: a clockwise quarter turn mirrors
// left-right, a counter-clockwise one top-bottom.
template <bool MirrorX, bool MirrorY>
void TurnFrame(const std::uint8_t* src, std::uint8_t* dst, int w, int h) {
  constexpr int kTile = 64;
  const std::size_t dstStride = static_cast<std::size_t>(h);  // in pixels
  auto* s = reinterpret_cast<const std::uint32_t*>(src);
  auto* d = reinterpret_cast<std::uint32_t*>(dst);
  for (int y0 = 0; y0 < h; y0 += kTile) {
    const int y1 = std::min(y0 + kTile, h);
    for (int x0 = 0; x0 < w; x0 += kTile) {
      const int x1 = std::min(x0 + kTile, w);
      for (int y = y0; y < y1; ++y) {
        const std::uint32_t* row = s + static_cast<std::size_t>(y) * w;
        for (int x = x0; x < x1; ++x) {
          const std::size_t nx = MirrorX ? static_cast<std::size_t>(h - 1 - y) : y;
          const std::size_t ny = MirrorY ? static_cast<std::size_t>(w - 1 - x) : x;
          d[ny * dstStride + nx] = row[x];
        }
      }
    }
  }
}

bool FrameFits(const Picture& p, const PictureFrame& frame) {
  return frame.pixels.size() == static_cast<std::size_t>(p.width) * p.height * 4;
}

template <bool MirrorX, bool MirrorY>
void Turn(Picture& p) {
  if (p.empty()) return;
  for (PictureFrame& frame : p.frames) {
    if (!FrameFits(p, frame)) continue;
    platform::ByteBuffer turned(frame.pixels.size());
    TurnFrame<MirrorX, MirrorY>(frame.pixels.data(), turned.data(), p.width, p.height);
    frame.pixels.swap(turned);
  }
  std::swap(p.width, p.height);
  std::swap(p.fullWidth, p.fullHeight);
  p.shrunk.reset();
}

// Mirrors every frame in place, keeping its size.
void Mirror(Picture& p, bool leftRight, bool topBottom) {
  if (p.empty()) return;
  const std::size_t w = static_cast<std::size_t>(p.width), h = static_cast<std::size_t>(p.height);
  for (PictureFrame& frame : p.frames) {
    if (!FrameFits(p, frame)) continue;
    auto* px = reinterpret_cast<std::uint32_t*>(frame.pixels.data());
    if (topBottom)
      for (std::size_t y = 0; y < h / 2; ++y)
        std::swap_ranges(px + y * w, px + (y + 1) * w, px + (h - 1 - y) * w);
    if (leftRight)
      for (std::size_t y = 0; y < h; ++y) std::reverse(px + y * w, px + (y + 1) * w);
  }
  p.shrunk.reset();
}

}  // namespace

void ApplyOrientation(Picture& picture, int orientation) {
  switch (orientation) {
    case 2:
      return Mirror(picture, true, false);
    case 3:
      return Mirror(picture, true, true);
    case 4:
      return Mirror(picture, false, true);
    case 5:
      return Turn<false, false>(picture);
    case 6:
      return Turn<true, false>(picture);
    case 7:
      return Turn<true, true>(picture);
    case 8:
      return Turn<false, true>(picture);
    default:
      return;
  }
}

}  // namespace codecs
