// Values of the formula engine and the coercions between them.
#include "values/formula/value.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "values/formula/dates.h"
#include "values/format/numformat.h"

namespace xlx {
namespace {

const char16_t* const kErrorTexts[] = {u"", u"#N/A", u"#VALUE!", u"#REF!", u"#DIV/0!", u"#NUM!", u"#NAME?", u"#NULL!"};

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0; }

// Reads digits from text[*pos]; the value is added to *value. Returns the digit count.
int32_t ReadDigits(const std::u16string& text, size_t* pos, int64_t* value) {
  int32_t count = 0;
  while (*pos < text.size() && text[*pos] >= u'0' && text[*pos] <= u'9') {
    if (*value < 100000000) *value = *value * 10 + (text[*pos] - u'0');
    ++*pos;
    ++count;
  }
  return count;
}

int32_t MonthFromName(const std::u16string& text, size_t* pos) {
  static const char* const kMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
  if (*pos + 3 > text.size()) return 0;
  for (int32_t m = 0; m < 12; ++m) {
    bool same = true;
    for (int32_t i = 0; i < 3 && same; ++i) same = (text[*pos + i] | 0x20) == kMonths[m][i];
    if (!same) continue;
    *pos += 3;
    while (*pos < text.size() && ((text[*pos] | 0x20) >= u'a' && (text[*pos] | 0x20) <= u'z')) ++*pos;
    return m + 1;
  }
  return 0;
}

// "h:mm", "h:mm:ss(.fff)", optionally with AM/PM, from *pos to the end. Fraction of a day.
bool ReadTime(const std::u16string& text, size_t pos, double* fraction) {
  int64_t h = 0, m = 0, s = 0;
  if (ReadDigits(text, &pos, &h) == 0) return false;
  if (pos >= text.size() || text[pos] != u':') return false;
  ++pos;
  if (ReadDigits(text, &pos, &m) == 0) return false;
  double sec = 0;
  if (pos < text.size() && text[pos] == u':') {
    ++pos;
    if (ReadDigits(text, &pos, &s) == 0) return false;
    sec = double(s);
    if (pos < text.size() && text[pos] == u'.') {
      double scale = 0.1;
      for (++pos; pos < text.size() && text[pos] >= u'0' && text[pos] <= u'9'; ++pos, scale /= 10)
        sec += (text[pos] - u'0') * scale;
    }
  }
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  if (pos < text.size()) {
    char16_t a = text[pos] | 0x20;
    if ((a != u'a' && a != u'p') || pos + 1 >= text.size() || (text[pos + 1] | 0x20) != u'm') return false;
    if (h < 1 || h > 12) return false;
    h = h % 12 + (a == u'p' ? 12 : 0);
    pos += 2;
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    if (pos != text.size()) return false;
  }
  if (m > 59 || sec >= 60) return false;
  *fraction = (double(h) * 3600 + double(m) * 60 + sec) / 86400.0;
  return true;
}

// Dates "y-m-d", "m/d/y", "m/d", "d-mon-y", "mon d, y", "d mon y", optionally followed by a time.
bool ReadDate(const std::u16string& text, bool date1904, double* serial) {
  size_t pos = 0;
  int64_t a = 0, b = 0, c = -1, digits = 0;
  int32_t year = 0, month = 0, day = 0;
  if (int32_t month1 = MonthFromName(text, &pos)) {  // "Mar 1, 2024", "March 2024"
    while (pos < text.size() && (IsSpace(text[pos]) || text[pos] == u'-')) ++pos;
    if (ReadDigits(text, &pos, &a) == 0) return false;
    month = month1;
    if (pos < text.size() && text[pos] == u',') ++pos;
    while (pos < text.size() && IsSpace(text[pos])) ++pos;
    int64_t y = 0;
    if (ReadDigits(text, &pos, &y) == 0) y = -1;
    if (y < 0 && a > 31) { y = a; a = 1; }
    day = int32_t(a);
    year = y < 0 ? 0 : int32_t(y);
  } else {
    if (ReadDigits(text, &pos, &a) == 0 || pos >= text.size()) return false;
    char16_t sep = text[pos];
    if (sep != u'/' && sep != u'-' && !IsSpace(sep)) return false;
    ++pos;
    size_t mark = pos;
    if (int32_t named = MonthFromName(text, &pos)) {  // "1-Mar-2024", "1 March 2024"
      month = named;
      day = int32_t(a);
      if (pos < text.size() && (text[pos] == sep || IsSpace(text[pos]))) {
        ++pos;
        if (ReadDigits(text, &pos, &digits) == 0) return false;
        c = digits;
      }
      year = c < 0 ? -1 : int32_t(c);
    } else {
      pos = mark;
      if (IsSpace(sep) || ReadDigits(text, &pos, &b) == 0) return false;
      if (pos < text.size() && text[pos] == sep) {
        ++pos;
        if (ReadDigits(text, &pos, &digits) == 0) return false;
        c = digits;
      }
      if (a > 31) {  // year first: y-m-d
        year = int32_t(a), month = int32_t(b), day = int32_t(c < 0 ? 1 : c);
      } else {
        month = int32_t(a), day = int32_t(b), year = c < 0 ? -1 : int32_t(c);
      }
    }
    if (year < 0) year = 0;
  }
  if (year == 0) year = 2000;  // no year given: the application takes the current one; fixed here
  else if (year < 30) year += 2000;
  else if (year < 100) year += 1900;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  double s = 0;
  if (!SerialFromDate(year, month, day, date1904, &s)) return false;
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  double time = 0;
  if (pos < text.size() && !ReadTime(text, pos, &time)) return false;
  *serial = s + time;
  return true;
}

bool ReadPlainNumber(const std::u16string& text, double* value) {
  std::string ascii;
  size_t i = 0, n = text.size();
  while (i < n && IsSpace(text[i])) ++i;
  while (n > i && IsSpace(text[n - 1])) --n;
  if (i == n) return false;
  bool negative = false, paren = false, percent = false, digits = false;
  if (text[i] == u'(' && text[n - 1] == u')') paren = true, ++i, --n;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) negative = text[i] == u'-', ++i;
  if (i < n && text[i] == u'$') ++i;
  if (i < n && (text[i] == u'+' || text[i] == u'-') && !negative) negative = text[i] == u'-', ++i;
  if (n > i && text[n - 1] == u'%') percent = true, --n;
  bool point = false, exponent = false;
  for (size_t k = i; k < n; ++k) {
    char16_t c = text[k];
    if (c >= u'0' && c <= u'9') {
      digits = true;
      ascii.push_back(char(c));
    } else if (c == u',' && !point && !exponent && digits) {
      continue;  // grouping
    } else if (c == u'.' && !point && !exponent) {
      point = true;
      ascii.push_back('.');
    } else if ((c == u'e' || c == u'E') && digits && !exponent) {
      exponent = true;
      ascii.push_back('e');
      if (k + 1 < n && (text[k + 1] == u'+' || text[k + 1] == u'-')) ascii.push_back(char(text[++k]));
      if (k + 1 >= n) return false;
    } else {
      return false;
    }
  }
  if (!digits) return false;
  char* end = nullptr;
  double v = std::strtod(ascii.c_str(), &end);
  if (!end || *end) return false;
  if (percent) v /= 100;
  if (negative && paren) return false;
  if (negative || paren) v = -v;
  *value = v;
  return std::isfinite(v);
}

}  // namespace

ExcelValue MakeNumber(double value) {
  ExcelValue v;
  if (!std::isfinite(value)) return MakeError(kErrorNum);
  v.type = kValueNumber;
  v.dVal = value;
  return v;
}
ExcelValue MakeString(std::u16string text) {
  ExcelValue v;
  v.type = kValueString;
  v.strVal = std::move(text);
  return v;
}
ExcelValue MakeBoolean(bool value) {
  ExcelValue v;
  v.type = kValueBoolean;
  v.bVal = value;
  v.dVal = value ? 1.0 : 0.0;
  return v;
}
ExcelValue MakeError(ErrorID error) {
  ExcelValue v;
  v.type = kValueError;
  v.error = error;
  v.strVal = ErrorText(error);
  return v;
}
ExcelValue MakeEmpty() {
  ExcelValue v;
  v.type = kValueEmpty;
  return v;
}
ExcelValue MakeUnsupported() {
  ExcelValue v;
  v.type = kValueUnsupported;
  return v;
}
ExcelValue MakeRange(const CellArea& area) {
  ExcelValue v;
  v.type = kValueRange;
  v.cellRef = area;
  return v;
}
ExcelValue MakeArray(std::shared_ptr<const ValueArray> array) {
  ExcelValue v;
  v.type = kValueArray;
  v.array = std::move(array);
  return v;
}

const char16_t* ErrorText(ErrorID error) { return error <= kErrorNull ? kErrorTexts[error] : u"#N/A"; }

ErrorID ErrorFromText(const std::u16string& text) {
  for (int32_t e = kErrorNA; e <= kErrorNull; ++e)
    if (text == kErrorTexts[e]) return ErrorID(e);
  if (text == u"#SPILL!" || text == u"#CALC!" || text == u"#GETTING_DATA" || text == u"#FIELD!" ||
      text == u"#BLOCKED!" || text == u"#CONNECT!" || text == u"#UNKNOWN!" || text == u"#BUSY!")
    return kErrorSpill;
  return kErrorNone;
}

std::u16string NumberToText(double value) {
  char16_t buffer[64];
  FormatNumberAsText(value, buffer, 64);
  return buffer;
}

bool TextToValue(const std::u16string& text, bool date1904, double* value) {
  if (ReadPlainNumber(text, value)) return true;
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  std::u16string trimmed = text.substr(i);
  while (!trimmed.empty() && IsSpace(trimmed.back())) trimmed.pop_back();
  if (trimmed.empty()) return false;
  double time = 0;
  if (ReadTime(trimmed, 0, &time)) {
    *value = time;
    return true;
  }
  return ReadDate(trimmed, date1904, value);
}

bool CoerceToNumber(const ExcelValue& v, bool date1904, double* out, ErrorID* error) {
  switch (v.type) {
    case kValueNumber:
    case kValueBoolean:
      *out = v.dVal;
      return true;
    case kValueEmpty:
    case kValueNone:
      *out = 0;
      return true;
    case kValueString:
      if (TextToValue(v.strVal, date1904, out)) return true;
      *error = kErrorValue;
      return false;
    case kValueError:
      *error = ErrorID(v.error);
      return false;
    default:
      *error = kErrorValue;
      return false;
  }
}

bool CoerceToText(const ExcelValue& v, std::u16string* out, ErrorID* error) {
  switch (v.type) {
    case kValueNumber: *out = NumberToText(v.dVal); return true;
    case kValueBoolean: *out = v.bVal ? u"TRUE" : u"FALSE"; return true;
    case kValueEmpty:
    case kValueNone: out->clear(); return true;
    case kValueString: *out = v.strVal; return true;
    case kValueError: *error = ErrorID(v.error); return false;
    default: *error = kErrorValue; return false;
  }
}

bool CoerceToBoolean(const ExcelValue& v, bool* out, ErrorID* error) {
  switch (v.type) {
    case kValueNumber:
    case kValueBoolean: *out = v.dVal != 0; return true;
    case kValueEmpty:
    case kValueNone: *out = false; return true;
    case kValueString: {
      std::u16string f = FoldText(v.strVal);
      if (f == u"TRUE" || f == u"FALSE") {
        *out = f == u"TRUE";
        return true;
      }
      *error = kErrorValue;
      return false;
    }
    case kValueError: *error = ErrorID(v.error); return false;
    default: *error = kErrorValue; return false;
  }
}

char16_t FoldCase(char16_t c) {
  if (c >= u'a' && c <= u'z') return char16_t(c - 32);
  if (c < 0x80) return c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return char16_t(c - 32);
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return char16_t(c - 32);
  if (c >= 0x430 && c <= 0x44F) return char16_t(c - 32);
  if (c >= 0x450 && c <= 0x45F) return char16_t(c - 80);
  if (c >= 0x100 && c <= 0x17F && (c & 1)) return char16_t(c - 1);
  return c;
}

std::u16string FoldText(const std::u16string& text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldCase(c);
  return out;
}

int32_t CompareValues(const ExcelValue& a, const ExcelValue& b) {
  auto rank = [](uint8_t t) { return t == kValueNumber ? 0 : t == kValueString ? 1 : t == kValueBoolean ? 2 : 3; };
  ExcelValue x = a, y = b;
  if (x.type == kValueEmpty || x.type == kValueNone) {
    x = y.type == kValueString ? MakeString(u"") : y.type == kValueBoolean ? MakeBoolean(false) : MakeNumber(0);
  }
  if (y.type == kValueEmpty || y.type == kValueNone) {
    y = x.type == kValueString ? MakeString(u"") : x.type == kValueBoolean ? MakeBoolean(false) : MakeNumber(0);
  }
  int32_t rx = rank(x.type), ry = rank(y.type);
  if (rx != ry) return rx < ry ? -1 : 1;
  if (x.type == kValueString) {
    std::u16string fx = FoldText(x.strVal), fy = FoldText(y.strVal);
    return fx < fy ? -1 : fx > fy ? 1 : 0;
  }
  if (rx == 3) return 0;
  if (x.dVal == y.dVal) return 0;
  // Values that differ past the 15th digit compare equal, as the application shows them.
  const double scale = std::max(std::fabs(x.dVal), std::fabs(y.dVal));
  if (std::fabs(x.dVal - y.dVal) > scale * 1e-13) return x.dVal < y.dVal ? -1 : 1;
  double dx = RoundTo15Digits(x.dVal), dy = RoundTo15Digits(y.dVal);
  return dx < dy ? -1 : dx > dy ? 1 : 0;
}

bool HasWildcard(const std::u16string& pattern) {
  return pattern.find_first_of(u"*?~") != std::u16string::npos;
}

bool WildcardMatch(const std::u16string& pattern, const std::u16string& text) {
  // Iterative matcher with one backtrack point for the last '*'.
  size_t p = 0, t = 0, starP = std::u16string::npos, starT = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = ++p;
      starT = t;
      continue;
    }
    if (p < pattern.size()) {
      char16_t want = pattern[p];
      size_t step = 1;
      bool any = want == u'?';
      if (want == u'~' && p + 1 < pattern.size()) want = pattern[p + 1], step = 2, any = false;
      if (any || want == text[t]) {
        p += step;
        ++t;
        continue;
      }
    }
    if (starP == std::u16string::npos) return false;
    p = starP;
    t = ++starT;
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

double RoundTo15Digits(double value) {
  if (value == 0 || !std::isfinite(value)) return value;
  const double magnitude = std::fabs(value);
  // Whole numbers below 1e15 already have at most 15 digits.
  if (magnitude < 1e15 && value == std::trunc(value)) return value;
  int exponent = int(std::floor(std::log10(magnitude)));
  if (exponent < -290 || exponent > 290) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    return std::strtod(buffer, nullptr);
  }
  // Scale so that 15 significant digits sit before the point, round, and scale back.
  if (exponent <= 14) {
    const double scale = std::pow(10.0, 14 - exponent);
    return std::round(value * scale) / scale;
  }
  const double scale = std::pow(10.0, exponent - 14);
  return std::round(value / scale) * scale;
}

}  // namespace xlx
