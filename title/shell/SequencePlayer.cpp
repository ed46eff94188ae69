#include "title/shell/SequencePlayer.h"

#include <string>

#include "engine/app/MessagePointer.h"
#include "platform/Clock.h"
#include "title/shell/Channel.h"
#include "title/shell/PictureItem.h"
#include "title/shell/SequenceDocument.h"
#include "title/shell/TitleRunLog.h"

SequencePlayer::SequencePlayer(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                               VGraphicObject* parent)
    : VControl(0, id, left, top, layer, width, height, parent), VTask(id, false, false, false, GetTaskManager()) {
  SetTransparent(true);
}

SequencePlayer::~SequencePlayer() {
  if (document_ != nullptr) {
    if (IsActive()) document_->Stop();
    document_->UnloadMedia(false);
    document_->SetListener(nullptr);
    document_ = nullptr;
  }
  SetActive(false);
}

void SequencePlayer::SetDocument(SequenceDocument* document) {
  if (document_ != nullptr) {
    Stop();
    document_->UnloadMedia(false);
    document_->SetListener(nullptr);
  }
  document_ = document;
  if (document_ != nullptr) document_->SetListener(this);
  Rewind(true);
}

int32_t SequencePlayer::GetDuration() const { return document_ != nullptr ? document_->GetDuration() : 0; }

VRect SequencePlayer::Present() {
  VRect changed;
  if (document_ != nullptr) document_->PresentAt(position_, changed);
  return changed;
}

void SequencePlayer::RedrawArea(const VRect* area) { Redraw(nullptr, area); }

void SequencePlayer::Reset(bool redraw) {
  if (position_ > GetDuration()) Rewind(true);
  if (document_ != nullptr && redraw) {
    Present();
    VRect whole;
    GetGlobalBounds(whole);
    RedrawArea(&whole);
  }
}

void SequencePlayer::Start(bool resume) {
  if (IsActive()) return;
  baseTick_ = GetTaskTickCount() - static_cast<uint32_t>(position_);
  if (document_ != nullptr) {
    if (resume) {
      document_->ResumeAt(position_);
    } else {
      document_->StartAt(position_);
    }
    const VRect changed = Present();
    if (changed.IsNonEmpty()) RedrawArea(&changed);
  }
  SetActive(true);
  SendUpward(kMessageStarted, static_cast<uint32_t>(VGraphicObject::GetId()), 0);
}

void SequencePlayer::Play() { Start(false); }

void SequencePlayer::Resume() { Start(position_ != 0); }

void SequencePlayer::Pause() {
  if (!IsActive()) return;
  if (document_ != nullptr) document_->Pause();
  SetActive(false);
}

void SequencePlayer::Stop() {
  if (!IsActive()) return;
  if (document_ != nullptr) document_->Stop();
  SetActive(false);
  SendUpward(kMessageStopped, static_cast<uint32_t>(VGraphicObject::GetId()), 0);
}

void SequencePlayer::Seek(int64_t time) {
  Stop();
  const int32_t duration = GetDuration();
  position_ = static_cast<int32_t>(time < 0 ? 0 : (time > duration ? duration : time));
  if (document_ != nullptr) {
    Present();
    if (position_ != 0 && position_ != duration) {
      VRect whole;
      GetGlobalBounds(whole);
      RedrawArea(&whole);
    }
  }
  ScopedMessagePointer sender(GetEventHandler());
  SendUpward(kMessagePositionSet, static_cast<uint32_t>(position_), sender.GetValue());
}

void SequencePlayer::Rewind(bool redraw) {
  Seek(0);
  if (document_ != nullptr) {
    Present();
    if (redraw) {
      VRect whole;
      GetGlobalBounds(whole);
      RedrawArea(&whole);
    }
  }
}

void SequencePlayer::CollectUnloadedPictures() {
  unloaded_.clear();
  for (int32_t i = 0; i < document_->GetChannelCount(); ++i) {
    Channel* channel = document_->GetChannel(i);
    // The same search the present makes next at this time, with the same
    // result.
    SequenceItem* item = channel->FindItemAt(position_);
    if (item == nullptr || item == channel->GetCurrentItem()) continue;
    auto* picture = dynamic_cast<PictureItem*>(item);
    if (picture != nullptr && picture->PeekPicture() == nullptr) unloaded_.push_back(picture);
  }
}

void SequencePlayer::NoteLatePictures(uint32_t presentTicks) {
  for (PictureItem* picture : unloaded_) {
    // Still without a picture: its medium is missing, not late.
    if (picture->PeekPicture() == nullptr) continue;
    ++latePictures_;
    const int64_t late = static_cast<int64_t>(position_) - picture->GetStart() + presentTicks;
    title_run_log::Write("sequence player: picture of channel " +
                         std::to_string(document_->GetChannelIndex(picture->GetChannel())) + " shown " +
                         std::to_string(late) + " ms late");
  }
  unloaded_.clear();
}

bool SequencePlayer::Step(uint32_t pass) {
  if (document_ == nullptr || !document_->IsPlaying()) return true;
  // The tick count wraps at 2^32; the difference is the elapsed time.
  const auto elapsed = static_cast<int32_t>(GetTaskTickCount() - baseTick_);
  position_ = elapsed < 0 ? 0 : elapsed;
  const int32_t duration = GetDuration();
  CollectUnloadedPictures();
  const uint32_t presentStart = platform::TickCount();
  const VRect changed = Present();
  NoteLatePictures(platform::TickCount() - presentStart);
  if (changed.IsNonEmpty() && position_ < duration) RedrawArea(&changed);
  if (position_ >= duration) {
    Seek(duration);
    SendUpward(kMessageEnded, static_cast<uint32_t>(VGraphicObject::GetId()), 0);
  }
  static_cast<void>(pass);
  return true;
}
