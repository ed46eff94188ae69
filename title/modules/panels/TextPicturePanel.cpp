#include "title/modules/panels/TextPicturePanel.h"

#include <cstdio>

#include <new>

#include "engine/app/VDisplay.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VEvent.h"
#include "engine/core/VTLink.h"
#include "engine/graphics/VPicture.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/MediaAudioStream.h"
#include "platform/VirtualKeyMap.h"
#include "title/controls/AnimatedPicture.h"
#include "title/controls/ResourceTextControl.h"
#include "title/shell/MuseumArchives.h"

namespace {
// The text column at the right.
constexpr int32_t kTextLeft = 355;
constexpr int32_t kTextTop = 0;
constexpr int32_t kTextLayer = 3;
constexpr int32_t kTextWidth = 270;
constexpr int32_t kTextHeight = 480;
// The animation at the left.
constexpr int32_t kAnimationLeft = 34;
constexpr int32_t kAnimationTop = 97;
constexpr int32_t kAnimationLayer = 2;
constexpr int32_t kAnimationWidth = 320;
constexpr int32_t kAnimationHeight = 240;
constexpr uint32_t kFirstAnimationStepMs = 50;
constexpr uint32_t kSecondAnimationStepMs = 75;
// What the title passes to every play: offset, start key, value.
constexpr int32_t kPlayOffset = 0;
constexpr int32_t kPlayKey = 32767;
constexpr int32_t kPlayValue = 440;
constexpr uint32_t kEscape = 27;
}  // namespace

TextPicturePanel::~TextPicturePanel() {
  // A panel deleted without its take-down still lets go of its sounds.
  StopChannel();
  for (int32_t i = 0; i < 3; ++i) DropStream(i);
}

MediaAudioStream* TextPicturePanel::LoadSound(uint16_t mediaId, int32_t repeat) {
  auto* stream = new MediaAudioStream(mediaId);
  if (!stream->HasReader() || !stream->LoadWhole()) {
    stream->Release();
    std::fprintf(stderr, "ostrevan-haus: closing panel: sound %u cannot be played; going on without it\n",
                 static_cast<unsigned>(mediaId));
    return nullptr;
  }
  stream->SetLoopCount(repeat);
  return stream;
}

void TextPicturePanel::Play(MediaAudioStream* stream, uint32_t now) {
  if (stream == nullptr) return;
  VAudioChannel* channel = nullptr;
  if (!stream->PlayOnNewChannel(channel, kPlayOffset, kPlayKey, kPlayValue)) return;
  channel_ = channel;
  soundStart_ = now;
  soundLength_ = stream->GetLoopCount() > 0
                     ? static_cast<uint32_t>(stream->GetDurationMs()) * static_cast<uint32_t>(stream->GetLoopCount())
                     : 0;
}

void TextPicturePanel::StopChannel() {
  if (channel_ == nullptr) return;
  channel_->Stop();
  channel_->Release();
  channel_ = nullptr;
}

void TextPicturePanel::DropStream(int32_t index) {
  MediaAudioStream*& stream = streams_[static_cast<size_t>(index)];
  if (stream == nullptr) return;
  // A channel still holding it keeps it alive until the mixer lets go.
  stream->Release();
  stream = nullptr;
}

bool TextPicturePanel::SoundOver(uint32_t now) const {
  if (channel_ == nullptr || !channel_->IsPlaying()) return true;
  return now - soundStart_ > soundLength_ + kSoundGraceMs;
}

void TextPicturePanel::Build() { StoreBounds(VRect(0, 0, panels::kScreenWidth, panels::kScreenHeight)); }

void TextPicturePanel::Enter() {
  VDisplay::Get().SetBufferSwap(false);
  SelectExtraArchive();
  SetCursorById(panels::kArrowCursor);
  panels::MakeBlackBackground(this);
  streams_[0] = LoadSound(kFirstMusic, -1);
  new ResourceTextControl(kTextId, kTextMedia, kTextLeft, kTextTop, kTextLayer, kTextWidth, kTextHeight, this);
  animation_ = new AnimatedPicture(kAllocateId, static_cast<uint16_t>(0), kAnimationLeft, kAnimationTop,
                                   kAnimationLayer, kAnimationWidth, kAnimationHeight, this);
  animation_->LoadPictures(kFirstAnimationMedia);
  animation_->SetFrameStepping(true);
  animation_->SetLoop(true);
  animation_->SetStepInterval(kFirstAnimationStepMs);
  animation_->Start();
  Play(streams_[0], GetTaskTickCount());
}

void TextPicturePanel::Leave() {
  StopChannel();
  for (int32_t i = 0; i < 3; ++i) DropStream(i);
}

void TextPicturePanel::Skip() {
  if (skipRequested_ || state_ != kTextRuns) return;
  skipRequested_ = true;
  if (auto* text = dynamic_cast<ResourceTextControl*>(FindObject(kTextId))) text->RequestFinish();
}

void TextPicturePanel::EndApplication() { panels::QuitApplication(); }

void TextPicturePanel::Quit() {
  if (quitAsked_) return;
  quitAsked_ = true;
  EndApplication();
}

void TextPicturePanel::Tick(uint32_t now) {
  switch (state_) {
    case kSecondPart: {
      if (animation_ != nullptr) {
        const VRGBColor black(0, 0, 0);
        auto* blank = new VPicture(VRect(0, 0, kAnimationWidth, kAnimationHeight), black);
        animation_->SetPicture(blank, false);
        blank->Release();
      }
      StopChannel();
      DropStream(0);
      streams_[1] = LoadSound(kSecondMusic, 1);
      SelectGuiArchive();
      streams_[2] = LoadSound(kInterludeSound, 1);
      SelectExtraArchive();
      Play(streams_[2], now);
      if (animation_ != nullptr) {
        animation_->LoadPictures(kSecondAnimationMedia);
        animation_->SetFrameStepping(true);
        animation_->SetLoop(false);
        animation_->SetStepInterval(kSecondAnimationStepMs);
      }
      NextState();
      break;
    }
    case kInterlude:
      if (!SoundOver(now)) break;
      StopChannel();
      if (animation_ != nullptr) animation_->Start();
      Play(streams_[1], now);
      NextState();
      break;
    case kSecondAnimation:
      // Without an animation no end of it will come.
      if (animation_ == nullptr) NextState();
      break;
    case kWaitForMusic:
      if (!SoundOver(now)) break;
      VDisplay::Get().SetBufferSwap(true);
      panels::RedrawAndMarkFrame(this);
      NextState();
      break;
    case kLastFrame:
      panels::RedrawAndMarkFrame(this);
      VDisplay::Get().SetBufferSwap(false);
      NextState();
      break;
    case kQuit:
      Quit();
      break;
    default:
      break;
  }
}

bool TextPicturePanel::KeyDown(const VKeyEvent& event) {
  const bool escape = event.virtualKey == kEscape || (event.virtualKey == 0 && event.character == kEscape);
  if (escape || (event.virtualKey == platform::kKeyF4 && event.IsAltDown())) {
    Quit();
  } else {
    Skip();
  }
  return true;
}

bool TextPicturePanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  switch (code) {
    case kMessageTick:
      Tick(value1);
      return true;
    case ResourceTextControl::kMessageFinished:
      if (value1 == static_cast<uint32_t>(kTextId) && state_ == kTextRuns) NextState();
      break;
    case AnimatedPicture::kMessageFinished:
      if (animation_ == nullptr || value1 != static_cast<uint32_t>(animation_->GetId())) break;
      if (state_ == kTextEnded) {
        animation_->Stop();
        animation_->Hide(true);
        NextState();
      } else if (state_ == kSecondAnimation) {
        NextState();
      }
      break;
    case kEventReleased:
      Skip();
      return true;
    default:
      break;
  }
  return VPanel::HandleEvent(code, value1, value2);
}

