// Numbers as text and text as numbers: the numeric-text tests used by readers and the formula
// engine, and the text of a number joined into a string. Conversions use std::from_chars and
// std::to_chars, which do not depend on the process locale.
#include <charconv>
#include <cmath>
#include <string>

#include "values/format/internal.h"
#include "values/format/numformat.h"

namespace xlx {

bool IsNumericText(const char16_t* pText) {
  if (!pText) return false;
  for (const char16_t* p = pText; *p; p++) {
    char16_t unit = *p;
    bool bDigit = unit >= u'0' && unit <= u'9';
    if (!bDigit && unit != u'.' && unit != u'e' && unit != u'E' && unit != u'+' && unit != u'-') {
      return false;
    }
  }
  return true;
}

bool TextToNumber(const char16_t* pText, double* pdValue) {
  if (!pText || !pText[0]) return false;
  if (pText[0] == u'e' || pText[0] == u'E') return false;
  if (pText[0] == u'.' && pText[1] == 0) return false;
  std::string ascii;
  for (const char16_t* p = pText; *p; p++) {
    char16_t unit = *p;
    bool bDigit = unit >= u'0' && unit <= u'9';
    if (!bDigit && unit != u',' && unit != u'.' && unit != u'e' && unit != u'E' &&
        unit != u'+' && unit != u'-') {
      return false;
    }
    ascii.push_back(static_cast<char>(unit));
  }
  // The longest leading number: an optional sign, digits, a point and an exponent.
  const char* first = ascii.c_str();
  const char* last = first + ascii.size();
  bool bNegative = false;
  if (first < last && (*first == '+' || *first == '-')) {
    bNegative = *first == '-';
    first++;
  }
  double value = 0.0;
  std::from_chars_result result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: infinity, or zero for a tiny value, as strtod gives.
    const char* exponent = first;
    while (exponent < last && *exponent != 'e' && *exponent != 'E') exponent++;
    bool bTiny = exponent + 1 < last ? exponent[1] == '-' : (*first == '0' || *first == '.');
    value = bTiny ? 0.0 : HUGE_VAL;
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  if (pdValue) *pdValue = bNegative ? -value : value;
  return true;
}

void FormatNumberAsText(double dValue, char16_t* pOut, size_t nCapacity) {
  if (!pOut || nCapacity == 0) return;
  fmt::TextSink sink(pOut, nCapacity);
  if (std::isnan(dValue) || !std::isfinite(dValue)) {
    sink.PutAscii("#NUM!");
    sink.Finish();
    return;
  }
  if (dValue < 0.0) sink.Put(u'-');
  double magnitude = std::fabs(dValue);
  if (magnitude == 0.0) {
    sink.Put(u'0');
    sink.Finish();
    return;
  }
  // Shortest round-trip digits, cut to the 15 significant digits a cell holds.
  char text[40];
  std::to_chars_result result =
      std::to_chars(text, text + sizeof(text) - 1, magnitude, std::chars_format::scientific);
  *result.ptr = 0;
  int significant = 0;
  for (const char* p = text; *p && *p != 'e'; p++) significant += (*p >= '0' && *p <= '9');
  fmt::DecimalValue value;
  if (significant > 15) {
    fmt::ToDecimal(magnitude, &value);
  } else {
    value.nDigits = 0;
    const char* p = text;
    for (; *p && *p != 'e'; p++) {
      if (*p >= '0' && *p <= '9') value.digits[value.nDigits++] = *p;
    }
    int exponent = 0;
    bool bNegative = false;
    if (*p == 'e') {
      p++;
      bNegative = *p == '-';
      if (*p == '-' || *p == '+') p++;
      for (; *p >= '0' && *p <= '9'; p++) exponent = exponent * 10 + (*p - '0');
    }
    while (value.nDigits > 1 && value.digits[value.nDigits - 1] == '0') value.nDigits--;
    value.nExp10 = (bNegative ? -exponent : exponent) + 1;
  }
  int lead = value.nExp10 - 1;
  if (lead >= 15 || lead < -9) {
    // Scientific: d.ddddE+XX
    sink.Put(static_cast<char16_t>(value.digits[0]));
    if (value.nDigits > 1) {
      sink.Put(u'.');
      for (int i = 1; i < value.nDigits; i++) sink.Put(static_cast<char16_t>(value.digits[i]));
    }
    sink.Put(u'E');
    sink.Put(lead < 0 ? u'-' : u'+');
    int magnitudeExp = lead < 0 ? -lead : lead;
    if (magnitudeExp >= 100) sink.Put(static_cast<char16_t>(u'0' + magnitudeExp / 100));
    sink.Put(static_cast<char16_t>(u'0' + (magnitudeExp / 10) % 10));
    sink.Put(static_cast<char16_t>(u'0' + magnitudeExp % 10));
  } else {
    fmt::FixedDigits digits;
    int decimals = value.nDigits - value.nExp10;
    fmt::RoundToFixed(value, decimals > 0 ? decimals : 0, &digits);
    if (digits.nInt == 0) sink.Put(u'0');
    for (int i = 0; i < digits.nInt; i++) sink.Put(static_cast<char16_t>(digits.intDigits[i]));
    if (digits.nFrac > 0) {
      sink.Put(u'.');
      for (int i = 0; i < digits.nFrac; i++) sink.Put(static_cast<char16_t>(digits.fracDigits[i]));
    }
  }
  sink.Finish();
}

}  // namespace xlx
