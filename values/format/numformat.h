// Number formatting: turns a cell value and its number format code into the text a cell or a
// chart label shows. Codes are re-read on every call (no parsed form is kept), so the functions
// here hold no state and are safe to call from any thread.
//
// Text is UTF-16. Every function that writes text takes the caller's buffer and its capacity in
// UTF-16 units (terminator included); it never writes past the capacity, always terminates the
// text when the capacity is at least 1, and cuts what does not fit. Only the first
// kMaxFormatCodeUnits units of a code are read. Formatting never fails: unknown tokens render
// nothing for themselves and a null code renders nothing.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/calendar.h"

namespace xlx {

// Kind of a cell's number format, kept with the cell for the alignment of general-aligned text.
enum CellFormatType : int32_t {
  kCellFormatGeneral = 0,
  kCellFormatNumber = 1,
  kCellFormatDateTime = 6,
  kCellFormatPercent = 7,
  kCellFormatFraction = 8,
  kCellFormatScientific = 9,
};

// Automatic colour: the text is drawn in the cell font's own colour. Its marker byte is 0, which
// no colour of a code has, so that [White] (0xFFFFFFFF) stays a colour of its own.
constexpr uint32_t kFormatColorAuto = 0;
// A format code is read up to this many UTF-16 units.
constexpr size_t kMaxFormatCodeUnits = 255;
// Serials from kMaxDateSerial (common/calendar.h) on have no date; such values and negative ones
// show '#'.

// The parts of a date serial (1900 date system).
struct _XLSDATETIME {
  int32_t nTenths;  // tenths of a second, 0..9
  int32_t nSecond;  // 0..59
  int32_t nMinute;  // 0..59
  int32_t nHour;    // 0..23
  int32_t nDay;     // day of month, 1-based (0 for serial 0, "January 0 1900")
  int32_t nMonth;   // 1..12
  int32_t nYear;    // four digits
};

// Width of `nLength` units of `pText` in the cell's font, in px.
typedef double (*MeasureTextFn)(void* pContext, const char16_t* pText, size_t nLength);

// How the text of a cell is fitted to its width. Without a measurer (or with a width <= 0) the
// General form is not narrowed, '*' fill characters are not repeated, and a value that cannot
// be shown ('#' text) gets kOverflowHashCount '#'.
struct CellTextFit {
  double dCellWidthPx;      // laid-out width of the cell (of the merged range), px
  MeasureTextFn pfnMeasure; // measures text in the cell's font
  void* pContext;           // passed to pfnMeasure
};
// Horizontal room the cell's margins take from its width, px.
constexpr double kCellTextPaddingPx = 4.0;
// '#' count shown for an unshowable value when the cell width is unknown.
constexpr size_t kOverflowHashCount = 8;

// Classifies a code by its first decisive character: letters of dates and times give DateTime,
// 'E'/'e' Scientific, '%' Percent, a '/' between digit placeholders Fraction, a code that is
// "General" (any case) General, anything else Number. Text in quotes or brackets, escaped
// characters and the word "General" inside a longer code never decide. Null gives General.
CellFormatType DetectCellFormatType(const char16_t* pCode);

// The value a code is formatted with for a workbook in the 1904 date system: date codes show the
// same day counted from 1900 (1462 days later); elapsed-time codes ([h], [m], [s]) and every other
// code keep the value, as do workbooks in the 1900 system.
double SerialForDisplay(double dValue, const char16_t* pCode, bool bDate1904);

// Formats the numeric value of a cell. NaN is formatted as 0; a null code means "General".
// The General form is fitted to `pFit` (null: not fitted). When the formatted value is exactly
// 0 and bShowZeros is false the text is empty. `pclText` (may be null) receives the colour a
// [Red]-style token of the chosen section asks for, as a CellColor (red in the low byte, marker
// byte 0xFF), or kFormatColorAuto. Returns DetectCellFormatType(pCode).
CellFormatType ParseCellFormat(double dValue, const char16_t* pCode, bool bShowZeros,
                               const CellTextFit* pFit, char16_t* pOut, size_t nCapacity,
                               uint32_t* pclText);

// Formats a value with a code as a chart label does: no width fitting, a General section gives
// the 11-character General text, and a value 0 that no condition of a two-section conditional
// code accepts shows "0" through the first section (a cell shows nothing).
void ParseNumberFormat(double dValue, const char16_t* pCode, bool bChartLabel, char16_t* pOut,
                       size_t nCapacity, uint32_t* pclText);

// Formats a date serial with the first section of a date/time code. nDateSystem must be 0 (the
// 1900 date system, serial 60 being 29 February 1900). Negative serials and serials from
// kMaxDateSerial on give kOverflowHashCount '#'.
void ParseDateTimeFormat(double dSerial, int32_t nDateSystem, const char16_t* pCode,
                         char16_t* pOut, size_t nCapacity);

// Formats the text of a text cell through the text section of a code (the fourth section, or a
// lone section holding '@'). Without a text section the text is copied unchanged.
void ParseTextFormat(const char16_t* pText, const char16_t* pCode, char16_t* pOut,
                     size_t nCapacity, uint32_t* pclText);

// The text of a number of a workbook through a code, as a cell without a width shows it and as
// TEXT() gives it: the serial is read in the workbook's date system (SerialForDisplay), zeros
// show. Returns DetectCellFormatType(pCode).
CellFormatType FormatWorkbookNumber(double dValue, const char16_t* pCode, bool bDate1904,
                                    char16_t* pOut, size_t nCapacity);

// The text of a text value (or of a logical value's TRUE / FALSE) through a code, as TEXT() gives
// it: the code's text section when it has one, the literals of a first section that holds
// nothing but literals ("\"yes\""), and otherwise the text unchanged.
void FormatTextValue(const char16_t* pText, const char16_t* pCode, char16_t* pOut,
                     size_t nCapacity);

// Renders one date/time token (a run of one letter such as "mmm" or "yyyy", compared ignoring
// case) for the parts of a serial and appends it to the zero-terminated text in pOut. `bIsMinute`
// makes 'm'/"mm" the minute, `bTwelveHour` puts hours on a 12-hour clock.
void AddDateTimePart(const _XLSDATETIME& parts, bool bIsMinute, bool bTwelveHour,
                     const char16_t* pToken, size_t nTokenLength, char16_t* pOut,
                     size_t nCapacity);

// Splits a serial of the 1900 date system into its parts: serial 1 is 1 January 1900, serial 60
// is 29 February 1900, serials below 1 are "January 0 1900". Time is rounded to tenths of a second.
// Returns false (parts zeroed) for NaN, negative serials and serials from kMaxDateSerial on.
bool CalculateDateTimeValue(double dSerial, int32_t nDateSystem, _XLSDATETIME* pParts);
// Month 1..12 of day `nDayOfYear` (1-based) in a year; `bLeapYear` gives February 29 days.
int32_t GetMonthFromDays(int32_t nDayOfYear, bool bLeapYear);
// Day of the month of day `nDayOfYear` that falls in `nMonth`.
int32_t GetDayOfMonth(int32_t nDayOfYear, int32_t nMonth, bool bLeapYear);

// Writes a value as the code "# ?/?" shows it: a whole number and the nearest proper fraction
// with a one-digit denominator, aligned on the '/' ("1 1/4", " 1/2", and "3    " for 3).
void ConvertDecimalToFraction(double dValue, char16_t* pOut, size_t nCapacity);

// The 11-character General text of a value: up to 10 significant digits in fixed notation,
// scientific with up to 6 significant digits when fixed notation would not fit.
void FormatGeneralNumber(double dValue, char16_t* pOut, size_t nCapacity);

// The text of a number joined into a string by a formula: the shortest text, up to 15
// significant digits, that reads back as the value ("1.5", "0.3", "1E+20").
void FormatNumberAsText(double dValue, char16_t* pOut, size_t nCapacity);

// True when the text is empty or every unit is a decimal digit or one of ".eE+-" (null: false).
bool IsNumericText(const char16_t* pText);

// Converts the leading number of a text: false for null or empty text, a text starting with 'E'
// or 'e', the text ".", and any text holding a unit other than a digit or ",.eE+-"; otherwise
// stores the value of its longest leading number (0 when none) in *pdValue and returns true.
bool TextToNumber(const char16_t* pText, double* pdValue);

}  // namespace xlx
