#include "engine/app/VEngineDrawingBackend.h"

#include "engine/graphics/DrawPort.h"
#include "engine/graphics/VColorTable.h"

void VEngineDrawingBackend::FillRect(DrawPort* port, const VRect& rect, const VRGBColor& color) {
  if (port == nullptr || rect.IsEmpty()) return;
  port->FillRect(rect, &color, nullptr, 1, 0, kDrawModeNone);
}

void VEngineDrawingBackend::ApplyChangedColorTable() {
  if (!IsPaletteChanged()) return;
  VColorTable* table = GetCurrentColorTable();
  if (table == nullptr) return;
  table->ApplyToWindows();
  table->Release();
}

void VEngineDrawingBackend::RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) {
  VTransitionRedrawer* redrawer = GetTransitionRedrawer();
  if (redrawer == nullptr || redrawingTransitions_) return;
  redrawingTransitions_ = true;
  redrawer->RedrawTransitions(port, update, window);
  redrawingTransitions_ = false;
}
