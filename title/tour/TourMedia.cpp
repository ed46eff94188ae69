#include "title/tour/TourMedia.h"

#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"

namespace {

// Only the user-interface thread loads bubble pictures.
bool gAlternateBubblePicture = false;

uint16_t BaseIdOf(const ItemRef& item, int32_t category, int32_t table) {
  if (item.GetCategory() != category) return 0;
  return GetItemBaseMediaId(table, item.GetNumber());
}

}  // namespace

uint16_t GetBubbleMediaId(const ItemRef& bubble) { return BaseIdOf(bubble, FindCategoryCode("BU"), kBubbleTable); }

uint16_t GetTransitionMediaId(const ItemRef& transition) {
  return BaseIdOf(transition, FindCategoryCode("BT"), kTransitionTable);
}

bool IsAlternateBubblePicture() { return gAlternateBubblePicture; }

void SetAlternateBubblePicture(bool alternate) { gAlternateBubblePicture = alternate; }
