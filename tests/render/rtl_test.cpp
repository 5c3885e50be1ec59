// Right-to-left sheets on tests/fixtures/render/rtl.xlsx (see make_rtl_fixtures.py): sheet 2 is
// sheet 1 read right to left, sheet 3 holds text, borders, a merged cell and a picture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

// Pixels of `rtl` that match no pixel of `ltr` flipped across, one pixel either way.
int UnmirroredPixels(const Image& ltr, const Image& rtl) {
  auto near = [](const Rgb& a, const Rgb& b) { return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) <= 96; };
  int bad = 0;
  for (int y = 0; y < int(rtl.height); ++y)
    for (int x = 0, w = int(rtl.width); x < w; ++x)
      bad += !near(rtl.At(x, y), ltr.At(w - 1 - x, y)) && !near(rtl.At(x, y), ltr.At(w - x, y)) &&
             !near(rtl.At(x, y), ltr.At(w - 2 - x, y));
  return bad;
}

TEST(RightToLeft, EveryModeDrawsTheMirrorImageWithDefaultColumnsOf64Pixels) {
  const struct {
    uint32_t flags;  // with gridlines: sheet pages, paginated, printed
    int row4;        // a y inside empty row 4
  } cases[] = {{0x40, 70}, {0x41, 70}, {0xC0, 120}};
  for (const auto& c : cases) {
    const uint32_t flags = c.flags;
    SCOPED_TRACE(flags);
    Image ltr, rtl;
    int32_t code = 0;
    ASSERT_TRUE(RenderPage(FixturePath("rtl.xlsx"), flags, &ltr, &code, 1)) << code;
    ASSERT_TRUE(RenderPage(FixturePath("rtl.xlsx"), flags, &rtl, &code, 2)) << code;
    ASSERT_EQ(std::make_pair(ltr.width, ltr.height), std::make_pair(rtl.width, rtl.height));
    EXPECT_LE(UnmirroredPixels(ltr, rtl), 8);  // antialiased ends of the diagonal
    std::vector<int> edges;  // column A's gridlines
    for (int x = 0; x < int(ltr.width) && edges.size() < 2; ++x)
      if (ltr.At(x, c.row4) == kGrid) edges.push_back(x);
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_EQ(edges[1] - edges[0], 64);
  }
}

TEST(RightToLeft, TextBordersAndPictureFromColumnAAtTheRight) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("rtl.xlsx"), 0x40, &page, &code, 3)) << code;
  const Grid g = FindGrid(page);
  ASSERT_GE(g.columnEdges.size(), 5u);
  const int n = int(g.columnEdges.size()), w = int(page.width);
  // Display column k from the right is sheet column k: edges at w - 1, w - 65, ...
  ASSERT_EQ(g.columnEdges[n - 1], w - 1);
  auto left = [&](int c) { return g.columnEdges[n - 1 - c]; };
  auto right = [&](int c) { return g.columnEdges[n - c]; };
  const int y2 = 22, y3 = 42, y4 = 62, y6 = 102;  // inside rows 2, 3, 4 and 6
  // Ink darker than the gridlines, between the edges of display column c.
  auto first = [&](int c, int y) { return FirstInkColumn(page, left(c) + 1, right(c), y, y + 16, 100); };
  auto last = [&](int c, int y) { return LastInkColumn(page, left(c) + 1, right(c), y, y + 16, 100); };
  EXPECT_GE(last(1, y2), right(1) - 5) << "text to the right edge";
  EXPECT_LE(first(2, y2), left(2) + 5) << "numbers to the left edge";
  EXPECT_GE(last(3, y2), right(3) - 5) << "left alignment mirrored";
  EXPECT_LE(first(4, y2), left(4) + 5) << "right alignment mirrored";
  EXPECT_LT(last(1, y3), right(1) - 12) << "indent from the right";
  EXPECT_GT(first(3, y4), 0) << "spills leftwards over C4";
  EXPECT_EQ(page.At(right(2) - 1, y6 + 8), Hex(0xFF0000)) << "the left border on the right edge";
  EXPECT_NE(page.At(left(2) + 1, y6 + 8), Hex(0xFF0000));
  // F6's text is turned 45 degrees in a 50 px row: its top border leans 50 px right with the text.
  EXPECT_GT(page.Ink(right(6) + 45, y6 - 2), 300);
  EXPECT_EQ(page.At(right(6) + 45, y6 + 47), kWhite);
  // The picture in B14 keeps red at its top left: its box is mirrored, not its pixels.
  const int red = FirstInkColumn(page, 0, w, 335, 336, 100), green = LastInkColumn(page, 0, w, 335, 336, 100);
  ASSERT_GT(red, left(3));
  EXPECT_EQ(page.At(red + 2, 335), Hex(0xFF0000));
  EXPECT_EQ(page.At(green - 2, 335), Hex(0x00FF00));
  EXPECT_EQ(green, right(2) - 1) << "anchored from B's right edge";
  const std::string why = CompareWithGolden(page, "rtl");
  EXPECT_TRUE(why.empty()) << why;
}

}  // namespace
