#include "title/controls/AnimatedPictureControl.h"

#include <algorithm>

#include "engine/graphics/CopyPicturePixels.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"

namespace {
constexpr uint16_t kCursorArrow = 220;
}  // namespace

AnimatedPictureControl::AnimatedPictureControl(int32_t id, int32_t frameCount, uint16_t frameBaseId, int32_t left,
                                               int32_t top, int32_t layer, int32_t width, int32_t height,
                                               VGraphicObject* parent)
    : VPictureControl(id, static_cast<VPicture*>(nullptr), left, top, layer, width, height, parent),
      VTask(kTaskId, true, false, false, GetTaskManager()) {
  // The frames are read at the program's load format, as every other picture
  // of the screens is: forcing 8 bits would dither true-colour frames against
  // one colour table. A frame that cannot be read keeps its place in the row
  // (the turn takes as long and ends with its message) and shows nothing.
  for (int32_t i = 0; i < frameCount; ++i) {
    auto* frame = new VPicture(static_cast<uint16_t>(frameBaseId + i));
    if (frame->Load() != 0 || frame->GetPixelMap() == nullptr) {
      frame->Release();
      frame = nullptr;
    }
    frames_.push_back(frame);
  }
  MakeShownPicture();
  ShowFrame(0, false);
  SetNoStepWanted();  // until a turn is asked for
}

AnimatedPictureControl::AnimatedPictureControl(int32_t id, const std::vector<VPicture*>& frames, int32_t left,
                                               int32_t top, int32_t layer, int32_t width, int32_t height,
                                               VGraphicObject* parent)
    : VPictureControl(id, static_cast<VPicture*>(nullptr), left, top, layer, width, height, parent),
      VTask(kTaskId, true, false, false, GetTaskManager()) {
  for (VPicture* p : frames) {
    if (p != nullptr) p->AddReference();
    frames_.push_back(p);
  }
  MakeShownPicture();
  ShowFrame(0, false);
  SetNoStepWanted();
}

AnimatedPictureControl::~AnimatedPictureControl() {
  for (VPicture* p : frames_) {
    if (p != nullptr) p->Release();
  }
}

void AnimatedPictureControl::MakeShownPicture() {
  // The shown picture has the control's size, at 16 bits like the display;
  // it starts cleared, so that nothing but a frame is ever shown in it.
  if (GetWidth() <= 0 || GetHeight() <= 0) return;
  auto* shown = new VPicture(VRect(0, 0, GetWidth(), GetHeight()), 16, nullptr);
  if (PixelMap* map = shown->GetPixelMap()) map->FillRect(nullptr, &key_);
  SetPicture(shown, false);
  shown->Release();
}

void AnimatedPictureControl::ShowFrame(int32_t frame, bool redraw) {
  if (frame < 0 || static_cast<size_t>(frame) >= frames_.size()) return;
  VPicture* source = frames_[static_cast<size_t>(frame)];
  VPicture* shown = PeekPicture();
  if (shown != nullptr && shown->GetPixelMap() != nullptr) {
    // What the frame does not cover (a frame smaller than the control, or
    // than the frame before it, or a frame that could not be read) is the
    // key colour, so keyed it shows what lies behind instead of what the
    // last frame left there.
    PixelMap& map = *shown->GetPixelMap();
    map.FillRect(nullptr, &key_);
    if (source != nullptr && source->GetPixelMap() != nullptr) {
      const VRect size(0, 0, GetWidth(), GetHeight());
      CopyPicturePixels(*source->GetPixelMap(), map, &size, &size);
    }
    ApplyKeyColor();
  }
  if (redraw) RedrawNow();
}

void AnimatedPictureControl::ApplyKeyColor() {
  VPicture* shown = PeekPicture();
  if (shown == nullptr) return;
  PixelMapAttributes attributes;
  if (keyed_) attributes.SetKeyColor(key_);
  shown->SetPixelAttributes(attributes);
}

void AnimatedPictureControl::SetKeyColor(bool on, const VRGBColor& color) {
  keyed_ = on;
  key_ = on ? color : VRGBColor(0, 0, 0);
  ApplyKeyColor();
  // Keyed pixels show what lies behind the control: each frame is drawn over
  // the things under it, drawn again first.
  SetTransparent(on);
}

void AnimatedPictureControl::AnimateToFrame(int32_t frame) {
  const int32_t last = std::max(GetFrameTotal() - 1, 0);
  frame = std::clamp(frame, 0, last);
  if (frame == current_) {
    RedrawNow();
    return;
  }
  target_ = frame;
  turning_ = true;
  moving_ = true;
  interval_ = 30;
  direction_ = frame < current_ ? -1 : 1;
  SetStepOnEveryPass();
  SetActive(true);
}

void AnimatedPictureControl::PlayForward() {
  current_ = 0;
  AnimateToFrame(GetFrameTotal() - 1);
}

void AnimatedPictureControl::PlayBackward() {
  current_ = std::max(GetFrameTotal() - 1, 0);
  AnimateToFrame(0);
}

bool AnimatedPictureControl::Step(uint32_t) {
  if (!turning_) return true;
  const uint32_t now = GetTaskTickCount();
  if (moving_) {
    moving_ = false;
    nextTick_ = now + interval_;
    SetNextStepTime(nextTick_);
    return true;
  }
  if (static_cast<int32_t>(now - nextTick_) < 0) return true;
  current_ = std::max(current_ + direction_, 0);
  const ControlLife::Watch watch = life_.MakeWatch();
  ShowFrame(current_, true);
  if (!watch.Alive()) return false;
  if (current_ == target_) {
    turning_ = false;
    SetActive(false);
    SetNoStepWanted();
    RedrawNow();
    SendControlEvent(*this, kMessageArrived, static_cast<uint32_t>(target_));
    return true;
  }
  if (std::abs(target_ - current_) < 5) interval_ = static_cast<uint32_t>(interval_ * 1.2);
  nextTick_ = now + interval_;
  SetNextStepTime(nextTick_);
  return true;
}

bool AnimatedPictureControl::MouseDown(const VMouseEvent& event) {
  if (inputLocked_) return false;
  return VPictureControl::MouseDown(event);
}

bool AnimatedPictureControl::UpdateCursor(const VMouseEvent&) {
  SetCursorById(kCursorArrow);
  return true;
}
