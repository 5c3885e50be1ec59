// Drawing the plot of a 2016 chart (waterfall, histogram, pareto, funnel, box and whisker,
// treemap, sunburst) into the room its frame and title leave, with the application's default
// look: flat fills in the accent colours, light grey gridlines, grey 9 pt labels. Shared here by
// the files that draw the column-like kinds and the hierarchical ones.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "chart/modelex.h"
#include "chart/draw/exlayout.h"
#include "chart/draw/internal.h"

namespace xlx {

// Draws the plot of c.chart.ex into `room` (px). A chart without series, or whose first shown
// series has a layout this code does not draw (a region map), draws nothing.
void DrawChartExPlot(ChartCanvas& c, const DrawRect& room);

// One entry of a 2016 chart's legend: what the application lists for its kind (rises, falls
// and totals of a waterfall; the series of box, histogram, pareto and funnel charts; the
// top-level categories of a treemap or sunburst).
struct ExLegendEntry {
  std::u16string text;
  CellColor color = 0;
  const ChartShapeProps* props = nullptr;  // never null
  bool lineKey = false;
};
std::vector<ExLegendEntry> ChartExLegend(const ChartCanvas& c, size_t cap);

// ---- shared by the 2016 chart files ---------------------------------------------------------------
// A plot of columns over categories: a value axis on the left (and a percentage axis on the
// right for a pareto chart), category labels below.
struct ExColumns {
  DrawRect plot{0, 0, 0, 0};
  ChartScale scale;
  int32_t slots = 0;        // categories across the plot
  double gap = 0;           // gap between bars, as a fraction of a bar
};

// Lays out and draws the axes of an ExColumns plot over `room`: values lo .. hi, `labels` one
// the text of slot i, value labels in `code`. False when the room is too small to hold a plot.
using ExLabelFn = std::function<std::u16string(int32_t)>;
bool LayoutExColumns(ChartCanvas& c, const DrawRect& room, double lo, double hi, int32_t slots,
                     const ExLabelFn& label, const std::u16string& code, bool percentAxis, double gap,
                     ExColumns* out);
// Vertical position of value v (px), finite.
double ExValueY(const ExColumns& p, double v);
// Left edge and width of the bar of slot `i` (px).
void ExBarSpan(const ExColumns& p, int32_t i, double* left, double* width);

// The data block a series names; null when there is none.
const ChartExData* ExDataOf(const ChartEx& ex, const ChartExSeries& s);
// The shape of point `i` of a series: its own `cx:dataPt`, else the series'.
const ChartShapeProps& ExPointProps(const ChartExSeries& s, int32_t i);
// Category text of point `i` (the innermost level), or its 1-based number.
std::u16string ExCategory(const ChartExData& d, int32_t i);
// The label font of the 2016 kinds (9 pt) and its grey.
DrawFontSpec ExLabelFont(const ChartCanvas& c, double sizePt = 9);
CellColor ExLabelColor(const ChartCanvas& c);
// A filled rectangle in `props` over automatic `fill` (0xFFFFFFFF: none) and `line`.
void ExRect(ChartCanvas& c, const ChartShapeProps& props, CellColor fill, CellColor line, double left, double top,
            double width, double height);

void DrawExWaterfall(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s);
void DrawExHistogram(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s, const ChartExSeries* pareto);
void DrawExFunnel(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s);
void DrawExBoxWhisker(ChartCanvas& c, const DrawRect& room);
void DrawExTreemap(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s);
void DrawExSunburst(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s);

}  // namespace xlx
