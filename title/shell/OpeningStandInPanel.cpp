#include "title/shell/OpeningStandInPanel.h"

#include <new>

bool OpeningStandInPanel::HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) {
  if (code != kMessageTick || handedOver_) return PlaceholderPanel::HandleEvent(code, value1, value2);
  handedOver_ = true;
  // Nothing of the panel may be touched once the message has been sent.
  SendUpward(kOwnerShowMainPanel, static_cast<uint32_t>(GetId()), 0);
  return true;
}

VPropertyHolder* OpeningStandInPanel::Create(void* /*members*/, void* placement) {
  if (placement != nullptr) return new (placement) OpeningStandInPanel();
  return new OpeningStandInPanel();
}

void OpeningStandInPanel::Destroy(VPropertyHolder* object, bool placement) {
  if (placement) {
    object->~VPropertyHolder();
  } else {
    delete object;
  }
}
