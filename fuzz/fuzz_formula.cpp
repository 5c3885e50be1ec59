// Target of the formula parser and evaluator: each input line is the content of one cell of column A
// of a two-sheet workbook (formulas start with '='); the first line is also a defined name and is
// shared by column B, so relative references shift, refer to themselves and to each other. Every
// formula is computed, then the whole input is computed once more as a single formula text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/apiutils.h"
#include "tests/formulas/formulabook.h"
#include "values/formula/formula.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string input(reinterpret_cast<const char*>(data), size);
  xlx::Workbook* wb = xlxtest::BuildLinesBook(input);
  if (!wb) return 0;
  (void)xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr);
  xlx::ExcelValue result;
  std::u16string text = xlx::Utf8ToUtf16(input);
  (void)xlx::EvaluateFormulaText(wb, 0, 3, 2, text.c_str(), &result);
  xlx::FreeWorkbook(wb);
  return 0;
}
