#include "codecs/HeifDecoder.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include <libheif/heif.h>

namespace codecs {

namespace {

struct ContextDeleter {
  void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
  void operator()(const heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
  void operator()(const heif_image* i) const { heif_image_release(i); }
};
struct OptionsDeleter {
  void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
using Handle = std::unique_ptr<const heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<const heif_image, ImageDeleter>;

bool Ok(const heif_error& e) {
  return e.code == heif_error_Ok;
}

// Whether a thumbW x thumbH thumbnail has the shape of a width x height image: another shape
// would be another picture (or a letterboxed one). A pixel of rounding is allowed.
bool SameShape(std::int64_t width, std::int64_t height, std::int64_t thumbW, std::int64_t thumbH) {
  return std::llabs(thumbW * height - thumbH * width) <= std::max(width, height);
}

// The thumbnail of `primary` that `better` prefers among those the limits allow, of its shape and
// with alpha where it has alpha; null when there is none. better(w, h, bestW, bestH) says whether
// a w x h thumbnail beats the best one so far (bestW is 0 before the first).
template <typename Better>
Handle PickThumbnail(const heif_image_handle* primary, const DecodeOptions& options,
                     Better better) {
  const int count = heif_image_handle_get_number_of_thumbnails(primary);
  if (count <= 0) return nullptr;
  std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
  const int listed = heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
  const int width = heif_image_handle_get_width(primary);
  const int height = heif_image_handle_get_height(primary);
  const bool alpha = heif_image_handle_has_alpha_channel(primary) != 0;
  Handle best;
  int bestW = 0, bestH = 0;
  for (int i = 0; i < std::min(listed, count); ++i) {
    heif_image_handle* h = nullptr;
    if (!Ok(heif_image_handle_get_thumbnail(primary, ids[static_cast<std::size_t>(i)], &h)))
      continue;
    Handle thumb(h);
    const int tw = heif_image_handle_get_width(h);
    const int th = heif_image_handle_get_height(h);
    if (!options.limits.Allows(tw, th) || (alpha && !heif_image_handle_has_alpha_channel(h)) ||
        !SameShape(width, height, tw, th) || (tw >= width && th >= height) ||
        !better(tw, th, bestW, bestH))
      continue;
    best = std::move(thumb), bestW = tw, bestH = th;
  }
  return best;
}

// The smallest thumbnail of `primary` that serves the fitted view, or null.
Handle CoveringThumbnail(const heif_image_handle* primary, const DecodeOptions& options) {
  if (options.fitWidth <= 0 || options.fitHeight <= 0) return nullptr;
  const std::int64_t width = heif_image_handle_get_width(primary);
  const std::int64_t height = heif_image_handle_get_height(primary);
  return PickThumbnail(primary, options, [&](int tw, int th, int bestW, int bestH) {
    return CoversFit(tw, th, width, height, options.fitWidth, options.fitHeight) &&
           (bestW == 0 || std::int64_t{tw} * th < std::int64_t{bestW} * bestH);
  });
}

// What the library holds while it decodes handle: the decoded planes (up to three at full size
// for 4:4:4, and alpha), at one or two bytes a sample, and the RGBA image made from them.
std::uint64_t LibraryBytes(const heif_image_handle* handle) {
  const std::uint64_t pixels = std::uint64_t(std::max(heif_image_handle_get_width(handle), 0)) *
                               std::uint64_t(std::max(heif_image_handle_get_height(handle), 0));
  const std::uint64_t sample = heif_image_handle_get_luma_bits_per_pixel(handle) > 8 ? 2 : 1;
  const std::uint64_t planes = heif_image_handle_has_alpha_channel(handle) ? 4 : 3;
  return pixels * (planes * sample + 4);
}

Image DecodeRgba(const heif_image_handle* handle, const DecodeOptions& options) {
  ReserveBytes(options, LibraryBytes(handle));
  std::unique_ptr<heif_decoding_options, OptionsDeleter> opts(heif_decoding_options_alloc());
  if (!opts) return nullptr;
  opts->ignore_transformations = 0;
  opts->convert_hdr_to_8bit = 1;
  heif_image* image = nullptr;
  if (!Ok(heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                            opts.get())))
    return nullptr;
  return Image(image);
}

std::uint8_t Unpremultiply(unsigned c, unsigned a) {
  if (a == 255) return static_cast<std::uint8_t>(c);
  return static_cast<std::uint8_t>(a == 0 ? 0 : std::min(255u, (c * 255 + a / 2) / a));
}

void RgbaRowToBgra(const std::uint8_t* in, std::uint8_t* out, int width, bool premultiplied) {
  if (!premultiplied) {
    for (int x = 0; x < width; ++x, in += 4, out += 4)
      out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
    return;
  }
  for (int x = 0; x < width; ++x, in += 4, out += 4) {
    const unsigned a = in[3];
    out[0] = Unpremultiply(in[2], a), out[1] = Unpremultiply(in[1], a);
    out[2] = Unpremultiply(in[0], a), out[3] = in[3];
  }
}

// The file read, its primary image's handle and size, within the limits.
struct Opened {
  std::unique_ptr<heif_context, ContextDeleter> context;
  Handle primary;
  int fullWidth = 0, fullHeight = 0;
};

bool Open(Bytes bytes, const DecodeOptions& options, Opened& out) {
  if (bytes.size() < 12 || bytes.size() > options.limits.maxFileBytes) return false;
  if (heif_check_filetype(bytes.data(), static_cast<int>(bytes.size())) == heif_filetype_no)
    return false;
  // The library's own limits on image size and box counts stay as they are: they are tighter
  // than ours, and they guard allocations made while the file is read.
  out.context.reset(heif_context_alloc());
  if (!out.context) return false;
  if (!Ok(heif_context_read_from_memory_without_copy(out.context.get(), bytes.data(), bytes.size(),
                                                     nullptr)))
    return false;
  heif_image_handle* p = nullptr;
  if (!Ok(heif_context_get_primary_image_handle(out.context.get(), &p))) return false;
  out.primary.reset(p);
  out.fullWidth = heif_image_handle_get_width(p);
  out.fullHeight = heif_image_handle_get_height(p);
  // The coded size too, where the file states it: cropping may make the shown one smaller.
  const int codedWidth = heif_image_handle_get_ispe_width(p);
  const int codedHeight = heif_image_handle_get_ispe_height(p);
  return options.limits.Allows(out.fullWidth, out.fullHeight) &&
         (codedWidth <= 0 || codedHeight <= 0 || options.limits.Allows(codedWidth, codedHeight));
}

// The decoded image of handle `decoded` into out, as a rendering of a fullWidth x fullHeight
// picture (0 x 0: of its own size).
bool ToPicture(const Image& image, const heif_image_handle* decoded, int fullWidth, int fullHeight,
               const DecodeOptions& options, Picture& out) {
  const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
  const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
  if (heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8) return false;
  int stride = 0;
  const std::uint8_t* rgba =
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
  if (!rgba || stride < static_cast<std::int64_t>(width) * 4) return false;

  Picture picture;
  if (!StartStill(picture, width, height, options)) return false;
  if (fullWidth > 0 && fullHeight > 0)
    picture.fullWidth = fullWidth, picture.fullHeight = fullHeight;
  const bool premultiplied =
      heif_image_is_premultiplied_alpha(const_cast<heif_image*>(image.get()));
  std::uint8_t* pixels = picture.frames[0].pixels.data();
  for (int y = 0; y < height; ++y)
    RgbaRowToBgra(rgba + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                  pixels + static_cast<std::size_t>(y) * picture.stride(), width, premultiplied);
  // Without an alpha plane the library fills alpha with 255: no need to look.
  picture.hasAlpha = heif_image_handle_has_alpha_channel(decoded) != 0 && AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

}  // namespace

bool DecodeHeif(Bytes bytes, Picture& out, const DecodeOptions& options) {
  Opened file;
  if (!Open(bytes, options, file)) return false;
  const heif_image_handle* p = file.primary.get();
  const Handle thumbnail = CoveringThumbnail(p, options);
  Image image = thumbnail ? DecodeRgba(thumbnail.get(), options) : nullptr;
  const bool fromThumbnail = image != nullptr;
  if (!image) image = DecodeRgba(p, options);
  if (!image) return false;
  if (!fromThumbnail) return ToPicture(image, p, 0, 0, options, out);
  return ToPicture(image, thumbnail.get(), file.fullWidth, file.fullHeight, options, out);
}

bool DecodeHeifThumbnail(Bytes bytes, Picture& out, const DecodeOptions& options) {
  Opened file;
  if (!Open(bytes, options, file)) return false;
  const Handle thumbnail =
      PickThumbnail(file.primary.get(), options, [](int tw, int th, int bestW, int bestH) {
        return std::int64_t{tw} * th <= kThumbnailStandInPixels &&
               std::int64_t{tw} * th > std::int64_t{bestW} * bestH;
      });
  if (!thumbnail) return false;
  const Image image = DecodeRgba(thumbnail.get(), options);
  return image && ToPicture(image, thumbnail.get(), file.fullWidth, file.fullHeight, options, out);
}

}  // namespace codecs
