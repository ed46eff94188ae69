// Sleeping on a word of memory until another thread changes it and wakes the
// sleeper: what a lock needs from the kernel once it finds itself taken (the
// engine's mutex takes and gives up a free lock without any call).
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

// Sleeps while `word` holds `expected`, up to `timeoutNs` nanoseconds (a
// negative value: without limit). Returns at once when the word holds
// another value; may also return early (a wake for another sleeper, a
// signal): callers look at the word again.
void WaitOnWord(std::atomic<uint32_t>& word, uint32_t expected, int64_t timeoutNs);
// Wakes one thread sleeping on `word`, if any.
void WakeOneOnWord(std::atomic<uint32_t>& word);

}  // namespace platform
