#include "engine/app/GraphicServices.h"

void RedrawAllTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) {
  if (VDrawingBackend* backend = GetDrawingBackend()) backend->RedrawTransitions(port, update, window);
}
