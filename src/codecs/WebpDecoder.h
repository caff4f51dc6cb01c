#pragma once
// WebP (lossy, lossless, with alpha; still and animated) into a Picture.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// A still picture larger than the fit box asks for is decoded at the size a JPEG of its size
// would be (the smallest eighth still covering the fitted picture), so that both are shrunk
// the same way afterwards. An animation is decoded at its own size, every frame composed onto
// the canvas; delays are in milliseconds (0 is shown as 100 ms), loopCount as in the file
// (0 forever, else how many times it is played); frames past DecodeLimits::maxAnimationBytes
// are dropped. A still that ends early gives the rows decoded before that point, the rest
// transparent; an animation that ends early shows its first frame as far as it goes, one
// damaged inside keeps the frames before the damage. False when nothing could be decoded.
bool DecodeWebp(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
