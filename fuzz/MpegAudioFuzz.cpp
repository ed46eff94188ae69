// Fuzz target: arbitrary bytes as an MPEG audio elementary stream, decoded
// whole, and decoded again with the bytes arriving a few at a time while a
// reader takes samples out of the ring between frames.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/mpeg/LayerIIFile.h"
#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VMPADecoder.h"
#include "engine/mpeg/VMemoryBitstream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DecodedSound sound;
  std::string error;
  DecodeLayerIIBytes(data, size, sound, error);

  // Small refills: frames are found and decoded only once they are whole.
  VMemoryBitstream bits(data, size, 4096, 1 + size % 61);
  VMPADecoder decoder(&bits, 0.1f, 0.1f);
  try {
    for (int step = 0; step < 100000; ++step) {
      bits.Fill(0);
      const int32_t result = decoder.DecodeFrame();
      int32_t frames = 700;
      bool failed = false;
      decoder.Decode(nullptr, frames, decoder.GetFormat(), failed);
      if (result == kMPANeedMoreData && bits.IsSourceEnded() && decoder.GetAvailable() == 0) break;
    }
  } catch (const VBitstreamEmptyException&) {
  } catch (const VMPEGException&) {
  }
  return 0;
}
