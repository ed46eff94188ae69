// Fuzz target: arbitrary bytes read as GIF files through the reader registry
// at several load depths, reader flags and frame selections.
#include <cstdint>

#include "ImageFuzzSupport.h"
#include "engine/core/MediaTypes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!imagefuzz::WriteScratch("gif", data, size)) return 0;
  imagefuzz::ReadAllWays("gif", MakeTypeCode("GIFf"));
  return 0;
}
