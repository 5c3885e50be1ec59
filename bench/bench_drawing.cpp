// Drawing cost of a page of cells: 10,000 cells' worth of fills, cell borders and short texts
// drawn through the drawing layer on a letter page at 96 and at 300 dpi (cells grow with the
// resolution, so the 300 dpi page has about ten times the pixels to paint). Figures per page:
// the surface's set-up (copying the 24-bit page into the drawing buffer), each kind of
// primitive alone, all of them together, and the write-back into the page; plus the cost of
// measuring a text, which layout pays for every cell. Then a dense page of 1,000 short cell texts
// (dates, amounts, labels) measured and drawn straight through the host engine as the page
// renderer does, with the simple-text path and with every text through the full layout.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "view/drawlayer/drawlayer.h"

namespace {

// Stops the benchmark when the drawing layer refuses a call: its figures would mean nothing.
void Must(int32_t result) {
  if (result != 1) {
    std::fprintf(stderr, "bench_drawing: a drawing call failed with %d\n", static_cast<int>(result));
    std::exit(1);
  }
}

using namespace xlx;

constexpr int kCells = 10000;

struct PageSize {
  double dpi;
  uint32_t width, height;
};

struct Cell {
  double left, top, width, height;
  std::u16string text;
  bool number, filled;
};

// Cells of 64 x 20 px at 96 dpi, laid out over the page row by row and again from the top when
// the page is full, with the texts and fills of an ordinary sheet.
std::vector<Cell> MakeCells(const PageSize& page) {
  const double k = page.dpi / 96.0, w = 64 * k, h = 20 * k;
  const int columns = static_cast<int>(page.width / w), rows = static_cast<int>(page.height / h);
  std::vector<Cell> cells(kCells);
  for (int i = 0; i < kCells; ++i) {
    const int slot = i % (columns * rows);
    Cell& c = cells[i];
    c.left = (slot % columns) * w, c.top = (slot / columns) * h, c.width = w, c.height = h;
    c.number = i % 3 != 0;
    std::string s = c.number ? std::to_string(1000 + i * 37 % 90000) + "." + std::to_string(10 + i % 90) : "Item " + std::to_string(i);
    c.text.assign(s.begin(), s.end());
    c.filled = i % 4 == 0;
  }
  return cells;
}

struct Objects {
  VkPen* grid = nullptr;
  VkPen* border = nullptr;
  VkBrush* fill = nullptr;
  DrawFontSpec font;
  Objects(double dpi) {
    Must(SetDrawPen(0xFFD4D4D4u, kPenSolid, 1, nullptr, 0, &grid));
    Must(SetDrawPen(0xFF000000u, kPenSolid, 1, nullptr, 0, &border));
    Must(SetDrawHatchBrush(0xFFCCF2FFu, 0xFFFFFFFFu, kBrushSolid, 0, &fill));
    const char16_t face[] = u"Calibri";
    for (int i = 0; face[i]; ++i) font.lfFaceName[i] = face[i];
    font.dHeightPx = 11 * dpi / 72.0;
    font.lfHeight = -static_cast<int32_t>(font.dHeightPx + 0.5);
  }
  ~Objects() {
    FreeDrawPen(grid);
    FreeDrawPen(border);
    FreeDrawBrush(fill);
  }
};

enum Parts : unsigned { kRects = 1, kLines = 2, kTexts = 4, kAll = 7 };

void DrawCells(DrawingSurface* s, const std::vector<Cell>& cells, const Objects& o, unsigned parts) {
  if (parts & kRects) {
    SetDrawSmoothing(s, false);
    for (const Cell& c : cells)
      if (c.filled) AddDrawRectangle(s, nullptr, o.fill, c.left, c.top, c.width, c.height);
    SetDrawSmoothing(s, true);
  }
  if (parts & kLines) {
    for (size_t i = 0; i < cells.size(); ++i) {
      const Cell& c = cells[i];
      const VkPen* pen = i % 5 == 0 ? o.border : o.grid;
      AddDrawLine(s, pen, c.left, c.top + c.height, c.left + c.width, c.top + c.height);
      AddDrawLine(s, pen, c.left + c.width, c.top, c.left + c.width, c.top + c.height);
    }
  }
  if (parts & kTexts) {
    const double inset = o.font.dHeightPx / 6;
    for (const Cell& c : cells) {
      const DrawRect r{c.left + inset, c.top, c.width - 2 * inset, c.height};
      AddDrawText(s, c.text.c_str(), static_cast<int32_t>(c.text.size()), o.font, 0xFF000000u, r,
                  (c.number ? kTextRight : kTextLeft) | kTextBottom);
    }
  }
}

void Run(const PageSize& size) {
  void* object = nullptr;
  VkCreateDrawingObject(VkQueryDrawingEngine(), &object);
  auto* engine = static_cast<VkDrawingEngine*>(object);
  VkSetTextResolution(engine, size.dpi);
  _BITMAPHANDLE page{};
  if (VkCreateBitmap(&page, sizeof page, 1, size.width, size.height, 24, 1, nullptr, 1, nullptr, 0) != 1) {
    std::fprintf(stderr, "no page bitmap\n");
    return;
  }
  page.uXResolution = page.uYResolution = static_cast<uint32_t>(size.dpi);
  const std::vector<Cell> cells = MakeCells(size);
  Objects objects(size.dpi);
  const std::string at = " @" + std::to_string(static_cast<int>(size.dpi)) + "dpi";

  // Warm-up: fonts, font maps and the drawing buffer are made on first use.
  DrawingSurface* s = nullptr;
  double t0 = xlxbench::NowSeconds();
  Must(CreateDrawingSurface(engine, &page, &s));
  const double firstSetup = xlxbench::NowSeconds() - t0;
  InitEngine(s);
  DrawCells(s, cells, objects, kAll);
  DestroyDrawingSurface(s);

  struct Phase {
    const char* name;
    unsigned parts;
  } phases[] = {{"rectangles", kRects}, {"lines", kLines}, {"texts", kTexts}, {"all", kAll}};
  double setup = 0, end = 0;
  for (const Phase& p : phases) {
    const int rounds = 3;
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
      double a = xlxbench::NowSeconds();
      Must(CreateDrawingSurface(engine, &page, &s));
      double b = xlxbench::NowSeconds();
      InitEngine(s);
      DrawCells(s, cells, objects, p.parts);
      double c = xlxbench::NowSeconds();
      Must(EndEngine(s));
      double d = xlxbench::NowSeconds();
      DestroyDrawingSurface(s);
      best = std::min(best, c - b);
      setup = b - a, end = d - c;
    }
    xlxbench::Report(std::string("draw 10k cells: ") + p.name + at, xlxbench::Seconds(best), "", 0);
    if (p.parts == kAll)
      xlxbench::Report("per cell, all" + at, std::to_string(best / kCells * 1e6) + " us", "", 0);
  }
  xlxbench::Report("surface set-up, first (fresh buffer)" + at, xlxbench::Seconds(firstSetup), "", 0);
  xlxbench::Report("surface set-up, reused buffer" + at, xlxbench::Seconds(setup), "first", setup / firstSetup);
  xlxbench::Report("write-back to the 24-bit page" + at, xlxbench::Seconds(end), "", 0);

  // Measuring, as layout does for every cell's text.
  double w = 0, h = 0;
  double a = xlxbench::NowSeconds();
  for (const Cell& c : cells)
    Must(GetDrawTextExtent(engine, c.text.c_str(), static_cast<int32_t>(c.text.size()), objects.font, &w, &h));
  xlxbench::Report("measure 10k texts" + at, xlxbench::Seconds(xlxbench::NowSeconds() - a), "", 0);

  VkFreeBitmap(&page);
  VkDestroyDrawingObject(engine);
}

// 1,000 cell texts on one page: each is measured (as layout and alignment need) and drawn at its
// baseline, numbers to the right of their cell. Best of three pages, in ms per page.
double DensePage(VkDrawingEngine* engine, _BITMAPHANDLE* page, VkFont* font, const std::vector<Cell>& cells) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    VkSurface* s = nullptr;
    if (VkCreateSurface(engine, page, &s) != 1) return 0;
    const double a = xlxbench::NowSeconds();
    for (const Cell& c : cells) {
      double w = 0, h = 0;
      const int32_t n = static_cast<int32_t>(c.text.size());
      VkMeasureText(engine, font, c.text.c_str(), n, 0, &w, &h);
      const double inset = 2;
      const double x = c.number ? c.left + c.width - inset - w : c.left + inset;
      VkDrawText(s, font, VK_RGB(0, 0, 0), c.text.c_str(), n, x, c.top + c.height - 4, 0, 0,
                 VK_TEXT_LEFT | VK_TEXT_BASELINE);
    }
    best = std::min(best, xlxbench::NowSeconds() - a);
    VkDestroySurface(s);
  }
  return best * 1e3;
}

void RunDense(const PageSize& size) {
  const std::string at = " @" + std::to_string(static_cast<int>(size.dpi)) + "dpi";
  _BITMAPHANDLE page{};
  if (VkCreateBitmap(&page, sizeof page, 1, size.width, size.height, 24, 1, nullptr, 1, nullptr, 0) != 1) return;
  page.uXResolution = page.uYResolution = static_cast<uint32_t>(size.dpi);
  std::vector<Cell> cells = MakeCells(size);
  cells.resize(1000);
  for (size_t i = 0; i < cells.size(); ++i) {
    // Dates, amounts and labels, as a typical sheet shows them.
    char text[32];
    if (i % 3 == 0) std::snprintf(text, sizeof text, "2024-%02d-%02d", static_cast<int>(1 + i % 12), static_cast<int>(1 + i % 28));
    else if (i % 3 == 1) std::snprintf(text, sizeof text, "%d,%03d.%02d", static_cast<int>(i % 97), static_cast<int>(i * 7 % 1000), static_cast<int>(i % 100));
    else std::snprintf(text, sizeof text, "Item %d-%d", static_cast<int>(i / 20), static_cast<int>(i % 20));
    cells[i].text.assign(text, text + std::strlen(text));
    cells[i].number = i % 3 != 2;
  }
  double ms[2] = {0, 0};
  for (int simple = 1; simple >= 0; --simple) {
    void* object = nullptr;
    VkCreateDrawingObject(VkQueryDrawingEngine(), &object);
    auto* engine = static_cast<VkDrawingEngine*>(object);
    VkSetTextResolution(engine, size.dpi);
    VkSetSimpleText(engine, simple);
    VkFont* font = nullptr;
    VkCreateFont(engine, u"Calibri", 11, 0, &font);
    DensePage(engine, &page, font, cells);  // warm-up: font maps, glyph tables, the drawing buffer
    ms[simple] = DensePage(engine, &page, font, cells);
    VkDestroyFont(font);
    VkDestroyDrawingObject(engine);
  }
  char value[64];
  std::snprintf(value, sizeof value, "%.2f ms", ms[0]);
  xlxbench::Report("dense page, 1,000 short cell texts, full layout" + at, value, "", 0);
  std::snprintf(value, sizeof value, "%.2f ms", ms[1]);
  xlxbench::Report("dense page, 1,000 short cell texts, simple-text path" + at, value, "full layout",
                   ms[0] > 0 ? ms[1] / ms[0] : 0);
  VkFreeBitmap(&page);
}

}  // namespace

int main() {
  Run({96, 816, 1056});
  Run({300, 2550, 3300});
  RunDense({96, 816, 1056});
  RunDense({300, 2550, 3300});
  std::printf("peak memory %s\n", xlxbench::Megabytes(xlxbench::PeakRssBytes()).c_str());
  return 0;
}
