#include "platform/SdlCursorBackend.h"

#include <SDL.h>

namespace platform {

SdlCursorBackend::~SdlCursorBackend() {
  for (auto& [kind, cursor] : system_) {
    SDL_FreeCursor(cursor);
  }
  for (auto& [id, cursor] : program_) {
    SDL_FreeCursor(cursor);
  }
}

int SdlCursorBackend::SystemCursorKind(uint16_t id) {
  switch (id) {
    case 32512: return SDL_SYSTEM_CURSOR_ARROW;
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32516: return SDL_SYSTEM_CURSOR_ARROW;  // up arrow
    case 32640: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32641: return SDL_SYSTEM_CURSOR_ARROW;  // icon
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    case 32650: return SDL_SYSTEM_CURSOR_WAITARROW;
    default: return -1;
  }
}

SDL_Cursor* SdlCursorBackend::SystemCursor(int kind) {
  auto it = system_.find(kind);
  if (it != system_.end()) {
    return it->second;
  }
  SDL_Cursor* cursor = SDL_CreateSystemCursor(static_cast<SDL_SystemCursor>(kind));
  if (cursor != nullptr) {
    system_[kind] = cursor;
  }
  return cursor;
}

bool SdlCursorBackend::ShowCursorById(CursorSource source, uint16_t id) {
  SDL_Cursor* cursor = nullptr;
  bool found = false;
  if (source == CursorSource::kSystem) {
    const int kind = SystemCursorKind(id);
    if (kind >= 0) {
      cursor = SystemCursor(kind);
      found = cursor != nullptr;
    }
  } else {
    auto it = program_.find(id);
    if (it != program_.end()) {
      cursor = it->second;
      found = true;
    }
  }
  if (cursor == nullptr) {
    cursor = SystemCursor(SDL_SYSTEM_CURSOR_ARROW);
  }
  if (cursor != nullptr) {
    SDL_SetCursor(cursor);
  }
  return found;
}

bool SdlCursorBackend::RegisterProgramCursor(uint16_t id, const uint32_t* argb, int32_t width, int32_t height,
                                             int32_t hotX, int32_t hotY) {
  if (argb == nullptr || width <= 0 || height <= 0 || width > 256 || height > 256) {
    return false;
  }
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) {
    return false;
  }
  for (int32_t y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int32_t x = 0; x < width; ++x) {
      row[x] = argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
  }
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, hotX, hotY);
  SDL_FreeSurface(surface);
  if (cursor == nullptr) {
    return false;
  }
  auto it = program_.find(id);
  if (it != program_.end()) {
    SDL_FreeCursor(it->second);
  }
  program_[id] = cursor;
  return true;
}

}  // namespace platform
