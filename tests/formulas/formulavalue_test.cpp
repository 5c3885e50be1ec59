// Values of the formula engine: text read as numbers and dates, the order of mixed values,
// wildcards and criteria, 15-digit rounding, and the calendar of both date systems.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/apiutils.h"
#include "values/formula/dates.h"
#include "values/formula/engine.h"
#include "values/formula/value.h"

namespace {

using xlx::ExcelValue;
using xlx::MakeBoolean;
using xlx::MakeEmpty;
using xlx::MakeNumber;
using xlx::MakeString;

TEST(FormulaValue, TextReadAsNumbersAndDates) {
  struct Case {
    const char* text;
    bool date1904;
    bool ok;
    double value;
  };
  const Case cases[] = {
      {"1,234", false, true, 1234},        {" -12.5 ", false, true, -12.5},   {"$1,000.25", false, true, 1000.25},
      {"(42)", false, true, -42},          {"12%", false, true, 0.12},        {"1e3", false, true, 1000},
      {"+.5", false, true, 0.5},           {"1,2,3", false, true, 123},       {",5", false, false, 0},
      {"-(3)", false, false, 0},           {"e5", false, false, 0},           {"abc", false, false, 0},
      {"", false, false, 0},               {"1.2.3", false, false, 0},        {"2024-03-01", false, true, 45352},
      {"3/1/2024", false, true, 45352},    {"1-Mar-2024", false, true, 45352}, {"March 1, 2024", false, true, 45352},
      {"1 March 2024", false, true, 45352}, {"2024-03-01", true, true, 43890}, {"13:30", false, true, 0.5625},
      {"1:30 PM", false, true, 0.5625},    {"12:00 AM", false, true, 0},      {"2024-03-01 6:00", false, true, 45352.25},
      {"25:00", false, true, 25.0 / 24},   {"13:30 PM", false, false, 0},     {"2/30/2024", false, false, 0},
      {"6/9/69", false, true, 25363},      {"6/9/29", false, true, 47278},
  };
  for (const Case& c : cases) {
    double value = -1;
    bool ok = xlx::TextToValue(xlx::Utf8ToUtf16(c.text), c.date1904, &value);
    EXPECT_EQ(ok, c.ok) << c.text;
    if (ok && c.ok) {
      EXPECT_NEAR(value, c.value, 1e-9) << c.text;
    }
  }
}

TEST(FormulaValue, CoercionsOfScalars) {
  double d = 0;
  xlx::ErrorID e = xlx::kErrorNone;
  EXPECT_TRUE(xlx::CoerceToNumber(MakeBoolean(true), false, &d, &e));
  EXPECT_EQ(d, 1);
  EXPECT_TRUE(xlx::CoerceToNumber(MakeEmpty(), false, &d, &e));
  EXPECT_EQ(d, 0);
  EXPECT_FALSE(xlx::CoerceToNumber(MakeString(u"x"), false, &d, &e));
  EXPECT_EQ(e, xlx::kErrorValue);
  EXPECT_FALSE(xlx::CoerceToNumber(xlx::MakeError(xlx::kErrorDiv0), false, &d, &e));
  EXPECT_EQ(e, xlx::kErrorDiv0);
  std::u16string text;
  EXPECT_TRUE(xlx::CoerceToText(MakeNumber(0.1 + 0.2), &text, &e));
  EXPECT_EQ(text, u"0.3");
  EXPECT_TRUE(xlx::CoerceToText(MakeNumber(1e20), &text, &e));
  EXPECT_EQ(text, u"1E+20");
  EXPECT_TRUE(xlx::CoerceToText(MakeNumber(-1.5), &text, &e));
  EXPECT_EQ(text, u"-1.5");
  bool b = false;
  EXPECT_TRUE(xlx::CoerceToBoolean(MakeString(u"true"), &b, &e));
  EXPECT_TRUE(b);
  EXPECT_FALSE(xlx::CoerceToBoolean(MakeString(u"yes"), &b, &e));
  EXPECT_EQ(xlx::MakeNumber(NAN).type, xlx::kValueError);
  EXPECT_EQ(xlx::ErrorFromText(u"#DIV/0!"), xlx::kErrorDiv0);
  EXPECT_EQ(xlx::ErrorFromText(u"#SPILL!"), xlx::kErrorSpill);
  EXPECT_EQ(xlx::ErrorFromText(u"#div/0!"), xlx::kErrorNone);
}

TEST(FormulaValue, OrderOfMixedValues) {
  struct Case {
    ExcelValue a, b;
    int32_t order;
  };
  const Case cases[] = {
      {MakeNumber(1), MakeNumber(2), -1},          {MakeNumber(1e9), MakeString(u"0"), -1},
      {MakeString(u"z"), MakeBoolean(false), -1},  {MakeString(u"abc"), MakeString(u"ABC"), 0},
      {MakeString(u"a"), MakeString(u"B"), -1},    {MakeEmpty(), MakeNumber(0), 0},
      {MakeEmpty(), MakeString(u""), 0},           {MakeEmpty(), MakeBoolean(false), 0},
      {MakeEmpty(), MakeNumber(-1), 1},            {MakeNumber(0.1 + 0.2), MakeNumber(0.3), 0},
      {MakeNumber(1), MakeNumber(1 + 1e-10), -1},  {MakeBoolean(true), MakeBoolean(false), 1},
      {MakeString(u"é"), MakeString(u"É"), 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(xlx::CompareValues(c.a, c.b), c.order) << int(c.a.type) << " " << int(c.b.type);
    EXPECT_EQ(xlx::CompareValues(c.b, c.a), -c.order);
  }
}

TEST(FormulaValue, WildcardsAndCriteria) {
  struct Wild {
    const char16_t* pattern;
    const char16_t* text;
    bool match;
  };
  for (const Wild& w : std::vector<Wild>{{u"A*", u"ABC", true}, {u"*C", u"ABC", true}, {u"A?C", u"ABC", true},
                                         {u"A?C", u"AC", false}, {u"*", u"", true}, {u"~*", u"*", true},
                                         {u"~*", u"A", false}, {u"A~?", u"A?", true}, {u"*B*B", u"ABAB", true},
                                         {u"*B*B", u"ABBA", false}, {u"", u"", true}, {u"A", u"AB", false}})
    EXPECT_EQ(xlx::WildcardMatch(w.pattern, w.text), w.match) << xlx::Utf16ToUtf8(w.pattern);

  struct Crit {
    ExcelValue criterion;
    ExcelValue cell;
    bool match;
  };
  const Crit crits[] = {
      {MakeString(u">5"), MakeNumber(6), true},      {MakeString(u">5"), MakeString(u"6"), false},
      {MakeString(u"<=5"), MakeNumber(5), true},     {MakeString(u"<>5"), MakeNumber(4), true},
      {MakeString(u"<>5"), MakeEmpty(), true},       {MakeString(u"5"), MakeNumber(5), true},
      {MakeNumber(5), MakeNumber(5), true},          {MakeString(u"a*"), MakeString(u"Apple"), true},
      {MakeString(u"<>a*"), MakeString(u"Apple"), false}, {MakeString(u""), MakeEmpty(), true},
      {MakeString(u""), MakeNumber(0), false},       {MakeString(u"="), MakeEmpty(), true},
      {MakeString(u"<>"), MakeEmpty(), false},       {MakeString(u"<>"), MakeString(u"x"), true},
      {MakeString(u"TRUE"), MakeBoolean(true), true}, {MakeString(u"#N/A"), xlx::MakeError(xlx::kErrorNA), true},
      {MakeString(u">b"), MakeString(u"C"), true},   {MakeString(u">b"), MakeNumber(9), false},
      {MakeString(u"3/1/2024"), MakeNumber(45352), true},
  };
  for (const Crit& c : crits)
    EXPECT_EQ(xlx::MakeCriterion(c.criterion, false).Matches(c.cell), c.match)
        << xlx::Utf16ToUtf8(c.criterion.strVal) << " / " << int(c.cell.type);
}

TEST(FormulaValue, FifteenDigitRounding) {
  const double cases[][2] = {{0.1 + 0.2, 0.3},       {1.0000000000000002, 1}, {123456789012345678.0, 123456789012346000.0},
                             {-2.675 * 100, -267.5}, {1e-300 / 3, 3.33333333333333e-301}, {0, 0}, {42, 42}};
  for (const auto& c : cases) EXPECT_NEAR(xlx::RoundTo15Digits(c[0]), c[1], std::fabs(c[1]) * 1e-15) << c[0];
}

TEST(FormulaDate, SerialsInBothDateSystems) {
  struct Case {
    int32_t year, month, day;
    bool date1904;
    double serial;
  };
  const Case cases[] = {{1900, 1, 1, false, 1},    {1900, 2, 28, false, 59}, {1900, 2, 29, false, 60},
                        {1900, 3, 1, false, 61},   {2024, 3, 1, false, 45352}, {9999, 12, 31, false, 2958465},
                        {1904, 1, 1, true, 0},     {2024, 3, 1, true, 43890}, {2024, 13, 1, false, 45658},
                        {2024, 3, 0, false, 45351}, {24, 1, 1, false, 8767}};
  for (const Case& c : cases) {
    double serial = -1;
    ASSERT_TRUE(xlx::SerialFromDate(c.year, c.month, c.day, c.date1904, &serial)) << c.year << "-" << c.month;
    EXPECT_EQ(serial, c.serial) << c.year << "-" << c.month << "-" << c.day;
    xlx::CivilDate back;
    ASSERT_TRUE(xlx::DateFromSerial(serial, c.date1904, &back));
    if (c.month >= 1 && c.month <= 12 && c.day >= 1 && c.year >= 1900) {
      EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day, c.year * 10000 + c.month * 100 + c.day);
    }
  }
  double serial = 0;
  EXPECT_FALSE(xlx::SerialFromDate(10000, 1, 1, false, &serial));
  EXPECT_FALSE(xlx::SerialFromDate(1900, 1, -1, false, &serial));
  EXPECT_FALSE(xlx::SerialFromDate(1904, 1, 1, false, &serial) && serial < 0);
  xlx::CivilDate zero;
  ASSERT_TRUE(xlx::DateFromSerial(0, false, &zero));
  EXPECT_EQ(zero.day, 0);
  EXPECT_FALSE(xlx::DateFromSerial(-1, false, &zero));
  // Weekdays: serial 1 is a Sunday by the 1900 system's count; 1 January 1904 was a Friday.
  EXPECT_EQ(xlx::WeekdayOfSerial(1, false), 0);
  EXPECT_EQ(xlx::WeekdayOfSerial(61, false), 4);
  EXPECT_EQ(xlx::WeekdayOfSerial(0, true), 5);
  EXPECT_EQ(xlx::SecondsOfSerial(0.75 + 0.4 / 86400), 64800);
  EXPECT_EQ(xlx::SecondsOfSerial(0.999999999), 0);
}

}  // namespace
