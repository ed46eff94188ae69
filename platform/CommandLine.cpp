// Command lines: the handed-over string, or argv from /proc/self/cmdline.
#include "platform/CommandLine.h"

#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace platform {

namespace {

std::string SelfPath() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

std::string CanonicalPath(const std::string& path) {
  char buf[PATH_MAX];
  return realpath(path.c_str(), buf) != nullptr ? std::string(buf) : path;
}

}  // namespace

std::string WindowsFormPath(const std::string& hostPath) {
  std::string out = hostPath;
  for (char& c : out) {
    if (c == '/') c = '\\';
  }
  if (!out.empty() && out[0] == '\\') out = "Z:" + out;
  return out;
}

std::string JoinWindowsArguments(const std::vector<std::string>& args) {
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) {
    if (i > 0) line += ' ';
    const std::string& a = args[i];
    if (!a.empty() && a.find_first_of(" \t\n\v\"") == std::string::npos) {
      line += a;
      continue;
    }
    line += '"';
    size_t backslashes = 0;
    for (char c : a) {
      if (c == '\\') {
        ++backslashes;
        continue;
      }
      if (c == '"') {
        line.append(backslashes * 2 + 1, '\\');
      } else {
        line.append(backslashes, '\\');
      }
      backslashes = 0;
      line += c;
    }
    line.append(backslashes * 2, '\\');
    line += '"';
  }
  return line;
}

std::vector<std::string> SplitWindowsArguments(const std::string& line) {
  std::vector<std::string> args;
  std::string current;
  bool inArgument = false;
  bool quoted = false;
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\v')) {
      if (inArgument) args.push_back(current);
      current.clear();
      inArgument = false;
      ++i;
      continue;
    }
    inArgument = true;
    if (c == '\\') {
      size_t n = 0;
      while (i < line.size() && line[i] == '\\') {
        ++n;
        ++i;
      }
      if (i < line.size() && line[i] == '"') {
        current.append(n / 2, '\\');
        if (n % 2 == 1) {
          current += '"';
          ++i;
        }
      } else {
        current.append(n, '\\');
      }
      continue;
    }
    if (c == '"') {
      if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
        current += '"';
        i += 2;
        continue;
      }
      quoted = !quoted;
      ++i;
      continue;
    }
    current += c;
    ++i;
  }
  if (inArgument) args.push_back(current);
  return args;
}

std::string GetRawCommandLine() {
  const char* line = std::getenv(kCommandLineVariable);
  const char* program = std::getenv(kCommandLineProgramVariable);
  const std::string self = SelfPath();
  if (line != nullptr && program != nullptr && CanonicalPath(program) == CanonicalPath(self)) return line;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> args;
  size_t start = 0;
  while (start < raw.size()) {
    size_t end = raw.find('\0', start);
    if (end == std::string::npos) end = raw.size();
    args.push_back(raw.substr(start, end - start));
    start = end + 1;
  }
  std::string head = "\"" + WindowsFormPath(self) + "\"";
  if (args.size() <= 1) return head;
  args.erase(args.begin());
  return head + " " + JoinWindowsArguments(args);
}

}  // namespace platform
