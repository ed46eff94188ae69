// Fuzz target: BMP RLE8 over arbitrary bytes (see BitmapRunLengthFuzz.h).
#include <cstddef>
#include <cstdint>

#include "BitmapRunLengthFuzz.h"
#include "engine/image/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return FuzzBitmapRunLength<VRunLengthCodec>(data, size);
}
