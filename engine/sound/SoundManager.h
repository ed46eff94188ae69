// The title's one point of contact for sounds: interface effects loaded and
// shared by index (acquire, trigger, release) and two persistent channels
// for the tour's looping sounds (0 ambient, 1 footsteps). The media id each
// index plays comes from a table the title installs; until then every index
// lies outside the table.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <utility>
#include <vector>

class VAudioChannel;
class VAudioStream;
class MediaAudioStream;

class SoundManager {
 public:
  SoundManager();
  ~SoundManager();
  SoundManager(const SoundManager&) = delete;
  SoundManager& operator=(const SoundManager&) = delete;

  // The media ids of the sound indexes (index i plays mediaIds[i]). Effects
  // already acquired keep the sound they loaded.
  void SetSoundTable(std::span<const uint16_t> mediaIds);
  int32_t GetSoundCount() const { return static_cast<int32_t>(soundTable_.size()); }
  // The media id of a sound index, 0 outside the table.
  uint16_t MediaIdForSound(int32_t index) const;

  void AcquireSound(int32_t index);
  void ReleaseSound(int32_t index);
  void TriggerSound(int32_t index);
  void SetLoopSound0(VAudioStream* stream) { SetLoopSound(0, stream); }
  void SetLoopSound1(VAudioStream* stream) { SetLoopSound(1, stream); }
  void StartLoopSound0() { StartLoopSound(0, -1); }
  void StartLoopSound1() { StartLoopSound(1, 1); }
  void StopLoopSound0();
  void StopLoopSound1();

  // For tests: the use count of an index (0 when not acquired), the stream
  // of an acquired index, a loop channel.
  int32_t GetUseCount(int32_t index) const;
  VAudioStream* GetEffectStream(int32_t index) const;
  VAudioChannel* GetLoopChannel(int32_t which) const { return loopChannels_[which & 1]; }
  // Called with the index on every TriggerSound (acquired or not), before
  // the effect plays; an empty function removes it. For tests and tracing.
  void SetTriggerListener(std::function<void(int32_t)> listener) { triggerListener_ = std::move(listener); }

 private:
  struct Effect {
    MediaAudioStream* stream;  // one reference, or null when it could not be made
    int32_t index;
    int32_t useCount;
  };
  void SetLoopSound(int which, VAudioStream* stream);
  void StartLoopSound(int which, int32_t loops);
  Effect* Find(int32_t index);
  const Effect* Find(int32_t index) const;

  VAudioChannel* loopChannels_[2] = {nullptr, nullptr};
  VAudioStream* loopStreams_[2] = {nullptr, nullptr};
  std::vector<uint16_t> soundTable_;
  std::vector<Effect> effects_;
  std::function<void(int32_t)> triggerListener_;
};

// The singleton, made on first use.
SoundManager& GetSoundManager();
void DestroySoundManager();
