// VTime: a Gregorian calendar date and time of day with validity flags,
// comparisons, duration arithmetic and a strftime-style formatter (English
// names). VDayTime is its arithmetic form: a day number and a time of day.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"

class VTime;

// A day number and a time of day. Day numbers count days with 1 January of
// year 1 as day 365 (365 * year + leap years before year + day of year - 1).
class VDayTime {
 public:
  VDayTime() = default;
  // The day number and time of a VTime. A date outside the calendar (month
  // not 1..12, year not 1..2999, day not 1..31) gives day number 0.
  explicit VDayTime(const VTime& time);

  // Adds a duration, carrying once from each field into the next.
  void AddMilliseconds(uint32_t duration);

  // The day number of a date; 0 for a date outside the calendar (see above).
  static int32_t DayNumberOf(int32_t year, int32_t month, int32_t day);

  int32_t millisecond = 0;
  int32_t second = 0;
  int32_t minute = 0;
  int32_t hour = 0;
  int32_t dayNumber = 0;
};

class VTime {
 public:
  // All fields 0: midnight (a valid time) on no valid date.
  VTime();
  VTime(int32_t year, int32_t month, int32_t day, int32_t hour = 0, int32_t minute = 0, int32_t second = 0,
        int32_t millisecond = 0);
  VTime(const VTime& other) = default;
  VTime& operator=(const VTime& other) = default;
  virtual ~VTime();

  // Store the fields (out-of-range values are kept) and validate; true when
  // both date and time are valid.
  bool Set(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
           int32_t millisecond);
  bool SetDate(int32_t year, int32_t month, int32_t day);
  // Recomputes both flags; true when both are set.
  bool Validate();
  VTime& Assign(const VTime& other);
  // Sets the date and time from a day number and time of day, then validates.
  // Day numbers before 1 January of year 1 give the date 0-0-0 (not valid).
  void SetFromDayTime(const VDayTime& dayTime);

  // Field-by-field order, year first; the flags are not compared.
  bool IsAfter(const VTime& other) const;
  bool IsBefore(const VTime& other) const;
  bool Equals(const VTime& other) const;
  bool NotEquals(const VTime& other) const { return !Equals(other); }

  // 1 = Sunday .. 7 = Saturday; 0 when the date is not valid.
  int32_t GetDayOfWeek() const;
  // Adds a duration through VDayTime and validates. A time whose date or
  // time of day is not valid is left unchanged.
  VTime& AddMilliseconds(uint32_t duration);

  // out becomes format with its conversions replaced: %a %A day names, %b %B
  // month names, %d %m two-digit day and month, %y two-digit year, %Y year,
  // %w weekday 0-6, %H %I %M %S hour (24/12), minute, second; %j %U %W give
  // nothing; %% gives '%'; other letters are copied with their '%'. A
  // conversion whose field is not valid writes nothing.
  void Format(const VString& format, VString& out) const;
  void Format(const char* format, VString& out) const;

  int32_t GetYear() const { return year_; }
  int32_t GetMonth() const { return month_; }
  int32_t GetDay() const { return day_; }
  int32_t GetHour() const { return hour_; }
  int32_t GetMinute() const { return minute_; }
  int32_t GetSecond() const { return second_; }
  int32_t GetMillisecond() const { return millisecond_; }
  bool IsDateValid() const { return dateValid_; }
  bool IsTimeValid() const { return timeValid_; }

  static bool IsValidYear(int32_t year) { return year >= 1 && year <= 2999; }
  static bool IsValidMonth(int32_t month) { return month >= 1 && month <= 12; }
  // Days of the month (leap years counted); 0 for an invalid month.
  static int32_t DaysInMonth(int32_t month, int32_t year);
  static bool IsValidDate(int32_t year, int32_t month, int32_t day);
  static bool IsValidTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond);
  static bool LeapYear(int32_t year);

 private:
  int32_t year_ = 0;
  int32_t month_ = 0;
  int32_t day_ = 0;
  int32_t hour_ = 0;
  int32_t minute_ = 0;
  int32_t second_ = 0;
  int32_t millisecond_ = 0;
  bool dateValid_ = false;
  bool timeValid_ = false;
};

// The program-wide default format, "%a, %d %b %Y %H:%M:%S". Built on first
// use, lives until exit.
const VString& GetDefaultTimeFormat();
