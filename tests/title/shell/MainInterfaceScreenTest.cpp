// The control strip on a bench window with a fake clock: every mode switch,
// at once and animated over 1000 and 700 ms, ends on the layout of its mode
// (places, picture levels) and reports 92; the caption, status and link
// lines; hover and click answers with their sounds; what happens when media
// are missing or spoiled; and that switch timers do not pile up.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "engine/controls/VPictureButton.h"
#include "engine/controls/VPictureControl.h"
#include "engine/controls/VTextControl.h"
#include "engine/graphics/VPicture.h"
#include "title/controls/SignalTimer.h"
#include "title/shell/LayoutEntry.h"
#include "title/shell/ModuleButtonDef.h"
#include "title/shell/ModuleSelector.h"
#include "StripTestSupport.h"

namespace {

using striptest::StripFixture;

// The window point of region r (1..4) of the selector in mode 1.
VPoint RegionPoint(int32_t region) {
  const int32_t x = 20 + (region % 2 == 1 ? 18 : 54);
  const int32_t y = 390 + (region <= 2 ? 20 : 64);
  return VPoint(x, y);
}

int32_t LevelOf(VGraphicObject* control) {
  auto* picture = dynamic_cast<VPictureControl*>(control);
  PixelMapAttributes attributes;
  if (picture == nullptr || !picture->GetPixelAttributes(attributes)) return -1;
  return attributes.GetLevel();
}

std::string TextOf(VGraphicObject* control) {
  auto* text = dynamic_cast<VTextControl*>(control);
  return text != nullptr && text->GetText()->GetChars() != nullptr ? text->GetText()->GetChars() : "";
}

// Where each moving control stands in modes 0 to 3 (the strip's own
// coordinates), for selector and turning picture 72 wide, link button 24
// and status button 22 wide, before any caption, status or link text.
struct Place {
  int32_t id;
  std::array<int32_t, 4> x;
};
const std::vector<Place> kPlaces = {
    {14381, {-74, 20, -74, -74}}, {14380, {-74, 20, -74, -74}}, {14386, {-320, 97, -320, -320}},
    {14387, {-319, 98, -319, -319}}, {14382, {-359, 97, 20, 20}}, {14383, {-358, 98, 21, 21}},
    {14390, {-22, 421, -22, -22}}, {14388, {-9, 96, 96, 96}},     {14384, {640, 70, 343, 343}},
    {14385, {641, 71, 344, 344}},
};
// The levels of the pictures in modes 0 to 3.
const std::vector<Place> kLevels = {
    {14379, {0, 63, 63, 63}}, {14392, {0, 63, 0, 0}}, {14393, {0, 63, 0, 0}}, {14391, {0, 63, 0, 0}},
    {14395, {0, 63, 0, 0}},   {14389, {0, 63, 0, 63}}, {14390, {0, 63, 0, 0}},
};

struct SwitchCase {
  int32_t from;
  int32_t to;
  int32_t duration;
};

void PrintTo(const SwitchCase& c, std::ostream* out) {
  *out << c.from << " -> " << c.to << " in " << c.duration << " ms";
}

std::vector<SwitchCase> AllSwitches() {
  std::vector<SwitchCase> cases;
  for (int32_t duration : {0, 1000, 700}) {
    for (int32_t from = -1; from <= 3; ++from) {
      for (int32_t to = -1; to <= 3; ++to) {
        if (from != to) cases.push_back({from, to, duration});
      }
    }
  }
  return cases;
}

class StripSwitchTest : public StripFixture, public testing::WithParamInterface<SwitchCase> {};

TEST_P(StripSwitchTest, EndsOnTheLayoutOfTheMode) {
  const SwitchCase c = GetParam();
  MakeStrip();
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->GetMode(), -1);
  EXPECT_FALSE(strip->IsShown());
  if (c.from != -1) {
    ASSERT_TRUE(strip->SetLayoutMode(c.from, 0));
  }
  bench->log.clear();
  ASSERT_TRUE(strip->SetLayoutMode(c.to, c.duration));
  EXPECT_FALSE(strip->SetLayoutMode(c.to, c.duration)) << "the mode is the current one";
  if (c.duration > 0) {
    EXPECT_TRUE(strip->IsSwitching());
    EXPECT_FALSE(strip->SetLayoutMode(c.from, 0)) << "refused while switching";
    const uint32_t start = bench->Now();
    ASSERT_TRUE(IdleUntil([&] { return !Logged(92).empty(); }, 3000));
    const uint32_t took = bench->Now() - start;
    EXPECT_GE(took + 2, static_cast<uint32_t>(c.duration));
    EXPECT_LE(took, static_cast<uint32_t>(c.duration) + 2 * MainInterfaceScreen::kSwitchTick);
    EXPECT_EQ(Logged(92), std::vector<std::string>{"92 " + std::to_string(c.to)});
    EXPECT_FALSE(strip->IsSwitching());
  } else {
    EXPECT_TRUE(Logged(92).empty()) << "a switch at once reports nothing";
  }
  EXPECT_EQ(strip->GetMode(), c.to);
  EXPECT_EQ(strip->IsVisible(), c.from != -1 || c.to != -1);
  const size_t column = static_cast<size_t>(c.to < 0 ? 0 : c.to);
  for (const Place& p : kPlaces) {
    VGraphicObject* control = Control(p.id);
    ASSERT_NE(control, nullptr) << p.id;
    EXPECT_EQ(control->GetBounds().left, p.x[column]) << "x of " << p.id;
  }
  for (const Place& p : kLevels) EXPECT_EQ(LevelOf(Control(p.id)), p.x[column]) << "level of " << p.id;
  VGraphicObject* bar = Control(MainInterfaceScreen::kBarId);
  EXPECT_EQ(bar->GetBounds().left, c.to == 1 ? 105 : -10);
  EXPECT_EQ(bar->GetWidth(), c.to == 1 ? 684 : 650);
  EXPECT_FALSE(Control(MainInterfaceScreen::kSwitchPictureId)->IsVisible());
  EXPECT_TRUE(Control(MainInterfaceScreen::kSelectorId)->IsVisible());
  // Mode 1 enables the strip's buttons; the link button (the way back into
  // the tour in mode 3), the link and the selector work in mode 3 too.
  for (int32_t id : {14391, 14392, 14393, 14395}) EXPECT_EQ(Control(id)->IsEnabledFlagSet(), c.to == 1) << id;
  const bool linked = c.to == 1 || c.to == 3;
  for (int32_t id : {14389, 14384, 14390}) EXPECT_EQ(Control(id)->IsEnabledFlagSet(), linked) << id;
  EXPECT_EQ(strip->ShowsSecondPictureSet(), c.to == 3);
}

INSTANTIATE_TEST_SUITE_P(AllModes, StripSwitchTest, testing::ValuesIn(AllSwitches()));

TEST_F(StripFixture, TheSelectorTurnsDuringAnAnimatedSwitch) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 1000));
  auto* turning = dynamic_cast<VPictureControl*>(Control(MainInterfaceScreen::kSwitchPictureId));
  ASSERT_NE(turning, nullptr);
  std::vector<int32_t> frames;
  ASSERT_TRUE(IdleUntil([&] {
    if (turning->IsVisible() && (frames.empty() || frames.back() != turning->GetFrame())) {
      frames.push_back(turning->GetFrame());
    }
    EXPECT_FALSE(turning->IsVisible() && Control(MainInterfaceScreen::kSelectorId)->IsVisible());
    return !Logged(92).empty();
  }));
  // From the middle frame to one end and back.
  ASSERT_GE(frames.size(), 5u);
  EXPECT_LE(*std::min_element(frames.begin(), frames.end()), 2);
}

TEST_F(StripFixture, The700MsSwitchEndsWithTheLevelsOfThe1000MsOne) {
  // The bar fades in over the switch: at its end it is fully there, however
  // long the switch took.
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 700));
  std::vector<int32_t> levels;
  ASSERT_TRUE(IdleUntil([&] {
    levels.push_back(LevelOf(Control(MainInterfaceScreen::kBarId)));
    return !Logged(92).empty();
  }));
  // The last level before the finish came from the ramp itself, one tick
  // (40 ms) before the end: nearly there.
  ASSERT_GE(levels.size(), 3u);
  EXPECT_GE(levels[levels.size() - 2], 63 * 660 / 700);
  EXPECT_EQ(levels.back(), 63);
}

TEST_F(StripFixture, SwitchTimersDoNotPileUp) {
  MakeStrip();
  // Half of the switches are asked for from the answer to 92, while the
  // timer that reported it is still running its step.
  bool chain = false;
  bench->recorder->onEvent = [&](uint32_t code, uint32_t value, uint32_t) {
    if (code == 92 && chain) {
      chain = false;
      strip->SetLayoutMode(value == 1 ? 2 : 1, 40);
    }
  };
  int32_t mode = 1;
  for (int i = 0; i < 1000; ++i) {
    const size_t reported = Logged(92).size();
    if (!strip->IsSwitching()) {
      ASSERT_TRUE(strip->SetLayoutMode(mode, 40)) << i;
      mode = mode == 1 ? 2 : 1;
    }
    chain = i % 2 == 0;
    ASSERT_TRUE(IdleUntil([&] { return Logged(92).size() > reported; }, 500)) << i;
    if (strip->IsSwitching()) mode = strip->GetMode() == 1 ? 2 : 1;
    int32_t timers = 0;
    for (VGraphicObject* child = strip->GetFirstChildObject(); child != nullptr; child = child->GetNextObject()) {
      if (child->GetId() == MainInterfaceScreen::kSwitchTimerId) ++timers;
    }
    ASSERT_LE(timers, 1) << "after " << i << " switches";
    ASSERT_LE(DeferredDeletionCount(), 1) << "after " << i << " switches";
    bench->log.clear();
  }
  bench->recorder->onEvent = nullptr;
  IdleUntil([&] { return !strip->IsSwitching(); }, 500);
}

// --- Caption, status and link lines --------------------------------------

TEST(StripLinkMargins, ShrinkFrom131To200Pixels) {
  struct Case {
    int32_t width, m17, m5;
  };
  for (const Case& c : {Case{0, 17, 5}, Case{130, 17, 5}, Case{131, 17, 5}, Case{165, 9, 3}, Case{200, 0, 0},
                        Case{201, 0, 0}, Case{600, 0, 0}}) {
    EXPECT_EQ(MainInterfaceScreen::LinkMargin(c.width, 17), c.m17) << c.width;
    EXPECT_EQ(MainInterfaceScreen::LinkMargin(c.width, 5), c.m5) << c.width;
  }
}

TEST_F(StripFixture, LinkTextPlacesTheLinkAndItsButton) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  for (const char* text : {"Zum Ort", "Zurück in den Rundgang durch das ganze Haus und den Garten hinter dem Hof"}) {
    strip->SetLinkText(VString(text));
    const int32_t w = Control(MainInterfaceScreen::kLinkShadowId)->GetWidth();
    EXPECT_EQ(Control(MainInterfaceScreen::kLinkId)->GetWidth(), w);
    EXPECT_EQ(TextOf(Control(MainInterfaceScreen::kLinkShadowId)), text);
    EXPECT_EQ(TextOf(Control(MainInterfaceScreen::kLinkId)), std::string("<A HREF=14389>") + text + "</A>");
    const int32_t m17 = MainInterfaceScreen::LinkMargin(w, 17), m5 = MainInterfaceScreen::LinkMargin(w, 5);
    EXPECT_EQ(strip->GetLayoutEntry(1, 14384)->x, 513 - (w + m17)) << text;
    EXPECT_EQ(strip->GetLayoutEntry(2, 14384)->x, 640 - (w + 17));
    EXPECT_EQ(strip->GetLayoutEntry(3, 14384)->x, 640 - (w + 17));
    EXPECT_EQ(strip->GetLayoutEntry(0, 14384)->x, w + m5 + 640 + 24);
    for (int32_t mode = 0; mode < 4; ++mode) {
      const double x = strip->GetLayoutEntry(mode, 14384)->x;
      EXPECT_EQ(strip->GetLayoutEntry(mode, 14389)->x, x - 24 - m5);
      EXPECT_EQ(strip->GetLayoutEntry(mode, 14385)->x, x + 1);
    }
    // In mode 1 the three stand there at once.
    EXPECT_EQ(Control(MainInterfaceScreen::kLinkId)->GetBounds().left, 513 - (w + m17));
    EXPECT_EQ(Control(MainInterfaceScreen::kLinkButtonId)->GetBounds().left, 513 - (w + m17) - 24 - m5);
  }
}

// The collapsed strip of the tour (modes 2 and 3): its bar spans the window
// from edge to edge, through a switch from the whole strip and back and at
// its end, with its rounded left end out of sight; the status line kept on
// the strip, the caption and the room's name (the link) stand inside it
// with a margin of at least 12 pixels, for a short and a long name.
TEST_F(StripFixture, TheCollapsedBarSpansTheWindowWithTheTextsInside) {
  MakeStrip();
  VGraphicObject* bar = Control(MainInterfaceScreen::kBarId);
  const auto windowLeft = [](VGraphicObject* c) {
    VPoint origin;
    c->GetGlobalOrigin(origin, true);
    return origin.x;
  };
  const auto spansTheWindow = [&] { return windowLeft(bar) <= -10 && windowLeft(bar) + bar->GetWidth() >= 640; };
  const std::vector<std::string> names = {"Die Diele", "Die Schlafkammer unter dem Dach"};
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  for (int32_t mode : {2, 3}) {
    for (const std::string& name : names) {
      strip->SetStatusText(VString("Willkommen im Ostrevan Haus"), false, true);
      strip->SetCaption(VString("Ins Treppenhaus"), false, false);
      strip->SetLinkText(VString(name.c_str()));
      ASSERT_TRUE(strip->SetLayoutMode(mode, 1000));
      // During the switch the bar leaves no gap at the window's right edge.
      ASSERT_TRUE(IdleUntil([&] {
        EXPECT_GE(windowLeft(bar) + bar->GetWidth(), 640) << "mode " << mode;
        return !strip->IsSwitching();
      }));
      EXPECT_TRUE(spansTheWindow()) << "mode " << mode << ": the bar stands at " << windowLeft(bar) << ", "
                                    << bar->GetWidth() << " wide";
      strip->SetStatusText(VString("Willkommen im Ostrevan Haus"), false, true);
      for (int32_t id : {MainInterfaceScreen::kLinkId, MainInterfaceScreen::kCaptionId, MainInterfaceScreen::kStatusId}) {
        VGraphicObject* text = Control(id);
        EXPECT_GE(windowLeft(text), 12) << "mode " << mode << ", control " << id << ", " << name;
        EXPECT_LE(windowLeft(text) + text->GetWidth(), 640 - 12) << "mode " << mode << ", control " << id << ", "
                                                                << name;
      }
      // Back to the whole strip: the bar runs on beyond the right edge.
      ASSERT_TRUE(strip->SetLayoutMode(1, 1000));
      ASSERT_TRUE(IdleUntil([&] {
        EXPECT_GE(windowLeft(bar) + bar->GetWidth(), 640);
        return !strip->IsSwitching();
      }));
      EXPECT_EQ(windowLeft(bar), 105);
    }
  }
}

TEST_F(StripFixture, CaptionKeepsSavedAndTransientTexts) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(2, 0));
  strip->SetCaption(VString("Die Halle"), true, false);
  const int32_t w = strip->GetCaptionWidth();
  EXPECT_GT(w, 4);
  EXPECT_EQ(TextOf(Control(14382)), "Die Halle");
  EXPECT_EQ(TextOf(Control(14383)), "Die Halle");
  EXPECT_EQ(Control(14383)->GetWidth(), w);
  EXPECT_TRUE(Control(14388)->IsVisible());
  EXPECT_EQ(Control(14388)->GetBounds().left, 20 + w) << "the box at the caption's end";
  EXPECT_EQ(strip->GetLayoutEntry(0, 14382)->x, -(w + 10 + 1));
  EXPECT_EQ(strip->GetLayoutEntry(0, 14383)->x, -(w + 10));
  EXPECT_EQ(strip->GetLayoutEntry(1, 14388)->x, 97 + w);
  EXPECT_EQ(strip->GetLayoutEntry(2, 14388)->x, 20 + w);
  strip->SetCaption(VString("Hover"), false, true);
  EXPECT_EQ(TextOf(Control(14382)), "Hover");
  EXPECT_FALSE(Control(14388)->IsVisible());
  strip->ShowSavedCaption();
  EXPECT_EQ(TextOf(Control(14382)), "Die Halle");
  EXPECT_TRUE(Control(14388)->IsVisible());
  // An id outside the table of texts changes nothing.
  strip->ShowCaptionByIndex(4711);
  EXPECT_EQ(TextOf(Control(14382)), "Die Halle");
  strip->ShowCaptionByIndex(14392);
  EXPECT_EQ(TextOf(Control(14382)), striptest::TextA(6));
}

// A caption wider than the caption line as built (320) stays on one line,
// as a short one does: a second line would run onto the strip below.
TEST_F(StripFixture, ALongCaptionStaysOnOneLine) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(3, 0));
  auto* caption = dynamic_cast<VTextControl*>(Control(MainInterfaceScreen::kCaptionId));
  auto* shadow = dynamic_cast<VTextControl*>(Control(MainInterfaceScreen::kCaptionShadowId));
  ASSERT_NE(caption, nullptr);
  ASSERT_NE(shadow, nullptr);
  strip->SetCaption(VString("Die Halle"), false, false);
  const int32_t oneLine = caption->GetTextHeight();
  ASSERT_GT(oneLine, 0);
  const std::string longText =
      "Das Schreibpult des Kaufmanns/Photographie: Das Haus an der Stra\xdf" "e, um 1890, von der Gasse aus";
  for (const bool keep : {false, true}) {
    strip->SetCaption(VString(longText.c_str()), false, keep);
    EXPECT_GT(strip->GetCaptionWidth(), 320) << "the text is wider than the line as built";
    EXPECT_EQ(caption->GetTextHeight(), oneLine) << keep;
    EXPECT_EQ(shadow->GetTextHeight(), oneLine) << keep;
  }
  strip->SetCaption(VString("Die Halle"), false, false);
  EXPECT_EQ(caption->GetTextHeight(), oneLine) << "a short caption after a long one";
}

TEST_F(StripFixture, StatusCodesShowTheirTexts) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  VGraphicObject* button = Control(MainInterfaceScreen::kStatusButtonId);
  button->SetVisible(true, false);
  strip->SetStatusCode(7);
  EXPECT_EQ(TextOf(Control(14386)), striptest::TextA(7));
  EXPECT_EQ(TextOf(Control(14387)), striptest::TextA(7));
  EXPECT_TRUE(button->IsVisible()) << "7 leaves the status button as it was";
  const int32_t w = Control(14386)->GetWidth();
  EXPECT_EQ(strip->GetLayoutEntry(2, 14386)->x, 3 - w);
  EXPECT_EQ(strip->GetLayoutEntry(0, 14387)->x, 4 - w);
  EXPECT_EQ(strip->GetLayoutEntry(1, 14390)->x, 97 + w - 3);
  EXPECT_EQ(strip->GetLayoutEntry(2, 14380)->x, 3 - w - 5 - 72);
  EXPECT_EQ(strip->GetStatusCode(), 7);

  strip->SetCaption(VString("Saved"), true, false);
  strip->SetStatusCode(6);
  EXPECT_EQ(TextOf(Control(14382)), striptest::TextA(6)) << "6 goes to the caption line";
  EXPECT_FALSE(Control(14388)->IsVisible()) << "without the box";
  EXPECT_FALSE(button->IsVisible());
  EXPECT_EQ(TextOf(Control(14386)), striptest::TextA(7)) << "the status line keeps its text";

  strip->SetStatusCode(-1);
  EXPECT_EQ(TextOf(Control(14386)), "");
}

TEST_F(StripFixture, LookupsOutOfRangeGiveEmptyTexts) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  for (int32_t code : {16, 17, 100, -2, -1000}) {
    strip->SetStatusText(VString("before"), false, false);
    strip->SetStatusCode(code);
    EXPECT_EQ(TextOf(Control(14386)), "") << code;
    EXPECT_EQ(strip->GetStatusCode(), code);
  }
  EXPECT_EQ(strip->GetTextA(16).GetLength(), 0);
  EXPECT_EQ(strip->GetTextB(18).GetLength(), 0);
  // The selector's text follows the region under the pointer: none outside
  // the selector, none over its border (region 0).
  bench->Move(300, 200);
  EXPECT_EQ(strip->GetCaptionTextFor(MainInterfaceScreen::kSelectorId).GetLength(), 0);
  bench->Move(21, 391);
  EXPECT_EQ(strip->GetCaptionTextFor(MainInterfaceScreen::kSelectorId).GetLength(), 0);
  EXPECT_EQ(strip->GetHoverSound(MainInterfaceScreen::kSelectorId), 0);
  EXPECT_EQ(strip->GetClickSound(MainInterfaceScreen::kSelectorId), 0);
}

// --- Hover and click -------------------------------------------------------------

TEST_F(StripFixture, HoveringModuleButtonsShowsTheirTextsAndPlaysTheirSounds) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  strip->SetCaption(VString("Saved"), false, false);
  struct Case {
    int32_t region, hoverSound, clickSound;
  };
  for (const Case& c : {Case{1, 25, 14}, Case{2, 26, 15}, Case{3, 24, 13}, Case{4, 27, 16}}) {
    bench->Move(300, 200);
    sounds.clear();
    const VPoint p = RegionPoint(c.region);
    bench->Move(p.x, p.y);
    EXPECT_EQ(TextOf(Control(14382)), striptest::TextA(c.region - 1)) << c.region;
    EXPECT_EQ(sounds, std::vector<int32_t>{c.hoverSound}) << c.region;
    IdleUntil([&] { return !strip->GetSelector()->IsStepping(); }, 2000);
    EXPECT_EQ(strip->GetSelector()->GetCurrentButton()->GetRegionNumber(), c.region);
  }
  // Leaving the selector brings the saved caption back.
  bench->Move(300, 200);
  EXPECT_EQ(TextOf(Control(14382)), "Saved");
}

TEST_F(StripFixture, ClicksReportToTheOwnerWithTheirSounds) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  struct Case {
    VPoint point;
    const char* report;
    int32_t sound;
  };
  for (const Case& c : {Case{RegionPoint(3), "90 3", 13}, Case{RegionPoint(1), "90 1", 14},
                        Case{VPoint(540, 445), "91 14392", 7}, Case{VPoint(580, 445), "91 14393", 8},
                        Case{VPoint(515, 445), "91 14391", 6}, Case{VPoint(605, 445), "91 14395", 10}}) {
    bench->Move(c.point.x, c.point.y);
    IdleUntil([&] { return !strip->GetSelector()->IsStepping(); }, 2000);
    bench->log.clear();
    sounds.clear();
    bench->Click(c.point.x, c.point.y);
    // Buttons hold their pressed picture a moment before they report.
    IdleUntil([&] { return !Logged(90).empty() || !Logged(91).empty(); }, 500);
    std::vector<std::string> reports = Logged(90);
    for (const std::string& r : Logged(91)) reports.push_back(r);
    EXPECT_EQ(reports, std::vector<std::string>{c.report});
    EXPECT_EQ(sounds, std::vector<int32_t>{c.sound}) << c.report;
  }
}

TEST_F(StripFixture, TheLinkReportsItsTargetAndLightsItsButton) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  strip->SetLinkText(VString("Zum Ort"));
  strip->SetCaption(VString("Saved"), false, false);
  VGraphicObject* link = Control(MainInterfaceScreen::kLinkId);
  const VRect bounds = link->GetBounds();
  const int32_t x = bounds.left + 5, y = 400 + bounds.top + 7;
  sounds.clear();
  bench->Move(x, y);
  EXPECT_EQ(sounds, std::vector<int32_t>{22});
  EXPECT_EQ(TextOf(Control(14382)), "B32") << "the link button's text";
  auto* button = dynamic_cast<VGenericPictureButton*>(Control(MainInterfaceScreen::kLinkButtonId));
  const auto normalPicture = [button] {
    VPicture* picture = nullptr;
    int32_t frame = 0;
    button->GetStatePicture(0, picture, frame);
    const uint16_t id = picture != nullptr ? picture->GetMediaId() : 0;
    if (picture != nullptr) picture->Release();
    return id;
  };
  EXPECT_EQ(normalPicture(), 203);
  bench->log.clear();
  sounds.clear();
  bench->Click(x, y);
  EXPECT_EQ(Logged(91), std::vector<std::string>{"91 14389"});
  EXPECT_EQ(sounds, std::vector<int32_t>{11});
  bench->Move(300, 200);
  EXPECT_EQ(normalPicture(), 201);
  EXPECT_EQ(TextOf(Control(14382)), "Saved");
}

TEST_F(StripFixture, DisabledSelectorShowsTheChosenModule) {
  MakeStrip();
  ASSERT_TRUE(strip->SetLayoutMode(1, 0));
  const VPoint p = RegionPoint(3);
  ModuleSelector* selector = strip->GetSelector();
  bench->Move(p.x, p.y);
  IdleUntil([&] { return !selector->IsStepping(); }, 2000);
  bench->Click(p.x, p.y);
  ASSERT_NE(selector->GetChosenButton(), nullptr);
  EXPECT_EQ(selector->GetChosenButton()->GetRegionNumber(), 3);
  strip->SetControlsEnabled(false, false);
  EXPECT_EQ(selector->PeekPicture()->GetMediaId(), 323);
  EXPECT_FALSE(selector->IsEnabledFlagSet());
  strip->SetControlsEnabled(true, false);
  EXPECT_EQ(selector->PeekPicture(), selector->GetCurrentButton()->GetStripPicture());
  // Mode 2 forgets the choice and stands the strip at frame 0 at once.
  ASSERT_TRUE(strip->SetLayoutMode(2, 0));
  EXPECT_EQ(selector->GetChosenButton(), nullptr);
  EXPECT_EQ(selector->GetStripFrame(), 0);
  EXPECT_EQ(selector->GetFrame(), 0);
  EXPECT_FALSE(selector->IsStepping());
  strip->SetControlsEnabled(false, false);
  EXPECT_EQ(selector->PeekPicture()->GetMediaId(), 320);
}

// --- Missing and spoiled media ---------------------------------------------------

struct SpoilCase {
  const char* what;
  std::map<int32_t, std::string> spoil;
  bool withoutTexts;
};

void PrintTo(const SpoilCase& c, std::ostream* out) { *out << c.what; }

class StripSpoiledTest : public StripFixture, public testing::WithParamInterface<SpoilCase> {};

TEST_P(StripSpoiledTest, StandsWithWhatItHas) {
  spoil = GetParam().spoil;
  withoutTexts = GetParam().withoutTexts;
  MakeStrip();
  ASSERT_NE(strip, nullptr);
  for (int32_t mode : {1, 2, 3, 0, 1}) {
    ASSERT_TRUE(strip->SetLayoutMode(mode, 400)) << mode;
    ASSERT_TRUE(IdleUntil([&] { return !strip->IsSwitching(); }, 1000));
    for (int32_t region = 1; region <= 4; ++region) {
      const VPoint p = RegionPoint(region);
      bench->Move(p.x, p.y);
      IdleUntil([&] { return !strip->GetSelector()->IsStepping(); }, 2000);
      bench->Click(p.x, p.y);
    }
    bench->Move(300, 300);
    strip->SetStatusCode(mode + 4);
    strip->SetLinkText(VString("Zum Ort"));
    strip->SetControlsEnabled(false, false);
    strip->SetControlsEnabled(true, true);
    bench->Redraw();
  }
  const std::string caption = TextOf(Control(14382));
  if (GetParam().withoutTexts) {
    EXPECT_EQ(caption, "") << "nothing but the texts it has";
  }
  EXPECT_EQ(caption.find("ERROR"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Media, StripSpoiledTest,
    testing::Values(SpoilCase{"no texts", {}, true},
                    SpoilCase{"no strips", {{300, ""}, {301, ""}, {302, ""}, {303, ""}}, false},
                    SpoilCase{"no masks", {{304, ""}, {305, ""}, {306, ""}, {307, ""}}, false},
                    SpoilCase{"no regions", {{308, ""}, {309, ""}, {310, ""}, {311, ""}}, false},
                    SpoilCase{"small regions", {{308, "small"}, {309, "small"}, {310, "small"}}, false},
                    SpoilCase{"24-bit regions", {{308, "rgb"}, {309, "rgb"}, {310, "rgb"}, {311, "rgb"}}, false},
                    SpoilCase{"small strip", {{300, "small"}}, false},
                    SpoilCase{"no turning picture or bar", {{299, ""}, {200, ""}, {240, ""}}, false},
                    SpoilCase{"no buttons", {{201, ""}, {203, ""}, {204, ""}, {250, ""}, {207, ""}, {223, ""}},
                              false},
                    SpoilCase{"no disabled pictures", {{320, ""}, {321, ""}, {322, ""}, {323, ""}, {324, ""}},
                              false}),
    [](const testing::TestParamInfo<SpoilCase>& info) { return "Case" + std::to_string(info.index); });

}  // namespace
