#include "engine/core/VTime.h"

namespace {

constexpr int32_t kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int32_t kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
constexpr int32_t kWeekdayOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};

constexpr const char* kShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kLongDayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
constexpr const char* kShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                             "July",    "August",   "September", "October", "November", "December"};

constexpr int32_t kDaysIn400Years = 146097;
constexpr int32_t kDaysIn100Years = 36524;
constexpr int32_t kDaysIn4Years = 1461;
constexpr int32_t kFirstDayNumber = 365;  // 1 January of year 1

void AppendTwoDigits(VString& out, int32_t value) {
  if (value < 10) out.AppendChar('0');
  out.AppendInteger(value);
}

}  // namespace

// --- VDayTime ---------------------------------------------------------------

int32_t VDayTime::DayNumberOf(int32_t year, int32_t month, int32_t day) {
  if (!VTime::IsValidYear(year) || !VTime::IsValidMonth(month) || day < 1 || day > 31) return 0;
  const int32_t before = year - 1;
  const int32_t leapYearsBefore = before / 4 - before / 100 + before / 400;
  int32_t dayOfYear = kDaysBeforeMonth[month - 1] + day;
  if (month > 2 && VTime::LeapYear(year)) ++dayOfYear;
  return 365 * year + leapYearsBefore + dayOfYear - 1;
}

VDayTime::VDayTime(const VTime& time)
    : millisecond(time.GetMillisecond()),
      second(time.GetSecond()),
      minute(time.GetMinute()),
      hour(time.GetHour()),
      dayNumber(DayNumberOf(time.GetYear(), time.GetMonth(), time.GetDay())) {}

void VDayTime::AddMilliseconds(uint32_t duration) {
  // Every part is below its field's limit, so for fields in range one carry
  // is always enough. Sums are formed in 64 bits so that fields out of range
  // cannot overflow.
  const int32_t days = static_cast<int32_t>(duration / 86400000u);
  duration %= 86400000u;
  const int32_t hours = static_cast<int32_t>(duration / 3600000u);
  duration %= 3600000u;
  const int32_t minutes = static_cast<int32_t>(duration / 60000u);
  duration %= 60000u;
  const int32_t seconds = static_cast<int32_t>(duration / 1000u);
  const int32_t milliseconds = static_cast<int32_t>(duration % 1000u);

  auto addWithCarry = [](int32_t& field, int32_t amount, int32_t limit, int32_t carryIn) {
    int64_t sum = static_cast<int64_t>(field) + amount + carryIn;
    int32_t carry = 0;
    if (sum >= limit) {
      sum -= limit;
      carry = 1;
    }
    field = static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : sum);
    return carry;
  };
  int32_t carry = addWithCarry(millisecond, milliseconds, 1000, 0);
  carry = addWithCarry(second, seconds, 60, carry);
  carry = addWithCarry(minute, minutes, 60, carry);
  carry = addWithCarry(hour, hours, 24, carry);
  const int64_t sum = static_cast<int64_t>(dayNumber) + days + carry;
  dayNumber = static_cast<int32_t>(sum > INT32_MAX ? INT32_MAX : sum);
}

// --- VTime ------------------------------------------------------------------

VTime::VTime() { Validate(); }

VTime::VTime(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
             int32_t millisecond) {
  Set(year, month, day, hour, minute, second, millisecond);
}

VTime::~VTime() = default;

bool VTime::Set(int32_t year, int32_t month, int32_t day, int32_t hour, int32_t minute, int32_t second,
                int32_t millisecond) {
  year_ = year;
  month_ = month;
  day_ = day;
  hour_ = hour;
  minute_ = minute;
  second_ = second;
  millisecond_ = millisecond;
  return Validate();
}

bool VTime::SetDate(int32_t year, int32_t month, int32_t day) {
  year_ = year;
  month_ = month;
  day_ = day;
  return Validate();
}

bool VTime::Validate() {
  dateValid_ = IsValidDate(year_, month_, day_);
  timeValid_ = IsValidTime(hour_, minute_, second_, millisecond_);
  return dateValid_ && timeValid_;
}

VTime& VTime::Assign(const VTime& other) {
  *this = other;
  return *this;
}

void VTime::SetFromDayTime(const VDayTime& dayTime) {
  millisecond_ = dayTime.millisecond;
  second_ = dayTime.second;
  minute_ = dayTime.minute;
  hour_ = dayTime.hour;
  if (dayTime.dayNumber < kFirstDayNumber) {
    year_ = month_ = day_ = 0;
    Validate();
    return;
  }
  int32_t days = dayTime.dayNumber - kFirstDayNumber;  // days since 1 January of year 1
  const int32_t cycles400 = days / kDaysIn400Years;
  days %= kDaysIn400Years;
  int32_t cycles100 = days / kDaysIn100Years;
  if (cycles100 == 4) cycles100 = 3;  // the last day of a 400-year cycle
  days -= cycles100 * kDaysIn100Years;
  const int32_t cycles4 = days / kDaysIn4Years;
  days %= kDaysIn4Years;
  int32_t years = days / 365;
  if (years == 4) years = 3;  // the last day of a 4-year cycle
  days -= years * 365;
  year_ = 400 * cycles400 + 100 * cycles100 + 4 * cycles4 + years + 1;

  // days is now the 0-based day of the year.
  const bool leap = LeapYear(year_);
  int32_t month = 1;
  while (month < 12) {
    const int32_t length = kMonthLengths[month - 1] + (month == 2 && leap ? 1 : 0);
    if (days < length) break;
    days -= length;
    ++month;
  }
  month_ = month;
  day_ = days + 1;
  Validate();
}

bool VTime::IsAfter(const VTime& other) const {
  const int32_t mine[7] = {year_, month_, day_, hour_, minute_, second_, millisecond_};
  const int32_t theirs[7] = {other.year_,   other.month_,  other.day_,        other.hour_,
                             other.minute_, other.second_, other.millisecond_};
  for (int i = 0; i < 7; ++i) {
    if (mine[i] != theirs[i]) return mine[i] > theirs[i];
  }
  return false;
}

bool VTime::IsBefore(const VTime& other) const { return other.IsAfter(*this); }

bool VTime::Equals(const VTime& other) const {
  return year_ == other.year_ && month_ == other.month_ && day_ == other.day_ && hour_ == other.hour_ &&
         minute_ == other.minute_ && second_ == other.second_ && millisecond_ == other.millisecond_;
}

int32_t VTime::GetDayOfWeek() const {
  if (!dateValid_) return 0;
  const int32_t y = month_ <= 2 ? year_ - 1 : year_;
  return (y + y / 4 - y / 100 + y / 400 + kWeekdayOffsets[month_ - 1] + day_) % 7 + 1;
}

VTime& VTime::AddMilliseconds(uint32_t duration) {
  // Day numbers exist only for calendar dates; an invalid value has no
  // defined successor, so it stays as it is.
  if (!dateValid_ || !timeValid_) return *this;
  VDayTime dayTime(*this);
  dayTime.AddMilliseconds(duration);
  SetFromDayTime(dayTime);
  return *this;
}

void VTime::Format(const char* format, VString& out) const {
  const VString text(format);
  Format(text, out);
}

void VTime::Format(const VString& format, VString& out) const {
  // out may be the format itself: work from a copy.
  const VString source(format);
  out.Clear();
  const int32_t length = source.GetLength();
  const bool monthOk = dateValid_ && IsValidMonth(month_);
  for (int32_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(source.GetCharAt(i));
    if (c != '%') {
      out.AppendChar(c);
      continue;
    }
    if (i + 1 >= length) {
      out.AppendChar('%');
      break;
    }
    const char letter = static_cast<char>(source.GetCharAt(++i));
    switch (letter) {
      case 'a':
        if (dateValid_) out.Append(kShortDayNames[GetDayOfWeek() - 1]);
        break;
      case 'A':
        if (dateValid_) out.Append(kLongDayNames[GetDayOfWeek() - 1]);
        break;
      case 'b':
        if (monthOk) out.Append(kShortMonthNames[month_ - 1]);
        break;
      case 'B':
        if (monthOk) out.Append(kLongMonthNames[month_ - 1]);
        break;
      case 'd':
        if (dateValid_ && day_ >= 1 && day_ <= 31) AppendTwoDigits(out, day_);
        break;
      case 'm':
        if (monthOk) AppendTwoDigits(out, month_);
        break;
      case 'y':
        if (dateValid_ && IsValidYear(year_)) AppendTwoDigits(out, year_ % 100);
        break;
      case 'Y':
        if (dateValid_ && IsValidYear(year_)) out.AppendInteger(year_);
        break;
      case 'w':
        if (dateValid_) out.AppendInteger(GetDayOfWeek() - 1);
        break;
      case 'H':
        if (timeValid_ && hour_ >= 0 && hour_ <= 23) AppendTwoDigits(out, hour_);
        break;
      case 'I':
        if (timeValid_ && hour_ >= 0 && hour_ <= 23) AppendTwoDigits(out, hour_ % 12 == 0 ? 12 : hour_ % 12);
        break;
      case 'M':
        if (timeValid_ && minute_ >= 0 && minute_ <= 59) AppendTwoDigits(out, minute_);
        break;
      case 'S':
        if (timeValid_ && second_ >= 0 && second_ <= 59) AppendTwoDigits(out, second_);
        break;
      case 'j':
      case 'U':
      case 'W':
        break;
      case '%':
        out.AppendChar('%');
        break;
      default:
        out.AppendChar('%');
        out.AppendChar(letter);
        break;
    }
  }
}

int32_t VTime::DaysInMonth(int32_t month, int32_t year) {
  if (!IsValidMonth(month)) return 0;
  return kMonthLengths[month - 1] + (month == 2 && LeapYear(year) ? 1 : 0);
}

bool VTime::IsValidDate(int32_t year, int32_t month, int32_t day) {
  return IsValidYear(year) && IsValidMonth(month) && day >= 1 && day <= DaysInMonth(month, year);
}

bool VTime::IsValidTime(int32_t hour, int32_t minute, int32_t second, int32_t millisecond) {
  return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59 &&
         millisecond >= 0 && millisecond <= 999;
}

bool VTime::LeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

const VString& GetDefaultTimeFormat() {
  static const VString format("%a, %d %b %Y %H:%M:%S");
  return format;
}
