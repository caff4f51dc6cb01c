#pragma once
// Test pictures in the formats phones and cameras write, made with the libraries' own encoders
// (libheif, libjxl) and, for camera raw files, a DNG written with libtiff. Encode* return the
// file's bytes, or an empty string when the library refused.
#include <string>

#include "support/PictureWriter.h"

namespace testsupport {

// The pixel every writer below stores at (x, y) of frame `frame` of a width x height picture,
// before any orientation is applied: the gradient, its blue stepping by frame, and with alpha
// the right half at 96.
Rgba Pattern(int x, int y, int width, int height, int frame = 0, bool alpha = false);

struct Point {
  int x = 0, y = 0;
};
// Which pixel of a picture stored storedW x storedH shows at (x, y) once EXIF orientation
// `orientation` has turned it upright (2 mirrors left-right, 3 turns half way, 4 mirrors
// top-bottom, 5 mirrors along the main diagonal, 6 turns a quarter clockwise, 7 mirrors along
// the other diagonal, 8 turns a quarter anticlockwise).
Point StoredPixel(int orientation, int x, int y, int storedW, int storedH);

// ---- HEIF (HEIC with x265, AVIF with aom), lossy
struct HeifParams {
  int width = 0, height = 0;  // as stored; orientations 5 to 8 show it height x width
  bool avif = false;
  bool alpha = false;
  bool premultiplied = false;  // colours stored multiplied by alpha, and marked so
  int orientation = 1;         // EXIF numbering, written as the file's rotation and mirror boxes
  int thumbnailBox = 0;        // above 0: add a thumbnail fitting into a square of this side
  int quality = 90;
};
std::string EncodeHeif(const HeifParams& params);

// ---- JPEG XL, lossless unless a distance is given, so every pixel comes back as Pattern gave it
struct JxlParams {
  int width = 0, height = 0;  // as stored
  float distance = 0;         // above 0: lossy, at this distance (1 is visually lossless)
  bool progressive = false;   // lossy: an eighth-size pass first, then the detail
  bool alpha = false;
  int orientation = 1;  // EXIF numbering
  int frames = 1;       // more than one: an animation
  int ticksPerSecond = 100;
  int frameTicks = 10;  // each frame's duration
  int loops = 0;        // 0: forever
};
std::string EncodeJxl(const JxlParams& params);

// ---- DNG: a 16-bit RGGB sensor image (left half bright, right half dark) with, optionally, a
// preview in IFD0 and the sensor image in its SubIFD, as cameras and converters write them.
enum class DngPreview { None, Jpeg, Rgb8 };
struct DngParams {
  int width = 0, height = 0;  // the sensor image
  DngPreview preview = DngPreview::Jpeg;
  int previewWidth = 0, previewHeight = 0;  // the preview shows the gradient at this size
  int orientation = 1;                      // EXIF numbering, tag 274 of IFD0
};
std::string EncodeDng(const DngParams& params);

}  // namespace testsupport
