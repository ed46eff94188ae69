#include "title/controls/SignalFunctions.h"

#include <algorithm>
#include <cmath>

namespace {
double FiniteOr(double value, double fallback) { return std::isfinite(value) ? value : fallback; }
}  // namespace

SignalFunction::SignalFunction(int32_t count, std::initializer_list<double> initial)
    : SignalNode(count), count_(count) {
  int32_t i = 0;
  for (double v : initial) SetInput(i++, v);
}

SignalFunction::~SignalFunction() { MarkDying(); }

SignalSine::SignalSine(double in0, double in1, double in2, double in3, double in4)
    : SignalFunction(5, {in0, in1, in2, in3, in4}) {}

double SignalSine::GetValue() { return FiniteOr(std::sin(In(0) * In(3) + In(2)) * In(4) + In(1), In(1)); }

SignalLinearRamp::SignalLinearRamp(double in0, double in1, double in2, double in3, double in4)
    : SignalFunction(5, {in0, in1, in2, in3, in4}) {}

double SignalLinearRamp::GetValue() {
  if (In(0) < In(4)) return In(1);
  const double t = In(0) - In(4);
  // A duration of 0 (or less) ends the ramp at once.
  if (!(t < In(3))) return In(2);
  return FiniteOr(In(1) + t / In(3) * (In(2) - In(1)), In(2));
}

SignalEaseOut::SignalEaseOut(double in0, double in1, double in2, double in3, double in4)
    : SignalFunction(5, {in0, in1, in2, in3, in4}) {}

double SignalEaseOut::GetValue() {
  if (In(0) < In(4)) return In(1);
  const double t = In(0) - In(4);
  if (!(t < In(3))) return In(2);
  const double d = In(2) - In(1);
  return FiniteOr(In(1) + 2 * d / In(3) * t - d / (In(3) * In(3)) * t * t, In(2));
}

SignalSpeedRamp::SignalSpeedRamp(double in0, double in1, double in2, double in3, double in4)
    : SignalFunction(5, {in0, in1, in2, in3, in4}) {}

double SignalSpeedRamp::GetValue() {
  const double lower = std::min(In(1), In(1) + In(3));
  const double upper = std::max(In(1), In(1) + In(3));
  double t = 0;
  if (!(In(0) < In(4))) {
    const double d = In(4) != 0 ? In(4) : In(0);
    if (d == 0) return FiniteOr(lower, 0);  // time 0 with no start time: 0 / 0
    t = (In(0) - In(4)) * (In(0) / d);
  }
  const double v = In(1) + In(2) / 1000 * In(3) * t;
  if (std::isnan(v)) return FiniteOr(lower, 0);
  if (v > upper) return FiniteOr(upper, 0);
  if (v < lower) return FiniteOr(lower, 0);
  return v;
}

SignalTwoPhaseRamp::SignalTwoPhaseRamp(double in0, double in1, double in2, double in3, double in4, double in5,
                                       double in6)
    : SignalFunction(7, {in0, in1, in2, in3, in4, in5, in6}) {}

double SignalTwoPhaseRamp::GetValue() {
  if (In(0) < In(6)) return In(1);
  const double t = In(0) - In(6);
  if (!(t < In(5))) return In(3);
  if (t < In(4)) {
    const double d = In(2) - In(1);
    return FiniteOr(-d / (In(4) * In(4)) * t * t + 2 * d / In(4) * t + In(1), In(3));
  }
  const double pi = 4 * std::atan(1.0);
  const double angle = pi / 2 + (t - In(4)) * pi / (In(5) - In(4));
  return FiniteOr(In(2) - (1 - std::sin(angle)) * (In(2) - In(3)) / 2, In(3));
}

SignalSpring::SignalSpring(double in0, double in1, double in2, double in3, double in4, double in5)
    : SignalFunction(6, {in0, in1, in2, in3, in4, in5}), lastValue_(in1) {}

double SignalSpring::GetValue() {
  const double time = In(0), start = In(1), rest = In(2), mass = In(3), damping = In(4), stiffness = In(5);
  if (!std::isfinite(rest)) return 0;
  // No mass, or no oscillation (overdamped or critically damped): the
  // spring is at rest at once.
  if (!(mass > 0) || !std::isfinite(time)) return rest;
  const double w0sq = stiffness / mass;
  const double decay = damping * damping / (4 * mass * mass);
  if (!(w0sq > decay)) return rest;
  const double s = time / 1000;
  const double w0 = std::sqrt(w0sq);
  const double wd = std::sqrt(w0sq - decay);
  const double phi = std::atan(damping / (2 * mass * wd));
  const double amplitude = (start - rest) * w0 / wd;
  const double x = amplitude * std::exp(-damping / (2 * mass) * s) * std::cos(wd * s - phi);
  if (!std::isfinite(x)) return rest;
  const double dt = time - lastTime_;
  if (dt > 0 && std::fabs(x) / dt < 0.0005) return rest;
  lastValue_ = rest + x;
  lastTime_ = time;
  return lastValue_;
}

SignalClamp::SignalClamp(double in0, double in1, double in2, double in3)
    : SignalFunction(4, {in0, in1, in2, in3}) {}

double SignalClamp::GetValue() {
  const double low = std::trunc(In(2));
  const double v = std::max(low, std::min(std::trunc(In(0)) - In(1), std::trunc(In(3))));
  return FiniteOr(v, FiniteOr(low, 0));
}
