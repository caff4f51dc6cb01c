#pragma once
// Camera raw files (DNG and the makers' own: CR2, CR3, NEF, ARW, ORF, RW2, RAF, PEF ...) into a
// Picture, upright as the camera was held.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// The preview the camera embedded, decoded as a JPEG (scaled for the fit hint) or taken as a
// bitmap, when it is large enough: it covers the fitted view, or without a fit hint it is at
// least half the sensor image's size. Otherwise the sensor data is developed at half size;
// when that fails too, a smaller preview is better than none. fullWidth/fullHeight are the
// upright size of the sensor image (the preview's own size only when the file gives none).
// False when nothing could be decoded.
bool DecodeRaw(Bytes bytes, Picture& out, const DecodeOptions& options = {});

// The EXIF orientation (1 to 8) that the library's flip code (0, 1, 2, 3, 4, 5, 6, 7) stands for.
int OrientationOfRawFlip(int flip);

}  // namespace codecs
