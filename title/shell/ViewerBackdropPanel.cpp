#include "title/shell/ViewerBackdropPanel.h"

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/script/ItemRef.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/MainScreenServices.h"
#include "title/shell/VideoItemPanel.h"

namespace {

// The sounds the side bar plays.
constexpr int32_t kSoundPlay = 41;
constexpr int32_t kSoundPause = 42;
constexpr int32_t kSoundPress = 43;
constexpr int32_t kSoundOverPlay = 44;
constexpr int32_t kSoundOverPause = 45;
constexpr int32_t kSoundOverLink = 46;

// The side bar's pictures.
constexpr uint16_t kTitlePicture = 1185;
constexpr uint16_t kTitlePictureWithCaption = 1180;
constexpr uint16_t kBarPicture = 1210;
constexpr uint16_t kLinkOnPicture = 1190;
constexpr uint16_t kLinkOffPicture = 1200;

struct ButtonPictures {
  uint16_t normal, pressed, over, disabled;
};
constexpr ButtonPictures kCaptionButton{1220, 0, 1221, 1222};
constexpr ButtonPictures kLinkButton{1170, 1150, 1160, 0};
constexpr ButtonPictures kRewindButton{1100, 1102, 1104, 1106};
constexpr ButtonPictures kPauseButton{1130, 1132, 1134, 1136};
constexpr ButtonPictures kPlayButton{1140, 1142, 1144, 1146};

VPictureButton* MakeButton(int32_t id, const ButtonPictures& p, int32_t x, int32_t y, int32_t layer) {
  return new VPictureButton(id, p.normal, p.pressed, p.over, p.disabled, VPoint(x, y), layer, 0, 0,
                            CurrentParentMarker());
}

bool Is(uint32_t value, int32_t id) { return value == static_cast<uint32_t>(id); }

}  // namespace

ViewerBackdropPanel::ViewerBackdropPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                                         int32_t height, VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent) {
  SetTransparent(true);
  for (int32_t sound = kFirstSound; sound <= kLastSound; ++sound) GetSoundManager().AcquireSound(sound);
}

ViewerBackdropPanel::~ViewerBackdropPanel() {
  for (int32_t sound = kFirstSound; sound <= kLastSound; ++sound) GetSoundManager().ReleaseSound(sound);
}

void ViewerBackdropPanel::BuildControls(int32_t /*kind*/, int32_t x, int32_t y, const ItemRef& link,
                                        bool linkFlag) {
  VGraphicObject* previous = SetCurrentParent(this);
  const int32_t barTop = y;
  VPictureButton* captionButton = nullptr;
  if (linkFlag) {
    captionButton = MakeButton(kCaptionButtonId, kCaptionButton, x + 6, y, 2);
    y += captionButton->GetHeight();
  }
  auto* title = new VPictureControl(kTitlePictureId, linkFlag ? kTitlePictureWithCaption : kTitlePicture, x, y, 1,
                                    0, 0, CurrentParentMarker());
  y += title->GetHeight();
  auto* bar = new VPictureControl(kBarPictureId, kBarPicture, x, y, 1, 0, 0, CurrentParentMarker());
  y += bar->GetHeight();
  MainScreenServices* services = GetMainScreenServices();
  const bool hasPanel = services != nullptr && services->GetCurrentPanel() != nullptr;
  const bool linkOn = !(hasPanel && link.GetNumber() == 0);
  linkedNumber_ = linkOn ? link.GetNumber() : 0;
  auto* linkPicture = new VPictureControl(kLinkPictureId, linkOn ? kLinkOnPicture : kLinkOffPicture, x, y, 1, 0,
                                          0, CurrentParentMarker());
  y += linkPicture->GetHeight();
  if (linkOn) MakeButton(kLinkButtonId, kLinkButton, x - 2, y - 4, 1);
  const int32_t y0 = captionButton != nullptr ? barTop + 5 + captionButton->GetHeight() : barTop;
  MakeButton(kRewindButtonId, kRewindButton, x + 6, y0 + 6, 2);
  MakeButton(kPauseButtonId, kPauseButton, x + 6, y0 + 23, 2);
  MakeButton(kPlayButtonId, kPlayButton, x + 6, y0 + 23, 2)->SetVisible(false, true);
  SetCurrentParent(previous);
}

void ViewerBackdropPanel::ShowAndRedraw() {
  SetVisible(true, true);
  Redraw(nullptr, nullptr);
}

void ViewerBackdropPanel::HideAndReport() {
  SetVisible(false, true);
  SendControlEvent(*this, kOwnerHidden);
}

void ViewerBackdropPanel::ShowPlayButton() {
  if (VGraphicObject* pause = FindObject(kPauseButtonId)) pause->SetVisible(false, false);
  if (VGraphicObject* play = FindObject(kPlayButtonId)) play->SetVisible(true, true);
}

void ViewerBackdropPanel::ShowPauseButton() {
  if (VGraphicObject* play = FindObject(kPlayButtonId)) play->SetVisible(false, false);
  if (VGraphicObject* pause = FindObject(kPauseButtonId)) pause->SetVisible(true, true);
}

bool ViewerBackdropPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  SoundManager& sounds = GetSoundManager();
  if (code == kEventButtonClicked) {
    if (Is(value1, kCaptionButtonId)) {
      sounds.TriggerSound(kSoundPress);
      return false;
    }
    if (Is(value1, kLinkButtonId)) {
      sounds.TriggerSound(kSoundPress);
      SendControlEvent(*this, kOwnerLink, static_cast<uint32_t>(linkedNumber_));
      return true;
    }
    if (Is(value1, kPlayButtonId)) {
      ShowPauseButton();
      sounds.TriggerSound(kSoundPlay);
      SendControlEvent(*this, kOwnerPlay, 0);
      return true;
    }
    if (Is(value1, kPauseButtonId)) {
      ShowPlayButton();
      sounds.TriggerSound(kSoundPause);
      SendControlEvent(*this, kOwnerPause, 0);
      return true;
    }
    if (Is(value1, kRewindButtonId)) {
      ShowPlayButton();
      sounds.TriggerSound(kSoundPause);
      SendControlEvent(*this, kOwnerRewind, 0);
      return true;
    }
  } else if (code == kEventButtonEntered) {
    if (Is(value1, kLinkButtonId) || Is(value1, kCaptionButtonId)) {
      sounds.TriggerSound(kSoundOverLink);
      return false;
    }
    if (Is(value1, kPlayButtonId)) {
      sounds.TriggerSound(kSoundOverPlay);
      return false;
    }
    if (Is(value1, kPauseButtonId) || Is(value1, kRewindButtonId)) {
      sounds.TriggerSound(kSoundOverPause);
      return false;
    }
  } else if (code == VideoItemPanel::kOwnerMovieOpened) {
    Redraw(nullptr, nullptr);
    return false;
  }
  return VControl::HandleEvent(code, value1, value2);
}
