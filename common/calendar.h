// Calendar arithmetic of spreadsheet dates: the proleptic Gregorian calendar, date serials of the
// 1900 and 1904 date systems, and ISO 8601 date-times as document parts write them.
//
// 1900 system: serial 1 is 1 January 1900 and serial 60 is 29 February 1900, a day that never
// was but that the system counts, so dates from 1 March 1900 on are one higher than a plain day
// count; serial 0 is "January 0 1900". 1904 system: serial 0 is 1 January 1904 and there is no
// such day. The fraction of a serial is the time of day. Serials from kMaxDateSerial on (past
// 31 December 9999, in the 1900 system) have no date.
#pragma once
#include <cstdint>
#include <string_view>

namespace xlx {

enum DateSystem : int32_t { kDateSystem1900 = 0, kDateSystem1904 = 1 };

constexpr double kMaxDateSerial = 2958466.0;
// Serial of 1 January 1904 in the 1900 system: a 1904 serial plus this is the 1900 serial.
constexpr int32_t kDate1904Offset = 1462;

struct CalendarDate {
  int32_t year = 0, month = 0, day = 0;  // month 1-12, day 1-31 (day 0 for 1900 serial 0)
  int32_t weekday = 0;                   // 0 Sunday .. 6 Saturday
};

[[nodiscard]] bool IsLeapYear(int64_t year);
// Days of a month (1-12) of a year.
[[nodiscard]] int32_t DaysInMonth(int64_t year, int32_t month);
// Days from 1 January 1970 to a date (negative before it).
[[nodiscard]] int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
// The date `days` after 1 January 1970.
[[nodiscard]] CalendarDate CivilFromDays(int64_t days);
// Weekday (0 Sunday .. 6 Saturday) of a date; a day past the end of its month (or day 0) counts
// on into the next (or back into the previous) month.
[[nodiscard]] int32_t WeekdayOf(int64_t year, int64_t month, int64_t day);

// Date of the whole serial day `day` (0 <= day < kMaxDateSerial in the 1900 system; the same
// range moved by kDate1904Offset in the 1904 system). False outside it.
[[nodiscard]] bool DateOfSerialDay(int64_t day, DateSystem system, CalendarDate* date);
// Serial day of a valid date from 1 January 1900 (1 January 1904 in the 1904 system) to
// 31 December 9999. False for other dates.
[[nodiscard]] bool SerialDayOfDate(int32_t year, int32_t month, int32_t day, DateSystem system, int64_t* serial);

// An ISO 8601 date-time: "YYYY-MM-DD", "YYYY-MM-DDThh:mm[:ss[.f...]]", "hh:mm[:ss]" after "T",
// each optionally followed by a zone ("Z", "+hh:mm", "-hh:mm"). A blank may stand for the "T";
// leading blanks are skipped.
struct IsoDateTime {
  bool hasDate = false;
  int32_t year = 0, month = 0, day = 0;
  int32_t hour = 0, minute = 0, second = 0;
  double fraction = 0;    // of a second
  int32_t zoneMinutes = 0;  // offset east of UTC; 0 for "Z" or no zone
};
// Reads `text` whole (a zone, when present, ends it). False when it is not such a date-time or
// a field is out of range (month 1-12, day 1-31, hour 0-24, minute 0-59, second 0-60).
[[nodiscard]] bool ParseIsoDateTime(std::string_view text, IsoDateTime* out);
// The serial of an ISO date-time as written (wall-clock time, the zone ignored). In the 1900
// system dates before 1900 count from 30 December 1899, the day serial 0 is written on. False
// when the text is not a date-time or its date has no serial.
[[nodiscard]] bool IsoDateTimeToSerial(std::string_view text, DateSystem system, double* serial);

}  // namespace xlx
