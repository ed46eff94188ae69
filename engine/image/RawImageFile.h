// The engine's own picture format ("RIX ", also handed "RIW "): a table of
// 58-byte frame descriptors followed by each frame's pixel rows, alpha
// levels, mask rows and colour table, blocks shared between frames written
// once. All values little-endian; offsets count from the start of the medium.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/image/ImageRegistry.h"

class VAlphaChannel;
class VMask;

// The 58-byte frame descriptor, decoded.
struct RawFrameDescriptor {
  static constexpr int32_t kSize = 58;

  int16_t framesRemaining = 0;
  int16_t width = 0;
  int16_t height = 0;  // negative: rows stored bottom row first
  int16_t originX = 0;
  int16_t originY = 0;
  int16_t visible = 1;
  int16_t depth = 0;
  int32_t pixelByteCount = 0;
  int32_t pixelOffset = 0;
  int32_t alphaByteCount = 0;
  int32_t alphaField = 0;  // offset, or a media id when the count is 0
  int32_t maskByteCount = 0;
  int32_t maskField = 0;   // offset, or a media id when the count is 0
  int32_t colorTableByteCount = 0;
  int32_t colorTableOffset = 0;
  uint8_t transparencyFlags = 0;  // 1 key index, 2 key colour, 4 level
  uint8_t level = 63;
  uint8_t keyIndex = 0;
  VRGBColor keyColor;
  int16_t stackedFrameCount = 1;
  int16_t pixelFormat = 0;

  void Decode(const uint8_t* bytes);
  void Encode(uint8_t* bytes) const;
  // The frame's rectangle within the picture (empty for a bad size).
  VRect GetRect() const;
};

class VRawImageReader : public VImageReader {
 public:
  using VImageReader::VImageReader;
  ~VRawImageReader() override;

  // 0, or -1 for a count below 1 or a short table.
  int32_t ReadHeader() override;
  // 0, or -1 (see the .cpp: bad frame number, bad descriptor, data outside
  // the medium, short reads).
  int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) override;
  // -1: the union of the visible frames; -2: the overall bounds; a frame:
  // (0, 0, width, |height|); anything else all 0.
  void GetFrameBounds(VRect& out, int32_t frame) override;

  const std::vector<RawFrameDescriptor>& GetDescriptors() const { return frames_; }

 private:
  int32_t ReadFrame(PixelMap& target, int32_t index, bool intoTarget, int32_t flags, bool compose);

  std::vector<RawFrameDescriptor> frames_;
  std::vector<VAlphaChannel*> alphaChannels_;  // per frame, for sharing (not counted)
  std::vector<VMask*> masks_;                  // per frame, for sharing (not counted)
  VRect bounds_;
};

class VRawImageWriter : public VImageWriter {
 public:
  using VImageWriter::VImageWriter;

  // Notes the start and writes the frame table for the chain from `map`
  // (frames from the selection on; -1 and -2 mean all). 0 or -1.
  int32_t WriteImagePrepared(PixelMap& map, int32_t flags, int32_t frameSelection, int32_t argument,
                             int32_t stackedFrameCount) override;
  // Writes the blocks (only with reader flag 1) and completes the table;
  // the file is left at the end of the data. 0 or -1.
  int32_t WriteImageData(PixelMap& map, int32_t flags, int32_t frameSelection, int32_t argument,
                         int32_t stackedFrameCount) override;

  void SetAlphaMediaId(uint16_t id) { alphaMediaId_ = id; }
  void SetMaskMediaId(uint16_t id) { maskMediaId_ = id; }

 private:
  std::vector<PixelMap*> SelectFrames(PixelMap& map, int32_t frameSelection) const;

  int64_t start_ = 0;
  uint16_t alphaMediaId_ = 0;
  uint16_t maskMediaId_ = 0;
  std::vector<RawFrameDescriptor> table_;
};
