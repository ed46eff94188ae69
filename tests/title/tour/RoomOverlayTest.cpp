// The room overlay on a fake clock over a small archive of its pictures,
// texts and room records, inside an event recorder that stands for the main
// panel: where the buttons of a record land, the floor buttons and their
// text, the text column's 250 ms return to the room, the list of the rooms
// and its links, the rooms' boxes on the plan, the 500 ms fades with their reports, records the
// overlay cannot hold, and the bubble and exit buttons.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "TourTestSupport.h"
#include "engine/app/MessagePointer.h"
#include "engine/controls/ControlEvents.h"
#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/DeferredDeletion.h"
#include "engine/controls/VHTMLTextControl.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VPictureScrollBar.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/SignalTimer.h"
#include "title/tour/RoomOverlay.h"
#include "title/tour/RoomTable.h"

namespace {

using controltest::Log;

constexpr int32_t kOverlayLeft = RoomOverlay::kLeft;
constexpr int32_t kOverlayTop = RoomOverlay::kTop;
const std::string kId = std::to_string(RoomOverlay::kOverlayId);

std::string Str(const char* chars) { return chars != nullptr ? chars : ""; }

int32_t RecordId(int32_t room) { return RoomOverlay::kRecordBase + RoomOverlay::kRecordStride * room; }

class RoomOverlayTest : public tourtest::TourFixture {
 protected:
  RoomOverlayTest() : TourFixture({"convert"}) {}

  void SetUp() override {
    TourFixture::SetUp();
    if (HasFatalFailure()) return;
    const auto bmp = [this](const std::string& name, const std::string& size, const std::string& colour) {
      EXPECT_EQ(imgtest::RunCommand("convert -size " + size + " xc:" + colour + " -type truecolor 'BMP3:" +
                                    Path(name) + "'"),
                0);
      return testsupport::ReadBytes(Path(name));
    };
    const std::string page = bmp("page.bmp", "528x355", "wheat");
    const std::string plan = bmp("plan.bmp", "310x262", "white");
    const std::string button = bmp("button.bmp", "20x20", "red");
    const std::string small = bmp("small.bmp", "14x14", "blue");
    const std::string floor = bmp("floor.bmp", "7x14", "blue");
    const std::string rooms = bmp("rooms.bmp", "80x18", "green");
    const std::string track = bmp("track.bmp", "9x226", "gray");
    const std::string arrow = bmp("arrow.bmp", "9x13", "black");
    const std::string backdrop = bmp("backdrop.bmp", "189x300", "khaki");
    const std::string bottom = bmp("bottom.bmp", "189x8", "brown");
    std::vector<std::string> lines = {
        CopyLine(3301, page, "bmp"), CopyLine(3600, plan, "bmp"), CopyLine(3500, backdrop, "bmp"),
        CopyLine(3510, bottom, "bmp"), CopyLine(3601, track, "bmp"), CopyLine(3602, arrow, "bmp"),
        TextLine(RoomOverlay::kLabelText, "Raeume"),
    };
    for (int32_t k = 0; k < 3; ++k) {
      lines.push_back(CopyLine(3800 + k, small, "bmp"));
      lines.push_back(CopyLine(3700 + k, rooms, "bmp"));
      lines.push_back(CopyLine(3610 + k, arrow, "bmp"));
      lines.push_back(CopyLine(3620 + k, arrow, "bmp"));
    }
    for (int32_t k = 0; k < 4; ++k) {
      lines.push_back(CopyLine(3310 + k, floor, "bmp"));
      lines.push_back(CopyLine(3320 + k, floor, "bmp"));
    }
    // The navigation buttons' pictures, P + 1 .. P + 3 of every base.
    for (int32_t base = 3330; base <= 3470; base += 10) {
      for (int32_t k = 1; k <= 3; ++k) lines.push_back(CopyLine(base + k, button, "bmp"));
    }
    for (int32_t kind = 0; kind < RoomRecord::kKindCount; ++kind) {
      lines.push_back(TextLine(RoomOverlay::kKindTitleBase + kind, "Art " + std::to_string(kind)));
      lines.push_back(TextLine(RoomOverlay::kKindTextBase + kind, "Text der Art " + std::to_string(kind)));
    }
    std::string longText;
    for (int i = 0; i < 80; ++i) longText += "Ein langer Text ueber das Haus. ";
    for (int32_t room = 0; room < RoomTable::kRoomCount; ++room) {
      const int32_t base = RoomTable::GetTextBase(room);
      const std::string r = std::to_string(room);
      lines.push_back(TextLine(base, "Raum " + r));
      lines.push_back(TextLine(base + 1, "Titel " + r));
      lines.push_back(TextLine(base + 2, room == 3 ? longText : "Text " + r));
      for (int32_t n = 1; n <= 2; ++n) {
        lines.push_back(TextLine(base + 1 + 2 * n, "Ding " + r + "." + std::to_string(n)));
        lines.push_back(TextLine(base + 2 + 2 * n, "Text " + r + "." + std::to_string(n)));
      }
      for (int32_t n = 1; n <= 10; ++n) {
        for (int32_t k = 1; k <= 3; ++k) lines.push_back(CopyLine(RecordId(room) + 10 * n + k, button, "bmp"));
      }
    }
    // Room 4 (key 1, floor 1 of 2): placement, hover, the bubble and exit
    // buttons. Room 10 is its upper floor. Room 9 (key 2) holds all ten items
    // in descending order; room 6 is its upper floor with one item.
    lines.push_back(TextLine(RecordId(4),
                             "<Raum 4> helpup.bmp 10 -20 3 5 7 tobubbleup.bmp 100 100 exitup.bmp 150 200 "
                             "taalup.bmp 1 1 foo 2 2 1 200 50"));
    lines.push_back(TextLine(RecordId(4) + RoomOverlay::kBubbleLinkOffset, "BU002"));
    lines.push_back(TextLine(RecordId(10), "1 20 20 gotoroomup.bmp 40 40"));
    lines.push_back(TextLine(RecordId(10) + RoomOverlay::kBubbleLinkOffset, "VI001"));
    std::string descending;
    for (int32_t n = 10; n >= 1; --n) descending += std::to_string(n) + " " + std::to_string(20 * n) + " 10 ";
    lines.push_back(TextLine(RecordId(9), descending + "pijlup.bmp 1 1 pijlup.bmp 1 30"));
    lines.push_back(TextLine(RecordId(6), "2 5 5 woordup.bmp 60 60"));
    // Boxes on the plan: room 6's holds room 4's bubble button (plan 100, 100),
    // room 9's is written with a comment, room 10's has no width.
    lines.push_back(TextLine(RecordId(6) + RoomOverlay::kPlanBoxOffset, "90 90 150 140"));
    lines.push_back(TextLine(RecordId(9) + RoomOverlay::kPlanBoxOffset, "<Raum 9> 200 10 250 40"));
    lines.push_back(TextLine(RecordId(10) + RoomOverlay::kPlanBoxOffset, "5 5 5 40"));
    // Room 12 (key 6): 100,000 entries, most of them of no use, then one cut short.
    std::string crowded;
    for (int i = 0; i < 25000; ++i) crowded += "helpup.bmp 1 1 11 2 2 Unbekannt 3 3 0 4 4\n";
    lines.push_back(TextLine(RecordId(12), crowded + "3 30 30 7 8"));
    BuildArchives(lines);
    if (HasFatalFailure()) return;

    bench = std::make_unique<controltest::Bench>(640, 480);
    bench->clock().SetStepPerRead(0);
    const std::vector<uint16_t> table(80, 9999);
    GetSoundManager().SetSoundTable(table);
    GetSoundManager().SetTriggerListener([this](int32_t index) { bench->log.push_back("sound " + std::to_string(index)); });
  }

  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    DestroySoundManager();
    TourFixture::TearDown();
  }

  void Make(int32_t key) {
    overlay = new RoomOverlay(RoomOverlay::kOverlayId, key, 0, 0, 40, 640, 480, bench->recorder);
  }
  void IdleFor(int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      bench->clock().AdvanceMilliseconds(10);
      bench->Idle();
    }
  }
  // Made, shown and faded in.
  void Open(int32_t key) {
    Make(key);
    overlay->Show();
    IdleFor(600);
    ASSERT_EQ(overlay->GetState(), RoomOverlay::kOpen);
  }
  int Count(const std::string& entry) const {
    return static_cast<int>(std::count(bench->log.begin(), bench->log.end(), entry));
  }
  VGraphicObject* Child(int32_t id) const { return overlay->FindObject(id); }
  VRect Bounds(int32_t id) const {
    VRect r;
    if (VGraphicObject* child = Child(id)) child->GetGlobalBounds(r);
    return r;
  }
  std::string Text(int32_t id) const {
    auto* text = dynamic_cast<VTextControl*>(Child(id));
    return text != nullptr ? Str(text->GetChars()) : "<none>";
  }
  bool Enabled(int32_t id) const {
    VGraphicObject* child = Child(id);
    return child != nullptr && child->IsEnabled();
  }
  int32_t Level() const {
    PixelMapAttributes attributes;
    return overlay->GetBackground()->GetPixelAttributes(attributes) ? attributes.GetLevel() : -1;
  }
  // The middle of a child in window coordinates.
  VPoint Middle(int32_t id) const {
    const VRect r = Bounds(id);
    return VPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void Hover(int32_t id) {
    const VPoint p = Middle(id);
    bench->Move(p.x, p.y);
  }
  void Click(int32_t id) {
    const VPoint p = Middle(id);
    bench->Move(p.x, p.y);
    ClickAt(p.x, p.y);
  }
  // A button holds its pressed picture 100 ms before it reports the click:
  // the clock moves while it waits.
  void ClickAt(int32_t x, int32_t y) {
    bench->clock().SetStepPerRead(1000000ull);
    bench->Click(x, y);
    bench->clock().SetStepPerRead(0);
    IdleFor(200);
  }
  // The item and navigation buttons present, by id.
  std::vector<int32_t> Buttons() const {
    std::vector<int32_t> ids;
    for (int32_t id = RoomOverlay::kFirstButtonId; id < RoomOverlay::kFirstItemId + 10; ++id) {
      if (Child(id) != nullptr) ids.push_back(id);
    }
    return ids;
  }

  std::unique_ptr<controltest::Bench> bench;
  RoomOverlay* overlay = nullptr;  // the recorder owns it
};

// A record's offsets count from the plan's top-left (211, 75 in the overlay
// at 56, 25), negative ones taken as positive; the language keyword and an
// unknown one make no button.
TEST_F(RoomOverlayTest, ButtonsLandOnThePlan) {
  Make(1);
  EXPECT_EQ(overlay->GetRoom(), 4);
  VRect self;
  overlay->GetGlobalBounds(self);
  EXPECT_EQ(self, VRect(56, 25, 56 + 528, 25 + 355));
  EXPECT_EQ(Bounds(RoomOverlay::kPlanId).left, kOverlayLeft + 211);
  EXPECT_EQ(Bounds(RoomOverlay::kPlanId).top, kOverlayTop + 75);
  const struct {
    int32_t id;
    int32_t x, y;
  } placed[] = {
      {14900, 221, 95},   // helpup.bmp 10 -20
      {14922, 216, 82},   // 3 5 7
      {14901, 311, 175},  // tobubbleup.bmp 100 100
      {14902, 361, 275},  // exitup.bmp 150 200
      {14920, 411, 125},  // 1 200 50
  };
  for (const auto& p : placed) {
    SCOPED_TRACE(p.id);
    ASSERT_NE(Child(p.id), nullptr);
    EXPECT_EQ(Bounds(p.id).left, kOverlayLeft + p.x);
    EXPECT_EQ(Bounds(p.id).top, kOverlayTop + p.y);
    EXPECT_FALSE(Child(p.id)->IsVisible()) << "hidden until the overlay has opened";
  }
  EXPECT_EQ(Buttons(), (std::vector<int32_t>{14900, 14901, 14902, 14920, 14922}));
  EXPECT_EQ(overlay->GetButtonCount(), 3);
  EXPECT_EQ(overlay->GetItemCount(), 1) << "the last number read";
  EXPECT_EQ(overlay->GetButtonKind(0), 9);
  EXPECT_EQ(overlay->GetButtonKind(1), 5);
  EXPECT_EQ(overlay->GetButtonKind(2), 10);
  EXPECT_EQ(Text(RoomOverlay::kNameId), "Raum 4");
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Titel 4");
  EXPECT_EQ(Text(RoomOverlay::kTextId), "Text 4");
  EXPECT_EQ(Text(RoomOverlay::kLabelId), "Raeume");
  EXPECT_EQ(overlay->GetKind(), 10);
}

TEST_F(RoomOverlayTest, AKeyNoRoomHasOpensRoomZero) {
  Make(7);
  EXPECT_EQ(overlay->GetRoom(), 0);
  EXPECT_EQ(Text(RoomOverlay::kNameId), "Raum 0");
  EXPECT_EQ(Buttons(), std::vector<int32_t>{}) << "room 0 has no record here";
}

// The background fades in over 500 ms, then the controls appear and the
// owner hears 94; closing hides them and fades out, and from then on every
// tick reports 95 until the owner removes the overlay.
TEST_F(RoomOverlayTest, FadesInAndOutWithTheirReports) {
  Make(1);
  EXPECT_FALSE(overlay->IsVisible());
  EXPECT_EQ(Level(), 0);
  overlay->Show();
  EXPECT_EQ(overlay->GetState(), RoomOverlay::kOpening);
  EXPECT_TRUE(overlay->IsVisible());
  EXPECT_TRUE(Child(RoomOverlay::kBackgroundId)->IsVisible());
  EXPECT_FALSE(Child(RoomOverlay::kPlanId)->IsVisible());
  EXPECT_EQ(Child(RoomOverlay::kFloorDownId), nullptr) << "the floor buttons come when it has opened";
  std::vector<int32_t> levels;
  for (int i = 0; i < 60 && overlay->GetState() == RoomOverlay::kOpening; ++i) {
    IdleFor(10);
    levels.push_back(Level());
  }
  EXPECT_EQ(overlay->GetState(), RoomOverlay::kOpen);
  EXPECT_GE(levels.size(), 49u);
  EXPECT_LE(levels.size(), 52u) << "500 ms";
  EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
  EXPECT_GT(levels[levels.size() / 2], 20);
  EXPECT_LT(levels[levels.size() / 2], 45);
  EXPECT_EQ(Level(), 63);
  EXPECT_EQ(Count("94 " + kId), 1);
  for (const int32_t id : {RoomOverlay::kPlanId, RoomOverlay::kFloorDownId, RoomOverlay::kFloorUpId, 14900, 14920}) {
    ASSERT_NE(Child(id), nullptr) << id;
    EXPECT_TRUE(Child(id)->IsVisible()) << id;
  }
  EXPECT_EQ(Child(RoomOverlay::kListBackdropId), nullptr);

  overlay->Hide();
  EXPECT_EQ(overlay->GetState(), RoomOverlay::kClosing);
  EXPECT_FALSE(Child(RoomOverlay::kPlanId)->IsVisible());
  EXPECT_FALSE(Child(14900)->IsVisible());
  EXPECT_TRUE(Child(RoomOverlay::kBackgroundId)->IsVisible());
  IdleFor(250);
  EXPECT_GT(Level(), 10);
  EXPECT_LT(Level(), 53);
  EXPECT_EQ(Count("95 " + kId), 0);
  IdleFor(300);
  EXPECT_EQ(overlay->GetState(), RoomOverlay::kClosed);
  EXPECT_EQ(Level(), 0);
  EXPECT_FALSE(overlay->IsVisible());
  const int reports = Count("95 " + kId);
  EXPECT_GE(reports, 1);
  IdleFor(30);
  EXPECT_EQ(Count("95 " + kId), reports + 3) << "one on every tick";
}

// Room 4 is the ground floor of two: down disabled, up enabled, "1 / 2";
// up loads room 10 ("2 / 2") and down leads back.
TEST_F(RoomOverlayTest, FloorButtonsFollowTheRecordsFloors) {
  Open(1);
  if (HasFatalFailure()) return;
  EXPECT_EQ(Text(RoomOverlay::kFloorTextId), "1 / 2");
  EXPECT_FALSE(Enabled(RoomOverlay::kFloorDownId));
  EXPECT_TRUE(Enabled(RoomOverlay::kFloorUpId));
  Click(RoomOverlay::kFloorDownId);
  EXPECT_EQ(overlay->GetRoom(), 4) << "disabled";
  Click(RoomOverlay::kFloorUpId);
  EXPECT_EQ(overlay->GetRoom(), 10);
  EXPECT_EQ(Count("sound 52"), 1);
  EXPECT_EQ(Text(RoomOverlay::kFloorTextId), "2 / 2");
  EXPECT_EQ(Text(RoomOverlay::kNameId), "Raum 10");
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Titel 10");
  EXPECT_TRUE(Enabled(RoomOverlay::kFloorDownId));
  EXPECT_FALSE(Enabled(RoomOverlay::kFloorUpId));
  EXPECT_EQ(Buttons(), (std::vector<int32_t>{14900, 14920})) << "room 4's buttons are gone";
  EXPECT_TRUE(Child(14920)->IsVisible());
  Click(RoomOverlay::kFloorDownId);
  EXPECT_EQ(overlay->GetRoom(), 4);
  EXPECT_EQ(Count("sound 50"), 1);
  EXPECT_EQ(Text(RoomOverlay::kFloorTextId), "1 / 2");

  // An area of one floor: both disabled.
  overlay->LoadRoom(RoomTable::FindRoom(0, 1), false);
  EXPECT_EQ(Text(RoomOverlay::kFloorTextId), "1 / 1");
  EXPECT_FALSE(Enabled(RoomOverlay::kFloorDownId));
  EXPECT_FALSE(Enabled(RoomOverlay::kFloorUpId));
}

// Pointing at a button shows its title and text at once; the room's come
// back 250 ms after the pointer has left it, unless another button was
// entered in between.
TEST_F(RoomOverlayTest, TheTextColumnReturnsToTheRoom250msAfterLeaving) {
  Open(1);
  if (HasFatalFailure()) return;
  Hover(14900);  // help, kind 9
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Art 9");
  EXPECT_EQ(Text(RoomOverlay::kTextId), "Text der Art 9");
  EXPECT_EQ(Count("sound 58"), 1);
  bench->Move(60, 300);  // the text column: over no button
  const uint32_t left = bench->Now();
  EXPECT_EQ(overlay->GetResetTick(), left + 250);
  IdleFor(240);
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Art 9");
  IdleFor(30);
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Titel 4");
  EXPECT_EQ(Text(RoomOverlay::kTextId), "Text 4");
  EXPECT_EQ(overlay->GetResetTick(), 0u);

  // Item 3 (index 2): no texts for it in the archive; item 1 has them.
  Hover(14920);
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Ding 4.1");
  EXPECT_EQ(Text(RoomOverlay::kTextId), "Text 4.1");
  EXPECT_TRUE(overlay->IsShowingItem());
  bench->Move(60, 300);
  IdleFor(100);
  Hover(14901);  // to-bubble, kind 5, within the 250 ms
  EXPECT_EQ(overlay->GetResetTick(), 0u);
  IdleFor(400);
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Art 5") << "the pointer still rests on it";
  bench->Move(60, 300);
  IdleFor(300);
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Titel 4");
}

// A click in a room's box on the plan chooses that room, as its link in the
// list does: its name and buttons show. A button on the plan lies over the
// boxes and keeps its own click; a click on the plan outside every box, or
// in a box with no width, changes nothing. The boxes show only while the
// overlay is open.
TEST_F(RoomOverlayTest, AClickInARoomsBoxOnThePlanChoosesThatRoom) {
  Make(1);
  const int32_t planX = kOverlayLeft + RoomOverlay::kPlanLeft;
  const int32_t planY = kOverlayTop + RoomOverlay::kPlanTop;
  for (const int32_t room : {6, 9}) {
    ASSERT_NE(Child(RoomOverlay::kFirstPlanBoxId + room), nullptr) << room;
    EXPECT_FALSE(Child(RoomOverlay::kFirstPlanBoxId + room)->IsVisible()) << "hidden until the overlay has opened";
  }
  EXPECT_EQ(Bounds(RoomOverlay::kFirstPlanBoxId + 6), VRect(planX + 90, planY + 90, planX + 150, planY + 140));
  EXPECT_EQ(Bounds(RoomOverlay::kFirstPlanBoxId + 9), VRect(planX + 200, planY + 10, planX + 250, planY + 40));
  EXPECT_EQ(Child(RoomOverlay::kFirstPlanBoxId + 10), nullptr) << "a box with no width";
  EXPECT_EQ(Child(RoomOverlay::kFirstPlanBoxId + 4), nullptr) << "a room without a box";
  overlay->Show();
  IdleFor(600);
  ASSERT_EQ(overlay->GetState(), RoomOverlay::kOpen);
  EXPECT_TRUE(Child(RoomOverlay::kFirstPlanBoxId + 6)->IsVisible());

  // Room 4's bubble button lies in room 6's box: the button answers.
  ASSERT_EQ(overlay->GetRoom(), 4);
  Click(14901);
  EXPECT_EQ(Count("140 2"), 1);
  EXPECT_EQ(overlay->GetRoom(), 4);
  // Outside every box.
  ClickAt(planX + 60, planY + 200);
  EXPECT_EQ(overlay->GetRoom(), 4);
  EXPECT_EQ(Count("sound 57"), 0);

  ClickAt(planX + 140, planY + 130);
  EXPECT_EQ(overlay->GetRoom(), 6);
  EXPECT_EQ(Count("sound 57"), 1);
  EXPECT_EQ(Text(RoomOverlay::kNameId), "Raum 6");
  EXPECT_EQ(Text(RoomOverlay::kTitleId), "Titel 6");
  EXPECT_EQ(Buttons(), (std::vector<int32_t>{14900, 14921}));
  FlushDeferredDeletions();
  EXPECT_TRUE(Child(14900)->IsVisible());
  EXPECT_TRUE(Child(14921)->IsVisible());
  EXPECT_EQ(Text(RoomOverlay::kFloorTextId), "2 / 2");

  ClickAt(planX + 201, planY + 11);
  EXPECT_EQ(overlay->GetRoom(), 9);
  EXPECT_EQ(Text(RoomOverlay::kNameId), "Raum 9");

  overlay->Hide();
  IdleFor(600);
  EXPECT_FALSE(Child(RoomOverlay::kFirstPlanBoxId + 6)->IsVisible());
}

// The rooms button (or the header) lists every room, area by area and the
// ground floor first, one link each (the upper floors' rooms too, so that
// every room the plan shows can be chosen there); a link loads its room, a
// target that names no room only closes the list, and leaving the list
// closes it.
TEST_F(RoomOverlayTest, TheRoomsListLinksEveryRoom) {
  Open(1);
  if (HasFatalFailure()) return;
  Click(RoomOverlay::kRoomsButtonId);
  EXPECT_EQ(Count("sound 54"), 1);
  auto* list = dynamic_cast<VHTMLTextControl*>(Child(RoomOverlay::kListId));
  ASSERT_NE(list, nullptr);
  // Areas 0..9 of the table; areas 4, 6 and 7 have an upper floor.
  std::string expected;
  for (const int32_t room : {0, 11, 1, 3, 4, 10, 8, 9, 6, 5, 7, 2, 12}) {
    expected += "<A HREF=\"" + std::to_string(room) + "\">Raum " + std::to_string(room) + "</A><BR>";
  }
  EXPECT_EQ(Str(list->GetChars()), expected);
  EXPECT_EQ(Bounds(RoomOverlay::kListId), VRect(56 + 28, 25 + 22, 56 + 28 + 179, 25 + 22 + 290));
  const int32_t height = list->GetTextHeight();
  EXPECT_GT(height, 13 * 5);
  EXPECT_EQ(Bounds(RoomOverlay::kListBackdropId), VRect(56 + 20, 25 + 17, 56 + 20 + 189, 25 + 17 + height));
  EXPECT_EQ(Bounds(RoomOverlay::kListBottomId).top, 25 + 17 + height);
  EXPECT_EQ(Bounds(RoomOverlay::kListDetectorId), VRect(56 + 20, 25 + 17, 56 + 20 + 189, 25 + 17 + height));

  // Following the link of room 9.
  {
    const VString target("9");
    const ScopedMessagePointer token(&target);
    SendControlEvent(*list, kEventLinkActivated, token.GetValue());
  }
  EXPECT_EQ(Count("sound 57"), 1);
  EXPECT_EQ(overlay->GetRoom(), 9);
  EXPECT_EQ(Text(RoomOverlay::kNameId), "Raum 9");
  for (const int32_t id : {RoomOverlay::kListId, RoomOverlay::kListBackdropId, RoomOverlay::kListBottomId,
                           RoomOverlay::kListDetectorId}) {
    EXPECT_EQ(Child(id), nullptr) << id;
  }

  // The header opens it as well; a link to no room closes it and keeps the room.
  ClickAt(Bounds(RoomOverlay::kHeaderId).right - 3, Bounds(RoomOverlay::kHeaderId).top + 3);
  list = dynamic_cast<VHTMLTextControl*>(Child(RoomOverlay::kListId));
  ASSERT_NE(list, nullptr) << "the header's click";
  for (const char* none : {"13", "-1", "99"}) {
    const VString target(none);
    const ScopedMessagePointer token(&target);
    overlay->HandleEvent(kEventLinkActivated, token.GetValue(), 0);
    EXPECT_EQ(overlay->GetRoom(), 9) << none;
  }
  EXPECT_EQ(Child(RoomOverlay::kListId), nullptr);

  // Leaving the list closes it: the pointer enters the detector, then leaves.
  Click(RoomOverlay::kRoomsButtonId);
  ASSERT_NE(Child(RoomOverlay::kListId), nullptr);
  const VRect detector = Bounds(RoomOverlay::kListDetectorId);
  bench->Move(detector.left + 30, detector.top + 20);
  bench->Move(detector.right + 40, detector.top + 20);
  EXPECT_EQ(Child(RoomOverlay::kListId), nullptr);
  EXPECT_FALSE(Child(RoomOverlay::kListBackdropId)->IsVisible());
  EXPECT_FALSE(Child(RoomOverlay::kListDetectorId)->IsEnabled());
  // A floor change afterwards does not bring the empty backdrop back.
  Click(RoomOverlay::kFloorUpId);
  EXPECT_EQ(overlay->GetRoom(), 6);
  EXPECT_FALSE(Child(RoomOverlay::kListBackdropId)->IsVisible());
}

// A record with all ten item numbers in descending order leaves the item
// count at 1, yet loading the next room removes every item button (and every
// navigation button) of the old one.
TEST_F(RoomOverlayTest, LoadingARoomRemovesEveryButtonOfTheLastOne) {
  Open(2);
  if (HasFatalFailure()) return;
  EXPECT_EQ(overlay->GetRoom(), 9);
  EXPECT_EQ(overlay->GetItemCount(), 1);
  EXPECT_EQ(overlay->GetButtonCount(), 2);
  EXPECT_EQ(Buttons().size(), 12u);
  Click(RoomOverlay::kFloorUpId);
  EXPECT_EQ(overlay->GetRoom(), 6);
  EXPECT_EQ(Buttons(), (std::vector<int32_t>{14900, 14921}));
  EXPECT_EQ(overlay->GetButtonKind(0), 8);
  for (int32_t i = 1; i < 10; ++i) EXPECT_EQ(overlay->GetButtonKind(i), 0) << i;
  int ids = 0;
  for (VGraphicObject* child = overlay->GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
    if (child->GetId() == 14921) ++ids;
  }
  EXPECT_EQ(ids, 1);
  FlushDeferredDeletions();
  EXPECT_EQ(DeferredDeletionCount(), 0);
}

// A record of 100,000 entries, nearly all of them of no use and the last
// cut short, opens with what it holds that is valid.
TEST_F(RoomOverlayTest, ACrowdedRecordOpensWithWhatIsValid) {
  Open(6);
  if (HasFatalFailure()) return;
  EXPECT_EQ(overlay->GetRoom(), 12);
  std::vector<int32_t> expected;
  for (int32_t i = 0; i < 10; ++i) expected.push_back(14900 + i);
  expected.push_back(14922);
  EXPECT_EQ(Buttons(), expected);
  EXPECT_EQ(Bounds(14922).left, 56 + 211 + 30);
  EXPECT_TRUE(Child(14922)->IsVisible());
  EXPECT_EQ(overlay->GetItemCount(), 3);
}

// The room text too long for its column gets a scroll bar at (191, 75);
// an item's text never does, and a short text removes it.
TEST_F(RoomOverlayTest, ALongRoomTextScrolls) {
  Open(0);
  if (HasFatalFailure()) return;
  overlay->LoadRoom(3, false);
  overlay->ShowInfo(-1, false, false);
  auto* bar = dynamic_cast<VPictureScrollBar*>(Child(RoomOverlay::kScrollBarId));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Bounds(RoomOverlay::kScrollBarId).left, 56 + 191);
  EXPECT_EQ(Bounds(RoomOverlay::kScrollBarId).top, 25 + 75);
  auto* text = dynamic_cast<VTextControl*>(Child(RoomOverlay::kTextId));
  EXPECT_EQ(text->GetScrollBar(0), bar);
  overlay->ShowInfo(0, true, false);
  EXPECT_EQ(Child(RoomOverlay::kScrollBarId), nullptr);
  EXPECT_EQ(text->GetScrollBar(0), nullptr);
  overlay->ShowInfo(-1, false, false);
  ASSERT_NE(Child(RoomOverlay::kScrollBarId), nullptr);
  overlay->LoadRoom(4, false);
  overlay->ShowInfo(-1, false, false);
  EXPECT_EQ(Child(RoomOverlay::kScrollBarId), nullptr);
}

// The bubble button asks the owner for the room's bubble (140 with its
// number); a room whose link is no bubble asks nothing; the exit button asks
// to close like the close button.
TEST_F(RoomOverlayTest, BubbleAndExitButtons) {
  Open(1);
  if (HasFatalFailure()) return;
  EXPECT_EQ(tourtest::Code(overlay->GetBubble()), "BU002");
  Click(14901);
  EXPECT_EQ(Count("140 2"), 1);
  Click(14902);
  EXPECT_EQ(Count("93 " + kId), 1);
  Click(RoomOverlay::kCloseButtonId);
  EXPECT_EQ(Count("93 " + kId), 2);
  EXPECT_EQ(Count("sound 3"), 2);
  Click(RoomOverlay::kFloorUpId);
  ASSERT_EQ(overlay->GetRoom(), 10);
  Click(14900);  // go-to-room, but the link names a video item
  EXPECT_EQ(Count("140 2"), 1);
}

// Pointer moves over the overlay are its own; outside it the tour keeps
// them.
TEST_F(RoomOverlayTest, TakesPointerMovesOnlyOverItself) {
  Open(1);
  if (HasFatalFailure()) return;
  const struct {
    int32_t x, y;
    bool taken;
  } moves[] = {{56, 25, true}, {584, 380, true}, {300, 200, true}, {55, 100, false}, {585, 100, false},
               {100, 24, false}, {100, 381, false}};
  for (const auto& m : moves) {
    VMouseEvent event(VPoint(m.x, m.y), 0, 0, 0);
    EXPECT_EQ(overlay->MouseMove(event), m.taken) << m.x << "," << m.y;
  }
}

}  // namespace
