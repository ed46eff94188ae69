// Test support for running other programs: finding them on PATH, starting
// one with extra environment variables and waiting for it with a time limit,
// and the standard output of a shell command.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/Process.h"

extern char** environ;

namespace testsupport {

// The full path of an executable found on PATH, or "" when there is none.
// Tests look their outside programs up through RequireTool (RequireTool.h),
// which reports a missing one.
inline std::string FindProgram(const std::string& name) { return platform::FindOnPath(name); }

// Starts args[0] (a path) with the arguments and this process's environment,
// in which each "NAME=value" of extraEnv replaces the variable of that name.
// Returns the process id, or -1 when it could not be started.
inline pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
  std::vector<std::string> a = args;
  std::vector<char*> argv;
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const std::string& x : extraEnv) replaced = replaced || x.rfind(key, 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  for (const std::string& e : extraEnv) env.push_back(e);
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, a[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) return -1;
  return pid;
}

// Waits for the process to end and stores its wait status; false (with the
// process killed and reaped) when it did not end within the seconds given.
inline bool WaitFor(pid_t pid, int seconds, int* status) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (waitpid(pid, status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// Runs the program with extraEnv and waits up to `seconds`: true when it
// exited with 0.
inline bool RunsToSuccess(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
                          int seconds) {
  int status = 0;
  const pid_t pid = Spawn(args, extraEnv);
  return pid > 0 && WaitFor(pid, seconds, &status) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The standard output of a shell command ("" when it cannot be started).
inline std::string Capture(const std::string& command) {
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return text;
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) text.append(buf, n);
  pclose(pipe);
  return text;
}

// Ends a spawned child that is still running when the scope ends, however a
// test ends (a process left behind would keep the test runner's output pipe
// open).
struct KillOnExit {
  explicit KillOnExit(pid_t child) : pid(child) {}
  KillOnExit(const KillOnExit&) = delete;
  KillOnExit& operator=(const KillOnExit&) = delete;
  pid_t pid;
  ~KillOnExit() {
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
};

}  // namespace testsupport
