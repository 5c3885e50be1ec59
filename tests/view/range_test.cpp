// What bounds the rendered range: the anchors of drawing parts.
#include <gtest/gtest.h>

#include <tuple>

#include "common/apiutils.h"
#include "host/kernel/vkkrnx.h"
#include "package/xlsxunzip.h"
#include "tests/support/zipbuilder.h"
#include "view/xlsxviewanchors.h"

using namespace xlx;

namespace {
auto Tie(const MyCellBounds& b) { return std::make_tuple(b.RowFirst, b.RowLast, b.ColFirst, b.ColLast); }
}  // namespace

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
