// Test support of the storyline screen: the storyline world with the
// screen's own pictures at their sizes, the event records made by the
// module's factory, captions recorded as the main interface screen would
// get them, and the screen driven on the fake clock pass by pass. Shared by
// the screen's tests and bench/StorylineTravelBench.cpp.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "StorylineWorld.h"
#include "engine/script/EventRecordHook.h"
#include "title/controls/MainScreenServices.h"
#include "title/modules/storyline/EventCard.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/StorylineScreen.h"
#include "title/modules/storyline/TimelineBand.h"

namespace storylinetest {

// Captions as the main interface screen would get them; no panel.
class CaptionRecorder : public MainScreenServices {
 public:
  VGraphicObject* GetCurrentPanel() override { return nullptr; }
  void SetCaption(const VString& text, bool shown, bool) override {
    captions.emplace_back(text.GetChars() != nullptr ? text.GetChars() : "", shown);
  }
  std::vector<std::pair<std::string, bool>> captions;
};

class StorylineScreenFixture : public StorylineWorldFixture {
 protected:
  void SetUp() override {
    StorylineWorldFixture::SetUp();
    InstallMainScreenServices(&captions_);
    previousFactory_ = SetEventRecordFactory(MakeEventRecord);
    // The screen's pictures at their sizes.
    const struct {
      uint16_t id;
      int32_t width, height;
    } pictures[] = {{14000, 640, 138}, {14002, 640, 135}, {14004, 640, 207}, {14030, 360, 281}, {14101, 345, 285},
                    {14106, 12, 300},  {14032, 171, 131}, {14100, 345, 12},  {14010, 110, 116}, {14011, 128, 116},
                    {14012, 129, 116}, {14013, 114, 116}, {14014, 129, 116}, {14015, 128, 116}, {14016, 116, 132},
                    {14017, 116, 132}, {14105, 12, 309},  {14065, 116, 66},  {14066, 116, 66},  {240, 9, 9}};
    uint32_t colour = 0x202830;
    for (const auto& p : pictures) {
      Picture(extraLines, p.id, p.width, p.height, colour);
      colour += 0x0A0604;
    }
    for (uint16_t id = 14040; id <= 14048; ++id) Picture(extraLines, id, 35, 18, 0x806040);
  }
  void TearDown() override {
    screen = nullptr;
    StorylineWorldFixture::TearDown();
    SetEventRecordFactory(previousFactory_);
    InstallMainScreenServices(nullptr);
  }

  // Three timelines: band 0 in 1672-1690 (storyline 1), band 1 in 1700-1750
  // (storyline 4), band 2 in 1800-1804 (storylines 7 and 2).
  void OpenStandardWorld() {
    OpenWorld({{1, "15 6 1672", "Hochzeit", 1, 1},
               {2, "15 6 1672", "Taufe", 1, 1},
               {3, "20 8 1672", "Reise", 1, 1},
               {4, "1 1 1690", "Umbau", 1, 1},
               {11, "1 5 1700", "Krieg", 2, 4},
               {12, "1 5 1750", "Frieden", 2, 4},
               {21, "3 3 1800", "Brand", 3, 7},
               {22, "29 2 1804", "Neubau", 3, 2}});
    bench->clock().SetStepPerRead(0);
  }

  // Thirty events in 1700, ten in each of the three timelines (storylines
  // 1, 4 and 7), their cards close enough that many are on screen at once.
  void OpenThirtyEventWorld() {
    std::vector<Event> events;
    for (int32_t n = 0; n < 30; ++n) {
      const int32_t t = 1 + n % 3;
      events.push_back({n, std::to_string(1 + n % 28) + " " + std::to_string(1 + n / 3 % 12) + " 1700",
                        "Ereignis Nummer " + std::to_string(n), t, t == 1 ? 1 : (t == 2 ? 4 : 7)});
    }
    OpenWorld(events);
    bench->clock().SetStepPerRead(0);
  }

  void MakeTimelineScreen() {
    screen = new StorylineScreen(StorylineScreen::kScreenId, 0, 0, 30, 640, 480, bench->recorder);
  }
  void MakeEventScreen(const std::string& item) {
    screen = new StorylineScreen(StorylineScreen::kScreenId, Item(item), 0, 0, 30, 640, 480, bench->recorder);
  }

  // One idle pass after `ms` milliseconds; the state noted when it changed.
  void Pass(uint32_t ms = 20) {
    bench->clock().AdvanceMilliseconds(ms);
    bench->Idle();
    now += ms;
    if (screen != nullptr && (states.empty() || states.back().second != screen->GetState())) {
      states.emplace_back(now, screen->GetState());
    }
  }
  // Passes until the condition holds (at most `limit` ms of fake time).
  bool RunUntil(const std::function<bool()>& done, uint32_t limit = 20000, uint32_t ms = 20) {
    for (uint32_t t = 0; t < limit; t += ms) {
      if (done()) return true;
      Pass(ms);
    }
    return done();
  }
  std::vector<int32_t> StatesSeen() const {
    std::vector<int32_t> out;
    for (const auto& s : states) out.push_back(s.second);
    return out;
  }
  void OpenAtTimelineView() {
    MakeTimelineScreen();
    screen->Show();
    ASSERT_TRUE(RunUntil([this] { return !Logged(94).empty(); }));
    ASSERT_EQ(screen->GetState(), 3);
  }

  // The cards of the three bands that are on screen.
  size_t CardsShown() const {
    size_t shown = 0;
    for (int32_t b = 0; b < 3; ++b) {
      for (EventCard* card : screen->GetBand(b)->GetCardOrder().GetCards()) shown += card->IsVisible() ? 1 : 0;
    }
    return shown;
  }

  StorylineScreen* screen = nullptr;  // a child of the recorder
  CaptionRecorder captions_;
  uint32_t now = 0;
  std::vector<std::pair<uint32_t, int32_t>> states;

 private:
  EventRecordFactory previousFactory_ = nullptr;
};

}  // namespace storylinetest
