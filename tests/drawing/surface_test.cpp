// Pixel probes of the drawing surface: fills, lines, dashes, hatches, clips, transforms, shapes,
// paths and pictures.
#include <cmath>
#include <cstring>
#include <functional>
#include <vector>
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

TEST(SurfaceFill, RectangleCoversExactlyItsPixels) {
  struct Case {
    double x, y, w, h;
    bool smooth;
    int left, top, right, bottom;  // painted pixels, inclusive
  } cases[] = {
      {10, 10, 20, 10, true, 10, 10, 29, 19},
      {10, 10, 20, 10, false, 10, 10, 29, 19},
      {10.4, 10.6, 20, 10, false, 10, 11, 29, 20},  // pixel centres inside the rectangle
      {30, 20, -20, -10, false, 10, 10, 29, 19},    // negative sizes grow left and up
  };
  for (const Case& c : cases) {
    Canvas cv(40, 30);
    Brush red = MakeBrush(kRed);
    VkSetLineSmoothing(cv.s, c.smooth);
    ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, red, c.x, c.y, c.w, c.h));
    cv.End();
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        bool inside = x >= c.left && x <= c.right && y >= c.top && y <= c.bottom;
        ASSERT_EQ(inside ? kRedPx : kWhitePx, cv.At(x, y)) << "rect " << c.x << "," << c.y << " at " << x << "," << y;
      }
  }
}

// Rows painted by a horizontal line (and columns by a vertical one) of a given width.
TEST(SurfaceLine, LandsOnExpectedPixelRows) {
  struct Case {
    double at, width;
    std::vector<int> rows;
  } cases[] = {
      {20, 1, {20}}, {20.4, 1, {20}}, {20.6, 1, {21}}, {20, 2, {19, 20}}, {20, 3, {19, 20, 21}}, {20, 0, {20}},
  };
  for (const Case& c : cases) {
    for (bool vertical : {false, true}) {
      Canvas cv(60, 60);
      Pen pen = MakePen(kBlack, c.width);
      if (vertical) ASSERT_EQ(1, VkDrawLine(cv.s, pen, c.at, 10, c.at, 50));
      else ASSERT_EQ(1, VkDrawLine(cv.s, pen, 10, c.at, 50, c.at));
      cv.End();
      for (int i = 0; i < 60; ++i) {
        bool on = std::find(c.rows.begin(), c.rows.end(), i) != c.rows.end();
        Rgb px = vertical ? cv.At(i, 30) : cv.At(30, i);
        ASSERT_EQ(on ? kBlackPx : kWhitePx, px) << "line at " << c.at << " width " << c.width << " index " << i
                                                << (vertical ? " vertical" : " horizontal");
      }
      // The line runs from its first point up to, not including, its last.
      Rgb first = vertical ? cv.At(c.rows[0], 10) : cv.At(10, c.rows[0]);
      Rgb past = vertical ? cv.At(c.rows[0], 50) : cv.At(50, c.rows[0]);
      EXPECT_EQ(kBlackPx, first);
      EXPECT_EQ(kWhitePx, past);
    }
  }
}

std::string Rhythm(const Canvas& cv, int y, int length) {
  std::string s;
  for (int x = 0; x < length; ++x) s.push_back(cv.At(x, y) == kBlackPx ? '#' : cv.At(x, y) == kWhitePx ? '.' : '?');
  return s;
}

TEST(SurfaceLine, DashStylesKeepTheirRhythm) {
  struct Case {
    int32_t style;
    double width;
    std::vector<double> dashes;
    const char* rhythm;
  } cases[] = {
      {VK_PEN_SOLID, 1, {}, "################"},
      {VK_PEN_DASH, 1, {}, "###.###.###.###."},
      {VK_PEN_DOT, 1, {}, "#.#.#.#.#.#.#.#."},
      {VK_PEN_DASHDOT, 1, {}, "###.#.###.#.###."},
      {VK_PEN_DASHDOTDOT, 1, {}, "###.#.#.###.#.#."},
      {VK_PEN_DASH, 2, {}, "######..######.."},
      {VK_PEN_CUSTOM, 1, {5, 2}, "#####..#####..##"},
      {VK_PEN_CUSTOM, 1, {2, 1, 1}, "##.#..#.##.#..#."},  // an odd count repeats on/off swapped
  };
  for (const Case& c : cases) {
    Canvas cv(40, 20);
    Pen pen;
    ASSERT_EQ(1, VkCreatePen(kBlack, c.width, c.style, c.dashes.data(), static_cast<int32_t>(c.dashes.size()), pen.out()));
    ASSERT_EQ(1, VkDrawLine(cv.s, pen, 0, 5, 40, 5));
    cv.End();
    EXPECT_EQ(c.rhythm, Rhythm(cv, 5, 16)) << "style " << c.style << " width " << c.width;
  }
}

// Each hatch style paints its lines in its own direction, foreground over background, in tiles
// of 8 pixels at 96 dpi and 16 pixels (lines 2 thick) at 192 dpi.
TEST(SurfaceHatch, EachStyleDrawsItsDirection) {
  struct Case {
    int32_t style;
    std::function<bool(int, int, int, int)> on;  // x, y, cell, line
  } cases[] = {
      {VK_HATCH_HORIZONTAL, [](int, int y, int c, int t) { return y % c < t; }},
      {VK_HATCH_VERTICAL, [](int x, int, int c, int t) { return x % c < t; }},
      {VK_HATCH_CROSS, [](int x, int y, int c, int t) { return x % c < t || y % c < t; }},
      {VK_HATCH_FALLING, [](int x, int y, int c, int t) { return ((y - x) % c + c) % c < t; }},
      {VK_HATCH_RISING, [](int x, int y, int c, int t) { return ((x + y - (c - 1)) % c + c) % c < t; }},
      {VK_HATCH_DIAGCROSS,
       [](int x, int y, int c, int t) {
         return ((y - x) % c + c) % c < t || ((x + y - (c - 1)) % c + c) % c < t;
       }},
  };
  for (uint32_t dpi : {96u, 192u}) {
    const int cell = dpi == 96 ? 8 : 16, line = dpi == 96 ? 1 : 2;
    for (const Case& c : cases) {
      Canvas cv(48, 48, 24, dpi);
      Brush hatch;
      ASSERT_EQ(1, VkCreateHatchBrush(c.style, kBlue, kRed, hatch.out()));
      ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, hatch, 0, 0, 48, 48));
      cv.End();
      for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x)
          ASSERT_EQ(c.on(x, y, cell, line) ? kBluePx : kRedPx, cv.At(x, y))
              << "style " << c.style << " dpi " << dpi << " at " << x << "," << y;
    }
  }
}

TEST(SurfaceClip, RectangleStopsPaintAndRestoreLetsItThrough) {
  Canvas cv(60, 60);
  Brush red = MakeBrush(kRed), blue = MakeBrush(kBlue);
  int32_t outer = -1, inner = -1;
  ASSERT_EQ(1, VkClipRect(cv.s, 10, 10, 50, 50, &outer));
  // A clip made under a transform keeps its place when the transform changes before restoring.
  ASSERT_EQ(1, VkTranslateTransform(cv.s, 5, 5));
  ASSERT_EQ(1, VkClipRect(cv.s, 0, 0, 20, 20, &inner));  // pixels 5..24 on the page
  ASSERT_EQ(1, VkTranslateTransform(cv.s, 100, 100));
  ASSERT_EQ(1, VkRestoreClip(cv.s, inner));
  const double identity[6] = {1, 0, 0, 1, 0, 0};
  ASSERT_EQ(1, VkSetTransform(cv.s, identity));
  ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, red, 0, 0, 60, 60));
  ASSERT_EQ(1, VkRestoreClip(cv.s, outer));
  ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, blue, 0, 55, 60, 5));
  cv.End();
  EXPECT_EQ(kWhitePx, cv.At(9, 30));
  EXPECT_EQ(kRedPx, cv.At(10, 30));
  EXPECT_EQ(kRedPx, cv.At(49, 49));
  EXPECT_EQ(kWhitePx, cv.At(50, 30));
  EXPECT_EQ(kWhitePx, cv.At(30, 9));
  EXPECT_EQ(kBluePx, cv.At(5, 57));  // after the restore paint reaches everywhere
  EXPECT_EQ(kBluePx, cv.At(55, 57));
  EXPECT_EQ(-13, VkRestoreClip(cv.s, 5));
}

TEST(SurfaceClip, PathClipsToItsFigure) {
  Canvas cv(40, 40);
  Path tri;
  ASSERT_EQ(1, VkCreatePath(tri.out()));
  VkPathMoveTo(tri, 0, 0);
  VkPathLineTo(tri, 40, 0);
  VkPathLineTo(tri, 0, 40);
  VkPathClose(tri);
  Brush red = MakeBrush(kRed);
  int32_t saved = -1;
  ASSERT_EQ(1, VkClipPath(cv.s, tri, &saved));
  ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, red, 0, 0, 40, 40));
  ASSERT_EQ(1, VkRestoreClip(cv.s, saved));
  cv.End();
  EXPECT_EQ(kRedPx, cv.At(5, 5));
  EXPECT_EQ(kWhitePx, cv.At(35, 35));
  EXPECT_EQ(kWhitePx, cv.At(25, 25));
}

TEST(SurfaceTransform, RotationMovesRectangleWhereTheMathsSays) {
  Canvas cv(100, 100);
  VkSetLineSmoothing(cv.s, 0);
  ASSERT_EQ(1, VkTranslateTransform(cv.s, 50, 50));
  ASSERT_EQ(1, VkRotateTransform(cv.s, 90));
  double m[6];
  ASSERT_EQ(1, VkGetTransform(cv.s, m));
  const double expected[6] = {0, 1, -1, 0, 50, 50};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(expected[i], m[i], 1e-12) << i;
  // (x, y) -> (50 - y, 50 + x): the 20 x 10 rectangle lands on x 40..49, y 50..69.
  Brush red = MakeBrush(kRed);
  ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, red, 0, 0, 20, 10));
  ASSERT_EQ(1, VkScaleTransform(cv.s, 2, 2));  // then scaled: the unit square at (1, -10) covers 68..69 x 52..53
  ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, red, 1, -10, 1, 1));
  cv.End();
  EXPECT_EQ(kRedPx, cv.At(40, 50));
  EXPECT_EQ(kRedPx, cv.At(49, 69));
  EXPECT_EQ(kWhitePx, cv.At(50, 60));
  EXPECT_EQ(kWhitePx, cv.At(45, 70));
  EXPECT_EQ(kWhitePx, cv.At(39, 60));
  EXPECT_EQ(kRedPx, cv.At(69, 53));
  EXPECT_EQ(kWhitePx, cv.At(71, 53));
  const double singular[6] = {1, 1, 1, 1, 0, 0};
  EXPECT_EQ(-13, VkSetTransform(cv.s, singular));
}

TEST(SurfaceShapes, FillsAndOutlines) {
  Canvas cv(120, 60);
  VkSetLineSmoothing(cv.s, 0);
  Brush red = MakeBrush(kRed);
  Pen black = MakePen(kBlack, 1);
  ASSERT_EQ(1, VkDrawEllipse(cv.s, nullptr, red, 0, 0, 40, 40));
  ASSERT_EQ(1, VkDrawRoundRect(cv.s, nullptr, red, 50, 0, 40, 40, 10, 10));
  const double tri[] = {100, 0, 119, 0, 100, 19};
  ASSERT_EQ(1, VkDrawPolygon(cv.s, nullptr, red, tri, 3));
  ASSERT_EQ(1, VkDrawRectangle(cv.s, black, red, 10, 45, 20, 10));
  const double zig[] = {60, 45, 70, 55, 80, 45};
  ASSERT_EQ(1, VkDrawPolyline(cv.s, black, zig, 3));
  cv.End();
  EXPECT_EQ(kRedPx, cv.At(20, 20));   // ellipse centre
  EXPECT_EQ(kWhitePx, cv.At(2, 2));   // outside its corner
  EXPECT_EQ(kRedPx, cv.At(70, 1));    // round rect, middle of the top edge
  EXPECT_EQ(kWhitePx, cv.At(51, 1));  // rounded away
  EXPECT_EQ(kRedPx, cv.At(103, 3));
  EXPECT_EQ(kWhitePx, cv.At(116, 16));
  // Outline on pixels 10 and 30 / 45 and 55, fill inside.
  EXPECT_EQ(kBlackPx, cv.At(10, 50));
  EXPECT_EQ(kBlackPx, cv.At(30, 50));
  EXPECT_EQ(kBlackPx, cv.At(20, 45));
  EXPECT_EQ(kBlackPx, cv.At(20, 55));
  EXPECT_EQ(kRedPx, cv.At(20, 50));
  EXPECT_EQ(kBlackPx, cv.At(70, 55));
  EXPECT_EQ(kWhitePx, cv.At(70, 47));
}

TEST(SurfacePath, CurvesAndFillRules) {
  Canvas cv(100, 50);
  VkSetLineSmoothing(cv.s, 0);
  Brush red = MakeBrush(kRed);
  // Two squares wound the same way: even-odd leaves a hole, non-zero fills it.
  for (int i = 0; i < 2; ++i) {
    Path p;
    ASSERT_EQ(1, VkCreatePath(p.out()));
    const double ox = i * 50;
    for (double inset : {0.0, 10.0}) {
      VkPathMoveTo(p, ox + inset, inset);
      VkPathLineTo(p, ox + 40 - inset, inset);
      VkPathLineTo(p, ox + 40 - inset, 40 - inset);
      VkPathLineTo(p, ox + inset, 40 - inset);
      VkPathClose(p);
    }
    VkSetPathFillRule(p, i);
    ASSERT_EQ(1, VkFillPath(cv.s, p, red));
  }
  // A half disc from two arcs given as Beziers, and an arc segment: both bulge downwards.
  Path arc;
  ASSERT_EQ(1, VkCreatePath(arc.out()));
  ASSERT_EQ(1, VkPathArc(arc, 95, 45, 4, 4, 0, 180));
  VkPathClose(arc);
  ASSERT_EQ(1, VkFillPath(cv.s, arc, red));
  cv.End();
  EXPECT_EQ(kRedPx, cv.At(5, 5));
  EXPECT_EQ(kWhitePx, cv.At(20, 20));
  EXPECT_EQ(kRedPx, cv.At(55, 5));
  EXPECT_EQ(kRedPx, cv.At(70, 20));
  EXPECT_EQ(kRedPx, cv.At(95, 47));
  EXPECT_EQ(kWhitePx, cv.At(95, 43));
  double l, t, r, b;
  ASSERT_EQ(1, VkGetPathBounds(arc, &l, &t, &r, &b));
  EXPECT_NEAR(91, l, 1e-9);
  EXPECT_NEAR(99, r, 1e-9);
}

// A 2 x 2 picture of four colours, with a transparent pixel in its 32-bit form.
void FillQuad(Bitmap& img) {
  const Rgb colours[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}};
  const int n = img.b.uBitsPerPixel / 8;
  for (int i = 0; i < 4; ++i) {
    uint8_t* p = img.b.pData + (i / 2) * img.b.uBytesPerLine + (i % 2) * n;
    p[0] = colours[i].b, p[1] = colours[i].g, p[2] = colours[i].r;
    if (n == 4) p[3] = i == 3 ? 0 : 255;
  }
}

TEST(SurfaceImage, ScaledIntoRectangleWithOptionalSource) {
  for (uint32_t bpp : {24u, 32u}) {
    Canvas cv(80, 40);
    Bitmap img(2, 2, bpp);
    FillQuad(img);
    ASSERT_EQ(1, VkDrawImage(cv.s, &img.b, 0, 0, 40, 40, 0, 0, 0, 0, 1.0));
    // Only the right column of the picture, stretched over 20 x 40.
    ASSERT_EQ(1, VkDrawImage(cv.s, &img.b, 50, 0, 20, 40, 1, 0, 1, 2, 1.0));
    cv.End();
    EXPECT_EQ(kRedPx, cv.At(5, 5)) << bpp;
    EXPECT_EQ((Rgb{0, 255, 0}), cv.At(35, 5)) << bpp;
    EXPECT_EQ(kBluePx, cv.At(5, 35)) << bpp;
    EXPECT_EQ(bpp == 24 ? kBlackPx : kWhitePx, cv.At(35, 35)) << bpp;  // transparent shows the page
    EXPECT_EQ((Rgb{0, 255, 0}), cv.At(60, 5)) << bpp;
    EXPECT_EQ(bpp == 24 ? kBlackPx : kWhitePx, cv.At(60, 35)) << bpp;
    EXPECT_EQ(kWhitePx, cv.At(75, 20)) << bpp;
  }
  Canvas cv(10, 10);
  Bitmap img(2, 2, 24);
  FillQuad(img);
  ASSERT_EQ(1, VkDrawImage(cv.s, &img.b, 0, 0, 10, 10, 0, 0, 0, 0, 0.5));
  cv.End();
  EXPECT_NEAR(255, cv.At(1, 1).r, 1);
  EXPECT_NEAR(128, cv.At(1, 1).g, 1);
  EXPECT_EQ(-13, VkDrawImage(cv.s, &img.b, 0, 0, 10, 10, 5, 5, 2, 2, 1.0));  // source outside
}

TEST(SurfaceBitmap, ThirtyTwoBitPagesKeepAlphaAndStartFromTheBitmap) {
  Bitmap page(10, 10, 32);
  for (uint32_t y = 0; y < 10; ++y)
    for (uint32_t x = 0; x < 10; ++x) {
      uint8_t* p = page.b.pData + y * page.b.uBytesPerLine + 4 * x;
      p[0] = 0, p[1] = 128, p[2] = 0, p[3] = 255;
    }
  Engine engine;
  VkSurface* s = nullptr;
  ASSERT_EQ(1, VkCreateSurface(engine.e, &page.b, &s));
  Brush red = MakeBrush(VK_RGBA(255, 0, 0, 255));
  ASSERT_EQ(1, VkDrawRectangle(s, nullptr, red, 0, 0, 5, 10));
  ASSERT_EQ(1, VkEndSurface(s));
  VkDestroySurface(s);
  EXPECT_EQ(kRedPx, page.At(2, 2));
  EXPECT_EQ((Rgb{0, 128, 0}), page.At(7, 2));
  EXPECT_EQ(255, page.Alpha(7, 2));
}

TEST(SurfaceBitmap, TwentyFourBitRowsOfEveryWidthComeBackAsTheyWere) {
  // Rows are converted four pixels at a time with a tail, and white rows are filled: widths
  // around multiples of four, and a page, each with white and noisy rows and a painted last
  // column.
  Engine engine;
  uint32_t seed = 7;
  for (uint32_t width : {1u, 2u, 3u, 4u, 5u, 7u, 8u, 9u, 13u, 816u}) {
    Bitmap page(width, 3);
    for (uint32_t i = 0; i < page.b.uDataSize; ++i) page.b.pData[i] = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    // Row 0 white (filled, not converted), row 2 white but for its very last byte.
    std::memset(page.b.pData, 0xFF, 3 * width);
    std::memset(page.b.pData + 2 * page.b.uBytesPerLine, 0xFF, 3 * width - 1);
    const std::vector<uint8_t> before(page.b.pData, page.b.pData + page.b.uDataSize);
    VkSurface* s = nullptr;
    ASSERT_EQ(1, VkCreateSurface(engine.e, &page.b, &s));
    ASSERT_EQ(1, VkEndSurface(s));
    EXPECT_TRUE(std::vector<uint8_t>(page.b.pData, page.b.pData + page.b.uDataSize) == before) << width;
    Brush blue = MakeBrush(kBlue);
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, blue, width - 1, 1, 1, 1));
    ASSERT_EQ(1, VkEndSurface(s));
    VkDestroySurface(s);
    EXPECT_EQ(kBluePx, page.At(width - 1, 1)) << width;
    const uint8_t* p = before.data() + page.b.uBytesPerLine + 3 * (width - 1);
    if (width > 1) {
      EXPECT_EQ((Rgb{p[-1], p[-2], p[-3]}), page.At(width - 2, 1)) << width;
    }
  }
}

TEST(SurfaceArguments, RejectedWithMinus13) {
  Canvas cv(10, 10);
  Pen pen = MakePen(kBlack, 1);
  Brush brush = MakeBrush(kRed);
  VkPen* badPen = nullptr;
  VkBrush* badBrush = nullptr;
  const double one[] = {1, 1};
  const double zeros[] = {0, 0};
  const double negative[] = {3, -1};
  struct Case {
    const char* what;
    int32_t result;
  } cases[] = {
      {"line without pen", VkDrawLine(cv.s, nullptr, 0, 0, 5, 5)},
      {"line with NaN", VkDrawLine(cv.s, pen, NAN, 0, 5, 5)},
      {"polygon of one point", VkDrawPolygon(cv.s, pen, brush, one, 1)},
      {"polyline without points", VkDrawPolyline(cv.s, pen, nullptr, 3)},
      {"custom pen without dashes", VkCreatePen(kBlack, 1, VK_PEN_CUSTOM, nullptr, 0, &badPen)},
      {"custom pen of zero dashes", VkCreatePen(kBlack, 1, VK_PEN_CUSTOM, zeros, 2, &badPen)},
      {"custom pen with a negative dash", VkCreatePen(kBlack, 1, VK_PEN_CUSTOM, negative, 2, &badPen)},
      {"pen style 5", VkCreatePen(kBlack, 1, 5, nullptr, 0, &badPen)},
      {"negative width", VkCreatePen(kBlack, -1, VK_PEN_SOLID, nullptr, 0, &badPen)},
      {"hatch style 6", VkCreateHatchBrush(6, kBlack, kWhite, &badBrush)},
      {"surface without bitmap", VkCreateSurface(nullptr, nullptr, nullptr)},
      {"restore of an unknown state", VkRestoreClip(cv.s, 1)},
      {"font of size 0", VkCreateFont(cv.engine.e, u"Arial", 0, 0, nullptr)},
      {"resolution 0", VkSetTextResolution(cv.engine.e, 0)},
      {"unknown engine kind", VkCreateDrawingObject(7, nullptr)},
  };
  for (const Case& c : cases) EXPECT_EQ(-13, c.result) << c.what;
  EXPECT_EQ(nullptr, badPen);
  EXPECT_EQ(nullptr, badBrush);
}

}  // namespace
