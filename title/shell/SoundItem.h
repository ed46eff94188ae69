// SoundItem is the sound of a channel sequence: its medium and a volume in
// percent (0..100; an item without a volume field is silent).
#pragma once

#include <cstdint>
#include <string>

#include "title/shell/SequenceItem.h"

class MediaAudioStream;

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

  void Show(int32_t t) override;
  void Hide() override { shownVolume_ = -1; }
  void PresentAt(int32_t t, VRect& changed) override;
  void ResumeAt(int32_t t) override;
  void Finish(VRect* changed) override { static_cast<void>(changed); }

  // A percentage from a text or a fraction times 100: toward zero, NaN as 0,
  // within 0..100.
  static int32_t HoldVolume(double percent);

 private:
  int32_t volume_ = 0;
  // A new stream for the medium (one reference), or null.
  MediaAudioStream* OpenStream(bool streamed);

  int32_t shownVolume_ = -1;
  MediaAudioStream* stream_ = nullptr;
};
