// An audio stream over an MPEG audio decoder, so a mixer channel plays the
// decoded ring like any other sound. The decoder is not owned.
#pragma once

#include "engine/sound/AudioStream.h"

class VMPADecoder;

class VMPAStream : public VAudioStream {
 public:
  explicit VMPAStream(VMPADecoder* decoder);

  // The stream's decoder (not a new one); handing it back does nothing.
  VAudioDecoder* CreateDecoder() override;
  void ReleaseDecoder(VAudioDecoder*) override {}
  // The decoder reads the bit stream, not the stream: nothing here.
  uint8_t* ReadSamples(uint8_t* destination, int32_t& bytes, bool& failed) override;
  bool IsFinished() const override;

  VMPADecoder* GetDecoder() const { return decoder_; }

 private:
  VMPADecoder* decoder_;
};
