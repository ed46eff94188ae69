// Reader of Photoshop files ("8BPS", version 1): the merged image of RGB,
// CMYK (24-bit output), indexed, greyscale and duotone files (8-bit output),
// 8 or 16 bits per channel, raw or PackBits; each layer as a frame with its
// rectangle, opacity and transparency channel; frame -1 is the merged image,
// or, with alpha channels asked for, the visible layers composited with
// their combined transparency.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/VBigEndianFile.h"
#include "engine/image/ImageRegistry.h"

class VAlphaChannel;

class VPhotoshopImageReader : public VImageReader {
 public:
  // Results of ReadHeader and ReadImage.
  enum Result : int32_t {
    kBadHeader = 1,
    kBadColorModeData = 2,
    kBadResources = 3,
    kBadLayerSection = 4,
    kBadCompression = 5,
    kBadLayerRecords = 6,
    kBadGlobalMask = 7,
    kBadChannelData = 10,
    kTargetTooSmall = 12,
    kNoMemory = 14,
  };

  // Reads through a big-endian file of its own on the given file's object
  // and window.
  explicit VPhotoshopImageReader(VFile* file);

  // Once; later calls return 0. 0 or one of the results above (an
  // unsupported mode or channel depth is a bad header).
  int32_t ReadHeader() override;
  // 0, -1 for a wrong depth or frame (or short row counts), else a result above.
  int32_t ReadImage(PixelMap& target, int32_t flags, int32_t frame, int32_t frameCountMode) override;
  // Refuses a layer the file does not have (0 without layers is the whole
  // image), saying so when the layers were dropped as damaged.
  int32_t SelectFrames(int32_t frameSelection) override;
  // -1 (and 0 without layers): the whole image; a layer: its rectangle; else all 0.
  void GetFrameBounds(VRect& out, int32_t frame) override;
  int32_t GetWidth(int32_t frame) override;
  int32_t GetHeight(int32_t frame) override;

 private:
  struct Channel {
    int16_t id = 0;
    int64_t offset = 0;  // absolute position of its compression word
    int64_t length = 0;
  };
  struct Layer {
    VRect rect;  // top, left, bottom, right as stored
    std::vector<Channel> channels;
    uint8_t opacity = 255;
    uint8_t visible = 1;
  };

  // Reads the layer records (0, or kBadLayerRecords when they are damaged
  // or promise more than their channel data holds).
  int32_t ReadLayerInfo(int64_t sectionEnd);
  bool LayerIsBacked(const Layer& layer) const;
  // Whether the merged image data at its position can fill the picture the
  // header describes (0), before any picture is made for it.
  int32_t CheckMergedData();
  // Colour planes of the mode: 4 CMYK, 3 RGB, else 1.
  int32_t PlaneCount() const;
  // Reads one plane of width x rows samples at the file's position into
  // `plane`; `rowCounts` holds the PackBits byte count of each row.
  int32_t ReadPlane(uint8_t* plane, int32_t width, int32_t rows, int32_t compression, const uint16_t* rowCounts);
  int32_t ReadMerged(PixelMap& target);
  int32_t ReadLayer(PixelMap& target, int32_t index, bool transparency);
  int32_t ReadComposite(PixelMap& target);
  // Writes colour planes (1, 3 or 4 of width x rows) into the target.
  void StorePlanes(PixelMap& target, const std::vector<std::vector<uint8_t>>& planes, int32_t width, int32_t rows);

  VBigEndianFile bigFile_;
  uint8_t header_[26] = {};
  std::vector<Layer> layers_;
  bool headerRead_ = false;
  bool layersDropped_ = false;  // damaged layer records, merged image only
  bool mergedTransparency_ = false;
  int64_t mergedPosition_ = 0;
  int32_t channels_ = 0;
  int32_t bitsPerChannel_ = 8;
  int32_t mode_ = 0;
};
