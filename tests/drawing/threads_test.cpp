// Several threads measuring and drawing text at once, as pages of one document are drawn in
// parallel: each thread has its own font map, and all of them share one engine and its fonts.
#include <string>
#include <thread>
#include <vector>
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

TEST(TextThreads, PagesDrawnInParallelMatchOneDrawnAlone) {
  Engine engine;
  Font shared = MakeFont(engine.e, "Calibri", 11);
  auto drawPage = [&](std::vector<uint8_t>* pixels, double* width) {
    Bitmap page(200, 100);
    VkSurface* s = nullptr;
    if (VkCreateSurface(engine.e, &page.b, &s) != 1) return;
    for (int i = 0; i < 50; ++i) {
      Font own = MakeFont(engine.e, i % 2 ? "Arial" : "Cambria", 10 + i % 5);
      VkDrawText(s, own, kBlack, u"Sales 2024", -1, (i % 5) * 40, (i / 5) * 10, 0, 0, 0);
      VkMeasureText(engine.e, shared, u"Quarterly total", -1, 0, width, nullptr);
    }
    VkDrawText(s, shared, kBlue, u"12,345.67", -1, 0, 80, 200, 20, VK_TEXT_RIGHT);
    // Dates and amounts take each thread's glyph tables, accented text the layout.
    for (int i = 0; i < 40; ++i) {
      const std::u16string date = u"2024-0" + std::u16string(1, u'1' + i % 9) + u"-1" + std::u16string(1, u'0' + i % 10);
      VkDrawText(s, shared, kBlack, date.c_str(), -1, (i % 4) * 50, 60, 0, 0, VK_TEXT_BASELINE);
      VkDrawText(s, shared, kBlack, i % 2 ? u"Zürich" : u"AVAWAY", -1, (i % 4) * 50, 75, 0, 0, VK_TEXT_BASELINE);
    }
    VkEndSurface(s);
    VkDestroySurface(s);
    pixels->assign(page.b.pData, page.b.pData + page.b.uDataSize);
  };
  std::vector<uint8_t> alone;
  double aloneWidth = 0;
  drawPage(&alone, &aloneWidth);
  ASSERT_FALSE(alone.empty());
  std::vector<std::vector<uint8_t>> results(4);
  std::vector<double> widths(4);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(drawPage, &results[t], &widths[t]);
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < 4; ++t) {
    EXPECT_TRUE(results[t] == alone) << "thread " << t;
    EXPECT_EQ(aloneWidth, widths[t]) << "thread " << t;
  }
}

// More font files than the FreeType faces the drawing library keeps open (ten), used from four
// threads at once with text of every path (plain lines, fallback scripts, underlines): opening one
// face closes an idle one, which must never be one another thread is about to draw with.
TEST(TextThreads, ManyFontFilesFromSeveralThreads) {
  Engine engine;
  const char* const faces[] = {"Calibri",     "Cambria",       "Arial",        "Times New Roman", "Courier New",
                               "Verdana",     "Georgia",       "Consolas",     "Aptos Narrow",    "Century Gothic",
                               "Book Antiqua"};
  const uint32_t styles[] = {0, VK_FONT_BOLD, VK_FONT_ITALIC, VK_FONT_BOLD | VK_FONT_ITALIC};
  std::vector<Font> fonts;
  for (const char* face : faces)
    for (uint32_t style : styles) fonts.push_back(MakeFont(engine.e, face, 9 + fonts.size() % 5, style));
  fonts.push_back(MakeFont(engine.e, "Calibri", 11, VK_FONT_UNDERLINE));
  const char16_t* const texts[] = {u"1,234.56", u"Item 42-7", u"Zürich € 12", u"日本語", u"مرحبا", u"Ωmega ﬁ", u"a\tb"};
  auto work = [&](int seed, int* failures) {
    Bitmap page(300, 200);
    VkSurface* s = nullptr;
    if (VkCreateSurface(engine.e, &page.b, &s) != 1) return;
    for (int i = 0; i < 1500; ++i) {
      const Font& f = fonts[(seed * 7 + i * 13) % fonts.size()];
      const char16_t* text = texts[(seed + i) % 7];
      double w = 0;
      if (VkMeasureText(engine.e, f, text, -1, 0, &w, nullptr) != 1) ++*failures;
      if (VkDrawText(s, f, kBlack, text, -1, (i * 37) % 250, (i * 11) % 180, 0, 0, 0) != 1) ++*failures;
    }
    VkDestroySurface(s);
  };
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(work, t, &failures[t]);
  for (std::thread& t : threads) t.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(0, failures[t]) << "thread " << t;
}

}  // namespace
