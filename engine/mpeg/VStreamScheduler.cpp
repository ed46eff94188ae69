// The scheduler base: flags, time offset and the step of a movie.
#include "engine/mpeg/VStreamScheduler.h"

#include "engine/mpeg/VBitstream.h"

VStreamScheduler::VStreamScheduler(uint32_t streamId, VBitstream* bitstream)
    : streamId_(streamId), bitstream_(bitstream) {}

VStreamScheduler::~VStreamScheduler() = default;

bool VStreamScheduler::Start() {
  endOfStream_ = false;
  return false;
}

bool VStreamScheduler::SetPlaying(bool playing) {
  const bool old = playing_;
  playing_ = playing;
  return old;
}

bool VStreamScheduler::Run(PixelMap* map, const VRect* rect) {
  Decode();
  const bool result = Present(map, rect);
  MarkStepTime();
  return result;
}
