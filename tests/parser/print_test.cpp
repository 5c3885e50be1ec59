// The print setup of a worksheet: every attribute read, defaults when absent, hostile values
// clamped or dropped, and the print areas and titles of the workbook's names.
#include <gtest/gtest.h>

#include <algorithm>

#include <pugixml.hpp>

#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"

using namespace xlx;

namespace {

PrintSetup Read(const char* worksheetChildren, const char16_t* area = nullptr, const char16_t* titles = nullptr) {
  xlxtest::WorkbookPtr wb;
  if (area) wb->printAreas[0] = area;
  if (titles) wb->printTitles[0] = titles;
  MyWorksheet sheet;
  std::copy_n(u"Data", 5, sheet.sheetName);
  pugi::xml_document doc;
  const std::string xml = std::string("<worksheet>") + worksheetChildren + "</worksheet>";
  EXPECT_TRUE(doc.load_string(xml.c_str()));
  ReadPrintSetup(*wb, &sheet, doc.child("worksheet"));
  return sheet.print;
}

TEST(PrintSetupReader, EveryAttributeIsRead) {
  const PrintSetup p = Read(
      "<sheetPr><pageSetUpPr fitToPage='1'/></sheetPr>"
      "<printOptions gridLines='1' headings='true' horizontalCentered='1' verticalCentered='1'/>"
      "<pageMargins left='0.25' right='0.5' top='1' bottom='1.25' header='0.1' footer='0.2'/>"
      "<pageSetup paperSize='9' orientation='landscape' scale='80' fitToWidth='2' fitToHeight='0' "
      "pageOrder='overThenDown' firstPageNumber='7' useFirstPageNumber='1' blackAndWhite='1' draft='1' "
      "errors='dash' cellComments='atEnd'/>"
      "<headerFooter differentOddEven='1' differentFirst='1' scaleWithDoc='0' alignWithMargins='0'>"
      "<oddHeader>&amp;CO</oddHeader><oddFooter>of</oddFooter><evenHeader>eh</evenHeader>"
      "<evenFooter>ef</evenFooter><firstHeader>fh</firstHeader><firstFooter>ff</firstFooter></headerFooter>"
      "<rowBreaks count='2'><brk id='20' max='16383' man='1'/><brk id='5' man='1'/></rowBreaks>"
      "<colBreaks><brk id='3' man='1'/></colBreaks>");
  EXPECT_TRUE(p.fitToPage);
  EXPECT_TRUE(p.gridLines && p.headings && p.horizontalCentered && p.verticalCentered);
  EXPECT_EQ((std::vector<double>{p.marginLeft, p.marginRight, p.marginTop, p.marginBottom, p.marginHeader,
                                 p.marginFooter}),
            (std::vector<double>{0.25, 0.5, 1, 1.25, 0.1, 0.2}));
  EXPECT_EQ((std::vector<int32_t>{p.paperSize, p.orientation, p.scale, p.fitToWidth, p.fitToHeight, p.firstPageNumber}),
            (std::vector<int32_t>{9, kOrientationLandscape, 80, 2, 0, 7}));
  EXPECT_TRUE(p.hasScale && p.overThenDown);
  EXPECT_TRUE(p.useFirstPageNumber && p.blackAndWhite && p.draft);
  EXPECT_EQ(std::make_pair(p.errors, p.cellComments), std::make_pair(int32_t(kPrintErrorsDash), int32_t(kPrintCommentsAtEnd)));
  const HeaderFooterSetup& h = p.headerFooter;
  EXPECT_TRUE(h.differentOddEven && h.differentFirst && !h.scaleWithDoc && !h.alignWithMargins);
  EXPECT_EQ(h.oddHeader + u"|" + h.oddFooter + h.evenHeader + h.evenFooter + h.firstHeader + h.firstFooter, u"&CO|ofeheffhff");
  EXPECT_EQ(p.rowBreaks, (std::vector<int32_t>{5, 20}));
  EXPECT_EQ(p.colBreaks, (std::vector<int32_t>{3}));
}

TEST(PrintSetupReader, HeaderAndFooterEscapesDecodeOnce) {
  const HeaderFooterSetup h = Read(
      "<headerFooter differentOddEven='1' differentFirst='1'><oddHeader>&amp;C_x005F_x000D_</oddHeader>"
      "<oddFooter>a_x0009_b</oddFooter><evenHeader>_x00e9_</evenHeader><evenFooter>_x12_</evenFooter>"
      "<firstHeader>x_x0041_</firstHeader><firstFooter>_x005F_</firstFooter></headerFooter>").headerFooter;
  EXPECT_EQ(h.oddHeader, u"&C_x000D_");
  EXPECT_EQ(h.oddFooter, u"a\tb");
  EXPECT_EQ(h.evenHeader + u"|" + h.evenFooter + u"|" + h.firstHeader + u"|" + h.firstFooter, u"\u00e9|_x12_|xA|_");
}

TEST(PrintSetupReader, DefaultsAndHostileValues) {
  const PrintSetup d = Read("");
  EXPECT_FALSE(d.hasScale || d.fitToPage || d.overThenDown || d.headings);
  EXPECT_EQ((std::vector<int32_t>{d.paperSize, d.fitToWidth, d.fitToHeight}), (std::vector<int32_t>{0, 1, 1}));
  // The application's normal margins.
  EXPECT_EQ((std::vector<double>{d.marginLeft, d.marginRight, d.marginTop, d.marginBottom, d.marginHeader, d.marginFooter}),
            (std::vector<double>{0.7, 0.7, 0.75, 0.75, 0.3, 0.3}));
  EXPECT_TRUE(d.headerFooter.scaleWithDoc && d.headerFooter.alignWithMargins);

  const PrintSetup h = Read(
      "<pageMargins left='-3' right='1e300' top='nan' bottom='x'/>"
      "<pageSetup paperSize='-9' orientation='sideways' fitToWidth='65536' fitToHeight='-2' errors='loud'/>"
      "<rowBreaks><brk id='0'/><brk id='1048576'/><brk id='7'/><brk id='7'/><brk/></rowBreaks>"
      "<colBreaks><brk id='16384'/><brk id='99999'/></colBreaks>");
  // Negative margins are 0, huge ones 100 in, unreadable ones keep the default.
  EXPECT_EQ((std::vector<double>{h.marginLeft, h.marginRight, h.marginTop, h.marginBottom}),
            (std::vector<double>{0, 100, 0.75, 0.75}));
  EXPECT_EQ((std::vector<int32_t>{h.paperSize, h.orientation, h.fitToWidth, h.fitToHeight, h.errors}),
            (std::vector<int32_t>{0, kOrientationDefault, 32767, 0, kPrintErrorsDisplayed}));
  EXPECT_EQ(h.rowBreaks, (std::vector<int32_t>{7})) << "breaks outside the sheet and repeats dropped";
  EXPECT_TRUE(h.colBreaks.empty());

  std::string many = "<rowBreaks>";
  for (int i = 1; i <= 5000; ++i) many += "<brk id='" + std::to_string(i) + "'/>";
  EXPECT_EQ(Read((many + "</rowBreaks>").c_str()).rowBreaks.size(), 1026u);
}

TEST(PrintSetupReader, PrintAreasAndTitlesOfThisSheet) {
  const struct {
    const char16_t *area, *titles;
    size_t areas;
    PrintCellRange first;
    int32_t rowFirst, rowLast, colFirst, colLast;
  } cases[] = {
      {u"Data!$A$1:$C$10,Data!$E$2:$F$3", u"Data!$1:$2", 2, {1, 10, 1, 3}, 1, 2, 0, 0},
      {u"'Data'!B2", u"Data!$A:$B,Data!$3:$3", 1, {2, 2, 2, 2}, 3, 3, 1, 2},
      {u"Other!$A$1:$B$2,Data!$C$3:$D$4", u"Other!$1:$1", 1, {3, 4, 3, 4}, 0, 0, 0, 0},
      {u"Data!$A:$C", u"$2:$4", 1, {1, 1048576, 1, 3}, 2, 4, 0, 0},
      {u"'It''s'!A1,Data!ZZZZ1,Data!A0:B2,,Data!A1:", u"Data!A1:B2", 0, {}, 0, 0, 0, 0},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(i);
    const PrintSetup p = Read("", c.area, c.titles);
    ASSERT_EQ(p.printAreas.size(), c.areas);
    if (c.areas) {
      const PrintCellRange& a = p.printAreas[0];
      EXPECT_EQ((std::vector<int32_t>{a.RowFirst, a.RowLast, a.ColFirst, a.ColLast}),
                (std::vector<int32_t>{c.first.RowFirst, c.first.RowLast, c.first.ColFirst, c.first.ColLast}));
    }
    EXPECT_EQ((std::vector<int32_t>{p.titleRowFirst, p.titleRowLast, p.titleColFirst, p.titleColLast}),
              (std::vector<int32_t>{c.rowFirst, c.rowLast, c.colFirst, c.colLast}));
  }
}

}  // namespace
