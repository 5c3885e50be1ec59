// The first sheet view's reading direction, in both workbook formats.
#include <gtest/gtest.h>

#include "tests/parser/parsertestutil.h"
#include "tests/support/xlsbwriter.h"

using namespace xlx;

namespace {

// A binary sheet view record with `flags` (0x20 right to left, 0x10 zeros shown).
std::string BinaryView(uint16_t flags) {
  std::string records;
  xlxtest::AppendRecord(&records, 137, xlxtest::Payload().U16(flags).U32(0).U32(0).U32(0).U8(64).U8(0).U16(100)
                                           .U16(0).U16(0).U16(0).U32(0));
  return records;
}

TEST(SheetView, RightToLeftFromTheFirstViewOnly) {
  const struct {
    const char* views;     // sheetViews children of an XML sheet
    std::string binary;    // sheet view records of a binary sheet
    bool rightToLeft;
  } cases[] = {
      {"<sheetView rightToLeft=\"1\"/>", BinaryView(0x30), true},
      {"<sheetView rightToLeft=\"true\"/>", BinaryView(0x30) + BinaryView(0x10), true},
      {"<sheetView rightToLeft=\"0\"/>", BinaryView(0x10), false},
      {"<sheetView/><sheetView rightToLeft=\"1\"/>", BinaryView(0x10) + BinaryView(0x30), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.views);
    std::vector<xlxtest::ZipEntry> xml = xlxtest::MinimalWorkbookEntries({"S"});
    xlxtest::SetEntry(&xml, "xl/worksheets/sheet1.xml",
                      xlxtest::MainPart("worksheet", std::string("<sheetViews>") + c.views + "</sheetViews><sheetData/>"));
    xlxtest::BinaryBook book;
    book.sheetNames = {"S"};
    book.sheetRecords = {c.binary};
    for (const auto& entries : {xml, xlxtest::BinaryWorkbookEntries(book)}) {
      xlxtest::OpenedPackage package(entries);
      ASSERT_EQ(package.rc, 1);
      EXPECT_EQ(GetSheet(package.workbook, 0)->bRightToLeft, c.rightToLeft);
    }
  }
}

}  // namespace
