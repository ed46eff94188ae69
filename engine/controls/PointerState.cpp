#include "engine/controls/PointerState.h"

#include "engine/app/GraphicServices.h"
#include "engine/app/VGraphicObject.h"
#include "engine/app/VWindow.h"
#include "engine/core/Clock.h"
#include "engine/core/VEvent.h"

bool GetPointerInWindow(VGraphicObject& object, VPoint& out) {
  VGraphicWindow* window = object.GetWindow();
  if (window == nullptr) return false;
  auto* own = dynamic_cast<VWindow*>(window);
  GetMousePosition(out, own != nullptr ? own->GetPlatformWindow() : nullptr);
  return true;
}

void RefreshPointerState(VGraphicObject& object) {
  VPoint point;
  if (!GetPointerInWindow(object, point)) return;
  VGraphicObject* root = object.GetWindow()->GetRootObject();
  if (root == nullptr) return;
  const VMouseEvent event(point, GetLastMouseButtons(), VEvent());
  root->RouteMouseMove(event);
  root->RouteCursorUpdate(event);
}
