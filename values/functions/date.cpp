// Date and time functions over serials of the workbook's date system.
#include <algorithm>
#include <cmath>
#include <ctime>
#include <set>

#include "values/formula/dates.h"
#include "values/formula/engine.h"
#include "values/functions/support.h"

namespace xlx {
namespace {

// A date argument: a number or a date text, not negative.
bool SerialArg(FunctionCall& c, size_t i, double* out) {
  if (!c.Number(i, out)) return false;
  if (*out < 0 || *out > 2958465.999999) return c.SetError(kErrorNum);
  return true;
}

bool DateArg(FunctionCall& c, size_t i, CivilDate* out, double* serial = nullptr) {
  double s = 0;
  if (!SerialArg(c, i, &s)) return false;
  if (!DateFromSerial(s, c.engine->date1904(), out)) return c.SetError(kErrorNum);
  if (serial) *serial = std::floor(s);
  return true;
}

ExcelValue SerialOf(FunctionCall& c, int64_t year, int64_t month, int64_t day) {
  double s = 0;
  if (year < -9999 || year > 99999 || !SerialFromDate(int32_t(year), int32_t(std::clamp<int64_t>(month, -200000, 200000)),
                                                      int32_t(std::clamp<int64_t>(day, -5000000, 5000000)),
                                                      c.engine->date1904(), &s))
    return MakeError(kErrorNum);
  return MakeNumber(s);
}

// Day number since 1970 of a serial (the 1900 system's 29 February reads as 1 March).
int64_t DaysOf(FunctionCall& c, const CivilDate& d) { return DayNumber(d.year, d.month, d.day); }

ExcelValue FnDate(FunctionCall& c) {
  int64_t y = 0, m = 0, d = 0;
  if (!c.Integer(0, &y) || !c.Integer(1, &m) || !c.Integer(2, &d)) return c.Fail();
  if (y < 0 || y >= 10000) return MakeError(kErrorNum);
  return SerialOf(c, y, m, d);
}

ExcelValue FnTime(FunctionCall& c) {
  int64_t h = 0, m = 0, s = 0;
  if (!c.Integer(0, &h) || !c.Integer(1, &m) || !c.Integer(2, &s)) return c.Fail();
  if (h > 32767 || m > 32767 || s > 32767) return MakeError(kErrorNum);
  int64_t total = h * 3600 + m * 60 + s;
  if (total < 0) return MakeError(kErrorNum);
  return MakeNumber(double(total % 86400) / 86400.0);
}

ExcelValue FnDateValue(FunctionCall& c) {
  TEXT_ARG(c, 0, text);
  double s = 0;
  if (!TextToValue(text, c.engine->date1904(), &s) || s < 1) return MakeError(kErrorValue);
  return MakeNumber(std::floor(s));
}

ExcelValue FnTimeValue(FunctionCall& c) {
  TEXT_ARG(c, 0, text);
  double s = 0;
  if (!TextToValue(text, c.engine->date1904(), &s) || s < 0) return MakeError(kErrorValue);
  return MakeNumber(s - std::floor(s));
}

ExcelValue Part(FunctionCall& c, int which) {
  CivilDate d;
  if (!DateArg(c, 0, &d)) return c.Fail();
  return MakeNumber(which == 0 ? d.year : which == 1 ? d.month : d.day);
}
ExcelValue FnYear(FunctionCall& c) { return Part(c, 0); }
ExcelValue FnMonth(FunctionCall& c) { return Part(c, 1); }
ExcelValue FnDay(FunctionCall& c) { return Part(c, 2); }

ExcelValue TimePart(FunctionCall& c, int which) {
  double s = 0;
  if (!SerialArg(c, 0, &s)) return c.Fail();
  int32_t secs = SecondsOfSerial(s);
  return MakeNumber(which == 0 ? secs / 3600 : which == 1 ? secs / 60 % 60 : secs % 60);
}
ExcelValue FnHour(FunctionCall& c) { return TimePart(c, 0); }
ExcelValue FnMinute(FunctionCall& c) { return TimePart(c, 1); }
ExcelValue FnSecond(FunctionCall& c) { return TimePart(c, 2); }

ExcelValue FnWeekday(FunctionCall& c) {
  double s = 0;
  int64_t type = 1;
  if (!SerialArg(c, 0, &s) || !c.IntegerOr(1, 1, &type)) return c.Fail();
  const int32_t w = WeekdayOfSerial(s, c.engine->date1904());  // 0 Sunday
  if (type == 1 || type == 17) return MakeNumber(w + 1);
  if (type == 2 || type == 11) return MakeNumber((w + 6) % 7 + 1);
  if (type == 3) return MakeNumber((w + 6) % 7);
  if (type >= 12 && type <= 16) return MakeNumber((w + 7 - int32_t(type - 10)) % 7 + 1);
  return MakeError(kErrorNum);
}

// ISO 8601 week of a day number.
int32_t IsoWeek(int64_t days) {
  CivilDate d = DateOfDayNumber(days);
  int64_t dow = ((days + 3) % 7 + 7) % 7 + 1;  // Monday 1
  int64_t doy = days - DayNumber(d.year, 1, 1) + 1;
  int64_t week = (doy - dow + 10) / 7;
  auto weeksIn = [](int32_t year) {
    int64_t jan1 = DayNumber(year, 1, 1);
    int64_t w = ((jan1 + 3) % 7 + 7) % 7 + 1;
    return w == 4 || (w == 3 && IsLeapYear(year)) ? 53 : 52;
  };
  if (week < 1) return weeksIn(d.year - 1);
  if (week > weeksIn(d.year)) return 1;
  return int32_t(week);
}

ExcelValue FnIsoWeekNum(FunctionCall& c) {
  CivilDate d;
  if (!DateArg(c, 0, &d)) return c.Fail();
  return MakeNumber(IsoWeek(DaysOf(c, d)));
}

ExcelValue FnWeekNum(FunctionCall& c) {
  CivilDate d;
  int64_t type = 1;
  if (!DateArg(c, 0, &d) || !c.IntegerOr(1, 1, &type)) return c.Fail();
  int64_t days = DaysOf(c, d);
  if (type == 21) return MakeNumber(IsoWeek(days));
  int32_t start;  // first day of the week, 0 Sunday
  if (type == 1 || type == 17) start = 0;
  else if (type == 2 || type == 11) start = 1;
  else if (type >= 12 && type <= 16) start = int32_t(type - 10);
  else return MakeError(kErrorNum);
  int64_t jan1 = DayNumber(d.year, 1, 1);
  int64_t jan1Weekday = ((jan1 + 4) % 7 + 7) % 7;  // 0 Sunday (1970-01-01 was a Thursday)
  int64_t offset = (jan1Weekday - start + 7) % 7;
  return MakeNumber(double((days - jan1 + offset) / 7 + 1));
}

ExcelValue MonthShift(FunctionCall& c, bool endOfMonth) {
  CivilDate d;
  int64_t months = 0;
  if (!DateArg(c, 0, &d) || !c.Integer(1, &months)) return c.Fail();
  if (months < -120000 || months > 120000) return MakeError(kErrorNum);
  int64_t total = int64_t(d.year) * 12 + (d.month - 1) + months;
  int32_t y = int32_t(total / 12), m = int32_t(total % 12) + 1;
  if (total < 0) return MakeError(kErrorNum);
  int32_t day = endOfMonth ? DaysInMonth(y, m) : std::min(std::max(d.day, 1), DaysInMonth(y, m));
  return SerialOf(c, y, m, day);
}
ExcelValue FnEdate(FunctionCall& c) { return MonthShift(c, false); }
ExcelValue FnEomonth(FunctionCall& c) { return MonthShift(c, true); }

ExcelValue FnDatedif(FunctionCall& c) {
  CivilDate a, b;
  double sa = 0, sb = 0;
  if (!DateArg(c, 0, &a, &sa) || !DateArg(c, 1, &b, &sb)) return c.Fail();
  TEXT_ARG(c, 2, unit);
  unit = FoldText(unit);
  if (sb < sa) return MakeError(kErrorNum);
  int32_t months = (b.year - a.year) * 12 + (b.month - a.month) - (b.day < a.day ? 1 : 0);
  if (unit == u"Y") return MakeNumber(months / 12);
  if (unit == u"M") return MakeNumber(months);
  if (unit == u"D") return MakeNumber(sb - sa);
  if (unit == u"YM") return MakeNumber(months % 12);
  if (unit == u"MD") {
    int32_t days = b.day - a.day;
    if (days < 0) {
      int32_t pm = b.month == 1 ? 12 : b.month - 1, py = b.month == 1 ? b.year - 1 : b.year;
      days += DaysInMonth(py, pm);
    }
    return MakeNumber(days);
  }
  if (unit == u"YD") {
    int32_t year = b.year;
    if (b.month < a.month || (b.month == a.month && b.day < a.day)) --year;
    int64_t start = DayNumber(year, a.month, std::min(a.day, DaysInMonth(year, a.month)));
    return MakeNumber(double(DayNumber(b.year, b.month, b.day) - start));
  }
  return MakeError(kErrorNum);
}

ExcelValue FnDays(FunctionCall& c) {
  double end = 0, start = 0;
  if (!SerialArg(c, 0, &end) || !SerialArg(c, 1, &start)) return c.Fail();
  return MakeNumber(std::floor(end) - std::floor(start));
}

ExcelValue FnDays360(FunctionCall& c) {
  CivilDate a, b;
  bool european = false;
  if (!DateArg(c, 0, &a) || !DateArg(c, 1, &b) || !c.BooleanOr(2, false, &european)) return c.Fail();
  int32_t da = a.day, db = b.day;
  if (european) {
    da = std::min(da, 30), db = std::min(db, 30);
  } else {
    const bool aLastFeb = a.month == 2 && a.day == DaysInMonth(a.year, 2);
    if (da == 31 || aLastFeb) da = 30;
    if (db == 31 && da >= 30) db = 30;
  }
  return MakeNumber((b.year - a.year) * 360.0 + (b.month - a.month) * 30.0 + (db - da));
}

// Weekend days as a mask over 0 Sunday .. 6 Saturday, from the .INTL weekend argument.
bool WeekendMask(FunctionCall& c, size_t i, uint8_t* mask) {
  *mask = (1 << 0) | (1 << 6);
  if (c.Missing(i)) return true;
  ExcelValue v = c.Arg(i);
  if (v.type == kValueString) {
    if (v.strVal.size() != 7) return c.SetError(kErrorValue);
    *mask = 0;
    for (int32_t k = 0; k < 7; ++k) {  // Monday first
      if (v.strVal[size_t(k)] != u'0' && v.strVal[size_t(k)] != u'1') return c.SetError(kErrorValue);
      if (v.strVal[size_t(k)] == u'1') *mask |= uint8_t(1 << ((k + 1) % 7));
    }
    return *mask != 0x7F || c.SetError(kErrorValue);
  }
  int64_t code = 1;
  if (!c.Integer(i, &code)) return false;
  if (code >= 1 && code <= 7) {
    int32_t first = int32_t((code + 5) % 7);  // 1: Saturday and Sunday, 2: Sunday and Monday, ...
    *mask = uint8_t((1 << first) | (1 << ((first + 1) % 7)));
    return true;
  }
  if (code >= 11 && code <= 17) {
    *mask = uint8_t(1 << (code - 11));  // 11 Sunday only .. 17 Saturday only
    return true;
  }
  return c.SetError(kErrorNum);
}

bool Holidays(FunctionCall& c, size_t i, std::set<int64_t>* out) {
  if (c.Missing(i)) return true;
  bool ok = true;
  c.ForEachValue(i, [&](const ExcelValue& v, bool) {
    double d = 0;
    ErrorID e = kErrorValue;
    if (v.type == kValueEmpty) return true;
    if (!CoerceToNumber(v, c.engine->date1904(), &d, &e)) {
      ok = c.SetError(e);
      return false;
    }
    out->insert(int64_t(std::floor(d)));
    return true;
  });
  return ok;
}

bool IsWorkday(FunctionCall& c, int64_t serial, uint8_t mask, const std::set<int64_t>& holidays) {
  int32_t w = WeekdayOfSerial(double(serial), c.engine->date1904());
  return !(mask & (1 << w)) && !holidays.count(serial);
}

ExcelValue NetworkDays(FunctionCall& c, bool intl) {
  double a = 0, b = 0;
  uint8_t mask = 0;
  std::set<int64_t> holidays;
  if (!SerialArg(c, 0, &a) || !SerialArg(c, 1, &b)) return c.Fail();
  if (!WeekendMask(c, intl ? 2 : 99, &mask) || !Holidays(c, intl ? 3 : 2, &holidays)) return c.Fail();
  int64_t from = int64_t(std::floor(std::min(a, b))), to = int64_t(std::floor(std::max(a, b)));
  if (to - from > 4000000) return MakeError(kErrorNum);
  // Whole weeks at once, then the remaining days one by one.
  int32_t perWeek = 0;
  for (int32_t w = 0; w < 7; ++w) perWeek += !(mask & (1 << w));
  int64_t weeks = (to - from + 1) / 7;
  int64_t count = weeks * perWeek;
  for (int64_t s = from + weeks * 7; s <= to; ++s) count += !(mask & (1 << WeekdayOfSerial(double(s), c.engine->date1904())));
  for (int64_t h : holidays)
    if (h >= from && h <= to && !(mask & (1 << WeekdayOfSerial(double(h), c.engine->date1904())))) --count;
  return MakeNumber(double(a <= b ? count : -count));
}
ExcelValue FnNetworkDays(FunctionCall& c) { return NetworkDays(c, false); }
ExcelValue FnNetworkDaysIntl(FunctionCall& c) { return NetworkDays(c, true); }

ExcelValue Workday(FunctionCall& c, bool intl) {
  double a = 0;
  int64_t days = 0;
  uint8_t mask = 0;
  std::set<int64_t> holidays;
  if (!SerialArg(c, 0, &a) || !c.Integer(1, &days)) return c.Fail();
  if (!WeekendMask(c, intl ? 2 : 99, &mask) || !Holidays(c, intl ? 3 : 2, &holidays)) return c.Fail();
  if (days > 1000000 || days < -1000000) return MakeError(kErrorNum);
  int64_t s = int64_t(std::floor(a));
  const int64_t step = days < 0 ? -1 : 1;
  for (int64_t left = days < 0 ? -days : days; left > 0;) {
    s += step;
    if (s < 0 || s > 2958465) return MakeError(kErrorNum);
    if (IsWorkday(c, s, mask, holidays)) --left;
  }
  return MakeNumber(double(s));
}
ExcelValue FnWorkday(FunctionCall& c) { return Workday(c, false); }
ExcelValue FnWorkdayIntl(FunctionCall& c) { return Workday(c, true); }

ExcelValue FnYearFrac(FunctionCall& c) {
  CivilDate a, b;
  double sa = 0, sb = 0;
  int64_t basis = 0;
  if (!DateArg(c, 0, &a, &sa) || !DateArg(c, 1, &b, &sb) || !c.IntegerOr(2, 0, &basis)) return c.Fail();
  if (basis < 0 || basis > 4) return MakeError(kErrorNum);
  if (sa > sb) std::swap(a, b), std::swap(sa, sb);
  const double days = double(DayNumber(b.year, b.month, b.day) - DayNumber(a.year, a.month, a.day));
  switch (basis) {
    case 0: {  // US 30/360
      int32_t da = a.day, db = b.day;
      const bool aLastFeb = a.month == 2 && a.day == DaysInMonth(a.year, 2);
      const bool bLastFeb = b.month == 2 && b.day == DaysInMonth(b.year, 2);
      if (aLastFeb && bLastFeb) db = 30;
      if (aLastFeb || da == 31) da = 30;
      if (db == 31 && da == 30) db = 30;
      return MakeNumber(((b.year - a.year) * 360.0 + (b.month - a.month) * 30.0 + (db - da)) / 360.0);
    }
    case 1: {  // actual/actual
      double yearLength;
      const bool withinYear = a.year == b.year ||
                              (b.year == a.year + 1 && (b.month < a.month || (b.month == a.month && b.day <= a.day)));
      if (withinYear) {
        bool leap = (a.year == b.year && IsLeapYear(a.year)) ||
                    (IsLeapYear(a.year) && (a.month < 3)) || (IsLeapYear(b.year) && (b.month > 2 || (b.month == 2 && b.day == 29)));
        yearLength = leap ? 366 : 365;
      } else {
        double total = 0;
        for (int32_t y = a.year; y <= b.year; ++y) total += IsLeapYear(y) ? 366 : 365;
        yearLength = total / double(b.year - a.year + 1);
      }
      return MakeNumber(days / yearLength);
    }
    case 2: return MakeNumber(days / 360.0);
    case 3: return MakeNumber(days / 365.0);
    default: {  // European 30/360
      int32_t da = std::min(a.day, 30), db = std::min(b.day, 30);
      return MakeNumber(((b.year - a.year) * 360.0 + (b.month - a.month) * 30.0 + (db - da)) / 360.0);
    }
  }
}

double NowSerial(bool date1904) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  double s = 0;
  SerialFromDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date1904, &s);
  return s + (local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec) / 86400.0;
}
ExcelValue FnNow(FunctionCall& c) { return MakeNumber(NowSerial(c.engine->date1904())); }
ExcelValue FnToday(FunctionCall& c) { return MakeNumber(std::floor(NowSerial(c.engine->date1904()))); }

const FunctionSpec kSpecs[] = {
    {"DATE", 3, 3, FnDate, 0},
    {"TIME", 3, 3, FnTime, 0},
    {"DATEVALUE", 1, 1, FnDateValue, 0},
    {"TIMEVALUE", 1, 1, FnTimeValue, 0},
    {"YEAR", 1, 1, FnYear, 0},
    {"MONTH", 1, 1, FnMonth, 0},
    {"DAY", 1, 1, FnDay, 0},
    {"HOUR", 1, 1, FnHour, 0},
    {"MINUTE", 1, 1, FnMinute, 0},
    {"SECOND", 1, 1, FnSecond, 0},
    {"WEEKDAY", 1, 2, FnWeekday, 0},
    {"WEEKNUM", 1, 2, FnWeekNum, 0},
    {"ISOWEEKNUM", 1, 1, FnIsoWeekNum, 0},
    {"EDATE", 2, 2, FnEdate, 0},
    {"EOMONTH", 2, 2, FnEomonth, 0},
    {"DATEDIF", 3, 3, FnDatedif, 0},
    {"DAYS", 2, 2, FnDays, 0},
    {"DAYS360", 2, 3, FnDays360, 0},
    {"NETWORKDAYS", 2, 3, FnNetworkDays, 0},
    {"NETWORKDAYS.INTL", 2, 4, FnNetworkDaysIntl, 0},
    {"WORKDAY", 2, 3, FnWorkday, 0},
    {"WORKDAY.INTL", 2, 4, FnWorkdayIntl, 0},
    {"YEARFRAC", 2, 3, FnYearFrac, 0},
    {"NOW", 0, 0, FnNow, kFnVolatile},
    {"TODAY", 0, 0, FnToday, kFnVolatile},
};

}  // namespace

FunctionFamily DateFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
