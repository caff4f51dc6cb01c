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
  int version = 0;
  ModuleDecoder png = nullptr, gif = nullptr, webp = nullptr, tiff = nullptr;  // the common ones
  ModuleDecoder heif = nullptr, heifThumbnail = nullptr, jxl = nullptr, raw = nullptr;
};

}  // namespace codecs
