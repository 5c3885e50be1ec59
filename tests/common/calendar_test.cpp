// Calendar: serials of both date systems against known dates, the 1900 system's counted
// 29 February, the limits, weekdays, and ISO 8601 date-times with their refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "common/calendar.h"

using namespace xlx;

namespace {

TEST(Calendar, SerialsOfBothDateSystems) {
  const struct {
    int32_t year, month, day;
    DateSystem system;
    int64_t serial;
    int32_t weekday;
  } cases[] = {
      {1900, 1, 1, kDateSystem1900, 1, 0},       {1900, 2, 28, kDateSystem1900, 59, 2},
      {1900, 3, 1, kDateSystem1900, 61, 4},      {1970, 1, 1, kDateSystem1900, 25569, 4},
      {2024, 2, 29, kDateSystem1900, 45351, 4},  {9999, 12, 31, kDateSystem1900, 2958465, 5},
      {1904, 1, 1, kDateSystem1904, 0, 5},       {2024, 2, 29, kDateSystem1904, 45351 - 1462, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day << " system " << c.system);
    int64_t serial = -1;
    ASSERT_TRUE(SerialDayOfDate(c.year, c.month, c.day, c.system, &serial));
    EXPECT_EQ(serial, c.serial);
    CalendarDate d;
    ASSERT_TRUE(DateOfSerialDay(c.serial, c.system, &d));
    EXPECT_EQ(std::make_tuple(d.year, d.month, d.day, d.weekday), std::make_tuple(c.year, c.month, c.day, c.weekday));
    // Before March 1900 the serial's weekday is one off the calendar's, as the system counts
    // a 29 February that never was.
    EXPECT_EQ(WeekdayOf(c.year, c.month, c.day), c.system == kDateSystem1900 && c.serial < 61 ? (c.weekday + 1) % 7 : c.weekday);
  }
  // The day the 1900 system counts, and its "January 0".
  CalendarDate d;
  ASSERT_TRUE(DateOfSerialDay(60, kDateSystem1900, &d));
  EXPECT_EQ(std::make_tuple(d.month, d.day, d.weekday), std::make_tuple(2, 29, 3));
  ASSERT_TRUE(DateOfSerialDay(0, kDateSystem1900, &d));
  EXPECT_EQ(std::make_tuple(d.year, d.month, d.day), std::make_tuple(1900, 1, 0));
  // Every day of a span round-trips, leap years and centuries included.
  for (int64_t s = 1; s < 2958466; s += 97) {
    ASSERT_TRUE(DateOfSerialDay(s, kDateSystem1900, &d));
    int64_t back = -1;
    if (s == 60) continue;
    ASSERT_TRUE(SerialDayOfDate(d.year, d.month, d.day, kDateSystem1900, &back));
    ASSERT_EQ(back, s);
  }
  int64_t serial = 0;
  for (DateSystem system : {kDateSystem1900, kDateSystem1904}) {
    EXPECT_FALSE(DateOfSerialDay(-1, system, &d));
    EXPECT_FALSE(DateOfSerialDay(2958466 - (system ? 1462 : 0), system, &d));
    EXPECT_FALSE(SerialDayOfDate(2023, 2, 29, system, &serial));
    EXPECT_FALSE(SerialDayOfDate(10000, 1, 1, system, &serial));
  }
  EXPECT_FALSE(SerialDayOfDate(1903, 12, 31, kDateSystem1904, &serial));
  EXPECT_FALSE(SerialDayOfDate(2024, 13, 1, kDateSystem1900, &serial));
}

TEST(Calendar, IsoDateTimes) {
  const struct {
    const char* text;
    bool ok;
    double serial;  // 1900 system
    int32_t zoneMinutes;
  } cases[] = {
      {"1900-01-01", true, 1, 0},
      {"1899-12-30", true, 0, 0},
      {"1899-12-30T18:00:00", true, 0.75, 0},
      {"1900-02-28", true, 59, 0},
      {"1900-03-01", true, 61, 0},
      {"2024-03-01T12:00:00", true, 45352.5, 0},
      {"2024-03-01T06:00:00.5Z", true, 45352.25 + 0.5 / 86400, 0},
      {"2024-03-01 06:00+05:30", true, 45352.25, 330},
      {"  T18:00:00-0100", true, 0.75, -60},
      {"2024-13-01", false, 0, 0},
      {"20240301", false, 0, 0},
      {"2024-03-01T25:00", false, 0, 0},
      {"2024-03-01T12", false, 0, 0},
      {"2024-03-01X", false, 0, 0},
      {"2024-03-01T12:00+24:00", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double serial = -1;
    IsoDateTime t;
    EXPECT_EQ(ParseIsoDateTime(c.text, &t), c.ok);
    EXPECT_EQ(IsoDateTimeToSerial(c.text, kDateSystem1900, &serial), c.ok);
    if (c.ok) {
      EXPECT_NEAR(serial, c.serial, 1e-9);
      EXPECT_EQ(t.zoneMinutes, c.zoneMinutes);
    }
  }
  double serial = 0;
  ASSERT_TRUE(IsoDateTimeToSerial("1904-01-02", kDateSystem1904, &serial));
  EXPECT_EQ(serial, 1);
}

}  // namespace
