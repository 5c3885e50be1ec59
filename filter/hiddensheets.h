// Hidden sheets that shown content refers to: their cells are loaded (as data sheets, never
// printed) so that charts, sparklines and formulas plot and compute what the cells hold rather
// than what the file cached.
#pragma once
#include <cstdint>
#include <string>

#include "model/workbook.h"

namespace xlx {

// Whether formula text `text` names sheet `name` (a plain `Name!` or a quoted `'Name'!`, quotes
// in the name doubled); case does not matter.
[[nodiscard]] bool FormulaNamesSheet(std::u16string_view text, const std::u16string& name);

// Loads every hidden sheet named by a chart series, a sparkline, a defined name or a cell formula
// of a shown sheet, and then those the loaded ones name in turn. Needs the sheet objects (charts)
// read. A sheet that cannot be read is left out. 1, or -1 when memory ran out.
[[nodiscard]] int32_t LoadReferencedHiddenSheets(Workbook* workbook);

}  // namespace xlx
