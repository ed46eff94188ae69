// The autorun menu's start-up without windows: settings read from a disc
// folder, each failed check and its message, the installed program found
// through the registry, the splash switch and QuickTime's settings.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "launchers/autorun/AutorunLauncher.h"
#include "launchers/common/Registry.h"
#include "platform/CommandLine.h"
#include "platform/ProfileFile.h"
#include "platform/Registry.h"
#include "platform/WindowsFolder.h"
#include "support/TempDir.h"

namespace {

using platform::RegistryRoot;

constexpr const char* kKey = "Software\\Pellam\\Ostrevan";

// An environment variable set for one test and put back afterwards.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (had_) {
      setenv(name_, old_.c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

class AutorunLauncherTest : public testsupport::TempDirTest {
 protected:
  AutorunLauncherTest()
      : TempDirTest("autorun"),
        registry_(platform::kRegistryFileVariable, Path("registry")),
        windows_(platform::kWindowsFolderVariable, Path("windows")) {}

  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::create_directories(Path("disc/Bilder"));
    std::filesystem::create_directories(Path("windows"));
    std::filesystem::create_directories(Path("installed"));
    WriteIni(
        "[Config]\nRegKey=Software\\Pellam\\Ostrevan\nRegEntry=Path ; where the title lies\nRegParam=Params\n"
        "Run=haus.exe\nRunParam=\nTitle=Ostrevan Haus\n"
        "[Files]\nSetup=PellamSetup.exe\nCover=Bilder\\cover\nCatalog=katalog.pdf\nReadme=liesmich.txt\n"
        "[Setup]\nQTOptimize=Hardware\n"
        "[Upgrade]\nEnable=1\nScreen=Bilder\\upgrade.bmp\nURL=http://shop.example\nForm=bestell.pdf\n");
    for (const char* f : {"PellamSetup.exe", "Bilder/cover_n.bmp", "Bilder/cover_h.bmp", "Bilder/cover_c.bmp",
                          "katalog.pdf", "liesmich.txt"}) {
      testsupport::WriteBytes(Path(std::string("disc/") + f), "x");
    }
  }

  void WriteIni(const std::string& text) { testsupport::WriteBytes(Path("disc/autorun.ini"), text); }
  std::string Win(const std::string& hostPath) const { return platform::WindowsFormPath(hostPath); }

  CAutorunLauncher Make(std::vector<std::string> extraArgs = {}, bool windowExists = false) {
    std::vector<std::string> args = {Win(Path("disc/tesselby.exe"))};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    CAutorunLauncher::Hooks hooks;
    hooks.showError = [this](const std::string& text) { errors_.push_back(text); };
    hooks.windowExists = [this, windowExists](const std::string& title) {
      asked_ = title;
      return windowExists;
    };
    return CAutorunLauncher(args, Win(Path("windows")), hooks);
  }

  void SetRegistry(const std::string& name, const std::string& value) {
    ASSERT_TRUE(platform::RegistrySetString(RegistryRoot::kLocalMachine, kKey, name, value));
  }

  ScopedEnv registry_;
  ScopedEnv windows_;
  std::vector<std::string> errors_;
  std::string asked_;
};

TEST_F(AutorunLauncherTest, SettingsCutAtCommentsAndTabsAndPathsJoinTheFolder) {
  WriteIni(
      "[Config]\nRegKey=Software\\Pellam\\Ostrevan\nRegEntry=Path ; comment\nRegParam=;starts with a semicolon\n"
      "Run=haus.exe\tafter a tab\nTitle=  Ostrevan Haus  \n[Files]\nSetup=\nCover=Bilder\\cover\n");
  CAutorunLauncher launcher = Make();
  ASSERT_TRUE(launcher.ReadConfig());
  const AutorunSettings& s = launcher.Settings();
  const std::string dir = Win(Path("disc")) + "\\";
  EXPECT_EQ(launcher.LauncherDir(), dir);
  EXPECT_EQ(s.RegEntry, "Path");
  EXPECT_EQ(s.RegParam, ";starts with a semicolon");
  EXPECT_EQ(s.Run, "haus.exe");
  EXPECT_EQ(s.Title, "Ostrevan Haus");
  EXPECT_EQ(s.Cover, dir + "Bilder\\cover");
  EXPECT_EQ(s.Setup, dir);  // an empty path value is the folder itself
  EXPECT_EQ(s.Catalog, dir);
  EXPECT_TRUE(s.QTOptimize.empty());
}

TEST_F(AutorunLauncherTest, LongValuesAreReadWhole) {
  const std::string longName = std::string(200, 'a') + ".pdf";
  WriteIni("[Files]\nCatalog=" + longName + "\n");
  CAutorunLauncher launcher = Make();
  ASSERT_TRUE(launcher.ReadConfig());
  EXPECT_EQ(launcher.Settings().Catalog, launcher.LauncherDir() + longName);
}

TEST_F(AutorunLauncherTest, EachFailedCheckGivesItsMessage) {
  const std::string dir = Win(Path("disc")) + "\\";
  struct Case {
    const char* remove;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"autorun.ini", dir + "autorun.ini konnte nicht gefunden werden!?"},
      {"PellamSetup.exe", "Installationsprogramm " + dir + "PellamSetup.exe konnte nicht gefunden werden !?"},
      {"Bilder/cover_h.bmp", "Eines der Bilder\n\n" + dir + "Bilder\\cover_n.bmp\n" + dir +
                                 "Bilder\\cover_h.bmp\n\nund/oder\n\n" + dir +
                                 "Bilder\\cover_c.bmp\n\nkonnte nicht gefunden werden !?"},
      {"katalog.pdf", "Der Katalog " + dir + "katalog.pdf konnte nicht gefunden werden !?"},
      {"liesmich.txt", "Die Textdatei " + dir + "liesmich.txt konnte nicht gefunden werden !?"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.remove);
    SetUp();
    errors_.clear();
    std::filesystem::remove(Path(std::string("disc/") + c.remove));
    CAutorunLauncher launcher = Make();
    EXPECT_EQ(launcher.StartUp(), AutorunStart::kFailed);
    ASSERT_EQ(errors_.size(), 1u);
    EXPECT_EQ(errors_[0], c.message);
  }
}

TEST_F(AutorunLauncherTest, MissingSetupIsNoFailureOnceInstalled) {
  testsupport::WriteBytes(Path("installed/haus.exe"), "x");
  SetRegistry("Path", Win(Path("installed/haus.exe")));
  std::filesystem::remove(Path("disc/PellamSetup.exe"));
  CAutorunLauncher launcher = Make();
  EXPECT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  EXPECT_TRUE(launcher.Installed());
  EXPECT_TRUE(errors_.empty());
}

TEST_F(AutorunLauncherTest, RunningTitleEndsSilently) {
  std::filesystem::remove(Path("disc/katalog.pdf"));  // would fail later
  CAutorunLauncher launcher = Make({}, true);
  EXPECT_EQ(launcher.StartUp(), AutorunStart::kAlreadyRunning);
  EXPECT_EQ(asked_, "Ostrevan Haus");
  EXPECT_TRUE(errors_.empty());
}

TEST_F(AutorunLauncherTest, InstalledProgramFromTheRegistry) {
  testsupport::WriteBytes(Path("installed/haus.exe"), "x");
  const std::string folder = Win(Path("installed"));
  struct Case {
    std::string value;
    bool installed;
    std::string programPath;
  };
  const std::vector<Case> cases = {
      {Win(Path("installed/haus.exe")), true, folder + "\\haus.exe"},
      {"  \"" + folder + "\"  ", true, folder + "\\haus.exe"},  // quoted folder: the program is appended
      {"\"" + folder + "\\\"", true, folder + "\\haus.exe"},
      {"\"" + folder + "\\other.exe\"", false, folder + "\\other.exe\\haus.exe"},
      {"", false, "haus.exe"},
      {std::string(5000, 'x'), false, std::string(5000, 'x') + "\\haus.exe"},  // over-long: not installed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.substr(0, 80));
    SetRegistry("Path", c.value);
    CAutorunLauncher launcher = Make();
    ASSERT_TRUE(launcher.ReadConfig());
    std::string path;
    EXPECT_EQ(launcher.IsProgramInstalled(path), c.installed);
    EXPECT_EQ(path, c.programPath);
  }
}

TEST_F(AutorunLauncherTest, MissingKeyOrEntryIsNotInstalled) {
  WriteIni("[Config]\nRegEntry=Path\nRun=haus.exe\n");
  CAutorunLauncher launcher = Make();
  ASSERT_TRUE(launcher.ReadConfig());
  std::string path;
  EXPECT_FALSE(launcher.IsProgramInstalled(path));
  SetUp();
  CAutorunLauncher other = Make();
  ASSERT_TRUE(other.ReadConfig());
  EXPECT_FALSE(other.IsProgramInstalled(path));  // the key exists, the value does not
}

TEST_F(AutorunLauncherTest, ParameterOfTheSettingsWinsOverTheRegistry) {
  testsupport::WriteBytes(Path("installed/haus.exe"), "x");
  SetRegistry("Path", Win(Path("installed")));
  SetRegistry("PARAMS", "/registry");
  {
    CAutorunLauncher launcher = Make();
    ASSERT_TRUE(launcher.ReadConfig());
    std::string path;
    ASSERT_TRUE(launcher.IsProgramInstalled(path));
    EXPECT_EQ(launcher.Settings().RunParam, "/registry");
  }
  WriteIni(
      "[Config]\nRegKey=Software\\Pellam\\Ostrevan\nRegEntry=Path\nRegParam=Params\nRun=haus.exe\n"
      "RunParam=/ini\n");
  CAutorunLauncher launcher = Make();
  ASSERT_TRUE(launcher.ReadConfig());
  std::string path;
  ASSERT_TRUE(launcher.IsProgramInstalled(path));
  EXPECT_EQ(launcher.Settings().RunParam, "/ini");
}

TEST_F(AutorunLauncherTest, SplashSwitchSkipsTheMenuUnlessForced) {
  struct Case {
    std::string stored;
    std::vector<std::string> args;
    AutorunStart expected;
  };
  const std::vector<Case> cases = {
      {"1", {}, AutorunStart::kStartNow},
      {"1", {"/force"}, AutorunStart::kShowMenu},
      {"1", {"/FoRcE"}, AutorunStart::kShowMenu},
      {"1", {"/other"}, AutorunStart::kStartNow},
      {"0", {}, AutorunStart::kShowMenu},
      {"yes", {}, AutorunStart::kShowMenu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored + (c.args.empty() ? "" : " " + c.args[0]));
    SetRegistry("DisableSplash", c.stored);
    CAutorunLauncher launcher = Make(c.args);
    EXPECT_EQ(launcher.StartUp(), c.expected);
  }
}

TEST_F(AutorunLauncherTest, SplashSwitchIsStored) {
  CAutorunLauncher launcher = Make();
  ASSERT_TRUE(launcher.ReadConfig());
  EXPECT_FALSE(launcher.DisableSplash());
  launcher.SaveDisableSplash(true);
  std::string value;
  ASSERT_TRUE(platform::RegistryQueryString(RegistryRoot::kLocalMachine, kKey, "DisableSplash", &value));
  EXPECT_EQ(value, "1");
  CAutorunLauncher next = Make();
  ASSERT_TRUE(next.ReadConfig());
  EXPECT_TRUE(next.DisableSplash());
  next.SaveDisableSplash(false);
  ASSERT_TRUE(platform::RegistryQueryString(RegistryRoot::kLocalMachine, kKey, "DisableSplash", &value));
  EXPECT_EQ(value, "0");
}

TEST_F(AutorunLauncherTest, QuickTimeSettingGoesToTheWindowsFolder) {
  testsupport::WriteBytes(Path("windows/qtw.ini"), "[Other]\nKeep=1\n");
  CAutorunLauncher launcher = Make();
  EXPECT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  EXPECT_EQ(platform::GetPrivateProfileString("Video", "Optimize", "", 100, Path("windows/qtw.ini")), "Hardware");
  EXPECT_EQ(platform::GetPrivateProfileString("Other", "Keep", "", 100, Path("windows/qtw.ini")), "1");
}

TEST_F(AutorunLauncherTest, NoQuickTimeSettingWritesNothing) {
  WriteIni(
      "[Config]\nRegKey=Software\\Pellam\\Ostrevan\n[Files]\nSetup=PellamSetup.exe\nCover=Bilder\\cover\n"
      "Catalog=katalog.pdf\nReadme=liesmich.txt\n");
  CAutorunLauncher launcher = Make();
  EXPECT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  EXPECT_FALSE(std::filesystem::exists(Path("windows/qtw.ini")));
}

TEST_F(AutorunLauncherTest, MissingSetupAtStartIsSaid) {
  CAutorunLauncher launcher = Make();
  ASSERT_EQ(launcher.StartUp(), AutorunStart::kShowMenu);
  std::filesystem::remove(Path("disc/PellamSetup.exe"));
  EXPECT_FALSE(launcher.StartSetup());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0], "Das Installationsprogramm " + launcher.Settings().Setup + " konnte nicht gefunden werden?");
}

}  // namespace
