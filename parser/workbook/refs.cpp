// Print areas as defined names write them.
#include "common/cellref.h"
#include "parser/xlsxprsr.h"

namespace xlx {

bool ParsePrintAreaBounds(const char16_t* text, const char16_t* sheetName, MyCellBounds* bounds) {
  if (!text) return false;
  std::u16string name;
  std::u16string_view area;
  if (!SplitSheetName(FirstArea(text), &name, &area)) return false;
  if (!name.empty() && sheetName && name != sheetName) return false;
  CellRange range;
  if (!ParseCellRange(area, &range)) return false;
  *bounds = BoundsOf(range);
  return true;
}

}  // namespace xlx
