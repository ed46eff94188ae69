// Background and hover tracking of movie controls.
#include "engine/mpeg/VMovieControl.h"

#include "engine/core/VEvent.h"

VMovieControl::VMovieControl(int32_t id, int32_t left, int32_t top, int32_t layer, int32_t width, int32_t height,
                             VColorTable* /*colorTable*/, VGraphicObject* parent)
    : VControl(kKindCode, id, left, top, layer, width, height, parent) {}

VMovieControl::~VMovieControl() = default;

void VMovieControl::DrawContent(DrawPort* port, const VRect& rect) {
  if (port == nullptr) return;
  VRect bounds;
  GetGlobalBounds(bounds);
  VRect meet;
  if (!rect.IsEmpty() && !bounds.Intersect(rect, meet)) return;
  EraseBackground(port);
}

bool VMovieControl::MouseMove(const VMouseEvent& event) {
  if (VGraphicObject::MouseMove(event)) return true;
  if (!hoverTracking_) return false;
  VRect bounds;
  GetGlobalBounds(bounds);
  if (event.IsInside(bounds)) {
    SetCapturedObject(this);
    Play();
    return true;
  }
  if (GetCapturedObject() == this) {
    SetCapturedObject(nullptr);
    Pause();
  }
  return false;
}
