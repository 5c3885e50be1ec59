// Target of the conditional-format reader and evaluator: the input is a worksheet part whose
// `conditionalFormatting` blocks and extension list are read into a sheet of a small grid of
// numbers, texts, blanks and errors, and every cell of the grid and around it is evaluated, stored
// or not.
#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "parser/xlsxprsr.h"
#include "tests/formulas/formulabook.h"
#include "values/formula/condfmteval.h"
#include "view/condfmt/blanks.h"

namespace {

xlx::Workbook* Grid() {
  std::vector<xlxtest::BookCell> cells;
  const char* texts[] = {"'apple", "'Banana", "'", "#N/A", "TRUE", "'  "};
  for (int row = 1; row <= 6; ++row)
    for (int col = 0; col < 5; ++col) {
      std::string ref = std::string(1, char('A' + col)) + std::to_string(row);
      cells.emplace_back(ref, col == 4 ? texts[row - 1] : std::to_string((row * 7 + col * 3) % 11 - 3));
    }
  cells.emplace_back("F1", "=A1*2");
  return xlxtest::BuildBook({{"S", cells}});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 18)) return 0;
  pugi::xml_document doc;
  if (!doc.load_buffer(data, size)) return 0;
  xlx::Workbook* wb = Grid();
  if (!wb) return 0;
  xlx::MyWorksheet& sheet = wb->sheets[0];
  if (xlx::ReadConditionalFormats(*wb, &sheet, doc.document_element()) == 1 && sheet.condFormats) {
    xlx::CondFmtPage page(*wb, sheet, 1, 1, 8, 7);
    xlx::CellCondResult result;
    for (int32_t row = 1; row <= 8; ++row)
      for (int32_t col = 1; col <= 7; ++col) (void)page.Evaluate(row, col, &result);
    // Positions the grid does not store, as a page around it paints them.
    std::vector<xlx::AbsentCondCell> absent;
    xlx::FindAbsentCondCells(*wb, sheet, 1, 1, 12, 9, &absent);
  }
  xlx::FreeWorkbook(wb);
  return 0;
}
