// The cursor backend of the window layer: system cursor ids shown as SDL's
// system cursors, program cursor ids as colour cursors registered by the
// program (until one is registered, such an id shows the arrow).
#pragma once

#include <cstdint>
#include <map>

#include "platform/Cursor.h"

struct SDL_Cursor;

namespace platform {

class SdlCursorBackend : public CursorBackend {
 public:
  SdlCursorBackend() = default;
  ~SdlCursorBackend() override;
  SdlCursorBackend(const SdlCursorBackend&) = delete;
  SdlCursorBackend& operator=(const SdlCursorBackend&) = delete;

  // Shows the cursor. A system id without an SDL equivalent, and a program id
  // nobody registered, show the arrow and answer false.
  bool ShowCursorById(CursorSource source, uint16_t id) override;

  // Registers the picture of a program cursor: width x height pixels of
  // 0xAARRGGBB, copied; the hot spot inside. False when SDL refuses it.
  bool RegisterProgramCursor(uint16_t id, const uint32_t* argb, int32_t width, int32_t height, int32_t hotX,
                             int32_t hotY);

  // The SDL system cursor kind for a system id, or -1 when there is none.
  static int SystemCursorKind(uint16_t id);

 private:
  SDL_Cursor* SystemCursor(int kind);

  std::map<int, SDL_Cursor*> system_;
  std::map<uint16_t, SDL_Cursor*> program_;
};

// The backend the window layer installed, or null while it does not run.
SdlCursorBackend* GetSdlCursorBackend();

}  // namespace platform
