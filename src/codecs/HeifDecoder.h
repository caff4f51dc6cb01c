#pragma once
// HEIF pictures (HEVC-coded HEIC and AV1-coded AVIF) into a Picture: the file's primary image
// with its rotation, mirroring and cropping applied, alpha kept.

#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

// False when nothing could be decoded; a file cut short decodes nothing. With a fit hint, a
// thumbnail stored in the file that still covers the fitted view (same shape, same alpha) is
// decoded instead of the primary image; fullWidth/fullHeight keep the primary image's size.
bool DecodeHeif(Bytes bytes, Picture& out, const DecodeOptions& options = {});

}  // namespace codecs
