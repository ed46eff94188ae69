// Reader of Targa files ("TPIC"): true-colour 15/16-, 24- and 32-bit pixels
// (the fourth byte lands in the unused byte), colour-mapped and grey 8-bit
// pixels and grey pixels with an 8-bit alpha (delivered as indexes with the
// colour map or a grey ramp as the palette; alpha is dropped); uncompressed
// or run-length; rows bottom-up unless the descriptor's top-down bit is set.
#pragma once

#include <cstdint>

#include "engine/image/ImageRegistry.h"

class VTargaImageReader : public VImageReader {
 public:
  using VImageReader::VImageReader;
  // 0, or -1 for a short header, an unsupported image type, depth or
  // descriptor, or zero width or height.
  int32_t ReadHeader() override;
  // 0, or -1 for a wrong target depth, short data or a bad run-length stream.
  int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) override;

 private:
  uint8_t bottomUp_ = 1;
  uint8_t runLength_ = 0;
  int32_t fileDepth_ = 0;  // bits per stored pixel
  bool greyAlpha_ = false;  // 16-bit grey pixels: grey byte, then alpha
  int64_t dataOffset_ = 0;
};
