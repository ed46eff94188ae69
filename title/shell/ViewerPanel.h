// The framed panel the item viewer shows an item in: a container with a
// frame picture (control 15004, no picture at first) and a shown flag. The
// video and slide-show panels derive from it.
#pragma once

#include <cstdint>

#include "engine/app/VControl.h"

class ViewerPanel : public VControl {
 public:
  static constexpr int32_t kKind = 257;
  static constexpr int32_t kFrameId = 15004;

  ViewerPanel(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
              VGraphicObject* parent);
  ~ViewerPanel() override;

  // Shows picture `mediaId` in the frame control.
  virtual void SetFramePicture(uint16_t mediaId);
  // Stores the flag; false hides the panel, true shows it (both redrawn).
  virtual void SetShown(bool shown);
  bool IsShown() const { return shown_; }

 private:
  bool shown_ = false;
};
