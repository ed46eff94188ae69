// Forwarding the scheduler operations to the children of a system stream.
#include "engine/mpeg/VMPSScheduler.h"

#include "engine/mpeg/MPEGExceptions.h"
#include "engine/mpeg/StreamClock.h"
#include "engine/mpeg/VMPVScheduler.h"

VMPSScheduler::VMPSScheduler(uint32_t streamId, float bufferingFactor, float reserveFactor)
    : VStreamScheduler(streamId, nullptr), bufferingFactor_(bufferingFactor), reserveFactor_(reserveFactor) {}

VMPSScheduler::~VMPSScheduler() = default;

void VMPSScheduler::AddChild(std::unique_ptr<VStreamScheduler> child) {
  child->SetClock(clock_);
  children_.push_back(std::move(child));
}

VStreamScheduler* VMPSScheduler::FindChild(uint32_t streamId) const {
  for (const auto& child : children_)
    if (child->GetStreamId() == streamId) return child.get();
  return nullptr;
}

VStreamScheduler* VMPSScheduler::FirstChildOfKind(int32_t kind) const {
  for (const auto& child : children_)
    if (child->GetKind() == kind) return child.get();
  return nullptr;
}

void VMPSScheduler::Pump() {
  try {
    while (ReadPacket()) {
    }
  } catch (const VBitstreamEmptyException&) {
    CheckEnd();
  } catch (const VMPEGException&) {
    CheckEnd();
  }
}

bool VMPSScheduler::Start() {
  VStreamScheduler::Start();
  started_ = true;
  Pump();
  for (size_t i = 0; i < children_.size(); ++i) {
    Pump();
    children_[i]->Decode();
  }
  return true;
}

void VMPSScheduler::Decode() {
  videoReady_ = true;
  // Without sound the first video stream keeps the clock.
  const bool hasAudio = FirstChildOfKind(kAudio) != nullptr;
  bool master = !hasAudio;
  for (const auto& child : children_)
    if (auto* video = dynamic_cast<VMPVScheduler*>(child.get())) {
      video->SetClockMaster(master);
      master = false;
    }
  for (size_t i = 0; i < children_.size(); ++i) {
    Pump();
    VStreamScheduler* child = children_[i].get();
    if (!child->IsStarted() && endOfStream_) {
      // A stream too short to start on its packets starts on what it got.
      try {
        child->SetRate(rate_);
        child->Start();
      } catch (const VBitstreamEmptyException&) {
      } catch (const VMPEGException&) {
      }
    }
    child->Decode();
    if (child->GetKind() == kVideo) videoReady_ = videoReady_ && child->IsReadyToPresent();
  }
}

bool VMPSScheduler::Present(PixelMap* map, const VRect* rect) {
  // The movie goes on while any child goes on: a sound longer than the
  // pictures (or pictures longer than the sound) is played to its end.
  bool going = false;
  const bool clockRunning = clock_ != nullptr && !clock_->IsPaused();
  for (const auto& child : children_) {
    bool present = false;
    if (child->GetKind() == kVideo) {
      present = (child->IsPlaying() && videoReady_ && clockRunning) ||
                (child->GetShowFirstFrame() && !child->HasShownFirstFrame());
    } else if (child->GetKind() == kAudio) {
      present = child->IsPlaying() && videoReady_ && child->IsReadyToPresent();
    }
    going = (present ? child->Present(map, rect) : true) || going;
  }
  // A stream without any child ends with its input.
  if (children_.empty()) return !endOfStream_;
  return going;
}

void VMPSScheduler::MarkStepTime() {
  for (const auto& child : children_) child->MarkStepTime();
}

void VMPSScheduler::GetFrameBounds(VRect& bounds) {
  if (VStreamScheduler* video = FirstChildOfKind(kVideo)) {
    video->GetFrameBounds(bounds);
    return;
  }
  bounds = VRect(0, 0, 0, 0);
}

bool VMPSScheduler::DrawFrame(PixelMap* map, const VRect* rect) {
  bool result = false;
  for (const auto& child : children_)
    if (child->GetKind() == kVideo) result = child->DrawFrame(map, rect);
  return result;
}

bool VMPSScheduler::TakeFrameChanged() {
  VStreamScheduler* video = FirstChildOfKind(kVideo);
  return video != nullptr && video->TakeFrameChanged();
}

void VMPSScheduler::SetNoDrop(bool noDrop) {
  if (VStreamScheduler* video = FirstChildOfKind(kVideo)) video->SetNoDrop(noDrop);
}

bool VMPSScheduler::SetShowFirstFrame(bool show) {
  const bool old = showFirstFrame_;
  if (show != old)
    for (const auto& child : children_)
      if (child->GetKind() == kVideo) child->SetShowFirstFrame(show);
  showFirstFrame_ = show;
  return old;
}

bool VMPSScheduler::HasShownFirstFrame() {
  VStreamScheduler* video = FirstChildOfKind(kVideo);
  return video != nullptr && video->HasShownFirstFrame();
}

void VMPSScheduler::SetVolume(int32_t volume) {
  if (VStreamScheduler* audio = FirstChildOfKind(kAudio)) audio->SetVolume(volume);
}

VAudioChannel* VMPSScheduler::GetAudioChannel() {
  VStreamScheduler* audio = FirstChildOfKind(kAudio);
  return audio != nullptr ? audio->GetAudioChannel() : nullptr;
}

bool VMPSScheduler::SetPlaying(bool playing) {
  for (const auto& child : children_) child->SetPlaying(playing);
  return VStreamScheduler::SetPlaying(playing);
}

void VMPSScheduler::SetEndOfStream() {
  VStreamScheduler::SetEndOfStream();
  for (const auto& child : children_) child->SetEndOfStream();
}

void VMPSScheduler::SetRate(double rate) {
  VStreamScheduler::SetRate(rate);
  for (const auto& child : children_) child->SetRate(rate);
}

void VMPSScheduler::SetClock(StreamClock* clock) {
  VStreamScheduler::SetClock(clock);
  for (const auto& child : children_) child->SetClock(clock);
}
