// The application framework, the display and the engine window without a
// real screen (SDL's dummy driver): command-line split, display set-up and
// the display check against fake modes, the idle step and the loops, input
// routing from window messages, shutdown, the crash filter, message boxes,
// file filters and the cursor pictures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/AppWindow.h"
#include "engine/app/CursorResources.h"
#include "engine/app/FileDialogs.h"
#include "engine/app/MainWindow.h"
#include "engine/app/MessageBoxes.h"
#include "engine/app/VApplication.h"
#include "engine/app/VControl.h"
#include "engine/app/VDisplay.h"
#include "engine/app/VExceptionFilter.h"
#include "engine/app/VWindow.h"
#include "engine/core/MediaTypes.h"
#include "engine/core/VString.h"
#include "engine/core/VTLink.h"
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
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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

TEST_F(FrameworkTest, NestedLoopDispatchesThePendingMessageOnce) {
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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

TEST_F(FrameworkTest, AltF4ClosesTheProgram) {
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
  new RecordingPanel(app->GetMainWindow());
  platform::ResetMessageQueue();
  platform::SetKeyDown(platform::kKeyAlt, true);  // the tree leaves Alt combinations alone
  platform::PostMessage(app->GetMainWindow()->GetHandle(), platform::kMsgSysKeyDown, 0x73,
                        platform::MakeKeyParam(platform::kKeyFlagAltDown));
  EXPECT_FALSE(PumpUntilQuiet());  // the quit message came
  platform::ResetKeyStates();
}

TEST_F(FrameworkTest, ShutdownRunsOnceAndReleasesOnlyItsOwnReferences) {
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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
  ASSERT_TRUE(app->SetupDisplay(false, false, 0, 1, 0, false, 640, 480, 16, true));
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

}  // namespace
