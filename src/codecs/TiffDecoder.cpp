#include "codecs/TiffDecoder.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>

#include <tiffio.h>

namespace codecs {

namespace {

// Single allocations the library may make (a strip or tile buffer, a tag's array). A damaged
// file can state a huge strip; the picture's own pixels are bounded by DecodeLimits.
constexpr std::uint64_t kMaxSingleAlloc = std::uint64_t{1} << 30;
constexpr std::uint64_t kAllocBytesPerPixel = 16;

struct MemoryFile {
  Bytes bytes;
  std::uint64_t pos = 0;
};

tmsize_t Read(thandle_t h, void* buf, tmsize_t n) {
  auto* f = static_cast<MemoryFile*>(h);
  if (n <= 0 || f->pos >= f->bytes.size()) return 0;
  const std::uint64_t count =
      std::min<std::uint64_t>(static_cast<std::uint64_t>(n), f->bytes.size() - f->pos);
  std::memcpy(buf, f->bytes.data() + f->pos, count);
  f->pos += count;
  return static_cast<tmsize_t>(count);
}

tmsize_t Write(thandle_t, void*, tmsize_t) {
  return 0;
}

toff_t Seek(thandle_t h, toff_t offset, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR)
    base = f->pos;
  else if (whence == SEEK_END)
    base = f->bytes.size();
  else if (whence != SEEK_SET)
    return static_cast<toff_t>(-1);
  if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
  f->pos = base + offset;  // past the end is allowed; reads there give nothing
  return f->pos;
}

int Close(thandle_t) {
  return 0;
}

toff_t Size(thandle_t h) {
  return static_cast<MemoryFile*>(h)->bytes.size();
}

// The bytes are already in memory: "mapping" them lets the library read strips in place (it
// copies before changing any), and its unmapped tile reading of 4.5 refuses valid tiles.
int Map(thandle_t h, void** base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  *base = const_cast<std::uint8_t*>(f->bytes.data());
  *size = f->bytes.size();
  return 1;
}

void Unmap(thandle_t, void*, toff_t) {}

// Warnings and errors of a damaged file are expected; they must not reach stderr.
int Quiet(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct OptionsDeleter {
  void operator()(TIFFOpenOptions* o) const { TIFFOpenOptionsFree(o); }
};
struct TiffDeleter {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
struct RgbaImage {
  TIFFRGBAImage img{};
  bool begun = false;
  ~RgbaImage() {
    if (begun) TIFFRGBAImageEnd(&img);
  }
};

// The library gives R, G, B, A bytes with the colour multiplied by alpha.
void ToStraightBgra(std::uint8_t* p, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i, p += 4) {
    std::swap(p[0], p[2]);
    const unsigned a = p[3];
    if (a == 255 || a == 0) continue;
    for (int c = 0; c < 3; ++c)
      p[c] = static_cast<std::uint8_t>(std::min(255u, (p[c] * 255u + a / 2) / a));
  }
}

// The rows read in one call: one strip or one row of tiles, so a damaged one costs only itself.
std::uint32_t BandRows(TIFF* tif, std::uint32_t height) {
  std::uint32_t rows = 0;
  if (TIFFIsTiled(tif))
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &rows);
  else
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
  return std::clamp<std::uint32_t>(rows, 1, std::max<std::uint32_t>(height, 1));
}

}  // namespace

bool DecodeTiff(Bytes bytes, Picture& out, const DecodeOptions& options) {
  if (bytes.size() < 8) return false;
  std::unique_ptr<TIFFOpenOptions, OptionsDeleter> openOptions(TIFFOpenOptionsAlloc());
  if (!openOptions) return false;
  const std::uint64_t maxAlloc =
      std::min(kMaxSingleAlloc, options.limits.maxPixels * kAllocBytesPerPixel);
  TIFFOpenOptionsSetMaxSingleMemAlloc(openOptions.get(), static_cast<tmsize_t>(maxAlloc));
  TIFFOpenOptionsSetErrorHandlerExtR(openOptions.get(), Quiet, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(openOptions.get(), Quiet, nullptr);

  MemoryFile file{bytes, 0};
  std::unique_ptr<TIFF, TiffDeleter> tif(TIFFClientOpenExt(
      "picture", "r", &file, Read, Write, Seek, Close, Size, Map, Unmap, openOptions.get()));
  if (!tif) return false;
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
    return false;
  if (!options.limits.Allows(width, height)) return false;
  char message[1024] = {};
  if (!TIFFRGBAImageOK(tif.get(), message)) return false;

  RgbaImage rgba;
  if (!TIFFRGBAImageBegin(&rgba.img, tif.get(), 1, message)) return false;
  rgba.begun = true;
  // Rows as stored: asking for the file's own orientation makes the library flip nothing.
  rgba.img.req_orientation = rgba.img.orientation;

  Picture picture;
  if (!StartStill(picture, width, height, options)) return false;
  auto* raster = reinterpret_cast<std::uint32_t*>(picture.frames[0].pixels.data());
  const std::uint32_t band = BandRows(tif.get(), height);
  std::uint32_t done = 0;
  while (done < height) {
    const std::uint32_t rows = std::min(band, height - done);
    rgba.img.row_offset = static_cast<int>(done);
    if (!TIFFRGBAImageGet(&rgba.img, raster + static_cast<std::size_t>(done) * width, width, rows))
      break;
    done += rows;
  }
  if (done == 0) return false;
  ToStraightBgra(picture.frames[0].pixels.data(), static_cast<std::size_t>(done) * width);
  ClearRowsFrom(picture, done);
  picture.hasAlpha = done < height || AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

}  // namespace codecs
