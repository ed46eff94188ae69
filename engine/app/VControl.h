// The base of every interactive element: a graphic object that is also a node
// of an event tree (through which it reports to the objects containing it)
// and of a data tree. Controls join their parent in all three trees when
// built, take ids from a program-wide pool, own and delete their children and
// report drags to whatever lies under them.
//
// The three parts are three independent tree nodes. Unqualified tree
// operations on a control (GetParent, AddChild, DispatchPostOrder, ...) mean
// its graphic part; SendUpward means its event part. Subclasses override
// HandleEvent for the events of their children, HandleData for data, and the
// per-event operations of VGraphicObject for input - never HandleMessage or
// the linking operations, which would replace those of all three parts.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/app/VGraphicObject.h"
#include "engine/core/VTLink.h"

// The parent argument that stands for the current parent
// (VGraphicObject::SetCurrentParent).
inline VGraphicObject* CurrentParentMarker() { return reinterpret_cast<VGraphicObject*>(static_cast<intptr_t>(-1)); }

class VControl : public VGraphicObject, public VEventHandler, public VDataLink {
 public:
  // The id that asks for a fresh id from the pool.
  static constexpr int32_t kAllocateId = 12288;
  static constexpr int32_t kFirstPoolId = 12311;
  static constexpr int32_t kPoolSize = 2048;
  // The kind code of application controls.
  static constexpr int32_t kApplicationKind = 258;

  // parent: an object with the three parts (a control or a panel owner),
  // CurrentParentMarker() for the current parent, or null to stay unattached.
  VControl(int32_t kindCode, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
           VGraphicObject* parent);
  // Deletes every descendant (graphic tree), returns a pool id, unlinks the
  // data and event parts, then the graphic part. Reached through any part.
  ~VControl() override;

  using VGraphicObject::AddChild;
  using VGraphicObject::DispatchPostOrder;
  using VGraphicObject::DispatchPreOrder;
  using VGraphicObject::DispatchUpward;
  using VGraphicObject::HandleMessage;
  using VGraphicObject::InsertAfter;
  using VGraphicObject::Unlink;
  VTLink* GetParent() const { return VGraphicObject::GetParent(); }
  VTLink* GetBackLink() const { return VGraphicObject::GetBackLink(); }
  VTLink* GetNextSibling() const { return VGraphicObject::GetNextSibling(); }
  VTLink* GetFirstChild() const { return VGraphicObject::GetFirstChild(); }
  bool SendUpward(uint32_t code, uint32_t value1, uint32_t value2) {
    return VEventHandler::SendUpward(code, value1, value2);
  }

  VEventHandler* GetEventHandler() { return this; }
  VDataLink* GetDataLink() { return this; }

  // Report codes 12, 13 and 14 to the object under the control (searched
  // with the control hidden) up that object's event tree. BeginDrag answers
  // true.
  bool BeginDrag() override;
  void DragOver() override;
  void EndDrag() override;

  // The object with the id in this control's subtree (the control itself
  // included): deleted, or taken out of all three trees with its own subtree
  // kept. Nothing when none has the id. A control that removes itself with
  // delete must not touch itself afterwards.
  void RemoveChild(int32_t id, bool deleteIt);
  // RemoveChild(child's id, deleteIt) when the child exists and its id is
  // not 0.
  void RemoveChildObject(VGraphicObject* child, bool deleteIt);

  // Next-fit search of the pool from the cursor, wrapping once; 0 when all
  // 2048 ids are in use.
  static int32_t AllocateControlId();
  // Returns a pool id; ids outside the pool are ignored.
  static void FreeControlId(int32_t id);
  // Every id free and the cursor at 0 (start-up and tests).
  static void ResetControlIdPool();

 private:
  void ReportDrag(uint32_t code);
};

// Links the control under the parent: layer-ordered in the graphic tree, as
// the new first child in the parent's event and data trees (when the parent
// has those parts). Nothing when either is null.
void AttachControl(VGraphicObject* parent, VControl* control);

// Takes a node that has the three parts out of all three trees, keeping its
// subtree (its children stay with it).
void DetachFromAllTrees(VGraphicObject* object);
