// What the application's audio set-up asks for (VApplication::SetupAudio and
// VMediaServices::SetupAudio). The defaults are the sound layer's default
// format (22050 Hz, 16 bits, mono), the output device at priority level and
// 16 volume levels in the mixer.
#pragma once

#include <cstdint>

#include "engine/sound/AudioFormat.h"

struct AudioSetup {
  VAudioFormat format;        // the output device's format
  bool priorityLevel = true;  // the device takes the output at priority level
  int32_t levelCount = 16;    // the mixer's volume levels
};
