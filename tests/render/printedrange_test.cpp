// What printed pages hold for workbooks written by programs (openpyxl, xlsxwriter) and by hand:
// the range from A1 to every cell a value, a spilled text or a drawing object reaches, rows fitted
// to their content, default widths and heights as written, and nothing of the next row at a
// page's edge. openpyxl pages have 0.75 in side and 1 in top margins (72 and 96 px at 96 dpi),
// xlsxwriter's and the hand-made ones 0.7 in and 0.75 in (67.2 and 72 px); letter paper.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kPrint = 0x80;

std::string Ranges(const std::string& fixture) {
  const CommandResult r = RunCommand(Quote(XlxrenderPath()) + " --info --json " + Quote(FixturePath(fixture)));
  EXPECT_EQ(r.status, 0) << r.err;
  const size_t at = r.out.find("\"page_ranges\"");
  std::string joined;
  if (at == std::string::npos) return joined;
  const std::string ranges = r.out.substr(at + 14);
  const std::regex text("\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(ranges.begin(), ranges.end(), text); it != std::sregex_iterator(); ++it)
    joined += (*it)[1].str() + " ";
  return joined;
}

Image Page(const std::string& fixture, int32_t page) {
  Image image;
  int32_t code = 0;
  EXPECT_TRUE(RenderPage(FixturePath(fixture), kPrint, &image, &code, page)) << fixture << " " << code;
  return image;
}

// Bounding box and count of the pixels that `match`; count 0 when none.
struct Box {
  int left = 0, top = 0, right = -1, bottom = -1, count = 0;
};

template <typename Match>
Box Find(const Image& image, Match match, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
  Box b;
  if (x1 < 0) x1 = int(image.width);
  if (y1 < 0) y1 = int(image.height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      if (!match(image.At(x, y))) continue;
      if (b.count++ == 0) b.left = b.right = x, b.top = b.bottom = y;
      b.left = std::min(b.left, x), b.right = std::max(b.right, x);
      b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y);
    }
  return b;
}

bool Red(const Rgb& c) { return c.r > 200 && c.g < 60 && c.b < 60; }
bool Dark(const Rgb& c) { return c.r + c.g + c.b < 450; }

// Top and bottom of each band of ink rows between x0 and x1.
std::vector<std::pair<int, int>> InkBands(const Image& image, int x0, int x1) {
  std::vector<bool> on;
  for (int y = 0; y < int(image.height); ++y) on.push_back(FirstInkColumn(image, x0, x1, y, y + 1, 160) >= 0);
  std::vector<std::pair<int, int>> bands;
  for (int y = 0; y < int(on.size()); ++y) {
    if (!on[y]) continue;
    if (!bands.empty() && bands.back().second == y - 1) bands.back().second = y;
    else bands.emplace_back(y, y);
  }
  return bands;
}

TEST(PrintedRange, PagesRunFromA1ToEverythingThatPrints) {
  const struct {
    const char* fixture;
    const char* ranges;
  } cases[] = {
      // Pic: the 200 x 100 px picture at L3 ends in O7, past the ten columns of page 1. Chart: 15 x
      // 7.5 cm (567 x 283 px) from H2 ends in P16. Spill: C1's text reaches H. Late: from A1.
      // Tall: the 28 pt text spills into B. Base: 80 px columns, eight a page. DefRow: 40 px rows,
      // 21 in 864 px. Break: the manual break after row 5.
      {"printed_range_openpyxl.xlsx",
       "Pic!A1:J7 Pic!K1:O7 Chart!A1:J16 Chart!K1:P16 Spill!A1:H1 Late!A1:D6 Tall!A1:B7 Base!A1:H1 Base!I1:L1 "
       "DefRow!A1:A21 DefRow!A22:A40 Break!A1:C5 Break!A6:C10 "},
      // Two-cell anchors ending at offset 0 in row 8 (picture) do not reach that row.
      {"printed_range_xlsxwriter.xlsx",
       "Pic!A1:J7 Pic!K1:O7 Chart!A1:J16 Chart!K1:P16 Spill!A1:H1 Late!A1:D6 Tall!A1:B7 "},
      // Absolute: the box at (900, 1000) px, 100 x 50, covers O51:P53; the pages between A1 and it
      // hold nothing and are left out. Bare: Arial 10 rows of 18 px, 50 a page. Wide: 84 px
      // columns. Zero: rows without an entry are hidden, row 9 too.
      {"printed_range_hand.xlsx",
       "Absolute!A1:J45 Absolute!K46:P53 Bare!A1:A50 Bare!A51:A60 Wide!A1:H1 Wide!I1:L1 Zero!A1:A3 "},
  };
  for (const auto& c : cases) EXPECT_EQ(Ranges(c.fixture), c.ranges) << c.fixture;
}

TEST(PrintedRange, ObjectsAndCellsLandWhereTheirCellsPrint) {
  const struct {
    const char* fixture;
    int32_t page;
    bool (*match)(const Rgb&);
    Box want;  // left, top, right, bottom, minimum count
  } cases[] = {
      // The pictures on the second page column: L is its second column.
      {"printed_range_openpyxl.xlsx", 2, Red, {72 + 64, 96 + 40, 72 + 64 + 199, 96 + 40 + 99, 19000}},
      {"printed_range_xlsxwriter.xlsx", 2, Red, {131, 72 + 40, 131 + 199, 72 + 40 + 99, 19000}},
      // The absolute box on page K46:P53: (900 - 640, 1000 - 900) from the page's corner.
      {"printed_range_hand.xlsx", 2, [](const Rgb& c) { return c == Hex(0x00B050); },
       {67 + 260, 72 + 100, 67 + 260 + 99, 72 + 100 + 49, 4000}},
      // Late: "5" at the right of C5 and "6" of D6, the blank rows and columns before them kept.
      {"printed_range_openpyxl.xlsx", 6, Dark, {72 + 128 + 40, 96 + 80, 72 + 256, 96 + 120, 20}},
      // Zero: "1" in row 1 and "3" straight below it, row 2 hidden.
      {"printed_range_hand.xlsx", 7, Dark, {67 + 40, 72, 67 + 64, 72 + 40, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.fixture) + " page " + std::to_string(c.page));
    const Box b = Find(Page(c.fixture, c.page), c.match);
    ASSERT_GT(b.count, c.want.count);
    EXPECT_GE(b.left, c.want.left - 1);
    EXPECT_GE(b.top, c.want.top - 1);
    EXPECT_LE(b.right, c.want.right + 1);
    EXPECT_LE(b.bottom, c.want.bottom + 1);
  }
  EXPECT_EQ(Find(Page("printed_range_openpyxl.xlsx", 1), Red).count, 0) << "nothing of the picture on page 1";
  // The spilled text is whole: it runs from C1 (x 200) past D, to the page's H.
  const Box spill = Find(Page("printed_range_openpyxl.xlsx", 5), Dark, 200, 96, 816, 116);
  EXPECT_GT(spill.right, 72 + 5 * 64);
  // Default widths: with baseColWidth 10 the eighth column's "7" ends at 72 + 8 x 80; with
  // defaultColWidth 12 at 67 + 8 x 84.
  EXPECT_NEAR(Find(Page("printed_range_openpyxl.xlsx", 8), Dark, 0, 96, 816, 116).right, 72 + 8 * 80, 5);
  EXPECT_NEAR(Find(Page("printed_range_hand.xlsx", 5), Dark, 0, 72, 816, 92).right, 67 + 8 * 84, 5);
}

TEST(PrintedRange, RowsGrowToTheirTallestContent) {
  for (const char* fixture : {"printed_range_openpyxl.xlsx", "printed_range_xlsxwriter.xlsx"}) {
    SCOPED_TRACE(fixture);
    const Image page = Page(fixture, 7);
    const int left = fixture[14] == 'o' ? 72 : 67, top = fixture[14] == 'o' ? 96 : 72;
    const std::vector<std::pair<int, int>> bands = InkBands(page, left, left + 64);
    // 14, 18, 20, 24 and 28 pt, eight wrapped lines, "plain".
    ASSERT_EQ(bands.size(), 14u);
    EXPECT_GE(bands[0].first, top + 2) << "the 14 pt text is whole below the row's top";
    for (size_t i = 1; i < 5; ++i) {
      EXPECT_GT(bands[i].second - bands[i].first, bands[i - 1].second - bands[i - 1].first) << i;
      EXPECT_GT(bands[i].first, bands[i - 1].second + 4) << "each row holds its own text: " << i;
    }
    // Rows of 25 + 32 + 35 + 42 + 48 px, the wrapped row eight lines of 20 px, then "plain".
    EXPECT_NEAR(bands[13].second, top + 182 + 160 + 15, 4);
  }
}

TEST(PrintedRange, NothingOfTheNextRowShowsAtAPageEdge) {
  const Rgb red = Hex(0xFF0000);
  // Page A1:C5 ends at y 96 + 100 = 196: row 5's bottom border prints there, row 6's red does not.
  const Image first = Page("printed_range_openpyxl.xlsx", 12);
  EXPECT_EQ(Find(first, [&](const Rgb& c) { return c == red; }).count, 0);
  EXPECT_GT(Find(first, Dark, 72, 196, 72 + 192, 197).count, 180) << "row 5's bottom border";
  const Image second = Page("printed_range_openpyxl.xlsx", 13);
  EXPECT_GT(Find(second, [&](const Rgb& c) { return c == red; }, 72, 96, 264, 116).count, 180 * 19);
}

}  // namespace
