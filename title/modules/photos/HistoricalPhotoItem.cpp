#include "title/modules/photos/HistoricalPhotoItem.h"

#include "engine/script/LinkedRecordTable.h"
#include "title/tour/BubbleRecord.h"

HistoricalPhotoItem::HistoricalPhotoItem(const ItemRef& item) : PhotoItem(item) {
  Load(item);
  relations_ = std::make_unique<LinkedRecordTable>(kRelationsTextId);
}

HistoricalPhotoItem::~HistoricalPhotoItem() = default;

bool HistoricalPhotoItem::Load(const ItemRef& item) { return LoadRecord(item, kTable, "HISTORICALPHOTO"); }

void HistoricalPhotoItem::GetHotspotText(VString& out, int32_t maskIndex) const {
  out.Clear();
  if (const ItemRef* target = hotspots_.FindItemRef(maskIndex)) {
    if (target->GetCategory() == kBubbleCategory) {
      const BubbleRecord bubble(*target);
      out = bubble.GetText();
    } else if (target->GetCategory() == kPersonCategory && relations_ != nullptr) {
      if (const VString* text = relations_->GetRecordText(target->GetNumber() - 1)) out = *text;
    }
  }
  if (out.GetLength() == 0) out = VString("????");
}
