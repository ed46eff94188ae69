// A decoded video frame: YCbCr planes with what the decoder and whoever shows
// the pictures note on it.
#pragma once

#include <cstdint>

#include "engine/mpeg/VYCbCrPicture.h"

// picture_coding_type: intra, predicted, bidirectionally predicted and
// DC-only pictures.
inline constexpr int32_t kPictureI = 1;
inline constexpr int32_t kPictureP = 2;
inline constexpr int32_t kPictureB = 3;
inline constexpr int32_t kPictureD = 4;

class VMPVPicture : public VYCbCrPicture {
 public:
  VMPVPicture(int32_t mbWidth, int32_t mbHeight, int32_t chromaFormat, VYCbCrColorTable* colorTable)
      : VYCbCrPicture(mbWidth, mbHeight, chromaFormat, colorTable) {}

  // Interlaced frames (neither the sequence nor the frame progressive)
  // convert the first field and interpolate the other.
  bool ConvertToPixels(const PixelBuffer& destination, int32_t left, int32_t top, int32_t width,
                       int32_t height) const override {
    if (!progressiveSequence && !progressiveFrame)
      return ConvertFieldToPixels(destination, left, top, width, height, bottomFieldFirst);
    return VYCbCrPicture::ConvertToPixels(destination, left, top, width, height);
  }

  bool inUse = false;     // held by the decoder as the current or a reference picture
  bool queued = false;    // waiting for display
  uint8_t progressiveSequence = 1;
  uint8_t progressiveFrame = 1;
  uint8_t repeatFirstField = 0;
  uint8_t bottomFieldFirst = 0;
  int32_t displayCount = 0;
  int32_t pictureStructure = 3;
  int32_t pictureCodingType = 0;  // kPictureI ... kPictureD; 0 before a header is read
  int32_t temporalReference = 0;
  // The visible size of the sequence the picture belongs to.
  int32_t width = 0;
  int32_t height = 0;
};
