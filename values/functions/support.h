// Helpers shared by the function families: argument macros and the walk over criteria ranges.
#pragma once
#include <vector>

#include "values/formula/engine.h"

namespace xlx {

// Reads argument i of call c as a number into a new variable, or returns the coercion error.
#define NUMBER_ARG(c, i, name) \
  double name = 0;             \
  if (!(c).Number((i), &name)) return (c).Fail()
#define TEXT_ARG(c, i, name) \
  std::u16string name;       \
  if (!(c).Text((i), &name)) return (c).Fail()

// Pairs (range, criterion) from argument `first` on. False (error set) when an argument is no
// reference or the ranges differ in shape.
bool ReadCriteriaPairs(FunctionCall& c, size_t first, std::vector<CellArea>* ranges, std::vector<Criterion>* crits);

// Calls fn(dRow, dCol) for every offset at which each range's cell matches its criterion.
// Ranges have one shape; the walk covers the first range's stored area (an empty cell matches
// only criteria that accept empty cells, which are walked over the whole clipped area).
// Returns how many cells, all empty and past the stored cells, matched without being walked.
template <typename Fn>
int64_t ForEachMatch(FormulaEngine* engine, const std::vector<CellArea>& ranges, const std::vector<Criterion>& crits,
                  Fn fn) {
  if (ranges.empty()) return 0;
  const CellArea& a = ranges[0];
  int32_t rows = a.Rows(), cols = a.Cols();
  // Cells past the last stored row or column of every sheet involved are empty.
  int32_t lastRow = 0, lastCol = 0;
  for (const CellArea& r : ranges) {
    lastRow = std::max(lastRow, std::min(r.row2, engine->LastRow(r.sheet)) - r.row1 + 1);
    lastCol = std::max(lastCol, std::min(r.col2, engine->LastCol(r.sheet)) - r.col1 + 1);
  }
  bool emptyMatches = true;
  for (const Criterion& c : crits) emptyMatches = emptyMatches && c.Matches(MakeEmpty());
  if (!emptyMatches) {
    // Only stored cells of the first range can match: walk those.
    engine->ForEachCell(a, [&](int32_t row, int32_t col, const ExcelValue& first) {
      if (!crits[0].Matches(first)) return true;
      const int32_t dr = row - a.row1, dc = col - a.col1;
      for (size_t k = 1; k < ranges.size(); ++k) {
        const CellArea& r = ranges[k];
        if (!crits[k].Matches(engine->CellValue(r.sheet, r.row1 + dr, r.col1 + dc))) return true;
      }
      return fn(dr, dc);
    });
    return 0;
  }
  const int64_t unwalked = int64_t(rows) * cols - int64_t(std::max(0, std::min(rows, lastRow))) * std::max(0, std::min(cols, lastCol));
  rows = std::min(rows, lastRow), cols = std::min(cols, lastCol);
  for (int32_t dr = 0; dr < rows; ++dr)
    for (int32_t dc = 0; dc < cols; ++dc) {
      bool all = true;
      for (size_t k = 0; k < ranges.size() && all; ++k) {
        const CellArea& r = ranges[k];
        all = crits[k].Matches(engine->CellValue(r.sheet, r.row1 + dr, r.col1 + dc));
      }
      if (all && !fn(dr, dc)) return unwalked;
      if (engine->aborted()) return unwalked;  // the work bound is spent
    }
  return unwalked;
}

}  // namespace xlx
