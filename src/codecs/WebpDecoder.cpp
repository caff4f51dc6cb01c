#include "codecs/WebpDecoder.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

#include "codecs/JpegDecoder.h"

namespace codecs {

namespace {

constexpr int kDefaultDelayMs = 100;

struct AnimDecoderDeleter {
  void operator()(WebPAnimDecoder* d) const { WebPAnimDecoderDelete(d); }
};
struct IDecoderDeleter {
  void operator()(WebPIDecoder* d) const { WebPIDelete(d); }
};
struct DemuxerDeleter {
  void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};
struct FrameIterator {
  WebPIterator it{};
  ~FrameIterator() { WebPDemuxReleaseIterator(&it); }
};

// Points the library's output at the picture's own buffer, so nothing is copied afterwards.
void UsePictureBuffer(WebPDecoderConfig& config, Picture& picture) {
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = picture.frames[0].pixels.data();
  config.output.u.RGBA.stride = static_cast<int>(picture.stride());
  config.output.u.RGBA.size = picture.frames[0].pixels.size();
}

// The rows a file that ends early (or turns bad) still gives, 0 when none: the incremental
// decoder keeps what it finished where the one-shot decoder gives up.
int DecodeRowsUntilEnd(Bytes bytes, WebPDecoderConfig& config) {
  std::unique_ptr<WebPIDecoder, IDecoderDeleter> idec(WebPIDecode(nullptr, 0, &config));
  if (!idec) return 0;
  WebPIUpdate(idec.get(), bytes.data(), bytes.size());
  int rows = 0;
  if (!WebPIDecGetRGB(idec.get(), &rows, nullptr, nullptr, nullptr)) return 0;
  return rows;
}

bool DecodeStill(Bytes bytes, const WebPBitstreamFeatures& features, Picture& out,
                 const DecodeOptions& options) {
  const int w = features.width, h = features.height;
  const int n = JpegScaleEighths(w, h, options.fitWidth, options.fitHeight);
  const int sw = n == 8 ? w : static_cast<int>((std::int64_t{w} * n + 7) / 8);
  const int sh = n == 8 ? h : static_cast<int>((std::int64_t{h} * n + 7) / 8);
  Picture picture;
  if (!StartStill(picture, sw, sh, options)) return false;
  picture.fullWidth = w;
  picture.fullHeight = h;

  // The lossless decoder keeps the whole picture in a buffer of its own, the lossy one a plane of
  // alpha when there is one; the colours go straight into ours.
  const std::uint64_t pixels = std::uint64_t(w) * std::uint64_t(h);
  ReserveBytes(options, features.format == 2 ? pixels * 4 : features.has_alpha ? pixels : 0);
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return false;
  if (n != 8) {
    config.options.use_scaling = 1;
    config.options.scaled_width = sw;
    config.options.scaled_height = sh;
  }
  UsePictureBuffer(config, picture);
  const VP8StatusCode status = WebPDecode(bytes.data(), bytes.size(), &config);
  bool complete = status == VP8_STATUS_OK;
  if (!complete) {
    const int rows = DecodeRowsUntilEnd(bytes, config);
    if (rows <= 0) return false;
    ClearRowsFrom(picture, rows);
  }
  picture.hasAlpha = !complete || (features.has_alpha && AnyTransparent(picture));
  out = std::move(picture);
  return true;
}

// Decodes one frame's bitstream (with its alpha chunk) into rows of width * 4 bytes at pixels;
// the rows it gives, all of them when it is whole.
int DecodeFrameRows(Bytes bitstream, std::uint8_t* pixels, int width, int height) {
  WebPDecoderConfig config;
  if (!WebPInitDecoderConfig(&config)) return 0;
  config.output.colorspace = MODE_BGRA;
  config.output.is_external_memory = 1;
  config.output.u.RGBA.rgba = pixels;
  config.output.u.RGBA.stride = width * 4;
  config.output.u.RGBA.size = static_cast<std::size_t>(width) * height * 4;
  if (WebPDecode(bitstream.data(), bitstream.size(), &config) == VP8_STATUS_OK) return height;
  return DecodeRowsUntilEnd(bitstream, config);
}

// The animation decoder takes only whole files. Of one cut short, the first frame is shown (on
// the transparent canvas it starts from), as far as it goes.
bool DecodeFirstFrame(Bytes bytes, Picture& out, const DecodeOptions& options) {
  const DecodeLimits& limits = options.limits;
  const WebPData data{bytes.data(), bytes.size()};
  WebPDemuxState state;
  std::unique_ptr<WebPDemuxer, DemuxerDeleter> demux(WebPDemuxPartial(&data, &state));
  if (!demux) return false;
  const std::uint32_t cw = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH);
  const std::uint32_t ch = WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT);
  FrameIterator frame;
  if (!limits.Allows(cw, ch) || !WebPDemuxGetFrame(demux.get(), 1, &frame.it)) return false;
  const WebPIterator& it = frame.it;
  if (it.width <= 0 || it.height <= 0 || it.x_offset < 0 || it.y_offset < 0 ||
      std::uint64_t(it.x_offset) + it.width > cw || std::uint64_t(it.y_offset) + it.height > ch)
    return false;
  ReserveBytes(options, std::uint64_t(it.width) * std::uint64_t(it.height) * 4);
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(it.width) * it.height * 4);
  const int decoded =
      DecodeFrameRows(Bytes(it.fragment.bytes, it.fragment.size), rows.data(), it.width, it.height);
  if (decoded <= 0) return false;
  Picture picture;
  DecodeOptions canvas = options;
  canvas.fitWidth = canvas.fitHeight = 0, canvas.reuse = nullptr;
  if (!StartStill(picture, cw, ch, canvas)) return false;
  const std::size_t span = static_cast<std::size_t>(it.width) * 4;
  for (int y = 0; y < decoded; ++y)
    std::copy_n(rows.data() + y * span, span,
                picture.frames[0].pixels.data() + (it.y_offset + y) * picture.stride() +
                    static_cast<std::size_t>(it.x_offset) * 4);
  picture.hasAlpha = AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

bool DecodeAnimation(Bytes bytes, const WebPBitstreamFeatures& features, Picture& out,
                     const DecodeOptions& options) {
  const DecodeLimits& limits = options.limits;
  WebPAnimDecoderOptions animOptions;
  if (!WebPAnimDecoderOptionsInit(&animOptions)) return false;
  animOptions.color_mode = MODE_BGRA;
  animOptions.use_threads = 0;
  const WebPData data{bytes.data(), bytes.size()};
  // The decoder's two canvases: the frame being composed and the one before it.
  ReserveBytes(options, std::uint64_t(features.width) * std::uint64_t(features.height) * 4 * 2);
  std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> dec(WebPAnimDecoderNew(&data, &animOptions));
  if (!dec) return DecodeFirstFrame(bytes, out, options);
  WebPAnimInfo info;
  if (!WebPAnimDecoderGetInfo(dec.get(), &info)) return false;
  if (!limits.Allows(info.canvas_width, info.canvas_height)) return false;

  Picture picture;
  picture.width = picture.fullWidth = static_cast<int>(info.canvas_width);
  picture.height = picture.fullHeight = static_cast<int>(info.canvas_height);
  picture.loopCount = static_cast<int>(info.loop_count);
  const std::size_t frameBytes = picture.stride() * static_cast<std::size_t>(picture.height);
  std::uint64_t kept = 0;
  int shownUntil = 0;
  while (WebPAnimDecoderHasMoreFrames(dec.get())) {
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(dec.get(), &canvas, &timestamp)) break;
    if (kept + frameBytes > limits.maxAnimationBytes) break;
    kept += frameBytes;
    ReserveBytes(options, frameBytes);
    PictureFrame frame;
    frame.pixels.assign(canvas, canvas + frameBytes);
    // Timestamps are when each frame's showing ends, counted from the start.
    const int delay = timestamp - shownUntil;
    frame.delayMs = delay > 0 ? delay : kDefaultDelayMs;
    shownUntil = timestamp;
    picture.frames.push_back(std::move(frame));
  }
  if (picture.frames.empty()) return false;
  picture.hasAlpha = AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

}  // namespace

bool DecodeWebp(Bytes bytes, Picture& out, const DecodeOptions& options) {
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK) return false;
  if (!options.limits.Allows(features.width, features.height)) return false;
  if (features.has_animation) return DecodeAnimation(bytes, features, out, options);
  return DecodeStill(bytes, features, out, options);
}

}  // namespace codecs
