#include "view/objects/charts.h"

#include <algorithm>

#include "chart/model.h"
#include "chart/draw/draw.h"
#include "view/objects/anchors.h"

namespace xlx {

int32_t DrawChartObject(const PageRenderRequest& r, DrawingSurface* surface, const DrawingObject& o, const DrawRect& rect,
                        double pageLeft, double pageTop, double pageRight, double pageBottom) {
  if (!o.chart || !r.layout) return XLX_OK;
  const AnchorGeometry geo = MakeAnchorGeometry(*r.layout, r.options);
  ChartDrawOptions options;
  options.pxPerPt = geo.xPxPerEmu * 12700;
  options.blackAndWhite = r.blackAndWhite;
  options.date1904 = r.workbook && r.workbook->bDate1904;
  options.pictures = r.pictures, options.workbook = r.workbook;
  DrawRect target = rect;
  if (r.sheet && r.sheet->bChartsheet) {
    if (r.pageOverride) return XLX_OK;  // printed pages of a chartsheet draw their chart over the paper
    // A chartsheet's chart fills the page inside its margins, whatever its anchor says.
    const LayoutOptions& m = r.options;
    (void)m;
    target = DrawRect{pageLeft, pageTop, std::max(0.0, pageRight - pageLeft), std::max(0.0, pageBottom - pageTop)};
  }
  return DrawChart(surface, *o.chart, target, options);
}

int32_t DrawChartsheetPage(const PageRenderRequest& r, DrawingSurface* surface, double paperWidth, double paperHeight) {
  if (!r.sheet || !r.sheet->bChartsheet || r.draft || r.sheet->print.draft) return XLX_OK;
  const PrintSetup& p = r.sheet->print;
  const double x = r.options.xResolution, y = r.options.yResolution;
  const DrawRect area{p.marginLeft * x, p.marginTop * y, paperWidth - (p.marginLeft + p.marginRight) * x,
                      paperHeight - (p.marginTop + p.marginBottom) * y};
  ChartDrawOptions options;
  options.pxPerPt = x / 72.0;
  options.blackAndWhite = r.blackAndWhite || p.blackAndWhite;
  options.date1904 = r.workbook && r.workbook->bDate1904;
  options.pictures = r.pictures, options.workbook = r.workbook;
  for (const DrawingObject& o : r.sheet->drawing.objects) {
    if (!o.chart) continue;
    return DrawChart(surface, *o.chart, area, options);  // the sheet's one chart
  }
  return XLX_OK;
}

}  // namespace xlx
