#pragma once
// GIF (87a/89a, animated) into a Picture: every frame composed onto the logical screen with
// its disposal method, transparency and interlacing, as it is to be shown.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// Frame delays are in milliseconds; a delay of 0 is shown as 100 ms. loopCount: 0 plays
// forever, else how many times the animation is played (a file without a loop extension plays
// once; a loop extension's count n means n repeats after the first showing).
// A file that ends early keeps its complete frames (or, with none, the rows of the first one);
// frames past DecodeLimits::maxAnimationBytes are dropped. False when nothing was decoded.
bool DecodeGif(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
