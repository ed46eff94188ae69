// Test support: the one way a test finds an outside program (an oracle, a
// display server, an input driver). A missing program fails the test in CI
// (CI=true), where setup has to install it, and skips it elsewhere.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "support/Subprocess.h"

namespace testsupport {

// The Debian package that installs the program (scripts/setup.sh lists them).
inline std::string DebianPackageOf(const std::string& program) {
  struct Entry {
    const char* program;
    const char* package;
  };
  static const Entry kPackages[] = {
      {"convert", "imagemagick"},
      {"import", "imagemagick"},
      {"identify", "imagemagick"},
      {"compare", "imagemagick"},
      {"pdftoppm", "poppler-utils"},
      {"pdfinfo", "poppler-utils"},
      {"python3", "python3"},
      {"Xvfb", "xvfb"},
      {"xdotool", "xdotool"},
      {"xauth", "xauth"},
      {"cjpeg", "libjpeg-turbo-progs"},
      {"djpeg", "libjpeg-turbo-progs"},
      {"jpegtran", "libjpeg-turbo-progs"},
      {"ffmpeg", "ffmpeg"},
      {"ffprobe", "ffmpeg"},
      {"sox", "sox"},
      {"twolame", "twolame"},
      {"unar", "unar"},
      {"lsar", "unar"},
      {"timeout", "coreutils"},
      {"time", "time"},
  };
  for (const Entry& e : kPackages) {
    if (program == e.program) return e.package;
  }
  // netpbm's converters are named after their formats (pnmtopng, ppmtobmp...).
  if (program.rfind("pnm", 0) == 0 || program.rfind("ppm", 0) == 0 || program.rfind("pgm", 0) == 0 ||
      program.rfind("pbm", 0) == 0 || program.rfind("pam", 0) == 0 || program.find("topnm") != std::string::npos ||
      program.find("toppm") != std::string::npos) {
    return "netpbm";
  }
  return std::string();
}

// True when the tests run in continuous integration (CI set to "true" or "1").
inline bool RunningInCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

namespace detail {
// Records the missing program on the running test: a fatal failure in CI, a
// skip elsewhere (both end only this function; see RequireTool).
inline void ReportMissingTool(const std::string& program) {
  const std::string package = DebianPackageOf(program);
  const std::string what = "needs '" + program + "'" +
                           (package.empty() ? std::string() : " (Debian package " + package + ")") +
                           ", which is not on PATH";
  if (RunningInCi()) GTEST_FAIL() << what << "; scripts/setup.sh installs it";
  GTEST_SKIP() << what;
}
}  // namespace detail

// The full path of `program` on PATH. When it is missing the running test is
// marked (failed in CI, skipped elsewhere) and "" comes back: the caller then
// returns at once. In a fixture's SetUp the mark alone keeps the body from
// running.
inline std::string RequireTool(const std::string& program) {
  std::string path = FindProgram(program);
  if (path.empty()) detail::ReportMissingTool(program);
  return path;
}

}  // namespace testsupport

// In a test body or SetUp: `REQUIRE_TOOL(convert, "convert");` declares
// `const std::string convert` with the program's path, or returns from the
// function after marking the test (see RequireTool).
#define REQUIRE_TOOL(variable, program)                             \
  const std::string variable = ::testsupport::RequireTool(program); \
  if (variable.empty()) return
