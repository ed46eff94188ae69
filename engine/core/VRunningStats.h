// Running statistics of a series of samples (sum, sum of squares, an
// exponentially smoothed value) and the frame-time meter built on them.
#pragma once

#include <cstdint>

class VRunningStats {
 public:
  explicit VRunningStats(double smoothingFactor) : factor(smoothingFactor) {}

  // Adds a sample; returns the new count. The smoothed value starts at the
  // first sample and then moves towards each new one by (1 - factor).
  int32_t AddSample(double x);
  // Mean of the squares minus the square of the mean; 0 without samples.
  double GetVariance() const;
  double GetStandardDeviation() const;

  // Read and written directly by the schedulers that use the statistics.
  double sum = 0.0;
  double smoothed = 0.0;
  double factor;
  double sumOfSquares = 0.0;
  int32_t count = 0;
};

// Measures the time between successive frames from the tick count.
class VRateMeter {
 public:
  VRateMeter() = default;

  // Notes the tick count as the last sample and marks the meter started.
  void Start();
  // Starts the meter on the first call; later calls take the time since the
  // last one as the frame time (skipped when the tick count went back).
  void Sample();
  // Stores the frame time and adds it to the statistics.
  void SetFrameTime(double seconds);

  // The smoothed frame time; 0.04 s while no sample was taken.
  double GetFrameTime() const;
  // 1 / GetFrameTime; 25 while no sample was taken.
  double GetFrameRate() const;
  int32_t GetSampleCount() const { return stats.count; }
  // The last frame time given, unsmoothed.
  double GetLastFrameTime() const { return frameTime; }
  bool IsStarted() const { return started; }
  // Clearing the started mark restarts the measuring at the next Sample.
  void Restart() { started = false; }

  VRunningStats stats{0.875};
  double frameTime = 0.04;
  uint32_t lastTick = 0;
  bool started = false;
};
