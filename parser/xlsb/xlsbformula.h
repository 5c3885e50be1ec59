// Formula tokens of a binary workbook turned into formula text for the formula engine: the token
// array of a cell formula, a shared formula or a defined name, with its extra data (the array that
// follows the tokens). References are written in A1 style with "$" on absolute parts, references
// to other sheets through the workbook's extern-sheet table, functions by name, binary operators
// with a blank on each side (" + "), function arguments joined by ",".
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/workbook.h"

namespace xlx {

// The tokens of one formula and the cell they belong to.
struct FormulaTokens {
  const uint8_t* tokens = nullptr;
  size_t length = 0;                 // bytes of tokens
  const uint8_t* extra = nullptr;    // the extra data after the tokens
  size_t extraLength = 0;
  int32_t row = 1;                   // 1-based cell the relative tokens count from
  int32_t column = 1;
};

// Renders the tokens into *out. 1; -13 for an operator or function without enough operands;
// -9 for a token that is cut off, unknown, not rendered as text (table references, names and
// sheets of other workbooks) or a reference outside the sheet. On failure *out is empty.
[[nodiscard]] int32_t RenderFormulaTokens(const Workbook& workbook, const FormulaTokens& formula, std::u16string* out);

// A formula that is one shared-formula or array reference (ptgExp): true with the 1-based row and
// column of the cell that holds the shared formula.
bool IsSharedFormulaReference(const FormulaTokens& formula, int32_t* row, int32_t* column);

// Names of the worksheet functions (0 COUNT ... 484 AVERAGEIFS) and of the macro functions
// (0 BEEP ... 808); null for an index without a name.
const char16_t* FunctionName(uint32_t index);
const char16_t* MacroFunctionName(uint32_t index);
// Arguments a fixed-argument function token takes for that function index; 0 when not listed.
int32_t FixedArgumentCount(uint32_t index);

// Column letters of a 1-based column as UTF-16 (1 "A", 28 "AB"); empty outside the sheet.
std::u16string ColumnLetterText(int32_t column);

}  // namespace xlx
