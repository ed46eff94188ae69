// The scroll arrows at the ends of the bands and of the panel: entering and
// leaving as owner messages 149 and 150, the lit picture and the mouse held
// while the pointer rests on the arrow, the cursor that tells whether the
// date can still move, and an arrow that does nothing while disabled.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "StorylineTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VPictureControl.h"
#include "engine/core/Cursor.h"
#include "engine/graphics/PictureFileReader.h"
#include "engine/graphics/VPicture.h"
#include "title/modules/storyline/ScrollArrow.h"

namespace {

using storylinetest::kArrowPicture;

// Band 0's forward arrow: id 14441 at (332, 22), 66 x 116, cursors 172/176.
constexpr int32_t kArrowId = 14441;
constexpr int32_t kLeft = 332, kTop = 22;
constexpr uint16_t kCursorCanScroll = 172, kCursorCannot = 176;

class ScrollArrowTest : public storylinetest::StorylineFixture {
 protected:
  struct Message {
    uint32_t code;
    uint32_t value1;
    bool fromArrow;  // the second value is the arrow's event part
  };

  void SetUp() override {
    StorylineFixture::SetUp();
    Open();
    if (HasFatalFailure()) return;
    bench->recorder->onEvent = [this](uint32_t code, uint32_t value1, uint32_t value2) {
      if (code != ScrollArrow::kOwnerEntered && code != ScrollArrow::kOwnerLeft) return;
      auto* sender = MessagePointerAs<VEventHandler>(value2);
      messages.push_back({code, value1, arrow != nullptr && sender == arrow->GetEventHandler()});
      if (onMessage) onMessage(code);
    };
    arrow = new ScrollArrow(kArrowId, kArrowPicture, kCursorCanScroll, kCursorCannot, true, kLeft, kTop, 107, 66, 116,
                            bench->recorder);
    bench->Redraw();
    bench->Move(5, 5);
  }

  // The codes received since the last call, each checked to come from the
  // arrow with its id.
  std::vector<uint32_t> Codes() {
    std::vector<uint32_t> codes;
    for (const Message& m : messages) {
      EXPECT_EQ(m.value1, static_cast<uint32_t>(kArrowId));
      EXPECT_TRUE(m.fromArrow);
      codes.push_back(m.code);
    }
    messages.clear();
    return codes;
  }

  // The arrow's picture as drawn in the window.
  uint32_t Shown() {
    bench->Redraw();
    return bench->PixelAt(kLeft + 30, kTop + 50);
  }
  // How the picture of that id comes out in the window (the archive keeps
  // it in a colour table of its own).
  uint32_t Drawn(uint16_t id) {
    auto* reference = new VPictureControl(VControl::kAllocateId, id, 0, 300, 0, 0, 0, bench->recorder);
    bench->Redraw();
    const uint32_t colour = bench->PixelAt(5, 305);
    delete reference;
    return colour;
  }

  ScopedLoadPixelFormat depth_{16};
  ScrollArrow* arrow = nullptr;  // the bench's window owns it
  std::vector<Message> messages;
  std::function<void(uint32_t)> onMessage;
};

TEST_F(ScrollArrowTest, RestingOnTheArrowIsReportedOnceOnEachSide) {
  EXPECT_EQ(arrow->GetPictureControl()->GetId() >= VControl::kFirstPoolId, true);
  EXPECT_TRUE(arrow->GetDirection());
  arrow->Enable();
  ASSERT_NE(Drawn(kArrowPicture), Drawn(kArrowPicture + 1));
  EXPECT_EQ(Shown(), Drawn(kArrowPicture));

  bench->Move(kLeft + 10, kTop + 10);
  EXPECT_EQ(Codes(), std::vector<uint32_t>{149});
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), arrow) << "the arrow holds the mouse while the pointer rests on it";
  EXPECT_EQ(Shown(), Drawn(kArrowPicture + 1));

  // Resting there for two seconds of idle passes and moving inside it says
  // nothing more: moving the date while the pointer rests is the screen's.
  for (int i = 0; i < 200; ++i) {
    bench->clock().AdvanceMilliseconds(10);
    bench->Idle();
  }
  bench->Move(kLeft + 40, kTop + 100);
  EXPECT_TRUE(Codes().empty());

  bench->Move(kLeft + 70, kTop + 100);  // just right of the arrow
  EXPECT_EQ(Codes(), std::vector<uint32_t>{150});
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(Shown(), Drawn(kArrowPicture));

  bench->Move(kLeft + 65, kTop + 115);  // the last pixel inside
  bench->Move(kLeft + 66, kTop + 115);
  EXPECT_EQ(Codes(), (std::vector<uint32_t>{149, 150}));
}

TEST_F(ScrollArrowTest, ADisabledArrowDoesNothing) {
  bench->Move(kLeft + 10, kTop + 10);
  bench->Move(kLeft + 200, kTop + 10);
  EXPECT_TRUE(Codes().empty());
  EXPECT_EQ(Shown(), Drawn(kArrowPicture));
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);

  // Enabled while the pointer is inside: the next move reports the entry.
  bench->Move(kLeft + 10, kTop + 10);
  arrow->Enable();
  EXPECT_TRUE(Codes().empty());
  bench->Move(kLeft + 11, kTop + 10);
  EXPECT_EQ(Codes(), std::vector<uint32_t>{149});
}

// Disabling the arrow under a resting pointer ends the rest: the owner hears
// the leaving, the picture and the mouse are given back, and the next rest
// after enabling again is reported again.
TEST_F(ScrollArrowTest, DisablingUnderThePointerEndsTheRest) {
  arrow->Enable();
  bench->Move(kLeft + 10, kTop + 10);
  EXPECT_EQ(Codes(), std::vector<uint32_t>{149});
  arrow->Disable();
  EXPECT_EQ(Codes(), std::vector<uint32_t>{150});
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  EXPECT_EQ(Shown(), Drawn(kArrowPicture));
  bench->Move(kLeft + 200, kTop + 10);
  bench->Move(kLeft + 10, kTop + 10);
  EXPECT_TRUE(Codes().empty());
  arrow->Enable();
  bench->Move(kLeft + 12, kTop + 10);
  EXPECT_EQ(Codes(), std::vector<uint32_t>{149});
}

// Cursor A while the date can move that way, B once it cannot; the change
// shows at once under a resting pointer. Elsewhere and while disabled the
// arrow leaves the cursor to what lies under the pointer.
TEST_F(ScrollArrowTest, CursorTellsWhetherTheDateCanMove) {
  arrow->Enable();
  bench->Move(kLeft + 10, kTop + 10);
  EXPECT_EQ(GetShownCursor(), kCursorCanScroll);
  arrow->ClearCanScroll();
  EXPECT_FALSE(arrow->CanScroll());
  EXPECT_EQ(GetShownCursor(), kCursorCannot);
  bench->Move(kLeft + 11, kTop + 10);
  EXPECT_EQ(GetShownCursor(), kCursorCannot);
  arrow->SetCanScroll();
  EXPECT_EQ(GetShownCursor(), kCursorCanScroll);
  bench->Move(kLeft + 200, kTop + 10);
  EXPECT_NE(GetShownCursor(), kCursorCanScroll);

  // Not inside: the flag changes, the cursor stays.
  const uint16_t outside = GetShownCursor();
  arrow->ClearCanScroll();
  EXPECT_EQ(GetShownCursor(), outside);
  arrow->Disable();
  bench->Move(kLeft + 10, kTop + 10);
  EXPECT_NE(GetShownCursor(), kCursorCannot);
}

// An owner that deletes the arrow when told of the entry (taken out of the
// trees at once, deleted on the next idle pass): the mouse is free again.
TEST_F(ScrollArrowTest, OwnerMayDeleteTheArrowOnItsMessage) {
  arrow->Enable();
  onMessage = [this](uint32_t code) {
    if (code != ScrollArrow::kOwnerEntered) return;
    DeleteControlLater(arrow);
    arrow = nullptr;
  };
  bench->Move(kLeft + 10, kTop + 10);
  EXPECT_EQ(arrow, nullptr);
  bench->Idle();
  EXPECT_EQ(DeferredDeletionCount(), 0);
  EXPECT_EQ(VGraphicObject::GetCapturedObject(), nullptr);
  bench->Move(kLeft + 20, kTop + 10);
}

// Without a picture id the arrow is an invisible zone that still reports.
TEST_F(ScrollArrowTest, WithoutPictureStillAZone) {
  auto* zone = new ScrollArrow(14453, 0, 173, 178, false, 68, 327, 8, 116, 66, bench->recorder);
  EXPECT_EQ(zone->GetPictureControl(), nullptr);
  EXPECT_FALSE(zone->GetDirection());
  zone->Enable();
  bench->Move(100, 350);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].code, ScrollArrow::kOwnerEntered);
  EXPECT_EQ(messages[0].value1, 14453u);
  EXPECT_EQ(GetShownCursor(), 173);
}

}  // namespace
