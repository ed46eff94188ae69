#include "engine/core/VFader.h"

#include "platform/Clock.h"

namespace {
uint8_t Interpolate(uint8_t from, uint8_t to, uint32_t elapsed, uint32_t duration) {
  int64_t v = from + (static_cast<int64_t>(to) - from) * elapsed / duration;
  return static_cast<uint8_t>(v);
}
}  // namespace

void VFader::RunFade(int16_t fromLevel, int16_t toLevel, uint32_t durationMs, const VRGBColor* fromColor,
                     const VRGBColor* toColor, int32_t mode) {
  (void)mode;
  if (durationMs == 0) {
    return;
  }
  VRGBColor working{};
  const VRGBColor* color = nullptr;
  if (fromColor != nullptr) {
    working = *fromColor;
    color = &working;
  } else if (toColor != nullptr) {
    working = *toColor;
    color = &working;
  }

  const uint32_t start = platform::TickCount();
  const int64_t denominator = static_cast<int64_t>(durationMs) * 100;
  uint32_t elapsed = 0;  // time of the last step, counted from the start
  while (elapsed < durationMs) {
    // Wait for the clock to move past the last step (wrap-safe).
    uint32_t now = 0;
    do {
      now = platform::TickCount() - start;
    } while (now <= elapsed);
    elapsed = now > durationMs ? durationMs : now;

    if (fromColor != nullptr && toColor != nullptr) {
      working.red = Interpolate(fromColor->red, toColor->red, elapsed, durationMs);
      working.green = Interpolate(fromColor->green, toColor->green, elapsed, durationMs);
      working.blue = Interpolate(fromColor->blue, toColor->blue, elapsed, durationMs);
    }
    int64_t numerator = static_cast<int64_t>(fromLevel) * durationMs +
                        (static_cast<int64_t>(toLevel) - fromLevel) * static_cast<int64_t>(elapsed);
    ShowFadeLevel(numerator, denominator, color);
  }
}

void VFader::ApplyFadeStep(int64_t numerator, int64_t denominator, const VRGBColor* color) {
  ShowFadeLevel(numerator, denominator, color);
}

void VFader::ShowFadeLevel(int64_t, int64_t, const VRGBColor*) { (void)flag_; }
