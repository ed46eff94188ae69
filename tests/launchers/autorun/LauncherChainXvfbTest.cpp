// The whole chain on a real X server, driven by xdotool, on the sample disc
// that content/launchers/make-disc.sh makes: Tesselby (not installed) starts
// Pellam Setup, whose express setup runs the installer stand-in; its
// progress closes the progress dialog and its registry value makes the next
// Tesselby find the title installed and start it in its folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "launchers/support/LauncherDisc.h"
#include "platform/Registry.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

// Whether a process runs the program file.
bool ProgramRuns(const std::string& path) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
    std::error_code linkError;
    const auto exe = std::filesystem::read_symlink(entry.path() / "exe", linkError);
    if (!linkError && exe == path) return true;
  }
  return false;
}

TEST(LauncherChainXvfb, TesselbyInstallsThroughPellamSetupThenStartsTheTitle) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(convertTool, "convert");
  REQUIRE_TOOL(python, "python3");
  testsupport::TempDir dir("launchchain");
  const std::string disc = dir.Path("disc");
  ASSERT_EQ(testsupport::Capture("bash '" + testsupport::SourceDir() + "/content/launchers/make-disc.sh' '" + disc +
                                 "' '" + testsupport::BuildDir() + "' >/dev/null 2>&1; echo $?"),
            "0\n");
  testsupport::XvfbSession server(xvfb, "800x600x24");
  ASSERT_TRUE(server.Started());
  std::vector<std::string> env = launchertest::LauncherEnvironment(dir.Path());
  env.push_back("DISPLAY=" + server.Display());
  env.push_back("SDL_VIDEODRIVER=x11");
  env.push_back("ASAN_OPTIONS=detect_leaks=0");
  const auto xdo = [&](std::vector<std::string> args) {
    return testsupport::RunXdotool(xdotool, server.Display(), std::move(args));
  };
  // Escape in Tesselby's menu, pressed again (while it still runs) when a
  // press made as the window appeared was lost; true once it has ended.
  const auto EscapeMenu = [&](pid_t pid, int* status) {
    for (int attempt = 0; attempt < 5; ++attempt) {
      if (!xdo({"search", "--sync", "--onlyvisible", "--pid", std::to_string(pid), "", "windowfocus", "--sync"})) {
        return testsupport::WaitFor(pid, 10, status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      if (!xdo({"key", "Escape"})) return false;
      for (int i = 0; i < 60; ++i) {
        if (waitpid(pid, status, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    return testsupport::WaitFor(pid, 10, status);
  };

  // First start: the title is not installed; Escape in the menu starts the setup.
  pid_t tesselby = testsupport::Spawn({disc + "/Tesselby.exe"}, env);
  ASSERT_GT(tesselby, 0);
  int status = -1;
  ASSERT_TRUE(EscapeMenu(tesselby, &status));
  // An X error reply (a wake-up sent to a window destroyed a moment before)
  // is logged, never the end of the program: it ends normally.
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  // Pellam Setup: Enter takes the preselected express setup.
  // A key pressed while the window is still being mapped can be lost: press
  // again while no installer has started.
  std::vector<launchertest::StartRecord> records;
  for (int attempt = 0; attempt < 5 && records.empty(); ++attempt) {
    ASSERT_TRUE(xdo({"search", "--sync", "--onlyvisible", "--name", "^Pellam Setup$", "windowfocus", "--sync"}));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(xdo({"key", "Return"}));
    for (int i = 0; i < 60 && records.empty(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      records = launchertest::ReadRecords(dir.Path("record.txt"));
    }
  }
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].cwd, disc);
  ASSERT_EQ(records[0].args.size(), 2u);
  EXPECT_EQ(records[0].args[0], "/s");

  // The progress dialog closes at 100 and the launcher ends.
  bool setupGone = false;
  for (int i = 0; i < 300 && !setupGone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    setupGone = !ProgramRuns(disc + "/PellamSetup.exe");
  }
  EXPECT_TRUE(setupGone);
  setenv(platform::kRegistryFileVariable, dir.Path("registry").c_str(), 1);
  std::string installed;
  EXPECT_TRUE(platform::RegistryQueryString(platform::RegistryRoot::kLocalMachine, "Software\\Pellam\\Ostrevan Haus",
                                            "InstallPath", &installed));
  unsetenv(platform::kRegistryFileVariable);
  EXPECT_EQ(installed, launchertest::WindowsForm(disc + "/installed"));

  // Second start: installed; Escape starts the title in its folder.
  tesselby = testsupport::Spawn({disc + "/Tesselby.exe"}, env);
  ASSERT_GT(tesselby, 0);
  ASSERT_TRUE(EscapeMenu(tesselby, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  for (int i = 0; i < 300 && records.size() < 2; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    records = launchertest::ReadRecords(dir.Path("record.txt"));
  }
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].cwd, disc + "/installed");
  EXPECT_TRUE(records[1].args.empty());
}

}  // namespace
