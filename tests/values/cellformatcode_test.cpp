// Which format code a cell gets: conditional dxf, table dxf, cell xf through the number-format
// table, General.
#include <gtest/gtest.h>

#include <string>

#include "values/format/cellformatcode.h"

TEST(CellFormatCode, FirstMatchWins) {
  xlx::Stylesheet styles;
  ASSERT_EQ(styles.cellXfs.items.Allocate(2), 1);
  styles.cellXfs.declaredCount = 3;  // the third xf is declared but not written
  styles.cellXfs.items[0].numFmtId = 0;
  styles.cellXfs.items[1].numFmtId = 164;
  styles.numberFormats[0] = u"General";
  styles.numberFormats[164] = u"0.000";
  xlx::Dxf conditional, table, fillOnly;
  conditional.mask = table.mask = xlx::kDxfNumberFormat;
  conditional.numberFormat = u"[Red]0";
  table.numberFormat = u"0%";
  fillOnly.mask = xlx::kDxfFill;
  xlx::WorkbookLock lock;
  auto code = [&](int32_t xf, const xlx::Dxf* c, const xlx::Dxf* t, xlx::WorkbookLock* l) {
    return std::u16string(xlx::GetCellFormatString(styles, l, xf, c, t));
  };
  EXPECT_EQ(code(1, &conditional, &table, &lock), u"[Red]0");
  EXPECT_EQ(code(1, &fillOnly, &table, &lock), u"0%");
  EXPECT_EQ(code(1, &fillOnly, &fillOnly, &lock), u"0.000");
  EXPECT_EQ(code(1, nullptr, nullptr, nullptr), u"0.000");
  for (int32_t xf : {2, 3, -1}) EXPECT_EQ(code(xf, nullptr, nullptr, &lock), u"General") << xf;
  styles.cellXfs.items[1].numFmtId = 999;  // an id the table does not know
  EXPECT_EQ(code(1, nullptr, nullptr, &lock), u"General");
}
