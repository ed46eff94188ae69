// The dialog kit on a real X server (Xvfb) driven by xdotool: what the
// screen shows equals the reviewed pictures, radio buttons, Enter, Escape
// and a message box answer real input, picture buttons show their three
// states and post their command, the tooltip comes after half a second and
// flips at the screen's edges, and the readme's edit scrolls (bar, keys, wheel).
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "launchers/common/ColorEdit.h"
#include "launchers/common/HoverButton.h"
#include "launchers/common/KitApp.h"
#include "launchers/common/Dialog.h"
#include "launchers/common/KitLoop.h"
#include "launchers/common/MessageBox.h"
#include "launchers/common/LauncherDialogs.h"
#include "launchers/common/KitTestSupport.h"
#include "platform/Clock.h"
#include "support/BuildPaths.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "support/XvfbSession.h"

namespace {

using testsupport::FileExists;

std::string Self() {
  std::string self(4096, '\0');
  self.resize(static_cast<size_t>(readlink("/proc/self/exe", self.data(), self.size() - 1)));
  return self;
}

// The parent's side: one X server, the child process running a scenario,
// and the lines the child writes.
class XvfbScenario {
 public:
  XvfbScenario(const std::string& xvfb, const std::string& xdotool, const std::string& screen,
               const std::string& scenario)
      : server_(xvfb, screen), xdotool_(xdotool), dir_("ostrevan-kitx-") {
    if (!server_.Started()) return;
    child_ = testsupport::Spawn({Self(), "--gtest_filter=ChildProcessKitXvfb.Scenario"},
                                {"DISPLAY=" + server_.Display(), "SDL_VIDEODRIVER=x11", "ASAN_OPTIONS=detect_leaks=0",
                                 "OSTREVAN_KIT_SCENARIO=" + scenario, "OSTREVAN_KIT_RESULTS=" + dir_.Path("results")});
  }
  ~XvfbScenario() {
    if (child_ > 0) {
      int status = 0;
      if (!testsupport::WaitFor(child_, 5, &status)) {
        kill(child_, SIGKILL);
        testsupport::WaitFor(child_, 5, &status);
      }
    }
  }
  bool Started() const { return server_.Started() && child_ > 0; }
  const std::string& Display() const { return server_.Display(); }
  std::string Results() const { return testsupport::ReadBytes(dir_.Path("results")); }

  // Waits for a line that starts with the prefix and was not taken by an
  // earlier wait; the rest of the line, or "" when it does not come.
  std::string WaitLine(const std::string& prefix, int seconds = 15) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      std::istringstream in(Results());
      std::string line;
      for (size_t index = 0; std::getline(in, line); ++index) {
        if (used_.count(index) != 0 || line.rfind(prefix, 0) != 0) continue;
        used_.insert(index);
        return line.substr(prefix.size()) + " ";
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::string();
  }

  bool Xdo(std::vector<std::string> args) { return testsupport::RunXdotool(xdotool_, Display(), std::move(args)); }
  bool MoveTo(int x, int y) { return Xdo({"mousemove", std::to_string(x), std::to_string(y)}); }
  bool Key(const std::string& key) { return Xdo({"key", key}); }

  // The screen's pixels as PPM (ImageMagick's import of the root window).
  std::string Screenshot(const std::string& name) {
    const std::string path = dir_.Path(name + ".ppm");
    testsupport::Capture("DISPLAY=" + Display() + " import -window root '" + path + "' 2>/dev/null");
    if (const char* dump = std::getenv("OSTREVAN_KIT_DUMP")) {
      testsupport::Capture("convert '" + path + "' '" + std::string(dump) + "/xvfb_" + name + ".png'");
    }
    return path;
  }
  // The colour of a screen pixel (0x00RRGGBB) in a screenshot.
  static uint32_t PixelAt(const std::string& ppm, int x, int y) {
    const std::string text =
        testsupport::Capture("convert '" + ppm + "' -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                             " -depth 8 txt:- 2>/dev/null | tail -1");
    const size_t hash = text.find('#');
    if (hash == std::string::npos) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(std::strtoul(text.substr(hash + 1, 6).c_str(), nullptr, 16));
  }
  // Differing pixels between a part of a screenshot and a reviewed picture.
  static std::string CompareCrop(const std::string& ppm, int x, int y, int w, int h, const std::string& golden) {
    return testsupport::Capture("convert '" + ppm + "' -crop " + std::to_string(w) + "x" + std::to_string(h) + "+" +
                                std::to_string(x) + "+" + std::to_string(y) + " +repage ppm:- | compare -metric AE '" +
                                golden + "' - null: 2>&1");
  }

  int Wait() {
    int status = 0;
    if (!testsupport::WaitFor(child_, 20, &status)) return -1;
    child_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  testsupport::XvfbSession server_;
  std::string xdotool_;
  testsupport::TempDir dir_;
  pid_t child_ = -1;
  std::set<size_t> used_;
};

std::vector<int> Numbers(const std::string& text) {
  std::istringstream in(text);
  std::vector<int> out;
  int v = 0;
  while (in >> v) out.push_back(v);
  return out;
}

#define REQUIRE_XVFB_TOOLS()                \
  REQUIRE_TOOL(xvfb, "Xvfb");               \
  REQUIRE_TOOL(xdotool, "xdotool");         \
  REQUIRE_TOOL(importTool, "import");       \
  REQUIRE_TOOL(compareTool, "compare")

TEST(KitXvfb, SetupDialogRadioEnterEscapeAndMessageBox) {
  REQUIRE_XVFB_TOOLS();
  XvfbScenario s(xvfb, xdotool, "800x600x24", "setup");
  ASSERT_TRUE(s.Started());
  // shown: window left, top, client origin x, y
  const std::vector<int> at = Numbers(s.WaitLine("shown setup"));
  ASSERT_EQ(at.size(), 4u);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const std::string shot = s.Screenshot("setup");
  // The client area as the reviewed drawing shows it.
  EXPECT_EQ(XvfbScenario::CompareCrop(shot, at[0], at[1], 435, 344,
                                      testsupport::SourceDir() + "/tests/data/kit/setup_type.png"),
            "0");

  // Custom setup: a click on its radio button (114 + 6, 112 + 5 units).
  const int clientX = at[0] + at[2];
  const int clientY = at[1] + at[3];
  ASSERT_TRUE(s.MoveTo(clientX + 180, clientY + 190));
  ASSERT_TRUE(s.Xdo({"click", "1"}));
  EXPECT_EQ(s.WaitLine("command "), "1001 ");
  ASSERT_TRUE(s.Xdo({"search", "--name", "^Pellam Setup$", "windowfocus", "--sync"}));
  ASSERT_TRUE(s.Key("Return"));
  EXPECT_EQ(s.WaitLine("command "), "1002 ");
  EXPECT_EQ(s.WaitLine("result "), "2 ");  // custom setup

  // A second run of the dialog: Escape cancels it.
  ASSERT_FALSE(s.WaitLine("shown setup").empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(s.Xdo({"search", "--name", "^Pellam Setup$", "windowfocus", "--sync"}));
  ASSERT_TRUE(s.Key("Escape"));
  EXPECT_EQ(s.WaitLine("command "), "2 ");
  EXPECT_EQ(s.WaitLine("result "), "2 ");

  // The error box: shown with its caption, closed with Enter.
  ASSERT_FALSE(s.WaitLine("messagebox shown").empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  s.Screenshot("messagebox");
  ASSERT_TRUE(s.Xdo({"search", "--name", "^F E H L E R$", "windowfocus", "--sync"}));
  ASSERT_TRUE(s.Key("Return"));
  EXPECT_EQ(s.WaitLine("messagebox closed "), "1 ");
  EXPECT_EQ(s.Wait(), 0) << s.Results();
}

TEST(KitXvfb, HoverButtonsAndTooltips) {
  REQUIRE_XVFB_TOOLS();
  // A screen 40 pixels lower than the menu: its bottom buttons are near the edge.
  XvfbScenario s(xvfb, xdotool, "640x440x24", "menu");
  ASSERT_TRUE(s.Started());
  const std::vector<int> at = Numbers(s.WaitLine("shown menu"));
  ASSERT_EQ(at.size(), 2u);
  EXPECT_EQ(at[0], 0);
  EXPECT_EQ(at[1], -20);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Home page button 1003 at 0,147 (185 x 42): normal, hover, pressed.
  const int homeX = 61;  // off the pictures' stripes
  const int homeY = -20 + 147 + 20;
  EXPECT_EQ(XvfbScenario::PixelAt(s.Screenshot("normal"), homeX, homeY), kittest::PlaceholderColor(136));
  ASSERT_TRUE(s.MoveTo(homeX, homeY));
  const std::vector<int> hover = Numbers(s.WaitLine("state 1003 1"));
  ASSERT_EQ(hover.size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(XvfbScenario::PixelAt(s.Screenshot("hover"), homeX, homeY), kittest::PlaceholderColor(135));
  // tip: id, visible, left, top, width, height, tick
  const std::vector<int> tip = Numbers(s.WaitLine("tip 1003 1"));
  ASSERT_EQ(tip.size(), 5u);
  EXPECT_EQ(tip[0], homeX + 12);
  EXPECT_EQ(tip[1], homeY + 24);
  EXPECT_GE(tip[4] - hover[0], 450);  // about half a second after the pointer came
  EXPECT_LE(tip[4] - hover[0], 3000);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::string withTip = s.Screenshot("tooltip");
  EXPECT_EQ(XvfbScenario::PixelAt(withTip, tip[0] + 1, tip[1] + tip[3] - 2), 0xF5F8A4u);  // pale yellow
  EXPECT_EQ(XvfbScenario::PixelAt(withTip, tip[0], tip[1]), 0x000000u);                      // its border
  ASSERT_TRUE(s.Xdo({"mousedown", "1"}));
  EXPECT_FALSE(s.WaitLine("state 1003 2").empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(XvfbScenario::PixelAt(s.Screenshot("pressed"), homeX, homeY), kittest::PlaceholderColor(134));
  ASSERT_TRUE(s.Xdo({"mouseup", "1"}));
  EXPECT_EQ(s.WaitLine("command "), "1003 ");
  EXPECT_FALSE(s.WaitLine("tip 1003 0").empty());  // hidden on release

  // Quit button 1002 at 455,388 near the right and bottom edges: the tip flips both ways.
  ASSERT_TRUE(s.MoveTo(630, 400));
  EXPECT_FALSE(s.WaitLine("state 1003 0").empty());  // the home button noticed the pointer left
  const std::vector<int> flipped = Numbers(s.WaitLine("tip 1002 1"));
  ASSERT_EQ(flipped.size(), 5u);
  EXPECT_EQ(flipped[0] + flipped[2], 630);  // its right edge at the pointer
  EXPECT_EQ(flipped[1] + flipped[3], 400);  // its bottom edge at the pointer
  ASSERT_TRUE(s.MoveTo(300, 100));
  EXPECT_FALSE(s.WaitLine("state 1002 0").empty());
  EXPECT_FALSE(s.WaitLine("tip 1002 0").empty());
  ASSERT_TRUE(s.MoveTo(630, 400));
  ASSERT_TRUE(s.Xdo({"click", "1"}));
  EXPECT_EQ(s.WaitLine("command "), "1002 ");
  EXPECT_EQ(s.Wait(), 0) << s.Results();
}

TEST(KitXvfb, ReadmeEditScrollsLongText) {
  REQUIRE_XVFB_TOOLS();
  XvfbScenario s(xvfb, xdotool, "800x600x24", "readme");
  ASSERT_TRUE(s.Started());
  // shown: left, top, down-arrow x, y, thumb x, y, last top line
  const std::vector<int> at = Numbers(s.WaitLine("shown readme"));
  ASSERT_EQ(at.size(), 7u);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(XvfbScenario::CompareCrop(s.Screenshot("readme"), at[0], at[1], 640, 480,
                                      testsupport::SourceDir() + "/tests/data/kit/readme_top.png"),
            "0");
  ASSERT_TRUE(s.MoveTo(at[2], at[3]));
  ASSERT_TRUE(s.Xdo({"click", "1"}));
  EXPECT_EQ(s.WaitLine("top "), "1 ");
  // The thumb dragged to the bottom of its track.
  ASSERT_TRUE(s.MoveTo(at[4], at[5]));
  ASSERT_TRUE(s.Xdo({"mousedown", "1"}));
  ASSERT_TRUE(s.MoveTo(at[4], at[5] + 150));
  ASSERT_TRUE(s.MoveTo(at[4], at[5] + 400));
  ASSERT_TRUE(s.Xdo({"mouseup", "1"}));
  std::string last;
  for (std::string line = s.WaitLine("top ", 3); !line.empty(); line = s.WaitLine("top ", 1)) last = line;
  EXPECT_EQ(last, std::to_string(at[6]) + " ");
  ASSERT_TRUE(s.Xdo({"search", "--name", "^Readme$", "windowfocus", "--sync"}));
  ASSERT_TRUE(s.Key("Home"));
  EXPECT_EQ(s.WaitLine("top "), "0 ");
  ASSERT_TRUE(s.MoveTo(at[2] - 200, at[3] - 100));  // over the text: the X server sends the wheel there
  ASSERT_TRUE(s.Xdo({"click", "5"}));                // the wheel turned a notch towards the user
  EXPECT_EQ(s.WaitLine("top "), "3 ");
  ASSERT_TRUE(s.Key("Escape"));
  EXPECT_EQ(s.WaitLine("result "), "2 ");
  EXPECT_EQ(s.Wait(), 0) << s.Results();
}

// ---- The child side ----

std::ofstream* gOut = nullptr;
void Log(const std::string& line) {
  *gOut << line << "\n";
  gOut->flush();
}

class SetupDialog : public kit::CDialog {
 public:
  SetupDialog() : kit::CDialog(kit::SetupTypeDialogTemplate()) {}
  bool OnInitDialog() override {
    CheckDlgButton(1000, 1);
    return true;
  }
  void Announce() {
    const platform::Point o = ClientOriginInTopLevel();
    Log("shown setup " + std::to_string(GetRect().left) + " " + std::to_string(GetRect().top) + " " +
        std::to_string(o.x) + " " + std::to_string(o.y));
  }
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override {
    Log("command " + std::to_string(id));
    if (id == 1000 || id == 1001) SetDefId(1002);
    if (id == 1002) {
      EndDialog(IsDlgButtonChecked(1000) ? 0 : 2);
      return true;
    }
    return kit::CDialog::OnCommand(id, notification, control);
  }
  void OnTimer(int32_t id) override {
    if (id == 7) {
      KillTimer(7);
      Announce();
    }
  }
};

class MenuDialog : public kit::CDialog {
 public:
  MenuDialog() : kit::CDialog(kit::AutorunMenuTemplate()) {}
  bool OnInitDialog() override {
    home_.CreateFromResources(this, 1003, 136, 135, 134, 155);
    home_.SetToolTipText("Besuchen Sie uns im Internet");
    quit_.CreateFromResources(this, 1002, 133, 132, 131, 155);
    quit_.SetToolTipText("Beenden des Startvorganges");
    SetTimer(9, 10);
    return true;
  }
  void OnTimer(int32_t id) override {
    if (id != 9) return;
    if (!announced_) {
      announced_ = true;
      Log("shown menu " + std::to_string(GetRect().left) + " " + std::to_string(GetRect().top));
    }
    Watch(home_, homeState_, homeTip_);
    Watch(quit_, quitState_, quitTip_);
  }
  void Watch(kit::CHoverButton& b, int32_t& state, bool& tip) {
    if (b.GetState() != state) {
      state = b.GetState();
      Log("state " + std::to_string(b.GetId()) + " " + std::to_string(state) + " " +
          std::to_string(platform::TickCount()));
    }
    const bool visible = b.GetToolTip().IsVisible();
    if (visible != tip) {
      tip = visible;
      const platform::Rect r = b.GetToolTip().GetRect();
      Log("tip " + std::to_string(b.GetId()) + " " + std::to_string(visible) + " " + std::to_string(r.left) + " " +
          std::to_string(r.top) + " " + std::to_string(r.right - r.left) + " " + std::to_string(r.bottom - r.top) + " " +
          std::to_string(platform::TickCount()));
    }
  }
  bool OnCommand(int32_t id, uint16_t notification, kit::Handle control) override {
    Log("command " + std::to_string(id));
    if (id == 1002) {
      EndDialog(0);
      return true;
    }
    return kit::CDialog::OnCommand(id, notification, control);
  }

 private:
  kit::CHoverButton home_;
  kit::CHoverButton quit_;
  bool announced_ = false;
  int32_t homeState_ = 0;
  int32_t quitState_ = 0;
  bool homeTip_ = false;
  bool quitTip_ = false;
};

class ReadmeDialog : public kit::CDialog {
 public:
  ReadmeDialog() : kit::CDialog(MakeTemplate()) {}
  static kit::DialogTemplate MakeTemplate() {
    kit::DialogTemplate t = kit::ReadmeDialogTemplate();
    t.caption = "Readme";
    return t;
  }
  bool OnInitDialog() override {
    edit_.SubclassDlgItem(1012, this);
    edit_.SetFontAndColors("Arial", 12, 700, 0x000000, 0xF5F1F0);
    edit_.SetText(kittest::ReadmeText());
    SetTimer(9, 10);
    return true;
  }
  void OnTimer(int32_t id) override {
    if (id != 9) return;
    if (!announced_) {
      announced_ = true;
      const platform::Rect down = edit_.DownArrow();
      const platform::Rect thumb = edit_.Thumb();
      const platform::Point d = edit_.ClientToScreen(platform::Point{(down.left + down.right) / 2, (down.top + down.bottom) / 2});
      const platform::Point t =
          edit_.ClientToScreen(platform::Point{(thumb.left + thumb.right) / 2, thumb.top + 3});
      Log("shown readme " + std::to_string(GetRect().left) + " " + std::to_string(GetRect().top) + " " +
          std::to_string(d.x) + " " + std::to_string(d.y) + " " + std::to_string(t.x) + " " + std::to_string(t.y) + " " +
          std::to_string(edit_.GetLineCount() - edit_.VisibleLineCount()));
    }
    if (edit_.GetFirstVisibleLine() != top_) {
      top_ = edit_.GetFirstVisibleLine();
      Log("top " + std::to_string(top_));
    }
  }

 private:
  kit::CColorEdit edit_;
  bool announced_ = false;
  int32_t top_ = 0;
};

TEST(ChildProcessKitXvfb, Scenario) {
  const char* scenario = std::getenv("OSTREVAN_KIT_SCENARIO");
  const char* results = std::getenv("OSTREVAN_KIT_RESULTS");
  if (scenario == nullptr || results == nullptr) GTEST_SKIP() << "runs as a child of KitXvfb";
  std::ofstream out(results);
  gOut = &out;
  ASSERT_TRUE(kit::InitializeKit());
  kittest::RegisterLauncherPlaceholders();
  const std::string which = scenario;
  if (which == "setup") {
    kittest::RegisterSetupPlaceholders();
    for (int run = 0; run < 2; ++run) {
      SetupDialog dialog;
      ASSERT_TRUE(dialog.Create());
      dialog.SetTimer(7, 50);
      Log("result " + std::to_string(dialog.DoModal()));
    }
    Log("messagebox shown");
    const int32_t answer = kit::MessageBox(nullptr, "Setup\\Setup.jpg konnte nicht ge\xF6" "ffnet werden !?",
                                           "F E H L E R", platform::MessageBoxIcon::kError);
    Log("messagebox closed " + std::to_string(answer));
  } else if (which == "menu") {
    MenuDialog menu;
    Log("result " + std::to_string(menu.DoModal()));
  } else if (which == "readme") {
    ReadmeDialog readme;
    Log("result " + std::to_string(readme.DoModal()));
  }
  kit::CResources::Clear();
  kit::ShutdownKit();
}

}  // namespace
