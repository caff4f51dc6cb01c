#pragma once
// JPEG XL (still and animated) into a Picture, turned upright by the file's orientation.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when nothing could be decoded. A still picture cut short after its coarse progressive
// pass shows that pass (with any finer detail that arrived); one cut short before it, or
// without such a pass (lossless files), decodes nothing. Animations: every frame composed onto
// the canvas, delays in milliseconds (a frame of no duration shown 100 ms), loopCount 0 plays
// forever; a file that ends early keeps its complete frames, and frames past
// DecodeLimits::maxAnimationBytes are dropped.
bool DecodeJxl(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
