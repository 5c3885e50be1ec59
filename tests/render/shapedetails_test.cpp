// Pixel probes on tests/fixtures/render/shapedetails.xlsx (landscape, gridlines, 96 dpi): line
// caps, corner joins and compound lines; group fills, list styles, anchorCtr, vertical text and
// blurred shadows; and the three pages against their goldens (the warps are judged there).
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

const Image& Page(int page) {
  static std::map<int, Image> pages;
  auto it = pages.find(page);
  if (it == pages.end()) {
    Image image;
    int32_t code = 0;
    EXPECT_TRUE(RenderPage(FixturePath("shapedetails.xlsx"), 0x40, &image, &code, page)) << "code " << code;
    it = pages.emplace(page, std::move(image)).first;
  }
  return it->second;
}

// A pixel `dx`, `dy` from a cell point: the left or right edge or the centre (x), the top or the
// centre (y) of a 1-based cell.
enum Edge { kLeft, kCentre, kRight, kTop };
struct Probe {
  const char* what;
  int column, row;
  Edge ex, ey;
  int dx, dy;
  Rgb expected;
  int tolerance;
};

void Check(const Image& page, const Probe* probes, size_t count) {
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(13, 33));
  for (size_t i = 0; i < count; ++i) {
    const Probe& p = probes[i];
    const int x = (p.ex == kLeft ? g.Left(p.column) : p.ex == kRight ? g.Right(p.column) : g.CentreX(p.column)) + p.dx;
    const int y = (p.ey == kTop ? g.Top(p.row) : g.CentreY(p.row)) + p.dy;
    const Rgb c = page.At(x, y);
    const bool near = std::abs(c.r - p.expected.r) <= p.tolerance && std::abs(c.g - p.expected.g) <= p.tolerance &&
                      std::abs(c.b - p.expected.b) <= p.tolerance;
    EXPECT_TRUE(near || (p.expected == kWhite && c == kGrid)) << p.what << ": " << c << " at " << x << "," << y;
  }
}

const Rgb kBlack{0, 0, 0};

}  // namespace

TEST(RenderShapeDetails, CapsJoinsAndCompoundLines) {
  const Rgb kRed = Hex(0xC00000), kBlue = Hex(0x1F4E79), kFill = Hex(0xFFF2CC);
  const Probe probes[] = {
      {"flat cap ends at the line's end", 3, 2, kRight, kCentre, 4, 0, kWhite, 0},
      {"round cap reaches past it", 3, 5, kRight, kCentre, 4, 0, kRed, 40},
      {"square cap reaches past it", 3, 8, kRight, kCentre, 4, -5, kRed, 40},
      {"round cap is round", 3, 5, kRight, kCentre, 7, -7, kWhite, 0},
      {"round join: round above the apex", 6, 3, kRight, kTop, 0, -5, kBlue, 60},
      {"round join: no point beyond", 6, 3, kRight, kTop, 0, -12, kWhite, 0},
      {"bevel join: cut off above the apex", 8, 3, kRight, kTop, 0, -6, kWhite, 0},
      {"mitre join: its point reaches far", 10, 3, kRight, kTop, 0, -12, kBlue, 60},
      {"mitre over its limit is bevelled", 12, 3, kRight, kTop, 0, -6, kWhite, 0},
      {"single line across its path", 2, 14, kLeft, kCentre, 1, 0, kBlack, 40},
      {"double: outer line", 4, 14, kLeft, kCentre, -5, 0, kBlack, 40},
      {"double: gap on the path", 4, 14, kLeft, kCentre, 1, 0, kFill, 12},
      {"double: inner line", 4, 14, kLeft, kCentre, 5, 0, kBlack, 40},
      {"thick-thin: thick outside reaches the path", 6, 14, kLeft, kCentre, -2, 0, kBlack, 40},
      {"thick-thin: gap inside", 6, 14, kLeft, kCentre, 3, 0, kFill, 12},
      {"thin-thick: gap outside", 8, 14, kLeft, kCentre, -3, 0, kWhite, 40},
      {"thin-thick: thick inside", 8, 14, kLeft, kCentre, 3, 0, kBlack, 40},
      {"triple: middle on the path", 10, 14, kLeft, kCentre, 0, 0, kBlack, 40},
      {"triple: gap outside the middle", 10, 14, kLeft, kCentre, -4, 0, kWhite, 0},
      {"triple: gap inside the middle", 10, 14, kLeft, kCentre, 4, 0, kFill, 12},
  };
  Check(Page(1), probes, sizeof probes / sizeof probes[0]);
}

TEST(RenderShapeDetails, GroupFillsVerticalTextAndBlurredShadows) {
  const Image& page = Page(2);
  const Rgb kOrange = Hex(0xFFC000);
  const Probe probes[] = {
      {"rectangle takes the group's fill", 2, 5, kLeft, kCentre, 50, 0, kOrange, 2},
      {"ellipse takes the group's fill", 4, 5, kLeft, kCentre, 55, 0, kOrange, 2},
      {"triangle keeps its own", 6, 8, kLeft, kCentre, 57, 0, Hex(0x00B050), 2},
      {"blurred shadow fades out above the shape", 9, 26, kLeft, kTop, 30, -3, Hex(0xBDBDBD), 60},
      {"nothing further out", 9, 26, kLeft, kTop, 30, -14, kWhite, 0},
      {"shadow is dark below right", 10, 31, kRight, kTop, -20, 22, Hex(0x555555), 60},
  };
  Check(page, probes, sizeof probes / sizeof probes[0]);
  const Grid g = FindGrid(page);
  // anchorCtr: the left-aligned lines' block sits in the middle of the box.
  const int first = FirstInkColumn(page, g.Left(2) + 3, g.Right(7) - 3, g.Top(13), g.Bottom(18), 120);
  const int last = LastInkColumn(page, g.Left(2) + 3, g.Right(7) - 3, g.Top(13), g.Bottom(18), 120);
  EXPECT_NEAR((first + last) / 2.0, (g.Left(2) + g.Right(7)) / 2.0, 12);
  // The level-2 paragraphs start with their list style's bullet: ink left of the text's margin.
  EXPECT_LT(FirstInkColumn(page, g.Left(9) + 3, g.Right(13) - 3, g.Top(3) + 10, g.Bottom(4), 120), g.Left(9) + 26);
  // Stacked columns start at the left (left to right) or at the right (right to left);
  // Mongolian lines start at the left, plain vertical ones at the right.
  const struct {
    const char* what;
    int column;
    int row;
    bool fromLeft;
  } stacks[] = {{"stacked", 9, 12, true}, {"stacked right to left", 11, 12, false},
                {"East Asian", 2, 22, false}, {"Mongolian", 4, 22, true}, {"vert", 6, 22, false}};
  for (const auto& s : stacks) {
    const int x0 = g.Left(s.column) + 3, x1 = g.Right(s.column + 1) - 3, mid = (x0 + x1) / 2;
    const int ink = s.fromLeft ? FirstInkColumn(page, x0, x1, g.Top(s.row) + 3, g.Bottom(s.row + 2), 120)
                               : LastInkColumn(page, x0, x1, g.Top(s.row) + 3, g.Bottom(s.row + 2), 120);
    ASSERT_GE(ink, 0) << s.what;
    EXPECT_TRUE(s.fromLeft ? ink < mid - 20 : ink > mid + 20) << s.what << ": ink at " << ink;
  }
}

TEST(RenderShapeDetails, PagesMatchTheirGoldens) {
  for (int page = 1; page <= 3; ++page) {
    SCOPED_TRACE(page);
    const std::string diff = CompareWithGolden(Page(page), "shapedetails-" + std::to_string(page));
    EXPECT_TRUE(diff.empty()) << diff;
  }
  if (UpdatingGoldens()) GTEST_SKIP() << "goldens written; look at them before committing";
}
