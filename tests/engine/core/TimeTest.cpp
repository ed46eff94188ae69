#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "engine/core/VTime.h"
#include "support/RequireTool.h"

namespace {

std::string Text(const VString& s) { return s.GetChars() ? std::string(s.GetChars(), s.GetLength()) : std::string(); }

std::string Format(const VTime& time, const char* format) {
  VString out;
  time.Format(format, out);
  return Text(out);
}

// Runs a Python script (the independent calendar) and returns its output
// stream; the caller closes it with pclose.
FILE* RunPython(const std::string& python3, const std::string& name, const std::string& script) {
  const std::string path = testing::TempDir() + std::to_string(getpid()) + "-" + name;
  std::ofstream(path) << script;
  return popen(("LC_ALL=C " + python3 + " " + path).c_str(), "r");
}

}  // namespace

TEST(TimeValidation, RangesAndLeapYears) {
  struct Row {
    int32_t year, month, day;
    bool valid;
  };
  const Row rows[] = {{2000, 2, 29, true},  {1900, 2, 29, false}, {2004, 2, 29, true}, {2001, 2, 29, false},
                      {1600, 2, 29, true},  {3000, 1, 1, false},  {2999, 12, 31, true}, {1, 1, 1, true},
                      {0, 1, 1, false},     {2000, 0, 1, false},  {2000, 13, 1, false}, {2000, 4, 31, false},
                      {2000, 4, 30, true},  {2000, 1, 0, false},  {-5, 1, 1, false}};
  for (const Row& row : rows) {
    VTime time;
    EXPECT_EQ(time.SetDate(row.year, row.month, row.day), row.valid) << row.year << "-" << row.month;
    EXPECT_EQ(time.IsDateValid(), row.valid);
    EXPECT_EQ(VTime::IsValidDate(row.year, row.month, row.day), row.valid);
    // Fields out of range are kept as given.
    EXPECT_EQ(time.GetYear(), row.year);
    EXPECT_EQ(time.GetDay(), row.day);
  }
  EXPECT_EQ(VTime::DaysInMonth(2, 2000), 29);
  EXPECT_EQ(VTime::DaysInMonth(2, 2100), 28);
  EXPECT_EQ(VTime::DaysInMonth(13, 2000), 0);
  EXPECT_FALSE(VTime().IsDateValid());
  EXPECT_FALSE(VTime().IsTimeValid() && VTime().IsDateValid());

  struct TimeRow {
    int32_t hour, minute, second, millisecond;
    bool valid;
  };
  const TimeRow times[] = {{0, 0, 0, 0, true},    {23, 59, 59, 999, true}, {24, 0, 0, 0, false},
                           {12, 75, 0, 0, false}, {12, 0, 60, 0, false},   {12, 0, 0, 1000, false},
                           {-1, 0, 0, 0, false}};
  for (const TimeRow& row : times) {
    VTime time(2000, 1, 1, row.hour, row.minute, row.second, row.millisecond);
    EXPECT_EQ(time.IsTimeValid(), row.valid) << row.hour << ":" << row.minute;
    EXPECT_TRUE(time.IsDateValid());
    EXPECT_EQ(time.Validate(), row.valid);
  }
}

TEST(TimeCompare, FieldOrderDecides) {
  const VTime base(2000, 6, 15, 12, 30, 30, 500);
  struct Row {
    VTime other;
    bool after, before, equal;
  };
  const Row rows[] = {
      {VTime(2000, 6, 15, 12, 30, 30, 500), false, false, true},
      {VTime(1999, 12, 31, 23, 59, 59, 999), true, false, false},
      {VTime(2000, 6, 15, 12, 30, 30, 501), false, true, false},
      {VTime(2000, 7, 1, 0, 0, 0, 0), false, true, false},
      {VTime(2000, 6, 15, 11, 59, 59, 999), true, false, false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(base.IsAfter(row.other), row.after);
    EXPECT_EQ(base.IsBefore(row.other), row.before);
    EXPECT_EQ(base.Equals(row.other), row.equal);
    EXPECT_EQ(base.NotEquals(row.other), !row.equal);
  }
  // The flags are not compared; Assign copies them.
  VTime invalid(2000, 6, 15, 12, 30, 30, 500);
  VTime copy;
  copy.Assign(invalid);
  EXPECT_TRUE(copy.Equals(base));
  EXPECT_TRUE(copy.IsDateValid());
}

TEST(TimeArithmetic, AddMillisecondsCarries) {
  struct Row {
    VTime start;
    uint32_t duration;
    VTime expected;
  };
  const Row rows[] = {
      {VTime(2000, 2, 28, 23, 0, 0, 0), 86400000u, VTime(2000, 2, 29, 23, 0, 0, 0)},
      {VTime(2000, 2, 29, 0, 0, 0, 0), 86400000u, VTime(2000, 3, 1, 0, 0, 0, 0)},
      {VTime(1999, 12, 31, 23, 59, 59, 999), 1u, VTime(2000, 1, 1, 0, 0, 0, 0)},
      {VTime(1900, 2, 28, 12, 0, 0, 0), 86400000u, VTime(1900, 3, 1, 12, 0, 0, 0)},
      {VTime(2000, 1, 1, 0, 0, 0, 0), 0u, VTime(2000, 1, 1, 0, 0, 0, 0)},
      {VTime(2000, 1, 1, 23, 59, 59, 999), 4294967295u, VTime(2000, 2, 20, 17, 2, 47, 294)},
  };
  for (const Row& row : rows) {
    VTime time(row.start);
    time.AddMilliseconds(row.duration);
    EXPECT_TRUE(time.Equals(row.expected)) << Format(time, "%Y-%m-%d %H:%M:%S") << "." << time.GetMillisecond();
    EXPECT_TRUE(time.IsDateValid() && time.IsTimeValid());
  }
  // Past the calendar's end the date is kept but no longer valid.
  VTime last(2999, 12, 31, 23, 0, 0, 0);
  last.AddMilliseconds(3600000u);
  EXPECT_EQ(last.GetYear(), 3000);
  EXPECT_FALSE(last.IsDateValid());
  // A value that is not a valid date or time has no successor: unchanged.
  VTime invalid(2000, 2, 30, 0, 0, 0, 0);
  invalid.AddMilliseconds(1000);
  EXPECT_TRUE(invalid.Equals(VTime(2000, 2, 30, 0, 0, 0, 0)));
  VTime badTime(2000, 1, 1, 0, 75, 0, 0);
  badTime.AddMilliseconds(1000);
  EXPECT_EQ(badTime.GetSecond(), 0);
  EXPECT_EQ(VDayTime(VTime()).dayNumber, 0);
  VTime beforeCalendar(2000, 1, 1);
  VDayTime early;
  early.dayNumber = 100;
  beforeCalendar.SetFromDayTime(early);
  EXPECT_FALSE(beforeCalendar.IsDateValid());
}

TEST(TimeFormat, ConversionsAndConditions) {
  const VTime time(2000, 1, 1, 13, 5, 9, 0);
  EXPECT_EQ(Format(time, GetDefaultTimeFormat().GetChars()), "Sat, 01 Jan 2000 13:05:09");
  VString out("junk");
  time.Format(GetDefaultTimeFormat(), out);
  EXPECT_EQ(Text(out), "Sat, 01 Jan 2000 13:05:09");
  EXPECT_EQ(time.GetDayOfWeek(), 7);

  struct Row {
    VTime time;
    const char* format;
    const char* expected;
  };
  const Row rows[] = {
      {VTime(2000, 1, 1, 13, 5, 9, 0), "%I", "01"},
      {VTime(2000, 1, 1, 0, 5, 9, 0), "%I", "12"},
      {VTime(2000, 1, 1, 12, 5, 9, 0), "%I", "12"},
      {VTime(2000, 1, 1, 23, 5, 9, 0), "%I", "11"},
      {VTime(2000, 1, 1, 13, 75, 9, 0), "[%H:%M:%S]", "[::]"},  // minute 75: time not valid
      {VTime(2000, 2, 30, 13, 5, 9, 0), "[%a%A%b%B%d%m%y%Y%w]%H", "[]13"},
      {VTime(2005, 3, 7, 0, 0, 0, 0), "%A %B %y %Y %w", "Monday March 05 2005 1"},
      {VTime(5, 12, 25, 0, 0, 0, 0), "%d.%m.%y %Y", "25.12.05 5"},
      {VTime(2000, 1, 1, 0, 0, 0, 0), "%j%U%W|%%|%q|%", "|%|%q|%"},
      {VTime(2000, 1, 1, 0, 0, 0, 0), "100%", "100%"},
      {VTime(2000, 1, 1, 0, 0, 0, 0), "", ""},
      {VTime(), "%d%m%Y %H", " 00"},  // all zeros: the time of day is valid
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Format(row.time, row.format), row.expected) << row.format;
  }
  // The output may be the format itself.
  VString self("%Y");
  time.Format(self, self);
  EXPECT_EQ(Text(self), "2000");
}

// Every day of years 1 to 2999 against Python's proleptic Gregorian
// calendar: day number both ways, weekday and every date conversion.
TEST(TimeCalendar, EveryDayAgreesWithPythonDatetime) {
  REQUIRE_TOOL(python3, "python3");
  FILE* python = RunPython(python3, "vtime_days.py", R"PY(
import datetime, sys
d = datetime.date(1, 1, 1)
one = datetime.timedelta(days=1)
end = datetime.date(3000, 1, 1)
out = []
while d < end:
    out.append(f"{d.toordinal()} {d.year} {d.month} {d.day} {d.isoweekday() % 7}|{d.strftime('%a %A %b %B %d %m %y %w')} {d.year}\n")
    d += one
sys.stdout.write("".join(out))
)PY");
  ASSERT_NE(python, nullptr);
  char line[256];
  int days = 0;
  int failures = 0;
  VString out;
  const VString format("%a %A %b %B %d %m %y %w %Y");
  while (std::fgets(line, sizeof line, python) != nullptr && failures < 10) {
    int ordinal = 0, year = 0, month = 0, day = 0, weekday = 0, consumed = 0;
    ASSERT_EQ(std::sscanf(line, "%d %d %d %d %d|%n", &ordinal, &year, &month, &day, &weekday, &consumed), 5) << line;
    std::string expected(line + consumed);
    expected.pop_back();  // the newline

    const VTime time(year, month, day);
    const int32_t dayNumber = ordinal + 364;  // 1 January of year 1 is day 365
    VTime back;
    VDayTime dayTime;
    dayTime.dayNumber = dayNumber;
    back.SetFromDayTime(dayTime);
    time.Format(format, out);
    const bool ok = time.IsDateValid() && VDayTime(time).dayNumber == dayNumber && back.Equals(time) &&
                    back.IsDateValid() && time.GetDayOfWeek() == weekday + 1 && Text(out) == expected;
    if (!ok) {
      ++failures;
      ADD_FAILURE() << "date " << year << "-" << month << "-" << day << ": day number "
                    << VDayTime(time).dayNumber << " (want " << dayNumber << "), back " << back.GetYear() << "-"
                    << back.GetMonth() << "-" << back.GetDay() << ", weekday " << time.GetDayOfWeek()
                    << ", format '" << Text(out) << "' (want '" << expected << "')";
    }
    ++days;
  }
  EXPECT_EQ(pclose(python), 0);
  EXPECT_EQ(days, 1095362);  // 2999 years of days
}

// Random durations (the full unsigned 32-bit range) added to random moments,
// checked against datetime + timedelta.
TEST(TimeCalendar, AddMillisecondsAgreesWithPythonDatetime) {
  REQUIRE_TOOL(python3, "python3");
  FILE* python = RunPython(python3, "vtime_add.py", R"PY(
import calendar, datetime, random
random.seed(1109)
special = [0, 1, 999, 1000, 59999, 86399999, 86400000, 4294967295]
start0 = datetime.datetime(1, 1, 1)
span = (datetime.datetime(2999, 1, 1) - start0).total_seconds()
for i in range(20000):
    t = start0 + datetime.timedelta(seconds=random.randrange(int(span)), microseconds=random.randrange(1000) * 1000)
    ms = special[i] if i < len(special) else random.randrange(2 ** 32)
    if i % 7 == 0:
        t = t.replace(month=2, day=29 if calendar.isleap(t.year) else 28, hour=23, minute=59, second=59)
    u = t + datetime.timedelta(milliseconds=ms)
    print(t.year, t.month, t.day, t.hour, t.minute, t.second, t.microsecond // 1000, ms,
          u.year, u.month, u.day, u.hour, u.minute, u.second, u.microsecond // 1000)
)PY");
  ASSERT_NE(python, nullptr);
  char line[256];
  int cases = 0;
  int failures = 0;
  while (std::fgets(line, sizeof line, python) != nullptr && failures < 10) {
    int f[7], g[7];
    unsigned long duration = 0;
    ASSERT_EQ(std::sscanf(line, "%d %d %d %d %d %d %d %lu %d %d %d %d %d %d %d", &f[0], &f[1], &f[2], &f[3], &f[4],
                          &f[5], &f[6], &duration, &g[0], &g[1], &g[2], &g[3], &g[4], &g[5], &g[6]),
              15)
        << line;
    VTime time(f[0], f[1], f[2], f[3], f[4], f[5], f[6]);
    ASSERT_TRUE(time.IsDateValid() && time.IsTimeValid()) << line;
    time.AddMilliseconds(static_cast<uint32_t>(duration));
    const VTime expected(g[0], g[1], g[2], g[3], g[4], g[5], g[6]);
    if (!time.Equals(expected) || !time.IsDateValid()) {
      ++failures;
      ADD_FAILURE() << line << " gave " << time.GetYear() << " " << time.GetMonth() << " " << time.GetDay() << " "
                    << time.GetHour() << " " << time.GetMinute() << " " << time.GetSecond() << " "
                    << time.GetMillisecond();
    }
    ++cases;
  }
  EXPECT_EQ(pclose(python), 0);
  EXPECT_EQ(cases, 20000);
}
