#pragma once
// TIFF (the first page; 1 to 16 bits per sample; grey, RGB, palette, YCbCr, 8-bit CMYK; strips or
// tiles; any compression the library reads) into a Picture, through the library's RGBA
// interface. The rows come as stored: the Orientation tag is left to the caller, like the EXIF
// orientation of the other formats.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when nothing could be decoded. A file that ends early or turns corrupt part-way gives
// the strips (or rows of tiles) decoded before that point, the rest transparent.
bool DecodeTiff(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
