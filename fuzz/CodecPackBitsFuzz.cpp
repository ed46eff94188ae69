// Fuzz target: PackBits rows over arbitrary bytes, with a step and row
// length from the input, decoded row after row until the source runs out.
#include <cstdint>
#include <vector>

#include "engine/image/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t step = 1 + data[0] % 4;
  const int32_t samples = data[1] % 200;
  std::vector<uint8_t> source(data + 2, data + size);
  std::vector<uint8_t> destination(static_cast<size_t>(samples * step * 3 + 1));
  const uint8_t* src = source.data();
  uint8_t* dst = destination.data();
  VPackBitsCodec codec(&src, source.data() + source.size(), &dst, destination.data() + destination.size(), step);
  for (int row = 0; row < 4; ++row)
    if (codec.Decode(samples) == 0) break;
  return 0;
}
