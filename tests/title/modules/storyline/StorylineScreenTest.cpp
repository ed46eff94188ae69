// The storyline screen on a fake clock: opening from the strip (94 at the
// timeline view) and at an event (94 at the storyline view), travel on the
// arrows with its tick and end sounds, the travel speed and the date runs
// against an independent model of their closed forms, one date run at a
// time, a card leading to the storyline view and the item viewer and back,
// hiding played backwards with 95, the main panel's maker, bad input, and
// the frames of travel and of a date run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "StorylineScreenFixture.h"
#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureFont.h"
#include "engine/controls/VTextBox.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/VFont.h"
#include "engine/script/EventRecordHook.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "title/controls/MainScreenServices.h"
#include "title/controls/SignalTimer.h"
#include "title/modules/storyline/BandEventCard.h"
#include "title/modules/storyline/PanelEventCard.h"
#include "title/modules/storyline/ScrollArrow.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/modules/storyline/StorylinePanel.h"
#include "title/modules/storyline/StorylineScreen.h"
#include "title/modules/storyline/TimelineBand.h"
#include "title/shell/HistoryLog.h"
#include "title/shell/ItemViewer.h"
#include "title/shell/PictureFontTable.h"
#include "title/shell/ScreenRegistry.h"

namespace {

using storylinetest::Item;
using storylinetest::TimelineBase;

int32_t Hours(const VTime& date) { return DateToDayNumber(date); }

std::string ModelScript() {
  return std::string(OSTREVAN_SOURCE_DIR) + "/tests/title/modules/storyline/storyline_screen_model.py";
}

// The model's answer to each line.
std::vector<std::string> RunModel(const std::string& python3, const std::string& lines, const std::string& folder) {
  const std::string input = folder + "/model-input.txt";
  std::ofstream(input) << lines;
  std::istringstream out(testsupport::Capture(python3 + " '" + ModelScript() + "' <'" + input + "'"));
  std::vector<std::string> answers;
  for (std::string line; std::getline(out, line);) answers.push_back(line);
  return answers;
}

using StorylineScreenTest = storylinetest::StorylineScreenFixture;

std::string TextOf(VTextControl* text) {
  const VString* s = text != nullptr ? text->GetText() : nullptr;
  return s != nullptr && s->GetChars() != nullptr ? std::string(s->GetChars(), static_cast<size_t>(s->GetLength()))
                                                  : "";
}

// From the strip: backgrounds, fly-in and the date run to where the view
// lands (half a span short of the latest event, these events all lying
// before 1 June 1942), then
// 94 in state 3 (kind 2 from state 1). At an event: the panel's way, 94 in
// state 6 (kind 5 from state 4) with the date on the event.
TEST_F(StorylineScreenTest, OpensAtTheTimelineOrTheStorylineViewWith94) {
  OpenStandardWorld();
  MakeTimelineScreen();
  EXPECT_EQ(screen->GetKind(), -1);
  EXPECT_EQ(Hours(screen->GetOpeningDate()), Hours(VTime(1672, 6, 15)) - 3624);
  screen->Show();
  std::vector<int32_t> kinds;
  ASSERT_TRUE(RunUntil([&] {
    kinds.push_back(screen->GetKind());
    return !Logged(94).empty();
  }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(screen->GetState(), 3);
  EXPECT_EQ(Logged(94), (std::vector<std::string>{"94 14434"}));
  EXPECT_EQ(Hours(screen->GetCurrentDate()), Hours(VTime(1804, 2, 29)) - 3624 / 2);
  EXPECT_EQ(screen->GetKind(), 2);
  for (size_t i = 0; i + 1 < kinds.size(); ++i) EXPECT_TRUE(kinds[i] == -1 || kinds[i] == 2);
  for (int32_t i = 0; i < 3; ++i) EXPECT_TRUE(screen->GetBand(i)->IsActive());
  delete screen;
  screen = nullptr;
  bench->log.clear();
  states.clear();

  MakeEventScreen("EV003");
  screen->Show();
  kinds.clear();
  ASSERT_TRUE(RunUntil([&] {
    kinds.push_back(screen->GetKind());
    return !Logged(94).empty();
  }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{0, 4, 5, 6}));
  EXPECT_EQ(screen->GetKind(), 5);
  for (size_t i = 0; i + 1 < kinds.size(); ++i) EXPECT_TRUE(kinds[i] == -1 || kinds[i] == 5);
  EXPECT_TRUE(screen->GetCurrentDate().Equals(VTime(1672, 8, 20)));
  ASSERT_NE(screen->GetStorylinePanel(), nullptr);
  EXPECT_TRUE(screen->GetStorylinePanel()->IsVisible());
  EXPECT_EQ(screen->GetStorylinePanel()->GetSelectedEvent()->GetKey().GetNumber(), 3);
  EXPECT_EQ(screen->GetBand(0), nullptr) << "the timeline view is built only when asked for";
  EXPECT_EQ(screen->GetSpeedIndex(), 3);
}

// The travel speed against the model: the base rate within 0.2 d of an
// event (d = 2000 x base), a raised cosine between, half the gap when an
// event is missing on one side, the panel's base 3.
TEST_F(StorylineScreenTest, TravelRateFollowsItsClosedForm) {
  const std::string python3 = testsupport::RequireTool("python3");
  if (python3.empty()) return;
  struct Case {
    double base;
    int32_t hours;
    std::optional<int32_t> previous, next;
    bool forward;
  };
  std::vector<Case> cases = {
      {1, 1000, 0, 100000, true},
      {1, 300, 0, 100000, true},
      {1, 399, 0, 100000, true},
      {1, 401, 0, 100000, true},
      {1, 50000, 0, 100000, true},
      {1, 99601, 0, 100000, true},
      {1, 99700, 0, 100000, false},
      {1, 99000, 0, 100000, false},
      {1, 1500, 0, 1999, true},
      {1, 5000, std::nullopt, 9000, true},
      {1, 5000, 1000, std::nullopt, false},
      {1, 7, std::nullopt, std::nullopt, true},
      {3, 20000, 0, 60000, true},
      {3, 1100, 0, 60000, true},
      {3, 1300, 0, 60000, false},
      {1, 1234567, 1000000, 3000000, true},
  };
  for (int32_t h = 0; h <= 24000; h += 1500) cases.push_back({1, h, 0, 24000, h % 3000 == 0});
  std::string lines;
  auto opt = [](const std::optional<int32_t>& v) { return v ? std::to_string(*v) : std::string("-"); };
  for (const Case& c : cases) {
    lines += "rate " + std::to_string(c.base) + " " + std::to_string(c.hours) + " " + opt(c.previous) + " " +
             opt(c.next) + " " + (c.forward ? "1" : "0") + "\n";
  }
  const std::vector<std::string> expected = RunModel(python3, lines, Path(""));
  ASSERT_EQ(expected.size(), cases.size());
  bool sawBase = false, sawFast = false;
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    const double rate = StorylineScreen::TravelRateFor(c.base, c.hours, c.previous, c.next, c.forward);
    const double model = std::strtod(expected[i].c_str(), nullptr);
    EXPECT_NEAR(rate, model, 1e-9 * std::max(1.0, model));
    sawBase = sawBase || rate == c.base;
    sawFast = sawFast || rate > 10 * c.base;
  }
  EXPECT_TRUE(sawBase && sawFast);
}

// A forward date run overshoots by 1800 hours at 1.6 s and settles at 2.4 s;
// a backward one eases out: every value shown on the way, 40 ms apart,
// against the model. A second run stops the first, so the state machine
// takes one step per run: hidden from state 3 with a second run started
// 1 s in, the fly-in still plays its full 1.75 s and 95 comes once.
TEST_F(StorylineScreenTest, DateRunsFollowTheirClosedFormsOneAtATime) {
  const std::string python3 = testsupport::RequireTool("python3");
  if (python3.empty()) return;
  OpenStandardWorld();
  OpenAtTimelineView();
  const int32_t a = Hours(VTime(1700, 1, 1));
  const int32_t b = Hours(VTime(1720, 7, 1));
  for (const bool forward : {true, false}) {
    SCOPED_TRACE(forward ? "forward" : "backward");
    const int32_t from = forward ? a : b, to = forward ? b : a;
    screen->AnimateBandDate(DayNumberToDate(from), DayNumberToDate(to));
    SignalTimer* timer = screen->GetBandDateTimer();
    ASSERT_NE(timer, nullptr);
    std::vector<std::pair<int32_t, int32_t>> seen;  // (t, hours)
    while (screen->GetBandDateTimer() == timer && timer->IsActive()) {
      Pass(40);
      const int32_t t = static_cast<int32_t>(timer->GetStoredValue());
      seen.emplace_back(forward ? t : 2400 - t, Hours(screen->GetCurrentDate()));
      ASSERT_LT(seen.size(), 100u);
    }
    ASSERT_GE(seen.size(), 59u);
    std::string lines;
    for (const auto& [t, h] : seen)
      lines += "jump " + std::to_string(from) + " " + std::to_string(to) + " " + std::to_string(t) + "\n";
    const std::vector<std::string> expected = RunModel(python3, lines, Path(""));
    ASSERT_EQ(expected.size(), seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
      EXPECT_NEAR(seen[i].second, std::atoi(expected[i].c_str()), 1) << "t " << seen[i].first;
    }
    EXPECT_EQ(Hours(screen->GetCurrentDate()), to);
    if (forward) {
      const auto at1600 = std::find_if(seen.begin(), seen.end(), [](const auto& s) { return s.first == 1600; });
      ASSERT_NE(at1600, seen.end());
      EXPECT_EQ(at1600->second, to + 1800);
    } else {
      for (const auto& s : seen) EXPECT_LE(s.second, from) << "no overshoot backwards";
    }
    EXPECT_EQ(screen->GetState(), 3) << "a date run in the timeline view leaves it up";
  }

  // Hidden, and a second run 1 s later.
  states.clear();
  screen->Hide();
  EXPECT_EQ(screen->GetState(), 2);
  for (int i = 0; i < 50; ++i) Pass(20);
  screen->AnimateBandDate(screen->GetCurrentDate(), screen->GetOpeningDate());
  ASSERT_TRUE(RunUntil([this] { return !Logged(95).empty(); }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{2, 1, 0, 9})) << "8 lasts until the tick of the same pass";
  EXPECT_EQ(Logged(95), (std::vector<std::string>{"95 14434"}));
  const auto inOne = std::find_if(states.begin(), states.end(), [](const auto& s) { return s.second == 1; });
  ASSERT_NE(inOne, states.end());
  EXPECT_GE(std::next(inOne)->first - inOne->first, 1750u) << "the fly-in played to its end";
  EXPECT_EQ(Hours(screen->GetCurrentDate()), Hours(screen->GetOpeningDate()));
  for (int i = 0; i < 10; ++i) Pass(20);
  EXPECT_EQ(Logged(95).size(), 1u);
}

class StorylineLandingTest : public storylinetest::StorylineScreenFixture {
 protected:
  // Opens the world at the timeline view; the view must land at `landing`;
  // resting on the forward arrow of band `forwardBand` (the one with the
  // latest event) travels forward and stops on that band's last event.
  void LandAndTravelForward(const std::vector<Event>& events, const VTime& landing, int32_t forwardBand) {
    OpenWorld(events);
    bench->clock().SetStepPerRead(0);
    OpenAtTimelineView();
    if (HasFatalFailure()) return;
    EXPECT_EQ(Hours(screen->GetCurrentDate()), Hours(landing));
    TimelineBand* band = screen->GetBand(forwardBand);
    const int32_t last = Hours(band->GetLastDate());
    TakeSounds();
    VRect arrow;
    band->GetArrow(true)->GetGlobalBounds(arrow);
    bench->Move(300, 470);
    bench->Move((arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2);
    const int32_t start = Hours(screen->GetCurrentDate());
    std::vector<int32_t> sounds;
    for (int32_t passes = 0; passes < 3000 && Hours(screen->GetCurrentDate()) != last; ++passes) {
      Pass(20);
      const std::vector<int32_t> more = TakeSounds();
      sounds.insert(sounds.end(), more.begin(), more.end());
    }
    EXPECT_GT(Hours(screen->GetCurrentDate()), start) << "travel forward moves the date";
    EXPECT_EQ(Hours(screen->GetCurrentDate()), last) << "and stops on the band's last event";
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), StorylineScreen::kEndSound), 1);
  }
};

// Where the view lands: on 1 June 1942 at noon when the bands' events lie
// on both sides of it; past the latest event (or before the earliest) half
// a span (1812 hours) short of it (after it), so that travel from there
// goes on both ways and travel forward reaches the latest event.
TEST_F(StorylineLandingTest, EventsAllBefore1942) {
  LandAndTravelForward(
      {{1, "15 6 1672", "Hochzeit", 1, 1}, {11, "1 5 1700", "Krieg", 2, 4}, {21, "3 3 1800", "Brand", 3, 7}},
      DayNumberToDate(Hours(VTime(1800, 3, 3)) - 1812), 2);
}
TEST_F(StorylineLandingTest, EventsAround1942) {
  LandAndTravelForward({{1, "15 6 1672", "Hochzeit", 1, 1}, {11, "1 5 1950", "Krieg", 2, 4}}, VTime(1942, 6, 1, 12),
                       1);
}
TEST_F(StorylineLandingTest, EventsAllAfter1942) {
  LandAndTravelForward({{1, "15 6 1972", "Hochzeit", 1, 1}, {2, "1 5 1990", "Taufe", 1, 1}},
                       DayNumberToDate(Hours(VTime(1972, 6, 15)) + 1812), 0);
}

// Resting on band 0's backward arrow travels from where the view lands back
// to the band's
// first event: sound 35 whenever the date has gone more than 250 hours
// since the last, sound 38 once on arrival exactly at the first event; a
// further try there does not move.
TEST_F(StorylineScreenTest, TravelStopsAtTheFirstEventWithItsSounds) {
  OpenStandardWorld();
  OpenAtTimelineView();
  TakeSounds();
  bench->Move(300, 450);
  bench->Move(70, 80);  // band 0's backward arrow
  EXPECT_EQ(screen->GetSpeedIndex(), 0);
  int32_t lastTickHours = Hours(screen->GetCurrentDate());
  int32_t passes = 0;
  const int32_t first = Hours(screen->GetBand(0)->GetFirstDate());
  while (Hours(screen->GetCurrentDate()) != first && passes < 5000) {
    const int32_t before = Hours(screen->GetCurrentDate());
    Pass(20);
    ++passes;
    const int32_t after = Hours(screen->GetCurrentDate());
    EXPECT_LE(after, before) << "backwards only";
    const std::vector<int32_t> sounds = TakeSounds();
    const bool ticked = std::count(sounds.begin(), sounds.end(), StorylineScreen::kTickSound) > 0;
    if (ticked) {
      EXPECT_GT(lastTickHours - after, 250);
      lastTickHours = after;
    } else if (after != first) {
      EXPECT_LE(lastTickHours - after, 250) << "a tick was due at pass " << passes;
    }
    const auto ends = std::count(sounds.begin(), sounds.end(), StorylineScreen::kEndSound);
    EXPECT_EQ(ends, after == first ? 1 : 0) << "pass " << passes;
  }
  ASSERT_TRUE(screen->GetCurrentDate().Equals(screen->GetBand(0)->GetFirstDate()));
  EXPECT_EQ(screen->GetBand(0)->GetCurrentEvent()->GetKey().GetNumber(), 1);
  EXPECT_FALSE(screen->GetBand(0)->GetArrow(false)->CanScroll());
  for (int i = 0; i < 20; ++i) Pass(20);
  bench->Move(300, 450);
  bench->Move(70, 80);
  for (int i = 0; i < 20; ++i) Pass(20);
  EXPECT_TRUE(screen->GetCurrentDate().Equals(screen->GetBand(0)->GetFirstDate()));
  const std::vector<int32_t> sounds = TakeSounds();
  EXPECT_EQ(std::count(sounds.begin(), sounds.end(), StorylineScreen::kEndSound), 0);
}

// A card of the timeline view opens its storyline in the storyline view
// (marking the event seen); a card of the panel opens its item in the item
// viewer with the caption timeline / storyline / text; the status button
// leads back to the timeline view at the band of the selected event.
TEST_F(StorylineScreenTest, CardLeadsToTheStorylineViewTheItemAndBack) {
  OpenStandardWorld();
  OpenAtTimelineView();
  BandEventCard* reise = screen->GetBand(0)->GetTimelineRecord()->FindEventByNumber(Item("EV003"))->GetBandCard();
  ASSERT_NE(reise, nullptr);
  states.clear();
  EXPECT_TRUE(screen->HandleEvent(BandEventCard::kOwnerOpenEvent, static_cast<uint32_t>(reise->GetId()), 0));
  EXPECT_TRUE(history_.GetFlag(Item("VI003"))) << "the event's item is marked seen";
  ASSERT_TRUE(RunUntil([this] { return screen->GetState() == 6; }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{2, 1, 4, 5, 6}));
  EXPECT_EQ(Logged(94).size(), 1u) << "only the first view reports";
  StorylinePanel* panel = screen->GetStorylinePanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->GetSelectedEvent()->GetKey().GetNumber(), 3);
  EXPECT_TRUE(screen->GetCurrentDate().Equals(VTime(1672, 8, 20)));

  PanelEventCard* umbau = panel->GetStorylineRecord()->FindEventByNumber(Item("EV004"))->GetPanelCard();
  ASSERT_NE(umbau, nullptr);
  captions_.captions.clear();
  EXPECT_TRUE(screen->HandleEvent(PanelEventCard::kOwnerSelectEvent, static_cast<uint32_t>(umbau->GetId()), 0));
  ASSERT_NE(screen->GetViewer(), nullptr);
  EXPECT_EQ(screen->FindObject(StorylineScreen::kViewerId), screen->GetViewer());
  EXPECT_TRUE(screen->GetCurrentDate().Equals(VTime(1690, 1, 1))) << "the date ran to the event";
  ASSERT_FALSE(captions_.captions.empty());
  EXPECT_EQ(captions_.captions.back().first, "Zeitleiste 1 / Geschichte 1 / Umbau");
  EXPECT_TRUE(Logged(94).size() == 1u && Logged(95).empty()) << "the viewer's reports stay in the screen";
  // At the storyline's last event the next button goes off.
  EXPECT_EQ(panel->GetSelectedEvent()->GetKey().GetNumber(), 4);

  states.clear();
  // The viewer's back button (14390 in its side bar, there when the main
  // interface allows the link) leads back: its click reaches the screen
  // through the viewer, which goes while the button is still answering.
  auto* back = new VPictureButton(StorylineScreen::kStatusButtonId, 14040, 14041, 14042, 14043, VPoint(600, 440), 50,
                                  35, 17, screen->GetViewer());
  ASSERT_TRUE(back->IsShown());
  bench->Redraw();
  bench->Click(610, 445);
  EXPECT_EQ(screen->GetViewer(), nullptr);
  EXPECT_EQ(screen->FindObject(StorylineScreen::kViewerId), nullptr);
  ASSERT_TRUE(RunUntil([this] { return screen->GetState() == 3; }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{5, 4, 1, 2, 3}));
  EXPECT_EQ(screen->GetSpeedIndex(), 0);
  EXPECT_TRUE(screen->GetCurrentDate().Equals(VTime(1690, 1, 1)));
  EXPECT_EQ(Logged(94).size(), 1u);
}

// Hiding plays every step back: from the timeline view the date runs back
// to the opening date, the fly-in and the backgrounds go, and the next
// message reports 95; from the storyline view the panel's way back.
TEST_F(StorylineScreenTest, HidePlaysTheAnimationsBackwardsThenReports95) {
  OpenStandardWorld();
  OpenAtTimelineView();
  states.clear();
  screen->Hide();
  EXPECT_FALSE(screen->GetBand(0)->IsActive());
  ASSERT_TRUE(RunUntil([this] { return !Logged(95).empty(); }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{2, 1, 0, 9})) << "8 lasts until the tick of the same pass";
  EXPECT_EQ(Hours(screen->GetCurrentDate()), Hours(screen->GetOpeningDate()));
  EXPECT_EQ(screen->GetKind(), -1);
  ASSERT_FALSE(captions_.captions.empty());
  delete screen;
  screen = nullptr;
  bench->log.clear();
  states.clear();

  MakeEventScreen("EV011");
  screen->Show();
  ASSERT_TRUE(RunUntil([this] { return !Logged(94).empty(); }));
  states.clear();
  screen->Hide();
  ASSERT_TRUE(RunUntil([this] { return !Logged(95).empty(); }));
  EXPECT_EQ(StatesSeen(), (std::vector<int32_t>{5, 4, 0, 9}));
  EXPECT_FALSE(screen->GetStorylinePanel()->IsVisible());
  const VTime start = DayNumberToDate(Hours(screen->GetStorylinePanel()->GetFirstDate()) - screen->GetStorylinePanel()->GetSpan());
  EXPECT_EQ(Hours(screen->GetCurrentDate()), Hours(start));
}

// The dates on the screen are written as dates are: the readout and each
// band's date in the one picture font of the bands' texts (7, not the
// strip link's 4, which the disc makes in another face), the day one
// space after the year's text and the month one space after the day's,
// for a day of one digit and of two. The readout's year ends where its
// box ends (x 448); a band's year stays where the band puts it.
TEST_F(StorylineScreenTest, DatesAreSetInTheBandsFontOneSpaceApart) {
  // Fonts 4 and 7 as the sample disc makes them.
  for (const char* line : {"504 -11 \"DejaVu Sans\" 11 0", "524 -11 \"DejaVu Sans\" 11 0",
                           "507 -11 \"Liberation Serif\" 12 0", "527 -11 \"Liberation Serif\" 12 0"}) {
    extraLines.push_back(line);
  }
  OpenStandardWorld();
  VFont* font = GetPictureFont(EventTexts::kFont);
  ASSERT_NE(font, nullptr);
  ASSERT_NE(GetPictureFont(4), font);
  MakeTimelineScreen();
  screen->Show();
  ASSERT_TRUE(RunUntil([&] { return !Logged(94).empty(); }));
  ASSERT_EQ(screen->GetState(), 3);
  auto text = [&](int32_t id) { return dynamic_cast<VTextControl*>(screen->FindById(id, true)); };
  VTextControl* year = text(StorylineScreen::kReadoutIds[0]);
  VTextControl* month = text(StorylineScreen::kReadoutIds[1]);
  VTextControl* day = text(StorylineScreen::kReadoutIds[2]);
  ASSERT_TRUE(year != nullptr && month != nullptr && day != nullptr);
  const int32_t space = font->GetTextWidth(" ", 1);
  auto width = [&](VTextControl* c) {
    const VString* t = c->GetText();
    return t != nullptr ? font->GetTextWidth(t->GetChars(), t->GetLength()) : 0;
  };
  // Where each text's first pixel column lies, from its control's place
  // and alignment.
  auto textLeft = [&](VTextControl* c) {
    const int32_t left = c->GetLeft(false);
    if (c->GetAlignment() == kAlignRight) return left + c->GetWidth() - width(c);
    if (c->GetAlignment() == kAlignCenter) return left + (c->GetWidth() - width(c)) / 2;
    return left;
  };
  auto expectSpaced = [&](VTextControl* y, VTextControl* d, VTextControl* m, const std::string& what) {
    for (VTextControl* c : {y, d, m}) EXPECT_EQ(c->GetFont(0), font) << what;
    EXPECT_EQ(textLeft(d), textLeft(y) + width(y) + space) << what << " " << TextOf(y) << TextOf(d);
    EXPECT_EQ(textLeft(m), textLeft(d) + width(d) + space) << what << " " << TextOf(d) << TextOf(m);
  };
  const struct {
    VTime date;
    const char* day;
  } dates[] = {{VTime(1942, 6, 1, 12), "1."}, {VTime(1942, 6, 15, 12), "15."}, {VTime(1700, 5, 2, 12), "2."}};
  for (const auto& d : dates) {
    screen->SetDateDayNumber(Hours(d.date));
    ASSERT_EQ(TextOf(day), d.day);
    expectSpaced(year, day, month, "the readout");
    EXPECT_EQ(textLeft(year) + width(year), 448) << "the readout's year ends where its box ends";
    for (int32_t i = 0; i < 3; ++i) {
      const EventTexts& texts = screen->GetBand(i)->GetTexts();
      if (TextOf(texts.GetDay()).empty()) continue;
      expectSpaced(texts.GetYear(), texts.GetDay(), texts.GetMonth(), "band " + std::to_string(i));
    }
  }
  EXPECT_EQ(TextOf(screen->GetBand(1)->GetTexts().GetDay()), "1.") << "the band's event of 1 May 1700";
  EXPECT_EQ(screen->GetBand(0)->GetTexts().GetYear()->GetLeft(false), 465);
}

// The main panel's maker of kind 2 makes the screen at the timeline view,
// and at the storyline view for an event item.
TEST_F(StorylineScreenTest, IsTheMainPanelsScreenOfKind2) {
  OpenStandardWorld();
  RegisterStorylineScreen();
  ScreenRequest request;
  request.kind = 2;
  request.id = StorylineScreen::kScreenId;
  request.layer = 30;
  request.width = 640;
  request.height = 480;
  request.owner = bench->recorder;
  auto* timeline = dynamic_cast<StorylineScreen*>(ScreenRegistry::Make(request));
  ASSERT_NE(timeline, nullptr);
  EXPECT_EQ(timeline->GetNextState(), 1);
  delete timeline;
  const ItemRef event = Item("EV012");
  request.item = &event;
  auto* storyline = dynamic_cast<StorylineScreen*>(ScreenRegistry::Make(request));
  ASSERT_NE(storyline, nullptr);
  EXPECT_EQ(storyline->GetNextState(), 4);
  EXPECT_EQ(storyline->GetStorylinePanel()->GetSelectedEvent()->GetKey().GetNumber(), 12);
  delete storyline;
  ScreenRegistry::Unregister(2);
}

// Ten thousand listed events (a thousand real ones, each listed ten
// times), an empty storyline, a missing timeline, an event whose ID is no
// reference and one whose storyline is missing: the screen opens with what
// is valid, and choosing cards writes only the flags of valid items into
// history.log.
TEST_F(StorylineScreenTest, BadInputOpensWithWhatIsValid) {
  // Events 0..299 exist (in timeline 1 and storyline 1; 7 names the
  // missing storyline 6, 8 the empty storyline 2); the timeline lists the
  // numbers 0..999 ten times over.
  std::vector<int32_t> inStoryline;
  for (int32_t n = 0; n < 300; ++n) {
    const int32_t storyline = n == 7 ? 6 : (n == 8 ? 2 : 1);
    if (n == 5) continue;
    AddEvent(
        {n, std::to_string(1 + n % 28) + " " + std::to_string(1 + (n / 28) % 12) + " " + std::to_string(1700 + n / 336),
         "Ereignis " + std::to_string(n), 1, storyline});
    if (storyline == 1 && n != 5) inStoryline.push_back(n);
  }
  std::vector<int32_t> listed;
  for (int32_t k = 0; k < 10000; ++k) listed.push_back(k % 1000);
  AddTimeline(1, listed);
  AddStoryline(1, inStoryline);
  AddStoryline(2, {});
  // TL002 names events that do not exist and references that are none.
  Text(TimelineBase(2), "TIMELINE { ID TL002 EVENTS { INFO EV900 INFO XX000 INFO EV5x5 } }");
  ASSERT_TRUE(tables_.SetCategoryEntry(TimelineRecord::kTimelineTable, 2, TimelineBase(2)));
  // Event 5's script names itself with no valid reference.
  ASSERT_TRUE(tables_.SetCategoryEntry(EventRecord::kEventTable, 5, storylinetest::EventBase(5)));
  Text(storylinetest::EventBase(5), "EVENT { ID EV-12 DATE 1 1 1701 INFO VI005 TIMELINE TL001 STORYLINE ST001 }");
  Text(static_cast<uint16_t>(storylinetest::EventBase(5) + 1), "Ohne Namen");
  Open();
  bench->clock().SetStepPerRead(0);
  HistoryLog log(Path("history.log"));
  ASSERT_TRUE(log.EnsureHistoryLog());
  ScopedVisitHistory useLog(&log);
  std::string before;
  {
    std::ifstream in(Path("history.log"), std::ios::binary);
    before.assign(std::istreambuf_iterator<char>(in), {});
  }

  OpenAtTimelineView();
  EXPECT_EQ(screen->GetBand(0)->GetCardOrder().GetCards().size(), 300u) << "each listed number once";
  EXPECT_TRUE(screen->GetBand(1)->GetCardOrder().IsEmpty());
  EXPECT_TRUE(screen->GetBand(2)->GetCardOrder().IsEmpty());
  TimelineRecord* timeline = screen->GetBand(0)->GetTimelineRecord();
  for (const char* code : {"EV005", "EV003"}) {
    SCOPED_TRACE(code);
    EventRecord* event = nullptr;
    for (EventRecord* e = timeline->GetFirstEvent(); e != nullptr; e = timeline->GetEventAfter(e)) {
      if (e->GetEventKey() == Item(std::string("VI") + (code + 2))) event = e;
    }
    ASSERT_NE(event, nullptr);
    states.clear();
    screen->HandleEvent(BandEventCard::kOwnerOpenEvent, static_cast<uint32_t>(event->GetBandCard()->GetId()), 0);
    ASSERT_TRUE(RunUntil([this] { return screen->GetState() == 6; }, 20000, 40));
    screen->HandleEvent(kEventButtonClicked, StorylineScreen::kStatusButtonId, 0);
    ASSERT_TRUE(RunUntil([this] { return screen->GetState() == 3; }, 20000, 40));
  }
  std::string after;
  {
    std::ifstream in(Path("history.log"), std::ios::binary);
    after.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_EQ(after.size(), before.size());
  std::vector<int64_t> changed;
  for (size_t i = 0; i < after.size(); ++i) {
    if (after[i] != before[i]) changed.push_back(static_cast<int64_t>(i));
  }
  std::vector<int64_t> expected = {HistoryLog::FlagOffset(kEventCategory, 3),
                                   HistoryLog::FlagOffset(kVideoCategory, 3)};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(changed, expected);
  delete screen;
  screen = nullptr;

  // At an event of an empty storyline, and at one whose storyline is
  // missing: the storyline view comes up empty, and its buttons open
  // nothing.
  for (const char* item : {"EV008", "EV007"}) {
    SCOPED_TRACE(item);
    bench->log.clear();
    MakeEventScreen(item);
    screen->Show();
    ASSERT_TRUE(RunUntil([this] { return !Logged(94).empty(); }));
    EXPECT_EQ(screen->GetState(), 6);
    EXPECT_EQ(screen->GetStorylinePanel()->GetSelectedEvent(), nullptr);
    screen->HandleEvent(kEventButtonClicked, StorylineScreen::kNextButtonId, 0);
    screen->HandleEvent(kEventButtonClicked, StorylineScreen::kPreviousButtonId, 0);
    EXPECT_EQ(screen->GetViewer(), nullptr);
    delete screen;
    screen = nullptr;
  }
}

// Frames of travel and of a date run with the three bands laid out and
// thirty cards in all: cards stay on screen while the date moves a few hours
// a frame, and the date run's frames carry the date to its target. The
// frames' times are printed only; what a frame may take is measured against
// plain drawing of the same areas in bench_StorylineTravelBench.
TEST_F(StorylineScreenTest, TravelAndDateRunFramesDrawTheCards) {
  OpenThirtyEventWorld();
  OpenAtTimelineView();
  const auto timeFrames = [](const char* what, const std::function<void(int32_t)>& frame, int32_t count) {
    std::vector<double> ms;
    for (int32_t i = 0; i < count; ++i) {
      const auto start = std::chrono::steady_clock::now();
      frame(i);
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%s frames: median %.2f ms, 95th percentile %.2f ms, longest %.2f ms\n", what, ms[ms.size() / 2],
                ms[ms.size() * 95 / 100], ms.back());
  };
  const int32_t from = Hours(VTime(1700, 3, 1));
  screen->SetDateDayNumber(from);
  EXPECT_GT(CardsShown(), 10u) << "cards on screen";
  // Travel: the date moves a few hours a frame across the cards.
  timeFrames("travel", [&](int32_t i) { screen->SetDateDayNumber(from + 10 * i); }, 300);
  EXPECT_EQ(Hours(screen->GetCurrentDate()), from + 10 * 299);
  EXPECT_GT(CardsShown(), 10u) << "cards on screen after travel";
  // A date run: the timer's frames, each a date jump's step, 2.4 s in all.
  const VTime target(1701, 1, 1);
  screen->AnimateBandDate(DayNumberToDate(from), target);
  SignalTimer* timer = screen->GetBandDateTimer();
  ASSERT_NE(timer, nullptr);
  timeFrames("date-run", [&](int32_t) { Pass(40); }, 60);
  EXPECT_FALSE(screen->GetBandDateTimer() == timer && timer->IsActive()) << "the run ended in its 60 frames";
  EXPECT_EQ(Hours(screen->GetCurrentDate()), Hours(target));
  EXPECT_EQ(screen->GetState(), 3);
}

}  // namespace
