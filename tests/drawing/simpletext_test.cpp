// The simple-text path against the full layout: an engine with it and an engine without it must
// measure every text to the same Pango unit and draw the same pixels, for the fonts and texts of
// ordinary sheets, kerned pairs, ligatures and characters that take the layout, in opaque and
// translucent colours over white and over a tint.
#include <cmath>
#include <random>
#include <vector>
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

struct FontCase { const char* face; double pt; uint32_t style; } const kFonts[] = {
    {"Calibri", 11, 0},        {"Calibri", 11, VK_FONT_BOLD}, {"Cambria", 14, VK_FONT_ITALIC},
    {"Arial", 10, 0},          {"Times New Roman", 12, 0},    {"Courier New", 9, VK_FONT_BOLD | VK_FONT_ITALIC},
    {"No Such Face", 8, 0},    {"Calibri", 11, VK_FONT_UNDERLINE},
};

const char* const kTexts[] = {
    "0", "7", "2024-03-15", "12/31/1999", "1,234,567.89", "-42.00", "($1,234.50)", "45%", "1.23E+05", "#####",
    "Item 12-7", "Quarterly revenue", " leading and trailing ", "AVAWAY To Te Yo LT", "Office fi fl ffi",
    "x=1; y=[2]{3}|~`^_\\@", "   ", "Wolf", "\"quoted\" 'text'", "TOTAL: 100", "A", "AV", "r.", "Zurich",
    "Zürich", "naïve café", "日本語", "مرحبا", "e\u0301", "a\tb", "1\u00a0234,50\u00a0€", "€ 1.234,50",
    "£99 ¥100 ©®°±²³µ¶·¹º»¼½¾¿", "ÀÉÎÕÜßàéîõüÿ×÷", "“quoted” ‘single’ „low‚", "a–b—c … • ‰ ™ † −5",
    "soft\u00adhyphen", "Straße", "ﬁ ligature sign", "Ǆ", "Ωmega", "10\u202f000",
};

// The table above and `count` random lines of printable ASCII with a few characters beyond it.
std::vector<std::u16string> Texts(int count) {
  const char16_t extra[] = u"éüß€\u00a0–’“×°©¿\u00adΩ\u2009ﬁ";
  std::mt19937 random(20240315);
  std::vector<std::u16string> texts;
  for (int i = 0; i < count; ++i) {
    std::u16string s;
    for (int j = 0, length = 1 + static_cast<int>(random() % 24); j < length; ++j)
      s.push_back(random() % 6 ? static_cast<char16_t>(0x20 + random() % 95) : extra[random() % 16]);
    texts.push_back(s);
  }
  for (const char* t : kTexts) texts.push_back(xlxtest::U16(t));
  return texts;
}

struct Pair {
  Engine fast, full;
  explicit Pair(double dpi) {
    EXPECT_EQ(1, VkSetSimpleText(full.e, 0));
    VkSetTextResolution(fast.e, dpi);
    VkSetTextResolution(full.e, dpi);
  }
};

TEST(SimpleText, MeasuresAsTheLayoutDoes) {
  const std::vector<std::u16string> texts = Texts(300);
  for (double dpi : {96.0, 300.0}) {
    Pair engines(dpi);
    for (const FontCase& c : kFonts) {
      Font fast = MakeFont(engines.fast.e, c.face, c.pt, c.style), full = MakeFont(engines.full.e, c.face, c.pt, c.style);
      for (const std::u16string& text : texts)
        // Unwrapped, and wrapped at widths the line fits and does not fit.
        for (double wrap : {0.0, 1000.0, 20.0}) {
          double w1 = -1, h1 = -1, w2 = -2, h2 = -2;
          const int32_t n = static_cast<int32_t>(text.size());
          ASSERT_EQ(1, VkMeasureText(engines.fast.e, fast, text.c_str(), n, wrap, &w1, &h1));
          ASSERT_EQ(1, VkMeasureText(engines.full.e, full, text.c_str(), n, wrap, &w2, &h2));
          EXPECT_TRUE(w1 == w2 && h1 == h2) << c.face << " " << dpi << " dpi, wrap " << wrap << ", text #"
                                            << (&text - &texts[0]) << ": " << w1 << "x" << h1 << " vs " << w2 << "x" << h2;
        }
      // Zero-terminated texts take the same path.
      double w1 = 0, w2 = 0;
      VkMeasureText(engines.fast.e, fast, u"Sales 2024", -1, 0, &w1, nullptr);
      VkMeasureText(engines.full.e, full, u"Sales 2024", 10, 0, &w2, nullptr);
      EXPECT_EQ(w2, w1);
    }
  }
}

// Draws every text in every alignment at fractional positions under a fractional translation, as
// pages do, on one bitmap per engine; or, with `wholePixels`, in cells and clips of whole pixels.
std::vector<uint8_t> DrawSheet(VkDrawingEngine* engine, double dpi, const std::vector<std::u16string>& texts,
                               const FontCase& c, bool smoothing, bool wholePixels = false) {
  const uint32_t side = static_cast<uint32_t>(700 * dpi / 96);
  Bitmap page(side, side, 24, static_cast<uint32_t>(dpi));
  VkSurface* s = nullptr;
  EXPECT_EQ(1, VkCreateSurface(engine, &page.b, &s));
  VkSetTextSmoothing(s, smoothing ? 1 : 0);
  Font font = MakeFont(engine, c.face, c.pt, c.style);
  // A tinted band under part of the texts: glyphs blend over colour as well as over white.
  Brush tint = MakeBrush(VK_RGB(240, 200, 120));
  EXPECT_EQ(1, VkDrawRectangle(s, nullptr, tint, 0, side / 3.0, side, side / 3.0));
  // Whole pixels: a staircase clip across the sheet, several rectangles that cut through texts.
  Path stairs;
  if (wholePixels) {
    const double step = std::floor(side / 4.0);
    EXPECT_EQ(1, VkCreatePath(stairs.out()));
    VkPathMoveTo(stairs, 0, 0), VkPathLineTo(stairs, 3 * step + 7, 0), VkPathLineTo(stairs, 3 * step + 7, step + 5);
    VkPathLineTo(stairs, 2 * step + 3, step + 5), VkPathLineTo(stairs, 2 * step + 3, 2 * step + 9);
    VkPathLineTo(stairs, step + 1, 2 * step + 9), VkPathLineTo(stairs, step + 1, side), VkPathLineTo(stairs, 0, side);
    VkPathClose(stairs);
    EXPECT_EQ(1, VkClipPath(s, stairs, nullptr));
  }
  if (wholePixels) VkTranslateTransform(s, 3, -2);
  else VkTranslateTransform(s, 3.37, -1.61);
  const uint32_t flags[] = {VK_TEXT_LEFT | VK_TEXT_BASELINE, VK_TEXT_RIGHT | VK_TEXT_BOTTOM,
                            VK_TEXT_CENTER | VK_TEXT_VCENTER | VK_TEXT_CLIP, VK_TEXT_LEFT | VK_TEXT_TOP};
  const double k = dpi / 96, cellW = 90 * k, cellH = 20 * k;
  for (int slot = 0; slot < static_cast<int>(texts.size()); ++slot) {
    const std::u16string& text = texts[slot];
    const int32_t n = static_cast<int32_t>(text.size());
    double left = (slot % 7) * cellW + 0.25 * (slot % 4), top = ((slot / 7) % 33) * cellH + 0.3;
    if (wholePixels) left = std::floor(left), top = std::floor(top);
    const VkColor color = slot % 3 ? kBlack : slot % 2 ? VK_RGB(200, 30, 60) : VK_RGBA(20, 90, 200, 140);
    if (slot % 5 == 4)
      VkDrawText(s, font, color, text.c_str(), n, left + 4.5, top + 15 * k, 0, 0, VK_TEXT_LEFT | VK_TEXT_BASELINE);
    else
      VkDrawText(s, font, color, text.c_str(), n, left, top, std::floor(cellW - 2), std::floor(cellH), flags[slot % 4]);
  }
  EXPECT_EQ(1, VkEndSurface(s));
  VkDestroySurface(s);
  return std::vector<uint8_t>(page.b.pData, page.b.pData + page.b.uDataSize);
}

TEST(SimpleText, DrawsTheSamePixelsAsTheLayout) {
  const std::vector<std::u16string> texts = Texts(120);
  for (double dpi : {96.0, 300.0}) {
    Pair engines(dpi);
    for (const FontCase& c : kFonts) {
      const std::vector<uint8_t> fast = DrawSheet(engines.fast.e, dpi, texts, c, true);
      const std::vector<uint8_t> full = DrawSheet(engines.full.e, dpi, texts, c, true);
      ASSERT_EQ(full.size(), fast.size());
      size_t differing = 0;
      for (size_t i = 0; i < fast.size(); ++i) differing += fast[i] != full[i];
      EXPECT_EQ(0u, differing) << c.face << " " << c.pt << " pt at " << dpi << " dpi";
      // Clips of whole pixels, of one rectangle or several, leave the glyphs to the per-thread masks.
      EXPECT_TRUE(DrawSheet(engines.fast.e, dpi, texts, c, true, true) ==
                  DrawSheet(engines.full.e, dpi, texts, c, true, true))
          << c.face << " " << c.pt << " pt at " << dpi << " dpi, whole pixels";
    }
  }
  // Without text smoothing the layout draws; both engines agree all the same.
  Pair engines(96);
  EXPECT_TRUE(DrawSheet(engines.fast.e, 96, texts, kFonts[0], false) ==
              DrawSheet(engines.full.e, 96, texts, kFonts[0], false));
}

}  // namespace
