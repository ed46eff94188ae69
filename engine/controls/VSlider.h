// A control with a value between a minimum and a maximum, shown by a
// draggable thumb on a track. The thumb is a picture button kept inside its
// movement rectangle; the slider turns presses on the track and drags of the
// thumb into values and reports changes as control event 52.
//
// Ownership: the slider owns its thumb and its track (children in all three
// trees).
#pragma once

#include <cstdint>

#include "engine/controls/VPictureButton.h"

class VSliderThumb : public VPictureButton {
 public:
  static constexpr int32_t kKind = 275;

  // Sized to its pictures; the movement rectangle starts at the thumb's
  // top-left (parent coordinates) with the given width and height.
  VSliderThumb(int32_t id, uint16_t normal, uint16_t pressed, uint16_t over, uint16_t disabled, int32_t left,
               int32_t top, int32_t layer, int32_t moveWidth, int32_t moveHeight, VGraphicObject* parent);
  VSliderThumb(int32_t id, VPicture* normal, VPicture* pressed, VPicture* over, VPicture* disabled, int32_t left,
               int32_t top, int32_t layer, int32_t moveWidth, int32_t moveHeight, VGraphicObject* parent);

  // Reduces the move so that the thumb stays inside the movement rectangle.
  void SetBounds(int32_t dx, int32_t dy, bool redraw, bool force) override;
  bool MouseMove(const VMouseEvent& event) override;

  // Along the movement rectangle's longer side (vertical when at least as
  // high as wide): the thumb's offset from the rectangle's start and the
  // distance it can travel.
  virtual void GetTravel(int32_t& offset, int32_t& span);
  // Moves the thumb to show value of maximum, unless it already lies in that
  // value's interval or is being dragged.
  virtual void ShowValue(int32_t value, int32_t maximum);

  const VRect& GetMovementRect() const { return movement_; }
  bool IsVerticalTravel() const { return movement_.GetHeight() >= movement_.GetWidth(); }

 private:
  void InitMovement(int32_t moveWidth, int32_t moveHeight);
  VRect movement_;
};

class VSlider : public VControl {
 public:
  static constexpr int32_t kKind = 276;

  // The value starts at the minimum; thumb and track (either may be null)
  // are attached as children.
  VSlider(int32_t id, int32_t minimum, int32_t maximum, int32_t left, int32_t top, int32_t layer, int32_t width,
          int32_t height, VSliderThumb* thumb, VGraphicObject* track, VGraphicObject* parent);
  ~VSlider() override;

  // Presses and repeats on the track set the value under the press; drags of
  // the thumb set the value of its place.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  void SetThumb(VSliderThumb* thumb);
  void SetTrack(VGraphicObject* track);
  VSliderThumb* GetThumb() const { return thumb_; }
  VGraphicObject* GetTrack() const { return track_; }
  // Clamps; the thumb is shown exactly when maximum > minimum; an unchanged
  // value without force returns false; a changed one sends 52.
  bool SetValue(int32_t value, bool force);
  int32_t GetValue() const { return value_; }
  void SetRange(int32_t minimum, int32_t maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
  }
  int32_t GetMinimum() const { return minimum_; }
  int32_t GetMaximum() const { return maximum_; }
  void SetThumbLength(int32_t length) { thumbLength_ = length; }

 protected:
  // The value under the track's last press point; false when the track
  // gives no room to the thumb.
  bool ValueUnderTrackPress(int32_t& value);
  bool IsFromTrack(uint32_t sender) const;
  bool IsFromThumb(uint32_t sender) const;
  bool IsFromSelf(uint32_t sender);

  ControlLife life_;

 private:
  VSliderThumb* thumb_ = nullptr;
  VGraphicObject* track_ = nullptr;
  int32_t minimum_;
  int32_t maximum_;
  int32_t value_;
  int32_t thumbLength_ = 0;
};
