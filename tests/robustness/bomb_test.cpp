// Decompression bombs: packages of a few megabytes whose parts inflate to gigabytes go through the
// whole information call and are refused quickly, without the memory they claim.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "tests/robustness/rawzip.h"
#include "tests/robustness/robustnesstestutil.h"

using xlxtest::RawEntry;

namespace {

// A one-sheet workbook package in which the part `bombPart` inflates to `mebibytes` MiB of `fill`
// bytes and declares `declared` bytes (in zip64 fields past 32 bits).
std::vector<unsigned char> BombPackage(const std::string& bombPart, uint32_t mebibytes, uint64_t declared, char fill) {
  std::vector<RawEntry> entries;
  for (const xlxtest::PackagePart& part : xlxtest::WorkbookParts(1, "<sheetData/>")) {
    if (part.name != bombPart) {
      entries.push_back(xlxtest::DeflatedEntry(part.name, part.xml));
      continue;
    }
    RawEntry e;
    e.name = part.name;
    e.data = xlxtest::RepeatedDeflate(mebibytes, fill, nullptr);
    e.declaredSize = declared;
    e.crc = xlxtest::CrcOfRepeated(declared, fill);
    e.zip64 = declared > 0xFFFFFFFEull;
    entries.push_back(e);
  }
  return xlxtest::BuildRawZip(entries);
}

}  // namespace

TEST(DecompressionBomb, RefusedQuicklyWithinBoundedMemory) {
  struct Case {
    const char* what;
    std::string part;
    uint32_t mebibytes;
    uint64_t declared;
    char fill;
  };
  const Case cases[] = {
      {"sheet of 3 GiB declared at its size", "xl/worksheets/sheet1.xml", 3072, 3ull << 30, '<'},
      {"sheet declaring 1 KiB of its 4 GiB", "xl/worksheets/sheet1.xml", 4096, 1024, ' '},
      {"shared strings of 5 GiB declared in zip64 fields", "xl/sharedStrings.xml", 5120, 5ull << 30, ' '},
      // Under the part limit: read, at the cost of the declared size and not of the stream.
      {"styles declaring 200 MiB of 4 GiB of spaces", "xl/styles.xml", 4096, 200ull << 20, ' '},
      {"workbook part of 4 GiB declared as 4 GiB - 2", "xl/workbook.xml", 4096, 0xFFFFFFFEull, '<'},
      {"package relationships declaring 64 KiB of 4 GiB", "_rels/.rels", 4096, 64 << 10, 'x'},
  };
  const bool measured = xlxtest::ResetPeakMemory();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<unsigned char> bytes = BombPackage(c.part, c.mebibytes, c.declared, c.fill);
    ASSERT_LT(bytes.size(), 8u << 20) << "the bomb is small";
    const size_t live = VkLiveAllocations();
    ASSERT_TRUE(xlxtest::ResetPeakMemory() || !measured);
    const double before = xlxtest::PeakMemoryMiB();
    const auto start = std::chrono::steady_clock::now();
    int32_t r = xlxtest::InfoCall(bytes, false);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A capped part reads as a short or broken part: the workbook fails or opens without it.
    EXPECT_TRUE(r == XLX_OK || r == XLX_ERR_FORMAT) << r;
    EXPECT_LT(seconds, 20.0);
    if (measured) {
      EXPECT_LT(xlxtest::PeakMemoryMiB() - before, 400.0) << "peak memory grew";
    }
    EXPECT_EQ(VkLiveAllocations(), live);
  }
}
