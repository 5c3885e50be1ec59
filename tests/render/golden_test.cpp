// Whole pages compared with golden PNGs under tests/render/golden/, each looked at when it was
// made: three fixture pages and the first page of the showcase workbook. A pixel differs when a
// channel is off by more than 48; at most 0.4% of a page's pixels may differ, which absorbs small
// changes of font rasterisation between library versions but not a moved, missing or recoloured
// cell, border or text run.
//
// To make new goldens after an intended change of drawing, run
//     XLX_UPDATE_GOLDEN=1 build/test_render --gtest_filter='RenderGolden.*'
// and look at every file it wrote before committing them. A failing run leaves the page it drew
// in the build folder as <name>-actual.png.
#include <gtest/gtest.h>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

namespace {

struct GoldenCase {
  const char* name;     // tests/render/golden/<name>.png
  std::string path;
  uint32_t flags;       // host option flags: 0x40 gridlines
  uint32_t width, height;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

class RenderGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(RenderGolden, PageMatchesItsGolden) {
  const GoldenCase& c = GetParam();
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(PageRequest{c.path, 1, c.flags}, &page, &code)) << c.path << " code " << code;
  // The size is part of what the golden pins: a letter page at 96 dpi unless the sheet is wider.
  EXPECT_EQ(page.width, c.width);
  EXPECT_EQ(page.height, c.height);
  const std::string why = CompareWithGolden(page, c.name);
  EXPECT_TRUE(why.empty()) << why;
  if (UpdatingGoldens()) GTEST_SKIP() << "golden " << c.name << " written; look at it before committing";
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RenderGolden,
    testing::Values(GoldenCase{"fills", FixturePath("fills.xlsx"), 0x40, 816, 1056},
                    GoldenCase{"borders", FixturePath("borders.xlsx"), 0, 816, 1056},
                    GoldenCase{"text", FixturePath("text.xlsx"), 0x40, 816, 1056},
                    GoldenCase{"showcase-1", xlxtest::SourceDir() + "/examples/showcase.xlsx", 0x40, 816, 1056}),
    [](const testing::TestParamInfo<GoldenCase>& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (ch == '-') ch = '_';
      return n;
    });

}  // namespace
