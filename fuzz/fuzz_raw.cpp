#include "DecoderTarget.h"
#include "codecs/RawDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzDecoder(data, size, codecs::DecodeRaw);
}
