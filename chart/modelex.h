// The 2016 chart kinds (a `cx:chartSpace` part): waterfall, histogram, pareto, funnel, box and
// whisker, treemap, sunburst and region map. Their data sit apart from the series, in numbered
// data blocks of dimensions (`cx:numDim`, `cx:strDim`), each dimension a stack of levels; a
// series names its block and its layout. Lengths are points, values as the cache holds them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "chart/model.h"

namespace xlx {

enum ChartExLayout : int32_t {
  kExLayoutNone = 0,
  kExWaterfall = 1,
  kExHistogram = 2,   // "clusteredColumn": a histogram, or the bars of a pareto chart
  kExParetoLine = 3,  // the cumulative line of a pareto chart
  kExFunnel = 4,
  kExBoxWhisker = 5,
  kExTreemap = 6,
  kExSunburst = 7,
  kExRegionMap = 8,
};

// Caps on what a 2016 chart part may claim.
constexpr int32_t kMaxChartExData = 64;       // data blocks
constexpr int32_t kMaxChartExLevels = 16;     // levels of one dimension
constexpr int32_t kMaxChartExSeries = 256;
constexpr int32_t kMaxChartExBins = 1000;     // histogram bins drawn
constexpr int32_t kMaxChartExSubtotals = 4096;

// One data block (`cx:data`): the categories (levels of texts, the first level the innermost,
// as the file stores them) and the numbers (`cx:numDim` of type "val" or "size"), both placed by
// point index. Values missing from the cache are NaN.
struct ChartExData {
  int32_t id = 0;
  std::vector<std::vector<std::u16string>> levels;  // category levels, each pointCount texts
  std::vector<double> values;
  std::u16string formatCode;
  int32_t pointCount = 0;  // the larger of the dimensions' point counts
  // `cx:f` of the value and category dimensions: the cells they come from; empty when none.
  std::u16string valueFormula, categoryFormula;
};

enum ChartExBinMode : int32_t { kBinAuto = 0, kBinBySize = 1, kBinByCount = 2 };

// How a histogram cuts its values into bins (`cx:binning`).
struct ChartExBinning {
  int32_t mode = kBinAuto;  // ChartExBinMode
  double size = 0;          // bin width, kBinBySize
  int32_t count = 0;        // number of bins, kBinByCount
  bool closedLeft = false;  // `intervalClosed` "l": bins hold their lower edge, not their upper
  bool hasUnderflow = false, hasOverflow = false;
  bool underflowAuto = false, overflowAuto = false;  // "auto": no fixed cut
  double underflow = 0, overflow = 0;  // values at or below / above fall into the end bins
};

struct ChartExSeries {
  int32_t layout = kExLayoutNone;  // ChartExLayout
  int32_t dataId = -1;             // `cx:dataId`: the id of its data block
  int32_t ownerIdx = -1;           // a pareto line: the series it accumulates
  bool hidden = false;
  std::u16string name;
  std::u16string nameFormula;      // `cx:tx` `cx:txData` `cx:f`: the cells the name comes from
  ChartShapeProps shape;
  std::vector<ChartDataPoint> points;  // `cx:dataPt`: idx and shape only
  bool showValues = false, showCategories = false;  // `cx:dataLabels` `cx:visibility`
  // waterfall
  std::vector<int32_t> subtotals;  // point indices drawn as totals
  bool connectorLines = true;
  // histogram and pareto
  ChartExBinning binning;
  bool binned = false;             // a `cx:binning` was given (else categories are bins)
  // box and whisker
  bool meanLine = false, meanMarker = true, nonOutliers = false, outliers = true;
  bool inclusiveQuartiles = false;  // `quartileMethod` "inclusive"
};

struct ChartEx {
  std::vector<ChartExData> data;
  std::vector<ChartExSeries> series;
  double gapWidth = -1;  // `cx:catScaling` `gapWidth` (a fraction of a bar); -1: the kind's own
  bool hasValueMin = false, hasValueMax = false;
  double valueMin = 0, valueMax = 0;  // `cx:valScaling` `min`, `max`
  bool valueGridlines = true;
  bool categoryLabels = true, valueLabels = true;
};

}  // namespace xlx
