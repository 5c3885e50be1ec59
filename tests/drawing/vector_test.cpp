// Vector pages of the drawing engine: which surface a bound page captures, what the bitmap keeps,
// pictures stored once per document, memory left behind by documents written one after another,
// and the argument and file errors of pages and documents.
#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>
#include <vector>
#include "tests/drawing/drawingtestutil.h"
#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of bytes allocated and not freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

using namespace drawtest;

namespace {

std::string Scratch(const char* name) { return "/tmp/xlx-vector-" + std::to_string(getpid()) + "-" + name; }

std::string Output(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
  }
  return out;
}

using Page = Owned<VkVectorPage, VkDestroyVectorPage>;
using Document = Owned<VkVectorDocument, VkDestroyVectorDocument>;
using Brush = Owned<VkBrush, VkDestroyBrush>;

// Fills the whole surface with `color` and ends it.
void Paint(VkSurface* s, uint32_t w, uint32_t h, VkColor color) {
  Brush brush;
  ASSERT_EQ(1, VkCreateSolidBrush(color, brush.out()));
  ASSERT_EQ(1, VkDrawRectangle(s, nullptr, brush, 0, 0, w, h));
  ASSERT_EQ(1, VkEndSurface(s));
}

// White when read back by rows, as the host reads a page bitmap.
bool RowsWhite(_BITMAPHANDLE* b) {
  std::vector<uint8_t> row(b->uBytesPerLine);
  for (uint32_t y = 0; y < b->uHeight; ++y) {
    if (VkGetBitmapRow(b, row.data(), static_cast<int32_t>(y), b->uBytesPerLine) < 1) return false;
    for (uint32_t x = 0; x < b->uWidth * 3; ++x)
      if (row[x] != 255) return false;
  }
  return true;
}

TEST(VectorPage, BindingCapturesEverySurfaceOfThePageSizeOnTheBindingThread) {
  Engine engine;
  Page page;
  ASSERT_EQ(1, VkCreateVectorPage(40, 30, 96, page.out()));
  ASSERT_EQ(1, VkBindVectorPage(page));
  // In order: a scratch bitmap of another size, the page bitmap (blank: the binding reserved it),
  // a second pass on a page-sized bitmap, and one made on another thread. The middle two draw on
  // the page, so their bitmaps read back white.
  const struct {
    uint32_t w, h;
    bool otherThread;
    bool vector, blank;
  } cases[] = {{20, 30, false, false, false}, {40, 30, false, true, true}, {40, 30, false, true, false},
               {40, 30, true, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << (c.otherThread ? " other thread" : ""));
    Bitmap bitmap;
    auto draw = [&]() {
      ASSERT_EQ(1, VkCreateBitmap(&bitmap.b, sizeof bitmap.b, 1, c.w, c.h, 24, 1, nullptr, 1, nullptr, 0));
      VkSurface* s = nullptr;
      ASSERT_EQ(1, VkCreateSurface(engine.e, &bitmap.b, &s));
      Paint(s, c.w, c.h, VK_RGB(200, 0, 0));
      VkDestroySurface(s);
    };
    if (c.otherThread) std::thread(draw).join();
    else draw();
    EXPECT_EQ((bitmap.b.uFlags & BITMAP_BLANK) != 0, c.blank);
    EXPECT_EQ(bitmap.b.pData == nullptr, c.blank);
    EXPECT_EQ(RowsWhite(&bitmap.b), c.vector);
    EXPECT_EQ(VkVectorPageUsed(page), &c == &cases[0] ? 0 : 1);
  }
  ASSERT_EQ(1, VkBindVectorPage(nullptr));
}

TEST(VectorDocument, PicturesAreStoredOncePerDocument) {
  if (system("command -v pdfimages >/dev/null") != 0) GTEST_SKIP() << "poppler-utils is not installed";
  Engine engine;
  Bitmap red(16, 8), blue(16, 8);
  for (uint32_t y = 0; y < 8; ++y)
    for (uint32_t x = 0; x < 16; ++x) {
      uint8_t* r = red.b.pData + y * red.b.uBytesPerLine + x * 3;
      uint8_t* b = blue.b.pData + y * blue.b.uBytesPerLine + x * 3;
      r[0] = 0, r[1] = static_cast<uint8_t>(x * 8), r[2] = 255;
      b[0] = 255, b[1] = static_cast<uint8_t>(y * 16), b[2] = 0;
    }
  const std::string path = Scratch("pictures.pdf");
  Document doc;
  ASSERT_EQ(1, VkCreateVectorDocument(VK_VECTOR_PDF, xlxtest::U16(path).c_str(), doc.out()));
  // Three pages show the red picture (twice on the last, once cropped), two show the blue one.
  for (int p = 0; p < 3; ++p) {
    Page page;
    ASSERT_EQ(1, VkCreateVectorPage(200, 100, 96, page.out()));
    ASSERT_EQ(1, VkBindVectorPage(page));
    Bitmap bitmap(200, 100);
    VkSurface* s = nullptr;
    ASSERT_EQ(1, VkCreateSurface(engine.e, &bitmap.b, &s));
    EXPECT_EQ(1, VkDrawImage(s, &red.b, 10 + p * 20, 10, 32, 16, 0, 0, 0, 0, 1));
    if (p > 0) {
      EXPECT_EQ(1, VkDrawImage(s, &blue.b, 100, 50, 64, 32, 0, 0, 0, 0, 1));
    }
    if (p == 2) {
      EXPECT_EQ(1, VkDrawImage(s, &red.b, 100, 10, 16, 16, 0, 0, 0, 0, 1));
    }
    ASSERT_EQ(1, VkEndSurface(s));
    VkDestroySurface(s);
    ASSERT_EQ(1, VkBindVectorPage(nullptr));
    ASSERT_EQ(1, VkAddVectorPage(doc, page));
  }
  ASSERT_EQ(1, VkFinishVectorDocument(doc));
  // pdfimages -list: a line per use of an image, with its object number in column 11.
  std::istringstream lines(Output("pdfimages -list " + path + " 2>&1"));
  std::string line;
  std::set<std::string> objects;
  int uses = 0;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    if (f.size() < 12 || f[0] == "page" || f[0][0] == '-') continue;
    ++uses;
    objects.insert(f[10]);
  }
  EXPECT_EQ(uses, 6);
  EXPECT_EQ(objects.size(), 2u) << "one stored image per distinct picture\n" << Output("pdfimages -list " + path);
  unlink(path.c_str());
}

#if defined(__SANITIZE_ADDRESS__)
// A PDF of two pages, each with `text` in `face` (plain and wrapped), a picture, a gradient fill and
// a dashed line: the fonts, images and patterns a document holds.
void WriteDocument(VkDrawingEngine* engine, const char* face, const char16_t* text, const std::string& path) {
  Bitmap picture(24, 12);
  Font font = MakeFont(engine, face, 11);
  const double geometry[] = {0, 0, 120, 0};
  const VkGradientStop stops[] = {{0, VK_RGB(255, 0, 0)}, {1, VK_RGB(0, 0, 255)}};
  Brush gradient;
  ASSERT_EQ(1, VkCreateGradientBrush(VK_GRADIENT_LINEAR, geometry, 4, stops, 2, gradient.out()));
  Pen dashed = MakePen(VK_RGB(0, 128, 0), 1.5, VK_PEN_DASH);
  Document doc;
  ASSERT_EQ(1, VkCreateVectorDocument(VK_VECTOR_PDF, xlxtest::U16(path).c_str(), doc.out()));
  for (int p = 0; p < 2; ++p) {
    Page page;
    ASSERT_EQ(1, VkCreateVectorPage(300, 200, 96, page.out()));
    ASSERT_EQ(1, VkBindVectorPage(page));
    {
      Canvas canvas(300, 200);
      EXPECT_EQ(1, VkDrawText(canvas.s, font, kBlack, text, -1, 10, 30, 0, 0, VK_TEXT_BASELINE));
      EXPECT_EQ(1, VkDrawText(canvas.s, font, kBlack, text, -1, 10, 40, 80, 30, VK_TEXT_WRAP));
      EXPECT_EQ(1, VkDrawImage(canvas.s, &picture.b, 150, 20, 48, 24, 0, 0, 0, 0, 1));
      EXPECT_EQ(1, VkDrawEllipse(canvas.s, dashed, gradient, 20, 100, 120, 60));
      canvas.End();
    }
    ASSERT_EQ(1, VkBindVectorPage(nullptr));
    ASSERT_EQ(1, VkAddVectorPage(doc, page));
  }
  ASSERT_EQ(1, VkFinishVectorDocument(doc));
}
#endif

// A service writes documents one after another: once the first few have filled the font caches,
// a document leaves nothing behind, with CJK text too: its faces are TrueType designs, and a
// workbook that names Noto CJK (CID-keyed CFF, which Cairo 1.16 loses 768 bytes per font and
// document embedding) gets one of them as well. Counted exactly by the sanitizer runtime (the
// allocator's own figures move by tens of kilobytes with its per-thread caches).
TEST(VectorDocument, DocumentsWrittenOneAfterAnotherKeepNoMemory) {
#if !defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "counted in the AddressSanitizer build";
#else
  const struct {
    const char* face;
    const char16_t* text;
  } cases[] = {{"Liberation Sans", u"Total 1,234.50 \u2013 \u00dcbersicht"},
               {"MS PGothic", u"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8 2024"},
               {"Calibri", u"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8 2024"},
               {"Batang", u"\ud55c\uad6d\uc5b4 \ud14d\uc2a4\ud2b8"},
               {"SimSun", u"\u7b80\u4f53\u4e2d\u6587 \u6587\u672c"},
               {"Noto Sans CJK JP", u"\u65e5\u672c\u8a9e\u306e\u30c6\u30ad\u30b9\u30c8 2024"}};
  constexpr int kWarmUp = 3, kDocuments = 30;
  constexpr size_t kSettling = 4096;  // caches that still fill after the warm-up, once
  Engine engine;
  const std::string path = Scratch("repeated.pdf");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.face);
    for (int i = 0; i < kWarmUp; ++i) WriteDocument(engine.e, c.face, c.text, path);
    const size_t before = __sanitizer_get_current_allocated_bytes();
    for (int i = 0; i < kDocuments; ++i) WriteDocument(engine.e, c.face, c.text, path);
    const size_t after = __sanitizer_get_current_allocated_bytes();
    EXPECT_LE(after, before + kSettling) << (after - before) / kDocuments << " B/document";
    // The text really is in the document, its font embedded (transparent text would embed none).
    EXPECT_NE(std::string::npos, Output("pdffonts " + path + " 2>&1").find(" yes ")) << c.face;
  }
  unlink(path.c_str());
#endif
}

TEST(VectorDocument, ArgumentAndFileErrors) {
  Page page, unused;
  EXPECT_EQ(-13, VkCreateVectorPage(0, 10, 96, page.out()));
  EXPECT_EQ(-13, VkCreateVectorPage(10, 2000000, 96, page.out()));
  EXPECT_EQ(-13, VkCreateVectorPage(10, 10, 0, page.out()));
  EXPECT_EQ(-13, VkCreateVectorPage(10, 10, 96, nullptr));
  ASSERT_EQ(1, VkCreateVectorPage(10, 10, 96, unused.out()));
  ASSERT_EQ(1, VkCreateVectorPage(10, 10, 72, page.out()));
  {
    Engine engine;
    Bitmap bitmap(10, 10);
    ASSERT_EQ(1, VkBindVectorPage(page));
    VkSurface* s = nullptr;
    ASSERT_EQ(1, VkCreateSurface(engine.e, &bitmap.b, &s));
    ASSERT_EQ(1, VkBindVectorPage(nullptr));
    Paint(s, 10, 10, VK_RGB(0, 0, 0));
    VkDestroySurface(s);
  }
  Document doc;
  EXPECT_EQ(-13, VkCreateVectorDocument(3, u"/tmp/x", doc.out()));
  EXPECT_EQ(-13, VkCreateVectorDocument(VK_VECTOR_PDF, u"", doc.out()));
  EXPECT_EQ(-14, VkCreateVectorDocument(VK_VECTOR_PDF, u"/nonexistent-folder/x.pdf", doc.out()));
  const std::string path = Scratch("one.svg");
  ASSERT_EQ(1, VkCreateVectorDocument(VK_VECTOR_SVG, xlxtest::U16(path).c_str(), doc.out()));
  EXPECT_EQ(-13, VkFinishVectorDocument(doc)) << "no page yet";
  EXPECT_EQ(-13, VkAddVectorPage(doc, unused)) << "a page nothing drew on";
  EXPECT_EQ(1, VkAddVectorPage(doc, page));
  EXPECT_EQ(-13, VkAddVectorPage(doc, page)) << "an SVG holds one page";
  EXPECT_EQ(-13, VkSetVectorDocumentInfo(doc, u"late", nullptr)) << "info comes before the first page";
  EXPECT_EQ(1, VkFinishVectorDocument(doc));
  unlink(path.c_str());
}

}  // namespace
