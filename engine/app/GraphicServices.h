// What graphic objects need of the window their tree belongs to and of the
// drawing layer: two small interfaces that the engine window and the drawing
// ports implement, so the display tree never depends on how pixels are made.
#pragma once

#include <cstdint>

#include "engine/core/VGeometry.h"

// The drawing port of the graphics library. The display tree only passes
// ports along (DrawContent receives one); it never looks inside one. Every
// port operation it needs goes through VGraphicWindow or VDrawingBackend.
class DrawPort;
class VGraphicObject;

// The window at the root of a display tree. The engine window implements it
// and answers GetWindow of its root object with itself.
//
// A real implementation provides:
//   - its root object (the top object of its tree);
//   - the operating system's mouse capture, taken and given back;
//   - invalidation and validation of a rectangle in window coordinates;
//   - a drawing port made for the duration of one redraw, either on the
//     window's current off-screen pixel map (a DrawPort on that map) or on the
//     window itself (a DrawPort on the window's device context), and the copy
//     of a rectangle from the off-screen map that a port was made on to the
//     window when the redraw ends.
class VGraphicWindow {
 public:
  virtual ~VGraphicWindow() = default;

  // The top object of the window's display tree; not owned by the caller.
  virtual VGraphicObject* GetRootObject() = 0;

  // Takes the operating system's mouse capture for this window / gives it back.
  virtual void CaptureSystemMouse() = 0;
  virtual void ReleaseSystemMouse() = 0;

  // Marks the rectangle (window coordinates) as needing a repaint / as
  // repainted. The background is not erased.
  virtual void InvalidateWindowRect(const VRect& rect) = 0;
  virtual void ValidateWindowRect(const VRect& rect) = 0;

  // A port on the window's current off-screen pixel map, or null when the
  // window has none (or while its drawing is suspended). area receives the
  // map's whole rectangle in window coordinates.
  virtual DrawPort* MakeOffscreenPort(VRect& area) = 0;
  // A port on the window itself, or null when none can be made. area
  // receives (0, 0, client width, client height).
  virtual DrawPort* MakeWindowPort(VRect& area) = 0;
  // Ends a port made by one of the two calls above. When copyToWindow is
  // given, that rectangle (window coordinates) is first copied from the
  // off-screen map the port was made on to the window. The port is invalid
  // afterwards.
  virtual void FinishPort(DrawPort* port, const VRect* copyToWindow) = 0;
};

// Program-wide drawing services that lie above or beside the display tree:
// filling through a port, the pending colour-table change and the running
// transitions. The program installs the engine's implementation with the
// application services (engine/app/AppServices.h); without one the use is
// reported as a missing service, fills do nothing and there is nothing to
// apply or redraw.
class VDrawingBackend {
 public:
  virtual ~VDrawingBackend() = default;

  // Fills the rectangle (window coordinates) with the colour, no frame.
  virtual void FillRect(DrawPort* port, const VRect& rect, const VRGBColor& color) = 0;
  // When the program-wide colour table changed, applies the current table to
  // the off-screen maps of all windows (and releases the reference the query
  // handed out). Called at the start of every Draw.
  virtual void ApplyChangedColorTable() = 0;
  // Every running transition of the window redraws where its object meets
  // the update rectangle (null: everything). Called whenever a Draw had a
  // port in use; the implementation guards itself against re-entry.
  virtual void RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) = 0;
};

// The backend is installed with the application services
// (engine/app/AppServices.h): the engine's own VEngineDrawingBackend.
// SetDrawingBackend replaces it alone (tests; not owned, it must outlive its
// installation; null removes it) and returns the previous one.
VDrawingBackend* SetDrawingBackend(VDrawingBackend* backend);
// The installed backend; null, reported as a missing service, without one.
VDrawingBackend* GetDrawingBackend();

// Equivalent to GetDrawingBackend()->RedrawTransitions when a backend exists.
void RedrawAllTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window);

// The running transitions of the program, as the layer that makes them
// (the controls) offers them: the engine's backend forwards its
// RedrawTransitions here.
class VTransitionRedrawer {
 public:
  virtual ~VTransitionRedrawer() = default;
  // Every running transition of the window redraws where its object meets
  // the update rectangle (null: everything) through the port.
  virtual void RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) = 0;
};

// The redrawer is installed with the application services
// (engine/app/AppServices.h). SetTransitionRedrawer replaces it alone (tests;
// not owned, it must outlive its installation; null removes it) and returns
// the previous one.
VTransitionRedrawer* SetTransitionRedrawer(VTransitionRedrawer* redrawer);
// The installed redrawer; null, reported as a missing service, without one.
VTransitionRedrawer* GetTransitionRedrawer();
