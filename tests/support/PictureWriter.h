#pragma once
// Test pictures made with the same libraries' encoders (and a small BMP writer of our own), so
// tests never depend on files they did not make. Encode* return the file's bytes; Write* write
// them to a path and return false on failure.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/DecodeOptions.h"

namespace testsupport {

// A file's bytes as the decoders take them.
inline codecs::Bytes AsBytes(const std::string& s) {
  return codecs::Bytes(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// The known picture: red grows left to right, green top to bottom, blue is 64, opaque.
Rgba Gradient(int x, int y, int width, int height);

// The pixel (x, y) of a decoded picture's frame (8-bit B, G, R, A rows).
Rgba PixelAt(std::span<const std::uint8_t> bgra, int width, int x, int y);

// ---- JPEG
enum class JpegColor { YCbCr, Gray, Rgb, Cmyk, AdobeCmyk };
struct JpegParams {
  int quality = 95;
  JpegColor color = JpegColor::YCbCr;
  bool progressive = false;
};
// The gradient (gray: its red channel as gray).
std::string EncodeJpeg(int width, int height, const JpegParams& params = {});
bool WriteJpeg(const std::string& path, int width, int height, int quality = 95);

// ---- PNG
struct PngParams {
  int width = 0, height = 0;
  int colorType = 6;  // PNG_COLOR_TYPE_*: 0 gray, 2 RGB, 3 palette, 4 gray+alpha, 6 RGBA
  int bitDepth = 8;
  bool interlaced = false;
  // Samples in row order, channels interleaved, each already at bitDepth (palette: indices).
  std::vector<std::uint16_t> samples;
  std::vector<Rgba> palette;               // colour type 3; alpha goes into tRNS when below 255
  std::vector<std::uint16_t> transparent;  // tRNS for types 0 (1 value) and 2 (R, G, B)
};
std::string EncodePng(const PngParams& params);
// The gradient as 8-bit RGBA.
std::string EncodePng(int width, int height);
bool WritePng(const std::string& path, int width, int height);
// A PNG of a few dozen bytes whose header claims claimedWidth x claimedHeight (RGBA): its data
// ends within the first row, so a decoder that believes the header allocates the whole picture
// and then fails.
std::string EncodeLyingPng(int claimedWidth, int claimedHeight);

// ---- GIF
struct GifFrame {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<std::uint8_t> indices;  // width * height, row order
  std::vector<Rgba> palette;          // local colour table; empty: the global one
  int transparentIndex = -1;
  int disposal = 0;  // 0 unspecified, 1 keep, 2 background, 3 previous
  int delayCs = 0;   // hundredths of a second
  bool interlaced = false;
  bool control = true;  // write a graphics control extension
};
struct GifParams {
  int width = 0, height = 0;
  std::vector<Rgba> palette;  // global colour table
  int loopCount = -1;         // -1: no loop extension
  std::vector<GifFrame> frames;
};
std::string EncodeGif(const GifParams& params);
// count frames of width x height, frame i filled with palette colour i % 4 of
// {red, green, blue, white}, each shown delayCs hundredths of a second, looping forever.
std::string EncodeGif(int width, int height, int count, int delayCs = 10);
bool WriteGif(const std::string& path, int width, int height, int count, int delayCs = 10);

// ---- BMP
enum class BmpHeader { Info, Os2, V5 };
enum class BmpCompression { None, Rle8, Rle4, BitFields };
struct BmpParams {
  int width = 0, height = 0;
  int bitsPerPixel = 24;
  bool topDown = false;
  BmpHeader header = BmpHeader::Info;
  BmpCompression compression = BmpCompression::None;
  // 1/4/8 bits: palette indices (row order, top row first) and the palette; 16/24/32 bits:
  // colours, top row first. 16 bits without bit fields is 5-5-5; with them 5-6-5. Alpha is
  // kept only by 32 bits with bit fields in a V5 header (which carries the alpha mask).
  std::vector<std::uint8_t> indices;
  std::vector<Rgba> palette;
  std::vector<Rgba> pixels;
};
std::string EncodeBmp(const BmpParams& params);
// The gradient as a 24-bit bottom-up BMP.
std::string EncodeBmp(int width, int height);
bool WriteBmp(const std::string& path, int width, int height);

// ---- EXIF
// A TIFF-structured EXIF block whose first directory holds a camera make and the orientation,
// and files with it where their formats keep it: a JPEG's APP1 segment right after the start
// marker, a PNG's eXIf chunk right after the header chunk.
std::string EncodeExif(int orientation, bool bigEndian = false);
std::string WithJpegExif(const std::string& jpeg, const std::string& exif);
std::string WithPngExif(const std::string& png, const std::string& exif);

// ---- WebP
struct WebpParams {
  int width = 0, height = 0;
  bool lossless = true;
  bool alpha = false;  // alpha falls from 255 at the top to 128 at the bottom (FallingAlpha)
  bool noise = false;  // blue is noise, so that the file is more than a few predictions
  std::string exif;    // put in with the library's muxer
};
std::uint8_t FallingAlpha(int y, int height);
// The gradient.
std::string EncodeWebp(const WebpParams& params);
// Whole-canvas frames of the given colours, each shown for its duration (lossless).
std::string EncodeAnimatedWebp(int width, int height, const std::vector<Rgba>& colors,
                               const std::vector<int>& durationsMs, int loopCount);

// ---- TIFF
enum class TiffColor { Rgb, Gray, Palette, Cmyk, RgbAlpha };
struct TiffParams {
  int width = 0, height = 0;
  TiffColor color = TiffColor::Rgb;
  int bits = 8;  // 8 or 16 per sample (palette: 8)
  int orientation = 1;
  bool tiled = false;     // 16 x 16 tiles, else strips of 4 rows
  bool deflate = false;   // else uncompressed
  int damagedStrip = -1;  // when 0 or more, that strip's stored bytes are all 0xFF
};
// The colour (x, y) of the gradient is written as and decodes to: grey is the red channel, a
// palette index is the red value with entry i (i, 255 - i, 64), CMYK is 255 minus each colour
// without black ink, alpha (unassociated) is FallingAlpha.
Rgba TiffColorAt(const TiffParams& params, int x, int y);
std::string EncodeTiff(const TiffParams& params);

bool WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace testsupport
