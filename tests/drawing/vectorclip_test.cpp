// Clipped texts of vector pages: texts cut at the sides share one clip per column band in the PDF,
// and the page shows what the clips and the drawing order say.
#include <unistd.h>
#include <zlib.h>
#include <fstream>
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Long texts in cells 50 x 25 px at x = 10 + 60 * column of rows 0-3, each clipped to its cell,
// then maybe a grey box over the first cell, on a 200 x 100 PDF page. Sets the page's inflated
// content and its pixels (grey, 96 dpi) as poppler draws them.
void DrawCells(std::initializer_list<int> columns, bool cover, std::string* content, std::string* grey) {
  const std::string path = "/tmp/xlx-vectorclip-" + std::to_string(getpid());
  Owned<VkVectorDocument, VkDestroyVectorDocument> doc;
  Owned<VkVectorPage, VkDestroyVectorPage> page;
  ASSERT_EQ(1, VkCreateVectorDocument(VK_VECTOR_PDF, xlxtest::U16(path + ".pdf").c_str(), doc.out()));
  ASSERT_EQ(1, VkCreateDocumentPage(doc, 200, 100, 96, page.out()));
  ASSERT_EQ(1, VkBindVectorPage(page));
  {
    Canvas cv(200, 100);
    Font font = MakeFont(cv.engine.e, "Arial", 11);
    for (int row = 0; row < 4; ++row)
      for (int column : columns) {
        int32_t saved = 0;
        const double left = 10 + 60 * column, top = row * 25;
        ASSERT_EQ(1, VkClipRect(cv.s, left, top, left + 50, top + 25, &saved));
        ASSERT_EQ(1, VkDrawText(cv.s, font, kBlack, u"MMMMMMMMMM", -1, left + 2, top + 18, 0, 0,
                                VK_TEXT_LEFT | VK_TEXT_BASELINE));
        ASSERT_EQ(1, VkRestoreClip(cv.s, saved));
      }
    if (cover) {
      ASSERT_EQ(1, VkDrawRectangle(cv.s, nullptr, MakeBrush(VK_RGB(128, 128, 128)), 10, 0, 50, 25));
    }
    cv.End();
  }
  ASSERT_EQ(1, VkBindVectorPage(nullptr));
  ASSERT_EQ(1, VkAddVectorPage(doc, page));
  ASSERT_EQ(1, VkFinishVectorDocument(doc));
  const std::string pdf = ReadFile(path + ".pdf");
  const size_t start = pdf.find("stream\n") + 7, end = pdf.find("endstream", start);
  uLongf size = 1 << 20;
  content->assign(size, '\0');
  ASSERT_EQ(Z_OK, uncompress(reinterpret_cast<Bytef*>(&(*content)[0]), &size,
                             reinterpret_cast<const Bytef*>(&pdf[start]), end - start));
  content->resize(size);
  ASSERT_EQ(0, system(("pdftoppm -r 96 -gray -singlefile " + path + ".pdf " + path).c_str()));
  const std::string pgm = ReadFile(path + ".pgm");  // "P5\n200 100\n255\n" then a byte a pixel
  if (pgm.size() >= 200 * 100) *grey = pgm.substr(pgm.size() - 200 * 100);
  unlink((path + ".pdf").c_str());
  unlink((path + ".pgm").c_str());
}

int Darkest(const std::string& grey, int x1, int y1, int x2, int y2) {
  int dark = 255;
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) dark = std::min(dark, int(uint8_t(grey[size_t(y) * 200 + size_t(x)])));
  return dark;
}

TEST(VectorClip, SidewaysClippedTextsShareAClipPerColumnAndKeepTheirOrder) {
  if (system("command -v pdftoppm >/dev/null") != 0) GTEST_SKIP() << "poppler-utils is not installed";
  const struct {
    const char* name;
    std::initializer_list<int> columns;
    bool cover;
    int clips;
  } cases[] = {{"one column", {0}, false, 1}, {"two columns", {0, 2}, false, 2}, {"box drawn after", {0}, true, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string content, grey;
    DrawCells(c.columns, c.cover, &content, &grey);
    ASSERT_EQ(grey.size(), 200u * 100u);
    int clips = 0;
    for (size_t at = content.find("W n"); at != std::string::npos; at = content.find("W n", at + 1)) ++clips;
    EXPECT_EQ(clips, c.clips) << content.substr(0, 2000);
    for (int column : c.columns) {
      const int left = 10 + 60 * column;
      EXPECT_LT(Darkest(grey, left + 20, 30, left + 48, 45), 100) << "ink inside the cells";
      EXPECT_EQ(Darkest(grey, left + 51, 0, left + 59, 100), 255) << "the texts are cut at the cells' right edge";
    }
    if (c.cover) {
      EXPECT_EQ(Darkest(grey, 12, 2, 58, 23), 128) << "the box covers the text drawn before it";
    }
  }
}

}  // namespace
