// A test page that uses every primitive of the drawing layer, compared with its golden PNG
// (tests/drawlayer/golden/page.png, looked at when it was made). A pixel differs when a channel
// is off by more than 48; at most 0.5% of the pixels may differ, which absorbs small changes in
// font rasterisation between library versions but not a moved, missing or recoloured primitive.
// Run with XLX_UPDATE_GOLDEN=1 to write a new golden; a failing run leaves the page it drew in
// the build folder as drawlayer-page-actual.png.
#include <png.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "tests/drawlayer/drawlayertestutil.h"
#include "tests/support/testsupport.h"

using namespace layertest;
using namespace xlx;

namespace {

constexpr int kPageWidth = 480, kPageHeight = 320;

CellColor Rgb24(int r, int g, int b) { return 0xFF000000u | r | (g << 8) | (b << 16); }

// Gridlines, text in cells, solid and hatched fills, borders of every style and weight.
void DrawCells(Page& page) {
  DrawingSurface* s = page.surface;
  {
    Pen grid(Rgb24(212, 212, 212), kPenSolid, 1);
    for (int x = 0; x <= 320; x += 64) AddDrawLine(s, grid, x, 0, x, 120);
    for (int y = 0; y <= 120; y += 20) AddDrawLine(s, grid, 0, y, 320, y);
  }
  const DrawFontSpec calibri = Spec(u"Calibri", 96 * 11 / 72.0);
  DrawFontSpec bold = calibri, italic = calibri, strike = calibri;
  bold.lfWeight = 700;
  italic.lfItalic = 1, italic.lfUnderline = 1;
  strike.lfStrikeOut = 1;
  const struct {
    int col, row;
    const char16_t* text;
    const DrawFontSpec* font;
    CellColor color;
    uint32_t flags;
  } cells[] = {
      {0, 0, u"Left", &calibri, kBlack, kTextLeft},
      {1, 0, u"Centre", &calibri, kBlack, kTextCenter},
      {2, 0, u"Right", &calibri, kBlack, kTextRight},
      {3, 0, u"Bold", &bold, kBlack, kTextLeft},
      {4, 0, u"Italic", &italic, Rgb24(0, 0, 160), kTextLeft},
      {0, 1, u"1234.50", &calibri, Rgb24(200, 0, 0), kTextRight},
      {1, 1, u"Strike", &strike, kBlack, kTextLeft},
      {2, 1, u"\u0645\u0631\u062D\u0628\u0627", &calibri, kBlack, kTextRight | kTextRightToLeft},
      {3, 1, u"0123456789", &calibri, kBlack, kTextLeft | kTextClip},
      {4, 1, u"Spills over", &calibri, kBlack, kTextLeft},
  };
  // Text sits 2 px in from the cell's sides, at the bottom of the cell.
  for (const auto& c : cells)
    AddDrawText(s, c.text, -1, *c.font, c.color, DrawRect{c.col * 64.0 + 2, c.row * 20.0, 60, 20}, c.flags | kTextBottom);

  // Row 2: solid fills outlined in their own colour; row 3 and 4: hatches.
  SetDrawSmoothing(s, false);
  const CellColor solids[] = {Rgb24(255, 255, 0), Rgb24(180, 220, 255), Rgb24(0, 176, 80)};
  for (int i = 0; i < 3; ++i)
    AddDrawRectangle(s, Pen(solids[i], kPenSolid, 1), Brush(solids[i], kWhite, kBrushSolid, 0), i * 64, 40, 64, 20);
  for (int g = 0; g < 5; ++g)
    AddDrawRectangle(s, nullptr, Brush(Rgb24(30, 60, 90), Rgb24(255, 240, 200), kBrushHatch, g), g * 64 + 1, 61, 63, 19);
  const int32_t row4[] = {kHatchGroupDiagonalGrid, kHatchGroupFalling, kHatchGroupFalling, kHatchGroupRising,
                          kHatchGroupGrid};  // the first two with SetDrawHatchBrush
  for (int i = 0; i < 5; ++i)
    AddDrawRectangle(s, nullptr,
                     i < 2 ? Brush(Rgb24(128, 0, 128), kWhite, kBrushHatch, row4[i]) : Brush(Rgb24(0, 96, 0), kBrushHatch, row4[i]),
                     i * 64 + 1, 81, 63, 19);
  SetDrawSmoothing(s, true);

  // Row 5: a box of each line style, then medium, thick and double borders.
  const int32_t styles[] = {kPenDash, kPenDot, kPenDashDot, kPenDashDotDot, kPenSolid};
  for (int i = 0; i < 5; ++i) AddDrawRectangle(s, Pen(kBlack, styles[i], i == 4 ? 2 : 1), nullptr, i * 64 + 4, 104, 56, 12);
  AddDrawLine(s, Pen(Rgb24(192, 0, 0), kPenSolid, 3), 0, 128, 160, 128);
  Pen thin(kBlack, kPenSolid, 1);
  AddDrawLine(s, thin, 160, 127, 320, 127);  // a double border: two lines with a gap
  AddDrawLine(s, thin, 160, 129, 320, 129);
}

// Ellipse, rounded rectangle, polygon, polyline and a path of Beziers.
void DrawShapes(Page& page) {
  DrawingSurface* s = page.surface;
  Pen outline(Rgb24(31, 78, 121), kPenSolid, 2);
  Brush fill(Rgb24(91, 155, 213), kBrushSolid, 0);
  AddDrawEllipse(s, outline, fill, DrawRect{336, 6, 60, 40});
  AddDrawRoundRect(s, outline, fill, DrawRect{408, 6, 64, 40}, 10, 10);
  DrawPoint star[10];
  for (int i = 0; i < 10; ++i) {
    const double a = -M_PI / 2 + i * M_PI / 5, r = i % 2 ? 10 : 24;
    star[i] = {366 + r * std::cos(a), 80 + r * std::sin(a)};
  }
  AddDrawPolygon(s, outline, Brush(Rgb24(255, 192, 0), kBrushSolid, 0), star, 10);
  Pen zig(Rgb24(112, 48, 160), kPenSolid, 3);
  VkSetPenShape(zig, VK_CAP_ROUND, VK_JOIN_ROUND);
  const DrawPoint line[] = {{404, 108}, {420, 64}, {436, 108}, {452, 64}, {468, 108}};
  AddDrawPolyline(s, zig, line, 5);
  // A heart of two Bezier lobes, filled and stroked.
  VkPath* heart = nullptr;
  ASSERT_EQ(1, CreateDrawPath(&heart));
  AddDrawMovetoToPath(heart, 440, 314);
  const DrawPoint lobes[] = {{400, 290}, {410, 250}, {440, 270}, {470, 250}, {480, 290}, {440, 314}};
  AddDrawBezierToPath(heart, lobes, 6);
  ASSERT_EQ(1, EndDrawPath(heart));
  StrokeAndFillDrawPath(s, heart, outline, Brush(Rgb24(230, 40, 60), kBrushSolid, 0));
  DeleteDrawPath(heart);
}

// A picture with alpha, whole and in part; a clip path; rotated text and a text outline.
void DrawPicturesAndTransforms(Page& page) {
  DrawingSurface* s = page.surface;
  _BITMAPHANDLE image{};
  VkCreateBitmap(&image, sizeof image, 1, 8, 8, 32, 1, nullptr, 1, nullptr, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      uint8_t* p = image.pData + y * image.uBytesPerLine + 4 * x;
      p[0] = static_cast<uint8_t>(x * 36), p[1] = static_cast<uint8_t>(y * 36), p[2] = 200;
      p[3] = (x + y) % 7 == 0 ? 0 : 255;
    }
  AddDrawImage(s, &image, DrawRect{8, 140, 64, 64});
  const DrawRect part{4, 4, 4, 4};
  AddDrawImage2(s, &image, DrawRect{80, 140, 32, 64}, &part);
  VkFreeBitmap(&image);

  // Stripes seen through a circular clip, and the circle dashed round them.
  VkPath* circle = nullptr;
  ASSERT_EQ(1, CreateDrawPath(&circle));
  VkPathArc(circle, 160, 180, 36, 36, 0, 360);
  VkPathClose(circle);
  int32_t saved = -1;
  SetDrawClipPath(s, circle, &saved);
  Pen stripe(Rgb24(0, 112, 192), kPenSolid, 4);
  for (int x = 100; x < 230; x += 10) AddDrawLine(s, stripe, x, 130, x + 60, 230);
  FreeDrawClipPath(s, saved);
  const double dashes[] = {3, 2};
  StrokeDrawPath(s, circle, Pen(kBlack, kPenDash, 1, dashes, 2));
  DeleteDrawPath(circle);

  // Rotated: a labelled box turned 30 degrees anticlockwise about (300, 190).
  double saveMatrix[6];
  GetDrawTransform(s, saveMatrix);
  TranslateDrawTransform(s, 300, 190);
  RotateDrawTransform(s, -30);
  AddDrawRectangle(s, Pen(Rgb24(191, 143, 0), kPenSolid, 1), Brush(Rgb24(255, 230, 153), kWhite, kBrushSolid, 0), -50,
                   -14, 100, 28);
  AddDrawText(s, u"Rotated", -1, Spec(u"Cambria", 16), kBlack, DrawRect{-50, -14, 100, 28}, kTextCenter | kTextVCenter);
  SetDrawTransform(s, saveMatrix);

  // Wrapped text in a frame, and an outline of large letters, filled and stroked.
  AddDrawRectangle(s, Pen(Rgb24(128, 128, 128), kPenDot, 1), nullptr, 8, 220, 110, 90);
  AddDrawText(s, u"Wrapped text breaks at the frame's width and keeps going.", -1, Spec(u"Arial", 14), kBlack,
              DrawRect{10, 222, 106, 86}, kTextLeft | kTextTop | kTextWrap | kTextClip);
  VkPath* letters = nullptr;
  ASSERT_EQ(1, GetDrawStringPath(page.engine, u"Aa", -1, Spec(u"Liberation Serif", 72), DrawRect{130, 226, 0, 0}, kTextLeft,
                    &letters));
  AddDrawStringPath(s, letters, Pen(Rgb24(56, 87, 35), kPenSolid, 2),
                    Brush(Rgb24(112, 173, 71), Rgb24(226, 239, 218), kBrushHatch, kHatchGroupRising));
  FreeDrawStringPath(letters);
}

void WritePng(const _BITMAPHANDLE& b, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f) << path;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, f);
  png_set_IHDR(png, info, b.uWidth, b.uHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  png_set_bgr(png);
  for (uint32_t y = 0; y < b.uHeight; ++y) png_write_row(png, b.pData + y * b.uBytesPerLine);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
}

TEST(DrawGolden, PageOfEveryPrimitiveMatchesItsGolden) {
  Page page(kPageWidth, kPageHeight);
  DrawCells(page);
  DrawShapes(page);
  DrawPicturesAndTransforms(page);
  page.End();
  const std::string golden = xlxtest::SourceDir() + "/tests/drawlayer/golden/page.png";
  const char* update = std::getenv("XLX_UPDATE_GOLDEN");
  if (update && *update == '1') {
    WritePng(page.bitmap, golden);
    GTEST_SKIP() << "golden written to " << golden;
  }
  std::vector<unsigned char> bytes = xlxtest::ReadWholeFile(golden);
  ASSERT_FALSE(bytes.empty()) << "no golden at " << golden << "; make one with XLX_UPDATE_GOLDEN=1";
  _BITMAPHANDLE want{};
  ASSERT_EQ(1, VkLoadImageFromMemory(bytes.data(), bytes.size(), 24, 0, 0, &want));
  ASSERT_TRUE(want.uWidth == kPageWidth && want.uHeight == kPageHeight);
  int differing = 0;
  for (int y = 0; y < kPageHeight; ++y)
    for (int x = 0; x < kPageWidth; ++x) {
      const uint8_t *a = PixelAt(want, x, y), *b = PixelAt(page.bitmap, x, y);
      differing += std::abs(a[0] - b[0]) > 48 || std::abs(a[1] - b[1]) > 48 || std::abs(a[2] - b[2]) > 48;
    }
  VkFreeBitmap(&want);
  const double share = static_cast<double>(differing) / (kPageWidth * kPageHeight);
  if (share > 0.005) WritePng(page.bitmap, std::string(XLX_BINARY_DIR) + "/drawlayer-page-actual.png");
  EXPECT_LE(share, 0.005) << differing << " pixels differ from the golden";
}

}  // namespace
