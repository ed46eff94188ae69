// Storylines, timelines and events read from their scripts in an archive
// written by the independent archive writer, with the category tables and the
// visit history in memory: the order of events, the readers' ends, bad input
// and the lookups.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/VString.h"
#include "engine/core/VTime.h"
#include "engine/script/CategoryTables.h"
#include "engine/script/EventRecordHook.h"
#include "engine/script/ItemRef.h"
#include "engine/script/ScriptArchiveFixture.h"
#include "engine/script/VisitHistory.h"
#include "title/modules/storyline/EventRecord.h"
#include "title/modules/storyline/EventSeries.h"
#include "title/modules/storyline/StorylineDates.h"
#include "title/modules/storyline/StorylineRecord.h"
#include "title/modules/storyline/TimelineRecord.h"

namespace {

constexpr int32_t kStorylineTable = StorylineRecord::kStorylineTable;
constexpr int32_t kTimelineTable = TimelineRecord::kTimelineTable;
constexpr int32_t kEventTable = EventRecord::kEventTable;

ItemRef Item(const std::string& code) {
  ItemRef item;
  item.ParseItemRef(VString(code.c_str()));
  return item;
}

std::string Code(const char* letters, int32_t number) {
  char text[8];
  std::snprintf(text, sizeof text, "%s%03d", letters, number);
  return text;
}

// An EVENT script with every field.
std::string EventScript(int32_t number, const std::string& date, const std::string& storyline = "ST001") {
  return "EVENT { ID " + Code("EV", number) + " DATE " + date + " INFO " + Code("VI", number) +
         " TIMELINE TL001" + (storyline.empty() ? "" : " STORYLINE " + storyline) + " }";
}

// A series script listing the events by number.
std::string SeriesScript(const char* keyword, const char* id, const std::vector<int32_t>& numbers) {
  std::string script = std::string(keyword) + " { ID " + id + " EVENTS {";
  for (int32_t n : numbers) script += " INFO " + Code("EV", n);
  return script + " } }";
}

// One event of a series as a test sees it: its number, its date to the
// millisecond.
struct Placed {
  int32_t number;
  VTime date;
  bool operator==(const Placed& o) const { return number == o.number && date.Equals(o.date); }
};

void PrintTo(const Placed& p, std::ostream* os) {
  *os << Code("EV", p.number) << "@" << p.date.GetYear() << "-" << p.date.GetMonth() << "-" << p.date.GetDay() << " "
      << p.date.GetHour() << ":" << p.date.GetMinute() << ":" << p.date.GetSecond() << "." << p.date.GetMillisecond();
}

std::vector<Placed> EventsOf(const EventSeries& series) {
  std::vector<Placed> placed;
  for (EventRecord* e = series.GetFirstEvent(); e != nullptr; e = series.GetEventAfter(e)) {
    placed.push_back({e->GetKey().GetNumber(), e->GetDate()});
  }
  return placed;
}

class StorylineRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousTables_ = SetCategoryTables(&tables_);
    previousHistory_ = SetVisitHistory(&history_);
  }
  void TearDown() override {
    archive_.reset();
    SetVisitHistory(previousHistory_);
    SetCategoryTables(previousTables_);
  }

  // Event n: script at 1000 + 10 n, card text after it.
  void AddEvent(int32_t number, const std::string& script, const std::string& text = "") {
    const uint16_t base = static_cast<uint16_t>(1000 + 10 * number);
    ASSERT_TRUE(tables_.SetCategoryEntry(kEventTable, number, base));
    media_.push_back({base, script});
    media_.push_back({static_cast<uint16_t>(base + 1), text});
  }
  // Storyline n: script at 100 + 20 n, title two after it.
  void AddStoryline(int32_t number, const std::string& script, const std::string& title = "") {
    const uint16_t base = static_cast<uint16_t>(100 + 20 * number);
    ASSERT_TRUE(tables_.SetCategoryEntry(kStorylineTable, number, base));
    media_.push_back({base, script});
    media_.push_back({static_cast<uint16_t>(base + 2), title});
  }
  // Timeline n: script at 500 + 10 n, title after it.
  void AddTimeline(int32_t number, const std::string& script, const std::string& title = "") {
    const uint16_t base = static_cast<uint16_t>(500 + 10 * number);
    ASSERT_TRUE(tables_.SetCategoryEntry(kTimelineTable, number, base));
    media_.push_back({base, script});
    media_.push_back({static_cast<uint16_t>(base + 1), title});
  }
  // Serves the media added so far.
  void Serve() {
    archive_.reset();
    archive_ = std::make_unique<script_test::ScopedTextArchive>(media_, "storyline-records");
  }

  MemoryCategoryTables tables_;
  MemoryVisitHistory history_;
  std::vector<script_test::TextMedium> media_;
  std::unique_ptr<script_test::ScopedTextArchive> archive_;

 private:
  CategoryTables* previousTables_ = nullptr;
  VisitHistory* previousHistory_ = nullptr;
};

TEST_F(StorylineRecordsTest, LoadedRecordsReadTheirMedia) {
  AddStoryline(1, "<life of the house> STORYLINE { ID ST001 EVENTS { INFO EV002 INFO EV001 } }", "  Das Haus\r\n");
  AddTimeline(2, "TIMELINE { ID TL002 EVENTS { INFO EV001 } }", "Die Jahre\r\n");
  AddEvent(1, "EVENT { ID EV001 DATE 15 6 1672 INFO VI007 TIMELINE TL002 STORYLINE ST001 }", "Grundstein\r\n");
  AddEvent(2, "EVENT { ID EV002 DATE 1 1 1700 INFO HP003 TIMELINE TL002 STORYLINE ST001 }", "Umbau");
  Serve();

  const StorylineRecord storyline(Item("ST001"));
  EXPECT_EQ(storyline.GetKey(), Item("ST001"));
  EXPECT_STREQ(storyline.GetTitle().GetChars(), "Das Haus");
  EXPECT_EQ(storyline.GetPictureId(), 121);
  EXPECT_EQ(storyline.GetCardPictureId(true), 123);
  EXPECT_EQ(storyline.GetCardPictureId(false), 131);
  EXPECT_EQ(EventsOf(storyline), (std::vector<Placed>{{1, VTime(1672, 6, 15)}, {2, VTime(1700, 1, 1)}}));

  const EventRecord* first = storyline.GetFirstEvent();
  ASSERT_NE(first, nullptr);
  EXPECT_STREQ(first->GetText().GetChars(), "Grundstein");
  EXPECT_EQ(first->GetEventKey(), Item("VI007"));
  EXPECT_EQ(first->GetTimelineRef(), Item("TL002"));
  EXPECT_EQ(first->GetStorylineRef(), Item("ST001"));
  EXPECT_EQ(first->GetBandCard(), nullptr);
  EXPECT_EQ(first->GetPanelCard(), nullptr);

  const TimelineRecord timeline(Item("TL002"));
  EXPECT_STREQ(timeline.GetTitle().GetChars(), "Die Jahre");
  EXPECT_EQ(EventsOf(timeline), (std::vector<Placed>{{1, VTime(1672, 6, 15)}}));
  // Each series holds copies of its own.
  EXPECT_NE(timeline.GetFirstEvent(), first);
  EXPECT_FALSE(storyline.ContainsEvent(timeline.GetFirstEvent()));
  EXPECT_TRUE(storyline.ContainsEvent(first));
}

TEST_F(StorylineRecordsTest, EventsOfOneDayFollowTheirLeadingNumbersThenTheirListing) {
  struct Event {
    int32_t number;
    const char* date;
    const char* text;
    const char* storyline = "ST001";
  };
  struct OrderCase {
    const char* what;
    std::vector<Event> events;  // listed in this order
    std::vector<Placed> expected;
  };
  const OrderCase cases[] = {
      {"different days are sorted",
       {{1, "2 1 1700", "Umbau"}, {2, "15 6 1672", "Grundstein"}, {3, "29 2 1672", "Entwurf"}},
       {{3, VTime(1672, 2, 29)}, {2, VTime(1672, 6, 15)}, {1, VTime(1700, 1, 2)}}},
      {"the same day without numbers keeps the listing, a millisecond apart",
       {{1, "15 6 1672", "Hochzeit"}, {2, "15 6 1672", "Taufe"}, {3, "15 6 1672", "Fest"}},
       {{1, VTime(1672, 6, 15)}, {2, VTime(1672, 6, 15, 0, 0, 0, 1)}, {3, VTime(1672, 6, 15, 0, 0, 0, 2)}}},
      {"leading numbers order the day",
       {{1, "15 6 1672", "2 Abreise"}, {2, "15 6 1672", "1 Ankunft"}},
       {{2, VTime(1672, 6, 15, 1)}, {1, VTime(1672, 6, 15, 2)}}},
      {"a numbered event comes after one without a number",
       {{1, "15 6 1672", "3 Gaeste kommen"}, {2, "15 6 1672", "Empfang"}},
       {{2, VTime(1672, 6, 15)}, {1, VTime(1672, 6, 15, 3)}}},
      {"the same hour keeps the listing",
       {{1, "15 6 1672", "1 Messe"}, {2, "15 6 1672", "1 Predigt"}, {3, "15 6 1672", "Vorabend"}},
       {{3, VTime(1672, 6, 15)}, {1, VTime(1672, 6, 15, 1)}, {2, VTime(1672, 6, 15, 1, 0, 0, 1)}}},
      {"numbers outside 1..9 and years are no hours",
       {{1, "15 6 1672", "1672 Grundstein"}, {2, "15 6 1672", "10 Jahre"}, {3, "15 6 1672", "0 Uhr"},
        {4, "15 6 1672", "-3 Grad"}},
       {{1, VTime(1672, 6, 15)},
        {2, VTime(1672, 6, 15, 0, 0, 0, 1)},
        {3, VTime(1672, 6, 15, 0, 0, 0, 2)},
        {4, VTime(1672, 6, 15, 0, 0, 0, 3)}}},
      {"the first number anywhere counts, a hyphen alone is no sign",
       {{1, "15 6 1672", "Garten-Umbau, Teil 2"}, {2, "15 6 1672", "Teil 1 des Umbaus"}},
       {{2, VTime(1672, 6, 15, 1)}, {1, VTime(1672, 6, 15, 2)}}},
      {"an event without a storyline is kept",
       {{1, "15 6 1672", "Brand", ""}, {2, "14 6 1672", "Vorzeichen"}},
       {{2, VTime(1672, 6, 14)}, {1, VTime(1672, 6, 15)}}},
  };
  for (const OrderCase& c : cases) {
    SCOPED_TRACE(c.what);
    media_.clear();
    std::vector<int32_t> numbers;
    for (const Event& e : c.events) {
      AddEvent(e.number, EventScript(e.number, e.date, e.storyline), e.text);
      numbers.push_back(e.number);
    }
    AddTimeline(1, SeriesScript("TIMELINE", "TL001", numbers));
    Serve();
    const TimelineRecord timeline(Item("TL001"));
    EXPECT_EQ(EventsOf(timeline), c.expected);
  }
  // The event without a storyline (last case) has none.
  const TimelineRecord timeline(Item("TL001"));
  ASSERT_NE(timeline.GetLastEvent(), nullptr);
  EXPECT_EQ(timeline.GetLastEvent()->GetStorylineRef(), ItemRef());
  EXPECT_EQ(timeline.GetFirstEvent()->GetStorylineRef(), Item("ST001"));
}

TEST_F(StorylineRecordsTest, ReadersStopAtAnyOtherTokenAndAtTheEnd) {
  for (int32_t n = 1; n <= 3; ++n) AddEvent(n, EventScript(n, std::to_string(n) + " 1 1700"));
  Serve();
  struct ReaderCase {
    const char* events;  // what stands between "EVENTS {" and the end
    std::vector<int32_t> kept;
  };
  const ReaderCase cases[] = {
      {"INFO EV001 INFO EV002 } }", {1, 2}},
      {"INFO EV001 BOGUS INFO EV002 } }", {1}},
      {"INFO EV001 , INFO EV002 } }", {1}},
      {"INFO EV001 { INFO EV002 } }", {1}},
      {"INFO EV001 INFO", {1}},
      {"INFO EV001", {1}},
      {"INFO", {}},
      {"", {}},
      {"INFO 12 INFO EV002 } }", {}},
      {"INFO EV001 INFO \"EV002\" } }", {1, 2}},
      {"INFO XX002 INFO EV9x9 INFO EV003 } }", {3}},     // no valid reference: skipped
      {"INFO EV001 INFO EV001 INFO EV002 } }", {1, 2}},  // listed again: kept once
      {"INFO EV007 INFO EV002 } }", {2}},                // no such event
      {"} INFO EV001 }", {}},
  };
  for (const char* keyword : {"STORYLINE", "TIMELINE"}) {
    for (const ReaderCase& c : cases) {
      SCOPED_TRACE(std::string(keyword) + ": " + c.events);
      const VString script((std::string(keyword) + " { ID XX000 EVENTS { " + c.events).c_str());
      StorylineRecord storyline{ItemRef()};
      TimelineRecord timeline{ItemRef()};
      EventSeries& series = std::string(keyword) == "STORYLINE" ? static_cast<EventSeries&>(storyline) : timeline;
      EXPECT_TRUE(std::string(keyword) == "STORYLINE" ? storyline.ReadScript(script) : timeline.ReadScript(script));
      std::vector<int32_t> kept;
      for (const Placed& p : EventsOf(series)) kept.push_back(p.number);
      EXPECT_EQ(kept, c.kept);
    }
  }
  // A script of the other kind, or none, opens nothing.
  StorylineRecord storyline{ItemRef()};
  EXPECT_FALSE(storyline.ReadScript(VString("TIMELINE { ID TL001 EVENTS { INFO EV001 } }")));
  EXPECT_FALSE(storyline.ReadScript(VString("")));
  EXPECT_EQ(storyline.GetFirstEvent(), nullptr);
}

TEST_F(StorylineRecordsTest, EventScriptsReadTheirFieldsInOrderOnly) {
  struct FieldCase {
    const char* script;
    bool loaded;
    VTime date;
    const char* info;
    const char* storyline;
  };
  const FieldCase cases[] = {
      {"EVENT { ID EV001 DATE 15 6 1672 INFO VI001 TIMELINE TL001 STORYLINE ST002 }", true, VTime(1672, 6, 15),
       "VI001", "ST002"},
      {"event { id EV001 date 15.9 6 1672 info VI001 storyline ST002 }", true, VTime(1672, 6, 15), "VI001", "ST002"},
      // A date cut short leaves the date as it was.
      {"EVENT { ID EV001 DATE 15 6 INFO VI001 }", true, VTime(), "VI001", "XX000"},
      // Out of order: INFO before DATE ends the reading of DATE.
      {"EVENT { ID EV001 INFO VI001 DATE 1 1 1700 STORYLINE ST002 }", true, VTime(), "VI001", "XX000"},
      {"BUBBLE { ID EV001 DATE 1 1 1700 }", false, VTime(), "XX000", "XX000"},
      {"EVENT ID EV001", false, VTime(), "XX000", "XX000"},
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.script);
    EventRecord event{ItemRef()};
    EXPECT_EQ(event.ReadScript(VString(c.script)), c.loaded);
    EXPECT_EQ(event.IsLoaded(), c.loaded);
    EXPECT_TRUE(event.GetDate().Equals(c.date));
    EXPECT_EQ(event.GetEventKey(), Item(c.info));
    EXPECT_EQ(event.GetStorylineRef(), Item(c.storyline));
  }
}

TEST_F(StorylineRecordsTest, BadInputLoadsWhatIsValid) {
  // Dates outside the calendar: the events cannot be placed and stay out.
  const char* const kBadDates[] = {"31 2 1672", "1 13 1672", "1 0 1672", "0 6 1672", "-5 3 1700",
                                   "1 1 99999", "1 1 0",     "1 1 -40",  "1e9 1 1700"};
  std::vector<int32_t> numbers;
  int32_t n = 1;
  for (const char* date : kBadDates) {
    AddEvent(n, EventScript(n, date));
    numbers.push_back(n++);
  }
  const int32_t good = n;
  AddEvent(good, EventScript(good, "29 2 1672"));
  numbers.push_back(good);
  // Events that cannot be read: no table entry, an entry of -1, no script.
  numbers.push_back(900);
  ASSERT_TRUE(tables_.SetCategoryEntry(kEventTable, 901, static_cast<uint32_t>(-1)));
  numbers.push_back(901);
  ASSERT_TRUE(tables_.SetCategoryEntry(kEventTable, 902, 9000));
  numbers.push_back(902);
  AddStoryline(1, SeriesScript("STORYLINE", "ST001", numbers));
  // An empty storyline, and a storyline with no media.
  AddStoryline(2, "STORYLINE { ID ST002 EVENTS { } }", "Leer");
  ASSERT_TRUE(tables_.SetCategoryEntry(kStorylineTable, 3, static_cast<uint32_t>(-1)));
  Serve();

  const StorylineRecord storyline(Item("ST001"));
  EXPECT_EQ(EventsOf(storyline), (std::vector<Placed>{{good, VTime(1672, 2, 29)}}));

  for (const char* code : {"ST002", "ST003", "ST004", "ST999"}) {
    SCOPED_TRACE(code);
    StorylineRecord empty(Item(code));
    EXPECT_EQ(empty.GetEventCount(), 0);
    EXPECT_EQ(empty.GetFirstEvent(), nullptr);
    EXPECT_EQ(empty.GetLastEvent(), nullptr);
    EXPECT_EQ(empty.FindNearestEvent(VTime(1672, 1, 1)), nullptr);
    EXPECT_EQ(empty.FindFirstEventFrom(VTime(1672, 1, 1)), nullptr);
    EXPECT_EQ(empty.FindLastEventBefore(VTime(1672, 1, 1)), nullptr);
    EXPECT_EQ(empty.FindEventByNumber(Item("EV001")), nullptr);
    EXPECT_EQ(empty.GetEventBefore(nullptr), nullptr);
    EXPECT_EQ(empty.GetEventAfter(storyline.GetFirstEvent()), nullptr);
    EXPECT_FALSE(empty.ContainsEvent(nullptr));
  }
  EXPECT_FALSE(StorylineRecord(Item("ST003")).Load());
  EXPECT_EQ(StorylineRecord(Item("ST003")).GetPictureId(), 0);
  // A reference that is no valid reference reads no table.
  EXPECT_FALSE(StorylineRecord(ItemRef(11, 5000)).Load());
  EXPECT_FALSE(StorylineRecord(ItemRef(0, 1)).Load());
  EXPECT_TRUE(StorylineRecord(ItemRef(11, 1)).Load());
  EXPECT_FALSE(EventRecord(ItemRef(4, -1)).IsLoaded());
  EXPECT_FALSE(EventRecord(ItemRef(0, good)).IsLoaded());
  EXPECT_TRUE(EventRecord(ItemRef(4, good)).IsLoaded());
}

TEST_F(StorylineRecordsTest, TenThousandListedEventsOfOneDay) {
  // Every event number, all on one day, each listed ten times.
  std::string script = "STORYLINE { ID ST001 EVENTS {";
  for (int32_t round = 0; round < 10; ++round) {
    for (int32_t n = 0; n <= ItemRef::kMaxNumber; ++n) script += " INFO " + Code("EV", n);
  }
  script += " } }";
  for (int32_t n = 0; n <= ItemRef::kMaxNumber; ++n) AddEvent(n, EventScript(n, "1 1 1700"));
  AddStoryline(1, script);
  Serve();

  const StorylineRecord storyline(Item("ST001"));
  const std::vector<Placed> events = EventsOf(storyline);
  ASSERT_EQ(events.size(), 1000u);
  VTime date(1700, 1, 1);
  for (int32_t n = 0; n <= ItemRef::kMaxNumber; ++n) {
    ASSERT_EQ(events[static_cast<size_t>(n)], (Placed{n, date})) << n;
    date.AddMilliseconds(1);
  }
}

TEST_F(StorylineRecordsTest, LookupsByDateAndNumber) {
  AddEvent(1, EventScript(1, "1 1 1700"));
  AddEvent(2, EventScript(2, "1 1 1700"), "1 Mittag");
  AddEvent(3, EventScript(3, "1 1 1700"), "1 Abend");
  AddEvent(4, EventScript(4, "11 1 1700"), "1 Mittag");
  AddStoryline(1, SeriesScript("STORYLINE", "ST001", {4, 1, 2, 3}));
  Serve();
  StorylineRecord s(Item("ST001"));
  ASSERT_EQ(s.GetEventCount(), 4);
  EventRecord* e1 = s.FindEventByNumber(Item("EV001"));
  EventRecord* e2 = s.FindEventByNumber(Item("VI002"));  // the category is not compared
  EventRecord* e3 = s.FindEventByNumber(Item("EV003"));
  EventRecord* e4 = s.FindEventByNumber(Item("EV004"));
  ASSERT_TRUE(e1 && e2 && e3 && e4);
  EXPECT_EQ(s.FindEventByNumber(Item("EV005")), nullptr);
  EXPECT_EQ(s.GetFirstEvent(), e1);
  EXPECT_EQ(s.GetLastEvent(), e4);

  // Nearest: before the first, after the last, halfway (a tie goes to the
  // earlier), just past halfway.
  EXPECT_EQ(s.FindNearestEvent(VTime(1600, 1, 1)), e1);
  EXPECT_EQ(s.FindNearestEvent(VTime(1800, 1, 1)), e4);
  EXPECT_EQ(s.FindNearestEvent(VTime(1700, 1, 6, 1)), e3);  // 120 h after e3, 120 h before e4
  EXPECT_EQ(s.FindNearestEvent(VTime(1700, 1, 6, 2)), e4);
  EXPECT_EQ(s.FindNearestEvent(VTime(1700, 1, 1, 1)), e2);  // e2 is at 1 h exactly, e3 1 ms later

  // From and before treat one hour as one moment: e2 and e3 lie 1 ms apart
  // in the same hour.
  EXPECT_EQ(s.FindFirstEventFrom(VTime(1700, 1, 1, 1, 30)), e2);
  EXPECT_EQ(s.FindFirstEventFrom(VTime(1700, 1, 1, 2)), e4);
  EXPECT_EQ(s.FindFirstEventFrom(VTime(1700, 1, 12)), nullptr);
  EXPECT_EQ(s.FindLastEventBefore(VTime(1700, 1, 1, 1, 30)), e1);
  EXPECT_EQ(s.FindLastEventBefore(e3->GetDate()), e1);  // skips e2, which shares e3's hour
  EXPECT_EQ(s.FindLastEventBefore(VTime(1700, 1, 1)), nullptr);
  // Stepping in list order reaches every event, those of one hour too.
  EXPECT_EQ(s.GetEventBefore(e3), e2);
  EXPECT_EQ(s.GetEventBefore(e2), e1);
  EXPECT_EQ(s.GetEventBefore(e1), nullptr);
  EXPECT_EQ(s.GetEventAfter(e2), e3);
  EXPECT_EQ(s.GetEventAfter(e4), nullptr);

  // An event inserted again stays where it is; a null one does nothing.
  s.InsertEvent(e1);
  s.InsertEvent(nullptr);
  EXPECT_EQ(s.GetEventCount(), 4);
  EXPECT_EQ(s.GetFirstEvent(), e1);
}

TEST_F(StorylineRecordsTest, EventReferencesAreSeenThroughTheirInfoItem) {
  AddEvent(1, "EVENT { ID EV001 DATE 1 1 1700 INFO VI005 }");
  AddEvent(2, "EVENT { ID EV002 DATE 1 1 1700 INFO EV002 }");  // names itself
  AddEvent(3, "EVENT { ID EV003 DATE 1 1 1700 INFO EV004 }");  // a loop of two
  AddEvent(4, "EVENT { ID EV004 DATE 1 1 1700 INFO EV003 }");
  Serve();
  const EventRecordFactory previous = SetEventRecordFactory(MakeEventRecord);

  EXPECT_FALSE(Item("EV001").IsItemVisited());
  EXPECT_TRUE(Item("EV001").MarkItemVisited());
  EXPECT_TRUE(history_.GetFlag(Item("EV001")));
  EXPECT_TRUE(history_.GetFlag(Item("VI005")));
  EXPECT_TRUE(Item("EV001").IsItemVisited());

  for (const char* code : {"EV002", "EV003"}) {
    SCOPED_TRACE(code);
    EXPECT_FALSE(Item(code).IsItemVisited());
    EXPECT_TRUE(Item(code).MarkItemVisited());
    EXPECT_TRUE(Item(code).IsItemVisited());
  }
  EXPECT_TRUE(history_.GetFlag(Item("EV004")));
  // An event that does not exist answers through the empty reference.
  EXPECT_FALSE(Item("EV500").IsItemVisited());
  SetEventRecordFactory(previous);
}

}  // namespace
