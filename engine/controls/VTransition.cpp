#include "engine/controls/VTransition.h"

#include <algorithm>
#include <vector>

#include "engine/app/VControl.h"
#include "engine/app/VGraphicObject.h"
#include "platform/Clock.h"

namespace {

VLinkedList& LiveTransitions() {
  static VLinkedList list;
  return list;
}

// The redraw list as the display tree reaches it through the drawing backend.
class TransitionRedrawer : public VTransitionRedrawer {
 public:
  void RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) override {
    VTransition::RedrawAll(port, update, window);
  }
};

// Signed milliseconds from `from` to `to` across the wrap of the tick count.
int64_t TicksBetween(uint32_t from, uint32_t to) { return static_cast<int32_t>(to - from); }

}  // namespace

int32_t VTransition::drawingDepth_ = 0;

VTransitionRedrawer& VTransition::GetRunningTransitions() {
  static TransitionRedrawer redrawer;
  return redrawer;
}

VTransition::VTransition(VGraphicObject* object, const VRect* rect, bool timed, int32_t length, int32_t quantum,
                         int32_t taskId, bool startNow)
    : VTask(taskId, false, true, true, GetTaskManager()),
      timed_(timed),
      length_(std::max(length, 0)),
      quantum_(quantum),
      object_(object),
      listElement_(this) {
  if (rect != nullptr) {
    rect_ = *rect;
  } else if (object != nullptr) {
    rect_ = VRect(0, 0, object->GetWidth(), object->GetHeight());
  }
  if (object != nullptr) window_ = object->GetWindow();
  LiveTransitions().Append(&listElement_);
  if (startNow) Start();
}

VTransition::~VTransition() { LiveTransitions().Remove(&listElement_, false); }

int32_t VTransition::GetLiveCount() { return LiveTransitions().GetCount(); }

void VTransition::ForgetObject(VGraphicObject* object) {
  if (object == nullptr) return;
  for (VListElement* e = LiveTransitions().GetFirst(); e != nullptr; e = e->GetNext()) {
    VTransition* t = static_cast<VTransitionListElement*>(e)->GetTransition();
    if (t->object_ == object) t->ObjectGone();
  }
}

void VTransition::ObjectGone() {
  object_ = nullptr;
  window_ = nullptr;
  alive_ = false;
  Stop();
  SetFinished();
}

void VTransition::DrawAt(DrawPort*, int32_t, int32_t) {}

void VTransition::Start() {
  if (IsRunning()) return;
  SetActive(true);
  const uint32_t now = platform::TickCount();
  startTick_ = forward_ ? now - static_cast<uint32_t>(position_)
                        : now + static_cast<uint32_t>(position_) - static_cast<uint32_t>(length_);
  lastStepTick_ = now;
  if (auto* control = dynamic_cast<VControl*>(object_)) {
    SendControlEvent(*control, kEventTransitionStarted, static_cast<uint32_t>(GetTaskId()));
  }
}

void VTransition::Stop() {
  if (IsRunning()) SetActive(false);
}

void VTransition::Rewind() { position_ = (forward_ || endMode_ == kEndReverse) ? 0 : length_; }

void VTransition::SetDirection(int32_t direction) {
  forward_ = direction != -1;
  if (position_ == (forward_ ? length_ : 0)) Rewind();
}

VGraphicWindow* VTransition::ResolveWindow() {
  if (window_ == nullptr && object_ != nullptr) window_ = object_->GetWindow();
  return window_;
}

bool VTransition::GetGlobalRect(VRect& out) const {
  out = rect_;
  if (object_ != nullptr) {
    VPoint origin;
    object_->GetGlobalOrigin(origin, true);
    out.Offset(origin.x, origin.y);
  }
  return !out.IsEmpty();
}

bool VTransition::Step(uint32_t) {
  const uint32_t now = GetTaskTickCount();
  int64_t position = 0;
  if (timed_) {
    position = forward_ ? TicksBetween(startTick_, now) : int64_t{length_} - TicksBetween(startTick_, now);
  } else {
    position = int64_t{position_} + (forward_ ? 1 : -1);
  }
  position = std::clamp<int64_t>(position, 0, length_);

  bool ended = false;
  if ((forward_ && position == length_) || (!forward_ && position == 0)) {
    startTick_ = now;
    if (endMode_ == kEndLoop) {
      Rewind();
    } else if (endMode_ == kEndReverse) {
      forward_ = !forward_;
    } else {
      Stop();
      ended = true;
    }
  } else if (quantum_ > 1) {
    if (timed_) {
      // Forward positions round down, backward ones up: either way the
      // position lags behind the clock on the quantum grid.
      if (forward_) {
        position -= position % quantum_;
      } else {
        const int64_t rest = position % quantum_;
        if (rest != 0) position = std::min<int64_t>(position - rest + quantum_, length_);
      }
    } else if (TicksBetween(lastStepTick_, now) < quantum_) {
      position = position_;
    } else {
      lastStepTick_ = now;
    }
  }

  const ControlLife::Watch watch = life_.MakeWatch();
  if (position != position_) {
    position_ = static_cast<int32_t>(position);
    DrawNow();
    if (!watch.Alive()) return false;
  }
  if (ended && object_ != nullptr) {
    alive_ = false;
    if (auto* control = dynamic_cast<VControl*>(object_)) {
      SendControlEvent(*control, kEventTransitionEnded, static_cast<uint32_t>(GetTaskId()));
      if (!watch.Alive()) return false;
    }
  }
  return alive_;
}

void VTransition::DrawNow() {
  VGraphicWindow* window = ResolveWindow();
  if (window == nullptr) return;
  VRect area;
  bool onMap = true;
  DrawPort* port = window->MakeOffscreenPort(area);
  if (port == nullptr) {
    onMap = false;
    port = window->MakeWindowPort(area);
  }
  if (port == nullptr) return;
  const ControlLife::Watch watch = life_.MakeWatch();
  ++drawingDepth_;
  DrawAt(port, position_, length_);
  --drawingDepth_;
  VRect copy;
  const bool hasCopy = onMap && watch.Alive() && GetGlobalRect(copy) && copy.Intersect(area, copy);
  window->FinishPort(port, hasCopy ? &copy : nullptr);
}

void VTransition::RedrawAll(DrawPort* port, const VRect* rect, VGraphicWindow* window) {
  if (drawingDepth_ > 0) return;
  if (port == nullptr && window == nullptr) return;
  ++drawingDepth_;
  DrawPort* temporary = nullptr;
  VRect area;
  bool onMap = false;
  if (port == nullptr) {
    temporary = window->MakeOffscreenPort(area);
    onMap = temporary != nullptr;
    if (temporary == nullptr) temporary = window->MakeWindowPort(area);
    port = temporary;
  }
  if (port != nullptr) {
    // A transition may end or be deleted while another draws: walk a copy.
    std::vector<VTransition*> live;
    for (VListElement* e = LiveTransitions().GetFirst(); e != nullptr; e = e->GetNext()) {
      live.push_back(static_cast<VTransitionListElement*>(e)->GetTransition());
    }
    for (VTransition* t : live) {
      if (!LiveTransitions().Contains(&t->listElement_)) continue;
      if (!t->alive_) continue;
      if (window != nullptr && t->ResolveWindow() != window) continue;
      if (rect != nullptr && t->object_ != nullptr) {
        VRect bounds;
        t->object_->GetVisibleGlobalBounds(bounds);
        VRect meet;
        if (!bounds.Intersect(*rect, meet)) continue;
      }
      t->DrawAt(port, t->position_, t->length_);
    }
  }
  if (temporary != nullptr) {
    VRect copy = area;
    if (rect != nullptr) copy.Intersect(*rect, copy);
    window->FinishPort(temporary, onMap && !copy.IsEmpty() ? &copy : nullptr);
  }
  --drawingDepth_;
}
