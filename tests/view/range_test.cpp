// What bounds the rendered range: print-area references and the anchors of drawing parts.
#include <gtest/gtest.h>

#include <tuple>

#include "common/apiutils.h"
#include "host/kernel/vkkrnx.h"
#include "package/xlsxunzip.h"
#include "tests/support/zipbuilder.h"
#include "view/xlsxviewanchors.h"
#include "view/xlsxviewrange.h"

using namespace xlx;

namespace {
auto Tie(const MyCellBounds& b) { return std::make_tuple(b.RowFirst, b.RowLast, b.ColFirst, b.ColLast); }
}  // namespace

TEST(RangeReference, ParsesCellsRangesAndPrintAreas) {
  const struct {
    const char16_t* text;
    bool ok;
    MyCellBounds b;  // rows first..last, columns first..last
  } cases[] = {
      {u"A1", true, {1, 1, 1, 1}},          {u"$B$10:$A$2", true, {2, 10, 1, 2}},
      {u"XFD1048576", true, {1048576, 1048576, 16384, 16384}}, {u"ab12:AC13", true, {12, 13, 28, 29}},
      {u"XFE1", false, {}}, {u"A0", false, {}}, {u"A1048577", false, {}}, {u"A0:B", false, {}},
      {u"ZZZZ1", false, {}}, {u"1A", false, {}}, {u"", false, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf16ToUtf8(c.text));
    MyCellBounds b{};
    EXPECT_EQ(ParseRangeReference(c.text, static_cast<int32_t>(Utf16Length(c.text)), &b), c.ok);
    if (c.ok) {
      EXPECT_EQ(Tie(b), Tie(c.b));
    }
  }
  MyCellBounds b{};
  ASSERT_TRUE(ParsePrintArea(u"'It''s, here'!$A$1:$D$20,Sheet1!$F$1:$G$2", &b));
  EXPECT_EQ(b.RowLast, 20);
  EXPECT_EQ(b.ColLast, 4);
  EXPECT_FALSE(ParsePrintArea(u"#REF!", &b));
  EXPECT_FALSE(ParsePrintArea(nullptr, &b));
}

TEST(DrawingAnchors, ReadsEveryKindIncludingAlternateContent) {
  const char* drawing =
      "<xdr:wsDr xmlns:xdr=\"x\" xmlns:mc=\"m\">"
      "<xdr:twoCellAnchor><xdr:from><xdr:col>1</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>1</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from>"
      "<xdr:to><xdr:col>3</xdr:col><xdr:colOff>0</xdr:colOff><xdr:row>3</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:to></xdr:twoCellAnchor>"
      "<xdr:oneCellAnchor><xdr:from><xdr:col>9</xdr:col><xdr:colOff>12700</xdr:colOff><xdr:row>40000</xdr:row><xdr:rowOff>0</xdr:rowOff></xdr:from>"
      "<xdr:ext cx=\"914400\" cy=\"457200\"/></xdr:oneCellAnchor>"
      "<xdr:absoluteAnchor><xdr:pos x=\"10\" y=\"20\"/><xdr:ext cx=\"5\" cy=\"6\"/></xdr:absoluteAnchor>"
      "<mc:AlternateContent><mc:Choice Requires=\"a14\"><xdr:twoCellAnchor><xdr:from><xdr:col>99999999</xdr:col>"
      "<xdr:row>-5</xdr:row></xdr:from><xdr:to><xdr:col>2</xdr:col><xdr:row>7</xdr:row></xdr:to></xdr:twoCellAnchor></mc:Choice>"
      "<mc:Fallback/></mc:AlternateContent>"
      "<xdr:clientData/></xdr:wsDr>";
  std::vector<unsigned char> zip = xlxtest::BuildZip({{"xl/drawings/drawing1.xml", drawing}});
  Workbook wb;
  wb.hPackage = VkOpenMemoryFile(zip.data(), zip.size());
  ASSERT_EQ(BuildPartList(wb.hPackage, &wb.parts, nullptr, nullptr), 1);
  MyWorksheet sheet;
  sheet.drawingPath = u"xl/drawings/drawing1.xml";
  std::vector<DrawingAnchor> anchors;
  ASSERT_EQ(ReadDrawingAnchors(wb, sheet, &anchors), 1);
  ASSERT_EQ(anchors.size(), 4u);
  MyCellBounds cells;
  ASSERT_TRUE(AnchorCells(anchors[0], &cells));
  EXPECT_EQ(Tie(cells), std::make_tuple(2, 4, 2, 4));
  ASSERT_TRUE(AnchorCells(anchors[1], &cells));
  EXPECT_EQ(cells.RowFirst, 40001) << "rows past 32767 stay where they are";
  EXPECT_EQ(cells.RowLast, 40001);
  EXPECT_EQ(anchors[1].cx, 914400);
  EXPECT_FALSE(AnchorCells(anchors[2], &cells));
  ASSERT_TRUE(AnchorCells(anchors[3], &cells));
  EXPECT_EQ(cells.ColFirst, 16384) << "hostile indices are clamped to the sheet";
  EXPECT_EQ(cells.RowFirst, 1);

  sheet.drawingPath = u"xl/drawings/missing.xml";
  EXPECT_EQ(ReadDrawingAnchors(wb, sheet, &anchors), 1);
  EXPECT_TRUE(anchors.empty());
  VkCloseFile(wb.hPackage);
  wb.hPackage = -1;
}
