#include "title/controls/PlacementAnimation.h"

#include <cmath>

#include "engine/app/VControl.h"
#include "engine/controls/VPictureControl.h"
#include "title/controls/PlacementRecords.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"

namespace {

constexpr uint32_t kTick = 40;
constexpr double kOvershoot = 0.04;
constexpr double kFirstPhase = 0.85;

// One coordinate of a move: a two-phase ramp into the sink's input, or the
// control's own value when it does not change.
void Coordinate(SignalTimer& timer, SignalPositionSink& sink, int32_t input, double from, double to, double current,
                double duration) {
  if (from == to) {
    sink.SetInput(input, current);
    return;
  }
  const double overshoot = to + std::trunc(kOvershoot * (to - from));
  auto* ramp = new SignalTwoPhaseRamp(0, from, overshoot, to, kFirstPhase * duration, duration, 0);
  ramp->Subscribe(&sink, input);
  timer.Subscribe(ramp, 0);
}

}  // namespace

SignalTimer* RunPlacementTransition(const PlacementTransition& transition, VGraphicObject& screen) {
  if (transition.from == nullptr || transition.to == nullptr) return nullptr;
  // A timer of 0 ms would run until stopped: the shortest run is 1 ms.
  const double duration = transition.duration > 1 ? transition.duration : 1;
  auto* timer = new SignalTimer(VControl::kAllocateId, kTick, &screen);
  timer->SetVisible(false, false);
  const VListElement* f = transition.from->GetFirst();
  const VListElement* t = transition.to->GetFirst();
  for (; f != nullptr && t != nullptr; f = f->GetNext(), t = t->GetNext()) {
    const auto* from = static_cast<const PlacementRecord*>(f);
    const auto* to = static_cast<const PlacementRecord*>(t);
    VGraphicObject* control = to->controlId != 0 ? screen.FindObject(to->controlId) : nullptr;
    if (control == nullptr) continue;
    if ((to->flags & PlacementRecord::kFirstPair) != 0 &&
        (from->first[0] != to->first[0] || from->first[1] != to->first[1])) {
      auto* sink = new SignalPositionSink(control);
      const VRect& bounds = control->GetBounds();
      Coordinate(*timer, *sink, 0, from->first[0], to->first[0], bounds.left, duration);
      Coordinate(*timer, *sink, 1, from->first[1], to->first[1], bounds.top, duration);
    }
    auto* picture = dynamic_cast<VPictureControl*>(control);
    if (picture == nullptr) continue;
    if ((to->flags & PlacementRecord::kSecondPair) != 0) {
      auto* ramp = new SignalLinearRamp(0, from->secondWhole, to->secondWhole, duration, 0);
      ramp->Subscribe(new SignalLevelSink(picture), 0);
      timer->Subscribe(ramp, 0);
    }
    if (to->flags == PlacementRecord::kSingleValue) {
      auto* ramp = new SignalLinearRamp(0, from->single, to->single, duration, 0);
      ramp->Subscribe(new SignalFrameSink(picture), 0);
      timer->Subscribe(ramp, 0);
    }
  }
  timer->Start(static_cast<uint32_t>(duration));
  return timer;
}
