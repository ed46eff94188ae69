#include "engine/app/VPanelOwner.h"

#include "engine/app/VControl.h"

VPanelOwner::VPanelOwner(int32_t kindCode, int32_t id) : VGraphicObject(kindCode, id, 0, 0, 0, 0, 0) {}

VPanelOwner::~VPanelOwner() {
  // Closes every child as ClosePanel(id, delete) does: panels leave and are
  // torn down, then deleted. Deleting the first child unlinks it, so the
  // next one moves up.
  while (VTLink* first = VGraphicObject::GetFirstChild()) {
    if (first == currentPanel_) currentPanel_ = nullptr;
    if (VGraphicObject* panel = AsGraphic(first)) {
      if (VPanelServices* services = GetPanelServices()) services->TeardownPanel(*panel);
    }
    if (VGraphicObject::GetFirstChild() != first) continue;  // the teardown took it away
    VTLink::DeleteChildren(first);
    delete first;
  }
  currentPanel_ = nullptr;
  VDataLink::Unlink();
  VEventHandler::Unlink();
}

VGraphicObject* VPanelOwner::FindPanel(int32_t panelId) {
  VGraphicObject* first = GetFirstChildObject();
  return first != nullptr ? first->FindById(panelId, true) : nullptr;
}

namespace {
// The system wait cursor, shown while a panel is being made.
constexpr uint16_t kWaitCursor = 32514;
}  // namespace

VGraphicObject* VPanelOwner::ShowPanel(int32_t classId, int32_t panelId, bool replace) {
  VGraphicObject* panel = FindPanel(panelId);
  if (panel == nullptr) {
    VPanelServices* services = GetPanelServices();
    if (services == nullptr) return nullptr;  // creating panels needs the panel services
    SetCursorById(kWaitCursor);
    VGraphicObject* previous = currentPanel_;
    if (previous != nullptr) services->SuspendPanel(*previous);
    panel = services->CreatePanel(*this, classId, panelId);
    SetCursorById(0);
    if (panel == nullptr) {
      // The old panel stays on the screen rather than leaving it blank.
      if (previous != nullptr && currentPanel_ == previous) {
        services->ReenterPanel(*previous);
        previous->SetVisible(true, false);
        if (previous->IsShown()) previous->Draw(nullptr, nullptr, true, true);
      }
      return nullptr;
    }
  }
  return ActivatePanel(panelId, replace || replaceByDefault_);
}

VGraphicObject* VPanelOwner::ActivatePanel(int32_t panelId, bool replace) {
  VGraphicObject* panel = FindPanel(panelId);
  if (panel == nullptr) return nullptr;
  VGraphicObject* old = currentPanel_;
  VPanelServices* services = GetPanelServices();
  if (old != nullptr && old != panel && old->GetId() != panelId) {
    if (!replace) {
      if (replaceByDefault_) old->SetVisible(false, false);
    } else if (services == nullptr) {
      old->SetVisible(false, false);
    } else if (services->IsKeptWhenReplaced(*old)) {
      services->SuspendPanel(*old);
    } else {
      ClosePanel(old->GetId(), true);
    }
  }
  currentPanel_ = panel;
  if (services != nullptr) services->ResumePanel(*panel);
  panel->SetVisible(true, false);
  if (panel->IsShown()) panel->Draw(nullptr, nullptr, true, true);
  panel->Validate();
  return panel;
}

void VPanelOwner::ClosePanel(int32_t panelId, bool deleteIt) {
  VGraphicObject* panel = FindPanel(panelId);
  if (panel == nullptr) return;
  if (panel == currentPanel_) currentPanel_ = nullptr;
  if (deleteIt) {
    if (VPanelServices* services = GetPanelServices()) services->TeardownPanel(*panel);
    delete panel;
  } else {
    DetachFromAllTrees(panel);
  }
}
