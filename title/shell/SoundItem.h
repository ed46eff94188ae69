// SoundItem is the sound of a channel sequence: its medium and a volume in
// percent (0..100; an item without a volume field is silent). It plays on
// the audio channel of its channel, at the volume of its envelope. A sound
// that cannot be read or decoded leaves the item silent; the rest of the
// sequence plays on.
#pragma once

#include <cstdint>
#include <string>

#include "title/shell/SequenceItem.h"

class MediaAudioStream;
class VAudioChannel;

class SoundItem : public SequenceItem {
 public:
  SoundItem();
  ~SoundItem() override;
  SoundItem(const SoundItem&) = delete;
  SoundItem& operator=(const SoundItem&) = delete;

  int32_t GetVolume() const { return volume_; }
  // Held within 0..100.
  void SetVolume(int32_t percent);

  // Besides the common fields: "resid", "file" and "volume" (a percentage,
  // toward zero, held within 0..100). The writer writes the percentage too,
  // so a written sequence reads back with the same volume.
  bool ReadFields(SequenceTextCursor& cursor) override;
  void WriteFields(std::string& out) const override;
  bool IsSound() const override { return true; }
  // The sound's length in milliseconds, measured on the loaded stream or on
  // one made for the question; 0 while no stream can be had.
  virtual int32_t GetSoundLength();
  // The stream of the medium: a sound of the language archive (resid,
  // streamed), else the file; none when neither can be read.
  void LoadMedia() override;
  void UnloadMedia(bool redraw) override;
  MediaAudioStream* PeekStream() const { return stream_; }

  // The volume at t: the envelope times the volume, toward zero, within
  // 0..100.
  int32_t GetVolumeAt(int32_t t) const;
  // The volume last presented; -1 while the sound is not shown.
  int32_t GetShownVolume() const { return shownVolume_; }

  // Loads the stream and puts it on the audio channel: queued from the
  // place t stands in the sound when the channel is idle, resumed when it
  // is held.
  void Show(int32_t t) override;
  // Both stop the audio channel.
  void Hide() override;
  void Finish(VRect* changed) override;
  // The channel's volume follows the envelope; while the channel is held
  // its position follows t, so that a resume goes on from t.
  void PresentAt(int32_t t, VRect& changed) override;
  // Holds the audio channel where it is.
  void Pause() override;
  // At 0, and on an audio channel with nothing queued (stopped, or never
  // started because the item became current while playing), the same as
  // Show; otherwise the held channel goes on.
  void ResumeAt(int32_t t) override;
  // False without a stream; otherwise true unless the audio channel is not
  // held and the stream has more to play.
  bool IsFinished() const override;

  // A percentage from a text or a fraction times 100: toward zero, NaN as 0,
  // within 0..100.
  static int32_t HoldVolume(double percent);

 private:
  int32_t volume_ = 0;
  // A new stream for the medium (one reference), or null.
  MediaAudioStream* OpenStream(bool streamed);
  // The audio channel of the item's channel when there is one (none made).
  VAudioChannel* PeekAudioChannel() const;
  void StopAudio();

  int32_t shownVolume_ = -1;
  MediaAudioStream* stream_ = nullptr;
};
