#include "engine/app/GraphicServices.h"

namespace {
VDrawingBackend* gBackend = nullptr;
VTransitionRedrawer* gTransitions = nullptr;
}  // namespace

VDrawingBackend* SetDrawingBackend(VDrawingBackend* backend) {
  VDrawingBackend* previous = gBackend;
  gBackend = backend;
  return previous;
}

VDrawingBackend* GetDrawingBackend() { return gBackend; }

void RedrawAllTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) {
  if (gBackend != nullptr) gBackend->RedrawTransitions(port, update, window);
}

VTransitionRedrawer* SetTransitionRedrawer(VTransitionRedrawer* redrawer) {
  VTransitionRedrawer* previous = gTransitions;
  gTransitions = redrawer;
  return previous;
}

VTransitionRedrawer* GetTransitionRedrawer() { return gTransitions; }
