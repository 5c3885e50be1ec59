// Calendar arithmetic over proleptic Gregorian day numbers, with the 1900 system's extra day.
#include "values/formula/dates.h"

#include <cmath>

namespace xlx {
namespace {

// Day number (since 1970-01-01) of 31 December 1899: serial 1 of the 1900 system is the day after.
constexpr int64_t kDay1899Dec31 = -25568;
// Day number of 1 January 1904, serial 0 of the 1904 system.
constexpr int64_t kDay1904Jan1 = -24107;
constexpr double kMaxSerial1900 = 2958465.0;  // 31 December 9999

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

int64_t DayNumber(int32_t year, int32_t month, int32_t day) {
  int64_t y = year + FloorDiv(month - 1, 12);
  int64_t m = month - 1 - FloorDiv(month - 1, 12) * 12 + 1;  // 1..12
  y -= m <= 2;
  const int64_t era = FloorDiv(y, 400);
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + (day - 1);
}

CivilDate DateOfDayNumber(int64_t days) {
  days += 719468;
  const int64_t era = FloorDiv(days, 146097);
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  CivilDate out;
  out.day = int32_t(doy - (153 * mp + 2) / 5 + 1);
  out.month = int32_t(mp < 10 ? mp + 3 : mp - 9);
  out.year = int32_t(yoe + era * 400 + (out.month <= 2));
  return out;
}

bool SerialFromDate(int32_t year, int32_t month, int32_t day, bool date1904, double* serial) {
  if (year < 0 || year > 9999) return false;
  if (year < 1900) year += 1900;
  // Keep the roll-over arithmetic in range for absurd months and days.
  if (month < -120000 || month > 120000 || day < -4000000 || day > 4000000) return false;
  const int64_t days = DayNumber(year, month, day);
  double s;
  if (date1904) {
    s = double(days - kDay1904Jan1);
  } else {
    s = double(days - kDay1899Dec31);
    if (s >= 60) s += 1;  // the 29 February 1900 the 1900 system counts
    // DATE(1900,2,29) and DATE(1900,3,0) name that day too.
    if (year == 1900 && month == 2 && day == 29) s = 60;
  }
  const double maxSerial = date1904 ? kMaxSerial1900 - 1462 : kMaxSerial1900;
  if (s < 0 || s > maxSerial) return false;
  *serial = s;
  return true;
}

bool DateFromSerial(double serial, bool date1904, CivilDate* date) {
  if (!(serial >= 0) || serial > kMaxSerial1900 + 1) return false;
  const int64_t whole = int64_t(std::floor(serial));
  if (date1904) {
    *date = DateOfDayNumber(kDay1904Jan1 + whole);
    return true;
  }
  if (whole == 0) {
    *date = CivilDate{1900, 1, 0};
    return true;
  }
  if (whole == 60) {
    *date = CivilDate{1900, 2, 29};
    return true;
  }
  *date = DateOfDayNumber(kDay1899Dec31 + whole - (whole > 60 ? 1 : 0));
  return true;
}

int32_t WeekdayOfSerial(double serial, bool date1904) {
  int64_t whole = int64_t(std::floor(serial));
  if (date1904) whole += 1462;
  // Serial 1 (1 January 1900, by the application's count) is a Sunday.
  int64_t w = (whole - 1) % 7;
  if (w < 0) w += 7;
  return int32_t(w);
}

int32_t SecondsOfSerial(double serial) {
  double fraction = serial - std::floor(serial);
  int64_t seconds = int64_t(std::floor(fraction * 86400.0 + 0.5));
  if (seconds >= 86400) seconds = 0;
  return int32_t(seconds);
}

}  // namespace xlx
