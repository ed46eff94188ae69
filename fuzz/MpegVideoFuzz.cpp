// Fuzz target: an MPEG video elementary stream decoded picture by picture in
// display order (refills of a length and a ring of a size chosen by the first
// byte: small rings for the careful reading near the ring's end, large ones
// for the reading straight from the ring), each picture converted at 16 and
// 32 bits into a buffer of exactly its own size, as the tool and the movie
// control do (so that reading past a small picture's last line is caught),
// then into a small buffer at an offset.
#include <cstdint>
#include <memory>

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
  int32_t pictures = 0;
  const auto convert = [&](const VMPVPicture& picture, int32_t width, int32_t height, int32_t depth, int32_t left,
                           int32_t top) {
    PixelBuffer buffer;
    buffer.width = width;
    buffer.height = height;
    buffer.depth = depth;
    buffer.rowBytes = width * depth / 8;
    // Exactly the rows of the buffer, on storage of its own.
    const auto pixels = std::make_unique<uint8_t[]>(static_cast<size_t>(buffer.rowBytes) * static_cast<size_t>(height));
    buffer.pixels = pixels.get();
    buffer.bottomUp = depth == 16;
    buffer.pixelFormat = static_cast<uint16_t>(GetDefaultPixelFormat(depth));
    picture.ConvertToPixels(buffer, left, top, width, height);
  };
  while (auto picture = decoder.Next()) {
    for (int32_t depth : {16, 32}) {
      if (picture->width > 0 && picture->height > 0)
        convert(*picture, picture->width, picture->height, depth, 0, 0);
      convert(*picture, 40, 24, depth, 3, 2);
    }
    if (++pictures > 200) break;
  }
  return 0;
}
