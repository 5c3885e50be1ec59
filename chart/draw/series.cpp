// The series families drawn against axes: column and bar, line, area, stock and surface (as
// lines), scatter and bubble, and radar around its own centre.
#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/draw/internal.h"

namespace xlx {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Axes {
  const AxisLayout& cat;
  const AxisLayout& val;
};

Axes AxesOf(const ChartCanvas& c, const PlotFrame& f, int32_t plot) {
  const int32_t g = UsesSecondary(c, plot) && (f.value[1].axis || f.category[1].axis) ? 1 : 0;
  return Axes{f.category[g], f.value[g]};
}

double ValueAt(const ChartSeries& s, size_t i) {
  return i < s.values.values.size() ? s.values.values[i] : std::numeric_limits<double>::quiet_NaN();
}

// Where the bars and areas grow from: zero, or the nearest bound when zero is off the axis.
double BaseValue(const AxisLayout& v) {
  if (v.scale.log) return v.scale.min;
  return std::max(v.scale.min, std::min(0.0, v.scale.max));
}

// A point of the plot: category (or x) position across, value position along.
DrawPoint At(const AxisLayout& cat, const AxisLayout& val, double across, double value, const DrawRect& plot) {
  const double a = cat.isValue ? ValuePos(cat, plot, across) : CategoryPos(cat, plot, across);
  const double b = ValuePos(val, plot, value);
  return val.vertical ? DrawPoint{a, b} : DrawPoint{b, a};
}

// Keeps at most the first, lowest, highest and last point of every pixel column (row), so that
// a million points draw as quickly as the page is wide.
void Decimate(std::vector<DrawPoint>* pts, bool vertical) {
  if (pts->size() < 4096) return;
  std::vector<DrawPoint> out;
  out.reserve(8192);
  size_t i = 0;
  while (i < pts->size()) {
    const double column = std::floor(vertical ? (*pts)[i].x : (*pts)[i].y);
    size_t j = i, lo = i, hi = i;
    while (j < pts->size() && std::floor(vertical ? (*pts)[j].x : (*pts)[j].y) == column) {
      const double v = vertical ? (*pts)[j].y : (*pts)[j].x, vl = vertical ? (*pts)[lo].y : (*pts)[lo].x,
                   vh = vertical ? (*pts)[hi].y : (*pts)[hi].x;
      if (v < vl) lo = j;
      if (v > vh) hi = j;
      ++j;
    }
    size_t keep[4] = {i, std::min(lo, hi), std::max(lo, hi), j - 1};
    for (int32_t k = 0; k < 4; ++k)
      if (k == 0 || keep[k] != keep[k - 1]) out.push_back((*pts)[keep[k]]);
    i = j;
  }
  pts->swap(out);
}

void StrokeLine(ChartCanvas& c, const VkPen* pen, std::vector<DrawPoint> pts, bool smooth, bool vertical) {
  if (!pen || pts.size() < 2) return;
  Decimate(&pts, vertical);
  c.Spend(pts.size());
  if (!smooth || pts.size() > 2000) {
    c.Ok(AddDrawPolyline(c.surface, pen, pts.data(), int32_t(pts.size())));
    return;
  }
  // Catmull-Rom through the points, as cubic Beziers.
  VkPath* path = nullptr;
  if (!c.Ok(CreateDrawPath(&path))) return;
  AddDrawMovetoToPath(path, pts[0].x, pts[0].y);
  for (size_t i = 0; i + 1 < pts.size(); ++i) {
    const DrawPoint p0 = pts[i ? i - 1 : 0], p1 = pts[i], p2 = pts[i + 1], p3 = pts[std::min(i + 2, pts.size() - 1)];
    const DrawPoint bez[3] = {{p1.x + (p2.x - p0.x) / 6, p1.y + (p2.y - p0.y) / 6},
                              {p2.x - (p3.x - p1.x) / 6, p2.y - (p3.y - p1.y) / 6}, p2};
    AddDrawBezierToPath(path, bez, 3);
  }
  if (c.Ok(EndDrawPath(path))) c.Ok(StrokeDrawPath(c.surface, path, pen));
  DeleteDrawPath(path);
}

// Colour of point i of a series: per point when the plot varies colours over one series.
CellColor PointColor(const ChartCanvas& c, const ChartPlot& p, const ChartSeries& s, size_t seriesCount, int32_t i) {
  if (p.varyColors && seriesCount == 1) return AutoSeriesColor(c.chart, i);
  return AutoSeriesColor(c.chart, SeriesColorIndex(c, &s));
}

// Stock charts join each category's lowest and highest value and bar the first series to the last.
void DrawStockLines(ChartCanvas& c, const ChartPlot& p, const Axes& ax, const DrawRect& plot,
                    const std::vector<const ChartSeries*>& series, size_t cats, double shift) {
  ChartPaint hl;
  MakePaint(c, ChartShapeProps(), 0xFFFFFFFF, 0xFF000000, 0.75, &hl);
  for (size_t i = 0; i < std::min<size_t>(cats, 100000) && c.rc == XLX_OK; ++i) {
    double lo = INFINITY, hi = -INFINITY;
    for (const ChartSeries* s : series) {
      const double v = ValueAt(*s, i);
      if (std::isfinite(v)) lo = std::min(lo, v), hi = std::max(hi, v);
    }
    if (!(lo <= hi)) continue;
    const DrawPoint a = At(ax.cat, ax.val, i + shift, lo, plot), b = At(ax.cat, ax.val, i + shift, hi, plot);
    if (p.hiLowLines || !p.upDownBars) c.Ok(AddDrawLine(c.surface, hl.pen, a.x, a.y, b.x, b.y));
    if (p.upDownBars && series.size() >= 4) {
      const double open = ValueAt(*series.front(), i), close = ValueAt(*series.back(), i);
      if (!std::isfinite(open) || !std::isfinite(close)) continue;
      ChartPaint bar;
      MakePaint(c, close >= open ? p.upBars : p.downBars, close >= open ? 0xFFFFFFFF : 0xFF000000, 0xFF000000, 0.75, &bar);
      const double half = CategoryWidth(ax.cat, plot) / (2 + p.gapWidth / 100.0) / 2;
      const DrawPoint o = At(ax.cat, ax.val, i + shift, open, plot), cl = At(ax.cat, ax.val, i + shift, close, plot);
      c.Ok(AddDrawRectangle(c.surface, bar.pen, bar.brush, o.x - half, std::min(o.y, cl.y), 2 * half, std::fabs(o.y - cl.y)));
    }
  }
}

}  // namespace

void DrawBarPlot(ChartCanvas& c, const PlotFrame& f, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  const Axes ax = AxesOf(c, f, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  if (series.empty()) return;
  const bool stacked = p.grouping == kGroupStacked || p.grouping == kGroupPercentStacked;
  const double n = stacked ? 1 : double(series.size());
  const double g = p.gapWidth / 100.0, o = stacked ? 1 : series.size() == 1 ? 0 : p.overlap / 100.0;
  const double C = CategoryWidth(ax.cat, f.plot);
  const double w = C / std::max(0.01, n + g - (n - 1) * o);
  std::vector<double> pos, neg, totalPos, totalNeg;
  StackTotals(series, &totalPos, &totalNeg);
  pos.assign(totalPos.size(), 0), neg.assign(totalPos.size(), 0);
  const double base = BaseValue(ax.val);
  struct Pending {
    const ChartSeries* s;
    int32_t i;
    double v, x, y;
  };
  std::vector<Pending> labels;
  for (size_t k = 0; k < series.size() && c.rc == XLX_OK; ++k) {
    const ChartSeries& s = *series[k];
    const CellColor seriesColor = AutoSeriesColor(c.chart, SeriesColorIndex(c, &s));
    ChartPaint paint;
    MakePaint(c, s.shape, seriesColor, 0xFFFFFFFF, 0.75, &paint);
    const ChartDataLabels& l = LabelsOf(c, s);
    const size_t count = std::min(s.values.values.size(), size_t(std::max(0, ax.cat.categoryCount)));
    // More bars than pixels: one bar per pixel, the tallest of the categories it covers.
    const double length = ax.cat.vertical ? f.plot.height : f.plot.width;
    const size_t stride = std::max<size_t>(1, size_t(count / std::max(1.0, length)));
    for (size_t i = 0; i < count && c.rc == XLX_OK; i += stride) {
      double v = ValueAt(s, i);
      for (size_t j = i + 1; j < std::min(count, i + stride); ++j)
        if (std::isfinite(ValueAt(s, j)) && !(std::fabs(ValueAt(s, j)) <= std::fabs(v))) v = ValueAt(s, j);
      if (!std::isfinite(v)) continue;
      double from = base, to = v;
      if (stacked) {
        double& run = v >= 0 ? pos[i] : neg[i];
        from = run, to = run + v, run = to;
        if (p.grouping == kGroupPercentStacked) {
          const double total = totalPos[i] - totalNeg[i];
          if (!(total > 0)) continue;
          from /= total, to /= total;
        }
      }
      const double start = CategoryPos(ax.cat, f.plot, double(i)) ;
      const double dir = ax.cat.vertical != ax.cat.scale.reversed ? XLX_ERR_MEMORY : XLX_OK;
      const double a0 = start + dir * (g * w / 2 + (stacked ? 0 : k * w * (1 - o))), a1 = a0 + dir * w;
      const double b0 = ValuePos(ax.val, f.plot, from), b1 = ValuePos(ax.val, f.plot, to);
      if (!std::isfinite(b0) || !std::isfinite(b1)) continue;
      DrawRect r = ax.val.vertical ? DrawRect{std::min(a0, a1), std::min(b0, b1), std::fabs(a1 - a0), std::fabs(b1 - b0)}
                                   : DrawRect{std::min(b0, b1), std::min(a0, a1), std::fabs(b1 - b0), std::fabs(a1 - a0)};
      const ChartShapeProps& props = PointProps(s, int32_t(i));
      const bool own = &props != &s.shape || (p.varyColors && series.size() == 1) || props.fillKind == kChartFillGradient ||
                       props.fillKind == kChartFillPicture;
      if (own || (v < 0 && s.invertIfNegative)) {
        ChartPaint pp;
        CellColor fill = PointColor(c, p, s, series.size(), int32_t(i));
        MakePaint(c, props, v < 0 && s.invertIfNegative && props.fillKind == kChartFillAuto ? 0xFFFFFFFF : fill,
                  v < 0 && s.invertIfNegative ? fill : 0xFFFFFFFF, 0.75, &pp, &r);
        ChartRect(c, pp, r);
      } else {
        c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, r.left, r.top, r.width, r.height));
      }
      if (l.present && !l.deleted) {
        const bool mid = stacked || l.position == kLabelPosCenter || l.position == kLabelPosInsideEnd;
        const double along = mid ? (b0 + b1) / 2 : b1 + (ax.val.vertical ? (b1 <= b0 ? -1 : 1) : (b1 >= b0 ? 1 : -1)) * c.Px(7);
        const double across = (a0 + a1) / 2;
        labels.push_back({&s, int32_t(i), v, ax.val.vertical ? across : along, ax.val.vertical ? along : across});
      }
    }
  }
  for (const ChartSeries* s : series)
    DrawTrendAndErrors(c, ax.cat, ax.val, f.plot, *s, false, 0.5, AutoSeriesColor(c.chart, SeriesColorIndex(c, s)));
  for (const Pending& q : labels) {
    if (c.rc != XLX_OK || labels.size() > 20000) break;
    DrawLabel(c, LabelsOf(c, *q.s), LabelText(c, *q.s, LabelsOf(c, *q.s), q.i, q.v, NAN), q.x, q.y);
  }
}

void DrawLinePlot(ChartCanvas& c, const PlotFrame& f, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  const Axes ax = AxesOf(c, f, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  const bool area = p.kind == kChartArea || p.kind == kChartArea3D;
  const bool stock = p.kind == kChartStock;
  const bool stacked = p.grouping == kGroupStacked || p.grouping == kGroupPercentStacked;
  const double shift = ax.cat.between ? 0.5 : 0;
  std::vector<double> totalPos, totalNeg, run;
  StackTotals(series, &totalPos, &totalNeg);
  run.assign(totalPos.size(), 0);
  const size_t cats = size_t(std::max(0, ax.cat.categoryCount));
  if (stock && !series.empty()) DrawStockLines(c, p, ax, f.plot, series, cats, shift);
  // Series in their order: each area lies over the ones before it, as stacked areas build up.
  for (size_t k = 0; k < series.size() && c.rc == XLX_OK; ++k) {
    const ChartSeries& s = *series[k];
    const CellColor color = AutoSeriesColor(c.chart, SeriesColorIndex(c, &s));
    std::vector<DrawPoint> line, lower;
    std::vector<std::vector<DrawPoint>> pieces;
    const size_t count = std::min(s.values.values.size(), cats);
    for (size_t i = 0; i < count; ++i) {
      double v = ValueAt(s, i);
      if (!std::isfinite(v)) {
        if (c.chart.dispBlanksAs == 1 || area) v = 0;
        else {
          if (c.chart.dispBlanksAs == 0 && !line.empty()) pieces.push_back(std::move(line)), line.clear();
          continue;
        }
      }
      double from = 0, to = v;
      if (stacked) {
        from = run[i], to = run[i] + v, run[i] = to;
        if (p.grouping == kGroupPercentStacked) {
          const double total = totalPos[i] - totalNeg[i];
          from = total > 0 ? from / total : 0, to = total > 0 ? to / total : 0;
        }
      } else {
        from = BaseValue(ax.val);
      }
      const DrawPoint pt = At(ax.cat, ax.val, i + shift, to, f.plot);
      if (!std::isfinite(pt.x) || !std::isfinite(pt.y)) continue;
      line.push_back(pt);
      if (area) lower.push_back(At(ax.cat, ax.val, i + shift, stacked ? from : BaseValue(ax.val), f.plot));
    }
    if (!line.empty()) pieces.push_back(std::move(line));
    if (area) {
      if (pieces.empty() || pieces[0].size() < 2) continue;
      std::vector<DrawPoint> poly = pieces[0];
      Decimate(&poly, ax.val.vertical);
      Decimate(&lower, ax.val.vertical);
      poly.insert(poly.end(), lower.rbegin(), lower.rend());
      c.Spend(poly.size());
      ChartPaint paint;
      MakePaint(c, s.shape, color, 0xFFFFFFFF, 0.75, &paint, &f.plot);
      c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, poly.data(), int32_t(poly.size())));
      continue;
    }
    ChartPaint paint;
    MakePaint(c, s.shape, 0xFFFFFFFF, stock ? 0xFFFFFFFF : color, 2.25, &paint);
    for (const auto& piece : pieces) StrokeLine(c, paint.pen, piece, s.smooth, ax.val.vertical);
    DrawTrendAndErrors(c, ax.cat, ax.val, f.plot, s, false, shift, color);
    const bool markers = (p.marker || stock) && s.marker.symbol != kMarkerNone && (!stock || s.marker.present) &&
                         count <= 5000;
    const ChartDataLabels& l = LabelsOf(c, s);
    for (const auto& piece : pieces)
      if (markers) DrawMarkers(c, s.marker, color, piece.data(), piece.size());
    if (l.present && !l.deleted && count <= 5000)
      for (size_t i = 0; i < count; ++i) {
        const double v = ValueAt(s, i);
        if (!std::isfinite(v)) continue;
        const DrawPoint pt = At(ax.cat, ax.val, i + shift, stacked ? v : v, f.plot);
        DrawLabel(c, l, LabelText(c, s, l, int32_t(i), v, NAN), pt.x + (l.position == kLabelPosRight ? c.Px(12) : 0),
                  pt.y - (l.position == kLabelPosCenter ? 0 : c.Px(9)));
      }
  }
}

void DrawXYPlot(ChartCanvas& c, const PlotFrame& f, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  const Axes ax = AxesOf(c, f, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  const bool bubble = p.kind == kChartBubble;
  double maxSize = 0;
  if (bubble)
    for (const ChartSeries* s : series)
      for (double v : s->bubbleSizes.values)
        if (std::isfinite(v)) maxSize = std::max(maxSize, std::fabs(v));
  const double maxDiameter = std::min(f.plot.width, f.plot.height) * 0.25 * p.bubbleScale / 100.0;
  for (size_t k = 0; k < series.size() && c.rc == XLX_OK; ++k) {
    const ChartSeries& s = *series[k];
    const CellColor color = PointColor(c, p, s, series.size(), int32_t(k));
    std::vector<DrawPoint> pts;
    const size_t count = s.values.values.size();
    pts.reserve(std::min<size_t>(count, 1 << 20));
    for (size_t i = 0; i < count; ++i) {
      const double y = ValueAt(s, i);
      const double x = i < s.categories.values.size() ? s.categories.values[i] : double(i + 1);
      if (!std::isfinite(x) || !std::isfinite(y)) continue;
      const double px = ValuePos(ax.cat, f.plot, x), py = ValuePos(ax.val, f.plot, y);
      if (!std::isfinite(px) || !std::isfinite(py)) continue;
      pts.push_back(ax.val.vertical ? DrawPoint{px, py} : DrawPoint{py, px});
      if (bubble && maxSize > 0 && i < s.bubbleSizes.values.size() && std::isfinite(s.bubbleSizes.values[i])) {
        const double ratio = std::fabs(s.bubbleSizes.values[i]) / maxSize;
        const double d = maxDiameter * (p.sizeByWidth ? ratio : std::sqrt(ratio));
        ChartPaint paint;
        MakePaint(c, PointProps(s, int32_t(i)), color, 0xFFFFFFFF, 0.75, &paint);
        c.Ok(AddDrawEllipse(c.surface, paint.pen, paint.brush, DrawRect{pts.back().x - d / 2, pts.back().y - d / 2, d, d}));
      }
    }
    if (bubble) continue;
    const bool lines = p.scatterStyle != 0 && p.scatterStyle != 3;
    ChartPaint paint;
    MakePaint(c, s.shape, 0xFFFFFFFF, lines ? color : 0xFFFFFFFF, 2.25, &paint);
    StrokeLine(c, paint.pen, pts, s.smooth || p.scatterStyle >= 4, true);
    DrawTrendAndErrors(c, ax.cat, ax.val, f.plot, s, true, 0, color);
    const bool markers = s.marker.symbol != kMarkerNone && (s.marker.present || p.scatterStyle != 4) && pts.size() <= 5000;
    if (markers) DrawMarkers(c, s.marker, color, pts.data(), pts.size());
    const ChartDataLabels& l = LabelsOf(c, s);
    if (l.present && !l.deleted && pts.size() <= 5000 && pts.size() == count)
      for (size_t i = 0; i < count; ++i) DrawLabel(c, l, LabelText(c, s, l, int32_t(i), ValueAt(s, i), NAN), pts[i].x + c.Px(10), pts[i].y);
  }
}

void DrawRadarPlot(ChartCanvas& c, const DrawRect& room, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  int32_t n = 0;
  double lo = INFINITY, hi = -INFINITY;
  for (const ChartSeries* s : series) {
    n = std::max(n, s->values.pointCount);
    if (s->values.min <= s->values.max) lo = std::min(lo, s->values.min), hi = std::max(hi, s->values.max);
  }
  if (n < 1 || n > 100000) return;
  const ChartAxis* valueAxis = nullptr;
  for (const ChartAxis& a : c.chart.axes)
    if (a.type == kAxisValue) valueAxis = &a;
  const ChartScale scale = ChooseValueScale(lo, hi, valueAxis, false);
  const double r = std::min(room.width, room.height) / 2 * 0.85, cx = room.left + room.width / 2, cy = room.top + room.height / 2;
  auto point = [&](int32_t i, double v) {
    const double a = -kPi / 2 + 2 * kPi * i / n, f = std::max(0.0, std::min(ScaleFraction(scale, v), 1.5));
    return DrawPoint{cx + r * f * std::cos(a), cy + r * f * std::sin(a)};
  };
  ChartPaint grid;
  MakePaint(c, ChartShapeProps(), 0xFFFFFFFF, 0xFFD9D9D9, 0.75, &grid);
  const int32_t rings = int32_t(std::min(50.0, std::floor((scale.max - scale.min) / scale.major + 1e-9)));
  for (int32_t ring = 1; ring <= rings && n <= 2000; ++ring) {
    std::vector<DrawPoint> poly;
    for (int32_t i = 0; i < n; ++i) poly.push_back(point(i, scale.min + ring * scale.major));
    c.Ok(AddDrawPolygon(c.surface, grid.pen, nullptr, poly.data(), int32_t(poly.size())));
  }
  // Spokes, each labelled with its category beyond its end.
  const DrawFontSpec font = ChartFont(c, ChartTextProps(), 10, false);
  const CellColor ink = ChartTextColor(c, ChartTextProps());
  for (int32_t i = 0; i < n && n <= 2000 && c.rc == XLX_OK; ++i) {
    const DrawPoint e = point(i, scale.max);
    c.Ok(AddDrawLine(c.surface, grid.pen, cx, cy, e.x, e.y));
    if (n > 120 || series.empty()) continue;
    const std::u16string text = CategoryText(*series[0], i, u"", c.chart.date1904);
    double w, h;
    MeasureChartText(c, text, font, &w, &h);
    const double a = -kPi / 2 + 2 * kPi * i / n;
    DrawChartTextAt(c, text, font, ink, cx + (r + c.Px(4) + w / 2) * std::cos(a), cy + (r + c.Px(4) + h / 2) * std::sin(a), 0);
  }
  // The value axis labels its rings up the first spoke.
  const bool valueLabels = !valueAxis || (!valueAxis->deleted && valueAxis->tickLabelPos != kTickLblNone);
  for (int32_t ring = 0; ring <= rings && valueLabels && n <= 2000 && c.rc == XLX_OK; ++ring) {
    double v = scale.min + ring * scale.major;
    if (std::fabs(v) < scale.major * 1e-9) v = 0;
    const double shown = valueAxis && valueAxis->displayUnit > 1 ? v / valueAxis->displayUnit : v;
    const std::u16string text = FormatChartValue(shown, valueAxis ? valueAxis->formatCode : u"General", c.chart.date1904);
    double w, h;
    MeasureChartText(c, text, font, &w, &h);
    const DrawPoint at = point(0, v);
    DrawChartTextAt(c, text, font, ink, at.x - c.Px(3) - w / 2, at.y, 0);
  }
  for (const ChartSeries* s : series) {
    if (c.rc != XLX_OK) break;
    const CellColor color = AutoSeriesColor(c.chart, SeriesColorIndex(c, s));
    std::vector<DrawPoint> poly;
    for (int32_t i = 0; i < s->values.pointCount; ++i) {
      const double v = ValueAt(*s, size_t(i));
      poly.push_back(point(i, std::isfinite(v) ? v : scale.min));
    }
    if (poly.size() < 2 || c.rc != XLX_OK) continue;
    c.Spend(poly.size());
    ChartPaint paint;
    MakePaint(c, s->shape, p.radarStyle == 0 ? color : 0xFFFFFFFF, color, 2.25, &paint);
    if (p.radarStyle == 0) c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, poly.data(), int32_t(poly.size())));
    else {
      poly.push_back(poly.front());
      StrokeLine(c, paint.pen, poly, false, true);
    }
    if ((p.radarStyle == 1 || s->marker.present) && poly.size() <= 2000)
      DrawMarkers(c, s->marker, color, poly.data(), poly.size() - (p.radarStyle == 0 ? 0 : 1));
  }
  // Data labels over every series, each just outside its point along its spoke.
  for (const ChartSeries* s : series) {
    const ChartDataLabels& labels = LabelsOf(c, *s);
    for (int32_t i = 0; labels.present && !labels.deleted && i < s->values.pointCount && n <= 2000 && c.rc == XLX_OK; ++i) {
      // Data labels stand just outside their point, along its spoke.
      const double v = ValueAt(*s, size_t(i));
      if (!std::isfinite(v)) continue;
      const DrawPoint at = point(i, v);
      const double a = -kPi / 2 + 2 * kPi * i / n;
      DrawLabel(c, labels, LabelText(c, *s, labels, i, v, NAN), at.x + c.Px(9) * std::cos(a), at.y + c.Px(9) * std::sin(a));
    }
  }
}

}  // namespace xlx
