// Moving the mouse pointer to a point of the screen (the emulated display)
// and holding it inside the window: what mouse look needs, which puts the
// pointer back on a reference point after every move. The window layer
// installs the backend that does it (platform/SdlPointerWarp.h); until then,
// and in tests, requests go to whatever backend is installed, or nowhere.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

class PointerWarpBackend {
 public:
  virtual ~PointerWarpBackend() = default;
  // Puts the pointer on the screen point; the motion this causes (if any)
  // arrives at exactly that point. False when the pointer cannot be moved.
  virtual bool WarpPointer(int32_t screenX, int32_t screenY) = 0;
  // Keeps the pointer inside the window (true) or lets it go (false).
  virtual void SetPointerGrab(bool grab) = 0;
};

// Installs a backend (not owned; it must outlive its installation); null
// removes it. Returns the previous one.
PointerWarpBackend* SetPointerWarpBackend(PointerWarpBackend* backend);
// Through the installed backend; false (nothing happens) without one.
bool WarpPointer(int32_t screenX, int32_t screenY);
void SetPointerGrab(bool grab);

// A backend for tests: records every warp and the grab, answers true.
class RecordingPointerWarp : public PointerWarpBackend {
 public:
  struct Warp {
    int32_t x;
    int32_t y;
    bool operator==(const Warp&) const = default;
  };
  bool WarpPointer(int32_t screenX, int32_t screenY) override {
    warps.push_back(Warp{screenX, screenY});
    return true;
  }
  void SetPointerGrab(bool grab) override {
    grabbed = grab;
    ++grabChanges;
  }
  std::vector<Warp> warps;
  bool grabbed = false;
  int32_t grabChanges = 0;
};

// Installs a backend for the lifetime of the guard.
class ScopedPointerWarpBackend {
 public:
  explicit ScopedPointerWarpBackend(PointerWarpBackend* backend) : previous_(SetPointerWarpBackend(backend)) {}
  ~ScopedPointerWarpBackend() { SetPointerWarpBackend(previous_); }
  ScopedPointerWarpBackend(const ScopedPointerWarpBackend&) = delete;
  ScopedPointerWarpBackend& operator=(const ScopedPointerWarpBackend&) = delete;

 private:
  PointerWarpBackend* previous_;
};

}  // namespace platform
