// The plot of a 2016 chart: which kind draws it, and the column plot's axes that waterfall,
// histogram, pareto and box and whisker charts share.
#include "chart/draw/exdraw.h"

#include <algorithm>
#include <cmath>

namespace xlx {

namespace {

constexpr CellColor kGridColor = 0xFFD9D9D9;
constexpr CellColor kLabelGrey = 0xFF595959;

std::vector<std::u16string> TickTexts(const ChartScale& s, const std::u16string& code, bool percent, bool date1904) {
  std::vector<std::u16string> out;
  for (int32_t k = 0; k <= kMaxAxisTicks; ++k) {
    const double v = s.min + s.major * k;
    if (v > s.max + s.major * 1e-9) break;
    out.push_back(FormatChartValue(std::fabs(v) < s.major * 1e-9 ? 0 : v, percent ? u"0%" : code, date1904));
  }
  return out;
}

double WidestText(ChartCanvas& c, int32_t count, const ExLabelFn& text, const DrawFontSpec& font, int32_t step,
                  double* height) {
  double widest = 0;
  *height = font.dHeightPx * 1.2;
  for (int32_t i = 0; i < count && c.rc == XLX_OK; i += step) {
    double w = 0, h = 0;
    MeasureChartText(c, text(i), font, &w, &h);
    widest = std::max(widest, w);
    *height = std::max(*height, h);
  }
  return widest;
}

}  // namespace

const ChartExData* ExDataOf(const ChartEx& ex, const ChartExSeries& s) {
  for (const ChartExData& d : ex.data)
    if (d.id == s.dataId) return &d;
  return s.dataId < 0 && !ex.data.empty() ? &ex.data[0] : nullptr;
}

const ChartShapeProps& ExPointProps(const ChartExSeries& s, int32_t i) {
  for (const ChartDataPoint& p : s.points)
    if (p.idx == i) return p.shape;
  return s.shape;
}

std::u16string ExCategory(const ChartExData& d, int32_t i) {
  if (!d.levels.empty() && i >= 0 && size_t(i) < d.levels[0].size() && !d.levels[0][size_t(i)].empty())
    return d.levels[0][size_t(i)];
  return FormatChartValue(i + 1, u"General", false);
}

DrawFontSpec ExLabelFont(const ChartCanvas& c, double sizePt) { return ChartFont(c, ChartTextProps(), sizePt, false); }

CellColor ExLabelColor(const ChartCanvas& c) {
  return PrintColor(c, c.chart.chartText.color != 0xFFFFFFFF ? c.chart.chartText.color : kLabelGrey);
}

void ExRect(ChartCanvas& c, const ChartShapeProps& props, CellColor fill, CellColor line, double left, double top,
            double width, double height) {
  if (!(width > 0) || !(height >= 0) || c.rc != XLX_OK) return;
  ChartPaint paint;
  const DrawRect box{left, top, width, std::max(height, 0.5)};
  MakePaint(c, props, fill, line, 0.75, &paint, &box);
  if (paint.pen || paint.brush || paint.picture) ChartRect(c, paint, box);
}

double ExValueY(const ExColumns& p, double v) {
  const double f = ScaleFraction(p.scale, v);
  const double y = p.plot.top + p.plot.height * (1 - (std::isfinite(f) ? f : 0));
  return std::max(p.plot.top - 1e5, std::min(y, p.plot.top + p.plot.height + 1e5));
}

void ExBarSpan(const ExColumns& p, int32_t i, double* left, double* width) {
  const double slot = p.plot.width / std::max(1, p.slots);
  *width = slot / (1 + p.gap);
  *left = p.plot.left + slot * i + (slot - *width) / 2;
}

bool LayoutExColumns(ChartCanvas& c, const DrawRect& room, double lo, double hi, int32_t slots,
                     const ExLabelFn& label, const std::u16string& code, bool percentAxis, double gap,
                     ExColumns* out) {
  const ChartEx& ex = *c.chart.ex;
  ChartAxis axis;
  axis.hasMin = ex.hasValueMin, axis.min = ex.valueMin;
  axis.hasMax = ex.hasValueMax, axis.max = ex.valueMax;
  out->scale = ChooseValueScale(lo, hi, &axis, false);
  out->slots = std::max(1, slots);
  out->gap = gap;
  const DrawFontSpec font = ExLabelFont(c);
  const CellColor grey = ExLabelColor(c);
  const std::vector<std::u16string> ticks = TickTexts(out->scale, code, false, c.chart.date1904);
  double lineH = 0;
  const ExLabelFn tick = [&ticks](int32_t i) { return ticks[size_t(i)]; };
  const double valueW = ex.valueLabels ? WidestText(c, int32_t(ticks.size()), tick, font, 1, &lineH) + c.Px(4) : c.Px(4);
  double percentW = 0;
  if (percentAxis) percentW = WidestText(c, 1, [](int32_t) { return std::u16string(u"100%"); }, font, 1, &lineH) + c.Px(4);
  // Category labels: level when they fit their slots, else turned 45 degrees and thinned out.
  const int32_t sample = std::max(1, out->slots / 200);
  double catH = 0;
  const double catW = ex.categoryLabels ? WidestText(c, out->slots, label, font, sample, &catH) : 0;
  DrawRect plot{room.left + valueW, room.top + lineH / 2, room.width - valueW - percentW, 0};
  const double slot = plot.width / out->slots;
  const bool turned = ex.categoryLabels && catW > slot * 0.95;
  const int32_t step = turned ? std::max(1, int32_t(std::ceil(catH * 1.2 / std::max(slot, 0.01)))) : 1;
  const double bottom = !ex.categoryLabels ? c.Px(4) : turned ? std::min(catW * 0.71 + catH, room.height / 2) : catH + c.Px(4);
  plot.height = room.height - bottom - lineH / 2;
  if (!(plot.width >= 4) || !(plot.height >= 4)) return false;
  out->plot = plot;
  ChartPaint grid;
  c.Ok(SetDrawPen(PrintColor(c, kGridColor), 0, std::max(0.5, c.Px(0.75)), nullptr, 0, &grid.pen));
  for (size_t k = 0; k < ticks.size() && c.rc == XLX_OK; ++k) {
    const double v = out->scale.min + out->scale.major * double(k);
    const double y = ExValueY(*out, v);
    if (ex.valueGridlines || k == 0) c.Ok(AddDrawLine(c.surface, grid.pen, plot.left, y, plot.left + plot.width, y));
    double w = 0, h = 0;
    if (!ex.valueLabels) continue;
    MeasureChartText(c, ticks[k], font, &w, &h);
    DrawChartTextAt(c, ticks[k], font, grey, plot.left - c.Px(3) - w / 2, y, 0);
  }
  if (percentAxis) {
    for (int32_t k = 0; k <= 5 && c.rc == XLX_OK; ++k) {
      const std::u16string t = FormatChartValue(k * 0.2, u"0%", false);
      double w = 0, h = 0;
      MeasureChartText(c, t, font, &w, &h);
      DrawChartTextAt(c, t, font, grey, plot.left + plot.width + c.Px(3) + w / 2,
                      plot.top + plot.height * (1 - k * 0.2), 0);
    }
  }
  for (int32_t i = 0; ex.categoryLabels && i < out->slots && c.rc == XLX_OK; i += step) {
    const std::u16string text = label(i);
    const double x = plot.left + slot * (i + 0.5), y = plot.top + plot.height + c.Px(3);
    if (!turned) {
      DrawChartTextAt(c, text, font, grey, x, y + catH / 2, 0);
      continue;
    }
    double w = 0, h = 0;
    MeasureChartText(c, text, font, &w, &h);
    // Turned labels end under their slot, reading upwards.
    DrawChartTextAt(c, text, font, grey, x - w * 0.35, y + w * 0.35 + h / 2, 45);
  }
  return c.rc == XLX_OK;
}

std::vector<ExLegendEntry> ChartExLegend(const ChartCanvas& c, size_t cap) {
  static const ChartShapeProps kPlain;
  std::vector<ExLegendEntry> out;
  if (!c.chart.ex) return out;
  const ChartEx& ex = *c.chart.ex;
  for (size_t k = 0; k < ex.series.size() && out.size() < cap; ++k) {
    const ChartExSeries& s = ex.series[k];
    if (s.hidden) continue;
    const std::u16string name = !s.name.empty() ? s.name : u"Series" + FormatChartValue(double(k + 1), u"General", false);
    switch (s.layout) {  // one case per kind
      case kExWaterfall:
        out.push_back({u"Increase", AutoSeriesColor(c.chart, 0), &kPlain, false});
        out.push_back({u"Decrease", AutoSeriesColor(c.chart, 1), &kPlain, false});
        out.push_back({u"Total", AutoSeriesColor(c.chart, 2), &kPlain, false});
        return out;
      case kExTreemap:
      case kExSunburst: {
        const ChartExData* d = ExDataOf(ex, s);
        if (!d) return out;
        const std::vector<ExNode> nodes = BuildHierarchy(*d);
        for (int32_t top : nodes[0].children) {
          if (out.size() >= cap) break;
          const ExNode& n = nodes[size_t(top)];
          out.push_back({n.name, AutoSeriesColor(c.chart, n.branch), &ExPointProps(s, n.point), false});
        }
        return out;
      }
      case kExParetoLine:
        out.push_back({name, AutoSeriesColor(c.chart, 1), &s.shape, true});
        break;
      case kExBoxWhisker:
        out.push_back({name, AutoSeriesColor(c.chart, int32_t(k)), &s.shape, false});
        break;
      case kExHistogram:
      case kExFunnel:
        out.push_back({name, AutoSeriesColor(c.chart, 0), &s.shape, false});
        break;
      default:
        break;
    }
  }
  return out;
}

void DrawChartExPlot(ChartCanvas& c, const DrawRect& room) {
  if (!c.chart.ex || c.rc != XLX_OK) return;
  const ChartEx& ex = *c.chart.ex;
  const ChartExSeries* first = nullptr;
  const ChartExSeries* pareto = nullptr;
  for (const ChartExSeries& s : ex.series) {
    if (s.layout == kExParetoLine) pareto = &s;
    else if (!first && !s.hidden) first = &s;
  }
  if (!first || !(room.width >= 8) || !(room.height >= 8)) return;
  int32_t saved = -1;
  c.Ok(SetDrawClipRgn(c.surface, room.left, room.top, room.left + room.width, room.top + room.height, &saved));
  switch (first->layout) {  // one case per kind
    case kExWaterfall: DrawExWaterfall(c, room, *first); break;
    case kExHistogram: DrawExHistogram(c, room, *first, pareto && !pareto->hidden ? pareto : nullptr); break;
    case kExFunnel: DrawExFunnel(c, room, *first); break;
    case kExBoxWhisker: DrawExBoxWhisker(c, room); break;
    case kExTreemap: DrawExTreemap(c, room, *first); break;
    case kExSunburst: DrawExSunburst(c, room, *first); break;
    default: break;
  }
  if (saved >= 0) FreeDrawClipRgn(c.surface, saved);
}

}  // namespace xlx
