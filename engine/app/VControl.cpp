#include "engine/app/VControl.h"

#include <array>
#include <cstddef>

#include "engine/app/MessagePointer.h"

namespace {

std::array<bool, VControl::kPoolSize> gIdInUse{};
int32_t gIdCursor = 0;

}  // namespace

void AttachControl(VGraphicObject* parent, VControl* control) {
  if (parent == nullptr || control == nullptr) return;
  static_cast<VGraphicObject*>(control)->AddChild(parent);
  if (auto* events = dynamic_cast<VEventHandler*>(parent)) {
    static_cast<VEventHandler*>(control)->VTLink::AddChild(events);
  }
  if (auto* data = dynamic_cast<VDataLink*>(parent)) {
    static_cast<VDataLink*>(control)->VTLink::AddChild(data);
  }
}

void DetachFromAllTrees(VGraphicObject* object) {
  if (object == nullptr) return;
  // InsertAfter on the node itself only detaches it; unlike Unlink it keeps
  // the node's children.
  object->InsertAfter(object);
  if (auto* events = dynamic_cast<VEventHandler*>(object)) events->VTLink::InsertAfter(events);
  if (auto* data = dynamic_cast<VDataLink*>(object)) data->VTLink::InsertAfter(data);
}

VControl::VControl(int32_t kindCode, int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width,
                   int32_t height, VGraphicObject* parent)
    : VGraphicObject(kindCode, id, left, top, layer, width, height) {
  if (id == kAllocateId) SetId(AllocateControlId());
  if (parent == CurrentParentMarker()) parent = GetCurrentParent();
  if (parent != nullptr) AttachControl(parent, this);
}

VControl::~VControl() {
  if (VTLink* first = VGraphicObject::GetFirstChild()) {
    VTLink::DeleteChildren(first);
    VTLink::DeleteChain(first->GetNextSibling());
    delete first;
  }
  const int32_t id = GetId();
  if (id >= kFirstPoolId && id < kFirstPoolId + kPoolSize) FreeControlId(id);
  VDataLink::Unlink();
  VEventHandler::Unlink();
}

void VControl::ReportDrag(uint32_t code) {
  VRect total;
  GetTotalBounds(total);
  VGraphicWindow* window = GetWindow();
  if (window == nullptr) return;
  VGraphicObject* root = window->GetRootObject();
  if (root == nullptr) return;
  const bool visible = IsVisible();
  StoreVisibleFlag(false);
  VGraphicObject* under = root->FindFrontmostInRect(total);
  StoreVisibleFlag(visible);
  if (under == nullptr) return;
  auto* events = dynamic_cast<VEventHandler*>(under);
  if (events == nullptr) return;
  ScopedMessagePointer sender(static_cast<VEventHandler*>(this));
  events->DispatchUpward(code, static_cast<uint32_t>(GetId()), sender.GetValue());
}

bool VControl::BeginDrag() {
  ReportDrag(kControlDragBegins);
  return true;
}

void VControl::DragOver() { ReportDrag(kControlDraggedOver); }

void VControl::EndDrag() { ReportDrag(kControlDragEnds); }

void VControl::RemoveChild(int32_t id, bool deleteIt) {
  VGraphicObject* object = FindById(id, false);
  if (object == nullptr) return;
  if (deleteIt) {
    delete object;
  } else {
    DetachFromAllTrees(object);
  }
}

void VControl::RemoveChildObject(VGraphicObject* child, bool deleteIt) {
  if (child == nullptr || child->GetId() == 0) return;
  RemoveChild(child->GetId(), deleteIt);
}

int32_t VControl::AllocateControlId() {
  for (int32_t pass = 0; pass < 2; ++pass) {
    const int32_t from = pass == 0 ? gIdCursor : 0;
    const int32_t to = pass == 0 ? kPoolSize : gIdCursor;
    for (int32_t i = from; i < to; ++i) {
      if (!gIdInUse[static_cast<size_t>(i)]) {
        gIdInUse[static_cast<size_t>(i)] = true;
        gIdCursor = i;
        return kFirstPoolId + i;
      }
    }
  }
  return 0;
}

void VControl::FreeControlId(int32_t id) {
  const int64_t index = static_cast<int64_t>(id) - kFirstPoolId;
  if (index < 0 || index >= kPoolSize) return;
  gIdInUse[static_cast<size_t>(index)] = false;
}

void VControl::ResetControlIdPool() {
  gIdInUse.fill(false);
  gIdCursor = 0;
}
