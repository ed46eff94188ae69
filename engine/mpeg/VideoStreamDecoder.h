// Decodes a video elementary stream picture by picture and hands the
// pictures out in display order (reference pictures held back until the
// next one arrives), catching the errors of the decoding steps.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/mpeg/VMPVDecoder.h"

class VBitstream;

class VideoStreamDecoder {
 public:
  using PicturePtr = VMPVDecoder::PicturePtr;

  explicit VideoStreamDecoder(VBitstream& bitstream, int32_t poolSize = 4);

  // Finds and parses the first sequence header; false when the data holds none
  // or it is unusable (GetStartError then says why, when the header was found).
  bool Start();
  const std::string& GetStartError() const { return startError_; }
  // The next picture in display order, or null at the end of the stream.
  PicturePtr Next();

  const VMPVDecoder& GetDecoder() const { return decoder_; }
  // Pictures that could not be decoded (bad headers, missing references).
  int32_t GetPictureErrorCount() const { return pictureErrors_; }

 private:
  // Decodes the next picture in decoding order; null at the end.
  PicturePtr DecodeNext();

  VBitstream& bitstream_;
  VMPVDecoder decoder_;
  int32_t poolSize_;
  PicturePtr held_;  // the last reference picture, shown when the next one comes
  bool started_ = false;
  bool ended_ = false;
  int32_t pictureErrors_ = 0;
  std::string startError_;
};
