// The relations screen on a fake clock, on the index tests' small disc with
// the relations media added: the rows and buttons made from TEXT 12102 (and
// what survives a table cut short or of 10,000 records), entering and
// leaving (94, 95), the model's regions marking the items of a place (at most
// four), an item turning the model and marking the others of its place, the
// overlapping buttons, the text panel (kind 4, the visited flag, the pointer
// by the row) and the pointer's 140.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "engine/controls/ControlEvents.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/PixelMapAttributes.h"
#include "engine/graphics/VPicture.h"
#include "engine/script/ItemRef.h"
#include "title/controls/AnimatedMaskControl.h"
#include "title/controls/AnimatedPictureControl.h"
#include "title/controls/AppTaskListControl.h"
#include "title/controls/HtmlTextPanel.h"
#include "title/controls/MarkablePictureButton.h"
#include "title/modules/relations/RelationsScreen.h"
#include "title/shell/ScreenRegistry.h"
#include "title/modules/index/IndexTestSupport.h"

namespace {

using namespace indextest;

// The model stands at (127, 143); its small masks hold the index tests' bands.
constexpr int32_t kHouseX = 127, kHouseY = 143;
constexpr int32_t kSpinX = kHouseX + 3, kPlace1X = kHouseX + 11, kPlace2X = kHouseX + 19;
constexpr int32_t kBandY = kHouseY + 5;
constexpr int32_t kButtonWidth = 40, kButtonHeight = 30;

// Number, links, picture, heading picture, x, y, name, text medium.
const char* kRecords =
    "1 2 1 2 5101 12160 10 300 \"Hinrich\" 18900\r\n"
    "2 1 1 5111 12160 30 300 \"Margaretha\" 18901\r\n"
    "3 1 2 5121 12160 200 300 \"Cembalo\" 0\r\n"
    "4 0 5131 12160 260 300 \"Niemand\" 18902\r\n"
    "5 1 1 0 0 0 0 \"Ohne Bild\" 0\r\n";

class RelationsScreenTest : public IndexFixture {
 protected:
  void AddInterfaceMedia(std::vector<std::string>& gui) override {
    WriteFile("records.txt", records_);
    gui.push_back("12102 40 " + Quoted("records.txt") + " 0");
    // The house's media as the index model's (ModelMedia: sizes, media left out).
    ModelMediaLines(gui, 12400, 12500, 12600, RelationsScreen::kHouseFrames, 12132, RelationsScreen::kIntroFrames);
    for (uint16_t id : {12100, 12110, 12120, 12130}) Picture(gui, id, 60, 40, 0x406080);
    Picture(gui, 12160, 200, 30, 0x604020);
    for (uint16_t p : {5101, 5111, 5121, 5131}) {
      for (int32_t state = 0; state < 4; ++state) {
        Picture(gui, static_cast<uint16_t>(p + state), kButtonWidth, kButtonHeight, 0x20A020 + 0x100 * state);
      }
      Picture(gui, static_cast<uint16_t>(p - 1000), kButtonWidth, kButtonHeight, 0xE0E020);
    }
  }

  void OpenDisc(const std::string& records = kRecords) {
    records_ = records;
    extraLanguageLines = {"18900 -20 \"<html>Hinrich Ostrevan baute 1652 das Haus.</html>\"",
                          "18901 -20 \"<html>Margaretha spielte das Cembalo.</html>\"",
                          "18902 -20 \"<html>Niemand.</html>\""};
    OpenIndexDisc();
  }

  RelationsScreen* Make() { return MakeScreen<RelationsScreen>(); }
  RelationsScreen* Entered() { return EnterScreen<RelationsScreen>(); }
  void Settle(RelationsScreen* screen) {
    for (int32_t i = 0; i < 300 && screen->GetHouse()->IsAnimating(); ++i) Pass(10);
  }
  // Moves the pointer there (twice: a region left is heard on one move, the
  // next entered on the next).
  void Point(int32_t x, int32_t y) {
    bench->Move(x, y);
    bench->Move(x + 1, y);
  }

  std::string records_ = kRecords;
};

TEST_F(RelationsScreenTest, RowsAndButtonsComeFromTheRecordsWithPicturesAtTheirPlacesAndLayers) {
  OpenDisc();
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Make();
  EXPECT_EQ(screen->GetItemCount(), 5);
  EXPECT_EQ(screen->GetList()->GetBounds().GetHeight(), 5 * 17);
  EXPECT_EQ(screen->GetList()->GetBounds().left, 640);
  struct Case {
    int32_t record;
    bool button;
    int32_t x;
  };
  for (const Case& c : {Case{0, true, 10}, Case{1, true, 30}, Case{2, true, 200}, Case{3, true, 260},
                        Case{4, false, 0}, Case{5, false, 0}}) {
    SCOPED_TRACE(c.record);
    MarkablePictureButton* button = screen->GetItemButton(c.record);
    ASSERT_EQ(button != nullptr, c.button);
    if (button == nullptr) continue;
    EXPECT_EQ(button->GetId(), 14968 + c.record);
    EXPECT_EQ(button->GetBounds(), VRect(c.x, 300, c.x + kButtonWidth, 300 + kButtonHeight));
    EXPECT_EQ(button->GetLayer(), c.record + 2);
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_EQ(Level(button), 0) << "faded in on entering";
  }
  EXPECT_EQ(screen->GetHouse()->GetCurrentFrame(), 5);
  EXPECT_FALSE(Shown(screen->GetHouse()));
  EXPECT_EQ(screen->GetKind(), 1);
}

TEST_F(RelationsScreenTest, ATableCutShortOrOfTenThousandRecordsGivesOnlyWhatFitsAndNeverReadsOutsideIt) {
  struct Case {
    const char* name;
    std::string text;
    int32_t items;
    int32_t buttons;
  };
  const auto records = [](int32_t count) {
    std::string text;
    for (int32_t n = 1; n <= count; ++n) {
      text += std::to_string(n) + " 2 " + std::to_string(n % 7) + " 1 5101 12160 " + std::to_string(n % 600) +
              " 300 \"R" + std::to_string(n) + "\" 18900\n";
    }
    return text;
  };
  const std::string many = records(10000);
  const Case cases[] = {
      {"cut inside the links", "1 2 1 2 5101 12160 10 300 \"Hinrich\" 18900\r\n2 5 1", 2, 1},
      {"cut inside the name", "1 1 1 5101 12160 10 300 \"Hinr", 1, 1},
      {"unknown words between the numbers", "1 x 1 y 1 5101 HOUSE 12160 10 300 \"Eins\" 18900 KEY 2 0 5111 0 0 0 \"Zwei\" 0", 2, 2},
      {"numbers only from 500 up", "500 1 1 5101 12160 10 300 \"Weit\" 18900\r\n", 1, 0},
      {"10,000 records", many, RelationsScreen::kMaxItems, RelationsScreen::kMaxItems},
      // Read in seconds: the records are linked to the table in one step.
      {"100,000 records", records(100000), RelationsScreen::kMaxItems, RelationsScreen::kMaxItems},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    OpenDisc(c.text);
    if (HasFatalFailure()) return;
    RelationsScreen* screen = Make();
    EXPECT_EQ(screen->GetItemCount(), c.items);
    int32_t buttons = 0;
    for (int32_t k = 0; k < screen->GetItemCount(); ++k) buttons += screen->GetItemButton(k) != nullptr ? 1 : 0;
    EXPECT_EQ(buttons, c.buttons);
    EXPECT_LE(screen->GetList()->GetBounds().bottom, 30 + 380);
    for (int32_t k = 0; k < screen->GetItemCount(); ++k) {
      if (MarkablePictureButton* button = screen->GetItemButton(k)) {
        EXPECT_LT(button->GetLayer(), 23);
      }
    }
    // Whatever was read, pointing at every place and choosing every row stays inside the tables.
    screen->Show();
    for (int32_t i = 0; i < 400 && Logged(94).empty(); ++i) Pass(10);
    for (int32_t row = -1; row <= screen->GetItemCount(); ++row) {
      screen->HandleEvent(AppTaskListControl::kMessageHovered, static_cast<uint32_t>(row), 0);
      screen->GetList()->SetDimUnselected(true);
      screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(row), 0);
    }
    Point(kPlace1X, kBandY);
    EXPECT_LE(screen->GetMarkedRecords().size(), 4u);
    Close(screen);
  }
}

// The records come from the disc: a button placed far outside the screen
// is held to it, and pointing over the screen then does no arithmetic
// beyond what 32 bits hold.
TEST_F(RelationsScreenTest, AButtonPlacedFarOutsideIsHeldToTheScreen) {
  OpenDisc("1 1 1 5101 12160 -2147483648 2147483647 \"Weit\" 18900\r\n"
           "2 1 1 5111 12160 2147483647 -2147483648 \"Weiter\" 18901\r\n");
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Entered();
  for (int32_t record : {0, 1}) {
    SCOPED_TRACE(record);
    MarkablePictureButton* button = screen->GetItemButton(record);
    ASSERT_NE(button, nullptr);
    const VRect bounds = button->GetBounds();
    EXPECT_GE(bounds.left, 0);
    EXPECT_LT(bounds.left, 640);
    EXPECT_GE(bounds.top, 0);
    EXPECT_LT(bounds.top, 480);
  }
  for (int32_t y = 0; y < 480; y += 53) {
    for (int32_t x = 0; x < 640; x += 71) Point(x, y);
  }
  Close(screen);
}

TEST_F(RelationsScreenTest, EnteringSlidesTheListFliesThePicturesFadesTheItemsInAndLeavingPlaysItBack) {
  OpenDisc();
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Make();
  AppTaskListControl* list = screen->GetList();
  screen->Show();
  int32_t leftmost = 640;
  for (int32_t i = 0; i < 52; ++i) {
    Pass(10);
    leftmost = std::min(leftmost, list->GetBounds().left);
  }
  EXPECT_EQ(leftmost, 408) << "overshoot: 425 - 17 (8 % of 215)";
  EXPECT_EQ(list->GetBounds().left, 425);
  EXPECT_EQ(screen->FindObject(14992)->GetBounds().left, 235);
  EXPECT_EQ(screen->FindObject(14993)->GetBounds().top, 239);
  for (int32_t i = 0; i < 400 && Logged(94).empty(); ++i) Pass(10);
  EXPECT_EQ(Logged(94), (std::vector<std::string>{"94 14419"}));
  EXPECT_EQ(Level(screen->FindObject(RelationsScreen::kTitleId)), 63);
  EXPECT_EQ(Level(screen->GetItemButton(0)), 63);
  EXPECT_TRUE(screen->GetItemButton(0)->IsEnabled());
  EXPECT_TRUE(Shown(screen->GetHouse()));
  EXPECT_FALSE(Shown(screen->GetIntro()));
  EXPECT_TRUE(list->IsEnabled());

  // Leaving with the model turned away: it turns back to frame 5 first.
  screen->GetHouse()->SetFrame(20);
  screen->Hide();
  EXPECT_TRUE(screen->GetHouse()->IsAnimating());
  EXPECT_FALSE(screen->GetItemButton(0)->IsEnabled());
  for (int32_t i = 0; i < 500 && Logged(95).empty(); ++i) Pass(10);
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14419"}));
  EXPECT_FALSE(screen->IsVisible());
  EXPECT_EQ(list->GetBounds().left, 640);
  EXPECT_EQ(screen->FindObject(14992)->GetBounds().left, 140);
  EXPECT_EQ(Level(screen->FindObject(14992)), 0);
  EXPECT_EQ(Level(screen->GetItemButton(0)), 0);
}

TEST_F(RelationsScreenTest, LeavingAtTheRestFrameStartsAtOnceEvenBeforeTheOpeningEnded) {
  OpenDisc();
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Make();
  screen->Show();
  Pass(100);
  screen->Hide();
  for (int32_t i = 0; i < 500 && Logged(95).empty(); ++i) Pass(10);
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14419"}));
  EXPECT_TRUE(Logged(94).empty());
}

TEST_F(RelationsScreenTest, APlaceOfTheModelMarksItsItemsNamesItAndTheSpinAreaAsksForItsCaption) {
  OpenDisc();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(ItemRef(kBubbleCategory, 2).MarkItemVisited());
  RelationsScreen* screen = Entered();
  Point(kPlace1X, kBandY);
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0, 1})) << "record 4 links it but has no button";
  EXPECT_TRUE(screen->GetList()->IsMarked(0));
  EXPECT_FALSE(screen->GetList()->IsMarked(4));
  EXPECT_GT(screen->GetItemButton(0)->GetLayer(), screen->GetHouse()->GetLayer()) << "marked items rise";
  EXPECT_EQ(captions.captions.back(), "Die Halle");
  Point(kPlace2X, kBandY);
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0, 2}));
  EXPECT_FALSE(screen->GetList()->IsMarked(1));
  EXPECT_EQ(captions.captions.back(), "Die Kueche [box]") << "bubble 2 was visited";
  bench->log.clear();
  Point(kSpinX, kBandY);
  EXPECT_EQ(Logged(28), (std::vector<std::string>{"28 14990"}));
  EXPECT_TRUE(screen->GetMarkedRecords().empty());
  Point(kPlace1X, kBandY);
  bench->Move(kSpinX, kBandY);
  EXPECT_TRUE(screen->GetMarkedRecords().empty()) << "leaving the place unmarks";
  EXPECT_EQ(screen->GetItemButton(0)->GetLayer(), 2);
  EXPECT_EQ(captions.captions.back(), "");
}

TEST_F(RelationsScreenTest, AtMostFourItemsAreMarkedAndAnItemListingThePlaceTwiceCountsOnce) {
  std::string text = "1 2 1 1 5101 12160 0 300 \"Zweimal\" 0\r\n";
  for (int32_t n = 2; n <= 6; ++n) {
    text += std::to_string(n) + " 1 1 5101 12160 " + std::to_string(n * 50) + " 300 \"R" + std::to_string(n) +
            "\" 0\r\n";
  }
  OpenDisc(text);
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Entered();
  Point(kPlace1X, kBandY);
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0, 1, 2, 3}));
  bench->Move(kSpinX, kBandY);
  for (int32_t k = 0; k < 6; ++k) {
    EXPECT_EQ(screen->GetItemButton(k)->GetLayer(), k + 2) << k;
    EXPECT_FALSE(screen->GetList()->IsMarked(k)) << k;
  }
}

TEST_F(RelationsScreenTest, AnItemTurnsTheModelToItsFirstPlaceAndMarksTheOthersOfThatPlace) {
  OpenDisc();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(ItemRef(kPersonCategory, 2).MarkItemVisited());
  RelationsScreen* screen = Entered();
  Point(12 + 30, 310);
  EXPECT_EQ(screen->GetSelectedItem(), 14969);
  EXPECT_EQ(screen->GetList()->GetHoveredItem(), 1);
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0})) << "not the item itself";
  EXPECT_EQ(captions.captions.back(), "Die Halle / Margaretha [box]");
  Settle(screen);
  EXPECT_EQ(screen->GetHouse()->GetCurrentFrame(), 0);
  // Record 2 lives in the kitchen (frame 10).
  Point(205, 310);
  EXPECT_EQ(screen->GetSelectedItem(), 14970);
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0}));
  Settle(screen);
  EXPECT_EQ(screen->GetHouse()->GetCurrentFrame(), 10);
  // An item linked to no place turns nothing and marks nothing.
  Point(265, 310);
  EXPECT_EQ(screen->GetSelectedItem(), 14971);
  EXPECT_TRUE(screen->GetMarkedRecords().empty());
  EXPECT_FALSE(screen->GetHouse()->IsAnimating());
  EXPECT_EQ(captions.captions.back(), "Niemand");
  Point(600, 20);
  EXPECT_EQ(screen->GetSelectedItem(), 0);
  EXPECT_EQ(captions.captions.back(), "");
  // A row reached in the list does the same for its item.
  screen->HandleEvent(AppTaskListControl::kMessageHovered, 2, 0);
  EXPECT_EQ(screen->GetSelectedItem(), 14970);
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0}));
  screen->HandleEvent(AppTaskListControl::kMessageHovered, 4, 0);
  EXPECT_EQ(screen->GetSelectedItem(), 0) << "row 4 has no button";
  EXPECT_EQ(screen->GetMarkedRecords(), (std::vector<int32_t>{0, 1}));
  screen->HandleEvent(AppTaskListControl::kMessageHovered, static_cast<uint32_t>(-1), 0);
  EXPECT_TRUE(screen->GetMarkedRecords().empty());
  EXPECT_FALSE(screen->GetHouse()->IsAnimating());
}

TEST_F(RelationsScreenTest, AnOverlappingButtonWaitsUntilThePointerLeavesTheFirst) {
  OpenDisc();
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Entered();
  // Buttons 0 (10..50) and 1 (30..70) overlap between 30 and 50.
  Point(15, 310);
  EXPECT_EQ(screen->GetSelectedItem(), 14968);
  Point(40, 310);
  EXPECT_EQ(screen->GetSelectedItem(), 14968) << "the first keeps the pointer";
  Point(60, 310);
  EXPECT_EQ(screen->GetSelectedItem(), 14969);
  EXPECT_EQ(captions.captions.back(), "Die Halle / Margaretha");
}

TEST_F(RelationsScreenTest, ActivatingAnItemOpensItsTextWithThePointerByItsRowAndClosingItGoesBack) {
  OpenDisc();
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Entered();
  Point(15, 310);
  SendControlEvent(*screen->GetItemButton(0), kEventButtonClicked);
  HtmlTextPanel* panel = screen->GetTextPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetBounds(), VRect(45, 35, 45 + 376, 35 + 226));
  EXPECT_TRUE(Shown(panel));
  EXPECT_EQ(screen->GetKind(), 4);
  EXPECT_TRUE(ItemRef(kPersonCategory, 1).IsItemVisited());
  EXPECT_FALSE(ItemRef(kPersonCategory, 2).IsItemVisited());
  EXPECT_TRUE(screen->GetList()->IsDimmingUnselected());
  EXPECT_FALSE(screen->GetItemButton(1)->IsEnabled());
  // Row 0: the pointer below it (the row's bottom is 30 + 17).
  EXPECT_TRUE(Shown(screen->GetLowerPointer()));
  EXPECT_FALSE(Shown(screen->GetUpperPointer()));
  EXPECT_EQ(screen->GetLowerPointer()->GetBounds().left, 425 + 152);
  EXPECT_EQ(screen->GetLowerPointer()->GetBounds().top, 47 - 2);
  // The pointer asks for the tour at the item's first place.
  bench->log.clear();
  SendControlEvent(*screen->GetLowerPointer(), kEventButtonClicked);
  EXPECT_EQ(Logged(RelationsScreen::kOwnerGoToBubble), (std::vector<std::string>{"140 1"}));
  panel->Close();
  EXPECT_EQ(screen->GetKind(), 1);
  EXPECT_FALSE(Shown(screen->GetLowerPointer()));
  EXPECT_TRUE(screen->GetItemButton(1)->IsEnabled());
  EXPECT_FALSE(screen->GetList()->IsDimmingUnselected());
  // Another item's text after the first was closed.
  screen->GetList()->SetDimUnselected(true);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 1, 0);
  ASSERT_NE(screen->GetTextPanel(), nullptr);
  EXPECT_TRUE(Shown(screen->GetTextPanel()));
  EXPECT_EQ(screen->GetKind(), 4);
}

TEST_F(RelationsScreenTest, ARowConfirmedInTheListOpensItsTextWithThePointerAboveFromRowFourOn) {
  OpenDisc(std::string(kRecords) + "6 1 2 5101 12160 400 10 \"Sechs\" 18902\r\n");
  if (HasFatalFailure()) return;
  RelationsScreen* screen = Entered();
  AppTaskListControl* list = screen->GetList();
  list->SetDimUnselected(true);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 5, 0);
  ASSERT_NE(screen->GetTextPanel(), nullptr);
  EXPECT_TRUE(ItemRef(kPersonCategory, 6).IsItemVisited());
  // Row 5's top: 30 + 5 x 17 = 115; the pointer is 18 high.
  EXPECT_TRUE(Shown(screen->GetUpperPointer()));
  EXPECT_EQ(screen->GetUpperPointer()->GetBounds().left, 425 + 151);
  EXPECT_EQ(screen->GetUpperPointer()->GetBounds().top, 115 - 18);
  // A record without a text medium opens no panel but is visited.
  list->SetDimUnselected(false);
  screen->HandleEvent(AppTaskListControl::kMessageItemClicked, 5, 0);
  EXPECT_FALSE(Shown(screen->GetTextPanel())) << "undimmed: the panel closes";
  EXPECT_EQ(screen->GetKind(), 1);
  screen->OpenText(2);
  EXPECT_TRUE(ItemRef(kPersonCategory, 3).IsItemVisited());
  EXPECT_FALSE(Shown(screen->GetTextPanel()));
  // The pointer over no place sends the first place of the item, or 0 without one.
  struct Case {
    int32_t row;
    const char* message;
  };
  for (const Case& c : {Case{2, "140 2"}, Case{3, "140 0"}}) {
    list->SetDimUnselected(true);
    list->HoverItem(c.row, false, true);
    screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(c.row), 0);
    bench->log.clear();
    SendControlEvent(*screen->GetLowerPointer(), kEventButtonClicked);
    EXPECT_EQ(Logged(RelationsScreen::kOwnerGoToBubble), (std::vector<std::string>{c.message})) << c.row;
    list->SetDimUnselected(false);
    screen->HandleEvent(AppTaskListControl::kMessageItemClicked, static_cast<uint32_t>(c.row), 0);
  }
}

// The house's media of sizes that do not fit together or left out of the
// archive (BadModelMediaCases): the screen opens with what there is, an item turns the house to its place (showing that frame where there
// is one), a place marks its items, a text opens, and the screen leaves.
TEST_F(RelationsScreenTest, AHouseWithMasksThatDoNotMatchItsFramesOrMediaMissingOpensTurnsAndLeaves) {
  for (const ModelMediaCase& c : BadModelMediaCases()) {
    SCOPED_TRACE(c.name);
    model = ModelMedia();
    c.change(model);
    OpenDisc();
    if (HasFatalFailure()) return;
    RelationsScreen* screen = Entered();
    AnimatedMaskControl* house = screen->GetHouse();
    EXPECT_TRUE(Shown(house));
    Point(kSpinX, kBandY);
    Point(kPlace1X, kBandY);
    EXPECT_LE(screen->GetMarkedRecords().size(), 4u);
    Point(600, 20);
    // Record 2 (the harpsichord) lives in the kitchen, frame 10.
    screen->HandleEvent(AppTaskListControl::kMessageHovered, 2, 0);
    Settle(screen);
    EXPECT_EQ(house->GetCurrentFrame(), 10);
    if (c.frameTenShows) {
      ExpectShowsFrame(house, 10);
      if (HasFatalFailure()) return;
    }
    screen->HandleEvent(kEventButtonClicked, 14968, 0);
    EXPECT_TRUE(screen->IsTextOpen());
    LeaveAndClose(screen);
  }
}

TEST_F(RelationsScreenTest, TheMainPanelsScreenOfKindOneIsTheRelationsScreen) {
  OpenDisc();
  if (HasFatalFailure()) return;
  ExpectScreenOfKind<RelationsScreen>(1, &RegisterRelationsScreen);
}

}  // namespace
