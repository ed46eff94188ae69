#include "engine/core/VRunningStats.h"

#include <cmath>

#include "platform/Clock.h"

int32_t VRunningStats::AddSample(double x) {
  sum += x;
  sumOfSquares += x * x;
  smoothed = (count == 0) ? x : x + (smoothed - x) * factor;
  return ++count;
}

double VRunningStats::GetVariance() const {
  if (count < 1) {
    return 0.0;
  }
  double mean = sum / count;
  return sumOfSquares / count - mean * mean;
}

double VRunningStats::GetStandardDeviation() const {
  // Rounding may leave a tiny negative variance for equal samples.
  double v = GetVariance();
  return v > 0.0 ? std::sqrt(v) : 0.0;
}

void VRateMeter::Start() {
  lastTick = platform::TickCount();
  started = true;
}

void VRateMeter::Sample() {
  if (!started) {
    Start();
    return;
  }
  uint32_t ticks = platform::TickCount();
  if (static_cast<int32_t>(ticks) >= static_cast<int32_t>(lastTick)) {
    SetFrameTime(static_cast<double>(ticks - lastTick) * 0.001);
  }
  lastTick = ticks;
}

void VRateMeter::SetFrameTime(double seconds) {
  frameTime = seconds;
  stats.AddSample(seconds);
}

double VRateMeter::GetFrameTime() const { return stats.count > 0 ? stats.smoothed : 0.04; }

double VRateMeter::GetFrameRate() const {
  double t = GetFrameTime();
  return t > 0.0 ? 1.0 / t : 25.0;
}
