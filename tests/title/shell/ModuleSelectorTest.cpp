// The module selector on a bench window with pictures made in memory: the
// first button added is shown, a second with the same id is refused; a run
// slows down over its last frames; a strip of one frame has nothing to run
// to; Reset stands the strip at frame 0 at once; moving between regions,
// leaving and clicking send 28, 29 and 89; a click on a button whose strip
// waits for the shown one to run back chooses the button clicked.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/controls/ControlTestSupport.h"
#include "engine/graphics/PixelMap.h"
#include "engine/graphics/VPicture.h"
#include "title/shell/ModuleButtonDef.h"
#include "title/shell/ModuleSelector.h"

namespace {

constexpr int32_t kW = 40;
constexpr int32_t kH = 30;

// A strip of `frames` frames stacked in one picture.
VPicture* Strip(int32_t frames, uint32_t colour) {
  VPicture* picture = controltest::MakePicture(kW, kH * frames, [colour](int32_t, int32_t y) {
    return colour + static_cast<uint32_t>(y / kH) * 0x0A0A0Au;
  });
  picture->SetFrameCount(frames);
  return picture;
}

// Regions: 1 in the left half, 2 in the right half, 0 on the top row.
VPicture* Regions() {
  auto* picture = new VPicture(VRect(0, 0, kW, kH), 8, nullptr);
  PixelMap* map = picture->GetPixelMap();
  PixelMapLock lock(map);
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      *map->GetPixelAddress(VPoint(x, y)) = static_cast<uint8_t>(y == 0 ? 0 : (x < kW / 2 ? 1 : 2));
    }
  }
  return picture;
}

class ModuleSelectorTest : public testing::Test {
 protected:
  void SetUp() override {
    bench = std::make_unique<controltest::Bench>(200, 150);
    selector = new ModuleSelector(14381, nullptr, 10, 10, 3, 0, 0, bench->recorder);
  }
  void TearDown() override { bench.reset(); }

  // A button with region number `region` and a strip of `frames` frames.
  ModuleButtonDef* Button(int32_t id, int32_t region, int32_t frames) {
    VPicture* strip = Strip(frames, 0x202020u * static_cast<uint32_t>(region));
    VPicture* mask = Strip(frames, 0xF0F0F0u);
    VPicture* regions = Regions();
    auto* record = new ModuleButtonDef(id, strip, 0, mask, regions, region);
    for (VPicture* p : {strip, mask, regions}) p->Release();
    return record;
  }

  // Window points over region 1 and 2.
  static VPoint Over(int32_t region) { return VPoint(region == 1 ? 15 : 40, 25); }

  // Idle passes of 1 ms each, noting the time of every frame change, until
  // the run ends.
  std::vector<uint32_t> RunTimes(int limit = 3000) {
    bench->clock().SetStepPerRead(0);
    std::vector<uint32_t> times;
    int32_t frame = selector->GetStripFrame();
    for (int i = 0; i < limit && selector->IsStepping(); ++i) {
      bench->clock().AdvanceMilliseconds(1);
      bench->Idle();
      if (selector->GetStripFrame() != frame) {
        frame = selector->GetStripFrame();
        times.push_back(bench->Now());
      }
    }
    bench->clock().SetStepPerRead(1000000ull);
    return times;
  }

  std::vector<std::string> Events() const {
    std::vector<std::string> out;
    for (const std::string& line : bench->log) {
      if (line.rfind("28 ", 0) == 0 || line.rfind("29 ", 0) == 0 || line.rfind("89 ", 0) == 0) out.push_back(line);
    }
    return out;
  }

  std::unique_ptr<controltest::Bench> bench;
  ModuleSelector* selector = nullptr;
};

TEST_F(ModuleSelectorTest, FirstButtonIsShownAndDuplicatesAreRefused) {
  EXPECT_FALSE(selector->SelectButton(nullptr)) << "no buttons yet";
  ModuleButtonDef* first = Button(4, 1, 12);
  ASSERT_TRUE(selector->AddButton(first));
  EXPECT_EQ(selector->GetCurrentButton(), first);
  EXPECT_EQ(selector->GetWidth(), kW) << "the selector takes the size of its strip";
  EXPECT_EQ(selector->GetHeight(), kH);
  EXPECT_EQ(selector->GetStripFrameCount(), 12);
  ASSERT_TRUE(selector->AddButton(Button(1, 2, 12)));
  std::unique_ptr<ModuleButtonDef> again(Button(4, 2, 12));
  EXPECT_FALSE(selector->AddButton(again.get()));
  EXPECT_EQ(selector->GetButtonCount(), 2);
  EXPECT_EQ(selector->GetCurrentButton(), first);
}

TEST_F(ModuleSelectorTest, ARunSlowsDownOverItsLastFrames) {
  ASSERT_TRUE(selector->AddButton(Button(1, 1, 12)));
  bench->Move(Over(1).x, Over(1).y);
  ASSERT_TRUE(selector->IsStepping());
  EXPECT_EQ(selector->GetTargetFrame(), 10) << "the frame before the last while the button is not chosen";
  std::vector<uint32_t> times = RunTimes();
  ASSERT_EQ(times.size(), 10u);
  std::vector<uint32_t> steps;
  for (size_t i = 1; i < times.size(); ++i) steps.push_back(times[i] - times[i - 1]);
  EXPECT_EQ(steps, (std::vector<uint32_t>{20, 20, 20, 20, 20, 24, 28, 33, 39}));
  EXPECT_EQ(selector->GetStripFrame(), 10);
  EXPECT_EQ(selector->GetLastRegion(), 1);
}

TEST_F(ModuleSelectorTest, AOneFrameStripHasNothingToRunTo) {
  ASSERT_TRUE(selector->AddButton(Button(1, 1, 1)));
  ASSERT_TRUE(selector->AddButton(Button(2, 2, 1)));
  bench->Move(Over(1).x, Over(1).y);
  RunTimes(500);
  EXPECT_FALSE(selector->IsStepping());
  // Over the other button: back to frame 0 (already there), switch, and
  // nothing to run forward.
  bench->Move(Over(2).x, Over(2).y);
  RunTimes(500);
  EXPECT_FALSE(selector->IsStepping());
  EXPECT_EQ(selector->GetCurrentButton()->GetRegionNumber(), 2);
  EXPECT_EQ(selector->GetStripFrame(), 0);
  bench->Click(Over(2).x, Over(2).y);
  RunTimes(500);
  EXPECT_FALSE(selector->IsStepping());
  EXPECT_EQ(selector->GetStripFrame(), 0);
}

TEST_F(ModuleSelectorTest, ResetStandsAtFrameZeroAtOnce) {
  ASSERT_TRUE(selector->AddButton(Button(1, 1, 12)));
  bench->Move(Over(1).x, Over(1).y);
  RunTimes();
  bench->Click(Over(1).x, Over(1).y);
  EXPECT_EQ(selector->GetStripFrame(), 11) << "a chosen button shows its last frame";
  ASSERT_NE(selector->GetChosenButton(), nullptr);
  const uint32_t before = bench->Now();
  selector->Reset();
  EXPECT_LE(bench->Now() - before, 2u) << "no waiting for the run";
  EXPECT_EQ(selector->GetChosenButton(), nullptr);
  EXPECT_EQ(selector->GetStripFrame(), 0);
  EXPECT_EQ(selector->GetFrame(), 0);
  EXPECT_FALSE(selector->IsStepping());
}

TEST_F(ModuleSelectorTest, MovesBetweenRegionsLeavingAndClicking) {
  ASSERT_TRUE(selector->AddButton(Button(10, 1, 6)));
  ASSERT_TRUE(selector->AddButton(Button(20, 2, 6)));
  bench->Move(Over(1).x, Over(1).y);
  RunTimes();
  bench->log.clear();
  // Straight into the other button's region: one 28; the first strip runs
  // back to frame 0, then the second strip runs forward.
  bench->Move(Over(2).x, Over(2).y);
  EXPECT_EQ(Events(), std::vector<std::string>{"28 14381"});
  EXPECT_EQ(selector->GetPendingButton()->GetRegionNumber(), 2);
  RunTimes();
  EXPECT_EQ(selector->GetCurrentButton()->GetRegionNumber(), 2);
  EXPECT_EQ(selector->GetStripFrame(), 4);
  EXPECT_EQ(Events(), std::vector<std::string>{"28 14381"});
  bench->Click(Over(2).x, Over(2).y);
  bench->Move(150, 120);
  EXPECT_EQ(Events(), (std::vector<std::string>{"28 14381", "89 2", "29 0"}));
  // A click without hovering first reports the current button.
  bench->log.clear();
  bench->Click(Over(2).x, Over(2).y);
  EXPECT_EQ(Events().back(), "89 2");
}

// The pointer comes to the second button and the click follows before the
// first strip has run back: the click is for the second button, whose strip
// then stands at its last frame with no run going on.
TEST_F(ModuleSelectorTest, AClickBeforeTheStripHasSwitchedChoosesTheButtonClicked) {
  ASSERT_TRUE(selector->AddButton(Button(10, 1, 6)));
  ASSERT_TRUE(selector->AddButton(Button(20, 2, 6)));
  bench->Move(Over(1).x, Over(1).y);
  RunTimes();
  bench->Move(Over(2).x, Over(2).y);
  ASSERT_EQ(selector->GetPendingButton()->GetRegionNumber(), 2);
  bench->log.clear();
  bench->Click(Over(2).x, Over(2).y);
  EXPECT_EQ(Events(), std::vector<std::string>{"89 2"});
  EXPECT_EQ(selector->GetCurrentButton()->GetRegionNumber(), 2);
  EXPECT_EQ(selector->GetChosenButton(), selector->GetCurrentButton());
  EXPECT_EQ(selector->GetPendingButton(), nullptr);
  RunTimes(500);
  EXPECT_EQ(selector->GetCurrentButton()->GetRegionNumber(), 2);
  EXPECT_EQ(selector->GetStripFrame(), 5) << "the chosen strip's last frame";
}

}  // namespace
