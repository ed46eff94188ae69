// The crash filter: when the program dies (fatal signal or uncaught
// exception) it gives the screen mode, the system palette and the movie
// library back, once, and lets the process end. The title's application
// creates the one instance at start.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {
class CrashHandler;
}

class VExceptionFilter {
 public:
  // Answers of HandleException.
  static constexpr int32_t kContinueSearch = 0;
  static constexpr int32_t kExecuteHandler = 1;

  // Installs the process filter (keeping the previous one) and registers itself.
  VExceptionFilter();
  // Puts the previous filter back.
  virtual ~VExceptionFilter();
  VExceptionFilter(const VExceptionFilter&) = delete;
  VExceptionFilter& operator=(const VExceptionFilter&) = delete;

  // The clean-up: the first call restores the display mode, the palette
  // use and stops the movie library, answering kExecuteHandler; every later
  // call answers kContinueSearch and does nothing.
  virtual int32_t HandleException();

  int32_t GetExceptionCode() const { return exceptionCode_; }
  // The registered filter, or null.
  static VExceptionFilter* GetRegistered();
  // Whether the clean-up ran (and resets it, for tests).
  static bool HasHandled();
  static void ResetHandledForTesting();

 private:
  static void ProcessFilter();

  std::unique_ptr<platform::CrashHandler> previousFilter_;
  int32_t exceptionCode_ = 0;
  const void* exceptionRecord_ = nullptr;
};
