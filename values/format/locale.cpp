// The locale tag of a format code, "[$-xxyyzzzz]" with up to eight hexadecimal digits: zzzz is
// the language id, yy the calendar and xx the digits the value is written in. Language ids only
// pick the system's long date and long time layouts here (F800, F400, and the culture tags
// x-sysdate and x-systime); calendars that count years from another epoch shift the year; digit
// shapes replace the ASCII digits of the text by the script's own.
#include "values/format/internal.h"

namespace xlx {
namespace fmt {
namespace {

// First unit ('0') of the native digits of each shape; 0 where the digits stay ASCII (shape 0
// default, 1 Latin, and shapes without a decimal zero or with several forms).
const char16_t kDigitZero[] = {
    0,      0,      0x0660, 0x06F0, 0x0966, 0x09E6, 0x0A66, 0x0AE6,  // 00-07
    0x0B66, 0x0BE6, 0x0C66, 0x0CE6, 0x0D66, 0x0E50, 0x0ED0, 0x0F20,  // 08-0F
    0x1040, 0,      0x17E0, 0x1810,                                  // 10-13
};

bool SpellsAscii(const char16_t* text, size_t first, size_t end, const char* word) {
  size_t i = first;
  for (; *word; word++, i++) {
    if (i >= end) return false;
    char16_t unit = text[i];
    if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit + 32);
    if (unit != static_cast<char16_t>(*word)) return false;
  }
  return i == end;
}

int HexValue(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

}  // namespace

LocaleTag ReadLocaleTag(const char16_t* text, size_t first, size_t end) {
  LocaleTag tag = {0, 0, 0, 0};
  if (end - first >= 5 && SpellsAscii(text, first, first + 5, "ja-jp")) tag.nLanguage = 0x0411;
  if (SpellsAscii(text, first, end, "x-sysdate")) tag.nSystemPattern = 1;
  if (SpellsAscii(text, first, end, "x-systime")) tag.nSystemPattern = 2;
  if (first >= end || end - first > 8) return tag;
  uint32_t id = 0;
  for (size_t i = first; i < end; i++) {
    int digit = HexValue(text[i]);
    if (digit < 0) return tag;
    id = (id << 4) | static_cast<uint32_t>(digit);
  }
  if ((id & 0xFFFF) == 0xF800) tag.nSystemPattern = 1;
  if ((id & 0xFFFF) == 0xF400) tag.nSystemPattern = 2;
  tag.nLanguage = static_cast<uint16_t>(id & 0xFFFF);
  tag.nCalendar = static_cast<uint8_t>((id >> 16) & 0xFF);
  tag.nDigitShape = static_cast<uint8_t>(id >> 24);
  return tag;
}

int32_t CalendarYearOffset(uint8_t nCalendar) {
  switch (nCalendar) {
    case 4: return -1911;  // Taiwan: years of the Republic
    case 5: return 2333;   // Korean Tangun era
    case 7: return 543;    // Thai Buddhist era
    default: return 0;     // Gregorian, and calendars not supported here
  }
}

bool UsesJapaneseEras(const LocaleTag& tag) { return tag.nLanguage == 0x0411 || tag.nCalendar == 3; }

DateCalendar CalendarOf(const FormatSection& section) {
  return DateCalendar{CalendarYearOffset(section.nCalendar), section.bJapaneseEra};
}

bool JapaneseEraOf(int32_t nYear, int32_t nMonth, int32_t nDay, const char16_t** ppName,
                   char16_t* pInitial, int32_t* pnEraYear) {
  // First day of each era, newest first.
  static const struct {
    int32_t year, month, day;
    const char16_t* name;
    char16_t initial;
  } kEras[] = {
      {2019, 5, 1, u"\u4EE4\u548C", u'R'},  {1989, 1, 8, u"\u5E73\u6210", u'H'},
      {1926, 12, 25, u"\u662D\u548C", u'S'}, {1912, 7, 30, u"\u5927\u6B63", u'T'},
      {1868, 1, 1, u"\u660E\u6CBB", u'M'},
  };
  int32_t date = nYear * 10000 + nMonth * 100 + nDay;
  for (const auto& era : kEras) {
    if (date < era.year * 10000 + era.month * 100 + era.day) continue;
    *ppName = era.name;
    *pInitial = era.initial;
    *pnEraYear = nYear - era.year + 1;
    return true;
  }
  return false;
}

void ApplyDigitShape(uint8_t nDigitShape, char16_t* pText, size_t nLength) {
  if (nDigitShape >= sizeof(kDigitZero) / sizeof(kDigitZero[0])) return;
  char16_t zero = kDigitZero[nDigitShape];
  if (!zero) return;
  for (size_t i = 0; i < nLength; i++) {
    if (pText[i] >= u'0' && pText[i] <= u'9') pText[i] = static_cast<char16_t>(zero + (pText[i] - u'0'));
  }
}

}  // namespace fmt
}  // namespace xlx
