// Readers of tables: `table` parts reached through a sheet's `tableParts`, pivot table definitions
// reached through its "pivotTable" relationships, the elements of the stylesheet's table styles,
// and the making of the styles they are drawn with. Tables are optional content: a broken part
// loses its table, never the sheet; only running out of memory fails the load.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "model/tables.h"
#include "model/workbook.h"

namespace xlx {

// The `tableStyleElement` children of a `tableStyle` into entry->elements: unknown kinds are
// skipped, `size` is clamped to 1..9, a `dxfId` outside 0..dxfCount-1 leaves the element without one.
void ReadTableStyleElements(TableStyleEntry* entry, pugi::xml_node tableStyle, int32_t dxfCount);

// A `table` root into the record (kind table). 1; -9 when the node is not a `table` or its `ref` is
// not a range inside the sheet.
[[nodiscard]] int32_t ReadTablePart(TableBase* table, pugi::xml_node root);
// A `pivotTableDefinition` root into the record (kind pivot): name, location, style information and
// the rows of subtotals, subheadings, blanks and grand totals. 1; -9 as for ReadTablePart.
[[nodiscard]] int32_t ReadPivotTableDefinition(TableBase* table, pugi::xml_node root);

// The style a table is drawn with: a custom style of the stylesheet, else a built-in one (its theme
// colours resolved against the workbook's theme), made once per workbook and shared. A pivot table
// with no style name takes the stylesheet's default pivot style, else "PivotStyleLight16". Null
// when the name is unknown or empty. Takes the workbook lock. 1 or -1.
[[nodiscard]] int32_t ResolveTableStyle(Workbook* workbook, const std::u16string& name,
                                        std::shared_ptr<const ResolvedTableStyle>* out);

// Reads every table and pivot table of a loaded sheet part into sheet->tables, registers the
// tables' names with the workbook, and indexes them by rows. 1 or -1.
[[nodiscard]] int32_t ReadSheetTables(Workbook* workbook, MyWorksheet* sheet, pugi::xml_node worksheet);

// Styles, workbook names and the row index of the tables already in sheet->tables.items (what
// ReadSheetTables does once the parts are read; the binary reader fills the items itself). 1 or -1.
[[nodiscard]] int32_t FinishReadingSheetTables(Workbook* workbook, MyWorksheet* sheet);

// Table relationships of all sheets whose relationships are read (what defined names need to know
// before the sheets are loaded).
[[nodiscard]] int32_t CountTableRelationships(const Workbook* workbook);

}  // namespace xlx
