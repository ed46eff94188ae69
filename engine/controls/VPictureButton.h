// Picture buttons: a picture control whose picture follows a small state
// machine driven by the pointer and by enabling. VGenericPictureButton holds
// the picture entries and steps a transition table supplied by a subclass;
// VPictureButton is the standard four-picture button (normal, pressed, under
// the pointer, disabled) with a 100 ms hold of the pressed picture before a
// click is reported and optional auto-repeat while held.
//
// Ownership: each entry holds one reference on its picture; the state
// getters hand out one more reference.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/controls/VPictureControl.h"

class VDeadline;

// One record of a transition table: in `state`, `input` leads to `newState`
// and sends `event` (0: none). A table ends with a record whose state is 0.
struct ButtonTransition {
  int32_t state;
  int32_t input;
  int32_t newState;
  int32_t event;
};

// Inputs of the state machine.
enum ButtonInput : int32_t {
  kInputEntered = 1,
  kInputLeft = 2,
  kInputDown = 3,
  kInputUp = 4,
  kInputEnabled = 5,
  kInputDisabled = 6,
};

class VGenericPictureButton : public VPictureControl {
 public:
  VGenericPictureButton(int32_t id, int32_t initialState, const VPoint& topLeft, int32_t layer, int32_t width,
                        int32_t height, VGraphicObject* parent);
  ~VGenericPictureButton() override;

  bool SetEnabled(bool enabled) override;
  bool MouseDown(const VMouseEvent& event) override;
  bool MouseUp(const VMouseEvent& event) override;
  bool MouseMove(const VMouseEvent& event) override;
  bool UpdateCursor(const VMouseEvent& event) override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  virtual void SetState(int32_t oldState, int32_t newState, int32_t event);
  virtual int32_t GetEntryForState(int32_t state) const = 0;
  virtual uint16_t GetCursorForState(int32_t state) const = 0;
  virtual const ButtonTransition* GetStateTable() const = 0;

  // Picture entries.
  void SetStateCount(int32_t count);
  int32_t GetStateCount() const { return static_cast<int32_t>(entries_.size()); }
  void SetStatePictureIds(int32_t count, const uint16_t* ids, const int32_t* frames, bool redraw);
  void SetStatePictures(int32_t count, VPicture* const* pictures, const int32_t* frames, bool redraw);
  void SetStatePictureId(int32_t entry, uint16_t id, int32_t frame, bool redraw);
  void SetStatePicture(int32_t entry, VPicture* picture, int32_t frame, bool redraw);
  // Entry 0 with redraw.
  void SetPictureId(uint16_t id, int32_t frame) { SetStatePictureId(0, id, frame, true); }
  void SetPicture(VPicture* picture, int32_t frame) { SetStatePicture(0, picture, frame, true); }
  void LoadStatePicture(int32_t entry, uint16_t id, int32_t frame, bool share);
  void AttachStatePicture(int32_t entry, VPicture* picture, int32_t frame);
  void GetStatePictureId(int32_t entry, uint16_t& id, int32_t& frame) const;
  // The picture with one more reference (null for none).
  void GetStatePicture(int32_t entry, VPicture*& picture, int32_t& frame) const;
  void UpdatePicture(bool redraw);
  // Looks the (state, input) pair up; false when the table has no record.
  bool FeedInput(int32_t input);

  int32_t GetButtonState() const { return state_; }

 private:
  struct Entry {
    uint16_t id = 0;
    VPicture* picture = nullptr;
    int32_t frame = 0;
  };
  void ReleaseEntries();

  int32_t state_;
  std::vector<Entry> entries_;
  bool pointerInside_ = false;
};

class VPictureButton : public VGenericPictureButton {
 public:
  static constexpr uint32_t kPressHoldMs = 100;

  // Four entries in the order normal, pressed, under the pointer, disabled.
  // A missing source (id 0, null picture, frame -1) repeats the first one.
  VPictureButton(int32_t id, const uint16_t ids[4], const int32_t frames[4], const VPoint& topLeft, int32_t layer,
                 int32_t width, int32_t height, VGraphicObject* parent);
  VPictureButton(int32_t id, VPicture* const pictures[4], const int32_t frames[4], const VPoint& topLeft,
                 int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  VPictureButton(int32_t id, uint16_t normal, uint16_t pressed, uint16_t over, uint16_t disabled,
                 const VPoint& topLeft, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  VPictureButton(int32_t id, VPicture* normal, VPicture* pressed, VPicture* over, VPicture* disabled,
                 const VPoint& topLeft, int32_t layer, int32_t width, int32_t height, VGraphicObject* parent);
  VPictureButton(int32_t id, uint16_t pictureId, const int32_t frames[4], const VPoint& topLeft, int32_t layer,
                 int32_t width, int32_t height, VGraphicObject* parent);
  VPictureButton(int32_t id, VPicture* picture, const int32_t frames[4], const VPoint& topLeft, int32_t layer,
                 int32_t width, int32_t height, VGraphicObject* parent);
  ~VPictureButton() override;

  void SetState(int32_t oldState, int32_t newState, int32_t event) override;
  int32_t GetEntryForState(int32_t state) const override;
  uint16_t GetCursorForState(int32_t state) const override;
  const ButtonTransition* GetStateTable() const override;
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // The engine's transition table (ends with a record of state 0).
  static const ButtonTransition* StandardTable();

  bool IsPressed() const { return GetButtonState() == 3 || GetButtonState() == 4; }
  void SetRepeatInterval(uint32_t ms) { repeatInterval_ = ms; }
  void SetRepeatDelay(uint32_t ms) { repeatDelay_ = ms; }
  uint32_t GetNextRepeatTime() const { return nextRepeat_; }

 private:
  void WaitForPressDeadline();

  uint32_t nextRepeat_ = 0;
  uint32_t repeatDelay_ = 0;
  uint32_t repeatInterval_ = 0;
  std::unique_ptr<VDeadline> pressDeadline_;
};
