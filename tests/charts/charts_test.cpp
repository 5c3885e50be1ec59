// Chart model and chart drawing: axis bounds chosen for known data ranges, chart parts read into
// the model (titles, names, groupings, labels, combinations, caps on hostile counts), the series
// colour cycle and labels with number formats, and hostile charts drawn quickly and sanely.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "common/calendar.h"
#include "model/workbook.h"
#include "tests/drawing/pixelprobe.h"
#include "chart/reader/reader.h"
#include "chart/draw/internal.h"
#include "chart/draw/pielabels.h"
#include "chart/draw/scale.h"

namespace {

using namespace xlx;

// ---- axis bounds ----------------------------------------------------------------------------------
struct ScaleCase {
  const char* what;
  double lo, hi;
  bool hasMin, hasMax;
  double fixedMin, fixedMax;
  double min, max, major;
};

TEST(ChartScale, BoundsAndUnitsOfKnownRanges) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
  const ScaleCase cases[] = {
      {"0-87 rounds up one unit", 0, 87, false, false, 0, 0, 0, 100, 10},
      {"0-95 has its headroom", 0, 95, false, false, 0, 0, 0, 100, 10},
      {"0-100 needs a unit more", 0, 100, false, false, 0, 0, 0, 120, 20},
      {"all zero", 0, 0, false, false, 0, 0, 0, 0.1, 0.1},
      {"both sides of zero", -10, 50, false, false, 0, 0, -20, 60, 10},
      {"all negative keeps zero on top", -87, -3, false, false, 0, 0, -100, 0, 10},
      {"far from zero", 20, 24, false, false, 0, 0, 19.5, 24.5, 0.5},
      {"fixed bounds are kept", 0, 100, true, true, 10, 20, 10, 20, 1},
      {"minimum above maximum drops the maximum", 0, 100, true, true, 50, 10, 50, 110, 10},
      {"no data", inf, -inf, false, false, 0, 0, 0, 0.1, 0.1},
      {"NaN data", nan, nan, false, false, 0, 0, 0, 0.1, 0.1},
  };
  for (const ScaleCase& c : cases) {
    ChartAxis axis;
    axis.hasMin = c.hasMin, axis.min = c.fixedMin, axis.hasMax = c.hasMax, axis.max = c.fixedMax;
    const ChartScale s = ChooseValueScale(c.lo, c.hi, &axis, false);
    EXPECT_NEAR(c.min, s.min, 1e-9) << c.what;
    EXPECT_NEAR(c.max, s.max, 1e-9) << c.what;
    EXPECT_NEAR(c.major, s.major, 1e-9) << c.what;
    EXPECT_NEAR(s.major / 5, s.minor, 1e-12) << c.what;
  }
}

TEST(ChartScale, PercentLogAndHostileRanges) {
  ChartScale s = ChooseValueScale(0, 0.7, nullptr, true);
  EXPECT_EQ(0, s.min);
  EXPECT_EQ(1, s.max);
  EXPECT_NEAR(0.1, s.major, 1e-12);
  ChartAxis log;
  log.hasLogBase = true, log.logBase = 10;
  s = ChooseValueScale(3, 4200, &log, false);
  EXPECT_TRUE(s.log);
  EXPECT_NEAR(1, s.min, 1e-9);
  EXPECT_NEAR(10000, s.max, 1e-6);
  EXPECT_NEAR(0.5, ScaleFraction(s, 100), 1e-12);
  s = ChooseValueScale(-50, -2, &log, false);  // nothing a log axis can show
  EXPECT_TRUE(s.max > s.min && s.min > 0 && std::isfinite(s.max));
  EXPECT_TRUE(std::isnan(ScaleFraction(s, -1)));
  for (double big : {1e308, -1e308, 1e-320}) {
    s = ChooseValueScale(std::min(0.0, big), std::max(0.0, big), nullptr, false);
    EXPECT_TRUE(std::isfinite(s.min) && std::isfinite(s.max) && s.max > s.min) << big;
    EXPECT_LE((s.max - s.min) / s.major, kMaxAxisTicks * 1.01) << big;
  }
  ChartAxis tiny;
  tiny.hasMajorUnit = true, tiny.majorUnit = 1e-9;
  s = ChooseValueScale(0, 100, &tiny, false);
  EXPECT_LE((s.max - s.min) / s.major, kMaxAxisTicks * 1.01);
}

// ---- chart parts ------------------------------------------------------------------------------------
const char* const kHead =
    "<c:chartSpace xmlns:c=\"http://schemas.openxmlformats.org/drawingml/2006/chart\" "
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><c:chart>";

std::string Ser(int order, const std::string& name, const std::string& values, const std::string& extra = "") {
  std::string tx = name.empty() ? "" : "<c:tx><c:strRef><c:strCache><c:pt idx=\"0\"><c:v>" + name +
                                           "</c:v></c:pt></c:strCache></c:strRef></c:tx>";
  return "<c:ser><c:idx val=\"" + std::to_string(order) + "\"/><c:order val=\"" + std::to_string(order) + "\"/>" + tx +
         extra + "<c:val><c:numRef><c:numCache>" + values + "</c:numCache></c:numRef></c:val></c:ser>";
}

std::string Pts(std::initializer_list<double> values) {
  std::string s = "<c:ptCount val=\"" + std::to_string(values.size()) + "\"/>";
  int i = 0;
  for (double v : values) s += "<c:pt idx=\"" + std::to_string(i++) + "\"><c:v>" + std::to_string(v) + "</c:v></c:pt>";
  return s;
}

struct Parsed {
  Workbook* workbook = nullptr;
  ChartModel model;
  int32_t rc = 0;
  explicit Parsed(const std::string& chart, const std::string& plots) {
    EXPECT_EQ(1, CreateWorkbook(&workbook));
    pugi::xml_document doc;
    const std::string xml = kHead + chart + "<c:plotArea>" + plots + "</c:plotArea></c:chart></c:chartSpace>";
    EXPECT_TRUE(doc.load_string(xml.c_str()));
    rc = ParseChart(doc.document_element(), *workbook, &model);
  }
  ~Parsed() { FreeWorkbook(workbook); }
};

TEST(ChartParser, TitlesNamesKindsAndGroupings) {
  const std::string two = Ser(0, "North", Pts({1, 2})) + Ser(4, "", Pts({3, 4}));
  struct Case {
    const char* what;
    std::string chart, plots;
    int32_t rc, kind, series;
    const char16_t* title;  // null: no title
  } cases[] = {
      {"doughnut alone is read", "", "<c:doughnutChart>" + Ser(0, "A", Pts({1})) + "</c:doughnutChart>", 1,
       kChartDoughnut, 1, u"A"},
      {"empty title of one series", "<c:title/>", "<c:barChart>" + Ser(0, "Only", Pts({1})) + "</c:barChart>", 1,
       kChartBar, 1, u"Only"},
      {"empty title of two series", "<c:title/>", "<c:lineChart>" + two + "</c:lineChart>", 1, kChartLine, 2,
       u"Chart Title"},
      {"deleted automatic title", "<c:autoTitleDeleted val=\"1\"/>", "<c:barChart>" + Ser(0, "A", Pts({1})) + "</c:barChart>",
       1, kChartBar, 1, nullptr},
      {"search order, not document order", "", "<c:lineChart>" + two + "</c:lineChart><c:barChart/>", 1, kChartBar, 2,
       nullptr},
      {"no chart element", "", "<c:catAx/>", -9, kChartNone, 0, nullptr},
  };
  for (const Case& c : cases) {
    Parsed p(c.chart, c.plots);
    EXPECT_EQ(c.rc, p.rc) << c.what;
    EXPECT_EQ(c.kind, p.model.chartKind) << c.what;
    EXPECT_EQ(size_t(c.series), p.model.series.size()) << c.what;
    EXPECT_EQ(c.title != nullptr, p.model.title.present) << c.what;
    if (c.title) {
      EXPECT_EQ(std::u16string(c.title), p.model.title.text) << c.what;
    }
  }
  Parsed named("", "<c:lineChart>" + two + "</c:lineChart>");
  EXPECT_EQ(u"North", named.model.series[0].name);
  EXPECT_EQ(u"Series5", named.model.series[1].name);
  EXPECT_TRUE(named.model.series[1].nameIsDefault);
}

// What absent elements mean: points coloured one by one in bar and pie plots, rounded corners,
// an axis that says neither `c:delete` nor `c:tickLblPos` drawn without labels, line or ticks.
TEST(ChartParser, DefaultsOfAbsentElements) {
  const std::string one = Ser(0, "A", Pts({1, 2}));
  const struct {
    const char* what;
    std::string space, plots;
    bool vary, rounded;
  } cases[] = {
      {"column without varyColors", "", "<c:barChart>" + one + "</c:barChart>", true, true},
      {"pie without varyColors", "", "<c:pieChart>" + one + "</c:pieChart>", true, true},
      {"line without varyColors", "", "<c:lineChart>" + one + "</c:lineChart>", false, true},
      {"varyColors written off", "<c:roundedCorners val=\"0\"/>",
       "<c:barChart><c:varyColors val=\"0\"/>" + one + "</c:barChart>", false, false},
      {"varyColors without val", "<c:roundedCorners/>", "<c:lineChart><c:varyColors/>" + one + "</c:lineChart>", true, true},
  };
  for (const auto& c : cases) {
    Workbook* wb = nullptr;
    ASSERT_EQ(1, CreateWorkbook(&wb));
    pugi::xml_document doc;
    const std::string xml = std::string(kHead).replace(std::string(kHead).find("<c:chart>"), 9, c.space + "<c:chart>") +
                            "<c:plotArea>" + c.plots + "</c:plotArea></c:chart></c:chartSpace>";
    ASSERT_TRUE(doc.load_string(xml.c_str())) << c.what;
    ChartModel m;
    EXPECT_EQ(1, ParseChart(doc.document_element(), *wb, &m)) << c.what;
    ASSERT_EQ(1u, m.plots.size()) << c.what;
    EXPECT_EQ(c.vary, m.plots[0].varyColors) << c.what;
    EXPECT_EQ(c.rounded, m.roundedCorners) << c.what;
    FreeWorkbook(wb);
  }
  const std::string axes =
      "<c:catAx><c:axId val=\"1\"/><c:crossAx val=\"2\"/><c:majorTickMark val=\"out\"/><c:title/></c:catAx>"
      "<c:valAx><c:axId val=\"2\"/><c:crossAx val=\"1\"/><c:tickLblPos val=\"nextTo\"/><c:majorGridlines/></c:valAx>"
      "<c:valAx><c:axId val=\"3\"/><c:delete val=\"0\"/><c:spPr><a:ln><a:solidFill><a:srgbClr val=\"FF0000\"/>"
      "</a:solidFill></a:ln></c:spPr></c:valAx>";
  Parsed p("", "<c:barChart>" + one + "</c:barChart>" + axes);
  ASSERT_EQ(3u, p.model.axes.size());
  const ChartAxis& bare = p.model.axes[0];
  EXPECT_TRUE(bare.bare);
  EXPECT_EQ(kTickLblNone, bare.tickLabelPos);
  EXPECT_EQ(kTickNone, bare.majorTickMark);
  EXPECT_EQ(kChartFillNone, bare.line.lineKind);
  EXPECT_TRUE(bare.title.present);
  for (size_t i = 1; i < 3; ++i) {
    EXPECT_FALSE(p.model.axes[i].bare) << i;
    EXPECT_EQ(kTickLblNextTo, p.model.axes[i].tickLabelPos) << i;
    EXPECT_NE(kChartFillNone, p.model.axes[i].line.lineKind) << i;
  }
}

// Series of line, scatter and radar plots without a marker of their own take the symbols of the
// cycle by their index; written symbols and other kinds keep theirs.
TEST(ChartParser, AutomaticMarkersCycleBySeries) {
  const std::string marker = "<c:marker><c:symbol val=\"circle\"/></c:marker>";
  Parsed line("", "<c:lineChart>" + Ser(0, "a", Pts({1})) + Ser(1, "b", Pts({1})) + Ser(2, "c", Pts({1})) +
                      Ser(3, "d", Pts({1}), marker) + Ser(9, "e", Pts({1})) + "</c:lineChart>" +
                      "<c:barChart>" + Ser(4, "f", Pts({1})) + "</c:barChart>");
  const int32_t expected[] = {kMarkerDiamond, kMarkerSquare, kMarkerTriangle, kMarkerCircle, kMarkerTriangle, kMarkerAuto};
  ASSERT_EQ(6u, line.model.series.size());
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(expected[i], line.model.series[i].marker.symbol) << i;
  Parsed scatter("", "<c:scatterChart>" + Ser(0, "a", Pts({1})) + Ser(1, "b", Pts({1})) + "</c:scatterChart>");
  EXPECT_NE(scatter.model.series[0].marker.symbol, scatter.model.series[1].marker.symbol);
}

// References that cannot be resolved keep their cache: a sheet that is not loaded, another
// workbook, a name that is no range, a literal; hostile texts resolve to nothing.
TEST(ChartParser, UnresolvableReferencesKeepTheirCache) {
  const char* const formulas[] = {"Missing!$A$1:$A$2", "'[other.xlsx]Sheet1'!$A$1:$A$2", "[0]!NoSuchName",
                                  "(Data!$A$1,", "'unclosed!A1", "", "Data!$A$1:$XFD$1048576", "SUM(A1:A2)"};
  for (const char* f : formulas) {
    const std::string ser = "<c:ser><c:idx val=\"0\"/><c:val><c:numRef><c:f>" + std::string(f) +
                            "</c:f><c:numCache>" + Pts({5, 7}) + "</c:numCache></c:numRef></c:val></c:ser>";
    Parsed p("", "<c:barChart>" + ser + "</c:barChart>");
    ASSERT_EQ(1u, p.model.series.size()) << f;
    ASSERT_EQ(1, ResolveChartCellData(*p.workbook, &p.model)) << f;
    const ChartData& d = p.model.series[0].values;
    ASSERT_EQ(2, d.pointCount) << f;
    EXPECT_EQ(5, d.values[0]) << f;
    EXPECT_EQ(7, d.values[1]) << f;
  }
  Parsed empty("", "<c:barChart/>");
  EXPECT_EQ(-13, ResolveChartCellData(*empty.workbook, nullptr));
}

TEST(ChartParser, CombinationAxesLabelsAndStacks) {
  const std::string axes =
      "<c:catAx><c:axId val=\"1\"/><c:crossAx val=\"2\"/><c:delete val=\"0\"/><c:axPos val=\"b\"/></c:catAx>"
      "<c:valAx><c:axId val=\"2\"/><c:crossAx val=\"1\"/><c:axPos val=\"l\"/><c:numFmt formatCode=\"0%\" "
      "sourceLinked=\"0\"/><c:scaling><c:orientation val=\"maxMin\"/><c:max val=\"5\"/></c:scaling>"
      "<c:dispUnits><c:builtInUnit val=\"thousands\"/></c:dispUnits><c:majorGridlines/></c:valAx>"
      "<c:catAx><c:axId val=\"3\"/><c:crossAx val=\"4\"/><c:delete val=\"1\"/></c:catAx>"
      "<c:valAx><c:axId val=\"4\"/><c:crossAx val=\"3\"/><c:axPos val=\"r\"/></c:valAx>";
  Parsed p("", "<c:barChart><c:barDir val=\"bar\"/><c:grouping val=\"stacked\"/><c:gapWidth val=\"60\"/>" +
                   Ser(0, "A", Pts({1, -2}), "<c:dLbls><c:showVal val=\"0\"/></c:dLbls>") + Ser(1, "B", Pts({3, 4})) +
                   "<c:axId val=\"1\"/><c:axId val=\"2\"/></c:barChart><c:lineChart>" + Ser(2, "C", Pts({5})) +
                   "<c:axId val=\"3\"/><c:axId val=\"4\"/></c:lineChart>" + axes);
  ASSERT_EQ(1, p.rc);
  ASSERT_EQ(2u, p.model.plots.size());
  const ChartPlot& bar = p.model.plots[0];
  EXPECT_TRUE(bar.horizontal);
  EXPECT_EQ(kGroupStacked, bar.grouping);
  EXPECT_EQ(60, bar.gapWidth);
  EXPECT_EQ(1, p.model.series[2].plot);
  ASSERT_EQ(4u, p.model.axes.size());
  const ChartAxis& v = p.model.axes[1];
  EXPECT_TRUE(v.reversed && v.hasMax && !v.hasMin && v.majorGridlines);
  EXPECT_EQ(5, v.max);
  EXPECT_EQ(1000, v.displayUnit);
  EXPECT_EQ(u"0%", v.formatCode);
  EXPECT_TRUE(p.model.axes[2].deleted);
  EXPECT_EQ(kAxisPosRight, p.model.axes[3].position);
  // Labels listing one flag off have the others off too: only what is written shows.
  const ChartDataLabels& l = p.model.series[0].labels;
  EXPECT_TRUE(l.present);
  EXPECT_FALSE(l.showVal || l.showCatName || l.showSerName || l.showPercent);
  EXPECT_EQ(-2, p.model.series[0].values.min);
  EXPECT_EQ(1, p.model.series[0].values.max);
  ChartCanvas c{nullptr, p.model, ChartDrawOptions()};
  EXPECT_TRUE(UsesSecondary(c, 1));
  EXPECT_FALSE(UsesSecondary(c, 0));
}

TEST(ChartParser, HostileCountsAreCapped) {
  std::string many;
  for (int i = 0; i < kMaxChartSeries + 5; ++i) many += "<c:ser/>";
  Parsed capped("", "<c:lineChart>" + many + "</c:lineChart>");
  EXPECT_EQ(size_t(kMaxChartSeries), capped.model.series.size());
  Parsed huge("", "<c:barChart>" + Ser(0, "A",
                                      "<c:ptCount val=\"2147483647\"/><c:pt idx=\"4294967296\"><c:v>1</c:v></c:pt>"
                                      "<c:pt idx=\"-1\"><c:v>1</c:v></c:pt><c:pt idx=\"3\"><c:v>x</c:v></c:pt>") +
                          "</c:barChart>");
  ASSERT_EQ(1u, huge.model.series.size());
  const ChartData& d = huge.model.series[0].values;
  EXPECT_EQ(kMaxChartPoints, d.pointCount);
  EXPECT_GT(d.min, d.max);  // no value was read
}

TEST(ChartParser, UserShapesPlacedInFractionsOfTheChart) {
  const std::string sp = "<cdr:sp><cdr:spPr><a:solidFill><a:srgbClr val=\"FF0000\"/></a:solidFill></cdr:spPr><cdr:txBody>"
                         "<a:p><a:r><a:t>Hi</a:t></a:r></a:p><a:p><a:r><a:t>there</a:t></a:r></a:p></cdr:txBody></cdr:sp>";
  auto rel = [&](const char* x1, const char* y1, const char* x2, const char* y2) {
    return std::string("<cdr:relSizeAnchor><cdr:from><cdr:x>") + x1 + "</cdr:x><cdr:y>" + y1 + "</cdr:y></cdr:from><cdr:to><cdr:x>" +
           x2 + "</cdr:x><cdr:y>" + y2 + "</cdr:y></cdr:to>" + sp + "</cdr:relSizeAnchor>";
  };
  const std::string xml =
      "<c:userShapes xmlns:c=\"c\" xmlns:cdr=\"d\" xmlns:a=\"a\">" + rel("0.1", "0.2", "0.5", "0.6") +
      rel("0.5", "0.5", "0.4", "0.9") + rel("nan", "0", "1", "1") + rel("0", "0", "1e300", "1") +
      "<cdr:absSizeAnchor><cdr:from><cdr:x>0.25</cdr:x><cdr:y>0</cdr:y></cdr:from><cdr:ext cx=\"457200\" cy=\"914400\"/>" + sp +
      "</cdr:absSizeAnchor></c:userShapes>";
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_string(xml.c_str()));
  Workbook* workbook = nullptr;
  ASSERT_EQ(1, CreateWorkbook(&workbook));
  ChartModel m;
  EXPECT_EQ(1, ParseChartUserShapes(doc.document_element(), *workbook, 914400, 1828800, &m));
  FreeWorkbook(workbook);
  ASSERT_EQ(2u, m.userShapes.size());  // backwards, NaN and far-off anchors are dropped
  const ChartUserShape& a = m.userShapes[0];
  EXPECT_NEAR(0.4, a.w, 1e-12);
  EXPECT_NEAR(0.4, a.h, 1e-12);
  EXPECT_EQ(u"Hi\nthere", a.text);
  EXPECT_EQ(kChartFillSolid, a.shape.fillKind);
  EXPECT_EQ(kChartFillNone, a.shape.lineKind);
  EXPECT_NEAR(0.5, m.userShapes[1].w, 1e-12);  // 0.5 in of a 1 in wide chart
  EXPECT_NEAR(0.5, m.userShapes[1].h, 1e-12);
}

// ---- colours and labels -----------------------------------------------------------------------------
TEST(ChartPaint, ColourCycleAndLabelFormats) {
  ChartModel m;
  for (int i = 0; i < 6; ++i) m.accents[i] = 0xFF000000u | (0x203040u + 0x101010u * i);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m.accents[i], AutoSeriesColor(m, i));
  // The seventh series is the first accent darkened, the thirteenth it lightened.
  const CellColor seventh = AutoSeriesColor(m, 6), thirteenth = AutoSeriesColor(m, 12);
  EXPECT_LT(seventh & 0xFF, m.accents[0] & 0xFF);
  EXPECT_GT(thirteenth & 0xFF, m.accents[0] & 0xFF);
  EXPECT_NE(seventh, AutoSeriesColor(m, 7));

  ChartSeries s;
  s.name = u"Sales";
  s.values.formatCode = u"#,##0.00";
  s.categories.texts = {u"Jan", u"Feb"};
  s.categories.pointCount = 2;
  ChartCanvas c{nullptr, m, ChartDrawOptions()};
  struct Case {
    bool val, cat, ser, pct;
    const char16_t* code;
    bool linked;
    const char16_t* text;
  } cases[] = {
      {true, false, false, false, u"", true, u"1,234.50"},
      {true, false, false, false, u"0.0%", false, u"123450.0%"},
      {true, false, false, false, u"\"$\"#,##0", false, u"$1,235"},
      {true, false, false, false, u"\"$\"#,##0", true, u"1,234.50"},
      {true, true, true, false, u"", true, u"Sales, Feb, 1,234.50"},
      {false, false, false, true, u"", true, u"25%"},
      {false, false, false, false, u"", true, u""},
  };
  for (const Case& k : cases) {
    ChartDataLabels l;
    l.present = true;
    l.showVal = k.val, l.showCatName = k.cat, l.showSerName = k.ser, l.showPercent = k.pct;
    l.formatCode = k.code, l.sourceLinked = k.linked;
    EXPECT_EQ(std::u16string(k.text), LabelText(c, s, l, 1, 1234.5, 0.25));
  }
  EXPECT_EQ(u"Feb", CategoryText(s, 1, u"General", false));
  EXPECT_EQ(u"3", CategoryText(s, 2, u"General", false));  // past the cache: its number
}

}  // namespace

// ---- hostile charts drawn -------------------------------------------------------------------------
namespace {

struct ChartPage {
  VkDrawingEngine* engine = nullptr;
  _BITMAPHANDLE bitmap{};
  DrawingSurface* surface = nullptr;
  ChartPage() {
    void* object = nullptr;
    EXPECT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
    engine = static_cast<VkDrawingEngine*>(object);
    EXPECT_EQ(1, VkSetTextResolution(engine, 96));
    EXPECT_EQ(1, VkCreateBitmap(&bitmap, sizeof bitmap, 1, 640, 400, 24, 1, nullptr, 1, nullptr, 0));
    EXPECT_EQ(1, CreateDrawingSurface(engine, &bitmap, &surface));
    EXPECT_EQ(1, InitEngine(surface));
  }
  ~ChartPage() {
    DestroyDrawingSurface(surface);
    VkFreeBitmap(&bitmap);
    VkDestroyDrawingObject(engine);
  }
};

ChartModel Hostile(int32_t kind, int32_t seriesCount, int32_t points, double (*value)(int32_t)) {
  ChartModel m;
  m.chartKind = kind;
  m.plots.resize(1);
  m.plots[0].kind = kind;
  m.legend.present = true;
  m.title.present = true, m.title.text = u"Hostile";
  m.series.resize(size_t(seriesCount));
  for (int32_t k = 0; k < seriesCount; ++k) {
    ChartData& d = m.series[size_t(k)].values;
    m.series[size_t(k)].idx = k;
    d.pointCount = points;
    d.values.resize(size_t(points));
    d.min = INFINITY, d.max = -INFINITY;
    for (int32_t i = 0; i < points; ++i) {
      d.values[size_t(i)] = value(i + k);
      if (std::isfinite(d.values[size_t(i)])) d.min = std::min(d.min, d.values[size_t(i)]), d.max = std::max(d.max, d.values[size_t(i)]);
    }
  }
  return m;
}

}  // namespace

TEST(ChartDraw, HostileChartsDrawQuicklyAndSanely) {
  auto wave = [](int32_t i) { return std::sin(i * 0.001) * 1000; };
  auto wild = [](int32_t i) {
    const double v[] = {NAN, INFINITY, -INFINITY, 1e308, -1e308, 0, -5, 3};
    return v[i % 8];
  };
  struct Case {
    const char* what;
    ChartModel model;
    DrawRect rect;
  } cases[] = {
      {"a million points, line", Hostile(kChartLine, 1, 1000000, wave), {10, 10, 600, 380}},
      {"a million points, column", Hostile(kChartBar, 1, 1000000, wave), {10, 10, 600, 380}},
      {"a million points, scatter", Hostile(kChartScatter, 1, 1000000, wave), {10, 10, 600, 380}},
      {"a million slices", Hostile(kChartPie, 1, 1000000, wave), {10, 10, 600, 380}},
      {"ten thousand series", Hostile(kChartBar, 10000, 3, wave), {10, 10, 600, 380}},
      {"ten thousand rings", Hostile(kChartDoughnut, 10000, 5, wave), {10, 10, 600, 380}},
      {"NaN and infinities", Hostile(kChartArea, 3, 50, wild), {10, 10, 600, 380}},
      {"radar of wild values", Hostile(kChartRadar, 3, 5000, wild), {10, 10, 600, 380}},
      {"zero-size anchor", Hostile(kChartLine, 2, 10, wave), {50, 50, 0, 0}},
      {"NaN anchor", Hostile(kChartLine, 2, 10, wave), {NAN, 50, 100, 100}},
  };
  cases[6].model.axes.resize(2);
  cases[6].model.axes[1].hasLogBase = true;  // log axis over negative data
  cases[6].model.plots[0].axIds[1] = cases[6].model.axes[1].axId = 7, cases[6].model.plots[0].axisCount = 2;
  for (Case& c : cases) {
    ChartPage page;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(1, DrawChart(page.surface, c.model, c.rect, ChartDrawOptions())) << c.what;
    EXPECT_EQ(1, EndEngine(page.surface));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 10.0) << c.what;  // well under a second in a plain build; sanitizers are slower
    // Something was drawn inside the frame (when there is one), and nothing outside it.
    int inside = 0, outside = 0;
    for (int y = 0; y < 400; y += 2)
      for (int x = 0; x < 640; x += 2) {
        const bool in = x >= c.rect.left - 1 && x <= c.rect.left + c.rect.width + 1 && y >= c.rect.top - 1 &&
                        y <= c.rect.top + c.rect.height + 1;
        (in ? inside : outside) += pixeltest::Ink(page.bitmap, x, y) > 30;
      }
    EXPECT_EQ(0, outside) << c.what;
    EXPECT_EQ(std::isfinite(c.rect.left) && c.rect.width > 2, inside > 100) << c.what;
  }
}

// ---- pie size and labels ---------------------------------------------------------------------------
namespace {

ChartModel Pie(std::initializer_list<double> values, bool title) {
  ChartModel m = Hostile(kChartPie, 1, int32_t(values.size()), [](int32_t) { return 1.0; });
  m.title.present = title;
  m.plots[0].varyColors = true;
  m.series[0].values.values.assign(values.begin(), values.end());
  for (int i = 0; i < 6; ++i) m.accents[i] = 0xFF000000u | (0x102030u * uint32_t(i + 1));
  return m;
}

// Rows holding the accent colours left of the legend: the pie's height in px.
int PieHeight(const ChartPage& page, const ChartModel& m, const DrawRect& r) {
  int top = -1, bottom = -1;
  for (int y = int(r.top); y < int(r.top + r.height); ++y)
    for (int x = int(r.left); x < int(r.left + r.width * 0.7); ++x) {
      const pixeltest::Rgb p = pixeltest::At(page.bitmap, x, y);
      const CellColor c = 0xFF000000u | uint32_t(p.b << 16 | p.g << 8 | p.r);  // colours hold red lowest
      if (std::find(std::begin(m.accents), std::end(m.accents), c) == std::end(m.accents)) continue;
      if (top < 0) top = y;
      bottom = y;
      break;
    }
  return top < 0 ? 0 : bottom - top + 1;
}

}  // namespace

// Without a manual layout the plot sits 18 pt inside what the title and legend leave, and the pie
// fills its smaller side; a manual layout gives the pie its rectangle without that margin.
TEST(ChartDraw, PieSizeFollowsTheAutomaticPlotArea) {
  const DrawRect rect{10, 10, 480, 288};
  struct Case {
    const char* what;
    bool title, manual;
    double least, most;  // the pie's height as a share of the chart's
  } cases[] = {
      {"title and legend", true, false, 0.56, 0.66},
      {"legend only", false, false, 0.66, 0.76},
      {"manual plot of 80% height", true, true, 0.74, 0.80},
  };
  for (const Case& k : cases) {
    ChartModel m = Pie({60, 35, 3, 2, 8}, k.title);
    if (k.manual) {
      ChartManualLayout& l = m.plotLayout;
      l.present = l.hasX = l.hasY = l.hasW = l.hasH = true;
      l.x = 0.1, l.y = 0.1, l.w = 0.5, l.h = 0.8;
    }
    ChartPage page;
    EXPECT_EQ(1, DrawChart(page.surface, m, rect, ChartDrawOptions())) << k.what;
    EXPECT_EQ(1, EndEngine(page.surface));
    const double share = PieHeight(page, m, rect) / rect.height;
    EXPECT_GE(share, k.least) << k.what;
    EXPECT_LE(share, k.most) << k.what;
  }
}

// A title wider than the chart breaks between words: its ink stays within 80% of the chart's
// width and takes more rows than a one-line title.
TEST(ChartDraw, LongTitlesWrapWithinTheChart) {
  const DrawRect rect{10, 10, 320, 240};
  auto titleInk = [&](const std::u16string& text, int* rows) {
    ChartModel m = Pie({1, 2, 3}, true);
    m.title.text = text;
    for (CellColor& a : m.accents) a = 0xFFF4F4F4;  // slices too light to count as ink
    m.legend.present = false;
    ChartPage page;
    EXPECT_EQ(1, DrawChart(page.surface, m, rect, ChartDrawOptions()));
    EXPECT_EQ(1, EndEngine(page.surface));
    int left = 1 << 20, right = -1;
    *rows = 0;
    for (int y = int(rect.top) + 4; y < int(rect.top + rect.height / 3); ++y) {
      bool any = false;
      for (int x = int(rect.left) + 4; x < int(rect.left + rect.width) - 4; ++x)
        if (pixeltest::Ink(page.bitmap, x, y) > 100) left = std::min(left, x), right = std::max(right, x), any = true;
      *rows += any;
    }
    return right - left;
  };
  int shortRows = 0, longRows = 0;
  titleInk(u"Sales", &shortRows);
  const int width = titleInk(u"Modes of occupation of the invariants declared this year", &longRows);
  EXPECT_LE(width, rect.width * 0.8 + 2);
  EXPECT_GT(longRows, shortRows * 3 / 2);
}

// Outside labels of many thin slices stack up beside the pie: however small the room, they end
// inside it (never over a title above it), and the pie gives up radius before they are held.
TEST(ChartDraw, PieLabelsStayInsideTheirRoom) {
  ChartModel m = Pie({90, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}, true);
  ChartSeries& s = m.series[0];
  s.labels.present = true, s.labels.showCatName = true, s.labels.showPercent = true;
  s.labels.position = kLabelPosBestFit;
  std::vector<double> sweeps;
  for (double v : s.values.values) sweeps.push_back(2 * 3.14159265358979 * v / 100);
  ChartPage page;
  ChartCanvas c{page.surface, m, ChartDrawOptions()};
  for (double height : {400.0, 200.0, 90.0}) {
    const DrawRect room{0, 0, 400, height};
    std::vector<PieLabel> labels;
    const double outer = height / 2 * 0.9;
    const double r = PlanPieLabels(c, s, s.labels, sweeps, 100, room, outer, -3.14159265358979 / 2, 1, &labels);
    EXPECT_LT(r, outer) << height;
    EXPECT_GE(r, outer * 0.39) << height;
    int outside = 0;
    for (const PieLabel& l : labels) {
      if (!l.outside || l.text.empty()) continue;
      ++outside;
      EXPECT_LE(std::fabs(l.dy) + l.h / 2, height / 2 + 0.5) << height;
      EXPECT_LE(std::fabs(l.dx) + l.w / 2, 200.5) << height;
    }
    EXPECT_GE(outside, 5) << height;
  }
}

// ---- category and date axis labels -----------------------------------------------------------------
namespace {

// A one-series chart of `kind` over `categories` (texts) or `dates` (serials shown with `code`),
// with a category (or date) axis and a value axis.
ChartModel AxisChart(int32_t kind, bool horizontal, std::vector<std::u16string> categories, std::vector<double> dates,
                     int32_t axisType, const std::u16string& code) {
  const size_t n = std::max(categories.size(), dates.size());
  ChartModel m = Hostile(kind, 1, int32_t(n), [](int32_t i) { return double(i % 5 + 1); });
  m.plots[0].horizontal = horizontal;
  m.plots[0].axIds[0] = 1, m.plots[0].axIds[1] = 2, m.plots[0].axisCount = 2;
  m.axes.resize(2);
  m.axes[0].type = axisType, m.axes[0].axId = 1, m.axes[0].sourceLinked = true;
  m.axes[1].type = kAxisValue, m.axes[1].axId = 2;
  ChartData& cats = m.series[0].categories;
  cats.texts = std::move(categories);
  cats.values = std::move(dates);
  cats.formatCode = code;
  cats.pointCount = int32_t(n);
  return m;
}

std::vector<double> Monthly(int32_t count) {  // the first of each month from January 2024
  std::vector<double> out;
  for (int32_t i = 0; i < count; ++i) {
    int64_t serial = 0;
    EXPECT_TRUE(SerialDayOfDate(2024 + i / 12, i % 12 + 1, 1, kDateSystem1900, &serial));
    out.push_back(double(serial));
  }
  return out;
}

}  // namespace

// Short labels that fit their slots stay level on column, line and bar charts; labels too long
// for their slots are turned. A date axis labels its major units, level, from the first date.
TEST(ChartAxes, LabelsStayLevelWhenTheyFitAndDateAxesLabelTheirUnits) {
  const std::vector<std::u16string> months = {u"Jan", u"Feb", u"Mar", u"Apr", u"May", u"Jun",
                                              u"Jul", u"Aug", u"Sep", u"Oct", u"Nov", u"Dec"};
  std::vector<std::u16string> numbers, long_names;
  for (int i = 1; i <= 12; ++i) numbers.push_back(std::u16string(1, u'0' + i % 10));
  for (int i = 1; i <= 30; ++i) long_names.push_back(u"Category number " + std::u16string(1, u'A' + i % 26));
  struct Case {
    const char* what;
    ChartModel model;
    double width;
    bool level;
    std::vector<std::u16string> dateLabels;
  } cases[] = {
      {"months, column", AxisChart(kChartBar, false, months, {}, kAxisCategory, u""), 480, true, {}},
      {"numbers, line", AxisChart(kChartLine, false, numbers, {}, kAxisCategory, u""), 480, true, {}},
      {"months, bar", AxisChart(kChartBar, true, months, {}, kAxisCategory, u""), 480, true, {}},
      {"thirty names up a bar chart", AxisChart(kChartBar, true, long_names, {}, kAxisCategory, u""), 480, true, {}},
      {"long names, column", AxisChart(kChartBar, false, long_names, {}, kAxisCategory, u""), 480, false, {}},
      {"monthly dates", AxisChart(kChartLine, false, {}, Monthly(12), kAxisDate, u"mmm-yy"), 480, true,
       {u"Jan-24", u"Mar-24", u"May-24", u"Jul-24", u"Sep-24", u"Nov-24"}},
      {"monthly dates, wide", AxisChart(kChartLine, false, {}, Monthly(12), kAxisDate, u"mmm-yy"), 1200, true,
       {u"Jan-24", u"Feb-24", u"Mar-24", u"Apr-24", u"May-24", u"Jun-24", u"Jul-24", u"Aug-24", u"Sep-24", u"Oct-24",
        u"Nov-24", u"Dec-24"}},
      {"dates on an automatic category axis", AxisChart(kChartLine, false, {}, Monthly(24), kAxisCategory, u"mmm-yy"),
       480, true, {u"Jan-24", u"Apr-24", u"Jul-24", u"Oct-24", u"Jan-25", u"Apr-25", u"Jul-25", u"Oct-25"}},
      {"a major unit of a quarter", AxisChart(kChartLine, false, {}, Monthly(12), kAxisDate, u"mmm-yy"), 1200, true,
       {u"Jan-24", u"Apr-24", u"Jul-24", u"Oct-24"}},
  };
  cases[7].model.axes[0].autoType = true;
  cases[8].model.axes[0].hasMajorUnit = true, cases[8].model.axes[0].majorUnit = 3;
  cases[8].model.axes[0].majorTimeUnit = 1;
  ChartPage page;
  for (Case& k : cases) {
    ChartCanvas c{page.surface, k.model, ChartDrawOptions()};
    PlotFrame f;
    ASSERT_TRUE(LayoutAxes(c, DrawRect{0, 0, k.width, 288}, &f)) << k.what;
    const AxisLayout& a = f.category[0];
    EXPECT_EQ(k.level, a.labelRotation == 0) << k.what;
    // Level labels that have room are all shown; those up a crowded axis every few.
    const bool crowded = a.vertical && a.categoryCount > 20;
    EXPECT_TRUE(crowded ? a.labelStep > 1 : !k.level || a.labelStep == 1) << k.what << " step " << a.labelStep;
    std::vector<std::u16string> texts;
    for (const AxisLayout::DateLabel& l : a.dateLabels) texts.push_back(l.text);
    EXPECT_EQ(k.dateLabels, texts) << k.what;
  }
}
