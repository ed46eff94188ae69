// The small picture in the middle of the tour screen: its frame shows the
// direction of the mouse look (frames 0..8, a 3 x 3 grid of arrows read row
// by row, 4 the centre) or, over a hotspot, the hotspot sign (frame 10). It
// fades in and out over 500 ms through a value network (timer, ramp, level
// sink). It answers the cursor query with the tour cursor and takes no mouse
// press, release, move or key, so the panorama under the centre stays
// clickable.
#pragma once

#include <cstdint>

#include "engine/controls/VPictureControl.h"

class SignalTimer;

class TourCenterIndicator : public VPictureControl {
 public:
  static constexpr float kDeadZone = 0.0125f;
  static constexpr int32_t kFadeDuration = 500;
  static constexpr int32_t kHotspotFrame = 10;

  TourCenterIndicator(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer, int32_t width,
                      int32_t height, VGraphicObject* parent);

  void FadeIn();
  void FadeOut();
  // Offsets (yaw, pitch) within the dead zone, edges included, count as none.
  void ShowDirection(float x, float y, bool overHotspot, bool redraw);
  // The frame ShowDirection shows for the offsets.
  static int32_t DirectionFrame(float x, float y, bool overHotspot);
  SignalTimer* GetTimer() const { return timer_; }
  int32_t GetShownFrame() const { return shownFrame_; }

  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool KeyDown(const VKeyEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;

 private:
  int32_t fadeDuration_ = kFadeDuration;
  SignalTimer* timer_ = nullptr;  // a child control
  int32_t shownFrame_ = -1;
};
