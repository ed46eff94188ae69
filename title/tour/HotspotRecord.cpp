#include "title/tour/HotspotRecord.h"

#include <cmath>

#include "engine/script/ScriptLexer.h"
#include "engine/script/VisitHistory.h"

bool HotspotRecord::Load(uint16_t bubbleBase) {
  // Every field may be left out: the answers of the readers only say whether
  // the keyword was there.
  ReadItemRefField("ID", id_, true);
  text_.Clear();
  if (bubbleBase != 0 && id_.IsItemRefValid()) {
    const int32_t textId = bubbleBase + kTextOffset + id_.GetNumber();
    if (textId <= 0xFFFF) LoadTextMedia(text_, static_cast<uint16_t>(textId), true);
  }
  ReadRectField("HITRECT", hitRect_, true);
  ReadItemRefField("INFO", infoItem_, true);
  return std::isfinite(hitRect_.left) && std::isfinite(hitRect_.top) && std::isfinite(hitRect_.right) &&
         std::isfinite(hitRect_.bottom);
}

bool HotspotRecord::IsVisited() const { return GetHistoryFlag(id_); }

bool HotspotRecord::MarkVisited() const { return SetHistoryFlag(id_); }
