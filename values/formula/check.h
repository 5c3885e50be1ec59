// Checking the engine against the values a spreadsheet application cached: every formula of a
// workbook is computed and compared with the value stored in the file. Used by `xlxdump
// --check-formulas` and the corpus test.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/workbook.h"

namespace xlx {

struct FormulaMismatch {
  int32_t sheet = 0, row = 0, column = 0;  // loaded sheet index, 1-based row and column
  std::u16string formula;                   // the text computed (a shared formula's master text)
  std::u16string cached, computed;          // values as text ("" for none)
};

struct FormulaCheckResult {
  int32_t nTotal = 0;          // formula cells
  int32_t nComputed = 0;       // computed (the rest kept their cached value)
  int32_t nEqual = 0;          // computed and equal to the cached value
  int32_t nUnsupported = 0;    // not computed
  int32_t nComputedWithCache = 0;  // computed cells that had a cached value
  int32_t nVolatile = 0;       // computed from RAND, NOW and the like: never compared
  std::vector<FormulaMismatch> mismatches;             // computed cells that differ from the cache
  std::map<std::string, int32_t> mismatchesByFunction; // function name -> mismatching formulas using it
  std::map<std::string, int32_t> unsupportedFunctions; // function name -> formulas it kept from computing
};

// Computes every formula of a workbook opened with formulaMode kFormulaEvalNone and compares each
// result with the cached value (results of volatile functions are not compared) (numbers to 15 significant digits, texts exactly, errors by text).
// 1; -1 out of memory; -13 null argument.
[[nodiscard]] int32_t CheckWorkbookFormulas(Workbook* workbook, FormulaCheckResult* result);

// The upper-case names of the functions a formula calls, without "_xlfn." prefixes.
std::vector<std::string> FunctionNamesOf(const std::u16string& formula);

}  // namespace xlx
