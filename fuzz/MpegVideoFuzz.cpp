// Fuzz target: an MPEG video elementary stream decoded picture by picture in
// display order (refills of a length and a ring of a size chosen by the first
// byte: small rings for the careful reading near the ring's end, large ones
// for the reading straight from the ring), each picture converted into small
// 16- and 32-bit buffers.
#include <cstdint>
#include <vector>

#include "engine/graphics/PixelMap.h"
#include "engine/mpeg/VMemoryBitstream.h"
#include "engine/mpeg/VideoStreamDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t chunk = (data[0] & 15) ? (data[0] & 15) : SIZE_MAX;
  const int32_t pool = 4 + ((data[0] >> 4) & 3);
  VMemoryBitstream bitstream(data + 1, size - 1, 64u << (3 * ((data[0] >> 6) & 3)), chunk);
  VideoStreamDecoder decoder(bitstream, pool);
  if (!decoder.Start()) return 0;
  std::vector<uint8_t> pixels(40 * 24 * 4);
  int32_t pictures = 0;
  while (auto picture = decoder.Next()) {
    for (int32_t depth : {16, 32}) {
      PixelBuffer buffer;
      buffer.pixels = pixels.data();
      buffer.width = 40;
      buffer.height = 24;
      buffer.depth = depth;
      buffer.rowBytes = 40 * depth / 8;
      buffer.bottomUp = depth == 16;
      buffer.pixelFormat = static_cast<uint16_t>(GetDefaultPixelFormat(depth));
      picture->ConvertToPixels(buffer, 3, 2, 64, 64);
    }
    if (++pictures > 200) break;
  }
  return 0;
}
