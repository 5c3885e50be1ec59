// Target of the formula parser and evaluator: each input line is the content of one cell of column A
// of a two-sheet workbook (formulas start with '='); the first line is also a defined name and is
// shared by column B, so relative references shift, refer to themselves and to each other. Every
// formula is computed, then the whole input is computed once more as a single formula text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/apiutils.h"
#include "tests/formulas/formulabook.h"
#include "values/formula.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= input.size() && lines.size() < 24) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos) end = input.size();
    lines.push_back(input.substr(start, end - start));
    start = end + 1;
  }
  xlxtest::BookSheet first{"S1", {}}, second{"Other Sheet", {}};
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string row = std::to_string(i + 1);
    first.cells.push_back({"A" + row, lines[i], i % 3 ? "1" : "", -1, i % 2 == 0});
    first.cells.push_back({"B" + row, i == 0 ? lines[0] : "=", "2", 0});
    second.cells.push_back({"C" + row, std::to_string(i * 7 % 5), "", -1});
  }
  std::string name = lines.empty() ? "" : lines[0];
  if (!name.empty() && name[0] == '=') name.erase(0, 1);
  xlx::Workbook* wb = xlxtest::BuildBook({first, second}, {{"N", name}, {"Loop", "Loop+1"}});
  if (!wb) return 0;
  (void)xlx::EvaluateWorkbookFormulas(wb, xlx::kFormulaEvalAll, nullptr);
  xlx::ExcelValue result;
  std::u16string text = xlx::Utf8ToUtf16(input);
  (void)xlx::EvaluateFormulaText(wb, 0, 3, 2, text.c_str(), &result);
  xlx::FreeWorkbook(wb);
  return 0;
}
