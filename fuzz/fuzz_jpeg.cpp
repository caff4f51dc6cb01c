#include "DecoderTarget.h"
#include "codecs/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzDecoder(data, size, codecs::DecodeJpeg);
}
