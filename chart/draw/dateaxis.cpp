// Labels of a date axis: one at every major unit counted from the first date, not one per data
// point. The unit is the axis's own, or the smallest of a ladder of days, weeks, months and years
// that keeps the labels apart; the text follows the axis's format, else the dates' cells.
#include <algorithm>
#include <cmath>

#include "common/calendar.h"
#include "chart/draw/internal.h"
#include "values/format/numformat.h"

namespace xlx {

namespace {

constexpr int32_t kMaxDateLabels = 1000;

enum TimeUnit : int32_t { kDays = 0, kMonths = 1, kYears = 2 };

struct DateStep {
  int32_t unit;
  int32_t count;
};

// Slots (days or months, as the axis counts them) one step spans, on average.
double StepSlots(const AxisLayout& a, const DateStep& s) {
  const double months = s.unit == kYears ? 12.0 * s.count : s.unit == kMonths ? s.count : s.count / 30.4375;
  return a.slotMonths ? months : s.unit == kDays ? s.count : months * 30.4375;
}

// The date `steps` steps after the first date, as a serial day; false past the calendar.
bool StepDate(const AxisLayout& a, const DateStep& s, int64_t steps, DateSystem system, double* serial) {
  if (s.unit == kDays) {
    *serial = a.slotOrigin + double(steps) * s.count;
    return *serial < kMaxDateSerial;
  }
  const int64_t months = a.originMonth + steps * s.count * (s.unit == kYears ? 12 : 1);
  const int64_t year = months / 12;
  const int32_t month = int32_t(months % 12) + 1;
  if (year > 9999) return false;
  const int32_t day = std::min(a.originDay, DaysInMonth(year, month));
  int64_t out = 0;
  if (!SerialDayOfDate(int32_t(year), month, std::max(1, day), system, &out)) return false;
  *serial = double(out);
  return true;
}

// The slot a date stands at on the axis.
double SlotOf(const AxisLayout& a, double serial, bool date1904) {
  if (!a.slotMonths) return serial - a.slotOrigin;
  CalendarDate d;
  if (!DateOfSerialDay(int64_t(serial), date1904 ? kDateSystem1904 : kDateSystem1900, &d)) return NAN;
  return d.year * 12.0 + d.month - 1 - a.originMonth;
}

// The code date labels are written with: the axis's own unless it follows the cells; the cells'
// when that is a date code; else the short date.
std::u16string DateLabelCode(const AxisLayout& a) {
  const ChartAxis* ax = a.axis;
  if (ax && !ax->sourceLinked && DetectCellFormatType(ax->formatCode.c_str()) == kCellFormatDateTime) return ax->formatCode;
  const std::u16string& cells = a.labelSeries ? a.labelSeries->categories.formatCode : std::u16string();
  if (DetectCellFormatType(cells.c_str()) == kCellFormatDateTime) return cells;
  return a.slotMonths ? u"mmm\\-yy" : u"m/d/yyyy";
}

void MakeLabels(ChartCanvas& c, AxisLayout* a, const DateStep& step, const std::u16string& code) {
  a->dateLabels.clear();
  const DateSystem system = c.chart.date1904 ? kDateSystem1904 : kDateSystem1900;
  for (int64_t k = 0; k < kMaxDateLabels; ++k) {
    double serial = 0;
    if (!StepDate(*a, step, k, system, &serial)) break;
    const double slot = SlotOf(*a, serial, c.chart.date1904);
    if (!(slot <= a->slotCount - 1 + 1e-9)) break;
    a->dateLabels.push_back({slot, FormatChartValue(serial, code, c.chart.date1904)});
  }
}

}  // namespace

bool PlanDateLabels(ChartCanvas& c, AxisLayout* a, double length, const DrawFontSpec& font, double* width,
                    double* height) {
  a->dateLabels.clear();
  if (a->slots.empty() || !(a->slotCount >= 1) || !a->labelSeries) return false;
  const std::u16string code = DateLabelCode(*a);
  const double slotPx = length / std::max(1.0, a->between ? a->slotCount : a->slotCount - 1);
  // Labels need their width and a little air between them.
  double lineH = 0, w = 0;
  MeasureChartText(c, FormatChartValue(a->slotOrigin, code, c.chart.date1904), font, &w, &lineH);
  const double need = w * 1.15 + c.Px(6);
  const ChartAxis* ax = a->axis;
  DateStep step{a->slotMonths ? kMonths : kDays, 1};
  if (ax && ax->hasMajorUnit) {
    const int32_t unit = ax->majorTimeUnit >= 0 ? ax->majorTimeUnit : a->slotMonths ? kMonths : kDays;
    step = DateStep{unit, int32_t(std::max(1.0, std::min(ax->majorUnit, 1e6)))};
  } else {
    static const DateStep kLadder[] = {{kDays, 1},   {kDays, 2},   {kDays, 3},   {kDays, 7},    {kDays, 14},
                                       {kMonths, 1}, {kMonths, 2}, {kMonths, 3}, {kMonths, 6},  {kYears, 1},
                                       {kYears, 2},  {kYears, 5},  {kYears, 10}, {kYears, 20},  {kYears, 50},
                                       {kYears, 100}};
    for (const DateStep& s : kLadder) {
      if (a->slotMonths && s.unit == kDays) continue;
      step = s;
      if (StepSlots(*a, s) * slotPx >= need) break;
    }
  }
  MakeLabels(c, a, step, code);
  *width = *height = 0;
  for (const AxisLayout::DateLabel& l : a->dateLabels) {
    double lw = 0, lh = 0;
    MeasureChartText(c, l.text, font, &lw, &lh);
    *width = std::max(*width, lw), *height = std::max(*height, lh);
  }
  return !a->dateLabels.empty();
}

}  // namespace xlx
