#include "engine/core/Cursor.h"

#include "platform/Cursor.h"

namespace {

// No cursor id at all: what is shown before the first SetMouseCursor.
constexpr uint16_t kNoCursor = 0xFFFF;
constexpr uint16_t kFirstSystemCursor = 32000;

uint16_t gShown = kNoCursor;
uint16_t gPending = 0;

void ShowCursor(uint16_t id) {
  bool shown = false;
  if (id == 0) {
    shown = platform::ShowCursorById(platform::CursorSource::kSystem, platform::kSystemCursorArrow);
  } else if (id < kFirstSystemCursor) {
    shown = platform::ShowCursorById(platform::CursorSource::kProgram, id);
  } else {
    shown = platform::ShowCursorById(platform::CursorSource::kSystem, id);
  }
  if (!shown && id != 0) {
    // A cursor that cannot be loaded leaves the arrow rather than a stale one.
    platform::ShowCursorById(platform::CursorSource::kSystem, platform::kSystemCursorArrow);
  }
}

}  // namespace

uint16_t SetMouseCursor(uint16_t id) {
  if (id == 0) {
    id = gPending;
  }
  uint16_t previous = gShown;
  if (id == gShown) {
    return previous;
  }
  ShowCursor(id);
  gShown = id;
  return previous;
}

void SetPendingCursor(uint16_t id) {
  if (id == gPending) {
    return;
  }
  if (gShown == gPending) {
    SetMouseCursor(id);
  }
  gPending = id;
}

void ResetShownCursor() { gShown = gPending; }

uint16_t GetShownCursor() { return gShown; }
uint16_t GetPendingCursor() { return gPending; }

void ResetCursorState() {
  gShown = kNoCursor;
  gPending = 0;
}
