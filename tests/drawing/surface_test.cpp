// Pixel probes of the drawing surface: fills, lines, dashes, hatches, clips, transforms, shapes,
// paths, pictures, page bitmaps and refused arguments.
#include <algorithm>
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
      {10, 10, 20, 10, true, 10, 10, 29, 19},       {10, 10, 20, 10, false, 10, 10, 29, 19},
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
  struct Case { double at, width; std::vector<int> rows; } cases[] = {
      {20, 1, {20}}, {20.4, 1, {20}}, {20.6, 1, {21}}, {20, 2, {19, 20}}, {20, 3, {19, 20, 21}}, {20, 0, {20}},
  };
  for (const Case& c : cases)
    for (bool vertical : {false, true}) {
      Canvas cv(60, 60);
      Pen pen = MakePen(kBlack, c.width);
      if (vertical) ASSERT_EQ(1, VkDrawLine(cv.s, pen, c.at, 10, c.at, 50));
      else ASSERT_EQ(1, VkDrawLine(cv.s, pen, 10, c.at, 50, c.at));
      cv.End();
      auto px = [&](int along, int across) { return vertical ? cv.At(across, along) : cv.At(along, across); };
      SCOPED_TRACE(::testing::Message() << "line at " << c.at << " width " << c.width << (vertical ? " vertical" : ""));
      for (int i = 0; i < 60; ++i) {
        bool on = std::find(c.rows.begin(), c.rows.end(), i) != c.rows.end();
        ASSERT_EQ(on ? kBlackPx : kWhitePx, px(30, i)) << "index " << i;
      }
      // The line runs from its first point up to, not including, its last.
      EXPECT_EQ(kBlackPx, px(10, c.rows[0]));
      EXPECT_EQ(kWhitePx, px(50, c.rows[0]));
    }
}

TEST(SurfaceLine, DashStylesKeepTheirRhythm) {
  struct Case { int32_t style; double width; std::vector<double> dashes; const char* rhythm; } cases[] = {
      {VK_PEN_SOLID, 1, {}, "################"},      {VK_PEN_DASH, 1, {}, "###.###.###.###."},
      {VK_PEN_DOT, 1, {}, "#.#.#.#.#.#.#.#."},        {VK_PEN_DASHDOT, 1, {}, "###.#.###.#.###."},
      {VK_PEN_DASHDOTDOT, 1, {}, "###.#.#.###.#.#."}, {VK_PEN_DASH, 2, {}, "######..######.."},
      {VK_PEN_CUSTOM, 1, {5, 2}, "#####..#####..##"},
      {VK_PEN_CUSTOM, 1, {2, 1, 1}, "##.#..#.##.#..#."},  // an odd count repeats on/off swapped
  };
  for (const Case& c : cases) {
    Canvas cv(40, 20);
    Pen pen;
    ASSERT_EQ(1, VkCreatePen(kBlack, c.width, c.style, c.dashes.data(), static_cast<int32_t>(c.dashes.size()), pen.out()));
    ASSERT_EQ(1, VkDrawLine(cv.s, pen, 0, 5, 40, 5));
    cv.End();
    EXPECT_EQ(c.rhythm, Rhythm(cv.bitmap.b, 5, 16)) << "style " << c.style << " width " << c.width;
  }
}

// Each hatch style paints its lines in its own direction, foreground over background, in tiles
// of 8 pixels at 96 dpi and 16 pixels (lines 2 thick) at 192 dpi.
TEST(SurfaceHatch, EachStyleDrawsItsDirection) {
  auto falling = [](int x, int y, int c, int t) { return ((y - x) % c + c) % c < t; };
  auto rising = [](int x, int y, int c, int t) { return ((x + y - (c - 1)) % c + c) % c < t; };
  struct Case { int32_t style; std::function<bool(int, int, int, int)> on; } cases[] = {  // on(x, y, cell, line)
      {VK_HATCH_HORIZONTAL, [](int, int y, int c, int t) { return y % c < t; }},
      {VK_HATCH_VERTICAL, [](int x, int, int c, int t) { return x % c < t; }},
      {VK_HATCH_CROSS, [](int x, int y, int c, int t) { return x % c < t || y % c < t; }},
      {VK_HATCH_FALLING, falling},
      {VK_HATCH_RISING, rising},
      {VK_HATCH_DIAGCROSS, [&](int x, int y, int c, int t) { return falling(x, y, c, t) || rising(x, y, c, t); }},
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

TEST(SurfaceClip, RectanglesAndPathsStopPaintUntilRestored) {
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
  EXPECT_EQ(-13, VkRestoreClip(cv.s, 5));
  // A triangle as a clip, in the bottom-left corner.
  Path tri;
  ASSERT_EQ(1, VkCreatePath(tri.out()));
  VkPathMoveTo(tri, 0, 30), VkPathLineTo(tri, 20, 30), VkPathLineTo(tri, 0, 50), VkPathClose(tri);
  ASSERT_EQ(1, VkClipPath(cv.s, tri, &outer));
  ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, blue, 0, 30, 20, 20));
  ASSERT_EQ(1, VkRestoreClip(cv.s, outer));
  cv.End();
  ExpectPixels(cv.bitmap.b, {{9, 20, kWhitePx}, {10, 20, kRedPx}, {49, 49, kRedPx}, {50, 30, kWhitePx},
                             {30, 9, kWhitePx}, {5, 57, kBluePx}, {55, 57, kBluePx},  // after the restore
                             {2, 32, kBluePx}, {12, 33, kBluePx}, {8, 48, kWhitePx}, {15, 45, kRedPx}});
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
  ExpectPixels(cv.bitmap.b, {{40, 50, kRedPx}, {49, 69, kRedPx}, {50, 60, kWhitePx}, {45, 70, kWhitePx},
                             {39, 60, kWhitePx}, {69, 53, kRedPx}, {71, 53, kWhitePx}});
  const double singular[6] = {1, 1, 1, 1, 0, 0};
  EXPECT_EQ(-13, VkSetTransform(cv.s, singular));
}

TEST(SurfaceShapes, FillsOutlinesAndPathFillRules) {
  Canvas cv(220, 60);
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
  // Two squares wound the same way: even-odd leaves a hole, non-zero fills it.
  for (int rule = 0; rule < 2; ++rule) {
    Path p;
    ASSERT_EQ(1, VkCreatePath(p.out()));
    const double x = 120 + rule * 50;
    for (double inset : {0.0, 10.0}) {
      VkPathMoveTo(p, x + inset, inset), VkPathLineTo(p, x + 40 - inset, inset);
      VkPathLineTo(p, x + 40 - inset, 40 - inset), VkPathLineTo(p, x + inset, 40 - inset), VkPathClose(p);
    }
    VkSetPathFillRule(p, rule);
    ASSERT_EQ(1, VkFillPath(cv.s, p, red));
  }
  // A half disc from an arc, bulging downwards.
  Path arc;
  ASSERT_EQ(1, VkCreatePath(arc.out()));
  ASSERT_EQ(1, VkPathArc(arc, 195, 50, 4, 4, 0, 180));
  VkPathClose(arc);
  ASSERT_EQ(1, VkFillPath(cv.s, arc, red));
  double l, t, r, b;
  ASSERT_EQ(1, VkGetPathBounds(arc, &l, &t, &r, &b));
  EXPECT_NEAR(191, l, 1e-9);
  EXPECT_NEAR(199, r, 1e-9);
  cv.End();
  ExpectPixels(cv.bitmap.b, {
                                {20, 20, kRedPx},  {2, 2, kWhitePx},    // ellipse centre, outside its corner
                                {70, 1, kRedPx},   {51, 1, kWhitePx},   // round rect: top edge, rounded corner
                                {103, 3, kRedPx},  {116, 16, kWhitePx}, // polygon
                                {10, 50, kBlackPx}, {30, 50, kBlackPx}, {20, 45, kBlackPx}, {20, 55, kBlackPx},
                                {20, 50, kRedPx},  {70, 55, kBlackPx},  {70, 47, kWhitePx},  // outline, fill, polyline
                                {125, 5, kRedPx},  {140, 20, kWhitePx}, {175, 5, kRedPx},   {190, 20, kRedPx},
                                {195, 52, kRedPx}, {195, 48, kWhitePx},
                            });
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
  const Rgb green{0, 255, 0};
  for (uint32_t bpp : {24u, 32u}) {
    Canvas cv(80, 40);
    Bitmap img(2, 2, bpp);
    FillQuad(img);
    ASSERT_EQ(1, VkDrawImage(cv.s, &img.b, 0, 0, 40, 40, 0, 0, 0, 0, 1.0));
    // Only the right column of the picture, stretched over 20 x 40.
    ASSERT_EQ(1, VkDrawImage(cv.s, &img.b, 50, 0, 20, 40, 1, 0, 1, 2, 1.0));
    cv.End();
    const Rgb corner = bpp == 24 ? kBlackPx : kWhitePx;  // transparent shows the page
    ExpectPixels(cv.bitmap.b, {{5, 5, kRedPx}, {35, 5, green}, {5, 35, kBluePx}, {35, 35, corner}, {60, 5, green},
                               {60, 35, corner}, {75, 20, kWhitePx}}, std::to_string(bpp) + " bits");
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
  for (uint32_t i = 0; i < 100; ++i) {
    uint8_t* p = page.b.pData + (i / 10) * page.b.uBytesPerLine + 4 * (i % 10);
    p[0] = 0, p[1] = 128, p[2] = 0, p[3] = 255;
  }
  Engine engine;
  VkSurface* s = nullptr;
  ASSERT_EQ(1, VkCreateSurface(engine.e, &page.b, &s));
  Brush red = MakeBrush(VK_RGBA(255, 0, 0, 255));
  ASSERT_EQ(1, VkDrawRectangle(s, nullptr, red, 0, 0, 5, 10));
  ASSERT_EQ(1, VkEndSurface(s));
  VkDestroySurface(s);
  ExpectPixels(page.b, {{2, 2, kRedPx}, {7, 2, Rgb{0, 128, 0}}});
  EXPECT_EQ(255, page.Alpha(7, 2));
}

// Rows are converted four pixels at a time with a tail, white rows are filled, and rows white
// before and after the drawing are not written back: widths around multiples of four, and a page,
// each with white and noisy rows, painted on a white row and on rows that were not white.
TEST(SurfaceBitmap, TwentyFourBitRowsOfEveryWidthComeBackAsTheyWere) {
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
    Brush blue = MakeBrush(kBlue), white = MakeBrush(kWhite);
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, blue, width - 1, 1, 1, 1));
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, blue, 0, 0, 1, 1));
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, white, width - 1, 2, 1, 1));
    ASSERT_EQ(1, VkEndSurface(s));
    VkDestroySurface(s);
    EXPECT_EQ(kBluePx, page.At(width - 1, 1)) << width;
    EXPECT_EQ(kBluePx, page.At(0, 0)) << width;
    EXPECT_EQ(kWhitePx, page.At(width - 1, 2)) << width;
    const uint8_t* p = before.data() + page.b.uBytesPerLine + 3 * (width - 1);
    if (width > 1) {
      EXPECT_EQ((Rgb{p[-1], p[-2], p[-3]}), page.At(width - 2, 1)) << width;
    }
  }
}

// A page bitmap made white only when used reads white through every door before any drawing.
// Drawn on, it holds the drawing buffer: rows read through the host come converted from it, a
// second surface starts from the first one's drawing, and an access writes every row, padding
// included, into the bitmap's memory.
TEST(SurfaceBitmap, PagesMadeWhiteWhenUsedAndReadFromTheDrawingBuffer) {
  Engine engine;
  Brush blue = MakeBrush(kBlue), red = MakeBrush(kRed);
  for (uint32_t width : {5u, 816u}) {
    SCOPED_TRACE(width);
    _BITMAPHANDLE b{};
    ASSERT_EQ(1, VkCreateBitmap(&b, sizeof b, 1, width, 4, 24, 1, nullptr, 1, nullptr, VK_BITMAP_WHITE_WHEN_USED));
    std::memset(b.pData, 0x5A, b.uDataSize);  // what fresh memory may hold
    std::vector<uint8_t> row(b.uBytesPerLine);
    const auto white = [](const uint8_t* p, size_t n) { return std::all_of(p, p + n, [](uint8_t v) { return v == 0xFF; }); };
    ASSERT_EQ(static_cast<int32_t>(b.uBytesPerLine), VkGetBitmapRow(&b, row.data(), 3, b.uBytesPerLine));
    EXPECT_TRUE(white(row.data(), row.size()));
    // Blue over the first two pixels of row 1; then, on a second surface, red on row 2's first.
    VkSurface* s = nullptr;
    ASSERT_EQ(1, VkCreateSurface(engine.e, &b, &s));
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, blue, 0, 1, 2, 1));
    ASSERT_EQ(1, VkEndSurface(s));
    VkDestroySurface(s);
    const auto expected = [&](uint32_t y, uint32_t i, bool secondDrawn) -> uint8_t {
      if (y == 1 && i < 6) return i % 3 == 0 ? 0xFF : 0x00;  // BGR blue
      if (secondDrawn && y == 2 && i < 3) return i == 2 ? 0xFF : 0x00;  // BGR red
      return 0xFF;
    };
    for (uint32_t y = 0; y < 4; ++y) {
      ASSERT_EQ(static_cast<int32_t>(b.uBytesPerLine), VkGetBitmapRow(&b, row.data(), y, b.uBytesPerLine));
      for (uint32_t i = 0; i < b.uBytesPerLine; ++i) ASSERT_EQ(expected(y, i, false), row[i]) << "row " << y << " byte " << i;
    }
    ASSERT_EQ(1, VkCreateSurface(engine.e, &b, &s));
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, red, 0, 2, 1, 1));
    ASSERT_EQ(1, VkEndSurface(s));
    VkDestroySurface(s);
    ASSERT_EQ(1, VkBeginBitmapAccess(&b));
    for (uint32_t y = 0; y < 4; ++y)
      for (uint32_t i = 0; i < b.uBytesPerLine; ++i)
        ASSERT_EQ(expected(y, i, true), b.pData[y * b.uBytesPerLine + i]) << "row " << y << " byte " << i;
    VkEndBitmapAccess(&b);
    VkFreeBitmap(&b);
    // Freed while its surface still lives, and nothing drawn: the first access makes it white.
    ASSERT_EQ(1, VkCreateBitmap(&b, sizeof b, 1, width, 2, 24, 1, nullptr, 1, nullptr, VK_BITMAP_WHITE_WHEN_USED));
    ASSERT_EQ(1, VkCreateSurface(engine.e, &b, &s));
    ASSERT_EQ(1, VkEndSurface(s));
    VkFreeBitmap(&b);
    VkDestroySurface(s);
    ASSERT_EQ(1, VkCreateBitmap(&b, sizeof b, 1, width, 2, 24, 1, nullptr, 1, nullptr, VK_BITMAP_WHITE_WHEN_USED));
    std::memset(b.pData, 0x5A, b.uDataSize);
    ASSERT_EQ(1, VkBeginBitmapAccess(&b));
    EXPECT_TRUE(white(b.pData, b.uDataSize));
    VkEndBitmapAccess(&b);
    VkFreeBitmap(&b);
  }
}

TEST(SurfaceArguments, RejectedWithMinus13) {
  Canvas cv(10, 10);
  Pen pen = MakePen(kBlack, 1);
  Brush brush = MakeBrush(kRed);
  VkPen* badPen = nullptr;
  VkBrush* badBrush = nullptr;
  const double one[] = {1, 1}, zeros[] = {0, 0}, negative[] = {3, -1};
  struct Case { const char* what; int32_t result; } cases[] = {
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
      {"simple text without an engine", VkSetSimpleText(nullptr, 1)},
  };
  for (const Case& c : cases) EXPECT_EQ(-13, c.result) << c.what;
  EXPECT_EQ(nullptr, badPen);
  EXPECT_EQ(nullptr, badBrush);
}

}  // namespace
