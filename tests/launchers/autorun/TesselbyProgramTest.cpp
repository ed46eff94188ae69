// Tesselby as a program on a disc folder, without a display: each start-up
// check's message, the silent end beside a running title, the start at once
// with the splash switch, QuickTime's settings in the Windows folder, and
// the started program's arguments and working folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "launchers/support/LauncherDisc.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

using launchertest::WindowsForm;

class TesselbyProgramTest : public testsupport::TempDirTest {
 protected:
  TesselbyProgramTest() : TempDirTest("tesselby") {}

  void SetUp() override {
    TempDirTest::SetUp();
    disc_ = Path("disc");
    std::filesystem::create_directories(disc_ + "/Bilder");
    ASSERT_TRUE(launchertest::CopyProgram(launchertest::TesselbyBin(), disc_ + "/Tesselby.exe"));
    ASSERT_TRUE(launchertest::CopyProgram(launchertest::InstallerBin(), disc_ + "/PellamSetup.exe"));
    ASSERT_TRUE(launchertest::CopyProgram(launchertest::InstallerBin(), Path("installed/OstrevanHaus.exe")));
    WriteIni("RunParam=\n");
    for (const char* f : {"Bilder/cover_n.bmp", "Bilder/cover_h.bmp", "Bilder/cover_c.bmp", "Katalog.pdf",
                          "Liesmich.txt"}) {
      testsupport::WriteBytes(disc_ + "/" + f, "x");
    }
    env_ = launchertest::LauncherEnvironment(dir_);
    env_.push_back("SDL_VIDEODRIVER=dummy");
  }

  void WriteIni(const std::string& runParam) {
    testsupport::WriteBytes(disc_ + "/autorun.ini",
                            "[Config]\nRegKey=Software\\Pellam\\Ostrevan\nRegEntry=InstallPath\nRegParam=StartParams\n"
                            "Run=OstrevanHaus.exe\n" +
                                runParam +
                                "Title=Ostrevan Haus\n[Files]\nSetup=PellamSetup.exe\nCover=Bilder\\cover\n"
                                "Catalog=Katalog.pdf\nReadme=Liesmich.txt\n[Setup]\nQTOptimize=Hardware\n");
  }

  void SetRegistry(const std::string& name, const std::string& value) {
    setenv(platform::kRegistryFileVariable, Path("registry").c_str(), 1);
    ASSERT_TRUE(platform::RegistrySetString(platform::RegistryRoot::kLocalMachine, "Software\\Pellam\\Ostrevan", name,
                                            value));
    unsetenv(platform::kRegistryFileVariable);
  }

  // Runs Tesselby with the arguments; its standard error. `unset` names
  // variables taken out of the environment first.
  std::string Run(const std::vector<std::string>& args, int* exitStatus = nullptr,
                  const std::vector<std::string>& unset = {}) {
    std::vector<std::string> all = {disc_ + "/Tesselby.exe"};
    all.insert(all.end(), args.begin(), args.end());
    std::string command;
    for (const std::string& name : unset) command += "-u '" + name + "' ";
    for (const std::string& e : env_) {
      const std::string name = e.substr(0, e.find('='));
      if (std::find(unset.begin(), unset.end(), name) == unset.end()) command += "'" + e + "' ";
    }
    command = "env " + command;
    for (const std::string& a : all) command += "'" + a + "' ";
    command += "2>&1 >/dev/null; echo \"status=$?\"";
    const std::string out = testsupport::Capture(command);
    const size_t at = out.rfind("status=");
    if (exitStatus != nullptr && at != std::string::npos) *exitStatus = std::stoi(out.substr(at + 7));
    return at == std::string::npos ? out : out.substr(0, at);
  }

  // The records of started programs, once the last start has written its own.
  std::vector<launchertest::StartRecord> Records(size_t expected) {
    for (int i = 0; i < 200; ++i) {
      auto records = launchertest::ReadRecords(Path("record.txt"));
      if (records.size() >= expected) return records;
      usleep(20000);
    }
    return launchertest::ReadRecords(Path("record.txt"));
  }

  std::string disc_;
  std::vector<std::string> env_;
};

TEST_F(TesselbyProgramTest, EachMissingFileGivesItsMessageAndStartsNothing) {
  const std::string dir = WindowsForm(disc_) + "\\";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"autorun.ini", dir + "autorun.ini konnte nicht gefunden werden!?"},
      {"PellamSetup.exe", "Installationsprogramm " + dir + "PellamSetup.exe konnte nicht gefunden werden !?"},
      {"Bilder/cover_c.bmp", "und/oder"},
      {"Katalog.pdf", "Der Katalog " + dir + "Katalog.pdf konnte nicht gefunden werden !?"},
      {"Liesmich.txt", "Die Textdatei " + dir + "Liesmich.txt konnte nicht gefunden werden !?"},
  };
  for (const auto& [file, message] : cases) {
    SCOPED_TRACE(file);
    SetUp();
    std::filesystem::remove(disc_ + "/" + file);
    SetRegistry("DisableSplash", "1");  // would start at once
    int status = -1;
    const std::string err = Run({}, &status);
    EXPECT_NE(err.find("F E H L E R"), std::string::npos) << err;
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(launchertest::ReadRecords(Path("record.txt")).empty());
  }
}

// With no display at all (nor a runtime folder, nor a video driver named)
// the error output holds the program's message alone: the display
// libraries' probes say nothing of their own.
TEST_F(TesselbyProgramTest, WithoutADisplayOnlyTheMessageIsPrinted) {
  std::filesystem::remove(disc_ + "/autorun.ini");
  int status = -1;
  const std::string err = Run({}, &status,
                              {"DISPLAY", "WAYLAND_DISPLAY", "WAYLAND_SOCKET", "XDG_RUNTIME_DIR", "SDL_VIDEODRIVER"});
  EXPECT_EQ(err, "F E H L E R: " + WindowsForm(disc_) + "\\autorun.ini konnte nicht gefunden werden!?\n");
  EXPECT_EQ(status, 0);
}

TEST_F(TesselbyProgramTest, SplashSwitchStartsTheSetupAtOnce) {
  SetRegistry("DisableSplash", "1");
  EXPECT_EQ(Run({}), "");
  const auto records = Records(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_TRUE(records[0].args.empty());
  // QuickTime's setting went to the Windows folder stand-in.
  EXPECT_EQ(platform::GetPrivateProfileString("Video", "Optimize", "", 100, Path("windows/qtw.ini")), "Hardware");
}

TEST_F(TesselbyProgramTest, InstalledProgramStartsInItsFolderWithItsParameters) {
  SetRegistry("DisableSplash", "1");
  SetRegistry("InstallPath", "\"" + WindowsForm(Path("installed")) + "\"");  // a quoted folder
  SetRegistry("StartParams", "/registry");
  EXPECT_EQ(Run({}), "");
  auto records = Records(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].cwd, Path("installed"));
  EXPECT_EQ(records[0].args, (std::vector<std::string>{"/registry"}));

  // The settings' parameter wins over the registry's.
  WriteIni("RunParam=/ini \"two words\"\n");
  EXPECT_EQ(Run({}), "");
  records = Records(2);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].args, (std::vector<std::string>{"/ini", "two words"}));
}

TEST_F(TesselbyProgramTest, RunningTitleEndsTheLauncherSilently) {
  SetRegistry("DisableSplash", "1");
  const pid_t pid = testsupport::Spawn({launchertest::InstallerBin(), "--hold-window", "Ostrevan Haus"}, env_);
  ASSERT_GT(pid, 0);
  // Wait for the window's record.
  bool found = false;
  for (int i = 0; i < 200 && !found; ++i) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(Path("runtime"))) {
      found = found || e.is_regular_file();
    }
    if (!found) usleep(20000);
  }
  ASSERT_TRUE(found);
  int status = -1;
  EXPECT_EQ(Run({}, &status), "");
  EXPECT_EQ(status, 0);
  kill(pid, SIGTERM);
  testsupport::WaitFor(pid, 10, &status);
  EXPECT_TRUE(launchertest::ReadRecords(Path("record.txt")).empty());
}

}  // namespace
