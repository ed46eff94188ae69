// The adaptive predictor of RAR 2.0 audio blocks: per channel, the next byte
// is predicted from the last byte and the last deltas (its own and the
// previous channel's) with five coefficients that adapt every 32 bytes. A
// decoder turns each coded delta into a byte; an encoder asks which delta
// gives the byte it wants. Both move the state on the same way.
#pragma once

#include <cstdint>

class Rar20AudioPredictor {
 public:
  static constexpr int kMaxChannels = 4;

  // Back to the state at the start of a stream.
  void Reset();
  // The byte the coded delta gives on the channel (0..3), with the state
  // moved on.
  uint8_t Decode(int channel, int delta);
  // The coded delta that makes Decode give `byte` on the channel, with the
  // state moved on as Decode moves it.
  int Encode(int channel, uint8_t byte);

 private:
  struct Channel {
    int k[5] = {};
    int d[4] = {};
    int lastDelta = 0;
    uint32_t errors[11] = {};
    uint32_t byteCount = 0;
    int lastByte = 0;
  };

  // The prediction Decode makes for the channel's next byte.
  int PredictNext(int channel) const;

  Channel channels_[kMaxChannels];
  int channelDelta_ = 0;
};
