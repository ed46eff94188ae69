// The panel the title's panel ids show until their own panels exist: the
// whole screen in black with the main interface strip's background (picture
// 200 of the GUI archive) along its bottom edge. It does nothing else.
#pragma once

#include "engine/controls/VPanel.h"

class VPicture;

class PlaceholderPanel : public VPanel {
 public:
  // The strip's background picture.
  static constexpr uint16_t kStripPicture = 200;

  PlaceholderPanel() = default;
  ~PlaceholderPanel() override;

  // 640 x 480 at the top left of the owner; loads the strip picture.
  void Build() override;
  void DrawContent(DrawPort* port, const VRect& rect) override;

  // Factory functions of the panel's class registrations.
  static VPropertyHolder* Create(void* members, void* placement);
  static void Destroy(VPropertyHolder* object, bool placement);

 protected:
  // The strip picture, or null when it did not load.
  VPicture* GetStripPicture() const { return strip_; }

 private:
  VPicture* strip_ = nullptr;  // one reference, or null when it did not load
};
