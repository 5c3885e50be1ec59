// Dates and times of the 1900 date system: serial 1 is 1 January 1900, serial 60 the 29 February
// 1900 that the serial system counts, serial 0 "January 0 1900". A serial is rounded to the
// finest unit the section shows (seconds, or tenths to thousandths with ".0" to ".000") before
// it is split, so 23:59:59.6 shown as "h:mm:ss" reads 0:00:00 of the next day.
#include <cmath>
#include <cstdint>

#include "common/calendar.h"
#include "values/format/internal.h"

namespace xlx {
namespace {

const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonths[12] = {"January", "February", "March",     "April",
                                     "May",     "June",     "July",      "August",
                                     "September", "October", "November", "December"};
const char* const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};

// A serial split at a sub-second precision.
struct SerialParts {
  int32_t nYear, nMonth, nDay, nWeekday;  // weekday 0 = Sunday
  int32_t nHour, nMinute, nSecond;
  int64_t nSubSecond;       // in units of 10^-nSubDigits s
  int64_t nTotalSeconds;    // whole seconds since serial 0
  int32_t nSubDigits;
};

// Date of a whole serial day (0 <= days < kMaxDateSerial).
void DateOfDay(int64_t days, SerialParts* pParts) {
  CalendarDate date;  // zero outside the serial range, which the callers have checked
  if (!DateOfSerialDay(days, kDateSystem1900, &date)) date = CalendarDate{};
  pParts->nYear = date.year;
  pParts->nMonth = date.month;
  pParts->nDay = date.day;
  pParts->nWeekday = date.weekday;
}

// Splits a serial rounded to 10^-subDigits s. False when it has no date.
bool SplitSerial(double dSerial, int subDigits, SerialParts* pParts) {
  if (!(dSerial >= 0.0) || !(dSerial < kMaxDateSerial)) return false;
  int64_t scale = 1;
  for (int i = 0; i < subDigits; i++) scale *= 10;
  int64_t perDay = 86400 * scale;
  int64_t total = static_cast<int64_t>(std::floor(dSerial * static_cast<double>(perDay) + 0.5));
  int64_t days = total / perDay;
  if (days >= static_cast<int64_t>(kMaxDateSerial)) return false;
  int64_t ofDay = total % perDay;
  pParts->nSubDigits = subDigits;
  pParts->nSubSecond = ofDay % scale;
  int64_t seconds = ofDay / scale;
  pParts->nTotalSeconds = total / scale;
  pParts->nHour = static_cast<int32_t>(seconds / 3600);
  pParts->nMinute = static_cast<int32_t>((seconds / 60) % 60);
  pParts->nSecond = static_cast<int32_t>(seconds % 60);
  DateOfDay(days, pParts);
  return true;
}

// Decimal digits of a non-negative value, at least minDigits of them (at most 20).
void PutNumber(int64_t value, int minDigits, fmt::TextSink* pSink) {
  char text[24];
  int length = 0;
  uint64_t rest = value < 0 ? 0 : static_cast<uint64_t>(value);
  do {
    text[length++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest > 0 && length < 20);
  while (length < minDigits && length < 20) text[length++] = '0';
  while (length > 0) pSink->Put(static_cast<char16_t>(text[--length]));
}

int Hour12(int hour) {
  int h = hour % 12;
  return h == 0 ? 12 : h;
}

bool IsDateToken(fmt::TokenKind kind) { return kind >= fmt::kTokYear; }

// Whether the 'm' token at `index` is minutes: after an hour or a second, or before a second.
bool MonthIsMinute(const fmt::TokenList& list, int index) {
  for (int i = index - 1; i >= 0; i--) {
    fmt::TokenKind kind = list.tokens[i].kind;
    if (!IsDateToken(kind) || kind == fmt::kTokAmPm) continue;
    if (kind == fmt::kTokHour || kind == fmt::kTokElapsedHour || kind == fmt::kTokSecond ||
        kind == fmt::kTokElapsedSecond) {
      return true;
    }
    break;
  }
  for (int i = index + 1; i < list.nCount; i++) {
    fmt::TokenKind kind = list.tokens[i].kind;
    if (!IsDateToken(kind) || kind == fmt::kTokAmPm || kind == fmt::kTokSubSecond) continue;
    return kind == fmt::kTokSecond || kind == fmt::kTokElapsedSecond;
  }
  return false;
}

}  // namespace

int32_t GetMonthFromDays(int32_t nDayOfYear, bool bLeapYear) {
  int32_t total = 0;
  for (int32_t month = 1; month <= 12; month++) {
    total += DaysInMonth(bLeapYear ? 4 : 1, month);  // year 4 is a leap year, year 1 is not
    if (nDayOfYear <= total) return month;
  }
  return 12;
}

int32_t GetDayOfMonth(int32_t nDayOfYear, int32_t nMonth, bool bLeapYear) {
  int32_t before = 0;
  for (int32_t month = 1; month < nMonth && month <= 12; month++) {
    before += DaysInMonth(bLeapYear ? 4 : 1, month);
  }
  return nDayOfYear - before;
}

bool CalculateDateTimeValue(double dSerial, int32_t nDateSystem, _XLSDATETIME* pParts) {
  if (!pParts) return false;
  *pParts = _XLSDATETIME{0, 0, 0, 0, 0, 0, 0};
  SerialParts parts;
  if (nDateSystem != 0 || !SplitSerial(dSerial, 1, &parts)) return false;
  pParts->nTenths = static_cast<int32_t>(parts.nSubSecond);
  pParts->nSecond = parts.nSecond;
  pParts->nMinute = parts.nMinute;
  pParts->nHour = parts.nHour;
  pParts->nDay = parts.nDay;
  pParts->nMonth = parts.nMonth;
  pParts->nYear = parts.nYear;
  return true;
}

void AddDateTimePart(const _XLSDATETIME& parts, bool bIsMinute, bool bTwelveHour,
                     const char16_t* pToken, size_t nTokenLength, char16_t* pOut,
                     size_t nCapacity) {
  if (!pOut || nCapacity == 0 || !pToken || nTokenLength == 0) return;
  size_t used = 0;
  while (used < nCapacity && pOut[used]) used++;
  if (used >= nCapacity) return;
  fmt::TextSink sink(pOut + used, nCapacity - used);
  char16_t letter = pToken[0] | 0x20;
  size_t n = nTokenLength;
  int month = parts.nMonth >= 1 && parts.nMonth <= 12 ? parts.nMonth : 1;
  switch (letter) {
    case u'y':
      if (n <= 2) PutNumber(parts.nYear % 100, 2, &sink);
      else PutNumber(parts.nYear, 1, &sink);
      break;
    case u'm':
      if (n <= 2) PutNumber(bIsMinute ? parts.nMinute : parts.nMonth, static_cast<int>(n), &sink);
      else if (n == 3) sink.PutAscii(kShortMonths[month - 1]);
      else if (n == 4) sink.PutAscii(kLongMonths[month - 1]);
      else sink.Put(static_cast<char16_t>(kLongMonths[month - 1][0]));
      break;
    case u'd': {
      if (n <= 2) {
        PutNumber(parts.nDay, static_cast<int>(n), &sink);
        break;
      }
      // Weekday of the date (1900 dates before March count the serial system's extra day).
      int weekday = WeekdayOf(parts.nYear, month, parts.nDay);
      if (parts.nYear == 1900 && month <= 2) weekday = (weekday + 6) % 7;
      sink.PutAscii(n == 3 ? kShortDays[weekday] : kLongDays[weekday]);
      break;
    }
    case u'h':
      PutNumber(bTwelveHour ? Hour12(parts.nHour) : parts.nHour, n >= 2 ? 2 : 1, &sink);
      break;
    case u's':
      PutNumber(parts.nSecond, n >= 2 ? 2 : 1, &sink);
      break;
    default:
      break;
  }
  sink.Finish();
}

namespace fmt {

// What a date code asks of the serial before it is written: sub-second digits, a 12-hour clock,
// and which units count elapsed time.
struct DateCodeUse {
  int subDigits = 0;
  bool bTwelveHour = false;
  bool bElapsed[3] = {false, false, false};  // hours, minutes, seconds
  bool AnyElapsed() const { return bElapsed[0] || bElapsed[1] || bElapsed[2]; }
};

DateCodeUse ScanDateTokens(const TokenList& list) {
  DateCodeUse use;
  for (int i = 0; i < list.nCount; i++) {
    const Token& token = list.tokens[i];
    if (token.kind == kTokSubSecond && token.nLength > use.subDigits) use.subDigits = token.nLength;
    if (token.kind == kTokAmPm) use.bTwelveHour = true;
    if (token.kind >= kTokElapsedHour && token.kind <= kTokElapsedSecond) use.bElapsed[token.kind - kTokElapsedHour] = true;
  }
  return use;
}

// y, yy, yyyy (and e, ee): the year, in the Japanese era's count where the calendar has eras.
void PutYear(const Token& token, const SerialParts& parts, const DateCalendar& calendar, TextSink* sink) {
  const int n = token.nLength;
  int32_t year = parts.nYear + calendar.nYearOffset;
  const char16_t* eraName;
  char16_t initial;
  bool bEraYear = calendar.bJapaneseEra && (token.unit == u'e' || token.unit == u'E');
  if (bEraYear && JapaneseEraOf(parts.nYear, parts.nMonth, parts.nDay, &eraName, &initial, &year)) {
    PutNumber(year, n <= 2 ? 2 : 1, sink);
  } else if (n <= 2 && token.unit != u'e' && token.unit != u'E') {
    PutNumber(year % 100, 2, sink);
  } else {
    PutNumber(year, 1, sink);  // four digits for every Gregorian year here, "ee" too
  }
}

// g, gg, ggg: the Japanese era's initial or name; nothing without eras.
void PutEra(const Token& token, const SerialParts& parts, const DateCalendar& calendar, TextSink* sink) {
  const char16_t* eraName;
  char16_t initial;
  int32_t eraYear;
  if (!calendar.bJapaneseEra || !JapaneseEraOf(parts.nYear, parts.nMonth, parts.nDay, &eraName, &initial, &eraYear))
    return;
  if (token.nLength == 1) sink->Put(initial);
  else sink->PutUnits(eraName, token.nLength == 2 ? 1 : 2);
}

// m, mm (a month, or minutes beside hours or seconds), mmm, mmmm, mmmmm.
void PutMonth(const TokenList& list, int i, const SerialParts& parts, int64_t minuteShown, TextSink* sink) {
  const int n = list.tokens[i].nLength;
  if (n <= 2 && MonthIsMinute(list, i)) PutNumber(minuteShown, n, sink);
  else if (n <= 2) PutNumber(parts.nMonth, n, sink);
  else if (n == 3) sink->PutAscii(kShortMonths[parts.nMonth - 1]);
  else if (n == 4) sink->PutAscii(kLongMonths[parts.nMonth - 1]);
  else sink->Put(static_cast<char16_t>(kLongMonths[parts.nMonth - 1][0]));
}

// AM/PM, or A/P in the case written.
void PutAmPm(const Token& token, const SerialParts& parts, TextSink* sink) {
  const bool bPm = parts.nHour >= 12;
  if (token.nLength == 5) {
    sink->PutAscii(bPm ? "PM" : "AM");
  } else {
    const bool bLower = token.unit == u'a';
    sink->Put(bPm ? (bLower ? u'p' : u'P') : (bLower ? u'a' : u'A'));
  }
}

bool RenderDateSection(const TokenList& list, const FormatCode& code, double dSerial,
                       const DateCalendar& calendar, RenderedText* pOut) {
  pOut->nFillAt = SIZE_MAX;
  pOut->fillUnit = u' ';
  pOut->nLength = 0;
  pOut->szText[0] = 0;
  const DateCodeUse use = ScanDateTokens(list);
  const int subDigits = use.subDigits;
  const bool* bElapsed = use.bElapsed;
  TextSink sink(pOut->szText, kWorkUnits);
  // An elapsed time below zero shows its length after a minus sign.
  if (dSerial < 0.0 && use.AnyElapsed()) {
    sink.Put(u'-');
    dSerial = -dSerial;
  }
  SerialParts parts;
  if (!SplitSerial(dSerial, subDigits, &parts)) return false;
  // A plain unit of the kind an elapsed unit counts shows the elapsed count too ("[h] h").
  const int64_t elapsedHours = parts.nTotalSeconds / 3600;
  const int64_t elapsedMinutes = parts.nTotalSeconds / 60;
  const int64_t hourShown = bElapsed[0] ? elapsedHours : use.bTwelveHour ? Hour12(parts.nHour) : parts.nHour;
  const int64_t minuteShown = bElapsed[1] ? elapsedMinutes : parts.nMinute;
  const int64_t secondShown = bElapsed[2] ? parts.nTotalSeconds : parts.nSecond;
  for (int i = 0; i < list.nCount; i++) {
    const Token& token = list.tokens[i];
    int n = token.nLength;
    // One case per date/time token kind; the switch is long but flat.
    switch (token.kind) {
      case kTokYear: PutYear(token, parts, calendar, &sink); break;
      case kTokEra: PutEra(token, parts, calendar, &sink); break;
      case kTokMonth: PutMonth(list, i, parts, minuteShown, &sink); break;
      case kTokDay:
        if (n <= 2) PutNumber(parts.nDay, n, &sink);
        else sink.PutAscii(n == 3 ? kShortDays[parts.nWeekday] : kLongDays[parts.nWeekday]);
        break;
      case kTokHour:
        PutNumber(hourShown, n >= 2 ? 2 : 1, &sink);
        break;
      case kTokMinute:
        PutNumber(minuteShown, n >= 2 ? 2 : 1, &sink);
        break;
      case kTokSecond:
        PutNumber(secondShown, n >= 2 ? 2 : 1, &sink);
        break;
      case kTokElapsedHour:
        PutNumber(elapsedHours, n > 20 ? 20 : n, &sink);
        break;
      case kTokElapsedMinute:
        PutNumber(elapsedMinutes, n > 20 ? 20 : n, &sink);
        break;
      case kTokElapsedSecond:
        PutNumber(parts.nTotalSeconds, n > 20 ? 20 : n, &sink);
        break;
      case kTokAmPm: PutAmPm(token, parts, &sink); break;
      case kTokSubSecond: {
        sink.Put(u'.');
        int64_t value = parts.nSubSecond;
        for (int k = n; k < subDigits; k++) value /= 10;
        PutNumber(value, n, &sink);
        break;
      }
      case kTokLiteral:
        sink.Put(token.unit);
        break;
      case kTokSpace:
        sink.Put(u' ');
        break;
      case kTokLiteralText:
        PutCodeUnits(code, token, &sink);
        break;
      case kTokFill:
        if (pOut->nFillAt == SIZE_MAX) {
          pOut->nFillAt = sink.nLength;
          pOut->fillUnit = token.unit;
        }
        break;
      default:
        break;
    }
  }
  pOut->nLength = sink.nLength;
  sink.Finish();
  return true;
}

}  // namespace fmt
}  // namespace xlx
