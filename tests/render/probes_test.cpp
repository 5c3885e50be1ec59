// Pixel probes on pages of the fixture workbooks (tests/fixtures/render/), drawn through the
// filter's entry points at 96 dpi: fill colours and hatch lines, border sides with their weight
// and dash pattern, merged ranges over gridlines, the sheet background, where text ink starts,
// indents, overflow into empty neighbours and row growth. Cell edges come from the gridlines of
// the same page (or of the page drawn with gridlines, for the borders).
#include <gtest/gtest.h>

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
const Image& Page(const std::string& fixture, uint32_t flags) {
  static std::map<std::pair<std::string, uint32_t>, Image> pages;
  auto key = std::make_pair(fixture, flags);
  auto it = pages.find(key);
  if (it == pages.end()) {
    Image image;
    int32_t code = 0;
    EXPECT_TRUE(RenderPage(PageRequest{FixturePath(fixture), 1, flags}, &image, &code)) << fixture << " code " << code;
    it = pages.emplace(key, std::move(image)).first;
  }
  return it->second;
}

const Grid& GridOf(const std::string& fixture) {
  static std::map<std::string, Grid> grids;
  auto it = grids.find(fixture);
  if (it == grids.end()) it = grids.emplace(fixture, FindGrid(Page(fixture, kGridlines))).first;
  return it->second;
}

// Rows of the grid must be found before any probe indexes them.
bool GridReaches(const Grid& g, int column, int row) {
  return static_cast<int>(g.columnEdges.size()) > column && static_cast<int>(g.rowEdges.size()) > row;
}

// ---- fills -----------------------------------------------------------------------------------
const Rgb kPatternFg = Hex(0x1F3864), kPatternBg = Hex(0xFFFF00);

TEST(RenderFills, SolidAndGradientCellsShowTheirColourAtTheCentre) {
  const Image& page = Page("fills.xlsx", kGridlines);
  const Grid& g = GridOf("fills.xlsx");
  ASSERT_TRUE(GridReaches(g, 9, 8));
  const struct {
    int column, row;
    uint32_t rgb;
  } cases[] = {
      {2, 2, 0xFF0000},  // solid
      {4, 2, 0x00B050},  // gradient: its first stop
      {6, 6, 0x4472C4},  // solid
  };
  for (const auto& c : cases) {
    EXPECT_EQ(page.At(g.CentreX(c.column), g.CentreY(c.row)), Hex(c.rgb)) << "column " << c.column << " row " << c.row;
    // The fill's outline in its own colour covers the gridlines along its edges.
    EXPECT_EQ(page.At(g.Left(c.column), g.CentreY(c.row)), Hex(c.rgb)) << "left edge";
    EXPECT_EQ(page.At(g.Right(c.column), g.CentreY(c.row)), Hex(c.rgb)) << "right edge";
    EXPECT_EQ(page.At(g.CentreX(c.column), g.Top(c.row)), Hex(c.rgb)) << "top edge";
    EXPECT_EQ(page.At(g.CentreX(c.column), g.Bottom(c.row)), Hex(c.rgb)) << "bottom edge";
  }
}

// The pixels of a pattern cell's inside, each either the foreground or the background colour.
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
      if (c != kPatternFg && c != kPatternBg) h.onlyTwoColours = false;
    }
  }
  return h;
}

// Pixel rows (or columns) of the pattern that are all foreground.
std::vector<int> FullLines(const Hatch& h, bool rows) {
  std::vector<int> lines;
  const int n = rows ? h.y1 - h.y0 : h.x1 - h.x0, m = rows ? h.x1 - h.x0 : h.y1 - h.y0;
  for (int i = 0; i < n; ++i) {
    int count = 0;
    for (int k = 0; k < m; ++k) count += rows ? h.fg[i][k] : h.fg[k][i];
    if (count == m) lines.push_back(i);
  }
  return lines;
}

// Whether every foreground pixel continues along a diagonal: (+1, +1) when falling (top left to
// bottom right), (+1, -1) when rising; false when there is no foreground at all.
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

bool SpacedEvenly(const std::vector<int>& lines, int step) {
  if (lines.size() < 3) return false;
  for (size_t i = 1; i < lines.size(); ++i)
    if (lines[i] - lines[i - 1] != step) return false;
  return true;
}

TEST(RenderFills, PatternCellsDrawHatchLinesInTheForegroundOverTheBackground) {
  const Image& page = Page("fills.xlsx", kGridlines);
  const Grid& g = GridOf("fills.xlsx");
  ASSERT_TRUE(GridReaches(g, 9, 8));
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
    const std::vector<int> rows = FullLines(h, true), columns = FullLines(h, false);
    EXPECT_EQ(c.rows, SpacedEvenly(rows, step)) << rows.size() << " full rows";
    EXPECT_EQ(c.columns, SpacedEvenly(columns, step)) << columns.size() << " full columns";
    if (!c.rising) EXPECT_EQ(c.falling, ContinuesDiagonally(h, true));
    if (!c.falling) EXPECT_EQ(c.rising, ContinuesDiagonally(h, false));
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
  const Image& page = Page("fills.xlsx", kGridlines);
  const Grid& g = GridOf("fills.xlsx");
  ASSERT_TRUE(GridReaches(g, 9, 8));
  // B6:D7 is merged; "merged" sits at its top left, in B6.
  EXPECT_EQ(page.At(g.Right(2), g.CentreY(7)), kWhite) << "between B and C";
  EXPECT_EQ(page.At(g.Right(3), g.CentreY(6)), kWhite) << "between C and D";
  EXPECT_EQ(page.At(g.CentreX(3), g.Bottom(6)), kWhite) << "between rows 6 and 7";
  // Its outline stays, and the same lines are drawn in the unmerged row above.
  EXPECT_EQ(page.At(g.Left(2), g.CentreY(6)), kGrid);
  EXPECT_EQ(page.At(g.Right(4), g.CentreY(7)), kGrid);
  EXPECT_EQ(page.At(g.CentreX(3), g.Bottom(7)), kGrid);
  EXPECT_EQ(page.At(g.Right(2), g.CentreY(5)), kGrid);
  EXPECT_EQ(page.At(g.CentreX(3), g.Bottom(4)), kGrid);
}

TEST(RenderFills, SheetBackgroundColourFillsThePageUnderTheCells) {
  const Image& page = Page("background.xlsx", kGridlines);
  const Grid& g = GridOf("background.xlsx");
  ASSERT_TRUE(GridReaches(g, 8, 12));
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
  const int edge = side == kLeft ? g.Left(column) : side == kRight ? g.Right(column) : side == kTop ? g.Top(row)
                                                                                                     : g.Bottom(row);
  const int from = vertical ? g.Top(row) + 5 : g.Left(column) + 5, to = vertical ? g.Bottom(row) - 5 : g.Right(column) - 5;
  for (int d = -4; d <= 4; ++d)
    for (int k = from; k < to; ++k)
      if (page.Ink(vertical ? edge + d : k, vertical ? k : edge + d) > 300) {
        offsets.insert(d);
        break;
      }
  return offsets;
}

// On/off runs down the left side of a cell, on the pixel column `offset` from its edge, with the
// first and last run dropped (they may be cut by the corners).
std::vector<int> DashesDownLeftSide(const Image& page, const Grid& g, int column, int row, int offset) {
  std::vector<bool> on;
  for (int y = g.Top(row) + 2; y < g.Bottom(row) - 1; ++y) on.push_back(page.Ink(g.Left(column) + offset, y) > 300);
  std::vector<int> runs = Runs(on);
  if (runs.size() <= 2) return runs;
  return std::vector<int>(runs.begin() + 1, runs.end() - 1);
}

// Whether `runs` repeat `pattern` (on, off, on, off, ...) from some point of it.
bool FollowsPattern(const std::vector<int>& runs, const std::vector<int>& pattern) {
  if (pattern.empty()) return runs.size() == 1;
  if (runs.size() < pattern.size()) return false;
  // runs[0] is an "off" run after the dropped first "on" run: try the off positions of the pattern.
  for (size_t start = 1; start < pattern.size(); start += 2) {
    bool ok = true;
    for (size_t i = 0; i < runs.size() && ok; ++i) ok = runs[i] == pattern[(start + i) % pattern.size()];
    if (ok) return true;
  }
  return false;
}

std::string Join(const std::vector<int>& v) {
  std::string s;
  for (int x : v) s += (s.empty() ? "" : ",") + std::to_string(x);
  return s;
}

TEST(RenderBorders, EverySideLiesOnItsEdgeWithTheWeightAndDashesOfItsStyle) {
  const Image& page = Page("borders.xlsx", 0);
  const Grid& g = GridOf("borders.xlsx");
  ASSERT_TRUE(GridReaches(g, 9, 9));
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
    for (Side side : {kLeft, kTop, kRight, kBottom}) {
      std::set<int> ink = InkAcross(page, g, c.column, c.row, side);
      EXPECT_EQ(ink, c.weight) << "side " << side;
    }
    const int line = *c.weight.begin();
    const std::vector<int> runs = DashesDownLeftSide(page, g, c.column, c.row, line);
    EXPECT_TRUE(FollowsPattern(runs, c.dashes)) << "runs " << Join(runs);
  }
}

TEST(RenderBorders, SharedEdgeIsDrawnOnceByTheHeavierSide) {
  const Image& page = Page("borders.xlsx", 0);
  const Grid& g = GridOf("borders.xlsx");
  ASSERT_TRUE(GridReaches(g, 9, 9));
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
// Calibri 11 pt drawn by the host on a scratch page: where its ink lies relative to the pen.
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
  // First and last ink column of `text` drawn with its pen starting at x (any fraction), given
  // as offsets from floor(x).
  std::pair<int, int> InkFrom(const char16_t* text, double x) const {
    _BITMAPHANDLE bitmap{};
    VkCreateBitmap(&bitmap, sizeof bitmap, 1, 400, 40, 24, 1, nullptr, 1, nullptr, 0);
    VkSurface* surface = nullptr;
    VkCreateSurface(engine_, &bitmap, &surface);
    const double origin = 100 + (x - std::floor(x));
    VkDrawText(surface, font_, VK_RGB(0, 0, 0), text, -1, origin, 30, 0, 0, VK_TEXT_LEFT | VK_TEXT_BASELINE);
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

TEST(RenderText, GeneralNumbersEndAndTextStartsAQuarterDigitInsideTheCell) {
  const Image& page = Page("text.xlsx", kGridlines);
  const Grid& g = GridOf("text.xlsx");
  ASSERT_TRUE(GridReaches(g, 6, 10));
  TextReference ref;
  ASSERT_TRUE(ref.ok());
  ASSERT_DOUBLE_EQ(ref.Width(u"0"), 7.0);  // Calibri 11 pt at 96 dpi
  const double inset = ref.Width(u"00") / 8;  // a quarter of a digit
  // Column edges are whole pixels in this fixture; the gridline of an edge at x covers pixel x.
  const double numberStart = g.Right(2) - inset - ref.Width(u"12345");
  auto number = ref.InkFrom(u"12345", numberStart);
  const int base = static_cast<int>(std::floor(numberStart));
  EXPECT_EQ(LastInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(2) + 1, g.Bottom(2)), base + number.second);
  EXPECT_EQ(FirstInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(2) + 1, g.Bottom(2)), base + number.first);

  const double textStart = g.Left(2) + inset;
  auto text = ref.InkFrom(u"Text", textStart);
  EXPECT_EQ(FirstInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(3) + 1, g.Bottom(3)),
            static_cast<int>(std::floor(textStart)) + text.first);
}

TEST(RenderText, IndentOfTwoMovesTextRightBySixBlankWidths) {
  const Image& page = Page("text.xlsx", kGridlines);
  const Grid& g = GridOf("text.xlsx");
  ASSERT_TRUE(GridReaches(g, 6, 10));
  TextReference ref;
  ASSERT_TRUE(ref.ok());
  const double blank = ref.Width(u"0 0") - ref.Width(u"00");
  ASSERT_GT(blank, 1.0);
  const int plain = FirstInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(3) + 1, g.Bottom(3));
  const int indented = FirstInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(4) + 1, g.Bottom(4));
  ASSERT_GE(plain, 0);
  EXPECT_NEAR(indented - plain, 6 * blank, 0.51);
}

TEST(RenderText, BooleanWithoutAlignmentIsCentred) {
  const Image& page = Page("text.xlsx", kGridlines);
  const Grid& g = GridOf("text.xlsx");
  ASSERT_TRUE(GridReaches(g, 6, 10));
  const int first = FirstInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(10) + 1, g.Bottom(10));
  const int last = LastInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(10) + 1, g.Bottom(10));
  ASSERT_GE(first, 0);
  EXPECT_NEAR((first + last + 1) / 2.0, (g.Left(2) + g.Right(2)) / 2.0, 1.5);
}

TEST(RenderText, ShrinkToFitKeepsTheWholeTextInsideTheCell) {
  const Image& page = Page("text.xlsx", kGridlines);
  const Grid& g = GridOf("text.xlsx");
  ASSERT_TRUE(GridReaches(g, 6, 12));
  const int first = FirstInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(12) + 1, g.Bottom(12));
  const int last = LastInkColumn(page, g.Left(2) + 1, g.Right(2), g.Top(12) + 1, g.Bottom(12));
  ASSERT_GE(first, 0);
  // The text ends inside the right inset instead of being cut at the cell's edge, and it was
  // made smaller only as far as needed.
  EXPECT_LE(last, g.Right(2) - 2);
  EXPECT_GE(last - first, (g.Right(2) - g.Left(2)) * 3 / 4);
  EXPECT_EQ(FirstInkColumn(page, g.Right(2) + 1, g.Right(3), g.Top(12) + 1, g.Bottom(12)), -1) << "nothing spills";
  EXPECT_EQ(page.At(g.Right(2), g.Top(12) + 2), kGrid) << "the gridline after it stays";
}

TEST(RenderText, OverflowRunsOverEmptyNeighboursAndStopsAtTheNextFilledCell) {
  const Image& page = Page("text.xlsx", kGridlines);
  const Grid& g = GridOf("text.xlsx");
  ASSERT_TRUE(GridReaches(g, 6, 10));
  const int top = g.Top(6) + 1, bottom = g.Bottom(6);
  // B6's text reaches through C6 and D6 to the left edge of E6, whose own text is right-aligned.
  EXPECT_GE(FirstInkColumn(page, g.Left(3) + 1, g.Right(3), top, bottom), 0) << "C6";
  EXPECT_GE(LastInkColumn(page, g.Left(4) + 1, g.Right(4), top, bottom), g.Right(4) - 8) << "D6 to its end";
  EXPECT_EQ(FirstInkColumn(page, g.Left(5) + 1, g.Left(5) + 40, top, bottom), -1) << "E6's left part";
  EXPECT_GE(FirstInkColumn(page, g.Left(5) + 40, g.Right(5), top, bottom), 0) << "E6's own text";
  // Under the spilling text the gridlines between B, C and D are painted out; the one before E6
  // stays, as do the lines of the row below.
  const int aboveText = g.Top(6) + 2;
  EXPECT_EQ(page.At(g.Right(2), aboveText), kWhite);
  EXPECT_EQ(page.At(g.Right(3), aboveText), kWhite);
  EXPECT_EQ(page.At(g.Left(5), aboveText), kGrid);
  EXPECT_EQ(page.At(g.Right(2), g.Top(7) + 2), kGrid);
}

TEST(RenderText, ThreeWrappedLinesGrowTheirRowTo56Point25Pixels) {
  const Grid& g = GridOf("text.xlsx");
  ASSERT_TRUE(GridReaches(g, 6, 10));
  // Rows 1-7 keep 20 px; row 8 holds three lines of 15 px text: 3 x 15 x 1.25 = 56.25 px, and
  // the rows below move down by 36.25 px.
  EXPECT_EQ(g.Top(8), 140);
  EXPECT_EQ(g.Top(9), 196);   // 196.25
  EXPECT_EQ(g.Top(10), 216);  // 216.25
  EXPECT_EQ(g.Top(11), 236);
  const Image& page = Page("text.xlsx", kGridlines);
  // Three lines of ink inside the grown row.
  std::vector<bool> inked;
  for (int y = g.Top(8) + 1; y < g.Top(9); ++y)
    inked.push_back(FirstInkColumn(page, g.Left(2) + 1, g.Right(2), y, y + 1) >= 0);
  const std::vector<int> runs = Runs(inked);
  EXPECT_GE(runs.size(), 5u) << "three bands of ink with two gaps";
}

}  // namespace
