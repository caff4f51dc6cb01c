#include "DecoderTarget.h"
#include "codecs/HeifDecoder.h"

// One input in three goes the way of a stand-in: the file's thumbnail, at the picture's size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzDecoder(data, size, size % 3 == 0 ? codecs::DecodeHeifThumbnail : codecs::DecodeHeif);
}
