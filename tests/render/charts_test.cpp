// Charts on printed pages: the gallery of chart kinds against its golden page, explicit series
// colours and bar areas probed, and a chartsheet's chart filling its page inside the margins.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "tests/render/rendertestutil.h"

namespace {

using namespace rendertest;

// Printed pages (option bit 0x80), as each sheet's page setup says.
Image Page(int32_t page) {
  Image image;
  int32_t code = 0;
  EXPECT_TRUE(RenderPage(FixturePath("charts.xlsx"), 0x80, &image, &code, page)) << "code " << code;
  return image;
}

TEST(ChartPages, GalleryMatchesItsGolden) {
  const Image page = Page(1);
  EXPECT_EQ("", CompareWithGolden(page, "charts_gallery"));
}

// The probe chart's three series have explicit colours and the same sum (60) over three bars
// each, on a fixed 0-40 axis: their areas must match, whatever the bar geometry.
TEST(ChartPages, ExplicitSeriesColoursAndEqualAreas) {
  const Image page = Page(2);
  std::map<uint32_t, int> area;
  for (uint32_t y = 0; y < page.height; ++y)
    for (uint32_t x = 0; x < page.width; ++x) {
      const Rgb c = page.At(int(x), int(y));
      ++area[uint32_t(c.r << 16 | c.g << 8 | c.b)];
    }
  const int red = area[0xFF0000], green = area[0x00A000], blue = area[0x0000FF];
  EXPECT_GT(red, 2000);
  EXPECT_NEAR(red, green, red / 30);
  EXPECT_NEAR(red, blue, red / 30);
}

TEST(ChartPages, ChartsheetFillsThePrintableArea) {
  const Image page = Page(3);
  // Ink starts at the left margin (0.7 in) and ends at the right one, on the middle line.
  const int y = int(page.height / 2);
  const int left = FirstInkColumn(page, 0, int(page.width), y - 2, y + 2, 250);
  const int right = LastInkColumn(page, 0, int(page.width), y - 2, y + 2, 250);
  EXPECT_NEAR(0.7 * 96, left, 2);
  EXPECT_NEAR(page.width - 0.7 * 96, right, 3);
}

// The 2016 kinds: waterfall, histograms, pareto, funnel, box and whisker, treemap, sunburst.
TEST(ChartPages, Gallery2016MatchesItsGolden) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("charts2016.xlsx"), 0x80, &page, &code, 1)) << "code " << code;
  EXPECT_EQ("", CompareWithGolden(page, "charts2016_gallery"));
}

// Pattern fills, stretched and tiled picture fills, a picture slice, a display-unit caption.
TEST(ChartPages, FillsAndUnitCaptionMatchTheirGolden) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("chartfills.xlsx"), 0x80, &page, &code, 1)) << "code " << code;
  EXPECT_EQ("", CompareWithGolden(page, "chart_fills"));
}

// openpyxl writes no varyColors, roundedCorners or caches: the chartsheet's one-series column
// chart prints landscape with bars from the cells in five accent colours, in a rounded frame.
TEST(ChartPages, ChartsheetFromCellsWithTheApplicationsDefaults) {
  // The chartsheet is the last sheet: its page is the last one, and the only landscape one.
  Image page;
  int32_t code = 0;
  for (int32_t n = 1; n < 40 && RenderPage(FixturePath("chartcells_openpyxl.xlsx"), 0x80, &page, &code, n); ++n)
    if (page.width > page.height) break;
  ASSERT_GT(page.width, page.height) << "no landscape page";
  std::map<uint32_t, int> area;
  for (uint32_t y = 0; y < page.height; ++y)
    for (uint32_t x = 0; x < page.width; ++x) {
      const Rgb c = page.At(int(x), int(y));
      ++area[uint32_t(c.r << 16 | c.g << 8 | c.b)];
    }
  for (uint32_t accent : {0x4F81BDu, 0xC0504Du, 0x9BBB59u, 0x8064A2u, 0x4BACC6u}) EXPECT_GT(area[accent], 3000) << accent;
  // The frame's top edge: ink across the middle, none in the corner it rounds off.
  const int x = int(page.width / 2);
  int top = -1;
  for (int y = 0; y < int(page.height) && top < 0; ++y)
    if (page.Ink(x, y) > 100) top = y;
  ASSERT_GT(top, 0);
  const int left = FirstInkColumn(page, 0, x, top, top + 1, 230);
  const int side = FirstInkColumn(page, 0, x, top + 40, top + 41, 230);
  EXPECT_GT(left, side + 4) << "square corner at " << side << "," << top;
}

// Sparklines of sheet "Spark" (column H, one kind a row): a blue line with green high and red low
// markers, blue and red columns, green and red win/loss bars, a black right-to-left line falling
// from left to right, blue columns against a fixed range reaching half the cell.
TEST(ChartPages, SparklinesDrawInTheirCells) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("chartcells_xlsxwriter.xlsx"), 0, &page, &code, 2)) << "code " << code;
  std::map<uint32_t, int> area;
  int blueLeft = int(page.width), lowestRed = -1;
  for (uint32_t x = 0; x < page.width; ++x)
    for (uint32_t y = 0; y < page.height; ++y) {
      const Rgb c = page.At(int(x), int(y));
      ++area[uint32_t(c.r << 16 | c.g << 8 | c.b)];
      if (c == Rgb{0, 0, 255}) blueLeft = std::min(blueLeft, int(x));
      if (c == Rgb{255, 0, 0}) lowestRed = std::max(lowestRed, int(y));
    }
  // The black line is the only black right of where the sparklines start and below the rows
  // with red (the cell texts and the column axis are black too).
  int blackLeft = -1, blackLeftY = 0, blackRightY = 0;
  for (int x = blueLeft + 1; x < int(page.width); ++x)
    for (int y = lowestRed + 1; y < int(page.height); ++y)
      if (page.At(x, y) == Rgb{0, 0, 0}) {
        if (blackLeft < 0) blackLeft = x, blackLeftY = y;
        blackRightY = y;
      }
  EXPECT_GT(area[0x0000FF], 300);
  EXPECT_GT(area[0xFF0000], 200);
  EXPECT_GT(area[0x00A000], 200);
  ASSERT_GE(blackLeft, 0);
  EXPECT_LT(blackLeftY + 8, blackRightY) << "the reversed line should fall to the right";
}

// Row 6 of "Spark": a magenta line of 1 to 6 on a date axis, five daily points then one a month
// on. Placed by date, the middle of the cell falls on the last segment, near the top; placed
// evenly it would fall between 3 and 4, halfway up.
TEST(ChartPages, DateAxisSparklinePlacesPointsByDate) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("chartcells_xlsxwriter.xlsx"), 0, &page, &code, 2)) << "code " << code;
  // The thin line is smoothed: its pixels are magenta blended with white.
  auto magenta = [&](int x, int y) {
    const Rgb c = page.At(x, y);
    return c.r > 200 && c.b > 200 && c.g < 150;
  };
  int left = int(page.width), right = -1, top = int(page.height), bottom = -1;
  for (int y = 0; y < int(page.height); ++y)
    for (int x = 0; x < int(page.width); ++x)
      if (magenta(x, y)) {
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
      }
  ASSERT_GT(right - left, 40);
  ASSERT_GT(bottom - top, 6);
  const int mid = (left + right) / 2;
  int midY = -1;
  for (int y = top; y <= bottom && midY < 0; ++y)
    if (magenta(mid, y)) midY = y;
  ASSERT_GE(midY, 0);
  EXPECT_LT(midY - top, (bottom - top) / 3) << "middle of the line at " << midY << " in " << top << ".." << bottom;
}

}  // namespace

// 3-D charts from openpyxl (columns with labels, one series behind the other, bars, line, area,
// surface) and one written by hand with its view in perspective, its walls and floor filled.
TEST(ChartPages, ThreeDChartsMatchTheirGoldens) {
  const struct {
    const char* fixture;
    int32_t page;
    const char* golden;
  } cases[] = {{"chart3d_openpyxl.xlsx", 1, "charts3d_gallery"}, {"chart3d_view.xlsx", 1, "charts3d_view"}};
  for (const auto& c : cases) {
    Image page;
    int32_t code = 0;
    ASSERT_TRUE(RenderPage(FixturePath(c.fixture), 0x80, &page, &code, c.page)) << c.fixture << " code " << code;
    EXPECT_EQ("", CompareWithGolden(page, c.golden)) << c.fixture;
  }
}
