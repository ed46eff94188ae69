// ostrevan-tool's command line as a whole: help, unknown options named in the
// message, and no exception ever leaving the tool.
#include <gtest/gtest.h>

#include <functional>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/ToolCommands.h"

namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunLine(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = RunTool(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(ToolCommandLine, HelpPrintsTheUsageAndSucceeds) {
  const std::vector<std::vector<std::string>> lines = {
      {"--help"}, {"-h"}, {"help"}, {"archive", "--help"}, {"image", "decode", "-h"},
      {"archive", "build", "s", "a", "--help"}};
  for (const auto& line : lines) {
    const Result r = RunLine(line);
    EXPECT_EQ(r.code, 0) << line.back();
    EXPECT_EQ(r.out.rfind("usage: ostrevan-tool archive build", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("image decode FILE OUT"), std::string::npos);
    EXPECT_EQ(r.err, "");
  }
}

// Every command line refused with the usage (exit 2) says first what is
// wrong with it.
TEST(ToolCommandLine, BadCommandLinesSayWhatIsWrong) {
  struct Row {
    std::vector<std::string> args;
    const char* says;
  } rows[] = {
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"image", "decode", "a.bmp", "b.ppm", "--fast"}, "unknown option '--fast'"},
      {{"image", "decode", "a.bmp", "b.ppm", "-x"}, "unknown option '-x'"},
      {{"image", "decode", "a.bmp", "b.ppm", "--depth"}, "option '--depth' needs a value"},
      {{"image", "decode", "a.bmp", "b.ppm", "--depth", "12"}, "bad depth '12'"},
      {{"image", "decode", "a.bmp"}, "expected FILE and OUT, got 1 name"},
      {{"image", "resize"}, "unknown command 'resize'"},
      {{"archive", "list", "--all", "a.msf"}, "unknown option '--all'"},
      {{"archive", "extract", "a.msf", "out", "--force"}, "unknown option '--force'"},
      {{"archive", "list"}, "expected 'build SCRIPT ARCHIVE [LOG]'"},
      {{"text", "render", "a.html", "b.ppm", "--width", "0"}, "bad width '0'"},
      {{"text", "render", "a.html", "b.ppm", "--height", "abc"}, "bad height 'abc'"},
      {{"text", "render", "a.html", "b.ppm", "--font", "Arial"}, "bad font 'Arial'"},
      {{"text", "render", "a.html", "b.ppm", "--width"}, "option '--width' needs a value"},
      {{"text", "render", "a.html", "b.ppm", "--depth", "8"}, "unknown option '--depth'"},
      {{"text", "render", "a.html", "b.ppm", "c.ppm"}, "unexpected argument 'c.ppm'"},
      {{"text", "render", "a.html"}, "expected MARKUP and OUT.ppm, got 1 name"},
      {{"text", "draw", "a.html", "b.ppm"}, "unknown command 'draw'"},
      {{"text"}, "expected 'render MARKUP OUT.ppm'"},
      {{"rar", "extract", "a.rar"}, "expected ARCHIVE, MEMBER and OUT, got 1 name"},
      {{"rar", "extract", "a.rar", "m", "o", "p"}, "expected ARCHIVE, MEMBER and OUT, got 4 names"},
      {{"rar", "list", "a.rar"}, "unknown command 'list'"},
      {{"rar"}, "expected 'extract ARCHIVE MEMBER OUT'"},
  };
  for (const Row& row : rows) {
    const Result r = RunLine(row.args);
    EXPECT_EQ(r.code, 2) << row.says;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("usage: "), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(ToolCommandLine, EveryExceptionBecomesAMessageAndExitOne) {
  struct Row {
    std::function<int()> command;
    const char* says;
  } rows[] = {
      {[]() -> int { throw std::bad_alloc(); }, "ostrevan-tool: out of memory\n"},
      {[]() -> int { throw std::length_error("vector too long"); },
       "ostrevan-tool: unexpected error: vector too long\n"},
      {[]() -> int { throw 42; }, "ostrevan-tool: unexpected error\n"},
  };
  for (const Row& row : rows) {
    std::ostringstream err;
    EXPECT_EQ(RunCatchingEverything(row.command, err), 1);
    EXPECT_EQ(err.str(), row.says);
  }
  std::ostringstream err;
  EXPECT_EQ(RunCatchingEverything([] { return 2; }, err), 2);
  EXPECT_EQ(err.str(), "");
}

}  // namespace
