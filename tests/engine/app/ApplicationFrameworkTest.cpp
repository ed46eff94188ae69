// The application framework, the display and the engine window without a
// real screen (SDL's dummy driver): command-line split, display set-up and
// the display check against fake modes, the idle step and the loops, input
// routing from window messages, shutdown, the crash filter, message boxes,
// file filters and the cursor pictures.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/app/AppWindow.h"
#include "engine/app/CursorResources.h"
#include "engine/app/FileDialogs.h"
#include "engine/app/GraphicServices.h"
#include "engine/app/MainWindow.h"
#include "engine/app/MessageBoxes.h"
#include "engine/app/VApplication.h"
#include "engine/app/VControl.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VExceptionFilter.h"
#include "engine/app/VWindow.h"
#include "engine/core/Clock.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VString.h"
#include "engine/core/VTLink.h"
#include "engine/graphics/DrawPort.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VColorTable.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/Input.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"

namespace {

struct Box {
  std::string text;
  platform::MessageBoxIcon icon;
};

// Records what reaches the tree.
class RecordingPanel : public VControl {
 public:
  explicit RecordingPanel(VGraphicObject* parent)
      : VControl(VControl::kApplicationKind, MainWindow::kFirstPanelId, 0, 0, 0, 640, 480, parent) {}
  bool MouseDown(const VMouseEvent& e) override {
    log.push_back("down " + std::to_string(e.x) + "," + std::to_string(e.y) + " b" + std::to_string(e.buttons) +
                  " c" + std::to_string(GetClickCount()));
    TakeMouseCapture();
    return true;
  }
  bool MouseUp(const VMouseEvent& e) override {
    log.push_back("up " + std::to_string(e.x) + "," + std::to_string(e.y));
    return true;
  }
  bool KeyDown(const VKeyEvent& e) override {
    if (e.IsAltDown()) return false;
    log.push_back("key " + std::to_string(e.virtualKey) + " '" + std::to_string(e.character) + "'");
    return true;
  }
  bool HandleEvent(uint32_t code, uint32_t value1, uint32_t value2) override {
    if (code == kMessageTick) ticks.push_back(value1);
    return VControl::HandleEvent(code, value1, value2);
  }
  std::vector<std::string> log;
  std::vector<uint32_t> ticks;
};

class TestApplication : public VApplication {
 public:
  void CreateMainWindow(const VRect& screen) override { new MainWindow(4096, 4096, screen, true, true); }
  void ShutdownDisplay() override {
    ++shutdownDisplayCalls;
    VApplication::ShutdownDisplay();
  }
  int shutdownDisplayCalls = 0;
};

// Records the pass values the tasks are stepped with.
class PassTask : public VTask {
 public:
  explicit PassTask(std::vector<uint32_t>* passes) : VTask(7, true, false, false, ::GetTaskManager()), passes_(passes) {}
  bool Step(uint32_t pass) override {
    passes_->push_back(pass);
    return true;
  }

 private:
  std::vector<uint32_t>* passes_;
};

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Display::Get().ResetForTesting();
    VDisplay::Get().ResetForTesting();
    platform::ResetMessageQueue();
    ASSERT_TRUE(platform::InitializeWindowSystem());
    previousCapture_ = platform::SetMessageBoxCapture([this](const std::string&, const std::string& text,
                                                             platform::MessageBoxIcon icon) {
      boxes.push_back(Box{text, icon});
      return platform::kMessageBoxOk;
    });
    {
      // The clock calibration of the constructor runs on a fake second.
      platform::FakeClock clock(1000000000ull);
      platform::ScopedClockSource source(&clock);
      app = std::make_unique<TestApplication>();
    }
    app->SetAppName("ostrevan-framework-test");
  }
  void TearDown() override {
    app.reset();
    platform::SetMessageBoxCapture(previousCapture_);
    VDisplay::Get().ResetForTesting();
    platform::Display::Get().ResetForTesting();
    platform::ResetMessageQueue();
    platform::ShutdownWindowSystem();
    VDisplay::SetDirectDrawAvailableForTesting(true);
  }

  // Pumps the queue through the application until it is empty or quits.
  // Dispatches messages until the queue stays empty for 50 ms (true) or the
  // quit message comes (false). A short wait rides out a queue that is
  // empty only for a moment on a busy machine.
  bool PumpUntilQuiet(int limit = 200) {
    platform::Message m;
    for (int i = 0; i < limit; ++i) {
      if (!platform::PeekMessage(m, true)) {
        if (!platform::WaitForMessage(50)) break;
        continue;
      }
      if (m.message == platform::kMsgQuit) return false;
      if (!app->PreTranslateMessage(m)) platform::DispatchMessage(m);
    }
    return true;
  }

  std::unique_ptr<TestApplication> app;
  std::vector<Box> boxes;
  platform::MessageBoxCapture previousCapture_;
};

TEST(CommandLine, SplitsAsTheFrameworkDoes) {
  platform::FakeClock clock(1000000000ull);
  platform::ScopedClockSource source(&clock);
  TestApplication app;
  struct Row {
    const char* line;
    std::vector<std::string> args;  // after the program path
  };
  const Row rows[] = {
      {"a  \"b c\" d", {"a", "\"b c\"", "d"}},
      {"", {}},
      {"   lead", {"lead"}},  // a leading blank no longer loses the arguments
      {" \t x y ", {"x", "y"}},
      {"\"unterminated quote", {"\"unterminated quote"}},
      {"one", {"one"}},
  };
  for (const Row& row : rows) {
    app.SetCommandLine(row.line);
    app.SplitCommandLine();
    ASSERT_EQ(app.GetArgc(), static_cast<int32_t>(row.args.size() + 1)) << row.line;
    for (size_t i = 0; i < row.args.size(); ++i) EXPECT_EQ(app.GetArgv()[i + 1], row.args[i]) << row.line;
    EXPECT_EQ(app.GetArgv()[app.GetArgc()], nullptr);
    EXPECT_NE(app.GetArgv()[0], nullptr);
  }
  char a0[] = "prog", a1[] = "plain", a2[] = "with blank", a3[] = "";
  char* argv[] = {a0, a1, a2, a3};
  EXPECT_EQ(VApplication::JoinArguments(4, argv), "plain \"with blank\" \"\"");
}

TEST_F(FrameworkTest, SetupDisplayGivesTheFullScreenFlipPath) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VDisplay& display = VDisplay::Get();
  VWindow* main = app->GetMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->GetKindCode(), MainWindow::kKindCode);
  EXPECT_FALSE(display.IsModeRestored());
  EXPECT_TRUE(display.IsFullScreen());
  ASSERT_NE(display.GetFlipPixelMap(), nullptr);
  EXPECT_EQ(display.GetFlipPixelMap()->GetDepth(), 16);
  EXPECT_EQ(main->GetTransferMode(), VWindow::kTransferDirectDraw);
  EXPECT_EQ(main->GetOffscreenMapCount(), 2);
  EXPECT_EQ(main->GetOffscreenMapAt(0)->GetDepth(), 16);
  EXPECT_EQ(main->GetOffscreenMapAt(0)->GetStorageKind(), PixelMap::kStorageMemory);
  int32_t w = 0, h = 0, d = 0;
  EXPECT_TRUE(display.GetDisplayMode(w, h, d));
  EXPECT_EQ(w * 10000 + h * 10 + d / 16, 640 * 10000 + 480 * 10 + 1);
  app->Shutdown();
  EXPECT_TRUE(display.IsModeRestored());
  EXPECT_FALSE(platform::Display::Get().IsModeSwitched());
  EXPECT_EQ(app->GetMainWindow(), nullptr);
}

TEST_F(FrameworkTest, RefusedModeLeavesOneGdiMap) {
  platform::Display::Get().SetDesktopModeForTesting(platform::DisplayMode{800, 600, 32});
  platform::Display::Get().SetModeSwitchRefusedForTesting(true);
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VDisplay& display = VDisplay::Get();
  EXPECT_TRUE(display.IsModeRestored());
  EXPECT_EQ(display.GetFlipPixelMap(), nullptr);
  EXPECT_TRUE(display.IsSizeRequested() == false && display.IsDepthRequested());  // the last fallback's record
  VWindow* main = app->GetMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->GetTransferMode(), VWindow::kTransferGdi);
  ASSERT_EQ(main->GetOffscreenMapCount(), 1);
  EXPECT_EQ(main->GetOffscreenMapAt(0)->GetStorageKind(), PixelMap::kStorageDib);
}

TEST_F(FrameworkTest, DisplayCheckPassesOrRefusesWithTheMessage) {
  struct Row {
    platform::DisplayMode mode;
    const char* expected;  // null: passes
  };
  const char* depth = MainWindow::GetDisplayMessage(MainWindow::DisplayProblem::kDepth, 3);
  const char* small = MainWindow::GetDisplayMessage(MainWindow::DisplayProblem::kTooSmall, 3);
  const Row rows[] = {
      {{640, 480, 16}, nullptr},
      {{640, 480, 15}, nullptr},
      {{800, 600, 16}, small},  // the mode switch failed: German shares the too-small text
      {{640, 480, 32}, depth},
      {{640, 480, 8}, depth},
      {{600, 480, 16}, small},
  };
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  auto* main = static_cast<MainWindow*>(app->GetMainWindow());
  auto* panel = new RecordingPanel(main);
  panel->SetVisible(false, false);
  for (const Row& row : rows) {
    boxes.clear();
    platform::ResetMessageQueue();
    platform::Display::Get().SetCurrentModeForTesting(row.mode);
    const bool passed = main->CheckDisplayMode();
    EXPECT_EQ(passed, row.expected == nullptr) << row.mode.width << "x" << row.mode.bitsPerPixel;
    platform::Message m;
    bool quit = false;
    for (int i = 0; i < 100 && platform::PeekMessage(m, true); ++i) {
      if (m.message == platform::kMsgPaint) platform::DispatchMessage(m);
      quit = quit || m.message == platform::kMsgQuit;
    }
    if (row.expected == nullptr) {
      EXPECT_TRUE(boxes.empty());
      EXPECT_FALSE(quit);
      EXPECT_TRUE(panel->IsShown());
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, row.expected);
      EXPECT_EQ(boxes[0].icon, platform::MessageBoxIcon::kError);
      EXPECT_TRUE(quit);
    }
  }
  EXPECT_EQ(std::string(depth).find("ben\xF6tigt"), 16u);  // code page 1252 text
  EXPECT_STREQ(MainWindow::GetDisplayMessage(MainWindow::DisplayProblem::kDepth, 2), "");
}

TEST_F(FrameworkTest, IdleStepBeforeEachMessageAndTickDownTheEventTree) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  auto* panel = new RecordingPanel(app->GetMainWindow());
  std::vector<uint32_t> passes;
  PassTask task(&passes);
  platform::FakeClock clock(5000ull * 1000000ull);
  platform::ScopedClockSource source(&clock);
  const uint32_t before = app->GetIdleCount();
  platform::Message m{};
  m.window = app->GetMainWindow()->GetHandle();
  m.message = platform::kMsgUser + 77;
  EXPECT_FALSE(app->PreTranslateMessage(m));  // not dispatched by a nested loop: goes on
  EXPECT_FALSE(app->PreTranslateMessage(m));
  EXPECT_TRUE(app->OnIdle(0));
  ASSERT_EQ(passes.size(), 3u);
  // The tasks get the idle counter, not the tick count.
  EXPECT_EQ(passes[0], before + 1);
  EXPECT_EQ(passes[2], before + 3);
  // Only the idle handler sends the tick, with the tick count, down the event tree.
  ASSERT_EQ(panel->ticks.size(), 1u);
  EXPECT_EQ(panel->ticks[0], 5000u);
  task.Detach();
}

// A task whose step timing a row sets.
class TimedTask : public VTask {
 public:
  explicit TimedTask(VTaskManager* manager) : VTask(11, true, false, false, manager) {}
  bool Step(uint32_t) override { return true; }
};

// The loop sleeps until the next due task, request or idle tick, to the
// microsecond of the clock the tick count comes from; with nothing due it
// sleeps until input.
TEST_F(FrameworkTest, IdleWaitLastsUntilTheNextDueTime) {
  constexpr uint64_t kMs = 1000000;
  platform::FakeClock clock(5000 * kMs + 300000);  // tick 5000, 0.3 ms into it
  platform::ScopedClockSource source(&clock);
  app->SetIdleTickInterval(0);
  EXPECT_EQ(app->ComputeIdleWaitMicroseconds(), platform::kWaitForever);  // no tasks

  TimedTask first(&app->GetTaskManager());
  TimedTask second(&app->GetTaskManager());
  VTaskManager inner(12, true, false, &app->GetTaskManager());
  TimedTask nested(&inner);
  nested.SetNoStepWanted();
  struct Row {
    const char* what;
    std::function<void()> setup;
    uint64_t waitUs;
  };
  const Row rows[] = {
      {"one task due in 40 ms", [&] { first.SetNextStepTime(5040); second.SetNoStepWanted(); }, 39700},
      {"the earlier of two", [&] { second.SetNextStepTime(5020); }, 19700},
      {"an inactive task does not count", [&] { second.SetActive(false); }, 39700},
      {"a task in a nested manager", [&] { nested.SetNextStepTime(5010); }, 9700},
      {"an inactive manager does not count", [&] { inner.SetActive(false); }, 39700},
      {"a task past its time: the next tick", [&] { first.SetNextStepTime(4990); }, 700},
      {"a task on every pass: the next tick", [&] { first.SetStepOnEveryPass(); }, 700},
      {"no task wants a step", [&] { first.SetNoStepWanted(); }, platform::kWaitForever},
      {"a finished task waits for the pass that removes it", [&] { first.SetFinished(); }, 700},
      {"an object asks for a pass", [&] { first.SetFinished(false); RequestIdlePassBy(5012); }, 11700},
      {"the earliest request wins", [&] { RequestIdlePassBy(5030); RequestIdlePassBy(5008); }, 7700},
  };
  for (const Row& row : rows) {
    row.setup();
    EXPECT_EQ(app->ComputeIdleWaitMicroseconds(), row.waitUs) << row.what;
    // The tick the loop means to run its next pass at, taken once.
    uint32_t due = 0;
    const bool hasDue = app->TakePassDue(due);
    EXPECT_EQ(hasDue, row.waitUs != platform::kWaitForever) << row.what;
    if (hasDue) {
      EXPECT_EQ(due, 5000u + (row.waitUs + 300u) / 1000u) << row.what;
    }
    EXPECT_FALSE(app->TakePassDue(due)) << row.what;
  }
  // Nested loops send no tick: requests do not wake them.
  EXPECT_EQ(app->ComputeIdleWaitMicroseconds(false), platform::kWaitForever);
  // An idle pass answers the requests due by its time.
  clock.SetNanoseconds(5008 * kMs);
  EXPECT_TRUE(app->OnIdle(0));
  EXPECT_EQ(app->ComputeIdleWaitMicroseconds(), platform::kWaitForever);
  // The idle tick comes at its interval after the last idle pass.
  app->SetIdleTickInterval(100);
  clock.SetNanoseconds(5050 * kMs + 250000);
  EXPECT_EQ(app->ComputeIdleWaitMicroseconds(), 57750u);
  first.SetNextStepTime(5070);
  EXPECT_EQ(app->ComputeIdleWaitMicroseconds(), 19750u);
  app->SetIdleTickInterval(0);

  // Across the wrap of the tick count.
  clock.SetNanoseconds(0xFFFFFFF0ull * kMs + 300000);
  first.SetNextStepTime(0xFFFFFFF0u + 20u);  // tick 4 after the wrap
  EXPECT_EQ(app->ComputeIdleWaitMicroseconds(), 19700u);
  nested.Detach();
  inner.Detach();
  first.Detach();
  second.Detach();
}

TEST_F(FrameworkTest, NestedLoopDispatchesThePendingMessageOnce) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VWindow* main = app->GetMainWindow();
  int dispatched = 0;
  // A task that runs a nested loop inside the idle step of the message.
  class Nester : public VTask {
   public:
    explicit Nester(VApplication* a) : VTask(9, true, false, false, ::GetTaskManager()), app_(a) {}
    bool Step(uint32_t) override {
      if (done_) return true;
      done_ = true;
      platform::PostMessage(app_->GetMainWindow()->GetHandle(), platform::kMsgUser + 5, 0, 0);
      app_->RunModalLoop();
      return true;
    }
    VApplication* app_;
    bool done_ = false;
  } nester(app.get());
  main->GetPlatformWindow()->SetProcedure([&](platform::Window&, const platform::Message& msg) -> intptr_t {
    if (msg.message == platform::kMsgUser + 4) ++dispatched;
    if (msg.message == platform::kMsgUser + 5) app->EndModalLoop();
    return 0;
  });
  platform::Message m{};
  m.window = main->GetHandle();
  m.message = platform::kMsgUser + 4;
  EXPECT_TRUE(app->PreTranslateMessage(m));  // handled: the nested loop dispatched it
  EXPECT_EQ(dispatched, 1);
  EXPECT_EQ(app->GetLoopLevel(), 0);
  nester.Detach();
}

TEST_F(FrameworkTest, MouseAndKeyMessagesReachTheTree) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VWindow* main = app->GetMainWindow();
  auto* panel = new RecordingPanel(main);
  platform::SetMessageTime(10000);
  ResetMouseInputState();
  const platform::WindowHandle h = main->GetHandle();
  auto send = [&](uint32_t msg, uintptr_t w, intptr_t l, uint32_t time) {
    platform::SetMessageTime(time);
    platform::Message m{};
    m.window = h;
    m.message = msg;
    m.wParam = w;
    m.lParam = l;
    platform::DispatchMessage(m);
  };
  send(platform::kMsgLButtonDown, platform::kMouseFlagLeftButton, platform::MakePointParam(100, 50), 10000);
  send(platform::kMsgLButtonUp, 0, platform::MakePointParam(100, 50), 10050);
  send(platform::kMsgLButtonDown, platform::kMouseFlagLeftButton, platform::MakePointParam(101, 51), 10200);
  send(platform::kMsgLButtonUp, 0, platform::MakePointParam(101, 51), 10250);
  send(platform::kMsgRButtonDown, platform::kMouseFlagRightButton, platform::MakePointParam(7, 9), 12000);
  send(platform::kMsgRButtonUp, 0, platform::MakePointParam(7, 9), 12050);
  send(platform::kMsgKeyDown, 'A', platform::MakeKeyParam(0), 13000);
  send(platform::kMsgKeyDown, 'A', platform::MakeKeyParam(platform::kKeyFlagRepeat), 13030);
  send(platform::kMsgChar, 'a', platform::MakeKeyParam(0), 13000);
  send(platform::kMsgChar, 'a', platform::MakeKeyParam(platform::kKeyFlagRepeat), 13030);
  const std::vector<std::string> expected = {
      "down 100,50 b1 c1", "up 100,50", "down 101,51 b1 c2", "up 101,51", "down 7,9 b4 c1", "up 7,9",
      "key 65 '0'",        "key 65 '0'",  // a held key repeats its key-down
      "key 0 '97'",                       // but not its character
  };
  EXPECT_EQ(panel->log, expected);
}

// The main window's input filters see each mouse message (one event, so the
// click is counted once) and each key press before the tree and may swallow
// them; replayed events take the tree's road, and while they play the
// pointer stands where they put it.
TEST_F(FrameworkTest, MainWindowFiltersAndReplaysInput) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  auto* main = dynamic_cast<MainWindow*>(app->GetMainWindow());
  ASSERT_NE(main, nullptr);
  auto* panel = new RecordingPanel(main);
  platform::SetMessageTime(10000);
  ResetMouseInputState();
  auto send = [&](uint32_t msg, uintptr_t w, intptr_t l, uint32_t time) {
    platform::SetMessageTime(time);
    platform::Message m{};
    m.window = main->GetHandle();
    m.message = msg;
    m.wParam = w;
    m.lParam = l;
    platform::DispatchMessage(m);
  };
  std::vector<std::string> seen;
  bool swallow = false;
  main->SetInputFilters(
      [&](const VMouseEvent& e, uint16_t kind) {
        seen.push_back(std::to_string(kind) + " " + std::to_string(e.x) + "," + std::to_string(e.y) + " b" +
                       std::to_string(e.buttons) + " c" + std::to_string(GetClickCount()));
        return swallow;
      },
      [&](const VKeyEvent& e) {
        seen.push_back("key " + std::to_string(e.virtualKey) + " '" + std::to_string(e.character) + "'");
        return swallow;
      });
  send(platform::kMsgLButtonDown, platform::kMouseFlagLeftButton, platform::MakePointParam(100, 50), 10000);
  send(platform::kMsgLButtonUp, 0, platform::MakePointParam(100, 50), 10050);
  send(platform::kMsgLButtonDown, platform::kMouseFlagLeftButton, platform::MakePointParam(101, 51), 10200);
  send(platform::kMsgKeyDown, 'A', platform::MakeKeyParam(0), 13000);
  swallow = true;
  send(platform::kMsgLButtonUp, 0, platform::MakePointParam(101, 51), 10250);
  send(platform::kMsgMouseMove, 0, platform::MakePointParam(3, 4), 10300);
  send(platform::kMsgKeyDown, 0x7B, platform::MakeKeyParam(0), 13100);
  send(platform::kMsgChar, 'p', platform::MakeKeyParam(0), 13100);
  const std::vector<std::string> expectedSeen = {"513 100,50 b1 c1", "514 100,50 b0 c1", "513 101,51 b1 c2",
                                                 "key 65 '0'",       "514 101,51 b0 c2", "512 3,4 b0 c2",
                                                 "key 123 '0'",      "key 0 '112'"};
  EXPECT_EQ(seen, expectedSeen);
  const std::vector<std::string> expectedTree = {"down 100,50 b1 c1", "up 100,50", "down 101,51 b1 c2", "key 65 '0'"};
  EXPECT_EQ(panel->log, expectedTree) << "what the filters swallow does not reach the tree";

  panel->log.clear();
  main->ReplayEvent(VMouseEvent(VPoint(613, 417), 0, kButtonLeft, 0), platform::kMsgLButtonDown);
  VPoint pointer;
  GetMousePosition(pointer, main->GetPlatformWindow());
  EXPECT_EQ(pointer, VPoint(613, 417)) << "the replayed pointer";
  main->ReplayEvent(VMouseEvent(VPoint(614, 418), 0, 0, 0), platform::kMsgLButtonUp);
  main->ReplayEvent(VMouseEvent(VPoint(1, 1), 0, 0, 0), 0x999);
  GetMousePosition(pointer, main->GetPlatformWindow());
  EXPECT_EQ(pointer, VPoint(614, 418)) << "a kind that is no mouse message goes nowhere";
  main->EndReplay();
  GetMousePosition(pointer, main->GetPlatformWindow());
  EXPECT_NE(pointer, VPoint(614, 418)) << "the real pointer again";
  const std::vector<std::string> replayed = {"down 613,417 b1 c2", "up 614,418"};
  EXPECT_EQ(panel->log, replayed);
  main->SetInputFilters({}, {});
}

TEST_F(FrameworkTest, AltF4ClosesTheProgram) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  new RecordingPanel(app->GetMainWindow());
  platform::ResetMessageQueue();
  platform::SetKeyDown(platform::kKeyAlt, true);  // the tree leaves Alt combinations alone
  platform::PostMessage(app->GetMainWindow()->GetHandle(), platform::kMsgSysKeyDown, 0x73,
                        platform::MakeKeyParam(platform::kKeyFlagAltDown));
  EXPECT_FALSE(PumpUntilQuiet());  // the quit message came
  platform::ResetKeyStates();
}

// A panel asks for the next panel from inside its own handling: the switch
// waits for the next pass of the task manager (the last request wins), so
// the asking panel is never deleted under its own feet.
TEST_F(FrameworkTest, PanelRequestsSwitchOnTheNextPass) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  auto* main = static_cast<MainWindow*>(app->GetMainWindow());
  const int tasks = app->GetTaskManager().GetTaskCount();
  EXPECT_TRUE(main->HandleEvent(MainWindow::kOwnerShowPanel8192, 0, 0));
  EXPECT_TRUE(main->HandleEvent(MainWindow::kOwnerShowPanel8193, 0, 0));
  EXPECT_EQ(main->GetPendingPanelId(), 8193);
  EXPECT_EQ(app->GetTaskManager().GetTaskCount(), tasks + 1);
  app->GetTaskManager().Step(1);
  EXPECT_EQ(main->GetPendingPanelId(), 0);
  app->GetTaskManager().Step(2);
  EXPECT_EQ(app->GetTaskManager().GetTaskCount(), tasks);
  // A request still waiting when the window goes is dropped with it.
  EXPECT_TRUE(main->HandleEvent(MainWindow::kOwnerShowPanel8194, 0, 0));
  delete main;
  app->GetTaskManager().Step(3);
  EXPECT_EQ(app->GetTaskManager().GetTaskCount(), tasks);
}

TEST_F(FrameworkTest, ShutdownRunsOnceAndReleasesOnlyItsOwnReferences) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  auto* table = new VColorTable(StandardPalette{4});
  SetCurrentColorTable(table);
  table->AddReference();  // another holder (a picture, say) besides the creator
  app->Shutdown();
  app->Shutdown();
  app->OnCommand(VApplication::kCommandAppExit);
  EXPECT_EQ(app->shutdownDisplayCalls, 1);
  EXPECT_FALSE(app->IsRunning());
  EXPECT_EQ(table->GetReferenceCount(), 2);  // the creator's and the other holder's
  EXPECT_EQ(GetCurrentColorTable(), nullptr);
  table->Release();
  table->Release();
}

// The colour of a pixel of the screen's back buffer (RGB565).
uint16_t ScreenPixel(int32_t x, int32_t y) {
  const platform::PixelBuffer buffer = platform::Display::Get().GetBackBuffer();
  if (!buffer.IsValid() || x >= buffer.width || y >= buffer.height) return 0xDEAD;
  const uint8_t* p = buffer.PixelAddress(x, y);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

std::string MapPixel(PixelMap* map, int32_t x, int32_t y) {
  VRGBColor c;
  if (map == nullptr || !map->GetPixel(VPoint(x, y), c)) return "none";
  return std::to_string(c.red) + "," + std::to_string(c.green) + "," + std::to_string(c.blue);
}

// Erasing goes through the backend the application installed: into the
// off-screen map through a given port, onto the screen without one.
TEST_F(FrameworkTest, EraseBackgroundReachesTheWindowsPixels) {
  ASSERT_NE(GetDrawingBackend(), nullptr);
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VWindow* main = app->GetMainWindow();
  ASSERT_NE(main, nullptr);
  auto* panel = new VControl(VControl::kApplicationKind, 300, 100, 50, 0, 40, 30, main);
  const VRGBColor previous = VGraphicObject::GetBackgroundColor();

  VGraphicObject::SetBackgroundColor(VRGBColor(0, 255, 0));
  PixelMap* map = main->GetOffscreenPixelMap();
  ASSERT_NE(map, nullptr);
  VRect area;
  DrawPort* port = main->MakeOffscreenPort(area);
  ASSERT_NE(port, nullptr);
  panel->EraseBackground(port);
  main->FinishPort(port, nullptr);
  EXPECT_EQ(MapPixel(map, 100, 50), "0,255,0");   // the panel's first pixel
  EXPECT_EQ(MapPixel(map, 139, 79), "0,255,0");   // its last
  EXPECT_EQ(MapPixel(map, 140, 79), "0,0,0");     // outside it, untouched
  EXPECT_EQ(MapPixel(map, 99, 50), "0,0,0");

  VGraphicObject::SetBackgroundColor(VRGBColor(255, 0, 0));
  panel->EraseBackground(nullptr);  // a port on the window itself
  EXPECT_EQ(ScreenPixel(100, 50), 0xF800);
  EXPECT_EQ(ScreenPixel(139, 79), 0xF800);
  EXPECT_NE(ScreenPixel(140, 79), 0xF800);
  EXPECT_EQ(MapPixel(map, 120, 60), "0,255,0");  // the map keeps the earlier fill

  panel->SetVisible(false, false);  // hidden: nothing is erased
  VGraphicObject::SetBackgroundColor(VRGBColor(0, 0, 255));
  panel->EraseBackground(nullptr);
  EXPECT_EQ(ScreenPixel(120, 60), 0xF800);
  VGraphicObject::SetBackgroundColor(previous);
}

// A new current colour table reaches every off-screen map of the windows at
// the next draw, once, and the draw keeps no reference of its own.
TEST_F(FrameworkTest, ChangedColourTableReachesEveryOffscreenMapAtTheNextDraw) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VWindow* main = app->GetMainWindow();
  ASSERT_EQ(main->GetOffscreenMapCount(), 2);
  auto* panel = new VControl(VControl::kApplicationKind, 300, 0, 0, 0, 64, 64, main);
  auto* table = new VColorTable(StandardPalette{4});
  SetCurrentColorTable(table);
  table->Release();  // the current-table slot holds it now
  ASSERT_TRUE(IsPaletteChanged());
  ASSERT_EQ(table->GetReferenceCount(), 1);

  panel->Draw(nullptr, nullptr, false, true);
  EXPECT_FALSE(IsPaletteChanged());
  EXPECT_EQ(main->GetOffscreenMapAt(0)->PeekColorTable(), table);
  EXPECT_EQ(main->GetOffscreenMapAt(1)->PeekColorTable(), table);
  EXPECT_EQ(table->GetReferenceCount(), 3);  // the slot and the two maps

  // Unchanged: the next draw applies nothing.
  auto* other = new VColorTable(StandardPalette{1});
  main->GetOffscreenMapAt(1)->SetColorTable(other, false);
  panel->Draw(nullptr, nullptr, false, true);
  EXPECT_EQ(main->GetOffscreenMapAt(1)->PeekColorTable(), other);
  EXPECT_EQ(table->GetReferenceCount(), 2);
  other->Release();
}

// Transition redraws reach the registered redrawer with the draw's port and
// area; a draw started from inside that redraw does not come back to it.
TEST_F(FrameworkTest, TransitionRedrawsGoToTheRegisteredRedrawer) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VWindow* main = app->GetMainWindow();
  auto* panel = new VControl(VControl::kApplicationKind, 300, 10, 20, 0, 30, 40, main);
  struct Redrawer : VTransitionRedrawer {
    void RedrawTransitions(DrawPort* port, const VRect* update, VGraphicWindow* window) override {
      calls.push_back(std::string(port != nullptr ? "port " : "null ") +
                      (update != nullptr ? std::to_string(update->left) + "," + std::to_string(update->top) + "," +
                                               std::to_string(update->right) + "," + std::to_string(update->bottom)
                                         : "all") +
                      (window == static_cast<VGraphicWindow*>(main) ? " main" : " other"));
      if (redrawInside) target->Draw(nullptr, nullptr, false, true);
    }
    std::vector<std::string> calls;
    VWindow* main = nullptr;
    VGraphicObject* target = nullptr;
    bool redrawInside = false;
  } redrawer;
  redrawer.main = main;
  redrawer.target = panel;
  VTransitionRedrawer* before = SetTransitionRedrawer(&redrawer);
  const VRect update(15, 25, 35, 45);
  panel->Draw(nullptr, &update, false, true);
  EXPECT_EQ(redrawer.calls, (std::vector<std::string>{"port 15,25,35,45 main"}));
  redrawer.calls.clear();
  redrawer.redrawInside = true;
  panel->Draw(nullptr, &update, false, true);
  EXPECT_EQ(redrawer.calls.size(), 1u);
  SetTransitionRedrawer(before);
}

// The window list's queries: the top window follows the desktop's stacking
// order (topmost windows first, hidden ones never), topmost reaches the
// platform window, and handles are found on the window each object holds.
TEST_F(FrameworkTest, WindowListFindsTheTopWindowAndWindowsByHandle) {
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  VWindow* main = app->GetMainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->GetPlatformWindow()->IsTopmost());  // made topmost by the title's set-up
  EXPECT_EQ(VWindow::FindTopWindow(), nullptr);          // nothing is shown yet
  main->SetVisible(true, false);
  EXPECT_EQ(VWindow::FindTopWindow(), main);

  auto* other = new VWindow(5000, 5000, VRect(0, 0, 100, 100), true, 0, false, false);
  other->SetVisible(true, false);
  struct Row {
    const char* step;
    std::function<void()> action;
    VWindow* top;
  };
  const Row rows[] = {
      {"a later window stays behind the topmost one", [] {}, main},
      {"main leaves the topmost group, in front of the others", [&] { main->SetTopmost(false); }, main},
      {"the other window is brought to the front", [&] { other->BringToFront(false); }, other},
      {"it becomes topmost", [&] { other->SetTopmost(true); }, other},
      {"main cannot pass a topmost window", [&] { main->BringToFront(false); }, other},
      {"the topmost window hides", [&] { other->SetVisible(false, false); }, main},
  };
  for (const Row& row : rows) {
    row.action();
    EXPECT_EQ(VWindow::FindTopWindow(), row.top) << row.step;
    EXPECT_EQ(main->IsTopWindow(), row.top == main) << row.step;
    EXPECT_EQ(main->GetPlatformWindow()->IsTopmost(), main->IsTopmost()) << row.step;
    EXPECT_EQ(other->GetPlatformWindow()->IsTopmost(), other->IsTopmost()) << row.step;
  }

  EXPECT_EQ(VWindow::FindWindowByHandle(main->GetHandle()), main);
  EXPECT_EQ(VWindow::FindWindowByHandle(other->GetPlatformWindow()->GetHandle()), other);
  EXPECT_EQ(VWindow::FindWindowByHandle(0), nullptr);
  // Made again, the window is found by its new handle only.
  const platform::WindowHandle old = other->GetHandle();
  ASSERT_TRUE(other->Create(5000, VRect(0, 0, 50, 50), false, 0, nullptr, false));
  EXPECT_NE(other->GetHandle(), old);
  EXPECT_EQ(VWindow::FindWindowByHandle(other->GetHandle()), other);
  EXPECT_EQ(VWindow::FindWindowByHandle(old), nullptr);
  // The topmost flag a window keeps goes to the platform window it makes.
  EXPECT_TRUE(other->GetPlatformWindow()->IsTopmost());
  delete other;
}

TEST_F(FrameworkTest, DisplayEdgeCases) {
  VDisplay& display = VDisplay::Get();
  EXPECT_FALSE(display.SetDisplayMode(0, 0, 0, true));
  EXPECT_TRUE(display.SetDisplayMode(640, 480, 15, true));  // 15 is asked as 16
  EXPECT_EQ(platform::Display::Get().GetCurrentMode().bitsPerPixel, 16);
  display.EnterFullScreen();
  ASSERT_TRUE(display.IsFullScreen());
  // No window shows the frames: the frame stays pending for the next step.
  display.MarkFramePending();
  display.Present();
  EXPECT_TRUE(display.IsFramePending());
  display.ReleaseFullScreen();
  EXPECT_TRUE(display.IsModeRestored());
  display.MarkFramePending();
  display.Present();  // nothing after the release
  EXPECT_EQ(display.GetFlipPixelMap(), nullptr);
  EXPECT_FALSE(platform::Display::Get().IsModeSwitched());
}

TEST_F(FrameworkTest, WithoutDirectDrawTheModeIsReportedAs640x480x8) {
  VDisplay::SetDirectDrawAvailableForTesting(false);
  VDisplay::Get().ResetForTesting();
  int32_t w = 0, h = 0, d = 0;
  EXPECT_FALSE(VDisplay::Get().GetDisplayMode(w, h, d));
  EXPECT_EQ(d, 8);
  EXPECT_FALSE(VDisplay::Get().SetDisplayMode(640, 480, 16, true));
}

TEST_F(FrameworkTest, ExceptionFilterRestoresTheScreenOnce) {
  VExceptionFilter::ResetHandledForTesting();
  VExceptionFilter filter;
  ASSERT_TRUE(app->SetupDisplay(DisplaySetup{}));
  EXPECT_TRUE(platform::Display::Get().IsModeSwitched());
  EXPECT_EQ(filter.HandleException(), VExceptionFilter::kExecuteHandler);
  EXPECT_FALSE(platform::Display::Get().IsModeSwitched());
  EXPECT_TRUE(VDisplay::Get().IsModeRestored());
  EXPECT_EQ(filter.HandleException(), VExceptionFilter::kContinueSearch);
  VExceptionFilter::ResetHandledForTesting();
}

TEST(MessageBoxes, SeverityChoosesTheIcon) {
  std::vector<Box> boxes;
  auto previous = platform::SetMessageBoxCapture([&](const std::string&, const std::string& text,
                                                     platform::MessageBoxIcon icon) {
    boxes.push_back(Box{text, icon});
    return platform::kMessageBoxOk;
  });
  VString text("Hallo");
  const platform::MessageBoxIcon expected[] = {platform::MessageBoxIcon::kNone, platform::MessageBoxIcon::kError,
                                               platform::MessageBoxIcon::kWarning,
                                               platform::MessageBoxIcon::kInformation, platform::MessageBoxIcon::kNone};
  for (int severity = 0; severity <= 4; ++severity) {
    EXPECT_EQ(ShowMessageBox(1, &text, 0, severity), platform::kMessageBoxOk);
    EXPECT_EQ(boxes.back().icon, expected[severity]) << severity;
  }
  ShowErrorMessage(400, nullptr, 0);
  EXPECT_EQ(boxes.back().text, "");
  EXPECT_EQ(boxes.back().icon, platform::MessageBoxIcon::kError);
  ShowInformationMessage(400, &text, 0);
  EXPECT_EQ(boxes.back().icon, platform::MessageBoxIcon::kInformation);
  platform::SetMessageBoxCapture(previous);
}

TEST(FileDialogs, FilterFromTypeCodes) {
  EXPECT_EQ(BuildFileFilter(nullptr, 0), "All files (*.*)|*.*||");
  const uint32_t unknown[] = {MakeTypeCode("ZZZZ")};
  EXPECT_EQ(BuildFileFilter(unknown, 1), "|");  // no type qualifies
  const uint32_t jpeg[] = {MakeTypeCode("JPEG"), MakeTypeCode("ZZZZ")};
  VString name, ext;
  ASSERT_TRUE(GetFileTypeName(jpeg[0], name) && GetExtensionForFileType(jpeg[0], ext));
  EXPECT_EQ(BuildFileFilter(jpeg, 2), std::string(name.GetChars()) + "| *." + ext.GetChars() + "||");
}

TEST(CursorResources, EveryIdHasAPictureWithItsHotSpotInside) {
  for (uint16_t id : GetCursorResourceIds()) {
    CursorPicture picture;
    ASSERT_TRUE(GetCursorPicture(id, picture)) << id;
    ASSERT_EQ(picture.argb.size(), static_cast<size_t>(picture.width * picture.height));
    EXPECT_TRUE(picture.hotX >= 0 && picture.hotX < picture.width && picture.hotY >= 0 &&
                picture.hotY < picture.height)
        << id;
    int opaque = 0;
    int black = 0;
    for (uint32_t p : picture.argb) {
      opaque += (p >> 24) == 0xFF;
      black += p == 0xFF000000u;
    }
    EXPECT_GT(opaque, 40) << id;   // a visible shape
    EXPECT_GT(black, 20) << id;    // with an outline
    EXPECT_LT(opaque, 32 * 32) << id;
  }
  CursorPicture none;
  EXPECT_FALSE(GetCursorPicture(999, none));
}

TEST(CursorResources, TheLookCursorPointsOutEveryWayFromAClearCentre) {
  CursorPicture p;
  ASSERT_TRUE(GetCursorPicture(113, p));
  ASSERT_EQ(p.width, 32);
  EXPECT_EQ(p.hotX, 16);
  EXPECT_EQ(p.hotY, 16);
  auto at = [&p](int x, int y) { return p.argb[static_cast<size_t>(y * p.width + x)]; };
  // The same after a quarter turn about the hot spot: no way is favoured.
  int differences = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) differences += at(x, y) != at(31 - y, x);
  }
  EXPECT_EQ(differences, 0);
  // The centre is clear, a ring surrounds it.
  EXPECT_EQ(at(16, 16) >> 24, 0u);
  EXPECT_EQ(at(21, 16) >> 24, 0xFFu);
  // Each arrowhead narrows towards the edge: its tip points outwards.
  auto width = [&](int y) {
    int n = 0;
    for (int x = 0; x < 32; ++x) n += (at(x, y) >> 24) != 0;
    return n;
  };
  EXPECT_GT(width(2), 0);
  EXPECT_LT(width(2), width(6));
  // Between the arrowheads and the ring the picture is clear.
  EXPECT_EQ(width(9), 0);
}

}  // namespace

namespace {

// The clock's calibration does not hold up the start: the application is
// made without sleeping, and the first idle step a second later measures the
// cycle counter over that second without sleeping either.
TEST_F(FrameworkTest, ClockCalibratedOnTheFirstIdleStepASecondLater) {
  app.reset();
  platform::FakeClock clock(5000000000ull, 3000000000ull);  // at 5 s, 3 GHz
  platform::ScopedClockSource source(&clock);
  gCyclesPerSecond.store(~uint64_t{0});
  app = std::make_unique<TestApplication>();
  EXPECT_EQ(clock.SleptMilliseconds(), 0u);
  EXPECT_EQ(gCyclesPerSecond.load(), ~uint64_t{0});
  clock.AdvanceMilliseconds(999);
  app->IdleStep();
  EXPECT_EQ(gCyclesPerSecond.load(), ~uint64_t{0});
  clock.AdvanceMilliseconds(1);
  app->IdleStep();
  EXPECT_EQ(gCyclesPerSecond.load(), 3000000000ull);
  EXPECT_EQ(clock.SleptMilliseconds(), 0u);
  app.reset();
}

}  // namespace
