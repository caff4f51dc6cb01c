#pragma once
// PNG (every colour type and bit depth, palette, tRNS, 16-bit, interlaced) into a Picture.
// Gamma and colour-profile chunks are not applied: the samples are shown as stored.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when nothing could be decoded. A file that ends early or turns corrupt part-way gives
// the rows decoded before that point, the rest left transparent.
bool DecodePng(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
