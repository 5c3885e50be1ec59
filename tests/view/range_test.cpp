// Cell and range references of print areas.
#include <gtest/gtest.h>

#include "common/apiutils.h"
#include "view/xlsxviewrange.h"

using namespace xlx;

TEST(RangeReference, ParsesCellsRangesAndPrintAreas) {
  struct Case {
    const char16_t* text;
    bool ok;
    MyCellBounds b;
  } cases[] = {
      {u"A1", true, {1, 1, 1, 1}},
      {u"$B$10:$A$2", true, {2, 10, 1, 2}},
      {u"XFD1048576", true, {1048576, 1048576, 16384, 16384}},
      {u"ab12:AC13", true, {12, 13, 28, 29}},
      {u"XFE1", false, {}},
      {u"A0", false, {}},
      {u"A1048577", false, {}},
      {u"A0:B", false, {}},
      {u"ZZZZ1", false, {}},
      {u"1A", false, {}},
      {u"", false, {}},
  };
  for (const Case& c : cases) {
    MyCellBounds b{};
    EXPECT_EQ(ParseRangeReference(c.text, static_cast<int32_t>(Utf16Length(c.text)), &b), c.ok) << Utf16ToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(b.RowFirst, c.b.RowFirst) << Utf16ToUtf8(c.text);
      EXPECT_EQ(b.RowLast, c.b.RowLast);
      EXPECT_EQ(b.ColFirst, c.b.ColFirst);
      EXPECT_EQ(b.ColLast, c.b.ColLast);
    }
  }
  MyCellBounds b{};
  ASSERT_TRUE(ParsePrintArea(u"'It''s, here'!$A$1:$D$20,Sheet1!$F$1:$G$2", &b));
  EXPECT_EQ(b.RowLast, 20);
  EXPECT_EQ(b.ColLast, 4);
  EXPECT_FALSE(ParsePrintArea(u"#REF!", &b));
  EXPECT_FALSE(ParsePrintArea(nullptr, &b));
}
