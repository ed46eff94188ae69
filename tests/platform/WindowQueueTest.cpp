// Window messages made from SDL input (injected with SDL_PushEvent under SDL's
// dummy video driver), paint messages, posting across threads and the loop.
#include <SDL.h>
#include <SDL_syswm.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Cursor.h"
#include "platform/Input.h"
#include "platform/LogicalScaling.h"
#include "platform/MessageLoop.h"
#include "platform/MessageQueue.h"
#include "platform/PointerWarp.h"
#include "platform/SdlCursorBackend.h"
#include "platform/VirtualKeyMap.h"
#include "platform/Window.h"
#include "platform/WindowQueue.h"

namespace {

using platform::Message;

class WindowQueueTest : public ::testing::Test {
 public:
  void SetUp() override {
    ASSERT_TRUE(platform::InitializeWindowSystem()) << SDL_GetError();
    platform::WindowOptions options;
    options.className = "OstrevanTest";
    options.title = "Test";
    options.bounds = platform::Rect{0, 0, 640, 480};
    options.visible = true;
    window_ = platform::Window::Create(options);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    sdlId_ = SDL_GetWindowID(window_->GetSdlWindow());
    platform::ResetMessageQueue();
    window_->Validate(nullptr);
  }
  void TearDown() override {
    platform::ReleaseCapture();
    platform::SetFocus(0);
    window_.reset();
    platform::ResetMessageQueue();
    platform::ShutdownWindowSystem();
  }

  // Every message waiting, paint messages included, removed from the queue.
  std::vector<Message> Drain() {
    std::vector<Message> out;
    Message m;
    while (platform::PeekMessage(m, true)) {
      out.push_back(m);
      if (m.message == platform::kMsgPaint) {
        platform::Window::FromHandle(m.window)->Validate(nullptr);
      }
    }
    return out;
  }

  void PushMotion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = sdlId_;
    e.motion.x = x;
    e.motion.y = y;
    SDL_PushEvent(&e);
  }
  // With a stamp the event keeps it (SDL_PushEvent would stamp it now).
  void PushButton(uint8_t button, bool down, int x, int y, Uint32 sdlStamp = 0) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = sdlId_;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    if (sdlStamp != 0) {
      e.common.timestamp = sdlStamp;
      SDL_PeepEvents(&e, 1, SDL_ADDEVENT, 0, 0);
    } else {
      SDL_PushEvent(&e);
    }
  }
  // The window-system message SDL's X11 driver queues ahead of the events
  // it makes of an X button event: it carries the X server's time.
  void PushX11ButtonMessage(bool down, uint32_t serverTime) {
    SDL_SysWMmsg msg{};
    SDL_VERSION(&msg.version);
    msg.subsystem = SDL_SYSWM_X11;
    msg.msg.x11.event.type = down ? ButtonPress : ButtonRelease;
    msg.msg.x11.event.xbutton.time = serverTime;
    SDL_Event e{};
    e.type = SDL_SYSWMEVENT;
    e.syswm.msg = &msg;
    SDL_PushEvent(&e);
  }
  void PushKey(SDL_Keycode sym, SDL_Scancode scancode, bool down, bool repeat = false) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = sdlId_;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.sym = sym;
    e.key.keysym.scancode = scancode;
    SDL_PushEvent(&e);
  }
  void PushText(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = sdlId_;
    SDL_strlcpy(e.text.text, utf8, sizeof(e.text.text));
    SDL_PushEvent(&e);
  }
  void PushWindowEvent(SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = sdlId_;
    e.window.event = static_cast<Uint8>(id);
    SDL_PushEvent(&e);
  }

  std::unique_ptr<platform::Window> window_;
  Uint32 sdlId_ = 0;
};

TEST_F(WindowQueueTest, MouseMessagesCarryButtonsModifiersAndPoints) {
  struct Row {
    const char* what;
    std::function<void(WindowQueueTest&)> push;
    uint32_t message;
    uintptr_t flags;
    int16_t x;
    int16_t y;
  };
  const Row rows[] = {
      {"move", [](WindowQueueTest& t) { t.PushMotion(10, 20); }, platform::kMsgMouseMove, 0, 10, 20},
      {"left down", [](WindowQueueTest& t) { t.PushButton(SDL_BUTTON_LEFT, true, 11, 21); },
       platform::kMsgLButtonDown, 1, 11, 21},
      {"move, left held", [](WindowQueueTest& t) { t.PushMotion(12, 22); }, platform::kMsgMouseMove, 1, 12, 22},
      {"right down, left held", [](WindowQueueTest& t) { t.PushButton(SDL_BUTTON_RIGHT, true, 13, 23); },
       platform::kMsgRButtonDown, 1 | 2, 13, 23},
      {"left up", [](WindowQueueTest& t) { t.PushButton(SDL_BUTTON_LEFT, false, 14, 24); },
       platform::kMsgLButtonUp, 2, 14, 24},
      {"right up", [](WindowQueueTest& t) { t.PushButton(SDL_BUTTON_RIGHT, false, 15, 25); },
       platform::kMsgRButtonUp, 0, 15, 25},
      {"middle down", [](WindowQueueTest& t) { t.PushButton(SDL_BUTTON_MIDDLE, true, 639, 479); },
       platform::kMsgMButtonDown, 16, 639, 479},
      {"middle up", [](WindowQueueTest& t) { t.PushButton(SDL_BUTTON_MIDDLE, false, 0, 0); },
       platform::kMsgMButtonUp, 0, 0, 0},
      {"shift held", [](WindowQueueTest& t) {
         t.PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
         t.PushMotion(1, 2);
       }, platform::kMsgMouseMove, 4, 1, 2},
      {"shift and ctrl", [](WindowQueueTest& t) {
         t.PushKey(SDLK_RCTRL, SDL_SCANCODE_RCTRL, true);
         t.PushButton(SDL_BUTTON_LEFT, true, 3, 4);
       }, platform::kMsgLButtonDown, 1 | 4 | 8, 3, 4},
      {"all released", [](WindowQueueTest& t) {
         t.PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false);
         t.PushKey(SDLK_RCTRL, SDL_SCANCODE_RCTRL, false);
         t.PushButton(SDL_BUTTON_LEFT, false, 5, 6);
       }, platform::kMsgLButtonUp, 0, 5, 6},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    r.push(*this);
    std::vector<Message> got = Drain();
    // Key messages may come first; the mouse message is the last one.
    ASSERT_FALSE(got.empty());
    const Message& m = got.back();
    EXPECT_EQ(m.window, window_->GetHandle());
    EXPECT_EQ(m.message, r.message);
    EXPECT_EQ(m.wParam, r.flags);
    EXPECT_EQ(platform::PointParamX(m.lParam), r.x);
    EXPECT_EQ(platform::PointParamY(m.lParam), r.y);
    EXPECT_EQ(m.point.x, r.x);
    EXPECT_EQ(m.point.y, r.y);
  }
  // The key state table follows the buttons too.
  PushButton(SDL_BUTTON_RIGHT, true, 0, 0);
  Drain();
  EXPECT_LT(platform::GetKeyState(platform::kKeyMouseRight), 0);
  PushButton(SDL_BUTTON_RIGHT, false, 0, 0);
  Drain();
  EXPECT_EQ(platform::GetKeyState(platform::kKeyMouseRight), 0);
}

TEST_F(WindowQueueTest, PointsAreMappedThroughTheLogicalScaling) {
  // A 1280 x 720 window shows the 640 x 480 picture 960 x 720, 160 pixels in.
  SDL_SetWindowSize(window_->GetSdlWindow(), 1280, 720);
  int w = 0;
  int h = 0;
  SDL_GetWindowSize(window_->GetSdlWindow(), &w, &h);
  ASSERT_EQ(w, 1280);
  ASSERT_EQ(h, 720);
  Drain();  // the resize repaints
  struct Row {
    int windowX, windowY;
    int16_t x, y;
  };
  const Row rows[] = {
      {160, 0, 0, 0},       {161, 1, 0, 0},       {175, 30, 10, 20},  {1119, 719, 639, 479},
      {1120, 0, 640, 0},    {159, 0, -1, 0},      {0, 0, -107, 0},    {1279, 719, 746, 479},
      {640, 360, 320, 240},
  };
  for (const Row& r : rows) {
    PushMotion(r.windowX, r.windowY);
    std::vector<Message> got = Drain();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(platform::PointParamX(got[0].lParam), r.x) << r.windowX << "," << r.windowY;
    EXPECT_EQ(platform::PointParamY(got[0].lParam), r.y) << r.windowX << "," << r.windowY;
  }
  // A window rectangle away from the screen origin: client points are
  // relative to it, the message point is in screen coordinates.
  window_->SetBounds(platform::Rect{100, 50, 740, 530});
  SDL_SetWindowSize(window_->GetSdlWindow(), 640, 480);
  Drain();
  PushMotion(5, 6);
  std::vector<Message> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(platform::PointParamX(got[0].lParam), 5);
  EXPECT_EQ(got[0].point.x, 105);
  EXPECT_EQ(got[0].point.y, 56);
  platform::ScreenPoint p{105, 56};
  platform::ScreenToClient(window_.get(), p);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
}

TEST_F(WindowQueueTest, MessagesCarryTheTickCountForClickTiming) {
  platform::FakeClock clock;
  platform::ScopedClockSource scoped(&clock);
  clock.SetTickCount(10000);
  PushButton(SDL_BUTTON_LEFT, true, 1, 1, 500);
  std::vector<Message> first = Drain();
  clock.AdvanceMilliseconds(120);
  PushButton(SDL_BUTTON_LEFT, false, 1, 1, 620);
  std::vector<Message> second = Drain();
  clock.AdvanceMilliseconds(300);
  PushButton(SDL_BUTTON_LEFT, true, 1, 1, 920);
  Message third;
  ASSERT_TRUE(platform::PeekMessage(third, false));
  EXPECT_EQ(platform::GetMessageTime(), 10120u);  // a look does not make it current
  ASSERT_TRUE(platform::PeekMessage(third, true));
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(first[0].time, 10000u);
  EXPECT_EQ(second[0].time, 10120u);
  EXPECT_EQ(third.time, 10420u);
  EXPECT_EQ(platform::GetMessageTime(), 10420u);
  EXPECT_EQ(third.time - second[0].time, 300u);  // under the double-click time
  EXPECT_LT(third.time - second[0].time, platform::GetDoubleClickTime());
}

// A program held up reads several clicks at once: each message keeps the
// time its event happened, by SDL's stamp or, where the X11 driver hands it
// over, by the X server's time, not the time the batch was read.
TEST_F(WindowQueueTest, EventsReadLateKeepTheTimeTheyHappened) {
  platform::FakeClock clock;
  platform::ScopedClockSource scoped(&clock);
  clock.SetTickCount(50000);
  // One press read at once fixes how SDL's clock relates to ours.
  PushButton(SDL_BUTTON_LEFT, true, 1, 1, 3000);
  PushButton(SDL_BUTTON_LEFT, false, 1, 1, 3000);
  Drain();
  // Two quick clicks and, 700 ms later, a right click, all read 2 s late.
  const Uint32 stamps[] = {4000, 4080, 4160, 4240, 4940, 5020};
  PushButton(SDL_BUTTON_LEFT, true, 1, 1, stamps[0]);
  PushButton(SDL_BUTTON_LEFT, false, 1, 1, stamps[1]);
  PushButton(SDL_BUTTON_LEFT, true, 1, 1, stamps[2]);
  PushButton(SDL_BUTTON_LEFT, false, 1, 1, stamps[3]);
  PushButton(SDL_BUTTON_RIGHT, true, 1, 1, stamps[4]);
  PushButton(SDL_BUTTON_RIGHT, false, 1, 1, stamps[5]);
  clock.SetTickCount(54000);
  std::vector<Message> got = Drain();
  ASSERT_EQ(got.size(), 6u);
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].time, 50000u + (stamps[i] - 3000u)) << i;
  }
  EXPECT_GT(got[4].time - got[3].time, platform::GetDoubleClickTime());

  // SDL's X11 driver stamps events when it reads them; the X server's time
  // of each comes in the window-system message ahead of it.
  platform::ResetMessageQueue();
  clock.SetTickCount(70000);
  const uint32_t server[] = {900000, 900080, 900780};
  PushX11ButtonMessage(true, server[0]);
  PushButton(SDL_BUTTON_LEFT, true, 1, 1, 7000);
  PushX11ButtonMessage(false, server[1]);
  PushButton(SDL_BUTTON_LEFT, false, 1, 1, 7000);
  PushX11ButtonMessage(true, server[2]);
  PushButton(SDL_BUTTON_RIGHT, true, 1, 1, 7000);
  got = Drain();
  ASSERT_EQ(got.size(), 3u);
  // The freshest event fixes the offset: none is dated after it was read.
  EXPECT_EQ(got[2].time, 70000u);
  EXPECT_EQ(got[2].time - got[1].time, 700u);
  EXPECT_EQ(got[1].time - got[0].time, 80u);
}

// While a message is handled, the key state is the one of its event, even
// when later events of the same batch pressed or released keys.
TEST_F(WindowQueueTest, KeyStateFollowsTheMessageBeingHandled) {
  PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
  PushKey(SDLK_F12, SDL_SCANCODE_F12, true);
  PushKey(SDLK_F12, SDL_SCANCODE_F12, false);
  PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false);
  PushButton(SDL_BUTTON_LEFT, true, 5, 5);
  PushButton(SDL_BUTTON_LEFT, false, 5, 5);
  Message m;
  ASSERT_TRUE(platform::PeekMessage(m, false));
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 0);  // a look changes nothing
  struct Step {
    uint32_t message;
    uintptr_t wParam;
    bool shift;
    bool f12;
    bool left;
  };
  const Step steps[] = {
      {platform::kMsgKeyDown, platform::kKeyShift, true, false, false},
      {platform::kMsgKeyDown, platform::kKeyF12, true, true, false},
      {platform::kMsgKeyUp, platform::kKeyF12, true, false, false},
      {platform::kMsgKeyUp, platform::kKeyShift, false, false, false},
      {platform::kMsgLButtonDown, platform::kMouseFlagLeftButton, false, false, true},
      {platform::kMsgLButtonUp, 0, false, false, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.message);
    ASSERT_TRUE(platform::PeekMessage(m, true));
    EXPECT_EQ(m.message, step.message);
    EXPECT_EQ(m.wParam, step.wParam);
    EXPECT_EQ(platform::GetKeyState(platform::kKeyShift) < 0, step.shift);
    EXPECT_EQ(platform::GetKeyState(platform::kKeyLeftShift) < 0, step.shift);
    EXPECT_EQ(platform::GetKeyState(platform::kKeyF12) < 0, step.f12);
    EXPECT_EQ(platform::GetKeyState(platform::kKeyMouseLeft) < 0, step.left);
  }
  // A message posted by the program leaves the key state as it is.
  PushKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, true);
  Drain();
  ASSERT_TRUE(platform::PostMessage(window_->GetHandle(), platform::kMsgUser, 0, 0));
  PushKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, false);
  ASSERT_TRUE(platform::PeekMessage(m, true));
  EXPECT_EQ(m.message, platform::kMsgUser);
  EXPECT_LT(platform::GetKeyState(platform::kKeyShift), 0);
  ASSERT_TRUE(platform::PeekMessage(m, true));
  EXPECT_EQ(m.message, platform::kMsgKeyUp);
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 0);
}

// A press that comes with a focus change is a click for the window: the
// queue keeps it, and SDL is asked not to drop presses that its X11 driver
// reads within a few milliseconds of a focus event.
TEST_F(WindowQueueTest, ClicksThatComeWithTheFocusAreKept) {
  EXPECT_TRUE(SDL_GetHintBoolean(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, SDL_FALSE));
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  PushButton(SDL_BUTTON_LEFT, true, 30, 40);
  PushButton(SDL_BUTTON_LEFT, false, 30, 40);
  PushButton(SDL_BUTTON_LEFT, true, 30, 40);
  PushButton(SDL_BUTTON_LEFT, false, 30, 40);
  std::vector<uint32_t> codes;
  for (const Message& m : Drain()) codes.push_back(m.message);
  const std::vector<uint32_t> expected = {platform::kMsgActivateApp, platform::kMsgActivate,  platform::kMsgSetFocus,
                                          platform::kMsgLButtonDown, platform::kMsgLButtonUp, platform::kMsgLButtonDown,
                                          platform::kMsgLButtonUp};
  EXPECT_EQ(codes, expected);
}

TEST_F(WindowQueueTest, KeysGiveVirtualKeyCodesAndFlags) {
  struct Row {
    SDL_Keycode sym;
    SDL_Scancode scancode;
    uint32_t key;
    uint32_t flags;  // of the press
  };
  const Row rows[] = {
      {SDLK_a, SDL_SCANCODE_A, 'A', 0},
      {SDLK_z, SDL_SCANCODE_Z, 'Z', 0},
      {SDLK_p, SDL_SCANCODE_P, 'P', 0},
      {SDLK_r, SDL_SCANCODE_R, 'R', 0},
      {SDLK_0, SDL_SCANCODE_0, '0', 0},
      {SDLK_7, SDL_SCANCODE_7, '7', 0},
      {SDLK_F1, SDL_SCANCODE_F1, 0x70, 0},
      {SDLK_F12, SDL_SCANCODE_F12, 0x7B, 0},
      {SDLK_RETURN, SDL_SCANCODE_RETURN, 0x0D, 0},
      {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 0x0D, platform::kKeyFlagExtended},
      {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 0x1B, 0},
      {SDLK_SPACE, SDL_SCANCODE_SPACE, 0x20, 0},
      {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 0x08, 0},
      {SDLK_TAB, SDL_SCANCODE_TAB, 0x09, 0},
      {SDLK_LEFT, SDL_SCANCODE_LEFT, 0x25, platform::kKeyFlagExtended},
      {SDLK_UP, SDL_SCANCODE_UP, 0x26, platform::kKeyFlagExtended},
      {SDLK_RIGHT, SDL_SCANCODE_RIGHT, 0x27, platform::kKeyFlagExtended},
      {SDLK_DOWN, SDL_SCANCODE_DOWN, 0x28, platform::kKeyFlagExtended},
      {SDLK_HOME, SDL_SCANCODE_HOME, 0x24, platform::kKeyFlagExtended},
      {SDLK_DELETE, SDL_SCANCODE_DELETE, 0x2E, platform::kKeyFlagExtended},
      {SDLK_KP_5, SDL_SCANCODE_KP_5, 0x65, 0},
      {SDLK_KP_0, SDL_SCANCODE_KP_0, 0x60, 0},
      {SDLK_COMMA, SDL_SCANCODE_COMMA, 0xBC, 0},
      {SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, 0x10, 0},
      {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 0x10, 0},
      {SDLK_LCTRL, SDL_SCANCODE_LCTRL, 0x11, 0},
      {SDLK_RCTRL, SDL_SCANCODE_RCTRL, 0x11, platform::kKeyFlagExtended},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(SDL_GetKeyName(r.sym));
    PushKey(r.sym, r.scancode, true);
    PushKey(r.sym, r.scancode, false);
    std::vector<Message> got = Drain();
    // Press, maybe the character of Return/Escape/Back/Tab, release.
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got.front().message, platform::kMsgKeyDown);
    EXPECT_EQ(got.front().wParam, r.key);
    EXPECT_EQ(platform::KeyFlagsOf(got.front().lParam), r.flags);
    EXPECT_EQ(got.front().lParam & 0xFFFF, 1);  // repeat count
    EXPECT_EQ(got.back().message, platform::kMsgKeyUp);
    EXPECT_EQ(got.back().wParam, r.key);
    EXPECT_EQ(platform::KeyFlagsOf(got.back().lParam),
              r.flags | platform::kKeyFlagRepeat | platform::kKeyFlagUp);
    EXPECT_EQ(platform::GetKeyState(r.key), 0);
  }
  // A layout whose key gives no Latin letter still names the key's letter.
  PushKey(0x0444 /* Cyrillic ef */, SDL_SCANCODE_A, true);
  std::vector<Message> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wParam, static_cast<uintptr_t>('A'));
}

TEST_F(WindowQueueTest, HeldKeysRepeatTheirPressWithTheRepeatFlag) {
  PushKey(SDLK_RIGHT, SDL_SCANCODE_RIGHT, true);
  PushKey(SDLK_RIGHT, SDL_SCANCODE_RIGHT, true, true);
  PushKey(SDLK_RIGHT, SDL_SCANCODE_RIGHT, true, true);
  PushKey(SDLK_RIGHT, SDL_SCANCODE_RIGHT, false);
  std::vector<Message> got = Drain();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(platform::KeyFlagsOf(got[0].lParam) & platform::kKeyFlagRepeat, 0u);
  EXPECT_NE(platform::KeyFlagsOf(got[1].lParam) & platform::kKeyFlagRepeat, 0u);
  EXPECT_NE(platform::KeyFlagsOf(got[2].lParam) & platform::kKeyFlagRepeat, 0u);
  EXPECT_EQ(got[3].message, platform::kMsgKeyUp);
  // The key state: down while held, with both the generic and the sided key.
  PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
  PushKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, true);
  PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, false);
  Drain();
  EXPECT_LT(platform::GetKeyState(platform::kKeyShift), 0);  // right Shift still down
  EXPECT_EQ(platform::GetKeyState(platform::kKeyLeftShift), 0);
  EXPECT_LT(platform::GetKeyState(platform::kKeyRightShift), 0);
  PushKey(SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, false);
  Drain();
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 0);
}

TEST_F(WindowQueueTest, TextInputGivesCodePage1252Characters) {
  struct Row {
    const char* what;
    std::function<void(WindowQueueTest&)> push;
    std::vector<uint8_t> chars;
    std::vector<uint32_t> flags;
  };
  const Row rows[] = {
      {"plain letter", [](WindowQueueTest& t) {
         t.PushKey(SDLK_a, SDL_SCANCODE_A, true);
         t.PushText("a");
         t.PushKey(SDLK_a, SDL_SCANCODE_A, false);
       }, {'a'}, {0}},
      {"umlaut, euro and a dash", [](WindowQueueTest& t) { t.PushText("\xC3\xB6\xE2\x82\xAC\xE2\x80\x94"); },
       {0xF6, 0x80, 0x97}, {0, 0, 0}},
      {"no such character in the page", [](WindowQueueTest& t) { t.PushText("\xE6\x97\xA5"); }, {'?'}, {0}},
      {"held key repeats its character with the repeat flag", [](WindowQueueTest& t) {
         t.PushKey(SDLK_b, SDL_SCANCODE_B, true);
         t.PushText("b");
         t.PushKey(SDLK_b, SDL_SCANCODE_B, true, true);
         t.PushText("b");
         t.PushKey(SDLK_b, SDL_SCANCODE_B, false);
       }, {'b', 'b'}, {0, platform::kKeyFlagRepeat}},
      {"Return, Escape, Backspace and Tab type their control characters", [](WindowQueueTest& t) {
         t.PushKey(SDLK_RETURN, SDL_SCANCODE_RETURN, true);
         t.PushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
         t.PushKey(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, true);
         t.PushKey(SDLK_TAB, SDL_SCANCODE_TAB, true);
         t.PushKey(SDLK_RETURN, SDL_SCANCODE_RETURN, false);
         t.PushKey(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, false);
         t.PushKey(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, false);
         t.PushKey(SDLK_TAB, SDL_SCANCODE_TAB, false);
       }, {0x0D, 0x1B, 0x08, 0x09}, {0, 0, 0, 0}},
      {"Ctrl+C types 3", [](WindowQueueTest& t) {
         t.PushKey(SDLK_LCTRL, SDL_SCANCODE_LCTRL, true);
         t.PushKey(SDLK_c, SDL_SCANCODE_C, true);
         t.PushKey(SDLK_c, SDL_SCANCODE_C, false);
         t.PushKey(SDLK_LCTRL, SDL_SCANCODE_LCTRL, false);
       }, {3}, {0}},
      {"left Alt with a letter types nothing", [](WindowQueueTest& t) {
         t.PushKey(SDLK_LALT, SDL_SCANCODE_LALT, true);
         t.PushKey(SDLK_x, SDL_SCANCODE_X, true);
         t.PushText("x");
         t.PushKey(SDLK_x, SDL_SCANCODE_X, false);
         t.PushKey(SDLK_LALT, SDL_SCANCODE_LALT, false);
       }, {}, {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    r.push(*this);
    std::vector<uint8_t> chars;
    std::vector<uint32_t> flags;
    for (const Message& m : Drain()) {
      if (m.message == platform::kMsgChar) {
        chars.push_back(static_cast<uint8_t>(m.wParam));
        flags.push_back(platform::KeyFlagsOf(m.lParam) & platform::kKeyFlagRepeat);
      }
    }
    EXPECT_EQ(chars, r.chars);
    EXPECT_EQ(flags, r.flags);
  }
}

TEST_F(WindowQueueTest, AltKeysAreSystemKeysAndAltF4AsksToClose) {
  PushKey(SDLK_LALT, SDL_SCANCODE_LALT, true);
  PushKey(SDLK_F4, SDL_SCANCODE_F4, true);
  std::vector<Message> got = Drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, platform::kMsgSysKeyDown);
  EXPECT_EQ(got[0].wParam, static_cast<uintptr_t>(platform::kKeyAlt));
  EXPECT_EQ(got[1].message, platform::kMsgSysKeyDown);
  EXPECT_EQ(got[1].wParam, static_cast<uintptr_t>(platform::kKeyF4));
  EXPECT_NE(platform::KeyFlagsOf(got[1].lParam) & platform::kKeyFlagAltDown, 0u);
  // Nobody handles it: default processing turns it into the close command,
  // and the close command into the close message.
  platform::DefaultWindowProcedure(got[1]);
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, platform::kMsgSysCommand);
  EXPECT_EQ(got[0].wParam, static_cast<uintptr_t>(platform::kSysCommandClose));
  platform::DispatchMessage(got[0]);  // no procedure: default processing
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, platform::kMsgClose);
  EXPECT_EQ(got[0].window, window_->GetHandle());

  PushKey(SDLK_F4, SDL_SCANCODE_F4, false);
  PushKey(SDLK_LALT, SDL_SCANCODE_LALT, false);
  got = Drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, platform::kMsgSysKeyUp);
  EXPECT_EQ(got[1].message, platform::kMsgSysKeyUp);
  // F4 alone, and F10, are a plain key and a system key.
  PushKey(SDLK_F4, SDL_SCANCODE_F4, true);
  PushKey(SDLK_F10, SDL_SCANCODE_F10, true);
  got = Drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].message, platform::kMsgKeyDown);
  platform::DefaultWindowProcedure(got[0]);
  EXPECT_EQ(got[1].message, platform::kMsgSysKeyDown);
  EXPECT_EQ(got[1].wParam, 0x79u);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(WindowQueueTest, PaintComesFromTheUpdateRegionWhenNothingElseWaits) {
  const platform::Rect a{10, 20, 30, 40};
  const platform::Rect b{100, 5, 120, 25};
  window_->Invalidate(&a);
  window_->Invalidate(&b);
  ASSERT_TRUE(platform::PostMessage(window_->GetHandle(), platform::kMsgUser + 7, 0, 0));
  Message m;
  ASSERT_TRUE(platform::PeekMessage(m, true));
  EXPECT_EQ(m.message, platform::kMsgUser + 7u);  // posted messages come before paint
  ASSERT_TRUE(platform::PeekMessage(m, false));
  EXPECT_EQ(m.message, platform::kMsgPaint);
  platform::Rect update;
  ASSERT_TRUE(window_->GetUpdateRect(update));
  EXPECT_EQ(update, (platform::Rect{10, 5, 120, 40}));
  ASSERT_TRUE(platform::PeekMessage(m, true));
  std::vector<platform::Rect> painted;
  window_->SetProcedure([&](platform::Window& w, const Message& msg) -> intptr_t {
    if (msg.message == platform::kMsgPaint) {
      painted.push_back(w.BeginPaint());
    }
    return 0;
  });
  platform::DispatchMessage(m);
  ASSERT_EQ(painted.size(), 1u);
  EXPECT_EQ(painted[0], (platform::Rect{10, 5, 120, 40}));
  EXPECT_FALSE(platform::PeekMessage(m, false));

  // A procedure that does not paint: the dispatch validates all the same.
  window_->SetProcedure([](platform::Window&, const Message&) -> intptr_t { return 0; });
  window_->Invalidate(nullptr);
  ASSERT_TRUE(platform::PeekMessage(m, true));
  platform::DispatchMessage(m);
  EXPECT_FALSE(platform::PeekMessage(m, false));

  // Exposure invalidates the whole window; a hidden window gets no paint.
  PushWindowEvent(SDL_WINDOWEVENT_EXPOSED);
  ASSERT_TRUE(platform::PeekMessage(m, false));
  ASSERT_TRUE(window_->GetUpdateRect(update));
  EXPECT_EQ(update, (platform::Rect{0, 0, 640, 480}));
  window_->Show(false);
  EXPECT_FALSE(platform::PeekMessage(m, false));
  window_->Show(true);
  EXPECT_TRUE(platform::PeekMessage(m, false));

  // Validating a band shrinks the region; validating all empties it.
  window_->Validate(nullptr);
  const platform::Rect c{0, 0, 640, 100};
  window_->Invalidate(nullptr);
  window_->Validate(&c);
  ASSERT_TRUE(window_->GetUpdateRect(update));
  EXPECT_EQ(update, (platform::Rect{0, 100, 640, 480}));
  window_->Validate(nullptr);
  EXPECT_FALSE(window_->GetUpdateRect(update));
}

TEST_F(WindowQueueTest, FocusGivesActivationMessagesAndReleasesHeldKeys) {
  PushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true);
  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  std::vector<Message> got = Drain();
  std::vector<std::pair<uint32_t, uintptr_t>> codes;
  for (const Message& m : got) codes.emplace_back(m.message, m.wParam);
  const std::vector<std::pair<uint32_t, uintptr_t>> gained = {
      {platform::kMsgKeyDown, platform::kKeyShift},
      {platform::kMsgActivateApp, 1},
      {platform::kMsgActivate, 1},
      {platform::kMsgSetFocus, 0}};
  EXPECT_EQ(codes, gained);
  EXPECT_LT(platform::GetKeyState(platform::kKeyShift), 0);

  PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  codes.clear();
  for (const Message& m : Drain()) codes.emplace_back(m.message, m.wParam);
  const std::vector<std::pair<uint32_t, uintptr_t>> lost = {
      {platform::kMsgActivate, 0}, {platform::kMsgActivateApp, 0}, {platform::kMsgKillFocus, 0}};
  EXPECT_EQ(codes, lost);
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 0);

  PushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].message, platform::kMsgClose);
}

TEST_F(WindowQueueTest, CaptureSendsTheMouseToTheCapturingWindow) {
  platform::WindowOptions options;
  options.native = false;
  options.bounds = platform::Rect{100, 100, 300, 200};
  std::unique_ptr<platform::Window> inner = platform::Window::Create(options);
  ASSERT_NE(inner, nullptr);
  platform::SetCapture(inner->GetHandle());
  EXPECT_EQ(platform::GetCapture(), inner->GetHandle());
  PushMotion(50, 60);
  std::vector<Message> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].window, inner->GetHandle());
  EXPECT_EQ(platform::PointParamX(got[0].lParam), -50);
  EXPECT_EQ(platform::PointParamY(got[0].lParam), -40);
  platform::ReleaseCapture();
  PushMotion(50, 60);
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].window, window_->GetHandle());
  // A disabled window takes no input; a window gone loses the capture.
  window_->SetEnabled(false);
  PushMotion(1, 1);
  PushKey(SDLK_a, SDL_SCANCODE_A, true);
  EXPECT_TRUE(Drain().empty());
  window_->SetEnabled(true);
  platform::SetCapture(inner->GetHandle());
  inner.reset();
  EXPECT_EQ(platform::GetCapture(), 0u);
}

TEST_F(WindowQueueTest, PostingFromOtherThreadsArrivesInOrderAndWakesTheWait) {
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  const platform::WindowHandle handle = window_->GetHandle();
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, handle] {
      for (int i = 0; i < kEach; ++i) {
        platform::PostMessage(handle, platform::kMsgUser + 1, static_cast<uintptr_t>(t), i);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  std::vector<int> next(kThreads, 0);
  int count = 0;
  Message m;
  while (platform::PeekMessage(m, true)) {
    ASSERT_EQ(m.message, platform::kMsgUser + 1u);
    ASSERT_LT(m.wParam, static_cast<uintptr_t>(kThreads));
    EXPECT_EQ(m.lParam, next[m.wParam]++);
    ++count;
  }
  EXPECT_EQ(count, kThreads * kEach);

  // A wait ends when another thread posts, long before its time runs out (a
  // minute, against half of it: no load on the machine stretches the post's
  // 50 ms that far, a wait that misses the post lasts the whole minute).
  const auto start = std::chrono::steady_clock::now();
  std::thread late([handle] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    platform::PostMessage(handle, platform::kMsgUser + 2, 0, 0);
  });
  EXPECT_TRUE(platform::WaitForMessage(60000));
  const auto waited = std::chrono::steady_clock::now() - start;
  late.join();
  EXPECT_LT(waited, std::chrono::seconds(30));
  ASSERT_TRUE(platform::PeekMessage(m, true));
  EXPECT_EQ(m.message, platform::kMsgUser + 2u);

  // Nothing comes: the wait ends with its time, to the microsecond asked
  // for (not rounded down to whole milliseconds).
  const auto before = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::WaitForMessage(60));
  EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(55));
  const auto shortBefore = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::WaitForMessageMicroseconds(2500));
  EXPECT_GE(std::chrono::steady_clock::now() - shortBefore, std::chrono::microseconds(2500));

  // A wait without end ends when a message is posted.
  std::thread later([handle] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    platform::PostMessage(handle, platform::kMsgUser + 3, 0, 0);
  });
  EXPECT_TRUE(platform::WaitForMessageMicroseconds(platform::kWaitForever));
  later.join();
  ASSERT_TRUE(platform::PeekMessage(m, true));
  EXPECT_EQ(m.message, platform::kMsgUser + 3u);

  EXPECT_FALSE(platform::PostMessage(987654, platform::kMsgUser, 0, 0));  // no such window
  EXPECT_TRUE(platform::PostMessage(0, platform::kMsgUser, 0, 0));        // to the thread
  EXPECT_TRUE(platform::PeekAnyMessage());                                // the engine's hook sees it
}

TEST_F(WindowQueueTest, TheLoopRunsIdleStepsSeesEveryMessageAndEndsOnQuit) {
  std::vector<uint32_t> seen;
  std::vector<uint32_t> dispatched;
  int idleCalls = 0;
  window_->SetProcedure([&](platform::Window&, const Message& m) -> intptr_t {
    dispatched.push_back(m.message);
    if (m.message == platform::kMsgUser + 2) {
      platform::PostQuitMessage(7);
    }
    return 0;
  });
  platform::MessageLoopHooks hooks;
  hooks.preDispatch = [&](const Message& m) {
    seen.push_back(m.message);
    return m.message == platform::kMsgUser + 1;  // handled here: not dispatched
  };
  hooks.onIdle = [&](int32_t count) {
    ++idleCalls;
    if (count == 3) {
      platform::PostMessage(window_->GetHandle(), platform::kMsgUser + 1, 0, 0);
      platform::PostMessage(window_->GetHandle(), platform::kMsgUser + 2, 0, 0);
    }
    return true;
  };
  EXPECT_EQ(platform::RunMessageLoop(hooks), 7);
  EXPECT_EQ(idleCalls, 4);
  EXPECT_EQ(seen, (std::vector<uint32_t>{platform::kMsgUser + 1, platform::kMsgUser + 2}));
  EXPECT_EQ(dispatched, (std::vector<uint32_t>{platform::kMsgUser + 2}));

  // A nested pump returns false on the quit message and reports its code.
  platform::PostQuitMessage(3);
  int32_t code = 0;
  EXPECT_FALSE(platform::PumpMessage(hooks, &code));
  EXPECT_EQ(code, 3);
}

// The stacking order: the window made, shown or raised last stands in front
// of its group; topmost windows stand before all others; hidden windows are
// never the top window.
TEST_F(WindowQueueTest, TopWindowFollowsTheStackingOrder) {
  auto make = [](const char* name, bool topmost, bool visible) {
    platform::WindowOptions options;
    options.className = name;
    options.native = false;
    options.visible = visible;
    options.topmost = topmost;
    return platform::Window::Create(options);
  };
  auto name = [] {
    platform::Window* top = platform::Window::GetTopWindow();
    return top == nullptr ? std::string("none") : top->GetClassName();
  };
  EXPECT_EQ(name(), "OstrevanTest");
  auto a = make("a", false, true);
  EXPECT_EQ(name(), "a");  // made last, in front
  auto b = make("b", true, false);
  EXPECT_EQ(name(), "a");  // topmost but hidden
  b->Show(true);
  EXPECT_EQ(name(), "b");
  window_->Raise();
  EXPECT_EQ(name(), "b");  // raising stays behind the topmost window
  b->SetTopmost(false);
  EXPECT_EQ(name(), "b");  // leaves the topmost group at the front of the others
  window_->Raise();
  EXPECT_EQ(name(), "OstrevanTest");
  a->SetTopmost(true);
  EXPECT_TRUE(a->IsTopmost());
  EXPECT_EQ(name(), "a");
  auto c = make("c", false, true);
  EXPECT_EQ(name(), "a");  // a new window goes in front of its group only
  a.reset();
  EXPECT_EQ(name(), "c");
  c->Show(false);
  b->Show(false);
  window_->Show(false);
  EXPECT_EQ(name(), "none");

  // The SDL window is made with the always-on-top request (changes later go
  // through SDL_SetWindowAlwaysOnTop, which the dummy driver ignores).
  platform::WindowOptions options;
  options.className = "native";
  options.topmost = true;
  auto native = platform::Window::Create(options);
  ASSERT_NE(native, nullptr) << SDL_GetError();
  EXPECT_NE(SDL_GetWindowFlags(native->GetSdlWindow()) & SDL_WINDOW_ALWAYS_ON_TOP, 0u);
  native->SetTopmost(false);
  EXPECT_FALSE(native->IsTopmost());
}

TEST_F(WindowQueueTest, TheCursorBackendIsInstalled) {
  ASSERT_NE(platform::GetSdlCursorBackend(), nullptr);
  EXPECT_EQ(platform::SdlCursorBackend::SystemCursorKind(32512), SDL_SYSTEM_CURSOR_ARROW);
  EXPECT_EQ(platform::SdlCursorBackend::SystemCursorKind(32514), SDL_SYSTEM_CURSOR_WAIT);
  EXPECT_EQ(platform::SdlCursorBackend::SystemCursorKind(32649), SDL_SYSTEM_CURSOR_HAND);
  EXPECT_EQ(platform::SdlCursorBackend::SystemCursorKind(12345), -1);
  // A program cursor nobody registered is not found (the arrow shows instead).
  EXPECT_FALSE(platform::ShowCursorById(platform::CursorSource::kProgram, 113));
}

}  // namespace

namespace {

// The wheel: 120 a notch in the high word (positive away from the user,
// flipped devices turned back), the held buttons in the low word, the
// pointer's screen point; a sideways turn makes no message.
TEST_F(WindowQueueTest, WheelTurnsBecomeWheelMessages) {
  struct Row {
    int32_t y;
    uint32_t direction;
    int16_t turn;
  };
  const Row rows[] = {{1, SDL_MOUSEWHEEL_NORMAL, 120}, {-2, SDL_MOUSEWHEEL_NORMAL, -240}, {1, SDL_MOUSEWHEEL_FLIPPED, -120}};
  PushMotion(30, 40);
  PushButton(SDL_BUTTON_LEFT, true, 30, 40);
  for (const Row& r : rows) {
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = sdlId_;
    e.wheel.y = r.y;
    e.wheel.direction = r.direction;
    SDL_PushEvent(&e);
  }
  SDL_Event sideways{};
  sideways.type = SDL_MOUSEWHEEL;
  sideways.wheel.windowID = sdlId_;
  sideways.wheel.x = 1;
  SDL_PushEvent(&sideways);
  std::vector<Message> wheel;
  for (const Message& m : Drain()) {
    if (m.message == platform::kMsgMouseWheel) wheel.push_back(m);
  }
  ASSERT_EQ(wheel.size(), 3u);
  for (size_t i = 0; i < wheel.size(); ++i) {
    EXPECT_EQ(static_cast<int16_t>(wheel[i].wParam >> 16), rows[i].turn) << i;
    EXPECT_EQ(wheel[i].wParam & 0xFFFF, platform::kMouseFlagLeftButton) << i;
    EXPECT_EQ(wheel[i].window, window_->GetHandle());
    EXPECT_EQ(platform::PointParamX(wheel[i].lParam), 30);
    EXPECT_EQ(platform::PointParamY(wheel[i].lParam), 40);
  }
}

TEST(LogicalScaling, ThePointerPutAtALogicalPointMapsBackToIt) {
  // Every logical coordinate of 640 and 480 through outputs as large or
  // larger than the picture, letterboxed or not.
  for (const int output : {640, 641, 700, 960, 1024, 1080, 1280, 1366, 1920, 2561}) {
    for (const int logical : {480, 640}) {
      if (output < logical) continue;
      for (int c = -3; c < logical + 3; ++c) {
        const int32_t at = platform::MapFromLogical(c, 7, output, logical);
        EXPECT_EQ(platform::MapToLogical(at, 7, output, logical), c) << output << " " << logical << " " << c;
      }
    }
  }
  // Smaller than the picture: the pixel answered maps to the point or the next one.
  for (int c = 0; c < 640; ++c) {
    const int32_t back = platform::MapToLogical(platform::MapFromLogical(c, 0, 500, 640), 0, 500, 640);
    EXPECT_GE(back, c);
    EXPECT_LE(back, c + 1);
  }
}

TEST_F(WindowQueueTest, AWarpedPointerArrivesExactlyAtTheWarpedPointAtEveryWindowSize) {
  ASSERT_NE(SDL_GetCurrentVideoDriver(), nullptr);
  struct Size {
    int w, h;
  };
  // Shrunk windows included: there the pointer's own motion is mapped to the
  // warped point although the scaling would round it away.
  for (const Size size : {Size{640, 480}, Size{1280, 720}, Size{1000, 700}, Size{1366, 768}, Size{500, 333},
                          Size{317, 239}}) {
    SDL_SetWindowSize(window_->GetSdlWindow(), size.w, size.h);
    Drain();
    for (const platform::Point p : {platform::Point{320, 240}, platform::Point{0, 0}, platform::Point{639, 479},
                                    platform::Point{333, 111}}) {
      ASSERT_TRUE(platform::WarpPointer(p.x, p.y));
      std::vector<Message> got = Drain();
      ASSERT_EQ(got.size(), 1u) << size.w << "x" << size.h;
      EXPECT_EQ(got[0].message, platform::kMsgMouseMove);
      EXPECT_EQ(platform::PointParamX(got[0].lParam), p.x) << size.w << "x" << size.h;
      EXPECT_EQ(platform::PointParamY(got[0].lParam), p.y) << size.w << "x" << size.h;
    }
  }
  // A thousand moves away and back by warping: the pointer ends where it was
  // sent every time, never a pixel beside it.
  SDL_SetWindowSize(window_->GetSdlWindow(), 1366, 768);
  Drain();
  int missed = 0;
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(platform::WarpPointer(320 + (i % 7) - 3, 240 + (i % 5) - 2));
    Drain();
    ASSERT_TRUE(platform::WarpPointer(320, 240));
    for (const Message& m : Drain()) {
      if (platform::PointParamX(m.lParam) != 320 || platform::PointParamY(m.lParam) != 240) ++missed;
    }
  }
  EXPECT_EQ(missed, 0);
  platform::SetPointerGrab(true);
  platform::SetPointerGrab(false);
}

}  // namespace
