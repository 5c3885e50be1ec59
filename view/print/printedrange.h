// What a sheet without a print area prints: from A1 to the last row and column that hold a value,
// a fill or border (of a cell, its row or its column), a merged range, text spilling past its
// cell, or any part of a drawing object.
#pragma once
#include <vector>

#include "model/sheet.h"
#include "view/layout/layout.h"

namespace xlx {

// The last row whose own row style paints a fill or border and the last column whose column
// style does (RowLast, ColLast; 0 when none). Columns styled to the sheet's last column are the
// sheet's background and do not count.
MyCellBounds FormattedExtent(const MyWorksheet& sheet);

// Appends the cells each shown drawing object covers as it is drawn on the laid-out (scaled)
// grid: two-cell anchors to their `to` cell, one-cell anchors from their cell by their extent,
// absolute anchors at their position and extent, turned objects by their turned box; embedded
// objects' previews too. An object ending on a cell edge does not reach the next cell.
void AddDrawingReach(const MyWorksheet& sheet, const SheetLayout& layout, const LayoutOptions& options,
                     std::vector<MyCellBounds>* reach);

// Whether a formatted row lies in rows first..last or a formatted column in columns first..last.
bool FormatsMeet(const MyWorksheet& sheet, int32_t rowFirst, int32_t rowLast, int32_t colFirst, int32_t colLast);

}  // namespace xlx
