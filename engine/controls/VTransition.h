// A time-driven change of what an object shows: a task that moves a position
// from 0 to a length (or back) with the task clock or one step per pass, and
// has its subclass paint the state at each new position straight into the
// object's window. Every live transition is kept in one program-wide list so
// that whenever part of a window is redrawn, the transitions of that window
// paint themselves again over the fresh drawing.
//
// Ownership: a transition is a task of the current task manager, which
// deletes it when it ends (when it has an object). The object is not owned;
// it must outlive the transition.
#pragma once

#include <cstdint>

#include "engine/app/GraphicServices.h"
#include "engine/controls/ControlEvents.h"
#include "engine/core/VGeometry.h"
#include "engine/core/VLinkedList.h"
#include "engine/core/VTask.h"

class DrawPort;
class VGraphicObject;
class VTransition;

// The record that links a transition into the list of live transitions.
class VTransitionListElement : public VListElement {
 public:
  explicit VTransitionListElement(VTransition* transition) : transition_(transition) {}
  VTransition* GetTransition() const { return transition_; }

 private:
  VTransition* transition_;
};

class VTransition : public VTask {
 public:
  enum EndMode : int32_t { kEndStop = 0, kEndLoop = 1, kEndReverse = 2 };

  // object: the animated object or null; rect: the area of the effect
  // relative to the object (null: the object's own area). timed: the
  // position is milliseconds since the start, else one step per pass.
  // quantum: timed, positions are aligned to its multiples; step mode, the
  // least milliseconds between two steps (0 and 1: none).
  VTransition(VGraphicObject* object, const VRect* rect, bool timed, int32_t length, int32_t quantum, int32_t taskId,
              bool startNow);
  ~VTransition() override;

  bool Step(uint32_t pass) override;
  // Paints the state at the position. The subclasses draw; nothing here.
  virtual void DrawAt(DrawPort* port, int32_t position, int32_t length);
  // Becomes active, continuing from the current position; control event 43.
  virtual void Start();
  virtual void Stop();
  // The position becomes the start of the current direction.
  virtual void Rewind();
  virtual void SetPosition(int32_t position) { position_ = position; }
  virtual bool IsRunning() { return IsActive(); }
  virtual void SetEndMode(int32_t mode) { endMode_ = mode; }
  // Forward unless -1; rewinds when already at the end of the new direction.
  virtual void SetDirection(int32_t direction);

  int32_t GetPosition() const { return position_; }
  int32_t GetLength() const { return length_; }
  bool IsForward() const { return forward_; }
  bool IsAlive() const { return alive_; }
  VGraphicObject* GetObject() const { return object_; }
  const VRect& GetRect() const { return rect_; }
  // The window the transition draws into (taken from the object when none
  // is known yet); null outside a window.
  VGraphicWindow* ResolveWindow();

  // Every alive transition of the window (all windows when null) whose
  // object meets the rectangle (everything when null) paints itself again
  // at its position, through the port (a temporary port on the window when
  // null). Nothing while a transition is drawing.
  static void RedrawAll(DrawPort* port, const VRect* rect, VGraphicWindow* window);
  // RedrawAll as the transition redrawer of the application services.
  static VTransitionRedrawer& GetRunningTransitions();
  // Whether a transition is painting now.
  static bool IsDrawing() { return drawingDepth_ > 0; }
  // The number of live transitions.
  static int32_t GetLiveCount();
  // An object is being destroyed: every transition of it forgets it, stops
  // and leaves its task manager on the next pass (deleted there). Objects
  // that transitions animate call it from their destructor.
  static void ForgetObject(VGraphicObject* object);

 protected:
  // The rectangle of the effect in window coordinates.
  bool GetGlobalRect(VRect& out) const;
  // The object is gone: drop every pointer to it. The base forgets the
  // object and its window, stops and asks to be dropped.
  virtual void ObjectGone();
  ControlLife life_;

 private:
  // Paints the current position through a port made on the window.
  void DrawNow();

  static int32_t drawingDepth_;

  bool timed_;
  int32_t endMode_ = kEndStop;
  bool forward_ = true;
  int32_t position_ = 0;
  int32_t length_;
  int32_t quantum_;
  uint32_t startTick_ = 0;
  uint32_t lastStepTick_ = 0;
  bool alive_ = true;
  VGraphicWindow* window_ = nullptr;
  VGraphicObject* object_;
  VRect rect_;
  VTransitionListElement listElement_;
};
