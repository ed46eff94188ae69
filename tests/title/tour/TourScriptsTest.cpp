// BUBBLE, HOTSPOT and BUBBLETRANSITION scripts: every keyword, the order rule
// (a keyword out of order ends the reading), defaults, bad input (unknown
// keywords, unclosed blocks, numbers out of range, hotspots without targets,
// 10,000 hotspots, sequences that break off), the media ids of bubbles and
// transitions from the category tables, and the media a loaded bubble reads
// (info text at base + 2, hotspot texts at base + 6 + n).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TourTestSupport.h"
#include "engine/script/ItemRef.h"
#include "title/tour/BubbleRecord.h"
#include "title/tour/BubbleTransition.h"
#include "title/tour/HotspotRecord.h"

namespace {

using tourtest::Code;
using tourtest::Item;
using tourtest::Text;

class TourScriptsTest : public tourtest::TourFixture {};

// What a bubble script gives, field by field.
struct BubbleCase {
  const char* name;
  std::string script;
  bool read;
  const char* id;
  float yaw, pitch;
  const char* info;
  uint16_t ambient, footsteps;
  std::vector<uint16_t> random;  // RANDOM1..5
  std::vector<std::string> hotspots;  // "ID INFO left top right bottom"
};

std::string Describe(const HotspotRecord& h) {
  char rect[96];
  std::snprintf(rect, sizeof rect, "%.2f %.2f %.2f %.2f", h.GetHitRect().left, h.GetHitRect().top,
                h.GetHitRect().right, h.GetHitRect().bottom);
  return Code(h.GetId()) + " " + Code(h.GetInfoItem()) + " " + rect;
}

TEST_F(TourScriptsTest, BubbleScriptsReadEveryKeywordInOrder) {
  const std::vector<uint16_t> none = {0, 0, 0, 0, 0};
  const BubbleCase cases[] = {
      {"every keyword",
       "BUBBLE { ID BU001 DEFAULTVIEWANGLE 1.5 0 INFO VI003 AMBIENT 12 FOOTSTEPS 2 RANDOM1 4 RANDOM2 5 RANDOM3 6 "
       "RANDOM4 7 RANDOM5 8 HOTSPOTS { HOTSPOT { ID BU002 HITRECT 0.5 -0.2 0.7 0.1 INFO HP014 } "
       "HOTSPOT { ID SH001 HITRECT 3 -0.5 3.5 0.25 INFO SH001 } } }",
       true, "BU001", 1.5f, 0, "VI003", 12, 2, {4, 5, 6, 7, 8},
       {"BU002 HP014 0.50 -0.20 0.70 0.10", "SH001 SH001 3.00 -0.50 3.50 0.25"}},
      {"keywords and block names in any case, comments skipped",
       "bubble { <the hall> id bu001 defaultviewangle 1 2 info vi001 ambient 3 hotspots { hotspot { id bu002 "
       "hitrect 1 2 3 4 info bt001 } } }",
       true, "BU001", 1, 2, "VI001", 3, 0, none, {"BU002 BT001 1.00 2.00 3.00 4.00"}},
      {"AMBIENT without DEFAULTVIEWANGLE: the view stays (0, 0)", "BUBBLE { ID BU001 AMBIENT 12 }", true, "BU001",
       0, 0, "VI000", 12, 0, none, {}},
      {"INFO after AMBIENT: AMBIENT read, INFO stays VI000 and no hotspot is read",
       "BUBBLE { AMBIENT 7 INFO VI005 FOOTSTEPS 3 HOTSPOTS { HOTSPOT { ID BU002 } } }", true, "XX000", 0, 0,
       "VI000", 7, 0, none, {}},
      {"an unknown keyword ends the reading", "BUBBLE { ID BU004 COLOUR 5 AMBIENT 3 }", true, "BU004", 0, 0,
       "VI000", 0, 0, none, {}},
      {"an unknown keyword in a hotspot ends the hotspots after it",
       "BUBBLE { HOTSPOTS { HOTSPOT { ID BU002 GLOW 1 } HOTSPOT { ID BU003 } } }", true, "XX000", 0, 0, "VI000", 0,
       0, none, {"BU002 XX000 0.00 0.00 0.00 0.00"}},
      {"unclosed blocks: what is there is read",
       "BUBBLE { ID BU002 HOTSPOTS { HOTSPOT { ID BU001 HITRECT 1 1 2 2 INFO BT002", true, "BU002", 0, 0, "VI000",
       0, 0, none, {"BU001 BT002 1.00 1.00 2.00 2.00"}},
      {"hotspots without targets are kept with empty items",
       "BUBBLE { HOTSPOTS { HOTSPOT { } HOTSPOT { HITRECT 0 0 1 1 } } }", true, "XX000", 0, 0, "VI000", 0, 0, none,
       {"XX000 XX000 0.00 0.00 0.00 0.00", "XX000 XX000 0.00 0.00 1.00 1.00"}},
      {"sound numbers that are no 16-bit ids are none",
       "BUBBLE { AMBIENT 70000 FOOTSTEPS -1 RANDOM1 65535 RANDOM2 99999999999 RANDOM3 2.9 }", true, "XX000", 0, 0,
       "VI000", 0, 0, {65535, 0, 2, 0, 0}, {}},
      {"a view that is not finite stays (0, 0)",
       ("BUBBLE { DEFAULTVIEWANGLE 1" + std::string(400, '0') + " 0.5 AMBIENT 4 }"), true, "XX000", 0, 0,
       "VI000", 4, 0, none, {}},
      {"a hit rectangle that is not finite drops its hotspot",
       ("BUBBLE { HOTSPOTS { HOTSPOT { ID BU002 HITRECT 0 0 -1" + std::string(400, '0') +
        " 1 } HOTSPOT { ID BU003 HITRECT 0 0 1 1 } } }"),
       true, "XX000", 0, 0, "VI000", 0, 0, none, {"BU003 XX000 0.00 0.00 1.00 1.00"}},
      {"a HITRECT of two numbers keeps them", "BUBBLE { HOTSPOTS { HOTSPOT { ID BU002 HITRECT 1 2 } } }", true,
       "XX000", 0, 0, "VI000", 0, 0, none, {"BU002 XX000 1.00 2.00 0.00 0.00"}},
      {"no BUBBLE block", "BUBBLETRANSITION { ID BT001 }", false, "XX000", 0, 0, "VI000", 0, 0, none, {}},
      {"BUBBLE without its brace", "BUBBLE ID BU001", false, "XX000", 0, 0, "VI000", 0, 0, none, {}},
      {"empty text", "", false, "XX000", 0, 0, "VI000", 0, 0, none, {}},
  };
  for (const BubbleCase& c : cases) {
    SCOPED_TRACE(c.name);
    BubbleRecord record(ItemRef{});
    const VString script = Text(c.script);
    EXPECT_EQ(record.ReadScript(script), c.read);
    EXPECT_EQ(Code(record.GetId()), c.id);
    EXPECT_FLOAT_EQ(record.GetDefaultYaw(), c.yaw);
    EXPECT_FLOAT_EQ(record.GetDefaultPitch(), c.pitch);
    EXPECT_EQ(Code(record.GetInfoItem()), c.info);
    EXPECT_EQ(record.GetAmbientSound(), c.ambient);
    EXPECT_EQ(record.GetFootstepsSound(), c.footsteps);
    for (int32_t i = 0; i < BubbleRecord::kRandomSoundCount; ++i) EXPECT_EQ(record.GetRandomSound(i), c.random[i]) << i;
    std::vector<std::string> hotspots;
    for (int32_t i = 0; i < record.GetHotspotCount(); ++i) hotspots.push_back(Describe(*record.GetHotspot(i)));
    EXPECT_EQ(hotspots, c.hotspots);
    EXPECT_EQ(record.GetHotspot(record.GetHotspotCount()), nullptr);
    EXPECT_EQ(record.GetHotspot(-1), nullptr);
  }
}

// 10,000 hotspots: the first 1000 are kept and the blocks after them are
// still read past, so a keyword behind them is not taken for a hotspot.
TEST_F(TourScriptsTest, TenThousandHotspotsAreClippedAndReadPast) {
  std::string script = "BUBBLE { ID BU001 HOTSPOTS {";
  for (int i = 0; i < 10000; ++i) {
    script += " HOTSPOT { ID BU" + std::string(i % 1000 < 10 ? "00" : i % 1000 < 100 ? "0" : "") +
              std::to_string(i % 1000) + " HITRECT " + std::to_string(i) + " 0 1 1 INFO BT001 }";
  }
  script += " } }";
  BubbleRecord record(ItemRef{});
  const VString text = Text(script);
  EXPECT_TRUE(record.ReadScript(text));
  ASSERT_EQ(record.GetHotspotCount(), BubbleRecord::kMaxHotspots);
  EXPECT_FLOAT_EQ(record.GetHotspot(999)->GetHitRect().left, 999.0f);
  EXPECT_EQ(Code(record.GetHotspot(999)->GetId()), "BU999");
}

// The navigator sees a record through TourBubbleContent: the script's view
// and the hit rectangles of its hotspots, by index.
TEST_F(TourScriptsTest, RecordsAreWhatTheNavigatorShows) {
  BubbleRecord record(ItemRef{});
  const VString text = Text("BUBBLE { ID BU001 DEFAULTVIEWANGLE 1.5 -0.25 HOTSPOTS { "
                            "HOTSPOT { ID BU002 HITRECT 0.5 -0.1 0.75 0.2 INFO BT001 } } }");
  ASSERT_TRUE(record.ReadScript(text));
  const TourBubbleContent& content = record;
  EXPECT_FLOAT_EQ(content.GetDefaultViewAngle().x, 1.5f);
  EXPECT_FLOAT_EQ(content.GetDefaultViewAngle().y, -0.25f);
  ASSERT_EQ(content.GetHotspotCount(), 1);
  VFRect rect;
  ASSERT_TRUE(content.GetHotspotHitRect(0, rect));
  EXPECT_FLOAT_EQ(rect.left, 0.5f);
  EXPECT_FLOAT_EQ(rect.bottom, 0.2f);
  EXPECT_FALSE(content.GetHotspotHitRect(1, rect));
}

struct TransitionCase {
  const char* name;
  std::string script;
  bool loaded;
  const char* start;
  const char* end;
  float startYaw, startPitch, endYaw, endPitch;
  std::vector<std::vector<int32_t>> steps;  // wait, fade, sound of each step read
};

TEST_F(TourScriptsTest, TransitionScriptsReadTheirSequence) {
  const TransitionCase cases[] = {
      {"every keyword",
       "BUBBLETRANSITION { ID BT001 STARTBUBBLE BU001 STARTANGLE 0.3 0 ENDBUBBLE BU002 ENDANGLE 3.4 0.1 SEQUENCE { "
       "FADE 500 SOUND 0 WAIT 100 FADE 300 SOUND 7 } }",
       true, "BU001", "BU002", 0.3f, 0, 3.4f, 0.1f, {{0, 500, 0}, {100, 300, 7}}},
      {"an empty SEQUENCE is one step with the defaults",
       "BUBBLETRANSITION { ID BT001 ENDBUBBLE BU002 SEQUENCE { } }", true, "XX000", "BU002", 0, 0, 0, 0,
       {{0, 500, 0}}},
      {"a second step without WAIT breaks off; the steps so far stay",
       "BUBBLETRANSITION { SEQUENCE { FADE 200 SOUND 3 FADE 300 SOUND 0 } }", false, "XX000", "XX000", 0, 0, 0, 0,
       {{0, 200, 3}}},
      {"a first step without SOUND breaks off", "BUBBLETRANSITION { SEQUENCE { FADE 200 } }", false, "XX000",
       "XX000", 0, 0, 0, 0, {{0, 200, 0}}},
      {"a later step without FADE breaks off",
       "BUBBLETRANSITION { SEQUENCE { FADE 1 SOUND 1 WAIT 5 FADE 2 SOUND 2 WAIT 6 SOUND 3 } }", false, "XX000",
       "XX000", 0, 0, 0, 0, {{0, 1, 1}, {5, 2, 2}}},
      {"an unclosed SEQUENCE breaks off at the end of the text",
       "BUBBLETRANSITION { SEQUENCE { FADE 1 SOUND 1 WAIT 5 FADE 2 SOUND 2", false, "XX000", "XX000", 0, 0, 0, 0,
       {{0, 1, 1}, {5, 2, 2}}},
      {"no SEQUENCE", "BUBBLETRANSITION { ID BT002 STARTBUBBLE BU003 }", false, "BU003", "XX000", 0, 0, 0, 0, {}},
      {"times clipped to 0..60000 ms, sounds beyond 16 bits none",
       "BUBBLETRANSITION { SEQUENCE { FADE -5 SOUND 70000 WAIT -100 FADE 9999999 SOUND -2 WAIT 60000 FADE 0 SOUND "
       "65535 } }",
       true, "XX000", "XX000", 0, 0, 0, 0, {{0, 0, 0}, {0, 60000, 0}, {60000, 0, 65535}}},
      {"angles that are not finite stay 0",
       ("BUBBLETRANSITION { STARTANGLE 1" + std::string(400, '0') + " 1 ENDANGLE 2 -1" + std::string(400, '0') +
        " SEQUENCE { } }"),
       true, "XX000", "XX000", 0, 0, 0, 0, {{0, 500, 0}}},
      {"an unknown keyword in the sequence breaks off",
       "BUBBLETRANSITION { SEQUENCE { FADE 1 SOUND 1 PAUSE 5 } }", false, "XX000", "XX000", 0, 0, 0, 0,
       {{0, 1, 1}}},
      {"no BUBBLETRANSITION block", "BUBBLE { }", false, "XX000", "XX000", 0, 0, 0, 0, {}},
  };
  for (const TransitionCase& c : cases) {
    SCOPED_TRACE(c.name);
    BubbleTransition transition(ItemRef{});
    const VString script = Text(c.script);
    EXPECT_EQ(transition.ReadScript(script), c.loaded);
    EXPECT_EQ(Code(transition.GetStartBubble()), c.start);
    EXPECT_EQ(Code(transition.GetEndBubble()), c.end);
    EXPECT_FLOAT_EQ(transition.GetStartYaw(), c.startYaw);
    EXPECT_FLOAT_EQ(transition.GetStartPitch(), c.startPitch);
    EXPECT_FLOAT_EQ(transition.GetEndYaw(), c.endYaw);
    EXPECT_FLOAT_EQ(transition.GetEndPitch(), c.endPitch);
    std::vector<std::vector<int32_t>> steps;
    for (int32_t i = -1; i + 1 < transition.GetStepsRead(); ++i) {
      steps.push_back({transition.GetStepWait(i), transition.GetStepFade(i), transition.GetStepSound(i)});
    }
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(transition.GetStepCount(), std::max(0, static_cast<int32_t>(c.steps.size()) - 1));
  }
}

// Steps that do not exist answer the defaults: a sequence never read, and
// indexes before -1 or past the last step.
TEST_F(TourScriptsTest, StepsOutsideTheSequenceAnswerTheDefaults) {
  BubbleTransition transition(ItemRef{});
  const VString script = Text("BUBBLETRANSITION { SEQUENCE { FADE 7 SOUND 8 WAIT 9 FADE 10 SOUND 11 } }");
  ASSERT_TRUE(transition.ReadScript(script));
  for (int32_t index : {-2, 1, 2, 1000000, -1000000}) {
    EXPECT_EQ(transition.GetStepWait(index), 0) << index;
    EXPECT_EQ(transition.GetStepFade(index), 500) << index;
    EXPECT_EQ(transition.GetStepSound(index), 0) << index;
  }
  const BubbleTransition empty(ItemRef{});
  EXPECT_EQ(empty.GetStepCount(), 0);
  EXPECT_EQ(empty.GetStepFade(-1), 500);
}

// More than 1000 steps: the first 1000 are kept, the rest read past.
TEST_F(TourScriptsTest, LongSequencesAreClipped) {
  std::string script = "BUBBLETRANSITION { SEQUENCE { FADE 1 SOUND 0";
  for (int i = 0; i < 5000; ++i) script += " WAIT " + std::to_string(i) + " FADE 2 SOUND 0";
  script += " } }";
  BubbleTransition transition(ItemRef{});
  const VString text = Text(script);
  EXPECT_TRUE(transition.ReadScript(text));
  EXPECT_EQ(transition.GetStepsRead(), BubbleTransition::kMaxSteps);
  EXPECT_EQ(transition.GetStepWait(transition.GetStepCount() - 1), BubbleTransition::kMaxSteps - 2);
}

// Bubbles in table 1, transitions in table 8, by the item's number; entries
// of 0 and -1 (and 0xFFFF in the low half) are none, and a reference of
// another category names no bubble or transition.
TEST_F(TourScriptsTest, MediaIdsComeFromTheTablesAndEmptyEntriesAreNone) {
  SetBubbleBase(1, 18400);
  SetBubbleBase(2, 0);
  SetBubbleBase(3, -1);
  SetBubbleBase(4, 0x1FFFF);
  SetBubbleBase(5, 0x2FFFF);
  SetBubbleBase(6, 0x10005);
  SetTransitionBase(1, 18600);
  SetTransitionBase(2, -1);
  struct Case {
    const char* item;
    uint16_t bubble, transition;
  };
  for (const Case c : {Case{"BU001", 18400, 0}, Case{"BU002", 0, 0}, Case{"BU003", 0, 0}, Case{"BU004", 0, 0},
                       Case{"BU005", 0, 0}, Case{"BU006", 5, 0}, Case{"BT001", 0, 18600}, Case{"BT002", 0, 0}, Case{"HP001", 0, 0},
                       Case{"BH001", 0, 0}, Case{"XX001", 0, 0}}) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(GetBubbleMediaId(Item(c.item)), c.bubble);
    EXPECT_EQ(GetTransitionMediaId(Item(c.item)), c.transition);
  }
  EXPECT_EQ(GetBubbleMediaId(ItemRef(1, 1000)), 0);
  EXPECT_EQ(GetBubbleMediaId(ItemRef(1, -1)), 0);
}

// A loaded bubble: its info text from base + 2, the picture id base + 1, the
// text of the hotspot with ID number 4 from medium base + 10; a hotspot with
// an ID that is no item has no text.
TEST_F(TourScriptsTest, LoadedBubbleReadsItsMedia) {
  BuildArchives({
      TextLine(3000, "BUBBLE { ID BU007 HOTSPOTS { HOTSPOT { ID BU004 INFO BT003 } HOTSPOT { ID HP012 } "
                     "HOTSPOT { ID ZZ1 } } }"),
      TextLine(3002, "Die Halle"),
      TextLine(3010, "Zur Treppe"),
      TextLine(3018, "Ein Bild"),
  });
  SetBubbleBase(7, 3000);
  BubbleRecord record(Item("BU007"));
  EXPECT_EQ(record.GetBaseMediaId(), 3000);
  EXPECT_EQ(record.GetPictureMediaId(), 3001);
  EXPECT_TRUE(record.GetText().Equals("Die Halle"));
  EXPECT_EQ(Code(record.GetItem()), "BU007");
  ASSERT_EQ(record.GetHotspotCount(), 3);
  EXPECT_TRUE(record.GetHotspot(0)->GetText().Equals("Zur Treppe"));
  EXPECT_TRUE(record.GetHotspot(1)->GetText().Equals("Ein Bild"));
  EXPECT_TRUE(record.GetHotspot(2)->GetText().IsEmpty());
  // Loading again starts from the defaults.
  EXPECT_FALSE(record.Load(Item("BU008")));
  EXPECT_EQ(record.GetHotspotCount(), 0);
  EXPECT_TRUE(record.GetText().IsEmpty());
}

// A bubble without a base id, or whose script is missing, is an empty
// record: Load false, no hotspots, no picture id, INFO VI000.
TEST_F(TourScriptsTest, MissingBubblesGiveEmptyRecords) {
  BuildArchives({TextLine(3002, "text without script")});
  SetBubbleBase(2, 3000);
  for (const char* item : {"BU001", "BU002", "HP002"}) {
    SCOPED_TRACE(item);
    BubbleRecord record(Item(item));
    EXPECT_FALSE(record.Load(Item(item)));
    EXPECT_EQ(record.GetHotspotCount(), 0);
    EXPECT_EQ(Code(record.GetInfoItem()), "VI000");
    EXPECT_EQ(record.GetPicture(), nullptr);
  }
  EXPECT_EQ(BubbleRecord(Item("BU001")).GetPictureMediaId(), 0);
}

// Base ids at the top of the id range: the media past 65535 do not exist
// (nothing wraps around to the low ids).
TEST_F(TourScriptsTest, MediaPastTheLastIdAreNone) {
  // Wrapped around, the hotspot's text would be medium 65534 + 6 - 65536.
  BuildArchives({TextLine(65534, "BUBBLE { HOTSPOTS { HOTSPOT { ID BU000 } } }"), TextLine(4, "wrapped")});
  SetBubbleBase(1, 65534);
  SetBubbleBase(2, 65535);  // the table's "none"
  BubbleRecord high(Item("BU001"));
  EXPECT_EQ(high.GetPictureMediaId(), 65535);
  EXPECT_TRUE(high.GetText().IsEmpty());
  ASSERT_EQ(high.GetHotspotCount(), 1);
  EXPECT_TRUE(high.GetHotspot(0)->GetText().IsEmpty());
  BubbleRecord none(Item("BU002"));
  EXPECT_EQ(none.GetBaseMediaId(), 0);
  SetTransitionBase(1, 65535);
  SetTransitionBase(2, 65530);
  BubbleTransition transition(Item("BT002"));
  EXPECT_EQ(transition.GetFramePicture(5), nullptr);
  EXPECT_EQ(transition.GetFramePicture(-1), nullptr);
}

// A transition is started only with a script and an end bubble that exists.
TEST_F(TourScriptsTest, TransitionToAMissingBubbleIsNotStarted) {
  BuildArchives({
      TextLine(5000, "BUBBLETRANSITION { ID BT001 STARTBUBBLE BU001 ENDBUBBLE BU002 SEQUENCE { } }"),
      TextLine(5040, "BUBBLETRANSITION { ID BT002 STARTBUBBLE BU001 ENDBUBBLE BU009 SEQUENCE { } }"),
      TextLine(5080, "BUBBLETRANSITION { ID BT003 STARTBUBBLE BU001 ENDBUBBLE BU003 SEQUENCE { } }"),
      TextLine(5120, "BUBBLETRANSITION { ID BT004 STARTBUBBLE BU001 SEQUENCE { } }"),
      TextLine(5160, "BUBBLE { }"),
      TextLine(5200, "BUBBLETRANSITION { ID BT006 ENDBUBBLE HP002 SEQUENCE { } }"),
  });
  SetBubbleBase(1, 3000);
  SetBubbleBase(2, 3020);
  SetBubbleBase(3, -1);
  SetBubbleBase(9, 0);
  for (int k = 1; k <= 6; ++k) SetTransitionBase(k, 5000 + 40 * (k - 1));
  struct Case {
    const char* item;
    bool loaded, startable;
  };
  for (const Case c : {Case{"BT001", true, true}, Case{"BT002", true, false}, Case{"BT003", true, false},
                       Case{"BT004", true, false}, Case{"BT005", false, false}, Case{"BT006", true, false},
                       Case{"BT007", false, false}, Case{"BU001", false, false}}) {
    SCOPED_TRACE(c.item);
    BubbleTransition transition(Item(c.item));
    EXPECT_EQ(transition.Load(Item(c.item)), c.loaded);
    EXPECT_EQ(transition.CanStart(), c.startable);
  }
}

TEST_F(TourScriptsTest, HotspotVisitFlagsAreTheHistoryFlagsOfTheirIds) {
  BubbleRecord record(ItemRef{});
  const VString script = Text("BUBBLE { HOTSPOTS { HOTSPOT { ID SH004 INFO SH001 } } }");
  ASSERT_TRUE(record.ReadScript(script));
  const HotspotRecord* hotspot = record.GetHotspot(0);
  ASSERT_NE(hotspot, nullptr);
  EXPECT_FALSE(hotspot->IsVisited());
  EXPECT_TRUE(hotspot->MarkVisited());
  EXPECT_TRUE(hotspot->IsVisited());
  EXPECT_TRUE(GetHistoryFlag(Item("SH004")));
  EXPECT_FALSE(GetHistoryFlag(Item("SH001")));
}

}  // namespace
