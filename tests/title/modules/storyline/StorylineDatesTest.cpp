// Hour counts against Python's calendar (date.toordinal: 1 January of year 1
// is 1, and the count starts 366 days earlier, at 1 January of year 0), the
// way back from counts to dates, and the date texts.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/VString.h"
#include "engine/core/VTime.h"
#include "engine/script/ScriptArchiveFixture.h"
#include "support/RequireTool.h"
#include "support/Subprocess.h"
#include "support/TempDir.h"
#include "title/modules/storyline/StorylineDates.h"

namespace {

struct OracleDay {
  int32_t year;
  int32_t month;
  int32_t day;
  int64_t ordinal;
};

// Every day from 1600 to 2000 and every 29 February of the years 1..9999, as
// Python's datetime counts them.
std::vector<OracleDay> OracleDays(const std::string& python3, const testsupport::TempDir& dir) {
  const std::string script = dir.Path("days.py");
  std::ofstream(script) << "import calendar, datetime\n"
                           "d = datetime.date(1600, 1, 1)\n"
                           "while d <= datetime.date(2000, 12, 31):\n"
                           "    print(d.year, d.month, d.day, d.toordinal())\n"
                           "    d += datetime.timedelta(days=1)\n"
                           "for y in range(1, 10000):\n"
                           "    if calendar.isleap(y):\n"
                           "        print(y, 2, 29, datetime.date(y, 2, 29).toordinal())\n";
  std::istringstream lines(testsupport::Capture("'" + python3 + "' '" + script + "'"));
  std::vector<OracleDay> days;
  OracleDay day{};
  while (lines >> day.year >> day.month >> day.day >> day.ordinal) days.push_back(day);
  return days;
}

TEST(StorylineDatesTest, HourCountsMatchPythonsCalendarAndComeBackAsTheSameDates) {
  REQUIRE_TOOL(python3, "python3");
  testsupport::TempDir dir("ostrevan_dates_");
  const std::vector<OracleDay> days = OracleDays(python3, dir);
  // 146463 days from 1600 to 2000, 2424 leap days in the years 1..9999.
  ASSERT_EQ(days.size(), 146463u + 2424u);
  int failures = 0;
  for (const OracleDay& d : days) {
    const int32_t hour = static_cast<int32_t>(d.ordinal % 24);
    const int64_t expected = 24 * (d.ordinal + 365) + hour;
    const VTime date(d.year, d.month, d.day, hour, 59, 59, 999);
    int32_t hours = -1;
    const bool counted = ComputeDayNumber(date, hours);
    const VTime back = DayNumberToDate(hours);
    const bool same = counted && hours == expected && DateToDayNumber(date) == expected &&
                      back.GetYear() == d.year && back.GetMonth() == d.month && back.GetDay() == d.day &&
                      back.GetHour() == hour && back.GetMinute() == 0 && back.GetSecond() == 0 &&
                      back.GetMillisecond() == 0;
    if (!same && ++failures <= 5) {
      ADD_FAILURE() << d.year << "-" << d.month << "-" << d.day << " " << hour << "h: count " << hours
                    << " (expected " << expected << "), back " << back.GetYear() << "-" << back.GetMonth() << "-"
                    << back.GetDay() << " " << back.GetHour() << "h";
    }
  }
  EXPECT_EQ(failures, 0);
}

struct CountCase {
  const char* what;
  VTime date;
  bool counted;
  int32_t hours;  // the count, or what DateToDayNumber answers when refused
};

TEST(StorylineDatesTest, MonthZeroDayZeroAndCountsOutsideTheCalendar) {
  const CountCase cases[] = {
      {"start of the count", VTime(0, 1, 1), true, 0},
      {"year 0 is a leap year", VTime(1, 1, 1), true, 8784},
      {"29 February of year 0", VTime(0, 2, 29, 5), true, 59 * 24 + 5},
      {"a common year as year 1, month 0, day 0", VTime(1, 0, 0), true, 8760},
      {"151 days as year 0, month 6, day 0", VTime(0, 6, 0), true, 3624},
      {"days beyond the month add on", VTime(1672, 2, 30), true, DateToDayNumber(VTime(1672, 3, 1))},
      {"hours beyond the day add on", VTime(1672, 6, 15, 24), true, DateToDayNumber(VTime(1672, 6, 16))},
      {"the day before year 0", VTime(-1, 12, 31), true, -24},
      {"the first day of year -4, a leap year", VTime(-4, 1, 1), true, -1461 * 24},
      {"month 13 has no place in the year", VTime(1672, 13, 1), false, 0},
      {"nor month -1", VTime(1672, -1, 1), false, 0},
      {"a count beyond 32 bits", VTime(250000, 1, 1), false, 0},
      {"a count below 32 bits", VTime(-250000, 1, 1), false, 0},
      {"the last hour that fits", DayNumberToDate(INT32_MAX), true, INT32_MAX},
      {"the first hour that fits", DayNumberToDate(INT32_MIN), true, INT32_MIN},
  };
  for (const CountCase& c : cases) {
    int32_t hours = 12345;
    EXPECT_EQ(ComputeDayNumber(c.date, hours), c.counted) << c.what;
    EXPECT_EQ(hours, c.counted ? c.hours : 12345) << c.what;
    EXPECT_EQ(DateToDayNumber(c.date), c.hours) << c.what;
  }
}

TEST(StorylineDatesTest, NegativeCountsGoBackwardsByWholeDays) {
  const VTime lastHour = DayNumberToDate(-1);
  EXPECT_EQ(lastHour.GetYear(), -1);
  EXPECT_EQ(lastHour.GetMonth(), 12);
  EXPECT_EQ(lastHour.GetDay(), 31);
  EXPECT_EQ(lastHour.GetHour(), 23);
  // Every count comes back through its date, over the whole 32-bit range.
  for (int64_t h = INT32_MIN; h <= INT32_MAX; h += 999983) {
    const VTime date = DayNumberToDate(static_cast<int32_t>(h));
    ASSERT_GE(date.GetHour(), 0);
    ASSERT_LT(date.GetHour(), 24);
    ASSERT_GE(date.GetMonth(), 1);
    ASSERT_LE(date.GetMonth(), 12);
    ASSERT_GE(date.GetDay(), 1);
    ASSERT_LE(date.GetDay(), 31);
    int32_t back = 0;
    ASSERT_TRUE(ComputeDayNumber(date, back)) << h;
    ASSERT_EQ(back, h);
  }
}

TEST(StorylineDatesTest, DateIsBeforeComparesToTheHour) {
  EXPECT_TRUE(DateIsBefore(VTime(1672, 6, 15, 3), VTime(1672, 6, 15, 4)));
  EXPECT_TRUE(DateIsBefore(VTime(1671, 12, 31, 23), VTime(1672, 1, 1)));
  EXPECT_FALSE(DateIsBefore(VTime(1672, 6, 15, 3, 0, 0, 0), VTime(1672, 6, 15, 3, 59, 59, 999)));
  EXPECT_FALSE(DateIsBefore(VTime(1672, 6, 15, 3, 59), VTime(1672, 6, 15, 3, 0)));
  EXPECT_FALSE(DateIsBefore(VTime(1672, 7, 1), VTime(1672, 6, 30)));
}

TEST(StorylineDatesTest, YearAndDayTexts) {
  struct TextCase {
    VTime date;
    const char* year;
    const char* day;
  };
  const TextCase cases[] = {
      {VTime(1672, 6, 15), "1672,", "15."},
      {VTime(1672, 6, 5), "1672,", "5."},
      {VTime(1942, 12, 20), "1942,", "20."},
      {VTime(1600, 2, 29), "1600,", "29."},
      {VTime(800, 1, 1), "800,", "1."},     // years of fewer digits keep all of them
      {VTime(0, 0, 0), ",", "."},           // no calendar date: the punctuation alone
      {VTime(1700, 2, 29), ",", "."},       // 1700 is no leap year
  };
  for (const TextCase& c : cases) {
    EXPECT_STREQ(FormatYear(c.date).GetChars(), c.year) << c.date.GetYear();
    EXPECT_STREQ(FormatDay(c.date).GetChars(), c.day) << c.date.GetDay();
  }
}

TEST(StorylineDatesTest, MonthNamesComeFromTheLanguageTexts) {
  static const char* const kNames[] = {"Januar", "Februar", "M\xe4rz",    "April",   "Mai",      "Juni",
                                       "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
  std::vector<script_test::TextMedium> media;
  for (int32_t i = 0; i < 12; ++i) {
    media.push_back({static_cast<uint16_t>(kMonthNameBaseId + 1 + i), std::string(kNames[i]) + "\r\n"});
  }
  {
    // Without the texts the names are empty, and a later call tries again.
    script_test::ScopedTextArchive none({{1, "x"}}, "storyline-no-month-names");
    EXPECT_STREQ(FormatMonthName(VTime(1672, 6, 15)).GetChars(), "");
  }
  script_test::ScopedTextArchive archive(media, "storyline-month-names");
  for (int32_t month = 1; month <= 12; ++month) {
    EXPECT_STREQ(FormatMonthName(VTime(1672, month, 1)).GetChars(), kNames[month - 1]);
  }
  EXPECT_STREQ(FormatMonthName(VTime(1672, 0, 1)).GetChars(), "");
  EXPECT_STREQ(FormatMonthName(VTime(1672, 13, 1)).GetChars(), "");
  EXPECT_STREQ(FormatMonthName(VTime(1672, -1, 1)).GetChars(), "");
}

}  // namespace
