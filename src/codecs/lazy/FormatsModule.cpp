// The module's side: the decoders as the core builds them, resolved here, inside the module.
// Built twice: with SORTIVO_COMMON_FORMATS for the common formats' module.
#include "codecs/lazy/FormatsModule.h"

#ifdef SORTIVO_COMMON_FORMATS
#include "codecs/GifDecoder.h"
#include "codecs/PngDecoder.h"
#include "codecs/TiffDecoder.h"
#include "codecs/WebpDecoder.h"
#else
#include "codecs/HeifDecoder.h"
#include "codecs/JxlDecoder.h"
#include "codecs/RawDecoder.h"
#endif

extern "C" __attribute__((visibility("default"))) const codecs::FormatsModule*
SortivoFormatsModule() {
  using namespace codecs;
#ifdef SORTIVO_COMMON_FORMATS
  static const FormatsModule module{.version = kFormatsModuleVersion,
                                    .png = &DecodePng,
                                    .gif = &DecodeGif,
                                    .webp = &DecodeWebp,
                                    .tiff = &DecodeTiff};
#else
  static const FormatsModule module{.version = kFormatsModuleVersion,
                                    .heif = &DecodeHeif,
                                    .heifThumbnail = &DecodeHeifThumbnail,
                                    .jxl = &DecodeJxl,
                                    .raw = &DecodeRaw};
#endif
  return &module;
}
