#pragma once
// HEIF pictures (HEVC-coded HEIC and AV1-coded AVIF) into a Picture: the file's primary image
// with its rotation, mirroring and cropping applied, alpha kept.

#include <cstdint>

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when nothing could be decoded; a file cut short decodes nothing. With a fit hint, a
// thumbnail stored in the file that still covers the fitted view (same shape, same alpha) is
// decoded instead of the primary image; fullWidth/fullHeight keep the primary image's size.
bool DecodeHeif(Bytes bytes, Picture& out, const DecodeOptions& options = {});

// The largest thumbnail the file holds for its primary image, up to kThumbnailStandInPixels,
// of the primary's shape (and with alpha where it has alpha), turned as the file says: what can
// be shown at once while the primary image itself takes long to decode. fullWidth/fullHeight
// are the primary image's size. False when the file holds no such thumbnail, or decodes nothing.
constexpr std::int64_t kThumbnailStandInPixels = std::int64_t{1} << 20;
bool DecodeHeifThumbnail(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
