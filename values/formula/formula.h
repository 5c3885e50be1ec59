// The formula engine seen from outside: which formulas of a loaded workbook are computed, and the
// computation of one formula text for tests and tools. Results are written back into the cells
// before number formatting runs; a formula that cannot be computed (unknown function, circular
// reference, malformed text, another workbook) keeps the value cached in the file, and a cell that
// had a value is never blanked.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/workbook.h"
#include "values/formula/value.h"

namespace xlx {

enum FormulaEvalMode : int32_t {
  // Formulas flagged `ca`, formulas without a cached value, every formula when the workbook asks
  // for a full calculation on load, and whatever those formulas reference.
  kFormulaEvalTriggered = 0,
  kFormulaEvalNone = 1,  // cached values only
  kFormulaEvalAll = 2,   // every formula, whatever its cached value
};

// What one run computed; the per-cell list is kept only when bKeepCells is set.
struct FormulaRunCell {
  int32_t sheet = 0;        // index among the loaded sheets
  int32_t row = 0;          // 1-based
  int32_t column = 0;       // 1-based
  bool bComputed = false;   // false: the cached value stayed
  bool bVolatile = false;   // the result depends on RAND, NOW or another volatile function
};
struct FormulaRunReport {
  bool bKeepCells = false;
  int32_t nTotal = 0;        // formula cells of the loaded sheets (array ranges count their master)
  int32_t nComputed = 0;     // results written back
  int32_t nUnsupported = 0;  // selected formulas that kept their cached value
  std::vector<FormulaRunCell> cells;
  std::map<std::string, int32_t> unsupportedFunctions;  // function name -> formulas that use it
};

// Computes the formulas that `mode` selects in every loaded sheet and writes the results into the
// cells. The engine is kept with the workbook (workbook->evaluatorContext) for later evaluations.
// `report` may be null. The host's progress callback is polled after each sheet. 1; -1 out of
// memory; -13 null workbook; a progress result other than 1 as it is.
[[nodiscard]] int32_t EvaluateWorkbookFormulas(Workbook* workbook, FormulaEvalMode mode, FormulaRunReport* report);

// The value a cell holds now (its cached or computed value): EMPTY without a value.
ExcelValue ValueOfStoredCell(const Workbook& workbook, const CellRecord& cell);

// Computes `text` (with or without its leading '=') as if it stood in the cell at (row, column),
// both 1-based, of the loaded sheet `sheet`, without writing anything. Cells it references are
// computed first when their formulas are selected by the workbook's formulaMode. 1 with *result
// set; -13 for text that cannot be computed (malformed, unknown or unsupported function,
// circular reference); -1 out of memory.
[[nodiscard]] int32_t EvaluateFormulaText(Workbook* workbook, int32_t sheet, int32_t row, int32_t column,
                                          const char16_t* text, ExcelValue* result);

}  // namespace xlx
