#include "DecoderTarget.h"
#include "codecs/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzDecoder(data, size, codecs::DecodeBmp);
}
