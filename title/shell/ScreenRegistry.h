// The screens the main panel builds for module buttons, items and overlays,
// by screen kind: 0 aspects, 1 relations, 2 storylines, 3 index, 8 carousel,
// 12 historical photo, 13 the tour's detail-photo pop-up, 14 item viewer,
// 6 tour info panel, 10 room overlay.
// The content modules register a maker for their kind; a kind without one
// gets a stand-in screen of that kind (StandInScreen). Registrations are
// program state on the user-interface thread, made before the main panel
// asks and replaced by a later registration of the same kind.
#pragma once

#include <cstdint>
#include <functional>

class ItemRef;
class PictureFrameControl;
class VGraphicObject;

// What the main panel asks for: the kind, where the screen goes (its id,
// left, top, layer, width and height; the owner is its parent), the item it
// opens at (null for a module button or an overlay) and, for the room
// overlay, the kind of the screen it opens over.
struct ScreenRequest {
  int32_t kind = -1;
  int32_t id = 0;
  int32_t left = 0;
  int32_t top = 0;
  int32_t layer = 0;
  int32_t width = 0;
  int32_t height = 0;
  VGraphicObject* owner = nullptr;
  const ItemRef* item = nullptr;
  int32_t context = -1;
  // A module screen is shown while this one is made (the item viewer shows
  // its caption only over the tour).
  bool moduleShown = false;
};

struct ScreenMaker {
  // A new hidden screen for the request, a child of its owner; null when it
  // cannot be made.
  std::function<PictureFrameControl*(const ScreenRequest&)> make;
  // Optional: called once the panel has started the script that shows the
  // new screen and cleared the status line.
  std::function<void(PictureFrameControl&, const ScreenRequest&)> opened;
  // Optional: pauses the item the screen shows (an overlay opens over it).
  std::function<void(PictureFrameControl&)> pause;
  // Optional: shows or hides the screen's movie controls.
  std::function<void(PictureFrameControl&, bool)> setMovieControlsVisible;
};

class ScreenRegistry {
 public:
  // Registers the maker of a kind (a maker without make removes it).
  static void Register(int32_t kind, ScreenMaker maker);
  static void Unregister(int32_t kind);
  // The registered maker of the kind, or null.
  static const ScreenMaker* Find(int32_t kind);
  // The registered maker's screen, or a stand-in of the request's kind when
  // none is registered; null when the maker made none.
  static PictureFrameControl* Make(const ScreenRequest& request);
};
