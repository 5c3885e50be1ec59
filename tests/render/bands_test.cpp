// Pages drawn in horizontal bands are the pages drawn whole: text, charts, pictures and header
// pictures that cross a band edge come out byte for byte the same, at 96 and 300 dpi.
#include <gtest/gtest.h>

#include <string>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

namespace {

TEST(PageBands, BandedPagesAreByteForByteThePagesDrawnWhole) {
  // XLX_BAND_ROWS makes the filter draw every page in bands of that many rows; band heights that
  // divide nothing put the edges through cell text, chart lines, pictures and headers.
  const struct {
    const char* dpi;
    const char* rows;
  } resolutions[] = {{"96", "37"}, {"300", "256"}};
  const char* workbooks[] = {"pages.xlsx", "text.xlsx", "charts.xlsx", "pictures.xlsx", "print_hfpicture.xlsx"};
  const std::string tool = Quote(XlxrenderPath());
  for (const auto& at : resolutions) {
    for (const char* workbook : workbooks) {
      SCOPED_TRACE(std::string(workbook) + " at " + at.dpi + " dpi");
      TempFolder out;
      const std::string common = " -q -r " + std::string(at.dpi) + " " + Quote(FixturePath(workbook)) + " ";
      CommandResult whole = RunCommand("XLX_BAND_ROWS=0 " + tool + common + Quote(out.path() + "/whole"));
      ASSERT_EQ(whole.status, 0) << whole.err;
      CommandResult banded = RunCommand("XLX_BAND_ROWS=" + std::string(at.rows) + " " + tool + common + Quote(out.path() + "/band"));
      ASSERT_EQ(banded.status, 0) << banded.err;
      const std::vector<std::string> files = out.Files();
      ASSERT_FALSE(files.empty());
      ASSERT_EQ(files.size() % 2, 0u);
      for (const std::string& name : files) {
        if (name.rfind("whole", 0) != 0) continue;
        const std::string twin = "band" + name.substr(5);
        const auto a = xlxtest::ReadWholeFile(out.path() + "/" + name);
        ASSERT_GT(a.size(), 100u) << name;
        EXPECT_TRUE(a == xlxtest::ReadWholeFile(out.path() + "/" + twin)) << name << " and " << twin << " differ";
      }
    }
  }
}

}  // namespace
