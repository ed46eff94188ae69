// The resource text sequence: entries read from ";id" lines with "<kopje>"
// headings, the cover fade in 40 ms steps on a fake clock, the pictures of
// entries, and message 159 at the end (also at once for a text without
// entries).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/controls/VPictureControl.h"
#include "title/controls/ResourceTextControl.h"

namespace {

using controltest::Bench;
using controltest::Log;

std::string Describe(const std::vector<ResourceTextEntry>& entries) {
  std::string out;
  for (const ResourceTextEntry& e : entries) {
    out += std::to_string(e.pictureId) + ":" + (e.text.GetChars() != nullptr ? e.text.GetChars() : "") + "|";
  }
  return out;
}

TEST(ResourceTextEntries, ParsesNumberedEntriesAndHeadings) {
  struct Case {
    const char* name;
    const char* text;
    bool ok;
    const char* entries;
  };
  const Case cases[] = {
      {"picture and heading", ";12\n<kopje>Title\nBody\n;0\nSecond",  true,
       "12:<font resID=506>Title</font><BR>Body<BR>|0:Second<BR>|"},
      {"CR LF lines", ";3\r\nOne\r\nTwo\r\n", true, "3:One<BR>Two<BR>|"},
      {"heading inside a line", ";0\nsee <kopje>here", true, "0:see <font resID=506>here</font><BR>|"},
      {"entry without lines", ";7\n;8\nx", true, "7:|8:x<BR>|"},
      {"first line is not an entry", "Intro\n;1\nA", false, ""},
      {"one character", ";", false, ""},
      {"empty", "", false, ""},
      {"id beyond 16 bits", ";99999\nx", true, "0:x<BR>|"},
      {"id not a number", ";abc\nx", true, "0:x<BR>|"},
  };
  for (const Case& c : cases) {
    std::vector<ResourceTextEntry> entries;
    EXPECT_EQ(ResourceTextControl::ParseEntries(VString(c.text), entries), c.ok) << c.name;
    EXPECT_EQ(Describe(entries), c.entries) << c.name;
  }
}

TEST(ResourceTextEntries, OverlongTextsAreReadOnlyUpToTheLimit) {
  std::string text = ";0\n";
  const std::string line(999, 'x');
  while (static_cast<int32_t>(text.size()) < 2 * ResourceTextControl::kMaxTextLength) text += line + "\n;0\n";
  std::vector<ResourceTextEntry> entries;
  ASSERT_TRUE(ResourceTextControl::ParseEntries(VString(text.c_str()), entries));
  const size_t perEntry = 3 + line.size() + 1;
  EXPECT_LE(entries.size(), static_cast<size_t>(ResourceTextControl::kMaxTextLength) / perEntry + 2);
  EXPECT_GT(entries.size(), static_cast<size_t>(ResourceTextControl::kMaxTextLength) / perEntry - 2);
}

class ResourceTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bench_.clock().SetStepPerRead(0);
    bench_.clock().SetTickCount(60000);
    bench_.Idle();  // the task tick starts here
  }
  ResourceTextControl* Make(const char* text) {
    return new ResourceTextControl(71, VString(text), 10, 10, 0, 180, 120, bench_.recorder);
  }
  void PassAt(uint32_t ms) {
    bench_.clock().SetTickCount(60000 + ms);
    bench_.Idle();
  }
  Bench bench_;
};

TEST_F(ResourceTextTest, EachEntryStaysForOneFadeOutAndBack) {
  ResourceTextControl* c = Make(";0\nFirst\n;0\nSecond\n");
  EXPECT_EQ(c->GetNextEntry(), 1);
  EXPECT_EQ(c->GetCoverLevel(), 63);
  PassAt(39);
  EXPECT_EQ(c->GetCoverLevel(), 63);  // less than 40 ms: nothing
  PassAt(40);
  EXPECT_EQ(c->GetCoverLevel(), 62);
  std::vector<uint32_t> shown;
  uint32_t finished = 0;
  int32_t lowest = 63;
  for (uint32_t ms = 80; ms <= 12000 && finished == 0; ms += 40) {
    const int32_t before = c->GetNextEntry();
    PassAt(ms);
    lowest = std::min(lowest, c->GetCoverLevel());
    if (c->GetNextEntry() != before && c->GetNextEntry() != 0) shown.push_back(ms);
    if (!bench_.log.empty()) finished = ms;
  }
  // 62 steps to clear, one to turn, 61 back up, then the next entry.
  EXPECT_EQ(shown, (std::vector<uint32_t>{125 * 40}));
  EXPECT_EQ(lowest, 1);
  EXPECT_EQ(finished, (125 + 124) * 40u);
  EXPECT_EQ(bench_.log, (Log{"159 71"}));
  EXPECT_FALSE(c->IsVisible());
  EXPECT_FALSE(c->IsActive());
  PassAt(20000);
  EXPECT_EQ(bench_.log, (Log{"159 71"}));  // once
}

// Between its 40 ms steps the control asks the idle loop for no passes.
TEST_F(ResourceTextTest, TheTaskAsksForAPassOnlyWhenAStepIsDue) {
  ResourceTextControl* c = Make(";0\nFirst\n;0\nSecond\n");
  VTask& task = *c;
  EXPECT_EQ(task.GetStepWait(bench_.Now()), 40u);
  PassAt(10);
  EXPECT_EQ(task.GetStepWait(bench_.Now()), 30u);
  PassAt(40);
  EXPECT_EQ(c->GetCoverLevel(), 62);
  EXPECT_EQ(task.GetStepWait(bench_.Now()), 40u);
  PassAt(95);
  EXPECT_EQ(task.GetStepWait(bench_.Now()), 40u) << "stepped at 95: the next at 135";
}

// Each step of the fade draws the text under the cover again before the
// cover at its new level: what stood on the screen there before (here a red
// patch put straight into the window's map while the cover is nearly clear)
// is replaced by what lies there, not merely darkened by the cover.
TEST_F(ResourceTextTest, EachFadeStepDrawsTheTextUnderTheCover) {
  // A green screen behind the text, as a panel's background.
  new VPictureControl(VControl::kAllocateId, VRGBColor(0, 255, 0), 0, 0, 0, 200, 150, bench_.recorder);
  ResourceTextControl* c = Make(";0\nFirst\n");
  uint32_t ms = 40;
  for (; ms <= 62 * 40 && c->GetCoverLevel() > 3; ms += 40) PassAt(ms);
  ASSERT_LE(c->GetCoverLevel(), 3);
  const VRGBColor red(255, 0, 0);
  const VRect patch(100, 100, 110, 110);
  bench_.map()->FillRect(&patch, &red);
  ASSERT_EQ(bench_.PixelAt(105, 105), 0xFF0000u);
  PassAt(ms);
  // Green again under the nearly clear cover.
  const uint32_t after = bench_.PixelAt(105, 105);
  EXPECT_LT(after >> 16, 0x20u) << std::hex << after;
  EXPECT_GT((after >> 8) & 0xFF, 0xE0u) << std::hex << after;
}

TEST_F(ResourceTextTest, TextWithoutEntriesFinishesWhileBeingBuilt) {
  ResourceTextControl* c = Make("no entries here\n;1\nx");
  EXPECT_EQ(c->GetEntryCount(), 0);
  EXPECT_EQ(bench_.log, (Log{"159 71"}));
  EXPECT_FALSE(c->IsVisible());
  ResourceTextControl* missing = new ResourceTextControl(72, uint16_t{18999}, 0, 0, 0, 50, 50, bench_.recorder);
  EXPECT_EQ(missing->GetEntryCount(), 0);  // no archive holds it
  EXPECT_EQ(bench_.log, (Log{"159 71", "159 72"}));
}

TEST_F(ResourceTextTest, EntryPicturesAreCentredAndReplaced) {
  ResourceTextControl* c = Make(";0\nNo picture\n;601\nWith one\n");
  EXPECT_EQ(c->GetEntryPicture(), nullptr);
  for (uint32_t ms = 40; ms <= 125 * 40; ms += 40) PassAt(ms);
  ASSERT_EQ(c->GetNextEntry(), 2);
  VPictureControl* picture = c->GetEntryPicture();
  ASSERT_NE(picture, nullptr);
  VRect bounds;
  picture->GetBounds(bounds);
  EXPECT_EQ(bounds.left, (180 - bounds.GetWidth()) / 2);
  EXPECT_EQ(bounds.top, 90);
  EXPECT_NE(c->GetTextControl(), nullptr);
}

TEST_F(ResourceTextTest, RequestFinishEndsAtTheNextFadeOut) {
  ResourceTextControl* c = Make(";0\nOne\n;0\nTwo\n;0\nThree\n");
  c->RequestFinish();
  for (uint32_t ms = 40; ms <= 125 * 40; ms += 40) PassAt(ms);
  EXPECT_EQ(bench_.log, (Log{"159 71"}));
  EXPECT_EQ(c->GetNextEntry(), 0);
}

TEST_F(ResourceTextTest, OwnerMayDeleteTheControlOnItsEndMessage) {
  ResourceTextControl* c = Make(";0\nOnly\n");
  bench_.recorder->onEvent = [&](uint32_t code, uint32_t, uint32_t) {
    if (code == ResourceTextControl::kMessageFinished) {
      delete c;
      c = nullptr;
    }
  };
  for (uint32_t ms = 40; ms <= 126 * 40; ms += 40) PassAt(ms);
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(bench_.log, (Log{"159 71"}));
}

}  // namespace
