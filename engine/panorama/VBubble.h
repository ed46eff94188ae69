// A bubble: a bubble-space object that also joins the engine's event and
// data trees, so that it reports control events to the screen owning the
// panorama like a control does; with the pool of automatic bubble ids.
#pragma once

#include <cstdint>

#include "engine/core/VTLink.h"
#include "engine/panorama/VBubbleSpaceGraphicObject.h"

class VBubble : public VBubbleSpaceGraphicObject, public VEventHandler, public VDataLink {
 public:
  // The id that asks for an automatic id, and the automatic range.
  static constexpr uint32_t kAutomaticId = 24576;
  static constexpr uint32_t kFirstAutomaticId = 24579;
  static constexpr uint32_t kAutomaticIdCount = 2048;
  // The parent argument that stands for the default bubble parent (none).
  static VBubble* DefaultParentMarker() { return reinterpret_cast<VBubble*>(static_cast<intptr_t>(-1)); }

  // parent: a bubble, DefaultParentMarker() or null (no parent).
  VBubble(uint32_t kind, uint32_t id, const VFRect& bounds, float resolution, int32_t order, VBubble* parent);
  // Destroys the children, frees an automatic id, then leaves all three trees.
  ~VBubble() override;

  using VBubbleSpaceGraphicObject::AddChild;
  using VBubbleSpaceGraphicObject::DispatchPostOrder;
  using VBubbleSpaceGraphicObject::DispatchPreOrder;
  using VBubbleSpaceGraphicObject::DispatchUpward;
  using VBubbleSpaceGraphicObject::HandleMessage;
  using VBubbleSpaceGraphicObject::InsertAfter;
  using VBubbleSpaceGraphicObject::Unlink;
  VTLink* GetParent() const { return VBubbleSpaceGraphicObject::GetParent(); }
  VTLink* GetNextSibling() const { return VBubbleSpaceGraphicObject::GetNextSibling(); }
  VTLink* GetFirstChild() const { return VBubbleSpaceGraphicObject::GetFirstChild(); }

  VEventHandler* GetEventHandler() { return this; }
  VDataLink* GetDataLink() { return this; }

  // Joins the child under the parent in all three trees (ordered in bubble space).
  static void AddBubble(VBubble* parent, VBubble* child);
  // The bubble with the id in this bubble's subtree: deleted (returns null) or
  // taken out of its trees (returned). Null when none has the id.
  VBubble* RemoveBubble(uint32_t id, bool deleteIt);

  // Report control events 12, 13 and 14 to the bubble under this one.
  bool BeginDrag() override;
  void DragOver() override;
  void EndDrag() override;

  // The next free automatic id (searching on from the last one handed out and
  // wrapping once); 0 when all are in use.
  static uint32_t AllocateBubbleId();
  static void FreeBubbleId(uint32_t id);
  static void ResetBubbleIdPool();

 private:
  void ReportDrag(uint32_t code);
  bool automaticId_ = false;
};
