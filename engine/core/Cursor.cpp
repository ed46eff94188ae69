#include "engine/core/Cursor.h"

#include "platform/Cursor.h"

namespace {

// No cursor id at all: what is shown before the first SetMouseCursor.
constexpr uint16_t kNoCursor = 0xFFFF;
constexpr uint16_t kFirstSystemCursor = 32000;

uint16_t g_shown = kNoCursor;
uint16_t g_pending = 0;

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
    id = g_pending;
  }
  uint16_t previous = g_shown;
  if (id == g_shown) {
    return previous;
  }
  ShowCursor(id);
  g_shown = id;
  return previous;
}

void SetPendingCursor(uint16_t id) {
  if (id == g_pending) {
    return;
  }
  if (g_shown == g_pending) {
    SetMouseCursor(id);
  }
  g_pending = id;
}

void ResetShownCursor() { g_shown = g_pending; }

uint16_t GetShownCursor() { return g_shown; }
uint16_t GetPendingCursor() { return g_pending; }

void ResetCursorState() {
  g_shown = kNoCursor;
  g_pending = 0;
}
