// Drawing a chart of the chart model into a rectangle of the page, through the drawing layer:
// the chart area, title and legend, the plot area with its axes, gridlines and labels, and the
// series of every plot (column and bar, line, area, pie, doughnut and of-pie, scatter, bubble,
// radar, stock; 3-D column, bar, line, area and surface plots in a projected box with walls and
// floor, contour charts as a surface seen from above), data labels last.
#pragma once
#include <cstdint>
#include <string>

#include "chart/model.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

class PictureCache;
struct Workbook;

struct ChartDrawOptions {
  double pxPerPt = 96.0 / 72;   // page pixels per point at the page's scale
  bool blackAndWhite = false;   // greys for every colour
  bool date1904 = false;        // the workbook's date system, for date labels
  PictureCache* pictures = nullptr;  // picture fills draw when both are given
  const Workbook* workbook = nullptr;
};

// Draws `chart` into `rect` (page px). Rectangles under 2 px draw nothing. 1, or the first
// failing drawing-layer code (-1 memory, -13, a host code); the page stays usable either way.
[[nodiscard]] int32_t DrawChart(DrawingSurface* surface, const ChartModel& chart, const DrawRect& rect,
                                const ChartDrawOptions& options);

// The label of point `index` of `series` on its category axis, formatted as the axis shows it
// (the point's number when the series has no categories).
std::u16string ChartCategoryLabel(const ChartModel& chart, const ChartSeries& series, int32_t index);

}  // namespace xlx
