// Right-to-left sheets on tests/fixtures/render/rtl.xlsx (see make_rtl_fixtures.py): sheet 2 is
// sheet 1 read right to left, sheet 3 holds text, borders, a picture and more.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

TEST(RightToLeft, EveryModeDrawsTheMirrorImageWithDefaultColumnsOf64Pixels) {
  for (const auto& c : {std::make_pair(0x40u, 70), {0x41u, 70}, {0xC0u, 120}}) {  // flags, a y in empty row 4
    Image ltr, rtl;
    int32_t code = 0;
    ASSERT_TRUE(RenderPage(FixturePath("rtl.xlsx"), c.first, &ltr, &code, 1) &&
                RenderPage(FixturePath("rtl.xlsx"), c.first, &rtl, &code, 2)) << code;
    int unmirrored = 0, w = int(rtl.width), a = -1;  // a: column A's left gridline
    for (int y = 0; y < int(rtl.height); ++y)
      for (int x = 1; x + 1 < w; ++x) {
        auto near = [&](int dx) {
          const Rgb p = rtl.At(x, y), q = ltr.At(w - 1 - x + dx, y);
          return std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) <= 96;
        };
        unmirrored += !near(-1) && !near(0) && !near(1);  // one pixel either way
      }
    EXPECT_LE(unmirrored, 8) << c.first;  // antialiased ends of the diagonal
    for (int x = 0; x < w && a < 0; ++x) a = ltr.At(x, c.second) == kGrid ? x : -1;
    EXPECT_EQ(ltr.At(a + 64, c.second), kGrid) << c.first;
    EXPECT_NE(ltr.At(a + 59, c.second), kGrid) << c.first;
  }
}

TEST(RightToLeft, TextBordersAndPictureFromColumnAAtTheRight) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("rtl.xlsx"), 0x40, &page, &code, 3)) << code;
  const int w = int(page.width);
  auto right = [&](int column) { return w - 1 - 64 * (column - 1); };  // column A ends at the page's edge
  auto first = [&](int c, int y) { return FirstInkColumn(page, right(c) - 63, right(c), y, y + 16, 100); };
  auto last = [&](int c, int y) { return LastInkColumn(page, right(c) - 63, right(c), y, y + 16, 100); };
  EXPECT_GE(last(1, 22), right(1) - 5) << "A2: text to the right edge";
  EXPECT_LE(first(2, 22), right(2) - 59) << "B2: numbers to the left edge";
  EXPECT_GE(last(3, 22), right(3) - 5) << "C2: left alignment mirrored";
  // General text starts where the sheet reads from, whatever the font's character set; a cell
  // that reads left to right starts at the left.
  EXPECT_GE(last(1, 412), right(1) - 5) << "A18: Hebrew font at the right";
  EXPECT_GE(last(1, 432), right(1) - 5) << "A19: Arabic font at the right";
  EXPECT_LE(first(1, 452), right(1) - 59) << "A20: reading order left to right";
  EXPECT_LE(first(4, 22), right(4) - 59) << "D2: right alignment mirrored";
  EXPECT_LT(last(1, 42), right(1) - 12) << "A3: indent from the right";
  EXPECT_GT(first(3, 62), 0) << "A4 spills leftwards over C4";
  EXPECT_EQ(page.At(right(2) - 1, 110), Hex(0xFF0000)) << "B6's left border on its right edge";
  EXPECT_GT(page.Ink(right(6) + 45, 100), 300) << "F6's top border leans 50 px with its turned text";
  EXPECT_EQ(page.At(right(6) + 45, 147), kWhite);
  // The picture in B14 keeps red at its top left: its box is mirrored, not its pixels.
  const int red = FirstInkColumn(page, 0, w, 335, 336, 100), green = LastInkColumn(page, 0, w, 335, 336, 100);
  EXPECT_EQ(std::make_tuple(page.At(red + 2, 335), page.At(green - 2, 335), green),
            std::make_tuple(Hex(0xFF0000), Hex(0x00FF00), right(2) - 1));
  const std::string why = CompareWithGolden(page, "rtl");
  EXPECT_TRUE(why.empty()) << why;
}
