#include "platform/Cursor.h"

namespace platform {
namespace {
CursorBackend* g_backend = nullptr;
}  // namespace

CursorBackend* SetCursorBackend(CursorBackend* backend) {
  CursorBackend* previous = g_backend;
  g_backend = backend;
  return previous;
}

bool ShowCursorById(CursorSource source, uint16_t id) {
  return g_backend != nullptr && g_backend->ShowCursorById(source, id);
}

}  // namespace platform
