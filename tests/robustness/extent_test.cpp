// Absurd sheet extents: cells at the far corner of the sheet, references past it, and many sheets
// that each reach the last row. Each is refused with a code or laid out, quickly and in bounded
// memory; none exhausts the machine.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "tests/robustness/rawzip.h"
#include "tests/robustness/robustnesstestutil.h"

namespace {

std::vector<unsigned char> Package(int32_t sheets, const std::string& sheetXml, const std::string& names = "") {
  std::vector<xlxtest::RawEntry> entries;
  for (const xlxtest::PackagePart& part : xlxtest::WorkbookParts(sheets, sheetXml, names))
    entries.push_back(xlxtest::DeflatedEntry(part.name, part.xml));
  return xlxtest::BuildRawZip(entries);
}

std::string Cell(const std::string& ref, int64_t row) {
  return "<sheetData><row r=\"" + std::to_string(row) + "\"><c r=\"" + ref + "\"><v>1</v></c></row></sheetData>";
}

}  // namespace

TEST(SheetExtent, FarCellsAndManyLongSheetsAreRefusedOrLaidOutInBounds) {
  struct Case {
    const char* what;
    int32_t sheets;
    std::string sheetXml;
    std::string names;
    int32_t defaultResult;   // fltInfo, one page per sheet
    int32_t paginateResult;  // fltInfo, printed pages
  };
  const std::string wholeSheet =
      "<definedNames><definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">S1!$A$1:$XFD$1048576"
      "</definedName></definedNames>";
  const Case cases[] = {
      {"a cell in the last row", 1, Cell("A1048576", 1048576), "", XLX_OK, XLX_OK},
      {"a cell in the last column", 1, Cell("XFD1", 1), "", XLX_OK, XLX_OK},
      // A sheet-sized page of 16384 columns by 1048576 rows is past any bitmap; so are its pages.
      {"a cell in the far corner", 1, Cell("XFD1048576", 1048576), "", XLX_ERR_MEMORY, XLX_ERR_MEMORY},
      {"a row past the last row", 1, Cell("A1048577", 1048577), "", XLX_ERR_FORMAT, XLX_ERR_FORMAT},
      {"a row number past 32 bits", 1, Cell("A1", 99999999999), "", XLX_ERR_FORMAT, XLX_ERR_FORMAT},
      {"a column past the last column is skipped", 1, Cell("XFE1", 1), "", XLX_OK, XLX_OK},
      {"a print area of the whole sheet over one cell", 1, Cell("B2", 2), wholeSheet, XLX_OK, XLX_OK},
      {"forty sheets that each reach the last row", 40, Cell("A1048576", 1048576), "", XLX_ERR_MEMORY,
       XLX_ERR_MEMORY},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<unsigned char> bytes = Package(c.sheets, c.sheetXml, c.names);
    const size_t live = VkLiveAllocations();
    for (bool paginate : {false, true}) {
      const bool measured = xlxtest::ResetPeakMemory();
      const double before = xlxtest::PeakMemoryMiB();
      const auto start = std::chrono::steady_clock::now();
      int32_t pages = 0;
      int32_t r = xlxtest::InfoCall(bytes, paginate, &pages);
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      EXPECT_EQ(r, paginate ? c.paginateResult : c.defaultResult) << (paginate ? "paginated" : "one page a sheet");
      if (r == XLX_OK) {
        EXPECT_GE(pages, 1);
      }
      EXPECT_LT(seconds, 60.0);
      if (measured) {
        EXPECT_LT(xlxtest::PeakMemoryMiB() - before, 1024.0) << "peak memory grew";
      }
    }
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}
