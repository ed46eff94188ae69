#include "title/modules/photos/DetailPhotoItem.h"

#include "engine/script/ScriptLexer.h"

DetailPhotoItem::DetailPhotoItem(const ItemRef& item) : PhotoItem(item) { Load(item); }

bool DetailPhotoItem::Load(const ItemRef& item) { return LoadRecord(item, kTable, "DETAILPHOTO"); }

void DetailPhotoItem::GetHotspotText(VString& out, int32_t maskIndex) const {
  out.Clear();
  if (base_ == 0 || maskIndex < 1 || maskIndex > GetHotspotCount()) return;
  LoadTextMedia(out, static_cast<uint16_t>(base_ + kTextOffset + maskIndex), true);
}
