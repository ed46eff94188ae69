// Panels: full-screen container controls, one screen each, built in their
// own virtual steps with themselves as the current default parent. Panel
// owners (the main window) create them by class id through the class
// factory and switch between them; the steps here are what they call.
// GetControlPanelServices, installed with the application services,
// connects the owners of the application library to this creation path.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"
#include "engine/app/VPanelOwner.h"

class VPanel : public VControl {
 public:
  static constexpr int32_t kKind = 282;

  // Kind 282, id 0, empty bounds, under the current default parent,
  // invisible.
  VPanel();
  ~VPanel() override;

  VPanel* GetPanel() override { return this; }

  // Links the panel under the parent (when given), then with the panel as
  // the current default parent builds it and, unless it stays suspended,
  // enters it. False for a panel opened already.
  virtual bool Open(VGraphicObject* parent, bool staySuspended);
  virtual void Enter() {}
  virtual void Build() {}
  virtual void Leave() {}
  virtual void Teardown() {}
  // Only an entered panel: hidden without redraw, left, marked suspended.
  virtual void Suspend();
  // Only a suspended panel that is kept when replaced: entered again.
  virtual void Resume();
  // Two steps that nothing calls; they do nothing.
  virtual void Reserved() {}
  virtual void Reserved(int32_t, int32_t) {}

  bool IsOpened() const { return opened_; }
  bool IsSuspended() const { return suspended_; }
  bool IsEntered() const { return opened_ && !suspended_; }
  bool IsKeptWhenReplaced() const { return keptWhenReplaced_; }
  void SetKeptWhenReplaced(bool kept) { keptWhenReplaced_ = kept; }
  // The kind code becomes the factory class id, the control id the panel id.
  void SetPanelIdentity(int32_t classId, int32_t panelId) {
    SetKindCode(classId);
    SetId(panelId);
  }
  // Enters a suspended panel whether kept or not.
  void Reenter();

 private:
  void EnterAsCurrentParent();

  bool opened_ = false;
  bool keptWhenReplaced_ = false;
  bool suspended_ = true;
};

// Looks the class up in the default factory and creates a panel without
// reading anything; its kind becomes the class id and its id the panel id;
// then Open(owner, staySuspended). Null when the class is unknown, its
// objects are not panels, or creation fails.
VPanel* CreatePanel(int32_t classId, int32_t panelId, VGraphicObject* owner, bool staySuspended);

// The panel creation and switching steps for every panel owner (the panel
// services InstallEngineServices installs).
VPanelServices& GetControlPanelServices();
