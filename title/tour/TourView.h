// The screen of the panorama tour: a 640 x 480 control that owns the tour's
// navigator, the black cover, the centre indicator, the "new item" animation
// that slides in before an unseen item opens and, while one is open, the
// detail-photo pop-up. One state machine turns what the navigator reports
// into captions, sounds, items opened by the main panel (owner message 138),
// pop-ups and scripted walks from bubble to bubble: a turn to the walk's
// start view, a snapshot of it, dissolves through the walk's pictures, and
// the arrival in the end bubble at its end view. As a task it plays a
// footstep whenever the view has turned far enough and the bubble's random
// sounds at random intervals.
//
// Owner messages (value: the view's id unless said): 96 the cover has faded
// out, 97 the cover has dimmed, 98 a walk has ended, 99 the interface has
// switched for a pop-up, 137 a bubble was entered, 138 an item is to be
// opened (value: a message pointer to an ItemRef, valid while the message is
// handled; the view keeps and frees it).
#pragma once

#include <cstdint>
#include <memory>

#include "engine/app/VControl.h"
#include "engine/core/VTask.h"
#include "engine/script/ItemRef.h"

class BubbleRecord;
class BubbleTransition;
class HotspotRecord;
class SignalTimer;
class TourCenterIndicator;
class TourCover;
class TourNavigator;
class PictureFrameControl;
class TourViewHost;
class VAnimatingPictureControl;
class VAudioStream;
class VPicture;
class VString;

class TourView : public VControl, public VTask {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr int32_t kViewId = 14362;
  static constexpr int32_t kCoverId = 14372;
  static constexpr int32_t kTransitionPictureId = 14374;
  static constexpr int32_t kIndicatorId = 14375;
  static constexpr int32_t kAnimationId = 14376;
  static constexpr int32_t kCloseControlIds[2] = {14384, 14389};
  static constexpr int32_t kSlideTimerId = 9;
  static constexpr int32_t kHotspotSound = 65;
  static constexpr uint16_t kAmbientOffset = 650;
  static constexpr uint16_t kFootstepOffset = 700;
  static constexpr uint16_t kRandomOffset = 750;
  static constexpr uint16_t kNewItemPictureId = 400;
  static constexpr int32_t kFadeDuration = 500;
  static constexpr int32_t kModeSwitchDuration = 700;
  static constexpr int32_t kDimLevel = 37;
  static constexpr int32_t kTransitionTaskId = 4099;
  static constexpr int32_t kFootstepCount = 4;
  static constexpr int32_t kRandomSlots = 5;
  // How far (radians) the view turns between two footsteps.
  static constexpr float kFootstepTurn = 1.0f;

  static constexpr uint32_t kMessageUncovered = 96;
  static constexpr uint32_t kMessageDimmed = 97;
  static constexpr uint32_t kMessageTransitionDone = 98;
  static constexpr uint32_t kMessagePopupReady = 99;
  static constexpr uint32_t kMessageBubbleEntered = 137;
  static constexpr uint32_t kMessageOpenItem = 138;
  // Reports that the view reacts to.
  static constexpr uint32_t kMessageCloseControl = 91;
  static constexpr uint32_t kMessageModeSwitched = 92;

  enum State : int32_t {
    kNavigating = 0,
    kHidingInterfaceForTransition = 1,
    kShowingInterfaceAfterTransition = 2,
    kTurningToStartAngle = 3,
    kStepWaiting = 4,
    kStepFading = 5,
    kUnused = 6,
    kLastStepFading = 7,
    kNewItemSlidingIn = 8,
    kNewItemPlaying = 9,
    kNewItemSlidingOut = 10,
    kPopupOpen = 11,
    kPopupInterfaceSwitching = 12,
    kPopupClosing = 13,
    kCovered = 14,
    kUncovering = 15,
    kDimming = 16,
  };

  TourView(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
           VGraphicObject* parent);
  ~TourView() override;
  TourView(const TourView&) = delete;
  TourView& operator=(const TourView&) = delete;

  // The shell's services (not owned; null: none).
  void SetHost(TourViewHost* host) { host_ = host; }

  // Makes the record the current bubble (the navigator owns it from now on;
  // null shows no bubble), starts its sounds and sends 137.
  void EnterBubble(BubbleRecord* record);
  BubbleRecord* GetCurrentBubble() const;
  // Covers the view at once; a walk, slide or pop-up switch under way is
  // brought to its end first (see Suspend).
  bool ShowCover();
  bool HideCover();
  // Puts the tour to rest under the dimmed cover and reports 97 once dimmed.
  // Whatever the view is in the middle of ends first, so that the tour wakes
  // in a state that takes the pointer again: a walk arrives at once in its
  // end bubble at its end view (its pictures, held sounds and picture
  // control go), an item sliding in is dropped with its animation, a pop-up
  // switching in stays open, one closing goes. When the view had asked the
  // main interface for a mode switch, 97 waits until that switch has
  // reported (92), so that the next layout request finds the strip idle.
  bool Suspend();
  bool IsCovered() const { return state_ == kCovered; }
  void ResetCursor();

  // What the main panel reads: the state word, and the mode flag (set while
  // a detail-photo pop-up is open).
  int32_t GetState() const { return state_; }
  // The tour is on show (not covered, being uncovered or dimmed): leaving it
  // for the main interface now suspends it.
  bool IsOnShow() const { return state_ != kCovered && state_ != kUncovering && state_ != kDimming; }
  bool HasPopup() const { return popup_ != nullptr; }
  TourNavigator* GetNavigator() const { return navigator_; }
  TourCover* GetCover() const { return cover_; }
  PictureFrameControl* GetPopup() const { return popup_; }
  VAnimatingPictureControl* GetNewItemAnimation() const { return newItemAnimation_; }
  int32_t GetStepIndex() const { return stepIndex_; }
  const BubbleTransition* GetTransition() const { return transition_.get(); }
  int32_t GetRandomCount() const { return randomCount_; }
  int32_t GetLastRandomSlot() const { return lastRandomSlot_; }
  int32_t GetNextRandomTick() const { return nextRandomTick_; }

  bool KeyDown(const VKeyEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;
  // The sound step: footsteps and random sounds; always keeps running.
  bool Step(uint32_t pass) override;
  // A step only when a sound is due: a footstep after a turn (the turning
  // navigator brings the passes that see it), or the random sounds' time
  // while the view moves. A still view asks for none.
  uint32_t GetStepWait(uint32_t now) override;

  // The random-sound delay (ms) for a generator value r in 0..32767 and the
  // bubble's random-sound count (1..5).
  static int32_t RandomDelay(int r, int32_t count);

 protected:
  // A sound medium loaded whole (one reference for the caller), or null.
  virtual VAudioStream* LoadSoundStream(uint16_t mediaId);

 private:
  void Pause();
  void Resume();
  bool IsPaused() const;
  void SetTourCaption(const VString& text, bool shown);
  void UpdateCenterIndicator();
  void ActivateHotspot(const HotspotRecord& hotspot);
  void StartBubbleTransition(const ItemRef& item);
  void PrepareNextPicture();
  // Sends 138 with a copy of the item that lives until the message is handled.
  void SendOpenItem(std::unique_ptr<ItemRef> item);
  void SendOwnerMessage(uint32_t code);
  HotspotRecord* CurrentHotspot() const;
  // A copy of the navigator's last frame as a new picture (null without one).
  VPicture* SnapshotView() const;
  void ReleaseTransitionPictures();
  void ReleaseSoundStreams();
  // The turn since the last footstep, the short way round (radians); 0
  // without a navigator or footstep sounds.
  float TurnSinceFootstep() const;
  void StepFootsteps();
  void StepRandomSounds();
  // Removes the pop-up from the view; it is deleted once the dispatch that
  // may be running inside it has returned.
  void DropPopup();
  void SetWaitCursor(bool wait);
  void SwitchInterfaceMode(int32_t mode);
  // Brings a walk, a slide or a pop-up's switch to its resting end (state 0,
  // or 11 with an open pop-up); nothing in any other state.
  void EndMotion();
  void EndWalk();
  void EndSlide();
  // The cover has dimmed and no mode switch of the view's is pending: state
  // 14 and 97.
  void FinishDimming();

  TourViewHost* host_ = nullptr;
  TourCenterIndicator* indicator_ = nullptr;
  TourCover* cover_ = nullptr;
  PictureFrameControl* popup_ = nullptr;
  TourNavigator* navigator_ = nullptr;
  VAnimatingPictureControl* newItemAnimation_ = nullptr;
  SignalTimer* slideTimer_ = nullptr;
  std::unique_ptr<ItemRef> pendingItem_;
  std::unique_ptr<BubbleTransition> transition_;
  int32_t stepIndex_ = -1;
  uint32_t stepStartTick_ = 0;
  VPicture* nextPicture_ = nullptr;
  VPicture* currentPicture_ = nullptr;
  float lastFootstepAngle_ = 0.0f;
  int32_t footstepPhase_ = 0;
  VAudioStream* footsteps_[kFootstepCount] = {};
  int32_t nextRandomTick_ = 0;
  int32_t lastRandomSlot_ = -1;
  int32_t randomCount_ = 0;
  VAudioStream* randomSounds_[kRandomSlots] = {};
  int32_t state_ = kCovered;
  uint8_t overHotspot_ = 0;
  // The end bubble of the walk has been entered (its last picture is ready).
  bool walkArrived_ = false;
  // The view asked the main interface for a mode switch that has not yet
  // reported (92).
  bool modeSwitchPending_ = false;
  // While dimming: the cover has reached its level.
  bool coverDimmed_ = false;
};
