// The sink nodes of the value network: each applies the value(s) it receives
// to a target object (position, width, blend level, frame, a date, a visible
// count). Values are taken as whole numbers truncated toward zero; values
// that are not finite are ignored, so nothing reaches a target that it could
// not show. A null target makes a sink do nothing. Targets are not owned.
#pragma once

#include <cstdint>

#include "title/controls/SignalNode.h"

class VGraphicObject;
class VPictureControl;

// What the date sink drives: a screen with a current day number.
class DayNumberTarget {
 public:
  virtual ~DayNumberTarget() = default;
  virtual int32_t GetDateDayNumber() = 0;
  virtual void SetDateDayNumber(int32_t dayNumber) = 0;
};

// What the carousel sink drives: a control showing a number of its slots.
class VisibleCountTarget {
 public:
  virtual ~VisibleCountTarget() = default;
  virtual int32_t GetVisibleCount() = 0;
  virtual void SetVisibleCount(int32_t count) = 0;
};

class SignalSink : public SignalNode {
 public:
  int32_t GetInputCount() const override { return count_; }
  // The whole part of a value (toward zero), false when it is not finite;
  // values beyond the 32-bit range are cut to it.
  static bool WholeValue(double value, int32_t& out);

 protected:
  explicit SignalSink(int32_t count) : SignalNode(count), count_(count) {}

 private:
  int32_t count_;
};

// Inputs x, y (parent-relative): moves the target's top-left there.
class SignalPositionSink : public SignalSink {
 public:
  explicit SignalPositionSink(VGraphicObject* target);

 protected:
  void Fire() override;

 private:
  VGraphicObject* target_;
};

// Inputs 0, left, width: the width becomes in2 - (in0 - in1), no redraw.
class SignalWidthSink : public SignalSink {
 public:
  explicit SignalWidthSink(VGraphicObject* target);

 protected:
  void Fire() override;

 private:
  VGraphicObject* target_;
};

// Input: the blend level of the target's picture (0..63, 63 full).
class SignalLevelSink : public SignalSink {
 public:
  explicit SignalLevelSink(VPictureControl* target);

 protected:
  void Fire() override;

 private:
  VPictureControl* target_;
};

// Input: a frame from 1 to the target's frame count (others are ignored).
class SignalFrameSink : public SignalSink {
 public:
  explicit SignalFrameSink(VPictureControl* target);

 protected:
  void Fire() override;

 private:
  VPictureControl* target_;
};

// Input: a day number.
class SignalDateSink : public SignalSink {
 public:
  explicit SignalDateSink(DayNumberTarget* target);

 protected:
  void Fire() override;

 private:
  DayNumberTarget* target_;
};

// Input 0: a visible count (20 inputs; the others are not used).
class SignalCarouselSink : public SignalSink {
 public:
  explicit SignalCarouselSink(VisibleCountTarget* target);

 protected:
  void Fire() override;

 private:
  VisibleCountTarget* target_;
};
