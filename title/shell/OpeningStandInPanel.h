// The opening panel's stand-in until the opening panel exists: the
// placeholder panel, which hands over to the main panel on its first tick,
// where the opening panel would after its movie.
#pragma once

#include <cstdint>

#include "title/shell/PlaceholderPanel.h"

class OpeningStandInPanel : public PlaceholderPanel {
 public:
  // The main window shows the main panel (8192) on this owner message.
  static constexpr uint32_t kOwnerShowMainPanel = 80;

  // On the first tick: owner message 80 with the panel's id. The window
  // replaces (deletes) the panel while it sends it.
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override;

  // Factory functions of the panel's class registration.
  static VPropertyHolder* Create(void* members, void* placement);
  static void Destroy(VPropertyHolder* object, bool placement);

 private:
  bool handedOver_ = false;
};
