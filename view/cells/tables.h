// Table and pivot-table formatting: what a table's style gives one cell, the pass that paints the
// fills and borders of the tables on a page (under the cells' own formats), and the font a cell's
// text takes from its table when the cell's own style leaves the font alone.
#pragma once
#include <cstdint>

#include "model/tables.h"
#include "view/cells/cellpass.h"
#include "view/page/render.h"

namespace xlx {

// The formatting a table gives one cell, after every element that covers it has been applied in
// order (later elements win, property by property).
struct TableCellFormat {
  bool hasFill = false;
  CellColor fill = 0;
  bool hasFontColor = false;
  CellColor fontColor = 0;
  bool bold = false;
  BorderSide left, right, top, bottom;  // pattern kLineNone where the table draws no side
  // Which element set each side, counted in the order the elements are applied (0 none). Where
  // two cells' sides meet on one edge, the side of the later element is drawn.
  int32_t leftOrder = 0, rightOrder = 0, topOrder = 0, bottomOrder = 0;
};

// Resolves the cell at (row, column) of `table` against its style. False when the table has no
// style or does not hold the cell.
bool ResolveTableCell(const TableBase& table, int32_t row, int32_t column, TableCellFormat* out);

// Paints the fills and borders the sheet's tables give the cells that meet the page: every fill of
// a table first, then its borders, each edge between two cells once. 1, a drawing error or a
// progress result.
[[nodiscard]] int32_t DrawTableFormats(const PageRenderRequest& request, DrawingSurface* surface, const CellPassFrame& frame);

// The font a cell's text is drawn in: `font` itself, or, for a cell in a styled table, a copy in
// *scratch made bold where the table's style says bold, and in the table's font colour unless the
// cell's own font (fontId > 0) has a colour other than the workbook's default font.
const MyLogFont& TableFontFor(const MyWorksheet& sheet, const CellRecord& cell, int32_t fontId, const MyLogFont& font,
                              MyLogFont* scratch);

}  // namespace xlx
