// The historical photo screen (kind 12): one historical photograph with its
// hotspot regions, a decoration (picture 17000) and the photo's caption
// picture. Shown, the photograph and the decoration fade in (500 ms), then
// the caption slides in from the left edge with a 4 % overshoot (500 ms),
// and owner message 94 follows; hidden, the same backwards, and 95 follows
// on the next tick. The photograph is centred on x = 134 + 485 / 2 at
// y = 22; the photo's text and the hotspot captions go to the main
// screen's caption line, which is emptied when the screen starts to leave.
//
// An item without media (or whose photograph does not load) has nothing to
// animate: it reports 94 and 95 on the tick after Show and Hide.
//
// Ownership: the photo item, the placement lists and the transition lists
// are the screen's; its controls are its children.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/controls/ControlEvents.h"
#include "title/controls/PhotoHotspotFrame.h"

class HistoricalPhotoItem;
class PlacementList;
class PlacementTransition;
class PlacementTransitionList;
class SignalTimer;
class VPictureControl;

class HistoricalPhotoControl : public PhotoHotspotFrame {
 public:
  static constexpr int32_t kKind = 12;
  static constexpr int32_t kTransitionIn = 17;
  static constexpr int32_t kTransitionOut = 18;
  static constexpr int32_t kStepDuration = 500;
  static constexpr double kOvershoot = 0.04;
  static constexpr uint16_t kDecorationPictureId = 17000;
  static constexpr int32_t kDecorationLeft = 0, kDecorationTop = 200, kDecorationWidth = 242, kDecorationHeight = 419;
  static constexpr int32_t kPhotoAreaLeft = 134, kPhotoAreaWidth = 485, kPhotoTop = 22;
  static constexpr int32_t kCaptionLeft = 15, kCaptionTop = 20;
  static constexpr int32_t kShownLevel = 63;

  HistoricalPhotoControl(int32_t id, const ItemRef& item, int32_t left, int32_t top, int32_t layer, int32_t width,
                         int32_t height, VGraphicObject* parent);
  ~HistoricalPhotoControl() override;

  int32_t GetKind() const override { return kKind; }
  void Show() override;
  void Hide() override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  HistoricalPhotoItem* GetItem() const;
  VPictureControl* GetDecoration() const { return decoration_; }
  VPictureControl* GetCaption() const { return caption_; }
  bool IsLeaving() const { return leaving_; }

 private:
  void RunTransitionList(PlacementTransitionList& list);
  void RunTransition(PlacementTransition& transition, int32_t listId);
  void ReportLater(uint32_t code);

  std::unique_ptr<PlacementList> hidden_, shown_, captionOut_, captionIn_;
  std::unique_ptr<PlacementTransitionList> in_, out_;
  PlacementTransitionList* running_ = nullptr;
  PlacementTransition* next_ = nullptr;
  SignalTimer* timer_ = nullptr;
  VPictureControl* decoration_ = nullptr;
  VPictureControl* caption_ = nullptr;
  bool animates_ = false;
  bool hiddenReport_ = false;
  bool leaving_ = false;
  uint32_t pendingReport_ = 0;
  ControlLife life_;
};
