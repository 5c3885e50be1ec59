// Printed pages: sheet pieces, headings, headers and footers.
#include "view/print/printrender.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "common/resultcodes.h"
#include "host/kernel/vkimage.h"
#include "view/drawlayer/drawlayer.h"
#include "view/objects/charts.h"
#include "view/print/headerfooter.h"
#include "view/drawlayer/picturecache.h"
#include "view/print/print.h"
#include "view/print/notespages.h"

namespace xlx {
namespace {

// Paper shows what the screen's light grey would lose: printed headings and the gridlines a sheet
// asks to print come out black.
constexpr CellColor kHeadingLineColor = 0xFF000000;
constexpr CellColor kHeadingTextColor = 0xFF000000;
constexpr CellColor kPrintedGridColor = 0xFF000000;

// Draws `piece` (sizes and source offsets, px) of the sheet at (left, top) on the paper.
int32_t DrawPiece(const PageRenderRequest& request, const _PAGEINFO& piece, double left, double top, int32_t edge) {
  PageRenderRequest part = request;
  part.pageOverride = &piece;
  part.options.loadMode = kLoadPaginated;
  part.options.marginLeft = left;
  part.options.marginTop = top;
  part.options.marginRight = part.options.marginBottom = 0;
  part.showGridLines = request.showGridLines || request.sheet->print.gridLines;
  if (request.sheet->print.gridLines) part.gridColor = kPrintedGridColor;
  part.blackAndWhite = request.blackAndWhite || request.sheet->print.blackAndWhite;
  part.draft = request.draft || request.sheet->print.draft;
  part.closingEdge = edge;
  return RenderSheetPage(part);
}

// Each piece of the page, and a pixel past its last row and column for their closing gridlines,
// borders and object outlines, in which no cell of the next row or column shows.
int32_t DrawPieces(const PageRenderRequest& request, const PrintedPage& page) {
  for (int32_t r = 0; r < page.rowSpans; ++r) {
    for (int32_t c = 0; c < page.colSpans; ++c) {
      const PrintSpan& col = page.cols[c];
      const PrintSpan& row = page.rows[r];
      if (col.size <= 0 || row.size <= 0) continue;
      const int32_t w = RoundPx(col.size), h = RoundPx(row.size), x = RoundPx(col.src), y = RoundPx(row.src);
      int32_t rc = XLX_OK;
      if (request.sheet->bRightToLeft) {  // a reflected piece keeps its strips inside one drawing
        rc = DrawPiece(request, _PAGEINFO{w + 1, h + 1, -x, -y}, col.dst, row.dst, kEdgeNone);
        if (rc != XLX_OK) return rc;
        continue;
      }
      rc = DrawPiece(request, _PAGEINFO{w, h, -x, -y}, col.dst, row.dst, kEdgeNone);
      if (rc == XLX_OK) rc = DrawPiece(request, _PAGEINFO{w + 1, 1, -x, -(y + h)}, col.dst, row.dst + h, kEdgeBelow);
      if (rc == XLX_OK) rc = DrawPiece(request, _PAGEINFO{1, h, -(x + w), -y}, col.dst + w, row.dst, kEdgeRight);
      if (rc != XLX_OK) return rc;
    }
  }
  return XLX_OK;
}

DrawFontSpec SpecFor(const char16_t* face, double heightPx, bool bold, bool italic, bool underline, bool strike) {
  DrawFontSpec spec;
  for (int32_t i = 0; i < 31 && face[i]; ++i) spec.lfFaceName[i] = face[i];
  if (!spec.lfFaceName[0]) std::copy_n(u"Calibri", 8, spec.lfFaceName);
  spec.dHeightPx = std::max(1.0, heightPx);
  spec.lfHeight = static_cast<int32_t>(std::lround(spec.dHeightPx));
  spec.lfWeight = bold ? 700 : 400;
  spec.lfItalic = italic;
  spec.lfUnderline = underline;
  spec.lfStrikeOut = strike;
  return spec;
}

std::u16string NumberText(int32_t v) {
  std::u16string t;
  for (char ch : std::to_string(v)) t += static_cast<char16_t>(ch);
  return t;
}

// One heading box with its label, clipped to the span it belongs to.
int32_t HeadingBox(DrawingSurface* s, const VkPen* pen, const DrawFontSpec& font, const std::u16string& label,
                   const DrawRect& box) {
  int32_t rc = AddDrawRectangle(s, pen, nullptr, box.left, box.top, box.width, box.height);
  if (rc == XLX_OK)
    rc = AddDrawText(s, label.c_str(), static_cast<int32_t>(label.size()), font, kHeadingTextColor, box,
                     kTextCenter | kTextVCenter | kTextClip);
  return rc;
}

// Column letters above and row numbers left of every piece, boxed as the sheet's headings.
int32_t DrawHeadings(DrawingSurface* s, const PageRenderRequest& request, const PrintedPage& page) {
  if (page.headingWidth <= 0 && page.headingHeight <= 0) return XLX_OK;
  const XlsxGridInfo& g = request.layout->grid;
  const MyWorksheet& sheet = *request.sheet;
  const DrawFontSpec font = SpecFor(sheet.normalFont.lfFaceName,
                                    sheet.normalFontSizePt * request.options.yResolution / 72.0 * g.scale, false, false,
                                    false, false);
  VkPen* pen = nullptr;
  int32_t rc = SetDrawPen(kHeadingLineColor, kPenSolid, 1.0, nullptr, 0, &pen);
  if (rc != XLX_OK) return rc;
  auto colOffset = [&](int32_t c) {
    const int32_t n = static_cast<int32_t>(g.columns.size());
    return c <= n ? g.columns[c - 1].offset : g.totalWidth + (c - 1 - n) * g.defColWidthPx * g.scale;
  };
  auto colSize = [&](int32_t c) {
    return c <= static_cast<int32_t>(g.columns.size()) ? g.columns[c - 1].size : g.defColWidthPx * g.scale;
  };
  auto rowOffset = [&](int32_t r) {
    const int32_t n = static_cast<int32_t>(g.rows.size());
    return r <= n ? g.rows[r - 1].offset : g.totalHeight + (r - 1 - n) * g.defRowHeightPx * g.scale;
  };
  auto rowSize = [&](int32_t r) {
    return r <= static_cast<int32_t>(g.rows.size()) ? g.rows[r - 1].size : g.defRowHeightPx * g.scale;
  };
  rc = HeadingBox(s, pen, font, std::u16string(), DrawRect{page.headingLeft, page.headingTop, page.headingWidth, page.headingHeight});
  for (int32_t i = 0; i < page.colSpans && rc == XLX_OK; ++i) {
    const PrintSpan& span = page.cols[i];
    int32_t saved = -1;
    rc = SetDrawClipRgn(s, span.dst, page.headingTop, span.dst + span.size + 1, page.headingTop + page.headingHeight + 1, &saved);
    for (int32_t c = span.first; c <= span.last && rc == XLX_OK; ++c) {
      if (colSize(c) <= 0) continue;
      std::u16string label;
      AppendColumnLetters(c, &label);
      // A right-to-left sheet's letters run leftwards from the span's right edge.
      const double into = colOffset(c) - span.src;
      const double x = sheet.bRightToLeft ? span.dst + span.size - into - colSize(c) : span.dst + into;
      rc = HeadingBox(s, pen, font, label, DrawRect{x, page.headingTop, colSize(c), page.headingHeight});
    }
    if (saved >= 0) FreeDrawClipRgn(s, saved);
  }
  for (int32_t i = 0; i < page.rowSpans && rc == XLX_OK; ++i) {
    const PrintSpan& span = page.rows[i];
    int32_t saved = -1;
    rc = SetDrawClipRgn(s, page.headingLeft, span.dst, page.headingLeft + page.headingWidth + 1, span.dst + span.size + 1, &saved);
    for (int32_t r = span.first; r <= span.last && rc == XLX_OK; ++r) {
      if (rowSize(r) <= 0) continue;
      const double y = span.dst + rowOffset(r) - span.src;
      rc = HeadingBox(s, pen, font, NumberText(r), DrawRect{page.headingLeft, y, page.headingWidth, rowSize(r)});
    }
    if (saved >= 0) FreeDrawClipRgn(s, saved);
  }
  FreeDrawPen(pen);
  return rc;
}

struct MeasuredRun {
  const HeaderFooterRun* run;
  DrawFontSpec spec;
  double width, height;
};

struct MeasuredLine {
  std::vector<MeasuredRun> runs;
  double width = 0, height = 0;
};

double RunHeightPx(const HeaderFooterRun& run, double pxPerPt) {
  return run.sizePt * pxPerPt * (run.superscript || run.subscript ? 0.6 : 1.0);
}

std::vector<MeasuredLine> MeasureSection(VkDrawingEngine* engine, const std::vector<HeaderFooterLine>& lines,
                                         double pxPerPt, double emptyLineHeight) {
  std::vector<MeasuredLine> out;
  for (const HeaderFooterLine& line : lines) {
    MeasuredLine m;
    for (const HeaderFooterRun& run : line.runs) {
      MeasuredRun r{&run, SpecFor(run.face, RunHeightPx(run, pxPerPt), run.bold, run.italic, run.underline, run.strikeOut),
                    0, 0};
      if (GetDrawTextExtent(engine, run.text.c_str(), static_cast<int32_t>(run.text.size()), r.spec, &r.width,
                            &r.height) != XLX_OK)
        r.width = r.height = 0;
      m.width += r.width;
      m.height = std::max(m.height, run.superscript || run.subscript ? r.height / 0.6 : r.height);
      m.runs.push_back(r);
    }
    if (m.runs.empty()) m.height = emptyLineHeight;
    out.push_back(m);
  }
  return out;
}

int32_t DrawLine(DrawingSurface* s, const MeasuredLine& line, double x, double top) {
  for (const MeasuredRun& r : line.runs) {
    const HeaderFooterRun& run = *r.run;
    uint32_t flags = kTextLeft | (run.superscript ? kTextTop : kTextBottom);
    const double shift = run.subscript ? line.height * 0.15 : 0;
    const int32_t rc = AddDrawText(s, run.text.c_str(), static_cast<int32_t>(run.text.size()), r.spec, run.color,
                                   DrawRect{x, top + shift, r.width + 1, line.height}, flags);
    if (rc != XLX_OK) return rc;
    if (run.doubleUnderline) {
      VkPen* pen = nullptr;
      if (SetDrawPen(run.color, kPenSolid, 1.0, nullptr, 0, &pen) == XLX_OK) {
        const double y = top + shift + line.height + 1;
        AddDrawLine(s, pen, x, y, x + r.width, y);
        FreeDrawPen(pen);
      }
    }
    x += r.width;
  }
  return XLX_OK;
}

// The `&G` picture of each section of the header or footer the page prints, as the slot of
// HeaderFooterSetup::pictures; the same choice of first, even and odd texts as PickHeaderFooter.
int32_t PictureSlotBase(const HeaderFooterSetup& h, bool footer, bool firstPage, int32_t pageNumber) {
  const int32_t base = footer ? 3 : 0;
  if (h.differentFirst && firstPage) return base + 12;
  if (h.differentOddEven && pageNumber % 2 == 0) return base + 6;
  return base;
}

// A section's picture, decoded at the device size it prints at; null without one (or in draft).
struct SectionPicture {
  std::shared_ptr<const DecodedPicture> picture;
  double width = 0, height = 0;  // px
};

SectionPicture FetchSectionPicture(const PageRenderRequest& request, PictureCache& cache, const HeaderFooterPicture& hf,
                                   double pxPerPt) {
  SectionPicture out;
  if (hf.path.empty() || request.draft || request.sheet->print.draft) return out;
  PictureRequest q;
  q.path = hf.path.c_str();
  const PictureEffect grey{};
  if (request.blackAndWhite || request.sheet->print.blackAndWhite) q.effects = &grey, q.effectCount = 1;
  // Without a size in the style, the picture prints at its own size (96 dpi pixels).
  if (hf.widthPt > 0 && hf.heightPt > 0) {
    out.width = hf.widthPt * pxPerPt, out.height = hf.heightPt * pxPerPt;
    q.width = static_cast<uint32_t>(std::max(1.0, std::min(out.width + 0.5, double(VK_MAX_VECTOR_SIDE))));
    q.height = static_cast<uint32_t>(std::max(1.0, std::min(out.height + 0.5, double(VK_MAX_VECTOR_SIDE))));
  } else {
    q.scale = pxPerPt * 0.75;
  }
  out.picture = cache.Get(*request.workbook, q);
  if (out.picture && !(out.width > 0)) out.width = out.picture->width, out.height = out.picture->height;
  if (!out.picture) out.width = out.height = 0;
  return out;
}

// Header (footer == false) or footer of the page, in its margin band. A section's `&G` picture
// prints as its first line.
int32_t DrawHeaderFooter(DrawingSurface* s, const PageRenderRequest& request, const PrintedPage& page,
                         const PrintedPageFields& f, bool footer) {
  const MyWorksheet& sheet = *request.sheet;
  const PrintSetup& p = sheet.print;
  const std::u16string& code = PickHeaderFooter(p.headerFooter, footer, page.indexInSheet == 0, page.pageNumber);
  if (code.empty()) return XLX_OK;
  HeaderFooterFields fields;
  fields.page = page.pageNumber;
  fields.pages = request.layout->printed.totalPages;
  fields.date = f.date;
  fields.time = f.time;
  const size_t slash = f.filePath.find_last_of(u"/\\");
  fields.fileName = slash == std::u16string::npos ? f.filePath : f.filePath.substr(slash + 1);
  fields.filePath = slash == std::u16string::npos ? std::u16string() : f.filePath.substr(0, slash + 1);
  fields.sheetName = sheet.sheetName;
  HeaderFooterFont font;
  font.face = sheet.normalFont.lfFaceName[0] ? sheet.normalFont.lfFaceName : u"Calibri";
  font.sizePt = sheet.normalFontSizePt > 0 ? sheet.normalFontSizePt : 11;
  HeaderFooterText text = ParseHeaderFooter(code, fields, font, request.workbook);
  if (request.blackAndWhite || p.blackAndWhite)
    for (std::vector<HeaderFooterLine>& section : text.sections)
      for (HeaderFooterLine& line : section)
        for (HeaderFooterRun& run : line.runs) run.color = kColorBlack;
  const LayoutOptions& o = request.options;
  const double scale = p.headerFooter.scaleWithDoc ? request.layout->printed.scale : 1.0;
  const double pxPerPt = o.yResolution / 72.0 * scale;
  const double paperW = page.paperWidth, paperH = page.paperHeight;
  // Aligned with the page margins, or else a fixed inset from the paper's edges.
  const double inset = 0.3 * o.xResolution;
  const double left = p.headerFooter.alignWithMargins ? p.marginLeft * o.xResolution : inset;
  const double right = paperW - (p.headerFooter.alignWithMargins ? p.marginRight * o.xResolution : inset);
  const bool hasPictures = code.find(u"&G") != std::u16string::npos || code.find(u"&g") != std::u16string::npos;
  const int32_t slotBase = PictureSlotBase(p.headerFooter, footer, page.indexInSheet == 0, page.pageNumber);
  PictureCache localCache;
  PictureCache& cache = request.pictures ? *request.pictures : localCache;
  for (int32_t section = 0; section < 3; ++section) {
    const std::vector<MeasuredLine> lines =
        MeasureSection(request.engine, text.sections[section], pxPerPt, font.sizePt * pxPerPt * 1.2);
    SectionPicture picture;
    if (hasPictures) picture = FetchSectionPicture(request, cache, p.headerFooter.pictures[slotBase + section], pxPerPt);
    double total = picture.height;
    for (const MeasuredLine& l : lines) total += l.height;
    double y = footer ? paperH - p.marginFooter * o.yResolution - total : p.marginHeader * o.yResolution;
    if (picture.picture) {
      const double x = section == 0 ? left : section == 1 ? (paperW - picture.width) / 2 : right - picture.width;
      const DrawRect rect{std::round(x), std::round(y), std::round(picture.width), std::round(picture.height)};
      const int32_t rc = AddDrawImageAlpha(s, picture.picture->image, rect, nullptr, 1.0);
      if (rc != XLX_OK) return rc;
      y += picture.height;
    }
    for (const MeasuredLine& l : lines) {
      double x = section == 0 ? left : section == 1 ? (paperW - l.width) / 2 : right - l.width;
      const int32_t rc = DrawLine(s, l, x, y);
      if (rc != XLX_OK) return rc;
      y += l.height;
    }
  }
  return XLX_OK;
}

}  // namespace

int32_t RenderPrintedPage(const PageRenderRequest& request, const PrintedPageFields& fields) {
  if (!request.workbook || !request.sheet || !request.layout || !request.engine || !request.bitmap)
    return XLX_ERR_ARGUMENT;
  const std::vector<PrintedPage>& pages = request.layout->printed.pages;
  if (request.pageIndex < 0 || request.pageIndex >= static_cast<int32_t>(pages.size())) return XLX_ERR_ARGUMENT;
  const PrintedPage& page = pages[request.pageIndex];
  int32_t rc = DrawPieces(request, page);
  if (rc != XLX_OK) return rc;
  DrawingSurface* surface = nullptr;
  rc = CreateDrawingSurface(request.engine, request.bitmap, &surface);
  if (rc != XLX_OK) return rc;
  rc = InitEngine(surface);
  if (rc == XLX_OK) rc = DrawChartsheetPage(request, surface, page.paperWidth, page.paperHeight);
  if (rc == XLX_OK) rc = DrawHeadings(surface, request, page);
  if (rc == XLX_OK && page.notesCount > 0) rc = DrawNotesPage(surface, request, page);
  if (rc == XLX_OK) rc = DrawHeaderFooter(surface, request, page, fields, false);
  if (rc == XLX_OK) rc = DrawHeaderFooter(surface, request, page, fields, true);
  if (rc == XLX_OK) rc = EndEngine(surface);
  DestroyDrawingSurface(surface);
  return rc;
}

void CurrentDateTimeFields(PrintedPageFields* fields) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[32], time[32];
  std::snprintf(date, sizeof date, "%d/%d/%d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
  const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  std::snprintf(time, sizeof time, "%d:%02d %s", hour, local.tm_min, local.tm_hour < 12 ? "AM" : "PM");
  fields->date.assign(date, date + std::strlen(date));
  fields->time.assign(time, time + std::strlen(time));
}

}  // namespace xlx
