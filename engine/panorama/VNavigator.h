// Smooth camera motion: a velocity integrated towards a seek target or along
// the user's input direction, with acceleration, deceleration and speed
// limits, bounds, and a frame-time meter that makes the motion independent of
// the frame rate.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>

#include "engine/core/VRunningStats.h"

using Vec3 = std::array<float, 3>;

class VNavigator {
 public:
  VNavigator(float maximumSpeed, float acceleration, float deceleration);
  virtual ~VNavigator();
  VNavigator(const VNavigator&) = delete;
  VNavigator& operator=(const VNavigator&) = delete;

  // Called once when a seek ends on its target.
  virtual void Arrived() {}
  // May replace the direction of motion.
  virtual void GetInputDirection(Vec3& direction) { (void)direction; }
  // The bounds of the position.
  virtual void GetBounds(Vec3& minimum, Vec3& maximum) = 0;

  // Copies the position in, clamped to the bounds. Non-finite components are refused (false).
  bool SetPosition(const Vec3& position);
  void ClampToBounds(Vec3& v);
  // Scales the vector down to the maximum speed when it is longer.
  void LimitSpeed(Vec3& v) const;
  static void Vec3Scale(Vec3& v, float factor);

  // One step of the motion (once per frame).
  void UpdateNavigator();

  // Starts moving to the target; a target with a non-finite component is
  // refused (false, nothing changes).
  bool SeekTo(const Vec3& target);
  // Drives the motion along a direction (the input direction while steering);
  // non-finite directions are refused.
  bool Steer(const Vec3& direction);
  // Ends steering: the motion decays at the deceleration rate.
  void StopSteering() { steering_ = false; target_ = {0, 0, 0}; }
  // Stops at once where the camera is.
  void Halt();

  void SetMaxSpeed(float speed) { maximumSpeed_ = std::isfinite(speed) && speed >= 0 ? speed : 0; }
  void SetAcceleration(float a) { acceleration_ = std::isfinite(a) && a >= 0 ? a : 0; }
  void SetDeceleration(float d) { deceleration_ = std::isfinite(d) && d >= 0 ? d : 0; }
  float GetMaxSpeed() const { return maximumSpeed_; }
  float GetAcceleration() const { return acceleration_; }
  float GetDeceleration() const { return deceleration_; }

  const Vec3& GetPosition() const { return position_; }
  const Vec3& GetTarget() const { return target_; }
  const Vec3& GetVelocity() const { return velocity_; }
  void SetVelocity(const Vec3& v) { velocity_ = v; }
  bool IsSeeking() const { return seeking_; }
  bool IsSteering() const { return steering_; }
  bool IsAtRest() const { return velocity_ == Vec3{0, 0, 0} && !seeking_ && !steering_; }
  VRateMeter* GetRateMeter() const { return rateMeter_.get(); }

 protected:
  // Moves position and target together (the viewer's angle normalisation).
  void ShiftPositionAndTarget(const Vec3& delta);

  Vec3 position_{0, 0, 0};
  Vec3 target_{0, 0, 0};
  Vec3 velocity_{0, 0, 0};
  float maximumSpeed_;
  float acceleration_;
  float deceleration_;
  bool steering_ = false;
  bool seeking_ = false;
  std::unique_ptr<VRateMeter> rateMeter_;
};
