#include "engine/app/GraphicServices.h"

namespace {
VDrawingBackend* g_backend = nullptr;
VTransitionRedrawer* g_transitions = nullptr;
}  // namespace

VDrawingBackend* SetDrawingBackend(VDrawingBackend* backend) {
  VDrawingBackend* previous = g_backend;
  g_backend = backend;
  return previous;
}

VDrawingBackend* GetDrawingBackend() { return g_backend; }

void RedrawAllTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) {
  if (g_backend != nullptr) g_backend->RedrawTransitions(port, update, window);
}

VTransitionRedrawer* SetTransitionRedrawer(VTransitionRedrawer* redrawer) {
  VTransitionRedrawer* previous = g_transitions;
  g_transitions = redrawer;
  return previous;
}

VTransitionRedrawer* GetTransitionRedrawer() { return g_transitions; }
