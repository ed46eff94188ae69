// Reader of GIF files ("GIFf"): every image of the file decoded into one
// 8-bit map, the images stacked vertically as frames of the logical screen's
// size (later images completed from the frame before them), or one selected
// frame alone; the global and local colour tables merged into one palette
// of at most 256 colours, and the first image's transparent index as the
// key index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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
  // -2 and -1: every frame, stacked (at most kMaxImagePixels together);
  // k >= 0: frame k alone, one screen high, made from the images up to k
  // (the later ones are never decoded). Refused: a frame the file lacks, an
  // image larger than its compressed data can yield, or a screen far larger
  // than every image drawn on it.
  int32_t SelectFrames(int32_t frameSelection) override;

 private:
  // Where each image of the file lies, as ReadHeader found it.
  struct ImageRecord {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t codeSize = 0;
    int64_t dataBytes = 0;  // its LZW data, with the sub-block size bytes
  };

  // Merges RGB triples into the palette and fills the remap table.
  void MergeColors(const uint8_t* rgb, int32_t count, uint8_t* remap);
  // Passes data sub-blocks from `pos`; the position after the terminator, or
  // 0 when the data ends first.
  size_t SkipSubBlocks(size_t pos) const;

  uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t firstBlock_ = 0;
  std::vector<ImageRecord> images_;
  int32_t selectedFrame_ = -1;  // -1: every frame stacked
  int32_t screenWidth_ = 0;
  int32_t screenHeight_ = 0;
  uint8_t globalRemap_[256] = {};
  uint8_t localRemap_[256] = {};
};
