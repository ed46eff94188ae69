// Pellam Setup as a program on a disc folder without a display: a missing
// picture is reported, ends with exit code -1 and starts nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "launchers/support/LauncherDisc.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"

namespace {

TEST(PellamSetupProgram, MissingPictureEndsWithItsMessageAndCodeAndNoStart) {
  testsupport::TempDir dir("pellamprog");
  const std::string disc = dir.Path("disc");
  ASSERT_TRUE(launchertest::CopyProgram(launchertest::PellamSetupBin(), disc + "/PellamSetup.exe"));
  ASSERT_TRUE(launchertest::CopyProgram(launchertest::InstallerBin(), disc + "/Setup/install.exe"));
  std::string command = "env";
  for (const std::string& e : launchertest::LauncherEnvironment(dir.Path())) command += " '" + e + "'";
  command += " SDL_VIDEODRIVER=dummy '" + disc + "/PellamSetup.exe' 2>&1 >/dev/null; echo \"status=$?\"";
  const std::string out = testsupport::Capture(command);
  EXPECT_NE(out.find("F E H L E R: Setup\\Setup.jpg konnte nicht ge\xc3\xb6" "ffnet werden !?"), std::string::npos)
      << out;
  EXPECT_NE(out.find("status=255"), std::string::npos) << out;
  EXPECT_TRUE(launchertest::ReadRecords(dir.Path("record.txt")).empty());
}

}  // namespace
