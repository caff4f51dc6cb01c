#pragma once
// The EXIF orientation of a picture file: where its TIFF-structured EXIF block sits in each
// container, and tag 0x0112 of that block's first directory. Nothing else of the EXIF data is
// read. Every offset in the block is checked against its size; a damaged block reads as 1.

#include "codecs/DecodeOptions.h"

namespace codecs {

// Orientation values as EXIF defines them: how the stored rows must be turned to stand upright.
//   1 as stored        2 mirrored left-right   3 half turn           4 mirrored top-bottom
//   5 mirrored across the top-left diagonal    6 quarter turn clockwise
//   7 mirrored across the top-right diagonal   8 quarter turn counter-clockwise
// 5 to 8 swap width and height.
constexpr int kOrientationUpright = 1;
inline bool OrientationSwapsSides(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// Tag 0x0112 of the first directory of a block that begins with a TIFF header ("II*\0" or
// "MM\0*"), 1 when the block, the directory or the tag is missing or out of range. A TIFF file
// is such a block from its first byte.
int ExifOrientation(Bytes tiff);

// The EXIF block of a file, without the "Exif\0\0" prefix some writers put before it; empty
// when the file has none. JPEG: the first APP1 segment holding "Exif\0\0" before the image
// data. PNG: the eXIf chunk. WebP: the EXIF chunk of the RIFF container.
Bytes FindJpegExif(Bytes file);
Bytes FindPngExif(Bytes file);
Bytes FindWebpExif(Bytes file);

// Turns every frame so that a picture stored with the orientation (1 to 8) stands upright; 5 to
// 8 swap width and height (and fullWidth and fullHeight). Other values change nothing.
void ApplyOrientation(Picture& picture, int orientation);

}  // namespace codecs
