#pragma once
// Shrinking a decoded picture to the size it is shown at, off the window's thread: each target
// pixel is the average of the source area it covers, partial pixels at the edges weighted by the
// part they cover, so fine detail blends instead of flickering in and out.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "codecs/Picture.h"
#include "view/Viewport.h"

// Shrinks src (sw x sh pixels of B, G, R, A, rows packed) to dw x dh into out. With alpha the
// colours are weighted by their opacity, so transparent pixels add no dark fringe. False, with
// out untouched, when the target is empty or larger than the source on either axis, or the
// source buffer is too short. An opaque picture is shrunk on up to `threads` threads at once (the
// caller's among them), in bands of rows.
bool DownscaleArea(const std::uint8_t* src, std::size_t srcBytes, int sw, int sh, int dw, int dh,
                   bool alpha, platform::ByteBuffer& out, int threads = 1);

// The size a picture of its own size `picture` takes in the picture area fitWidth x fitHeight:
// shrunk to fit, never enlarged, the aspect ratio kept (the picture area's fitting rule).
ViewSize FittedSize(ViewSize picture, int fitWidth, int fitHeight);

// Gives a still picture decoded larger than it will be shown in that area its shrunk frame, of
// the device pixels it covers at pixelRatio (see ShownDeviceSize); anything else stays as it is.
// threads as for DownscaleArea.
void AddShrunkFrame(Picture& picture, int fitWidth, int fitHeight, int threads = 1,
                    double pixelRatio = 1.0);

// The size AddShrunkFrame shrinks a still picture of this size to; none when it leaves it as
// it is.
std::optional<ViewSize> ShrinkTarget(const Picture& picture, int fitWidth, int fitHeight,
                                     double pixelRatio);

// The same shrink of an opaque picture, made while its rows are still coming in, top to
// bottom: each target row as soon as every source row it covers is there.
class TShrinkAlong {
 public:
  TShrinkAlong(int sw, int sh, ViewSize target);
  ~TShrinkAlong();
  TShrinkAlong(const TShrinkAlong&) = delete;
  TShrinkAlong& operator=(const TShrinkAlong&) = delete;

  // Shrinks what the first `rows` source rows of src (sw x sh, rows packed) allow, on up to
  // `threads` threads; src is the same buffer each time.
  void Advance(const std::uint8_t* src, int rows, int threads = 1);
  bool Done() const { return doneRows_ == target_.height; }
  ViewSize target() const { return target_; }
  // The shrunk frame of src once Done, made from src; null before.
  std::shared_ptr<ShrunkFrame> Take(const std::uint8_t* src);

 private:
  struct Taps;
  std::unique_ptr<Taps> taps_;
  int sw_ = 0;  // source pixels across
  ViewSize target_;
  int doneRows_ = 0;
  std::size_t doneWeights_ = 0;  // down-weights of the rows done
  platform::ByteBuffer pixels_;
};
