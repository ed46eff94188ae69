// The autorun menu's dialogs in this process (windows in memory): Start and
// Quit store the check box, Escape starts without storing it, Enter and
// closing do nothing; the buttons' pictures and tooltips follow the
// installation; the readme shows text (and says when the file is none); the
// upgrade page and the about box.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launchers/autorun/AutorunDialogs.h"
#include "launchers/autorun/AutorunLauncher.h"
#include "launchers/autorun/AutorunResources.h"
#include "launchers/common/KitApp.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/KitMessages.h"
#include "launchers/common/KitTestSupport.h"
#include "launchers/common/Resources.h"
#include "launchers/support/LauncherDisc.h"
#include "platform/MessageBox.h"
#include "platform/Registry.h"
#include "platform/VirtualKeyMap.h"
#include "platform/WindowQueue.h"
#include "launchers/support/LauncherDialogTest.h"
#include "support/TempDir.h"

namespace {

constexpr const char* kKey = "Software\\Pellam\\Ostrevan";

class MenuDialogTest : public launchertest::LauncherDialogTest {
 protected:
  MenuDialogTest() : LauncherDialogTest("menudlg") {}

  static void SetUpTestSuite() { StartKit("menudlg-rt"); }

  void SetUp() override {
    LauncherDialogTest::SetUp();
    RegisterAutorunResources();
    disc_ = Path("disc");
    std::filesystem::create_directories(disc_ + "/Bilder");
    WriteIni("1");
    for (const char* suffix : {"n", "h", "c"}) {
      const uint32_t colour = suffix[0] == 'n' ? 0x112233 : suffix[0] == 'h' ? 0x445566 : 0x778899;
      const auto bmp = kittest::MakeBmp24(180, 246, [colour](int32_t, int32_t) { return colour; });
      testsupport::WriteBytes(disc_ + "/Bilder/cover_" + suffix + ".bmp", std::string(bmp.begin(), bmp.end()));
    }
    const auto screen = kittest::MakeBmp24(640, 480, [](int32_t, int32_t) -> uint32_t { return 0x00A0B0; });
    testsupport::WriteBytes(disc_ + "/Bilder/upgrade.bmp", std::string(screen.begin(), screen.end()));
    for (const char* f : {"Setup.exe", "Katalog.pdf", "Bestell.txt"}) testsupport::WriteBytes(disc_ + "/" + f, "x");
    testsupport::WriteBytes(disc_ + "/Liesmich.txt", "Erste Zeile\nzweite Zeile\r\ndritte\n");
    setenv("OSTREVAN_SHELL_OPENER", launchertest::InstallerBin().c_str(), 1);
  }

  void TearDown() override {
    LauncherDialogTest::TearDown();
    unsetenv("OSTREVAN_SHELL_OPENER");
  }

  void WriteIni(const std::string& enable) {
    testsupport::WriteBytes(disc_ + "/autorun.ini",
                            "[Config]\nRegKey=Software\\Pellam\\Ostrevan\nRegEntry=InstallPath\nRun=haus.exe\n"
                            "Title=Ostrevan Haus\n[Files]\nSetup=Setup.exe\nCover=Bilder\\cover\n"
                            "Catalog=Katalog.pdf\nReadme=Liesmich.txt\n[Upgrade]\nEnable=" +
                                enable + "\nScreen=Bilder\\upgrade.bmp\nURL=http://shop.example\nForm=Bestell.txt\n");
  }

  CAutorunLauncher MakeLauncher() {
    CAutorunLauncher::Hooks hooks;
    hooks.showError = [this](const std::string& text) { messages_.push_back(text); };
    return CAutorunLauncher({launchertest::WindowsForm(disc_ + "/Tesselby.exe")}, "", hooks);
  }

  std::string StoredSplash() {
    std::string value = "<none>";
    platform::RegistryQueryString(platform::RegistryRoot::kLocalMachine, kKey, "DisableSplash", &value);
    return value;
  }

  std::vector<launchertest::StartRecord> OpenedAfter(size_t count) {
    for (int i = 0; i < 200; ++i) {
      auto r = launchertest::ReadRecords(Path("record.txt"));
      if (r.size() >= count) return r;
      usleep(20000);
    }
    return launchertest::ReadRecords(Path("record.txt"));
  }

  std::string disc_;
};

TEST_F(MenuDialogTest, StartQuitAndEscape) {
  struct Case {
    const char* name;
    bool check;
    std::function<void(CLauncherMenuDlg&)> act;
    int32_t result;
    std::string stored;
  };
  const std::vector<Case> cases = {
      {"start button", true, [](CLauncherMenuDlg& d) { d.SendMessage(kit::kMsgCommand, 1007, 0); }, 1, "1"},
      {"cover", false, [](CLauncherMenuDlg& d) { d.SendMessage(kit::kMsgCommand, 1008, 0); }, 1, "0"},
      {"quit", true, [](CLauncherMenuDlg& d) { d.SendMessage(kit::kMsgCommand, 1002, 0); }, 0, "1"},
      {"escape", true, [](CLauncherMenuDlg& d) { kittest::Key(d, platform::kKeyEscape); }, 2, "<none>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(Path("registry"));
    CAutorunLauncher launcher = MakeLauncher();
    ASSERT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
    CLauncherMenuDlg menu(launcher);
    ASSERT_TRUE(menu.Create());
    EXPECT_FALSE(menu.IsDlgButtonChecked(CLauncherMenuDlg::kCheckBox));
    menu.CheckDlgButton(CLauncherMenuDlg::kCheckBox, c.check ? 1 : 0);
    c.act(menu);
    ASSERT_TRUE(menu.IsEnded());
    EXPECT_EQ(menu.GetResult(), c.result);
    EXPECT_EQ(StoredSplash(), c.stored);
  }
}

TEST_F(MenuDialogTest, EnterAndClosingDoNothingAndTheBoxShowsTheStoredSwitch) {
  ASSERT_TRUE(platform::RegistrySetString(platform::RegistryRoot::kLocalMachine, kKey, "DisableSplash", "1"));
  CAutorunLauncher launcher = MakeLauncher();
  ASSERT_EQ(launcher.StartUp(), AutorunStart::kStartNow);
  CLauncherMenuDlg menu(launcher);
  ASSERT_TRUE(menu.Create());
  EXPECT_TRUE(menu.IsDlgButtonChecked(CLauncherMenuDlg::kCheckBox));
  kittest::Key(menu, platform::kKeyReturn);
  kittest::Key(menu, platform::kKeyF4, true);
  kit::PumpPending();
  EXPECT_FALSE(menu.IsEnded());
}

TEST_F(MenuDialogTest, ButtonsFollowTheInstallation) {
  CAutorunLauncher launcher = MakeLauncher();
  ASSERT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  ASSERT_FALSE(launcher.Installed());
  CLauncherMenuDlg menu(launcher);
  ASSERT_TRUE(menu.Create());
  // The start button of the first installation is 185 x 70, the cover its files.
  EXPECT_EQ(menu.Button(1007).Image(kit::CHoverButton::kNormal).GetHeight(), 70);
  EXPECT_EQ(menu.Button(1008).Image(kit::CHoverButton::kNormal).GetPixel(10, 10), 0x112233u);
  EXPECT_EQ(menu.Button(1008).Image(kit::CHoverButton::kHover).GetPixel(10, 10), 0x445566u);
  EXPECT_EQ(menu.Button(1008).Image(kit::CHoverButton::kPressed).GetPixel(10, 10), 0x778899u);
  EXPECT_TRUE(menu.Button(1011).IsCreated());  // Enable=1
  for (int32_t id : {1003, 1010, 1001, 1006, 1004, 1005, 1002, 1007, 1008}) {
    EXPECT_TRUE(menu.Button(id).IsCreated()) << id;
    EXPECT_TRUE(menu.Button(id).HasToolTip()) << id;
  }
}

TEST_F(MenuDialogTest, UpgradeSwitchedOffLeavesAPictureThatDoesNothing) {
  WriteIni("0");
  CAutorunLauncher launcher = MakeLauncher();
  ASSERT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  CLauncherMenuDlg menu(launcher);
  ASSERT_TRUE(menu.Create());
  EXPECT_FALSE(menu.Button(1011).IsCreated());
  menu.SendMessage(kit::kMsgCommand, 1011, 0);  // returns at once: no dialog runs
  EXPECT_FALSE(menu.IsEnded());
}

TEST_F(MenuDialogTest, CatalogueOpensItsDocument) {
  CAutorunLauncher launcher = MakeLauncher();
  ASSERT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  CLauncherMenuDlg menu(launcher);
  ASSERT_TRUE(menu.Create());
  menu.SendMessage(kit::kMsgCommand, 1004, 0);
  const auto records = OpenedAfter(1);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].args, (std::vector<std::string>{disc_ + "/Katalog.pdf"}));
}

TEST_F(MenuDialogTest, ReadmeShowsTextAndSaysWhenTheFileIsNone) {
  struct Case {
    std::string content;
    bool present;
    std::string shown;
  };
  const std::string path = launchertest::WindowsForm(disc_ + "/Liesmich.txt");
  const std::vector<Case> cases = {
      {"Erste Zeile\nzweite Zeile\r\ndritte\n", true, "Erste Zeile\r\nzweite Zeile\r\ndritte\r\n"},
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), true,
       "Die Datei " + path + " enth\xe4lt keinen lesbaren Text."},
      {"", false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shown);
    if (c.present) {
      testsupport::WriteBytes(disc_ + "/Liesmich.txt", c.content);
    } else {
      std::filesystem::remove(disc_ + "/Liesmich.txt");
    }
    CReadmeDlg readme(path, AutorunAddresses{});
    ASSERT_TRUE(readme.Create());
    EXPECT_EQ(readme.Edit().GetText(), c.shown);
    readme.SendMessage(kit::kMsgCommand, CReadmeDlg::kBack, 0);
    EXPECT_TRUE(readme.IsEnded());
    EXPECT_EQ(readme.GetResult(), 0);
  }
}

TEST_F(MenuDialogTest, UpgradePageShowsItsPictureAndOpensShopAndForm) {
  CAutorunLauncher launcher = MakeLauncher();
  ASSERT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  CUpgradeDlg upgrade(launcher.Settings(), AutorunAddresses{});
  ASSERT_TRUE(upgrade.Create());
  EXPECT_TRUE(upgrade.HasBackground());
  upgrade.SendMessage(kit::kMsgCommand, 1011, 0);
  upgrade.SendMessage(kit::kMsgCommand, 1012, 0);
  const auto records = OpenedAfter(2);
  ASSERT_EQ(records.size(), 2u);
  std::vector<std::string> opened = {records[0].args.at(0), records[1].args.at(0)};
  std::sort(opened.begin(), opened.end());
  EXPECT_EQ(opened, (std::vector<std::string>{disc_ + "/Bestell.txt", "http://shop.example"}));
  upgrade.SendMessage(kit::kMsgCommand, 1000, 0);
  EXPECT_TRUE(upgrade.IsEnded());
  EXPECT_EQ(upgrade.GetResult(), 0);
}

TEST_F(MenuDialogTest, AboutBox) {
  CAboutDlg about;
  ASSERT_TRUE(about.Create());
  EXPECT_EQ(about.GetText(), "Info \xfc" "ber Tesselby");
  about.SendMessage(kit::kMsgCommand, kit::kIdOk, 0);
  EXPECT_TRUE(about.IsEnded());
}

}  // namespace
