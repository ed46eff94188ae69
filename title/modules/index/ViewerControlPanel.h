// The strip of buttons that controls the slide show or movie of a place on
// the index screen: back to the start, and play and pause sharing one spot.
// Variant 1 is drawn for a strip above a list row, variant 0 for one below
// it (its buttons 8 pixels lower). It tells its parent with owner messages
// 123 (play), 124 (pause) and 125 (back to the start), each with value 0.
//
// Sounds: effects 33 (a button activated) and 34 (the pointer came over a
// button) are held while the strip exists.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class VPictureButton;

class ViewerControlPanel : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr int32_t kBackgroundId = 12290;
  static constexpr int32_t kBackButtonId = 14995;
  static constexpr int32_t kPlayButtonId = 14996;
  static constexpr int32_t kPauseButtonId = 14997;
  static constexpr uint32_t kOwnerPlay = 123;
  static constexpr uint32_t kOwnerPause = 124;
  static constexpr uint32_t kOwnerBack = 125;
  static constexpr int32_t kSoundPressed = 33;
  static constexpr int32_t kSoundOver = 34;
  static constexpr int32_t kVariantBelow = 0;
  static constexpr int32_t kVariantAbove = 1;

  // The strip takes its background picture's size.
  ViewerControlPanel(int32_t id, int32_t variant, int32_t left, int32_t top, int32_t layer, int32_t width,
                     int32_t height, VGraphicObject* parent);
  ~ViewerControlPanel() override;
  ViewerControlPanel(const ViewerControlPanel&) = delete;
  ViewerControlPanel& operator=(const ViewerControlPanel&) = delete;

  // The play button (the pause button hidden).
  void ShowFirstButton();
  // The pause button (the play button hidden).
  void ShowSecondButton();

  int32_t GetVariant() const { return variant_; }
  VPictureButton* GetPlayButton() const { return play_; }
  VPictureButton* GetPauseButton() const { return pause_; }

  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  int32_t variant_;
  VPictureButton* play_ = nullptr;
  VPictureButton* pause_ = nullptr;
};
