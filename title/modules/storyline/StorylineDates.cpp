#include "title/modules/storyline/StorylineDates.h"

#include <array>
#include <cstddef>
#include <limits>

#include "engine/script/ScriptLexer.h"

namespace {

constexpr int64_t kHoursPerDay = 24;
constexpr int32_t kMonthCount = 12;
// Days before the first of each month in a common year.
constexpr std::array<int64_t, kMonthCount> kDaysBeforeMonth = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
// Days from 1 March of year 0 (the start of the era arithmetic below) back
// to 1 January of year 0.
constexpr int64_t kDaysFromJanuaryToMarchOfYearZero = 60;
constexpr int64_t kDaysPer400Years = 146097;

int64_t FloorDiv(int64_t a, int64_t b) {
  const int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The text "%d%m%Y" gives: two-digit day, two-digit month, then the year;
// empty for a date that is no calendar date.
VString DayMonthYearText(const VTime& date) {
  VString text;
  date.Format("%d%m%Y", text);
  return text;
}

// The month names, read on first use and kept until the program ends.
struct MonthNames {
  std::array<VString, kMonthCount> names;
  bool filled = false;
};

MonthNames& GetMonthNames() {
  static MonthNames names;
  return names;
}

}  // namespace

bool ComputeDayNumber(const VTime& date, int32_t& hours) {
  const int64_t year = date.GetYear();
  const int64_t month = date.GetMonth();
  if (month < 0 || month > kMonthCount) return false;
  // The leap years from year 0 to the year, both included (year 0 is one);
  // floor division keeps the count right for years before 0.
  int64_t leapDays = FloorDiv(year, 4) - FloorDiv(year, 100) + FloorDiv(year, 400) + 1;
  // In January and February the year's own leap day is still to come.
  if (IsLeapYear(year) && (month == 1 || month == 2)) --leapDays;
  const int64_t monthDays = month >= 1 ? kDaysBeforeMonth[static_cast<size_t>(month - 1)] : 0;
  const int64_t days = 365 * year + leapDays + monthDays + date.GetDay() - 1;
  const int64_t count = kHoursPerDay * days + date.GetHour();
  if (count < std::numeric_limits<int32_t>::min() || count > std::numeric_limits<int32_t>::max()) return false;
  hours = static_cast<int32_t>(count);
  return true;
}

int32_t DateToDayNumber(const VTime& date) {
  int32_t hours = 0;
  return ComputeDayNumber(date, hours) ? hours : 0;
}

VTime DayNumberToDate(int32_t hours) {
  const int64_t day = FloorDiv(hours, kHoursPerDay);
  const int64_t hour = hours - day * kHoursPerDay;
  // Whole 400-year eras from 1 March of year 0, each 146097 days; within an
  // era the years run from March, so the leap day ends each year.
  const int64_t fromMarch = day - kDaysFromJanuaryToMarchOfYearZero;
  const int64_t era = FloorDiv(fromMarch, kDaysPer400Years);
  const int64_t dayOfEra = fromMarch - era * kDaysPer400Years;                                       // 0..146096
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;  // 0..399
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);           // 0..365
  const int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;                                          // 0..11
  const int64_t dayOfMonth = dayOfYear - (153 * monthFromMarch + 2) / 5 + 1;                         // 1..31
  const int64_t month = monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9;               // 1..12
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  return VTime(static_cast<int32_t>(year), static_cast<int32_t>(month), static_cast<int32_t>(dayOfMonth),
               static_cast<int32_t>(hour));
}

bool DateIsBefore(const VTime& a, const VTime& b) {
  if (a.GetYear() != b.GetYear()) return a.GetYear() < b.GetYear();
  if (a.GetMonth() != b.GetMonth()) return a.GetMonth() < b.GetMonth();
  if (a.GetDay() != b.GetDay()) return a.GetDay() < b.GetDay();
  return a.GetHour() < b.GetHour();
}

VString FormatYear(const VTime& date) {
  const VString text = DayMonthYearText(date);
  // Everything after the day and the month is the year, whatever its digits.
  VString year;
  if (text.GetLength() > 4) text.Mid(year, 4, text.GetLength() - 4);
  year.Append(",");
  return year;
}

VString FormatDay(const VTime& date) {
  const VString text = DayMonthYearText(date);
  VString day;
  if (text.GetLength() >= 2) text.Mid(day, text.GetCharAt(0) == '0' ? 1 : 0, text.GetCharAt(0) == '0' ? 1 : 2);
  day.Append(".");
  return day;
}

VString FormatMonthName(const VTime& date) {
  const int32_t month = date.GetMonth();
  if (month < 1 || month > kMonthCount) return VString();
  MonthNames& table = GetMonthNames();
  if (!table.filled) {
    for (int32_t i = 0; i < kMonthCount; ++i) {
      VString& name = table.names[static_cast<size_t>(i)];
      if (LoadTextMedia(name, static_cast<uint16_t>(kMonthNameBaseId + 1 + i), true)) table.filled = true;
    }
  }
  return table.names[static_cast<size_t>(month - 1)];
}
