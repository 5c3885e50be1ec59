// What every worksheet reader does with the rows and cells it has read, whatever the part's
// encoding: the row map, the cells kept or dropped (an empty cell is kept only when its style
// paints something, its row style does, or it may lie in a merged range), the print-area bound,
// the used range, and at the end the sort, the merged-range sweep and the final bounds.
#pragma once
#include <cstdint>
#include <vector>

#include "model/workbook.h"

namespace xlx {

class SheetCellStore {
 public:
  // Starts the sheet's data afresh: cells, rows and the used range are cleared and the hidden
  // columns taken from sheet->columns. `printArea` (may be null) bounds the cells kept.
  SheetCellStore(Workbook* workbook, MyWorksheet* sheet, const MyCellBounds* printArea);

  // Default row height of the sheet in pixels.
  double DefaultRowPixels() const { return defaultRowPx_; }
  // Whether a row of style `style` (with customFormat) paints its empty cells.
  bool RowStyleDraws(int32_t style) const;
  // Appends a row (1..1048575; others are ignored) to the row map. 1 or -1. The caller holds the
  // workbook lock.
  [[nodiscard]] int32_t AddRow(int32_t row, const RowProps& props);
  // Appends a cell whose row, column, style, value and flags (kCellHasValue, kCellHasFormula) are
  // set, unless it is dropped. 1 or -1. The caller holds the workbook lock.
  [[nodiscard]] int32_t AddCell(CellRecord cell, bool rowStyleDraws, bool rowHidden);
  // Sorts what was written out of order, resolves merged ranges and sets the used range.
  void Finish();

 private:
  Workbook* workbook_;
  MyWorksheet* sheet_;
  const MyCellBounds* printArea_;
  std::vector<uint8_t> hiddenColumns_;  // index 1..16384
  double defaultRowPx_;
  int64_t lastKey_ = 0;                 // (row << 16) | column of the last cell appended
  bool cellsSorted_ = true;
  bool rowsSorted_ = true;
  MyCellBounds used_{INT32_MAX, 0, INT32_MAX, 0};
};

}  // namespace xlx
