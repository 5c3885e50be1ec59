// DrawChart: the order in which a chart is drawn, and the helpers the series families share
// (series of a plot, point formatting, markers, data labels).
#include "chart/draw/draw.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/resultcodes.h"
#include "chart/draw/exdraw.h"
#include "chart/draw/internal.h"
#include "chart/draw/plot3d.h"

namespace xlx {

namespace {

constexpr double kLabelSizePt = 10;

bool IsRoundKind(int32_t kind) {
  return kind == kChartPie || kind == kChartPie3D || kind == kChartDoughnut || kind == kChartOfPie;
}

// The plot rectangle a manual layout gives, within the chart rectangle.
bool ManualPlot(const ChartModel& m, const DrawRect& chartRect, DrawRect* plot) {
  const ChartManualLayout& ml = m.plotLayout;
  if (!ml.present || !ml.hasX || !ml.hasY || !ml.hasW || !ml.hasH) return false;
  const double x = chartRect.left + ml.x * chartRect.width, y = chartRect.top + ml.y * chartRect.height;
  const double w = ml.wEdge ? chartRect.left + ml.w * chartRect.width - x : ml.w * chartRect.width;
  const double h = ml.hEdge ? chartRect.top + ml.h * chartRect.height - y : ml.h * chartRect.height;
  if (!(w >= 2) || !(h >= 2)) return false;
  *plot = DrawRect{x, y, std::min(w, chartRect.width), std::min(h, chartRect.height)};
  return true;
}

// The application's automatic layout keeps a plot without axes this far inside the room that
// the title and legend leave.
constexpr double kAutoPlotInsetPt = 18;

void DrawPlots(ChartCanvas& c, const PlotFrame& f, bool axes, bool manual, const DrawRect& room) {
  // Areas go behind bars, bars behind lines and points, as the application layers them.
  static const int32_t kLayers[][4] = {{kChartArea, kChartArea3D, kChartSurface, kChartSurface3D},
                                       {kChartBar, kChartBar3D, 0, 0},
                                       {kChartLine, kChartLine3D, kChartStock, 0},
                                       {kChartScatter, kChartBubble, 0, 0}};
  const int32_t plots = int32_t(c.chart.plots.size());
  if (axes) {
    int32_t saved = -1;
    c.Ok(SetDrawClipRgn(c.surface, f.plot.left - 1, f.plot.top - 1, f.plot.left + f.plot.width + 1,
                        f.plot.top + f.plot.height + 1, &saved));
    for (const auto& layer : kLayers) {
      for (int32_t p = 0; p < plots && c.rc == XLX_OK; ++p) {
        const int32_t kind = c.chart.plots[size_t(p)].kind;
        if (std::find(std::begin(layer), std::end(layer), kind) == std::end(layer)) continue;
        if (kind == kChartBar || kind == kChartBar3D) DrawBarPlot(c, f, p);
        else if (kind == kChartScatter || kind == kChartBubble) DrawXYPlot(c, f, p);
        else DrawLinePlot(c, f, p);
      }
    }
    if (saved >= 0) FreeDrawClipRgn(c.surface, saved);
  }
  for (int32_t p = 0; p < plots && c.rc == XLX_OK; ++p) {
    const int32_t kind = c.chart.plots[size_t(p)].kind;
    if (IsRoundKind(kind)) DrawPiePlot(c, axes ? f.plot : room, p, axes || manual ? 0 : c.Px(kAutoPlotInsetPt));
    else if (kind == kChartRadar) DrawRadarPlot(c, axes ? f.plot : room, p);
  }
}

}  // namespace

const ChartPlot& PlotOf(const ChartCanvas& c, int32_t plot) {
  static const ChartPlot kNone;
  return plot >= 0 && plot < int32_t(c.chart.plots.size()) ? c.chart.plots[size_t(plot)] : kNone;
}

bool UsesSecondary(const ChartCanvas& c, int32_t plot) {
  // The first plot with axes owns the primary pair; a plot on other axis ids is secondary.
  for (const ChartPlot& p : c.chart.plots) {
    if (p.axisCount < 2) continue;
    const ChartPlot& q = PlotOf(c, plot);
    return q.axisCount >= 2 && q.axIds[0] != p.axIds[0] && q.axIds[1] != p.axIds[1];
  }
  return false;
}

std::vector<const ChartSeries*> SeriesOfPlot(const ChartCanvas& c, int32_t plot) {
  std::vector<const ChartSeries*> out;
  for (const ChartSeries& s : c.chart.series)
    if (s.plot == plot) out.push_back(&s);
  std::stable_sort(out.begin(), out.end(), [](const ChartSeries* a, const ChartSeries* b) { return a->order < b->order; });
  return out;
}

int32_t SeriesColorIndex(const ChartCanvas& c, const ChartSeries* s) {
  // The application counts series by their index, over all plots of the chart.
  (void)c;
  return s->idx;
}

const ChartShapeProps& PointProps(const ChartSeries& s, int32_t i) {
  for (const ChartDataPoint& p : s.points)
    if (p.idx == i) return p.shape;
  return s.shape;
}

namespace {

void DrawOneMarker(ChartCanvas& c, const ChartPaint& paint, int32_t symbol, double x, double y, double s) {
  const double h = s / 2;
  switch (symbol) {  // one case per marker shape
    case kMarkerSquare:
      c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, x - h, y - h, s, s));
      break;
    case kMarkerCircle:
    case kMarkerDot:
      c.Ok(AddDrawEllipse(c.surface, paint.pen, paint.brush, DrawRect{x - h, y - h, s, s}));
      break;
    case kMarkerTriangle: {
      const double th = std::sqrt(s * s - h * h);
      const DrawPoint pts[3] = {{x, y - th / 2}, {x + h, y + th / 2}, {x - h, y + th / 2}};
      c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, pts, 3));
      break;
    }
    case kMarkerX:
    case kMarkerStar:
    case kMarkerPlus:
      if (symbol != kMarkerPlus) {
        c.Ok(AddDrawLine(c.surface, paint.pen, x - h, y - h, x + h, y + h));
        c.Ok(AddDrawLine(c.surface, paint.pen, x - h, y + h, x + h, y - h));
      }
      if (symbol != kMarkerX) {
        c.Ok(AddDrawLine(c.surface, paint.pen, x - h, y, x + h, y));
        c.Ok(AddDrawLine(c.surface, paint.pen, x, y - h, x, y + h));
      }
      break;
    case kMarkerDash:
      c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, x - h, y - s / 10, s, s / 5));
      break;
    default: {
      const DrawPoint pts[4] = {{x, y - h}, {x + h, y}, {x, y + h}, {x - h, y}};
      c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, pts, 4));
    }
  }
}

}  // namespace

void DrawMarkers(ChartCanvas& c, const ChartMarker& m, CellColor color, const DrawPoint* points, size_t count) {
  if (m.symbol == kMarkerNone || count == 0 || c.rc != XLX_OK) return;
  const double s = std::max(2.0, c.Px(m.sizePt));
  const int32_t symbol = m.symbol == kMarkerAuto || m.symbol == kMarkerPicture ? kMarkerDiamond : m.symbol;
  ChartPaint paint;
  MakePaint(c, m.shape, color, color, 0.75, &paint);
  // A marker within a pixel of the one drawn before it would cover it exactly: dense series draw
  // one marker per pixel they move.
  double lastX = NAN, lastY = NAN;
  for (size_t i = 0; i < count && c.rc == XLX_OK; ++i) {
    const DrawPoint& p = points[i];
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
    if (std::fabs(p.x - lastX) < 1 && std::fabs(p.y - lastY) < 1) continue;
    DrawOneMarker(c, paint, symbol, p.x, p.y, s);
    lastX = p.x, lastY = p.y;
  }
}

void DrawMarker(ChartCanvas& c, const ChartMarker& m, CellColor color, double x, double y) {
  const DrawPoint p{x, y};
  DrawMarkers(c, m, color, &p, 1);
}

const ChartDataLabels& LabelsOf(const ChartCanvas& c, const ChartSeries& s) {
  return s.labels.present ? s.labels : PlotOf(c, s.plot).labels;
}

std::u16string LabelText(const ChartCanvas& c, const ChartSeries& s, const ChartDataLabels& l, int32_t i, double value,
                         double percent) {
  if (!l.present || l.deleted) return std::u16string();
  const std::u16string sep = l.separator.empty() ? std::u16string(u", ") : l.separator;
  std::u16string text;
  auto add = [&](const std::u16string& part) {
    if (part.empty()) return;
    if (!text.empty()) text += sep;
    text += part;
  };
  if (l.showSerName) add(s.name);
  if (l.showCatName) add(CategoryText(s, i, u"", c.chart.date1904));
  const std::u16string& code = !l.formatCode.empty() && !l.sourceLinked ? l.formatCode : s.values.formatCode;
  if (l.showVal) add(FormatChartValue(value, code, c.chart.date1904));
  if (l.showPercent && std::isfinite(percent)) add(FormatChartValue(percent, l.formatCode.empty() || l.sourceLinked ? u"0%" : l.formatCode, false));
  if (l.showBubbleSize && i < int32_t(s.bubbleSizes.values.size()))
    add(FormatChartValue(s.bubbleSizes.values[size_t(i)], u"General", false));
  return text;
}

void DrawLabel(ChartCanvas& c, const ChartDataLabels& l, const std::u16string& text, double x, double y) {
  if (text.empty() || !std::isfinite(x) || !std::isfinite(y)) return;
  const DrawFontSpec font = ChartFont(c, l.textProps, kLabelSizePt, false);
  if (l.shape.fillKind != kChartFillAuto || l.shape.lineKind != kChartFillAuto) {
    double w, h;
    MeasureChartText(c, text, font, &w, &h);
    FillShapeRect(c, l.shape, DrawRect{x - w / 2 - 2, y - h / 2, w + 4, h}, 0xFFFFFFFF, 0xFFFFFFFF);
  }
  DrawChartTextAt(c, text, font, ChartTextColor(c, l.textProps), x, y, 0);
}

int32_t DrawChart(DrawingSurface* surface, const ChartModel& chart, const DrawRect& rect, const ChartDrawOptions& options) {
  if (!surface) return XLX_ERR_ARGUMENT;
  if (!(rect.width >= 2) || !(rect.height >= 2) || !std::isfinite(rect.left + rect.top + rect.width + rect.height))
    return XLX_OK;
  try {
    ChartCanvas c{surface, chart, options};
    int32_t saved = -1;
    c.Ok(SetDrawClipRgn(surface, rect.left - 1, rect.top - 1, rect.left + rect.width + 1, rect.top + rect.height + 1, &saved));
    DrawRect room;
    DrawChartFrame(c, rect, &room);
    if (!chart.isChartEx && !chart.plots.empty() && c.rc == XLX_OK) {
      PlotFrame f;
      const bool axes = LayoutAxes(c, room, &f);
      const bool manual = ManualPlot(chart, rect, &f.plot);
      if (manual && !axes) room = f.plot;
      const bool solid = axes && std::any_of(chart.plots.begin(), chart.plots.end(),
                                             [](const ChartPlot& p) { return Is3DPlotKind(p.kind); });
      if (solid) {
        Draw3DPlotArea(c, f);
      } else {
        if (axes) {
          ChartPaint paint;
          FillShapeRect(c, chart.plotShape, f.plot, 0xFFFFFFFF, 0xFFFFFFFF);
          DrawGridlines(c, f);
        }
        DrawPlots(c, f, axes, manual, room);
        if (axes) DrawAxes(c, f);
      }
    } else if (chart.isChartEx && c.rc == XLX_OK) {
      DrawChartExPlot(c, room);
    }
    DrawUserShapes(c, rect);
    if (saved >= 0) FreeDrawClipRgn(surface, saved);
    return c.rc == kChartOpsSpent ? 1 : c.rc;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
