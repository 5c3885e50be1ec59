#include "common/limits.h"
#include "model/sheet.h"

#include <cassert>
#include <new>

namespace xlx {

MyWorksheet::~MyWorksheet() {
  FreeRelationships(relationships, relationshipCount);
}

int32_t FirstCellAtOrAfterRow(const MyWorksheet& sheet, int32_t row) {
  int32_t lo = 0, hi = sheet.cells.Count();
  while (lo < hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (sheet.cells[mid].row < row) lo = mid + 1;
    else hi = mid;
  }
  return lo;
}

const CellRecord* FindCell(const MyWorksheet& sheet, int32_t row, int32_t column) {
  int32_t lo = 0, hi = sheet.cells.Count();
  while (lo < hi) {
    int32_t mid = lo + (hi - lo) / 2;
    const CellRecord& cell = sheet.cells[mid];
    if (cell.row < row || (cell.row == row && cell.column < column)) lo = mid + 1;
    else hi = mid;
  }
  if (lo < sheet.cells.Count() && sheet.cells[lo].row == row && sheet.cells[lo].column == column)
    return &sheet.cells[lo];
  return nullptr;
}

const RowProps* FindRow(const MyWorksheet& sheet, int32_t row) {
  int32_t lo = 0, hi = sheet.rows.Count();
  while (lo < hi) {
    int32_t mid = lo + (hi - lo) / 2;
    if (sheet.rows[mid].row < row) lo = mid + 1;
    else hi = mid;
  }
  return lo < sheet.rows.Count() && sheet.rows[lo].row == row ? &sheet.rows[lo].props : nullptr;
}

bool ColumnIsHidden(const MyWorksheet& sheet, int32_t column) {
  for (const ColumnInfo& col : sheet.columns) {
    if (col.min > int32_t(kMaxColumns) || col.max > int32_t(kMaxColumns)) continue;
    if (col.min <= column && column <= col.max) return col.hidden;
  }
  return false;
}

void ClearWorksheet(MyWorksheet* sheet) {
  sheet->~MyWorksheet();
  new (sheet) MyWorksheet();
}

void AssertSheetInvariants(const MyWorksheet& sheet) {
#ifndef NDEBUG
  const auto inside = [](int32_t row, int32_t column) {
    return row >= 1 && row <= int32_t(kMaxRows) && column >= 1 && column <= int32_t(kMaxColumns);
  };
  for (int32_t i = 0; i < sheet.cells.Count(); ++i) {
    const CellRecord& c = sheet.cells[i];
    assert(inside(c.row, c.column) && "cell outside the sheet");
    if (i > 0) {
      const CellRecord& p = sheet.cells[i - 1];
      assert((p.row < c.row || (p.row == c.row && p.column < c.column)) && "cells out of order");
    }
  }
  for (int32_t i = 1; i < sheet.rows.Count(); ++i) assert(sheet.rows[i - 1].row < sheet.rows[i].row && "rows out of order");
  for (int32_t i = 0; i < sheet.mergedCells.Count(); ++i) {
    const MyCellBounds& m = sheet.mergedCells[i].MergeCellsRef;
    assert(inside(m.RowFirst, m.ColFirst) && inside(m.RowLast, m.ColLast) && "merged range outside the sheet");
    assert(m.RowFirst <= m.RowLast && m.ColFirst <= m.ColLast && "merged range not ordered");
  }
  const MyCellBounds& b = sheet.sheetBounds;
  assert(b.RowLast >= 0 && b.RowLast <= int32_t(kMaxRows) && b.ColLast >= 0 && b.ColLast <= int32_t(kMaxColumns) &&
         "used range outside the sheet");
#else
  (void)sheet;
#endif
}

}  // namespace xlx
