// Fuzz target: Targa run-length packets over arbitrary bytes at every depth
// and a total taken from the input.
#include <cstdint>
#include <vector>

#include "engine/image/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t total = 1 + data[0] * 16 + data[1] % 16;
  std::vector<uint8_t> source(data + 2, data + size);
  std::vector<uint8_t> destination(static_cast<size_t>(total));
  for (int32_t depth : {8, 15, 16, 24, 32}) {
    VTargaRLECodec codec(depth, source.data(), source.size(), destination.data());
    codec.Decode(total);
  }
  return 0;
}
