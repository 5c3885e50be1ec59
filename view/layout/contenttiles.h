// The pages of a large sheet that hold something, found from the sheet's content rather than page
// by page: a sheet whose used range reaches the grid's last cell cuts into tens of millions of
// pages, nearly all of them blank paper, and only the few that show something are kept.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/sheet.h"

namespace xlx {

// The columns (or rows) one cut of an axis shows, 1-based. Along an axis the cuts are in order:
// neither `first` nor `last` ever decreases. Neighbouring cuts may share an item (a page tile
// that ends inside a column), and an item longer than a page spans several cuts.
struct AxisCut {
  int32_t first = 0, last = 0;
};

// A page of the cut grid: its column cut and row cut (0-based indices into the cut lists).
struct ContentTile {
  int32_t col = 0, row = 0;
};

// Tiles that meet a stored cell, the first cell of a merged range, a row or column whose own style
// paints a fill or border, or a cell of `reach` (drawing objects and spilled text, as cells
// covered), in page order: down each column of cuts first, or across each row of cuts first when
// `acrossFirst`. At most `limit` tiles, the earliest in page order; `*cut` tells whether more
// held content. A merged range counts by its first cell only: a range over the whole grid prints
// its content once, not on every page it covers. Work is proportional to the content and the
// tiles kept, never to the grid of cuts. 1, or -1 when the list cannot be stored.
[[nodiscard]] int32_t FindContentTiles(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach,
                                       const std::vector<AxisCut>& cols, const std::vector<AxisCut>& rows,
                                       bool acrossFirst, size_t limit, std::vector<ContentTile>* tiles, bool* cut);

}  // namespace xlx
