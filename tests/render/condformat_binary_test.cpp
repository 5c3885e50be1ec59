// Data bars in their current look and icon sets named only by the extension, built as binary
// records, draw the same page as the same rules written as .xlsx (condformats_x14.xlsx, written by
// tests/fixtures/make_condfmt_twin_fixture.py).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/render/rendertestutil.h"
#include "tests/support/xlsbcfrecords.h"
#include "tests/support/zipbuilder.h"

using namespace xlxtest;

namespace {

std::string BinaryTwin() {
  std::string cells;
  const double values[] = {-4, -2, 0, 2, 4, 8};
  for (uint32_t row = 1; row <= 6; ++row) {
    cells += RowRecord(row);
    for (uint32_t column = 1; column <= 4; ++column) cells += NumberCellRecord(column, values[row - 1]);
  }
  auto span = [](uint32_t column) { return CfSpan{1, 6, column}; };
  auto plainBar = [](uint32_t rgb) { return Rec(467, Payload().U8(10).U8(90).U8(1)) + CfVal(471, 2, 0) + CfVal(471, 3, 0) + CfRgb(564, rgb) + Rec(468); };
  const std::string autoEnds = CfVal(1050, 8, 0) + CfVal(1050, 9, 0);
  // B: solid, bordered, right to left, its own negative colours and a middle axis; C: gradient.
  const std::string one = "guid-of-bar-one!", two = "guid-of-bar-two!";
  cells += CfPlain(4, 3, plainBar(0x3366FF), one, 1, span(1)) +
           CfExt(4, 0, -1, CfBar14(2, 1, 0x0D, autoEnds + CfRgb(1055, 0x000080) + CfRgb(1055, 0xFF0000) + CfRgb(1055, 0x800000) + CfRgb(1055, 0x00AA00)), one, span(1));
  cells += CfPlain(4, 3, plainBar(0xFF9900), two, 2, span(2)) +
           CfExt(4, 0, -1, CfBar14(0, 0, 0x0F, autoEnds + CfRgb(1055, 0xFF9900) + CfRgb(1055, 0xFF0000) + CfRgb(1055, 0xFF0000) + CfRgb(1055, 0)), two, span(2));
  // D: 3Stars reversed, the top star only above 2; E: custom icons, icons only.
  cells += CfExt(6, 4, 3, CfIcons14(17, 0x04, CfVal(1050, 4, 0) + CfVal(1050, 1, 0) + CfVal(1050, 1, 2, false)), kCfGuid, span(3));
  cells += CfExt(6, 4, 4, CfIcons14(18, 0x03, CfVal(1050, 4, 0) + CfVal(1050, 4, 33) + CfVal(1050, 4, 67) + CfIconRecord(19, 0) +
                                            CfIconRecord(-1, -1) + CfIconRecord(2, 2)), kCfGuid, span(4));
  BinaryBook book;
  book.sheetNames = {"Bars"};
  book.sheetRecords = {cells};
  const std::vector<unsigned char> zip = BuildStoredZip(BinaryWorkbookEntries(book));
  const std::string path = std::string(XLX_BINARY_DIR) + "/condformats_x14_twin.xlsb";
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) std::fwrite(zip.data(), 1, zip.size(), f), std::fclose(f);
  return path;
}

TEST(CondFormatBinary, ExtensionRecordsDrawLikeTheXmlExtension) {
  rendertest::Image xml, binary;
  int32_t code = 0;
  ASSERT_TRUE(rendertest::RenderPage(rendertest::FixturePath("condformats_x14.xlsx"), 0x40, &xml, &code)) << code;
  ASSERT_TRUE(rendertest::RenderPage(BinaryTwin(), 0x40, &binary, &code)) << code;
  const rendertest::Grid g = rendertest::FindGrid(xml);
  ASSERT_TRUE(g.Reaches(5, 7));
  ASSERT_EQ(std::make_pair(xml.width, xml.height), std::make_pair(binary.width, binary.height));
  // Over the formatted cells, every pixel agrees; the rules drew something in each column.
  int differing = 0, painted[6] = {0};
  for (int column = 2; column <= 5; ++column)
    for (int y = g.Top(2); y < g.Bottom(7); ++y)
      for (int x = g.Left(column); x < g.Right(column); ++x) {
        const rendertest::Rgb a = xml.At(x, y), b = binary.At(x, y);
        differing += std::abs(a.r - b.r) > 8 || std::abs(a.g - b.g) > 8 || std::abs(a.b - b.b) > 8;
        painted[column] += std::abs(a.r - a.b) > 60 || std::abs(a.g - a.b) > 60;
      }
  EXPECT_EQ(differing, 0);
  for (int column = 2; column <= 5; ++column) EXPECT_GT(painted[column], 40) << column;
}

}  // namespace
