// Sequence is a slide show: a channel sequence whose channel 0 holds the
// sound and whose channel i + 1 holds picture i as its only item, with
// editing operations that keep the pictures one after the other and the
// transitions between them.
//
// Transition kinds between picture i - 1 and picture i (d = duration):
//   0 none: cut; 1 fade in: picture i rises over d; 2 fade out: picture i - 1
//   decays over d; 3 fade out, then in: d / 2 out, the rest in; 4 cross-fade:
//   picture i rises over d while picture i - 1 decays over d.
#pragma once

#include <cstdint>

#include "engine/core/VFileSpec.h"
#include "engine/core/VString.h"
#include "title/shell/SequenceDocument.h"

class PictureItem;
class SequenceItem;

class Sequence : public SequenceDocument {
 public:
  static constexpr int32_t kPreloadLead = 1000;

  // Reads the TEXT medium with that id (no channels when no archive holds
  // it), then makes sure channel 0 holds a sound.
  explicit Sequence(uint16_t mediaId);
  // The same from a text.
  explicit Sequence(const VString& text);
  ~Sequence() override;

  // With no file the sound item is removed. Otherwise the sound takes the
  // file, volume * 100 (toward zero, within 0..100) as its volume and its
  // length as sustain.
  virtual void SetSound(const VFileSpec* file, double volume);
  // The first item of channel 0, after inserting a channel with a new sound
  // item in front when that item is missing or not a sound.
  virtual SequenceItem* GetSoundItem();
  virtual int32_t GetPictureCount() const;
  // Inserts a picture of duration ms at index (held within 0..count); the
  // pictures from index on move later by duration.
  virtual void InsertPicture(int32_t index, const VFileSpec& file, int32_t duration, int32_t kind,
                             int32_t transitionDuration);
  virtual void RemovePictureWithTransition(int32_t index, int32_t kind, int32_t duration);
  virtual void RemovePicture(int32_t index);
  virtual void SetPictureFile(int32_t index, const VFileSpec& file, int32_t duration);
  // The first item of channel index + 1; null for a negative or missing index.
  virtual SequenceItem* GetPicture(int32_t index) const;
  virtual int32_t GetTransitionKind(int32_t index) const;
  virtual int32_t GetTransitionDuration(int32_t index) const;
  virtual void SetTransition(int32_t index, int32_t kind, int32_t duration);
  virtual void SetFinalTransition(int32_t kind, int32_t duration);

  int32_t GetFinalTransitionKind() const { return finalKind_; }
  int32_t GetFinalTransitionDuration() const { return finalDuration_; }

 private:
  void Remove(int32_t index, bool withTransition, int32_t kind, int32_t duration);
  // Adds delta to the start of every picture from index on.
  void ShiftPicturesFrom(int32_t index, int64_t delta);

  int32_t finalKind_ = 0;
  int32_t finalDuration_ = 0;
};
