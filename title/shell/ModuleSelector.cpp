#include "title/shell/ModuleSelector.h"

#include <algorithm>

#include "engine/controls/PointerState.h"
#include "engine/core/VEvent.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VMask.h"
#include "engine/graphics/VPicture.h"
#include "platform/Input.h"
#include "title/shell/ModuleButtonDef.h"
#include "title/shell/ShellPictures.h"

ModuleSelector::ModuleSelector(int32_t id, VLinkedList* buttons, int32_t left, int32_t top, int32_t layer,
                               int32_t width, int32_t height, VGraphicObject* parent)
    : VMaskControl(id, static_cast<VPicture*>(nullptr), nullptr, nullptr, left, top, layer, width, height, parent),
      VTask(kTaskId, true, false, false, GetTaskManager()) {
  if (buttons != nullptr) {
    while (VListElement* first = buttons->GetFirst()) {
      buttons->Remove(first, false);
      buttons_.Append(first);
    }
    delete buttons;
  }
}

ModuleSelector::~ModuleSelector() {
  if (regionMask_ != nullptr) regionMask_->Release();
  if (disabledPicture_ != nullptr) disabledPicture_->Release();
  buttons_.DeleteAll();
}

ModuleButtonDef* ModuleSelector::FindButton(int32_t id) const {
  for (VListElement* e = buttons_.GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* record = static_cast<ModuleButtonDef*>(e);
    if (record->GetId() == id) return record;
  }
  return nullptr;
}

ModuleButtonDef* ModuleSelector::FindButtonByRegion(int32_t region) const {
  for (VListElement* e = buttons_.GetFirst(); e != nullptr; e = e->GetNext()) {
    auto* record = static_cast<ModuleButtonDef*>(e);
    if (record->GetRegionNumber() == region) return record;
  }
  return nullptr;
}

bool ModuleSelector::AddButton(ModuleButtonDef* record) {
  if (record == nullptr || FindButton(record->GetId()) != nullptr) return false;
  const bool first = buttons_.IsEmpty();
  buttons_.Append(record);
  if (first) SelectButton(record);
  return true;
}

int32_t ModuleSelector::ClampFrame(int32_t frame) const {
  // A strip of one frame (or none) has only frame 0 to run to.
  return std::clamp(frame, 0, std::max(frameCount_ - 1, 0));
}

bool ModuleSelector::SelectButton(ModuleButtonDef* record) {
  if (record == nullptr) record = static_cast<ModuleButtonDef*>(buttons_.GetFirst());
  if (record == nullptr) return false;
  current_ = record;
  VPicture* strip = record->GetStripPicture();
  SetPicture(strip, false);
  frameCount_ = strip != nullptr ? std::max(strip->GetFrameCount(), 1) : 0;
  // The selector is built before it has pictures: it takes the size of the
  // strip it shows (the strip's layout reads its width).
  if (strip != nullptr && !HasExplicitSize()) FitToPicture();
  frame_ = ClampFrame(record->GetStartFrame());
  SetMaskPicture(record->GetMaskPicture());
  BuildRegionMask(record->GetRegionPicture());
  ShowFrame(frame_);
  lastRegion_ = -1;
  pending_ = nullptr;
  switchingBack_ = false;
  return true;
}

void ModuleSelector::BuildRegionMask(VPicture* regionPicture) {
  if (regionMask_ != nullptr) regionMask_->Release();
  regionMask_ = nullptr;
  if (regionPicture != nullptr && regionPicture->GetPixelMap() != nullptr &&
      regionPicture->GetPixelMap()->GetDepth() == 8) {
    regionMask_ = new VMask(regionPicture);
    if (regionMask_->GetPixelMap() == nullptr) {
      regionMask_->Release();
      regionMask_ = nullptr;
    }
  }
  if (regionMask_ != nullptr) {
    for (int32_t v = 0; v < 256; ++v) regionMask_->SetNormalFlag(static_cast<uint8_t>(v), 1);
    regionMask_->SetHoverFlag(0, 0);
  }
  // A region picture of another size than the mask picture is not attached.
  SetMask(regionMask_);
  if (regionMask_ != nullptr && lastRegion_ >= 0 && lastRegion_ <= 255) {
    regionMask_->SetCurrentFlag(static_cast<uint8_t>(lastRegion_), 1);
  }
  SelectValue(-1);
}

void ModuleSelector::ShowFrame(int32_t frame) {
  if (frame < frameCount_) SetFrame(frame, false);
}

bool ModuleSelector::SetEnabled(bool enabled) {
  const bool old = IsEnabledFlagSet();
  if (!enabled) {
    int32_t n = chosen_ != nullptr ? chosen_->GetRegionNumber() : 0;
    if (n < 0 || n > 4) n = 0;
    if (disabledPicture_ != nullptr) disabledPicture_->Release();
    disabledPicture_ = LoadShellPicture(static_cast<uint16_t>(kDisabledPictureBase + n));
    // Without its disabled picture the selector keeps showing the strip.
    if (disabledPicture_ != nullptr) {
      SetPicture(disabledPicture_, false);
      SetFrame(0, false);
    }
    SelectValue(-1);
    VMaskControl::SetEnabled(false);
    RedrawNow();
    return old;
  }
  VMaskControl::SetEnabled(true);
  if (current_ != nullptr) {
    SetPicture(current_->GetStripPicture(), false);
    SetFrame(-1, false);
    ShowFrame(frame_);
  }
  RedrawNow();
  return old;
}

void ModuleSelector::Reset() {
  if (chosen_ == nullptr) return;
  chosen_ = nullptr;
  SetEnabled(true);
  // At once: the strip stands at frame 0 when the screen goes on.
  stepping_ = false;
  firstStep_ = false;
  switchingBack_ = false;
  pending_ = nullptr;
  frame_ = 0;
  target_ = 0;
  ShowFrame(0);
  if (current_ != nullptr) SetMaskPicture(current_->GetMaskPicture());
  SetMask(regionMask_);
  RedrawNow();
}

void ModuleSelector::AnimateTo(int32_t target, int32_t /*region*/) {
  switchingBack_ = current_ != nullptr && pending_ != nullptr;
  if (target == -1) {
    if (switchingBack_) {
      target = current_->GetReturnFrame();
    } else {
      target = chosen_ != current_ ? frameCount_ - 2 : frameCount_ - 1;
    }
  }
  target = ClampFrame(target);
  if (target == frame_ && !switchingBack_) {
    if (current_ != nullptr) SetMaskPicture(current_->GetMaskPicture());
    SetMask(regionMask_);
    RedrawNow();
    return;
  }
  target_ = target;
  stepping_ = true;
  firstStep_ = true;
  interval_ = kFirstStepInterval;
  direction_ = frame_ <= target_ ? 1 : -1;
  SetActive(true);
  SetStepOnEveryPass();
}

bool ModuleSelector::Step(uint32_t /*pass*/) {
  if (firstStep_) {
    lastTick_ = GetTaskTickCount();
    if (stepping_) {
      nextStepTime_ = lastTick_ + static_cast<uint32_t>(interval_);
      SetNextStepTime(nextStepTime_);
    }
    firstStep_ = false;
  } else if (current_ != nullptr) {
    Animate();
  } else {
    SetActive(false);
  }
  return true;
}

void ModuleSelector::Animate() {
  if (!stepping_) {
    SetActive(false);
    return;
  }
  const uint32_t now = GetTaskTickCount();
  if (static_cast<int32_t>(now - nextStepTime_) < 0) return;
  if (switchingBack_ && frame_ == target_) {
    SelectButton(pending_);
    MoveAtPointer(false);
    AnimateTo(-1, -1);
    RedrawNow();
    return;
  }
  frame_ = std::max(frame_ + direction_, 0);
  // A frame changed under the run (a click shows the last one) ends it
  // where it stands rather than running past the target forever.
  if ((direction_ > 0 && frame_ > target_) || (direction_ < 0 && frame_ < target_)) frame_ = target_;
  ShowFrame(frame_);
  RedrawNow();
  if (frame_ == target_ && !switchingBack_) {
    switch (current_->GetEndBehaviour()) {
      case ModuleButtonDef::kLoopForward:
        frame_ = ClampFrame(current_->GetLoopStart());
        ShowFrame(frame_);
        AnimateTo(current_->GetLoopEnd(), -1);
        return;
      case ModuleButtonDef::kLoopBackward:
        frame_ = ClampFrame(current_->GetLoopEnd());
        ShowFrame(frame_);
        AnimateTo(current_->GetLoopStart(), -1);
        return;
      case ModuleButtonDef::kPingPong:
        AnimateTo(direction_ < 1 ? current_->GetLoopEnd() : current_->GetLoopStart(), -1);
        return;
      default: {
        stepping_ = false;
        const ControlLife::Watch watch = life_.MakeWatch();
        MoveAtPointer(true);
        if (!watch.Alive()) return;
        lastRegion_ = RegionUnderPointer();
        return;
      }
    }
  }
  const int32_t remaining = target_ > frame_ ? target_ - frame_ : frame_ - target_;
  if (remaining < 5) interval_ = static_cast<int32_t>(interval_ * 1.2);
  nextStepTime_ = now + static_cast<uint32_t>(interval_);
  SetNextStepTime(nextStepTime_);
}

int32_t ModuleSelector::RegionAt(const VPoint& windowPoint) const {
  VPoint origin;
  GetGlobalOrigin(origin, true);
  return ValueAt(VPoint(windowPoint.x - origin.x, windowPoint.y - origin.y));
}

int32_t ModuleSelector::RegionUnderPointer() {
  VPoint pointer;
  if (!GetPointerInWindow(*this, pointer) || !ContainsPoint(pointer)) return -1;
  return RegionAt(pointer);
}

void ModuleSelector::MoveAtPointer(bool own) {
  VPoint pointer;
  if (!GetPointerInWindow(*this, pointer)) return;
  const VMouseEvent event(pointer, 0, 0, 0);
  const ControlLife::Watch watch = life_.MakeWatch();
  VMaskControl::MouseMove(event);
  if (own && watch.Alive()) MouseMove(event);
}

bool ModuleSelector::MouseMove(const VMouseEvent& event) {
  const ControlLife::Watch watch = life_.MakeWatch();
  if (!ContainsPoint(event.GetPoint())) {
    if (!hovering_) {
      if (frame_ > 0 && frame_ == target_ && lastRegion_ < 0 && chosen_ == nullptr) AnimateTo(0, -1);
    } else {
      if (chosen_ != nullptr && chosen_ != current_) {
        pending_ = chosen_;
        AnimateTo(-1, -1);
      } else if (chosen_ == nullptr) {
        AnimateTo(0, -1);
      }
      hovering_ = false;
      SendControlEvent(*this, kEventLeft, 0);
      if (!watch.Alive()) return false;
      SelectValue(-1);
    }
    VMaskControl::MouseMove(event);
    return false;
  }
  const int32_t region = RegionAt(event.GetPoint());
  if (region >= 0 && region != lastRegion_) {
    if (ModuleButtonDef* record = FindButtonByRegion(region)) {
      if (record == current_ || record == pending_) {
        if (!stepping_) {
          if (!hovering_) SendControlEvent(*this, kEventEntered);
          if (!watch.Alive()) return true;
          AnimateTo(-1, -1);
        }
      } else {
        SendControlEvent(*this, kEventEntered);
        if (!watch.Alive()) return true;
        pending_ = record;
        AnimateTo(-1, -1);
      }
      hovering_ = true;
    }
  }
  return VMaskControl::MouseMove(event);
}

bool ModuleSelector::MouseDown(const VMouseEvent& event) {
  if (!ContainsPoint(event.GetPoint())) return VMaskControl::MouseDown(event);
  pressed_ = true;
  TakeMouseCapture();
  return true;
}

bool ModuleSelector::MouseUp(const VMouseEvent& event) {
  if (!pressed_) return VMaskControl::MouseUp(event);
  pressed_ = false;
  // Released over a button whose strip is still waiting for the shown one to
  // run back: the click is for that button, so its strip comes at once and
  // the run stops (it was running the other strip back).
  if (pending_ != nullptr && ContainsPoint(event.GetPoint()) &&
      RegionAt(event.GetPoint()) == pending_->GetRegionNumber()) {
    SelectButton(pending_);
    stepping_ = false;
  }
  if (chosen_ != current_) {
    chosen_ = current_;
    frame_ = std::max(frameCount_ - 1, 0);
    ShowFrame(frame_);
  }
  RedrawNow();
  if (GetCapturedObject() == this) SetCapturedObject(nullptr);
  SendControlEvent(*this, kEventClicked, chosen_ != nullptr ? static_cast<uint32_t>(chosen_->GetRegionNumber()) : 0);
  return true;
}

bool ModuleSelector::UpdateCursor(const VMouseEvent& event) {
  if (!ContainsPoint(event.GetPoint())) return false;
  SetCursorById(RegionAt(event.GetPoint()) == 0 ? kCursorArrow : kCursorClickable);
  return true;
}
