#include "engine/panorama/VNavigator.h"

#include <algorithm>
#include <cmath>

namespace {

float Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
float Length(const Vec3& v) { return std::sqrt(Dot(v, v)); }
bool IsFinite(const Vec3& v) { return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]); }
Vec3 Add(const Vec3& a, const Vec3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 Mul(const Vec3& a, float k) { return {a[0] * k, a[1] * k, a[2] * k}; }

}  // namespace

VNavigator::VNavigator(float maximumSpeed, float acceleration, float deceleration)
    : maximumSpeed_(maximumSpeed), acceleration_(acceleration), deceleration_(deceleration),
      rateMeter_(std::make_unique<VRateMeter>()) {}

VNavigator::~VNavigator() = default;

bool VNavigator::SetPosition(const Vec3& position) {
  if (!IsFinite(position)) return false;
  position_ = position;
  ClampToBounds(position_);
  return true;
}

void VNavigator::ClampToBounds(Vec3& v) {
  Vec3 lo{0, 0, 0};
  Vec3 hi{0, 0, 0};
  GetBounds(lo, hi);
  for (size_t i = 0; i < 3; ++i) {
    if (v[i] < lo[i]) v[i] = lo[i];
    if (v[i] > hi[i]) v[i] = hi[i];
  }
}

void VNavigator::LimitSpeed(Vec3& v) const {
  const float squared = Dot(v, v);
  // A squared length of exactly 0 or 1 is its own square root.
  const float length = (squared == 0.0f || squared == 1.0f) ? squared : std::sqrt(squared);
  if (length > maximumSpeed_) Vec3Scale(v, maximumSpeed_ / length);
}

void VNavigator::Vec3Scale(Vec3& v, float factor) {
  v[0] *= factor;
  v[1] *= factor;
  v[2] *= factor;
}

bool VNavigator::SeekTo(const Vec3& target) {
  if (!IsFinite(target)) return false;
  target_ = target;
  ClampToBounds(target_);
  seeking_ = true;
  steering_ = false;
  return true;
}

bool VNavigator::Steer(const Vec3& direction) {
  if (!IsFinite(direction)) return false;
  target_ = direction;
  steering_ = true;
  seeking_ = false;
  return true;
}

void VNavigator::Halt() {
  velocity_ = {0, 0, 0};
  target_ = {0, 0, 0};
  seeking_ = false;
  steering_ = false;
}

void VNavigator::ShiftPositionAndTarget(const Vec3& delta) {
  position_ = Add(position_, delta);
  if (seeking_) target_ = Add(target_, delta);
}

void VNavigator::UpdateNavigator() {
  if (!rateMeter_) return;
  rateMeter_->Sample();
  float dt = 0.04f;
  if (rateMeter_->GetSampleCount() >= 1) {
    const double t = rateMeter_->GetFrameTime();
    if (t > 0.0) dt = static_cast<float>(1.0 / (1.0 / t));
  }
  Vec3 d = seeking_ ? Sub(target_, position_) : target_;
  GetInputDirection(d);
  if (!IsFinite(d)) return;
  if (velocity_ == Vec3{0, 0, 0} && !seeking_ && !steering_) return;
  const float dLength = Length(d);
  if (dLength == 0.0f) {
    if (seeking_ && velocity_ == Vec3{0, 0, 0}) {
      // Already on the target: the seek ends here.
      seeking_ = false;
      steering_ = false;
      Arrived();
    }
    return;
  }
  const float s = Dot(velocity_, d);
  const float sigma = s < 0.0f ? -1.0f : (s > 0.0f ? 1.0f : 0.0f);
  Vec3 parallel = Mul(d, s / (dLength * dLength));
  Vec3 perpendicular = Sub(velocity_, parallel);
  const float brakeLimit = deceleration_ * dt * 10.0f;
  const float perpendicularLength = Length(perpendicular);
  Vec3 brake{0, 0, 0};
  if (perpendicularLength > 0.0f) brake = Mul(perpendicular, -(std::min(brakeLimit, perpendicularLength) / perpendicularLength));
  float a;
  if (seeking_) {
    a = deceleration_ * dLength / (deceleration_ * dt + 1.0f) - Length(parallel) * sigma;
    if (a > acceleration_) a = acceleration_;
    if (a < -deceleration_) a = -deceleration_;
  } else {
    a = steering_ ? acceleration_ * dt : -deceleration_ * dt;
  }
  parallel = Add(parallel, Mul(d, a / dLength));
  perpendicular = Add(perpendicular, brake);
  LimitSpeed(parallel);
  LimitSpeed(perpendicular);
  velocity_ = Add(parallel, perpendicular);
  LimitSpeed(velocity_);
  if (!IsFinite(velocity_)) velocity_ = {0, 0, 0};
  const Vec3 step = Mul(velocity_, dt);
  if (Length(step) < 0.001f && dLength < 0.001f) {
    velocity_ = {0, 0, 0};
    const bool arrived = seeking_;
    if (seeking_) {
      position_ = target_;
      ClampToBounds(position_);
    }
    seeking_ = false;
    steering_ = false;
    if (arrived) Arrived();
    return;
  }
  position_ = Add(position_, step);
  ClampToBounds(position_);
}
