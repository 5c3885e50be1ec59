// Pixel probes on conditional formats (tests/fixtures/render/condformats.xlsx, written by
// tests/fixtures/make_condfmt_fixtures.py): rule fills by priority, colour-scale end and middle
// colours, data-bar lengths, icon colours and hidden values; and a hostile sheet of 100,000 rules.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kGridlines = 0x40;

const Image& Rules() {
  static Image page;
  static bool done = false;
  if (!done) {
    int32_t code = 0;
    EXPECT_TRUE(RenderPage(FixturePath("condformats.xlsx"), kGridlines, &page, &code)) << code;
    done = true;
  }
  return page;
}

const Grid& RulesGrid() {
  static Grid g = FindGrid(Rules());
  return g;
}

// A colour by its strongest channels: 'r', 'y', 'g', 'b', 'k' dark, 'w' white, '?' other.
char Hue(const Rgb& c) {
  if (c.r > 230 && c.g > 230 && c.b > 230) return 'w';
  if (c.r < 90 && c.g < 90 && c.b < 90) return 'k';
  if (c.r > 180 && c.g > 150 && c.b < 90) return 'y';
  if (c.r > 170 && c.g < 110 && c.b < 110) return 'r';
  if (c.g > 140 && c.r < 110 && c.b < 130) return 'g';
  if (c.b > 170 && c.r < 110 && c.g < 130) return 'b';
  return '?';
}

// Column letter to number (B = 2).
int Col(char letter) { return letter - 'A' + 1; }

TEST(CondFormatRules, FillsFollowTheRulesAndTheirPriority) {
  const Image& page = Rules();
  const Grid& g = RulesGrid();
  ASSERT_TRUE(g.Reaches(Col('O'), 12));
  // Column, row (value row - 1), expected hue of the fill near the cell's top-left corner.
  const struct {
    char column;
    int row;
    char hue;
  } probes[] = {
      {'B', 7, 'w'}, {'B', 8, 'g'}, {'B', 9, 'g'}, {'B', 10, 'r'}, {'B', 11, 'r'}, {'B', 12, 'r'},  // >= 9 wins
      {'I', 2, 'w'}, {'I', 3, 'r'}, {'I', 5, 'r'}, {'I', 12, 'r'}, {'I', 4, 'w'},  // contains "an", any case
      {'J', 2, 'g'}, {'J', 3, 'g'}, {'J', 4, 'w'}, {'J', 9, 'w'}, {'J', 10, 'r'}, {'J', 12, 'r'},  // bottom 20 %, top 3
      {'K', 2, 'w'}, {'K', 12, 'b'},                                 // the one unique value
      {'L', 7, 'w'}, {'L', 8, 'r'}, {'L', 12, 'r'},                  // above the mean of 6
      {'M', 6, 'w'}, {'M', 7, 'r'}, {'M', 12, 'r'},                  // $B2*2 > $M$12 shifted per row
      {'O', 3, 'r'}, {'O', 5, 'g'}, {'O', 2, 'g'}, {'O', 6, 'g'},    // an error, blank texts, cells not stored
  };
  for (const auto& p : probes) {
    const Rgb c = page.At(g.Left(Col(p.column)) + 4, g.Top(p.row) + 4);
    EXPECT_EQ(Hue(c), p.hue) << p.column << p.row << " " << c;
  }
}

TEST(CondFormatScales, EndsAndMiddlesTakeTheirColours) {
  const Image& page = Rules();
  const Grid& g = RulesGrid();
  auto at = [&](char column, int row) { return page.At(g.Left(Col(column)) + 4, g.Top(row) + 4); };
  EXPECT_EQ(at('C', 2), Hex(0x0000FF));
  EXPECT_EQ(at('C', 12), Hex(0xFF0000));
  // Value 6 lies halfway between 1 and 11.
  const Rgb mid = at('C', 7);
  EXPECT_NEAR(mid.r, 128, 2);
  EXPECT_NEAR(mid.b, 127, 2);
  EXPECT_EQ(at('D', 2), Hex(0xFF0000));
  EXPECT_EQ(at('D', 7), Hex(0xFFFF00));  // the median point
  EXPECT_EQ(at('D', 12), Hex(0x00FF00));
  const Rgb quarter = at('D', 4);  // 3 of 1..6: 40 % of the way from red to yellow
  EXPECT_EQ(quarter.r, 255);
  EXPECT_NEAR(quarter.g, 102, 2);
}

// Right end of the bar drawn in `colour` along the middle of a cell, relative to its left edge.
int BarLength(const Image& page, const Grid& g, char column, int row, const Rgb& colour) {
  const int y = g.CentreY(row) - 6, left = g.Left(Col(column));
  int last = -1;
  for (int x = left + 1; x < g.Right(Col(column)); ++x)
    if (page.At(x, y) == colour) last = x;
  return last < 0 ? 0 : last - left;
}

TEST(CondFormatDataBars, LengthsFollowTheValues) {
  const Image& page = Rules();
  const Grid& g = RulesGrid();
  const double width = g.Right(Col('E')) - g.Left(Col('E')) - 4;
  // Current look, automatic minimum 0: the length is value / 11 of the inner width.
  for (int row = 2; row <= 12; ++row)
    EXPECT_NEAR(BarLength(page, g, 'E', row, Hex(0x0000FF)), 2 + width * (row - 1) / 11, 2.0) << "E" << row;
  // 2007 look: from 10 % for the lowest value to 90 % for the highest, fading from the colour.
  const Rgb start = page.At(g.Left(Col('F')) + 3, g.CentreY(12) - 6);
  EXPECT_NEAR(start.r, 0, 25);
  EXPECT_NEAR(start.g, 176, 25);
  EXPECT_NEAR(start.b, 80, 25);
  auto reach = [&](int row) {
    const int y = g.CentreY(row) - 6;
    return LastInkColumn(page, g.Left(Col('F')) + 1, g.Right(Col('F')), y, y + 1, 250) - g.Left(Col('F'));
  };
  // The faded tip reads as white for a few pixels: compare the lengths with each other.
  EXPECT_NEAR(reach(2), 2 + width * 0.1, 3);
  EXPECT_NEAR(reach(12) - reach(2), 2 * (reach(7) - reach(2)), 4);
  EXPECT_NEAR(reach(12), 2 + width * 0.9, 7);
}

TEST(CondFormatIcons, ColoursPositionsAndHiddenValues) {
  const Image& page = Rules();
  const Grid& g = RulesGrid();
  auto icon = [&](char column, int row) { return page.At(g.Left(Col(column)) + 10, g.Bottom(row) - 9); };
  // Traffic lights at 33 / 67 percent; reversed arrows put green on the low values.
  const struct {
    char column;
    int row;
    char hue;
  } icons[] = {{'G', 2, 'r'}, {'G', 5, 'r'}, {'G', 6, 'y'}, {'G', 8, 'y'}, {'G', 9, 'g'}, {'G', 12, 'g'},
               {'H', 2, 'g'}, {'H', 7, 'y'}, {'H', 12, 'r'}, {'N', 2, 'w'}, {'N', 12, 'k'}};
  for (const auto& p : icons) EXPECT_EQ(Hue(icon(p.column, p.row)), p.hue) << p.column << p.row << " " << icon(p.column, p.row);
  // G shows its values at the right; H and the 2007 bars of F show none.
  for (int row : {2, 12}) {
    const int y0 = g.Top(row) + 3, y1 = g.Bottom(row) - 2;
    const int mid = g.CentreX(Col('G'));
    EXPECT_GE(FirstInkColumn(page, mid, g.Right(Col('G')) - 1, y0, y1, 100), 0) << "G" << row;
    EXPECT_EQ(FirstInkColumn(page, g.CentreX(Col('H')), g.Right(Col('H')) - 1, y0, y1, 100), -1) << "H" << row;
    EXPECT_EQ(FirstInkColumn(page, g.Right(Col('F')) - 12, g.Right(Col('F')) - 1, y0, y1, 100), -1) << "F" << row;
  }
}

TEST(CondFormatHostile, HundredThousandRulesOverTheWholeSheetStayQuick) {
  Image page;
  int32_t code = 0;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(RenderPage(FixturePath("condformats_hostile.xlsx"), kGridlines, &page, &code)) << code;
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
  // The first rule (> 0) holds for every value; the formulas that cannot be computed add nothing.
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(2, 60));
  for (int row : {2, 40, 60}) EXPECT_EQ(page.At(g.Left(2) + 3, g.Top(row) + 3), Hex(0xFF0000)) << row;
}

// Gradient fills of differential formats, and rules that hold for cells the sheet does not store
// (tests/fixtures/render/condformats_gradients.xlsx).
TEST(CondFormatRules, GradientFillsAndEmptyCellsThatAreNotStored) {
  Image page;
  int32_t code = 0;
  ASSERT_TRUE(RenderPage(FixturePath("condformats_gradients.xlsx"), kGridlines, &page, &code)) << code;
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(Col('H'), 12));
  // Column, row, where in the cell (l/r/t/b edge, c centre, k top-left corner), expected hue.
  const struct {
    char column;
    int row;
    char where, hue;
  } probes[] = {
      {'B', 7, 'l', 'r'}, {'B', 7, 'r', 'b'}, {'B', 3, 'l', 'w'},   // left to right, only above 5
      {'C', 9, 't', 'r'}, {'C', 9, 'b', 'b'}, {'C', 9, 'l', '?'},   // top to bottom
      {'D', 8, 'c', 'w'}, {'D', 8, 'k', 'g'}, {'D', 4, 'k', 'w'},   // from the centre out
      {'E', 2, 'k', 'g'}, {'E', 3, 'k', 'w'}, {'E', 4, 'k', 'g'}, {'E', 5, 'k', 'w'}, {'E', 12, 'k', 'g'},
      {'F', 2, 'k', 'w'}, {'F', 3, 'k', 'r'}, {'G', 2, 'k', 'b'}, {'G', 4, 'k', 'w'}, {'G', 12, 'k', 'b'},
      {'H', 9, 'k', 'w'}, {'H', 10, 'k', 'r'},
  };
  for (const auto& p : probes) {
    const int left = g.Left(Col(p.column)), right = g.Right(Col(p.column)), top = g.Top(p.row), bottom = g.Top(p.row + 1);
    const int x = p.where == 'l' || p.where == 'k' ? left + 3 : p.where == 'r' ? right - 3 : (left + right) / 2;
    const int y = p.where == 't' || p.where == 'k' ? top + 3 : p.where == 'b' ? bottom - 3 : (top + bottom) / 2;
    EXPECT_EQ(Hue(page.At(x, y)), p.hue) << p.column << p.row << p.where << " " << page.At(x, y);
  }
}

}  // namespace
