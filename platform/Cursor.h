// Showing a cursor by its id. The window layer installs the backend that
// loads and shows real cursors; until then (and in tests) the request goes
// to whatever backend is installed, or nowhere.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

enum class CursorSource : uint8_t {
  kProgram,  // a cursor resource of the program (ids below 32000)
  kSystem,   // a system cursor (32512 arrow, 32514 wait, ...)
};

constexpr uint16_t kSystemCursorArrow = 32512;
constexpr uint16_t kSystemCursorWait = 32514;

class CursorBackend {
 public:
  virtual ~CursorBackend() = default;
  // Loads and shows the cursor; false when it cannot be found or shown.
  virtual bool ShowCursorById(CursorSource source, uint16_t id) = 0;
};

// Installs a backend (not owned; it must outlive its installation); null
// removes it. Returns the previous one.
CursorBackend* SetCursorBackend(CursorBackend* backend);
// Shows a cursor through the installed backend; false without one.
bool ShowCursorById(CursorSource source, uint16_t id);

// A backend for tests: records every request and answers true.
class RecordingCursorBackend : public CursorBackend {
 public:
  struct Request {
    CursorSource source;
    uint16_t id;
    bool operator==(const Request&) const = default;
  };
  bool ShowCursorById(CursorSource source, uint16_t id) override {
    requests.push_back(Request{source, id});
    return true;
  }
  std::vector<Request> requests;
};

// Installs a backend for the lifetime of the guard.
class ScopedCursorBackend {
 public:
  explicit ScopedCursorBackend(CursorBackend* backend) : previous_(SetCursorBackend(backend)) {}
  ~ScopedCursorBackend() { SetCursorBackend(previous_); }
  ScopedCursorBackend(const ScopedCursorBackend&) = delete;
  ScopedCursorBackend& operator=(const ScopedCursorBackend&) = delete;

 private:
  CursorBackend* previous_;
};

}  // namespace platform
