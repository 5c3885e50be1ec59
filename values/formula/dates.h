// Calendar arithmetic of the formula engine in both date systems. In the 1900 system serial 1 is
// 1 January 1900 and serial 60 is the 29 February 1900 the application keeps for compatibility;
// in the 1904 system serial 0 is 1 January 1904. Serials count days; the fraction is the time.
#pragma once
#include <cstdint>

#include "common/calendar.h"  // IsLeapYear, DaysInMonth

namespace xlx {

struct CivilDate {
  int32_t year = 0;   // Gregorian, e.g. 2024
  int32_t month = 0;  // 1..12
  int32_t day = 0;    // 1..31
};

// Days since 1970-01-01 of a Gregorian date; months and days out of range roll over (month 13 is
// January of the next year, day 0 the last day of the previous month).
int64_t DayNumber(int32_t year, int32_t month, int32_t day);
// The date of a day count since 1970-01-01.
CivilDate DateOfDayNumber(int64_t days);

// Serial of a date (year, month and day may roll over as DayNumber allows). Years 0..1899 are
// read as 1900..3799, as the application does. False (serial untouched) for a date before the
// first serial or after 31 December 9999.
bool SerialFromDate(int32_t year, int32_t month, int32_t day, bool date1904, double* serial);
// The date of the whole part of a serial. False for negative serials and serials past 9999.
// Serial 0 of the 1900 system is "0 January 1900" (year 1900, month 1, day 0).
bool DateFromSerial(double serial, bool date1904, CivilDate* date);
// Day of the week of a serial, 0 Sunday .. 6 Saturday (serial 0 of the 1900 system is a Saturday).
int32_t WeekdayOfSerial(double serial, bool date1904);
// Seconds of the day of a serial, rounded to the nearest second (0..86399).
int32_t SecondsOfSerial(double serial);

}  // namespace xlx
