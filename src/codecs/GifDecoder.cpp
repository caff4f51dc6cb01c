#include "codecs/GifDecoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace codecs {

namespace {

constexpr int kDefaultDelayMs = 100;

struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t pos;
};

int ReadData(GifFileType* gif, GifByteType* out, int n) {
  auto* s = static_cast<Source*>(gif->UserData);
  const std::size_t take = std::min(static_cast<std::size_t>(std::max(n, 0)), s->size - s->pos);
  std::memcpy(out, s->data + s->pos, take);
  s->pos += take;
  return static_cast<int>(take);
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int err = 0;
    DGifCloseFile(gif, &err);
  }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  bool empty() const { return right <= left || bottom <= top; }
};

// The row of the frame that the n-th line of an interlaced image belongs to.
int InterlacedRow(int n, int height) {
  static constexpr int kStart[4] = {0, 4, 2, 1};
  static constexpr int kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    const int count =
        height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
    if (n < count) return kStart[pass] + n * kStep[pass];
    n -= count;
  }
  return -1;
}

class Composer {
 public:
  Composer(GifFileType* gif, const DecodeOptions& options)
      : gif_(gif), options_(options), limits_(options.limits) {}

  // False when the file cannot be shown at all (its screen is over the limits).
  bool Run();
  Picture Take() { return std::move(picture_); }

 private:
  bool Start(const GifImageDesc& desc);
  bool DrawImage(bool* complete);
  void ReadExtension(int code, GifByteType* block);
  void Dispose();
  void KeepFrame();
  // A kept frame is copied out of the canvas only when the canvas is about to change: the last
  // one takes the canvas itself, so a still picture is never held twice.
  void CopyPendingFrame();
  void TakeCanvasAsLastFrame();
  void SetPixel(std::uint8_t* p, const GifColorType& c) {
    p[0] = c.Blue, p[1] = c.Green, p[2] = c.Red, p[3] = 0xFF;
  }

  GifFileType* gif_;
  const DecodeOptions& options_;
  const DecodeLimits& limits_;
  Picture picture_;
  platform::ByteBuffer canvas_;
  std::vector<std::uint8_t> saved_;  // the frame area before drawing, for "restore previous"
  GraphicsControlBlock gcb_{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};
  GraphicsControlBlock drawnGcb_{};
  Rect drawn_;
  std::uint64_t bytesKept_ = 0;
  std::size_t savedReserved_ = 0;
  bool pending_ = false;  // the canvas holds a kept frame not yet copied out
  int pendingDelayMs_ = 0;
  bool full_ = false;
  bool sawLoop_ = false;
  bool partial_ = false;  // rows of an unfinished first frame are on the canvas
};

bool Composer::Start(const GifImageDesc& desc) {
  int w = gif_->SWidth, h = gif_->SHeight;
  // Some writers leave the screen size at 0; the first frame then decides it.
  if (w <= 0 || h <= 0) w = desc.Left + desc.Width, h = desc.Top + desc.Height;
  if (!limits_.Allows(w, h)) return false;
  picture_.width = picture_.fullWidth = w;
  picture_.height = picture_.fullHeight = h;
  ReserveBytes(options_, static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) * 4);
  canvas_.assign(static_cast<std::size_t>(w) * h * 4, 0);
  return true;
}

void Composer::Dispose() {
  if (drawn_.empty()) return;
  const std::size_t stride = picture_.stride();
  const std::size_t span = static_cast<std::size_t>(drawn_.right - drawn_.left) * 4;
  if (drawnGcb_.DisposalMode == DISPOSE_BACKGROUND) {
    for (int y = drawn_.top; y < drawn_.bottom; ++y)
      std::memset(canvas_.data() + y * stride + drawn_.left * 4, 0, span);
  } else if (drawnGcb_.DisposalMode == DISPOSE_PREVIOUS && !saved_.empty()) {
    for (int y = drawn_.top; y < drawn_.bottom; ++y)
      std::memcpy(canvas_.data() + y * stride + drawn_.left * 4,
                  saved_.data() + (y - drawn_.top) * span, span);
  }
  drawn_ = Rect{};
}

void Composer::KeepFrame() {
  const std::uint64_t bytes = canvas_.size();
  if (bytesKept_ + bytes > limits_.maxAnimationBytes) {
    full_ = true;
    return;
  }
  bytesKept_ += bytes;
  pending_ = true;
  pendingDelayMs_ = drawnGcb_.DelayTime > 0 ? drawnGcb_.DelayTime * 10 : kDefaultDelayMs;
}

void Composer::CopyPendingFrame() {
  if (!pending_) return;
  ReserveBytes(options_, canvas_.size());
  PictureFrame frame;
  frame.pixels = canvas_;
  frame.delayMs = pendingDelayMs_;
  picture_.frames.push_back(std::move(frame));
  pending_ = false;
}

void Composer::TakeCanvasAsLastFrame() {
  if (!pending_) return;
  PictureFrame frame;
  frame.pixels = std::move(canvas_);
  frame.delayMs = pendingDelayMs_;
  picture_.frames.push_back(std::move(frame));
  pending_ = false;
}

bool Composer::DrawImage(bool* complete) {
  *complete = false;
  const GifImageDesc desc = gif_->Image;
  if (desc.Width <= 0 || desc.Height <= 0 || !limits_.Allows(desc.Width, desc.Height)) return false;
  if (canvas_.empty() && !Start(desc)) return false;
  CopyPendingFrame();
  Dispose();

  std::array<GifColorType, 256> palette{};
  std::array<bool, 256> opaque{};
  opaque.fill(true);
  const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif_->SColorMap;
  if (map && map->Colors) {
    const int n = std::min(map->ColorCount, 256);
    std::copy(map->Colors, map->Colors + n, palette.begin());
  } else {
    for (int i = 0; i < 256; ++i)
      palette[i] = GifColorType{static_cast<GifByteType>(i), static_cast<GifByteType>(i),
                                static_cast<GifByteType>(i)};
  }
  if (gcb_.TransparentColor >= 0 && gcb_.TransparentColor < 256)
    opaque[gcb_.TransparentColor] = false;

  const Rect area{std::max(desc.Left, 0), std::max(desc.Top, 0),
                  std::min(desc.Left + desc.Width, picture_.width),
                  std::min(desc.Top + desc.Height, picture_.height)};
  const std::size_t stride = picture_.stride();
  saved_.clear();
  if (gcb_.DisposalMode == DISPOSE_PREVIOUS && !area.empty()) {
    const std::size_t span = static_cast<std::size_t>(area.right - area.left) * 4;
    const std::size_t bytes = span * (area.bottom - area.top);
    if (bytes > savedReserved_)
      ReserveBytes(options_, bytes - savedReserved_), savedReserved_ = bytes;
    saved_.resize(bytes);
    for (int y = area.top; y < area.bottom; ++y)
      std::memcpy(saved_.data() + (y - area.top) * span,
                  canvas_.data() + y * stride + area.left * 4, span);
  }
  drawn_ = area;
  drawnGcb_ = gcb_;
  gcb_ = GraphicsControlBlock{DISPOSAL_UNSPECIFIED, false, 0, NO_TRANSPARENT_COLOR};

  std::vector<GifPixelType> line(static_cast<std::size_t>(desc.Width));
  for (int n = 0; n < desc.Height; ++n) {
    if (DGifGetLine(gif_, line.data(), desc.Width) == GIF_ERROR) return false;
    const int y = desc.Top + (desc.Interlace ? InterlacedRow(n, desc.Height) : n);
    if (y < area.top || y >= area.bottom) continue;
    std::uint8_t* row = canvas_.data() + y * stride;
    for (int x = area.left; x < area.right; ++x) {
      const GifPixelType index = line[x - desc.Left];
      if (opaque[index]) SetPixel(row + x * 4, palette[index]);
    }
    if (picture_.frames.empty() && !pending_) partial_ = true;
  }
  *complete = true;
  return true;
}

void Composer::ReadExtension(int code, GifByteType* block) {
  if (code == GRAPHICS_EXT_FUNC_CODE && block) {
    GraphicsControlBlock gcb;
    if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK) gcb_ = gcb;
  }
  const bool loopApp = code == APPLICATION_EXT_FUNC_CODE && block && block[0] == 11 &&
                       (std::memcmp(block + 1, "NETSCAPE2.0", 11) == 0 ||
                        std::memcmp(block + 1, "ANIMEXTS1.0", 11) == 0);
  while (block) {
    if (DGifGetExtensionNext(gif_, &block) == GIF_ERROR) return;
    if (loopApp && block && block[0] >= 3 && block[1] == 1 && !sawLoop_) {
      const int n = block[2] | (block[3] << 8);
      picture_.loopCount = n == 0 ? 0 : n + 1;
      sawLoop_ = true;
    }
  }
}

bool Composer::Run() {
  picture_.loopCount = 1;
  while (!full_) {
    GifRecordType type;
    if (DGifGetRecordType(gif_, &type) == GIF_ERROR) break;
    if (type == TERMINATE_RECORD_TYPE) break;
    if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif_) == GIF_ERROR) break;
      bool complete = false;
      const bool ok = DrawImage(&complete);
      if (canvas_.empty()) return false;
      if (!complete || !ok) break;
      KeepFrame();
    } else if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif_, &code, &block) == GIF_ERROR) break;
      ReadExtension(code, block);
    } else {
      break;
    }
  }
  if (picture_.frames.empty() && !pending_ && partial_) KeepFrame();
  TakeCanvasAsLastFrame();
  if (picture_.frames.empty()) return false;
  picture_.hasAlpha = AnyTransparent(picture_);
  return true;
}

}  // namespace

bool DecodeGif(Bytes bytes, Picture& out, const DecodeOptions& options) {
  if (bytes.size() < 6) return false;
  Source source{bytes.data(), bytes.size(), 0};
  int err = 0;
  GifHandle gif(DGifOpen(&source, ReadData, &err));
  if (!gif) return false;
  Composer composer(gif.get(), options);
  if (!composer.Run()) return false;
  out = composer.Take();
  return true;
}

}  // namespace codecs
