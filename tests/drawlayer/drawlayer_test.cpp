// The drawing layer's argument rules: pens, brushes and hatch numbers, font sizes, styles and
// substitution, measuring and its fallback, paths, clips, and refusals without a surface.
#include <vector>
#include "tests/drawlayer/drawlayertestutil.h"

using namespace layertest;
using namespace xlx;

namespace {

std::string Rhythm(const Page& page, int y, int length) {
  std::string s;
  for (int x = 0; x < length; ++x) s.push_back(page.At(x, y) == kBlackPx ? '#' : page.At(x, y) == kWhitePx ? '.' : '?');
  return s;
}

TEST(DrawPen, StyleCodesWidthsAndDashArrays) {
  struct Case {
    int32_t style;
    double width;
    std::vector<double> dashes;
    const char* rhythm;  // nullptr: no pen at all
  } cases[] = {
      {kPenSolid, 1, {}, "################"},
      {kPenDash, 1, {}, "###.###.###.###."},
      {kPenDot, 1, {}, "#.#.#.#.#.#.#.#."},
      {kPenDashDot, 1, {}, "###.#.###.#.###."},
      {kPenDashDotDot, 1, {}, "###.#.#.###.#.#."},
      {kPenNone, 1, {}, nullptr},
      {kPenDash, 1, {4, 2}, "####..####..####"},
      {kPenDash, 2, {2, 1}, "####..####..####"},   // dashes times the width
      {kPenDash, 1.005, {4, 2}, "####..####..####"},  // within 0.01 of 1: taken as given
      {kPenDot, 2, {4, 2}, "##..##..##..##.."},    // a dash array only counts with the dash style
  };
  for (const Case& c : cases) {
    Page page(40, 20);
    VkPen* pen = reinterpret_cast<VkPen*>(1);
    ASSERT_EQ(1, SetDrawPen(kBlack, c.style, c.width, c.dashes.data(), static_cast<int32_t>(c.dashes.size()), &pen));
    if (!c.rhythm) {
      EXPECT_EQ(nullptr, pen);
      continue;
    }
    ASSERT_NE(nullptr, pen);
    ASSERT_EQ(1, AddDrawLine(page.surface, pen, 0, 10, 40, 10));
    FreeDrawPen(pen);
    page.End();
    EXPECT_EQ(c.rhythm, Rhythm(page, 10, 16)) << "style " << c.style << " width " << c.width;
  }
  VkPen* pen = nullptr;
  EXPECT_EQ(-13, SetDrawPen(kBlack, 6, 1, nullptr, 0, &pen));
  EXPECT_EQ(-13, SetDrawPen(kBlack, kPenSolid, -1, nullptr, 0, &pen));
}

TEST(DrawBrush, KindsAndHostHatchNumbers) {
  // Host styles each operation passes, by group: they agree except on the two diagonals.
  const int32_t brush[6] = {4, 5, 3, 2, 0, 1}, hatchBrush[6] = {4, 5, 2, 3, 0, 1};
  for (int32_t g = 0; g < 6; ++g) {
    EXPECT_EQ(brush[g], HostHatchForBrush(g)) << g;
    EXPECT_EQ(hatchBrush[g], HostHatchForHatchBrush(g)) << g;
  }
  EXPECT_EQ(-1, HostHatchForBrush(6));
  VkBrush* b = reinterpret_cast<VkBrush*>(1);
  ASSERT_EQ(1, SetDrawBrush(kRed, kBrushNone, 0, &b));
  EXPECT_EQ(nullptr, b);
  EXPECT_EQ(-13, SetDrawBrush(kRed, 7, 0, &b));
  EXPECT_EQ(-13, SetDrawHatchBrush(kRed, kWhite, kBrushHatch, 9, &b));
  // Solid brushes: kind 0 of SetDrawBrush, and every kind but 2 of SetDrawHatchBrush (foreground).
  struct Solid {
    int32_t which, kind;
  } solids[] = {{0, kBrushSolid}, {1, kBrushSolid}, {1, kBrushNone}};
  for (const Solid& s : solids) {
    Page page(20, 20);
    VkBrush* brush = nullptr;
    ASSERT_EQ(1, s.which ? SetDrawHatchBrush(kRed, kBlue, s.kind, kHatchGroupGrid, &brush)
                         : SetDrawBrush(kRed, s.kind, kHatchGroupGrid, &brush));
    ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr, brush, 0, 0, 20, 20));
    FreeDrawBrush(brush);
    page.End();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(kRedPx, page.At(i, (i * 7) % 20)) << s.which << "/" << s.kind;
  }
}

// Which way the lines of a hatch slant: +1 rising ("/"), -1 falling ("\"), 0 neither.
int Slant(const Page& page) {
  int rising = 0, falling = 0;
  for (int y = 1; y < 31; ++y)
    for (int x = 1; x < 31; ++x) {
      if (page.At(x, y) != kBluePx) continue;
      rising += page.At(x + 1, y - 1) == kBluePx;
      falling += page.At(x + 1, y + 1) == kBluePx;
    }
  return rising > 2 * falling ? 1 : falling > 2 * rising ? -1 : 0;
}

TEST(DrawBrush, DiagonalGroupsOfTheTwoOperationsSlantOppositeWays) {
  struct Case {
    bool hatchBrush;
    int32_t group;
    int slant;
  } cases[] = {
      {true, kHatchGroupRising, 1},
      {true, kHatchGroupFalling, -1},
      {false, kHatchGroupRising, -1},
      {false, kHatchGroupFalling, 1},
      {true, kHatchGroupHorizontal, 0},
  };
  for (const Case& c : cases) {
    Page page(32, 32);
    VkBrush* brush = nullptr;
    ASSERT_EQ(1, c.hatchBrush ? SetDrawHatchBrush(kBlue, kWhite, kBrushHatch, c.group, &brush)
                              : SetDrawBrush(kBlue, kBrushHatch, c.group, &brush));
    SetDrawSmoothing(page.surface, false);
    ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr, brush, 0, 0, 32, 32));
    FreeDrawBrush(brush);
    page.End();
    EXPECT_EQ(c.slant, Slant(page)) << (c.hatchBrush ? "SetDrawHatchBrush" : "SetDrawBrush") << " group " << c.group;
    // SetDrawBrush hatches over nothing: the page shows between the lines.
    if (!c.hatchBrush) {
      EXPECT_EQ(kWhitePx, page.At(4, 0));
    }
  }
}

TEST(DrawFont, SizeFromPixelHeightAndStyleFlags) {
  struct Case {
    double dpi;
    int32_t lfHeight;
    double heightPx;
    int32_t weight;
    uint8_t italic, underline, strike;
    double sizePt;
    uint32_t style;
  } cases[] = {
      {96, -15, 0, 400, 0, 0, 0, 11.25, 0},
      {96, 15, 0, 400, 0, 0, 0, 11.25, 0},  // either sign of a LOGFONT height
      {96, -15, 14.6667, 700, 0, 0, 0, 11.0, kFontBold},
      {300, -46, 45.8333, 500, 1, 0, 0, 11.0, kFontItalic},
      {192, -20, 0, 501, 0, 1, 1, 7.5, kFontBold | kFontUnderline | kFontStrikeOut},
  };
  for (const Case& c : cases) {
    Page page(4, 4, c.dpi);
    DrawFontSpec spec = Spec(u"Calibri", 10);
    spec.lfHeight = c.lfHeight, spec.dHeightPx = c.heightPx, spec.lfWeight = c.weight;
    spec.lfItalic = c.italic, spec.lfUnderline = c.underline, spec.lfStrikeOut = c.strike;
    DrawFont* font = nullptr;
    ASSERT_EQ(1, SetDrawFont(page.engine, spec, &font));
    EXPECT_NEAR(c.sizePt, font->dSizePt, 1e-3) << c.lfHeight << " at " << c.dpi;
    EXPECT_EQ(c.style, font->uStyle) << c.lfHeight << " at " << c.dpi;
    FreeDrawFont(font);
  }
  Page page(4, 4);
  DrawFont* font = nullptr;
  DrawFontSpec none = Spec(u"Calibri", 10);
  none.lfHeight = 0, none.dHeightPx = 0;
  EXPECT_EQ(-13, SetDrawFont(page.engine, none, &font));
  EXPECT_EQ(-13, SetDrawFont(page.engine, Spec(u"", 10), &font));
}

TEST(DrawFont, SubstitutionTableAppliesWhenTheHostFallsBack) {
  struct Case {
    const char16_t* face;
    const char* family;
    bool substituted;
  } cases[] = {
      {u"Calibri", "Carlito", false},
      {u"Times New Roman", "Liberation Serif", false},
      {u"TimesNewRomanPS-BoldMT", "Liberation Serif", true},
      {u"Times-Italic", "Liberation Serif", true},
      {u"CourierNewPSMT", "Liberation Mono", true},
      {u"HelveticaNeue-Medium", "Liberation Sans", true},
  };
  Page page(4, 4);
  for (const Case& c : cases) {
    DrawFont* font = nullptr;
    ASSERT_EQ(1, SetDrawFont(page.engine, Spec(c.face, 15), &font));
    EXPECT_EQ(c.family, Narrow(font->szFamily)) << Narrow(c.face);
    EXPECT_EQ(c.substituted, font->bSubstituted) << Narrow(c.face);
    FreeDrawFont(font);
  }
  struct Lookup {
    const char16_t* face;
    const char16_t* row;
  } lookups[] = {
      {u"Courier New PSMT", u"Courier New"}, {u"courier", u"Courier New"},   {u"Ubuntu", u"Times New Roman"},
      {u"Arial-Black", u"Arial Black"},      {u"The Sans Mono Condensed", u"Droid Serif"},
      {u"Helvetica", nullptr},               {u"Calibri", nullptr},
  };
  for (const Lookup& l : lookups) {
    const char16_t* found = FindFontSubstitute(l.face);
    EXPECT_EQ(l.row ? Narrow(l.row) : "", found ? Narrow(found) : "") << Narrow(l.face);
  }
}

TEST(DrawText, ExtentWithTheHostAndWithoutIt) {
  Page page(4, 4);
  double w = 0, h = 0;
  ASSERT_EQ(1, GetDrawTextExtent(page.engine, u"0", 1, Spec(u"Calibri", 96 * 11 / 72.0), &w, &h));
  EXPECT_EQ(7.0, w);
  EXPECT_EQ(15.0, h);
  // Bold is wider than regular through the layer too.
  double wr = 0, wb = 0;
  ASSERT_EQ(1, GetDrawTextExtent(page.engine, u"Revenue", -1, Spec(u"Calibri", 15), &wr, &h));
  ASSERT_EQ(1, GetDrawTextExtent(page.engine, u"Revenue", -1, Spec(u"Calibri", 15, 700), &wb, &h));
  EXPECT_GT(wb, wr);
  // No engine: the estimate from the record.
  DrawFontSpec spec = Spec(u"Calibri", 20);
  spec.dCharWidth = 9;
  ASSERT_EQ(1, GetDrawTextExtent(nullptr, u"abcd", 4, spec, &w, &h));
  EXPECT_EQ(36.0, w);
  EXPECT_EQ(20.0, h);
  spec.dCharWidth = 0;
  ASSERT_EQ(1, GetDrawTextExtent(nullptr, u"abcde", -1, spec, &w, &h));
  EXPECT_NEAR(5 * 0.67 * 20, w, 1e-9);
  // A record the host refuses (no face) is estimated as well.
  DrawFontSpec faceless = spec;
  faceless.lfFaceName[0] = 0;
  ASSERT_EQ(1, GetDrawTextExtent(page.engine, u"ab", 2, faceless, &w, &h));
  EXPECT_NEAR(2 * 0.67 * 20, w, 1e-9);
}

TEST(DrawText, DrawsAtAPointAndInARectangle) {
  Page page(200, 60);
  const DrawFontSpec spec = Spec(u"Arial", 16);
  ASSERT_EQ(1, AddDrawText(page.surface, u"Total", -1, spec, kBlue, DrawRect{10, 5, 0, 0}, kTextLeft));
  ASSERT_EQ(1, AddDrawText(page.surface, u"Total", -1, spec, kRed, DrawRect{0, 30, 190, 30}, kTextRight | kTextVCenter));
  page.End();
  int blueLeft = 999, redRight = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      Rgb c = page.At(x, y);
      if (c.b > 200 && c.r < 80 && y < 30) blueLeft = std::min(blueLeft, x);
      if (c.r > 200 && c.b < 80 && y >= 30) redRight = std::max(redRight, x);
    }
  EXPECT_NEAR(11, blueLeft, 2);
  EXPECT_NEAR(188, redRight, 2);
}

TEST(DrawPath, PolyDrawTagsBeziersAndPolygons) {
  Page page(100, 50);
  SetDrawSmoothing(page.surface, false);
  VkPath* path = nullptr;
  ASSERT_EQ(1, CreateDrawPath(&path));
  // A square as a tagged list, then a lens from two Beziers, then a triangle as a polygon.
  const DrawPoint square[] = {{0, 0}, {20, 0}, {20, 20}, {0, 20}};
  const uint8_t squareTags[] = {kPathMoveTo, kPathLineTo, kPathLineTo, kPathLineTo | kPathClose};
  ASSERT_EQ(1, AddDrawPolyDrawToPath(path, square, squareTags, 4));
  ASSERT_EQ(1, AddDrawMovetoToPath(path, 30, 20));
  const DrawPoint lens[] = {{35, 0}, {45, 0}, {50, 20}, {45, 40}, {35, 40}, {30, 20}};
  ASSERT_EQ(1, AddDrawBezierToPath(path, lens, 6));
  const DrawPoint tri[] = {{60, 0}, {99, 0}, {60, 39}};
  ASSERT_EQ(1, AddDrawPolygonToPath(path, tri, 3));
  ASSERT_EQ(1, EndDrawPath(path));
  VkBrush* red = nullptr;
  VkPen* black = nullptr;
  ASSERT_EQ(1, SetDrawBrush(kRed, kBrushSolid, 0, &red));
  ASSERT_EQ(1, SetDrawPen(kBlack, kPenSolid, 1, nullptr, 0, &black));
  ASSERT_EQ(1, StrokeAndFillDrawPath(page.surface, path, black, red));
  page.End();
  EXPECT_EQ(kRedPx, page.At(10, 10));
  EXPECT_EQ(kBlackPx, page.At(20, 10));
  EXPECT_EQ(kRedPx, page.At(40, 20));
  EXPECT_EQ(kWhitePx, page.At(31, 3));
  EXPECT_EQ(kRedPx, page.At(65, 5));
  EXPECT_EQ(kWhitePx, page.At(95, 35));
  const DrawPoint two[] = {{0, 0}, {1, 1}};
  const uint8_t badTags[] = {kPathMoveTo, 0x09};
  const uint8_t shortBezier[] = {kPathMoveTo, kPathBezierTo};
  EXPECT_EQ(-13, AddDrawPolyDrawToPath(path, two, badTags, 2));
  EXPECT_EQ(-13, AddDrawPolyDrawToPath(path, two, shortBezier, 2));
  EXPECT_EQ(-13, AddDrawBezierToPath(path, two, 2));
  DeleteDrawPath(path);
  FreeDrawBrush(red);
  FreeDrawPen(black);
}

TEST(DrawPath, TextOutlineAndClips) {
  Page page(120, 60);
  VkPath* outline = nullptr;
  ASSERT_EQ(1, GetDrawStringPath(page.engine, u"HI", -1, Spec(u"Arial", 40), DrawRect{0, 0, 0, 0}, kTextLeft, &outline));
  VkBrush* red = nullptr;
  ASSERT_EQ(1, SetDrawBrush(kRed, kBrushSolid, 0, &red));
  int32_t saved = -1;
  ASSERT_EQ(1, SetDrawClipRgn(page.surface, 0, 0, 60, 60, &saved));
  ASSERT_EQ(1, AddDrawStringPath(page.surface, outline, nullptr, red));
  ASSERT_EQ(1, FreeDrawClipRgn(page.surface, saved));
  // The outline as a clip: a blue fill shows only inside the letters, moved to the right half.
  ASSERT_EQ(1, TranslateDrawTransform(page.surface, 60, 0));
  ASSERT_EQ(1, SetDrawClipPath(page.surface, outline, &saved));
  VkBrush* blue = nullptr;
  ASSERT_EQ(1, SetDrawBrush(kBlue, kBrushSolid, 0, &blue));
  ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr, blue, 0, 0, 120, 60));
  ASSERT_EQ(1, FreeDrawClipPath(page.surface, saved));
  page.End();
  int red1 = 0, blue2 = 0, other = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) {
      Rgb c = page.At(x, y);
      if (c == kRedPx) red1 += x < 60;
      else if (c == kBluePx) blue2 += x >= 60;
      else if (!(c == kWhitePx)) ++other;
    }
  EXPECT_GT(red1, 200);
  EXPECT_NEAR(red1, blue2, red1 / 10);  // the same letters, once filled and once as a clip
  DeleteDrawPath(outline);
  FreeDrawBrush(red);
  FreeDrawBrush(blue);
}

TEST(DrawSurface, OperationsWithoutASurfaceAreRefused) {
  VkPen* pen = nullptr;
  ASSERT_EQ(1, SetDrawPen(kBlack, kPenSolid, 1, nullptr, 0, &pen));
  double m[6] = {1, 0, 0, 1, 0, 0};
  int32_t saved = 0;
  const DrawPoint pts[] = {{0, 0}, {1, 1}};
  const DrawRect r{0, 0, 1, 1};
  const int32_t results[] = {
      InitEngine(nullptr),
      EndEngine(nullptr),
      AddDrawLine(nullptr, pen, 0, 0, 1, 1),
      AddDrawRectangle(nullptr, pen, nullptr, 0, 0, 1, 1),
      AddDrawEllipse(nullptr, pen, nullptr, r),
      AddDrawRoundRect(nullptr, pen, nullptr, r, 1, 1),
      AddDrawPolygon(nullptr, pen, nullptr, pts, 2),
      AddDrawText(nullptr, u"x", 1, Spec(u"Arial", 10), kBlack, r, 0),
      AddDrawImage(nullptr, nullptr, r),
      SetDrawClipRgn(nullptr, 0, 0, 1, 1, &saved),
      FreeDrawClipRgn(nullptr, 0),
      GetDrawTransform(nullptr, m),
      SetDrawTransform(nullptr, m),
      RotateDrawTransform(nullptr, 45),
      CreateDrawingSurface(nullptr, nullptr, nullptr),
  };
  for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i) EXPECT_EQ(-13, results[i]) << "call " << i;
  FreeDrawPen(pen);
}

}  // namespace
