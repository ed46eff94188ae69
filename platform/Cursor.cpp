#include "platform/Cursor.h"

namespace platform {
namespace {
CursorBackend* gBackend = nullptr;
}  // namespace

CursorBackend* SetCursorBackend(CursorBackend* backend) {
  CursorBackend* previous = gBackend;
  gBackend = backend;
  return previous;
}

bool ShowCursorById(CursorSource source, uint16_t id) {
  return gBackend != nullptr && gBackend->ShowCursorById(source, id);
}

}  // namespace platform
