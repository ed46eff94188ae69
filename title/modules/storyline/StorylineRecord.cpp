#include "title/modules/storyline/StorylineRecord.h"

namespace {

constexpr int32_t kPictureOffset = 1;
constexpr int32_t kTitleOffset = 2;
constexpr int32_t kBandCardOffset = 3;
constexpr int32_t kPanelCardOffset = 11;

uint16_t MediaAfter(uint16_t base, int32_t offset) {
  return base + offset <= 0xFFFF ? static_cast<uint16_t>(base + offset) : 0;
}

}  // namespace

StorylineRecord::StorylineRecord(const ItemRef& key) : EventSeries(key) { Load(); }

bool StorylineRecord::Load() {
  pictureId_ = 0;
  bandCardPictureId_ = 0;
  panelCardPictureId_ = 0;
  const uint16_t base = LoadSeries(kStorylineTable, kTitleOffset, "STORYLINE");
  if (base == 0) return false;
  pictureId_ = MediaAfter(base, kPictureOffset);
  bandCardPictureId_ = MediaAfter(base, kBandCardOffset);
  panelCardPictureId_ = MediaAfter(base, kPanelCardOffset);
  return true;
}
