// One step of a bubble transition: the pause before it, the length of its
// picture transition (both in milliseconds) and the sound it starts (0: none).
#pragma once

#include <cstdint>

class TransitionStep {
 public:
  static constexpr int32_t kDefaultWait = 0;
  static constexpr int32_t kDefaultFade = 500;

  int32_t GetWait() const { return wait_; }
  int32_t GetFade() const { return fade_; }
  uint16_t GetSound() const { return sound_; }
  void SetWait(int32_t wait) { wait_ = wait; }
  void SetFade(int32_t fade) { fade_ = fade; }
  void SetSound(uint16_t sound) { sound_ = sound; }

 private:
  int32_t wait_ = kDefaultWait;
  int32_t fade_ = kDefaultFade;
  uint16_t sound_ = 0;
};
