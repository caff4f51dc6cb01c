#pragma once
// What a formats module hands the program: its decoders, behind one entry point. There are two:
// the common formats' (PNG, GIF, WebP, TIFF), whose libraries load in a few milliseconds, and
// the rarer ones' (HEIF/AVIF, JPEG XL, raw), whose libraries take several times as long. Each
// module's table holds its own decoders and null for the other's.
#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

inline constexpr const char* kCommonFormatsModuleName = "sortivo-common-formats.so";
inline constexpr const char* kFormatsModuleName = "sortivo-formats.so";
inline constexpr const char* kFormatsModuleEntry = "SortivoFormatsModule";
// Raised whenever the table below changes, so that a module of another build is refused.
inline constexpr int kFormatsModuleVersion = 2;

using ModuleDecoder = bool (*)(Bytes, Picture&, const DecodeOptions&);

struct FormatsModule {
  int version;
  ModuleDecoder png, gif, webp, tiff;  // the common formats' module
  ModuleDecoder heif, heifThumbnail, jxl, raw;
};

}  // namespace codecs
