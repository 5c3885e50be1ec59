// Data labels of a pie: at "best fit" a label sits inside its slice when it fits there and
// outside with a leader line when it does not; long labels wrap; outside labels make the pie
// smaller so that they stay inside the plot; a legend key goes before the text when asked.
#include <algorithm>
#include <cmath>

#include "chart/draw/internal.h"
#include "chart/draw/pielabels.h"

namespace xlx {

namespace {

constexpr double kInsideRadius = 0.62;  // where an inside label is centred, share of the radius
constexpr double kMinShrink = 0.4;      // the pie keeps at least this share of its radius

// Whether a label of w x h px fits inside a slice of `sweep` radians and radius `r`, centred at
// kInsideRadius of it.
bool FitsInside(double w, double h, double sweep, double r) {
  const double at = r * kInsideRadius;
  const double across = sweep >= 3.14159 ? 2 * at : 2 * at * std::sin(sweep / 2);
  return std::max(w, h) <= across * 0.9 && w <= r * 1.1 && h <= r * 0.7;
}

// Outside labels beside the middle of their slices, then pushed down on each side of the pie
// until none overlaps the one above it.
void PlaceOutsideLabels(const std::vector<double>& sweeps, double startAngle, double r, double flat, double gap,
                        std::vector<PieLabel>* labels) {
  double angle = startAngle;
  std::vector<PieLabel*> sides[4];  // right below, right above, left below, left above
  for (size_t i = 0; i < labels->size() && i < sweeps.size(); ++i) {
    PieLabel& label = (*labels)[i];
    label.mid = angle + sweeps[i] / 2;
    angle += sweeps[i];
    if (!label.outside || label.text.empty()) continue;
    const double cs = std::cos(label.mid), sn = std::sin(label.mid);
    label.dx = (r + gap) * cs + cs * label.w / 2;
    label.dy = (r * flat + gap) * sn + sn * label.h / 2;
    sides[(cs >= 0 ? 0 : 2) + (sn >= 0 ? 0 : 1)].push_back(&label);
  }
  // Below the centre labels move down, above it up, away from the pie.
  for (int32_t k = 0; k < 4; ++k) {
    std::vector<PieLabel*>& side = sides[k];
    const double way = k % 2 == 0 ? 1 : -1;
    std::stable_sort(side.begin(), side.end(),
                     [way](const PieLabel* a, const PieLabel* b) { return a->dy * way < b->dy * way; });
    for (size_t i = 1; i < side.size(); ++i) {
      const double next = side[i - 1]->dy + way * ((side[i - 1]->h + side[i]->h) / 2 + 1);
      if (side[i]->dy * way < next * way) side[i]->dy = next;
    }
  }
}

// How far (px) the outside labels reach past `room`, whose centre is the pie's.
double LabelsOverflow(const std::vector<PieLabel>& labels, const DrawRect& room) {
  double worst = 0;
  for (const PieLabel& l : labels) {
    if (!l.outside || l.text.empty()) continue;
    worst = std::max(worst, std::fabs(l.dx) + l.w / 2 - room.width / 2);
    worst = std::max(worst, std::fabs(l.dy) + l.h / 2 - room.height / 2);
  }
  return worst;
}

// Moves outside labels that reach past `room` back to its edge.
void HoldLabelsInRoom(const DrawRect& room, std::vector<PieLabel>* labels) {
  for (PieLabel& l : *labels) {
    if (!l.outside || l.text.empty()) continue;
    const double maxX = std::max(0.0, room.width / 2 - l.w / 2), maxY = std::max(0.0, room.height / 2 - l.h / 2);
    l.dx = std::max(-maxX, std::min(maxX, l.dx));
    l.dy = std::max(-maxY, std::min(maxY, l.dy));
  }
}

}  // namespace

DrawFontSpec PieLabelFont(const ChartCanvas& c, const ChartDataLabels& l) { return ChartFont(c, l.textProps, 10, false); }

double PlanPieLabels(ChartCanvas& c, const ChartSeries& s, const ChartDataLabels& l, const std::vector<double>& sweeps,
                     double total, const DrawRect& room, double outer, double startAngle, double flat,
                     std::vector<PieLabel>* labels) {
  labels->clear();
  if (!l.present || l.deleted || sweeps.size() > 4096) return outer;
  const DrawFontSpec font = PieLabelFont(c, l);
  const double wrapAt = std::max(c.Px(40), room.width * 0.22);
  double needW = 0, needH = 0;
  for (size_t i = 0; i < sweeps.size(); ++i) {
    PieLabel label;
    const double v = i < s.values.values.size() ? s.values.values[i] : 0;
    if (sweeps[i] > 0) label.text = WrapChartText(c, LabelText(c, s, l, int32_t(i), v, v / total), font, wrapAt);
    if (!label.text.empty()) {
      MeasureChartText(c, label.text, font, &label.w, &label.h);
      if (l.showLegendKey) label.w += font.dHeightPx * 0.9;
      const bool inside = l.position == kLabelPosCenter || l.position == kLabelPosInsideEnd ||
                          l.position == kLabelPosInsideBase;
      label.outside = l.position == kLabelPosOutsideEnd ||
                      (!inside && !FitsInside(label.w, label.h, sweeps[i], outer));
      if (label.outside) needW = std::max(needW, label.w), needH = std::max(needH, label.h);
    }
    labels->push_back(std::move(label));
  }
  if (needW <= 0) return outer;
  const double gap = c.Px(6);
  const double fit = std::min(room.width / 2 - needW - gap, (room.height / 2 - needH - gap) / flat);
  const double least = outer * kMinShrink;
  double r = std::max(least, std::min(outer, fit));
  // Labels stacked on one side can reach past the room (above the plot, over the title): the pie
  // shrinks until they fit, and labels still out at its smallest are held at the room's edge.
  for (;;) {
    PlaceOutsideLabels(sweeps, startAngle, r, flat, gap, labels);
    if (LabelsOverflow(*labels, room) <= 0.5 || r <= least) break;
    r = std::max(least, r * 0.92);
  }
  HoldLabelsInRoom(room, labels);
  return r;
}

void DrawPieLabel(ChartCanvas& c, const ChartDataLabels& l, const PieLabel& label, double cx, double cy, double r,
                  double mid, double flat, CellColor keyColor) {
  if (label.text.empty()) return;
  const double cs = std::cos(mid), sn = std::sin(mid);
  double x = cx + r * kInsideRadius * cs, y = cy + r * kInsideRadius * sn * flat;
  if (label.outside) {
    const double ex = cx + r * cs, ey = cy + r * sn * flat;  // the slice's edge
    x = cx + label.dx, y = cy + label.dy;
    if (l.showLeaderLines || l.position == kLabelPosBestFit || l.position == kLabelPosDefault) {
      ChartPaint pen;
      MakePaint(c, ChartShapeProps(), 0xFFFFFFFF, 0xFF808080, 0.75, &pen);
      // To the middle of the label's side that faces the pie.
      const double tx = x - (cs >= 0 ? 1 : -1) * label.w / 2;
      if (pen.pen) c.Ok(AddDrawLine(c.surface, pen.pen, ex, ey, tx, y));
    }
  }
  const DrawFontSpec font = PieLabelFont(c, l);
  const double key = l.showLegendKey ? font.dHeightPx * 0.9 : 0;
  if (key > 0) {
    ChartShapeProps box;
    box.fillKind = kChartFillSolid, box.fillColor = keyColor, box.lineKind = kChartFillNone;
    ChartPaint paint;
    MakePaint(c, box, keyColor, 0xFFFFFFFF, 0, &paint);
    const double size = font.dHeightPx * 0.5;
    c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, x - label.w / 2, y - size / 2, size, size));
  }
  DrawLabel(c, l, label.text, x + key / 2, y);
}

}  // namespace xlx
