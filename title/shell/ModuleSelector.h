// The module selector of the control strip (id 14381): one multi-frame
// picture control over a region mask carrying the module buttons. Each
// button has its own animation strip; pointing at a button's region runs the
// shown strip back to its return frame, switches to that button's strip and
// runs it forward, a frame at a time on a timer that slows down near the
// end. A click marks the button as chosen and reports its region number.
//
// Events sent to the parent: 28 (a new button is pointed at, value the
// selector's id), 29 (the pointer left, value 0), 89 (a click, value the
// chosen button's region number, 0 when none).
//
// Ownership: the selector owns its button list and its records, and holds
// one reference on the region mask it builds and on the disabled picture it
// shows. Its task part is stepped by the current task manager and belongs to
// the selector.
#pragma once

#include <cstdint>

#include "engine/controls/VMaskControl.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VTask.h"

class ModuleButtonDef;
class VMask;

class ModuleSelector : public VMaskControl, public VTask {
 public:
  static constexpr int32_t kTaskId = 12;
  static constexpr uint32_t kEventEntered = 28;
  static constexpr uint32_t kEventLeft = 29;
  static constexpr uint32_t kEventClicked = 89;
  static constexpr uint16_t kDisabledPictureBase = 320;
  static constexpr int32_t kFirstStepInterval = 20;
  static constexpr uint16_t kCursorArrow = 220;
  static constexpr uint16_t kCursorClickable = 107;

  // buttons: taken over (null: an empty list). A width and height of 0 let
  // the selector take the size of the strips it shows.
  ModuleSelector(int32_t id, VLinkedList* buttons, int32_t left, int32_t top, int32_t layer, int32_t width,
                 int32_t height, VGraphicObject* parent);
  ~ModuleSelector() override;

  // Appends the record (taken over) unless one with the same id is in the
  // list: then false, and the caller keeps the record. The first record
  // becomes the shown one.
  bool AddButton(ModuleButtonDef* record);
  // Shows the record's strip at its start frame (null: the first record);
  // false only for an empty list.
  bool SelectButton(ModuleButtonDef* record);
  // Disabled, the selector shows picture 320 + the chosen button's region
  // number (320 when none is chosen) in place of the strip.
  bool SetEnabled(bool enabled) override;
  // Forgets the chosen button and stands at frame 0 at once.
  void Reset();
  // Starts a run to the frame (-1: the end of the strip, or the current
  // strip's return frame when another strip is waiting).
  void AnimateTo(int32_t target, int32_t region);

  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  bool Step(uint32_t pass) override;
  // One frame step of a run, when its time has come.
  virtual void Animate();

  int32_t GetButtonCount() const { return buttons_.GetCount(); }
  ModuleButtonDef* FindButton(int32_t id) const;
  ModuleButtonDef* FindButtonByRegion(int32_t region) const;
  ModuleButtonDef* GetCurrentButton() const { return current_; }
  ModuleButtonDef* GetPendingButton() const { return pending_; }
  ModuleButtonDef* GetChosenButton() const { return chosen_; }
  int32_t GetStripFrame() const { return frame_; }
  int32_t GetStripFrameCount() const { return frameCount_; }
  int32_t GetTargetFrame() const { return target_; }
  bool IsStepping() const { return stepping_; }
  bool IsHovering() const { return hovering_; }
  int32_t GetStepInterval() const { return interval_; }
  int32_t GetLastRegion() const { return lastRegion_; }
  // The region under a window point, -1 for none.
  int32_t RegionAt(const VPoint& windowPoint) const;

 private:
  void BuildRegionMask(VPicture* regionPicture);
  void ShowFrame(int32_t frame);
  // The region under the pointer now (-1 for none or without a window).
  int32_t RegionUnderPointer();
  // A mouse move at the pointer's place to the mask control's handling (and
  // with `own` to the selector's).
  void MoveAtPointer(bool own);
  int32_t ClampFrame(int32_t frame) const;

  VLinkedList buttons_;
  int32_t frameCount_ = 0;
  int32_t frame_ = 0;
  int32_t target_ = 0;
  int32_t direction_ = 1;
  bool pressed_ = false;
  bool stepping_ = false;
  bool firstStep_ = false;
  bool hovering_ = false;
  uint32_t lastTick_ = 0;
  uint32_t nextStepTime_ = 0;
  int32_t interval_ = kFirstStepInterval;
  VMask* regionMask_ = nullptr;
  bool switchingBack_ = false;
  int32_t lastRegion_ = -1;
  ModuleButtonDef* current_ = nullptr;
  ModuleButtonDef* pending_ = nullptr;
  ModuleButtonDef* chosen_ = nullptr;
  VPicture* disabledPicture_ = nullptr;
};
