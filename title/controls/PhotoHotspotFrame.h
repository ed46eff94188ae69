// A frame that shows a photograph with hotspots: it owns the photo item,
// listens to its hotspot mask control (id 14377) and writes the caption of
// the hotspot under the pointer into the main screen's caption line ("photo
// text/hotspot caption", the hotspot caption alone when the photo has no
// text; shown as seen when the item counts as visited),
// ticking sound 61 on entering a hotspot. Subclasses set the photo and say
// which items count as visited.
//
// Ownership: the photo item is the frame's (deleted with it); one reference
// to sound effect 61 is held while the frame exists.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/script/ItemRef.h"
#include "title/controls/PictureFrameControl.h"

class HotspotPhoto;

class PhotoHotspotFrame : public PictureFrameControl {
 public:
  static constexpr int32_t kMaskControlId = 14377;
  static constexpr int32_t kSoundHotspot = 61;

  // The item reference is not kept.
  PhotoHotspotFrame(int32_t id, const ItemRef& item, int32_t left, int32_t top, int32_t layer, int32_t width,
                    int32_t height, VGraphicObject* parent);
  ~PhotoHotspotFrame() override;

  // Takes ownership; the previous item is deleted.
  void SetPhotoItem(std::unique_ptr<HotspotPhoto> photo);
  HotspotPhoto* GetPhotoItem() const { return photo_.get(); }

  // Whether a hotspot's item is shown as seen; false here.
  virtual bool IsItemVisited(const ItemRef& item);

  // Events 15 and 16 of the mask control 14377; never taken.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  void PhotoText(VString& out) const;

  std::unique_ptr<HotspotPhoto> photo_;
};
