// Run-time binding of the external movie library and its component manager,
// kept open from start-up to exit. Nothing in the program plays through it
// (movies are decoded by the program itself), and no such library exists on
// this platform: the default binding finds neither library, so starting
// answers false, shows nothing and stopping does nothing. A binding can be
// installed to stand for present libraries.
#pragma once

#include <cstdint>

// How the libraries are reached. Each operation answers false when the
// library or its entry is missing.
class VMovieLibraryBinding {
 public:
  virtual ~VMovieLibraryBinding() = default;
  // library 0: the movie library, 1: the component manager.
  virtual bool LoadLibrary(int library) = 0;
  virtual void FreeLibrary(int library) = 0;
  virtual bool HasEntry(int library) = 0;
  // The component manager's initialisation; 0 on success.
  virtual int32_t InitializeComponents() = 0;
  virtual void TerminateComponents() = 0;
  // A routine of the movie library by its selector.
  virtual void Call(int32_t selector) = 0;
  // The movie library's file version (0 when unknown).
  virtual uint32_t FileVersion() = 0;
};

// Installs a binding (not owned); null restores the default (no library).
// Returns the previous one (null for the default).
VMovieLibraryBinding* SetMovieLibraryBinding(VMovieLibraryBinding* binding);

// 0 loaded, 1 a library is missing, 2 an entry is missing or the component
// manager refused to start. With a version pointer the version is stored.
int32_t LoadMovieLibrary(uint32_t* version = nullptr);
// Undoes one load of each library.
void UnloadMovieLibrary();
// The library's version as ((major * 16 + minor * 10 + build) << 8) + patch; 0 when unknown.
uint32_t QueryMovieLibraryVersion();

// Once per process: loads the libraries and opens the connection; answers
// whether it is open. Later calls only answer.
bool OpenMovieLibrary();
// Closes the connection and unloads, when open. Safe from the crash clean-up.
void CloseMovieLibrary();
bool IsMovieLibraryOpen();
