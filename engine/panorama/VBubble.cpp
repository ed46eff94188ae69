#include "engine/panorama/VBubble.h"

#include <array>

#include "engine/app/MessagePointer.h"

namespace {

std::array<bool, VBubble::kAutomaticIdCount> gUsedIds{};
uint32_t gNextSlot = 0;

}  // namespace

uint32_t VBubble::AllocateBubbleId() {
  for (uint32_t n = 0; n < kAutomaticIdCount; ++n) {
    const uint32_t slot = (gNextSlot + n) % kAutomaticIdCount;
    if (!gUsedIds[slot]) {
      gUsedIds[slot] = true;
      gNextSlot = (slot + 1) % kAutomaticIdCount;
      return kFirstAutomaticId + slot;
    }
  }
  return 0;
}

void VBubble::FreeBubbleId(uint32_t id) {
  if (id >= kFirstAutomaticId && id < kFirstAutomaticId + kAutomaticIdCount) gUsedIds[id - kFirstAutomaticId] = false;
}

void VBubble::ResetBubbleIdPool() {
  gUsedIds.fill(false);
  gNextSlot = 0;
}

VBubble::VBubble(uint32_t kind, uint32_t id, const VFRect& bounds, float resolution, int32_t order, VBubble* parent)
    : VBubbleSpaceGraphicObject(kind, id, bounds, resolution, order) {
  if (id == kAutomaticId) {
    id_ = AllocateBubbleId();
    automaticId_ = id_ != 0;
  }
  if (parent != nullptr && parent != DefaultParentMarker()) AddBubble(parent, this);
}

VBubble::~VBubble() {
  VTLink::DeleteChain(VBubbleSpaceGraphicObject::GetFirstChild());
  if (automaticId_) FreeBubbleId(id_);
  VEventHandler::Unlink();
  VDataLink::Unlink();
}

void VBubble::AddBubble(VBubble* parent, VBubble* child) {
  if (parent == nullptr || child == nullptr) return;
  child->VBubbleSpaceGraphicObject::AddChild(static_cast<VBubbleSpaceGraphicObject*>(parent));
  child->VEventHandler::AddChild(static_cast<VEventHandler*>(parent));
  child->VDataLink::AddChild(static_cast<VDataLink*>(parent));
}

VBubble* VBubble::RemoveBubble(uint32_t id, bool deleteIt) {
  auto* found = dynamic_cast<VBubble*>(FindById(id, false));
  if (found == nullptr) return nullptr;
  if (deleteIt) {
    delete found;
    return nullptr;
  }
  found->VBubbleSpaceGraphicObject::DetachFromTree();
  found->VEventHandler::Unlink();
  found->VDataLink::Unlink();
  return found;
}

void VBubble::ReportDrag(uint32_t code) {
  BubbleSpaceHost* host = VBubbleSpaceGraphicObject::GetWindow();
  if (host == nullptr || host->GetBubbleRoot() == nullptr) return;
  const VFRect area = GetSubtreeBounds();
  const uint8_t visible = visible_;
  visible_ = 0;
  VBubbleSpaceGraphicObject* under = host->GetBubbleRoot()->FindObjectIntersecting(area);
  visible_ = visible;
  auto* bubble = dynamic_cast<VBubble*>(under);
  if (bubble == nullptr) return;
  ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
  bubble->VEventHandler::DispatchUpward(code, id_, sender.GetValue());
}

bool VBubble::BeginDrag() {
  ReportDrag(kControlDragBegins);
  return true;
}
void VBubble::DragOver() { ReportDrag(kControlDraggedOver); }
void VBubble::EndDrag() { ReportDrag(kControlDragEnds); }
