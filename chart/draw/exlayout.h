// The arithmetic of the 2016 chart kinds, apart from drawing: the running bars of a waterfall,
// the bins of a histogram, the statistics of a box and whisker, the hierarchy of a treemap or
// sunburst read from category levels, and the squarified layout of tiles in a rectangle.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "chart/modelex.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

enum WaterfallBarKind : int32_t { kWaterfallUp = 0, kWaterfallDown = 1, kWaterfallTotal = 2 };

// One bar of a waterfall: it spans `from` .. `to` in values (from < to not implied).
struct WaterfallBar {
  double from = 0, to = 0;
  int32_t kind = kWaterfallUp;  // WaterfallBarKind
};

// The bars of `values`: each point moves the running total by its value; a point listed in
// `subtotals` is a total drawn from zero to its own value, and the running total becomes it.
// NaN values move nothing (a bar of no height).
std::vector<WaterfallBar> WaterfallBars(const std::vector<double>& values, const std::vector<int32_t>& subtotals);

// One bin of a histogram: values in lo .. hi (which end is closed is the binning's choice);
// an underflow bin holds everything at or below hi, an overflow bin everything above lo.
struct HistogramBin {
  double lo = 0, hi = 0;
  double count = 0;
  bool underflow = false, overflow = false;
};

// Cuts the finite `values` into bins as `binning` says: a fixed width, a fixed count, or
// automatically (a width of 3.5 sample standard deviations over the cube root of the count). At most
// kMaxChartExBins bins; none when no value is finite.
std::vector<HistogramBin> BinValues(const std::vector<double>& values, const ChartExBinning& binning);

// A box and whisker of one group of values. Quartiles are the medians of the halves below and
// above the median, the median itself in both halves when `inclusive` and the count is odd.
// Whiskers reach the furthest values within 1.5 box lengths of the box; the rest are outliers.
struct BoxStats {
  double q1 = 0, median = 0, q3 = 0, mean = 0;
  double low = 0, high = 0;      // whisker ends
  std::vector<double> outliers;  // ascending
  int32_t count = 0;             // finite values; 0: nothing to draw
};
BoxStats BoxStatsOf(std::vector<double> values, bool inclusive);

// A node of a category hierarchy. Points whose path runs through the same names one after
// another share nodes; the same names further apart make new ones, as the application groups.
struct ExNode {
  std::u16string name;
  double value = 0;              // own value plus the children's
  int32_t parent = -1;
  int32_t depth = 0;             // 0: a top-level node
  int32_t branch = 0;            // index of its top-level ancestor among the top-level nodes
  int32_t point = -1;            // the data point a leaf stands for; -1 for parents
  std::vector<int32_t> children;
};

// The hierarchy of a data block: levels[last] is the outermost, levels[0] the leaves; a point
// with an empty name at a level stops there. Values below zero or not finite count as zero.
// nodes[0] is a root holding the top-level nodes.
std::vector<ExNode> BuildHierarchy(const ChartExData& data);

// Squarified tiles of `weights` (in the given order, largest first for the best shapes) over
// `area`: each tile's area is its share of the total. Zero weights get empty tiles.
std::vector<DrawRect> Squarify(const std::vector<double>& weights, const DrawRect& area);

}  // namespace xlx
