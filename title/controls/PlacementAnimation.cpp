#include "title/controls/PlacementAnimation.h"

#include <cmath>

#include "engine/app/VControl.h"
#include "engine/controls/VPictureControl.h"
#include "title/controls/PlacementRecords.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"

namespace {

// The share of the duration at which a moving control passes its overshoot.
constexpr double kOvershootShare = 0.85;

}  // namespace

SignalTimer* RunPlacementTransition(VControl& screen, const PlacementTransition& transition, int32_t timerId,
                                    double overshoot, uint32_t tickMs) {
  auto* timer = new SignalTimer(timerId, tickMs, &screen);
  const double duration = transition.duration;
  VListElement* toElement = transition.to != nullptr ? transition.to->GetFirst() : nullptr;
  VListElement* fromElement = transition.from != nullptr ? transition.from->GetFirst() : nullptr;
  for (; fromElement != nullptr && toElement != nullptr;
       fromElement = fromElement->GetNext(), toElement = toElement->GetNext()) {
    const auto* from = static_cast<const PlacementRecord*>(fromElement);
    const auto* to = static_cast<const PlacementRecord*>(toElement);
    VGraphicObject* control = screen.FindObject(from->controlId);
    if (control == nullptr) continue;
    if ((to->flags & PlacementRecord::kFirstPair) != 0) {
      SignalPositionSink* sink = nullptr;
      for (int32_t axis = 0; axis < 2; ++axis) {
        const double start = from->first[axis];
        const double change = to->first[axis] - start;
        if (change == 0) continue;
        if (sink == nullptr) sink = new SignalPositionSink(control);
        const double passing = start + change + std::trunc(overshoot * change);
        auto* ramp = new SignalTwoPhaseRamp(0, start, passing, start + change, kOvershootShare * duration, duration, 0);
        timer->Subscribe(ramp, 0);
        ramp->Subscribe(sink, axis);
      }
    }
    auto* picture = dynamic_cast<VPictureControl*>(control);
    if (picture == nullptr) continue;
    if ((to->flags & PlacementRecord::kSecondPair) != 0) {
      auto* ramp = new SignalLinearRamp(0, from->secondWhole, to->secondWhole, duration, 0);
      timer->Subscribe(ramp, 0);
      ramp->Subscribe(new SignalLevelSink(picture), 0);
    }
    if ((to->flags & PlacementRecord::kSingleValue) != 0) {
      auto* ramp = new SignalLinearRamp(0, from->single, to->single, duration, 0);
      timer->Subscribe(ramp, 0);
      ramp->Subscribe(new SignalFrameSink(picture), 0);
    }
  }
  timer->Start(static_cast<uint32_t>(duration));
  return timer;
}
