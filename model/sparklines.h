// Sparklines: small charts inside single cells (`x14:sparklineGroups` in a worksheet's extension
// list). A group shares its kind, colours, markers and axis; each sparkline plots the values of
// one reference in one cell. Colours are resolved when read; values are filled in once the sheets
// are read and their formulas computed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/styles.h"

namespace xlx {

enum SparklineKind : int32_t { kSparklineLine = 0, kSparklineColumn = 1, kSparklineWinLoss = 2 };
enum SparklineAxisBound : int32_t { kSparkBoundIndividual = 0, kSparkBoundGroup = 1, kSparkBoundCustom = 2 };
enum SparklineBlanks : int32_t { kSparkBlankGap = 0, kSparkBlankZero = 1, kSparkBlankSpan = 2 };

constexpr int32_t kMaxSparklineGroups = 4096;
constexpr int32_t kMaxSparklinesPerGroup = 65536;
constexpr int32_t kMaxSparklinePoints = 4096;  // points one sparkline plots

struct Sparkline {
  int32_t row = 0, column = 0;    // 1-based cell it is drawn in
  std::u16string formula;         // `xm:f`: the data, "Sheet1!A1:E1"
  std::vector<double> values;     // NaN for empty cells; empty until resolved
  // On a date axis, the date of each value (NaN where its cell holds none); empty otherwise.
  std::vector<double> dates;
};

struct SparklineGroup {
  int32_t kind = kSparklineLine;  // SparklineKind
  CellColor series = 0xFF926037, negative = 0xFF0000D0, axis = 0xFF000000, markers = 0xFF0000D0;
  CellColor first = 0xFF0000D0, last = 0xFF0000D0, high = 0xFF0000D0, low = 0xFF0000D0;
  double lineWeightPt = 0.75;
  bool showMarkers = false, showHigh = false, showLow = false, showFirst = false, showLast = false;
  bool showNegative = false, showAxis = false, rightToLeft = false, displayHidden = false;
  int32_t blanks = kSparkBlankZero;  // SparklineBlanks, `displayEmptyCellsAs`
  int32_t minKind = kSparkBoundIndividual, maxKind = kSparkBoundIndividual;
  double manualMin = 0, manualMax = 0;
  bool dateAxis = false;          // points are placed by the dates of `dateFormula`
  std::u16string dateFormula;     // the group's `xm:f`: the cells of those dates
  std::vector<Sparkline> sparklines;
};

}  // namespace xlx
