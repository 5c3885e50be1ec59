// Pieces shared by the number-format sources: the bounded text builder, the reading of a code
// into sections and tokens, and decimal digit strings. Not part of the module's interface.
#pragma once
#include <cstddef>
#include <cstdint>

#include "values/format/numformat.h"

namespace xlx {
namespace fmt {

// Appends to a caller buffer, never past its capacity (terminator included); what does not fit
// is dropped. Finish() writes the terminator.
struct TextSink {
  char16_t* pText;
  size_t nCapacity;
  size_t nLength;

  TextSink(char16_t* text, size_t capacity) : pText(text), nCapacity(capacity), nLength(0) {}
  void Put(char16_t unit) {
    if (nLength + 1 < nCapacity) pText[nLength++] = unit;
  }
  void PutRepeated(char16_t unit, size_t count) {
    for (size_t i = 0; i < count && nLength + 1 < nCapacity; i++) pText[nLength++] = unit;
  }
  void PutAscii(const char* text) {
    while (*text) Put(static_cast<char16_t>(static_cast<unsigned char>(*text++)));
  }
  void PutUnits(const char16_t* text, size_t count) {
    for (size_t i = 0; i < count; i++) Put(text[i]);
  }
  void Finish() {
    if (nCapacity > 0) pText[nLength < nCapacity ? nLength : nCapacity - 1] = 0;
  }
};

// Units of the work buffers that a section is rendered into before it is copied out. A section
// has at most 255 units of literals and a number at most 309 digits with their separators.
constexpr size_t kWorkUnits = 1024;

// ---- tokens --------------------------------------------------------------------------------
enum TokenKind : uint8_t {
  kTokLiteral,     // one literal unit (quoted, escaped or plain)
  kTokSpace,       // '_x': a space as wide as x
  kTokFill,        // '*x': x repeated to fill the cell
  kTokDigit0,      // '0' placeholder: digit or zero
  kTokDigitHash,   // '#' placeholder: digit or nothing
  kTokDigitQ,      // '?' placeholder: digit or space
  kTokPoint,       // '.' decimal point
  kTokComma,       // ',' grouping or scaling
  kTokPercent,     // '%'
  kTokExponent,    // E+ / E- (unit: '+' or '-')
  kTokSlash,       // '/' of a fraction
  kTokText,        // '@': the text of a text cell
  kTokGeneral,     // the word General
  kTokLiteralText, // a run of literal units from a bracket ([$USD-409] shows USD)
  kTokYear,        // y..., e      (length: run length)
  kTokMonth,       // m... (may turn into kTokMinute)
  kTokMinute,
  kTokDay,         // d...
  kTokHour,        // h...
  kTokSecond,      // s...
  kTokAmPm,        // AM/PM or A/P (unit: case of the first letter, length 5 or 3)
  kTokSubSecond,   // .0, .00, .000 after seconds (length: digit count)
  kTokElapsedHour, // [h], [hh]     (length: letter count)
  kTokElapsedMinute,
  kTokElapsedSecond,
  kTokEra,         // g, gg, ggg: the Japanese era (length: run length)
};

struct Token {
  TokenKind kind;
  char16_t unit;     // the literal / fill / space unit, exponent sign, AM/PM case
  uint16_t nLength;  // run length of date letters; start of kTokLiteralText in the code
  uint16_t nCount;   // unit count of kTokLiteralText
};

// Comparison operators of a [>100]-style condition.
enum ConditionOp : uint8_t { kCondNone, kCondLess, kCondLessEq, kCondGreater, kCondGreaterEq,
                             kCondEqual, kCondNotEqual };

// Maximum sections read from a code: positive, negative, zero, text.
constexpr int kMaxSections = 4;

struct FormatSection {
  size_t nStart;          // first unit of the section in FormatCode::szCode
  size_t nEnd;            // one past its last unit
  uint32_t clColor;       // kFormatColorAuto or a [Red]-style colour
  ConditionOp condOp;     // kCondNone when the section has no condition
  double dCondValue;
  bool bDate;             // holds date/time tokens
  bool bText;             // holds '@'
  bool bGeneral;          // holds the word General
  bool bPlaceholders;     // holds digit placeholders
  uint8_t nSystemPattern; // [$-F800] system long date 1, [$-F400] system long time 2, else 0
  uint8_t nCalendar;      // calendar of the locale tag ([$-xxyyzzzz]: yy), 0 default
  uint8_t nDigitShape;    // digits of the locale tag (xx), 0 default
  bool bJapaneseEra;      // 'g' and 'e' count Japanese eras (language 0411 or calendar 3)
};

// A code cut to kMaxFormatCodeUnits and split at its unquoted ';' (at most kMaxSections).
struct FormatCode {
  char16_t szCode[kMaxFormatCodeUnits + 1];
  size_t nLength;
  FormatSection sections[kMaxSections];
  int nSections;  // 0 only for a null code
};

// Reads a code: copies it, splits it and classifies every section. Null gives 0 sections.
void ReadFormatCode(const char16_t* pCode, FormatCode* pOut);

// ---- locale tags ----------------------------------------------------------------------------
struct LocaleTag {
  uint8_t nSystemPattern;  // 1 system long date, 2 system long time, else 0
  uint8_t nCalendar;
  uint8_t nDigitShape;
  uint16_t nLanguage;      // language id (zzzz), 0 when none
};
// Reads the text text[first, end) after the '-' of a "[$...-...]" bracket: a hexadecimal id of up
// to eight digits, or the culture tags x-sysdate and x-systime. Anything else gives all zeros.
LocaleTag ReadLocaleTag(const char16_t* text, size_t first, size_t end);
// Years added to the Gregorian year by a calendar of a locale tag (Thai Buddhist 543, Taiwan
// -1911, Korean Tangun 2333); 0 for the others.
int32_t CalendarYearOffset(uint8_t nCalendar);
// Whether a locale tag makes 'g' and 'e' count Japanese eras.
bool UsesJapaneseEras(const LocaleTag& tag);
// The Japanese era of a Gregorian date from Meiji on: the era's name (two units), its Latin
// initial and the year within it. False before Meiji.
bool JapaneseEraOf(int32_t nYear, int32_t nMonth, int32_t nDay, const char16_t** ppName,
                   char16_t* pInitial, int32_t* pnEraYear);
// Replaces the ASCII digits of a text by the native digits of a digit shape (02 Arabic-Indic,
// 03 Persian, 04 Devanagari ... 0D Thai ... 13 Mongolian); other shapes leave the text alone.
void ApplyDigitShape(uint8_t nDigitShape, char16_t* pText, size_t nLength);

// The fixed English layouts that stand for the system long date ([$-F800]) and long time
// ([$-F400]) tags; null for a section without one.
const char16_t* SystemPatternOf(const FormatSection& section);

// Tokens of one section; at most one per unit of the section.
struct TokenList {
  Token tokens[kMaxFormatCodeUnits + 1];
  int nCount;
};
void TokenizeSection(const FormatCode& code, const FormatSection& section, TokenList* pOut);

// Picks the section that formats a number. Sets *pbMinus when a '-' must be put in front of the
// magnitude. Returns -1 for a code without sections, kNoSectionMatches when two sections both
// carry a condition and neither accepts the value (the cell then shows '#').
// kSectionGeneral when a lone section's condition does not accept the value, which then shows
// in the General form with its sign.
constexpr int kNoSectionMatches = -2;
constexpr int kSectionGeneral = -3;
int ChooseNumberSection(const FormatCode& code, double dValue, bool* pbMinus);
// Section for text: the fourth section, or a lone / last section holding '@'; -1 when none.
int ChooseTextSection(const FormatCode& code);

// ---- decimal digits -------------------------------------------------------------------------
// A finite non-negative value as up to 15 significant decimal digits: value =
// 0.d1d2...dn x 10^nExp10 (digits without trailing zeros; nDigits 0 means zero).
struct DecimalValue {
  char digits[16];
  int nDigits;
  int nExp10;
};
void ToDecimal(double dMagnitude, DecimalValue* pOut);

// Digits of a decimal value rounded half up to nDecimals fraction digits. Integer digits without
// leading zeros (none for a value below 1), fraction digits exactly nDecimals.
constexpr int kMaxIntDigits = 330;
constexpr int kMaxFracDigits = 300;
struct FixedDigits {
  char intDigits[kMaxIntDigits];
  int nInt;
  char fracDigits[kMaxFracDigits];
  int nFrac;
};
void RoundToFixed(const DecimalValue& value, int nDecimals, FixedDigits* pOut);

// ---- rendering pieces -----------------------------------------------------------------------
// Renders a section holding digit placeholders (fixed, scientific or fraction form) for a
// magnitude; literals and the General word come out in place. Returns the fill unit position
// through *pnFillAt (SIZE_MAX when none) so that the caller can widen the text.
struct RenderedText {
  char16_t szText[kWorkUnits];
  size_t nLength;
  size_t nFillAt;      // index where the fill characters go, or SIZE_MAX
  char16_t fillUnit;
};
void RenderNumberSection(const TokenList& tokens, const FormatCode& code, double dMagnitude,
                         bool bMinus, RenderedText* pOut);
// How a date section counts years: the offset of its calendar and Japanese eras for 'g'/'e'.
struct DateCalendar {
  int32_t nYearOffset;
  bool bJapaneseEra;
};
DateCalendar CalendarOf(const FormatSection& section);
// Renders a date/time section. Returns false when the serial cannot be shown as a date.
bool RenderDateSection(const TokenList& tokens, const FormatCode& code, double dSerial,
                       const DateCalendar& calendar, RenderedText* pOut);
// Renders a text section around a cell text.
void RenderTextSection(const TokenList& tokens, const FormatCode& code, const char16_t* pText,
                       RenderedText* pOut);

// The General text of a magnitude with at most nMaxChars units (digits, '.', exponent), sign not
// included and not counted. nMaxChars below 1 gives an empty text.
size_t GeneralText(double dMagnitude, int nMaxChars, char* pOut, size_t nCapacity);

// Writes a literal run of a bracket (the currency text of [$USD-409]) into a sink.
void PutCodeUnits(const FormatCode& code, const Token& token, TextSink* pSink);

}  // namespace fmt
}  // namespace xlx
