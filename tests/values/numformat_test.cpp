// Number formatting: what cells show for a value through the built-in codes 0-49 (14 and 22 in
// their US-English form) and common custom codes, as the spreadsheet application displays them
// without a cell width; then what a display table alone does not pin down: General fitted to a
// width, '*' fills, '#' for values a cell cannot show, colours, hidden zeros, chart labels, text
// sections, the kinds of codes, date parts of a serial and numbers as text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/apiutils.h"
#include "tests/support/testsupport.h"
#include "values/format/numformat.h"

namespace {

using xlxtest::U16;

std::string Utf8(const char16_t* text) { return xlx::Utf16ToUtf8(text); }

// A font where '.', ',' and ' ' are 3 px wide, '-' 4 px and everything else 7 px.
double FakeMeasure(void*, const char16_t* text, size_t length) {
  double width = 0;
  for (size_t i = 0; i < length; i++) width += (text[i] == u'.' || text[i] == u',' || text[i] == u' ') ? 3 : text[i] == u'-' ? 4 : 7;
  return width;
}

std::string Cell(double value, const char* code, double cellWidth = 0, uint32_t* color = nullptr, bool showZeros = true) {
  const std::u16string code16 = U16(code);
  xlx::CellTextFit fit = {cellWidth, FakeMeasure, nullptr};
  char16_t out[256];
  xlx::ParseCellFormat(value, code16.c_str(), showZeros, cellWidth > 0 ? &fit : nullptr, out, 256, color);
  return Utf8(out);
}

std::string Chart(double value, const char* code) {
  const std::u16string code16 = U16(code);
  char16_t out[256];
  xlx::ParseNumberFormat(value, code16.c_str(), true, out, 256, nullptr);
  return Utf8(out);
}

TEST(NumberFormat, ShowsWhatTheSpreadsheetShows) {
  const struct {
    double value;
    const char* code;
    const char* shown;
  } cases[] = {
    {0.0, "General", "0"}, {1.0, "General", "1"}, {-1.0, "General", "-1"}, {1234.5678, "General", "1234.5678"},
    {0.30000000000000004, "General", "0.3"}, {12345678901.0, "General", "12345678901"},
    {123456789012.0, "General", "1.23457E+11"}, {-123456789012.0, "General", "-1.23457E+11"},
    {0.000123456789, "General", "0.000123457"}, {0.00001234, "General", "1.234E-05"}, {1E+20, "General", "1E+20"},
    {2.5, "0", "3"}, {-2.5, "0", "-3"}, {0.4, "0", "0"}, {1234567.89, "0", "1234568"}, {3.14159, "0.00", "3.14"},
    {0.0, "0.00", "0.00"}, {2.675, "0.00", "2.68"}, {1.005, "0.00", "1.01"}, {-0.001, "0.00", "-0.00"},
    {1234567.0, "#,##0", "1,234,567"}, {-1234567.0, "#,##0", "-1,234,567"}, {0.0, "#,##0", "0"},
    {999.5, "#,##0", "1,000"}, {1234.567, "#,##0.00", "1,234.57"}, {0.5, "#,##0.00", "0.50"},
    {1234.0, "\"$\"#,##0_);\\(\"$\"#,##0\\)", "$1,234 "}, {-1234.0, "\"$\"#,##0_);\\(\"$\"#,##0\\)", "($1,234)"},
    {0.0, "\"$\"#,##0_);\\(\"$\"#,##0\\)", "$0 "}, {-1234.0, "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)", "($1,234)"},
    {1234.5, "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)", "$1,234.50 "},
    {-1234.5, "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)", "($1,234.50)"}, {1234.0, "($#,##0_);($#,##0)", "($1,234 "},
    {-1234.0, "($#,##0_);($#,##0)", "($1,234)"}, {1234.5, "($#,##0.00);($#,##0.00)", "($1,234.50)"},
    {0.256, "0%", "26%"}, {1.0, "0%", "100%"}, {0.12345, "0.00%", "12.35%"}, {-0.0005, "0.00%", "-0.05%"},
    {123456.0, "0.00E+00", "1.23E+05"}, {0.00012, "0.00E+00", "1.20E-04"}, {-123456.0, "0.00E+00", "-1.23E+05"},
    {0.0, "0.00E+00", "0.00E+00"}, {1E+100, "0.00E+00", "1.00E+100"}, {9.999, "0.00E+00", "1.00E+01"},
    {0.5, "# ?/?", " 1/2"}, {1.25, "# ?/?", "1 1/4"}, {3.0, "# ?/?", "3    "}, {0.0, "# ?/?", "0    "},
    {-1.25, "# ?/?", "-1 1/4"}, {2.3333333, "# ?/?", "2 1/3"}, {0.1, "# ?/?", " 1/9"},
    {3.14159265, "# ?\?/??", "3 14/99"}, {0.3, "# ?\?/??", "  3/10"}, {12.0625, "# ?\?/??", "12  1/16"},
    {45296.0, "m/d/yyyy", "1/5/2024"}, {1.0, "m/d/yyyy", "1/1/1900"}, {60.0, "m/d/yyyy", "2/29/1900"},
    {61.0, "m/d/yyyy", "3/1/1900"}, {366.0, "m/d/yyyy", "12/31/1900"}, {36526.0, "m/d/yyyy", "1/1/2000"},
    {2958465.0, "m/d/yyyy", "12/31/9999"}, {45296.0, "d-mmm-yy", "5-Jan-24"}, {45296.0, "d-mmm", "5-Jan"},
    {45296.0, "mmm-yy", "Jan-24"}, {0.5, "h:mm AM/PM", "12:00 PM"}, {0.25, "h:mm AM/PM", "6:00 AM"},
    {0.0, "h:mm AM/PM", "12:00 AM"}, {0.999, "h:mm AM/PM", "11:58 PM"}, {0.75, "h:mm:ss AM/PM", "6:00:00 PM"},
    {0.5625, "h:mm", "13:30"}, {0.99999, "h:mm", "23:59"}, {45296.75, "h:mm", "18:00"},
    {0.5007, "h:mm:ss", "12:01:00"}, {0.7, "h:mm:ss", "16:48:00"}, {45296.5, "m/d/yyyy h:mm", "1/5/2024 12:00"},
    {45296.999999, "m/d/yyyy h:mm", "1/6/2024 0:00"}, {1234.0, "#,##0 ;(#,##0)", "1,234 "},
    {-1234.0, "#,##0 ;(#,##0)", "(1,234)"}, {-1234.0, "#,##0 ;[Red](#,##0)", "(1,234)"},
    {1234.5, "#,##0.00;(#,##0.00)", "1,234.50"}, {-1234.5, "#,##0.00;[Red](#,##0.00)", "(1,234.50)"},
    {1234.0, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", " 1,234 "},
    {-1234.0, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", " (1,234)"},
    {0.0, "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", " - "},
    {1234.0, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)", " $1,234 "},
    {-1234.0, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)", " $(1,234)"},
    {0.0, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)", " $- "},
    {1234.5, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", " 1,234.50 "},
    {-1234.5, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", " (1,234.50)"},
    {0.0, "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"??_);_(@_)", " -   "},
    {1234.5, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)", " $1,234.50 "},
    {0.0, "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)", " $-   "},
    {0.0625, "mm:ss", "30:00"}, {0.000694444, "mm:ss", "01:00"}, {1.5, "[h]:mm:ss", "36:00:00"},
    {2.75, "[h]:mm:ss", "66:00:00"}, {0.0000115740740740741, "mm:ss.0", "00:01.0"}, {0.00001, "mm:ss.0", "00:00.9"},
    {0.5, "mm:ss.0", "00:00.0"}, {12345.0, "##0.0E+0", "12.3E+3"}, {0.0012345, "##0.0E+0", "1.2E-3"},
    {123.0, "##0.0E+0", "123.0E+0"}, {5.0, "@", "5"}, {5.0, "000", "005"}, {1234567.0, "000000", "1234567"},
    {5.0, "00.00", "05.00"}, {0.5, "#.##", ".5"}, {1.0, "0.##", "1."}, {1.5, "0.0#", "1.5"},
    {12.3, "???.???", " 12.3  "}, {-12.3, "???.???", "- 12.3  "}, {1234.5, "\"$\"#,##0.00", "$1,234.50"},
    {-1234.5, "\"$\"#,##0.00", "-$1,234.50"}, {1234.5, "[$$-409]#,##0.00", "$1,234.50"},
    {1234.5, "[$€-407]#,##0.00", "€1,234.50"}, {1234.5, "#,##0.00 [$EUR]", "1,234.50 EUR"},
    {1234.5, "£#,##0.00", "£1,234.50"}, {-1234.5, "£#,##0.00;[Red]-£#,##0.00", "-£1,234.50"},
    {1234.5, "#,##0.00 \"USD\"", "1,234.50 USD"}, {5.0, "0 \"items\"", "5 items"},
    {1.0, "0 \"item\";0 \"items\"", "1 item"}, {12.5, "0.0 \"kg\"", "12.5 kg"}, {0.0, "0;-0;\"zero\"", "zero"},
    {0.0, "0.00;-0.00;0.00", "0.00"}, {0.0, "0.00;-0.00;\"-\"", "-"}, {-5.0, "0;-0;\"zero\"", "-5"},
    {-5.0, "0;\"neg\"", "neg"}, {5.0, "\"pos\";\"neg\";\"zero\"", "pos"}, {-5.0, "\"pos\";\"neg\";\"zero\"", "neg"},
    {0.0, "\"pos\";\"neg\";\"zero\"", "zero"}, {5.0, ";;;", ""}, {-5.0, "0;", ""},
    {50.0, "[>100]\"big\";[<=100]\"small\"", "small"}, {150.0, "[>100]\"big\";[<=100]\"small\"", "big"},
    {150.0, "[Red][>100]0;[Blue][<=100]0", "150"}, {5.0, "[<10]0.0;0", "5.0"},
    {-5.0, "[>=10]0;0.00", "-5.00"}, {123456789.0, "000-00-0000", "123-45-6789"},
    {5551234.0, "[<=9999999]###-####;(###) ###-####", "555-1234"},
    {5555551234.0, "[<=9999999]###-####;(###) ###-####", "(555) 555-1234"}, {1234567.0, "#,##0.00,,\"M\"", "1.23M"},
    {1234567.0, "#,##0,\"K\"", "1,235K"}, {1234567.0, "0.0,,", "1.2"}, {12345.0, "0.0,", "12.3"},
    {0.05, "0.0%", "5.0%"}, {1.5, "0.0%", "150.0%"}, {0.123, "#0.0%", "12.3%"}, {123456.0, "0.0E+0", "1.2E+5"},
    {0.000012, "0.000E+00", "1.200E-05"}, {12345.0, "0E+0", "1E+4"}, {12345.0, "0.00e+00", "1.23e+04"},
    {45296.0, "dd/mm/yyyy", "05/01/2024"}, {45296.0, "d/m/yy", "5/1/24"}, {45296.0, "yyyy-mm-dd", "2024-01-05"},
    {45296.0, "dd.mm.yyyy", "05.01.2024"}, {45296.0, "dddd, mmmm d, yyyy", "Friday, January 5, 2024"},
    {45296.0, "ddd d mmm", "Fri 5 Jan"}, {45296.0, "mmmm yyyy", "January 2024"}, {45296.0, "mmmmm", "J"},
    {45296.5, "dd/mm/yyyy hh:mm", "05/01/2024 12:00"}, {45296.75, "yyyy-mm-dd hh:mm:ss", "2024-01-05 18:00:00"},
    {36526.75, "yyyy-mm-dd hh:mm:ss", "2000-01-01 18:00:00"}, {0.5, "hh:mm:ss AM/PM", "12:00:00 PM"},
    {0.5, "h:mm a/p", "12:00 p"}, {0.25, "h:mm A/P", "6:00 A"}, {0.0001, "h:mm:ss.00", "0:00:08.64"},
    {0.123456, "hh:mm:ss.000", "02:57:46.598"}, {1.25, "[mm]:ss", "1800:00"}, {1.25, "[ss]", "108000"},
    {0.5, "[h]", "12"}, {1.0, "d \"days\"", "1 days"}, {45296.0, "\"Date: \"yyyy-mm-dd", "Date: 2024-01-05"},
    {45296.0, "[$-409]mmmm d, yyyy", "January 5, 2024"},
    {45296.0, "[$-F800]dddd, mmmm dd, yyyy", "Friday, January 5, 2024"}, {45296.5, "[$-409]h:mm AM/PM", "12:00 PM"},
    {45296.0, "mmm d, yyyy", "Jan 5, 2024"}, {0.6, "h \"hrs\" m \"min\"", "14 hrs 24 min"},
    {0.000011574, "mm:ss.0", "00:01.0"}, {60.0, "dddd", "Wednesday"}, {1.0, "dddd", "Sunday"},
    {0.0, "yyyy-mm-dd", "1900-01-00"}, {0.0, "m/d/yyyy", "1/0/1900"}, {0.99999999, "hh:mm:ss", "00:00:00"},
    {1234.5, "0.00_);(0.00)", "1234.50 "}, {-1234.5, "0.00_);(0.00)", "(1234.50)"}, {42.0, "\\#0", "#42"},
    {42.0, "0\\%", "42%"}, {42.0, "\"(\" 0 \")\"", "( 42 )"}, {42.0, "* 0", "42"}, {42.0, "0* ", "42"},
    {42.0, "-0", "-42"}, {-42.0, "+0;-0", "-42"}, {42.0, "+0;-0", "+42"}, {0.5, "?/?", "1/2"},
    {0.75, "?\?/??", " 3/4 "}, {2.75, "?/4", "11/4"}, {0.333, "#/8", "3/8"}, {0.05, "# ?/2", "0    "},
    {3.999, "# ?/?", "4    "}, {1.999, "# ?\?/??", "2      "},
    {-3, "0;-0", "-3"}, {-3, "0", "-3"}, {-3, "@", "-3"}, {2.25, "0.0", "2.3"}, {5, "0.##", "5."},
    {45296, "mmmm d, yyyy", "January 5, 2024"}, {45296.75, "[$-F400]h:mm", "6:00:00 PM"},
    {45296, "dddd, mmmm dd, yyyy", "Friday, January 05, 2024"}, {60, "yyyy-mm-dd", "1900-02-29"},
    {0.75, "[mm]", "1080"}, {1234.5, "[$-409]#,##0.00", "1,234.50"}, {1234.5, "[$USD-409] #,##0", "USD 1,235"},
    {-5, "0;;0", ""}, {-7, "[>0]0;[<0]-0", "-7"},
  };
  for (const auto& c : cases) EXPECT_EQ(Cell(c.value, c.code), c.shown) << "value " << c.value << " code " << c.code;
}

// Less common codes, one group per rule of the format-code syntax.
TEST(NumberFormat, FollowsTheRulesOfUnusualCodes) {
  const struct {
    double value;
    const char* code;
    const char* shown;
  } cases[] = {
      // Exponents: the mark keeps its case; E- and e- sign only negative exponents; the sign
      // stands where the digits start; the exponent is a multiple of the integer placeholders;
      // '?' pads the exponent with spaces; zero fills every integer placeholder; percent does
      // not scale.
      {12345, "0.00E-00", "1.23E04"}, {0.00012, "0.00e-00", "1.20e-04"}, {12345, "##0.0e+0", "12.3e+3"},
      {1, "0.0E+0", "1.0E+0"}, {12345, "0.0E+00 \\x", "1.2E+04 x"}, {12345, "0.0e+0", "1.2e+4"},
      {12345, "0.0E+\"x\"00", "1.2Ex+04"}, {12345, "0.0E-\"|\"0", "1.2E|4"}, {0.00012, "0.0E-\"|\"0", "1.2E|-4"},
      {1234567, "00.00E+0", "01.23E+6"}, {0.00012, "000.0E+0", "120.0E-6"}, {1234567, "?,???.#E+0", "  123.5E+4"},
      {5, "0E+??", "5E+ 0"}, {5e12, "0E+???", "5E+ 12"}, {0, "#,###.#E+0", "0,000.E+0"}, {0, "?.?E-0", "0. E0"},
      {0.5, "0.0E+0%", "5.0E-1%"}, {1234, "0.0E+0,", "1.2E+3"},
      // A comma ahead of every placeholder shows itself.
      {1234, ",0", ",1234"}, {1234, ",#,##0", ",1,234"},
      // Literals before, between and after placeholders; surplus digits go to the leftmost one.
      {1234, "00-00", "12-34"}, {12345, "0-0", "1234-5"}, {1234, "0\\,0", "123,4"}, {1234, "0\",\"0", "123,4"},
      {1.234, "0.0-0", "1.2-3"}, {123, "0 0", "12 3"}, {7, "\"<\"0\">\"", "<7>"},
      // Grouping between integer placeholders in any spot; scaling by a run that ends the digits.
      {1234567, "0,00", "1,234,567"}, {1234567, "#,#,#", "1,234,567"}, {1234567, "0,.00", "1234.57"},
      {1234567, "#,##0.0,", "1,234.6"}, {1234567, "0, \"K\"", "1235 K"}, {1234567890, "#,##0,,,\"B\"", "1B"},
      {1234.5, "0.0,0", "1234.50"}, {12, "?,???", "   12"},
      // Conditions: with two conditional sections a value neither accepts shows '#'.
      {50, "[>=100]0;[<0]-0", "########"}, {0, "[>0]0;[<0]-0", "########"},
      {3, "[=1]\"One\";[=2]\"Two\"", "########"}, {2, "[=1]\"One\";[=2]\"Two\"", "Two"},
      {50, "[<10]0.0", "50"}, {50, "[<10]0.0;0", "50"}, {-50, "[>=100]0;[<0]0", "50"},
      // A lone section whose condition does not accept the value: the General form.
      {5, "[>10]0.00", "5"}, {-5.25, "[>10]0.00", "-5.25"}, {5, "[<>10]0.0\" x\"", "5.0 x"}, {10, "[<>10]0.0", "10"},
      // A section written for negatives shows its own sign, in first place too.
      {-5, "[<0]\"neg\";\"other\"", "neg"}, {-5, "[<=-1]0.0;0", "5.0"}, {-5, "[<10]0.0", "-5.0"},
      // Elapsed time beside clock tokens of the same unit.
      {1.5, "[h] \\h h", "36 h 36"}, {1.5, "[mm]:ss", "2160:00"}, {1.0006, "[h]:mm:ss.0", "24:00:51.8"},
      {1.5, "[ss] s h", "129600 129600 12"}, {1.5, "[h]:mm h", "36:00 36"},
      // Negative elapsed times: a minus sign, then the length; 'm' after seconds is minutes.
      {-1.5, "[h]:mm", "-36:00"}, {-0.5, "\"t=\"[mm]", "-t=720"}, {-0.25, "s \"s\" [m]", "-0 s 360"},
      {0.5 + 7.0 / 1440 + 5.0 / 86400, "s:m", "5:7"}, {-0.5, "h:mm", "########"},
      // Fractions: variable denominators of one to three digits, fixed ones kept unreduced.
      {1.5, "# ?\?/16", "1  8/16"}, {0.26, "# ?/100", " 26/100"}, {0.3333, "# ??\?/???", "   1/3  "},
      {5.5, "# \"and\" ?/?", "5 and 1/2"}, {0.6, "# ?/10", " 6/10"}, {-0.5, "?/?", "-1/2"},
      // Literals between the parts of a fraction; after an empty whole part they follow a '0',
      // turn into spaces after a '?' and drop after a '#'.
      {2.5, "#\\:#=/=#", "2:1=/=2"}, {0.5, "#\\:#/#", "1/2"}, {0.5, "0\\:#/#", "0:1/2"}, {0.5, "?\\:#/#", "  1/2"},
      {12.5, "#-#\\:#/#", "1-2:1/2"}, {0.5, "#-#\\:#/#", "-1/2"}, {2.5, "#_#/#", "5 /2"}, {2.5, "\"<\"#/#\">\"", "<5/2>"},
      // Whole numbers: alone (blank as wide as the fraction when the code has a '?'), or with a
      // '0' numerator over 1.
      {3, "#\\:#/#", "3"}, {3, "#\\:?/#", "3    "}, {0, "#\\:#/#\"|\"", "0|"}, {3, "#\\:0/#", "3:0/1"},
      {0, "#\\:0/0", "0/1"}, {0, "?\\:0/0", "0:0/1"}, {1, "#\\:0/00", "1:0/01"}, {0, "#\\:?0#/00", " 00/01"},
      // Decimal placeholders mixed: a '0' keeps every digit left of it.
      {1, "0.#0", "1.00"}, {1, "0.?0", "1.00"}, {1.5, "0.#0", "1.50"}, {1.05, "0.#0", "1.05"},
      {1, "0.0?", "1.0 "}, {1.5, "0.?#", "1.5"}, {1, "0.?#", "1. "},
      // Locale tags: calendar (yy) and digit shape (xx) of [$-xxyyzzzz]; culture tags.
      {1234.5, "[$-2000000]#,##0.00", "١,٢٣٤.٥٠"}, {1234, "[$-3000401]0", "۱۲۳۴"},
      {45296, "[$-D07041E]d/m/yyyy", "๕/๑/๒๕๖๗"}, {45296, "[$-1070409]yyyy", "2567"},
      {45296, "[$-0040404]yyyy/m/d", "113/1/5"}, {45296, "[$-50412]yyyy", "4357"},
      {45296, "[$-x-sysdate]dddd", "Friday, January 5, 2024"}, {0.75, "[$-x-systime]h:mm", "6:00:00 PM"},
      {45296, "[$-ar-SA]yyyy", "2024"}, {45296, "[$-1110000]yyyy", "2024"},
      // Japanese eras: 'g' names the era, 'e' counts its years; without the language 'g' is blank.
      {45296, "[$-411]ggge\"年\"m\"月\"d\"日\"", "令和6年1月5日"}, {45296, "[$-411]gg ee", "令 06"},
      {45296, "[$-ja-JP]g e", "R 6"}, {32516, "[$-30411]ggge", "平成1"}, {32515, "[$-411]ggge", "昭和64"},
      {45296, "ggge", "2024"}, {28313, "ee-mm-dd", "1977-07-07"},
  };
  for (const auto& c : cases) EXPECT_EQ(Cell(c.value, c.code), c.shown) << "value " << c.value << " code " << c.code;
}

TEST(NumberFormat, GeneralNarrowsToTheCellWidth) {
  const struct {
    double value;
    double cellWidth;  // px; a digit is 7 px and 4 px are margins
    const char* expected;
  } cases[] = {
      {1234.5678, 60, "1234.568"}, {3, 60, "3"}, {123456789012, 4 + 20 * 7, "1.23457E+11"},
      {12345678901, 4 + 20 * 7, "12345678901"}, {12345, 25, "###"}, {123456789, 64, "1.23E+08"},
      {-123456789, 64, "-1.23E+08"},  // the sign is measured, not counted
      {0.333333333333, 64, "0.333333"}, {0.000123456, 64, "0.000123"}, {1e-5, 64, "1E-05"}, {0.0, 64, "0"},
      {5, 5, ""},  // not even one '#'
  };
  for (const auto& c : cases) EXPECT_EQ(Cell(c.value, "General", c.cellWidth), c.expected) << c.value << " in " << c.cellWidth;
  // Without a width the General text has up to 11 units.
  EXPECT_EQ(Cell(1234.5678901234, "General"), "1234.56789");
  EXPECT_EQ(Cell(0.1234567890123, "General"), "0.123456789");
}

TEST(NumberFormat, FillRepeatsToTheCellWidthAndWideNumbersShowHashes) {
  const std::string text = Cell(1234, "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)", 100);
  ASSERT_GE(text.size(), 8u);
  EXPECT_EQ(text.substr(0, 2), " $");
  EXPECT_EQ(text.substr(text.size() - 6), "1,234 ");
  EXPECT_EQ(text.find_first_not_of(' ', 2), text.size() - 6);
  const std::u16string wide = U16(text);
  const double width = FakeMeasure(nullptr, wide.c_str(), wide.size());
  EXPECT_LE(width, 96.0);
  EXPECT_GT(width, 93.0);
  const struct {
    double value;
    const char* code;
    double cellWidth;
    const char* expected;
  } cases[] = {
      {42, "0*-", 4 + 7 * 2 + 4 * 3, "42---"},  // other fill characters, a fill at the end
      {42, "**0", 4 + 7 * 4, "**42"},
      {42, "0*-", 0, "42"},  // without a width the fill shows nothing
      // A number or date wider than its cell shows '#' across the cell.
      {123456.78, "0.00", 40, "#####"}, {45296, "dddd, mmmm d, yyyy", 40, "#####"}, {5, "0.00", 40, "5.00"},
      // Dates before serial 0 or after the year 9999 have no text.
      {-1, "yyyy-mm-dd", 0, "########"}, {3e6, "yyyy-mm-dd", 4 + 7 * 3, "###"},
      {std::numeric_limits<double>::infinity(), "0", 0, "########"},
  };
  for (const auto& c : cases) EXPECT_EQ(Cell(c.value, c.code, c.cellWidth), c.expected) << c.value << " with " << c.code;
}

TEST(NumberFormat, ColoursComeFromTheChosenSection) {
  const struct {
    double value;
    const char* code;
    uint32_t color;
  } cases[] = {
      {5, "[Red]0", 0xFF0000FFu}, {5, "0;[Red]-0", xlx::kFormatColorAuto}, {-5, "0;[Red]-0", 0xFF0000FFu},
      {-5, "#,##0.00_);[Red](#,##0.00)", 0xFF0000FFu}, {0, "0;[Red]0;[Blue]0", 0xFFFF0000u},
      {5, "[GREEN]0", 0xFF00FF00u}, {5, "[Color10]0", 0xFF008000u}, {5, "[Color57]0", xlx::kFormatColorAuto},
      {150, "[Blue][>100]0;[Magenta]0", 0xFFFF0000u}, {50, "[Blue][>100]0;[Magenta]0", 0xFFFF00FFu},
      {45296, "[Cyan]yyyy", 0xFFFFFF00u}, {5, "[White]0", 0xFFFFFFFFu}, {5, "[Color2]0", 0xFFFFFFFFu},
  };
  for (const auto& c : cases) {
    uint32_t color = 0;
    Cell(c.value, c.code, 0, &color);
    EXPECT_EQ(color, c.color) << c.value << " with " << c.code;
  }
  const std::u16string code = U16("[Red]@");
  char16_t out[64];
  uint32_t color = 0;
  xlx::ParseTextFormat(u"abc", code.c_str(), out, 64, &color);
  EXPECT_EQ(color, 0xFF0000FFu);
}

TEST(NumberFormat, HiddenZerosChartLabelsAndTextSections) {
  EXPECT_EQ(Cell(0, "0.00", 0, nullptr, false), "");
  EXPECT_EQ(Cell(std::nan(""), "0.00"), "0.00");  // no value reads as 0
  EXPECT_EQ(Cell(0.001, "0", 0, nullptr, false), "0");  // only an exact zero is hidden
  EXPECT_EQ(Cell(-0.0, "0;-0;\"zero\""), "zero");
  EXPECT_EQ(Chart(0, "[>0]0;[<0]-0"), "0");
  EXPECT_EQ(Chart(1234.5, "General"), "1234.5");
  EXPECT_EQ(Chart(-0.5, "0%"), "-50%");
  EXPECT_EQ(Chart(123456789012.0, "General"), "1.23457E+11");
  char16_t out[64];
  xlx::ParseNumberFormat(5, nullptr, true, out, 32, nullptr);
  EXPECT_EQ(Utf8(out), "");
  xlx::ParseCellFormat(5, nullptr, true, nullptr, out, 32, nullptr);
  EXPECT_EQ(Utf8(out), "5");
  const struct {
    const char* code;
    const char* expected;  // of the text "abc"
  } texts[] = {
      {"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", " abc "}, {"0;0;0;\"T: \"@", "T: abc"},
      {"0;0;0;\"fixed\"", "fixed"}, {"\"<\"@\">\"", "<abc>"}, {"0.00", "abc"}, {"@", "abc"},
      {"@ @", "abc abc"}, {"0;0;0;@\"-\"@", "abc-abc"}, {"0;0;0;General", "abc"},
  };
  for (const auto& c : texts) {
    const std::u16string code = U16(c.code);
    xlx::ParseTextFormat(u"abc", code.c_str(), out, 64, nullptr);
    EXPECT_EQ(Utf8(out), c.expected) << c.code;
  }
}

TEST(NumberFormat, DetectsTheKindOfACode) {
  const struct {
    const char* code;
    xlx::CellFormatType type;
  } cases[] = {
      {"General", xlx::kCellFormatGeneral}, {"general", xlx::kCellFormatGeneral},
      {"General;-General", xlx::kCellFormatGeneral}, {"[Red]General", xlx::kCellFormatGeneral},
      {"0.00E+00", xlx::kCellFormatScientific}, {"0.0%", xlx::kCellFormatPercent}, {"# ?/?", xlx::kCellFormatFraction},
      {"1/2", xlx::kCellFormatFraction}, {"/2", xlx::kCellFormatNumber}, {"mm/dd/yyyy", xlx::kCellFormatDateTime},
      {"[h]:mm", xlx::kCellFormatDateTime}, {"[$-409]h:mm AM/PM", xlx::kCellFormatDateTime},
      {"[Red]0.00", xlx::kCellFormatNumber}, {"0 \"days\"", xlx::kCellFormatNumber}, {"\\d0", xlx::kCellFormatNumber},
      {"_(* #,##0_)", xlx::kCellFormatNumber}, {"@", xlx::kCellFormatNumber},
  };
  for (const auto& c : cases) EXPECT_EQ(xlx::DetectCellFormatType(U16(c.code).c_str()), c.type) << c.code;
  EXPECT_EQ(xlx::DetectCellFormatType(nullptr), xlx::kCellFormatGeneral);
}

TEST(NumberFormat, DatePartsOfASerial) {
  const struct {
    double serial;
    int year, month, day, hour, minute, second, tenths;
  } cases[] = {
      {1, 1900, 1, 1, 0, 0, 0, 0},       {59, 1900, 2, 28, 0, 0, 0, 0},      {60, 1900, 2, 29, 0, 0, 0, 0},
      {61, 1900, 3, 1, 0, 0, 0, 0},      {366, 1900, 12, 31, 0, 0, 0, 0},    {367, 1901, 1, 1, 0, 0, 0, 0},
      {36526.75, 2000, 1, 1, 18, 0, 0, 0}, {0.5, 1900, 1, 0, 12, 0, 0, 0},   {45351, 2024, 2, 29, 0, 0, 0, 0},
      {2958465.99999, 9999, 12, 31, 23, 59, 59, 1}, {0.00001, 1900, 1, 0, 0, 0, 0, 9},
  };
  xlx::_XLSDATETIME p;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.serial);
    ASSERT_TRUE(xlx::CalculateDateTimeValue(c.serial, 0, &p));
    EXPECT_EQ((std::vector<int>{p.nYear, p.nMonth, p.nDay, p.nHour, p.nMinute, p.nSecond, p.nTenths}),
              (std::vector<int>{c.year, c.month, c.day, c.hour, c.minute, c.second, c.tenths}));
  }
  for (double serial : {-1.0, std::nan(""), 3e6}) EXPECT_FALSE(xlx::CalculateDateTimeValue(serial, 0, &p)) << serial;
  EXPECT_FALSE(xlx::CalculateDateTimeValue(100, 1, &p));
  EXPECT_EQ(xlx::GetMonthFromDays(60, true), 2);
  EXPECT_EQ(xlx::GetDayOfMonth(60, 2, true), 29);
  EXPECT_EQ(xlx::GetMonthFromDays(60, false), 3);
  EXPECT_EQ(xlx::GetDayOfMonth(365, 12, false), 31);

  // Tokens appended one by one, as a chart axis renders its labels.
  ASSERT_TRUE(xlx::CalculateDateTimeValue(45296.75, 0, &p));
  char16_t out[64] = u"";
  xlx::AddDateTimePart(p, false, false, u"dddd", 4, out, 64);
  xlx::AddDateTimePart(p, false, false, u" ", 0, out, 64);
  xlx::AddDateTimePart(p, false, false, u"MMM", 3, out, 64);
  xlx::AddDateTimePart(p, false, false, u"yy", 2, out, 64);
  xlx::AddDateTimePart(p, false, true, u"hh", 2, out, 64);
  xlx::AddDateTimePart(p, true, false, u"mm", 2, out, 64);
  EXPECT_EQ(Utf8(out), "FridayJan240600");
  char16_t tiny[4] = u"";
  xlx::AddDateTimePart(p, false, false, u"mmmm", 4, tiny, 4);
  EXPECT_EQ(Utf8(tiny), "Jan");
}

TEST(NumberFormat, WorkbooksOfThe1904SystemShowTheirOwnDates) {
  const struct {
    double value;
    const char* code;
    const char* shown;
  } cases[] = {
      {0, "yyyy-mm-dd", "1904-01-01"},        {1.5, "d/m/yyyy h:mm", "2/1/1904 12:00"},
      {45000, "mmm d, yyyy", "Mar 16, 2027"},  {1.5, "[h]:mm", "36:00"},   {0.25, "h:mm AM/PM", "6:00 AM"},
      {1.5, "0.00", "1.50"},                   {2, "\"[h]\" yyyy", "[h] 1904"},
  };
  for (const auto& c : cases) {
    const std::u16string code = U16(c.code);
    EXPECT_EQ(Cell(xlx::SerialForDisplay(c.value, code.c_str(), true), c.code), c.shown) << c.code;
    EXPECT_EQ(xlx::SerialForDisplay(c.value, code.c_str(), false), c.value) << c.code;
  }
}

TEST(NumberFormat, NumbersAsTextAndTextAsNumbers) {
  const struct {
    const char16_t* text;
    bool ok;
    double value;
  } toNumber[] = {
      {u"", false, 0},     {u"E5", false, 0},    {u"e", false, 0},    {u".", false, 0},     {u"12abc", false, 0},
      {u"1 2", false, 0},  {u"1,234", true, 1},  {u"1e5", true, 1e5}, {u"-2.5", true, -2.5}, {u"+3", true, 3},
      {u".5", true, 0.5},  {u"5.", true, 5},     {u"1e", true, 1},    {u"+-", true, 0},     {u"1e-999", true, 0},
  };
  for (const auto& c : toNumber) {
    double value = -99;
    EXPECT_EQ(xlx::TextToNumber(c.text, &value), c.ok) << Utf8(c.text);
    if (c.ok) {
      EXPECT_EQ(value, c.value) << Utf8(c.text);
    }
  }
  double value = 0;
  EXPECT_FALSE(xlx::TextToNumber(nullptr, &value));
  EXPECT_TRUE(xlx::TextToNumber(u"1e999", &value));
  EXPECT_TRUE(std::isinf(value));
  for (const char16_t* numeric : {u"", u"1.5e+3", u"-.-"}) EXPECT_TRUE(xlx::IsNumericText(numeric)) << Utf8(numeric);
  for (const char16_t* text : {u"1,5", u"12 "}) EXPECT_FALSE(xlx::IsNumericText(text)) << Utf8(text);
  EXPECT_FALSE(xlx::IsNumericText(nullptr));

  const struct {
    double value;
    const char* text;
  } asText[] = {
      {1.5, "1.5"}, {0.1 + 0.2, "0.3"}, {100, "100"}, {-0.25, "-0.25"}, {1e20, "1E+20"}, {1e15, "1E+15"},
      {123456789012345.0, "123456789012345"}, {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"},
      {1e-10, "1E-10"}, {0.000001, "0.000001"}, {-0.0, "0"}, {1.7976931348623157e308, "1.79769313486232E+308"},
  };
  char16_t out[64];
  for (const auto& c : asText) {
    xlx::FormatNumberAsText(c.value, out, 64);
    EXPECT_EQ(Utf8(out), c.text) << c.value;
  }
  xlx::FormatGeneralNumber(-1234.5, out, 64);
  EXPECT_EQ(Utf8(out), "-1234.5");
  xlx::ConvertDecimalToFraction(1.25, out, 64);
  EXPECT_EQ(Utf8(out), "1 1/4");
}

}  // namespace
