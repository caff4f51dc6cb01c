#pragma once
// Loading a picture file (its format decided by its first bytes), quarter turns of the picture
// on screen, and renaming a file whose extension does not fit its format.
#include <cstddef>
#include <functional>
#include <string>

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

// Codes 0-4 are stored and compared by other parts; new formats take new codes after them.
enum class PictureFormat : int {
  None = 0,
  Bmp = 1,
  Gif = 2,
  Jpeg = 3,
  Png = 4,
  Webp = 5,
  Heif = 6,  // HEIC and the other HEVC-coded HEIF brands
  Avif = 7,
  Jxl = 8,  // JPEG XL, bare codestream or container
  Tiff = 9,
  Raw = 10,  // a TIFF-structured camera raw (NEF, ARW, DNG, PEF ...), known by its extension
  Cr2 = 11,
  Cr3 = 12,
  Orf = 13,
  Rw2 = 14,
  Raf = 15,
};

// How many of a file's first bytes SniffPictureFormat looks at, at most (the HEIF/AVIF brands
// sit in the first box, the Fujifilm signature runs to byte 15).
constexpr std::size_t kSniffBytes = 64;

// What a failed or successful load does to the picture shown.
enum class PictureChange {
  Replace,  // the new picture is shown
  Keep,     // the previous picture stays (nothing recognised; a BMP, PNG or JPEG that failed)
  Empty,    // nothing is shown (a GIF that failed: the control was emptied before decoding)
};

struct LoadResult {
  PictureFormat format = PictureFormat::None;
  PictureChange change = PictureChange::Keep;
  Picture picture;  // the new picture when change is Replace
  // Given up for want of memory (the decode budget refused it, or an allocation failed): format
  // None like any failure, but the file may well be sound, and another try may succeed.
  bool outOfMemory = false;
};

// The format a file's first bytes name (up to kSniffBytes of them), or None (also for fewer
// than four bytes). A TIFF-structured camera raw other than CR2 sniffs as Tiff.
PictureFormat SniffPictureFormat(const std::string& firstBytes);
// How many of a file's first bytes SniffPictureFormat is given (fewer for a shorter file). The
// rest of the file is read only when they name a format.
inline constexpr std::size_t kSignatureBytes = 256;

// The format of the file at path, from its first bytes and, where they cannot tell a camera
// raw from a TIFF, from the path's extension: a TIFF named with a raw extension is Raw.
PictureFormat SniffPictureFile(const std::string& firstBytes, const std::string& path);

// Loads path. A missing file, one shorter than four bytes, an unknown signature, a file over
// the decode limits, a decoder failure and a decode out of memory all give format None. The
// decode's memory is claimed from options.budget (or the shared one) in options.budgetMode. A file
// that exists but cannot be read throws std::runtime_error naming the path. The picture comes
// upright: the EXIF orientation of a JPEG, PNG, WebP or TIFF is applied (the fit box of a
// reduced-scale decode is meant for the upright picture); the HEIF, JPEG XL and raw decoders turn
// their own.
LoadResult LoadPicture(const std::string& path, const codecs::DecodeOptions& options = {});

// Whether pictures of format may hold thumbnails of their own (HEIF and AVIF).
bool HoldsThumbnails(PictureFormat format);

// A stand-in for a HEIF or AVIF picture while its full decode is under way: the thumbnail the
// file holds (see codecs::DecodeHeifThumbnail), upright, with the picture's full size in
// fullWidth/fullHeight. Format None and change Keep for any other format (read no further than
// its first bytes) and for a file without a thumbnail. Errors as LoadPicture.
LoadResult LoadStandIn(const std::string& path, const codecs::DecodeOptions& options = {});

// The format the first bytes of the file at path name (only they are read); None when it cannot
// be read.
PictureFormat SniffPictureFileAt(const std::string& path);

// The decode hint for showing pictures in an area of areaWidth x areaHeight: no larger than the
// fit into it needs (the fit keeps 2 pixels clear on each side); full size in the original-size
// view, and for an area too small to fit anything into.
codecs::DecodeOptions DisplayDecodeOptions(int areaWidth, int areaHeight, bool originalSize);

// Loads path into control and returns its format: control follows LoadResult::change.
PictureFormat LoadPictureFile(const std::string& path, Picture& control,
                              const codecs::DecodeOptions& options = {});

// Quarter turns of every frame at the picture's own size; an empty picture is left alone.
// Clockwise: pixel (x, y) goes to (H - 1 - y, x); counter-clockwise: to (y, W - 1 - x).
void RotateClockwise(Picture& picture);
void RotateCounterClockwise(Picture& picture);

// Whether lowerExt (lower case, with the dot) is one the format may carry; false for None.
bool IsAcceptedExtension(PictureFormat format, const std::string& lowerExt);
// The extension a misnamed file of format is given (".jpg" for a JPEG); empty for None and Raw,
// which are never renamed.
std::string CorrectionExtension(PictureFormat format);

// What CorrectPictureExtension reports to the window and the picture list.
struct ExtensionCorrectionHooks {
  std::function<void()> markIncorrectExtension;            // status colour
  std::function<void(const std::string&)> replaceCurrent;  // the list's current entry
};

// When path's extension does not fit format: marks the status colour, then renames the file to
// the path with the format's extension, or failing that to the whole path with it appended
// (a JPEG named a.gif beside an a.jpg becomes a.gif.jpg). A rename never replaces an existing
// file. Returns the new path, or empty text when the file kept its name.
std::string CorrectPictureExtension(const std::string& path, PictureFormat format,
                                    const ExtensionCorrectionHooks& hooks);
