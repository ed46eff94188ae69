#include "engine/app/VPanelOwner.h"

#include "engine/app/VControl.h"

namespace {
VPanelServices* g_panelServices = nullptr;
}  // namespace

VPanelServices* SetPanelServices(VPanelServices* services) {
  VPanelServices* previous = g_panelServices;
  g_panelServices = services;
  return previous;
}

VPanelOwner::VPanelOwner(int32_t kindCode, int32_t id) : VGraphicObject(kindCode, id, 0, 0, 0, 0, 0) {}

VPanelOwner::~VPanelOwner() {
  // Deleting the first child unlinks it, so the next one moves up.
  while (VTLink* first = VGraphicObject::GetFirstChild()) {
    if (first == currentPanel_) currentPanel_ = nullptr;
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

VGraphicObject* VPanelOwner::ShowPanel(int32_t classId, int32_t panelId, bool replace) {
  if (g_panelServices != nullptr) return g_panelServices->ShowPanel(*this, classId, panelId, replace);
  VGraphicObject* panel = FindPanel(panelId);
  if (panel == nullptr) return nullptr;  // creating panels needs the panel services
  if (replace && currentPanel_ != nullptr && currentPanel_ != panel) currentPanel_->SetVisible(false, false);
  currentPanel_ = panel;
  panel->SetVisible(true, false);
  if (panel->IsShown()) panel->Draw(nullptr, nullptr, true, true);
  panel->Validate();
  return panel;
}

void VPanelOwner::ClosePanel(int32_t panelId, bool deleteIt) {
  if (g_panelServices != nullptr) {
    g_panelServices->ClosePanel(*this, panelId, deleteIt);
    return;
  }
  VGraphicObject* panel = FindPanel(panelId);
  if (panel == nullptr) return;
  if (panel == currentPanel_) currentPanel_ = nullptr;
  if (deleteIt) {
    delete panel;
  } else {
    DetachFromAllTrees(panel);
  }
}
