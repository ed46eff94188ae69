// The function nodes of the value network: each turns its inputs (input 0 is
// the time in milliseconds from a timer; the others are parameters that
// normally stay as built) into a value that it pushes to its subscribers.
// Every value is finite: inputs for which a formula has no finite answer
// (a zero duration, a zero mass, values out of range) give the node's end
// value instead.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "title/controls/SignalNode.h"

class SignalFunction : public SignalNode, public SignalSource {
 public:
  ~SignalFunction() override;
  int32_t GetInputCount() const override { return count_; }

 protected:
  SignalFunction(int32_t count, std::initializer_list<double> initial);
  // Computes, stores and broadcasts.
  void Fire() override { Update(); }
  double In(int32_t i) const { return GetInput(i); }

 private:
  int32_t count_;
};

// sin(in0 x in3 + in2) x in4 + in1.
class SignalSine : public SignalFunction {
 public:
  SignalSine(double in0, double in1, double in2, double in3, double in4);
  double GetValue() override;
};

// in1 until in4, then linearly to in2 over in3 milliseconds, then in2.
class SignalLinearRamp : public SignalFunction {
 public:
  SignalLinearRamp(double in0, double in1, double in2, double in3, double in4);
  double GetValue() override;
};

// As the linear ramp, with a quadratic ease-out.
class SignalEaseOut : public SignalFunction {
 public:
  SignalEaseOut(double in0, double in1, double in2, double in3, double in4);
  double GetValue() override;
};

// From in1 at in2 per second over the range in3, starting at in4; kept
// between in1 and in1 + in3.
class SignalSpeedRamp : public SignalFunction {
 public:
  SignalSpeedRamp(double in0, double in1, double in2, double in3, double in4);
  double GetValue() override;
};

// From in1 to in2 with an ease-out over in4 ms, then a half cosine to in3
// until in5 ms, all starting at in6.
class SignalTwoPhaseRamp : public SignalFunction {
 public:
  SignalTwoPhaseRamp(double in0, double in1, double in2, double in3, double in4, double in5, double in6);
  double GetValue() override;
};

// A damped harmonic oscillator from in1 settling at in2: mass in3, damping
// in4, stiffness in5. Settles (answers in2) once its movement per
// millisecond falls below 0.0005; an overdamped, critically damped or
// massless spring answers in2 at once.
class SignalSpring : public SignalFunction {
 public:
  SignalSpring(double in0, double in1, double in2, double in3, double in4, double in5);
  double GetValue() override;

 private:
  double lastValue_;
  double lastTime_ = 0;
};

// max(trunc(in2), min(trunc(in0) - in1, trunc(in3))).
class SignalClamp : public SignalFunction {
 public:
  SignalClamp(double in0, double in1, double in2, double in3);
  double GetValue() override;
};
