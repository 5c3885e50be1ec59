// Whole pages against golden PNGs under tests/render/golden/, each looked at when it was made.
// At most 0.4% of a page's pixels may differ by more than 48 in a channel: enough for font
// rasterisation to drift between library versions, not for a moved, missing or recoloured cell,
// border or text run. After an intended change of drawing, run
//     XLX_UPDATE_GOLDEN=1 build/test_render --gtest_filter='RenderGolden.*'
// and look at every file written before committing; a failing run leaves <name>-actual.png in
// the build folder.
#include <gtest/gtest.h>

#include "tests/render/rendertestutil.h"
#include "tests/support/testsupport.h"

using namespace rendertest;

TEST(RenderGolden, PagesMatchTheirGoldens) {
  const struct {
    const char* name;  // tests/render/golden/<name>.png
    std::string path;
    uint32_t flags;    // 0x40 gridlines
  } cases[] = {
      {"fills", FixturePath("fills.xlsx"), 0x40},
      {"borders", FixturePath("borders.xlsx"), 0},
      {"text", FixturePath("text.xlsx"), 0x40},
      {"showcase-1", xlxtest::SourceDir() + "/examples/showcase.xlsx", 0x40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Image page;
    int32_t code = 0;
    ASSERT_TRUE(RenderPage(c.path, c.flags, &page, &code)) << c.path << " code " << code;
    // The size is part of what the golden pins: a letter page at 96 dpi.
    EXPECT_EQ(page.width, 816u);
    EXPECT_EQ(page.height, 1056u);
    const std::string why = CompareWithGolden(page, c.name);
    EXPECT_TRUE(why.empty()) << why;
  }
  if (UpdatingGoldens()) GTEST_SKIP() << "goldens written; look at them before committing";
}
