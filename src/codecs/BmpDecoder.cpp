#include "codecs/BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace codecs {

namespace {

enum Compression : std::uint32_t {
  kRgb = 0,
  kRle8 = 1,
  kRle4 = 2,
  kBitFields = 3,
  kAlphaBitFields = 6
};

constexpr std::size_t kFileHeader = 14;

class Reader {
 public:
  explicit Reader(Bytes bytes) : b_(bytes) {}
  bool Has(std::size_t off, std::size_t n) const {
    return off <= b_.size() && n <= b_.size() - off;
  }
  std::uint32_t U8(std::size_t off) const { return Has(off, 1) ? b_[off] : 0; }
  std::uint32_t U16(std::size_t off) const { return U8(off) | (U8(off + 1) << 8); }
  std::uint32_t U32(std::size_t off) const { return U16(off) | (U16(off + 2) << 16); }
  std::size_t size() const { return b_.size(); }
  const std::uint8_t* at(std::size_t off) const { return b_.data() + off; }

 private:
  Bytes b_;
};

struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;  // mask >> shift

  explicit Channel(std::uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    max = m >> shift;
  }
  std::uint8_t Get(std::uint32_t v, std::uint8_t absent) const {
    if (!max) return absent;
    const std::uint64_t c = (v & mask) >> shift;
    return static_cast<std::uint8_t>((c * 255 + max / 2) / max);
  }
};

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored top-down
  int bpp = 0;
  std::uint32_t compression = kRgb;
  std::uint32_t colorsUsed = 0;
  std::size_t paletteOffset = 0;
  std::size_t paletteEntry = 4;
  std::size_t pixelOffset = 0;
  Channel r, g, b, a;
  bool masks = false;
};

std::int32_t Signed32(std::uint32_t v) {
  return static_cast<std::int32_t>(v);
}
std::int16_t Signed16(std::uint32_t v) {
  return static_cast<std::int16_t>(v);
}

bool ParseHeader(const Reader& in, Header& h) {
  if (!in.Has(0, kFileHeader + 4) || in.U8(0) != 'B' || in.U8(1) != 'M') return false;
  const std::uint32_t size = in.U32(kFileHeader);
  const bool os2v1 = size == 12;
  const bool os2v2 = size == 16 || size == 64;
  if (!os2v1 && !os2v2 && size != 40 && size != 52 && size != 56 && size != 108 && size != 124)
    return false;
  if (!in.Has(kFileHeader, size)) return false;
  if (os2v1) {
    h.width = in.U16(18);
    h.height = Signed16(in.U16(20));
    h.bpp = static_cast<int>(in.U16(24));
    h.paletteEntry = 3;
  } else {
    h.width = Signed32(in.U32(18));
    h.height = Signed32(in.U32(22));
    h.bpp = static_cast<int>(in.U16(28));
    if (size >= 20) h.compression = in.U32(30);
    if (size >= 36) h.colorsUsed = in.U32(46);
  }
  // OS/2 2.x reuses 3 and 4 for Huffman and RLE24, which are not read here.
  if (os2v2 && h.compression >= kBitFields) return false;

  std::size_t after = kFileHeader + size;
  if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
    if (h.bpp != 16 && h.bpp != 32) return false;
    std::size_t maskAt = kFileHeader + 40;
    if (size == 40) {
      after += h.compression == kAlphaBitFields ? 16 : 12;
      if (!in.Has(maskAt, after - maskAt)) return false;
    }
    h.r = Channel(in.U32(maskAt));
    h.g = Channel(in.U32(maskAt + 4));
    h.b = Channel(in.U32(maskAt + 8));
    if (size >= 56 || h.compression == kAlphaBitFields) h.a = Channel(in.U32(maskAt + 12));
    h.masks = true;
  } else if (h.compression == kRle8) {
    if (h.bpp != 8) return false;
  } else if (h.compression == kRle4) {
    if (h.bpp != 4) return false;
  } else if (h.compression != kRgb) {
    return false;
  }
  if (!h.masks && h.bpp == 16) h.r = Channel(0x7C00), h.g = Channel(0x03E0), h.b = Channel(0x001F);
  if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 16 && h.bpp != 24 && h.bpp != 32)
    return false;
  h.paletteOffset = after;
  h.pixelOffset = in.U32(10);
  if (h.pixelOffset == 0) {
    const std::size_t entries = h.bpp <= 8 ? (h.colorsUsed ? h.colorsUsed : 1u << h.bpp) : 0;
    h.pixelOffset = after + std::min<std::size_t>(entries, 256) * h.paletteEntry;
  }
  return h.pixelOffset < in.size();
}

using Palette = std::array<std::uint32_t, 256>;  // B, G, R, A in memory order

Palette ReadPalette(const Reader& in, const Header& h) {
  Palette palette;
  palette.fill(0xFF000000u);
  if (h.bpp > 8) return palette;
  std::size_t count = h.colorsUsed ? h.colorsUsed : std::size_t{1} << h.bpp;
  count = std::min<std::size_t>(count, 256);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = h.paletteOffset + i * h.paletteEntry;
    if (!in.Has(at, 3) || (h.pixelOffset > h.paletteOffset && at + 3 > h.pixelOffset)) break;
    palette[i] = in.U8(at) | (in.U8(at + 1) << 8) | (in.U8(at + 2) << 16) | 0xFF000000u;
  }
  return palette;
}

void Put(std::uint8_t* p, std::uint32_t bgra) {
  std::memcpy(p, &bgra, 4);
}

// Uncompressed rows; returns how many rows the file held.
std::int64_t ReadRows(const Reader& in, const Header& h, const Palette& palette, Picture& pic) {
  const std::int64_t w = h.width, rows = std::abs(h.height);
  const std::size_t rowBytes = static_cast<std::size_t>((w * h.bpp + 31) / 32) * 4;
  const std::size_t stride = pic.stride();
  std::uint8_t* out = pic.frames[0].pixels.data();
  const bool alphaFromMask = h.a.max != 0;
  std::int64_t r = 0;
  for (; r < rows; ++r) {
    const std::size_t at = h.pixelOffset + static_cast<std::size_t>(r) * rowBytes;
    if (!in.Has(at, rowBytes)) break;
    const std::uint8_t* src = in.at(at);
    const std::int64_t y = h.height < 0 ? r : rows - 1 - r;
    std::uint8_t* dst = out + y * stride;
    for (std::int64_t x = 0; x < w; ++x, dst += 4) {
      switch (h.bpp) {
        case 1:
          Put(dst, palette[(src[x >> 3] >> (7 - (x & 7))) & 1]);
          break;
        case 4:
          Put(dst, palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF]);
          break;
        case 8:
          Put(dst, palette[src[x]]);
          break;
        case 24:
          dst[0] = src[x * 3], dst[1] = src[x * 3 + 1], dst[2] = src[x * 3 + 2], dst[3] = 0xFF;
          break;
        case 16:
        case 32: {
          const std::uint32_t v =
              h.bpp == 16 ? (src[x * 2] | (src[x * 2 + 1] << 8))
                          : (src[x * 4] | (src[x * 4 + 1] << 8) | (src[x * 4 + 2] << 16) |
                             (static_cast<std::uint32_t>(src[x * 4 + 3]) << 24));
          if (h.bpp == 32 && !h.masks) {
            dst[0] = v & 0xFF, dst[1] = (v >> 8) & 0xFF, dst[2] = (v >> 16) & 0xFF, dst[3] = 0xFF;
          } else {
            dst[0] = h.b.Get(v, 0), dst[1] = h.g.Get(v, 0), dst[2] = h.r.Get(v, 0);
            dst[3] = alphaFromMask ? h.a.Get(v, 0xFF) : 0xFF;
          }
          break;
        }
      }
    }
  }
  return r;
}

// RLE4 and RLE8; returns how many pixels were set.
std::uint64_t ReadRle(const Reader& in, const Header& h, const Palette& palette, Picture& pic) {
  const std::int64_t w = h.width, rows = std::abs(h.height);
  const std::size_t stride = pic.stride();
  std::uint8_t* out = pic.frames[0].pixels.data();
  const bool four = h.compression == kRle4;
  std::int64_t x = 0, y = 0;  // y counts rows in file order
  std::uint64_t set = 0;
  std::size_t p = h.pixelOffset;
  auto put = [&](unsigned index) {
    if (x < w && y < rows) {
      const std::int64_t row = h.height < 0 ? y : rows - 1 - y;
      Put(out + row * stride + x * 4, palette[index & 0xFF]);
      ++set;
    }
    ++x;
  };
  while (y < rows && in.Has(p, 2)) {
    const unsigned count = in.U8(p), value = in.U8(p + 1);
    p += 2;
    if (count > 0) {
      for (unsigned i = 0; i < count && x < w; ++i)
        put(four ? ((i & 1) ? value & 0xF : value >> 4) : value);
      continue;
    }
    if (value == 0) {
      x = 0, ++y;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (!in.Has(p, 2)) break;
      x += in.U8(p), y += in.U8(p + 1);
      p += 2;
    } else {
      const std::size_t bytes = four ? (value + 1) / 2 : value;
      if (!in.Has(p, bytes)) break;
      for (unsigned i = 0; i < value && x < w; ++i) {
        const unsigned byte = in.U8(p + (four ? i / 2 : i));
        put(four ? ((i & 1) ? byte & 0xF : byte >> 4) : byte);
      }
      p += (bytes + 1) & ~std::size_t{1};
    }
  }
  return set;
}

}  // namespace

bool DecodeBmp(Bytes bytes, Picture& out, const DecodeOptions& options) {
  const Reader in(bytes);
  Header h;
  if (!ParseHeader(in, h)) return false;
  if (h.height == INT32_MIN) return false;
  Picture picture;
  if (!StartStill(picture, h.width, std::abs(h.height), options)) return false;
  const Palette palette = ReadPalette(in, h);
  if (h.compression == kRle4 || h.compression == kRle8) {
    ClearRowsFrom(picture, 0);  // skipped pixels stay transparent
    if (ReadRle(in, h, palette, picture) == 0) return false;
  } else {
    const std::int64_t rows = ReadRows(in, h, palette, picture);
    if (rows == 0) return false;
    // The rows the file lacks: at the top of a bottom-up picture, the bottom of a top-down one.
    if (h.height < 0) {
      ClearRowsFrom(picture, rows);
    } else if (rows < picture.height) {
      std::fill_n(picture.frames[0].pixels.begin(), (picture.height - rows) * picture.stride(), 0);
    }
  }
  picture.hasAlpha = AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

}  // namespace codecs
