// Test support of the storyline bands, panel and screen: a small world of
// timelines, storylines and events written into the interface archive as
// TEXT media, with category tables and visit flags in memory and the sounds
// the module triggers recorded.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "StorylineTestSupport.h"
#include "engine/core/VString.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/ItemRef.h"
#include "engine/script/VisitHistory.h"
#include "engine/sound/SoundManager.h"
#include "title/controls/TitleSoundTable.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/StorylineCatalog.h"
#include "title/modules/storyline/StorylineRecord.h"
#include "title/modules/storyline/TimelineRecord.h"

namespace storylinetest {

inline std::string Code(const char* letters, int32_t number) {
  char text[8];
  std::snprintf(text, sizeof text, "%s%03d", letters, number);
  return text;
}

inline ItemRef Item(const std::string& code) {
  ItemRef item;
  item.ParseItemRef(VString(code.c_str()));
  return item;
}

// Media bases of the world (all within the interface archive's ids).
inline uint16_t EventBase(int32_t number) { return static_cast<uint16_t>(7100 + 10 * number); }
inline uint16_t StorylineBase(int32_t number) { return static_cast<uint16_t>(200 + 20 * number); }
inline uint16_t TimelineBase(int32_t number) { return static_cast<uint16_t>(500 + 10 * number); }

class StorylineWorldFixture : public StorylineFixture {
 protected:
  struct Event {
    int32_t number;
    std::string date;  // "day month year"
    std::string text;
    int32_t timeline = 1;
    int32_t storyline = 1;  // 0: none
    // Listed in its storyline (false: the storyline is not made for it).
    bool inStoryline = true;
  };

  void SetUp() override {
    StorylineFixture::SetUp();
    previousTables_ = SetCategoryTables(&tables_);
    previousHistory_ = SetVisitHistory(&history_);
    InstallTitleSoundTable().SetTriggerListener([this](int32_t index) { sounds.push_back(index); });
  }
  void TearDown() override {
    if (bench) {
      FlushDeferredDeletions();
      bench.reset();
    }
    catalog.reset();
    StorylineFixture::TearDown();
    DestroySoundManager();
    SetVisitHistory(previousHistory_);
    SetCategoryTables(previousTables_);
  }

  // Adds the events and lists them in their timelines and storylines (in
  // the order given); then the series scripts and the storylines' pictures.
  void World(const std::vector<Event>& events) {
    std::map<int32_t, std::vector<int32_t>> timelines, storylines;
    for (const Event& e : events) {
      AddEvent(e);
      timelines[e.timeline].push_back(e.number);
      if (e.storyline != 0 && e.inStoryline) storylines[e.storyline].push_back(e.number);
    }
    for (const auto& [number, list] : timelines) AddTimeline(number, list);
    for (const auto& [number, list] : storylines) AddStoryline(number, list);
  }

  // The world, the archive and the bench, and the storylines loaded.
  void OpenWorld(const std::vector<Event>& events) {
    World(events);
    Open();
    catalog = std::make_unique<StorylineCatalog>();
  }

  void AddEvent(const Event& e) {
    const uint16_t base = EventBase(e.number);
    ASSERT_TRUE(tables_.SetCategoryEntry(EventRecord::kEventTable, e.number, base));
    std::string script = "EVENT { ID " + Code("EV", e.number) + " DATE " + e.date + " INFO " + Code("VI", e.number) +
                         " TIMELINE " + Code("TL", e.timeline);
    if (e.storyline != 0) script += " STORYLINE " + Code("ST", e.storyline);
    Text(base, script + " }");
    Text(static_cast<uint16_t>(base + 1), e.text);
  }
  void AddTimeline(int32_t number, const std::vector<int32_t>& events) {
    const uint16_t base = TimelineBase(number);
    ASSERT_TRUE(tables_.SetCategoryEntry(TimelineRecord::kTimelineTable, number, base));
    Text(base, Series("TIMELINE", Code("TL", number), events));
    Text(static_cast<uint16_t>(base + 1), "Zeitleiste " + std::to_string(number));
  }
  // A storyline with its picture (51 x 51), band icons (7 x 15) and panel
  // icons (15 x 7).
  void AddStoryline(int32_t number, const std::vector<int32_t>& events) {
    const uint16_t base = StorylineBase(number);
    ASSERT_TRUE(tables_.SetCategoryEntry(StorylineRecord::kStorylineTable, number, base));
    Text(base, Series("STORYLINE", Code("ST", number), events));
    Text(static_cast<uint16_t>(base + 2), "Geschichte " + std::to_string(number));
    Picture(extraLines, static_cast<uint16_t>(base + 1), 51, 51, 0x102030u * static_cast<uint32_t>(number));
    Icons(extraLines, static_cast<uint16_t>(base + 3), 7, 15);
    Icons(extraLines, static_cast<uint16_t>(base + 11), 15, 7);
  }
  void Text(uint16_t id, const std::string& text) {
    extraLines.push_back(std::to_string(id) + " -20 \"" + text + "\"");
  }
  static std::string Series(const char* keyword, const std::string& id, const std::vector<int32_t>& events) {
    std::string script = std::string(keyword) + " { ID " + id + " EVENTS {";
    for (int32_t n : events) script += " INFO " + Code("EV", n);
    return script + " } }";
  }

  // The sounds triggered since the last call.
  std::vector<int32_t> TakeSounds() {
    std::vector<int32_t> out;
    out.swap(sounds);
    return out;
  }

  std::unique_ptr<StorylineCatalog> catalog;
  MemoryCategoryTables tables_;
  MemoryVisitHistory history_;
  std::vector<int32_t> sounds;

 private:
  CategoryTables* previousTables_ = nullptr;
  VisitHistory* previousHistory_ = nullptr;
};

}  // namespace storylinetest
