#include "codecs/RawDecoder.h"

#include <algorithm>
#include <memory>

#include <libraw/libraw.h>

#include "codecs/ExifOrientation.h"
#include "codecs/JpegDecoder.h"

namespace codecs {

namespace {

struct ProcessedDeleter {
  void operator()(libraw_processed_image_t* p) const { LibRaw::dcraw_clear_mem(p); }
};

struct Size {
  int width = 0;
  int height = 0;
};

// Whether a picture of `have` pixels shows a `full` picture fitted into fitWidth x fitHeight
// without enlarging it, or without a fit hint, at least at half its size.
bool Serves(Size have, Size full, const DecodeOptions& options) {
  if (full.width <= 0 || full.height <= 0) return true;
  if (options.fitWidth <= 0 || options.fitHeight <= 0)
    return std::int64_t{have.width} * 2 >= full.width &&
           std::int64_t{have.height} * 2 >= full.height;
  return CoversFit(have.width, have.height, full.width, full.height, options.fitWidth,
                   options.fitHeight);
}

// RGB or grey rows of 8 bits, packed, into a still picture.
bool FromRgb(const std::uint8_t* data, std::size_t size, int width, int height, int colors,
             Picture& picture, const DecodeOptions& options) {
  if ((colors != 1 && colors != 3) ||
      size < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * colors ||
      !StartStill(picture, width, height, options))
    return false;
  std::uint8_t* out = picture.frames[0].pixels.data();
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  for (std::size_t i = 0; i < count; ++i, out += 4, data += colors) {
    out[0] = data[colors == 3 ? 2 : 0];
    out[1] = data[colors == 3 ? 1 : 0];
    out[2] = data[0];
    out[3] = 0xFF;
  }
  return true;
}

// The library as it stands after opening a file, asked where the preview it found is and how
// it is stored. The preview is then read from the caller's bytes here, not by unpack_thumb:
// libraw 0.20 writes past the end of its own buffer there for some malformed files.
class RawFile : public LibRaw {
 public:
  using LibRaw::LibRaw;
  enum class Preview { None, Jpeg, Rgb };
  Preview PreviewKind() const {
    if (write_thumb == &RawFile::jpeg_thumb) return Preview::Jpeg;
    if (write_thumb == &RawFile::ppm_thumb) return Preview::Rgb;
    return Preview::None;  // none, or one of the rarer layouts, not worth the risk
  }
};

bool DecodePreview(RawFile& raw, Bytes bytes, Picture& picture, const DecodeOptions& options,
                   int orientation) {
  const RawFile::Preview kind = raw.PreviewKind();
  const libraw_internal_data_t* internal = raw.get_internal_data_pointer();
  const std::int64_t offset = internal->internal_data.toffset;
  const libraw_thumbnail_t& t = raw.imgdata.thumbnail;
  if (kind == RawFile::Preview::None || offset <= 0 ||
      static_cast<std::uint64_t>(offset) >= bytes.size())
    return false;
  const Bytes rest = bytes.subspan(static_cast<std::size_t>(offset));
  if (kind == RawFile::Preview::Jpeg) {
    if (t.tlength < 4 || t.tlength > rest.size()) return false;
    Bytes jpeg = rest.first(t.tlength);
    // Some cameras store the preview without a proper start marker; the library puts one in.
    std::vector<std::uint8_t> mended;
    if (jpeg[0] != 0xFF || jpeg[1] != 0xD8) {
      mended.assign(jpeg.begin(), jpeg.end());
      mended[0] = 0xFF, mended[1] = 0xD8;
      jpeg = Bytes(mended);
    }
    DecodeOptions scaled = options;
    // The preview is stored as the sensor sees it: scale it for the view it will be turned to.
    if (OrientationSwapsSides(orientation)) std::swap(scaled.fitWidth, scaled.fitHeight);
    if (orientation != 1) scaled.reuse = nullptr;
    return DecodeJpeg(jpeg, picture, scaled);
  }
  const unsigned misc = internal->unpacker_data.thumb_misc;
  const int bits = static_cast<int>(misc & 31), colors = static_cast<int>(misc >> 5);
  if (bits != 8 || !options.limits.Allows(t.twidth, t.theight)) return false;
  return FromRgb(rest.data(), rest.size(), t.twidth, t.theight, colors, picture, options);
}

bool DevelopHalfSize(LibRaw& raw, Picture& picture, const DecodeOptions& options) {
  const libraw_image_sizes_t& s = raw.imgdata.sizes;
  if (!options.limits.Allows(s.raw_width, s.raw_height)) return false;
  // The sensor's samples (16 bits each), the half-size image of four 16-bit channels the library
  // develops them into, and the 8-bit RGB copy it hands out.
  const std::uint64_t half = std::uint64_t(s.width / 2 + 1) * std::uint64_t(s.height / 2 + 1);
  ReserveBytes(options, std::uint64_t{s.raw_width} * s.raw_height * 2 + half * (8 + 3));
  raw.imgdata.params.half_size = 1;
  raw.imgdata.params.use_camera_wb = 1;
  raw.imgdata.params.output_bps = 8;
  if (raw.unpack() != LIBRAW_SUCCESS || raw.dcraw_process() != LIBRAW_SUCCESS) return false;
  int err = 0;
  std::unique_ptr<libraw_processed_image_t, ProcessedDeleter> image(raw.dcraw_make_mem_image(&err));
  if (!image || err != LIBRAW_SUCCESS || image->type != LIBRAW_IMAGE_BITMAP || image->bits != 8)
    return false;
  // The library has already turned it upright.
  return FromRgb(image->data, image->data_size, image->width, image->height, image->colors, picture,
                 options);
}

}  // namespace

int OrientationOfRawFlip(int flip) {
  static constexpr int kOrientation[8] = {1, 2, 4, 3, 5, 8, 6, 7};
  return flip >= 0 && flip < 8 ? kOrientation[flip] : 1;
}

bool DecodeRaw(Bytes bytes, Picture& out, const DecodeOptions& options) {
  if (bytes.size() < 16 || bytes.size() > options.limits.maxFileBytes) return false;
  auto raw = std::make_unique<RawFile>(LIBRAW_OPIONS_NO_MEMERR_CALLBACK |
                                       LIBRAW_OPIONS_NO_DATAERR_CALLBACK);
  // The library's own allocation ceiling, lowered to what our pixel limit allows for a
  // 16-bit sensor image of four channels.
  const std::uint64_t mb = options.limits.maxPixels * 8 / (1u << 20);
  raw->imgdata.params.max_raw_memory_mb =
      static_cast<unsigned>(std::clamp<std::uint64_t>(mb, 16, LIBRAW_MAX_ALLOC_MB_DEFAULT));
  // The buffer is only read; the library's interface is older than const.
  if (raw->open_buffer(const_cast<std::uint8_t*>(bytes.data()), bytes.size()) != LIBRAW_SUCCESS)
    return false;
  const libraw_image_sizes_t& s = raw->imgdata.sizes;
  const int orientation = OrientationOfRawFlip(s.flip);
  Size full{s.width, s.height};
  if (full.width > 0 && full.height > 0 && !options.limits.Allows(full.width, full.height))
    return false;
  if (OrientationSwapsSides(orientation)) std::swap(full.width, full.height);

  Picture picture;
  if (DecodePreview(*raw, bytes, picture, options, orientation)) {
    ApplyOrientation(picture, orientation);
    Picture developed;
    if (!Serves({picture.width, picture.height}, full, options) &&
        DevelopHalfSize(*raw, developed, options))
      picture = std::move(developed);
  } else if (!DevelopHalfSize(*raw, picture, options)) {
    return false;
  }
  // A preview cut short keeps its missing rows transparent, and says so in hasAlpha.
  if (full.width > 0 && full.height > 0)
    picture.fullWidth = full.width, picture.fullHeight = full.height;
  out = std::move(picture);
  return true;
}

}  // namespace codecs
