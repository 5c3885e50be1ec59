// Which format code a cell gets: conditional dxf, table dxf, cell xf through the number-format
// table, General.
#include <gtest/gtest.h>

#include <string>

#include "values/cellformatcode.h"

namespace {

TEST(CellFormatCode, FirstMatchWins) {
  xlx::Stylesheet styles;
  ASSERT_EQ(styles.cellXfs.items.Allocate(2), 1);
  styles.cellXfs.declaredCount = 3;  // the third xf is declared but not written
  styles.cellXfs.items[0].numFmtId = 0;
  styles.cellXfs.items[1].numFmtId = 164;
  styles.numberFormats[0] = u"General";
  styles.numberFormats[164] = u"0.000";
  xlx::Dxf conditional;
  conditional.mask = xlx::kDxfNumberFormat;
  conditional.numberFormat = u"[Red]0";
  xlx::Dxf table;
  table.mask = xlx::kDxfNumberFormat;
  table.numberFormat = u"0%";
  xlx::Dxf fillOnly;
  fillOnly.mask = xlx::kDxfFill;
  xlx::WorkbookLock lock;

  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, 1, &conditional, &table)), u"[Red]0");
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, 1, &fillOnly, &table)), u"0%");
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, 1, &fillOnly, &fillOnly)), u"0.000");
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, nullptr, 1, nullptr, nullptr)), u"0.000");
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, 2, nullptr, nullptr)), u"General");
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, 3, nullptr, nullptr)), u"General");
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, -1, nullptr, nullptr)), u"General");
  styles.cellXfs.items[1].numFmtId = 999;  // an id the table does not know
  EXPECT_EQ(std::u16string(xlx::GetCellFormatString(styles, &lock, 1, nullptr, nullptr)), u"General");
}

}  // namespace
