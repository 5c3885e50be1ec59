// Placing the data labels of a pie around and inside its slices (chart/draw/pielabels.cpp).
#pragma once
#include <string>
#include <vector>

#include "chart/draw/internal.h"

namespace xlx {

struct PieLabel {
  std::u16string text;   // wrapped; empty: no label
  double w = 0, h = 0;   // px, a legend key included
  bool outside = false;  // beside the slice, joined to it by a leader line
  double dx = 0, dy = 0;  // outside labels: the label's centre from the pie's centre, px
  double mid = 0;        // the slice's middle angle, radians
};

// The font of a pie's data labels.
DrawFontSpec PieLabelFont(const ChartCanvas& c, const ChartDataLabels& labels);
// Decides the text, size and side of the label of every slice (`sweeps` in radians, 0 for a
// slice not drawn; `total` the sum of the values) of a pie of radius `outer` centred in `room`,
// and returns the radius the pie keeps so that outside labels fit in `room` (at least 40% of
// `outer`). The first slice starts at `startAngle` (radians); the pie is squeezed vertically by
// `flat`. Outside labels are placed beside their slices and moved apart where they would overlap.
// `labels` gets one entry per slice, or none when the labels show nothing.
double PlanPieLabels(ChartCanvas& c, const ChartSeries& series, const ChartDataLabels& labels,
                     const std::vector<double>& sweeps, double total, const DrawRect& room, double outer,
                     double startAngle, double flat, std::vector<PieLabel>* out);
// Draws one planned label of a slice whose middle is at angle `mid` (radians) on a pie centred
// on (cx, cy) of radius r, squeezed vertically by `flat`; the key in `keyColor`.
void DrawPieLabel(ChartCanvas& c, const ChartDataLabels& labels, const PieLabel& label, double cx, double cy, double r,
                  double mid, double flat, CellColor keyColor);

}  // namespace xlx
