// A point in time a given number of milliseconds ahead, and a wait for it
// that keeps the thread answering messages sent to its windows.
#pragma once

#include <cstdint>

class VDeadline {
 public:
  // The deadline is the tick count now plus milliseconds; value is kept for
  // the caller.
  VDeadline(uint32_t milliseconds, uint32_t value = 0);

  // Returns at once when the deadline has passed; else looks at the message
  // queue (removing nothing) and the tick count until it has. Answers the
  // last tick count read.
  uint32_t Wait();

  bool HasPassed() const;
  uint32_t GetDeadline() const { return static_cast<uint32_t>(deadline); }

  uint32_t value;
  int32_t deadline;
};
