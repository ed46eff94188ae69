// The setup launcher without windows: the installer's start line, the
// picture on disc or in Setup.kvt, and the progress that ends the wait.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launchers/common/Rar20TestEncoder.h"
#include "launchers/setup/InstallerStart.h"
#include "launchers/setup/SetupProgress.h"
#include "platform/CommandLine.h"
#include "support/TempDir.h"

namespace {

TEST(InstallerStart, ExpressIsSilentCustomIsNot) {
  const InstallerStart express = MakeInstallerStart("D:\\", true);
  EXPECT_EQ(express.program, "D:\\setup\\install.exe");
  EXPECT_EQ(express.parameters, "/s /f1\"D:\\setup\\setup.iss\"");
  EXPECT_EQ(express.directory, "D:\\");
  EXPECT_EQ(express.result, 0);
  const InstallerStart custom = MakeInstallerStart("D:\\", false);
  EXPECT_EQ(custom.parameters, "/f1\"D:\\setup\\setup.iss\"");
  EXPECT_EQ(custom.result, 2);
  // Started by a bare name: everything relative to the current folder.
  EXPECT_EQ(MakeInstallerStart("", true).program, "setup\\install.exe");
}

TEST(InstallerStart, MissingInstallerFailsToStart) {
  testsupport::TempDir dir("setupstart");
  pid_t child = 0;
  EXPECT_FALSE(LaunchInstaller(MakeInstallerStart(platform::WindowsFormPath(dir.Path()) + "\\", true), &child));
  EXPECT_EQ(child, 0);
}

class SetupPictureTest : public testsupport::TempDirTest {
 protected:
  SetupPictureTest() : TempDirTest("setuppic") {}
  std::string LauncherDir() const { return platform::WindowsFormPath(dir_) + "\\"; }
};

TEST_F(SetupPictureTest, PlainFileFirstThenArchive) {
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(ReadSetupPicture(LauncherDir(), bytes));

  const std::vector<uint8_t> packed = {0xFF, 0xD8, 0xFF, 'a', 'r', 'c', 'h', 'i', 'v', 'e'};
  rartest::EncodeMember member;
  member.name = "setup.jpg";
  member.data = packed;
  const std::vector<uint8_t> archive = rartest::BuildRarArchive({member}, false);
  testsupport::WriteBytes(Path("Setup.kvt"), std::string(archive.begin(), archive.end()));
  ASSERT_TRUE(ReadSetupPicture(LauncherDir(), bytes));
  EXPECT_EQ(bytes, packed);

  std::filesystem::create_directories(Path("Setup"));
  testsupport::WriteBytes(Path("Setup/setup.jpg"), "plain");
  ASSERT_TRUE(ReadSetupPicture(LauncherDir(), bytes));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "plain");

  // An empty plain file is no picture (and the archive is not asked).
  testsupport::WriteBytes(Path("Setup/setup.jpg"), "");
  EXPECT_FALSE(ReadSetupPicture(LauncherDir(), bytes));
}

TEST(SetupProgress, EndsAtHundredNotBefore) {
  struct Step {
    intptr_t report;
    int32_t position;
    bool finished;
  };
  const std::vector<Step> steps = {{-5, 0, false}, {0, 0, false}, {50, 50, false}, {99, 99, false},
                                   {100, 100, true}};
  CSetupProgress progress;
  EXPECT_FALSE(progress.HasReport());
  for (const Step& s : steps) {
    SCOPED_TRACE(s.report);
    progress.Report(s.report);
    EXPECT_EQ(progress.Position(), s.position);
    EXPECT_EQ(progress.Finished(), s.finished);
  }
  CSetupProgress over;
  over.Report(250);
  EXPECT_EQ(over.Position(), 100);
  EXPECT_TRUE(over.Complete());
}

TEST(SetupProgress, InstallerThatEndsEndsTheWait) {
  CSetupProgress progress;
  EXPECT_FALSE(progress.PollInstallerEnded());  // nothing followed
  pid_t pid = 0;
  char sh[] = "/bin/sh";
  char c[] = "-c";
  char cmd[] = "sleep 0.2";
  char* argv[] = {sh, c, cmd, nullptr};
  ASSERT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, nullptr), 0);
  progress.Follow(pid);
  progress.Report(30);
  EXPECT_FALSE(progress.PollInstallerEnded());
  for (int i = 0; i < 200 && !progress.PollInstallerEnded(); ++i) usleep(20000);
  EXPECT_TRUE(progress.InstallerEnded());
  EXPECT_TRUE(progress.Finished());
  EXPECT_FALSE(progress.Complete());
  EXPECT_EQ(progress.Position(), 30);
}

}  // namespace
