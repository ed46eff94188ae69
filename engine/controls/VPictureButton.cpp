#include "engine/controls/VPictureButton.h"

#include "engine/app/MessagePointer.h"
#include "engine/core/VDeadline.h"
#include "engine/graphics/VPicture.h"
#include "platform/Clock.h"

namespace {

constexpr uint16_t kCursorDraggable = 105;
constexpr uint16_t kCursorDragging = 106;
constexpr uint16_t kCursorHand = 107;

constexpr ButtonTransition kStandardTable[] = {
    {1, 1, 2, 28}, {1, 6, 5, 0},  {1, 3, 4, 19}, {2, 2, 1, 29}, {2, 3, 4, 19}, {2, 6, 6, 29},
    {3, 4, 1, 0},  {3, 1, 4, 28}, {3, 6, 5, 0},  {3, 3, 4, 19}, {4, 2, 3, 29}, {4, 4, 2, 21},
    {4, 6, 6, 29}, {4, 3, 4, 19}, {5, 1, 6, 0},  {5, 3, 6, 0},  {5, 4, 5, 0},  {5, 5, 1, 0},
    {6, 2, 5, 0},  {6, 3, 6, 0},  {6, 4, 6, 0},  {6, 5, 2, 28}, {0, 0, 0, 0},
};

}  // namespace

// ---------------------------------------------------------------------------
// VGenericPictureButton

VGenericPictureButton::VGenericPictureButton(int32_t id, int32_t initialState, const VPoint& topLeft, int32_t layer,
                                             int32_t width, int32_t height, VGraphicObject* parent)
    : VPictureControl(NoPicture{}, kKind, id, topLeft.x, topLeft.y, layer, width, height, parent),
      state_(initialState) {}

VGenericPictureButton::~VGenericPictureButton() { ReleaseEntries(); }

void VGenericPictureButton::ReleaseEntries() {
  for (Entry& e : entries_) {
    if (e.picture != nullptr) e.picture->Release();
    e.picture = nullptr;
  }
  entries_.clear();
}

void VGenericPictureButton::SetStateCount(int32_t count) {
  if (count < 0) count = 0;
  if (count == GetStateCount() && !entries_.empty()) return;
  ReleaseEntries();
  entries_.resize(static_cast<size_t>(count));
}

void VGenericPictureButton::SetStatePictureIds(int32_t count, const uint16_t* ids, const int32_t* frames,
                                               bool redraw) {
  SetStateCount(count);
  for (int32_t i = 0; i < GetStateCount(); ++i) {
    LoadStatePicture(i, ids != nullptr ? ids[i] : 0, frames != nullptr ? frames[i] : 0, false);
  }
  UpdatePicture(redraw);
}

void VGenericPictureButton::SetStatePictures(int32_t count, VPicture* const* pictures, const int32_t* frames,
                                             bool redraw) {
  SetStateCount(count);
  for (int32_t i = 0; i < GetStateCount(); ++i) {
    AttachStatePicture(i, pictures != nullptr ? pictures[i] : nullptr, frames != nullptr ? frames[i] : 0);
  }
  UpdatePicture(redraw);
}

void VGenericPictureButton::SetStatePictureId(int32_t entry, uint16_t id, int32_t frame, bool redraw) {
  LoadStatePicture(entry, id, frame, true);
  UpdatePicture(redraw);
}

void VGenericPictureButton::SetStatePicture(int32_t entry, VPicture* picture, int32_t frame, bool redraw) {
  AttachStatePicture(entry, picture, frame);
  UpdatePicture(redraw);
}

void VGenericPictureButton::LoadStatePicture(int32_t entry, uint16_t id, int32_t frame, bool share) {
  if (entry < 0 || entry >= GetStateCount()) return;
  Entry& target = entries_[static_cast<size_t>(entry)];
  VPicture* found = nullptr;
  const int32_t limit = share ? GetStateCount() : entry;
  for (int32_t i = 0; i < limit; ++i) {
    const Entry& other = entries_[static_cast<size_t>(i)];
    if (i != entry && id != 0 && other.id == id && other.picture != nullptr) {
      found = other.picture;
      break;
    }
  }
  VPicture* picture = nullptr;
  if (found != nullptr) {
    picture = found;
    picture->AddReference();
  } else if (id != 0) {
    picture = new VPicture(id);
  }
  if (target.picture != nullptr) target.picture->Release();
  target.picture = picture;
  target.id = id;
  target.frame = frame;
}

void VGenericPictureButton::AttachStatePicture(int32_t entry, VPicture* picture, int32_t frame) {
  if (entry < 0 || entry >= GetStateCount()) return;
  Entry& target = entries_[static_cast<size_t>(entry)];
  if (picture != nullptr) picture->AddReference();
  if (target.picture != nullptr) target.picture->Release();
  target.picture = picture;
  target.id = 0;
  target.frame = frame;
}

void VGenericPictureButton::GetStatePictureId(int32_t entry, uint16_t& id, int32_t& frame) const {
  id = 0;
  frame = 0;
  if (entry < 0 || entry >= GetStateCount()) return;
  id = entries_[static_cast<size_t>(entry)].id;
  frame = entries_[static_cast<size_t>(entry)].frame;
}

void VGenericPictureButton::GetStatePicture(int32_t entry, VPicture*& picture, int32_t& frame) const {
  picture = nullptr;
  frame = 0;
  if (entry < 0 || entry >= GetStateCount()) return;
  picture = entries_[static_cast<size_t>(entry)].picture;
  frame = entries_[static_cast<size_t>(entry)].frame;
  if (picture != nullptr) picture->AddReference();
}

void VGenericPictureButton::UpdatePicture(bool redraw) {
  const int32_t entry = GetEntryForState(state_);
  if (entry < 0 || entry >= GetStateCount()) return;
  const Entry& e = entries_[static_cast<size_t>(entry)];
  if (e.picture == nullptr) return;
  const bool pictureChanged = VPictureControl::SetPicture(e.picture, false);
  const bool frameChanged = VPictureControl::SetFrame(e.frame, false);
  if (redraw && (pictureChanged || frameChanged)) RedrawNow();
}

void VGenericPictureButton::SetState(int32_t, int32_t newState, int32_t event) {
  state_ = newState;
  UpdatePicture(true);
  if (event != 0) SendControlEvent(*this, static_cast<uint32_t>(event));
}

bool VGenericPictureButton::FeedInput(int32_t input) {
  const ButtonTransition* table = GetStateTable();
  if (table == nullptr) return false;
  for (const ButtonTransition* t = table; t->state != 0; ++t) {
    if (t->state == state_ && t->input == input) {
      SetState(state_, t->newState, t->event);
      return true;
    }
  }
  return false;
}

bool VGenericPictureButton::MouseDown(const VMouseEvent& event) {
  if (VGraphicObject::MouseDown(event)) return true;
  FeedInput(kInputDown);
  return true;
}

bool VGenericPictureButton::MouseUp(const VMouseEvent& event) {
  if (VGraphicObject::MouseUp(event)) return true;
  FeedInput(kInputUp);
  return true;
}

bool VGenericPictureButton::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  StorePressPoint(event);
  const bool inside = ContainsPoint(event.GetPoint());
  if (inside != pointerInside_) {
    pointerInside_ = inside;
    FeedInput(inside ? kInputEntered : kInputLeft);
  }
  return false;  // every button sees every move
}

bool VGenericPictureButton::SetEnabled(bool enabled) {
  const bool old = VGraphicObject::SetEnabled(enabled);
  if (old == enabled) return old;
  const ControlLife::Watch watch = life_.MakeWatch();
  {
    VEventHandler* handler = GetEventHandler();
    if (VTLink* child = handler->GetFirstChild()) {
      ScopedMessagePointer sender(handler);
      child->DispatchPreOrder(enabled ? kEventEnabled : kEventDisabled, 0, sender.GetValue());
    }
  }
  if (watch.Alive()) FeedInput(enabled ? kInputEnabled : kInputDisabled);
  return old;
}

bool VGenericPictureButton::HandleEvent(uint32_t code, uint32_t, uint32_t) {
  if (code == kEventEnabled) FeedInput(kInputEnabled);
  if (code == kEventDisabled) FeedInput(kInputDisabled);
  return false;
}

bool VGenericPictureButton::UpdateCursor(const VMouseEvent&) {
  if (GetTrackingObject() == this) {
    SetCursorById(kCursorDragging);
  } else if (IsDraggable()) {
    SetCursorById(kCursorDraggable);
  } else {
    SetCursorById(GetCursorForState(state_));
  }
  return true;
}

// ---------------------------------------------------------------------------
// VPictureButton

namespace {

// Fills missing entries from the first one.
void CompleteIds(const uint16_t in[4], const int32_t framesIn[4], uint16_t ids[4], int32_t frames[4]) {
  for (int i = 0; i < 4; ++i) {
    const bool missing = in[i] == 0;
    ids[i] = missing ? in[0] : in[i];
    frames[i] = missing ? (framesIn != nullptr ? framesIn[0] : 0) : (framesIn != nullptr ? framesIn[i] : 0);
  }
}

void CompletePictures(VPicture* const in[4], const int32_t framesIn[4], VPicture* pictures[4], int32_t frames[4]) {
  for (int i = 0; i < 4; ++i) {
    const bool missing = in[i] == nullptr;
    pictures[i] = missing ? in[0] : in[i];
    frames[i] = missing ? (framesIn != nullptr ? framesIn[0] : 0) : (framesIn != nullptr ? framesIn[i] : 0);
  }
}

void CompleteFrames(const int32_t in[4], int32_t frames[4]) {
  for (int i = 0; i < 4; ++i) frames[i] = in[i] == -1 ? in[0] : in[i];
}

}  // namespace

VPictureButton::VPictureButton(int32_t id, const uint16_t ids[4], const int32_t frames[4], const VPoint& topLeft,
                               int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VGenericPictureButton(id, 1, topLeft, layer, width, height, parent) {
  uint16_t i4[4];
  int32_t f4[4];
  CompleteIds(ids, frames, i4, f4);
  SetStatePictureIds(4, i4, f4, false);
}

VPictureButton::VPictureButton(int32_t id, VPicture* const pictures[4], const int32_t frames[4],
                               const VPoint& topLeft, int32_t layer, int32_t width, int32_t height,
                               VGraphicObject* parent)
    : VGenericPictureButton(id, 1, topLeft, layer, width, height, parent) {
  VPicture* p4[4];
  int32_t f4[4];
  CompletePictures(pictures, frames, p4, f4);
  SetStatePictures(4, p4, f4, false);
}

VPictureButton::VPictureButton(int32_t id, uint16_t normal, uint16_t pressed, uint16_t over, uint16_t disabled,
                               const VPoint& topLeft, int32_t layer, int32_t width, int32_t height,
                               VGraphicObject* parent)
    : VGenericPictureButton(id, 1, topLeft, layer, width, height, parent) {
  const uint16_t ids[4] = {normal, pressed, over, disabled};
  uint16_t i4[4];
  int32_t f4[4];
  CompleteIds(ids, nullptr, i4, f4);
  SetStatePictureIds(4, i4, f4, false);
}

VPictureButton::VPictureButton(int32_t id, VPicture* normal, VPicture* pressed, VPicture* over, VPicture* disabled,
                               const VPoint& topLeft, int32_t layer, int32_t width, int32_t height,
                               VGraphicObject* parent)
    : VGenericPictureButton(id, 1, topLeft, layer, width, height, parent) {
  VPicture* const pictures[4] = {normal, pressed, over, disabled};
  VPicture* p4[4];
  int32_t f4[4];
  CompletePictures(pictures, nullptr, p4, f4);
  SetStatePictures(4, p4, f4, false);
}

VPictureButton::VPictureButton(int32_t id, uint16_t pictureId, const int32_t frames[4], const VPoint& topLeft,
                               int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VGenericPictureButton(id, 1, topLeft, layer, width, height, parent) {
  const uint16_t ids[4] = {pictureId, pictureId, pictureId, pictureId};
  int32_t f4[4];
  CompleteFrames(frames, f4);
  SetStatePictureIds(4, ids, f4, false);
}

VPictureButton::VPictureButton(int32_t id, VPicture* picture, const int32_t frames[4], const VPoint& topLeft,
                               int32_t layer, int32_t width, int32_t height, VGraphicObject* parent)
    : VGenericPictureButton(id, 1, topLeft, layer, width, height, parent) {
  VPicture* const pictures[4] = {picture, picture, picture, picture};
  int32_t f4[4];
  CompleteFrames(frames, f4);
  SetStatePictures(4, pictures, f4, false);
}

VPictureButton::~VPictureButton() { WaitForPressDeadline(); }

void VPictureButton::WaitForPressDeadline() {
  if (pressDeadline_ == nullptr) return;
  pressDeadline_->Wait();
  pressDeadline_.reset();
}

const ButtonTransition* VPictureButton::StandardTable() { return kStandardTable; }
const ButtonTransition* VPictureButton::GetStateTable() const { return kStandardTable; }

int32_t VPictureButton::GetEntryForState(int32_t state) const {
  switch (state) {
    case 2:
      return 2;
    case 4:
      return 1;
    case 5:
    case 6:
      return 3;
    default:
      return 0;
  }
}

uint16_t VPictureButton::GetCursorForState(int32_t state) const {
  return state >= 2 && state <= 4 ? kCursorHand : 0;
}

void VPictureButton::SetState(int32_t oldState, int32_t newState, int32_t event) {
  // The button holds the mouse while it is pressed, so that it sees the
  // pointer leave and the release. A press straight from state 1 (the button
  // appeared under a pointer that has not moved) holds it too.
  const bool capture = (oldState == 2 && newState == 4) || (oldState == 1 && newState == 3) ||
                       (oldState == 1 && newState == 4) || (oldState == newState && (newState == 3 || newState == 4));
  const bool release = (oldState == 3 && (newState == 1 || newState == 5)) ||
                       (oldState == 4 && (newState == 2 || newState == 6));
  if (capture) {
    TakeMouseCapture();
  } else if (release && GetCapturedObject() == this) {
    SetCapturedObject(nullptr);
  }
  if (newState == 4) {
    const uint32_t now = platform::TickCount();
    nextRepeat_ = repeatInterval_ != 0 ? now + (repeatDelay_ != 0 ? repeatDelay_ : repeatInterval_) : 0;
  }
  if (oldState == 2 && newState == 4) {
    WaitForPressDeadline();
    pressDeadline_ = std::make_unique<VDeadline>(kPressHoldMs);
  }
  if (oldState == 4 && newState == 2) WaitForPressDeadline();
  VGenericPictureButton::SetState(oldState, newState, event);
}

bool VPictureButton::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code == kMessageTick) {
    const uint32_t tick = value1;
    if (repeatInterval_ != 0 && nextRepeat_ != 0 && static_cast<int32_t>(tick - nextRepeat_) >= 0) {
      nextRepeat_ += repeatInterval_;
      if (GetButtonState() == 4) SendControlEvent(*this, kEventButtonRepeat);
    }
    return false;
  }
  return VGenericPictureButton::HandleEvent(code, value1, value2);
}
