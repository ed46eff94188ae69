// Readers of Windows and OS/2 bitmap files (".BMP"): 1-, 4- and 8-bit
// indexed (uncompressed, RLE4, RLE8; delivered as 8-bit indexes), 16-bit
// (5-5-5, or 5-6-5 by bit fields), 24-bit and 32-bit files, with the
// OS/2, 40-byte, V2..V5 info headers; 16- and 32-bit pixels of other bit
// fields (4-4-4, 10-10-10, colours above an alpha field...) are delivered
// as 24-bit RGB, alpha dropped. And the PICT reader, which is recognised by
// type and refuses every file.
#pragma once

#include <cstdint>

#include "engine/image/ImageRegistry.h"

class VBMPImageReader : public VImageReader {
 public:
  using VImageReader::VImageReader;
  // 0, or -1 for a file that is not a BMP this reader handles (bad magic,
  // unknown header size, zero width or height, an unsupported depth or
  // compression, a palette that runs past the file).
  int32_t ReadHeader() override;
  // 0, or -1 for a wrong target depth, short data or a bad RLE stream.
  int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) override;

 private:
  int32_t ReadPackedRows(PixelMap& target);
  int32_t ReadRunLength(PixelMap& target);
  // Pixels of other bit fields, scaled to 8 bits a component.
  int32_t ReadMaskedRows(PixelMap& target);

  uint32_t imageByteCount_ = 0;
  uint8_t bottomUp_ = 1;
  uint32_t compression_ = 0;
  int32_t bitCount_ = 0;
  int64_t dataOffset_ = 0;
  bool masked_ = false;       // other bit fields: ReadMaskedRows
  uint32_t masks_[3] = {};    // red, green, blue
};

class VPICTImageReader : public VImageReader {
 public:
  using VImageReader::VImageReader;
  int32_t ReadHeader() override { return -1; }
  int32_t ReadImage(PixelMap&, int32_t flags, int32_t, int32_t) override { return (flags & kReadPixels) ? -1 : 0; }
};
