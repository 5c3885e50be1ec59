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
    uint32_t height;   // px: a letter page, or the sheet when it is taller
  } cases[] = {
      {"fills", FixturePath("fills.xlsx"), 0x40, 1056},
      {"borders", FixturePath("borders.xlsx"), 0, 1056},
      {"text", FixturePath("text.xlsx"), 0x40, 1056},
      // Its rows, fitted to their fonts and wrapped lines, run 10 px past the letter page.
      {"showcase-1", xlxtest::SourceDir() + "/examples/showcase.xlsx", 0x40, 1066},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Image page;
    int32_t code = 0;
    ASSERT_TRUE(RenderPage(c.path, c.flags, &page, &code)) << c.path << " code " << code;
    // The size is part of what the golden pins: a letter page at 96 dpi, or as tall as the sheet.
    EXPECT_EQ(page.width, 816u);
    EXPECT_EQ(page.height, c.height);
    const std::string why = CompareWithGolden(page, c.name);
    EXPECT_TRUE(why.empty()) << why;
  }
  if (UpdatingGoldens()) GTEST_SKIP() << "goldens written; look at them before committing";
}
