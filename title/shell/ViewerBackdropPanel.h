// The item viewer's backdrop over the screen: it holds the item's panel and
// the side bar (title pictures, the link to a related place, rewind, pause
// and play), plays the interface sounds 41 to 46 for the side bar's buttons
// and turns their presses into the viewer's messages: 107 rewind, 108
// pause, 109 play, and 140 with the linked item number for the link.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class ItemRef;

class ViewerBackdropPanel : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  // The side bar's controls.
  static constexpr int32_t kCaptionButtonId = 14390;
  static constexpr int32_t kTitlePictureId = 15009;
  static constexpr int32_t kBarPictureId = 15010;
  static constexpr int32_t kLinkPictureId = 15011;
  static constexpr int32_t kLinkButtonId = 15012;
  static constexpr int32_t kPlayButtonId = 15014;
  static constexpr int32_t kPauseButtonId = 15015;
  static constexpr int32_t kRewindButtonId = 15018;
  // Owner messages.
  static constexpr uint32_t kOwnerRewind = 107;
  static constexpr uint32_t kOwnerPause = 108;
  static constexpr uint32_t kOwnerPlay = 109;
  static constexpr uint32_t kOwnerHidden = 113;
  static constexpr uint32_t kOwnerLink = 140;
  // The interface sounds it holds.
  static constexpr int32_t kFirstSound = 41;
  static constexpr int32_t kLastSound = 46;

  ViewerBackdropPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                      VGraphicObject* parent);
  ~ViewerBackdropPanel() override;

  // The side bar with its top left at (x, y) for an item of `kind` (5 or 6)
  // whose link leads to `link`; `linkFlag` adds the caption button 14390.
  void BuildControls(int32_t kind, int32_t x, int32_t y, const ItemRef& link, bool linkFlag);
  void ShowAndRedraw();
  // Hidden, then owner message 113.
  void HideAndReport();
  void ShowPlayButton();
  void ShowPauseButton();
  int32_t GetLinkedNumber() const { return linkedNumber_; }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  int32_t linkedNumber_ = 0;
};
