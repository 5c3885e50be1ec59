// Axis scaling of charts: the bounds and units a value axis shows when the chart does not fix
// them, chosen by the spreadsheet application's "nice number" rules (a unit of 1, 2 or 5 times a
// power of ten; zero kept when the data lie close to it; about 5 percent of headroom), and the
// mapping of values to positions along an axis, linear or logarithmic.
#pragma once
#include <cstdint>

#include "chart/model.h"

namespace xlx {

struct ChartScale {
  double min = 0, max = 1;       // axis bounds, in values (not logarithms)
  double major = 0.2, minor = 0.04;  // units; for a log axis the factor between major ticks
  bool log = false;
  double logBase = 10;
  bool reversed = false;
};

// Most major ticks an axis draws; a unit giving more is widened.
constexpr int32_t kMaxAxisTicks = 200;

// The scale of a value axis over data from `dataMin` to `dataMax` (NaN or infinities ignored;
// min > max means no data). `axis` (may be null) gives fixed bounds, units, log base and
// orientation; a fixed minimum at or above a fixed maximum drops the maximum. Percent-stacked
// data are fractions (-1 .. 1).
ChartScale ChooseValueScale(double dataMin, double dataMax, const ChartAxis* axis, bool percentStacked);

// Position of `value` on a scale as a fraction from the axis start (0) to its end (1); NaN for
// a value a log scale cannot show. Not clamped.
double ScaleFraction(const ChartScale& scale, double value);

}  // namespace xlx
