// Picture buttons: the transition table checked as data for every state and
// input, scripted pointer sequences with their events and pictures, the
// 100 ms hold of the pressed picture before a click, auto-repeat, enabling.
#include <gtest/gtest.h>

#include <map>

#include "ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VPictureButton.h"

namespace {

using controltest::Bench;
using controltest::Log;
using controltest::SolidPicture;

constexpr uint32_t kNormal = 0xFF0000, kPressed = 0x00FF00, kOver = 0x0000FF, kDisabled = 0xFFFFFF;

// A 10 x 10 button at (20, 20) with one solid colour per entry.
struct ButtonScene {
  explicit ButtonScene(Bench& bench) {
    VPicture* p[4] = {SolidPicture(10, 10, kNormal), SolidPicture(10, 10, kPressed), SolidPicture(10, 10, kOver),
                      SolidPicture(10, 10, kDisabled)};
    button = new VPictureButton(60, p[0], p[1], p[2], p[3], VPoint(20, 20), 0, 0, 0, bench.recorder);
    for (VPicture* picture : p) picture->Release();
    bench.Redraw();
  }
  VPictureButton* button;
};

// Expected (new state, event) for each state 1..6 (rows) and input 1..6
// (columns); "-" leaves the state unchanged and sends nothing.
const char* const kExpected[6][6] = {
    // entered  left     down     up       enabled  disabled
    {"2 28", "-", "4 19", "-", "-", "5 0"},        // 1 normal
    {"-", "1 29", "4 19", "-", "-", "6 29"},       // 2 under the pointer
    {"4 28", "-", "4 19", "1 0", "-", "5 0"},      // 3 pressed, pointer outside
    {"-", "3 29", "4 19", "2 21", "-", "6 29"},    // 4 pressed, pointer inside
    {"6 0", "-", "6 0", "5 0", "1 0", "-"},        // 5 disabled
    {"-", "5 0", "6 0", "6 0", "2 28", "-"},       // 6 disabled, pointer inside
};

TEST(PictureButton, TransitionTableForEveryStateAndInput) {
  for (int32_t state = 1; state <= 6; ++state) {
    for (int32_t input = 1; input <= 6; ++input) {
      SCOPED_TRACE("state " + std::to_string(state) + " input " + std::to_string(input));
      Bench bench;
      ButtonScene scene(bench);
      scene.button->VGenericPictureButton::SetState(state, state, 0);
      const bool found = scene.button->FeedInput(input);
      const std::string expected = kExpected[state - 1][input - 1];
      if (expected == "-") {
        EXPECT_FALSE(found);
        EXPECT_EQ(scene.button->GetButtonState(), state);
        EXPECT_TRUE(bench.log.empty());
      } else {
        EXPECT_TRUE(found);
        const int32_t newState = expected[0] - '0';
        const std::string event = expected.substr(2);
        EXPECT_EQ(scene.button->GetButtonState(), newState);
        if (event == "0") {
          EXPECT_TRUE(bench.log.empty());
        } else {
          EXPECT_EQ(bench.log, (Log{event + " 60"}));
        }
      }
    }
  }
}

TEST(PictureButton, EntryAndCursorForEachState) {
  Bench bench;
  ButtonScene scene(bench);
  const int32_t entries[7] = {0, 0, 2, 0, 1, 3, 3};
  const uint16_t cursors[7] = {0, 0, 107, 107, 107, 0, 0};
  for (int32_t state = 0; state <= 6; ++state) {
    EXPECT_EQ(scene.button->GetEntryForState(state), entries[state]) << state;
    EXPECT_EQ(scene.button->GetCursorForState(state), cursors[state]) << state;
  }
}

struct Step {
  char action;  // m move, d down, u up
  int32_t x, y;
  uint32_t colour;  // shown at (25, 25) afterwards
};

TEST(PictureButton, ScriptedPointer) {
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Log expected;
    int32_t finalState;
  };
  const Case cases[] = {
      {"hover, press, release",
       {{'m', 25, 25, kOver}, {'d', 25, 25, kPressed}, {'u', 25, 25, kOver}},
       {"28 60", "19 60", "21 60"},
       2},
      {"press, out, in, release",
       {{'m', 25, 25, kOver},
        {'d', 25, 25, kPressed},
        {'m', 50, 50, kNormal},
        {'m', 25, 25, kPressed},
        {'u', 25, 25, kOver}},
       {"28 60", "19 60", "29 60", "28 60", "21 60"},
       2},
      {"press, out, release outside",
       {{'m', 25, 25, kOver}, {'d', 25, 25, kPressed}, {'m', 50, 50, kNormal}, {'u', 50, 50, kNormal}},
       {"28 60", "19 60", "29 60"},
       1},
      {"hover and leave", {{'m', 25, 25, kOver}, {'m', 5, 5, kNormal}}, {"28 60", "29 60"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bench bench;
    ButtonScene scene(bench);
    for (const Step& s : c.steps) {
      if (s.action == 'm') bench.Move(s.x, s.y);
      if (s.action == 'd') bench.Down(s.x, s.y);
      if (s.action == 'u') bench.Up(s.x, s.y);
      EXPECT_EQ(bench.PixelAt(25, 25), s.colour) << s.action << " " << s.x << "," << s.y;
    }
    EXPECT_EQ(bench.log, c.expected);
    EXPECT_EQ(scene.button->GetButtonState(), c.finalState);
  }
}

TEST(PictureButton, ClickComesAtLeast100MillisecondsAfterThePress) {
  Bench bench;
  ButtonScene scene(bench);
  uint32_t pressTick = 0, clickTick = 0;
  bench.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == 19) pressTick = bench.Now();
    if (code == 21) clickTick = bench.Now();
  };
  bench.Move(25, 25);
  bench.clock().AdvanceMilliseconds(10);
  bench.Down(25, 25);
  bench.clock().AdvanceMilliseconds(20);
  bench.Up(25, 25);
  ASSERT_NE(clickTick, 0u);
  EXPECT_GE(clickTick - pressTick, 100u);
  EXPECT_LT(clickTick - pressTick, 110u);
  // A slow click is not held up.
  bench.Down(25, 25);
  bench.clock().AdvanceMilliseconds(300);
  const uint32_t before = bench.Now();
  bench.Up(25, 25);
  EXPECT_LT(clickTick - before, 5u);
}

TEST(PictureButton, DisablingAndEnablingUnderThePointer) {
  Bench bench;
  ButtonScene scene(bench);
  bench.Move(25, 25);
  scene.button->SetEnabled(false);
  EXPECT_EQ(scene.button->GetButtonState(), 6);
  EXPECT_EQ(bench.PixelAt(25, 25), kDisabled);
  scene.button->SetEnabled(true);
  EXPECT_EQ(scene.button->GetButtonState(), 2);
  EXPECT_EQ(bench.log, (Log{"28 60", "29 60", "28 60"}));
}

TEST(PictureButton, ChildButtonsFollowTheirParentsEnabling) {
  Bench bench;
  ButtonScene scene(bench);
  VPicture* p = SolidPicture(5, 5, kNormal);
  auto* child = new VPictureButton(61, p, nullptr, nullptr, nullptr, VPoint(0, 0), 0, 0, 0, scene.button);
  p->Release();
  scene.button->SetEnabled(false);
  EXPECT_EQ(child->GetButtonState(), 5);
  scene.button->SetEnabled(true);
  EXPECT_EQ(child->GetButtonState(), 1);
}

TEST(PictureButton, MissingEntriesRepeatTheFirst) {
  Bench bench;
  VPicture* a = SolidPicture(10, 10, kNormal);
  auto* button = new VPictureButton(62, a, nullptr, nullptr, nullptr, VPoint(20, 20), 0, 0, 0, bench.recorder);
  for (int32_t entry = 0; entry < 4; ++entry) {
    VPicture* picture = nullptr;
    int32_t frame = -1;
    button->GetStatePicture(entry, picture, frame);
    EXPECT_EQ(picture, a) << entry;
    EXPECT_EQ(frame, 0);
    if (picture != nullptr) picture->Release();
  }
  // One three-frame picture with frames (0, -1, 2, -1): frame 2 only under
  // the pointer.
  VPicture* strip = controltest::MakePicture(10, 30, [](int32_t, int32_t y) {
    return y < 10 ? kNormal : (y < 20 ? kPressed : kOver);
  });
  strip->SetFrameCount(3);
  const int32_t frames[4] = {0, -1, 2, -1};
  auto* framed = new VPictureButton(63, strip, frames, VPoint(60, 20), 0, 0, 0, bench.recorder);
  strip->Release();
  bench.Redraw();
  EXPECT_EQ(bench.PixelAt(65, 25), kNormal);
  bench.Move(65, 25);
  EXPECT_EQ(bench.PixelAt(65, 25), kOver);
  bench.Down(65, 25);
  EXPECT_EQ(bench.PixelAt(65, 25), kNormal);
  EXPECT_EQ(framed->GetFrame(), 0);
  a->Release();
}

TEST(PictureButton, AutoRepeatWhileHeld) {
  Bench bench;
  ButtonScene scene(bench);
  scene.button->SetRepeatDelay(400);
  scene.button->SetRepeatInterval(100);
  bench.Move(25, 25);
  bench.Down(25, 25);
  const uint32_t pressed = bench.Now();
  std::vector<uint32_t> repeats;
  bench.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == 20) repeats.push_back(bench.Now() - pressed);
  };
  for (uint32_t t = 0; t <= 720; t += 30) {
    bench.clock().SetTickCount(pressed + t);
    bench.Tick(pressed + t);
  }
  // One per tick at most: the first at or after 400 ms, then every 100 ms
  // of the schedule.
  ASSERT_EQ(repeats.size(), 4u);
  EXPECT_GE(repeats[0], 400u);
  EXPECT_LT(repeats[0], 430u);
  for (size_t i = 1; i < repeats.size(); ++i) EXPECT_GE(repeats[i] - repeats[i - 1], 60u);
  // Released: no more repeats.
  bench.Up(25, 25);
  const size_t count = repeats.size();
  bench.clock().AdvanceMilliseconds(500);
  bench.Tick(bench.Now());
  EXPECT_EQ(repeats.size(), count);
}

TEST(PictureButton, DeletedFromInsideItsClick) {
  Bench bench;
  ButtonScene scene(bench);
  bench.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == 21) DeleteControlLater(scene.button);
  };
  bench.Move(25, 25);
  bench.Click(25, 25);
  bench.Move(26, 26);
  bench.Idle();
  EXPECT_EQ(DeferredDeletionCount(), 0);
  bench.Move(25, 25);
  EXPECT_EQ(bench.log, (Log{"28 60", "19 60", "21 60"}));
}

}  // namespace

namespace {

TEST(PictureButton, EntriesWithTheSameMediaIdShareOnePicture) {
  controltest::Bench bench;
  // Ids that no archive holds: the entries still get (empty) pictures.
  auto* button = new VPictureButton(64, 500, 500, 501, 0, VPoint(20, 20), 0, 0, 0, bench.recorder);
  VPicture* entries[4] = {};
  for (int32_t i = 0; i < 4; ++i) {
    int32_t frame = 0;
    button->GetStatePicture(i, entries[i], frame);
    ASSERT_NE(entries[i], nullptr) << i;
  }
  EXPECT_EQ(entries[0], entries[1]);
  EXPECT_NE(entries[0], entries[2]);
  EXPECT_EQ(entries[3], entries[0]);  // a missing id repeats the first
  // Replacing one entry by an id another entry holds shares that picture.
  button->SetStatePictureId(1, 501, 0, false);
  VPicture* replaced = nullptr;
  int32_t frame = 0;
  button->GetStatePicture(1, replaced, frame);
  EXPECT_EQ(replaced, entries[2]);
  replaced->Release();
  for (VPicture* p : entries) p->Release();
}

}  // namespace
