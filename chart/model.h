// The chart model: what a DrawingML chart part (`c:chartSpace`) says about one chart, read once
// with the sheet and drawn on every page that shows the chart. Colours are resolved against the
// workbook theme when read; lengths are points unless a name says otherwise; angles degrees.
// Values missing from a cache are NaN.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/styles.h"

namespace xlx {

struct ChartEx;  // chart/modelex.h

// Chart kinds, numbered by the order in which the plot area is searched for them.
enum ChartKind : int32_t {
  kChartNone = -9,
  kChartArea = 1,
  kChartBar = 2,
  kChartLine = 3,
  kChartRadar = 4,
  kChartScatter = 5,
  kChartPie = 6,
  kChartBar3D = 7,
  kChartLine3D = 8,
  kChartOfPie = 9,
  kChartPie3D = 10,
  kChartArea3D = 11,
  kChartBubble = 12,
  kChartDoughnut = 13,
  kChartStock = 14,
  kChartSurface3D = 15,
  kChartSurface = 16,
};
constexpr int32_t kChartKindCount = 16;

// Caps on what a chart part may claim; content past them is not read.
constexpr int32_t kMaxChartPoints = 1 << 21;        // points of one data reference
constexpr int64_t kMaxChartTotalPoints = 1 << 23;   // points of all series of a chart
constexpr int32_t kMaxChartSeries = 16384;
constexpr int32_t kMaxChartAxes = 16;
constexpr int32_t kMaxChartPlots = 16;
constexpr int32_t kMaxChartGradientStops = 16;
constexpr int32_t kMaxChartDataPoints = 4096;       // `c:dPt` of one series
constexpr int32_t kMaxChartTextUnits = 4096;        // title and label texts

enum ChartGrouping : int32_t { kGroupStandard = 0, kGroupClustered = 1, kGroupPercentStacked = 2, kGroupStacked = 3 };
enum ChartFillKind : int32_t {
  kChartFillAuto = 0, kChartFillNone = 1, kChartFillSolid = 2, kChartFillGradient = 3,
  kChartFillPattern = 4,  // `a:pattFill`: fillColor lines over patternBack
  kChartFillPicture = 5,  // `a:blipFill`: picturePath stretched or tiled; fillColor when it cannot draw
};
enum ChartAxisType : int32_t { kAxisCategory = 0, kAxisDate = 1, kAxisSeries = 2, kAxisValue = 3 };
enum ChartAxisPos : int32_t { kAxisPosBottom = 1, kAxisPosLeft = 2, kAxisPosRight = 3, kAxisPosTop = 4 };
enum ChartTickMark : int32_t { kTickNone = 0, kTickIn = 1, kTickOut = 2, kTickCross = 3 };
enum ChartTickLabelPos : int32_t { kTickLblNone = 0, kTickLblLow = 1, kTickLblHigh = 2, kTickLblNextTo = 3 };
enum ChartLegendPos : int32_t { kLegendBottom = 0, kLegendTopRight = 1, kLegendTop = 2, kLegendRight = 3, kLegendLeft = 4 };
enum ChartMarkerSymbol : int32_t {
  kMarkerNone = 0, kMarkerSquare = 1, kMarkerDiamond = 2, kMarkerTriangle = 3, kMarkerX = 4, kMarkerStar = 5,
  kMarkerDot = 6, kMarkerDash = 7, kMarkerCircle = 8, kMarkerPlus = 9, kMarkerPicture = 10, kMarkerAuto = 11,
};
// Where a data label sits (`c:dLblPos`); kLabelPosDefault lets each kind choose.
enum ChartLabelPos : int32_t {
  kLabelPosDefault = 0, kLabelPosCenter, kLabelPosInsideEnd, kLabelPosInsideBase, kLabelPosOutsideEnd,
  kLabelPosLeft, kLabelPosRight, kLabelPosTop, kLabelPosBottom, kLabelPosBestFit,
};
enum ChartDataSource : int32_t { kDataNone = 0, kDataNumRef, kDataNumLit, kDataStrRef, kDataStrLit, kDataMultiLvl };

struct ChartGradientStop {
  double position = 0;  // 0 .. 1
  CellColor color = 0;
};

// `c:spPr`: fill and line of a chart element. Auto leaves the choice to the drawing code.
struct ChartShapeProps {
  int32_t fillKind = kChartFillAuto;  // ChartFillKind
  CellColor fillColor = 0;            // solid fill, or the average of the gradient stops
  std::vector<ChartGradientStop> stops;  // gradient fills, at most kMaxChartGradientStops
  double gradientAngle = 90;          // degrees, linear gradients
  int32_t lineKind = kChartFillAuto;  // ChartFillKind of `a:ln`
  CellColor lineColor = 0;
  double lineWidthPt = -1;            // -1: not given
  int32_t lineStyle = 0;              // LineStyle code of `a:prstDash`
  CellColor patternBack = 0xFFFFFFFF;  // pattern background; 0xFFFFFFFF: none
  int32_t hatchGroup = -1;            // HatchGroup of a pattern; -1: a percentage of foreground
  int32_t patternPercent = 50;        // foreground share of a percentage pattern, 0 .. 100
  std::u16string picturePath;         // picture fills: the picture part (relationship id until resolved)
  bool pictureTile = false;           // `a:tile` rather than `a:stretch`
};

// `c:txPr` or the run properties of a rich text: the defaults of the text it applies to.
struct ChartTextProps {
  double sizePt = 0;          // 0: not given
  int32_t bold = -1;          // -1 not given, 0, 1
  int32_t italic = -1;
  CellColor color = 0xFFFFFFFF;  // automatic
  std::u16string face;        // empty: the theme's minor font
  double rotation = 0;        // degrees, `a:bodyPr` `rot`
  bool hasRotation = false;
  bool vertical = false;      // `vert` other than "horz"
};

// `c:manualLayout`: fractions of the chart; x and y are edges unless "factor", w and h sizes
// unless "edge".
struct ChartManualLayout {
  bool present = false;
  bool inner = false;        // `c:layoutTarget` "inner": the rectangle is the plot itself
  double x = 0, y = 0, w = 0, h = 0;
  bool xFactor = false, yFactor = false, wEdge = false, hEdge = false;
  bool hasX = false, hasY = false, hasW = false, hasH = false;
};

struct ChartTitle {
  bool present = false;
  std::u16string text;       // runs joined, paragraphs by a line feed; empty: automatic
  bool overlay = false;
  ChartTextProps textProps;
  ChartShapeProps shape;
  ChartManualLayout layout;
};

struct ChartLegendEntry {
  int32_t idx = 0;
  bool deleted = false;
};

struct ChartLegend {
  bool present = false;
  int32_t position = kLegendRight;  // ChartLegendPos
  bool overlay = false;
  ChartShapeProps shape;
  ChartTextProps textProps;
  ChartManualLayout layout;
  std::vector<ChartLegendEntry> entries;
};

// `c:dLbls` / `c:dLbl`: which parts a data label shows. A flag whose element or `val` is absent
// counts as set, as the file format defines.
struct ChartDataLabels {
  bool present = false;
  bool deleted = false;
  bool showVal = false, showCatName = false, showSerName = false, showPercent = false;
  bool showLegendKey = false, showBubbleSize = false, showLeaderLines = false;
  int32_t position = kLabelPosDefault;
  std::u16string formatCode;   // empty: the values' own format
  bool sourceLinked = true;
  std::u16string separator;
  ChartTextProps textProps;
  ChartShapeProps shape;
};

struct ChartMarker {
  bool present = false;
  int32_t symbol = kMarkerAuto;  // ChartMarkerSymbol
  double sizePt = 7;             // 2 .. 72
  ChartShapeProps shape;
};

struct ChartDataPoint {
  int32_t idx = 0;
  bool invertIfNegative = false;
  bool bubble3D = false;
  int32_t explosion = 0;         // percent of the radius
  ChartShapeProps shape;
  ChartMarker marker;
};

// One data reference (`c:cat`, `c:val`, `c:xVal`, `c:yVal`, `c:bubbleSize`, `c:tx`): the cached
// or literal points, placed by their index.
struct ChartData {
  int32_t source = kDataNone;    // ChartDataSource
  std::u16string formula;        // `c:f`
  std::u16string formatCode;     // `c:formatCode`; empty when none
  int32_t pointCount = 0;        // points, at most kMaxChartPoints
  int32_t levelCount = 0;
  std::vector<double> values;    // numeric sources: pointCount values, NaN where none
  std::vector<std::u16string> texts;  // text sources: pointCount texts (last level of a multi-level one)
  double min = 0, max = 0;       // of the finite values; min > max when there are none
};

enum ChartTrendKind : int32_t { kTrendLinear = 0, kTrendExp, kTrendLog, kTrendPoly, kTrendPower, kTrendMovingAvg };

struct ChartTrendline {
  int32_t kind = kTrendLinear;
  int32_t order = 2;             // polynomial, 2 .. 6
  int32_t period = 2;            // moving average, 2 ..
  double forward = 0, backward = 0;
  ChartShapeProps shape;
};

enum ChartErrDir : int32_t { kErrBoth = 0, kErrPlus = 1, kErrMinus = 2 };
enum ChartErrValType : int32_t { kErrFixed = 0, kErrPercent, kErrStdDev, kErrStdErr, kErrCustom };

struct ChartErrorBars {
  bool yDirection = true;
  int32_t barType = kErrBoth;    // ChartErrDir
  int32_t valType = kErrFixed;   // ChartErrValType
  double value = 1;
  bool noEndCap = false;
  ChartShapeProps shape;
};

struct ChartSeries {
  int32_t idx = 0, order = 0;
  int32_t plot = 0;              // index of its plot in ChartModel::plots
  std::u16string name;
  bool nameIsDefault = true;
  std::u16string nameFormula;    // `c:tx` `c:strRef` `c:f`: the cells the name comes from
  ChartShapeProps shape;
  ChartMarker marker;
  bool smooth = false, invertIfNegative = false, bubble3D = false;
  int32_t explosion = 0;
  std::vector<ChartDataPoint> points;
  ChartDataLabels labels;
  ChartData categories, values, bubbleSizes;  // scatter and bubble: categories are the x values
  std::vector<ChartTrendline> trendlines;
  std::vector<ChartErrorBars> errorBars;
};

struct ChartAxis {
  int32_t type = kAxisValue;     // ChartAxisType
  uint32_t axId = 0, crossAx = 0;
  int32_t position = kAxisPosBottom;  // ChartAxisPos
  bool deleted = false;
  bool bare = false;             // neither `c:delete` nor `c:tickLblPos`: no labels, line or ticks
  int32_t crosses = 0;           // 0 autoZero, 1 max, 2 min
  bool hasCrossesAt = false;
  double crossesAt = 0;
  bool crossBetween = true;      // "between" (true) or "midCat"
  bool hasCrossBetween = false;
  bool reversed = false;         // `c:orientation` "maxMin"
  bool hasMin = false, hasMax = false, hasLogBase = false;
  double min = 0, max = 0, logBase = 10;
  bool hasMajorUnit = false, hasMinorUnit = false;
  double majorUnit = 0, minorUnit = 0;
  int32_t majorTickMark = kTickOut, minorTickMark = kTickNone;  // ChartTickMark
  int32_t tickLabelPos = kTickLblNextTo;                        // ChartTickLabelPos
  std::u16string formatCode;     // "General" when absent
  bool sourceLinked = false;
  double displayUnit = 1;
  bool unitsCaption = false;     // `c:dispUnitsLbl`: the unit is written beside the axis
  std::u16string unitsText;
  ChartTextProps unitsTextProps;
  bool majorGridlines = false, minorGridlines = false;
  ChartShapeProps majorGridShape, minorGridShape;
  ChartShapeProps line;          // the axis line
  ChartTitle title;
  ChartTextProps textProps;
  int32_t tickLabelSkip = 0, tickMarkSkip = 0;  // 0: automatic
  int32_t lblOffset = 100;
  int32_t baseTimeUnit = -1;     // -1 automatic, 0 days, 1 months, 2 years
  bool autoType = false;         // `c:auto`: a category axis over dates becomes a date axis
  int32_t majorTimeUnit = -1;
};

// One chart-type element of the plot area and its options; several make a combination chart.
struct ChartPlot {
  int32_t kind = kChartNone;     // ChartKind
  int32_t grouping = kGroupStandard;  // ChartGrouping
  bool varyColors = false;
  bool horizontal = false;       // bar charts: `c:barDir` "bar"
  int32_t gapWidth = 150;        // percent
  int32_t overlap = 0;           // percent, -100 .. 100
  int32_t firstSliceAngle = 0;   // degrees
  int32_t holeSize = 50;         // doughnut, percent
  int32_t scatterStyle = 2;      // 0 none .. 5 smoothMarker
  int32_t radarStyle = 2;        // 0 filled, 1 marker, 2 standard
  bool marker = true;            // line charts: `c:marker`
  int32_t bubbleScale = 100;
  bool sizeByWidth = false;      // `c:sizeRepresents` "w"
  bool barOfPie = false;         // `c:ofPieType` "bar"
  int32_t secondSize = 75, splitPos = -1;  // of-pie
  bool hiLowLines = false, upDownBars = false, dropLines = false;
  bool seriesLines = false;      // of-pie: `c:serLines` join the split-off slice to the second plot
  ChartShapeProps seriesLinesShape;
  ChartShapeProps upBars, downBars;
  ChartDataLabels labels;
  uint32_t axIds[3] = {0, 0, 0};
  int32_t axisCount = 0;
  int32_t gapDepth = 150;        // 3-D plots: gap between series rows, percent of a bar's depth
  int32_t barShape = 0;          // 3-D bars: `c:shape` (ChartBarShape)
};
enum ChartBarShape : int32_t { kBarBox = 0, kBarCylinder, kBarCone, kBarConeToMax, kBarPyramid, kBarPyramidToMax };

// A shape of the chart's own drawing (`c:userShapes`): a text box or a filled rectangle placed
// in fractions of the chart area.
struct ChartUserShape {
  double x = 0, y = 0, w = 0, h = 0;  // fractions of the chart's width and height
  ChartShapeProps shape;
  std::u16string text;
  ChartTextProps textProps;
};
constexpr int32_t kMaxChartUserShapes = 256;

struct ChartModel {
  int32_t chartKind = kChartNone;  // ChartKind of the first plot
  bool isChartEx = false;          // a 2016 chart (`cx:chartSpace`)
  std::shared_ptr<const ChartEx> ex;  // its series and data; null when it has none
  bool date1904 = false;
  bool roundedCorners = false;
  bool autoTitleDeleted = false;
  bool plotVisOnly = true;
  int32_t dispBlanksAs = 0;        // 0 gap, 1 zero, 2 span
  int32_t style = 2;               // `c:style`
  ChartShapeProps chartShape, plotShape;
  ChartTextProps chartText;
  ChartTitle title;
  ChartLegend legend;
  ChartManualLayout plotLayout;
  std::vector<ChartPlot> plots;
  std::vector<ChartAxis> axes;
  std::vector<ChartSeries> series;
  bool newThemePalette = false;    // the theme's dk2 is 44546A
  CellColor accents[6] = {};       // theme accents, or the default palette without a theme
  CellColor textColor = 0xFF000000;  // dark 1 of the theme
  std::u16string minorFont;        // the theme's body font
  int32_t rotX = 0, rotY = 0;      // `c:view3D`
  bool hasView3D = false;
  int32_t rightAngleAxes = -1;     // `c:rAngAx`: 1 oblique view, 0 rotated; -1 absent (the kind decides)
  int32_t perspective = 30;        // field of view in half degrees, 0 .. 240
  int32_t depthPercent = 100;      // depth of the plot, percent of one category's width
  int32_t heightPercent = -1;      // `c:hPercent`, height percent of the base; -1 automatic
  ChartShapeProps backWall, sideWall, floor;  // 3-D plots' walls and floor
  std::vector<ChartUserShape> userShapes;  // drawn over the chart
};

}  // namespace xlx
