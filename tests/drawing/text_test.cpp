// Text through the host engine: metrics hinting, alignment, styles, face matching and fallback,
// right-to-left shaping, outlines.
#include <algorithm>
#include <cmath>
#include <vector>
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

double Width(VkDrawingEngine* e, const VkFont* f, const std::u16string& text, double* height = nullptr) {
  double w = -1, h = -1;
  EXPECT_EQ(1, VkMeasureText(e, f, text.c_str(), static_cast<int32_t>(text.size()), 0, &w, &h));
  if (height) *height = h;
  return w;
}

TEST(TextMeasure, HintedDigitsBoldAndWrapping) {
  Engine engine;
  EXPECT_EQ(96.0, VkGetTextResolution(engine.e));
  Font calibri = MakeFont(engine.e, "Calibri", 11), bold = MakeFont(engine.e, "Calibri", 11, VK_FONT_BOLD);
  EXPECT_EQ(7.0, Width(engine.e, calibri, u"0"));  // the digit width every column width is made of
  EXPECT_EQ(14.0, Width(engine.e, calibri, u"00"));
  double h1 = 0;
  const double w = Width(engine.e, calibri, u"Quarterly revenue", &h1);
  EXPECT_GT(Width(engine.e, bold, u"Quarterly revenue"), w + 1);
  EXPECT_GT(h1, 12);
  double ww = 0, wh = 0;
  ASSERT_EQ(1, VkMeasureText(engine.e, calibri, u"Quarterly revenue", -1, w / 2, &ww, &wh));
  EXPECT_LE(ww, w / 2 + 0.5);
  EXPECT_GE(wh, 2 * h1 - 1);
  // Twice the resolution draws the same font twice as large, give or take the hinting.
  ASSERT_EQ(1, VkSetTextResolution(engine.e, 192));
  Font big = MakeFont(engine.e, "Calibri", 11);
  EXPECT_NEAR(14.0, Width(engine.e, big, u"0"), 1.0);
}

TEST(TextFonts, FacesMapToTheirInstalledTwins) {
  struct Case { const char* face; const char* family; } cases[] = {
      {"Calibri", "Carlito"},          {"Calibri Light", "Carlito"},          {"Cambria", "Caladea"},
      {"Arial", "Liberation Sans"},    {"Times New Roman", "Liberation Serif"}, {"Courier New", "Liberation Mono"},
      {"Consolas", "Liberation Mono"}, {"Malgun Gothic", "NanumGothic"}, {"굴림", "NanumGothic"},
      {"Batang", "NanumMyeongjo"}, {"MS Gothic", "IPAGothic"}, {"MS PGothic", "IPAPGothic"},
      {"Meiryo", "IPAPGothic"}, {"ＭＳ 明朝", "IPAMincho"}, {"游明朝", "IPAPMincho"},
      {"Microsoft YaHei", "WenQuanYi Zen Hei"}, {"Microsoft JhengHei", "WenQuanYi Zen Hei"},
      {"SimSun", "AR PL UMing CN"}, {"PMingLiU", "AR PL UMing TW"}, {"Noto Sans CJK JP", "IPAPGothic"},
      {"Noto Serif CJK TC", "AR PL UMing TW"}, {"Traditional Arabic", "Noto Naskh Arabic"},
  };
  Engine engine;
  for (const Case& c : cases) EXPECT_EQ(c.family, Family(MakeFont(engine.e, c.face, 11))) << c.face;
  // A face nobody has falls back to the generic family, whatever other scripts' families exist.
  EXPECT_EQ("DejaVu Sans", Family(MakeFont(engine.e, "TimesNewRomanPS-BoldMT", 11)));
}

// A fixed-pitch face the machine lacks (by its name, or marked fixed-pitch by the workbook) draws
// in a fixed-pitch family: "iiii" and "WWWW" measure alike. Installed faces and their twins stay,
// and so does an unknown face nobody marks; the report names the family chosen.
TEST(TextFonts, MissingFixedPitchFacesDrawFixedPitch) {
  Engine engine;
  VkSetFontReport(1);
  const struct {
    const char* face;
    uint32_t style;
    bool fixed;
    const char* family;  // when it must be that one
  } cases[] = {
      {"Fixedsys Excelsior", 0, true, nullptr},     {"OCR A Extended", 0, true, nullptr},
      {"Lucida Sans Typewriter", 0, true, nullptr}, {"Andale Mono", VK_FONT_BOLD, true, nullptr},
      {"Terminal", 0, true, nullptr},               {"Modern Figures", VK_FONT_FIXED_PITCH, true, nullptr},
      {"Modern Figures", 0, false, "DejaVu Sans"},  {"Consolas", 0, true, "Liberation Mono"},
      {"Courier New", VK_FONT_FIXED_PITCH, true, "Liberation Mono"},
      {"Calibri", VK_FONT_FIXED_PITCH, false, "Carlito"},
  };
  for (const auto& c : cases) {
    Font f = MakeFont(engine.e, c.face, 11, c.style);
    const double narrow = Width(engine.e, f, u"iiiiiiii"), wide = Width(engine.e, f, u"WWWWWWWW");
    EXPECT_EQ(c.fixed, std::abs(narrow - wide) < 1) << c.face << " " << Family(f) << " " << narrow << " " << wide;
    if (c.family) {
      EXPECT_EQ(c.family, Family(f)) << c.face;
    }
  }
  VkSetFontReport(0);
  size_t needed = 0;
  (void)VkGetFontReport(nullptr, 0, &needed);
  std::string report(needed, '\0');
  ASSERT_EQ(1, VkGetFontReport(&report[0], report.size(), &needed));
  const size_t line = report.find("Fixedsys Excelsior\t");
  ASSERT_NE(std::string::npos, line) << report;
  EXPECT_NE(std::string::npos, report.substr(line, report.find('\n', line) - line).find("Mono")) << report;
}

// The report names, per face asked for, the families its text really drew with: the face of
// another script when the text is in that script, even inside a Latin face's run. CJK text lands
// on the TrueType face of the language its letters show (kanji beside kana are Japanese, not
// Chinese), never on a CID-keyed Noto CJK face.
TEST(TextFonts, ReportNamesTheFamiliesEachScriptDrewWith) {
  Engine engine;
  VkSetFontReport(1);
  const struct { const char* face; std::u16string text; const char* family; const char* notFamily; } cases[] = {
      {"Angsana New", u"\u0E2A\u0E27\u0E31\u0E2A\u0E14\u0E35", "Noto Sans Thai", nullptr},
      {"David", u"\u05E9\u05DC\u05D5\u05DD", "Noto Sans Hebrew", nullptr},
      {"Mangal", u"\u0928\u092E\u0938\u094D\u0924\u0947", "Noto Sans Devanagari", nullptr},
      {"Arial", u"Total \uD55C\uAD6D\uC5B4", "NanumGothic", nullptr},
      {"Calibri", u"\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8", "IPAPGothic", "WenQuanYi"},
      {"Cambria", u"\uD55C\uAD6D\uC5B4 \u97D3\u570B", "NanumMyeongjo", "UMing"},
      {"Verdana", u"\u7B80\u4F53\u4E2D\u6587", "WenQuanYi Zen Hei", nullptr},
  };
  for (const auto& c : cases) EXPECT_GT(Width(engine.e, MakeFont(engine.e, c.face, 11), c.text), 4) << c.face;
  VkSetFontReport(0);
  size_t needed = 0;
  EXPECT_EQ(-13, VkGetFontReport(nullptr, 0, &needed));
  std::string report(needed, '\0');
  ASSERT_EQ(1, VkGetFontReport(&report[0], report.size(), &needed));
  EXPECT_EQ(std::string::npos, report.find("CJK")) << report;
  for (const auto& c : cases) {
    const size_t line = report.find(std::string(c.face) + "\t");
    ASSERT_NE(std::string::npos, line) << report;
    const std::string drawn = report.substr(line, report.find('\n', line) - line);
    EXPECT_NE(std::string::npos, drawn.find(c.family)) << report;
    if (c.notFamily) {
      EXPECT_EQ(std::string::npos, drawn.find(c.notFamily)) << report;
    }
  }
}

// Top and bottom rows of the blue "2" of "x2" drawn with the "2" as a run shifted by `shift`.
std::pair<int, int> ShiftedDigitRows(int32_t shift) {
  Canvas cv(100, 60);
  Font base = MakeFont(cv.engine.e, "Arial", 20);
  const VkTextRun run = {1, 1, nullptr, kBlue, shift};
  EXPECT_EQ(1, VkDrawTextRuns(cv.s, base, kBlack, u"x2", 2, &run, 1, 10, 10, 0, 0, VK_TEXT_LEFT | VK_TEXT_TOP));
  cv.End();
  int top = 1000, bottom = -1;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 100; ++x) {
      const Rgb c = cv.At(x, y);
      if (c.b > 150 && c.r < 100) top = std::min(top, y), bottom = std::max(bottom, y);
    }
  return {top, bottom};
}

// Rich text keeps its runs when it wraps: each run in its own colour and font; superscript is
// raised and subscript lowered in a smaller size; runs outside the text are refused.
TEST(TextRuns, WrappedRunsKeepColoursAndShifts) {
  Canvas cv(300, 120);
  Font base = MakeFont(cv.engine.e, "Arial", 16), bold = MakeFont(cv.engine.e, "Arial", 16, VK_FONT_BOLD);
  const std::u16string text = u"Plain words then red words and more words after them";
  const VkTextRun runs[] = {{17, 9, bold, kRed, VK_RUN_BASELINE}};
  double w = 0, h = 0;
  ASSERT_EQ(1, VkMeasureTextRuns(cv.engine.e, base, text.c_str(), int32_t(text.size()), runs, 1, 150, &w, &h));
  EXPECT_LE(w, 150.5);
  EXPECT_GT(h, 2 * 16);  // wrapped onto two lines at least
  ASSERT_EQ(1, VkDrawTextRuns(cv.s, base, kBlack, text.c_str(), int32_t(text.size()), runs, 1, 10, 10, 150, 100,
                              VK_TEXT_LEFT | VK_TEXT_TOP | VK_TEXT_WRAP));
  cv.End();
  int red = 0, black = 0;
  for (int py = 0; py < 120; ++py)
    for (int px = 0; px < 300; ++px) {
      const Rgb c = cv.At(px, py);
      red += c.r > 180 && c.g < 80 && c.b < 80;
      black += c.r < 60 && c.g < 60 && c.b < 60;
    }
  EXPECT_GT(red, 40);
  EXPECT_GT(black, 100);
  const auto plain = ShiftedDigitRows(VK_RUN_BASELINE), up = ShiftedDigitRows(VK_RUN_SUPERSCRIPT),
             down = ShiftedDigitRows(VK_RUN_SUBSCRIPT);
  EXPECT_LT(up.first, plain.first - 2);
  EXPECT_GT(down.second, plain.second + 1);
  EXPECT_LT(up.second - up.first, plain.second - plain.first);  // smaller
  const VkTextRun outside = {50, 5, nullptr, kRed, VK_RUN_BASELINE};
  EXPECT_EQ(-13, VkMeasureTextRuns(cv.engine.e, base, text.c_str(), int32_t(text.size()), &outside, 1, 0, &w, &h));
  EXPECT_EQ(-13, VkMeasureTextRuns(cv.engine.e, base, text.c_str(), int32_t(text.size()), nullptr, 2, 0, &w, &h));
}

// The lowest ink row of a one-line text drawn with the style flags.
int InkBottom(uint32_t style, int* lines) {
  Canvas cv(200, 40);
  Font f = MakeFont(cv.engine.e, "Arial", 16, style);
  EXPECT_EQ(1, VkDrawText(cv.s, f, kBlack, u"ace", -1, 5, 5, 0, 0, VK_TEXT_LEFT | VK_TEXT_TOP));
  cv.End();
  int bottom = -1;
  *lines = 0;
  bool inLine = false;
  for (int y = 0; y < 40; ++y) {
    int dark = 0;
    for (int x = 0; x < 200; ++x) dark += Ink(cv.bitmap.b, x, y) > 300;
    if (dark > 0) bottom = y;
    const bool full = dark > 20;  // an underline spans the word
    if (full && !inLine) ++*lines;
    inLine = full;
  }
  return bottom;
}

TEST(TextRuns, DoubleUnderlineDrawsTwoLines) {
  int single = 0, twice = 0;
  const int singleBottom = InkBottom(VK_FONT_UNDERLINE, &single);
  const int doubleBottom = InkBottom(VK_FONT_UNDERLINE | VK_FONT_DOUBLE_UNDERLINE, &twice);
  EXPECT_EQ(twice, single + 1);
  EXPECT_GT(doubleBottom, singleBottom);
}

// Left, centre and right alignment in a rectangle, and the same anchors at a point.
TEST(TextDraw, AlignmentPlacesTheRun) {
  for (bool atPoint : {false, true})
    for (uint32_t align : {VK_TEXT_LEFT, VK_TEXT_CENTER, VK_TEXT_RIGHT}) {
      Canvas cv(240, 40);
      Font f = MakeFont(cv.engine.e, "Arial", 12);
      const double w = Width(cv.engine.e, f, u"HHHH");
      const double x = atPoint ? 120 : 20;
      ASSERT_EQ(1, VkDrawText(cv.s, f, kBlack, u"HHHH", -1, x, 5, atPoint ? 0 : 200, atPoint ? 0 : 30,
                              align | (atPoint ? VK_TEXT_TOP : VK_TEXT_VCENTER)));
      cv.End();
      int left, right;
      InkSpan(cv.bitmap.b, 0, 40, &left, &right);
      ASSERT_GE(left, 0);
      double start = x;  // where the run's box should start
      if (align == VK_TEXT_CENTER) start = atPoint ? x - w / 2 : 20 + (200 - w) / 2;
      if (align == VK_TEXT_RIGHT) start = atPoint ? x - w : 220 - w;
      // "H" has a side bearing of a pixel or two inside its box.
      SCOPED_TRACE(::testing::Message() << "align " << align << (atPoint ? " at a point" : " in a rectangle"));
      EXPECT_NEAR(start + 1.5, left, 2.0);
      EXPECT_NEAR(start + w - 1.5, right, 2.0);
    }
}

TEST(TextDraw, VerticalAlignmentAndClip) {
  Canvas cv(100, 100);
  Font f = MakeFont(cv.engine.e, "Arial", 14);
  ASSERT_EQ(1, VkDrawText(cv.s, f, kBlack, u"HH", -1, 0, 0, 50, 100, VK_TEXT_BOTTOM));
  ASSERT_EQ(1, VkDrawText(cv.s, f, kBlack, u"HHHHHHHH", -1, 60, 0, 20, 30, VK_TEXT_TOP | VK_TEXT_CLIP));
  cv.End();
  int top = -1;
  for (int y = 0; y < 100 && top < 0; ++y)
    for (int x = 0; x < 50; ++x)
      if (cv.bitmap.Ink(x, y) > 200) top = y;
  EXPECT_GT(top, 70);  // at the bottom of the rectangle
  int left, right;
  InkSpan(cv.bitmap.b, 0, 30, &left, &right);
  EXPECT_LE(right, 79);  // clipped at the rectangle's right edge
}

TEST(TextDraw, UnderlineAndStrikeOutAddInk) {
  int inkRows[4] = {0, 0, 0, 0};  // rows crossed by a long horizontal stroke
  const uint32_t styles[4] = {0, VK_FONT_UNDERLINE, VK_FONT_STRIKEOUT, VK_FONT_UNDERLINE | VK_FONT_STRIKEOUT};
  for (int i = 0; i < 4; ++i) {
    Canvas cv(80, 40);
    Font f = MakeFont(cv.engine.e, "Arial", 14, styles[i]);
    ASSERT_EQ(1, VkDrawText(cv.s, f, kBlack, u"mm", -1, 5, 5, 0, 0, 0));
    cv.End();
    for (int y = 0; y < 40; ++y) {
      int run = 0;
      for (int x = 0; x < 80; ++x) run += cv.bitmap.Ink(x, y) > 300;
      inkRows[i] += run > 20;
    }
  }
  EXPECT_GT(inkRows[1], inkRows[0]);
  EXPECT_GT(inkRows[2], inkRows[0]);
  EXPECT_GT(inkRows[3], inkRows[1]);
}

// Arabic is shaped (joined forms are narrower than isolated letters) and laid out right to left:
// in alef followed by a run of tatweel, the tall alef ends up on the right.
TEST(TextDraw, ArabicIsShapedRightToLeft) {
  Canvas cv(200, 60);
  Font f = MakeFont(cv.engine.e, "Arial", 20);
  EXPECT_LT(Width(cv.engine.e, f, u"\u0628\u0628\u0628"), 3 * Width(cv.engine.e, f, u"\u0628") - 2);
  ASSERT_EQ(1, VkDrawText(cv.s, f, kBlack, u"\u0627\u0640\u0640\u0640\u0640\u0640\u0640", -1, 10, 10, 0, 0, VK_TEXT_RTL));
  cv.End();
  int left, right;
  InkSpan(cv.bitmap.b, 0, 60, &left, &right);
  ASSERT_GT(right, left + 20);
  int tallest = -1, tallestHeight = 0;
  for (int x = left; x <= right; ++x) {
    int h = 0;
    for (int y = 0; y < 60; ++y) h += cv.bitmap.Ink(x, y) > 200;
    if (h > tallestHeight) tallestHeight = h, tallest = x;
  }
  EXPECT_GT(tallest, (left + right) / 2);
}

TEST(TextPath, OutlinesFillLikeTheText) {
  Canvas cv(80, 40);
  Font f = MakeFont(cv.engine.e, "Arial", 20);
  Path p;
  ASSERT_EQ(1, VkCreatePath(p.out()));
  ASSERT_EQ(1, VkPathAddText(cv.engine.e, p, f, u"I", -1, 10, 5, 0, 0, 0));
  double l, t, r, b;
  ASSERT_EQ(1, VkGetPathBounds(p, &l, &t, &r, &b));
  EXPECT_GT(l, 10);
  EXPECT_LT(r, 20);
  EXPECT_GT(b - t, 15);
  Brush red = MakeBrush(kRed);
  ASSERT_EQ(1, VkFillPath(cv.s, p, red));
  cv.End();
  EXPECT_EQ(kRedPx, cv.At(static_cast<int>((l + r) / 2), static_cast<int>((t + b) / 2)));
}

}  // namespace
