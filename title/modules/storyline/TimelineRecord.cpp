#include "title/modules/storyline/TimelineRecord.h"

namespace {

constexpr int32_t kTitleOffset = 1;

}  // namespace

TimelineRecord::TimelineRecord(const ItemRef& key) : EventSeries(key) { Load(); }

bool TimelineRecord::Load() { return LoadSeries(kTimelineTable, kTitleOffset, "TIMELINE") != 0; }
