// Cells that the sheet does not store but that conditional formats still paint: a rule that holds
// for an empty cell (containsBlanks, notContainsErrors, a comparison with 0, an expression) formats
// every empty cell of its range, stored or not.
#pragma once
#include <cstdint>
#include <vector>

#include "model/workbook.h"
#include "values/formula/condfmteval.h"

namespace xlx {

// Positions of a page tried at most (the page is cut to its first rows beyond that).
constexpr int64_t kMaxAbsentCondCells = 250000;

struct AbsentCondCell {
  int32_t row = 0, col = 0;  // 1-based
  CellCondResult result;
};

// The positions inside rows row1..row2 and columns col1..col2 (a page, 1-based, inclusive) that
// lie in the range of a rule that may hold for an empty cell, that `sheet` does not store, and to
// which the rules give a fill or borders, in row order. Work is bounded by kMaxAbsentCondCells and
// by the evaluator's own bounds. Out of memory leaves what was found.
void FindAbsentCondCells(const Workbook& workbook, const MyWorksheet& sheet, int32_t row1, int32_t col1, int32_t row2,
                         int32_t col2, std::vector<AbsentCondCell>* out);

// The style an absent cell shows: its row's when the row has a custom format, else its column's,
// else 0.
int32_t AbsentCellStyle(const MyWorksheet& sheet, int32_t row, int32_t col);

}  // namespace xlx
