#include "title/controls/AnimatedPicture.h"

#include <cmath>

#include "engine/graphics/VPicture.h"
#include "platform/Clock.h"

AnimatedPicture::AnimatedPicture(int32_t id, uint16_t pictureId, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(id, pictureId, left, top, layer, width, height, parent),
      VTask(id, false, false, false, GetTaskManager()),
      start_(left, top),
      end_(left, top),
      frameMode_(pictureId == 0) {}

AnimatedPicture::AnimatedPicture(int32_t id, VPicture* picture, int32_t left, int32_t top, int32_t layer,
                                 int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(id, picture, left, top, layer, width, height, parent),
      VTask(id, false, false, false, GetTaskManager()),
      start_(left, top),
      end_(left, top) {}

AnimatedPicture::~AnimatedPicture() {
  for (VPicture* p : frames_) {
    if (p != nullptr) p->Release();
  }
}

bool AnimatedPicture::BeforeFrameStep(int32_t) { return true; }

void AnimatedPicture::SetPath(int32_t startX, int32_t startY, int32_t endX, int32_t endY) {
  start_ = VPoint(startX, startY);
  end_ = VPoint(endX, endY);
  position_[0] = GetBounds().left;
  position_[1] = GetBounds().top;
}

void AnimatedPicture::LoadPictures(uint16_t id) {
  if (!frameMode_) return;
  uint16_t first = 0;
  if (id == 6000) first = 6200;
  if (id == 6001) first = 6300;
  if (first == 0) return;
  for (VPicture* p : frames_) {
    if (p != nullptr) p->Release();
  }
  frames_.clear();
  // The frames are read now, at the program's load depth (the closing
  // panel's frames are JPEG pictures, which have no 8-bit form); a frame that
  // is missing stays an empty picture, which draws nothing.
  for (int32_t i = 0; i < kFramePictureCount; ++i) {
    auto* frame = new VPicture(static_cast<uint16_t>(first + i));
    frame->Load();
    frames_.push_back(frame);
  }
}

void AnimatedPicture::ShowFrame(int32_t index, bool redraw) {
  if (frameMode_) {
    if (index >= 0 && static_cast<size_t>(index) < frames_.size()) SetPicture(frames_[static_cast<size_t>(index)], redraw);
    return;
  }
  SetFrame(index, redraw);
}

int32_t AnimatedPicture::GetFrameCountOfAnimation() const {
  return frameMode_ ? kFramePictureCount : GetFrameCount();
}

void AnimatedPicture::MoveToWhole(double x, double y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  MoveTo(VPoint(static_cast<int32_t>(x), static_cast<int32_t>(y)), false, true, false);
}

void AnimatedPicture::Start() {
  const int32_t divisor = frameStepping_ ? GetFrameCountOfAnimation() - 1 : stepCount_;
  // No steps to spread the path over: the whole path is one step.
  const double steps = divisor > 0 ? divisor : 1;
  offset_[0] = (end_.x - start_.x) / steps;
  offset_[1] = (end_.y - start_.y) / steps;
  lastTick_ = platform::TickCount();
  position_[0] = start_.x;
  position_[1] = start_.y;
  MoveToWhole(position_[0], position_[1]);
  counter_ = 0;
  ShowFrame(0, false);
  SetVisible(true, true);
  running_ = true;
  SetNextStepTime(lastTick_ + stepInterval_);
  SetActive(true);
}

void AnimatedPicture::Stop() {
  SetActive(false);
  running_ = false;
}

bool AnimatedPicture::Step(uint32_t) {
  const uint32_t now = GetTaskTickCount();
  if (!running_ || static_cast<int32_t>(now - lastTick_) < static_cast<int32_t>(stepInterval_)) return true;
  lastTick_ = now;
  SetNextStepTime(now + stepInterval_);
  const ControlLife::Watch watch = life_.MakeWatch();
  bool finished = false;
  if (!frameStepping_) {
    ++counter_;
    position_[0] += offset_[0];
    position_[1] += offset_[1];
    if (counter_ >= stepCount_) {
      // The last step stands exactly on the end point.
      position_[0] = end_.x;
      position_[1] = end_.y;
      finished = true;
    }
    MoveToWhole(position_[0], position_[1]);
    if (finished) Stop();
  } else if (counter_ < GetFrameCountOfAnimation() - 1) {
    if (!BeforeFrameStep(counter_)) return true;
    const VPoint before(static_cast<int32_t>(position_[0]), static_cast<int32_t>(position_[1]));
    position_[0] += offset_[0];
    position_[1] += offset_[1];
    ++counter_;
    ShowFrame(counter_, true);
    if (!watch.Alive()) return false;
    if (counter_ == GetFrameCountOfAnimation() - 1) {
      position_[0] = end_.x;
      position_[1] = end_.y;
    }
    if (VPoint(static_cast<int32_t>(position_[0]), static_cast<int32_t>(position_[1])) != before) {
      MoveToWhole(position_[0], position_[1]);
    }
  } else {
    // At the last frame (also at once for a single frame).
    if (counter_ == 0) MoveToWhole(end_.x, end_.y);
    if (loop_) {
      counter_ = 0;
    } else {
      Stop();
    }
    finished = true;
  }
  if (!watch.Alive()) return false;
  if (finished) SendControlEvent(*this, kMessageFinished, static_cast<uint32_t>(GetId()));
  return true;
}
