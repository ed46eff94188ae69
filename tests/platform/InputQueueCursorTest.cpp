// The platform's input state, cursor hook and message-queue hook.
#include <gtest/gtest.h>

#include "platform/Cursor.h"
#include "platform/Input.h"
#include "platform/MessageQueue.h"

namespace {

TEST(PlatformInputTest, KeyStates) {
  platform::ResetKeyStates();
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 0);
  platform::SetKeyDown(platform::kKeyShift, true);
  EXPECT_EQ(static_cast<uint16_t>(platform::GetKeyState(platform::kKeyShift)), 0xFF80u);
  EXPECT_LT(platform::GetKeyState(platform::kKeyShift), 0);  // down reads negative
  platform::SetKeyToggled(platform::kKeyShift, true);
  EXPECT_EQ(static_cast<uint16_t>(platform::GetKeyState(platform::kKeyShift)), 0xFF81u);
  platform::SetKeyDown(platform::kKeyShift, false);
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 1);
  platform::SetKeyDown(300, true);  // out of range: ignored
  EXPECT_EQ(platform::GetKeyState(300), 0);
  platform::ResetKeyStates();
  EXPECT_EQ(platform::GetKeyState(platform::kKeyShift), 0);
}

TEST(PlatformInputTest, UnshiftedCharacters) {
  struct Row {
    uint32_t key;
    uint8_t expected;
  };
  const Row rows[] = {
      {'A', 'A'}, {'Z', 'Z'},  {'0', '0'}, {'9', '9'},  {0x20, ' '}, {0x0D, 0x0D}, {0x08, 0x08}, {0x1B, 0x1B},
      {0x60, '0'}, {0x69, '9'}, {0x6A, '*'}, {0x6B, '+'}, {0x6D, '-'}, {0x6F, '/'},  {0xBC, ','},  {0xDE, '\''},
      {0x10, 0},   {0x70, 0},   {0x25, 0},   {0x61, '1'}, {0x5B, 0},   {1000, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(platform::MapVirtualKeyToChar(r.key), r.expected) << r.key;
  }
}

TEST(PlatformInputTest, TimesAndPointer) {
  EXPECT_EQ(platform::GetDoubleClickTime(), 500u);
  platform::SetMessageTime(1234);
  EXPECT_EQ(platform::GetMessageTime(), 1234u);
  platform::SetMessageTime(0);
  platform::SetCursorScreenPosition(-3, 7);
  EXPECT_EQ(platform::GetCursorScreenPosition().x, -3);
  EXPECT_EQ(platform::GetCursorScreenPosition().y, 7);

  platform::ScreenPoint p{10, 20};
  int window = 0;
  platform::ScreenToClient(&window, p);  // no conversion installed
  EXPECT_EQ(p.x, 10);
  auto previous = platform::SetScreenToClientHook([](void*, platform::ScreenPoint& q) { q.x += 5; });
  platform::ScreenToClient(nullptr, p);  // no window: screen coordinates
  EXPECT_EQ(p.x, 10);
  platform::ScreenToClient(&window, p);
  EXPECT_EQ(p.x, 15);
  platform::SetScreenToClientHook(previous);
}

TEST(PlatformCursorTest, BackendHook) {
  platform::ScopedCursorBackend none(nullptr);
  EXPECT_FALSE(platform::ShowCursorById(platform::CursorSource::kSystem, platform::kSystemCursorArrow));
  platform::RecordingCursorBackend recorder;
  {
    platform::ScopedCursorBackend scope(&recorder);
    EXPECT_TRUE(platform::ShowCursorById(platform::CursorSource::kProgram, 113));
  }
  EXPECT_FALSE(platform::ShowCursorById(platform::CursorSource::kProgram, 113));  // restored
  ASSERT_EQ(recorder.requests.size(), 1u);
  EXPECT_EQ(recorder.requests[0].id, 113);
}

TEST(PlatformMessageQueueTest, PeekHook) {
  auto previous = platform::SetPeekMessageHook(nullptr);
  EXPECT_FALSE(platform::PeekAnyMessage());
  platform::SetPeekMessageHook([] { return true; });
  EXPECT_TRUE(platform::PeekAnyMessage());
  platform::SetPeekMessageHook(previous);
}

}  // namespace
