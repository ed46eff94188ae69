// Fuzz target: the tour's BUBBLE (with its HOTSPOT blocks) and
// BUBBLETRANSITION readers over arbitrary text, and the limits the records
// promise: at most kMaxHotspots hotspots with finite hit rectangles, finite
// angles, at most kMaxSteps steps with times in 0..kMaxStepMilliseconds.
#include <cmath>
#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "fuzz/driver/FuzzText.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/BubbleTransition.h"

namespace {

bool Finite(float a, float b) { return std::isfinite(a) && std::isfinite(b); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const VString text = FuzzText(data, size);

  BubbleRecord bubble{ItemRef()};
  bubble.ReadScript(text);
  if (bubble.GetHotspotCount() > BubbleRecord::kMaxHotspots) __builtin_trap();
  if (!Finite(bubble.GetDefaultYaw(), bubble.GetDefaultPitch())) __builtin_trap();
  for (int32_t i = 0; i < bubble.GetHotspotCount(); ++i) {
    const HotspotRecord* hotspot = bubble.GetHotspot(i);
    if (hotspot == nullptr) __builtin_trap();
    const VFRect& r = hotspot->GetHitRect();
    if (!Finite(r.left, r.top) || !Finite(r.right, r.bottom)) __builtin_trap();
  }
  if (bubble.GetHotspot(bubble.GetHotspotCount()) != nullptr) __builtin_trap();

  BubbleTransition transition{ItemRef()};
  transition.ReadScript(text);
  if (transition.GetStepsRead() > BubbleTransition::kMaxSteps || transition.GetStepCount() < 0) __builtin_trap();
  if (!Finite(transition.GetStartYaw(), transition.GetStartPitch()) ||
      !Finite(transition.GetEndYaw(), transition.GetEndPitch())) {
    __builtin_trap();
  }
  for (int32_t i = -1; i < transition.GetStepCount(); ++i) {
    const int32_t wait = transition.GetStepWait(i);
    const int32_t fade = transition.GetStepFade(i);
    if (wait < 0 || wait > BubbleTransition::kMaxStepMilliseconds) __builtin_trap();
    if (fade < 0 || fade > BubbleTransition::kMaxStepMilliseconds) __builtin_trap();
  }
  if (transition.CanStart()) __builtin_trap();  // no base id: never startable
  return 0;
}
