#include "title/tour/TourView.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VAnimatingPictureControl.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VTransition.h"
#include "engine/core/VString.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/AudioStream.h"
#include "engine/sound/MediaAudioStream.h"
#include "engine/sound/SoundManager.h"
#include "platform/Clock.h"
#include "platform/Rand.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/PictureTransitions.h"
#include "title/controls/SignalFunctions.h"
#include "title/controls/SignalSinks.h"
#include "title/controls/SignalTimer.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/BubbleTransition.h"
#include "title/tour/HotspotRecord.h"
#include "title/tour/TourCenterIndicator.h"
#include "title/tour/TourCover.h"
#include "title/tour/TourNavigator.h"
#include "title/controls/PictureFrameControl.h"
#include "title/tour/TourViewHost.h"

namespace {
constexpr int32_t kAnimationLeft = 650;
constexpr int32_t kAnimationShownLeft = 541;
constexpr int32_t kAnimationTop = 16;
constexpr uint32_t kSlideInterval = 40;
constexpr int32_t kNavigatorTaskId = 8;
constexpr uint16_t kIndicatorPictureId = 198;
constexpr int32_t kCoverDefaultDuration = 1000;
// Interface layout modes requested of the main interface screen.
constexpr int32_t kModeTransition = 0;
constexpr int32_t kModeTour = 2;
constexpr int32_t kModePopup = 3;
// The viewer's one-shot mode that renders the next frame through its frame buffer.
constexpr uint16_t kFrameModeBufferedOnce = 3;

uint32_t Tick() { return platform::TickCount(); }
}  // namespace

TourView::TourView(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                   VGraphicObject* parent)
    : VControl(kKind, id, left, top, layer, width, height, parent),
      VTask(0, true, false, false, GetTaskManager()),
      stepStartTick_(Tick()) {
  SetTransparent(true);

  auto* picture = new VPicture(kNewItemPictureId);
  const VRect& bounds = picture->GetFullBounds();
  newItemAnimation_ = new VAnimatingPictureControl(kAnimationId, picture, kAnimationLeft, kAnimationTop, 3,
                                                   bounds.GetWidth(), bounds.GetHeight(), this);
  newItemAnimation_->SetVisible(false, false);
  const int32_t frames = picture->GetFrameCount();
  picture->Release();
  if (frames > 0) {
    // One run lasts about the slide's time.
    const int32_t rate = frames * 1000 / kFadeDuration;
    newItemAnimation_->SetStepPeriod(rate > 0 ? static_cast<uint32_t>(1000 / rate) : 0);
  }

  slideTimer_ = new SignalTimer(kSlideTimerId, kSlideInterval, this);
  auto* ramp = new SignalLinearRamp(0, kAnimationLeft, kAnimationShownLeft, kFadeDuration, 0);
  slideTimer_->Subscribe(ramp, 0);
  ramp->Subscribe(new SignalPositionSink(newItemAnimation_), 0);

  navigator_ = new TourNavigator(kAllocateId, kNavigatorTaskId, left, top, layer, width, height, this);
  navigator_->SetMaxSpeed(32.0f);
  navigator_->SetAcceleration(8.0f);
  navigator_->SetDeceleration(8.0f);
  navigator_->SetFocalLength(400.0f);

  indicator_ = new TourCenterIndicator(kIndicatorId, kIndicatorPictureId, 308, 228, 1, 24, 24, this);
  cover_ = new TourCover(kCoverId, kCoverDefaultDuration, 0, 0, 4, width, height, this);
  cover_->FadeIn(1);
  GetSoundManager().AcquireSound(kHotspotSound);
}

TourView::~TourView() {
  SoundManager& sounds = GetSoundManager();
  sounds.StopLoopSound0();
  sounds.StopLoopSound1();
  ReleaseSoundStreams();
  ReleaseTransitionPictures();
  sounds.ReleaseSound(kHotspotSound);
  // A pop-up waiting for deletion is no longer a child; one still shown goes
  // with the other children.
}

void TourView::ReleaseSoundStreams() {
  for (VAudioStream*& stream : footsteps_) {
    if (stream != nullptr) stream->Release();
    stream = nullptr;
  }
  for (VAudioStream*& stream : randomSounds_) {
    if (stream != nullptr) stream->Release();
    stream = nullptr;
  }
  randomCount_ = 0;
}

void TourView::ReleaseTransitionPictures() {
  if (nextPicture_ != nullptr) nextPicture_->Release();
  if (currentPicture_ != nullptr) currentPicture_->Release();
  nextPicture_ = nullptr;
  currentPicture_ = nullptr;
}

VAudioStream* TourView::LoadSoundStream(uint16_t mediaId) {
  auto* stream = new MediaAudioStream(mediaId);
  if (!stream->LoadWhole()) {
    stream->Release();
    return nullptr;
  }
  return stream;
}

// ---- Calls of the main panel --------------------------------------------------

void TourView::EnterBubble(BubbleRecord* record) {
  if (popup_ != nullptr) DropPopup();
  if (record != nullptr) record->GetItem().MarkItemVisited();
  overHotspot_ = 0;
  if (navigator_ != nullptr) {
    navigator_->SetBubble(record);
  } else {
    delete record;
    record = nullptr;
  }
  UpdateCenterIndicator();
  if (record != nullptr) {
    SoundManager& sounds = GetSoundManager();
    if (const uint16_t ambient = record->GetAmbientSound(); ambient != 0) {
      if (VAudioStream* stream = LoadSoundStream(static_cast<uint16_t>(ambient + kAmbientOffset))) {
        sounds.SetLoopSound0(stream);
        sounds.StartLoopSound0();
        stream->Release();
      }
    }
    ReleaseSoundStreams();
    if (const uint16_t footsteps = record->GetFootstepsSound(); footsteps != 0) {
      for (int32_t k = 0; k < kFootstepCount; ++k) {
        footsteps_[k] = LoadSoundStream(static_cast<uint16_t>(footsteps + kFootstepOffset + k));
      }
    }
    for (int32_t k = 0; k < kRandomSlots; ++k) {
      if (const uint16_t random = record->GetRandomSound(k); random != 0) {
        randomSounds_[k] = LoadSoundStream(static_cast<uint16_t>(random + kRandomOffset));
        ++randomCount_;
      }
    }
  }
  SendOwnerMessage(kMessageBubbleEntered);
}

BubbleRecord* TourView::GetCurrentBubble() const {
  return navigator_ != nullptr ? dynamic_cast<BubbleRecord*>(navigator_->GetCurrentBubble()) : nullptr;
}

bool TourView::ShowCover() {
  if (cover_ == nullptr) return false;
  EndMotion();
  cover_->FadeIn(kFadeDuration);
  state_ = kCovered;
  return true;
}

bool TourView::HideCover() {
  if (state_ != kCovered) return false;
  if (cover_ != nullptr) cover_->FadeOut(kFadeDuration);
  if (indicator_ != nullptr) indicator_->FadeIn();
  state_ = kUncovering;
  return true;
}

bool TourView::Suspend() {
  if (state_ == kCovered) return false;
  EndMotion();
  state_ = kDimming;
  coverDimmed_ = false;
  Pause();
  if (indicator_ != nullptr) indicator_->FadeOut();
  if (cover_ != nullptr) cover_->FadeTo(kDimLevel, kFadeDuration);
  return true;
}

void TourView::ResetCursor() {
  if (navigator_ != nullptr) navigator_->ResetCursor();
}

// ---- Internal operations --------------------------------------------------------

void TourView::Pause() {
  if (navigator_ != nullptr) {
    navigator_->Deactivate();
    GetSoundManager().StopLoopSound0();
    GetSoundManager().StopLoopSound1();
  }
  if (popup_ != nullptr) popup_->SetEnabled(false);
}

void TourView::Resume() {
  if (popup_ != nullptr) {
    popup_->SetEnabled(true);
  } else if (navigator_ != nullptr) {
    navigator_->Activate();
  }
  GetSoundManager().StartLoopSound0();
}

bool TourView::IsPaused() const {
  if (popup_ != nullptr) return !popup_->IsEnabled();
  if (navigator_ != nullptr) return navigator_->IsAtRest();
  return false;
}

void TourView::SetTourCaption(const VString& text, bool shown) {
  if (MainScreenServices* services = GetMainScreenServices()) services->SetCaption(text, shown, false);
}

void TourView::UpdateCenterIndicator() {
  if (indicator_ == nullptr || navigator_ == nullptr) return;
  const VFPoint offset = navigator_->GetLookOffset();
  indicator_->ShowDirection(offset.x, offset.y, overHotspot_ != 0, true);
}

void TourView::SetWaitCursor(bool wait) {
  if (host_ != nullptr) host_->SetWaitCursor(wait);
}

void TourView::SwitchInterfaceMode(int32_t mode) {
  if (host_ == nullptr) return;
  modeSwitchPending_ = true;
  host_->SwitchMode(mode, kModeSwitchDuration);
}

void TourView::EndMotion() {
  switch (state_) {
    case kTurningToStartAngle:
    case kHidingInterfaceForTransition:
    case kStepWaiting:
    case kStepFading:
    case kLastStepFading:
    case kShowingInterfaceAfterTransition:
      EndWalk();
      break;
    case kNewItemSlidingIn:
    case kNewItemPlaying:
    case kNewItemSlidingOut:
      EndSlide();
      break;
    case kPopupInterfaceSwitching:
      SetWaitCursor(false);
      state_ = popup_ != nullptr ? kPopupOpen : kNavigating;
      break;
    case kPopupClosing:
      if (popup_ != nullptr) {
        SetTourCaption(VString(""), false);
        DropPopup();
      }
      SetWaitCursor(false);
      state_ = kNavigating;
      break;
    default:
      break;
  }
}

void TourView::EndWalk() {
  if (transition_) {
    // The step sounds are held from the arrival at the start view on.
    if (state_ != kTurningToStartAngle) {
      for (int32_t i = transition_->GetStepCount() - 1; i >= 0; --i) {
        if (const uint16_t sound = transition_->GetStepSound(i); sound != 0) GetSoundManager().ReleaseSound(sound);
      }
    }
    if (!walkArrived_ && navigator_ != nullptr) {
      auto record = std::make_unique<BubbleRecord>(transition_->GetEndBubble());
      if (record->GetBaseMediaId() != 0) {
        EnterBubble(record.release());
        navigator_->SetViewAngle(VFPoint{transition_->GetEndYaw(), transition_->GetEndPitch()});
      }
    }
  }
  if (auto* control = dynamic_cast<VControl*>(FindObject(kTransitionPictureId))) {
    // A dissolve still running on the picture stops before the picture goes.
    VTransition::ForgetObject(control);
    DeleteControlLater(control);
  }
  ReleaseTransitionPictures();
  transition_.reset();
  walkArrived_ = false;
  stepIndex_ = -1;
  if (navigator_ != nullptr) navigator_->SetLookActive(true);
  state_ = kNavigating;
}

void TourView::EndSlide() {
  if (slideTimer_ != nullptr) slideTimer_->Stop(false);
  if (newItemAnimation_ != nullptr) {
    newItemAnimation_->Stop();
    newItemAnimation_->SetVisible(false, true);
    newItemAnimation_->MoveTo(VPoint(kAnimationLeft, kAnimationTop), false, false, false);
  }
  // The person asked for something else before the item opened.
  pendingItem_.reset();
  state_ = kNavigating;
}

void TourView::FinishDimming() {
  state_ = kCovered;
  SetCapturedObject(nullptr);
  SendOwnerMessage(kMessageDimmed);
}

HotspotRecord* TourView::CurrentHotspot() const {
  BubbleRecord* record = GetCurrentBubble();
  return record != nullptr ? record->GetHotspot(navigator_->GetCurrentHotspot()) : nullptr;
}

void TourView::SendOwnerMessage(uint32_t code) { SendUpward(code, static_cast<uint32_t>(GetId()), 0); }

void TourView::SendOpenItem(std::unique_ptr<ItemRef> item) {
  // The view is the copy's one owner: it lives while the main panel handles
  // the message and is freed when the message returns.
  ScopedMessagePointer token(item.get());
  SendUpward(kMessageOpenItem, token.GetValue(), 0);
}

void TourView::DropPopup() {
  PictureFrameControl* popup = std::exchange(popup_, nullptr);
  DeleteControlLater(popup);
}

void TourView::ActivateHotspot(const HotspotRecord& hotspot) {
  const ItemRef& item = hotspot.GetInfoItem();
  if (item.GetCategory() == kTransitionCategory) {
    StartBubbleTransition(item);
    return;
  }
  if (item.GetCategory() == kDetailPhotoCategory) {
    SetWaitCursor(true);
    popup_ = host_ != nullptr ? host_->MakeDetailPhotoPopup(item, this) : nullptr;
    if (popup_ != nullptr) popup_->Show();
    if (host_ != nullptr) {
      host_->ShowSavedCaption();
      host_->SetStatusText(VString(""), false);
      host_->SetStatusText(VString(""), true);
    }
    SwitchInterfaceMode(kModePopup);
    state_ = kPopupInterfaceSwitching;
    return;
  }
  auto copy = std::make_unique<ItemRef>(item);
  if (copy->IsItemVisited()) {
    SendOpenItem(std::move(copy));
  } else if (newItemAnimation_ != nullptr) {
    pendingItem_ = std::move(copy);
    state_ = kNewItemSlidingIn;
    if (navigator_ != nullptr) navigator_->Deactivate();
    if (slideTimer_ != nullptr) {
      slideTimer_->SetDirection(1);
      slideTimer_->Start(kFadeDuration);
    }
    newItemAnimation_->SetVisible(true, false);
  }
}

void TourView::StartBubbleTransition(const ItemRef& item) {
  auto transition = std::make_unique<BubbleTransition>(item);
  // A walk that cannot be played (no script, or no end bubble to arrive in)
  // leaves the user where they are.
  if (!transition->CanStart()) return;
  transition_ = std::move(transition);
  if (indicator_ != nullptr) indicator_->FadeOut();
  GetSoundManager().StopLoopSound0();
  GetSoundManager().StopLoopSound1();
  if (navigator_ != nullptr) {
    SetTourCaption(VString(""), false);
    navigator_->TurnTo(VFPoint{transition_->GetStartYaw(), transition_->GetStartPitch()});
    navigator_->SetLookActive(false);
  }
  state_ = kTurningToStartAngle;
}

VPicture* TourView::SnapshotView() const {
  if (navigator_ == nullptr) return nullptr;
  PixelMap* frame = navigator_->GetFrameBuffer();
  if (frame == nullptr) return nullptr;
  auto* copy = new PixelMap(*frame, nullptr);
  if (!copy->HasStorage()) {
    delete copy;
    return nullptr;
  }
  return new VPicture(copy);
}

void TourView::PrepareNextPicture() {
  const int32_t count = transition_->GetStepCount();
  if (nextPicture_ != nullptr) nextPicture_->Release();
  nextPicture_ = nullptr;
  if (stepIndex_ < count - 1) {
    // A picture that cannot be read dissolves to black.
    nextPicture_ = transition_->GetFramePicture(stepIndex_ + 1);
  } else {
    auto record = std::make_unique<BubbleRecord>(transition_->GetEndBubble());
    // An end bubble that does not load is not entered: the user stays in
    // the bubble they can still see.
    if (record->GetBaseMediaId() != 0 && navigator_ != nullptr) {
      EnterBubble(record.release());
      navigator_->SetViewAngle(VFPoint{transition_->GetEndYaw(), transition_->GetEndPitch()});
    }
    walkArrived_ = true;
    if (navigator_ != nullptr) {
      navigator_->MarkMapChanged();
      navigator_->SetFrameMode(kFrameModeBufferedOnce);
      navigator_->Redraw(nullptr, nullptr);
    }
    nextPicture_ = SnapshotView();
  }
  state_ = kStepWaiting;
}

// ---- Events ---------------------------------------------------------------------

bool TourView::KeyDown(const VKeyEvent& event) { return VControl::KeyDown(event); }

bool TourView::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  // The main interface runs one switch at a time: any report ends the one
  // the view asked for.
  const bool ownModeSwitch = code == kMessageModeSwitched && modeSwitchPending_;
  if (code == kMessageModeSwitched) modeSwitchPending_ = false;
  switch (state_) {
    case kNavigating:
      if (code == TourNavigator::kMessageHotspotEntered) {
        overHotspot_ = 1;
        UpdateCenterIndicator();
        GetSoundManager().TriggerSound(kHotspotSound);
        if (const HotspotRecord* hotspot = CurrentHotspot()) {
          SetTourCaption(hotspot->GetText(), hotspot->GetInfoItem().IsItemVisited());
        }
        return true;
      }
      if (code == TourNavigator::kMessageHotspotLeft) {
        overHotspot_ = 0;
        UpdateCenterIndicator();
        SetTourCaption(VString(""), false);
        break;
      }
      if (code == TourNavigator::kMessageHotspotClicked) {
        if (const HotspotRecord* hotspot = CurrentHotspot()) ActivateHotspot(*hotspot);
        return true;
      }
      if (code == TourNavigator::kMessageLookMoved) UpdateCenterIndicator();
      break;

    case kHidingInterfaceForTransition:
      if (code != kMessageModeSwitched) break;
      SetWaitCursor(true);
      if (currentPicture_ != nullptr) currentPicture_->Release();
      currentPicture_ = SnapshotView();
      {
        const int32_t width = currentPicture_ != nullptr ? currentPicture_->GetFullBounds().GetWidth() : GetWidth();
        const int32_t height =
            currentPicture_ != nullptr ? currentPicture_->GetFullBounds().GetHeight() : GetHeight();
        new VPictureControl(kTransitionPictureId, currentPicture_, 0, 0, 1000, width, height, this);
      }
      stepIndex_ = -1;
      PrepareNextPicture();
      stepStartTick_ = Tick();
      return true;

    case kShowingInterfaceAfterTransition:
      if (code != kMessageModeSwitched) break;
      SetWaitCursor(true);
      if (navigator_ != nullptr) navigator_->Activate();
      state_ = kNavigating;
      SendOwnerMessage(kMessageTransitionDone);
      return true;

    case kTurningToStartAngle:
      if (code != kMessageTick || navigator_ == nullptr || !transition_ || !navigator_->HasArrived()) break;
      navigator_->SetLookActive(true);
      navigator_->Deactivate();
      for (int32_t i = transition_->GetStepCount() - 1; i >= 0; --i) {
        if (const uint16_t sound = transition_->GetStepSound(i); sound != 0) GetSoundManager().AcquireSound(sound);
      }
      SwitchInterfaceMode(kModeTransition);
      state_ = kHidingInterfaceForTransition;
      return true;

    case kStepWaiting:
      if (code != kMessageTick || !transition_) break;
      if (static_cast<int32_t>(Tick() - stepStartTick_) < transition_->GetStepWait(stepIndex_)) break;
      if (auto* target = dynamic_cast<VPictureControl*>(FindObject(kTransitionPictureId))) {
        new PictureTransition(kTransitionTaskId, target, nextPicture_, true, transition_->GetStepFade(stepIndex_),
                              {}, 0, true);
      }
      if (const uint16_t sound = transition_->GetStepSound(stepIndex_); sound != 0) {
        GetSoundManager().TriggerSound(sound);
      }
      state_ = stepIndex_ == transition_->GetStepCount() - 1 ? kLastStepFading : kStepFading;
      break;

    case kStepFading:
      if (code != kEventTransitionEnded || !transition_) break;
      if (auto* target = dynamic_cast<VPictureControl*>(FindObject(kTransitionPictureId))) {
        target->SetPicture(nextPicture_, true);
        if (currentPicture_ != nullptr) currentPicture_->Release();
        currentPicture_ = std::exchange(nextPicture_, nullptr);
        stepStartTick_ = Tick();
        ++stepIndex_;
        PrepareNextPicture();
      }
      break;

    case kLastStepFading:
      if (code != kEventTransitionEnded || !transition_) break;
      ReleaseTransitionPictures();
      for (int32_t i = transition_->GetStepCount() - 1; i >= 0; --i) {
        if (const uint16_t sound = transition_->GetStepSound(i); sound != 0) GetSoundManager().ReleaseSound(sound);
      }
      // The picture control's transition is reporting from inside it.
      if (auto* control = dynamic_cast<VControl*>(FindObject(kTransitionPictureId))) DeleteControlLater(control);
      transition_.reset();
      walkArrived_ = false;
      stepIndex_ = -1;
      if (indicator_ != nullptr) indicator_->FadeIn();
      SwitchInterfaceMode(kModeTour);
      state_ = kShowingInterfaceAfterTransition;
      break;

    case kNewItemSlidingIn:
      if (code == SignalTimer::kMessageTimerEnded && value1 == kSlideTimerId && newItemAnimation_ != nullptr) {
        newItemAnimation_->Rewind();
        newItemAnimation_->Start();
        state_ = kNewItemPlaying;
      }
      break;

    case kNewItemPlaying:
      if (code == kEventAnimationStopped && static_cast<int32_t>(value1) == kAnimationId) {
        if (newItemAnimation_ != nullptr) {
          state_ = kNewItemSlidingOut;
          if (slideTimer_ != nullptr) {
            slideTimer_->SetDirection(-1);
            slideTimer_->Start(kFadeDuration);
          }
        }
        return true;
      }
      break;

    case kNewItemSlidingOut:
      if (code == SignalTimer::kMessageTimerEnded && value1 == kSlideTimerId) {
        state_ = kNavigating;
        if (newItemAnimation_ != nullptr) newItemAnimation_->SetVisible(false, true);
        if (navigator_ != nullptr) navigator_->Activate();
        if (pendingItem_) SendOpenItem(std::move(pendingItem_));
      }
      break;

    case kPopupOpen:
      if (code == kMessageCloseControl &&
          (static_cast<int32_t>(value1) == kCloseControlIds[0] || static_cast<int32_t>(value1) == kCloseControlIds[1]) &&
          !IsPaused()) {
        SwitchInterfaceMode(kModeTour);
        if (popup_ != nullptr) popup_->Hide();
        state_ = kPopupClosing;
        return true;
      }
      break;

    case kPopupInterfaceSwitching:
      if (code != kMessageModeSwitched) break;
      SetWaitCursor(false);
      state_ = kPopupOpen;
      SendOwnerMessage(kMessagePopupReady);
      return true;

    case kPopupClosing:
      if (code != PictureFrameControl::kOwnerHidden) break;
      state_ = kNavigating;
      if (popup_ != nullptr) {
        SetTourCaption(VString(""), false);
        // The pop-up is reporting from inside its own handling.
        DropPopup();
      }
      Resume();
      // The pointer stands on the view again: the hotspot under it names
      // itself at once, not only once the pointer has left and come back.
      if (navigator_ != nullptr) navigator_->RefreshHover();
      SetWaitCursor(false);
      return true;

    case kUncovering:
      if (code != TourCover::kMessageFadeEnded) break;
      Resume();
      state_ = popup_ == nullptr ? kNavigating : kPopupOpen;
      SendOwnerMessage(kMessageUncovered);
      return true;

    case kDimming:
      if (code == TourCover::kMessageFadeEnded) {
        coverDimmed_ = true;
        // A switch of the interface that the view asked for before it was
        // suspended still runs: the strip can take the next layout once
        // it has ended.
        if (!modeSwitchPending_) FinishDimming();
        return true;
      }
      if (ownModeSwitch) {
        if (coverDimmed_) FinishDimming();
        return true;
      }
      break;

    default:
      break;
  }
  return VControl::HandleEvent(code, value1, value2);
}

// ---- Sounds ----------------------------------------------------------------------

int32_t TourView::RandomDelay(int r, int32_t count) {
  return static_cast<int32_t>(r * 17000.0 / 32767.0 + 8000.0) * (6 - count);
}

bool TourView::Step(uint32_t) {
  if (IsPaused()) {
    // At rest the random sounds wait: their schedule starts again, a whole
    // delay ahead, once the view moves.
    if (nextRandomTick_ != 0) {
      nextRandomTick_ = 0;
      return true;
    }
    StepFootsteps();
    return true;
  }
  StepFootsteps();
  StepRandomSounds();
  return true;
}

uint32_t TourView::GetStepWait(uint32_t now) {
  if (TurnSinceFootstep() > kFootstepTurn) return 0;
  if (randomCount_ == 0) return kNoStepWanted;
  if (IsPaused()) return nextRandomTick_ != 0 ? 0 : kNoStepWanted;
  if (nextRandomTick_ == 0) return 0;
  // Due once the tick count has passed it.
  const auto d = static_cast<int32_t>(static_cast<uint32_t>(nextRandomTick_) + 1u - now);
  return d > 0 ? static_cast<uint32_t>(d) : 0;
}

float TourView::TurnSinceFootstep() const {
  if (navigator_ == nullptr) return 0.0f;
  for (VAudioStream* stream : footsteps_) {
    if (stream == nullptr) return 0.0f;
  }
  const float a = navigator_->GetPosition()[0];
  float d = std::fabs(a - lastFootstepAngle_);
  if (d > std::numbers::pi_v<float>) d = std::fabs(d - 2.0f * std::numbers::pi_v<float>);
  return d;
}

void TourView::StepFootsteps() {
  if (!(TurnSinceFootstep() > kFootstepTurn)) return;
  lastFootstepAngle_ = navigator_->GetPosition()[0];
  // The four steps sound in the order +2, +0, +3, +1.
  static constexpr int32_t kSlotOfPhase[kFootstepCount] = {2, 0, 3, 1};
  footsteps_[kSlotOfPhase[footstepPhase_]]->Play(0, 32767, 440);
  footstepPhase_ = (footstepPhase_ + 1) % kFootstepCount;
}

void TourView::StepRandomSounds() {
  const auto now = static_cast<int32_t>(GetTaskTickCount());
  if (!(nextRandomTick_ < now) || randomCount_ == 0) return;
  platform::SeedRand(static_cast<uint32_t>(now));
  const int r = platform::Rand();
  const int32_t delay = RandomDelay(r, randomCount_);
  if (nextRandomTick_ == 0) {
    nextRandomTick_ = now + delay;
    return;
  }
  nextRandomTick_ = now + delay;
  int32_t pick = static_cast<int32_t>(platform::Rand() * randomCount_ / 32767.0) + 1;
  if (pick == randomCount_) pick = 1;
  if (pick >= lastRandomSlot_) ++pick;
  bool playing = false;
  for (VAudioStream* stream : randomSounds_) {
    if (stream != nullptr && stream->GetPlayCount() >= 1) playing = true;
  }
  if (playing) {
    lastRandomSlot_ = -1;
    return;
  }
  int32_t slot = 0;
  for (; slot < kRandomSlots; ++slot) {
    VAudioStream* stream = randomSounds_[slot];
    if (stream == nullptr) continue;
    if (pick != 0) --pick;
    if (pick == 0 && (slot != lastRandomSlot_ || randomCount_ == 1)) {
      GetSoundManager().SetLoopSound1(stream);
      GetSoundManager().StartLoopSound1();
      break;
    }
  }
  lastRandomSlot_ = slot;
}
