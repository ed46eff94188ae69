// Thread helpers of the platform layer: best-effort scheduling priorities and
// thread identifiers. Threads themselves are std::thread, always joined.
#pragma once

#include <cstdint>

namespace platform {

// Priority levels as the engine asks for them (the values of the original
// system's thread priorities, so callers can pass them through unchanged).
enum ThreadPriority : int {
  kPriorityIdle = -15,
  kPriorityLowest = -2,
  kPriorityBelowNormal = -1,
  kPriorityNormal = 0,
  kPriorityAboveNormal = 1,
  kPriorityHighest = 2,
  kPriorityTimeCritical = 15,
};

// Applies a priority to the calling thread. Raising priority needs privileges
// Linux usually refuses; a refusal is not an error: the answer says whether
// the request took effect.
bool SetCurrentThreadPriority(int priority);

// A small process-unique number for the calling thread (never 0).
uint32_t CurrentThreadId();

}  // namespace platform
