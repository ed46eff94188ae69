#include "title/modules/panels/PanelSteps.h"

#include "engine/app/VApplication.h"
#include "engine/app/VDisplay.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/VGeometry.h"

namespace panels {

VPictureControl* MakeBlackBackground(VGraphicObject* panel) {
  const VRGBColor black(0, 0, 0);
  return new VPictureControl(kBackgroundId, black, 0, 0, 0, kScreenWidth, kScreenHeight, panel);
}

void RedrawAndMarkFrame(VGraphicObject* panel) {
  if (panel != nullptr) panel->Redraw(nullptr, nullptr);
  VDisplay& display = VDisplay::Get();
  if (display.IsFullScreen()) display.MarkFramePending();
}

void QuitApplication() {
  if (VApplication* app = GetApplication()) app->Quit();
}

}  // namespace panels
