#include "support/CameraPictureWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <jxl/encode.h>
#include <libheif/heif.h>
#include <tiffio.h>

// The HEVC encoder keeps a few blocks to the end of the program. Built in, so that it holds in
// every program that writes HEIC files, whatever the environment says.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx265\n";
}

namespace testsupport {

Rgba Pattern(int x, int y, int width, int height, int frame, bool alpha) {
  Rgba p = Gradient(x, y, width, height);
  p.b = static_cast<std::uint8_t>(64 + 40 * (frame % 4));
  if (alpha && x >= width / 2) p.a = 96;
  return p;
}

Point StoredPixel(int orientation, int x, int y, int storedW, int storedH) {
  const int w = storedW - 1, h = storedH - 1;
  switch (orientation) {
    case 2:
      return {w - x, y};
    case 3:
      return {w - x, h - y};
    case 4:
      return {x, h - y};
    case 5:
      return {y, x};
    case 6:
      return {y, h - x};  // the stored left column is now the top row
    case 7:
      return {w - y, h - x};
    case 8:
      return {w - y, x};  // the stored right column is now the top row
    default:
      return {x, y};
  }
}

namespace {

std::vector<std::uint8_t> PatternRgba(int width, int height, int frame, bool alpha) {
  std::vector<std::uint8_t> rgba;
  rgba.reserve(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const Rgba p = Pattern(x, y, width, height, frame, alpha);
      rgba.insert(rgba.end(), {p.r, p.g, p.b, p.a});
    }
  return rgba;
}

// ---- HEIF

heif_error AppendToString(heif_context*, const void* data, size_t size, void* userdata) {
  static_cast<std::string*>(userdata)->append(static_cast<const char*>(data), size);
  return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

std::string EncodeHeif(const HeifParams& params) {
  std::unique_ptr<heif_context, void (*)(heif_context*)> ctx(heif_context_alloc(),
                                                             heif_context_free);
  heif_image* raw = nullptr;
  const heif_chroma chroma =
      params.alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB;
  if (heif_image_create(params.width, params.height, heif_colorspace_RGB, chroma, &raw).code)
    return {};
  std::unique_ptr<heif_image, void (*)(const heif_image*)> image(raw, heif_image_release);
  if (heif_image_add_plane(raw, heif_channel_interleaved, params.width, params.height, 8).code)
    return {};
  int stride = 0;
  std::uint8_t* plane = heif_image_get_plane(raw, heif_channel_interleaved, &stride);
  const int channels = params.alpha ? 4 : 3;
  std::vector<std::uint8_t> rgba = PatternRgba(params.width, params.height, 0, params.alpha);
  if (params.premultiplied) {
    for (std::size_t i = 0; i < rgba.size(); i += 4)
      for (std::size_t c = 0; c < 3; ++c)
        rgba[i + c] = static_cast<std::uint8_t>((rgba[i + c] * rgba[i + 3] + 127) / 255);
    heif_image_set_premultiplied_alpha(raw, 1);
  }
  for (int y = 0; y < params.height; ++y)
    for (int x = 0; x < params.width; ++x)
      std::memcpy(plane + static_cast<std::size_t>(y) * stride + x * channels,
                  rgba.data() + (static_cast<std::size_t>(y) * params.width + x) * 4, channels);

  heif_encoder* enc = nullptr;
  if (heif_context_get_encoder_for_format(
          ctx.get(), params.avif ? heif_compression_AV1 : heif_compression_HEVC, &enc)
          .code)
    return {};
  std::unique_ptr<heif_encoder, void (*)(heif_encoder*)> encoder(enc, heif_encoder_release);
  heif_encoder_set_lossy_quality(enc, params.quality);
  std::unique_ptr<heif_encoding_options, void (*)(heif_encoding_options*)> options(
      heif_encoding_options_alloc(), heif_encoding_options_free);
  options->image_orientation = static_cast<heif_orientation>(params.orientation);
  heif_image_handle* handle = nullptr;
  if (heif_context_encode_image(ctx.get(), raw, enc, options.get(), &handle).code) return {};
  if (params.thumbnailBox > 0) {
    heif_image_handle* thumb = nullptr;
    const heif_error e = heif_context_encode_thumbnail(ctx.get(), raw, handle, enc, options.get(),
                                                       params.thumbnailBox, &thumb);
    if (thumb) heif_image_handle_release(thumb);
    if (e.code) {
      heif_image_handle_release(handle);
      return {};
    }
  }
  heif_image_handle_release(handle);
  std::string out;
  heif_writer writer{1, AppendToString};
  if (heif_context_write(ctx.get(), &writer, &out).code) return {};
  return out;
}

// ---- JPEG XL

std::string EncodeJxl(const JxlParams& params) {
  std::unique_ptr<JxlEncoder, void (*)(JxlEncoder*)> enc(JxlEncoderCreate(nullptr),
                                                         JxlEncoderDestroy);
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = static_cast<std::uint32_t>(params.width);
  info.ysize = static_cast<std::uint32_t>(params.height);
  info.bits_per_sample = 8;
  info.num_color_channels = 3;
  info.uses_original_profile = params.distance > 0 ? JXL_FALSE : JXL_TRUE;
  info.orientation = static_cast<JxlOrientation>(params.orientation);
  if (params.alpha) info.alpha_bits = 8, info.num_extra_channels = 1;
  if (params.frames > 1) {
    info.have_animation = JXL_TRUE;
    info.animation.tps_numerator = static_cast<std::uint32_t>(params.ticksPerSecond);
    info.animation.tps_denominator = 1;
    info.animation.num_loops = static_cast<std::uint32_t>(params.loops);
  }
  if (JxlEncoderSetBasicInfo(enc.get(), &info) != JXL_ENC_SUCCESS) return {};
  JxlColorEncoding color;
  JxlColorEncodingSetToSRGB(&color, JXL_FALSE);
  if (JxlEncoderSetColorEncoding(enc.get(), &color) != JXL_ENC_SUCCESS) return {};
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(enc.get(), nullptr);
  if (params.distance > 0)
    JxlEncoderSetFrameDistance(settings, params.distance);
  else
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
  if (params.progressive) {
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_PROGRESSIVE_DC, 1);
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_PROGRESSIVE_AC, 1);
  }
  JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, 3);
  const JxlPixelFormat format{params.alpha ? 4u : 3u, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  for (int f = 0; f < params.frames; ++f) {
    if (params.frames > 1) {
      JxlFrameHeader header;
      JxlEncoderInitFrameHeader(&header);
      header.duration = static_cast<std::uint32_t>(params.frameTicks);
      JxlEncoderSetFrameHeader(settings, &header);
    }
    std::vector<std::uint8_t> rgba = PatternRgba(params.width, params.height, f, params.alpha);
    if (!params.alpha) {
      std::size_t o = 0;
      for (std::size_t i = 0; i < rgba.size(); i += 4)
        rgba[o++] = rgba[i], rgba[o++] = rgba[i + 1], rgba[o++] = rgba[i + 2];
      rgba.resize(o);
    }
    if (JxlEncoderAddImageFrame(settings, &format, rgba.data(), rgba.size()) != JXL_ENC_SUCCESS)
      return {};
  }
  JxlEncoderCloseInput(enc.get());
  std::string out(4096, '\0');
  std::size_t used = 0;
  for (;;) {
    auto* next = reinterpret_cast<std::uint8_t*>(out.data()) + used;
    std::size_t avail = out.size() - used;
    const JxlEncoderStatus s = JxlEncoderProcessOutput(enc.get(), &next, &avail);
    used = out.size() - avail;
    if (s == JXL_ENC_SUCCESS) break;
    if (s != JXL_ENC_NEED_MORE_OUTPUT) return {};
    out.resize(out.size() * 2);
  }
  out.resize(used);
  return out;
}

// ---- DNG

namespace {

// A growing in-memory file for libtiff.
struct MemoryFile {
  std::string bytes;
  std::size_t pos = 0;
};

tsize_t MemRead(thandle_t h, tdata_t buf, tsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  const std::size_t n =
      std::min(static_cast<std::size_t>(size), f->bytes.size() - std::min(f->pos, f->bytes.size()));
  std::memcpy(buf, f->bytes.data() + f->pos, n);
  f->pos += n;
  return static_cast<tsize_t>(n);
}
tsize_t MemWrite(thandle_t h, tdata_t buf, tsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  const std::size_t n = static_cast<std::size_t>(size);
  if (f->pos + n > f->bytes.size()) f->bytes.resize(f->pos + n);
  std::memcpy(f->bytes.data() + f->pos, buf, n);
  f->pos += n;
  return size;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  const std::size_t base = whence == SEEK_CUR ? f->pos : whence == SEEK_END ? f->bytes.size() : 0;
  f->pos = base + static_cast<std::size_t>(off);
  return f->pos;
}
int MemClose(thandle_t) {
  return 0;
}
toff_t MemSize(thandle_t h) {
  return static_cast<MemoryFile*>(h)->bytes.size();
}
int MemMap(thandle_t, tdata_t*, toff_t*) {
  return 0;
}
void MemUnmap(thandle_t, tdata_t, toff_t) {}

void SetDngTags(TIFF* tif, int orientation) {
  static const std::uint8_t kVersion[4] = {1, 4, 0, 0};
  TIFFSetField(tif, TIFFTAG_DNGVERSION, kVersion);
  TIFFSetField(tif, TIFFTAG_DNGBACKWARDVERSION, kVersion);
  TIFFSetField(tif, TIFFTAG_UNIQUECAMERAMODEL, "Test Camera");
  TIFFSetField(tif, TIFFTAG_MAKE, "Test");
  TIFFSetField(tif, TIFFTAG_MODEL, "Camera");
  TIFFSetField(tif, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(orientation));
  static const float kMatrix[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  TIFFSetField(tif, TIFFTAG_COLORMATRIX1, 9, kMatrix);
  static const float kNeutral[3] = {1, 1, 1};
  TIFFSetField(tif, TIFFTAG_ASSHOTNEUTRAL, 3, kNeutral);
}

bool WriteSensor(TIFF* tif, const DngParams& p, bool main) {
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, 32803);  // colour filter array
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.height);
  static const std::uint16_t kDim[2] = {2, 2};
  TIFFSetField(tif, TIFFTAG_CFAREPEATPATTERNDIM, kDim);
  static const std::uint8_t kRggb[4] = {0, 1, 1, 2};
  TIFFSetField(tif, TIFFTAG_CFAPATTERN, 4, kRggb);
  static const std::uint32_t kWhite[1] = {65535};
  TIFFSetField(tif, TIFFTAG_WHITELEVEL, 1, kWhite);
  if (main) SetDngTags(tif, p.orientation);
  std::vector<std::uint16_t> samples(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      samples[static_cast<std::size_t>(y) * p.width + x] = x < p.width / 2 ? 50000 : 3000;
  return TIFFWriteEncodedStrip(tif, 0, samples.data(), static_cast<tmsize_t>(samples.size() * 2)) >=
             0 &&
         TIFFWriteDirectory(tif);
}

bool WritePreview(TIFF* tif, const DngParams& p) {
  TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_REDUCEDIMAGE);
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.previewWidth);
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.previewHeight);
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, p.previewHeight);
  SetDngTags(tif, p.orientation);
  const std::uint64_t subifd[1] = {0};
  TIFFSetField(tif, TIFFTAG_SUBIFD, 1, subifd);
  if (p.preview == DngPreview::Jpeg) {
    // The whole JPEG file as the one strip: readers take it as it is.
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
    const std::string jpeg = EncodeJpeg(p.previewWidth, p.previewHeight);
    if (TIFFWriteRawStrip(tif, 0, const_cast<char*>(jpeg.data()),
                          static_cast<tmsize_t>(jpeg.size())) < 0)
      return false;
  } else {
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < p.previewHeight; ++y)
      for (int x = 0; x < p.previewWidth; ++x) {
        const Rgba c = Gradient(x, y, p.previewWidth, p.previewHeight);
        rgb.insert(rgb.end(), {c.r, c.g, c.b});
      }
    if (TIFFWriteEncodedStrip(tif, 0, rgb.data(), static_cast<tmsize_t>(rgb.size())) < 0)
      return false;
  }
  return TIFFWriteDirectory(tif) != 0;
}

}  // namespace

std::string EncodeDng(const DngParams& params) {
  MemoryFile file;
  TIFF* tif = TIFFClientOpen("dng", "w", &file, MemRead, MemWrite, MemSeek, MemClose, MemSize,
                             MemMap, MemUnmap);
  if (!tif) return {};
  bool ok = params.preview == DngPreview::None
                ? WriteSensor(tif, params, true)
                : WritePreview(tif, params) && WriteSensor(tif, params, false);
  TIFFClose(tif);
  return ok ? file.bytes : std::string{};
}

}  // namespace testsupport
