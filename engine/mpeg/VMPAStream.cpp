// The audio stream face of the MPEG audio decoder.
#include "engine/mpeg/VMPAStream.h"

#include "engine/mpeg/VMPADecoder.h"

VMPAStream::VMPAStream(VMPADecoder* decoder) : decoder_(decoder) {
  format_ = decoder ? decoder->GetFormat() : VAudioEncodingFormat();
  format_.formatTag = kAudioTagMPEGAudio;
}

VAudioDecoder* VMPAStream::CreateDecoder() { return decoder_; }

uint8_t* VMPAStream::ReadSamples(uint8_t*, int32_t& bytes, bool& failed) {
  bytes = 0;
  failed = false;
  return nullptr;
}

bool VMPAStream::IsFinished() const { return decoder_ ? decoder_->IsAtEnd() : true; }
