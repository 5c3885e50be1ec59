// Page set-up, gridlines and the cell pass of one page.
#include "view/page/render.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "common/progress.h"
#include "common/resultcodes.h"
#include "view/cells/cellpass.h"
#include "view/objects/pictures.h"
#include "view/cells/tables.h"

namespace xlx {
namespace {

// The page rectangle and scale worked out before drawing.
struct PageFrame {
  double sx = 1, sy = 1;
  double xOffset = 0, yOffset = 0;  // the page's offsets (negated top-left in sheet pixels)
  double pageWidth = 0, pageHeight = 0;
  double left = 0, top = 0, right = 0, bottom = 0;  // page rectangle in world pixels
};

bool IsPaintable(CellColor c) { return (c & 0xFFFFFF) != 0xFFFFFF && (c >> 24) != 0; }


void ScaleForSizeMode(const PageRenderRequest& r, PageFrame* f) {
  const SheetLayout& l = *r.layout;
  if (r.options.loadMode == kLoadPaginated) return;
  double sx = l.contentWidth > 0 ? f->pageWidth / l.contentWidth : 1;
  double sy = l.contentHeight > 0 ? f->pageHeight / l.contentHeight : 1;
  switch (r.options.sizeMode) {
    case 0: sx = sy = 1; break;
    case 1: {
      double m = std::min(sx, sy);
      sx = sy = m < 1 ? m : 1;
      break;
    }
    case 2: sx = sy = std::min(sx, sy); break;
    case 3: sy = sx; break;
    default: break;
  }
  f->sx = sx;
  f->sy = sy;
}

int32_t SetUpPage(const PageRenderRequest& r, DrawingSurface* s, PageFrame* f, int32_t* savedClip) {
  const _PAGEINFO& page = r.pageOverride ? *r.pageOverride : r.layout->pages[r.pageIndex];
  f->xOffset = page.nXOffset;
  f->yOffset = page.nYOffset;
  f->pageWidth = page.nWidth;
  f->pageHeight = page.nHeight;
  if (r.options.loadMode != kLoadPaginated) {
    // One page per sheet: the page is the bitmap, less nothing.
    f->pageWidth = r.bitmap->uWidth;
    f->pageHeight = r.bitmap->uHeight;
    if (static_cast<double>(r.bitmap->uWidth) * r.bitmap->uHeight >= kMaxPagePixels)
      return XLX_CORRUPT(XLX_ERR_LIMIT, "page larger than one bitmap");
  }
  ScaleForSizeMode(r, f);
  int32_t rc = ScaleDrawTransform(s, f->sx, f->sy);
  if (rc == XLX_OK) rc = TranslateDrawTransform(s, f->xOffset, f->yOffset);
  if (rc != XLX_OK) return rc;
  const LayoutOptions& o = r.options;
  if (o.loadMode == kLoadPaginated) {
    double left = o.marginLeft - f->xOffset, top = o.marginTop - f->yOffset;
    rc = SetDrawClipRgn(s, left, top, left + page.nWidth, top + page.nHeight, savedClip);
    if (rc != XLX_OK) return rc;
  }
  if (IsPaintable(r.sheet->clBackColor) && !r.blackAndWhite) {
    VkBrush* brush = nullptr;
    if (SetDrawBrush(Opaque(r.sheet->clBackColor), kBrushSolid, 0, &brush) == XLX_OK) {
      AddDrawRectangle(s, nullptr, brush, RoundHalfAway(o.marginLeft - f->xOffset), RoundHalfAway(o.marginTop - f->yOffset),
                      r.options.loadMode == kLoadPaginated ? page.nWidth : std::max<double>(page.nWidth, r.layout->contentWidth),
                      r.options.loadMode == kLoadPaginated ? page.nHeight : std::max<double>(page.nHeight, r.layout->contentHeight));
      FreeDrawBrush(brush);
    }
  }
  f->left = RoundPx(o.marginLeft) - f->xOffset;
  f->top = RoundPx(o.marginTop) - f->yOffset;
  if (o.loadMode == kLoadPaginated) {
    f->right = f->left + page.nWidth;
    f->bottom = f->top + page.nHeight;
  } else {
    // The whole sheet is on the page, whatever the scale.
    f->right = f->left + std::max(r.layout->contentWidth, f->pageWidth / std::max(f->sx, 1e-9));
    f->bottom = f->top + std::max(r.layout->contentHeight, f->pageHeight / std::max(f->sy, 1e-9));
  }
  return XLX_OK;
}

int32_t DrawGridlines(const PageRenderRequest& r, DrawingSurface* s, const PageFrame& f) {
  const XlsxGridInfo& g = r.layout->grid;
  const LayoutOptions& o = r.options;
  double extentW = std::max(r.layout->contentWidth, std::floor(8.5 * o.xResolution));
  double extentH = std::max(r.layout->contentHeight, std::floor(11.0 * o.yResolution));
  extentW = std::max(extentW, f.right - o.marginLeft);
  extentH = std::max(extentH, f.bottom - o.marginTop);
  VkPen* pen = nullptr;
  int32_t rc = SetDrawPen(Opaque(r.gridColor), kPenSolid, 1.0, nullptr, 0, &pen);
  if (rc != XLX_OK) return rc;
  const double x0 = std::max(o.marginLeft, f.left), x1 = std::min(o.marginLeft + extentW, f.right);
  const double y0 = std::max(o.marginTop, f.top), y1 = std::min(o.marginTop + extentH, f.bottom);
  const PageMirror& m = o.mirror;
  auto horizontal = [&](double y) {
    if (y >= f.top && y <= f.bottom) AddDrawLine(s, pen, m.X(x0), y, m.X(x1), y);
  };
  auto vertical = [&](double x) {
    if (x >= f.left && x <= f.right) AddDrawLine(s, pen, m.X(x), y0, m.X(x), y1);
  };
  // Rows: the edges inside the page, then on at the default height past the last row.
  double y = 0;
  auto firstRow = std::lower_bound(g.rows.begin(), g.rows.end(), f.top - o.marginTop - 1,
                                   [](const RowGeometry& row, double v) { return row.offset + row.size < v; });
  for (auto it = firstRow; it != g.rows.end() && it->offset + o.marginTop <= f.bottom; ++it)
    if (it->size > 0) horizontal(o.marginTop + it->offset);
  y = g.totalHeight;
  horizontal(o.marginTop + y);
  const double rowStep = g.defRowHeightPx * g.scale;
  if (rowStep > 0.5) {
    if (o.marginTop + y < f.top) y += std::floor((f.top - o.marginTop - y) / rowStep) * rowStep;
    for (y += rowStep; y <= extentH && o.marginTop + y <= f.bottom; y += rowStep) horizontal(o.marginTop + y);
  }
  double x = 0;
  for (const ColumnGeometry& c : g.columns) {
    if (c.offset + o.marginLeft > f.right) break;
    if (c.size > 0) vertical(o.marginLeft + c.offset);
  }
  x = g.totalWidth;
  vertical(o.marginLeft + x);
  const double colStep = g.defColWidthPx * g.scale;
  if (colStep > 0.5) {
    if (o.marginLeft + x < f.left) x += std::floor((f.left - o.marginLeft - x) / colStep) * colStep;
    for (x += colStep; x <= extentW && o.marginLeft + x <= f.right; x += colStep) vertical(o.marginLeft + x);
  }
  FreeDrawPen(pen);
  return XLX_OK;
}

// The page's drawing area: the page in page mode 2 (a printed piece is one pixel wider than its
// columns, for their closing gridline), else the bitmap less its margins at the page's scale.
PageMirror PageMirrorFor(const PageRenderRequest& r, double left, double right, double sx) {
  const LayoutOptions& o = r.options;
  const double width = o.loadMode == kLoadPaginated ? right - left
                                       : r.bitmap->uWidth / std::max(sx, 1e-9) - o.marginLeft - o.marginRight;
  return MirrorFor(r.sheet->bRightToLeft, left, width);
}

}  // namespace

int32_t RenderSheetPage(const PageRenderRequest& r0) {
  if (!r0.workbook || !r0.sheet || !r0.layout || !r0.engine || !r0.bitmap) return XLX_ERR_ARGUMENT;
  if (r0.pageIndex < 0 || r0.pageIndex >= static_cast<int32_t>(r0.layout->pages.size())) return XLX_ERR_ARGUMENT;
  DrawingSurface* surface = nullptr;
  int32_t rc = CreateDrawingSurface(r0.engine, r0.bitmap, &surface);
  if (rc != XLX_OK) return rc;
  std::unique_ptr<FontCache> ownFonts;
  FontCache* fonts = r0.fonts;
  if (!fonts) {
    ownFonts.reset(new FontCache(r0.engine));
    fonts = ownFonts.get();
  }
  PageFrame frame;
  int32_t savedClip = -1;
  rc = SetUpPage(r0, surface, &frame, &savedClip);
  // The passes below draw through a copy that knows how a right-to-left sheet is reflected.
  PageRenderRequest r = r0;
  r.options.mirror = PageMirrorFor(r0, frame.left, frame.right, frame.sx);
  const PicturePage picturePage{frame.left, frame.top, frame.right, frame.bottom, frame.sx, frame.sy};
  if (rc == XLX_OK && !r.draft) rc = DrawSheetBackground(r, surface, picturePage);
  if (rc == XLX_OK) rc = PollProgress(r.progress);
  if (rc == XLX_OK && r.showGridLines && !r.draft) rc = DrawGridlines(r, surface, frame);
  if (rc == XLX_OK) rc = PollProgress(r.progress);
  if (rc == XLX_OK) {
    CellPassFrame cells{frame.left, frame.top, frame.right, frame.bottom};
    rc = DrawTableFormats(r, surface, cells);
    if (rc == XLX_OK) rc = DrawCells(r, surface, *fonts, cells);
  }
  if (rc == XLX_OK) rc = PollProgress(r.progress);
  if (rc == XLX_OK && !r.draft) rc = DrawSheetObjects(r, surface, picturePage);
  if (savedClip >= 0) FreeDrawClipRgn(surface, savedClip);
  if (rc == XLX_OK) rc = EndEngine(surface);
  DestroyDrawingSurface(surface);
  return rc;
}

}  // namespace xlx
