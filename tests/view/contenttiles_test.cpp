// The pages with content of a sheet too large to walk page by page: the tiles each kind of
// content marks, their order, and the limit.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "view/layout/contenttiles.h"

using namespace xlx;

namespace {

using Tiles = std::vector<std::pair<int32_t, int32_t>>;  // (column cut, row cut)

// Columns A-E, E-I (sharing E, as pixel tiles do), J twice (longer than a page); rows 1-50, 51-.
const std::vector<AxisCut> kCols = {{1, 5}, {5, 9}, {10, 10}, {10, 10}};
const std::vector<AxisCut> kRows = {{1, 50}, {51, 1048576}};

Tiles Find(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach, bool acrossFirst, size_t limit, bool* cut) {
  std::vector<ContentTile> found;
  EXPECT_EQ(FindContentTiles(sheet, reach, kCols, kRows, acrossFirst, limit, &found, cut), 1);
  Tiles out;
  for (const ContentTile& t : found) out.emplace_back(t.col, t.row);
  return out;
}

TEST(ContentTiles, CellsMergesStyledRowsAndDrawingsMarkTheirTilesInPageOrderUpToTheLimit) {
  MyWorksheet sheet;
  CellRecord cell;
  cell.row = 60, cell.column = 5;  // in both tiles that share column E
  ASSERT_EQ(sheet.cells.Push(cell), 1);
  MyMergedCell merge;  // over the whole grid: its first cell's tile only
  merge.MergeCellsRef = MyCellBounds{2, 1048576, 2, 16384};
  ASSERT_EQ(sheet.mergedCells.Push(merge), 1);
  bool cut = true;
  EXPECT_EQ(Find(sheet, {}, false, 10, &cut), (Tiles{{0, 0}, {0, 1}, {1, 1}}));
  EXPECT_FALSE(cut);
  RowEntry styled;  // a filled row crosses every column cut
  styled.row = 3, styled.props.styleDraws = true;
  ASSERT_EQ(sheet.rows.Push(styled), 1);
  const std::vector<MyCellBounds> drawing = {{70, 70, 10, 10}};  // a column longer than a page
  EXPECT_EQ(Find(sheet, drawing, true, 10, &cut), (Tiles{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}}));
  EXPECT_EQ(Find(sheet, drawing, false, 3, &cut), (Tiles{{0, 0}, {0, 1}, {1, 0}}));
  EXPECT_TRUE(cut);
}

}  // namespace
