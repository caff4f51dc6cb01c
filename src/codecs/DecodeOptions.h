#pragma once
// What every decoder is told: the limits that keep a hostile file from exhausting memory, and
// an optional hint to decode at a reduced scale for display.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codecs/DecodeBudget.h"
#include "codecs/Picture.h"

namespace codecs {

struct DecodeLimits {
  int maxDimension = 65535;                                  // width and height each
  std::uint64_t maxPixels = std::uint64_t{1} << 28;          // per frame at full size
  std::uint64_t maxAnimationBytes = std::uint64_t{1} << 30;  // decoded frames of an animation
  int maxScans = 100;                                        // progressive JPEG
  std::size_t maxFileBytes = std::size_t{1} << 30;

  bool Allows(std::int64_t width, std::int64_t height) const {
    return width > 0 && height > 0 && width <= maxDimension && height <= maxDimension &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= maxPixels;
  }
};

// Told as a still picture's rows become final, top to bottom, while it is being decoded.
class RowsObserver {
 public:
  // The first `rows` rows of picture's frame are as they will be returned: the decode leaves
  // them alone from now on, and the frame's pixels stay where they are. picture's sizes (full
  // ones too) are set.
  virtual void RowsDone(const Picture& picture, int rows) = 0;
  // Once any rows were told, before the decode returns or leaves by an exception, and before
  // the pixels may move or go: the observer stops reading them before it returns.
  virtual void RowsEnd() noexcept = 0;

 protected:
  ~RowsObserver() = default;
};

struct DecodeOptions {
  DecodeLimits limits;
  // When both are above 0, a decoder that can decode at a reduced scale (JPEG, WebP) may do so, at
  // the smallest scale whose result still covers the picture fitted into fitWidth x fitHeight.
  // Picture::fullWidth/fullHeight keep the true size either way.
  int fitWidth = 0;
  int fitHeight = 0;
  // A buffer a still-picture decoder may take for its pixels instead of allocating a new one
  // (a fresh buffer of a large picture costs more in page faults than many decoders take to
  // fill it). Its contents do not matter; it is left empty or smaller when taken.
  platform::ByteBuffer* reuse = nullptr;
  // The budget the decode's memory is counted against (null: the shared one) and how the decode
  // takes from it. The loader opens the claim; decoders called directly count against nothing.
  DecodeBudget* budget = nullptr;
  BudgetMode budgetMode = BudgetMode::Take;
  BudgetClaim* claim = nullptr;
  // Device pixels per fit pixel: the screen's scaling (2 at 200 %). The fit box above is given
  // in the window's logical pixels and the picture is wanted for the device pixels it covers;
  // the loader hands the decoders the box in device pixels and a ratio of 1.
  double pixelRatio = 1.0;
  // Told of the rows done by the decoders that can say it (JPEG of three components); others,
  // and the loader for a picture it will turn, never call it.
  RowsObserver* rows = nullptr;
};

// Counts bytes the decode is about to allocate against its claim, if it has one. Throws
// std::bad_alloc when the budget refuses them. Decoders call it before each large allocation
// (pixel buffers, whole-picture work buffers of their library), outside any setjmp scope.
void ReserveBytes(const DecodeOptions& options, std::uint64_t bytes);

using Bytes = std::span<const std::uint8_t>;

// One still frame of width x height with both sizes set, its pixels taken from
// options.reuse when given (then of any content: the decoder sets or clears every pixel),
// else zero-filled (transparent); left as they come when the decoder writes every pixel
// itself (writesEveryPixel). False when the limits refuse the size; std::bad_alloc when the
// budget refuses its bytes.
bool StartStill(Picture& picture, std::int64_t width, std::int64_t height,
                const DecodeOptions& options, bool writesEveryPixel = false);

// Clears (to transparent) the rows from first on of a still picture.
void ClearRowsFrom(Picture& picture, std::int64_t first);

// True when some pixel of some frame is not fully opaque.
bool AnyTransparent(const Picture& picture);

// Whether a width x height rendering (a thumbnail, a preview) of a fullWidth x fullHeight
// picture is at least the size of the picture fitted into fitWidth x fitHeight (shrunk only,
// its shape kept), fractions of a pixel rounded up: whatever the window rounds them to, such a
// rendering is never enlarged, and the decode-ahead cache takes it for that view.
bool CoversFit(std::int64_t width, std::int64_t height, std::int64_t fullWidth,
               std::int64_t fullHeight, std::int64_t fitWidth, std::int64_t fitHeight);

}  // namespace codecs
