// Loading, connecting and unloading the movie library through its binding.
#include "engine/mpeg/MovieLibrary.h"

#include <atomic>

namespace {

// No library is present on this platform.
class AbsentBinding : public VMovieLibraryBinding {
 public:
  bool LoadLibrary(int) override { return false; }
  void FreeLibrary(int) override {}
  bool HasEntry(int) override { return false; }
  int32_t InitializeComponents() override { return -1; }
  void TerminateComponents() override {}
  void Call(int32_t) override {}
  uint32_t FileVersion() override { return 0; }
};

AbsentBinding gAbsent;
std::atomic<VMovieLibraryBinding*> gBinding{nullptr};

// The selectors called around the connection.
constexpr int32_t kFirstLoad = 57, kOpen = 11, kClose = 12, kLastUnload = 58;

struct State {
  bool loadTried = false;
  bool movieLoaded = false, managerLoaded = false;
  int32_t movieReferences = 0, managerReferences = 0;
  std::atomic<bool> open{false};
};
State gState;

VMovieLibraryBinding& Binding() {
  VMovieLibraryBinding* b = gBinding.load();
  return b ? *b : gAbsent;
}

void UnloadMovie(VMovieLibraryBinding& b) {
  if (gState.movieReferences > 0 && --gState.movieReferences == 0) {
    b.Call(kLastUnload);
    b.FreeLibrary(0);
    gState.movieLoaded = false;
  }
}

}  // namespace

VMovieLibraryBinding* SetMovieLibraryBinding(VMovieLibraryBinding* binding) { return gBinding.exchange(binding); }

int32_t LoadMovieLibrary(uint32_t* version) {
  VMovieLibraryBinding& b = Binding();
  gState.loadTried = true;
  if (!gState.movieLoaded) {
    if (!b.LoadLibrary(0)) return 1;
    if (!b.HasEntry(0)) {
      b.FreeLibrary(0);
      return 2;
    }
    gState.movieLoaded = true;
  }
  ++gState.movieReferences;
  int32_t result = 0;
  if (!gState.managerLoaded) {
    if (!b.LoadLibrary(1)) {
      result = 1;
    } else if (!b.HasEntry(1) || b.InitializeComponents() != 0) {
      b.FreeLibrary(1);
      result = 2;
    } else {
      gState.managerLoaded = true;
    }
  }
  if (result != 0) {
    UnloadMovie(b);
    return result;
  }
  ++gState.managerReferences;
  if (version) *version = QueryMovieLibraryVersion();
  if (gState.movieReferences == 1) b.Call(kFirstLoad);
  return 0;
}

void UnloadMovieLibrary() {
  VMovieLibraryBinding& b = Binding();
  if (gState.managerReferences > 0 && --gState.managerReferences == 0) {
    b.TerminateComponents();
    b.FreeLibrary(1);
    gState.managerLoaded = false;
  }
  UnloadMovie(b);
}

uint32_t QueryMovieLibraryVersion() { return gState.movieLoaded ? Binding().FileVersion() : 0; }

bool OpenMovieLibrary() {
  if (gState.open.load()) return true;
  if (LoadMovieLibrary() == 0) {
    Binding().Call(kOpen);
    gState.open.store(true);
  }
  return gState.open.load();
}

void CloseMovieLibrary() {
  if (!gState.open.exchange(false)) return;
  Binding().Call(kClose);
  UnloadMovieLibrary();
}

bool IsMovieLibraryOpen() { return gState.open.load(); }
