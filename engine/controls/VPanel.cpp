#include "engine/controls/VPanel.h"

#include "engine/app/VPanelOwner.h"
#include "engine/controls/VFactory.h"

VPanel::VPanel() : VControl(kKind, 0, 0, 0, 0, 0, 0, CurrentParentMarker()) { StoreVisibleFlag(false); }

VPanel::~VPanel() = default;

bool VPanel::Open(VGraphicObject* parent, bool staySuspended) {
  if (opened_) return false;
  if (parent != nullptr) AttachControl(parent, this);
  VGraphicObject* previous = SetCurrentParent(this);
  Build();
  if (!staySuspended) Enter();
  SetCurrentParent(previous);
  suspended_ = staySuspended;
  opened_ = true;
  return true;
}

void VPanel::EnterAsCurrentParent() {
  VGraphicObject* previous = SetCurrentParent(this);
  Enter();
  SetCurrentParent(previous);
}

void VPanel::Suspend() {
  if (!IsEntered()) return;
  StoreVisibleFlag(false);
  Leave();
  suspended_ = true;
}

void VPanel::Resume() {
  if (!keptWhenReplaced_ || !suspended_) return;
  suspended_ = false;
  EnterAsCurrentParent();
}

void VPanel::Reenter() {
  if (!opened_ || !suspended_) return;
  suspended_ = false;
  EnterAsCurrentParent();
}

VPanel* CreatePanel(int32_t classId, int32_t panelId, VGraphicObject* owner, bool staySuspended) {
  VFactory* factory = GetDefaultFactory();
  VFactoryRegistration* record = FindFactoryClass(factory, classId);
  if (record == nullptr) return nullptr;
  VPropertyHolder* object = CreateObjectById(factory, record, nullptr, nullptr);
  if (object == nullptr) return nullptr;
  auto* panel = dynamic_cast<VPanel*>(object);
  if (panel == nullptr) {
    // Not a panel: give it back to its class.
    if (FactoryDestroy destroy = record->GetDestroy()) {
      destroy(object, false);
    } else {
      delete object;
    }
    return nullptr;
  }
  panel->SetPanelIdentity(classId, panelId);
  panel->Open(owner, staySuspended);
  return panel;
}

namespace {

// The panel itself when the object is one (it answers itself as its panel).
VPanel* AsPanel(VGraphicObject& object) {
  return object.GetPanel() == &object ? dynamic_cast<VPanel*>(&object) : nullptr;
}

class PanelServices : public VPanelServices {
 public:
  VGraphicObject* CreatePanel(VPanelOwner& owner, int32_t classId, int32_t panelId) override {
    return ::CreatePanel(classId, panelId, &owner, false);
  }
  void SuspendPanel(VGraphicObject& panel) override {
    if (VPanel* p = AsPanel(panel)) p->Suspend();
  }
  void ResumePanel(VGraphicObject& panel) override {
    if (VPanel* p = AsPanel(panel)) p->Resume();
  }
  void ReenterPanel(VGraphicObject& panel) override {
    if (VPanel* p = AsPanel(panel)) p->Reenter();
  }
  bool IsKeptWhenReplaced(VGraphicObject& panel) override {
    VPanel* p = AsPanel(panel);
    return p != nullptr && p->IsKeptWhenReplaced();
  }
  void TeardownPanel(VGraphicObject& panel) override {
    VPanel* p = AsPanel(panel);
    if (p == nullptr) return;
    if (p->IsEntered()) p->Leave();
    p->Teardown();
  }
};

}  // namespace

VPanelServices& GetControlPanelServices() {
  static PanelServices services;
  return services;
}
