// Properties that hold for every code and value: text never runs past the caller's capacity and
// a cut text is the start of the full text, for malformed codes and any double (NaN, infinities,
// the extremes, -0) too. Random codes are the number-format fuzz target's.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "values/format/numformat.h"

namespace {

const double kValues[] = {
    0.0, -0.0, 1.0, -1.0, 0.5, 2.675, 1234.5678, -1234.5678, 45296.75, 1e15, 1e-300,
    5e-324, 1e308, -1e308, 1.7976931348623157e308, 2958465.9999999, 2958466.0,
    std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(), 123456789012345678.0, 0.1 + 0.2,
};

const char* const kCodes[] = {
    "General", "0", "0.00", "#,##0.00", "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)",
    "0.00E+00", "##0.0E+0", "# ?\?/??", "?/100", "yyyy-mm-dd hh:mm:ss.000", "[h]:mm:ss",
    "[Red][>100]0.0;[Blue]0", "0;-0;\"zero\";@", "000000000000000000000000000000.000000000000",
    "#,##0,,,", "0%%%", "[$-F800]dddd", "@", "\"unterminated", "[unterminated", "*", "_", "\\",
};

double Measure(void*, const char16_t*, size_t length) { return 7.0 * static_cast<double>(length); }

// Calls every formatting entry with `capacity` units behind a guard and checks the guard.
void FormatAll(double value, const std::u16string& code, size_t capacity,
               std::vector<std::u16string>* texts) {
  const char16_t kGuard = 0xBEEF;
  std::vector<char16_t> buffer(capacity + 8, kGuard);
  xlx::CellTextFit fit = {90.0, Measure, nullptr};
  for (int entry = 0; entry < 6; entry++) {
    std::fill(buffer.begin(), buffer.end(), kGuard);
    uint32_t color = 0;
    switch (entry) {  // every formatting entry point
      case 0: xlx::ParseCellFormat(value, code.c_str(), true, nullptr, buffer.data(), capacity, &color); break;
      case 1: xlx::ParseCellFormat(value, code.c_str(), false, &fit, buffer.data(), capacity, &color); break;
      case 2: xlx::ParseNumberFormat(value, code.c_str(), true, buffer.data(), capacity, &color); break;
      case 3: xlx::ParseDateTimeFormat(value, 0, code.c_str(), buffer.data(), capacity); break;
      case 4: xlx::ParseTextFormat(u"some text", code.c_str(), buffer.data(), capacity, &color); break;
      case 5: xlx::ConvertDecimalToFraction(value, buffer.data(), capacity); break;
    }
    for (size_t i = capacity; i < buffer.size(); i++) {
      ASSERT_EQ(buffer[i], kGuard) << "entry " << entry << " wrote past " << capacity;
    }
    if (capacity > 0) {
      size_t length = 0;
      while (length < capacity && buffer[length]) length++;
      ASSERT_LT(length, capacity) << "entry " << entry << " left no terminator";
      if (texts) texts->push_back(std::u16string(buffer.data(), length));
    }
  }
}

TEST(NumberFormatProperties, NeverWritesPastTheCapacityAndCutsCleanly) {
  // A code longer than the limit is read up to the limit: the literal after it never shows.
  std::u16string longCode(xlx::kMaxFormatCodeUnits, u'0');
  longCode += u"\"tail\"";
  char16_t out[512];
  xlx::ParseCellFormat(5, longCode.c_str(), true, nullptr, out, 512, nullptr);
  EXPECT_EQ(std::u16string(out), std::u16string(xlx::kMaxFormatCodeUnits - 1, u'0') + u"5");

  for (const char* code8 : kCodes) {
    std::u16string code(code8, code8 + strlen(code8));
    for (double value : kValues) {
      std::vector<std::u16string> full;
      FormatAll(value, code, 256, &full);
      for (size_t capacity : {0, 1, 2, 3, 5, 8, 13, 40}) {
        std::vector<std::u16string> cut;
        FormatAll(value, code, capacity, &cut);
        for (size_t i = 0; i < cut.size(); i++) {
          EXPECT_EQ(full[i].compare(0, cut[i].size(), cut[i]), 0)
              << code8 << " value " << value << " capacity " << capacity << " entry " << i;
        }
      }
    }
  }
}

}  // namespace
