// Display ordering and error recovery around the video decoder.
#include "engine/mpeg/VideoStreamDecoder.h"

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/VBitstream.h"

VideoStreamDecoder::VideoStreamDecoder(VBitstream& bitstream, int32_t poolSize)
    : bitstream_(bitstream), poolSize_(poolSize < 4 ? 4 : poolSize) {}

bool VideoStreamDecoder::Start() {
  try {
    decoder_.StartSequence(&bitstream_);
    decoder_.AllocatePictures(poolSize_);
    started_ = true;
  } catch (const VBitstreamEmptyException&) {
    return false;
  } catch (const VMPEGException& e) {
    startError_ = e.what();
    return false;
  }
  return true;
}

VideoStreamDecoder::PicturePtr VideoStreamDecoder::DecodeNext() {
  while (started_ && !ended_) {
    try {
      if (!decoder_.ReadHeaders()) {
        ended_ = true;
        break;
      }
      decoder_.ParsePictureHeader();
      const bool decodable = decoder_.CanDecodePicture();
      if (!decodable) ++pictureErrors_;
      decoder_.DecodeOrSkipPicture(decodable);
      // A frame of two field pictures is ready after its second field.
      if (decodable && !decoder_.IsSecondFieldPending()) return decoder_.GetCurrentPicture();
    } catch (const VBitstreamEmptyException&) {
      ended_ = true;
    } catch (const VMPEGException&) {
      ++pictureErrors_;
      try {
        bitstream_.NextStartCode();
      } catch (const VBitstreamEmptyException&) {
        ended_ = true;
      }
    }
  }
  return nullptr;
}

VideoStreamDecoder::PicturePtr VideoStreamDecoder::Next() {
  for (;;) {
    PicturePtr picture = DecodeNext();
    if (!picture) {
      PicturePtr last = std::move(held_);
      held_.reset();
      return last;
    }
    if (picture->pictureCodingType == kPictureB || picture->pictureCodingType == kPictureD) return picture;
    // A reference picture is shown when the next reference picture arrives.
    PicturePtr shown = std::move(held_);
    held_ = std::move(picture);
    if (shown) return shown;
  }
}
