// The chart area, its title and its legend; what they leave is the room of the plot.
#include <algorithm>
#include <cmath>

#include "chart/draw/exdraw.h"
#include "chart/draw/internal.h"

namespace xlx {

namespace {

constexpr double kPaddingPt = 7;       // inside the chart area's edge
constexpr double kTitleSizePt = 14;  // a chart title whose text gives no size: 14 pt bold
constexpr double kTitleWidthShare = 0.8;
constexpr double kLegendSizePt = 10;

struct LegendItem {
  std::u16string text;
  CellColor color;
  const ChartShapeProps* props;  // fill and line of the key
  const ChartMarker* marker;     // a line key with this marker; null for a box
  bool lineKey;
};

bool IsPieKind(int32_t kind) {
  return kind == kChartPie || kind == kChartPie3D || kind == kChartDoughnut || kind == kChartOfPie;
}

bool EntryDeleted(const ChartLegend& l, int32_t idx) {
  for (const ChartLegendEntry& e : l.entries)
    if (e.idx == idx && e.deleted) return true;
  return false;
}

std::vector<LegendItem> LegendItems(const ChartCanvas& c, size_t cap) {
  std::vector<LegendItem> items;
  const ChartModel& m = c.chart;
  if (m.isChartEx) {
    for (const ExLegendEntry& e : ChartExLegend(c, cap)) items.push_back({e.text, e.color, e.props, nullptr, e.lineKey});
    return items;
  }
  // A one-plot chart whose plot varies colours by point lists its categories.
  if (m.plots.size() == 1 && m.plots[0].varyColors && !m.series.empty() &&
      (IsPieKind(m.plots[0].kind) || m.series.size() == 1)) {
    const ChartSeries& s = m.series[0];
    const int32_t n = std::max(s.values.pointCount, s.categories.pointCount);
    for (int32_t i = 0; i < n && items.size() < cap; ++i) {
      if (EntryDeleted(m.legend, i)) continue;
      const ChartShapeProps& p = PointProps(s, i);
      items.push_back({CategoryText(s, i, u"", m.date1904), AutoSeriesColor(m, i), &p, nullptr, false});
    }
    return items;
  }
  for (size_t i = 0; i < m.series.size() && items.size() < cap; ++i) {
    const ChartSeries& s = m.series[i];
    if (EntryDeleted(m.legend, int32_t(i))) continue;
    const int32_t kind = PlotOf(c, s.plot).kind;
    const bool line = kind == kChartLine || kind == kChartLine3D || kind == kChartScatter || kind == kChartRadar ||
                      kind == kChartStock;
    items.push_back({s.name, AutoSeriesColor(m, SeriesColorIndex(c, &s)), &s.shape, line ? &s.marker : nullptr, line});
  }
  return items;
}

void DrawLegendKey(ChartCanvas& c, const LegendItem& item, double x, double y, double size) {
  if (item.lineKey) {
    ChartPaint paint;
    MakePaint(c, *item.props, 0xFFFFFFFF, item.color, 2.25, &paint);
    if (paint.pen) c.Ok(AddDrawLine(c.surface, paint.pen, x, y, x + size * 2, y));
    if (item.marker && item.marker->symbol != kMarkerNone) {
      ChartMarker small = *item.marker;
      small.sizePt = std::min(small.sizePt, 7.0);
      DrawMarker(c, small, item.color, x + size, y);
    }
    return;
  }
  ChartPaint paint;
  MakePaint(c, *item.props, item.color, 0xFFFFFFFF, 0.75, &paint);
  c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, x + size * 0.5, y - size / 2, size, size));
}

// Draws the legend in `room` and takes its share of the room.
void DrawLegend(ChartCanvas& c, const DrawRect& chartRect, DrawRect* room) {
  const ChartLegend& l = c.chart.legend;
  std::vector<LegendItem> items = LegendItems(c, 256);
  if (items.empty()) return;
  const DrawFontSpec font = ChartFont(c, l.textProps, kLegendSizePt, false);
  const CellColor color = ChartTextColor(c, l.textProps);
  const double key = font.dHeightPx * 0.7, gap = c.Px(4), lineH = font.dHeightPx * 1.35;
  std::vector<double> widths;
  double widest = 0;
  for (const LegendItem& it : items) {
    double w = 0, h = 0;
    MeasureChartText(c, it.text, font, &w, &h);
    w = std::min(w, chartRect.width * 0.6);
    widths.push_back(key * 2 + gap + w);
    widest = std::max(widest, widths.back());
  }
  const bool across = l.position == kLegendBottom || l.position == kLegendTop;
  // Rows of entries: one entry per row when the legend stands at a side.
  std::vector<std::pair<size_t, size_t>> rows;
  double boxW = 0;
  if (across) {
    size_t start = 0;
    double rowW = 0;
    for (size_t i = 0; i < items.size(); ++i) {
      const double w = widths[i] + gap * 2;
      if (i > start && rowW + w > room->width) {
        rows.push_back({start, i});
        boxW = std::max(boxW, rowW);
        start = i, rowW = 0;
      }
      rowW += w;
    }
    rows.push_back({start, items.size()});
    boxW = std::max(boxW, rowW);
  } else {
    for (size_t i = 0; i < items.size(); ++i) rows.push_back({i, i + 1});
    boxW = widest + gap * 2;
  }
  const size_t fit = size_t(std::max(1.0, std::floor((room->height - gap) / lineH)));
  if (rows.size() > fit) rows.resize(fit);
  boxW = std::min(boxW, room->width);
  const double boxH = rows.size() * lineH + gap;
  DrawRect box{0, 0, boxW, boxH};
  if (l.layout.present && l.layout.hasX && l.layout.hasY) {
    box.left = chartRect.left + l.layout.x * chartRect.width;
    box.top = chartRect.top + l.layout.y * chartRect.height;
    if (l.layout.hasW && l.layout.w > 0) box.width = l.layout.w * chartRect.width;
    if (l.layout.hasH && l.layout.h > 0) box.height = l.layout.h * chartRect.height;
  } else if (across) {
    box.left = room->left + (room->width - boxW) / 2;
    box.top = l.position == kLegendTop ? room->top : room->top + room->height - boxH;
    if (!l.overlay) {
      if (l.position == kLegendTop) room->top += boxH + gap;
      room->height -= boxH + gap;
    }
  } else {
    box.left = l.position == kLegendLeft ? room->left : room->left + room->width - boxW;
    box.top = l.position == kLegendTopRight ? room->top : room->top + (room->height - boxH) / 2;
    if (!l.overlay) {
      if (l.position == kLegendLeft) room->left += boxW + gap;
      room->width -= boxW + gap;
    }
  }
  FillShapeRect(c, l.shape, box, 0xFFFFFFFF, 0xFFFFFFFF);
  double y = box.top + gap / 2 + lineH / 2;
  for (const auto& row : rows) {
    double rowW = 0;
    for (size_t i = row.first; i < row.second; ++i) rowW += widths[i] + gap * 2;
    double x = across ? box.left + (box.width - rowW) / 2 + gap : box.left + gap;
    for (size_t i = row.first; i < row.second && c.rc == XLX_OK; ++i) {
      DrawLegendKey(c, items[i], x, y, key);
      double tw = 0, th = 0;
      MeasureChartText(c, items[i].text, font, &tw, &th);
      c.Ok(AddDrawText(c.surface, items[i].text.data(), int32_t(items[i].text.size()), font, color,
                       DrawRect{x + key * 2 + gap, y - lineH / 2, std::max(1.0, widths[i] - key * 2 - gap), lineH},
                       kTextLeft | kTextVCenter | kTextClip));
      x += widths[i] + gap * 2;
    }
    y += lineH;
  }
}

void DrawTitle(ChartCanvas& c, const DrawRect& chartRect, DrawRect* room) {
  const ChartTitle& t = c.chart.title;
  if (!t.present || t.text.empty()) return;
  const DrawFontSpec font = ChartFont(c, t.textProps, kTitleSizePt, true);
  // A title longer than the chart breaks between words at 80% of the chart's width.
  const std::u16string text = WrapChartText(c, t.text, font, chartRect.width * kTitleWidthShare);
  double w = 0, h = 0;
  MeasureChartText(c, text, font, &w, &h);
  double cx = room->left + room->width / 2, cy = room->top + h / 2;
  if (t.layout.present && t.layout.hasX && t.layout.hasY) {
    cx = chartRect.left + t.layout.x * chartRect.width + w / 2;
    cy = chartRect.top + t.layout.y * chartRect.height + h / 2;
  }
  FillShapeRect(c, t.shape, DrawRect{cx - w / 2 - 2, cy - h / 2, w + 4, h}, 0xFFFFFFFF, 0xFFFFFFFF);
  DrawChartTextAt(c, text, font, ChartTextColor(c, t.textProps), cx, cy, 0);
  if (!t.overlay) {
    room->top += h + c.Px(4);
    room->height -= h + c.Px(4);
  }
}

}  // namespace

void DrawUserShapes(ChartCanvas& c, const DrawRect& rect) {
  for (const ChartUserShape& s : c.chart.userShapes) {
    if (c.rc != XLX_OK) return;
    const DrawRect r{rect.left + s.x * rect.width, rect.top + s.y * rect.height, s.w * rect.width, s.h * rect.height};
    FillShapeRect(c, s.shape, r, 0xFFFFFFFF, 0xFFFFFFFF);
    if (s.text.empty()) continue;
    const DrawFontSpec font = ChartFont(c, s.textProps, 10, false);
    const double inset = c.Px(3.6);
    c.Ok(AddDrawText(c.surface, s.text.data(), int32_t(s.text.size()), font, ChartTextColor(c, s.textProps),
                     DrawRect{r.left + inset, r.top + inset, std::max(1.0, r.width - 2 * inset), std::max(1.0, r.height - 2 * inset)},
                     kTextLeft | kTextTop | kTextWrap | kTextClip));
  }
}

void DrawChartFrame(ChartCanvas& c, const DrawRect& rect, DrawRect* room) {
  const ChartModel& m = c.chart;
  ChartPaint paint;
  MakePaint(c, m.chartShape, 0xFFFFFFFF, 0xFF868686, 0.75, &paint, &rect);
  if (m.roundedCorners && !m.isChartEx) {
    const double r = std::min(c.Px(10), std::min(rect.width, rect.height) / 4);
    c.Ok(AddDrawRoundRect(c.surface, paint.pen, paint.brush, rect, r, r));
  } else if (m.chartShape.fillKind == kChartFillGradient) {
    FillShapeRect(c, m.chartShape, rect, 0xFFFFFFFF, 0xFF868686);
  } else {
    ChartRect(c, paint, rect);
  }
  const double pad = std::min(c.Px(kPaddingPt), std::min(rect.width, rect.height) / 8);
  *room = DrawRect{rect.left + pad, rect.top + pad, rect.width - 2 * pad, rect.height - 2 * pad};
  DrawTitle(c, rect, room);
  if (m.legend.present) DrawLegend(c, rect, room);
  room->width = std::max(0.0, room->width);
  room->height = std::max(0.0, room->height);
}

}  // namespace xlx
