#pragma once
// BMP (Windows 3 to V5 and OS/2 headers; 1, 4, 8, 16, 24 and 32 bits per pixel; bit fields;
// RLE4 and RLE8; bottom-up and top-down) into a Picture.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when the header is not understood or no pixel could be read. A file that ends early
// gives the rows it holds; pixels it never sets (missing rows, RLE skips) are transparent.
bool DecodeBmp(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
