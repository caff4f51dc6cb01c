#pragma once
// A decoded picture: one frame for BMP, JPEG and PNG; every frame of a GIF composed onto its
// logical screen. Pixels are 8-bit B, G, R, A in memory order with straight (not premultiplied)
// alpha, rows packed without padding: on a little-endian machine this is exactly
// QImage::Format_ARGB32, so the windows wrap the buffer without converting it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/LargeBuffers.h"

struct PictureFrame {
  platform::ByteBuffer pixels;  // height rows of width * 4 bytes
  int delayMs = 0;              // how long the frame stays (animations only)
};

// A still picture's pixels already shrunk to the size it will be shown at, made off the window's
// thread. It belongs to the buffer it was made from: a copied or turned picture has other
// buffers, and the shrunk frame no longer applies to it.
struct ShrunkFrame {
  int width = 0;
  int height = 0;
  platform::ByteBuffer pixels;           // same layout as a frame's
  const std::uint8_t* source = nullptr;  // frames[0]'s pixels it was made from
};

// Holds a picture's shrunk frame. A copy of the picture starts without one: pictures are copied
// to be changed (turned), and a frame left behind would show the picture as it was.
class ShrunkFrameRef {
 public:
  ShrunkFrameRef() = default;
  ShrunkFrameRef(std::shared_ptr<const ShrunkFrame> frame) : frame_(std::move(frame)) {}
  ShrunkFrameRef(std::shared_ptr<ShrunkFrame> frame) : frame_(std::move(frame)) {}
  ShrunkFrameRef(const ShrunkFrameRef&) noexcept {}
  ShrunkFrameRef& operator=(const ShrunkFrameRef&) noexcept {
    frame_.reset();
    return *this;
  }
  ShrunkFrameRef(ShrunkFrameRef&&) noexcept = default;
  ShrunkFrameRef& operator=(ShrunkFrameRef&&) noexcept = default;

  const ShrunkFrame* get() const { return frame_.get(); }
  const ShrunkFrame* operator->() const { return frame_.get(); }
  explicit operator bool() const { return frame_ != nullptr; }
  void reset() { frame_.reset(); }

 private:
  std::shared_ptr<const ShrunkFrame> frame_;
};

struct Picture {
  int width = 0;  // size of the pixel buffers
  int height = 0;
  // The picture's own size. Equal to width/height unless the file was decoded at a reduced
  // scale for display; captions and the original-size view use this one.
  int fullWidth = 0;
  int fullHeight = 0;
  bool hasAlpha = false;  // some pixel is not fully opaque
  int loopCount = 0;      // animations: 0 = forever, else how many times to play
  std::vector<PictureFrame> frames;
  ShrunkFrameRef shrunk;  // optional; see shrunkFor

  bool empty() const { return frames.empty() || width <= 0 || height <= 0; }
  bool animated() const { return frames.size() > 1; }
  std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
  // The shrunk frame made for a width x height view, or null when there is none for that size or
  // the pixels have changed since it was made.
  const ShrunkFrame* shrunkFor(int w, int h) const {
    if (!shrunk || frames.size() != 1 || w <= 0 || h <= 0 || shrunk->width != w ||
        shrunk->height != h || shrunk->source != frames[0].pixels.data() ||
        shrunk->pixels.size() != static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 4)
      return nullptr;
    return shrunk.get();
  }
};
