// The first sheet view's reading direction, in both workbook formats.
#include <gtest/gtest.h>

#include "tests/parser/parsertestutil.h"
#include "tests/support/xlsbwriter.h"

TEST(SheetView, RightToLeftFromTheFirstViewOnly) {
  auto view = [](uint16_t flags) {  // a binary sheet view record: 0x20 right to left
    std::string r;
    xlxtest::AppendRecord(&r, 137, xlxtest::Payload().U16(flags).U32(0).U32(0).U32(0).U32(64).U32(100).U32(0));
    return r;
  };
  const struct {
    const char* views;
    std::string binary;
    bool rightToLeft;
  } cases[] = {{"<sheetView rightToLeft=\"1\"/>", view(0x30), true},
               {"<sheetView rightToLeft=\"0\"/>", view(0x10), false},
               {"<sheetView/><sheetView rightToLeft=\"true\"/>", view(0x10) + view(0x30), false}};
  for (const auto& c : cases) {
    std::vector<xlxtest::ZipEntry> xml = xlxtest::MinimalWorkbookEntries({"S"});
    xlxtest::SetEntry(&xml, "xl/worksheets/sheet1.xml",
                      xlxtest::MainPart("worksheet", std::string("<sheetViews>") + c.views + "</sheetViews><sheetData/>"));
    xlxtest::BinaryBook book{{"S"}, {c.binary}, "", {}, ""};
    for (const auto& entries : {xml, xlxtest::BinaryWorkbookEntries(book)}) {
      xlxtest::OpenedPackage package(entries);
      ASSERT_EQ(package.rc, 1) << c.views;
      EXPECT_EQ(xlx::GetSheet(package.workbook, 0)->bRightToLeft, c.rightToLeft) << c.views;
    }
  }
}
