#include "title/tour/BubbleTransition.h"

#include <algorithm>
#include <cmath>

#include "engine/archive/ArchiveServices.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ScriptLexer.h"
#include "title/tour/TourMedia.h"

namespace {

int32_t ClipMilliseconds(int32_t value) {
  return std::clamp(value, 0, BubbleTransition::kMaxStepMilliseconds);
}

// Reads an angle pair; a pair that is not finite stays at (0, 0).
void ReadAngle(const char* keyword, float& yaw, float& pitch) {
  float first = 0.0f;
  float second = 0.0f;
  ReadFloatPairField(keyword, first, second, true);
  if (std::isfinite(first) && std::isfinite(second)) {
    yaw = first;
    pitch = second;
  }
}

}  // namespace

BubbleTransition::BubbleTransition(const ItemRef& item) { Load(item); }

void BubbleTransition::Reset() {
  id_ = ItemRef();
  baseMediaId_ = 0;
  scriptRead_ = false;
  startBubble_ = ItemRef();
  startYaw_ = startPitch_ = 0.0f;
  endBubble_ = ItemRef();
  endYaw_ = endPitch_ = 0.0f;
  steps_.clear();
}

bool BubbleTransition::Load(const ItemRef& item) {
  Reset();
  id_ = item;
  baseMediaId_ = GetTransitionMediaId(item);
  if (baseMediaId_ == 0) return false;
  VString script;
  LoadTextMedia(script, baseMediaId_, false);
  return ReadScript(script);
}

bool BubbleTransition::ReadStep(TransitionStep& step, bool withWait) {
  int32_t value = 0;
  if (withWait) {
    if (!ReadIntField("WAIT", value, false)) return false;
    step.SetWait(ClipMilliseconds(value));
  }
  value = TransitionStep::kDefaultFade;
  if (!ReadIntField("FADE", value, false)) return false;
  step.SetFade(ClipMilliseconds(value));
  value = 0;
  if (!ReadIntField("SOUND", value, false)) return false;
  // A number that is no 16-bit id is no sound.
  step.SetSound(value >= 0 && value <= 0xFFFF ? static_cast<uint16_t>(value) : 0);
  return true;
}

bool BubbleTransition::ReadScript(const VString& script) {
  scriptRead_ = false;
  steps_.clear();
  BeginScript(script);
  if (!OpenBlock("BUBBLETRANSITION")) return false;
  scriptRead_ = true;
  ReadItemRefField("ID", id_, true);
  ReadItemRefField("STARTBUBBLE", startBubble_, true);
  ReadAngle("STARTANGLE", startYaw_, startPitch_);
  ReadItemRefField("ENDBUBBLE", endBubble_, true);
  ReadAngle("ENDANGLE", endYaw_, endPitch_);
  if (!OpenBlock("SEQUENCE")) return false;
  steps_.emplace_back();
  if (GetTokenKind() != kTokenCloseBrace) {
    if (!ReadStep(steps_.front(), false)) return false;
    while (GetTokenKind() != kTokenCloseBrace) {
      TransitionStep step;
      if (!ReadStep(step, true)) return false;
      if (GetStepsRead() < kMaxSteps) steps_.push_back(step);
    }
  }
  CloseBlock();
  CloseBlock();
  return true;
}

bool BubbleTransition::CanStart() const {
  return baseMediaId_ != 0 && scriptRead_ && GetBubbleMediaId(endBubble_) != 0;
}

int32_t BubbleTransition::GetStepCount() const { return std::max(GetStepsRead() - 1, 0); }

const TransitionStep* BubbleTransition::StepAfter(int32_t index) const {
  if (index < -1 || index + 1 >= GetStepsRead()) return nullptr;
  return &steps_[static_cast<size_t>(index + 1)];
}

int32_t BubbleTransition::GetStepWait(int32_t index) const {
  const TransitionStep* step = StepAfter(index);
  return step != nullptr ? step->GetWait() : TransitionStep::kDefaultWait;
}

int32_t BubbleTransition::GetStepFade(int32_t index) const {
  const TransitionStep* step = StepAfter(index);
  return step != nullptr ? step->GetFade() : TransitionStep::kDefaultFade;
}

uint16_t BubbleTransition::GetStepSound(int32_t index) const {
  const TransitionStep* step = StepAfter(index);
  return step != nullptr ? step->GetSound() : 0;
}

VPicture* BubbleTransition::GetFramePicture(int32_t index) const {
  if (baseMediaId_ == 0 || index < 0 || index > 0xFFFF) return nullptr;
  const int32_t id = baseMediaId_ + 1 + index;
  if (id > 0xFFFF) return nullptr;
  MediaArchive* archive = GetArchiveForMedia(baseMediaId_);
  if (archive == nullptr) return nullptr;
  MediaArchive* previous = SetCurrentArchive(archive);
  auto* picture = new VPicture(static_cast<uint16_t>(id));
  if (previous != nullptr) SetCurrentArchive(previous);
  if (picture->GetPixelMap() == nullptr) {
    picture->Release();
    return nullptr;
  }
  return picture;
}
