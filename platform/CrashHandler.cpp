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

std::atomic<CrashCleanup> g_cleanup{nullptr};
std::atomic<bool> g_ran{false};
struct sigaction g_previous[kSignalCount];
std::terminate_handler g_previousTerminate = nullptr;
bool g_installed = false;

// Room to run on when the stack itself overflowed.
constexpr size_t kAltStackSize = 64 * 1024;
alignas(16) char g_altStack[kAltStackSize];
stack_t g_previousAltStack{};

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
    sigaction(signal, &g_previous[index], nullptr);
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
  if (g_previousTerminate != nullptr && g_previousTerminate != &OnTerminate) {
    g_previousTerminate();
  }
  std::abort();
}

}  // namespace

CrashHandler::CrashHandler(CrashCleanup cleanup) {
  g_cleanup.store(cleanup);
  if (g_installed) {
    return;
  }
  stack_t alt{};
  alt.ss_sp = g_altStack;
  alt.ss_size = kAltStackSize;
  alt.ss_flags = 0;
  sigaltstack(&alt, &g_previousAltStack);
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = &OnFatalSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK;
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], &action, &g_previous[i]);
  }
  g_previousTerminate = std::set_terminate(&OnTerminate);
  g_installed = true;
}

CrashHandler::~CrashHandler() {
  if (!g_installed) {
    return;
  }
  for (int i = 0; i < kSignalCount; ++i) {
    sigaction(kSignals[i], &g_previous[i], nullptr);
  }
  std::set_terminate(g_previousTerminate);
  sigaltstack(&g_previousAltStack, nullptr);
  g_cleanup.store(nullptr);
  g_installed = false;
}

bool CrashHandler::RunCleanupOnce() {
  if (g_ran.exchange(true)) {
    return false;
  }
  CrashCleanup cleanup = g_cleanup.load();
  if (cleanup != nullptr) {
    cleanup();
  }
  return true;
}

bool CrashHandler::HasRun() { return g_ran.load(); }

}  // namespace platform
