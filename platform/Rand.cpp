#include "platform/Rand.h"

namespace platform {
namespace {
thread_local uint32_t t_state = 1;
}

void SeedRand(uint32_t seed) { t_state = seed; }

int Rand() {
  t_state = t_state * 214013u + 2531011u;
  return static_cast<int>((t_state >> 16) & 0x7FFFu);
}

}  // namespace platform
