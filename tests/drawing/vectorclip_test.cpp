// Clipped texts of vector pages: texts cut at the sides share one clip per column band in the PDF,
// and what the page shows is what the clips and the drawing order say.
#include <unistd.h>
#include <zlib.h>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include "tests/drawing/drawingtestutil.h"

using namespace drawtest;

namespace {

using Page = Owned<VkVectorPage, VkDestroyVectorPage>;
using Document = Owned<VkVectorDocument, VkDestroyVectorDocument>;

struct Output {
  std::string content;   // the page's inflated content stream
  std::vector<uint8_t> grey;  // the page at 96 dpi, one byte a pixel, 200 x 100
};

// Draws a 200 x 100 page into a PDF; its content stream and its pixels as poppler draws them.
Output DrawPdf(const std::function<void(VkDrawingEngine*, VkSurface*)>& draw) {
  Output out;
  const std::string path = "/tmp/xlx-vectorclip-" + std::to_string(getpid());
  Engine engine;
  Document doc;
  Page page;
  EXPECT_EQ(1, VkCreateVectorDocument(VK_VECTOR_PDF, xlxtest::U16(path + ".pdf").c_str(), doc.out()));
  EXPECT_EQ(1, VkCreateDocumentPage(doc, 200, 100, 96, page.out()));
  EXPECT_EQ(1, VkBindVectorPage(page));
  Bitmap bitmap(200, 100);
  VkSurface* s = nullptr;
  EXPECT_EQ(1, VkCreateSurface(engine.e, &bitmap.b, &s));
  draw(engine.e, s);
  EXPECT_EQ(1, VkEndSurface(s));
  VkDestroySurface(s);
  EXPECT_EQ(1, VkBindVectorPage(nullptr));
  EXPECT_EQ(1, VkAddVectorPage(doc, page));
  EXPECT_EQ(1, VkFinishVectorDocument(doc));
  std::ifstream in(path + ".pdf", std::ios::binary);
  const std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t start = pdf.find("stream\n"), end = pdf.find("endstream", start);
  if (start != std::string::npos && end != std::string::npos) {
    std::vector<char> buf(1 << 20);
    uLongf size = buf.size();
    if (uncompress(reinterpret_cast<Bytef*>(buf.data()), &size, reinterpret_cast<const Bytef*>(&pdf[start + 7]),
                   end - start - 7) == Z_OK)
      out.content.assign(buf.data(), size);
  }
  if (system(("pdftoppm -r 96 -gray -singlefile " + path + ".pdf " + path + " 2>/dev/null").c_str()) == 0) {
    std::ifstream pgm(path + ".pgm", std::ios::binary);
    std::string magic;
    int w = 0, h = 0, max = 0;
    pgm >> magic >> w >> h >> max;
    pgm.get();
    if (magic == "P5" && w == 200 && h == 100) {
      out.grey.resize(200 * 100);
      pgm.read(reinterpret_cast<char*>(out.grey.data()), out.grey.size());
    }
  }
  unlink((path + ".pdf").c_str());
  unlink((path + ".pgm").c_str());
  return out;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Darkest pixel of the box [x1, x2) x [y1, y2).
int Darkest(const Output& o, int x1, int y1, int x2, int y2) {
  int dark = 255;
  for (int y = y1; y < y2; ++y)
    for (int x = x1; x < x2; ++x) dark = std::min<int>(dark, o.grey[size_t(y) * 200 + size_t(x)]);
  return dark;
}

// A long text in each given column's cell of rows 0-3 (cells 50 px wide, 25 px tall at x = 10 +
// 60 * column), clipped to the cell; then, if `cover`, a grey box over the first cell.
void Cells(VkDrawingEngine* e, VkSurface* s, std::initializer_list<int> columns, bool cover) {
  Font font = MakeFont(e, "Arial", 11);
  for (int row = 0; row < 4; ++row)
    for (int column : columns) {
      int32_t saved = 0;
      const double left = 10 + 60 * column, top = row * 25;
      ASSERT_EQ(1, VkClipRect(s, left, top, left + 50, top + 25, &saved));
      ASSERT_EQ(1, VkDrawText(s, font, kBlack, u"MMMMMMMMMM", -1, left + 2, top + 18, 0, 0,
                              VK_TEXT_LEFT | VK_TEXT_BASELINE));
      ASSERT_EQ(1, VkRestoreClip(s, saved));
    }
  if (cover) {
    Brush grey = MakeBrush(VK_RGB(128, 128, 128));
    ASSERT_EQ(1, VkDrawRectangle(s, nullptr, grey, 10, 0, 50, 25));
  }
}

TEST(VectorClip, SidewaysClippedTextsShareAClipPerColumnAndKeepTheirOrder) {
  if (system("command -v pdftoppm >/dev/null") != 0) GTEST_SKIP() << "poppler-utils is not installed";
  const struct {
    const char* name;
    std::initializer_list<int> columns;
    bool cover;
    int clips;
  } cases[] = {
      {"one column", {0}, false, 1},
      {"two columns", {0, 2}, false, 2},
      {"a box drawn after the texts", {0}, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Output o = DrawPdf([&](VkDrawingEngine* e, VkSurface* s) { Cells(e, s, c.columns, c.cover); });
    ASSERT_FALSE(o.content.empty());
    ASSERT_EQ(o.grey.size(), 200u * 100u);
    EXPECT_EQ(Count(o.content, "W n"), c.clips) << o.content.substr(0, 2000);
    for (int column : c.columns) {
      const int left = 10 + 60 * column;
      // Ink inside the cells (under the box: the box's grey), none in the gap right of them.
      EXPECT_LT(Darkest(o, left + 20, 30, left + 48, 45), 100);
      EXPECT_EQ(Darkest(o, left + 51, 0, left + 59, 100), 255) << "the text is cut at the cell's right edge";
    }
    if (c.cover) {
      EXPECT_EQ(Darkest(o, 12, 2, 58, 23), 128) << "the box covers the text drawn before it";
    }
  }
}

}  // namespace
