// The storyline panel: stepping the selection through every event of a
// storyline in its order (events of one hour included) with the end reports,
// cards along the vertical scale clipped at its limits, reloading at an
// event of the same or another storyline, and storylines that are missing.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "StorylineWorld.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/VPicture.h"
#include "title/modules/storyline/PanelEventCard.h"
#include "title/modules/storyline/ScrollArrow.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/modules/storyline/StorylinePanel.h"

namespace {

using storylinetest::Item;

VRect Global(VGraphicObject* object) {
  VRect r;
  object->GetGlobalBounds(r);
  return r;
}

std::string TextOf(VTextControl* text) {
  const VString* s = text->GetText();
  return s != nullptr && s->GetChars() != nullptr ? std::string(s->GetChars(), static_cast<size_t>(s->GetLength()))
                                                  : "";
}

class StorylinePanelTest : public storylinetest::StorylineWorldFixture {
 protected:
  // Storyline 1: three events in one hour, one at 2 o'clock the next day,
  // two later ones; storyline 2 with one event; an event without storyline
  // and one of a storyline that does not exist.
  void OpenStandardWorld() {
    OpenWorld({{1, "15 6 1672", "Hochzeit"},
               {2, "15 6 1672", "Taufe"},
               {3, "15 6 1672", "Fest"},
               {4, "16 6 1672", "2 Briefe"},
               {5, "20 8 1672", "Reise"},
               {6, "1 1 1690", "Umbau"},
               {7, "3 3 1700", "Allein", 1, 2},
               {8, "3 3 1701", "Ohne", 1, 0},
               {9, "3 3 1702", "Fremd", 1, 5, false}});
  }

  StorylinePanel* MakePanel(const std::string& item) {
    return new StorylinePanel(14451, Item(item), catalog.get(), 440, 0, 38, 200, 480, bench->recorder);
  }

  static int32_t Selected(const StorylinePanel* panel) {
    return panel->GetSelectedEvent() != nullptr ? panel->GetSelectedEvent()->GetKey().GetNumber() : -1;
  }

  // The end reports since the last call, as "153 v" and "154 v".
  std::vector<std::string> TakeReports() {
    std::vector<std::string> out;
    for (const std::string& line : bench->log) {
      if (line.rfind("153 ", 0) == 0 || line.rfind("154 ", 0) == 0) out.push_back(line);
    }
    bench->log.clear();
    return out;
  }
};

// Previous and next walk the storyline's own order: from the third of three
// events of one hour back to the first, then forward to the last, each with
// sound 36 and the end reports (153 before 154); at either end they do
// nothing at all.
TEST_F(StorylinePanelTest, StepsReachEveryEventInTheStorylinesOrder) {
  OpenStandardWorld();
  StorylinePanel* panel = MakePanel("EV003");
  ASSERT_NE(panel->GetStorylineRecord(), nullptr);
  EXPECT_EQ(Selected(panel), 3);
  TakeSounds();
  TakeReports();

  struct Step {
    bool next;
    int32_t selected;
    std::vector<std::string> reports;
  };
  const std::vector<std::string> middle = {"153 0", "154 0"};
  const std::vector<Step> steps = {
      {false, 2, middle},
      {false, 1, {"153 0", "154 1"}},
      {false, 1, {}},  // at the first event: nothing
      {true, 2, middle},
      {true, 3, middle},
      {true, 4, middle},
      {true, 5, middle},
      {true, 6, {"153 1", "154 0"}},
      {true, 6, {}},  // at the last event: nothing
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    const int32_t before = Selected(panel);
    if (steps[i].next) {
      panel->SelectNext();
    } else {
      panel->SelectPrevious();
    }
    EXPECT_EQ(Selected(panel), steps[i].selected);
    EXPECT_EQ(TakeReports(), steps[i].reports);
    EXPECT_EQ(TakeSounds(), before == steps[i].selected ? std::vector<int32_t>{} : std::vector<int32_t>{36});
  }
  // The selected card is the highlighted one; the texts are its event's.
  const uint16_t icons = static_cast<uint16_t>(storylinetest::StorylineBase(1) + 11);
  for (EventCard* card : panel->GetCardOrder().GetCards()) {
    ASSERT_NE(card->GetIcon(), nullptr);
    EXPECT_EQ(card->GetIcon()->PeekPicture()->GetMediaId(),
              card->GetEvent() == panel->GetSelectedEvent() ? icons + 6 : icons);
  }
  EXPECT_EQ(TextOf(panel->GetTexts().GetTitle()), "Umbau");
  EXPECT_EQ(TextOf(panel->GetTexts().GetYear()), "1690,");
  delete panel;

  // A storyline of one event is at both ends at once.
  StorylinePanel* single = MakePanel("EV007");
  TakeReports();
  single->ReportEnds();
  EXPECT_EQ(TakeReports(), (std::vector<std::string>{"153 1", "154 1"}));
  delete single;
}

// One year covers 309 pixels, later events higher up, cards ending at x 622
// and at least 12 pixels apart; a card is shown while its top is at 18 or
// below and its bottom at 459 or above, and hidden one pixel beyond.
TEST_F(StorylinePanelTest, CardsFollowTheDateAndAreClippedAtTheLimits) {
  OpenStandardWorld();
  StorylinePanel* panel = MakePanel("EV001");
  panel->SetVisible(true, false);
  EXPECT_EQ(panel->GetSpan(), 8760);
  const std::vector<EventCard*>& cards = panel->GetCardOrder().GetCards();
  ASSERT_EQ(cards.size(), 6u);
  std::vector<int32_t> numbers;
  for (EventCard* card : cards) numbers.push_back(card->GetEvent()->GetKey().GetNumber());
  EXPECT_EQ(numbers, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(cards[0]->GetId(), PanelEventCard::kFirstId);

  panel->SetDate(panel->GetFirstDate());
  EXPECT_EQ(Global(cards[0]).top, 210);
  EXPECT_EQ(Global(cards[0]).right, 622);
  EXPECT_EQ(Global(cards[1]).top, 198);
  EXPECT_EQ(Global(cards[2]).top, 186);
  EXPECT_EQ(Global(cards[3]).top, 174) << "a day later is still 12 pixels on";
  const int32_t reise = static_cast<int32_t>(
      (DateToDayNumber(VTime(1672, 8, 20)) - DateToDayNumber(VTime(1672, 6, 15))) / 8760.0 * 309.0);
  EXPECT_EQ(cards[4]->GetOffset(), reise);

  // Earlier dates move the cards up, later ones down, less than a pixel an
  // hour.
  EventCard* first = cards[0];
  for (const int32_t direction : {-1, 1}) {
    int32_t hours = DateToDayNumber(panel->GetFirstDate());
    VRect lastShown;
    for (int32_t steps = 0;; hours += direction, ++steps) {
      ASSERT_LT(steps, 20000);
      panel->SetDate(DayNumberToDate(hours));
      if (!first->IsVisible()) break;
      lastShown = Global(first);
    }
    if (direction < 0) {
      EXPECT_EQ(lastShown.top, StorylinePanel::kTopLimit);
    } else {
      EXPECT_EQ(lastShown.bottom, StorylinePanel::kBottomLimit);
    }
  }
  delete panel;
}

// Opening at another event of the shown storyline keeps the cards and moves
// the selection (sound 36); another storyline replaces them; an event
// without a storyline, or of one that is missing, leaves the panel empty,
// and stepping then does nothing.
TEST_F(StorylinePanelTest, ReloadingKeepsOrReplacesTheStoryline) {
  OpenStandardWorld();
  StorylinePanel* panel = MakePanel("EV002");
  const std::vector<EventCard*> before = panel->GetCardOrder().GetCards();
  TakeSounds();
  panel->LoadStorylineAt(Item("EV005"));
  EXPECT_EQ(panel->GetCardOrder().GetCards(), before);
  EXPECT_EQ(Selected(panel), 5);
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{36}));

  panel->LoadStorylineAt(Item("EV007"));
  ASSERT_EQ(panel->GetCardOrder().GetCards().size(), 1u);
  EXPECT_EQ(panel->GetCardOrder().GetCards()[0]->GetId(), PanelEventCard::kFirstId);
  EXPECT_EQ(panel->FindCard(PanelEventCard::kFirstId + 1), nullptr);
  EXPECT_EQ(Selected(panel), 7);
  EXPECT_EQ(panel->GetFirstDate().GetYear(), 1700);

  for (const char* item : {"EV008", "EV009", "EV999", "XX000"}) {
    SCOPED_TRACE(item);
    panel->LoadStorylineAt(Item("EV001"));
    panel->LoadStorylineAt(Item(item));
    EXPECT_EQ(panel->GetStorylineRecord(), nullptr);
    EXPECT_TRUE(panel->GetCardOrder().IsEmpty());
    EXPECT_EQ(panel->GetSelectedEvent(), nullptr);
    TakeReports();
    panel->SelectNext();
    panel->SelectPrevious();
    panel->ReportEnds();
    panel->SetDate(VTime(1672, 6, 15));
    EXPECT_TRUE(TakeReports().empty());
  }
  delete panel;
}

// Resting on a card shows its event (sound 37) and leaving shows the
// selected one again; activating its icon asks the screen with 147.
TEST_F(StorylinePanelTest, CardsShowTheirEventWhileThePointerRests) {
  OpenStandardWorld();
  StorylinePanel* panel = MakePanel("EV001");
  panel->SetVisible(true, false);
  panel->SetDate(panel->GetFirstDate());
  bench->Redraw();
  TakeSounds();
  EventCard* taufe = panel->GetCardOrder().GetCards()[1];
  ASSERT_TRUE(taufe->IsVisible());
  const VRect icon = Global(taufe->GetIcon());
  const int32_t x = (icon.left + icon.right) / 2, y = (icon.top + icon.bottom) / 2;
  bench->Move(x, y);
  EXPECT_EQ(TextOf(panel->GetTexts().GetTitle()), "Taufe");
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{37}));
  EXPECT_TRUE(Logged(148).empty());
  bench->Click(x, y);
  EXPECT_EQ(Logged(147), (std::vector<std::string>{"147 " + std::to_string(taufe->GetId())}));
  bench->Move(450, 470);
  EXPECT_EQ(TextOf(panel->GetTexts().GetTitle()), "Hochzeit");
  delete panel;
}

}  // namespace
