// Axes of the plot area: which axes the plots use, their scales and labels, the room their
// labels and titles take, gridlines, axis lines and tick marks.
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/calendar.h"

#include "chart/draw/internal.h"
#include "values/format/numformat.h"

namespace xlx {

namespace {

constexpr double kAxisSizePt = 10;
constexpr double kTitleSizePt = 10;
constexpr CellColor kAxisGrey = 0xFF868686;

bool HasAxes(int32_t kind) {
  return kind != kChartPie && kind != kChartPie3D && kind != kChartDoughnut && kind != kChartOfPie &&
         kind != kChartRadar && kind != kChartNone;
}

bool IsXY(int32_t kind) { return kind == kChartScatter || kind == kChartBubble; }

const ChartAxis* FindAxis(const ChartModel& m, uint32_t id) {
  for (const ChartAxis& a : m.axes)
    if (a.axId == id) return &a;
  return nullptr;
}

// The code category labels are formatted with: the axis's own unless it follows the source data.
std::u16string CategoryAxisCode(const ChartAxis* ax) {
  return ax && !ax->sourceLinked ? ax->formatCode : std::u16string();
}

void Widen(double v, double* lo, double* hi) {
  if (std::isfinite(v)) *lo = std::min(*lo, v), *hi = std::max(*hi, v);
}

// Data range a plot puts on its value axis (or on its x axis when `x` is set).
void PlotRange(const ChartCanvas& c, int32_t plot, bool x, double* lo, double* hi) {
  const ChartPlot& p = PlotOf(c, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  if (x) {
    for (const ChartSeries* s : series) {
      if (s->categories.values.empty()) Widen(1, lo, hi), Widen(std::max(1, s->values.pointCount), lo, hi);
      else Widen(s->categories.min, lo, hi), Widen(s->categories.max, lo, hi);
    }
    return;
  }
  if (p.grouping == kGroupStacked || p.grouping == kGroupPercentStacked) {
    std::vector<double> pos, neg;
    StackTotals(series, &pos, &neg);
    for (size_t i = 0; i < pos.size(); ++i) {
      if (p.grouping == kGroupPercentStacked) {
        const double total = pos[i] - neg[i];
        if (total > 0) Widen(pos[i] / total, lo, hi), Widen(neg[i] / total, lo, hi);
      } else {
        Widen(pos[i], lo, hi), Widen(neg[i], lo, hi);
      }
    }
    return;
  }
  for (const ChartSeries* s : series) {
    Widen(s->values.min, lo, hi), Widen(s->values.max, lo, hi);
    for (const ChartErrorBars& e : s->errorBars)
      if (e.valType == kErrFixed && e.yDirection && s->values.min <= s->values.max)
        Widen(s->values.max + std::fabs(e.value), lo, hi), Widen(s->values.min - std::fabs(e.value), lo, hi);
  }
}

}  // namespace

std::u16string ValueLabel(const ChartCanvas& c, const AxisLayout& a, double v, bool percent) {
  std::u16string code = a.axis ? a.axis->formatCode : u"General";
  if (a.axis && a.axis->sourceLinked && a.labelSeries && !a.labelSeries->values.formatCode.empty())
    code = a.labelSeries->values.formatCode;
  if (percent && (code == u"General" || code.empty())) code = u"0%";
  if (a.axis && a.axis->displayUnit > 1) v /= a.axis->displayUnit;
  if (std::fabs(v) < std::fabs(a.scale.major) * 1e-9) v = 0;
  return FormatChartValue(v, code, c.chart.date1904);
}

// Tick values of a value axis, at most kMaxAxisTicks + 1.
std::vector<double> Ticks(const ChartScale& s) {
  std::vector<double> t;
  if (s.log) {
    for (double v = s.min; v <= s.max * 1.000001 && t.size() <= size_t(kMaxAxisTicks); v *= s.logBase) t.push_back(v);
    return t;
  }
  const double n = std::floor((s.max - s.min) / s.major + 1e-9);
  for (int32_t i = 0; i <= n && i <= kMaxAxisTicks * 10; ++i) t.push_back(s.min + i * s.major);
  return t;
}

namespace {

bool PercentPlot(const ChartCanvas& c, int32_t group) {
  for (size_t p = 0; p < c.chart.plots.size(); ++p)
    if (c.chart.plots[p].grouping == kGroupPercentStacked && UsesSecondary(c, int32_t(p)) == (group == 1)) return true;
  return false;
}

// Whether every category label of `a` fits a slot `width` px wide once broken at its spaces into
// at most three lines; *height gets the tallest wrapped label. Long axes are not wrapped.
bool WrapsToFit(ChartCanvas& c, const AxisLayout& a, const DrawFontSpec& font, double width, double* height) {
  if (!a.labelSeries || a.categoryCount > 200 || width <= 0) return false;
  double lineH = 0, w = 0;
  MeasureChartText(c, u"X", font, &w, &lineH);
  *height = 0;
  for (int32_t i = 0; i < a.categoryCount; ++i) {
    const std::u16string text = CategoryText(*a.labelSeries, i, CategoryAxisCode(a.axis), c.chart.date1904);
    double h = 0;
    MeasureChartText(c, WrapChartText(c, text, font, width), font, &w, &h);
    if (w > width || h > lineH * 3.5) return false;
    *height = std::max(*height, h);
  }
  return true;
}

// Reserves room across `a` for its labels and title.
void MeasureAxis(ChartCanvas& c, AxisLayout* a, double length, int32_t group) {
  if (!a->visible) return;
  const ChartAxis* ax = a->axis;
  const DrawFontSpec font = ChartFont(c, ax ? ax->textProps : ChartTextProps(), kAxisSizePt, false);
  double extent = c.Px(4);
  if (!ax || ax->tickLabelPos != kTickLblNone) {
    double wMax = 0, hMax = 0, wSum = 0;
    int32_t count = 0;
    if (a->isValue) {
      for (double v : Ticks(a->scale)) {
        double w, h;
        MeasureChartText(c, ValueLabel(c, *a, v, PercentPlot(c, group)), font, &w, &h);
        wMax = std::max(wMax, w), hMax = std::max(hMax, h);
      }
    } else if (a->labelSeries) {
      const int32_t n = std::min(a->categoryCount, 2000);
      const int32_t probe = std::max(1, n / 40);  // long axes are measured on a sample
      for (int32_t i = 0; i < n; i += probe, ++count) {
        double w, h;
        MeasureChartText(c, CategoryText(*a->labelSeries, i, CategoryAxisCode(ax), c.chart.date1904), font, &w, &h);
        wMax = std::max(wMax, w), hMax = std::max(hMax, h), wSum += w * probe;
      }
      if (a->categoryCount > 2000) wSum *= double(a->categoryCount) / 2000;
    }
    double dateW = 0, dateH = 0;
    if (!a->isValue && PlanDateLabels(c, a, length, font, &dateW, &dateH)) {
      // A date axis labels its major units, spaced to stay level.
      extent += a->vertical ? std::min(dateW, length) : dateH;
      wMax = dateW;
    } else if (!a->isValue && !a->vertical && a->categoryCount > 0) {
      const double slot = length / a->categoryCount;
      if (ax && ax->tickLabelSkip > 0) a->labelStep = std::max(ax->tickLabelSkip, a->categoryCount / 1000);
      else if (wSum > length * 0.95 && wMax * 0.75 <= slot) a->labelStep = 1;
      double wrappedH = 0;
      if (!(ax && ax->tickLabelSkip > 0) && wMax + c.Px(2) > slot && !(ax && ax->textProps.hasRotation) &&
          WrapsToFit(c, *a, font, slot - c.Px(2), &wrappedH)) {
        // Labels of several words that fit their slot once broken into lines stay level.
        a->labelWrapWidth = slot - c.Px(2);
        hMax = wrappedH;
        wMax = std::min(wMax, slot);
      } else if (!(ax && ax->tickLabelSkip > 0) && wMax + c.Px(2) > slot) {
        // Labels that do not fit side by side are turned, then thinned out.
        a->labelRotation = 45;
        const double need = hMax * 1.5;
        if (need > slot) a->labelStep = int32_t(std::min(1e6, std::ceil(need / std::max(slot, 0.01))));
      }
      if (ax && ax->textProps.hasRotation) a->labelRotation = -ax->textProps.rotation;
      const double r = a->labelRotation * 3.14159265358979 / 180;
      extent += std::fabs(std::sin(r)) * std::min(wMax, length * 0.4) + std::fabs(std::cos(r)) * hMax;
    } else {
      extent += a->vertical ? std::min(wMax, length) : hMax;
      // Categories stacked up a bar chart's axis that cannot each have a line are thinned out.
      if (!a->isValue && a->vertical && a->categoryCount > 0 && !(ax && ax->tickLabelSkip > 0) && hMax > 0 &&
          a->categoryCount * hMax > length)
        a->labelStep = int32_t(std::min(1e6, std::ceil(a->categoryCount * hMax * 1.1 / std::max(length, 1.0))));
      else if (!a->isValue && a->vertical && ax && ax->tickLabelSkip > 0)
        a->labelStep = std::max(ax->tickLabelSkip, a->categoryCount / 1000);
    }
    a->labelWidth = wMax;
  }
  if (ax && ax->title.present && !ax->title.text.empty()) {
    double w, h;
    MeasureChartText(c, ax->title.text, ChartFont(c, ax->title.textProps, kTitleSizePt, true), &w, &h);
    extent += h + c.Px(4);
  }
  extent += UnitsCaptionRoom(c, *a);
  a->labelExtent = extent;
}

// Months since year 0 of a date serial's month; false for serials without a date.
bool MonthIndex(double serial, bool date1904, double* month) {
  CalendarDate d;
  if (!(serial >= 0 && serial < 2958466) ||
      !DateOfSerialDay(int64_t(serial), date1904 ? kDateSystem1904 : kDateSystem1900, &d))
    return false;
  *month = d.year * 12.0 + d.month - 1;
  return true;
}

// A date axis over numeric categories places them by date: in days, or in months when the axis
// says so or every date falls on the same day of its month.
void SetUpDateSlots(const ChartCanvas& c, AxisLayout* a) {
  if (!a->axis || !a->labelSeries) return;
  // A category axis left to choose its type becomes a date axis over categories written as dates.
  const bool dated = a->axis->type == kAxisCategory && a->axis->autoType &&
                     DetectCellFormatType(a->labelSeries->categories.formatCode.c_str()) == kCellFormatDateTime;
  if (a->axis->type != kAxisDate && !dated) return;
  const std::vector<double>& dates = a->labelSeries->categories.values;
  if (dates.empty() || dates.size() > size_t(kMaxChartPoints)) return;
  double lo = INFINITY, hi = -INFINITY;
  for (double d : dates) {
    if (!std::isfinite(d)) return;
    lo = std::min(lo, std::floor(d)), hi = std::max(hi, std::floor(d));
  }
  bool months = a->axis->baseTimeUnit >= 1;
  if (a->axis->baseTimeUnit < 0 && dates.size() > 1) {
    CalendarDate first, d;
    months = DateOfSerialDay(int64_t(dates[0]), kDateSystem1900, &first);
    for (double v : dates)
      if (!DateOfSerialDay(int64_t(v), kDateSystem1900, &d) || d.day != first.day) months = false;
  }
  double base = lo, top = hi;
  if (months && !(MonthIndex(lo, c.chart.date1904, &base) && MonthIndex(hi, c.chart.date1904, &top))) return;
  a->slots.reserve(dates.size());
  for (double d : dates) {
    double slot = std::floor(d) - lo;
    if (months && !MonthIndex(d, c.chart.date1904, &slot)) return a->slots.clear();
    a->slots.push_back(months ? slot - base : slot);
  }
  a->slotCount = top - base + 1;
  if (a->axis->baseTimeUnit == 2) a->slotCount = std::ceil(a->slotCount / 12) * 12;
  a->slotMonths = months;
  a->slotOrigin = lo;
  CalendarDate first;
  if (MonthIndex(lo, c.chart.date1904, &base) &&
      DateOfSerialDay(int64_t(lo), c.chart.date1904 ? kDateSystem1904 : kDateSystem1900, &first)) {
    a->originMonth = int64_t(base);
    a->originDay = std::max(1, first.day);
  }
}

void SetUpGroup(ChartCanvas& c, int32_t group, int32_t firstPlot, PlotFrame* f) {
  const ChartPlot& p = PlotOf(c, firstPlot);
  AxisLayout& cat = f->category[group];
  AxisLayout& val = f->value[group];
  cat.axis = FindAxis(c.chart, p.axIds[0]);
  val.axis = FindAxis(c.chart, p.axIds[1]);
  const bool xy = IsXY(p.kind);
  cat.isValue = xy;
  val.isValue = true;
  cat.vertical = p.horizontal;
  val.vertical = !p.horizontal;
  cat.visible = group == 0 ? !(cat.axis && cat.axis->deleted) : cat.axis && !cat.axis->deleted;
  val.visible = group == 0 ? !(val.axis && val.axis->deleted) : val.axis && !val.axis->deleted;
  if (!cat.axis && !val.axis && group == 0 && c.chart.axes.empty()) cat.visible = val.visible = true;
  double lo = std::numeric_limits<double>::infinity(), hi = -lo, xlo = lo, xhi = hi;
  for (size_t i = 0; i < c.chart.plots.size(); ++i) {
    if (!HasAxes(c.chart.plots[i].kind) || UsesSecondary(c, int32_t(i)) != (group == 1)) continue;
    PlotRange(c, int32_t(i), false, &lo, &hi);
    if (xy) PlotRange(c, int32_t(i), true, &xlo, &xhi);
    for (const ChartSeries* s : SeriesOfPlot(c, int32_t(i))) {
      cat.categoryCount = std::max({cat.categoryCount, s->values.pointCount, s->categories.pointCount});
      if (!cat.labelSeries || (cat.labelSeries->categories.pointCount == 0 && s->categories.pointCount > 0))
        cat.labelSeries = s;
      if (!val.labelSeries) val.labelSeries = s;
    }
  }
  val.scale = ChooseValueScale(lo, hi, val.axis, p.grouping == kGroupPercentStacked);
  if (xy) {
    cat.scale = ChooseValueScale(xlo, xhi, cat.axis, false);
    cat.labelSeries = val.labelSeries;
  }
  cat.between = !(cat.axis && cat.axis->hasCrossBetween) ? !(val.axis && val.axis->hasCrossBetween && !val.axis->crossBetween)
                                                          : cat.axis->crossBetween;
  if (val.axis && val.axis->hasCrossBetween) cat.between = val.axis->crossBetween;
  if (p.kind == kChartBar || p.kind == kChartBar3D || p.kind == kChartStock) cat.between = true;
  if (!xy) SetUpDateSlots(c, &cat);
  cat.scale.reversed = cat.axis && cat.axis->reversed;
  cat.side = cat.vertical ? (cat.axis && cat.axis->position == kAxisPosRight ? kAxisPosRight : kAxisPosLeft)
                          : (cat.axis && cat.axis->position == kAxisPosTop ? kAxisPosTop : kAxisPosBottom);
  val.side = val.vertical ? (group == 1 || (val.axis && val.axis->position == kAxisPosRight) ? kAxisPosRight : kAxisPosLeft)
                          : (group == 1 || (val.axis && val.axis->position == kAxisPosTop) ? kAxisPosTop : kAxisPosBottom);
}

double Clamp(double v) { return std::max(-1e6, std::min(v, 1e6)); }

void TickLine(ChartCanvas& c, const VkPen* pen, const AxisLayout& a, const DrawRect& plot, double pos, double len,
              int32_t mark) {
  if (mark == kTickNone || !pen) return;
  const double in = mark == kTickIn || mark == kTickCross ? len : 0, out = mark == kTickOut || mark == kTickCross ? len : 0;
  if (a.vertical) {
    const double x = a.side == kAxisPosLeft ? plot.left : plot.left + plot.width;
    const double sign = a.side == kAxisPosLeft ? XLX_ERR_MEMORY : XLX_OK;
    c.Ok(AddDrawLine(c.surface, pen, x - sign * in, pos, x + sign * out, pos));
  } else {
    const double y = a.side == kAxisPosTop ? plot.top : plot.top + plot.height;
    const double sign = a.side == kAxisPosTop ? XLX_ERR_MEMORY : XLX_OK;
    c.Ok(AddDrawLine(c.surface, pen, pos, y - sign * in, pos, y + sign * out));
  }
}

void DrawAxisLabels(ChartCanvas& c, const AxisLayout& a, const DrawRect& plot, int32_t group) {
  const ChartAxis* ax = a.axis;
  if (ax && ax->tickLabelPos == kTickLblNone) return;
  const DrawFontSpec font = ChartFont(c, ax ? ax->textProps : ChartTextProps(), kAxisSizePt, false);
  const CellColor color = ChartTextColor(c, ax ? ax->textProps : ChartTextProps());
  const double gap = c.Px(4);
  auto place = [&](const std::u16string& text, double pos) {
    double w, h;
    MeasureChartText(c, text, font, &w, &h);
    if (a.vertical) {
      const double x = a.side == kAxisPosLeft ? plot.left - gap - w / 2 : plot.left + plot.width + gap + w / 2;
      DrawChartTextAt(c, text, font, color, x, pos, 0);
    } else if (a.labelRotation != 0) {
      const double r = std::fabs(a.labelRotation) * 3.14159265358979 / 180;
      const double dx = std::cos(r) * w / 2, dy = std::sin(r) * w / 2 + std::cos(r) * h / 2;
      const double y = a.side == kAxisPosTop ? plot.top - gap - dy : plot.top + plot.height + gap + dy;
      DrawChartTextAt(c, text, font, color, pos - (a.labelRotation > 0 ? dx : -dx), y, a.labelRotation);
    } else {
      const double y = a.side == kAxisPosTop ? plot.top - gap - h / 2 : plot.top + plot.height + gap + h / 2;
      DrawChartTextAt(c, text, font, color, pos, y, 0);
    }
  };
  if (a.isValue) {
    const bool percent = PercentPlot(c, group);
    for (double v : Ticks(a.scale)) place(ValueLabel(c, a, v, percent && !IsXY(0)), ValuePos(a, plot, v));
  } else if (!a.dateLabels.empty()) {
    for (const AxisLayout::DateLabel& l : a.dateLabels) place(l.text, SlotPos(a, plot, l.slot + (a.between ? 0.5 : 0)));
  } else if (a.labelSeries) {
    const int32_t step = std::max(1, a.labelStep);
    for (int32_t i = 0; i < a.categoryCount && c.rc == XLX_OK; i += step) {
      std::u16string text = CategoryText(*a.labelSeries, i, CategoryAxisCode(ax), c.chart.date1904);
      if (a.labelWrapWidth > 0) text = WrapChartText(c, text, font, a.labelWrapWidth);
      place(text, CategoryPos(a, plot, i + (a.between ? 0.5 : 0)));
    }
  }
  DrawUnitsCaption(c, a, plot);
  DrawAxisTitle(c, a, plot);
}

}  // namespace

void DrawAxisTitle(ChartCanvas& c, const AxisLayout& a, const DrawRect& plot) {
  const ChartAxis* ax = a.axis;
  if (!ax || !ax->title.present || ax->title.text.empty()) return;
  const DrawFontSpec tf = ChartFont(c, ax->title.textProps, kTitleSizePt, true);
  double w, h;
  MeasureChartText(c, ax->title.text, tf, &w, &h);
  const CellColor tc = ChartTextColor(c, ax->title.textProps);
  if (a.vertical) {
    const double x = a.side == kAxisPosLeft ? plot.left - a.labelExtent + h / 2 : plot.left + plot.width + a.labelExtent - h / 2;
    DrawChartTextAt(c, ax->title.text, tf, tc, x, plot.top + plot.height / 2, a.side == kAxisPosLeft ? 90 : -90);
  } else {
    const double y = a.side == kAxisPosTop ? plot.top - a.labelExtent + h / 2 : plot.top + plot.height + a.labelExtent - h / 2;
    DrawChartTextAt(c, ax->title.text, tf, tc, plot.left + plot.width / 2, y, 0);
  }
}

namespace {

// Where the axis line of `a` runs across the plot: at the value its crossing axis `cross` gives
// (zero, its maximum or minimum, or a fixed value), else at the plot's edge on its side.
double AxisLinePos(const AxisLayout& a, const AxisLayout* cross, const DrawRect& plot) {
  const double edge = a.vertical ? (a.side == kAxisPosLeft ? plot.left : plot.left + plot.width)
                                 : (a.side == kAxisPosTop ? plot.top : plot.top + plot.height);
  if (!cross || !cross->isValue || cross->scale.log || !a.axis) return edge;
  const ChartScale& s = cross->scale;
  double v = a.axis->hasCrossesAt ? a.axis->crossesAt : a.axis->crosses == 1 ? s.max : a.axis->crosses == 2 ? s.min : 0;
  if (!(v > s.min && v < s.max)) return edge;
  const double pos = ValuePos(*cross, plot, v);
  return std::isfinite(pos) ? pos : edge;
}

void DrawOneAxis(ChartCanvas& c, const AxisLayout& a, const DrawRect& plot, int32_t group, const AxisLayout* cross) {
  if (!a.visible) return;
  ChartPaint paint;
  MakePaint(c, a.axis ? a.axis->line : ChartShapeProps(), 0xFFFFFFFF, kAxisGrey, 0.75, &paint);
  if (paint.pen) {
    const double at = AxisLinePos(a, cross, plot);
    if (a.vertical) c.Ok(AddDrawLine(c.surface, paint.pen, at, plot.top, at, plot.top + plot.height));
    else c.Ok(AddDrawLine(c.surface, paint.pen, plot.left, at, plot.left + plot.width, at));
    const int32_t mark = a.axis ? a.axis->majorTickMark : kTickOut;
    if (a.isValue) {
      for (double v : Ticks(a.scale)) TickLine(c, paint.pen, a, plot, ValuePos(a, plot, v), c.Px(4), mark);
    } else if (!a.dateLabels.empty()) {
      for (const AxisLayout::DateLabel& l : a.dateLabels) TickLine(c, paint.pen, a, plot, SlotPos(a, plot, l.slot), c.Px(4), mark);
    } else if (a.categoryCount > 0 && a.categoryCount <= 4096) {
      // Tick marks closer than 3 px merge into a bar: dense axes mark every few categories.
      const double length = a.vertical ? plot.height : plot.width;
      const int32_t dense = int32_t(std::ceil(a.categoryCount * 3.0 / std::max(1.0, length)));
      const int32_t step = std::max(a.axis && a.axis->tickMarkSkip > 0 ? a.axis->tickMarkSkip : 1, dense);
      const int32_t last = a.between ? a.categoryCount : a.categoryCount - 1;
      for (int32_t i = 0; i <= last; i += step) TickLine(c, paint.pen, a, plot, CategoryPos(a, plot, i), c.Px(4), mark);
    }
  }
  DrawAxisLabels(c, a, plot, group);
}

}  // namespace

double ValuePos(const AxisLayout& a, const DrawRect& plot, double v) {
  double f = a.isValue ? ScaleFraction(a.scale, v) : v;
  if (std::isnan(f)) return f;
  f = std::max(-1000.0, std::min(f, 1000.0));
  return a.vertical ? plot.top + plot.height * (1 - f) : plot.left + plot.width * f;
}

double CategoryWidth(const AxisLayout& a, const DrawRect& plot) {
  const double length = a.vertical ? plot.height : plot.width;
  const double count = a.slots.empty() ? a.categoryCount : a.slotCount;
  return length / std::max(1.0, a.between ? count : count - 1);
}

double CategoryPos(const AxisLayout& a, const DrawRect& plot, double i) {
  if (!a.slots.empty() && std::isfinite(i)) {
    // On a date axis a category stands at its date's slot.
    const double whole = std::floor(i);
    const size_t k = size_t(std::max(0.0, std::min(whole, double(a.slots.size() - 1))));
    i = a.slots[k] + (i - whole);
  }
  return SlotPos(a, plot, i);
}

double SlotPos(const AxisLayout& a, const DrawRect& plot, double i) {
  const double w = CategoryWidth(a, plot);
  double offset = Clamp(i * w);
  if (a.scale.reversed) offset = (a.vertical ? plot.height : plot.width) - offset;
  // Categories run up a vertical axis (bar charts list the first at the bottom).
  return a.vertical ? plot.top + plot.height - offset : plot.left + offset;
}

void StackTotals(const std::vector<const ChartSeries*>& series, std::vector<double>* pos, std::vector<double>* neg) {
  size_t n = 0;
  for (const ChartSeries* s : series) n = std::max(n, s->values.values.size());
  pos->assign(n, 0);
  neg->assign(n, 0);
  for (const ChartSeries* s : series)
    for (size_t i = 0; i < s->values.values.size(); ++i) {
      const double v = s->values.values[i];
      if (!std::isfinite(v)) continue;
      (v >= 0 ? (*pos)[i] : (*neg)[i]) += v;
    }
}

bool LayoutAxes(ChartCanvas& c, const DrawRect& room, PlotFrame* f) {
  f->plot = room;
  int32_t first[2] = {-1, -1};
  for (size_t i = 0; i < c.chart.plots.size(); ++i) {
    if (!HasAxes(c.chart.plots[i].kind)) continue;
    int32_t& slot = first[UsesSecondary(c, int32_t(i)) ? 1 : 0];
    if (slot < 0) slot = int32_t(i);
  }
  if (first[0] < 0 && first[1] >= 0) std::swap(first[0], first[1]);
  if (first[0] < 0) return false;
  for (int32_t g = 0; g < 2; ++g)
    if (first[g] >= 0) SetUpGroup(c, g, first[g], f);
  // Axes across the plot first (their labels set the plot's width), then the ones along it.
  DrawRect& p = f->plot;
  for (int32_t pass = 0; pass < 2; ++pass) {
    for (int32_t g = 0; g < 2; ++g) {
      if (first[g] < 0) continue;
      for (AxisLayout* a : {&f->value[g], &f->category[g]}) {
        if (a->vertical != (pass == 0)) continue;
        MeasureAxis(c, a, a->vertical ? p.height : p.width, g);
        const double e = std::min(a->labelExtent, (a->vertical ? p.width : p.height) * 0.4);
        if (!a->visible) continue;
        if (a->side == kAxisPosLeft) p.left += e, p.width -= e;
        else if (a->side == kAxisPosRight) p.width -= e;
        else if (a->side == kAxisPosTop) p.top += e, p.height -= e;
        else p.height -= e;
      }
    }
  }
  // The end labels of a horizontal value axis stand half outside the plot.
  for (int32_t g = 0; g < 2; ++g)
    for (const AxisLayout* a : {&f->value[g], &f->category[g]})
      if (first[g] >= 0 && a->visible && a->isValue && !a->vertical) {
        const double half = std::min(a->labelWidth / 2, p.width * 0.1);
        p.width -= half;
      }
  p.width = std::max(1.0, p.width);
  p.height = std::max(1.0, p.height);
  return true;
}

void DrawGridlines(ChartCanvas& c, const PlotFrame& f) {
  for (int32_t g = 0; g < 2; ++g) {
    for (const AxisLayout* a : {&f.value[g], &f.category[g]}) {
      if (!a->axis) continue;
      const ChartAxis& ax = *a->axis;
      for (int32_t minor = 1; minor >= 0; --minor) {
        if (!(minor ? ax.minorGridlines : ax.majorGridlines)) continue;
        ChartPaint paint;
        MakePaint(c, minor ? ax.minorGridShape : ax.majorGridShape, 0xFFFFFFFF, minor ? 0xFFD9D9D9 : kAxisGrey, 0.75,
                  &paint);
        if (!paint.pen) continue;
        std::vector<double> at;
        if (a->isValue) {
          ChartScale s = a->scale;
          if (minor && !s.log) s.major = s.minor;
          if (minor && s.log) continue;
          for (double v : Ticks(s)) at.push_back(ValuePos(*a, f.plot, v));
        } else if (a->categoryCount > 0 && a->categoryCount <= 4096) {
          for (int32_t i = 0; i <= a->categoryCount; ++i) at.push_back(CategoryPos(*a, f.plot, i));
        }
        for (double pos : at) {
          if (!std::isfinite(pos)) continue;
          if (a->vertical) c.Ok(AddDrawLine(c.surface, paint.pen, f.plot.left, pos, f.plot.left + f.plot.width, pos));
          else c.Ok(AddDrawLine(c.surface, paint.pen, pos, f.plot.top, pos, f.plot.top + f.plot.height));
        }
      }
    }
  }
}

void DrawAxes(ChartCanvas& c, const PlotFrame& f) {
  for (int32_t g = 0; g < 2; ++g) {
    if (!f.value[g].axis && !f.category[g].axis && g == 1) continue;
    DrawOneAxis(c, f.category[g], f.plot, g, &f.value[g]);
    DrawOneAxis(c, f.value[g], f.plot, g, nullptr);
  }
}

std::u16string ChartCategoryLabel(const ChartModel& chart, const ChartSeries& series, int32_t index) {
  const ChartAxis* category = nullptr;
  if (series.plot >= 0 && series.plot < int32_t(chart.plots.size())) {
    const ChartPlot& p = chart.plots[size_t(series.plot)];
    for (int32_t k = 0; k < p.axisCount && !category; ++k) {
      const ChartAxis* ax = FindAxis(chart, p.axIds[k]);
      if (ax && (ax->type == kAxisCategory || ax->type == kAxisDate)) category = ax;
    }
  }
  return CategoryText(series, index, CategoryAxisCode(category), chart.date1904);
}

}  // namespace xlx
