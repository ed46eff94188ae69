#include "platform/FileDialog.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/Codepage1252.h"
#include "platform/Process.h"

extern char** environ;

namespace platform {
namespace {

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

}  // namespace

std::vector<FileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<FileFilter> out;
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    if (bar == std::string::npos) {
      parts.push_back(filter.substr(start));
      break;
    }
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() || parts[i + 1].empty()) {
      break;
    }
    std::string patterns = parts[i + 1];
    // "| *.jpg": the blank after the bar is not part of the pattern.
    const size_t first = patterns.find_first_not_of(' ');
    patterns = first == std::string::npos ? std::string() : patterns.substr(first);
    if (patterns.empty()) {
      break;
    }
    out.push_back(FileFilter{parts[i], patterns});
  }
  return out;
}

std::string FindFileDialogProgram() {
  if (const char* configured = std::getenv("OSTREVAN_FILE_DIALOG")) {
    return IsExecutable(configured) ? std::string(configured) : std::string();
  }
  return FindOnPath("zenity");
}

std::vector<std::string> FileDialogArguments(const FileDialogRequest& request) {
  std::vector<std::string> args{"--file-selection"};
  if (request.save) {
    args.emplace_back("--save");
    args.emplace_back("--confirm-overwrite");
    if (!request.fileName.empty()) {
      args.push_back("--filename=" + Cp1252ToUtf8(request.fileName));
    }
  }
  for (const FileFilter& f : request.filters) {
    std::string patterns = f.patterns;
    for (char& c : patterns) {
      if (c == ';') c = ' ';
    }
    args.push_back("--file-filter=" + Cp1252ToUtf8(f.name) + " | " + Cp1252ToUtf8(patterns));
  }
  return args;
}

std::optional<std::string> RunFileDialog(const FileDialogRequest& request) {
  const std::string program = FindFileDialogProgram();
  if (program.empty()) {
    return std::nullopt;
  }
  std::vector<std::string> args = FileDialogArguments(request);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) {
    argv.push_back(a.data());
  }
  argv.push_back(nullptr);

  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) {
    return std::nullopt;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  pid_t child = 0;
  const int rc = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return std::nullopt;
  }
  std::string output;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(pipeFds[0], buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
  }
  close(pipeFds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return std::nullopt;  // cancelled
  }
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) {
    output.pop_back();
  }
  if (output.empty()) {
    return std::nullopt;
  }
  return Utf8ToCp1252(output, '?');
}

}  // namespace platform
