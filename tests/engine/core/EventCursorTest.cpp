// Event records, click counting, key modifiers and the cursor service.
#include <gtest/gtest.h>

#include <vector>

#include "engine/core/Cursor.h"
#include "engine/core/VEvent.h"
#include "platform/Cursor.h"
#include "platform/Input.h"

namespace {

using platform::kMouseFlagControl;
using platform::kMouseFlagLeftButton;
using platform::kMouseFlagMiddleButton;
using platform::kMouseFlagRightButton;
using platform::kMouseFlagShift;

uint32_t Pack(int16_t x, int16_t y) {
  return static_cast<uint32_t>(static_cast<uint16_t>(x)) | (static_cast<uint32_t>(static_cast<uint16_t>(y)) << 16);
}

TEST(VEventTest, FlagsGiveModifiersAndButtons) {
  struct Row {
    uint32_t flags;
    uint16_t modifiers;
    uint16_t buttons;
    bool shift, control, alt;
  };
  const Row rows[] = {
      {0, 0, 0, false, false, false},
      {kMouseFlagShift, 24, 0, true, false, false},
      {kMouseFlagControl, 1, 0, false, true, false},
      {kMouseFlagShift | kMouseFlagControl, 25, 0, true, true, false},
      {kMouseFlagLeftButton, 0, 1, false, false, false},
      {kMouseFlagMiddleButton, 0, 2, false, false, false},
      {kMouseFlagRightButton | kMouseFlagShift, 24, 4, true, false, false},
      {kMouseFlagLeftButton | kMouseFlagMiddleButton | kMouseFlagRightButton, 0, 7, false, false, false},
  };
  for (const Row& r : rows) {
    ResetMouseInputState();
    VEvent e(r.flags);
    EXPECT_EQ(e.modifiers, r.modifiers) << r.flags;
    VMouseEvent m(r.flags, Pack(10, 20));
    EXPECT_EQ(m.modifiers, r.modifiers) << r.flags;
    EXPECT_EQ(m.buttons, r.buttons) << r.flags;
    EXPECT_EQ(GetLastMouseButtons(), r.buttons) << r.flags;
    EXPECT_EQ(m.IsShiftDown(), r.shift);
    EXPECT_EQ(m.IsControlDown(), r.control);
    EXPECT_EQ(m.IsAltDown(), r.alt);
    EXPECT_EQ(m.IsLeftButtonDown(), (r.buttons & 1) != 0);
    EXPECT_EQ(m.IsMiddleButtonDown(), (r.buttons & 2) != 0);
    EXPECT_EQ(m.IsRightButtonDown(), (r.buttons & 4) != 0);
  }
}

TEST(VEventTest, ModifierBitsEachCount) {
  struct Row {
    uint16_t bits;
    bool shift, control, alt;
  };
  for (const Row& r : {Row{8, true, false, false}, Row{16, true, false, false}, Row{2, false, false, true},
                       Row{4, false, false, true}, Row{1, false, true, false}}) {
    VEvent source;
    source.modifiers = r.bits;
    VEvent copy(source);
    EXPECT_EQ(copy.modifiers, r.bits);
    EXPECT_EQ(copy.IsShiftDown(), r.shift) << r.bits;
    EXPECT_EQ(copy.IsControlDown(), r.control) << r.bits;
    EXPECT_EQ(copy.IsAltDown(), r.alt) << r.bits;
  }
}

TEST(VMouseEventTest, PointIsSigned16Bit) {
  ResetMouseInputState();
  VMouseEvent m(0, Pack(-5, 300));
  EXPECT_EQ(m.x, -5);
  EXPECT_EQ(m.y, 300);
  VMouseEvent n(0, Pack(32767, -32768));
  EXPECT_EQ(n.GetPoint(), VPoint(32767, -32768));
  EXPECT_TRUE(m.IsInside(VRect(-10, 0, 0, 301)));
  EXPECT_FALSE(m.IsInside(VRect(-10, 0, -5, 301)));  // right edge excluded
}

TEST(VMouseEventTest, ClickCounting) {
  platform::SetDoubleClickTime(500);
  struct Row {
    uint32_t time;
    uint32_t flags;
    int32_t expectedCount;
  };
  const Row rows[] = {
      {10000, kMouseFlagLeftButton, 1},  // first press
      {10050, kMouseFlagLeftButton, 1},  // a move while held
      {10100, 0, 1},                     // release
      {10300, kMouseFlagLeftButton, 2},  // quick second press
      {10350, kMouseFlagLeftButton, 2},  // moving while held keeps the count
      {10400, 0, 2},
      {10900, kMouseFlagRightButton, 3},  // exactly the double-click time: still quick
      {10950, 0, 3},
      {11451, kMouseFlagLeftButton, 1},  // more than the double-click time
      {11460, kMouseFlagLeftButton | kMouseFlagRightButton, 1},  // second button, same press
      {11470, 0, 1},
      {12000, 0, 1},                     // moves without buttons change nothing
      {11500, kMouseFlagLeftButton, 2},  // within the time of the release at 11470
  };
  ResetMouseInputState();
  for (const Row& r : rows) {
    platform::SetMessageTime(r.time);
    VMouseEvent m(r.flags, Pack(1, 1));
    EXPECT_EQ(GetClickCount(), r.expectedCount) << r.time;
  }
  platform::SetMessageTime(0);
}

TEST(VMouseEventTest, ClickCountAcrossTickWrap) {
  ResetMouseInputState();
  platform::SetMessageTime(0xFFFFFF00u);
  VMouseEvent(kMouseFlagLeftButton, 0);
  platform::SetMessageTime(0xFFFFFF80u);
  VMouseEvent(0, 0);
  platform::SetMessageTime(0x00000010u);  // 144 ms after the release
  VMouseEvent(kMouseFlagLeftButton, 0);
  EXPECT_EQ(GetClickCount(), 2);
  platform::SetMessageTime(0);
}

TEST(VMouseEventTest, SynthesisedEventsKeepClickCount) {
  ResetMouseInputState();
  platform::SetMessageTime(1000);
  VMouseEvent(kMouseFlagLeftButton, 0);
  EXPECT_EQ(GetClickCount(), 1);
  VEvent mods;
  mods.modifiers = 24;
  VMouseEvent a(VPoint(3, 4), 4, mods);
  EXPECT_EQ(a.GetPoint(), VPoint(3, 4));
  EXPECT_EQ(a.buttons, 4);
  EXPECT_TRUE(a.IsShiftDown());
  EXPECT_EQ(GetLastMouseButtons(), 4);
  VMouseEvent b(VPoint(5, 6), 1, 1, 1);
  EXPECT_EQ(b.modifiers, 1);
  EXPECT_EQ(b.buttons, 1);
  EXPECT_EQ(GetLastMouseButtons(), 1);
  EXPECT_EQ(GetClickCount(), 1);
  platform::SetMessageTime(0);
}

TEST(VKeyEventTest, CharacterAndHeldModifiers) {
  struct Row {
    uint8_t character;
    uint32_t key;
    std::vector<uint32_t> down;
    std::vector<uint32_t> toggled;
    uint8_t expectedChar;
    uint16_t expectedModifiers;
  };
  const Row rows[] = {
      {0, 'A', {}, {}, 'A', 0},
      {0, 'A', {platform::kKeyShift}, {}, 'A', 24},
      {'a', 'A', {}, {}, 'a', 0},
      {0, '7', {platform::kKeyControl}, {}, '7', 1},
      {0, ' ', {platform::kKeyAlt}, {}, ' ', 6},
      {0, 0x70, {platform::kKeyShift, platform::kKeyAlt, platform::kKeyControl}, {}, 0, 31},  // F1: no character
      {0, 'Z', {}, {platform::kKeyShift}, 'Z', 0},  // toggled only: not held
  };
  for (const Row& r : rows) {
    platform::ResetKeyStates();
    for (uint32_t k : r.down) platform::SetKeyDown(k, true);
    for (uint32_t k : r.toggled) platform::SetKeyToggled(k, true);
    VKeyEvent e(r.character, r.key);
    EXPECT_EQ(e.character, r.expectedChar) << r.key;
    EXPECT_EQ(e.virtualKey, r.key);
    EXPECT_EQ(e.modifiers, r.expectedModifiers) << r.key;
  }
  platform::ResetKeyStates();
}

// Refuses program cursors (none are installed), shows system ones.
class NoProgramCursors : public platform::RecordingCursorBackend {
 public:
  bool ShowCursorById(platform::CursorSource source, uint16_t id) override {
    RecordingCursorBackend::ShowCursorById(source, id);
    return source == platform::CursorSource::kSystem;
  }
};

using Req = platform::RecordingCursorBackend::Request;
constexpr auto kProgram = platform::CursorSource::kProgram;
constexpr auto kSystem = platform::CursorSource::kSystem;

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetCursorState(); }
  void TearDown() override { ResetCursorState(); }
  platform::RecordingCursorBackend backend;
  platform::ScopedCursorBackend scope{&backend};
};

TEST_F(CursorTest, ArrowWhenNothingPendingAndOnlyOnce) {
  EXPECT_EQ(SetMouseCursor(0), 0xFFFF);
  EXPECT_EQ(GetShownCursor(), 0);
  EXPECT_EQ(SetMouseCursor(0), 0);
  EXPECT_EQ(backend.requests, (std::vector<Req>{{kSystem, 32512}}));
}

TEST_F(CursorTest, ProgramAndSystemCursors) {
  EXPECT_EQ(SetMouseCursor(113), 0xFFFF);
  EXPECT_EQ(SetMouseCursor(113), 113);  // already shown: nothing
  EXPECT_EQ(SetMouseCursor(31999), 113);
  EXPECT_EQ(SetMouseCursor(32000), 31999);
  EXPECT_EQ(SetMouseCursor(32514), 32000);
  EXPECT_EQ(GetShownCursor(), 32514);
  EXPECT_EQ(backend.requests,
            (std::vector<Req>{{kProgram, 113}, {kProgram, 31999}, {kSystem, 32000}, {kSystem, 32514}}));
}

TEST_F(CursorTest, PendingDefault) {
  SetMouseCursor(113);
  SetPendingCursor(220);  // another cursor shown: only recorded
  EXPECT_EQ(GetPendingCursor(), 220);
  EXPECT_EQ(GetShownCursor(), 113);
  EXPECT_EQ(backend.requests.size(), 1u);
  EXPECT_EQ(SetMouseCursor(0), 113);  // 0 stands for the pending default
  EXPECT_EQ(GetShownCursor(), 220);
  SetPendingCursor(221);  // the default is shown: the new one shows at once
  EXPECT_EQ(GetShownCursor(), 221);
  SetPendingCursor(221);  // unchanged: nothing
  EXPECT_EQ(backend.requests, (std::vector<Req>{{kProgram, 113}, {kProgram, 220}, {kProgram, 221}}));
}

TEST_F(CursorTest, ResetShownCursorChangesNothingOnScreen) {
  SetPendingCursor(220);
  SetMouseCursor(105);
  backend.requests.clear();
  ResetShownCursor();
  EXPECT_EQ(GetShownCursor(), 220);
  EXPECT_EQ(SetMouseCursor(0), 220);  // counts as shown already
  EXPECT_TRUE(backend.requests.empty());
  EXPECT_EQ(SetMouseCursor(105), 220);
  EXPECT_EQ(backend.requests, (std::vector<Req>{{kProgram, 105}}));
}

TEST_F(CursorTest, MissingCursorFallsBackToArrow) {
  NoProgramCursors refusing;
  platform::ScopedCursorBackend inner(&refusing);
  EXPECT_EQ(SetMouseCursor(173), 0xFFFF);
  EXPECT_EQ(GetShownCursor(), 173);
  EXPECT_EQ(refusing.requests, (std::vector<Req>{{kProgram, 173}, {kSystem, 32512}}));
}

TEST(CursorNoBackendTest, WorksWithoutAWindowLayer) {
  platform::ScopedCursorBackend none(nullptr);
  ResetCursorState();
  EXPECT_EQ(SetMouseCursor(113), 0xFFFF);
  EXPECT_EQ(GetShownCursor(), 113);
  ResetCursorState();
}

}  // namespace
