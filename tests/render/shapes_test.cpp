// Pixel probes on the shape fixture (tests/fixtures/render/shapes.xlsx) drawn at 96 dpi: fills,
// a gradient, flips and turns, a line end, a group's child frame, text anchoring, cell-linked
// text, a pattern, a theme style reference, a shadow, a custom geometry and a picture fill; and
// the gallery of every preset shape against its golden page.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "tests/render/rendertestutil.h"

using namespace rendertest;

namespace {

constexpr uint32_t kGridlines = 0x40;

const Image& Page(int page) {
  static std::map<int, Image> pages;
  auto it = pages.find(page);
  if (it == pages.end()) {
    Image image;
    int32_t code = 0;
    EXPECT_TRUE(RenderPage(FixturePath("shapes.xlsx"), kGridlines, &image, &code, page)) << "code " << code;
    it = pages.emplace(page, std::move(image)).first;
  }
  return it->second;
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Where to look: a cell (1-based), a corner or edge of it, and a nudge in pixels.
enum Place { kCentre, kTopLeft, kTopRight, kBottomLeft, kBottomRight };
struct Probe {
  const char* what;
  int column, row;
  Place place;
  int dx, dy;
  Rgb expected;
  int tolerance;
};

int X(const Grid& g, const Probe& p) {
  const int x = p.place == kCentre ? g.CentreX(p.column)
                : (p.place == kTopLeft || p.place == kBottomLeft) ? g.Left(p.column) : g.Right(p.column);
  return x + p.dx;
}
int Y(const Grid& g, const Probe& p) {
  const int y = p.place == kCentre ? g.CentreY(p.row)
                : (p.place == kTopLeft || p.place == kTopRight) ? g.Top(p.row) : g.Bottom(p.row);
  return y + p.dy;
}

}  // namespace

TEST(RenderShapes, ProbesLandWhereFillsTransformsAndEffectsPutThem) {
  const Image& page = Page(3);
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(11, 42));
  const Rgb kRed = Hex(0xFF0000), kBlue = Hex(0x0000FF), kBlack{0, 0, 0};
  const Probe probes[] = {
      {"solid fill", 3, 3, kCentre, 0, 0, kRed, 2},
      {"gradient start", 6, 3, kTopLeft, 4, 0, kRed, 24},
      {"gradient middle", 9, 3, kTopLeft, 0, 0, Hex(0x800080), 24},
      {"gradient end", 11, 3, kTopRight, -4, 0, kBlue, 24},
      {"flipped right angle now top right", 4, 8, kTopRight, -4, 4, Hex(0x00B050), 2},
      {"flipped: top left empty", 2, 8, kTopLeft, 6, 6, kWhite, 0},
      {"half-turned triangle: top left filled", 6, 8, kTopLeft, 6, 4, Hex(0x0070C0), 2},
      {"half-turned triangle: bottom left empty", 6, 13, kBottomLeft, 6, -6, kWhite, 0},
      {"connector line", 4, 16, kCentre, 0, 0, kBlack, 40},
      {"beside the line", 4, 16, kCentre, 0, -7, kWhite, 0},
      {"arrowhead is wider than the line", 7, 16, kCentre, 17, -5, kBlack, 40},
      {"group member in the left half", 3, 21, kCentre, 0, 0, Hex(0x7030A0), 2},
      {"group's right half empty", 8, 21, kCentre, 0, 0, kWhite, 0},
      {"style fill reference", 3, 39, kCentre, 0, 0, Hex(0x00FF00), 2},
      {"shadowed shape", 7, 39, kCentre, 0, 0, Hex(0xFFC000), 2},
      {"shadow below right", 8, 42, kBottomRight, 8, 8, kBlack, 8},
      {"no shadow above", 8, 37, kTopRight, 8, -4, kWhite, 0},
      {"custom geometry bottom left", 9, 13, kBottomLeft, 5, -5, Hex(0xC00000), 2},
      {"custom geometry top right empty", 11, 8, kTopRight, -6, 6, kWhite, 0},
      {"picture fill, top left quadrant", 10, 38, kCentre, 0, 0, kRed, 8},
      {"picture fill, bottom right quadrant", 11, 41, kCentre, 0, 0, Hex(0xFFFF00), 8},
      {"picture clipped to the ellipse", 10, 37, kTopLeft, 3, 3, kWhite, 0},
  };
  for (const Probe& p : probes) {
    const Rgb c = page.At(X(g, p), Y(g, p));
    EXPECT_TRUE(Near(c, p.expected, p.tolerance) || (p.expected == kWhite && c == kGrid))
        << p.what << ": " << c << " at " << X(g, p) << "," << Y(g, p);
  }
}

TEST(RenderShapes, PatternShowsBothColoursAndTextSitsAtTheBottom) {
  const Image& page = Page(3);
  const Grid g = FindGrid(page);
  ASSERT_TRUE(g.Reaches(11, 34));
  int yellow = 0, dark = 0;
  for (int y = g.Top(28); y < g.Bottom(33); ++y) {
    const Rgb c = page.At(g.CentreX(3), y);
    yellow += Near(c, Hex(0xFFFF00), 40);
    dark += c.r + c.g + c.b < 200;
  }
  EXPECT_GT(yellow, 10);
  EXPECT_GT(dark, 5);
  // The text box's text (centred, anchored at the bottom) inks its last rows, not its first.
  const int left = g.Left(6) + 2, right = g.Right(11) - 2;
  EXPECT_GE(FirstInkColumn(page, left, right, g.Top(33), g.Bottom(34), 120), g.Left(7));
  EXPECT_LE(LastInkColumn(page, left, right, g.Top(33), g.Bottom(34), 120), g.Right(10));
  EXPECT_EQ(FirstInkColumn(page, left, right, g.Top(27) + 2, g.Bottom(31) - 2, 120), -1);
  // The shape linked to J30 shows that cell's text at its top left; the cell itself is covered.
  const int linked = FirstInkColumn(page, g.Left(10) + 2, g.Right(11) - 2, g.Top(20) + 2, g.Bottom(21), 120);
  EXPECT_GE(linked, g.Left(10));
  EXPECT_LT(linked, g.CentreX(10));
  EXPECT_EQ(FirstInkColumn(page, g.Left(10) + 2, g.Right(11) - 2, g.Top(23), g.Bottom(24) - 2, 120), -1);
}

TEST(RenderShapes, GalleryOfEveryPresetMatchesItsGolden) {
  const Image& page = Page(1);
  ASSERT_GT(page.width, 0u);
  const std::string diff = CompareWithGolden(page, "shapes_gallery");
  EXPECT_TRUE(diff.empty()) << diff;
}
