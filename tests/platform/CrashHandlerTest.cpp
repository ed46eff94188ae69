// The crash hook: a fatal signal or an uncaught exception runs the clean-up
// once and the process still dies. Each case runs in a child process.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <thread>

#include "platform/CrashHandler.h"

namespace {

void SayCleanup() {
  static const char text[] = "cleanup ran\n";
  [[maybe_unused]] ssize_t n = write(STDERR_FILENO, text, sizeof(text) - 1);
}

void CrashAgainInCleanup() {
  SayCleanup();
  raise(SIGSEGV);  // a second fault during the clean-up
}

// The child dies of the signal, or (when a sanitizer's handler comes after
// ours and reports the fault) exits with an error or aborts
// (ASAN_OPTIONS=abort_on_error=1).
bool DiedOf(int exitStatus, int signal) {
  if (WIFSIGNALED(exitStatus)) return WTERMSIG(exitStatus) == signal || WTERMSIG(exitStatus) == SIGABRT;
  return WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) != 0;
}

class CrashHandlerTest : public ::testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(CrashHandlerTest, AFatalSignalRunsTheCleanupOnce) {
  const struct {
    const char* what;
    int signal;
  } rows[] = {{"abort", SIGABRT}, {"segmentation fault", SIGSEGV}, {"bus error", SIGBUS}, {"arithmetic", SIGFPE},
              {"illegal instruction", SIGILL}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const int signal = r.signal;
    EXPECT_EXIT(
        {
          platform::CrashHandler handler(&SayCleanup);
          raise(signal);
        },
        [signal](int status) { return DiedOf(status, signal); }, "cleanup ran\n");
  }
}

TEST_F(CrashHandlerTest, ASecondFaultDuringTheCleanupDoesNotRunItAgain) {
  EXPECT_EXIT(
      {
        platform::CrashHandler handler(&CrashAgainInCleanup);
        raise(SIGABRT);
      },
      [](int status) { return WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) != 0); },
      "^cleanup ran\n(.|\n)*$");
  // Exactly once: the pattern would also match twice, so count in-process.
  EXPECT_EXIT(
      {
        platform::CrashHandler handler(&SayCleanup);
        fprintf(stderr, "first=%d\n", platform::CrashHandler::RunCleanupOnce() ? 1 : 0);
        fprintf(stderr, "second=%d\n", platform::CrashHandler::RunCleanupOnce() ? 1 : 0);
        raise(SIGABRT);
      },
      [](int status) { return DiedOf(status, SIGABRT); }, "^cleanup ran\nfirst=1\nsecond=0\n$");
}

TEST_F(CrashHandlerTest, AnUncaughtExceptionRunsTheCleanup) {
  EXPECT_EXIT(
      {
        platform::CrashHandler handler(&SayCleanup);
        // Uncaught on a thread of its own: nothing above it catches it.
        std::thread([] { throw std::runtime_error("unhandled"); }).join();
      },
      [](int status) { return DiedOf(status, SIGABRT); }, "cleanup ran\n");
}

TEST_F(CrashHandlerTest, RemovingTheHandlerGivesThePreviousOnesBack) {
  EXPECT_EXIT(
      {
        { platform::CrashHandler handler(&SayCleanup); }
        fprintf(stderr, "removed\n");
        raise(SIGABRT);
      },
      [](int status) { return DiedOf(status, SIGABRT); }, "^removed\n$");
}

}  // namespace
