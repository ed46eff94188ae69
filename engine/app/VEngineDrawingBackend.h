// The engine's own drawing backend of the display tree: fills go through the
// drawing port, a changed program-wide colour table reaches the off-screen
// maps of every engine window, and transition redraws go to the redrawer the
// controls install. The program installs it with the application services
// (InstallEngineServices in engine/services).
#pragma once

#include "engine/app/GraphicServices.h"

class VEngineDrawingBackend : public VDrawingBackend {
 public:
  // Fills with the colour and no frame; nothing without a port.
  void FillRect(DrawPort* port, const VRect& rect, const VRGBColor& color) override;
  // When the palette-changed flag is set and a current colour table exists,
  // gives that table to the off-screen maps of every engine window (without
  // remapping their pixels), which clears the flag, and releases the
  // reference the current-table query handed out.
  void ApplyChangedColorTable() override;
  // Forwards to the installed transition redrawer. A redraw that a
  // transition starts from inside this call does not redraw the transitions
  // again.
  void RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) override;

 private:
  bool redrawingTransitions_ = false;
};
