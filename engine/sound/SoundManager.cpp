#include "engine/sound/SoundManager.h"

#include "engine/archive/ArchiveServices.h"
#include "engine/sound/AudioChannel.h"
#include "engine/sound/MediaAudioStream.h"

namespace {

constexpr int32_t kPriority = 32767;
constexpr int32_t kNaturalPitch = 440;

SoundManager*& Instance() {
  static SoundManager* manager = nullptr;
  return manager;
}

}  // namespace

SoundManager::SoundManager() {
  loopChannels_[0] = new VAudioChannel(true);
  loopChannels_[1] = new VAudioChannel(true);
}

SoundManager::~SoundManager() {
  SetLoopSound(0, nullptr);
  SetLoopSound(1, nullptr);
  for (VAudioChannel*& c : loopChannels_) {
    c->Stop();
    c->MarkFinished();
    c->Release();
    c = nullptr;
  }
  for (Effect& e : effects_) {
    if (e.stream) e.stream->Release();
  }
  effects_.clear();
}

void SoundManager::SetSoundTable(std::span<const uint16_t> mediaIds) {
  soundTable_.assign(mediaIds.begin(), mediaIds.end());
}

uint16_t SoundManager::MediaIdForSound(int32_t index) const {
  return index >= 0 && index < GetSoundCount() ? soundTable_[static_cast<size_t>(index)] : 0;
}

SoundManager::Effect* SoundManager::Find(int32_t index) {
  for (Effect& e : effects_) {
    if (e.index == index) return &e;
  }
  return nullptr;
}

const SoundManager::Effect* SoundManager::Find(int32_t index) const {
  for (const Effect& e : effects_) {
    if (e.index == index) return &e;
  }
  return nullptr;
}

void SoundManager::AcquireSound(int32_t index) {
  if (index < 0 || index >= GetSoundCount()) return;  // outside the table
  if (Effect* e = Find(index)) {
    ++e->useCount;
    return;
  }
  const uint16_t id = MediaIdForSound(index);
  MediaArchive* target = GetArchiveForMedia(id);
  MediaArchive* previous = target ? SetCurrentArchive(target) : nullptr;
  auto* stream = new MediaAudioStream(id);
  if (stream->HasReader()) {
    stream->LoadWhole();
  } else {
    stream->Release();
    stream = nullptr;
  }
  if (target) SetCurrentArchive(previous);
  effects_.push_back({stream, index, 1});
}

void SoundManager::ReleaseSound(int32_t index) {
  for (auto it = effects_.begin(); it != effects_.end(); ++it) {
    if (it->index != index) continue;
    if (--it->useCount <= 0) {
      if (it->stream) it->stream->Release();
      effects_.erase(it);
    }
    return;
  }
}

void SoundManager::TriggerSound(int32_t index) {
  if (triggerListener_) triggerListener_(index);
  Effect* e = Find(index);
  if (e && e->stream) e->stream->Play(0, kPriority, kNaturalPitch);
}

void SoundManager::SetLoopSound(int which, VAudioStream* stream) {
  if (loopChannels_[which]) loopChannels_[which]->Stop();
  if (stream) stream->AddReference();
  if (loopStreams_[which]) loopStreams_[which]->Release();
  loopStreams_[which] = stream;
}

void SoundManager::StartLoopSound(int which, int32_t loops) {
  VAudioChannel* channel = loopChannels_[which];
  VAudioStream* stream = loopStreams_[which];
  if (!channel || !stream || channel->IsPlaying()) return;
  // The loop count goes in with the stream: the mixer may render the channel
  // as soon as it is queued, and a sound shorter than a block would be over.
  channel->QueueStream(stream, 0, kPriority, kNaturalPitch, loops);
}

void SoundManager::StopLoopSound0() { loopChannels_[0]->Stop(); }
void SoundManager::StopLoopSound1() { loopChannels_[1]->Stop(); }

int32_t SoundManager::GetUseCount(int32_t index) const {
  const Effect* e = Find(index);
  return e ? e->useCount : 0;
}

VAudioStream* SoundManager::GetEffectStream(int32_t index) const {
  const Effect* e = Find(index);
  return e ? e->stream : nullptr;
}

SoundManager& GetSoundManager() {
  if (!Instance()) Instance() = new SoundManager;
  return *Instance();
}

void DestroySoundManager() {
  delete Instance();
  Instance() = nullptr;
}
