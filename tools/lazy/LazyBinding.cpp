// The binder behind the generated entry points of a library the program loads
// at its first call rather than at its start (cmake/LazyLibraries.cmake).
//
// Each function of such a library has an entry point in the program that
// jumps through a slot; a slot starts out at a stub that passes the library's
// record and the function's number here. This loads the library (once), looks
// the function up, stores it in the slot for every later call and returns it
// for the stub to jump to with the caller's arguments untouched.
#include <dlfcn.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

// Laid out as the generated assembly lays it out.
struct LazyLibrary {
  void* handle;                // null until the first call
  const char* soname;          // the name the dynamic loader knows it by
  const char* names;           // the functions' names, each ending in a zero byte
  const uint32_t* nameOffsets; // where each function's name starts in `names`
  void** slots;                // each function's jump target
};

[[noreturn]] void Fail(const LazyLibrary& library, const char* what) {
  const char* reason = dlerror();
  std::fprintf(stderr, "%s: %s %s\n", library.soname, what, reason ? reason : "");
  std::abort();
}

}  // namespace

extern "C" void* OstrevanLazyBind(LazyLibrary* library, uint32_t index) {
  static std::mutex mutex;
  const std::lock_guard<std::mutex> lock(mutex);
  if (library->handle == nullptr) {
    // Global, as a library linked at start-up would be, so that what it loads
    // itself sees the same symbols.
    library->handle = dlopen(library->soname, RTLD_NOW | RTLD_GLOBAL);
    if (library->handle == nullptr) Fail(*library, "cannot be loaded:");
  }
  const char* name = library->names + library->nameOffsets[index];
  void* function = dlsym(library->handle, name);
  if (function == nullptr) Fail(*library, "lacks a function the program calls:");
  std::atomic_ref<void*>(library->slots[index]).store(function, std::memory_order_release);
  return function;
}
