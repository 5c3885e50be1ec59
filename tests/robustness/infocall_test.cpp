// Whole information calls on hostile packages: decompression bombs of a few megabytes whose
// parts inflate to gigabytes, and absurd sheet extents. Each is refused with a code or laid out,
// quickly, in bounded memory, and without leaking host allocations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "tests/robustness/robustnesstestutil.h"

using namespace xlxtest;

TEST(DecompressionBomb, RefusedQuicklyWithinBoundedMemory) {
  const struct {
    const char* what;
    std::string part;
    uint32_t mebibytes;  // what the part's stream inflates to
    uint64_t declared;   // in zip64 fields past 32 bits
    char fill;
  } cases[] = {
      {"sheet of 3 GiB declared at its size", "xl/worksheets/sheet1.xml", 3072, 3ull << 30, '<'},
      {"sheet declaring 1 KiB of its 4 GiB", "xl/worksheets/sheet1.xml", 4096, 1024, ' '},
      {"shared strings of 5 GiB declared in zip64 fields", "xl/sharedStrings.xml", 5120, 5ull << 30, ' '},
      // Under the part limit: read, at the cost of the declared size and not of the stream.
      {"styles declaring 200 MiB of 4 GiB of spaces", "xl/styles.xml", 4096, 200ull << 20, ' '},
      {"workbook part of 4 GiB declared as 4 GiB - 2", "xl/workbook.xml", 4096, 0xFFFFFFFEull, '<'},
      {"package relationships declaring 64 KiB of 4 GiB", "_rels/.rels", 4096, 64 << 10, 'x'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<RawEntry> entries = WorkbookEntries(1, "<sheetData/>");
    for (RawEntry& e : entries) {
      if (e.name != c.part) continue;
      e.data = RepeatedDeflate(c.mebibytes, c.fill);
      e.declaredSize = c.declared;
      e.crc = CrcOfRepeated(c.declared, c.fill);
      e.zip64 = c.declared > 0xFFFFFFFEull;
    }
    const std::vector<unsigned char> bytes = BuildRawZip(entries);
    ASSERT_LT(bytes.size(), 8u << 20) << "the bomb is small";
    const size_t live = VkLiveAllocations();
    const MeasuredInfo m = MeasureInfoCall(bytes, false);
    // A part past the size limit is refused as such (not as damage): the workbook fails with the
    // limit's code or opens without it.
    EXPECT_TRUE(m.result == XLX_OK || m.result == XLX_ERR_LIMIT || m.result == XLX_ERR_FORMAT) << m.result;
    EXPECT_LT(m.seconds, 20.0);
    EXPECT_LT(m.peakGrowthMiB, 400.0) << "peak memory grew";
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}

TEST(SheetExtent, FarCellsAndManyLongSheetsAreRefusedOrLaidOutInBounds) {
  auto cell = [](const std::string& ref, int64_t row) {
    return "<sheetData><row r=\"" + std::to_string(row) + "\"><c r=\"" + ref + "\"><v>1</v></c></row></sheetData>";
  };
  const std::string wholeSheet =
      "<definedNames><definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">S1!$A$1:$XFD$1048576"
      "</definedName></definedNames>";
  const struct {
    const char* what;
    int32_t sheets;
    std::string sheetXml, names;
    int32_t result;       // of fltInfo, one page per sheet
    int32_t pagedResult;  // paginated
  } cases[] = {
      {"a cell in the last row", 1, cell("A1048576", 1048576), "", XLX_OK, XLX_OK},
      {"a cell in the last column", 1, cell("XFD1", 1), "", XLX_OK, XLX_OK},
      // A sheet-sized page of 16384 columns by 1048576 rows is past any bitmap: a limit, not
      // memory; cut into pages, only the page with the cell is made.
      {"a cell in the far corner", 1, cell("XFD1048576", 1048576), "", XLX_ERR_LIMIT, XLX_OK},
      {"a row past the last row", 1, cell("A1048577", 1048577), "", XLX_ERR_FORMAT, XLX_ERR_FORMAT},
      {"a row number past 32 bits", 1, cell("A1", 99999999999), "", XLX_ERR_FORMAT, XLX_ERR_FORMAT},
      {"a column past the last column is skipped", 1, cell("XFE1", 1), "", XLX_OK, XLX_OK},
      {"a print area of the whole sheet over one cell", 1, cell("B2", 2), wholeSheet, XLX_OK, XLX_OK},
      {"forty sheets that each reach the last row", 40, cell("A1048576", 1048576), "", XLX_ERR_LIMIT, XLX_ERR_LIMIT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<unsigned char> bytes = BuildRawZip(WorkbookEntries(c.sheets, c.sheetXml, c.names));
    const size_t live = VkLiveAllocations();
    for (bool paginate : {false, true}) {
      const MeasuredInfo m = MeasureInfoCall(bytes, paginate);
      EXPECT_EQ(m.result, paginate ? c.pagedResult : c.result) << (paginate ? "paginated" : "one page a sheet");
      if (m.result == XLX_OK) {
        EXPECT_GE(m.pages, 1);
      }
      EXPECT_LT(m.seconds, 60.0);
      EXPECT_LT(m.peakGrowthMiB, 1024.0) << "peak memory grew";
    }
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}
