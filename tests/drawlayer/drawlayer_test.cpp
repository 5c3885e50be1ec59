// The drawing layer's argument rules: pens, brushes and hatch groups, font sizes, styles and
// substitution, measuring and its fallback, paths, clips, and refusals without a surface.
#include <algorithm>
#include <vector>
#include "tests/drawlayer/drawlayertestutil.h"

using namespace layertest;
using namespace xlx;

namespace {

TEST(DrawPen, StyleCodesWidthsAndDashArrays) {
  struct Case { int32_t style; double width; std::vector<double> dashes; const char* rhythm; } cases[] = {
      {kPenSolid, 1, {}, "################"},      {kPenDash, 1, {}, "###.###.###.###."},
      {kPenDot, 1, {}, "#.#.#.#.#.#.#.#."},        {kPenDashDot, 1, {}, "###.#.###.#.###."},
      {kPenDashDotDot, 1, {}, "###.#.#.###.#.#."}, {kPenNone, 1, {}, nullptr},  // no pen at all
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
    EXPECT_EQ(c.rhythm, Rhythm(page.bitmap, 10, 16)) << "style " << c.style << " width " << c.width;
  }
  VkPen* pen = nullptr;
  EXPECT_EQ(-13, SetDrawPen(kBlack, 6, 1, nullptr, 0, &pen));
  EXPECT_EQ(-13, SetDrawPen(kBlack, kPenSolid, -1, nullptr, 0, &pen));
}

TEST(DrawBrush, KindsAndRefusedNumbers) {
  EXPECT_EQ(-1, HostHatchForBrush(6));
  VkBrush* b = reinterpret_cast<VkBrush*>(1);
  ASSERT_EQ(1, SetDrawBrush(kRed, kBrushNone, 0, &b));
  EXPECT_EQ(nullptr, b);
  EXPECT_EQ(-13, SetDrawBrush(kRed, 7, 0, &b));
  EXPECT_EQ(-13, SetDrawHatchBrush(kRed, kWhite, kBrushHatch, 9, &b));
  // Solid brushes: kind 0 of SetDrawBrush, and every kind but 2 of SetDrawHatchBrush (foreground).
  for (int which : {0, 1, 2}) {
    Page page(20, 20);
    ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr,
                                  which ? Brush(kRed, kBlue, which == 1 ? kBrushSolid : kBrushNone, kHatchGroupGrid)
                                        : Brush(kRed, kBrushSolid, kHatchGroupGrid),
                                  0, 0, 20, 20));
    page.End();
    for (int i = 0; i < 20; ++i) ASSERT_EQ(kRedPx, page.At(i, (i * 7) % 20)) << which;
  }
}

// The directions in which the blue pixels of a hatch join up: '-' '|' '/' '\\', two for grids.
std::string Directions(const Page& page) {
  int blue = 0, joins[4] = {0, 0, 0, 0};  // right, down, up-right, down-right
  for (int y = 1; y < 31; ++y)
    for (int x = 1; x < 31; ++x) {
      if (page.At(x, y) != kBluePx) continue;
      ++blue;
      joins[0] += page.At(x + 1, y) == kBluePx, joins[1] += page.At(x, y + 1) == kBluePx;
      joins[2] += page.At(x + 1, y - 1) == kBluePx, joins[3] += page.At(x + 1, y + 1) == kBluePx;
    }
  std::string s;
  for (int i = 0; i < 4; ++i)
    if (3 * joins[i] > blue) s.push_back("-|/\\"[i]);
  return s;
}

// Every hatch group through both operations; they number the two diagonals the other way round
// from each other.
TEST(DrawBrush, HatchGroupsDrawTheirDirections) {
  const struct { int32_t group; const char *hatchBrush, *brush; } cases[] = {
      {kHatchGroupHorizontal, "-", "-"}, {kHatchGroupVertical, "|", "|"},  {kHatchGroupRising, "/", "\\"},
      {kHatchGroupFalling, "\\", "/"}, {kHatchGroupGrid, "-|", "-|"},    {kHatchGroupDiagonalGrid, "/\\", "/\\"},
  };
  for (const auto& c : cases)
    for (bool hatchBrush : {true, false}) {
      Page page(32, 32);
      SetDrawSmoothing(page.surface, false);
      ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr,
                                    hatchBrush ? Brush(kBlue, kWhite, kBrushHatch, c.group) : Brush(kBlue, kBrushHatch, c.group),
                                    0, 0, 32, 32));
      page.End();
      SCOPED_TRACE(::testing::Message() << (hatchBrush ? "SetDrawHatchBrush" : "SetDrawBrush") << " group " << c.group);
      EXPECT_EQ(hatchBrush ? c.hatchBrush : c.brush, Directions(page));
      // SetDrawBrush hatches over nothing: the page shows between the lines.
      if (!hatchBrush) {
        EXPECT_EQ(std::string::npos, Rhythm(page.bitmap, 4, 32).find('#')) << Rhythm(page.bitmap, 4, 32);
      }
    }
}

// Red share of a pixel on a red-to-blue gradient: 0 where it is blue, 255 where red.
int RedShare(const Page& page, int x, int y) { return page.At(x, y).r; }

TEST(DrawGradient, LinearRadialAndRectangularGeometry) {
  const DrawGradientStop redToBlue[] = {{0, kRed}, {1, kBlue}};
  enum Kind { kLinear, kLinearScaled, kRadial, kRect };
  // Probes: where the gradient must be red (offset 0), blue (offset 1) and half-way.
  const struct { Kind kind; double angle; int redX, redY, blueX, blueY, midX, midY; } cases[] = {
      {kLinear, 0, 1, 10, 78, 10, 40, 10},      // left to right along the 80 x 20 box
      {kLinear, 90, 40, 1, 40, 18, 40, 10},     // top to bottom
      {kLinear, 180, 78, 10, 1, 10, 40, 10},    // right to left
      {kLinearScaled, 45, 1, 1, 78, 18, 70, 2},   // corner to corner: the other diagonal is half-way
      {kRadial, 0, 40, 10, 1, 1, 60, 10},       // centre red; a corner is past the ellipse: blue
      {kRect, 0, 40, 10, 0, 10, 20, 10},        // inner point at the centre, outer the box
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " angle " << c.angle);
    Page page(80, 20);
    const DrawRect box{0, 0, 80, 20};
    VkBrush* brush = nullptr;
    int32_t rc = -1;
    switch (c.kind) {
      case kLinear: rc = SetDrawLinearGradientBrush(box, c.angle, false, redToBlue, 2, &brush); break;
      case kLinearScaled: rc = SetDrawLinearGradientBrush(box, c.angle, true, redToBlue, 2, &brush); break;
      case kRadial: rc = SetDrawRadialGradientBrush(40, 10, 40, 10, redToBlue, 2, &brush); break;
      case kRect: rc = SetDrawRectGradientBrush(DrawRect{40, 10, 0, 0}, box, redToBlue, 2, &brush); break;
    }
    ASSERT_EQ(1, rc);
    ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr, brush, 0, 0, 80, 20));
    FreeDrawBrush(brush);
    page.End();
    EXPECT_GT(RedShare(page, c.redX, c.redY), 225) << page.At(c.redX, c.redY);
    EXPECT_LT(RedShare(page, c.blueX, c.blueY), 30) << page.At(c.blueX, c.blueY);
    EXPECT_NEAR(RedShare(page, c.midX, c.midY), 128, 40) << page.At(c.midX, c.midY);
  }
}

TEST(DrawGradient, StopsAreOrderedAndCountsChecked) {
  // Stops given out of order draw as if sorted: red at the left, blue at the right.
  const DrawGradientStop shuffled[] = {{1, kBlue}, {0, kRed}, {0.5, kBlack}};
  Page page(100, 10);
  VkBrush* brush = nullptr;
  ASSERT_EQ(1, SetDrawLinearGradientBrush(DrawRect{0, 0, 100, 10}, 0, false, shuffled, 3, &brush));
  ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr, brush, 0, 0, 100, 10));
  FreeDrawBrush(brush);
  page.End();
  EXPECT_GT(page.At(1, 5).r, 225);
  EXPECT_LT(page.At(50, 5).r + page.At(50, 5).b, 30) << page.At(50, 5);
  EXPECT_GT(page.At(98, 5).b, 225);
  // One stop is a solid brush; none, too many or no brush pointer are refused.
  const DrawGradientStop one[] = {{0.3, kBlue}};
  ASSERT_EQ(1, SetDrawRadialGradientBrush(5, 5, 5, 5, one, 1, &brush));
  FreeDrawBrush(brush);
  DrawGradientStop many[65];
  for (int i = 0; i < 65; ++i) many[i] = {i / 64.0, kRed};
  EXPECT_EQ(-13, SetDrawLinearGradientBrush(DrawRect{0, 0, 1, 1}, 0, false, many, 65, &brush));
  EXPECT_EQ(nullptr, brush);
  EXPECT_EQ(-13, SetDrawLinearGradientBrush(DrawRect{0, 0, 1, 1}, 0, false, one, 0, &brush));
  EXPECT_EQ(-13, SetDrawRectGradientBrush(DrawRect{0, 0, 1, 1}, DrawRect{0, 0, 1, 1}, one, 1, nullptr));
  // A degenerate ellipse or a box beyond any page still gives a usable brush or a clean refusal.
  EXPECT_EQ(1, SetDrawRadialGradientBrush(0, 0, 0, 0, shuffled, 3, &brush));
  FreeDrawBrush(brush);
  EXPECT_EQ(-13, SetDrawLinearGradientBrush(DrawRect{1e300, 0, 1, 1}, 0, false, shuffled, 3, &brush));
}

TEST(DrawFont, SizeFromPixelHeightAndStyleFlags) {
  struct Case {
    double dpi;
    int32_t lfHeight;
    double heightPx;
    int32_t weight;
    uint8_t italic, underline, strike;
    double sizePt;  // what the font comes out as
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
  struct Case { const char16_t* face; const char* family; bool substituted; } cases[] = {
      {u"Calibri", "Carlito", false},          {u"Times New Roman", "Liberation Serif", false},
      {u"TimesNewRomanPS-BoldMT", "Liberation Serif", true}, {u"Times-Italic", "Liberation Serif", true},
      {u"CourierNewPSMT", "Liberation Mono", true},          {u"HelveticaNeue-Medium", "Liberation Sans", true},
  };
  Page page(4, 4);
  for (const Case& c : cases) {
    DrawFont* font = nullptr;
    ASSERT_EQ(1, SetDrawFont(page.engine, Spec(c.face, 15), &font));
    EXPECT_EQ(c.family, Narrow(font->szFamily)) << Narrow(c.face);
    EXPECT_EQ(c.substituted, font->bSubstituted) << Narrow(c.face);
    FreeDrawFont(font);
  }
  struct Lookup { const char16_t* face; const char16_t* row; } lookups[] = {
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
  spec.lfFaceName[0] = 0;
  ASSERT_EQ(1, GetDrawTextExtent(page.engine, u"ab", 2, spec, &w, &h));
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
  ASSERT_EQ(1, StrokeAndFillDrawPath(page.surface, path, Pen(kBlack, kPenSolid, 1), Brush(kRed, kBrushSolid, 0)));
  page.End();
  ExpectPixels(page.bitmap, {{10, 10, kRedPx}, {20, 10, kBlackPx}, {40, 20, kRedPx}, {31, 3, kWhitePx},
                             {65, 5, kRedPx}, {95, 35, kWhitePx}});
  const DrawPoint two[] = {{0, 0}, {1, 1}};
  const uint8_t badTags[] = {kPathMoveTo, 0x09}, shortBezier[] = {kPathMoveTo, kPathBezierTo};
  EXPECT_EQ(-13, AddDrawPolyDrawToPath(path, two, badTags, 2));
  EXPECT_EQ(-13, AddDrawPolyDrawToPath(path, two, shortBezier, 2));
  EXPECT_EQ(-13, AddDrawBezierToPath(path, two, 2));
  DeleteDrawPath(path);
}

// The outline of "HI" filled on the left half, then used as a clip for a fill moved to the right
// half: both show the same letters.
TEST(DrawPath, TextOutlineAndClips) {
  Page page(120, 60);
  VkPath* outline = nullptr;
  ASSERT_EQ(1, GetDrawStringPath(page.engine, u"HI", -1, Spec(u"Arial", 40), DrawRect{0, 0, 0, 0}, kTextLeft, &outline));
  Brush red(kRed, kBrushSolid, 0), blue(kBlue, kBrushSolid, 0);
  int32_t saved = -1;
  ASSERT_EQ(1, SetDrawClipRgn(page.surface, 0, 0, 60, 60, &saved));
  ASSERT_EQ(1, AddDrawStringPath(page.surface, outline, nullptr, red));
  ASSERT_EQ(1, FreeDrawClipRgn(page.surface, saved));
  ASSERT_EQ(1, TranslateDrawTransform(page.surface, 60, 0));
  ASSERT_EQ(1, SetDrawClipPath(page.surface, outline, &saved));
  ASSERT_EQ(1, AddDrawRectangle(page.surface, nullptr, blue, 0, 0, 120, 60));
  ASSERT_EQ(1, FreeDrawClipPath(page.surface, saved));
  page.End();
  int redLeft = 0, blueRight = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 120; ++x) {
      redLeft += x < 60 && page.At(x, y) == kRedPx;
      blueRight += x >= 60 && page.At(x, y) == kBluePx;
    }
  EXPECT_GT(redLeft, 200);
  EXPECT_NEAR(redLeft, blueRight, redLeft / 10);
  DeleteDrawPath(outline);
}

TEST(DrawSurface, OperationsWithoutASurfaceAreRefused) {
  Pen pen(kBlack, kPenSolid, 1);
  double m[6] = {1, 0, 0, 1, 0, 0};
  int32_t saved = 0;
  const DrawPoint pts[] = {{0, 0}, {1, 1}};
  const DrawRect r{0, 0, 1, 1};
  const int32_t results[] = {
      InitEngine(nullptr),                          EndEngine(nullptr),
      AddDrawLine(nullptr, pen, 0, 0, 1, 1),        AddDrawRectangle(nullptr, pen, nullptr, 0, 0, 1, 1),
      AddDrawEllipse(nullptr, pen, nullptr, r),     AddDrawRoundRect(nullptr, pen, nullptr, r, 1, 1),
      AddDrawPolygon(nullptr, pen, nullptr, pts, 2), AddDrawText(nullptr, u"x", 1, Spec(u"Arial", 10), kBlack, r, 0),
      AddDrawImage(nullptr, nullptr, r),            SetDrawClipRgn(nullptr, 0, 0, 1, 1, &saved),
      FreeDrawClipRgn(nullptr, 0),                  GetDrawTransform(nullptr, m),
      SetDrawTransform(nullptr, m),                 RotateDrawTransform(nullptr, 45),
      CreateDrawingSurface(nullptr, nullptr, nullptr),
  };
  for (size_t i = 0; i < sizeof results / sizeof results[0]; ++i) EXPECT_EQ(-13, results[i]) << "call " << i;
}

}  // namespace

namespace {

TEST(DrawFontCache, OneFontPerFaceHeightAndStyleWithItsMeasures) {
  Page page(4, 4);
  DrawFontCache cache(page.engine);
  const CachedDrawFont* calibri = cache.Get(Spec(u"Calibri", 96 * 11 / 72.0));
  ASSERT_NE(nullptr, calibri);
  EXPECT_EQ(7.0, calibri->widthZero);  // the digit width that column widths are built on
  EXPECT_GT(calibri->lineHeight, calibri->ascent);
  // The same height to 1/64 px is the same font; bold or another height is not.
  EXPECT_EQ(calibri, cache.Get(Spec(u"Calibri", 96 * 11 / 72.0 + 0.001)));
  EXPECT_NE(calibri, cache.Get(Spec(u"Calibri", 96 * 11 / 72.0, 700)));
  EXPECT_NE(calibri, cache.Get(Spec(u"Calibri", 16)));
  // No face is Calibri; symbol faces are measured in Calibri.
  DrawFontSpec blank = Spec(u"Calibri", 96 * 11 / 72.0);
  blank.lfFaceName[0] = 0;
  EXPECT_EQ(calibri, cache.Get(blank));
  const CachedDrawFont* symbol = cache.Get(Spec(u"Wingdings", 96 * 11 / 72.0));
  ASSERT_NE(nullptr, symbol);
  EXPECT_EQ(calibri->width00, symbol->width00);
  EXPECT_EQ(4u, cache.Size());
  EXPECT_EQ(1u, cache.Substitutions().count(u"Calibri"));
  // Refused: no height, no engine.
  EXPECT_EQ(nullptr, cache.Get(Spec(u"Calibri", 0)));
  EXPECT_EQ(nullptr, DrawFontCache(nullptr).Get(Spec(u"Calibri", 12)));
  // Measuring falls back on the width of "0" when the host cannot measure.
  CachedDrawFont orphan = *calibri;
  orphan.font = nullptr;
  double w = 0, h = 0;
  cache.Measure(orphan, u"abc", 3, 0, &w, &h);
  EXPECT_EQ(21.0, w);
  EXPECT_EQ(-13, AddDrawTextInFont(page.surface, u"x", 1, nullptr, kBlack, DrawRect{0, 0, 0, 0}, kTextLeft));
}

// Fonts a cache makes are bounded: faces past kMaxFaces are drawn in Calibri, heights past
// kMaxFonts in the nearest height made in that face and style.
TEST(DrawFontCache, FacesAndFontsAreBounded) {
  Page page(4, 4);
  DrawFontCache cache(page.engine);
  const CachedDrawFont* calibri = cache.Get(Spec(u"Calibri", 20));
  ASSERT_NE(nullptr, calibri);
  for (size_t i = 0; i < DrawFontCache::kMaxFaces + 10; ++i) {
    const std::u16string face = u"NoSuchFace" + std::u16string(1, char16_t(u'A' + i % 26)) +
                                std::u16string(1, char16_t(u'A' + i / 26));
    EXPECT_NE(nullptr, cache.Get(Spec(face.c_str(), 20))) << i;
  }
  EXPECT_EQ(calibri, cache.Get(Spec(u"YetAnotherFace", 20))) << "past the faces: Calibri";
  EXPECT_LE(cache.Size(), DrawFontCache::kMaxFaces);
  for (size_t i = 0; cache.Size() < DrawFontCache::kMaxFonts; ++i) cache.Get(Spec(u"Calibri", 30 + i * 0.5));
  const CachedDrawFont* nearest = cache.Get(Spec(u"Calibri", 30.5 + 0.2));
  ASSERT_NE(nullptr, nearest);
  EXPECT_EQ(nearest, cache.Get(Spec(u"Calibri", 30.5))) << "past the fonts: the nearest height";
  EXPECT_EQ(calibri, cache.Get(Spec(u"Calibri", 20.1)));
  EXPECT_EQ(DrawFontCache::kMaxFonts, cache.Size());
}

}  // namespace
