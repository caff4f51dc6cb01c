#include "codecs/JxlDecoder.h"

#include <algorithm>
#include <memory>
#include <utility>

#include <jxl/decode.h>

namespace codecs {

namespace {

constexpr int kDefaultDelayMs = 100;
// What a kept frame costs beyond its pixels, so that a long run of tiny frames is bounded too.
constexpr std::uint64_t kFrameOverheadBytes = 64;

struct DecoderDeleter {
  void operator()(JxlDecoder* d) const { JxlDecoderDestroy(d); }
};

int DelayMs(const JxlBasicInfo& info, std::uint32_t ticks) {
  if (ticks == 0 || info.animation.tps_numerator == 0) return kDefaultDelayMs;
  const std::uint64_t ms =
      std::uint64_t{ticks} * 1000 * info.animation.tps_denominator / info.animation.tps_numerator;
  return ms == 0 ? 1 : static_cast<int>(std::min<std::uint64_t>(ms, 3'600'000));
}

class Decoding {
 public:
  Decoding(JxlDecoder* dec, const DecodeOptions& options) : dec_(dec), options_(options) {}
  bool Run();
  Picture Take() { return std::move(picture_); }

 private:
  bool OnBasicInfo();
  bool SetOutBuffer();
  bool FinishFrame();
  bool KeepPartial();
  static void OnPixels(void* self, std::size_t x, std::size_t y, std::size_t count,
                       const void* pixels);

  JxlDecoder* dec_;
  const DecodeOptions& options_;
  JxlBasicInfo info_{};
  JxlPixelFormat format_{4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  Picture picture_;
  platform::ByteBuffer frame_;  // the frame being decoded
  int width_ = 0;               // upright size
  int height_ = 0;
  std::uint32_t ticks_ = 0;  // duration of the frame being decoded
  std::uint64_t bytesKept_ = 0;
  std::uint64_t pixelsWritten_ = 0;  // of the frame being decoded
  bool bufferSet_ = false;
  bool progressed_ = false;  // the frame being decoded reached a progressive step
};

bool Decoding::OnBasicInfo() {
  if (JxlDecoderGetBasicInfo(dec_, &info_) != JXL_DEC_SUCCESS) return false;
  // The sizes are the stored ones; orientations 5 to 8 swap them on output.
  const bool transposed = info_.orientation >= JXL_ORIENT_TRANSPOSE;
  width_ = static_cast<int>(transposed ? info_.ysize : info_.xsize);
  height_ = static_cast<int>(transposed ? info_.xsize : info_.ysize);
  if (!options_.limits.Allows(info_.xsize, info_.ysize)) return false;
  // The library keeps the frame it decodes in planes of 32-bit floats, one a channel.
  ReserveBytes(options_, std::uint64_t{info_.xsize} * info_.ysize *
                             (info_.num_color_channels + info_.num_extra_channels) * 4);
  picture_.width = picture_.fullWidth = width_;
  picture_.height = picture_.fullHeight = height_;
  picture_.loopCount =
      info_.have_animation
          ? static_cast<int>(std::min<std::uint32_t>(info_.animation.num_loops, 1'000'000))
          : 0;
  return true;
}

bool Decoding::SetOutBuffer() {
  std::size_t size = 0;
  if (JxlDecoderImageOutBufferSize(dec_, &format_, &size) != JXL_DEC_SUCCESS ||
      size != static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4)
    return false;
  // Frames past the budget are not decoded at all.
  if (!picture_.frames.empty() &&
      bytesKept_ + size + kFrameOverheadBytes > options_.limits.maxAnimationBytes)
    return false;
  ReserveBytes(options_, size);
  if (picture_.frames.empty() && options_.reuse) frame_.swap(*options_.reuse);
  // Cleared even when reused: a file cut short leaves parts of the buffer unwritten.
  frame_.assign(size, 0);
  pixelsWritten_ = 0;
  bufferSet_ = JxlDecoderSetImageOutCallback(dec_, &format_, OnPixels, this) == JXL_DEC_SUCCESS;
  return bufferSet_;
}

// Pixels arrive as pieces of rows and go straight into place in B, G, R, A order, saving a
// pass over the frame.
void Decoding::OnPixels(void* self, std::size_t x, std::size_t y, std::size_t count,
                        const void* pixels) {
  auto* d = static_cast<Decoding*>(self);
  const auto width = static_cast<std::size_t>(d->width_);
  if (y >= static_cast<std::size_t>(d->height_) || x >= width || count > width - x) return;
  const auto* in = static_cast<const std::uint8_t*>(pixels);
  std::uint8_t* out = d->frame_.data() + (y * width + x) * 4;
  for (std::size_t i = 0; i < count; ++i, in += 4, out += 4)
    out[0] = in[2], out[1] = in[1], out[2] = in[0], out[3] = in[3];
  d->pixelsWritten_ += count;
}

// False once no more frames are wanted.
bool Decoding::FinishFrame() {
  bufferSet_ = false;
  bytesKept_ += frame_.size() + kFrameOverheadBytes;
  PictureFrame frame;
  frame.pixels = std::move(frame_);
  frame.delayMs = info_.have_animation ? DelayMs(info_, ticks_) : 0;
  picture_.frames.push_back(std::move(frame));
  return info_.have_animation;
}

// The input ended inside a frame. A still picture whose frame had reached a progressive step
// (its eighth-size image, in files that have one) shows that step, with whatever detail came
// after it; without one there is nothing to show: a flush would paint the groups not yet
// decoded opaque black, which cannot be told from the picture's own black.
bool Decoding::KeepPartial() {
  if (!picture_.frames.empty()) return true;
  if (!bufferSet_ || !progressed_ || info_.have_animation ||
      JxlDecoderFlushImage(dec_) != JXL_DEC_SUCCESS || pixelsWritten_ == 0)
    return false;
  FinishFrame();
  return true;
}

bool Decoding::Run() {
  for (;;) {
    switch (JxlDecoderProcessInput(dec_)) {
      case JXL_DEC_BASIC_INFO:
        if (!OnBasicInfo()) return false;
        break;
      case JXL_DEC_FRAME: {
        JxlFrameHeader header;
        if (JxlDecoderGetFrameHeader(dec_, &header) != JXL_DEC_SUCCESS) return false;
        ticks_ = header.duration;
        progressed_ = false;
        break;
      }
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
        if (width_ <= 0 || !SetOutBuffer()) return !picture_.frames.empty();
        break;
      case JXL_DEC_FRAME_PROGRESSION:
        progressed_ = true;
        break;
      case JXL_DEC_FULL_IMAGE:
        if (!FinishFrame()) return true;
        break;
      case JXL_DEC_SUCCESS:
        return !picture_.frames.empty();
      case JXL_DEC_NEED_MORE_INPUT:
        return KeepPartial();
      default:  // an error, or an event not subscribed to
        return !picture_.frames.empty();
    }
  }
}

}  // namespace

bool DecodeJxl(Bytes bytes, Picture& out, const DecodeOptions& options) {
  if (bytes.size() < 2 || bytes.size() > options.limits.maxFileBytes) return false;
  const JxlSignature sig = JxlSignatureCheck(bytes.data(), bytes.size());
  if (sig != JXL_SIG_CODESTREAM && sig != JXL_SIG_CONTAINER) return false;
  std::unique_ptr<JxlDecoder, DecoderDeleter> dec(JxlDecoderCreate(nullptr));
  if (!dec ||
      JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_FRAME |
                                               JXL_DEC_FRAME_PROGRESSION | JXL_DEC_FULL_IMAGE) !=
          JXL_DEC_SUCCESS ||
      JxlDecoderSetKeepOrientation(dec.get(), JXL_FALSE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetUnpremultiplyAlpha(dec.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
      JxlDecoderSetInput(dec.get(), bytes.data(), bytes.size()) != JXL_DEC_SUCCESS)
    return false;
  // The input is left open: a closed one turns a file cut short into an error, where an open
  // one asks for more and lets what has arrived be flushed.

  Decoding decoding(dec.get(), options);
  if (!decoding.Run()) return false;
  Picture picture = decoding.Take();
  if (picture.empty()) return false;
  picture.hasAlpha = AnyTransparent(picture);
  out = std::move(picture);
  return true;
}

}  // namespace codecs
