// Every shared real-world package through the workbook reader: no crash, no leak, cells in order.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "filter/workbookopen.h"
#include "parser/xlsxprsr.h"
#include "tests/support/testsupport.h"

using namespace xlx;

namespace {

// Packages of the corpus that are odd on purpose and fail to open, with the code they give. None
// at present: the one with a sheet entry whose r:id is empty opens without that sheet.
const std::map<std::string, int32_t> kExpectedFailures = {};

// Packages the part and relationship readers do not read yet: entry names with backslashes,
// prefixed relationship elements, UTF-16 parts. They may open or give -9.
const std::set<std::string> kPackageLayerOddities = {
    "calamine__issue_530.xlsx",
    "edr__Test_git_issue_385_backslash.xlsx",
    "phpss__data__Reader__XLSX__Zip-Windows-Directory-Separator.xlsx",
    "phpss__data__Reader__XLSX__issue.3720.xlsx",
    "phpss__data__Reader__XLSX__issue.3730.xlsx",
    "phpss__data__Reader__XLSX__namespacenonstd.xlsx",
    "phpss__data__Reader__XLSX__utf16be.xlsx",
};

void OpenEach(const std::vector<std::string>& files, bool sane) {
  for (const std::string& file : files) {
    std::string name = file.substr(file.rfind('/') + 1);
    SCOPED_TRACE(name);
    size_t live = VkLiveAllocations();
    WorkbookOpenOptions options;
    options.showHiddenSheets = true;
    Workbook* workbook = nullptr;
    int32_t format = 0;
    int32_t rc = OpenWorkbook(xlxtest::U16(file).c_str(), options, &workbook, &format);
    if (rc == 1) {
      EXPECT_GT(GetSheetCount(workbook), 0);
      EXPECT_EQ(format, 351);
      for (int32_t i = 0; i < GetSheetCount(workbook); ++i) {
        const MyWorksheet& sheet = *GetSheet(workbook, i);
        EXPECT_FALSE(sheet.partPath.empty());
        EXPECT_TRUE(sheet.loaded);
        // Cells sorted and unique, rows sorted: the lookups bisect them.
        for (int32_t k = 1; k < sheet.cells.Count(); ++k) {
          const CellRecord& a = sheet.cells[k - 1];
          const CellRecord& b = sheet.cells[k];
          ASSERT_TRUE(a.row < b.row || (a.row == b.row && a.column < b.column));
          ASSERT_FALSE(b.flags & kCellReaderMark);
        }
        for (int32_t k = 1; k < sheet.rows.Count(); ++k) ASSERT_LT(sheet.rows[k - 1].row, sheet.rows[k].row);
      }
    } else {
      EXPECT_EQ(workbook, nullptr);
      EXPECT_TRUE(rc == -9 || rc == -1 || rc == -7) << "gave " << rc;
    }
    auto expected = kExpectedFailures.find(name);
    if (!sane) {
    } else if (kPackageLayerOddities.count(name)) {
      EXPECT_TRUE(rc == 1 || rc == -9) << "gave " << rc;
    } else {
      EXPECT_EQ(rc, expected != kExpectedFailures.end() ? expected->second : 1) << XlxLastCorruption();
    }
    FreeWorkbook(workbook);
    EXPECT_EQ(VkLiveAllocations(), live) << "leaks";
  }
}

TEST(Corpus, EveryPackageOpensOrFailsCleanly) {
  std::vector<std::string> sane = xlxtest::CorpusFiles("xlsx");
  if (sane.empty()) GTEST_SKIP() << "no corpus at " << xlxtest::CorpusDir();
  OpenEach(sane, true);
  OpenEach(xlxtest::CorpusFiles("hostile"), false);
}

}  // namespace
