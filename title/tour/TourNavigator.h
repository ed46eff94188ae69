// The panorama viewer of the tour screen: shows one bubble at a time, turns
// its hotspots into clickable regions (TourBubble) and steers the camera by
// mouse look: every move of the pointer away from the reference point (the
// centre of the control) pushes the camera's target by 0.7 of the angle
// between the two, and the pointer is put back on the reference point.
//
// Owner messages to the tour view (value: the navigator's id): 131 pointer
// entered a hotspot, 132 left it, 134 hotspot clicked, 135 right-button press
// outside any region, 136 mouse look moved the target.
//
// It can be put to rest (Deactivate: one quality frame, no task, no input)
// and woken (Activate). While it rests or stands still it asks the task
// manager for no passes; it asks for them only while the view moves.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/panorama/BubbleViewControl.h"
#include "title/tour/TourBubbleContent.h"

class TourNavigator : public BubbleViewControl {
 public:
  static constexpr uint32_t kMessageHotspotEntered = 131;
  static constexpr uint32_t kMessageHotspotLeft = 132;
  static constexpr uint32_t kMessageHotspotClicked = 134;
  static constexpr uint32_t kMessageRightButton = 135;
  static constexpr uint32_t kMessageLookMoved = 136;
  static constexpr uint32_t kPictureBubbleId = 24578;
  static constexpr uint16_t kCursorLook = 113;
  // The share of the pointer's angle from the centre that one move adds to the target.
  static constexpr float kLookFactor = 0.7f;
  // How close (radians) the camera must be to its target to count as arrived.
  static constexpr float kArrivalDistance = 0.0015f;

  TourNavigator(int32_t id, int32_t taskId, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                VGraphicObject* parent);
  ~TourNavigator() override;

  // Shows the bubble (owned from now on; null leaves an empty space).
  void SetBubble(TourBubbleContent* record);
  TourBubbleContent* GetCurrentBubble() const { return record_.get(); }
  // The index of the hotspot under the pointer or last clicked; -1 for none
  // (also without a bubble).
  int32_t GetCurrentHotspot() const { return record_ ? currentHotspot_ : -1; }

  void Activate();
  void Deactivate();
  // The regions forget where the pointer was and a move at the centre (where
  // waking puts the pointer) goes into them: the region under it reports the
  // pointer (131) at once, as if it had just come there.
  void RefreshHover();
  // Tells the regions where the pointer now stands in the bubble, so that
  // they report entering and leaving as the view moves under a still
  // pointer (without taking the mouse: a press there reaches them as ever);
  // nothing while look is off, at rest, or with the pointer off the
  // navigator. Each pass of a moving view does it.
  void UpdateHoverAtPointer();
  bool IsAtRest() const { return atRest_ != 0; }
  // Mouse look and the mouse buttons are handled only while set.
  void SetLookActive(bool active) { active_ = active ? 1 : 0; }
  bool IsLookActive() const { return active_ != 0; }
  VFPoint GetLookOffset() const { return lookOffset_; }
  const VPoint& GetReferencePoint() const { return reference_; }

  // The camera jumps to the view (and any seek ends there).
  void SetViewAngle(const VFPoint& angle);
  // The camera turns to the view at the navigator's speed (a seek, which
  // asks for task passes until it has arrived); false for a view that is
  // not finite.
  bool TurnTo(const VFPoint& angle);
  bool HasArrived();
  // Puts the pointer on the reference point.
  void ResetCursor();
  // Yaw into [0, 2pi), pitch into [-pi, pi); the camera stays there.
  virtual void NormalizeViewAngle();

  uint32_t GetStepWait(uint32_t now) override;
  bool Step(uint32_t pass) override;
  void DrawContent(DrawPort* port, const VRect& rect) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void SendOwnerMessage(uint32_t code);
  // The top-left corner of the window on the screen (0, 0 without a window).
  VPoint WindowOrigin();

  VPoint reference_;
  uint8_t atRest_ = 0;
  std::unique_ptr<TourBubbleContent> record_;
  int32_t currentHotspot_ = -1;
  VFPoint lookOffset_;
  uint8_t active_ = 1;
  bool grabbed_ = false;
  // Set while the view may still change on its own (moving, or waiting for
  // its quality frame): only then does the navigator want task passes.
  bool settling_ = true;
  // The view at the last look at what lies under the pointer.
  float hoverYaw_ = 0.0f;
  float hoverPitch_ = 0.0f;
};
