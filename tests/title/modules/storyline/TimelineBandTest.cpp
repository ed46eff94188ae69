// The timeline bands: cards spaced along the scale and slid by the date,
// clipped exactly at each band's limits, the current event following the
// date with its sound, picture and texts, the hover messages, and bands
// whose timeline or storylines are missing.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "StorylineWorld.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/VPicture.h"
#include "title/modules/storyline/BandEventCard.h"
#include "title/modules/storyline/ScrollArrow.h"
#include "title/modules/storyline/StorylineCatalog.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/modules/storyline/TimelineBand.h"

namespace {

using storylinetest::StorylineBase;

constexpr int32_t kBandTops[3] = {0, 138, 273};
constexpr int32_t kBandHeights[3] = {138, 135, 207};

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

class TimelineBandTest : public storylinetest::StorylineWorldFixture {
 protected:
  // Three events on timeline t (the band t - 1): two on one day, one a day
  // later, one years later; the storyline is t.
  static std::vector<Event> Events(int32_t t) {
    const int32_t n = 10 * t;
    return {{n + 1, "15 6 1672", "Hochzeit", t, t},
            {n + 2, "15 6 1672", "Taufe", t, t},
            {n + 3, "16 6 1672", "Fest", t, t},
            {n + 4, "1 1 1700", "Umbau", t, t}};
  }

  TimelineBand* MakeBand(int32_t index) {
    return new TimelineBand(14439 + 4 * index, index, VTime(0, 6, 0), catalog.get(), 0, kBandTops[index], 35 + index,
                            640, kBandHeights[index], bench->recorder);
  }
};

// Cards keep their date order at least 12 pixels apart; one span (151 days)
// covers 345 pixels, and the current date sits at the band's date position:
// band 0's first card ends at x 240, band 1's begins at 352, band 2's ends
// at 360.
TEST_F(TimelineBandTest, CardsAreSpacedAndAnchoredAtTheDate) {
  std::vector<Event> events;
  for (int32_t t = 1; t <= 3; ++t) {
    for (const Event& e : Events(t)) events.push_back(e);
  }
  OpenWorld(events);
  struct Anchor {
    int32_t band;
    bool atLeft;  // the card's left edge, else its right edge
    int32_t x;
  };
  for (const Anchor& a : {Anchor{0, false, 240}, Anchor{1, true, 352}, Anchor{2, false, 360}}) {
    SCOPED_TRACE("band " + std::to_string(a.band));
    TimelineBand* band = MakeBand(a.band);
    EXPECT_EQ(band->GetSpan(), 3624);
    ASSERT_NE(band->GetTimelineRecord(), nullptr);
    const std::vector<EventCard*>& cards = band->GetCardOrder().GetCards();
    ASSERT_EQ(cards.size(), 4u);
    const int32_t far = static_cast<int32_t>(
        (DateToDayNumber(VTime(1700, 1, 1)) - DateToDayNumber(VTime(1672, 6, 15))) / 3624.0 * 345.0);
    std::vector<int32_t> offsets;
    for (EventCard* card : cards) offsets.push_back(card->GetOffset());
    EXPECT_EQ(offsets, (std::vector<int32_t>{0, 12, 24, far}));
    EXPECT_EQ(cards[0]->GetEvent()->GetKey().GetNumber(), 10 * (a.band + 1) + 1);
    EXPECT_EQ(cards[1]->GetEvent()->GetKey().GetNumber(), 10 * (a.band + 1) + 2);

    band->SetVisible(true, false);
    band->SetDate(band->GetFirstDate(), true, false);
    const VRect first = Global(cards[0]);
    EXPECT_TRUE(cards[0]->IsVisible());
    EXPECT_EQ(a.atLeft ? first.left : first.right, a.x);
    const int32_t cardTop = TimelineBand::GetGeometry(a.band).cardTop;
    if (a.band == 1) {
      EXPECT_EQ(first.bottom, kBandTops[1] + cardTop + 15);
    } else {
      EXPECT_EQ(first.top, kBandTops[a.band] + cardTop);
    }
    // Later cards lie further right by their offsets.
    const VRect second = Global(cards[1]);
    EXPECT_EQ(a.atLeft ? second.left - first.left : second.right - first.right, 12);
    EXPECT_FALSE(cards[3]->IsVisible()) << "28 years on lies far outside the band";
    delete band;
  }
}

// Stepping the date an hour at a time slides the cards by less than a
// pixel: a card is still shown when its edge lies exactly on the band's
// limit and hidden one pixel past it, at both ends of every band.
TEST_F(TimelineBandTest, CardsAreClippedExactlyAtTheLimits) {
  OpenWorld(
      {{1, "15 6 1672", "Hochzeit", 1, 1}, {2, "15 6 1672", "Hochzeit", 2, 1}, {3, "15 6 1672", "Hochzeit", 3, 1}});
  for (int32_t index = 0; index < 3; ++index) {
    SCOPED_TRACE("band " + std::to_string(index));
    TimelineBand* band = MakeBand(index);
    band->SetVisible(true, false);
    ASSERT_EQ(band->GetCardOrder().GetCards().size(), 1u);
    EventCard* card = band->GetCardOrder().GetCards()[0];
    const TimelineBand::Geometry& g = TimelineBand::GetGeometry(index);
    for (const int32_t direction : {1, -1}) {
      int32_t hours = DateToDayNumber(band->GetFirstDate());
      VRect lastShown;
      int32_t steps = 0;
      for (;; hours += direction, ++steps) {
        ASSERT_LT(steps, 20000);
        band->SetDate(DayNumberToDate(hours), false, false);
        if (!card->IsVisible()) break;
        lastShown = Global(card);
      }
      // Later dates slide the cards left.
      if (direction > 0) {
        EXPECT_EQ(lastShown.left, g.leftLimit);
      } else {
        EXPECT_EQ(lastShown.right, g.rightLimit);
      }
    }
    delete band;
  }
}

// The event nearest the date becomes current: its card is highlighted, the
// band shows its storyline's picture and its texts, and an active band
// plays sound 36 once per change. Showing again needs a change or force.
TEST_F(TimelineBandTest, CurrentEventFollowsTheDate) {
  OpenWorld(Events(1));
  history_.SetFlag(storylinetest::Item("VI013"));
  TimelineBand* band = MakeBand(0);
  band->SetVisible(true, false);
  band->SetActive(true);
  TakeSounds();

  band->SetDate(VTime(1672, 6, 16, 5), true, false);
  ASSERT_NE(band->GetCurrentEvent(), nullptr);
  EXPECT_EQ(band->GetCurrentEvent()->GetKey().GetNumber(), 13);
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{36}));
  const uint16_t icons = static_cast<uint16_t>(StorylineBase(1) + 3);
  BandEventCard* current = band->GetCurrentEvent()->GetBandCard();
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current->GetIcon()->PeekPicture()->GetMediaId(), icons + 6);
  ASSERT_NE(band->GetStorylinePicture()->PeekPicture(), nullptr);
  EXPECT_EQ(band->GetStorylinePicture()->PeekPicture()->GetMediaId(), StorylineBase(1) + 1);
  EXPECT_EQ(TextOf(band->GetTexts().GetTitle()), "Fest");
  EXPECT_EQ(TextOf(band->GetTexts().GetYear()), "1672,");
  EXPECT_EQ(TextOf(band->GetTexts().GetDay()), "16.");
  EXPECT_TRUE(band->GetTexts().GetMark()->IsVisible()) << "VI013 has been seen";

  // The same event again: nothing, unless forced.
  band->SetDate(VTime(1672, 6, 16, 9), true, false);
  EXPECT_TRUE(TakeSounds().empty());
  band->GetTexts().GetTitle()->SetText(new VString("x"), false);
  band->SetDate(VTime(1672, 6, 16, 9), true, false);
  EXPECT_EQ(TextOf(band->GetTexts().GetTitle()), "x");
  band->SetDate(VTime(1672, 6, 16, 9), false, true);
  EXPECT_EQ(TextOf(band->GetTexts().GetTitle()), "Fest");

  // Back to the first day: the old card is plain again; an inactive band is
  // silent.
  band->SetActive(false);
  band->SetDate(VTime(1672, 6, 1), true, false);
  EXPECT_EQ(band->GetCurrentEvent()->GetKey().GetNumber(), 11);
  EXPECT_EQ(current->GetIcon()->PeekPicture()->GetMediaId(), icons);
  EXPECT_TRUE(TakeSounds().empty());
  EXPECT_EQ(TextOf(band->GetTexts().GetTitle()), "Hochzeit");
  EXPECT_FALSE(band->GetTexts().GetMark()->IsVisible());
  delete band;
}

// Resting on a card shows that card's event with sound 37 and tells the
// screen (148 taken by the band, 151 passed on); leaving it returns to the
// current event. Entering the active band reports 145 once.
TEST_F(TimelineBandTest, HoverShowsTheCardsEventAndReportsTheBand) {
  OpenWorld(Events(2));
  TimelineBand* band = MakeBand(1);
  band->SetVisible(true, false);
  band->SetDate(VTime(1672, 6, 15), true, true);
  band->SetActive(true);
  bench->Redraw();
  TakeSounds();

  EventCard* fest = band->GetCardOrder().GetCards()[2];
  ASSERT_TRUE(fest->IsVisible());
  ASSERT_NE(fest->GetIcon(), nullptr);
  const VRect icon = Global(fest->GetIcon());
  bench->Move(5, 300);
  EXPECT_TRUE(Logged(145).empty()) << "outside the band";
  bench->Move((icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2);
  EXPECT_EQ(Logged(145), (std::vector<std::string>{"145 1"}));
  EXPECT_TRUE(Logged(148).empty()) << "the band takes 148";
  EXPECT_EQ(Logged(151), (std::vector<std::string>{"151 " + std::to_string(fest->GetId())}));
  EXPECT_EQ(TextOf(band->GetTexts().GetTitle()), "Fest");
  EXPECT_EQ(TakeSounds(), (std::vector<int32_t>{37}));

  bench->Move(600, 170);
  EXPECT_EQ(TextOf(band->GetTexts().GetTitle()), "Hochzeit");
  EXPECT_EQ(Logged(152).size(), 1u);
  EXPECT_EQ(Logged(145).size(), 1u) << "still inside the band";
  bench->Move(600, 10);
  bench->Move(600, 170);
  EXPECT_EQ(Logged(145).size(), 2u) << "entered again";
  delete band;
}

// A band whose timeline is missing has no cards and no current event; an
// event whose storyline is unknown gets a card without icon; an inactive
// band's arrows send nothing.
TEST_F(TimelineBandTest, MissingTimelinesAndStorylinesLeaveWhatIsValid) {
  OpenWorld({{1, "15 6 1672", "Ohne Geschichte", 1, 0}, {2, "2 2 1680", "Fremde Geschichte", 1, 9}});
  TimelineBand* empty = MakeBand(2);
  EXPECT_TRUE(empty->GetCardOrder().IsEmpty());
  empty->SetDate(VTime(1672, 6, 15), true, true);
  EXPECT_EQ(empty->GetCurrentEvent(), nullptr);
  EXPECT_EQ(empty->GetFirstDate().GetYear(), 0);
  delete empty;

  TimelineBand* band = MakeBand(0);
  band->SetVisible(true, false);
  ASSERT_EQ(band->GetCardOrder().GetCards().size(), 2u);
  for (EventCard* card : band->GetCardOrder().GetCards()) EXPECT_EQ(card->GetIcon(), nullptr);
  band->SetDate(VTime(1680, 2, 2), true, true);
  EXPECT_EQ(band->GetCurrentEvent()->GetKey().GetNumber(), 2);
  EXPECT_EQ(band->GetStorylinePicture()->PeekPicture()->GetMediaId(), 0) << "still the black picture";
  bench->Move(350, 70);
  EXPECT_TRUE(Logged(149).empty());
  band->SetActive(true);
  bench->Move(351, 70);
  EXPECT_EQ(Logged(149).size(), 1u);
  delete band;
}

}  // namespace
