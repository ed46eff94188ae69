// ShellExecute stand-in over posix_spawn.
#include "platform/ShellExecute.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/CommandLine.h"
#include "platform/File.h"
#include "platform/Process.h"

extern char** environ;

namespace platform {

namespace {

std::mutex gReapMutex;
std::vector<pid_t> gUnclaimed;

void ReapFinished() {
  std::lock_guard<std::mutex> lock(gReapMutex);
  for (size_t i = 0; i < gUnclaimed.size();) {
    int status = 0;
    if (waitpid(gUnclaimed[i], &status, WNOHANG) != 0) {
      gUnclaimed.erase(gUnclaimed.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
}

bool IsAddress(const std::string& file) {
  return file.find("://") != std::string::npos || file.rfind("mailto:", 0) == 0 || file.rfind("www.", 0) == 0;
}

bool IsAbsolute(const std::string& path) {
  return (!path.empty() && (path[0] == '/' || path[0] == '\\')) || (path.size() >= 2 && path[1] == ':');
}

int SpawnResult(int error) {
  switch (error) {
    case 0: return kShellSuccess;
    case ENOENT: return kShellFileNotFound;
    case ENOTDIR: return kShellPathNotFound;
    case EACCES:
    case EPERM: return kShellAccessDenied;
    case ENOMEM:
    case EAGAIN: return kShellOutOfMemory;
    case ENOEXEC: return kShellNoAssociation;
    default: return kShellAccessDenied;
  }
}

int Spawn(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv,
          const std::string& hostDirectory, pid_t* child) {
  std::vector<std::string> a = args;
  std::vector<char*> argv;
  for (std::string& s : a) argv.push_back(s.data());
  argv.push_back(nullptr);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string entry = *e;
    std::string key = entry.substr(0, entry.find('=') + 1);
    bool replaced = false;
    for (const std::string& x : extraEnv) replaced = replaced || x.rfind(key, 0) == 0;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  std::vector<char*> envp;
  for (std::string& s : env) envp.push_back(s.data());
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!hostDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, hostDirectory.c_str());
  pid_t pid = 0;
  int error = posix_spawn(&pid, a[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return SpawnResult(error);
  if (child != nullptr) {
    *child = pid;
  } else {
    std::lock_guard<std::mutex> lock(gReapMutex);
    gUnclaimed.push_back(pid);
  }
  return kShellSuccess;
}

int Open(const std::string& target, const std::string& hostDirectory, pid_t* child) {
  const char* configured = std::getenv(kShellOpenerVariable);
  std::string opener = FindOnPath(configured != nullptr && configured[0] != 0 ? configured : "xdg-open");
  if (opener.empty()) return kShellNoAssociation;
  return Spawn({opener, target}, {}, hostDirectory, child);
}

}  // namespace

int ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
                 const std::string& directory, pid_t* child) {
  ReapFinished();
  if (!verb.empty() && verb != "open" && verb != "OPEN" && verb != "Open") return kShellNoAssociation;
  if (file.empty()) return kShellFileNotFound;
  std::string hostDirectory;
  if (!directory.empty()) {
    hostDirectory = ResolvePath(directory);
    if (!DirectoryExists(hostDirectory)) return kShellPathNotFound;
  }
  if (IsAddress(file)) return Open(file, hostDirectory, child);

  std::string host;
  if (!IsAbsolute(file) && !directory.empty()) {
    std::string inDirectory = ResolvePath(directory + "\\" + file);
    if (FileExists(inDirectory)) host = inDirectory;
  }
  if (host.empty()) host = ResolvePath(file);
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) {
    size_t slash = host.rfind('/');
    std::string parent = slash == std::string::npos ? std::string(".") : host.substr(0, slash == 0 ? 1 : slash);
    return DirectoryExists(parent) ? kShellFileNotFound : kShellPathNotFound;
  }
  if (S_ISDIR(st.st_mode)) return Open(host, hostDirectory, child);
  if ((st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) == 0) return Open(host, hostDirectory, child);
  if (access(host.c_str(), X_OK) != 0) return kShellAccessDenied;

  std::vector<std::string> args = {host};
  for (std::string& a : SplitWindowsArguments(parameters)) args.push_back(std::move(a));
  std::string line = "\"" + WindowsFormPath(host) + "\"";
  if (!parameters.empty()) line += " " + parameters;
  return Spawn(args,
               {std::string(kCommandLineVariable) + "=" + line, std::string(kCommandLineProgramVariable) + "=" + host},
               hostDirectory, child);
}

bool HasChildEnded(pid_t child) {
  if (child <= 0) return true;
  int status = 0;
  pid_t r;
  do {
    r = waitpid(child, &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  return r == child || r < 0;
}

}  // namespace platform
