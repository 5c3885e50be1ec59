// A1 references: cells, ranges, whole rows and columns, limits, sheet names and area lists.
#include <gtest/gtest.h>

#include <tuple>

#include "common/apiutils.h"
#include "common/cellref.h"

using namespace xlx;

namespace {

auto Tie(const CellRange& r) {
  return std::make_tuple(r.first.row, r.last.row, r.first.column, r.last.column, r.wholeRows, r.wholeColumns);
}

TEST(CellRef, RangesInBothWidthsAndTheirRefusals) {
  const struct {
    const char* text;
    int32_t r1, r2, c1, c2;
    bool wholeRows, wholeColumns;
  } cases[] = {
      {"A1", 1, 1, 1, 1, false, false},
      {"$B$10:$A$2", 2, 10, 1, 2, false, false},
      {"XFD1048576", 1048576, 1048576, 16384, 16384, false, false},
      {"ab12:AC13", 12, 13, 28, 29, false, false},
      {"$C:A", 1, 1048576, 1, 3, false, true},
      {"5:$2", 2, 5, 1, 16384, true, false},
  };
  const char* const refused[] = {"XFE1", "A0", "A1048577", "A0:B", "A1:B", "A:2", "ZZZZZZZZZZZZ1", "1A", "", ":",
                                 "A1:", "A1 ", "A99999999999999999999"};
  for (const char* text : refused) {
    CellRange r;
    EXPECT_FALSE(ParseCellRange(std::string_view(text), &r)) << text;
    EXPECT_FALSE(ParseCellRange(Utf8ToUtf16(text), &r)) << text;
  }
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    for (bool wide : {false, true}) {
      CellRange r;
      const bool ok = wide ? ParseCellRange(Utf8ToUtf16(c.text), &r) : ParseCellRange(std::string_view(c.text), &r);
      ASSERT_TRUE(ok);
      EXPECT_EQ(Tie(r), std::make_tuple(c.r1, c.r2, c.c1, c.c2, c.wholeRows, c.wholeColumns));
    }
  }
}

TEST(CellRef, CellsColumnsAndTheirTextForms) {
  CellRef cell;
  ASSERT_TRUE(ParseCellRef(std::string_view("$AB7"), &cell));
  EXPECT_EQ(std::make_tuple(cell.row, cell.column, cell.rowAbsolute, cell.columnAbsolute),
            std::make_tuple(7, 28, false, true));
  EXPECT_EQ("$AB7", FormatCellRef(cell));
  EXPECT_FALSE(ParseCellRef(std::u16string_view(u"A1:B2"), &cell));
  for (int32_t column : {1, 26, 27, 702, 703, 16384}) EXPECT_EQ(column, ColumnFromLetters(ColumnLetters(column)));
  EXPECT_EQ("", ColumnLetters(0));
  EXPECT_EQ("", ColumnLetters(16385));
  EXPECT_EQ(0, ColumnFromLetters("A1"));
  // The column of a cell's own reference: letters only, whatever follows.
  const std::pair<const char*, int32_t> columns[] = {{"A1", 1},     {"Z9", 26},         {"AB12", 28}, {"$C$3", 3},
                                                     {"xfd1", 16384}, {"XFE1", 0},     {"ZZZZZZZZZZ1", 0},
                                                     {"12", 0},     {"", 0},            {nullptr, 0}};
  for (const auto& c : columns) EXPECT_EQ(c.second, ColumnOfReference(c.first)) << (c.first ? c.first : "null");
}

TEST(CellRef, SheetNamesAndAreaLists) {
  const struct {
    const char16_t* text;
    bool ok;
    const char16_t* sheet;
    const char16_t* reference;
  } cases[] = {
      {u"Sheet1!$A$1", true, u"Sheet1", u"$A$1"},
      {u"'It''s here'!A1:B2", true, u"It's here", u"A1:B2"},
      {u"A1", true, u"", u"A1"},
      {u"'Open!A1", false, u"", u""},
      {u"'Name'A1", false, u"", u""},
      {u"#REF!", true, u"#REF", u""},
  };
  for (const auto& c : cases) {
    std::u16string sheet;
    std::u16string_view reference;
    EXPECT_EQ(c.ok, SplitSheetName(c.text, &sheet, &reference)) << Utf16ToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(sheet, c.sheet);
      EXPECT_EQ(reference, c.reference);
    }
  }
  EXPECT_EQ(FirstArea(u"'a,b'!A1,C3"), u"'a,b'!A1");
  EXPECT_EQ(FirstArea(u"A1"), u"A1");
}

}  // namespace
