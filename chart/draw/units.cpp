// The display-unit caption of a value axis ("Thousands", "Millions", or the file's own text):
// beside a vertical axis it stands turned at the axis's top end, outside the tick labels; under a
// horizontal axis it sits at the right end, below the labels.
#include <algorithm>

#include "chart/draw/internal.h"

namespace xlx {

namespace {

constexpr double kCaptionSizePt = 10;  // the application's caption: 10 pt bold
constexpr double kLabelSizePt = 10;    // the tick labels it stands beside

bool HasCaption(const AxisLayout& a) {
  return a.visible && a.isValue && a.axis && a.axis->unitsCaption && !a.axis->unitsText.empty();
}

}  // namespace

double UnitsCaptionRoom(ChartCanvas& c, const AxisLayout& a) {
  if (!HasCaption(a)) return 0;
  double w = 0, h = 0;
  MeasureChartText(c, a.axis->unitsText, ChartFont(c, a.axis->unitsTextProps, kCaptionSizePt, true), &w, &h);
  return h + c.Px(2);
}

void DrawUnitsCaption(ChartCanvas& c, const AxisLayout& a, const DrawRect& plot) {
  if (!HasCaption(a) || c.rc != XLX_OK) return;
  const DrawFontSpec font = ChartFont(c, a.axis->unitsTextProps, kCaptionSizePt, true);
  const CellColor color = ChartTextColor(c, a.axis->unitsTextProps);
  double w = 0, h = 0;
  MeasureChartText(c, a.axis->unitsText, font, &w, &h);
  const double gap = c.Px(4) + c.Px(2);
  if (a.vertical) {
    const bool left = a.side == kAxisPosLeft;
    const double x = left ? plot.left - gap - a.labelWidth - h / 2 : plot.left + plot.width + gap + a.labelWidth + h / 2;
    const double y = plot.top + std::min(w, plot.height) / 2;
    DrawChartTextAt(c, a.axis->unitsText, font, color, x, y, left ? 90 : -90);
    return;
  }
  const double labelH = ChartFont(c, a.axis->textProps, kLabelSizePt, false).dHeightPx * 1.2;
  const bool top = a.side == kAxisPosTop;
  const double y = top ? plot.top - gap - labelH - h / 2 : plot.top + plot.height + gap + labelH + h / 2;
  DrawChartTextAt(c, a.axis->unitsText, font, color, plot.left + plot.width - w / 2, y, 0);
}

}  // namespace xlx
