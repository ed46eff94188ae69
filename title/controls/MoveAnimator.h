// Moves any graphic object in a straight line at a given speed and tells its
// owner with owner message 157 (value: a message token for the moved
// object) when the move has ended. Moves to or from the bottom row (y 388)
// also fade the object's text from or to black: the object's own text
// (a text control) or the text control it holds. When a step leaves the
// pointer outside the captured object, the window hears of the pointer's
// place again, as after a move of the pointer.
//
// Ownership: neither the target nor the owner is owned; the animator is
// owned by whoever made it (its task only steps it). The owner may delete
// the animator while it answers 157.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"
#include "engine/core/VTLink.h"
#include "engine/core/VTask.h"
#include "engine/controls/ControlEvents.h"

class VGraphicObject;

class MoveAnimator : public VEventHandler, public VTask {
 public:
  static constexpr uint32_t kMessageMoved = 157;
  static constexpr int32_t kFadeRow = 388;

  // kind: kept for the caller; owner: receives 157 (may be null).
  MoveAnimator(int32_t kind, VEventHandler* owner);
  ~MoveAnimator() override;

  void SetOwner(VEventHandler* owner) { owner_ = owner; }
  // Mode 0 moves at speed pixels per second and ends; modes 1 and 2 put the
  // object at the end point on every step until stopped from outside; any
  // other mode ends at once. A speed that is not positive jumps to the end.
  void Start(VGraphicObject* target, const VPoint& start, const VPoint& end, int32_t mode, double speed,
             bool fadeHeldText, bool fadeOwnText);
  // From the target's current position (parent-relative).
  void Start(VGraphicObject* target, const VPoint& end, int32_t mode, double speed, bool fadeHeldText,
             bool fadeOwnText);
  bool Step(uint32_t pass) override;
  int32_t GetKind() const { return kind_; }

 private:
  void ApplyFade(double travelled, double distance);
  void RefreshPointerIfLeft();

  int32_t kind_;
  VEventHandler* owner_;
  VGraphicObject* target_ = nullptr;
  VPoint start_;
  VPoint end_;
  int32_t mode_ = 0;
  double speed_ = 0;
  bool fadeHeld_ = false;
  bool fadeOwn_ = false;
  uint32_t startTick_ = 0;
  ControlLife life_;
};
