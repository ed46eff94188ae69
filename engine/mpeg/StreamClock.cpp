// The pausable 90 kHz movie clock.
#include "engine/mpeg/StreamClock.h"

#include "engine/core/Clock.h"

void StreamClock::Reset() {
  drift_.reset();
  base_ = 0;
  pausedAt_ = 0;
  paused_ = true;
}

void StreamClock::Pause() {
  if (paused_) return;
  pausedAt_ = GetMicroseconds();
  paused_ = true;
}

void StreamClock::Resume() {
  if (!paused_) return;
  if (!drift_) drift_ = std::make_unique<VRunningStats>(0.8);
  paused_ = false;
  base_ += GetMicroseconds() - pausedAt_;
}

void StreamClock::Stop() {
  Pause();
  // A stopped clock starts again from time 0.
  pausedAt_ = 0;
  base_ = 0;
  drift_.reset();
}

int64_t StreamClock::Elapsed(uint64_t now) const {
  // While paused the clock stands at the moment of the pause.
  const uint64_t at = paused_ ? pausedAt_ : now;
  return at >= base_ ? MicrosecondsToTicks(at - base_) : -MicrosecondsToTicks(base_ - at);
}

void StreamClock::AddDriftSample(int64_t timeStamp) {
  if (!drift_) return;
  drift_->AddSample(static_cast<double>(timeStamp - Elapsed(GetMicroseconds())));
}

int64_t StreamClock::GetTime() const {
  int64_t time = Elapsed(GetMicroseconds());
  if (drift_) time += static_cast<int64_t>(drift_->smoothed);
  return time;
}
