// Model containers and lookups: host-allocated arrays, the text arena, cell, row and column
// lookups, pages of sheets.
#include <gtest/gtest.h>

#include <tuple>

#include "common/larray.h"
#include "host/kernel/vkkrnx.h"
#include "model/richstring.h"
#include "model/sheet.h"
#include "model/styles.h"
#include "model/workbook.h"

using namespace xlx;

namespace {

struct Counted {
  static int alive;
  Counted() { ++alive; }
  ~Counted() { --alive; }
  int value = 7;
};
int Counted::alive = 0;

TEST(LArray, OwnsHostBlocksGrowsAndSurvivesExhaustion) {
  size_t live = VkLiveAllocations();
  {
    LArray<Counted> objects;
    ASSERT_EQ(objects.Allocate(5), 1);
    EXPECT_EQ(std::make_tuple(Counted::alive, objects[4].value, VkLiveAllocations()), std::make_tuple(5, 7, live + 1));
    LArray<Counted> moved(std::move(objects));
    EXPECT_EQ(std::make_pair(objects.Count(), moved.Count()), std::make_pair(0, 5));
    ASSERT_EQ(moved.Allocate(0), 1);
    EXPECT_EQ(Counted::alive, 0) << "destructors ran";

    LArray<int64_t> values;
    for (int64_t i = 0; i < 1000; ++i) ASSERT_EQ(values.Push(i * 3), 1);
    for (int64_t i = 0; i < 1000; ++i) ASSERT_EQ(values[size_t(i)], i * 3);
    ASSERT_EQ(values.Resize(1500), 1);
    EXPECT_EQ(values[1499], 0) << "the tail is zeroed";
    values.Shrink();
    EXPECT_EQ(values[999], 2997);

    LArray<int64_t> huge;
    EXPECT_EQ(huge.Allocate(size_t(1) << 62), -1);
    EXPECT_TRUE(huge.Empty());
    VkSetAllocationBudget(0);
    int32_t rc = 1;
    for (int i = 0; i < 2000 && rc == 1; ++i) rc = values.Push(i);
    VkSetAllocationBudget(-1);
    EXPECT_EQ(rc, -1);
    EXPECT_EQ(values[0], 0) << "a failed growth keeps the contents";
  }
  EXPECT_EQ(VkLiveAllocations(), live);
}

TEST(TextArena, ConvertsAndKeepsPointersStable) {
  size_t live = VkLiveAllocations();
  {
    TextArena arena;
    std::vector<const char16_t*> texts;
    for (int i = 0; i < 5000; ++i) {
      std::string s = "text " + std::to_string(i);
      int32_t length = 0;
      texts.push_back(arena.CopyUtf8(s.data(), s.size(), &length));
      ASSERT_NE(texts.back(), nullptr);
      ASSERT_EQ(length, int32_t(s.size()));
    }
    const char16_t* big = arena.CopyUtf16(std::u16string(100000, u'x').c_str(), 100000);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(std::make_pair(big[99999], big[100000]), std::make_pair(u'x', u'\0'));
    EXPECT_EQ(std::u16string(texts[0]) + u"|" + texts[4999], u"text 0|text 4999");
    EXPECT_EQ(static_cast<unsigned char*>(arena.Allocate(64))[63], 0);
    // UTF-8 goes through the shared decoder: the length counts UTF-16 units, bad bytes included.
    int32_t length = -1;
    const char16_t* mixed = arena.CopyUtf8("\xC3\xA9\xF0\x9F\x98\x80\xE2\x82", 8, &length);
    ASSERT_NE(mixed, nullptr);
    EXPECT_EQ(std::u16string(mixed, size_t(length) + 1), std::u16string(u"\u00e9\U0001F600\uFFFD\uFFFD", 6));
  }
  EXPECT_EQ(VkLiveAllocations(), live);
}

TEST(SheetLookups, CellsRowsAndColumns) {
  MyWorksheet sheet;
  for (auto rc : {std::make_pair(1, 1), {1, 5}, {3, 2}, {3, 3}, {70000, 16384}}) {
    CellRecord cell;
    cell.row = rc.first;
    cell.column = uint16_t(rc.second);
    ASSERT_EQ(sheet.cells.Push(cell), 1);
  }
  EXPECT_EQ(FindCell(sheet, 3, 3)->column, 3);
  EXPECT_NE(FindCell(sheet, 70000, 16384), nullptr);
  for (auto rc : {std::make_pair(1, 4), {2, 1}, {70001, 1}}) EXPECT_EQ(FindCell(sheet, rc.first, rc.second), nullptr);
  EXPECT_EQ(std::make_pair(FirstCellAtOrAfterRow(sheet, 2), FirstCellAtOrAfterRow(sheet, 80000)), std::make_pair(2, 5));
  RowEntry row;
  row.row = 4;
  row.props.hidden = true;
  ASSERT_EQ(sheet.rows.Push(row), 1);
  EXPECT_EQ(std::make_pair(FindRow(sheet, 4)->hidden, FindRow(sheet, 5)), std::make_pair(true, (const RowProps*)nullptr));
  ColumnInfo wide, col;
  wide.min = 1;
  wide.max = 20000;  // out of range: ignored
  col.min = 2;
  col.max = 4;
  wide.hidden = col.hidden = true;
  ASSERT_EQ(sheet.columns.Push(wide), 1);
  ASSERT_EQ(sheet.columns.Push(col), 1);
  EXPECT_EQ(std::make_tuple(ColumnIsHidden(sheet, 1), ColumnIsHidden(sheet, 4), ColumnIsHidden(sheet, 5)),
            std::make_tuple(false, true, false));
}

TEST(Workbook, CurrentSheetBackground) {
  Workbook* workbook = nullptr;
  ASSERT_EQ(CreateWorkbook(&workbook), 1);
  ASSERT_EQ(workbook->sheets.Allocate(3), 1);
  EXPECT_EQ(CurrentSheetBackColor(workbook), kColorAutomatic);
  workbook->sheets[1].clBackColor = 0xFF112233u;
  workbook->currentSheet = 1;
  EXPECT_EQ(CurrentSheetBackColor(workbook), 0xFF112233u);
  FreeWorkbook(workbook);
}

}  // namespace
