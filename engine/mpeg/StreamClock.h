// A movie's presentation clock: a pausable microsecond clock answering in
// 90 kHz ticks (the unit of MPEG time stamps), pulled towards the time
// stamps the decoders report through a smoothing filter.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/core/VRunningStats.h"

class StreamClock {
 public:
  StreamClock() = default;

  void Reset();
  void Pause();
  void Resume();
  // Pauses and forgets the drift filter (the next Resume starts a fresh one).
  void Stop();
  // A reported time stamp in 90 kHz ticks; ignored before the first Resume.
  void AddDriftSample(int64_t timeStamp);
  // Elapsed running time in 90 kHz ticks plus the smoothed drift.
  int64_t GetTime() const;
  bool IsPaused() const { return paused_; }
  bool HasDriftFilter() const { return drift_ != nullptr; }

  static int64_t MicrosecondsToTicks(uint64_t microseconds) {
    return static_cast<int64_t>(microseconds * 9 / 100);
  }

 private:
  int64_t Elapsed(uint64_t now) const;

  std::unique_ptr<VRunningStats> drift_;
  uint64_t base_ = 0;
  uint64_t pausedAt_ = 0;
  bool paused_ = true;
};
