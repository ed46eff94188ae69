// Reader of GIF files ("GIFf"): every image of the file decoded into one
// 8-bit map, the images stacked vertically as frames of the logical screen's
// size (later images completed from the frame before them), the global and
// local colour tables merged into one palette of at most 256 colours, and
// the first image's transparent index as the key index.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/image/ImageRegistry.h"

class VGIFImageReader : public VImageReader {
 public:
  // Reads the whole file into memory (nothing when it is empty or the read
  // falls short; ReadHeader then fails).
  explicit VGIFImageReader(VFile* file);
  ~VGIFImageReader() override;

  // 0, or -1 without the file in memory, without the signature, with a zero
  // screen size, without any image, or with a block structure that runs past
  // the end of the file.
  int32_t ReadHeader() override;
  // 0, or -1 for a target that is not 8-bit or smaller than the stacked
  // frames, a block that is not an image or extension before an image, an
  // image whose data ends early, or frames missing.
  int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) override;

 private:
  // Merges RGB triples into the palette and fills the remap table.
  void MergeColors(const uint8_t* rgb, int32_t count, uint8_t* remap);
  // Passes data sub-blocks from `pos`; the position after the terminator, or
  // 0 when the data ends first.
  size_t SkipSubBlocks(size_t pos) const;

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t firstBlock_ = 0;
  int32_t screenWidth_ = 0;
  int32_t screenHeight_ = 0;
  uint8_t globalRemap_[256] = {};
  uint8_t localRemap_[256] = {};
};
