// The interface through which an audio device asks for its next block of
// mixed samples.
#pragma once

#include <cstdint>

#include "engine/sound/AudioFormat.h"

class VAudioCallback {
 public:
  virtual ~VAudioCallback() = default;
  // Mixes `frames` frames of the format into `buffer` (null: the callee's own
  // block) and returns them, or null when nothing can be mixed. With `add`
  // and a buffer the mix is added to the buffer's contents.
  virtual uint8_t* FillBuffer(uint8_t* buffer, const VAudioEncodingFormat& format, int32_t frames, bool add) = 0;
};
