// The EXIF orientation reader over arbitrary bytes taken as each container in turn, and as a
// bare EXIF block.
#include <cstddef>
#include <cstdint>

#include "codecs/ExifOrientation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const codecs::Bytes bytes(data, size);
  int sum = codecs::ExifOrientation(bytes);
  for (codecs::Bytes (*find)(codecs::Bytes) :
       {codecs::FindJpegExif, codecs::FindPngExif, codecs::FindWebpExif}) {
    const codecs::Bytes block = find(bytes);
    // A found block must lie inside the input.
    if (!block.empty() && (block.data() < data || block.data() + block.size() > data + size))
      __builtin_trap();
    sum += codecs::ExifOrientation(block);
  }
  return sum < 4 || sum > 32 ? (__builtin_trap(), 0) : 0;
}
