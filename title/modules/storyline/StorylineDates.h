// The storyline module's date arithmetic and date texts. Dates are measured
// as hour counts: hours since 1 January of year 0 of the proleptic Gregorian
// calendar (year 0 a leap year), so 1 January of year 1 at 0 h is 8784 and
// consecutive days always lie 24 apart. The screen, the bands and the panel
// use them for every distance and animation.
#pragma once

#include <cstdint>

#include "engine/core/VString.h"
#include "engine/core/VTime.h"

// The first media id of the month names (TEXT 18001 for January to 18012 for
// December, in the language archive).
inline constexpr uint16_t kMonthNameBaseId = 18000;

// The hour count of a date: 24 x (days since 1 January of year 0) + hour,
// minutes and finer fields ignored. Month 0 counts as the start of the year
// and day 0 as the day before the first (so year 1, month 0, day 0 is 8760,
// one common year); days and hours beyond their month or day simply add on.
// False, with `hours` unchanged, for a month outside 0..12 (it has no place
// in the year) and for a date whose count does not fit 32 bits.
bool ComputeDayNumber(const VTime& date, int32_t& hours);
// The same as a value; 0 (1 January of year 0) for a date ComputeDayNumber
// refuses.
int32_t DateToDayNumber(const VTime& date);
// The date of an hour count: year, month, day and hour (counts below 0 lie
// before year 0: the day is the count divided by 24 rounded down, the hour
// never negative); minute, second and millisecond 0.
VTime DayNumberToDate(int32_t hours);

// True when a is earlier than b comparing year, month, day and hour; minutes
// and finer fields are ignored.
bool DateIsBefore(const VTime& a, const VTime& b);

// The three parts of the date readout. FormatYear: the year followed by ","
// ("1672,"). FormatDay: the day without a leading zero followed by "."
// ("5.", "15."). A date that is no calendar date gives the punctuation alone.
VString FormatYear(const VTime& date);
VString FormatDay(const VTime& date);
// The month's name, from the texts 18001..18012 read once for the whole
// program (trimmed); the empty text for a month outside 1..12 or a name that
// could not be read. Until one name has been read (no language archive yet),
// every call tries again.
VString FormatMonthName(const VTime& date);
