// The detail photo pop-up (kind 13): a detail photograph with hotspot regions
// over the panorama tour. It opens with a 1000 ms picture transition from a
// still of the tour navigator's current view to the photograph, enables
// itself and reports 94; it closes with the reverse, disables itself and
// reports 95 (its owner, the tour view, then deletes it); from the start of
// the closing the caption line is empty and the regions answer neither the
// pointer nor clicks. A click on a region plays sound 62 and, when the
// region has a hotspot, sends owner message 138 with a new item reference
// for it (a message pointer to an ItemRef, valid while the message is
// handled). Opening and closing write "popup-shown CODE ms N" and
// "popup-hidden CODE ms N" to the title's run log (N: the milliseconds
// since Show or Hide).
//
// The transitions need the tour view (control 14362 of the main window's
// current panel), its navigator and the photograph. Without them (an item
// without media, a photograph that does not load) the pop-up shows or hides
// at once and reports 94 or 95 on the next tick.
//
// Ownership: the photo item is the pop-up's; the still (control 14374)
// exists only while a transition runs and until the tick after it; one
// reference to sound 62 is held while the pop-up exists.
#pragma once

#include <cstdint>

#include "title/controls/PhotoHotspotFrame.h"

class DetailPhotoItem;
class HotspotMaskControl;
class PixelMap;
class TourNavigator;
class VPicture;
class VPictureControl;

class DetailPhotoPopup : public PhotoHotspotFrame {
 public:
  static constexpr int32_t kKind = 13;
  static constexpr int32_t kStillControlId = 14374;
  static constexpr int32_t kTransitionOpen = 17;
  static constexpr int32_t kTransitionClose = 18;
  static constexpr int32_t kTransitionDuration = 1000;
  static constexpr int32_t kSoundClick = 62;
  static constexpr uint32_t kMessageOpenItem = 138;

  DetailPhotoPopup(int32_t id, const ItemRef& item, int32_t left, int32_t top, int32_t layer, int32_t width,
                   int32_t height, VGraphicObject* parent);
  ~DetailPhotoPopup() override;

  int32_t GetKind() const override { return kKind; }
  // The pop-up's flag, then the photograph's enabled and mask-enabled
  // flags; returns the photograph's old mask-enabled flag (the pop-up's own
  // old flag without a photograph).
  bool SetEnabled(bool enabled) override;
  // The item's visit flag.
  bool IsItemVisited(const ItemRef& item) override;
  void Show() override;
  void Hide() override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  DetailPhotoItem* GetItem() const;
  HotspotMaskControl* GetPhotograph();
  VPictureControl* GetStill();

 private:
  // The navigator of the tour view on the current panel, or null.
  static TourNavigator* FindNavigator();
  // A copy of the navigator's current frame in the pixel layout of `layout`
  // (a frame rendered now when it has none of that layout). One reference
  // for the caller.
  static VPicture* TakeStill(TourNavigator& navigator, const PixelMap& layout);
  // A copy of the photograph's picture, or null. One reference.
  VPicture* CopyPhotograph();
  // The transition from the still's picture to `target` (a reference taken).
  void RunTransition(VPicture* still, VPicture* target, int32_t id);
  void DeleteStill();
  // Owner message 94 or 95, with its line in the title's run log.
  void Report(uint32_t code);
  void ReportLater(uint32_t code);
  void OpenRegion();

  bool cleanup_ = false;
  // Set by Hide: the caption is gone and the regions answer nothing.
  bool closing_ = false;
  uint32_t pendingReport_ = 0;
  // When the last Show or Hide began (task ticks).
  uint32_t changeStart_ = 0;
};
