#include "platform/CrashHandler.h"

#include <signal.h>
#include <string.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>

namespace platform {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

std::atomic<CrashCleanup> gCleanup{nullptr};
std::atomic<bool> gRan{false};
struct sigaction gPrevious[kSignalCount];
std::terminate_handler gPreviousTerminate = nullptr;
bool gInstalled = false;

// Room to run on when the stack itself overflowed.
constexpr size_t kAltStackSize = 64 * 1024;
alignas(16) char gAltStack[kAltStackSize];
stack_t gPreviousAltStack{};

int IndexOf(int signal) {
  for (int i = 0; i < kSignalCount; ++i) {
    if (kSignals[i] == signal) return i;
  }
  return -1;
}

void OnFatalSignal(int signal) {
  CrashHandler::RunCleanupOnce();
  // End as the process would have: the handler that was there before (the
  // default action, or a sanitizer's report), raised again.
  const int index = IndexOf(signal);
  if (index >= 0) {
    sigaction(signal, &gPrevious[index], nullptr);
  } else {
    ::signal(signal, SIG_DFL);
  }
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal);
  sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
  raise(signal);
  // A previous handler that returned: the signal is fatal all the same.
  ::signal(signal, SIG_DFL);
  raise(signal);
  _exit(128 + signal);
}

void OnTerminate() {
  CrashHandler::RunCleanupOnce();
  if (gPreviousTerminate != nullptr && gPreviousTerminate != &OnTerminate) {
    gPreviousTerminate();
  }
  std::abort();
}

}  // namespace

CrashHandler::CrashHandler(CrashCleanup cleanup) {
  gCleanup.store(cleanup);
  if (gInstalled) {
    return;
  }
  stack_t alt{};
  alt.ss_sp = gAltStack;
  alt.ss_size = kAltStackSize;
  alt.ss_flags = 0;
  sigaltstack(&alt, &gPreviousAltStack);
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = &OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK;
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], &action, &gPrevious[i]);
  }
  gPreviousTerminate = std::set_terminate(&OnTerminate);
  gInstalled = true;
}

CrashHandler::~CrashHandler() {
  if (!gInstalled) {
    return;
  }
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], &gPrevious[i], nullptr);
  }
  std::set_terminate(gPreviousTerminate);
  sigaltstack(&gPreviousAltStack, nullptr);
  gCleanup.store(nullptr);
  gInstalled = false;
}

bool CrashHandler::RunCleanupOnce() {
  if (gRan.exchange(true)) {
    return false;
  }
  CrashCleanup cleanup = gCleanup.load();
  if (cleanup != nullptr) {
    cleanup();
  }
  return true;
}

bool CrashHandler::HasRun() { return gRan.load(); }

}  // namespace platform
