// A timeline: a titled series of events (EventSeries) and nothing more.
// Media of a timeline with base id B (entry of its number in category table
// 12): B the TIMELINE script, B + 1 its title.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/ItemRef.h"
#include "title/modules/storyline/EventSeries.h"

class TimelineRecord : public EventSeries {
 public:
  // The category table of timelines.
  static constexpr int32_t kTimelineTable = 12;

  // The reference as the key; then Load.
  explicit TimelineRecord(const ItemRef& key);

  // Reads the timeline of the key's number: title, then the script and its
  // events. False when the timeline has no media.
  bool Load();
  // Reads a TIMELINE script (in place) and adds its events. False when no
  // TIMELINE block opens.
  bool ReadScript(const VString& script) { return ReadSeriesScript(script, "TIMELINE"); }
};
