// Page size, page list and page numbering of laid-out sheets.
#include <algorithm>
#include <cmath>
#include <functional>
#include <new>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "view/layout/contenttiles.h"
#include "view/layout/layout.h"

namespace xlx {
namespace {

struct Band {
  int32_t start;
  int32_t size;
};

// Cuts a run of sizes into bands of at most `page` pixels. Each size alone at least a page wide
// makes a band of its own; the last open band is given the full page size.
std::vector<Band> CutBands(const std::function<double(int32_t)>& sizeOf, int32_t first, double content, double page) {
  std::vector<Band> bands;
  double pending = 0, emitted = 0, running = 0;
  int32_t start = 0;
  auto emit = [&](double width) {
    bands.push_back(Band{start, RoundPx(width)});
    emitted += width;
    start = RoundPx(emitted);
  };
  // Hostile geometry cannot loop forever: a band holds at least one item, and items past the
  // grid have the default size, which is positive.
  for (int32_t i = first; running < content && i < first + 20000000; ++i) {
    double size = sizeOf(i);
    running += size;
    if (std::fabs(pending) < 1e-5 && size >= page - 1e-5) {
      emit(size);
    } else if (std::fabs(pending - page) >= 1e-5 && pending + size <= page) {
      pending += size;
    } else {
      emit(pending);
      pending = size;
    }
  }
  if (pending > 1e-5 || bands.empty()) {
    bands.push_back(Band{start, RoundPx(page)});
  }
  return bands;
}

double ColumnSize(const XlsxGridInfo& g, int32_t i) {
  return i >= 1 && i <= static_cast<int32_t>(g.columns.size()) ? g.columns[i - 1].size : g.defColWidthPx * g.scale;
}

double RowSize(const XlsxGridInfo& g, int32_t i) {
  return i >= 1 && i <= static_cast<int32_t>(g.rows.size()) ? g.rows[i - 1].size : g.defRowHeightPx * g.scale;
}

void SinglePage(SheetLayout* l, double w, double h) { l->pages.assign(1, _PAGEINFO{RoundPx(w), RoundPx(h), 0, 0}); }

// The columns (rows) each band of pixels shows: from the item holding its first pixel to the
// item holding its last.
std::vector<AxisCut> BandItems(const std::vector<Band>& bands, const std::function<int32_t(double)>& itemAt) {
  std::vector<AxisCut> cuts;
  cuts.reserve(bands.size());
  for (const Band& b : bands) {
    const int32_t first = itemAt(b.start + 1e-3);
    cuts.push_back(AxisCut{first, std::max(first, itemAt(static_cast<double>(b.start) + b.size))});
  }
  return cuts;
}

int32_t AddContentTilePages(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach,
                            const std::vector<Band>& cols, const std::vector<Band>& rows, const LayoutOptions& o,
                            SheetLayout* l) {
  const XlsxGridInfo& g = l->grid;
  const std::vector<AxisCut> colItems = BandItems(cols, [&](double x) { return GridColumnAt(g, x); });
  const std::vector<AxisCut> rowItems = BandItems(rows, [&](double y) { return GridRowAt(g, y); });
  std::vector<ContentTile> tiles;
  int32_t r = FindContentTiles(sheet, reach, colItems, rowItems, !o.bPageOrderDownThenOver, kMaxSheetPages, &tiles,
                               &l->pagesCut);
  if (r != XLX_OK) return r;
  if (tiles.empty()) tiles.push_back(ContentTile{0, 0});
  l->pages.reserve(tiles.size());
  for (const ContentTile& t : tiles) {
    const Band& c = cols[size_t(t.col)];
    const Band& b = rows[size_t(t.row)];
    l->pages.push_back(_PAGEINFO{c.size, b.size, -c.start, -b.start});
  }
  l->sparse = true;
  return XLX_OK;
}

// A sheet of very many tiles: the tiles that show content, in page order (none when the content
// lies outside every tile: the first tile then stands for the sheet).
int32_t AddContentPages(const MyWorksheet& sheet, const std::vector<MyCellBounds>& reach, const std::vector<Band>& cols,
                        const std::vector<Band>& rows, const LayoutOptions& o, SheetLayout* l) {
  try {
    return AddContentTilePages(sheet, reach, cols, rows, o, l);
  } catch (const std::bad_alloc&) {
    l->pages.clear();
    return XLX_ERR_MEMORY;
  }
}

}  // namespace

int32_t PaginateSheet(SheetLayout* l, const LayoutOptions& o, const MyWorksheet& sheet,
                      const std::vector<MyCellBounds>& reach) {
  const XlsxGridInfo& g = l->grid;
  l->pagesCut = false;
  l->sparse = false;
  l->contentHeight = g.totalHeight;
  l->contentWidth = std::max(g.totalWidth, l->overflowExtent);
  const double W = RoundPx(l->contentWidth), H = RoundPx(l->contentHeight);
  if (o.loadMode != kLoadPaginated && g.totalWidth * g.totalHeight >= 1e10)
    return XLX_CORRUPT(XLX_ERR_LIMIT, "sheet too large for one page");
  if (o.loadMode == kLoadPageSized || o.loadMode == kLoadPaginated) {
    l->pageWidth = RoundPx(o.pageWidth - o.marginLeft - o.marginRight);
    l->pageHeight = RoundPx(o.pageHeight - o.marginTop - o.marginBottom);
  } else {
    l->pageWidth = std::max<double>(W, static_cast<int32_t>(8.5 * o.xResolution));
    l->pageHeight = std::max<double>(H, static_cast<int32_t>(11.0 * o.yResolution));
  }
  l->pages.clear();
  if (l->empty) {
    SinglePage(l, o.pageWidth, o.pageHeight);
    l->contentWidth = l->pages[0].nWidth;
    l->contentHeight = l->pages[0].nHeight;
    if (o.loadMode == kLoadPaginated) l->pageWidth = l->pages[0].nWidth, l->pageHeight = l->pages[0].nHeight;
    return XLX_OK;
  }
  if (o.loadMode != kLoadPaginated) {
    SinglePage(l, l->pageWidth, l->pageHeight);
    return XLX_OK;
  }
  const double pageW = std::max(1.0, o.bUseSheetWidth && o.bClipCells ? std::max(1.0, W) : l->pageWidth);
  const double pageH = std::max(1.0, l->pageHeight);
  std::vector<Band> cols, rows;
  if (o.bClipCells) {
    int32_t nc = std::max<int32_t>(1, static_cast<int32_t>(std::ceil(W / pageW)));
    int32_t nr = std::max<int32_t>(1, static_cast<int32_t>(std::ceil(H / pageH)));
    for (int32_t c = 0; c < nc; ++c) cols.push_back(Band{static_cast<int32_t>(c * pageW), RoundPx(pageW)});
    for (int32_t r = 0; r < nr; ++r) rows.push_back(Band{static_cast<int32_t>(r * pageH), RoundPx(pageH)});
  } else {
    if (o.bUseSheetWidth) cols.push_back(Band{0, static_cast<int32_t>(W)});
    else if (W <= pageW) cols.push_back(Band{0, RoundPx(pageW)});
    else if (l->contentWidth / pageW <= 1.3) cols.push_back(Band{0, static_cast<int32_t>(W)});
    else cols = CutBands([&](int32_t i) { return ColumnSize(g, i); }, std::max(1, g.bounds.ColFirst), l->contentWidth, pageW);
    rows = CutBands([&](int32_t i) { return RowSize(g, i); }, std::max(1, g.bounds.RowFirst), l->contentHeight, pageH);
    double cw = 0, ch = 0;
    for (const Band& b : cols) cw += b.size;
    for (const Band& b : rows) ch += b.size;
    l->contentWidth = cw;
    l->contentHeight = ch;
  }
  const size_t count = cols.size() * rows.size();
  if (o.bClipCells) {
    l->contentWidth = cols.size() * pageW;
    l->contentHeight = rows.size() * pageH;
  }
  if (count > kSparsePageThreshold) return AddContentPages(sheet, reach, cols, rows, o, l);
  l->pages.reserve(count);
  auto add = [&](const Band& c, const Band& r) { l->pages.push_back(_PAGEINFO{c.size, r.size, -c.start, -r.start}); };
  if (o.bPageOrderDownThenOver) {
    for (const Band& c : cols)
      for (const Band& r : rows) add(c, r);
  } else {
    for (const Band& r : rows)
      for (const Band& c : cols) add(c, r);
  }
  return XLX_OK;
}

int32_t NumberPages(const std::vector<SheetLayout>& layouts, uint32_t loadMode) {
  int64_t total = 0;
  for (const SheetLayout& layout : layouts) total += loadMode == kLoadPaginated ? static_cast<int64_t>(layout.pages.size()) : 1;
  return static_cast<int32_t>(std::min<int64_t>(total, INT32_MAX));
}

}  // namespace xlx
