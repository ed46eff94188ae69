// The title's application object and its program ostrevan-haus: the start's
// failures with their messages (on stderr in UTF-8 where no display can show
// a box), the main window's place, the command line, and under Xvfb the
// start on a small disc up to its first frame and the tour in the main
// panel turning under a drag and walking through a door.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ShellTestSupport.h"
#include "engine/app/VApplication.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/RunningTitle.h"
#include "support/PpmFile.h"
#include "support/Subprocess.h"
#include "support/XvfbSession.h"
#include "title/shell/MuseumApplication.h"

namespace {

std::string ProgramPath() { return testsupport::TitleProgramPath(); }

// The program's output (stdout and stderr) and exit code, run in `folder`
// with SDL's dummy drivers (no display: boxes go to stderr).
std::string RunProgram(const std::string& folder, const std::string& env, const std::string& args, int& code) {
  const std::string out = testsupport::Capture(
      "cd '" + folder + "' && env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 " + env +
      " timeout 60 '" + ProgramPath() + "' " + args + " 2>&1; echo \"exit=$?\"");
  const size_t at = out.rfind("exit=");
  code = at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 5);
  return out.substr(0, at == std::string::npos ? out.size() : at);
}

// The programs started here keep their single-instance lock in a runtime
// folder of the test's own, so parallel tests never meet a running title.
class MuseumApplicationTest : public shelltest::ShellFixture {
 protected:
  void SetUp() override {
    ShellFixture::SetUp();
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR")) previousRuntime_ = runtime;
    std::filesystem::create_directories(Path("runtime"));
    setenv("XDG_RUNTIME_DIR", Path("runtime").c_str(), 1);
  }
  // The strip: 684 x 60, red on its left half, blue on its right, in the GUI
  // archive as picture 200 (the tool has the picture conversions).
  void AddStrip(const std::string& convert) {
    ASSERT_EQ(std::system(("'" + convert + "' -size 342x60 xc:'rgb(200,40,40)' -size 342x60 xc:'rgb(40,40,200)' " +
                           "+append BMP3:'" + Path("strip.bmp") + "'").c_str()),
              0);
    WriteFile("gui.txt", "50 -20 \"gui\"\n200 10 \"" + Path("strip.bmp") + "\" 2 0 0\n");
    ASSERT_TRUE(testsupport::RunsToSuccess({OSTREVAN_TOOL_BIN, "archive", "build", Path("gui.txt"),
                                            Path("Media/QV_GUI.msf")},
                                           {"ASAN_OPTIONS=detect_leaks=0"}, 60));
  }

  void TearDown() override {
    if (previousRuntime_) {
      setenv("XDG_RUNTIME_DIR", previousRuntime_->c_str(), 1);
    } else {
      unsetenv("XDG_RUNTIME_DIR");
    }
    ShellFixture::TearDown();
  }

 private:
  std::optional<std::string> previousRuntime_;
};

TEST_F(MuseumApplicationTest, MainWindowIsCentredInTheScreen) {
  const struct {
    VRect screen;
    VRect window;
  } cases[] = {
      {VRect(0, 0, 640, 480), VRect(0, 0, 640, 480)},
      {VRect(0, 0, 1024, 768), VRect(192, 144, 832, 624)},
      {VRect(0, 0, 641, 481), VRect(0, 0, 640, 480)},      // half a pixel rounds down
      {VRect(0, 0, 600, 400), VRect(-20, -40, 620, 440)},  // smaller screen
      {VRect(0, 0, 639, 479), VRect(-1, -1, 639, 479)},    // -1/2 rounds down too
      {VRect(100, 50, 1380, 1010), VRect(420, 290, 1060, 770)},
  };
  for (const auto& c : cases) {
    const VRect got = MuseumApplication::CenteredWindowRect(c.screen);
    EXPECT_EQ(got.left, c.window.left) << c.screen.right;
    EXPECT_EQ(got.top, c.window.top) << c.screen.bottom;
    EXPECT_EQ(got.right, c.window.right);
    EXPECT_EQ(got.bottom, c.window.bottom);
  }
}

// Each failure of the start shows its message (German, UTF-8 on stderr) and
// ends the program with 1, quickly; the complete disc starts.
TEST_F(MuseumApplicationTest, ProgramStartFailures) {
  BuildDisc();
  const struct {
    const char* name;
    std::string folder;
    std::string env;
    bool starts;
    std::string said;
  } cases[] = {
      {"DirectX missing", Path(""), "OSTREVAN_NO_DIRECTX=1", false,
       "DirectX wurde nicht (korrekt) installiert. Bitte starten Sie das Setup-Programm erneut."},
      {"no archives here", Path("CD"), "", false,
       "Die Dateien f\xC3\xBCr 'Das Ostrevan Haus' konnten nicht gefunden werden. Installieren Sie das Programm neu."},
      {"no CD-ROM", Path(""), "OSTREVAN_CD=" + Path("nowhere"), false,
       "Die CD-ROM 'Das Ostrevan Haus' konnte nicht gefunden werden. Legen Sie die CD-ROM in das Laufwerk ein und "
       "starten Sie neu."},
      {"complete disc", Path(""), "OSTREVAN_CD=CD", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int code = -1;
    const std::string out = RunProgram(c.folder, c.env, c.starts ? "--quit-after 0" : "", code);
    EXPECT_EQ(code, c.starts ? 0 : 1) << out;
    if (!c.said.empty()) {
      EXPECT_NE(out.find(c.said), std::string::npos) << out;
    }
  }
}

TEST_F(MuseumApplicationTest, CommandLine) {
  int code = -1;
  std::string out = RunProgram(Path(""), "", "--help", code);
  EXPECT_EQ(code, 0);
  for (const char* said : {"--log", "--quit-after", "OSTREVAN_CD", "OSTREVAN_WINDOWED", "OSTREVAN_NO_DIRECTX"}) {
    EXPECT_NE(out.find(said), std::string::npos) << said;
  }
  out = RunProgram(Path(""), "", "--bogus", code);
  EXPECT_EQ(code, 2);
  EXPECT_NE(out.find("unknown argument '--bogus'"), std::string::npos) << out;
  out = RunProgram(Path(""), "", "--quit-after soon", code);
  EXPECT_EQ(code, 2);
  out = RunProgram(Path(""), "", "--log", code);
  EXPECT_EQ(code, 2);
  out = RunProgram(Path(""), "", "--log " + Path("no/such/folder/log.txt"), code);
  EXPECT_EQ(code, 1);
  EXPECT_NE(out.find("cannot write the log"), std::string::npos) << out;
}

// The demo-tour options: one of them at a time, a file with the two that
// name one, and a tour to play that is there (playing never makes it).
TEST_F(MuseumApplicationTest, DemoTourOptions) {
  int code = -1;
  const std::string help = RunProgram(Path(""), "", "--help", code);
  for (const char* said : {"--record-demo FILE", "--play-demo FILE", "--demo-keys"}) {
    EXPECT_NE(help.find(said), std::string::npos) << said;
  }
  struct Case {
    std::string args;
    int code;
    const char* said;
  } cases[] = {
      {"--play-demo missing.mse", 1, "cannot read the demo tour 'missing.mse'"},
      {"--record-demo", 2, "needs a value"},
      {"--play-demo ''", 2, "needs a file"},
      {"--record-demo a.mse --play-demo b.mse", 2, "only one of"},
      {"--demo-keys --demo-keys", 2, "only one of"},
  };
  for (const Case& c : cases) {
    const std::string out = RunProgram(Path(""), "", c.args, code);
    EXPECT_EQ(code, c.code) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.said), std::string::npos) << c.args << "\n" << out;
  }
  EXPECT_FALSE(testsupport::FileExists(Path("missing.mse")));
  EXPECT_FALSE(testsupport::FileExists(Path("a.mse")));
}

// In the test process itself: the DirectX stand-in's failure shows the error
// box and the start goes no further (no archive is opened).
TEST_F(MuseumApplicationTest, DirectXFailureShowsTheErrorBox) {
  setenv("OSTREVAN_NO_DIRECTX", "1", 1);
  BuildDisc();
  {
    MuseumApplication app;
    EXPECT_FALSE(app.StartApplication());
  }
  unsetenv("OSTREVAN_NO_DIRECTX");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].icon, platform::MessageBoxIcon::kError);
  EXPECT_EQ(boxes_[0].text, "DirectX wurde nicht (korrekt) installiert. Bitte starten Sie das Setup-Programm erneut.");
  EXPECT_EQ(GetMuseumArchives().Get(ArchiveSlot::kGui), nullptr);
}

using testsupport::RunningTitle;
using testsupport::Shot;
using testsupport::WaitForText;

// Waits for the title's first frame and its window, then for the main
// panel's first script to uncover the tour (the strip's second-long switch,
// then the cover's half-second fade).
void WaitUntilTheTourShows(const RunningTitle& title) {
  ASSERT_TRUE(title.Started()) << "Xvfb did not start";
  ASSERT_TRUE(WaitForText(title.Log(), "first-frame-ms ", 30)) << testsupport::ReadBytes(title.Log());
  EXPECT_TRUE(title.Xdotool({"search", "--sync", "--name", "Das Ostrevan Haus"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
}

// The title on a small disc under Xvfb: it starts, its first frame reaches
// the window (the main panel's tour on a disc without bubbles: black), the
// start-up time is logged and the program ends cleanly.
TEST_F(MuseumApplicationTest, StartsOnASmallDiscUnderXvfb) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  REQUIRE_TOOL(convert, "convert");
  BuildDisc();
  AddStrip(convert);
  if (HasFatalFailure()) return;

  const RunningTitle title(xvfb, xdotool, import, Path(""), 4000);
  ASSERT_TRUE(title.Started()) << "Xvfb did not start";
  const std::string log = title.Log();
  ASSERT_TRUE(WaitForText(log, "first-frame-ms ", 30)) << testsupport::ReadBytes(log);
  EXPECT_TRUE(WaitForText(log, "resident-kb ", 5)) << testsupport::ReadBytes(log);
  EXPECT_TRUE(title.Xdotool({"search", "--sync", "--name", "Das Ostrevan Haus"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Shot shot;
  EXPECT_TRUE(title.Take("screen.ppm", shot));
  int status = 0;
  EXPECT_TRUE(testsupport::WaitFor(title.Child(), 30, &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_NE(testsupport::ReadBytes(log).find("exit 0"), std::string::npos) << testsupport::ReadBytes(log);

  ASSERT_EQ(shot.width, 640);
  EXPECT_TRUE(shot.Near(320, 200, {0, 0, 0}));
  // Above the strip's bar (which spans the window from y 427), at both ends.
  EXPECT_TRUE(shot.Near(10, 419, {0, 0, 0}));
  EXPECT_TRUE(shot.Near(639, 419, {0, 0, 0}));
}

// The tour in the main panel: on a disc whose start bubble has a panorama
// (green, with a red-to-blue band around it), the opening panel hands over
// to the main panel, whose first script uncovers the panorama, and holding
// the button with the pointer left of the middle turns the view: the
// picture changes.
TEST_F(MuseumApplicationTest, MainPanelShowsTheTourAndADragTurnsIt) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  REQUIRE_TOOL(convert, "convert");
  ASSERT_EQ(std::system(("'" + convert + "' -size 256x1024 gradient:'rgb(230,20,20)-rgb(20,20,230)' -rotate 90 " +
                         "-bordercolor 'rgb(30,160,30)' -border 0x128 -quality 95 '" + Path("pano.jpg") + "'")
                            .c_str()),
            0);
  WriteFile("bubble.txt", "BUBBLE { ID BU001 DEFAULTVIEWANGLE 0 0 }");
  BuildDisc("CD", {{1, shelltest::UniformTable(18400)}}, {"18400 40 \"" + Path("bubble.txt") + "\"", "18401 0 \"" + Path("pano.jpg") + "\""});
  AddStrip(convert);
  if (HasFatalFailure()) return;

  const RunningTitle title(xvfb, xdotool, import, Path(""), 30000);
  ASSERT_NO_FATAL_FAILURE(WaitUntilTheTourShows(title));
  Shot first;
  ASSERT_TRUE(title.Take("first.ppm", first));
  EXPECT_FALSE(first.Near(320, 200, {0, 0, 0})) << "the panorama shows, not the cover";
  const std::vector<int> middle = first.At(320, 200);
  EXPECT_GT(middle[0] + middle[2], 120) << "the band of the panorama in the middle";

  ASSERT_TRUE(title.MoveTo(320, 200));
  ASSERT_TRUE(title.Xdotool({"mousedown", "1"}));
  for (int x = 300; x >= 100; x -= 20) {
    ASSERT_TRUE(title.MoveTo(x, 200));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(800));
  EXPECT_TRUE(title.Xdotool({"mouseup", "1"}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Shot turned;
  ASSERT_TRUE(title.Take("turned.ppm", turned));
  EXPECT_FALSE(turned.Near(320, 200, {0, 0, 0}));
  EXPECT_GT(turned.RowDifference(first, 200), 640L * 60) << "the view has turned";
}

// A walk in the main panel's tour: the start bubble has a door (a hotspot in
// the middle of its view) to a yellow room; a click on it plays the walk and
// arrives in the second bubble, whose panorama then fills the view.
TEST_F(MuseumApplicationTest, MainPanelWalksThroughADoor) {
  REQUIRE_TOOL(xvfb, "Xvfb");
  REQUIRE_TOOL(xdotool, "xdotool");
  REQUIRE_TOOL(import, "import");
  REQUIRE_TOOL(convert, "convert");
  ASSERT_EQ(std::system(("'" + convert + "' -size 1024x512 xc:'rgb(40,40,200)' -quality 95 '" + Path("hall.jpg") +
                         "' && '" + convert + "' -size 1024x512 xc:'rgb(230,210,30)' -quality 95 '" +
                         Path("kitchen.jpg") + "'")
                            .c_str()),
            0);
  WriteFile("hall.txt",
            "BUBBLE { ID BU001 DEFAULTVIEWANGLE 0 0 HOTSPOTS { HOTSPOT { ID BU002 HITRECT -1.2 -0.8 1.2 0.8 INFO "
            "BT001 } } }");
  WriteFile("hall-door.txt", "In die Küche");
  WriteFile("kitchen.txt", "BUBBLE { ID BU002 DEFAULTVIEWANGLE 0 0 }");
  WriteFile("walk.txt",
            "BUBBLETRANSITION { ID BT001 STARTBUBBLE BU001 STARTANGLE 0 0 ENDBUBBLE BU002 ENDANGLE 0 0 "
            "SEQUENCE { } }");
  // Bubble 1 at 18400, bubble 2 at 18410; transition 1 at 18420.
  std::string bubbles = "0,18400,18410,";
  for (int i = 3; i < 1000; ++i) bubbles += "0,";
  std::string walks = "0,18420,";
  for (int i = 2; i < 1000; ++i) walks += "0,";
  BuildDisc("CD", {{1, bubbles}, {8, walks}},
            {"18400 40 \"" + Path("hall.txt") + "\"", "18401 0 \"" + Path("hall.jpg") + "\"",
             "18408 40 \"" + Path("hall-door.txt") + "\"", "18410 40 \"" + Path("kitchen.txt") + "\"",
             "18411 0 \"" + Path("kitchen.jpg") + "\"", "18420 40 \"" + Path("walk.txt") + "\""});
  AddStrip(convert);
  if (HasFatalFailure()) return;

  const RunningTitle title(xvfb, xdotool, import, Path(""), 30000);
  ASSERT_NO_FATAL_FAILURE(WaitUntilTheTourShows(title));
  Shot hall;
  ASSERT_TRUE(title.Take("hall.ppm", hall));
  EXPECT_TRUE(hall.Near(100, 100, {40, 40, 200}));

  ASSERT_TRUE(title.MoveTo(322, 212));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(title.Xdotool({"click", "1"}));
  Shot kitchen;
  bool arrived = false;
  for (int i = 0; i < 40 && !arrived; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    arrived = title.Take("kitchen.ppm", kitchen) && kitchen.Near(100, 100, {230, 210, 30});
  }
  EXPECT_TRUE(arrived) << "the walk ends in the yellow room";
}

// The launchers' sample disc made with a title disc installs the real
// program: Tesselby starts installed/OstrevanHaus.exe in its folder, and
// with the launcher disc as its CD-ROM it starts there.
TEST_F(MuseumApplicationTest, LauncherDiscInstallsTheTitle) {
  REQUIRE_TOOL(convert, "convert");
  REQUIRE_TOOL(python, "python3");
  BuildDisc("title/CD");
  std::filesystem::create_directories(Path("title/Media"));
  std::filesystem::rename(Path("Media/QV_GUI.msf"), Path("title/Media/QV_GUI.msf"));
  const std::string disc = Path("launcher-disc");
  ASSERT_EQ(testsupport::Capture("bash '" + testsupport::SourceDir() + "/content/launchers/make-disc.sh' '" + disc +
                                 "' '" + testsupport::BuildDir() + "' '" + Path("title") + "' >/dev/null 2>&1; echo $?"),
            "0\n");
  EXPECT_EQ(testsupport::ReadBytes(disc + "/installed/OstrevanHaus.exe"), testsupport::ReadBytes(ProgramPath()));
  EXPECT_EQ(testsupport::ReadBytes(disc + "/installed/Media/QV_GUI.msf"),
            testsupport::ReadBytes(Path("title/Media/QV_GUI.msf")));
  for (const char* name : {"QV_extra.msf", "QV_DE.msf", "QV_DE_VI.msf"}) {
    EXPECT_EQ(testsupport::ReadBytes(disc + "/Media/" + name), testsupport::ReadBytes(Path("title/CD/Media/") + name))
        << name;
  }
  const std::string out = testsupport::Capture(
      "cd '" + disc + "/installed' && env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0 " +
      "OSTREVAN_CD='" + disc + "' timeout 60 ./OstrevanHaus.exe --quit-after 0 2>&1; echo \"exit=$?\"");
  EXPECT_NE(out.find("exit=0"), std::string::npos) << out;
}

}  // namespace
