// The pages with content of a sheet too large to walk page by page: which tiles each kind of
// content marks, their order, and the limit.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "view/layout/contenttiles.h"

using namespace xlx;

namespace {

using Tiles = std::vector<std::pair<int32_t, int32_t>>;  // (column cut, row cut)

// Column cuts: A-E, E-I (sharing E, as pixel tiles do), J-J, J-J (J longer than a page), K-Z.
const std::vector<AxisCut> kCols = {{1, 5}, {5, 9}, {10, 10}, {10, 10}, {11, 26}};
// Row cuts: 1-50, 51-100, 101-1048576.
const std::vector<AxisCut> kRows = {{1, 50}, {51, 100}, {101, 1048576}};

void AddCell(MyWorksheet* sheet, int32_t row, int32_t col) {
  CellRecord cell;
  cell.row = row, cell.column = col, cell.flags = kCellHasValue, cell.type = kCellNumber, cell.number = 1;
  ASSERT_EQ(sheet->cells.Push(cell), 1);
}

Tiles Find(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach, bool acrossFirst, size_t limit, bool* cut) {
  std::vector<ContentTile> found;
  EXPECT_EQ(FindContentTiles(sheet, reach, kCols, kRows, acrossFirst, limit, &found, cut), 1);
  Tiles out;
  for (const ContentTile& t : found) out.emplace_back(t.col, t.row);
  return out;
}

TEST(ContentTiles, EachKindOfContentMarksItsTilesInPageOrder) {
  const struct {
    const char* what;
    std::function<void(MyWorksheet*, std::vector<MyCellBounds>*)> content;
    bool acrossFirst;
    Tiles expected;
  } cases[] = {
      {"a cell in a column two tiles share", [](MyWorksheet* s, auto*) { AddCell(s, 60, 5); }, false, {{0, 1}, {1, 1}}},
      {"a cell in a column longer than a page", [](MyWorksheet* s, auto*) { AddCell(s, 2, 10); }, false, {{2, 0}, {3, 0}}},
      {"cells past every cut", [](MyWorksheet* s, auto*) { AddCell(s, 2, 27); }, false, {}},
      {"a merge over the whole grid counts by its first cell",
       [](MyWorksheet* s, auto*) {
         MyMergedCell m;
         m.MergeCellsRef = MyCellBounds{51, 1048576, 6, 16384};
         ASSERT_EQ(s->mergedCells.Push(m), 1);
       },
       false, {{1, 1}}},
      {"a row styled with a fill crosses every column cut",
       [](MyWorksheet* s, auto*) {
         RowEntry r;
         r.row = 120, r.props.styleDraws = true;
         ASSERT_EQ(s->rows.Push(r), 1);
       },
       false, {{0, 2}, {1, 2}, {2, 2}, {3, 2}, {4, 2}}},
      {"a column styled to the last column is the background",
       [](MyWorksheet* s, auto*) {
         ColumnInfo c;
         c.min = 1, c.max = 16384, c.styleDraws = true;
         ASSERT_EQ(s->columns.Push(c), 1);
       },
       false, {}},
      {"a drawing's cells, down then over", [](MyWorksheet*, auto* reach) { reach->push_back({40, 60, 9, 10}); }, false,
       {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}}},
      {"the same, over then down", [](MyWorksheet*, auto* reach) { reach->push_back({40, 60, 9, 10}); }, true,
       {{1, 0}, {2, 0}, {3, 0}, {1, 1}, {2, 1}, {3, 1}}},
  };
  for (const auto& c : cases) {
    MyWorksheet sheet;
    std::vector<MyCellBounds> reach;
    c.content(&sheet, &reach);
    bool cut = true;
    EXPECT_EQ(Find(sheet, reach, c.acrossFirst, 100, &cut), c.expected) << c.what;
    EXPECT_FALSE(cut) << c.what;
  }
}

TEST(ContentTiles, PastTheLimitTheEarliestTilesAreKeptAndTheCutIsTold) {
  MyWorksheet sheet;
  AddCell(&sheet, 200, 26);  // the last tile in page order, stored first
  for (int32_t row : {1, 60, 200}) AddCell(&sheet, row, 1);
  bool cut = false;
  EXPECT_EQ(Find(sheet, {}, false, 3, &cut), (Tiles{{0, 0}, {0, 1}, {0, 2}}));
  EXPECT_TRUE(cut);
  EXPECT_EQ(Find(sheet, {}, false, 4, &cut).size(), 4u);
  EXPECT_FALSE(cut);
  // A drawing over the whole grid of a million-page sheet is cut at the limit, not walked whole.
  std::vector<AxisCut> cols, rows;
  for (int32_t i = 1; i <= 1000; ++i) cols.push_back({i, i}), rows.push_back({i, i});
  std::vector<ContentTile> found;
  ASSERT_EQ(FindContentTiles(MyWorksheet{}, {{1, 1000, 1, 1000}}, cols, rows, false, 5000, &found, &cut), 1);
  EXPECT_EQ(found.size(), 5000u);
  EXPECT_TRUE(cut);
  EXPECT_EQ(found.back().col, 4);
  EXPECT_EQ(found.back().row, 999);
}

}  // namespace
