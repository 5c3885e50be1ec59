// Calendar arithmetic: civil dates by day counts (days since 1 March of year 0 in 400-year
// eras), serials of the two date systems, ISO 8601 date-times.
#include "common/calendar.h"

#include <cmath>

namespace xlx {
namespace {

// Days from 1 January 1970 to 31 December 1899, the 1900 system's day 0 once 29 February 1900
// is counted: 1900 serial s (s >= 61) is day s - 25569 of the 1970 count.
constexpr int64_t kSerialOf1970 = 25569;

// The 1900 serial of a date counted the plain way: dates before 1 March 1900 sit one lower.
int64_t Serial1900(int64_t year, int64_t month, int64_t day) {
  int64_t serial = DaysFromCivil(year, month, day) + kSerialOf1970;
  return serial < 61 ? serial - 1 : serial;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `n` digits at t[*i].
bool Digits(std::string_view t, size_t* i, int n, int32_t* value) {
  *value = 0;
  for (int k = 0; k < n; ++k, ++*i) {
    if (*i >= t.size() || !IsDigit(t[*i])) return false;
    *value = *value * 10 + (t[*i] - '0');
  }
  return true;
}

bool Expect(std::string_view t, size_t* i, char c) {
  if (*i >= t.size() || t[*i] != c) return false;
  ++*i;
  return true;
}

// "Z", "+hh:mm", "-hh:mm", "+hhmm" or "+hh" ending the text; nothing at all is no zone.
bool ReadZone(std::string_view t, size_t i, int32_t* minutes) {
  *minutes = 0;
  if (i == t.size()) return true;
  if (t[i] == 'Z') return i + 1 == t.size();
  if (t[i] != '+' && t[i] != '-') return false;
  const int32_t sign = t[i++] == '-' ? -1 : 1;
  int32_t hours = 0, mins = 0;
  if (!Digits(t, &i, 2, &hours)) return false;
  if (i < t.size() && t[i] == ':') ++i;
  if (i < t.size() && !Digits(t, &i, 2, &mins)) return false;
  if (i != t.size() || hours > 23 || mins > 59) return false;
  *minutes = sign * (hours * 60 + mins);
  return true;
}

}  // namespace

bool IsLeapYear(int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int32_t DaysInMonth(int64_t year, int32_t month) {
  static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int32_t WeekdayOf(int64_t year, int64_t month, int64_t day) {
  const int64_t days = DaysFromCivil(year, month, day);
  return static_cast<int32_t>(((days % 7) + 7 + 4) % 7);  // 1 January 1970 was a Thursday
}

CalendarDate CivilFromDays(int64_t days) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CalendarDate date;
  date.day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int32_t>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
  date.weekday = static_cast<int32_t>(((days % 7) + 7 + 4) % 7);
  return date;
}

bool DateOfSerialDay(int64_t day, DateSystem system, CalendarDate* date) {
  if (system == kDateSystem1904) day += kDate1904Offset;
  if (day < 0 || day >= static_cast<int64_t>(kMaxDateSerial)) return false;
  if (system == kDateSystem1904 && day < kDate1904Offset) return false;
  if (day <= 60) {
    // January and February 1900 as the 1900 system counts them, 29 February and "January 0"
    // included; the weekdays follow the serial, so serial 1 is a Sunday.
    date->year = 1900;
    date->month = day <= 31 ? 1 : 2;
    date->day = static_cast<int32_t>(day <= 31 ? day : day - 31);
    date->weekday = static_cast<int32_t>((day + 6) % 7);
    return true;
  }
  *date = CivilFromDays(day - kSerialOf1970);
  return true;
}

bool SerialDayOfDate(int32_t year, int32_t month, int32_t day, DateSystem system, int64_t* serial) {
  const int32_t firstYear = system == kDateSystem1904 ? 1904 : 1900;
  if (year < firstYear || year > 9999 || day < 1 || day > DaysInMonth(year, month)) return false;
  const int64_t s = Serial1900(year, month, day);
  *serial = system == kDateSystem1904 ? s - kDate1904Offset : s;
  return true;
}

bool ParseIsoDateTime(std::string_view t, IsoDateTime* out) {
  IsoDateTime r;
  size_t i = 0;
  while (i < t.size() && t[i] == ' ') ++i;
  if (i < t.size() && IsDigit(t[i])) {
    if (!Digits(t, &i, 4, &r.year) || !Expect(t, &i, '-') || !Digits(t, &i, 2, &r.month) || !Expect(t, &i, '-') ||
        !Digits(t, &i, 2, &r.day))
      return false;
    if (r.month < 1 || r.month > 12 || r.day < 1 || r.day > 31) return false;
    r.hasDate = true;
  }
  if (i < t.size() && (t[i] == 'T' || t[i] == ' ')) {
    ++i;
    if (!Digits(t, &i, 2, &r.hour) || !Expect(t, &i, ':') || !Digits(t, &i, 2, &r.minute)) return false;
    if (i < t.size() && t[i] == ':') {
      ++i;
      if (!Digits(t, &i, 2, &r.second)) return false;
      if (i < t.size() && t[i] == '.') {
        double scale = 0.1;
        for (++i; i < t.size() && IsDigit(t[i]); ++i, scale /= 10) r.fraction += (t[i] - '0') * scale;
      }
    }
    if (r.hour > 24 || r.minute > 59 || r.second > 60) return false;
  } else if (!r.hasDate) {
    return false;
  }
  if (!ReadZone(t, i, &r.zoneMinutes)) return false;
  *out = r;
  return true;
}

bool IsoDateTimeToSerial(std::string_view text, DateSystem system, double* serial) {
  IsoDateTime t;
  if (!ParseIsoDateTime(text, &t)) return false;
  double days = 0;
  if (t.hasDate) {
    // Dates before the system's first day give serials below it (negative ones show no date).
    days = static_cast<double>(Serial1900(t.year, t.month, t.day) - (system == kDateSystem1904 ? kDate1904Offset : 0));
    // Serial 0 and times without a day are written on 30 December 1899 (the day the serials of
    // the 1900 system count from once past February 1900), so dates before 1900 count from it.
    if (system == kDateSystem1900 && t.year < 1900) days += 1;
  }
  *serial = days + (t.hour * 3600.0 + t.minute * 60.0 + t.second + t.fraction) / 86400.0;
  return true;
}

}  // namespace xlx
