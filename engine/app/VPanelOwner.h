// A graphic object that holds panels (whole screens) and controls: the same
// three-part layout as a control (graphic, event and data part), so controls
// and panels hang under it in all three trees. The engine window is one.
//
// Panel creation and switching belong to the panel classes above this
// library: they install a VPanelServices implementation at start-up. Without
// one, ShowPanel only shows a panel that is already loaded and ClosePanel
// deletes or detaches it. A panel owner owns its children: whatever is still
// linked under it when it is destroyed is deleted.
#pragma once

#include <cstdint>

#include "engine/app/VGraphicObject.h"
#include "engine/core/VTLink.h"

class VPanelOwner;

class VPanelServices {
 public:
  virtual ~VPanelServices() = default;
  // Shows the loaded panel with the id, or creates it through the class
  // factory; returns the panel or null.
  virtual VGraphicObject* ShowPanel(VPanelOwner& owner, int32_t classId, int32_t panelId, bool replace) = 0;
  // Closes a loaded panel: with deleteIt its leave and teardown steps run and
  // it is deleted; without, it is taken out of the three trees.
  virtual void ClosePanel(VPanelOwner& owner, int32_t panelId, bool deleteIt) = 0;
};

// Installs the panel services (not owned; they must outlive the
// installation); null removes them. Returns the previous ones.
VPanelServices* SetPanelServices(VPanelServices* services);

class VPanelOwner : public VGraphicObject, public VEventHandler, public VDataLink {
 public:
  // The kind code of a plain engine window.
  static constexpr int32_t kWindowKind = 1792;

  // Empty rectangle, layer 0.
  VPanelOwner(int32_t kindCode, int32_t id);
  // Deletes every child still linked under it, then unlinks its data, event
  // and graphic parts.
  ~VPanelOwner() override;

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

  // Returns the panel shown (null when it could not be shown).
  VGraphicObject* ShowPanel(int32_t classId, int32_t panelId, bool replace);
  void ClosePanel(int32_t panelId, bool deleteIt);

  VGraphicObject* GetCurrentPanel() const { return currentPanel_; }
  // The panel services keep the current panel here.
  void SetCurrentPanel(VGraphicObject* panel) { currentPanel_ = panel; }
  // A panel with the id among the owner's descendants (not the owner).
  VGraphicObject* FindPanel(int32_t panelId);

 private:
  VGraphicObject* currentPanel_ = nullptr;
};
