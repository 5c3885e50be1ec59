#include "common/limits.h"
#include "model/sheet.h"

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

}  // namespace xlx
