#pragma once
// A decoded picture: one frame for BMP, JPEG and PNG; every frame of a GIF composed onto its
// logical screen. Pixels are 8-bit B, G, R, A in memory order with straight (not premultiplied)
// alpha, rows packed without padding: on a little-endian machine this is exactly
// QImage::Format_ARGB32, so the windows wrap the buffer without converting it.
#include <cstddef>
#include <cstdint>
#include <vector>

struct PictureFrame {
  std::vector<std::uint8_t> pixels;  // height rows of width * 4 bytes
  int delayMs = 0;                   // how long the frame stays (animations only)
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

  bool empty() const { return frames.empty() || width <= 0 || height <= 0; }
  bool animated() const { return frames.size() > 1; }
  std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
};
