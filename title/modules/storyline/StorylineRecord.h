// A storyline: a titled series of events (EventSeries) with its pictures.
// Media of a storyline with base id B (entry of its number in category table
// 11): B the STORYLINE script, B + 1 its picture, B + 2 its title, B + 3 the
// background of its event cards on a timeline band, B + 11 that of its
// cards on the storyline panel. The picture ids are kept; nothing is loaded.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "title/modules/storyline/EventSeries.h"

class StorylineRecord : public EventSeries {
 public:
  // The category table of storylines.
  static constexpr int32_t kStorylineTable = 11;

  // The reference as the key, no picture ids; then Load.
  explicit StorylineRecord(const ItemRef& key);

  // Reads the storyline of the key's number: title, picture ids, then the
  // script and its events. False when the storyline has no media.
  bool Load();
  // Reads a STORYLINE script (in place) and adds its events. False when no
  // STORYLINE block opens.
  bool ReadScript(const VString& script) { return ReadSeriesScript(script, "STORYLINE"); }

  // 0 until loaded, and for an id past the last media id.
  uint16_t GetPictureId() const { return pictureId_; }
  // The card background for band cards (true) or panel cards (false).
  uint16_t GetCardPictureId(bool forBand) const { return forBand ? bandCardPictureId_ : panelCardPictureId_; }

 private:
  uint16_t pictureId_ = 0;
  uint16_t bandCardPictureId_ = 0;
  uint16_t panelCardPictureId_ = 0;
};
