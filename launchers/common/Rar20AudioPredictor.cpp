#include "launchers/common/Rar20AudioPredictor.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

void Rar20AudioPredictor::Reset() {
  for (Channel& c : channels_) c = Channel();
  channelDelta_ = 0;
}

int Rar20AudioPredictor::PredictNext(int channel) const {
  const Channel& v = channels_[channel];
  // The deltas as Decode shifts them in before it predicts.
  const int d0 = v.lastDelta;
  const int d1 = v.lastDelta - v.d[0];
  const int prediction = 8 * v.lastByte + v.k[0] * d0 + v.k[1] * d1 + v.k[2] * v.d[1] + v.k[3] * v.d[2] +
                         v.k[4] * channelDelta_;
  return (prediction >> 3) & 0xFF;
}

uint8_t Rar20AudioPredictor::Decode(int channel, int delta) {
  const int prediction = PredictNext(channel);
  Channel& v = channels_[channel];
  v.byteCount++;
  v.d[3] = v.d[2];
  v.d[2] = v.d[1];
  v.d[1] = v.lastDelta - v.d[0];
  v.d[0] = v.lastDelta;
  const int byte = (prediction - delta) & 0xFF;
  const int e = static_cast<int>(static_cast<int8_t>(static_cast<uint8_t>(delta))) * 8;
  v.errors[0] += static_cast<uint32_t>(std::abs(e));
  for (int k = 0; k < 4; ++k) {
    v.errors[1 + 2 * k] += static_cast<uint32_t>(std::abs(e - v.d[k]));
    v.errors[2 + 2 * k] += static_cast<uint32_t>(std::abs(e + v.d[k]));
  }
  v.errors[9] += static_cast<uint32_t>(std::abs(e - channelDelta_));
  v.errors[10] += static_cast<uint32_t>(std::abs(e + channelDelta_));
  channelDelta_ = v.lastDelta = static_cast<int8_t>(static_cast<uint8_t>(byte - v.lastByte));
  v.lastByte = byte;
  if ((v.byteCount & 0x1F) == 0) {
    // Every 32 bytes the coefficient whose change would have erred least
    // moves one step (within -16..16).
    int best = 0;
    for (int k = 1; k < 11; ++k) {
      if (v.errors[k] < v.errors[best]) best = k;
    }
    std::fill(std::begin(v.errors), std::end(v.errors), 0u);
    if (best != 0) {
      int& coefficient = v.k[(best - 1) / 2];
      if (best & 1) {
        if (coefficient >= -16) --coefficient;
      } else if (coefficient < 16) {
        ++coefficient;
      }
    }
  }
  return static_cast<uint8_t>(byte);
}

int Rar20AudioPredictor::Encode(int channel, uint8_t byte) {
  const int delta = (PredictNext(channel) - byte) & 0xFF;
  Decode(channel, delta);
  return delta;
}
