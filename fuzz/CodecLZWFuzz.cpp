// Fuzz target: GIF LZW data sub-blocks over arbitrary bytes, decoded in
// pieces, then the walk to the terminator; and the encoder's output of the
// same bytes decoded back.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/image/Codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t codeSize = data[0] % 10;
  std::vector<uint8_t> stream(data + 1, data + size);
  {
    VLZWCodec codec(stream.data(), stream.data() + stream.size(), codeSize);
    std::vector<uint8_t> out(4096);
    for (int piece = 0; piece < 8; ++piece)
      if (codec.Decode(out.data(), 512, piece == 7) < 512) break;
    codec.SkipToEndOfData();
  }
  if (codeSize >= 2 && codeSize <= 8) {
    VLZWCodec encoder(nullptr, nullptr, codeSize);
    if (encoder.Encode(stream.data(), static_cast<int32_t>(stream.size()), true) < 0) return 0;
    std::vector<uint8_t> packed(encoder.GetEncoded(), encoder.GetEncoded() + encoder.GetEncodedLength());
    VLZWCodec decoder(packed.data(), packed.data() + packed.size(), codeSize);
    std::vector<uint8_t> back(stream.size() + 1);
    const int32_t n = decoder.Decode(back.data(), static_cast<int32_t>(stream.size()), true);
    const uint8_t mask = static_cast<uint8_t>((1u << codeSize) - 1);
    if (n != static_cast<int32_t>(stream.size())) std::abort();
    for (size_t i = 0; i < stream.size(); ++i)
      if (back[i] != (stream[i] & mask)) std::abort();
  }
  return 0;
}
