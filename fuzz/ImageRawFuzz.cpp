// Fuzz target: arbitrary bytes read as a raw image file ("RIX ") through the
// reader registry, and as raw alpha data ("RAX ") through an alpha channel.
#include <cstdint>

#include "ImageFuzzSupport.h"
#include "engine/core/MediaTypes.h"
#include "engine/graphics/VAlphaChannel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!imagefuzz::WriteScratch("rix", data, size)) return 0;
  imagefuzz::ReadAllWays("rix", MakeTypeCode("RIX "));
  auto* channel = new VAlphaChannel(VFileSpec(imagefuzz::ScratchPath("rix")), MakeTypeCode("RAX "));
  VRect content;
  channel->FindContentBounds(content);
  channel->Release();
  return 0;
}
