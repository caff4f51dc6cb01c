// The module's side: the decoders as the core builds them, resolved here, inside the module.
#include "codecs/lazy/FormatsModule.h"

#include "codecs/HeifDecoder.h"
#include "codecs/JxlDecoder.h"
#include "codecs/RawDecoder.h"

extern "C" __attribute__((visibility("default"))) const codecs::FormatsModule*
SortivoFormatsModule() {
  static const codecs::FormatsModule module{codecs::kFormatsModuleVersion, &codecs::DecodeHeif,
                                            &codecs::DecodeHeifThumbnail, &codecs::DecodeJxl,
                                            &codecs::DecodeRaw};
  return &module;
}
