// Print areas and ISO dates as written in workbook parts.
#include <cmath>
#include <cstring>

#include "common/cellref.h"
#include "parser/xlsxprsr.h"

namespace xlx {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

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

bool ParsePrintAreaBounds(const char16_t* text, const char16_t* sheetName, MyCellBounds* bounds) {
  if (!text) return false;
  std::u16string name;
  std::u16string_view area;
  if (!SplitSheetName(FirstArea(text), &name, &area)) return false;
  if (!name.empty() && sheetName && name != sheetName) return false;
  CellRange range;
  if (!ParseCellRange(area, &range)) return false;
  *bounds = BoundsOf(range);
  return true;
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
