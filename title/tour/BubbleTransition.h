// A scripted walk from one bubble to the next, read from its BUBBLETRANSITION
// script: the start bubble and the view to turn to there, the end bubble and
// the view on arrival, and a sequence of timed steps. Step 0 gives the fade
// and sound of the first picture change; every later step a pause, a fade
// and a sound. The pictures shown between the two bubbles are the media
// T + 1, T + 2, ... after the script's id T (GetTransitionMediaId), read from
// the archive that holds T.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "title/tour/TransitionStep.h"

class VPicture;

class BubbleTransition {
 public:
  // Steps kept; later entries of the sequence are read and dropped.
  static constexpr int32_t kMaxSteps = 1000;
  // Waits and fades are clipped to 0..this many milliseconds.
  static constexpr int32_t kMaxStepMilliseconds = 60000;

  // Empty fields, then Load(item).
  explicit BubbleTransition(const ItemRef& item);
  BubbleTransition(const BubbleTransition&) = delete;
  BubbleTransition& operator=(const BubbleTransition&) = delete;

  // Resets the transition and reads the script of `item`. False when the
  // transition has no base id, its script holds no BUBBLETRANSITION block,
  // or its SEQUENCE breaks off (the steps read so far are kept).
  bool Load(const ItemRef& item);
  // Reads a BUBBLETRANSITION script (in place) into the transition; the same
  // result as Load.
  bool ReadScript(const VString& script);

  // True when the transition may be played: it has a base id, its script was
  // a BUBBLETRANSITION and its end bubble exists (GetBubbleMediaId). Anything
  // else would leave the user in a bubble that cannot be shown.
  bool CanStart() const;

  const ItemRef& GetId() const { return id_; }
  uint16_t GetBaseMediaId() const { return baseMediaId_; }
  const ItemRef& GetStartBubble() const { return startBubble_; }
  const ItemRef& GetEndBubble() const { return endBubble_; }
  float GetStartYaw() const { return startYaw_; }
  float GetStartPitch() const { return startPitch_; }
  float GetEndYaw() const { return endYaw_; }
  float GetEndPitch() const { return endPitch_; }

  // The number of steps after the first (0 without steps).
  int32_t GetStepCount() const;
  // The fields of step index + 1 (index -1 is the first step); the defaults
  // (wait 0, fade 500, sound 0) for a step that does not exist.
  int32_t GetStepWait(int32_t index) const;
  int32_t GetStepFade(int32_t index) const;
  uint16_t GetStepSound(int32_t index) const;
  int32_t GetStepsRead() const { return static_cast<int32_t>(steps_.size()); }

  // A new picture (the caller releases it) of medium T + 1 + index, read
  // from the archive that holds T (made current for the read, the previous
  // one current again afterwards); null when it cannot be made.
  VPicture* GetFramePicture(int32_t index) const;

 private:
  void Reset();
  const TransitionStep* StepAfter(int32_t index) const;
  // Reads the fields of one step; false when one of them is missing.
  bool ReadStep(TransitionStep& step, bool withWait);

  ItemRef id_;
  uint16_t baseMediaId_ = 0;
  bool scriptRead_ = false;
  ItemRef startBubble_;
  float startYaw_ = 0.0f;
  float startPitch_ = 0.0f;
  ItemRef endBubble_;
  float endYaw_ = 0.0f;
  float endPitch_ = 0.0f;
  std::vector<TransitionStep> steps_;
};
