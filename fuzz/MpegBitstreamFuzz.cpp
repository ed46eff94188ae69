// Fuzz target: the bit reader over a ring of a chosen size with refills of a
// chosen length, driven by a list of operations at the start of the input;
// every read must come back in stream order.
#include <cstdint>
#include <cstdlib>

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VMemoryBitstream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 18) return 0;
  const uint32_t ring = 4u + data[0];
  const size_t chunk = data[1] ? data[1] : SIZE_MAX;
  const uint8_t* ops = data + 2;
  const uint8_t* stream = data + 18;
  const size_t length = size - 18;
  VMemoryBitstream bs(stream, length, ring, chunk);
  uint64_t position = 0;  // bits read so far
  auto bitAt = [&](uint64_t bit) -> uint32_t {
    const uint64_t byte = bit >> 3;
    return byte < length ? (stream[byte] >> (7 - (bit & 7))) & 1u : 0u;
  };
  try {
    for (int round = 0; round < 64; ++round) {
      const uint8_t op = ops[round & 15];
      const int n = 1 + (op & 31);
      switch (op >> 5) {
        case 0:
        case 1:
        case 2: {
          const uint32_t value = bs.ReadBits(n);
          for (int i = 0; i < n; ++i)
            if (((value >> (n - 1 - i)) & 1u) != bitAt(position + static_cast<uint64_t>(i))) std::abort();
          position += static_cast<uint64_t>(n);
          break;
        }
        case 3:
          bs.PeekBits(n);
          break;
        case 4:
          // Runs to the end of the data when there is no start code; the
          // position is no longer tracked afterwards.
          try {
            bs.NextStartCode();
          } catch (const VBitstreamEmptyException&) {
          }
          return 0;
        case 5:
          bs.SetBufferSize(4u + op);
          break;
        default:
          bs.SkipBits(n);
          position += static_cast<uint64_t>(n);
          break;
      }
    }
  } catch (const VBitstreamEmptyException&) {
    // Only past the end of the data (and its padding).
    if (position + 32 < uint64_t{length} * 8) std::abort();
  }
  return 0;
}
