#include "title/controls/PhotoHotspotFrame.h"

#include "engine/controls/ControlEvents.h"
#include "engine/core/VString.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/HotspotMaskControl.h"
#include "title/controls/HotspotPhoto.h"
#include "title/controls/HotspotTable.h"
#include "title/controls/MainScreenServices.h"

PhotoHotspotFrame::PhotoHotspotFrame(int32_t id, const ItemRef&, int32_t left, int32_t top, int32_t layer,
                                     int32_t width, int32_t height, VGraphicObject* parent)
    : PictureFrameControl(id, 0, left, top, layer, width, height, parent) {
  GetSoundManager().AcquireSound(kSoundHotspot);
}

PhotoHotspotFrame::~PhotoHotspotFrame() {
  photo_.reset();
  GetSoundManager().ReleaseSound(kSoundHotspot);
}

void PhotoHotspotFrame::SetPhotoItem(std::unique_ptr<HotspotPhoto> photo) { photo_ = std::move(photo); }

bool PhotoHotspotFrame::IsItemVisited(const ItemRef&) { return false; }

void PhotoHotspotFrame::PhotoText(VString& out) const {
  out.Clear();
  if (photo_ != nullptr) photo_->GetText(out);
}

bool PhotoHotspotFrame::HandleEvent(uint32_t code, uint32_t value1, uint32_t) {
  if ((code != kEventPointerEntered && code != kEventPointerLeft) || static_cast<int32_t>(value1) != kMaskControlId) {
    return false;
  }
  auto* mask = dynamic_cast<HotspotMaskControl*>(FindById(kMaskControlId, false));
  if (mask == nullptr) return false;
  VString caption;
  PhotoText(caption);
  bool shown = false;
  if (code == kEventPointerEntered && photo_ != nullptr) {
    const int32_t region = mask->GetCurrentRegion();
    const HotspotTable* table = photo_->GetHotspots();
    if (table != nullptr && table->FindEntry(region) != nullptr) {
      GetSoundManager().TriggerSound(kSoundHotspot);
      // The photo's text and the hotspot's caption, set apart by a spaced
      // slash as the other screens join the parts of a caption; a photo
      // without a text of its own shows the hotspot's caption alone.
      if (caption.GetLength() > 0) caption.Append(" / ");
      if (const ItemRef* item = mask->GetCurrentItemRef()) shown = IsItemVisited(*item);
      VString hotspot;
      photo_->GetRegionCaption(region, hotspot);
      caption.Append(hotspot.GetLength() > 0 ? hotspot : VString("????"));
    }
  }
  if (MainScreenServices* services = GetMainScreenServices()) services->SetCaption(caption, shown, false);
  return false;
}
