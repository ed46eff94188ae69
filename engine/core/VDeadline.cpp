#include "engine/core/VDeadline.h"

#include "platform/Clock.h"
#include "platform/MessageQueue.h"

namespace {
// Tick counts wrap: compare by their difference.
bool Reached(uint32_t now, int32_t deadline) {
  return static_cast<int32_t>(now - static_cast<uint32_t>(deadline)) >= 0;
}
}  // namespace

VDeadline::VDeadline(uint32_t milliseconds, uint32_t v)
    : value(v), deadline(static_cast<int32_t>(platform::TickCount() + milliseconds)) {}

uint32_t VDeadline::Wait() {
  uint32_t now = platform::TickCount();
  while (!Reached(now, deadline)) {
    platform::PeekAnyMessage();
    now = platform::TickCount();
  }
  return now;
}

bool VDeadline::HasPassed() const { return Reached(platform::TickCount(), deadline); }
