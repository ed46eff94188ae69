// The launchers' command-line splitter.
#include "launchers/common/CommandLine.h"

#include "platform/CommandLine.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> args;
  size_t pos = 0;
  size_t end = line.size();
  while (end > pos && IsSpace(line[end - 1])) --end;
  while (pos < end) {
    while (pos < end && IsSpace(line[pos])) ++pos;
    if (pos >= end) break;
    if (line[pos] == '"') {
      size_t close = line.find('"', pos + 1);
      if (close == std::string::npos || close >= end) close = end;
      args.push_back(line.substr(pos + 1, close - pos - 1));
      pos = close < end ? close + 1 : end;
    } else {
      size_t space = line.find(' ', pos + 1);
      if (space == std::string::npos || space > end) space = end;
      args.push_back(line.substr(pos, space - pos));
      pos = space;
    }
  }
  return args;
}

std::vector<std::string> SplitCommandLine() { return SplitCommandLine(platform::GetRawCommandLine()); }
