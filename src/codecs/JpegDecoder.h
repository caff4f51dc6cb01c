#pragma once
// JPEG (baseline, progressive; grayscale, YCbCr, RGB, CMYK and YCCK) into a Picture.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when nothing could be decoded. A file that ends early or turns corrupt part-way gives
// the rows decoded before that point, the rest left transparent (or grey, where the library
// fills them itself).
bool DecodeJpeg(Bytes bytes, Picture& out, const DecodeOptions& options = {});

// The scale numerator (over 8) that decodes width x height at the smallest size still
// covering the picture fitted into fitWidth x fitHeight; 8 when no reduction applies.
int JpegScaleEighths(int width, int height, int fitWidth, int fitHeight);

}  // namespace codecs
