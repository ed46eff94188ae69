// A graphic object that holds panels (whole screens) and controls: the same
// three-part layout as a control (graphic, event and data part), so controls
// and panels hang under it in all three trees. The engine window is one.
//
// The owner switches between panels: it shows a loaded panel by id, or
// creates it by class id, suspends or closes the panel it replaces and
// tears panels down when they close. The panel classes and the class factory
// live above this library: their VPanelServices implementation, installed
// with the application services at start-up, creates panels and runs their
// steps. Without one (reported as a missing service), ShowPanel only shows a
// panel that is already loaded (hiding the one it replaces) and ClosePanel
// deletes or detaches it. A panel owner owns its children: what
// is still linked under it when it is destroyed is deleted.
#pragma once

#include <cstdint>

#include "engine/app/VGraphicObject.h"
#include "engine/core/VTLink.h"

class VPanelOwner;

class VPanelServices {
 public:
  virtual ~VPanelServices() = default;
  // Creates a panel of the class with the id, links it under the owner,
  // builds and enters it; null when the class is unknown or creation fails.
  // The owner takes the panel.
  virtual VGraphicObject* CreatePanel(VPanelOwner& owner, int32_t classId, int32_t panelId) = 0;
  // An entered panel is hidden (without redraw) and left.
  virtual void SuspendPanel(VGraphicObject& panel) = 0;
  // A suspended panel that is kept when replaced is entered again.
  virtual void ResumePanel(VGraphicObject& panel) = 0;
  // A suspended panel of any kind is entered again (a replacement that could
  // not be made leaves the old panel on the screen).
  virtual void ReenterPanel(VGraphicObject& panel) = 0;
  // Whether the panel survives being replaced (suspended, not deleted).
  virtual bool IsKeptWhenReplaced(VGraphicObject& panel) = 0;
  // Before a panel is deleted: its leave step (when it is entered), then its
  // teardown step.
  virtual void TeardownPanel(VGraphicObject& panel) = 0;
};

// The panel services are installed with the application services
// (engine/app/AppServices.h). SetPanelServices replaces them alone (tests; not
// owned, they must outlive the installation; null removes them) and returns
// the previous ones.
VPanelServices* SetPanelServices(VPanelServices* services);
// The installed services; null, reported as a missing service, without them.
VPanelServices* GetPanelServices();

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

  // Shows the loaded panel with the id, or creates it from the class (the
  // current panel is suspended first, and entered again when creation
  // fails); then activates it. Returns the panel, null when it could not be
  // made.
  VGraphicObject* ShowPanel(int32_t classId, int32_t panelId, bool replace);
  // Makes a loaded panel the current one; replacing, the old panel is
  // suspended when it is kept and closed and deleted otherwise. Null when no
  // panel has the id.
  VGraphicObject* ActivatePanel(int32_t panelId, bool replace);
  // With deleteIt the panel's leave and teardown steps run and it is
  // deleted; without, it is taken out of the three trees (the caller holds it).
  void ClosePanel(int32_t panelId, bool deleteIt);
  bool GetReplaceByDefault() const { return replaceByDefault_; }
  void SetReplaceByDefault(bool replace) { replaceByDefault_ = replace; }

  VGraphicObject* GetCurrentPanel() const { return currentPanel_; }
  // The panel services keep the current panel here.
  void SetCurrentPanel(VGraphicObject* panel) { currentPanel_ = panel; }
  // A panel with the id among the owner's descendants (not the owner).
  VGraphicObject* FindPanel(int32_t panelId);

 private:
  VGraphicObject* currentPanel_ = nullptr;
  bool replaceByDefault_ = true;
};
