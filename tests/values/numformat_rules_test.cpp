// Rules of number formatting that a display table alone does not pin down: the General form
// fitted to a cell's width, '*' fill characters, '#' for values a cell cannot show, colours,
// hidden zeros, chart-label mode, text sections, the classification of codes, the date parts of a
// serial and the conversions between numbers and text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "tests/support/testsupport.h"
#include "values/numformat.h"

namespace {

using xlxtest::U16;

std::string Narrow(const char16_t* text) {
  std::string out;
  for (; *text; text++) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

// A font where digits, '#', 'E', '+' and '$' are 7 px wide, '.', ',' and ' ' 3 px, '-' 4 px.
double FakeMeasure(void*, const char16_t* text, size_t length) {
  double width = 0;
  for (size_t i = 0; i < length; i++) {
    char16_t unit = text[i];
    width += (unit == u'.' || unit == u',' || unit == u' ') ? 3 : unit == u'-' ? 4 : 7;
  }
  return width;
}

std::string Cell(double value, const char* code, double cellWidth = 0, uint32_t* color = nullptr,
                 bool showZeros = true) {
  std::u16string code16 = U16(code);
  xlx::CellTextFit fit = {cellWidth, FakeMeasure, nullptr};
  char16_t out[256];
  xlx::ParseCellFormat(value, code16.c_str(), showZeros, cellWidth > 0 ? &fit : nullptr, out,
                       256, color);
  return Narrow(out);
}

std::string Chart(double value, const char* code) {
  std::u16string code16 = U16(code);
  char16_t out[256];
  xlx::ParseNumberFormat(value, code16.c_str(), true, out, 256, nullptr);
  return Narrow(out);
}

TEST(NumberFormatRules, EdgeCasesOfSectionsPlaceholdersAndDates) {
  struct Case {
    double value;
    const char* code;
    const char* expected;
  } cases[] = {
      {0, "0.00", "0.00"},
      {0, "0.00;-0.00;0.00", "0.00"},  // a zero section shows its own digits
      {-3, "0;-0", "-3"},
      {-3, "0", "-3"},
      {-3, "@", "-3"},                 // a number through a text code shows as General
      {1234567, "#,##0", "1,234,567"},
      {5, "000", "005"},               // '0' pads
      {2.25, "0.0", "2.3"},
      {2.5, "0", "3"},
      {5, "0.##", "5."},               // the point stays
      {0.256, "0%", "26%"},
      {0.5, "# ?/?", " 1/2"},          // whole number and proper fraction, aligned on '/'
      {1.25, "# ?/?", "1 1/4"},
      {3, "# ?/?", "3    "},
      {123456, "0.00E+00", "1.23E+05"},  // exponents keep their placeholders' digits
      {36526.75, "yyyy-mm-dd hh:mm:ss", "2000-01-01 18:00:00"},
      {0.5, "h:mm AM/PM", "12:00 PM"},
      {0.25, "h:mm AM/PM", "6:00 AM"},
      {0.000011574, "mm:ss.0", "00:01.0"},
      {45296, "mmmm d, yyyy", "January 5, 2024"},  // the comma is a literal
      {45296, "[$-F800]dddd, mmmm dd, yyyy", "Friday, January 5, 2024"},  // system long date
      {45296.75, "[$-F400]h:mm", "6:00:00 PM"},                           // system long time
      {45296, "dddd, mmmm dd, yyyy", "Friday, January 05, 2024"},
      {60, "yyyy-mm-dd", "1900-02-29"},
      {1.5, "[h]:mm:ss", "36:00:00"},   // elapsed hours
      {0.75, "[mm]", "1080"},
      {1234.5, "[$-409]#,##0.00", "1,234.50"},  // locale tags show nothing
      {1234.5, "[$USD-409] #,##0", "USD 1,235"},
      {5, ";;;", ""},
      {-5, "0;;0", ""},
      {0, "[>0]0;[<0]-0", ""},
      {-7, "[>0]0;[<0]-0", "-7"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cell(c.value, c.code), c.expected) << c.value << " with " << c.code;
  }
}

TEST(NumberFormatRules, GeneralNarrowsToTheCellWidth) {
  struct Case {
    double value;
    double cellWidth;  // px; a digit is 7 px and 4 px are margins
    const char* expected;
  } cases[] = {
      {1234.5678, 60, "1234.568"},
      {3, 60, "3"},
      {123456789012, 4 + 20 * 7, "1.23457E+11"},
      {12345678901, 4 + 20 * 7, "12345678901"},
      {12345, 25, "###"},
      {123456789, 64, "1.23E+08"},
      {-123456789, 64, "-1.23E+08"},  // the sign is measured, not counted
      {0.333333333333, 64, "0.333333"},
      {0.000123456, 64, "0.000123"},
      {1e-5, 64, "1E-05"},
      {0.0, 64, "0"},
      {5, 5, ""},  // not even one '#'
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Cell(c.value, "General", c.cellWidth), c.expected)
        << c.value << " in " << c.cellWidth << " px";
  }
  // Without a width the General text has up to 11 units.
  EXPECT_EQ(Cell(1234.5678901234, "General"), "1234.56789");
  EXPECT_EQ(Cell(0.1234567890123, "General"), "0.123456789");
}

TEST(NumberFormatRules, FillRepeatsToTheCellWidthAndWideNumbersShowHashes) {
  const char* accounting = "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)";
  std::string text = Cell(1234, accounting, 100);
  ASSERT_GE(text.size(), 8u);
  EXPECT_EQ(text.substr(0, 2), " $");
  EXPECT_EQ(text.substr(text.size() - 6), "1,234 ");
  EXPECT_EQ(text.find_first_not_of(' ', 2), text.size() - 6);
  std::u16string wide = U16(text);
  double width = FakeMeasure(nullptr, wide.c_str(), wide.size());
  EXPECT_LE(width, 96.0);
  EXPECT_GT(width, 93.0);
  // Fill characters other than a space, and a fill at the end.
  EXPECT_EQ(Cell(42, "0*-", 4 + 7 * 2 + 4 * 3), "42---");
  EXPECT_EQ(Cell(42, "**0", 4 + 7 * 4), "**42");
  // Without a width the fill shows nothing.
  EXPECT_EQ(Cell(42, "0*-"), "42");
  // A number wider than its cell shows '#' across the cell; a date too.
  EXPECT_EQ(Cell(123456.78, "0.00", 40), "#####");
  EXPECT_EQ(Cell(45296, "dddd, mmmm d, yyyy", 40), "#####");
  EXPECT_EQ(Cell(5, "0.00", 40), "5.00");
  // Dates before serial 0 or after the year 9999 have no text.
  EXPECT_EQ(Cell(-1, "yyyy-mm-dd"), "########");
  EXPECT_EQ(Cell(3e6, "yyyy-mm-dd", 4 + 7 * 3), "###");
  EXPECT_EQ(Cell(std::numeric_limits<double>::infinity(), "0"), "########");
}

TEST(NumberFormatRules, ColoursComeFromTheChosenSection) {
  struct Case {
    double value;
    const char* code;
    uint32_t color;
  } cases[] = {
      {5, "[Red]0", 0xFF0000FFu},
      {5, "0;[Red]-0", xlx::kFormatColorAuto},
      {-5, "0;[Red]-0", 0xFF0000FFu},
      {-5, "#,##0.00_);[Red](#,##0.00)", 0xFF0000FFu},
      {0, "0;[Red]0;[Blue]0", 0xFFFF0000u},
      {5, "[GREEN]0", 0xFF00FF00u},
      {5, "[Color10]0", 0xFF008000u},
      {5, "[Color57]0", xlx::kFormatColorAuto},
      {150, "[Blue][>100]0;[Magenta]0", 0xFFFF0000u},
      {50, "[Blue][>100]0;[Magenta]0", 0xFFFF00FFu},
      {45296, "[Cyan]yyyy", 0xFFFFFF00u},
  };
  for (const Case& c : cases) {
    uint32_t color = 0;
    Cell(c.value, c.code, 0, &color);
    EXPECT_EQ(color, c.color) << c.value << " with " << c.code;
  }
  std::u16string code = U16("[Red]@");
  char16_t out[64];
  uint32_t color = 0;
  xlx::ParseTextFormat(u"abc", code.c_str(), out, 64, &color);
  EXPECT_EQ(color, 0xFF0000FFu);
}

TEST(NumberFormatRules, HiddenZerosAndChartLabels) {
  EXPECT_EQ(Cell(0, "0.00", 0, nullptr, false), "");
  EXPECT_EQ(Cell(std::nan(""), "0.00", 0, nullptr, true), "0.00");  // no value reads as 0
  EXPECT_EQ(Cell(0.001, "0", 0, nullptr, false), "0");  // only an exact zero is hidden
  EXPECT_EQ(Cell(-0.0, "0;-0;\"zero\""), "zero");
  EXPECT_EQ(Chart(0, "[>0]0;[<0]-0"), "0");
  EXPECT_EQ(Chart(1234.5, "General"), "1234.5");
  EXPECT_EQ(Chart(-0.5, "0%"), "-50%");
  EXPECT_EQ(Chart(123456789012.0, "General"), "1.23457E+11");
  char16_t out[32];
  xlx::ParseNumberFormat(5, nullptr, true, out, 32, nullptr);
  EXPECT_EQ(Narrow(out), "");
  xlx::ParseCellFormat(5, nullptr, true, nullptr, out, 32, nullptr);
  EXPECT_EQ(Narrow(out), "5");
}

TEST(NumberFormatRules, TextSections) {
  struct Case {
    const char* text;
    const char* code;
    const char* expected;
  } cases[] = {
      {"abc", "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", " abc "},
      {"abc", "0;0;0;\"T: \"@", "T: abc"},
      {"abc", "0;0;0;\"fixed\"", "fixed"},
      {"abc", "\"<\"@\">\"", "<abc>"},
      {"abc", "0.00", "abc"},
      {"abc", "@", "abc"},
  };
  for (const Case& c : cases) {
    std::u16string text = U16(c.text);
    std::u16string code = U16(c.code);
    char16_t out[64];
    xlx::ParseTextFormat(text.c_str(), code.c_str(), out, 64, nullptr);
    EXPECT_EQ(Narrow(out), c.expected) << c.code;
  }
}

TEST(NumberFormatRules, DetectsTheKindOfACode) {
  struct Case {
    const char* code;
    xlx::CellFormatType type;
  } cases[] = {
      {"General", xlx::kCellFormatGeneral},
      {"general", xlx::kCellFormatGeneral},
      {"General;-General", xlx::kCellFormatGeneral},
      {"[Red]General", xlx::kCellFormatGeneral},
      {"0.00E+00", xlx::kCellFormatScientific},
      {"0.0%", xlx::kCellFormatPercent},
      {"# ?/?", xlx::kCellFormatFraction},
      {"mm/dd/yyyy", xlx::kCellFormatDateTime},
      {"[h]:mm", xlx::kCellFormatDateTime},
      {"[$-409]h:mm AM/PM", xlx::kCellFormatDateTime},
      {"[Red]0.00", xlx::kCellFormatNumber},
      {"0 \"days\"", xlx::kCellFormatNumber},
      {"\\d0", xlx::kCellFormatNumber},
      {"_(* #,##0_)", xlx::kCellFormatNumber},
      {"@", xlx::kCellFormatNumber},
      {"1/2", xlx::kCellFormatFraction},
      {"/2", xlx::kCellFormatNumber},
  };
  for (const Case& c : cases) {
    std::u16string code = U16(c.code);
    EXPECT_EQ(xlx::DetectCellFormatType(code.c_str()), c.type) << c.code;
  }
  EXPECT_EQ(xlx::DetectCellFormatType(nullptr), xlx::kCellFormatGeneral);
}

TEST(NumberFormatRules, DatePartsOfASerial) {
  struct Case {
    double serial;
    int year, month, day, hour, minute, second, tenths;
  } cases[] = {
      {1, 1900, 1, 1, 0, 0, 0, 0},
      {59, 1900, 2, 28, 0, 0, 0, 0},
      {60, 1900, 2, 29, 0, 0, 0, 0},
      {61, 1900, 3, 1, 0, 0, 0, 0},
      {366, 1900, 12, 31, 0, 0, 0, 0},
      {367, 1901, 1, 1, 0, 0, 0, 0},
      {36526, 2000, 1, 1, 0, 0, 0, 0},
      {36526.75, 2000, 1, 1, 18, 0, 0, 0},
      {0.5, 1900, 1, 0, 12, 0, 0, 0},
      {45351, 2024, 2, 29, 0, 0, 0, 0},
      {2958465.99999, 9999, 12, 31, 23, 59, 59, 1},
      {0.00001, 1900, 1, 0, 0, 0, 0, 9},
  };
  for (const Case& c : cases) {
    xlx::_XLSDATETIME parts;
    ASSERT_TRUE(xlx::CalculateDateTimeValue(c.serial, 0, &parts)) << c.serial;
    EXPECT_EQ(parts.nYear, c.year) << c.serial;
    EXPECT_EQ(parts.nMonth, c.month) << c.serial;
    EXPECT_EQ(parts.nDay, c.day) << c.serial;
    EXPECT_EQ(parts.nHour, c.hour) << c.serial;
    EXPECT_EQ(parts.nMinute, c.minute) << c.serial;
    EXPECT_EQ(parts.nSecond, c.second) << c.serial;
    EXPECT_EQ(parts.nTenths, c.tenths) << c.serial;
  }
  xlx::_XLSDATETIME parts;
  EXPECT_FALSE(xlx::CalculateDateTimeValue(-1, 0, &parts));
  EXPECT_FALSE(xlx::CalculateDateTimeValue(std::nan(""), 0, &parts));
  EXPECT_FALSE(xlx::CalculateDateTimeValue(3e6, 0, &parts));
  EXPECT_FALSE(xlx::CalculateDateTimeValue(100, 1, &parts));
  EXPECT_EQ(xlx::GetMonthFromDays(60, true), 2);
  EXPECT_EQ(xlx::GetDayOfMonth(60, 2, true), 29);
  EXPECT_EQ(xlx::GetMonthFromDays(60, false), 3);
  EXPECT_EQ(xlx::GetDayOfMonth(365, 12, false), 31);

  // Tokens appended one by one, as a chart axis renders its labels.
  ASSERT_TRUE(xlx::CalculateDateTimeValue(45296.75, 0, &parts));
  char16_t out[64] = u"";
  xlx::AddDateTimePart(parts, false, false, u"dddd", 4, out, 64);
  xlx::AddDateTimePart(parts, false, false, u" ", 0, out, 64);
  xlx::AddDateTimePart(parts, false, false, u"MMM", 3, out, 64);
  xlx::AddDateTimePart(parts, false, false, u"yy", 2, out, 64);
  xlx::AddDateTimePart(parts, false, true, u"hh", 2, out, 64);
  xlx::AddDateTimePart(parts, true, false, u"mm", 2, out, 64);
  EXPECT_EQ(Narrow(out), "FridayJan240600");
  char16_t tiny[4] = u"";
  xlx::AddDateTimePart(parts, false, false, u"mmmm", 4, tiny, 4);
  EXPECT_EQ(Narrow(tiny), "Jan");
}

TEST(NumberFormatRules, NumbersAsTextAndTextAsNumbers) {
  struct ToNumber {
    const char16_t* text;
    bool ok;
    double value;
  } toNumber[] = {
      {u"", false, 0},        {u"E5", false, 0},     {u"e", false, 0},
      {u".", false, 0},       {u"12abc", false, 0},  {u"1 2", false, 0},
      {u"1,234", true, 1},    {u"1e5", true, 1e5},   {u"-2.5", true, -2.5},
      {u"+3", true, 3},       {u".5", true, 0.5},    {u"5.", true, 5},
      {u"1e", true, 1},       {u"+-", true, 0},      {u"1e-999", true, 0},
  };
  for (const ToNumber& c : toNumber) {
    double value = -99;
    EXPECT_EQ(xlx::TextToNumber(c.text, &value), c.ok) << Narrow(c.text);
    if (c.ok) {
      EXPECT_EQ(value, c.value) << Narrow(c.text);
    }
  }
  double value = 0;
  EXPECT_FALSE(xlx::TextToNumber(nullptr, &value));
  EXPECT_TRUE(xlx::TextToNumber(u"1e999", &value));
  EXPECT_TRUE(std::isinf(value));

  EXPECT_TRUE(xlx::IsNumericText(u""));
  EXPECT_TRUE(xlx::IsNumericText(u"1.5e+3"));
  EXPECT_TRUE(xlx::IsNumericText(u"-.-"));
  EXPECT_FALSE(xlx::IsNumericText(u"1,5"));
  EXPECT_FALSE(xlx::IsNumericText(u"12 "));
  EXPECT_FALSE(xlx::IsNumericText(nullptr));

  struct AsText {
    double value;
    const char* text;
  } asText[] = {
      {1.5, "1.5"},
      {0.1 + 0.2, "0.3"},
      {100, "100"},
      {-0.25, "-0.25"},
      {1e20, "1E+20"},
      {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {1e-10, "1E-10"},
      {0.000001, "0.000001"},
      {-0.0, "0"},
      {1.7976931348623157e308, "1.79769313486232E+308"},
  };
  for (const AsText& c : asText) {
    char16_t out[64];
    xlx::FormatNumberAsText(c.value, out, 64);
    EXPECT_EQ(Narrow(out), c.text) << c.value;
  }
  char16_t out[64];
  xlx::FormatGeneralNumber(-1234.5, out, 64);
  EXPECT_EQ(Narrow(out), "-1234.5");
  xlx::ConvertDecimalToFraction(1.25, out, 64);
  EXPECT_EQ(Narrow(out), "1 1/4");
}

}  // namespace
