#include "title/modules/index/ViewerControlPanel.h"

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/sound/SoundManager.h"

namespace {

constexpr uint16_t kBackgroundAbove = 10018;
constexpr uint16_t kBackgroundBelow = 10020;

struct ButtonPictures {
  uint16_t normal, pressed, over;
};
constexpr ButtonPictures kBackButton{10027, 10028, 10029};
constexpr ButtonPictures kPlayButton{10021, 10022, 10023};
constexpr ButtonPictures kPauseButton{10024, 10025, 10026};
constexpr int32_t kBackX = 1;
constexpr int32_t kPlayX = 28;
// The buttons' top in the strip above a row and in the strip below one.
constexpr int32_t kTopAbove = 1;
constexpr int32_t kTopBelow = 9;

VPictureButton* MakeButton(int32_t id, const ButtonPictures& p, int32_t x, int32_t y) {
  return new VPictureButton(id, p.normal, p.pressed, p.over, 0, VPoint(x, y), 1, 0, 0, CurrentParentMarker());
}

bool Is(uint32_t value, int32_t id) { return value == static_cast<uint32_t>(id); }

}  // namespace

ViewerControlPanel::ViewerControlPanel(int32_t id, int32_t variant, int32_t left, int32_t top, int32_t layer,
                                       int32_t width, int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent), variant_(variant) {
  SetTransparent(true);
  VGraphicObject* previous = SetCurrentParent(this);
  auto* background = new VPictureControl(kBackgroundId, variant == kVariantAbove ? kBackgroundAbove : kBackgroundBelow,
                                         0, 0, 0, 0, 0, CurrentParentMarker());
  SetWidth(background->GetWidth());
  SetHeight(background->GetHeight());
  const int32_t y = variant == kVariantAbove ? kTopAbove : kTopBelow;
  MakeButton(kBackButtonId, kBackButton, kBackX, y);
  play_ = MakeButton(kPlayButtonId, kPlayButton, kPlayX, y);
  pause_ = MakeButton(kPauseButtonId, kPauseButton, kPlayX, y);
  pause_->SetVisible(false, false);
  SetCurrentParent(previous);
  GetSoundManager().AcquireSound(kSoundPressed);
  GetSoundManager().AcquireSound(kSoundOver);
}

ViewerControlPanel::~ViewerControlPanel() {
  GetSoundManager().ReleaseSound(kSoundPressed);
  GetSoundManager().ReleaseSound(kSoundOver);
}

void ViewerControlPanel::ShowFirstButton() {
  pause_->SetVisible(false, false);
  play_->SetVisible(true, true);
}

void ViewerControlPanel::ShowSecondButton() {
  play_->SetVisible(false, false);
  pause_->SetVisible(true, true);
}

bool ViewerControlPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t /*value2*/) {
  if (code == kEventButtonClicked) {
    if (Is(value1, kBackButtonId)) {
      GetSoundManager().TriggerSound(kSoundPressed);
      SendControlEvent(*this, kOwnerBack, 0);
      return true;
    }
    if (Is(value1, kPlayButtonId)) {
      GetSoundManager().TriggerSound(kSoundPressed);
      play_->SetVisible(false, true);
      pause_->SetVisible(true, true);
      SendControlEvent(*this, kOwnerPlay, 0);
      return true;
    }
    if (Is(value1, kPauseButtonId)) {
      GetSoundManager().TriggerSound(kSoundPressed);
      pause_->SetVisible(false, true);
      play_->SetVisible(true, true);
      SendControlEvent(*this, kOwnerPause, 0);
      return true;
    }
    return false;
  }
  if (code == kEventButtonEntered && value1 >= static_cast<uint32_t>(kBackButtonId) &&
      value1 <= static_cast<uint32_t>(kPauseButtonId)) {
    GetSoundManager().TriggerSound(kSoundOver);
  }
  return false;
}
