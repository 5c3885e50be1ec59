// What the chart drawing files share: the drawing context, colours of series and points, pens
// and brushes made from shape properties, text drawing and number labels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "chart/model.h"
#include "chart/draw/draw.h"
#include "chart/draw/scale.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

// Drawing operations one chart may issue; a hostile chart stops there with what it has drawn.
constexpr int64_t kMaxChartOps = 400000;
// rc once the operations are spent: drawing stops, and the chart counts as drawn.
constexpr int32_t kChartOpsSpent = 0x7FFF0001;

struct ChartCanvas {
  DrawingSurface* surface;
  const ChartModel& chart;
  ChartDrawOptions options;
  int32_t rc = XLX_OK;    // the first failure; drawing stops adding once it is set
  int64_t ops = 0;   // operations issued, weighted by their points

  double Px(double pt) const { return pt * options.pxPerPt; }
  // Records a drawing-layer result; true while everything has succeeded and operations remain.
  bool Ok(int32_t result) {
    if (result != XLX_OK && rc == XLX_OK) rc = result;
    if (++ops > kMaxChartOps && rc == XLX_OK) rc = kChartOpsSpent;
    return rc == XLX_OK;
  }
  // Counts the points of a long polyline or polygon against the operations.
  void Spend(size_t points) { ops += int64_t(points / 64); }
};

// One axis as laid out: the model's axis, its scale and which side of the plot it sits on.
struct AxisLayout {
  const ChartAxis* axis = nullptr;  // null: an implied axis
  bool isValue = false;
  bool vertical = false;            // runs up the plot (a left or right axis)
  bool visible = false;             // not deleted: labels and line are drawn
  ChartScale scale;
  int32_t categoryCount = 0;        // category axes
  bool between = true;              // categories sit between ticks
  const ChartSeries* labelSeries = nullptr;  // whose categories label the axis
  double labelExtent = 0;           // px reserved across the axis for labels and title
  double labelWidth = 0;            // px, the widest label
  double labelRotation = 0;         // degrees of category labels
  double labelWrapWidth = 0;        // px: category labels broken into lines this wide; 0: not
  int32_t labelStep = 1;            // every n-th category labelled
  int32_t side = kAxisPosBottom;
  // Date axes: the slot (days or months from the first date) of each category, and the slots
  // the axis spans; empty on other axes.
  std::vector<double> slots;
  double slotCount = 0;
  bool slotMonths = false;          // slots count months (else days)
  double slotOrigin = 0;            // serial day of the first date
  int64_t originMonth = 0;          // months since year 0 of the first date's month
  int32_t originDay = 1;            // day of month of the first date
  // Date axes: the labels, one per major unit, each at its slot.
  struct DateLabel {
    double slot;
    std::u16string text;
  };
  std::vector<DateLabel> dateLabels;
};

// Plans the labels of a date axis `length` px long (chart/draw/dateaxis.cpp) into a->dateLabels
// and gives the widest and tallest; false, with none planned, when `a` has no date slots.
bool PlanDateLabels(ChartCanvas& c, AxisLayout* a, double length, const DrawFontSpec& font, double* width,
                    double* height);

// The plot rectangle and the axes of the primary and secondary groups.
struct PlotFrame {
  DrawRect plot{0, 0, 0, 0};
  AxisLayout category[2], value[2];
};

// Pixel position of a value along an axis laid over `plot` (x for a horizontal axis, y for a
// vertical one); NaN for values a log axis cannot show. Positions far outside are clamped so
// that the drawing layer gets finite coordinates.
double ValuePos(const AxisLayout& a, const DrawRect& plot, double value);
// Pixel position of category `i` (0-based; .5 steps reach the middle between two) along an axis.
double CategoryPos(const AxisLayout& a, const DrawRect& plot, double i);
// Pixel position of slot `i` (a category, or a date's day or month on a date axis) along an axis.
double SlotPos(const AxisLayout& a, const DrawRect& plot, double i);
// Length of one category along an axis, px.
double CategoryWidth(const AxisLayout& a, const DrawRect& plot);
// Sums of the values at point index i over the series of a stacked plot.
void StackTotals(const std::vector<const ChartSeries*>& series, std::vector<double>* positive,
                 std::vector<double>* negative);

// A pen and a brush made from shape properties, freed when they go.
struct ChartPaint {
  VkPen* pen = nullptr;
  VkBrush* brush = nullptr;
  const ChartShapeProps* picture = nullptr;  // a picture fill drawn instead of the brush
  DrawRect pictureBox{0, 0, 0, 0};           // px the picture is stretched over or tiled from
  ChartPaint() = default;
  ChartPaint(const ChartPaint&) = delete;
  ChartPaint& operator=(const ChartPaint&) = delete;
  ~ChartPaint() {
    FreeDrawPen(pen);
    FreeDrawBrush(brush);
  }
};

// The automatic colour of series (or point) `index`: the six accents in turn, each later pass
// lighter or darker.
CellColor AutoSeriesColor(const ChartModel& chart, int32_t index);
// Grey of a colour for black-and-white printing; other colours pass through.
CellColor PrintColor(const ChartCanvas& c, CellColor color);
// Pen and brush of `props`, the automatic parts in `autoLine` / `autoFill` (0xFFFFFFFF: none),
// the width `autoWidthPt` when the props give none.
// A gradient fill spans `box` (px; null: its average colour).
void MakePaint(ChartCanvas& c, const ChartShapeProps& props, CellColor autoFill, CellColor autoLine,
               double autoWidthPt, ChartPaint* paint, const DrawRect* box = nullptr);
// Pattern and picture fills (chart/draw/fills.cpp): the hatch brush of a pattern fill; whether
// a picture fill can draw here (a picture cache and the workbook were given); a rectangle or a
// polygon filled with the paint's brush or picture, then outlined with its pen.
void MakePatternBrush(ChartCanvas& c, const ChartShapeProps& props, VkBrush** brush);
bool CanDrawChartPicture(const ChartCanvas& c, const ChartShapeProps& props);
void ChartRect(ChartCanvas& c, const ChartPaint& paint, const DrawRect& r);
void ChartPolygon(ChartCanvas& c, const ChartPaint& paint, const DrawPoint* points, int32_t count);
// A filled rectangle in the fill of `props` (gradients across it), its outline on top.
void FillShapeRect(ChartCanvas& c, const ChartShapeProps& props, const DrawRect& r, CellColor autoFill,
                   CellColor autoLine);

// Text in the chart's font: `props` over the chart text defaults; `sizePt` and `bold` when
// neither says. Measured extents in px.
DrawFontSpec ChartFont(const ChartCanvas& c, const ChartTextProps& props, double sizePt, bool bold);
CellColor ChartTextColor(const ChartCanvas& c, const ChartTextProps& props);
void MeasureChartText(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, double* w, double* h);
// The text broken at spaces into lines no wider than `maxW` px (a longer word stays whole);
// texts over 512 units are left as they are.
std::u16string WrapChartText(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, double maxW);
// Draws text centred on (cx, cy), turned by `degrees` (counter-clockwise positive).
void DrawChartTextAt(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, CellColor color, double cx,
                     double cy, double degrees);

// A number as a chart label shows it with `code` (empty or "General": General).
std::u16string FormatChartValue(double value, const std::u16string& code, bool date1904);
// The text of category `i` of a series: its text, or its number through the data's format.
std::u16string CategoryText(const ChartSeries& s, int32_t i, const std::u16string& axisCode, bool date1904);

// Frame and axes: lays out title, legend and plot, draws chart area, title, legend.
void DrawChartFrame(ChartCanvas& c, const DrawRect& rect, DrawRect* room);
// The shapes of the chart's own drawing, over everything else.
void DrawUserShapes(ChartCanvas& c, const DrawRect& rect);
// Sets up axes of the plots over `room`, shrinks it to the plot rectangle; false when the
// chart has no axes (pies).
bool LayoutAxes(ChartCanvas& c, const DrawRect& room, PlotFrame* frame);
void DrawGridlines(ChartCanvas& c, const PlotFrame& frame);
// The display-unit caption of a value axis (chart/draw/units.cpp): the room it takes across the
// axis (px, 0 without one), and the caption drawn beside the labels at the axis's far end.
double UnitsCaptionRoom(ChartCanvas& c, const AxisLayout& a);
void DrawUnitsCaption(ChartCanvas& c, const AxisLayout& a, const DrawRect& plot);
void DrawAxes(ChartCanvas& c, const PlotFrame& frame);
// Tick values of a value axis (at most kMaxAxisTicks + 1), and the label of one, as the axis
// formats it (`percent`: a percent-stacked plot's fractions).
std::vector<double> Ticks(const ChartScale& scale);
std::u16string ValueLabel(const ChartCanvas& c, const AxisLayout& a, double v, bool percent);
// The title of an axis, beside the room its labels take outside `plot`.
void DrawAxisTitle(ChartCanvas& c, const AxisLayout& a, const DrawRect& plot);

// Series families, each clipped to the plot by the caller.
void DrawBarPlot(ChartCanvas& c, const PlotFrame& f, int32_t plot);
void DrawLinePlot(ChartCanvas& c, const PlotFrame& f, int32_t plot);   // line, area, stock, surface
void DrawXYPlot(ChartCanvas& c, const PlotFrame& f, int32_t plot);     // scatter, bubble
void DrawRadarPlot(ChartCanvas& c, const DrawRect& room, int32_t plot);
// Pie, doughnut and of-pie plots centred in `room`; the pie keeps `inset` px from the room's
// smaller side, which only its outside data labels may use.
void DrawPiePlot(ChartCanvas& c, const DrawRect& room, int32_t plot, double inset);

// Plot helpers shared by the families.
const ChartPlot& PlotOf(const ChartCanvas& c, int32_t plot);
bool UsesSecondary(const ChartCanvas& c, int32_t plot);
// Series of a plot in drawing order.
std::vector<const ChartSeries*> SeriesOfPlot(const ChartCanvas& c, int32_t plot);
// Position of series index `global` among all series, for the colour cycle.
int32_t SeriesColorIndex(const ChartCanvas& c, const ChartSeries* s);
// Shape props of point `i` of a series: the data point's own, else the series'.
const ChartShapeProps& PointProps(const ChartSeries& s, int32_t i);
// A marker centred on (x, y), and many markers of one series drawn as one path.
void DrawMarker(ChartCanvas& c, const ChartMarker& m, CellColor color, double x, double y);
void DrawMarkers(ChartCanvas& c, const ChartMarker& m, CellColor color, const DrawPoint* points, size_t count);
// A data label text for point i (empty when the labels show nothing).
std::u16string LabelText(const ChartCanvas& c, const ChartSeries& s, const ChartDataLabels& l, int32_t i, double value,
                         double percent);
// The labels in force for a series: its own, else its plot's.
const ChartDataLabels& LabelsOf(const ChartCanvas& c, const ChartSeries& s);
void DrawLabel(ChartCanvas& c, const ChartDataLabels& l, const std::u16string& text, double x, double y);
// Trendlines and error bars of a series; `xy` for scatter data (x from the categories), else
// point i sits at category position i + `shift`.
void DrawTrendAndErrors(ChartCanvas& c, const AxisLayout& cat, const AxisLayout& val, const DrawRect& plot,
                        const ChartSeries& s, bool xy, double shift, CellColor color);

}  // namespace xlx
