// Print setup of binary workbooks: corpus workbooks saved in both forms read the same setup, and
// hostile printing records leave sane values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "filter/workbookopen.h"
#include "host/kernel/vkkrnx.h"
#include "parser/xlsb/xlsbreader.h"
#include "tests/parser/parsertestutil.h"
#include "tests/support/testsupport.h"
#include "tests/support/xlsbwriter.h"

using namespace xlx;
using xlxtest::AppendRecord;
using xlxtest::Payload;

namespace {

struct OpenedFile {
  explicit OpenedFile(const std::string& path) { rc = OpenWorkbook(xlxtest::U16(path).c_str(), {}, &workbook, &format); }
  ~OpenedFile() { FreeWorkbook(workbook); }
  int32_t rc = 0, format = 0;
  Workbook* workbook = nullptr;
};
// The fields both forms must agree on. A binary page setup always stores a paper code and a scale
// where the XML form may leave out letter and 100; the XML form of this twin has no margins.
std::string Describe(const PrintSetup& p, bool margins) {
  const HeaderFooterSetup& h = p.headerFooter;
  std::string s;
  for (int32_t v : {p.paperSize ? p.paperSize : 1, p.orientation, p.hasScale ? p.scale : 100, int32_t(p.fitToPage), p.fitToPage ? p.fitToWidth : 1, p.fitToPage ? p.fitToHeight : 1, int32_t(p.overThenDown), p.useFirstPageNumber ? p.firstPageNumber : -1,
                    int32_t(p.blackAndWhite), int32_t(p.draft), p.errors, p.cellComments, int32_t(p.gridLines), int32_t(p.headings),
                    int32_t(p.horizontalCentered), int32_t(p.verticalCentered), int32_t(h.differentOddEven), int32_t(h.differentFirst),
                    int32_t(h.scaleWithDoc), int32_t(h.alignWithMargins), int32_t(p.printAreas.size()), p.titleRowFirst,
                    p.titleRowLast, p.titleColFirst, p.titleColLast})
    s += " " + std::to_string(v);
  for (double m : {p.marginLeft, p.marginRight, p.marginTop, p.marginBottom, p.marginHeader, p.marginFooter})
    if (margins) s += " " + std::to_string(m);
  for (const std::vector<int32_t>* breaks : {&p.rowBreaks, &p.colBreaks})
    for (int32_t b : *breaks) s += " b" + std::to_string(b);
  for (const std::u16string* t : {&h.oddHeader, &h.oddFooter, &h.evenHeader, &h.evenFooter, &h.firstHeader, &h.firstFooter})
    s += "|" + std::string(t->begin(), t->end());  // units cut to bytes: equal texts stay equal
  return s;
}

TEST(XlsbPrint, TwinsReadTheSamePrintSetup) {
  int32_t pairs = 0;
  for (const std::string& binary : xlxtest::CorpusFiles("xlsb")) {
    const std::string base = binary.substr(binary.rfind('/') + 1, binary.size() - binary.rfind('/') - 6);
    OpenedFile b(binary), x(xlxtest::CorpusDir() + "/xlsx/" + base + ".xlsx");
    if (b.rc != 1 || x.rc != 1) continue;
    ASSERT_EQ(GetSheetCount(b.workbook), GetSheetCount(x.workbook)) << base;
    for (int32_t i = 0; i < GetSheetCount(b.workbook); ++i) {
      const bool margins = base != "sheetjs__xlsx-stream-d-date-cell";
      EXPECT_EQ(Describe(GetSheet(b.workbook, i)->print, margins), Describe(GetSheet(x.workbook, i)->print, margins)) << base << " " << i;
    }
    ++pairs;
  }
  if (pairs == 0) GTEST_SKIP() << "no corpus twins at " << xlxtest::CorpusDir();
}

// The print setup read from a sheet part made of `records`.
PrintSetup ReadRecords(const std::string& records) {
  xlxtest::WorkbookPtr workbook;
  RecordList list;
  uint8_t* copy = static_cast<uint8_t*>(VK_ALLOC(records.size() + 1, 1));
  memcpy(copy, records.data(), records.size());
  EXPECT_EQ(list.Frame(copy, records.size()), 1);
  MyWorksheet sheet;
  ReadBinaryPrintSetup(*workbook, &sheet, list);
  return sheet.print;
}

std::string Breaks(uint32_t begin, uint32_t first, uint32_t count) {
  std::string part;
  AppendRecord(&part, begin, Payload().U32(count).U32(count));
  for (uint32_t id = first; id < first + count; ++id) AppendRecord(&part, 395, Payload().U32(id).U32(0).U32(16383).U32(1).U32(0));
  AppendRecord(&part, begin + 1, "");
  return part;
}

TEST(XlsbPrint, HostileRecordsLeaveSaneValues) {
  const PrintSetup defaults;
  std::string cut;  // every record one field short
  AppendRecord(&cut, 478, Payload().U32(9).U32(50).Raw(std::string(24, '\1')).U8(2));
  AppendRecord(&cut, 476, Payload().F64(2).F64(2).F64(2).F64(2).F64(2));
  AppendRecord(&cut, 477, Payload().U8(3));
  AppendRecord(&cut, 479, Payload().U8(3));
  PrintSetup p = ReadRecords(cut);
  EXPECT_TRUE(p.paperSize == 0 && p.orientation == defaults.orientation && p.marginLeft == defaults.marginLeft);
  EXPECT_TRUE(!p.horizontalCentered && p.headerFooter.scaleWithDoc && p.headerFooter.alignWithMargins);
  std::string absurd;
  AppendRecord(&absurd, 478, Payload().U32(~0u).U32(~0u).Raw(std::string(16, '\0')).U32(65536).U32(~0u).U16(0).U32(~0u));
  AppendRecord(&absurd, 476, Payload().F64(-1).F64(1e300).F64(NAN).F64(INFINITY).F64(0.2).F64(0.4));
  AppendRecord(&absurd, 479, Payload().U16(0).Wide("&CTop").U32(1000000000).Raw("ab"));  // a count of a billion
  absurd += Breaks(391, 0, 5000) + Breaks(393, 16383, 2);
  AppendRecord(&absurd, 395, Payload().U32(7));  // a break outside any list
  p = ReadRecords(absurd);
  EXPECT_TRUE(p.paperSize == 0 && p.scale == INT32_MAX && p.fitToWidth == 32767 && p.fitToHeight == 32767);
  EXPECT_TRUE(p.marginLeft == 0 && p.marginRight == 100 && p.marginTop == defaults.marginTop && p.marginHeader == 0.2);
  EXPECT_TRUE(p.headerFooter.oddHeader == u"&CTop" && p.headerFooter.oddFooter.empty() && !p.headerFooter.scaleWithDoc);
  EXPECT_TRUE(p.rowBreaks.size() == 1026u && p.rowBreaks[0] == 1);  // row 0 dropped, as many as the application keeps
  EXPECT_EQ(p.colBreaks, std::vector<int32_t>{16383});  // the last column has nothing after it
}

}  // namespace
