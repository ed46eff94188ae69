// Last-chance clean-up when the program dies: on a fatal signal (segmentation
// fault, bus error, illegal instruction, arithmetic error, abort) or an
// uncaught C++ exception, a registered clean-up runs once (giving the desktop
// back what the program changed), then the process ends the way it would
// have without the handler. A second fatal event during the clean-up ends the
// process without running it again. The clean-up runs inside a signal
// handler: it should do little, and is best effort.
#pragma once

namespace platform {

using CrashCleanup = void (*)();

class CrashHandler {
 public:
  // Installs the handlers; the previous ones come back with the destructor.
  // One handler at a time: a second one replaces the first's clean-up.
  explicit CrashHandler(CrashCleanup cleanup);
  ~CrashHandler();
  CrashHandler(const CrashHandler&) = delete;
  CrashHandler& operator=(const CrashHandler&) = delete;

  // Runs the clean-up unless it ran already; answers whether it ran now.
  // What the signal and terminate handlers call; tests may call it too.
  static bool RunCleanupOnce();
  // Whether the clean-up has run (it runs once per process).
  static bool HasRun();
};

}  // namespace platform
