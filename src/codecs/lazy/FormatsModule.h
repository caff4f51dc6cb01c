#pragma once
// What the formats module hands the program: its decoders, behind one entry point.
#include "codecs/DecodeOptions.h"
#include "codecs/Picture.h"

namespace codecs {

inline constexpr const char* kFormatsModuleName = "sortivo-formats.so";
inline constexpr const char* kFormatsModuleEntry = "SortivoFormatsModule";
// Raised whenever the table below changes, so that a module of another build is refused.
inline constexpr int kFormatsModuleVersion = 1;

struct FormatsModule {
  int version;
  bool (*heif)(Bytes, Picture&, const DecodeOptions&);
  bool (*heifThumbnail)(Bytes, Picture&, const DecodeOptions&);
  bool (*jxl)(Bytes, Picture&, const DecodeOptions&);
  bool (*raw)(Bytes, Picture&, const DecodeOptions&);
};

}  // namespace codecs
