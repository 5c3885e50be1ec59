// What every worksheet reader does with the rows and cells it has read, whatever the part's
// encoding: the row map, the cells kept or dropped (an empty cell is kept only when its style
// paints something, its row style does, or it may lie in a merged range), the print-area bound,
// the used range, and at the end the sort, the merged-range sweep and the final bounds.
#pragma once
#include <cstdint>
#include <vector>

#include <pugixml.hpp>

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
  // For rows read before the merged ranges are known: empty plain cells are kept marked until
  // Finish, which drops them when no range turns up (as AddCell would have).
  void KeepEmptyCellsUntilFinish() { mergesLater_ = true; }

 private:
  Workbook* workbook_;
  MyWorksheet* sheet_;
  const MyCellBounds* printArea_;
  std::vector<uint8_t> hiddenColumns_;  // index 1..16384
  double defaultRowPx_;
  int64_t lastKey_ = 0;                 // (row << 16) | column of the last cell appended
  bool cellsSorted_ = true;
  bool rowsSorted_ = true;
  bool mergesLater_ = false;
  MyCellBounds used_{INT32_MAX, 0, INT32_MAX, 0};
};

// A row and its cells as texts, whoever read them (a DOM or the tokenizer): null for an absent
// attribute or element text.
struct RowFields {
  const char* r;
  const char* ht;
  const char* customHeight;
  const char* hidden;
  const char* s;
  const char* customFormat;
};
struct FormulaFields {
  const char* text;
  const char* t;
  const char* ref;
  const char* si;
  const char* ca;
};
struct CellFields {
  const char* r;
  const char* s;
  const char* t;
  const char* v;                  // text of the first `v`
  const FormulaFields* formula;   // the first `f`; null without one
  pugi::xml_node inlineString;    // the first `is`; empty without one
};

// Builds rows and cells from their texts into a store, in document order; the row number and
// the column of a cell without a reference run on from the previous ones.
class SheetRowReader {
 public:
  SheetRowReader(Workbook* workbook, MyWorksheet* sheet, SheetCellStore* store);
  // Starts a row and appends it to the row map. 1, -1, -9 a row number outside 1..1048576. The
  // caller holds the workbook lock.
  [[nodiscard]] int32_t BeginRow(const RowFields& row);
  // Appends one cell of the row begun last unless the store drops it. 1, -1, -9 an empty cell
  // reference. The caller holds the workbook lock.
  [[nodiscard]] int32_t AddCell(const CellFields& cell);

 private:
  Workbook* workbook_;
  MyWorksheet* sheet_;
  SheetCellStore* store_;
  int32_t lastRow_ = 0;
  int32_t lastColumn_ = 0;
  bool rowStyleDraws_ = false;
  bool rowHidden_ = false;
};

}  // namespace xlx
