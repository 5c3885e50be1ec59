// The column-like 2016 kinds: waterfall (rises, falls and totals with connector lines),
// histogram and pareto (bins or categories, the pareto's cumulative line), funnel, and box and
// whisker.
#include <algorithm>
#include <cmath>
#include <map>

#include "model/colormath.h"
#include "chart/draw/exdraw.h"

namespace xlx {

namespace {

constexpr CellColor kConnectorColor = 0xFFA6A6A6;
constexpr CellColor kWhite = 0xFFFFFFFF;
constexpr CellColor kNone = 0xFFFFFFFF;

// A value label above (or, for a falling bar, below) a bar.
void BarLabel(ChartCanvas& c, const std::u16string& text, double x, double y, bool below) {
  if (text.empty()) return;
  const DrawFontSpec font = ExLabelFont(c);
  double w = 0, h = 0;
  MeasureChartText(c, text, font, &w, &h);
  DrawChartTextAt(c, text, font, ExLabelColor(c), x, below ? y + h / 2 + c.Px(1) : y - h / 2 - c.Px(1), 0);
}

std::u16string BinLabel(const HistogramBin& b, bool firstBin, bool closedLeft, const std::u16string& code) {
  const std::u16string lo = FormatChartValue(b.lo, code, false), hi = FormatChartValue(b.hi, code, false);
  if (b.underflow) return (closedLeft ? u"<" : u"\u2264") + hi;
  if (b.overflow) return (closedLeft ? u"\u2265" : u">") + lo;
  if (closedLeft) return u"[" + lo + u", " + hi + u")";
  return (firstBin ? u"[" : u"(") + lo + u", " + hi + u"]";
}

// The bars of a histogram or pareto chart: counts of bins, or sums of categories.
struct Columns {
  std::vector<double> heights;
  std::vector<std::u16string> labels;
};

Columns ColumnsOf(const ChartExData& d, const ChartExSeries& s) {
  Columns out;
  const bool numeric = s.binned || d.levels.empty();
  if (numeric) {
    const std::vector<HistogramBin> bins = BinValues(d.values, s.binning);
    for (size_t i = 0; i < bins.size(); ++i) {
      out.heights.push_back(bins[i].count);
      out.labels.push_back(BinLabel(bins[i], i == 0 || (i == 1 && bins[0].underflow), s.binning.closedLeft, d.formatCode));
    }
    return out;
  }
  // Categories: one column per distinct name, its values summed (a count of 1 per point when
  // the block has no numbers).
  std::map<std::u16string, size_t> seen;
  for (int32_t i = 0; i < d.pointCount && out.heights.size() < size_t(kMaxChartExBins); ++i) {
    const std::u16string name = ExCategory(d, i);
    const double v = d.values.empty() ? 1 : size_t(i) < d.values.size() ? d.values[size_t(i)] : NAN;
    auto it = seen.find(name);
    if (it == seen.end()) {
      it = seen.emplace(name, out.heights.size()).first;
      out.heights.push_back(0);
      out.labels.push_back(name);
    }
    if (std::isfinite(v)) out.heights[it->second] += v;
  }
  return out;
}

}  // namespace

void DrawExWaterfall(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s) {
  const ChartExData* d = ExDataOf(*c.chart.ex, s);
  if (!d || d->values.empty()) return;
  const std::vector<WaterfallBar> bars = WaterfallBars(d->values, s.subtotals);
  double lo = 0, hi = 0;
  for (const WaterfallBar& b : bars) lo = std::min({lo, b.from, b.to}), hi = std::max({hi, b.from, b.to});
  ExColumns p;
  const double gap = c.chart.ex->gapWidth >= 0 ? c.chart.ex->gapWidth : 0.5;
  if (!LayoutExColumns(c, room, lo, hi, int32_t(bars.size()), [d](int32_t i) { return ExCategory(*d, i); },
                       d->formatCode, false, gap, &p))
    return;
  ChartPaint connector;
  if (s.connectorLines) c.Ok(SetDrawPen(PrintColor(c, kConnectorColor), 0, std::max(0.5, c.Px(0.75)), nullptr, 0, &connector.pen));
  // Rises take the first accent, falls the second, totals the third.
  const CellColor colors[3] = {AutoSeriesColor(c.chart, 0), AutoSeriesColor(c.chart, 1), AutoSeriesColor(c.chart, 2)};
  double prevRight = NAN, prevLevel = NAN;
  for (size_t i = 0; i < bars.size() && c.rc == XLX_OK; ++i) {
    const WaterfallBar& b = bars[i];
    double left = 0, width = 0;
    ExBarSpan(p, int32_t(i), &left, &width);
    const double y1 = ExValueY(p, b.from), y2 = ExValueY(p, b.to);
    if (connector.pen && std::isfinite(prevRight))
      c.Ok(AddDrawLine(c.surface, connector.pen, prevRight, prevLevel, left, prevLevel));
    ExRect(c, ExPointProps(s, int32_t(i)), colors[b.kind], kNone, left, std::min(y1, y2), width, std::fabs(y2 - y1));
    prevRight = left + width, prevLevel = y2;
    if (s.showValues)
      BarLabel(c, FormatChartValue(d->values[i], d->formatCode, c.chart.date1904), left + width / 2,
               b.kind == kWaterfallDown ? std::max(y1, y2) : std::min(y1, y2), b.kind == kWaterfallDown);
  }
}

void DrawExHistogram(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s, const ChartExSeries* pareto) {
  const ChartExData* d = ExDataOf(*c.chart.ex, s);
  if (!d) return;
  Columns cols = ColumnsOf(*d, s);
  if (cols.heights.empty()) return;
  if (pareto) {  // a pareto chart orders its columns from the largest down
    std::vector<size_t> order(cols.heights.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return cols.heights[a] > cols.heights[b]; });
    Columns sorted;
    for (size_t i : order) sorted.heights.push_back(cols.heights[i]), sorted.labels.push_back(cols.labels[i]);
    cols = std::move(sorted);
  }
  double lo = 0, hi = 0, total = 0;
  for (double h : cols.heights) lo = std::min(lo, h), hi = std::max(hi, h), total += std::max(0.0, h);
  ExColumns p;
  const double gap = c.chart.ex->gapWidth >= 0 ? c.chart.ex->gapWidth : 0;
  const std::u16string code = s.binned || d->levels.empty() ? std::u16string() : d->formatCode;
  if (!LayoutExColumns(c, room, lo, hi, int32_t(cols.heights.size()),
                       [&cols](int32_t i) { return cols.labels[size_t(i)]; }, code, pareto != nullptr, gap, &p))
    return;
  const CellColor color = AutoSeriesColor(c.chart, 0);
  std::vector<DrawPoint> line;
  double running = 0;
  for (size_t i = 0; i < cols.heights.size() && c.rc == XLX_OK; ++i) {
    double left = 0, width = 0;
    ExBarSpan(p, int32_t(i), &left, &width);
    const double y0 = ExValueY(p, 0), y1 = ExValueY(p, cols.heights[i]);
    // Bars that touch keep a hairline of white between them, as the application draws them.
    ExRect(c, ExPointProps(s, int32_t(i)), color, gap <= 0 ? kWhite : kNone, left, std::min(y0, y1), width,
           std::fabs(y1 - y0));
    if (s.showValues) BarLabel(c, FormatChartValue(cols.heights[i], code, false), left + width / 2, std::min(y0, y1), false);
    running += std::max(0.0, cols.heights[i]);
    const double share = running / total;
    if (total > 0 && std::isfinite(share)) line.push_back(DrawPoint{left + width / 2, p.plot.top + p.plot.height * (1 - share)});
  }
  if (!pareto || line.empty() || c.rc != XLX_OK) return;
  ChartPaint pen;
  MakePaint(c, pareto->shape, kNone, AutoSeriesColor(c.chart, 1), 2.25, &pen);
  c.Spend(line.size());
  if (pen.pen && line.size() > 1) c.Ok(AddDrawPolyline(c.surface, pen.pen, line.data(), int32_t(line.size())));
}

void DrawExFunnel(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s) {
  const ChartExData* d = ExDataOf(*c.chart.ex, s);
  if (!d || d->values.empty()) return;
  const int32_t n = int32_t(d->values.size());
  double top = 0;
  for (double v : d->values)
    if (std::isfinite(v)) top = std::max(top, std::fabs(v));
  const DrawFontSpec font = ExLabelFont(c);
  const CellColor grey = ExLabelColor(c);
  double labelW = 0, lineH = font.dHeightPx * 1.2;
  const int32_t sample = std::max(1, n / 200);
  for (int32_t i = 0; i < n && c.chart.ex->categoryLabels && c.rc == XLX_OK; i += sample) {
    double w = 0, h = 0;
    MeasureChartText(c, ExCategory(*d, i), font, &w, &h);
    labelW = std::max(labelW, w), lineH = std::max(lineH, h);
  }
  labelW = std::min(labelW + c.Px(6), room.width / 3);
  const DrawRect plot{room.left + labelW, room.top, room.width - labelW, room.height};
  if (!(plot.width >= 4) || !(top > 0)) return;
  const double slot = plot.height / n;
  const double gap = c.chart.ex->gapWidth >= 0 ? c.chart.ex->gapWidth : 0.06;
  const double thick = slot / (1 + gap);
  const int32_t step = std::max(1, int32_t(std::ceil(lineH / std::max(slot, 0.01))));
  const double mid = plot.left + plot.width / 2;
  const CellColor color = AutoSeriesColor(c.chart, 0);
  for (int32_t i = 0; i < n && c.rc == XLX_OK; ++i) {
    const double v = d->values[size_t(i)];
    const double w = std::isfinite(v) ? plot.width * std::fabs(v) / top : 0;
    const double y = plot.top + slot * i + (slot - thick) / 2;
    ExRect(c, ExPointProps(s, i), color, kNone, mid - w / 2, y, w, thick);
    if (i % step) continue;
    if (c.chart.ex->categoryLabels)
      DrawChartTextAt(c, ExCategory(*d, i), font, grey, plot.left - labelW / 2, y + thick / 2, 0);
    if (!s.showValues || !std::isfinite(v)) continue;
    const std::u16string text = FormatChartValue(v, d->formatCode, c.chart.date1904);
    double tw = 0, th = 0;
    MeasureChartText(c, text, font, &tw, &th);
    const bool inside = tw + c.Px(4) < w;
    DrawChartTextAt(c, text, font, inside ? PrintColor(c, kWhite) : grey, inside ? mid : mid + w / 2 + tw / 2 + c.Px(3),
                    y + thick / 2, 0);
  }
}

void DrawExBoxWhisker(ChartCanvas& c, const DrawRect& room) {
  const ChartEx& ex = *c.chart.ex;
  std::vector<const ChartExSeries*> series;
  for (const ChartExSeries& s : ex.series)
    if (s.layout == kExBoxWhisker && !s.hidden && ExDataOf(ex, s)) series.push_back(&s);
  if (series.empty()) return;
  // Groups are the distinct category names of the first series, in order of appearance; a
  // block without names is one group.
  const ChartExData& first = *ExDataOf(ex, *series[0]);
  std::vector<std::u16string> groups;
  std::map<std::u16string, size_t> groupOf;
  for (int32_t i = 0; i < first.pointCount && !first.levels.empty() && groups.size() < size_t(kMaxChartExBins); ++i) {
    const std::u16string name = size_t(i) < first.levels[0].size() ? first.levels[0][size_t(i)] : std::u16string();
    if (groupOf.emplace(name, groups.size()).second) groups.push_back(name);
  }
  if (groups.empty()) groups.push_back(std::u16string()), groupOf.emplace(std::u16string(), 0);
  std::vector<std::vector<BoxStats>> stats(series.size());
  double lo = INFINITY, hi = -INFINITY;
  for (size_t k = 0; k < series.size(); ++k) {
    const ChartExData& d = *ExDataOf(ex, *series[k]);
    std::vector<std::vector<double>> values(groups.size());
    for (size_t i = 0; i < d.values.size(); ++i) {
      const std::u16string name = first.levels.empty() || i >= first.levels[0].size() ? std::u16string() : first.levels[0][i];
      const auto it = groupOf.find(name);
      values[it == groupOf.end() ? 0 : it->second].push_back(d.values[i]);
    }
    for (const std::vector<double>& v : values) {
      stats[k].push_back(BoxStatsOf(v, series[k]->inclusiveQuartiles));
      const BoxStats& b = stats[k].back();
      if (b.count == 0) continue;
      lo = std::min({lo, b.low, b.mean, b.outliers.empty() ? b.low : b.outliers.front()});
      hi = std::max({hi, b.high, b.mean, b.outliers.empty() ? b.high : b.outliers.back()});
    }
  }
  if (!(lo <= hi)) return;
  ExColumns p;
  const double gap = ex.gapWidth >= 0 ? ex.gapWidth : 1.0;
  if (!LayoutExColumns(c, room, lo, hi, int32_t(groups.size()), [&groups](int32_t i) { return groups[size_t(i)]; },
                       first.formatCode, false, gap, &p))
    return;
  const double n = double(series.size());
  for (size_t k = 0; k < series.size() && c.rc == XLX_OK; ++k) {
    const CellColor color = AutoSeriesColor(c.chart, int32_t(k));
    ChartPaint paint, mark;
    MakePaint(c, series[k]->shape, color, ApplyTint(color, -0.25), 0.75, &paint);
    c.Ok(SetDrawBrush(PrintColor(c, kWhite), kBrushSolid, 0, &mark.brush));
    std::vector<DrawPoint> means;
    for (size_t g = 0; g < groups.size() && c.rc == XLX_OK; ++g) {
      const BoxStats& b = stats[k][g];
      double left = 0, width = 0;
      ExBarSpan(p, int32_t(g), &left, &width);
      const double w = width / n, x = left + w * double(k), cx = x + w / 2;
      if (b.count == 0) continue;
      const double yq1 = ExValueY(p, b.q1), yq3 = ExValueY(p, b.q3), ymed = ExValueY(p, b.median);
      const double ylo = ExValueY(p, b.low), yhi = ExValueY(p, b.high);
      c.Ok(AddDrawLine(c.surface, paint.pen, cx, yq3, cx, yhi));
      c.Ok(AddDrawLine(c.surface, paint.pen, cx, yq1, cx, ylo));
      c.Ok(AddDrawLine(c.surface, paint.pen, cx - w / 4, yhi, cx + w / 4, yhi));
      c.Ok(AddDrawLine(c.surface, paint.pen, cx - w / 4, ylo, cx + w / 4, ylo));
      c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, x, std::min(yq1, yq3), w, std::max(0.5, std::fabs(yq1 - yq3))));
      c.Ok(AddDrawLine(c.surface, paint.pen, x, ymed, x + w, ymed));
      const double r = std::max(2.0, c.Px(2.5));
      if (series[k]->meanMarker) {  // the mean as a cross
        const double ym = ExValueY(p, b.mean);
        c.Ok(AddDrawLine(c.surface, paint.pen, cx - r, ym + r, cx + r, ym - r));
        c.Ok(AddDrawLine(c.surface, paint.pen, cx - r, ym - r, cx + r, ym + r));
      }
      means.push_back(DrawPoint{cx, ExValueY(p, b.mean)});
      for (size_t o = 0; series[k]->outliers && o < b.outliers.size() && c.rc == XLX_OK; ++o)
        c.Ok(AddDrawEllipse(c.surface, paint.pen, mark.brush, DrawRect{cx - r, ExValueY(p, b.outliers[o]) - r, 2 * r, 2 * r}));
    }
    if (series[k]->meanLine && means.size() > 1)
      c.Ok(AddDrawPolyline(c.surface, paint.pen, means.data(), int32_t(means.size())));
  }
}

}  // namespace xlx
