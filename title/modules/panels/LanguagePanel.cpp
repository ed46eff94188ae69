#include "title/modules/panels/LanguagePanel.h"

#include <new>

#include "engine/app/MainWindow.h"
#include "engine/app/VApplication.h"
#include "engine/app/VDisplay.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextBox.h"
#include "engine/controls/VTextControl.h"
#include "engine/core/VTLink.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/AnimatedPicture.h"
#include "title/controls/ClickArea.h"
#include "title/shell/MuseumArchives.h"
#include "title/shell/PictureFontTable.h"

namespace {
// ClickArea's events: the pointer came over it, left it, a click on it.
constexpr uint32_t kPointerEntered = 15;
constexpr uint32_t kPointerLeft = 16;
constexpr uint32_t kClicked = 32;
// The label's font: picture font 509 (entry 9 of the title's table).
constexpr int32_t kLabelFont = 9;
constexpr const char* kDutchName = "Nederlands";
constexpr const char* kEnglishName = "English";

struct Choice {
  uint16_t selection;
  int32_t left;
  int32_t top;
};
constexpr Choice kDutchChoice{LanguagePanel::kDutchSelection, 212, 122};
constexpr Choice kEnglishChoice{LanguagePanel::kEnglishSelection, 252, 122};

AnimatedPicture* MakeAnimation(uint16_t picture, int32_t left, int32_t top, int32_t layer, VGraphicObject* parent) {
  auto* animation = new AnimatedPicture(VControl::kAllocateId, picture, left, top, layer, 0, 0, parent);
  animation->SetFrameStepping(true);
  animation->SetLoop(false);
  return animation;
}
}  // namespace

LanguagePanel::LanguagePanel() {
  GetSoundManager().AcquireSound(kSoundOver);
  GetSoundManager().AcquireSound(kSoundChosen);
}

LanguagePanel::~LanguagePanel() {
  GetSoundManager().ReleaseSound(kSoundOver);
  GetSoundManager().ReleaseSound(kSoundChosen);
}

void LanguagePanel::Build() { StoreBounds(VRect(0, 0, panels::kScreenWidth, panels::kScreenHeight)); }

void LanguagePanel::Enter() {
  VDisplay::Get().SetBufferSwap(false);
  SelectExtraArchive();
  SetCursorById(panels::kArrowCursor);
  panels::MakeBlackBackground(this);
  new VPictureControl(kAllocateId, kBackdrop, 163, 79, 2, 0, 0, this);
  englishAnimation_ = MakeAnimation(kEnglishAnimation, 290, 128, 3, this);
  englishAnimation_->Hide(false);
  dutchAnimation_ = MakeAnimation(kDutchAnimation, 260, 128, 3, this);
  dutchAnimation_->Hide(false);
  // Over everything else, so that the pointer over a figure is over its area.
  new ClickArea(kDutchArea, 265, 136, 10, 25, 78, this);
  new ClickArea(kEnglishArea, 293, 136, 10, 27, 78, this);
  label_ = new VTextControl(kAllocateId, 0, 350, 3, 640, 50, nullptr, GetPictureFont(kLabelFont), kAlignCenter, 0,
                            false, 0, this);
  label_->SetTextColor(VRGBColor(225, 168, 88));
  if (VApplication* app = GetApplication()) {
    if (auto* window = dynamic_cast<MainWindow*>(app->GetMainWindow())) window->ResetActivityTime();
  }
}

void LanguagePanel::Leave() { DeleteSelection(); }

void LanguagePanel::HideSelection() {
  if (selectionAnimation_ != nullptr && selectionAnimation_->IsVisible()) selectionAnimation_->Hide(true);
}

void LanguagePanel::DeleteSelection() {
  if (selectionAnimation_ == nullptr) return;
  AnimatedPicture* old = selectionAnimation_;
  selectionAnimation_ = nullptr;
  RemoveChildObject(old, true);
}

void LanguagePanel::PointerEntered(int32_t area) {
  AnimatedPicture* animation = area == kDutchArea ? dutchAnimation_ : englishAnimation_;
  HideSelection();
  if (animation != nullptr) {
    animation->SetVisible(true, true);
    animation->Start();
  }
  if (label_ != nullptr) label_->SetTextChars(area == kDutchArea ? kDutchName : kEnglishName, true);
  GetSoundManager().TriggerSound(kSoundOver);
}

void LanguagePanel::PointerLeft(int32_t area) {
  AnimatedPicture* animation = area == kDutchArea ? dutchAnimation_ : englishAnimation_;
  HideSelection();
  if (animation != nullptr) {
    animation->Stop();
    animation->Hide(true);
  }
  if (label_ != nullptr) label_->SetTextChars("", true);
}

void LanguagePanel::Chosen(int32_t area) {
  const bool dutch = area == kDutchArea;
  AnimatedPicture* animation = dutch ? dutchAnimation_ : englishAnimation_;
  const Choice& choice = dutch ? kDutchChoice : kEnglishChoice;
  GetSoundManager().TriggerSound(kSoundChosen);
  if (animation != nullptr) {
    animation->Stop();
    DeleteSelection();
    selectionAnimation_ = MakeAnimation(choice.selection, choice.left, choice.top, 8, this);
    selectionAnimation_->Start();
    animation->Hide(true);
    busy_ = true;
  }
  choice_ = dutch ? kDutch : kEnglish;
}

bool LanguagePanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  const bool area = value1 == static_cast<uint32_t>(kDutchArea) || value1 == static_cast<uint32_t>(kEnglishArea);
  const auto id = static_cast<int32_t>(value1);
  switch (code) {
    case kMessageTick:
      if (!done_) break;
      // Asked once: the owner replaces (and deletes) this panel meanwhile.
      done_ = false;
      SendUpward(MainWindow::kOwnerShowPanel8194, static_cast<uint32_t>(GetId()), 0);
      return true;
    case kPointerEntered:
      if (!area) break;
      if (!busy_) PointerEntered(id);
      return true;
    case kPointerLeft:
      if (!area) break;
      if (!busy_) PointerLeft(id);
      return true;
    case kClicked:
      if (!area) break;
      Chosen(id);
      return true;
    case AnimatedPicture::kMessageFinished:
      if (!busy_) break;
      done_ = true;
      busy_ = false;
      return true;
    default:
      break;
  }
  return VPanel::HandleEvent(code, value1, value2);
}

