// Fuzz target: the photo records read as the photo screens read them, over
// media made of the input (cut at its zero bytes, see FuzzArchive.h): the
// record (TEXT B), the item's text (B + 4), four hotspot texts of the detail
// photo (B + 5 to B + 8), the relations table (TEXT 12102) and a bubble's
// script and info text (the bubble every bubble number leads to). Both kinds
// of photo item are loaded and every hotspot's caption asked for: the item
// keeps a valid reference, its hotspots stay within the table's bounds, and
// a caption is asked for any mask value without harm.
#include <cstdint>

#include "engine/core/VString.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "fuzz/driver/FuzzArchive.h"
#include "title/controls/HotspotTable.h"
#include "title/modules/photos/DetailPhotoItem.h"
#include "title/modules/photos/HistoricalPhotoItem.h"

namespace {

constexpr uint16_t kBase = 20000;
constexpr uint16_t kBubbleBase = 21000;

void Exercise(PhotoItem& item) {
  if (!item.GetItemRef().IsItemRefValid()) __builtin_trap();
  if (item.GetHotspotCount() < 0 || item.GetHotspotCount() > HotspotTable::kMaxEntries) __builtin_trap();
  VString text;
  item.GetText(text);
  for (int32_t mask = -1; mask <= 257; ++mask) {
    item.GetHotspotText(text, mask);
    if (text.GetLength() < 0) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const std::vector<uint16_t> ids = {kBase,     kBase + 4,          kBase + 5,          kBase + 6,
                                     kBase + 7, kBase + 8,          HistoricalPhotoItem::kRelationsTextId,
                                     kBubbleBase, kBubbleBase + 2};
  const FuzzArchive archive(FuzzParts(data, size, ids.size()), ids);
  if (!archive.IsOpen()) return 0;
  MemoryCategoryTables tables;
  tables.SetCategoryEntry(DetailPhotoItem::kTable, 1, kBase);
  tables.SetCategoryEntry(HistoricalPhotoItem::kTable, 1, kBase);
  // Items of the photos' records and hotspots: their own item, bubbles that
  // all lead to the one bubble, and numbers with a base no archive serves.
  tables.SetCategoryEntry(DetailPhotoItem::kTable, 2, 0xFFFF);
  tables.SetCategoryEntry(HistoricalPhotoItem::kTable, 2, 0xFFFF);
  for (int32_t n = 0; n <= ItemRef::kMaxNumber; ++n) tables.SetCategoryEntry(kBubbleCategory, n, kBubbleBase);
  ScopedCategoryTables scope(&tables);
  for (int32_t number : {1, 2}) {
    DetailPhotoItem detail(ItemRef(kDetailPhotoCategory, number));
    Exercise(detail);
    HistoricalPhotoItem historical(ItemRef(kHistoricalPhotoCategory, number));
    Exercise(historical);
  }
  return 0;
}
