// Pixel probes on pages of the fixture workbooks (tests/fixtures/render/) drawn at 96 dpi: fill
// colours and hatches, border weights and dashes, merged ranges over gridlines, the sheet
// background, where text ink starts, indents, overflow, shrink-to-fit and row growth. Cell edges
// come from the gridlines of the page drawn with them.
#include <gtest/gtest.h>

#include <cstdlib>

#include <cmath>
#include <map>
#include <set>

#include "host/drawing/vkdrwx.h"
#include "host/kernel/vkkrnx.h"
#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kGridlines = 0x40;

// Each fixture page is drawn once for the whole run.
const Image& Page(const std::string& fixture, uint32_t flags = kGridlines) {
  static std::map<std::pair<std::string, uint32_t>, Image> pages;
  auto it = pages.find({fixture, flags});
  if (it == pages.end()) {
    Image image;
    int32_t code = 0;
    EXPECT_TRUE(RenderPage(FixturePath(fixture), flags, &image, &code)) << fixture << " code " << code;
    it = pages.emplace(std::make_pair(fixture, flags), std::move(image)).first;
  }
  return it->second;
}

const Grid& GridOf(const std::string& fixture) {
  static std::map<std::string, Grid> grids;
  auto it = grids.find(fixture);
  if (it == grids.end()) it = grids.emplace(fixture, FindGrid(Page(fixture))).first;
  return it->second;
}

// ---- fills -----------------------------------------------------------------------------------
const Rgb kPatternFg = Hex(0x1F3864), kPatternBg = Hex(0xFFFF00);

TEST(RenderFills, SolidAndGradientCellsCoverTheirCellAndItsGridlines) {
  const Image& page = Page("fills.xlsx");
  const Grid& g = GridOf("fills.xlsx");
  ASSERT_TRUE(g.Reaches(9, 8));
  // Solid cells.
  for (auto [column, row, rgb] : {std::tuple{2, 2, 0xFF0000u}, {6, 6, 0x4472C4u}}) {
    SCOPED_TRACE("column " + std::to_string(column) + " row " + std::to_string(row));
    const int cx = g.CentreX(column), cy = g.CentreY(row);
    for (auto [x, y] : {std::pair{cx, cy}, {g.Left(column), cy}, {g.Right(column), cy}, {cx, g.Top(row)}, {cx, g.Bottom(row)}})
      EXPECT_EQ(page.At(x, y), Hex(rgb)) << "at " << x << "," << y;
  }
  // D2 runs from 00B050 at the top to FFFF00 at the bottom, over its gridlines too.
  const int cx = g.CentreX(4), cy = g.CentreY(2);
  const struct {
    int x, y;
    Rgb rgb;
  } gradient[] = {{cx, g.Top(2), Hex(0x00B050)}, {cx, g.Bottom(2), Hex(0xFFFF00)}, {cx, cy, Rgb{128, 216, 40}},
                  {g.Left(4), cy, Rgb{128, 216, 40}}, {g.Right(4), cy, Rgb{128, 216, 40}}};
  for (const auto& p : gradient) {
    const Rgb c = page.At(p.x, p.y);
    EXPECT_TRUE(std::abs(c.r - p.rgb.r) <= 12 && std::abs(c.g - p.rgb.g) <= 12 && std::abs(c.b - p.rgb.b) <= 12)
        << "at " << p.x << "," << p.y << " " << c;
  }
}

// The inside of a pattern cell as foreground / not foreground.
struct Hatch {
  int x0, y0, x1, y1;
  std::vector<std::vector<bool>> fg;  // [y][x]
  bool onlyTwoColours = true;
  bool At(int x, int y) const { return fg[y - y0][x - x0]; }
};

Hatch ReadHatch(const Image& page, const Grid& g, int column, int row) {
  Hatch h{g.Left(column) + 2, g.Top(row) + 2, g.Right(column) - 1, g.Bottom(row) - 1, {}};
  for (int y = h.y0; y < h.y1; ++y) {
    h.fg.emplace_back();
    for (int x = h.x0; x < h.x1; ++x) {
      const Rgb c = page.At(x, y);
      h.fg.back().push_back(c == kPatternFg);
      h.onlyTwoColours = h.onlyTwoColours && (c == kPatternFg || c == kPatternBg);
    }
  }
  return h;
}

// Whether the pixel rows (or columns) that are all foreground repeat every `step` px, 3 or more.
bool FullLinesEvery(const Hatch& h, bool rows, int step) {
  std::vector<int> lines;
  const int n = rows ? h.y1 - h.y0 : h.x1 - h.x0, m = rows ? h.x1 - h.x0 : h.y1 - h.y0;
  for (int i = 0; i < n; ++i) {
    int count = 0;
    for (int k = 0; k < m; ++k) count += rows ? h.fg[i][k] : h.fg[k][i];
    if (count == m) lines.push_back(i);
  }
  for (size_t i = 1; i < lines.size(); ++i)
    if (lines[i] - lines[i - 1] != step) return false;
  return lines.size() >= 3;
}

// Whether every foreground pixel continues along a diagonal: (+1, +1) falling, (+1, -1) rising;
// false when there is no foreground.
bool ContinuesDiagonally(const Hatch& h, bool falling) {
  int checked = 0;
  for (int y = h.y0 + 1; y < h.y1 - 1; ++y)
    for (int x = h.x0; x < h.x1 - 1; ++x) {
      if (!h.At(x, y)) continue;
      ++checked;
      if (!h.At(x + 1, falling ? y + 1 : y - 1)) return false;
    }
  return checked > 0;
}

TEST(RenderFills, PatternCellsDrawHatchLinesInTheForegroundOverTheBackground) {
  const Image& page = Page("fills.xlsx");
  const Grid& g = GridOf("fills.xlsx");
  ASSERT_TRUE(g.Reaches(9, 8));
  const int step = 8;  // the hatch repeats every 8 px at 96 dpi
  const struct {
    const char* name;
    int column, row;
    bool rows, columns, falling, rising;
  } cases[] = {
      {"darkHorizontal", 6, 2, true, false, false, false}, {"darkVertical", 8, 2, false, true, false, false},
      {"darkDown", 2, 4, false, false, true, false},       {"darkUp", 4, 4, false, false, false, true},
      {"darkGrid", 6, 4, true, true, false, false},        {"lightTrellis", 8, 4, false, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Hatch h = ReadHatch(page, g, c.column, c.row);
    EXPECT_TRUE(h.onlyTwoColours);
    EXPECT_EQ(c.rows, FullLinesEvery(h, true, step));
    EXPECT_EQ(c.columns, FullLinesEvery(h, false, step));
    if (!c.rising || !c.falling) {  // a trellis is checked by its crossings below
      EXPECT_EQ(c.falling, ContinuesDiagonally(h, true));
      EXPECT_EQ(c.rising, ContinuesDiagonally(h, false));
    }
    if (c.rising && c.falling) {
      // Where the two diagonals cross they make a 2 x 2 block, which one family alone never does.
      bool crossing = false;
      for (int y = h.y0; y < h.y1 - 1 && !crossing; ++y)
        for (int x = h.x0; x < h.x1 - 1 && !crossing; ++x)
          crossing = h.At(x, y) && h.At(x + 1, y) && h.At(x, y + 1) && h.At(x + 1, y + 1);
      EXPECT_TRUE(crossing);
    }
  }
}

TEST(RenderFills, MergedRangeHidesTheGridlinesInsideIt) {
  const Image& page = Page("fills.xlsx");
  const Grid& g = GridOf("fills.xlsx");
  ASSERT_TRUE(g.Reaches(9, 8));
  // B6:D7 is merged: no lines between B and C, C and D, rows 6 and 7.
  EXPECT_EQ(page.At(g.Right(2), g.CentreY(7)), kWhite);
  EXPECT_EQ(page.At(g.Right(3), g.CentreY(6)), kWhite);
  EXPECT_EQ(page.At(g.CentreX(3), g.Bottom(6)), kWhite);
  // Its outline stays, and the same lines are drawn in the unmerged rows above.
  for (auto [x, y] : {std::pair{g.Left(2), g.CentreY(6)}, {g.Right(4), g.CentreY(7)}, {g.CentreX(3), g.Bottom(7)},
                      {g.Right(2), g.CentreY(5)}, {g.CentreX(3), g.Bottom(4)}})
    EXPECT_EQ(page.At(x, y), kGrid) << "at " << x << "," << y;
}

TEST(RenderFills, SheetBackgroundColourFillsThePageUnderTheCells) {
  const Image& page = Page("background.xlsx");
  const Grid& g = GridOf("background.xlsx");
  ASSERT_TRUE(g.Reaches(8, 12));
  EXPECT_EQ(page.At(g.CentreX(3), g.CentreY(3)), Hex(0x4472C4)) << "the cell's own fill";
  for (auto [column, row] : {std::pair{1, 1}, {4, 4}, {7, 10}, {2, 12}})
    EXPECT_EQ(page.At(g.CentreX(column), g.CentreY(row)), Hex(0xFFF2CC)) << "column " << column << " row " << row;
  EXPECT_EQ(page.At(page.width - 3, page.height - 3), Hex(0xFFF2CC)) << "the far corner of the page";
}

// ---- borders ---------------------------------------------------------------------------------
enum Side { kLeft, kTop, kRight, kBottom };

// Offsets from the edge's pixel line that hold ink, probed across the middle of one side.
std::set<int> InkAcross(const Image& page, const Grid& g, int column, int row, Side side) {
  std::set<int> offsets;
  const bool vertical = side == kLeft || side == kRight;
  const int edge = side == kLeft ? g.Left(column) : side == kRight ? g.Right(column) : side == kTop ? g.Top(row) : g.Bottom(row);
  const int from = vertical ? g.Top(row) + 5 : g.Left(column) + 5, to = vertical ? g.Bottom(row) - 5 : g.Right(column) - 5;
  for (int d = -4; d <= 4; ++d)
    for (int k = from; k < to; ++k)
      if (page.Ink(vertical ? edge + d : k, vertical ? k : edge + d) > 300) {
        offsets.insert(d);
        break;
      }
  return offsets;
}

// Whether the on/off runs down the left side of a cell (pixel column `offset` from its edge,
// first and last run dropped as the corners may cut them) repeat `pattern` from one of its off
// positions; an empty pattern is a solid line.
bool DashesFollow(const Image& page, const Grid& g, int column, int row, int offset, const std::vector<int>& pattern,
                  std::string* seen) {
  std::vector<bool> on;
  for (int y = g.Top(row) + 2; y < g.Bottom(row) - 1; ++y) on.push_back(page.Ink(g.Left(column) + offset, y) > 300);
  std::vector<int> runs = Runs(on);
  if (runs.size() > 2) runs = std::vector<int>(runs.begin() + 1, runs.end() - 1);
  for (int r : runs) *seen += std::to_string(r) + ",";
  if (pattern.empty()) return runs.size() == 1;
  if (runs.size() < pattern.size()) return false;
  for (size_t start = 1; start < pattern.size(); start += 2) {
    bool ok = true;
    for (size_t i = 0; i < runs.size() && ok; ++i) ok = runs[i] == pattern[(start + i) % pattern.size()];
    if (ok) return true;
  }
  return false;
}

// ---- column unit ----------------------------------------------------------------------------
// Columns count digits of the normal font: East Asian desktop faces, drawn here by substitutes
// with other digits, keep their own unit (72 px default columns at 11 pt), Calibri its 64 px.
TEST(RenderColumns, EastAsianNormalFontsKeepTheirColumnUnit) {
  const struct {
    const char* fixture;
    int defaultWidth, twentyWide;
  } cases[] = {{"east_asian_face1.xlsx", 72, 166}, {"east_asian_face2.xlsx", 72, 166},
               {"east_asian_face3.xlsx", 72, 166}, {"east_asian_face4.xlsx", 64, 145}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fixture);
    const Grid& g = GridOf(c.fixture);
    ASSERT_TRUE(g.Reaches(5, 2));
    EXPECT_EQ(c.defaultWidth, g.Right(2) - g.Left(2));
    EXPECT_EQ(c.twentyWide, g.Right(4) - g.Left(4));
  }
}

TEST(RenderBorders, EverySideLiesOnItsEdgeWithTheWeightAndDashesOfItsStyle) {
  const Image& page = Page("borders.xlsx", 0);
  const Grid& g = GridOf("borders.xlsx");
  ASSERT_TRUE(g.Reaches(9, 9));
  const std::set<int> one{0}, two{-1, 0}, three{-1, 0, 1}, doubled{-1, 1};
  const struct {
    const char* style;
    int column, row;
    std::set<int> weight;      // pixel lines of the side, as offsets from the edge's line
    std::vector<int> dashes;   // on/off run lengths in px; empty for a solid line
  } cases[] = {
      {"thin", 2, 2, one, {}},
      {"medium", 4, 2, two, {}},
      {"thick", 6, 2, three, {}},
      {"double", 8, 2, doubled, {}},
      {"dashed", 2, 4, one, {3, 1}},
      {"dotted", 4, 4, one, {1, 1}},
      {"mediumDashed", 6, 4, two, {6, 2}},
      {"hair", 8, 4, one, {3, 1, 1, 1, 1, 1}},
      {"dashDot", 2, 6, one, {3, 1, 1, 1}},
      {"mediumDashDot", 4, 6, two, {6, 2, 2, 2}},
      {"dashDotDot", 6, 6, one, {3, 1, 1, 1, 1, 1}},
      {"mediumDashDotDot", 8, 6, two, {6, 2, 2, 2, 2, 2}},
      {"slantDashDot", 2, 8, two, {6, 2, 2, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.style);
    for (Side side : {kLeft, kTop, kRight, kBottom}) EXPECT_EQ(InkAcross(page, g, c.column, c.row, side), c.weight) << "side " << side;
    std::string runs;
    EXPECT_TRUE(DashesFollow(page, g, c.column, c.row, *c.weight.begin(), c.dashes, &runs)) << "runs " << runs;
  }
}

TEST(RenderBorders, SharedEdgeIsDrawnOnceByTheHeavierSide) {
  const Image& page = Page("borders.xlsx", 0);
  const Grid& g = GridOf("borders.xlsx");
  ASSERT_TRUE(g.Reaches(9, 9));
  // F8's right side is thin red, G8's left side thick blue: only the blue 3 px line is drawn.
  EXPECT_EQ(InkAcross(page, g, 7, 8, kLeft), (std::set<int>{-1, 0, 1}));
  int red = 0, blue = 0;
  for (int y = g.Top(8); y <= g.Bottom(8); ++y)
    for (int x = g.Left(7) - 3; x <= g.Left(7) + 3; ++x) {
      const Rgb c = page.At(x, y);
      red += c.r > 128 && c.b < 128;
      blue += c.b > 128 && c.r < 128;
    }
  EXPECT_EQ(red, 0);
  EXPECT_GT(blue, 3 * 35);
}

// ---- text ------------------------------------------------------------------------------------
// Calibri 11 pt drawn by the host on a scratch bitmap: widths, and where ink lies from the pen.
class TextReference {
 public:
  TextReference() {
    void* object = nullptr;
    VkCreateDrawingObject(VkQueryDrawingEngine(), &object);
    engine_ = static_cast<VkDrawingEngine*>(object);
    VkSetTextResolution(engine_, 96);
    VkCreateFont(engine_, u"Calibri", 11, 0, &font_);
  }
  ~TextReference() {
    VkDestroyFont(font_);
    VkDestroyDrawingObject(engine_);
  }
  bool ok() const { return engine_ && font_; }
  double Width(const char16_t* text) const {
    double w = 0, h = 0;
    VkMeasureText(engine_, font_, text, -1, 0, &w, &h);
    return w;
  }
  // First and last ink column of `text` with its pen at x (any fraction), as offsets from floor(x).
  std::pair<int, int> InkFrom(const char16_t* text, double x) const {
    _BITMAPHANDLE bitmap{};
    VkCreateBitmap(&bitmap, sizeof bitmap, 1, 400, 40, 24, 1, nullptr, 1, nullptr, 0);
    VkSurface* surface = nullptr;
    VkCreateSurface(engine_, &bitmap, &surface);
    VkDrawText(surface, font_, VK_RGB(0, 0, 0), text, -1, 100 + (x - std::floor(x)), 30, 0, 0, VK_TEXT_LEFT | VK_TEXT_BASELINE);
    VkEndSurface(surface);
    VkDestroySurface(surface);
    Image image;
    image.width = 400;
    image.height = 40;
    for (int y = 0; y < 40; ++y)
      for (int i = 0; i < 400; ++i) {
        const uint8_t* p = bitmap.pData + y * bitmap.uBytesPerLine + 3 * i;
        image.rgb.insert(image.rgb.end(), {p[2], p[1], p[0]});
      }
    VkFreeBitmap(&bitmap);
    return {FirstInkColumn(image, 0, 400, 0, 40) - 100, LastInkColumn(image, 0, 400, 0, 40) - 100};
  }

 private:
  VkDrawingEngine* engine_ = nullptr;
  VkFont* font_ = nullptr;
};

class RenderText : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(g.Reaches(6, 12)); }
  // Ink columns inside column `column` of row `row`, from its left gridline on.
  int First(int column, int row) { return FirstInkColumn(page, g.Left(column) + 1, g.Right(column), g.Top(row) + 1, g.Bottom(row)); }
  int Last(int column, int row) { return LastInkColumn(page, g.Left(column) + 1, g.Right(column), g.Top(row) + 1, g.Bottom(row)); }
  const Image& page = Page("text.xlsx");
  const Grid& g = GridOf("text.xlsx");
};

TEST_F(RenderText, GeneralNumbersEndAndTextStartsAQuarterDigitInsideTheCell) {
  TextReference ref;
  ASSERT_TRUE(ref.ok());
  ASSERT_DOUBLE_EQ(ref.Width(u"0"), 7.0);  // Calibri 11 pt at 96 dpi
  const double inset = ref.Width(u"00") / 8;  // a quarter of a digit
  // Column edges are whole pixels in this fixture; the gridline of an edge at x covers pixel x.
  const double numberStart = g.Right(2) - inset - ref.Width(u"12345");
  const auto number = ref.InkFrom(u"12345", numberStart);
  const int base = static_cast<int>(std::floor(numberStart));
  EXPECT_EQ(Last(2, 2), base + number.second);
  EXPECT_EQ(First(2, 2), base + number.first);
  const double textStart = g.Left(2) + inset;
  EXPECT_EQ(First(2, 3), static_cast<int>(std::floor(textStart)) + ref.InkFrom(u"Text", textStart).first);
}

TEST_F(RenderText, IndentOfTwoMovesTextRightBySixBlankWidths) {
  TextReference ref;
  ASSERT_TRUE(ref.ok());
  const double blank = ref.Width(u"0 0") - ref.Width(u"00");
  ASSERT_GT(blank, 1.0);
  ASSERT_GE(First(2, 3), 0);
  EXPECT_NEAR(First(2, 4) - First(2, 3), 6 * blank, 0.51);
}

TEST_F(RenderText, BooleanWithoutAlignmentIsCentred) {
  ASSERT_GE(First(2, 10), 0);
  EXPECT_NEAR((First(2, 10) + Last(2, 10) + 1) / 2.0, (g.Left(2) + g.Right(2)) / 2.0, 1.5);
}

TEST_F(RenderText, ShrinkToFitKeepsTheWholeTextInsideTheCell) {
  const int first = First(2, 12), last = Last(2, 12);
  ASSERT_GE(first, 0);
  // The text ends inside the right inset instead of being cut at the edge, shrunk only as needed.
  EXPECT_LE(last, g.Right(2) - 2);
  EXPECT_GE(last - first, (g.Right(2) - g.Left(2)) * 3 / 4);
  EXPECT_EQ(First(3, 12), -1) << "nothing spills";
  EXPECT_EQ(page.At(g.Right(2), g.Top(12) + 2), kGrid) << "the gridline after it stays";
}

TEST_F(RenderText, OverflowRunsOverEmptyNeighboursAndStopsAtTheNextFilledCell) {
  const int top = g.Top(6) + 1, bottom = g.Bottom(6);
  // B6's text reaches through C6 and D6 to the left edge of E6, whose own text is right-aligned.
  EXPECT_GE(First(3, 6), 0) << "C6";
  EXPECT_GE(Last(4, 6), g.Right(4) - 8) << "D6 to its end";
  EXPECT_EQ(FirstInkColumn(page, g.Left(5) + 1, g.Left(5) + 40, top, bottom), -1) << "E6's left part";
  EXPECT_GE(FirstInkColumn(page, g.Left(5) + 40, g.Right(5), top, bottom), 0) << "E6's own text";
  // Gridlines under the spilling text are painted out; the one before E6 and the row below stay.
  EXPECT_EQ(page.At(g.Right(2), g.Top(6) + 2), kWhite);
  EXPECT_EQ(page.At(g.Right(3), g.Top(6) + 2), kWhite);
  EXPECT_EQ(page.At(g.Left(5), g.Top(6) + 2), kGrid);
  EXPECT_EQ(page.At(g.Right(2), g.Top(7) + 2), kGrid);
}

TEST_F(RenderText, ThreeWrappedLinesGrowTheirRowToThreeRowsOfTheirFont) {
  // Rows 1-7 keep 20 px; row 8 holds three lines of 15 px Calibri (11.25 pt), each as tall as a
  // row of one line of it: 19 px of line and a pixel above and below, 63 px in all.
  EXPECT_EQ(g.Top(8), 140);
  EXPECT_EQ(g.Top(9), 203);
  EXPECT_EQ(g.Top(10), 223);
  EXPECT_EQ(g.Top(11), 243);
  std::vector<bool> inked;
  for (int y = g.Top(8) + 1; y < g.Top(9); ++y) inked.push_back(FirstInkColumn(page, g.Left(2) + 1, g.Right(2), y, y + 1) >= 0);
  EXPECT_GE(Runs(inked).size(), 5u) << "three bands of ink with two gaps";
}

// ---- text colours and long texts ---------------------------------------------------------------
TEST(RenderCellText, WhiteTextAndBordersStayWhiteAutomaticIsBlackAndLongTextIsWhole) {
  const Image& page = Page("cell_text.xlsx");
  const Grid& g = GridOf("cell_text.xlsx");
  ASSERT_TRUE(g.Reaches(4, 8));
  // (column, row, drawn white): theme 0, FFFFFF and [White] on the dark fill; automatic on it and
  // theme 1 without fill are black.
  for (auto [column, row, white] : {std::tuple{2, 2, true}, {2, 4, true}, {2, 8, true}, {2, 6, false}, {4, 2, false}}) {
    int light = 0, dark = 0;
    for (int y = g.Top(row) + 2; y < g.Bottom(row) - 1; ++y)
      for (int x = g.Left(column) + 2; x < g.Right(column) - 1; ++x) {
        const Rgb c = page.At(x, y);
        light += c.r > 230 && c.g > 230 && c.b > 230;
        dark += c.r < 25 && c.g < 25 && c.b < 25;
      }
    EXPECT_GT(white ? light : dark, 40) << column << "," << row;
    if (white) {
      EXPECT_EQ(dark, 0) << column << "," << row;
    }
  }
  // A white border is white too: B6's bottom border covers the fill's last pixel row.
  const Rgb edge = page.At((g.Left(2) + g.Right(2)) / 2, g.Bottom(6) - 1);
  EXPECT_GT(edge.r + edge.g + edge.b, 3 * 230) << edge;
  // A text of 604 characters is drawn whole: its last four letters end at the right of D6.
  EXPECT_GE(FirstInkColumn(page, g.Left(4) + 1, g.Right(4), g.Top(6) + 1, g.Bottom(6)), 0);
}

}  // namespace
