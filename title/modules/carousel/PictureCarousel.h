// The turning ring of twenty pictures of the carousel screen, drawn in
// perspective: the pictures stand on a circle tipped towards the viewer, the
// nearer ones larger and in front (place 10 is the front). The ring turns
// while the pointer rests in the zone at its left or right edge, faster the
// nearer the edge; pointing at the front picture selects it (owner message
// 142 with the item), pointing elsewhere over the ring clears the selection
// (143 with -1), and clicking the selected picture freezes or frees the ring
// (144 with the item). The owner can make the ring turn by itself to bring an
// item to the front (StopAtItem); a selection asked for meanwhile is held
// and made once the ring has stopped (141 with the carousel's id).
//
// Item i shows the pictures of index entry i's bubble (media base + 3, lit
// + 5); items without them take a default pair by their number (even 3020 /
// 3021, odd 3010 / 3011). Everything runs in the carousel's own task, on
// every idle pass and at least every 10 ms, with the time step held to
// 10..1000 ms.
#pragma once

#include <array>
#include <cstdint>

#include "engine/controls/VPictureControl.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VTask.h"
#include "title/controls/SignalSinks.h"

class CarouselSlotControl;
class IndexEntryList;
class VPicture;

class PictureCarousel : public VPictureControl, public VTask, public VisibleCountTarget {
 public:
  static constexpr int32_t kRingSize = 20;
  static constexpr uint16_t kBackdropPicture = 3000;
  static constexpr uint16_t kEvenPicture = 3020;
  static constexpr uint16_t kOddPicture = 3010;
  static constexpr int32_t kWidth = 400;
  static constexpr int32_t kHeight = 379;
  static constexpr int32_t kFrontPlace = 10;
  // The value of pi every angle of the ring is computed with.
  static constexpr double kPi = 3.1415926535;
  static constexpr double kStep = 2 * kPi / kRingSize;
  // The shortest time step of a turn, in milliseconds.
  static constexpr int32_t kMinStepMs = 10;
  static constexpr uint32_t kMessageStopped = 141;
  static constexpr uint32_t kMessageFrontPointed = 142;
  static constexpr uint32_t kMessageLeft = 143;
  static constexpr uint32_t kMessageClicked = 144;

  // Where a ring place stands: its rectangle relative to the carousel and
  // its depth (the larger the farther).
  struct Place {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    double depth = 0;
  };
  // The perspective projection of ring place `place` turned by `angle`.
  static Place ProjectPlace(int32_t place, double angle, int32_t tilt, int32_t centreX, int32_t centreY);

  // entries: the house index (not owned, read only here); null or short:
  // default pictures.
  PictureCarousel(int32_t id, int32_t x, int32_t y, int32_t layer, const IndexEntryList* entries,
                  VGraphicObject* parent);
  ~PictureCarousel() override;

  int32_t GetVisibleCount() override { return visibleCount_; }
  void SetVisibleCount(int32_t count) override;
  void SetRingActive(bool active) { active_ = active; }
  bool IsRingActive() const { return active_; }
  void SetFrozen(bool frozen) { frozen_ = frozen; }
  bool IsFrozen() const { return frozen_; }
  void StopAtItem(int32_t item);
  bool IsStoppingAtSlot() const { return stopping_; }
  int32_t GetTargetItem() const;
  // item -1 clears the selection; items outside the ring are ignored.
  void SelectItem(int32_t item, bool clearPending, bool handCursor);
  int32_t GetSelectedItem() const { return selected_; }
  int32_t GetPendingItem() const { return pending_; }
  int32_t GetOffset() const { return offset_; }
  double GetAngle() const { return angle_; }
  void SetAngle(double angle) { angle_ = angle; }
  void Layout(bool redraw);
  void NormaliseRotation(bool stopAtTarget);

  // The slot control of an item, and the one shown at a ring place.
  CarouselSlotControl* GetSlot(int32_t item) const;
  CarouselSlotControl* GetPlaceSlot(int32_t place) const;
  const VRect& GetDrawnArea() const { return drawnArea_; }
  const VRect& GetLeftZone() const { return leftZone_; }
  const VRect& GetRightZone() const { return rightZone_; }

  bool Step(uint32_t pass) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

 private:
  int32_t FrontOffsetFor(int32_t item) const;
  void FillPlaces();
  void Report(uint32_t code, int32_t value);

  int32_t offset_ = 0;
  std::array<VPicture*, kRingSize> normal_{};
  std::array<VPicture*, kRingSize> highlight_{};
  std::array<CarouselSlotControl*, kRingSize> slots_{};
  std::array<CarouselSlotControl*, kRingSize> places_{};
  bool frozen_ = false;
  bool stopping_ = false;
  bool active_ = true;
  uint32_t lastTick_ = 0;
  int32_t target_ = 0;
  int32_t selected_ = -1;
  int32_t pending_ = -1;
  double angle_ = 0.0;
  int32_t tilt_ = -45;
  int32_t centreX_ = 210;
  int32_t centreY_ = 110;
  VRect drawnArea_{0, 0, 640, 480};
  VRect leftZone_{0, 0, 100, 154};
  VRect rightZone_{300, 0, 400, 154};
  VRect centreZone_{167, 41, 252, 105};
  int32_t visibleCount_ = 0;
};
