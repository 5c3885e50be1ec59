// Values of the formula engine: operands and results, with the coercions the spreadsheet
// application applies between numbers, texts and booleans, and the comparison it uses for sorting,
// matching and criteria.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace xlx {

enum ValueType : uint8_t {
  kValueNone = 0,         // no value was produced
  kValueUnsupported = 1,  // cannot be computed here; the cell keeps its cached value
  kValueRange = 2,        // a reference (one cell or a rectangle), in cellRef
  kValueEmpty = 3,        // an empty cell or an omitted argument
  kValueError = 4,        // error in `error`
  kValueNumber = 5,       // dVal
  kValueString = 6,       // strVal
  kValueBoolean = 7,      // bVal (dVal holds 0 or 1)
  kValueArray = 8,        // array, rows x columns of scalar values
};

enum ErrorID : uint8_t {
  kErrorNone = 0,
  kErrorNA = 1,       // "#N/A"
  kErrorValue = 2,    // "#VALUE!"
  kErrorRef = 3,      // "#REF!"
  kErrorDiv0 = 4,     // "#DIV/0!"
  kErrorNum = 5,      // "#NUM!"
  kErrorName = 6,     // "#NAME?"
  kErrorNull = 7,     // "#NULL!"
  kErrorSpill = 8,    // "#SPILL!", "#CALC!" and similar later errors, kept as written
};

// A rectangle of one loaded sheet; rows and columns 1-based and ordered.
struct CellArea {
  int32_t sheet = -1;  // index among the loaded sheets
  int32_t row1 = 0, col1 = 0, row2 = 0, col2 = 0;
  bool IsSingle() const { return row1 == row2 && col1 == col2; }
  int32_t Rows() const { return row2 - row1 + 1; }
  int32_t Cols() const { return col2 - col1 + 1; }
};

struct ValueArray;

struct ExcelValue {
  uint8_t type = kValueNone;  // ValueType
  uint8_t error = kErrorNone; // ErrorID of an error value
  bool bVal = false;
  double dVal = 0;
  std::u16string strVal;      // text of a string; text of an error
  CellArea cellRef;
  std::shared_ptr<const ValueArray> array;
};

struct ValueArray {
  int32_t rows = 0;
  int32_t cols = 0;
  std::vector<ExcelValue> items;  // row by row
  const ExcelValue& At(int32_t r, int32_t c) const { return items[size_t(r) * size_t(cols) + size_t(c)]; }
};

// Builders of scalar values.
ExcelValue MakeNumber(double value);
ExcelValue MakeString(std::u16string text);
ExcelValue MakeBoolean(bool value);
ExcelValue MakeError(ErrorID error);
ExcelValue MakeEmpty();
ExcelValue MakeUnsupported();
ExcelValue MakeRange(const CellArea& area);
ExcelValue MakeArray(std::shared_ptr<const ValueArray> array);

// The text of an error ("#N/A" ...); "" for kErrorNone.
const char16_t* ErrorText(ErrorID error);
// The error of an error text compared exactly; kErrorNone when the text is none of them.
ErrorID ErrorFromText(const std::u16string& text);

// Number as text the way a formula joins it: shortest round-trip text, 15 significant digits.
std::u16string NumberToText(double value);
// Text the way a formula reads it as a number: optional spaces, sign, currency '$', grouping
// commas, decimal point, exponent, trailing '%', parentheses for a negative value, and dates and
// times ("2024-03-01", "3/1/2024", "1-Mar-2024", "13:30", "1:30 PM"). `date1904` picks the serial
// of dates. False when the text is no number.
bool TextToValue(const std::u16string& text, bool date1904, double* value);

// Coercions of a scalar (not a range or array) as arithmetic does: booleans are 0 or 1, empty is
// 0 or "", text is read by TextToValue. False with *error set when the value has no such form.
bool CoerceToNumber(const ExcelValue& v, bool date1904, double* out, ErrorID* error);
bool CoerceToText(const ExcelValue& v, std::u16string* out, ErrorID* error);
bool CoerceToBoolean(const ExcelValue& v, bool* out, ErrorID* error);

// Upper-case fold used for case-insensitive comparison (ASCII and Latin-1, Greek, Cyrillic).
char16_t FoldCase(char16_t c);
std::u16string FoldText(const std::u16string& text);

// Order of two scalars as sorting and lookups see them: numbers < texts < booleans, texts without
// regard to case; empty sorts as 0 against a number, "" against a text, FALSE against a boolean.
// -1, 0 or 1. Errors compare equal to each other and above everything else.
int32_t CompareValues(const ExcelValue& a, const ExcelValue& b);

// Wildcard match of `text` against `pattern` (both already folded): '*' any run, '?' one unit,
// '~' escapes the next unit.
bool WildcardMatch(const std::u16string& pattern, const std::u16string& text);
bool HasWildcard(const std::u16string& pattern);

// Rounds to 15 significant digits, the precision the application keeps and shows.
double RoundTo15Digits(double value);

}  // namespace xlx
