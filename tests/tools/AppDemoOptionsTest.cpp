// The framework demo's command line: help, refused options and values, and
// errors reported on stderr.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/BuildPaths.h"

namespace {

class AppDemoOptions : public testsupport::TempDirTest {
 protected:
  AppDemoOptions() : TempDirTest("ostrevan_demo_opts_") {}
  // Runs the demo (dummy video driver); its exit code, stdout and stderr.
  int Demo(const std::string& args, std::string& out, std::string& err) {
    const std::string command = "SDL_VIDEODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 '" + std::string(OSTREVAN_DEMO_BIN) +
                                "' " + args + " >'" + Path("out.txt") + "' 2>'" + Path("err.txt") + "'";
    const int status = std::system(command.c_str());
    out = testsupport::ReadBytes(Path("out.txt"));
    err = testsupport::ReadBytes(Path("err.txt"));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
};

TEST_F(AppDemoOptions, RefusesWhatItDoesNotKnow) {
  if (std::string(OSTREVAN_DEMO_BIN).empty()) GTEST_SKIP() << "the demo is not built";
  struct Row {
    std::string args;
    const char* says;
  } rows[] = {
      {"--fullscreen", "unknown option '--fullscreen'"},
      {"stray", "unexpected argument 'stray'"},
      {"--log", "option '--log' needs a value"},
      {"--media 12,x", "bad media id 'x'"},
      {"--media ''", "bad media id ''"},
      {"--measure-idle soon", "bad duration 'soon'"},
  };
  for (const Row& row : rows) {
    std::string out, err;
    EXPECT_EQ(Demo(row.args, out, err), 2) << row.args;
    EXPECT_NE(err.find(std::string("ostrevan-app-demo: ") + row.says), std::string::npos) << err;
    EXPECT_NE(err.find("usage: ostrevan-app-demo"), std::string::npos) << err;
    EXPECT_EQ(out, "");
  }
  std::string out, err;
  EXPECT_EQ(Demo("--help", out, err), 0);
  EXPECT_EQ(out.rfind("usage: ostrevan-app-demo", 0), 0u) << out;
  EXPECT_EQ(err, "");
}

TEST_F(AppDemoOptions, ErrorsGoToStderr) {
  if (std::string(OSTREVAN_DEMO_BIN).empty()) GTEST_SKIP() << "the demo is not built";
  const std::string name = "ostrevan-demo-opts-" + std::to_string(getpid());
  std::string out, err;
  EXPECT_NE(Demo("--archive '" + Path("none.msf") + "' --media 1 --name " + name, out, err), 0);
  EXPECT_NE(err.find("ostrevan-app-demo: error: cannot open archive " + Path("none.msf")), std::string::npos) << err;
  EXPECT_NE(Demo("--log '" + Path("no/such/folder/x.log") + "' --name " + name, out, err), 0);
  EXPECT_NE(err.find("cannot write the log"), std::string::npos) << err;
}

}  // namespace
