#include "support/PictureWriter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <utility>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

namespace testsupport {

Rgba Gradient(int x, int y, int width, int height) {
  const auto ramp = [](int v, int n) {
    return static_cast<std::uint8_t>(n > 1 ? v * 255 / (n - 1) : 0);
  };
  return Rgba{ramp(x, width), ramp(y, height), 64, 255};
}

Rgba PixelAt(std::span<const std::uint8_t> bgra, int width, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
  if (i + 3 >= bgra.size()) throw std::out_of_range("PixelAt");
  return Rgba{bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]};
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// ---- JPEG

std::string EncodeJpeg(int width, int height, const JpegParams& params) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  const bool cmyk = params.color == JpegColor::Cmyk || params.color == JpegColor::AdobeCmyk;
  const bool gray = params.color == JpegColor::Gray;
  c.input_components = gray ? 1 : cmyk ? 4 : 3;
  c.in_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  if (params.color == JpegColor::Rgb) jpeg_set_colorspace(&c, JCS_RGB);
  if (cmyk) {
    jpeg_set_colorspace(&c, JCS_CMYK);
    c.write_Adobe_marker = params.color == JpegColor::AdobeCmyk;
  }
  jpeg_set_quality(&c, params.quality, TRUE);
  if (params.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * c.input_components);
  while (c.next_scanline < c.image_height) {
    const int y = static_cast<int>(c.next_scanline);
    for (int x = 0; x < width; ++x) {
      const Rgba p = Gradient(x, y, width, height);
      unsigned char* o = row.data() + static_cast<std::size_t>(x) * c.input_components;
      if (gray) {
        o[0] = p.r;
      } else if (params.color == JpegColor::Cmyk) {
        o[0] = 255 - p.r, o[1] = 255 - p.g, o[2] = 255 - p.b, o[3] = 0;
      } else if (params.color == JpegColor::AdobeCmyk) {  // stored inverted, no black ink
        o[0] = p.r, o[1] = p.g, o[2] = p.b, o[3] = 255;
      } else {
        o[0] = p.r, o[1] = p.g, o[2] = p.b;
      }
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  std::string bytes(reinterpret_cast<const char*>(buffer), size);
  jpeg_destroy_compress(&c);
  std::free(buffer);
  return bytes;
}

bool WriteJpeg(const std::string& path, int width, int height, int quality) {
  JpegParams params;
  params.quality = quality;
  return WriteBytes(path, EncodeJpeg(width, height, params));
}

// ---- PNG

namespace {
void PngWrite(png_structp png, png_bytep data, size_t n) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}
void PngFlush(png_structp) {}

int Channels(int colorType) {
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
      return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    default:
      return 4;
  }
}

// Packs one row of samples at depth bits each, big-endian as the format wants.
std::vector<png_byte> PackRow(const std::uint16_t* s, std::size_t count, int depth) {
  std::vector<png_byte> out((count * depth + 7) / 8);
  for (std::size_t i = 0; i < count; ++i) {
    if (depth == 16) {
      out[i * 2] = static_cast<png_byte>(s[i] >> 8), out[i * 2 + 1] = s[i] & 0xFF;
    } else if (depth == 8) {
      out[i] = static_cast<png_byte>(s[i]);
    } else {
      const std::size_t bit = i * depth;
      out[bit / 8] |= static_cast<png_byte>((s[i] & ((1 << depth) - 1)) << (8 - depth - bit % 8));
    }
  }
  return out;
}
}  // namespace

std::string EncodePng(const PngParams& params) {
  std::string bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png encoding failed");
  }
  png_set_write_fn(png, &bytes, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(params.width),
               static_cast<png_uint_32>(params.height), params.bitDepth, params.colorType,
               params.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (params.colorType == PNG_COLOR_TYPE_PALETTE) {
    std::vector<png_color> colors;
    std::vector<png_byte> alpha;
    bool anyAlpha = false;
    for (const Rgba& c : params.palette) {
      colors.push_back(png_color{c.r, c.g, c.b});
      alpha.push_back(c.a);
      anyAlpha |= c.a != 255;
    }
    png_set_PLTE(png, info, colors.data(), static_cast<int>(colors.size()));
    if (anyAlpha) png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
  }
  if (!params.transparent.empty()) {
    png_color_16 t{};
    if (params.colorType == PNG_COLOR_TYPE_GRAY) {
      t.gray = params.transparent[0];
    } else {
      t.red = params.transparent.at(0), t.green = params.transparent.at(1),
      t.blue = params.transparent.at(2);
    }
    png_set_tRNS(png, info, nullptr, 0, &t);
  }
  png_write_info(png, info);
  const std::size_t perRow = static_cast<std::size_t>(params.width) * Channels(params.colorType);
  std::vector<std::vector<png_byte>> rows;
  std::vector<png_bytep> pointers;
  for (int y = 0; y < params.height; ++y)
    rows.push_back(PackRow(params.samples.data() + y * perRow, perRow, params.bitDepth));
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

std::string EncodePng(int width, int height) {
  PngParams params;
  params.width = width, params.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgba p = Gradient(x, y, width, height);
      params.samples.insert(params.samples.end(), {p.r, p.g, p.b, p.a});
    }
  return EncodePng(params);
}

std::string EncodeLyingPng(int claimedWidth, int claimedHeight) {
  std::string png = EncodePng(2, 2);
  // The header's width and height (big-endian, after the signature, length and type), then the
  // header's check sum over its type and data.
  const auto put32 = [&](std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<char>((v >> (24 - 8 * i)) & 0xFF);
  };
  put32(16, static_cast<std::uint32_t>(claimedWidth));
  put32(20, static_cast<std::uint32_t>(claimedHeight));
  put32(29,
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17)));
  return png;
}

bool WritePng(const std::string& path, int width, int height) {
  return WriteBytes(path, EncodePng(width, height));
}

// ---- GIF

namespace {
int GifWrite(GifFileType* gif, const GifByteType* data, int n) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(data), n);
  return n;
}

ColorMapObject* MakeMap(const std::vector<Rgba>& palette) {
  if (palette.empty()) return nullptr;
  int size = 2;
  while (size < static_cast<int>(palette.size())) size *= 2;
  std::vector<GifColorType> colors(size);
  for (std::size_t i = 0; i < palette.size(); ++i)
    colors[i] = GifColorType{palette[i].r, palette[i].g, palette[i].b};
  return GifMakeMapObject(size, colors.data());
}

void Check(int rc) {
  if (rc != GIF_OK) throw std::runtime_error("gif encoding failed");
}
}  // namespace

std::string EncodeGif(const GifParams& params) {
  std::string bytes;
  int err = 0;
  GifFileType* gif = EGifOpen(&bytes, GifWrite, &err);
  if (!gif) throw std::runtime_error("gif encoding failed");
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = MakeMap(params.palette);
  Check(EGifPutScreenDesc(gif, params.width, params.height, 8, 0, global));
  GifFreeMapObject(global);
  if (params.loopCount >= 0) {
    Check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
    Check(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"));
    const unsigned char loop[3] = {1, static_cast<unsigned char>(params.loopCount & 0xFF),
                                   static_cast<unsigned char>(params.loopCount >> 8)};
    Check(EGifPutExtensionBlock(gif, 3, loop));
    Check(EGifPutExtensionTrailer(gif));
  }
  for (const GifFrame& f : params.frames) {
    if (f.control) {
      GraphicsControlBlock gcb{f.disposal, false, f.delayCs, f.transparentIndex};
      GifByteType ext[4];
      const size_t n = EGifGCBToExtension(&gcb, ext);
      Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext));
    }
    ColorMapObject* local = MakeMap(f.palette);
    Check(EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlaced, local));
    GifFreeMapObject(local);
    std::vector<int> order;
    if (f.interlaced) {
      const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int p = 0; p < 4; ++p)
        for (int y = start[p]; y < f.height; y += step[p]) order.push_back(y);
    } else {
      for (int y = 0; y < f.height; ++y) order.push_back(y);
    }
    for (int y : order) {
      std::vector<GifPixelType> line(f.indices.begin() + static_cast<std::size_t>(y) * f.width,
                                     f.indices.begin() + static_cast<std::size_t>(y + 1) * f.width);
      Check(EGifPutLine(gif, line.data(), f.width));
    }
    // The library forgets a frame's local table when the next frame has none; free it here.
    GifFreeMapObject(gif->Image.ColorMap);
    gif->Image.ColorMap = nullptr;
  }
  if (EGifCloseFile(gif, &err) != GIF_OK) throw std::runtime_error("gif encoding failed");
  return bytes;
}

std::string EncodeGif(int width, int height, int count, int delayCs) {
  GifParams params;
  params.width = width, params.height = height, params.loopCount = 0;
  params.palette = {{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 255}};
  for (int i = 0; i < count; ++i) {
    GifFrame f;
    f.width = width, f.height = height, f.delayCs = delayCs;
    f.indices.assign(static_cast<std::size_t>(width) * height, static_cast<std::uint8_t>(i % 4));
    params.frames.push_back(std::move(f));
  }
  return EncodeGif(params);
}

bool WriteGif(const std::string& path, int width, int height, int count, int delayCs) {
  return WriteBytes(path, EncodeGif(width, height, count, delayCs));
}

// ---- BMP

namespace {
void Put16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

// Runs of equal indices in encoded mode only, one line at a time.
std::string EncodeRle(const BmpParams& params, int row) {
  std::string out;
  const bool four = params.compression == BmpCompression::Rle4;
  const std::uint8_t* p = params.indices.data() + static_cast<std::size_t>(row) * params.width;
  for (int x = 0; x < params.width;) {
    int n = 1;
    while (x + n < params.width && n < 255 && p[x + n] == p[x]) ++n;
    out.push_back(static_cast<char>(n));
    out.push_back(static_cast<char>(four ? (p[x] << 4) | p[x] : p[x]));
    x += n;
  }
  out.append("\0\0", 2);
  return out;
}
}  // namespace

std::string EncodeBmp(const BmpParams& params) {
  const int bpp = params.bitsPerPixel;
  const bool os2 = params.header == BmpHeader::Os2;
  const std::uint32_t headerSize = os2 ? 12 : params.header == BmpHeader::V5 ? 124 : 40;
  const bool fields = params.compression == BmpCompression::BitFields;
  const std::size_t entry = os2 ? 3 : 4;
  const std::size_t paletteBytes = bpp <= 8 ? params.palette.size() * entry : 0;
  const std::size_t maskBytes = fields && headerSize == 40 ? 12 : 0;
  const std::uint32_t offset =
      static_cast<std::uint32_t>(14 + headerSize + maskBytes + paletteBytes);

  std::string data;
  const bool rle =
      params.compression == BmpCompression::Rle8 || params.compression == BmpCompression::Rle4;
  const std::size_t rowBytes = (static_cast<std::size_t>(params.width) * bpp + 31) / 32 * 4;
  for (int i = 0; i < params.height; ++i) {
    const int y = params.topDown ? i : params.height - 1 - i;
    if (rle) {
      data += EncodeRle(params, y);
      continue;
    }
    std::string row(rowBytes, '\0');
    for (int x = 0; x < params.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * params.width + x;
      if (bpp <= 8) {
        const unsigned v = params.indices.at(at);
        const int bit = x * bpp;
        row[bit / 8] = static_cast<char>(row[bit / 8] | (v << (8 - bpp - bit % 8)));
        continue;
      }
      const Rgba c = params.pixels.at(at);
      if (bpp == 24) {
        row[x * 3] = static_cast<char>(c.b), row[x * 3 + 1] = static_cast<char>(c.g);
        row[x * 3 + 2] = static_cast<char>(c.r);
      } else if (bpp == 16) {
        const unsigned v = fields ? ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3)
                                  : ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
        row[x * 2] = static_cast<char>(v & 0xFF), row[x * 2 + 1] = static_cast<char>(v >> 8);
      } else {
        row[x * 4] = static_cast<char>(c.b), row[x * 4 + 1] = static_cast<char>(c.g);
        row[x * 4 + 2] = static_cast<char>(c.r), row[x * 4 + 3] = static_cast<char>(c.a);
      }
    }
    data += row;
  }
  if (rle) data.append("\0\1", 2);

  std::string s = "BM";
  Put32(s, static_cast<std::uint32_t>(offset + data.size()));
  Put32(s, 0);
  Put32(s, offset);
  Put32(s, headerSize);
  if (os2) {
    Put16(s, static_cast<unsigned>(params.width));
    Put16(s, static_cast<unsigned>(params.height));
    Put16(s, 1);
    Put16(s, static_cast<unsigned>(bpp));
  } else {
    Put32(s, static_cast<std::uint32_t>(params.width));
    Put32(s, static_cast<std::uint32_t>(params.topDown ? -params.height : params.height));
    Put16(s, 1);
    Put16(s, static_cast<unsigned>(bpp));
    const std::uint32_t compression = params.compression == BmpCompression::Rle8   ? 1
                                      : params.compression == BmpCompression::Rle4 ? 2
                                      : fields                                     ? 3
                                                                                   : 0;
    Put32(s, compression);
    Put32(s, static_cast<std::uint32_t>(data.size()));
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, bpp <= 8 ? static_cast<std::uint32_t>(params.palette.size()) : 0);
    Put32(s, 0);
    std::uint32_t r = 0x00FF0000, g = 0x0000FF00, b = 0x000000FF, a = 0xFF000000;
    if (bpp == 16) r = 0xF800, g = 0x07E0, b = 0x001F, a = 0;
    if (fields || headerSize > 40) {
      Put32(s, r), Put32(s, g), Put32(s, b);
      if (headerSize > 40) {
        Put32(s, a);
        Put32(s, 0x73524742);  // "sRGB"
        s.append(124 - 60, '\0');
      }
    }
  }
  for (std::size_t i = 0; bpp <= 8 && i < params.palette.size(); ++i) {
    const Rgba& c = params.palette[i];
    s.push_back(static_cast<char>(c.b)), s.push_back(static_cast<char>(c.g));
    s.push_back(static_cast<char>(c.r));
    if (!os2) s.push_back('\0');
  }
  return s + data;
}

std::string EncodeBmp(int width, int height) {
  BmpParams params;
  params.width = width, params.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) params.pixels.push_back(Gradient(x, y, width, height));
  return EncodeBmp(params);
}

bool WriteBmp(const std::string& path, int width, int height) {
  return WriteBytes(path, EncodeBmp(width, height));
}

// ---- EXIF

namespace {

void Put16(std::string& s, unsigned v, bool big) {
  const char hi = static_cast<char>(v >> 8), lo = static_cast<char>(v);
  s += big ? std::string{hi, lo} : std::string{lo, hi};
}

void Put32(std::string& s, std::uint32_t v, bool big) {
  Put16(s, big ? v >> 16 : v & 0xFFFF, big);
  Put16(s, big ? v & 0xFFFF : v >> 16, big);
}

}  // namespace

std::string EncodeExif(int orientation, bool big) {
  std::string s = big ? std::string("MM\0*", 4) : std::string("II*\0", 4);
  Put32(s, 8, big);
  Put16(s, 2, big);  // entries: Make (ASCII, 4 bytes in the entry), Orientation (one SHORT)
  for (unsigned v : {0x010Fu, 2u}) Put16(s, v, big);
  Put32(s, 4, big);
  s += std::string("Cam\0", 4);
  for (unsigned v : {0x0112u, 3u}) Put16(s, v, big);
  Put32(s, 1, big);
  for (unsigned v : {static_cast<unsigned>(orientation), 0u}) Put16(s, v, big);
  Put32(s, 0, big);  // no next directory
  return s;
}

std::string WithJpegExif(const std::string& jpeg, const std::string& exif) {
  std::string segment = "\xFF\xE1";
  Put16(segment, static_cast<unsigned>(2 + 6 + exif.size()), true);
  return jpeg.substr(0, 2) + segment + std::string("Exif\0\0", 6) + exif + jpeg.substr(2);
}

std::string WithPngExif(const std::string& png, const std::string& exif) {
  constexpr std::size_t kAfterHeader = 8 + 25;  // signature, IHDR chunk
  const std::string body = "eXIf" + exif;
  std::string chunk;
  Put32(chunk, static_cast<std::uint32_t>(exif.size()), true);
  chunk += body;
  Put32(chunk,
        static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))),
        true);
  return png.substr(0, kAfterHeader) + chunk + png.substr(kAfterHeader);
}

// ---- WebP

std::uint8_t FallingAlpha(int y, int height) {
  return static_cast<std::uint8_t>(255 - (height > 1 ? y * 127 / (height - 1) : 0));
}

namespace {

std::string Take(WebPData& data) {
  std::string bytes(reinterpret_cast<const char*>(data.bytes), data.size);
  WebPDataClear(&data);
  return bytes;
}

std::string AddWebpExif(const std::string& webp, const std::string& exif) {
  const WebPData image{reinterpret_cast<const std::uint8_t*>(webp.data()), webp.size()};
  const WebPData chunk{reinterpret_cast<const std::uint8_t*>(exif.data()), exif.size()};
  WebPMux* mux = WebPMuxCreate(&image, 1);
  WebPData out;
  WebPDataInit(&out);
  const bool ok = mux && WebPMuxSetChunk(mux, "EXIF", &chunk, 1) == WEBP_MUX_OK &&
                  WebPMuxAssemble(mux, &out) == WEBP_MUX_OK;
  WebPMuxDelete(mux);
  if (!ok) throw std::runtime_error("adding the EXIF chunk failed");
  return Take(out);
}

}  // namespace

std::string EncodeWebp(const WebpParams& p) {
  std::vector<std::uint8_t> rgba;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const Rgba c = Gradient(x, y, p.width, p.height);
      const auto noise = static_cast<std::uint8_t>(
          (static_cast<std::uint32_t>(x * 7919 + y * 104729) * 2654435761u) >> 24);
      rgba.insert(rgba.end(),
                  {c.r, c.g, p.noise ? noise : c.b, p.alpha ? FallingAlpha(y, p.height) : c.a});
    }
  std::uint8_t* out = nullptr;
  const int stride = p.width * 4;
  const std::size_t size =
      p.lossless ? WebPEncodeLosslessRGBA(rgba.data(), p.width, p.height, stride, &out)
                 : WebPEncodeRGBA(rgba.data(), p.width, p.height, stride, 95, &out);
  if (size == 0) throw std::runtime_error("WebP encoding failed");
  const std::string bytes(reinterpret_cast<const char*>(out), size);
  WebPFree(out);
  return p.exif.empty() ? bytes : AddWebpExif(bytes, p.exif);
}

std::string EncodeAnimatedWebp(int width, int height, const std::vector<Rgba>& colors,
                               const std::vector<int>& durationsMs, int loopCount) {
  WebPAnimEncoderOptions options;
  WebPConfig config;
  WebPAnimEncoderOptionsInit(&options);
  WebPConfigInit(&config);
  options.anim_params.loop_count = loopCount;
  config.lossless = 1;
  WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
  bool ok = encoder != nullptr;
  int timestamp = 0;
  for (std::size_t i = 0; i < colors.size(); ++i) {
    const Rgba c = colors[i];
    std::vector<std::uint8_t> rgba;
    for (int n = 0; n < width * height; ++n) rgba.insert(rgba.end(), {c.r, c.g, c.b, c.a});
    WebPPicture picture;
    WebPPictureInit(&picture);
    picture.use_argb = 1, picture.width = width, picture.height = height;
    ok = ok && WebPPictureImportRGBA(&picture, rgba.data(), width * 4) &&
         WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
    WebPPictureFree(&picture);
    timestamp += durationsMs.at(i);
  }
  WebPData out;
  WebPDataInit(&out);
  ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr) &&
       WebPAnimEncoderAssemble(encoder, &out);
  WebPAnimEncoderDelete(encoder);
  if (!ok) throw std::runtime_error("WebP animation encoding failed");
  return Take(out);
}

// ---- TIFF

Rgba TiffColorAt(const TiffParams& p, int x, int y) {
  const Rgba g = Gradient(x, y, p.width, p.height);
  if (p.color == TiffColor::Gray) return Rgba{g.r, g.r, g.r, 255};
  if (p.color == TiffColor::Palette) return Rgba{g.r, static_cast<std::uint8_t>(255 - g.r), 64};
  if (p.color == TiffColor::RgbAlpha) return Rgba{g.r, g.g, g.b, FallingAlpha(y, p.height)};
  return g;
}

namespace {

std::vector<unsigned> TiffSamples(const TiffParams& p, int x, int y) {
  const Rgba c = TiffColorAt(p, x, y);
  switch (p.color) {
    case TiffColor::Gray:
    case TiffColor::Palette:
      return {c.r};
    case TiffColor::Cmyk:
      return {255u - c.r, 255u - c.g, 255u - c.b, 0};
    case TiffColor::RgbAlpha:
      return {c.r, c.g, c.b, c.a};
    case TiffColor::Rgb:
      break;
  }
  return {c.r, c.g, c.b};
}

// Writes the picture through fd (which the library closes); returns where the strip to
// damage lies, as offset and size.
std::pair<std::uint64_t, std::uint64_t> WriteTiff(const TiffParams& p, int fd) {
  TIFFSetWarningHandler(nullptr);
  TIFF* tif = TIFFFdOpen(fd, "test.tif", "w");
  const int spp = static_cast<int>(TiffSamples(p, 0, 0).size());
  const int photometric = p.color == TiffColor::Gray      ? PHOTOMETRIC_MINISBLACK
                          : p.color == TiffColor::Palette ? PHOTOMETRIC_PALETTE
                          : p.color == TiffColor::Cmyk    ? PHOTOMETRIC_SEPARATED
                                                          : PHOTOMETRIC_RGB;
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bits);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, spp);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, p.deflate ? COMPRESSION_ADOBE_DEFLATE : COMPRESSION_NONE);
  const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
  if (p.color == TiffColor::RgbAlpha) TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
  std::vector<std::uint16_t> map[3];
  for (unsigned i = 0; i < 256; ++i) {
    map[0].push_back(static_cast<std::uint16_t>(i * 257));
    map[1].push_back(static_cast<std::uint16_t>((255 - i) * 257));
    map[2].push_back(64 * 257);
  }
  if (p.color == TiffColor::Palette)
    TIFFSetField(tif, TIFFTAG_COLORMAP, map[0].data(), map[1].data(), map[2].data());
  const int tile = p.tiled ? 16 : 0;
  if (p.tiled)
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, tile), TIFFSetField(tif, TIFFTAG_TILELENGTH, tile);
  else
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
  // The samples of the rectangle at (x0, y0), w x h, rows packed; zeros outside the picture.
  const auto samples = [&](int x0, int y0, int w, int h) {
    std::vector<std::uint8_t> out;
    for (int y = y0; y < y0 + h; ++y)
      for (int x = x0; x < x0 + w; ++x)
        for (unsigned v :
             x < p.width && y < p.height ? TiffSamples(p, x, y) : std::vector<unsigned>(spp, 0)) {
          const std::uint16_t wide = static_cast<std::uint16_t>(v * 257);
          const auto* b = reinterpret_cast<const std::uint8_t*>(&wide);
          if (p.bits == 16)
            out.insert(out.end(), b, b + 2);
          else
            out.push_back(static_cast<std::uint8_t>(v));
        }
    return out;
  };
  bool ok = tif != nullptr;
  for (int y = 0; ok && y < p.height; y += p.tiled ? tile : 1)
    for (int x = 0; ok && x < (p.tiled ? p.width : 1); x += tile ? tile : 1) {
      std::vector<std::uint8_t> b = p.tiled ? samples(x, y, tile, tile) : samples(0, y, p.width, 1);
      ok = (p.tiled ? TIFFWriteTile(tif, b.data(), x, y, 0, 0)
                    : TIFFWriteScanline(tif, b.data(), y, 0)) >= 0;
    }
  std::uint64_t* offsets = nullptr;
  std::uint64_t* counts = nullptr;
  std::pair<std::uint64_t, std::uint64_t> damage{0, 0};
  if (ok && p.damagedStrip >= 0 && TIFFFlushData(tif) &&
      TIFFGetField(tif, TIFFTAG_STRIPOFFSETS, &offsets) &&
      TIFFGetField(tif, TIFFTAG_STRIPBYTECOUNTS, &counts))
    damage = {offsets[p.damagedStrip], counts[p.damagedStrip]};
  if (tif) TIFFClose(tif);
  if (!ok) throw std::runtime_error("TIFF writing failed");
  return damage;
}

}  // namespace

std::string EncodeTiff(const TiffParams& p) {
  const int fd = memfd_create("test-tiff", 0);
  const int keep = dup(fd);  // the library closes the one it is given
  const auto [offset, size] = WriteTiff(p, fd);
  std::string bytes(static_cast<std::size_t>(lseek(keep, 0, SEEK_END)), '\0');
  if (pread(keep, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
    throw std::runtime_error("reading the TIFF back failed");
  close(keep);
  if (p.damagedStrip >= 0 && (size == 0 || offset + size > bytes.size()))
    throw std::runtime_error("the strip to damage was not found");
  std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), size, '\xFF');
  return bytes;
}

}  // namespace testsupport
