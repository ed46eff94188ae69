// The setup launcher's dialogs in this process (windows in memory): the
// installer started by Express and Custom with its arguments and working
// folder, progress that arrives through the window directory, the end at 100
// and not at 99, a report that comes before the progress dialog exists, an
// installer that dies early, a missing picture and a failed start.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "launchers/common/KitApp.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/KitMessages.h"
#include "launchers/common/KitTestSupport.h"
#include "launchers/common/ProgressCtrl.h"
#include "launchers/common/Rar20TestEncoder.h"
#include "launchers/common/Resources.h"
#include "launchers/setup/InstallerStart.h"
#include "launchers/setup/SetupDialogs.h"
#include "launchers/setup/SetupResources.h"
#include "launchers/support/LauncherDisc.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/WindowQueue.h"
#include "launchers/support/LauncherDialogTest.h"
#include "support/TempDir.h"

namespace {

class SetupDialogTest : public launchertest::LauncherDialogTest {
 protected:
  SetupDialogTest() : LauncherDialogTest("setupdlg") {}

  // The window directory of this process and its installers alone: other
  // tests' "Pellam Setup" windows must not take the reports.
  static void SetUpTestSuite() { StartKit("setupdlg-rt"); }

  void SetUp() override {
    LauncherDialogTest::SetUp();
    RegisterSetupResources();
    disc_ = Path("disc");
    std::filesystem::create_directories(disc_ + "/Setup");
    ASSERT_TRUE(launchertest::CopyProgram(launchertest::InstallerBin(), disc_ + "/Setup/install.exe"));
    picture_ = kittest::MakeBmp24(40, 30, [](int32_t x, int32_t) -> uint32_t { return x < 20 ? 0xFF0000 : 0x0000FF; });
    testsupport::WriteBytes(disc_ + "/Setup/setup.jpg", std::string(picture_.begin(), picture_.end()));
    WriteResponse("normal", 20);
    session_.launcherDir = launchertest::WindowsForm(disc_) + "\\";
    unsetenv("OSTREVAN_TEST_INSTALLER_MODE");
  }

  void WriteResponse(const std::string& mode, int delay) {
    testsupport::WriteBytes(disc_ + "/Setup/setup.iss",
                            "[Install]\nRegKey=Software\\Pellam\\Ostrevan\nRegEntry=InstallPath\nValue=D:\\Ostrevan\n"
                            "[Test]\nMode=" + mode + "\nDelay=" + std::to_string(delay) + "\n");
  }

  // Runs messages until the condition holds or the seconds pass.
  static bool PumpUntil(const std::function<bool()>& done, int seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      kit::PumpFor(20);
    }
    return true;
  }

  std::vector<launchertest::StartRecord> Records() { return launchertest::ReadRecords(Path("record.txt")); }

  // Chooses in a new setup-type dialog and presses Continue; its result.
  int32_t Choose(bool express, CSetupTypeDlg& dialog) {
    EXPECT_TRUE(dialog.Create());
    if (dialog.IsEnded()) return dialog.GetResult();
    dialog.CheckDlgButton(CSetupTypeDlg::kExpress, express ? 1 : 0);
    dialog.CheckDlgButton(CSetupTypeDlg::kCustom, express ? 0 : 1);
    dialog.SendMessage(kit::kMsgCommand, CSetupTypeDlg::kContinue, 0);
    EXPECT_TRUE(dialog.IsEnded());
    return dialog.GetResult();
  }

  std::string disc_;
  std::vector<uint8_t> picture_;
  SetupSession session_;
};

TEST_F(SetupDialogTest, ExpressRunsTheInstallerSilentlyAndFollowsItToTheEnd) {
  CSetupTypeDlg type(session_);
  EXPECT_TRUE(type.Create());
  EXPECT_TRUE(type.PictureLoaded());
  EXPECT_TRUE(type.IsDlgButtonChecked(CSetupTypeDlg::kExpress));
  type.SendMessage(kit::kMsgCommand, CSetupTypeDlg::kContinue, 0);
  ASSERT_TRUE(type.IsEnded());
  EXPECT_EQ(type.GetResult(), 0);

  CInstallProgressDlg progress(session_);
  ASSERT_TRUE(progress.Create());
  type.DestroyWindow();
  EXPECT_FALSE(progress.IsEnded());
  ASSERT_TRUE(PumpUntil([&] { return progress.IsEnded(); }, 60));
  EXPECT_EQ(progress.GetResult(), 0);
  EXPECT_TRUE(session_.progress.Complete());
  EXPECT_EQ(session_.progress.Position(), 100);
  std::string value;
  ASSERT_TRUE(platform::RegistryQueryString(platform::RegistryRoot::kLocalMachine, "Software\\Pellam\\Ostrevan",
                                            "InstallPath", &value));
  EXPECT_EQ(value, "D:\\Ostrevan");

  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].cwd, disc_);
  EXPECT_EQ(records[0].args,
            (std::vector<std::string>{"/s", "/f1" + session_.launcherDir + "setup\\setup.iss"}));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(SetupDialogTest, ProgressEndsAtHundredNotAtNinetyNine) {
  CInstallProgressDlg progress(session_);
  ASSERT_TRUE(progress.Create());
  for (intptr_t p : {0, 40, 99}) {
    progress.SendMessage(kSetupProgressMessage, static_cast<uintptr_t>(p), 0);
    EXPECT_FALSE(progress.IsEnded()) << p;
  }
  auto* bar = dynamic_cast<kit::CProgressCtrl*>(progress.GetDlgItem(CInstallProgressDlg::kProgressBar));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->GetPos(), 99);
  progress.SendMessage(kSetupProgressMessage, 100, 0);
  EXPECT_TRUE(progress.IsEnded());
  EXPECT_EQ(bar->GetPos(), 100);
}

TEST_F(SetupDialogTest, HundredBeforeTheProgressDialogExistsIsKept) {
  WriteResponse("instant", 0);
  CSetupTypeDlg type(session_);
  ASSERT_EQ(Choose(true, type), 0);
  // The report reaches the setup-type dialog, still there.
  ASSERT_TRUE(PumpUntil([&] { return session_.progress.HasReport(); }, 30));
  CInstallProgressDlg progress(session_);
  ASSERT_TRUE(progress.Create());
  EXPECT_TRUE(progress.IsEnded());
  EXPECT_EQ(progress.GetResult(), 0);
}

TEST_F(SetupDialogTest, InstallerThatDiesEarlyEndsTheProgressDialog) {
  for (const char* mode : {"die-early", "silent"}) {
    SCOPED_TRACE(mode);
    WriteResponse(mode, 20);
    SetupSession session;
    session.launcherDir = session_.launcherDir;
    CSetupTypeDlg type(session);
    ASSERT_EQ(Choose(true, type), 0);
    CInstallProgressDlg progress(session);
    ASSERT_TRUE(progress.Create());
    type.DestroyWindow();
    ASSERT_TRUE(PumpUntil([&] { return progress.IsEnded(); }, 60));
    EXPECT_FALSE(session.progress.Complete());
    EXPECT_TRUE(session.progress.InstallerEnded());
    EXPECT_LT(session.progress.Position(), 100);
  }
}

TEST_F(SetupDialogTest, CustomStartsTheInstallerWithoutSilentAndEnds) {
  WriteResponse("silent", 0);
  CSetupTypeDlg type(session_);
  EXPECT_EQ(Choose(false, type), 2);
  for (int i = 0; i < 200 && Records().empty(); ++i) usleep(20000);
  const auto records = Records();
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].args, (std::vector<std::string>{"/f1" + session_.launcherDir + "setup\\setup.iss"}));
  EXPECT_EQ(records[0].cwd, disc_);
}

TEST_F(SetupDialogTest, MissingPictureSaysSoAndStartsNothing) {
  std::filesystem::remove(disc_ + "/Setup/setup.jpg");
  CSetupTypeDlg type(session_);
  type.Create();
  EXPECT_TRUE(type.IsEnded());
  EXPECT_EQ(type.GetResult(), -1);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "F E H L E R|Setup\\Setup.jpg konnte nicht ge\xf6" "ffnet werden !?");

  CInstallProgressDlg progress(session_);
  progress.Create();
  EXPECT_EQ(progress.GetResult(), -1);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1], "F E H L E R|Setup.jpg konnte nicht ge\xf6" "ffnet werden !?");
  EXPECT_TRUE(Records().empty());
}

TEST_F(SetupDialogTest, FailedStartSaysSo) {
  std::filesystem::remove(disc_ + "/Setup/install.exe");
  CSetupTypeDlg type(session_);
  EXPECT_EQ(Choose(true, type), 2);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "F E H L E R|Installationsroutine konnte nicht gestartet werden!");
}

TEST_F(SetupDialogTest, PictureFromTheLauncherArchiveWhenThePlainFileIsAbsent) {
  std::filesystem::remove(disc_ + "/Setup/setup.jpg");
  rartest::EncodeMember member;
  member.name = "setup.jpg";
  member.data = picture_;
  const std::vector<uint8_t> archive = rartest::BuildRarArchive({member}, false);
  testsupport::WriteBytes(disc_ + "/Setup.kvt", std::string(archive.begin(), archive.end()));
  kit::CDibImage picture;
  ASSERT_TRUE(LoadSetupPicture(session_.launcherDir, picture));
  EXPECT_EQ(picture.GetWidth(), 40);
  EXPECT_EQ(picture.GetPixel(5, 5), 0xFF0000u);
  EXPECT_EQ(picture.GetPixel(30, 5), 0x0000FFu);
  CSetupTypeDlg type(session_);
  EXPECT_TRUE(type.Create());
  EXPECT_TRUE(type.PictureLoaded());
  EXPECT_FALSE(type.IsEnded());
}

}  // namespace
