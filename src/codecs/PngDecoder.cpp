#include "codecs/PngDecoder.h"

#include <cstring>
#include <memory>

#include <png.h>

namespace codecs {

namespace {

struct PngDecoding {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t pos = 0;
  int passes = 1;
  int pass = 0;         // pass being read when the rows stopped
  png_uint_32 row = 0;  // rows of that pass finished
};

struct PngDecodingDeleter {
  void operator()(PngDecoding* d) const {
    if (d->png) png_destroy_read_struct(&d->png, d->info ? &d->info : nullptr, nullptr);
    delete d;
  }
};

void ReadData(png_structp png, png_bytep out, size_t n) {
  auto* d = static_cast<PngDecoding*>(png_get_io_ptr(png));
  if (n > d->size - d->pos) png_error(png, "unexpected end of file");
  std::memcpy(out, d->data + d->pos, n);
  d->pos += n;
}

[[noreturn]] void OnError(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// The functions below hold the setjmp: their locals need no destructors, and every library
// call that can fail runs inside one of them.
bool ReadHeader(PngDecoding* d, const DecodeLimits* limits) {
  if (setjmp(png_jmpbuf(d->png))) return false;
  d->info = png_create_info_struct(d->png);
  if (!d->info) return false;
  png_set_read_fn(d->png, d, ReadData);
  png_set_user_limits(d->png, static_cast<png_uint_32>(limits->maxDimension),
                      static_cast<png_uint_32>(limits->maxDimension));
  png_set_chunk_cache_max(d->png, 1000);
  // Metadata is never shown, and the library allocates a text chunk's stated length before
  // reading it: a file of a few bytes could ask for a gigabyte. Skip them all unread.
  static const png_byte kIgnored[] =
      "tEXt\0zTXt\0iTXt\0sCAL\0iCCP\0sPLT\0pCAL\0eXIf\0hIST\0sBIT\0bKGD\0cHRM\0gAMA\0sRGB\0"
      "pHYs\0oFFs\0tIME";
  png_set_keep_unknown_chunks(d->png, PNG_HANDLE_CHUNK_NEVER, kIgnored, sizeof kIgnored / 5);
  png_set_chunk_malloc_max(d->png, 16u << 20);
  png_read_info(d->png, d->info);

  const int colorType = png_get_color_type(d->png, d->info);
  const int depth = png_get_bit_depth(d->png, d->info);
  const bool trns = png_get_valid(d->png, d->info, PNG_INFO_tRNS) != 0;
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d->png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d->png);
  if (trns) png_set_tRNS_to_alpha(d->png);
  if (depth == 16) png_set_scale_16(d->png);
  if (!(colorType & PNG_COLOR_MASK_COLOR)) png_set_gray_to_rgb(d->png);
  png_set_bgr(d->png);
  if (!(colorType & PNG_COLOR_MASK_ALPHA) && !trns) png_set_filler(d->png, 0xFF, PNG_FILLER_AFTER);
  d->passes = png_set_interlace_handling(d->png);
  png_read_update_info(d->png, d->info);
  return true;
}

bool ReadRows(PngDecoding* d, unsigned char* pixels, std::size_t stride, png_uint_32 height) {
  if (setjmp(png_jmpbuf(d->png))) return false;
  for (d->pass = 0; d->pass < d->passes; ++d->pass) {
    for (d->row = 0; d->row < height; ++d->row) {
      // Interlaced rows go in as the display row, so an early pass already paints its pixels
      // over the blocks they stand for, and a file that ends early shows a coarse picture.
      png_bytep row = pixels + d->row * stride;
      if (d->passes > 1)
        png_read_row(d->png, nullptr, row);
      else
        png_read_row(d->png, row, nullptr);
    }
  }
  return true;
}

}  // namespace

bool DecodePng(Bytes bytes, Picture& out, const DecodeOptions& options) {
  if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) return false;
  std::unique_ptr<PngDecoding, PngDecodingDeleter> d(new PngDecoding);
  d->data = bytes.data();
  d->size = bytes.size();
  d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
  if (!d->png) return false;
  if (!ReadHeader(d.get(), &options.limits)) return false;

  const png_uint_32 width = png_get_image_width(d->png, d->info);
  const png_uint_32 height = png_get_image_height(d->png, d->info);
  Picture picture;
  if (!StartStill(picture, width, height, options)) return false;
  if (png_get_rowbytes(d->png, d->info) != picture.stride()) return false;

  if (!ReadRows(d.get(), picture.frames[0].pixels.data(), picture.stride(), height)) {
    if (d->pass == 0 && d->row == 0) return false;
    // Interlaced or not, the first pass had reached every row before this one.
    if (d->pass == 0) ClearRowsFrom(picture, d->row);
  }
  picture.hasAlpha = AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

}  // namespace codecs
