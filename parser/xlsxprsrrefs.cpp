// Cell references, ranges, print areas and ISO dates as written in worksheet parts.
#include <cmath>
#include <cstring>

#include "common/limits.h"
#include "parser/xlsxprsr.h"

namespace xlx {

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads "$AB$12" at *p: column and row, advancing *p. A part that is missing gives 0.
void ReadCell(const char** p, int32_t* column, int32_t* row) {
  const char* s = *p;
  *column = *row = 0;
  if (*s == '$') ++s;
  int64_t col = 0;
  int letters = 0;
  for (; IsLetter(*s); ++s, ++letters)
    if (col <= kMaxColumns) col = col * 26 + ((*s | 0x20) - 'a' + 1);
  if (*s == '$') ++s;
  int64_t r = 0;
  for (; IsDigit(*s); ++s)
    if (r <= kMaxRows) r = r * 10 + (*s - '0');
  *column = letters && col <= kMaxColumns ? int32_t(col) : 0;
  *row = r <= kMaxRows ? int32_t(r) : 0;
  *p = s;
}

int DaysFromCivil(int64_t y, int64_t m, int64_t d) {
  // Days since 1970-01-01 in the proleptic Gregorian calendar.
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return int(era * 146097 + doe - 719468);
}

// Reads exactly `n` digits at *p.
bool Digits(const char** p, int n, int* value) {
  *value = 0;
  for (int i = 0; i < n; ++i, ++*p) {
    if (!IsDigit(**p)) return false;
    *value = *value * 10 + (**p - '0');
  }
  return true;
}

}  // namespace

int32_t ColumnFromReference(const char* reference) {
  if (!reference) return 0;
  int32_t column, row;
  ReadCell(&reference, &column, &row);
  return column;
}

bool ParseRangeReference(const char* text, MyCellBounds* bounds) {
  if (!text) return false;
  const char* p = text;
  int32_t c1, r1, c2, r2;
  ReadCell(&p, &c1, &r1);
  if (*p == ':') {
    ++p;
    ReadCell(&p, &c2, &r2);
  } else {
    c2 = c1;
    r2 = r1;
  }
  if (*p || c1 < 1 || r1 < 1 || c2 < 1 || r2 < 1) return false;
  bounds->RowFirst = r1 < r2 ? r1 : r2;
  bounds->RowLast = r1 < r2 ? r2 : r1;
  bounds->ColFirst = c1 < c2 ? c1 : c2;
  bounds->ColLast = c1 < c2 ? c2 : c1;
  return true;
}

bool ParsePrintAreaBounds(const char16_t* text, const char16_t* sheetName, MyCellBounds* bounds) {
  if (!text) return false;
  // The sheet-name prefix, quoted ('It''s'!) or plain (Sheet1!).
  std::u16string name;
  const char16_t* p = text;
  const char16_t* bang = nullptr;
  if (*p == u'\'') {
    for (++p; *p; ++p) {
      if (*p == u'\'' && p[1] == u'\'') {
        name += u'\'';
        ++p;
      } else if (*p == u'\'') {
        break;
      } else {
        name += *p;
      }
    }
    if (*p != u'\'' || p[1] != u'!') return false;
    bang = p + 1;
  } else {
    for (const char16_t* q = p; *q && *q != u','; ++q)
      if (*q == u'!') bang = q;
    if (bang) name.assign(p, size_t(bang - p));
  }
  if (bang && sheetName && name != sheetName) return false;
  const char16_t* area = bang ? bang + 1 : text;
  std::string ascii;
  for (; *area && *area != u','; ++area) {
    if (*area > 0x7F) return false;
    ascii += char(*area);
  }
  return ParseRangeReference(ascii.c_str(), bounds);
}

bool IsoDateToSerial(const char* text, double* serial) {
  if (!text) return false;
  const char* p = text;
  while (*p == ' ') ++p;
  double days = 0;
  bool hasDate = false;
  int year, month, day;
  if (IsDigit(*p)) {
    if (!Digits(&p, 4, &year) || *p++ != '-' || !Digits(&p, 2, &month) || *p++ != '-' || !Digits(&p, 2, &day)) return false;
    if (month < 1 || month > 12 || day < 1 || day > 31) return false;
    int32_t offset = DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
    // The 1900 date system counts a 29 February 1900 that never was: dates before March 1900 sit
    // one day lower.
    if (offset < 61) offset -= 1;
    days = offset;
    hasDate = true;
  }
  if (*p == 'T' || *p == ' ') {
    ++p;
    int hour, minute, second = 0;
    if (!Digits(&p, 2, &hour) || *p++ != ':' || !Digits(&p, 2, &minute)) return false;
    double fraction = 0;
    if (*p == ':') {
      ++p;
      if (!Digits(&p, 2, &second)) return false;
      if (*p == '.') {
        double scale = 0.1;
        for (++p; IsDigit(*p); ++p, scale /= 10) fraction += (*p - '0') * scale;
      }
    }
    if (hour > 24 || minute > 59 || second > 60) return false;
    days += (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
  } else if (!hasDate) {
    return false;
  }
  // A zone designator (Z, +hh:mm) is ignored: the serial is the wall-clock time as written.
  *serial = days;
  return true;
}

}  // namespace xlx
