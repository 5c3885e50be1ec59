// The 2016 chart kinds: waterfall running totals, histogram bins, box statistics, hierarchies
// and squarified tiles computed for known data; a chart part read into its data blocks and
// series; hostile parts drawn quickly without leaving the chart's rectangle.
#include <chrono>
#include <cmath>
#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "model/workbook.h"
#include "chart/reader/reader.h"
#include "tests/drawing/pixelprobe.h"
#include "chart/draw/exdraw.h"

namespace {

using namespace xlx;

TEST(ChartExLayout, WaterfallTotalsResetTheRunningSum) {
  const auto bars = WaterfallBars({100, -30, NAN, 80, 20, 5}, {3, 9, -1});
  const double want[][3] = {{0, 100, kWaterfallUp}, {100, 70, kWaterfallDown}, {70, 70, kWaterfallUp},
                            {0, 80, kWaterfallTotal}, {80, 100, kWaterfallUp}, {100, 105, kWaterfallUp}};
  ASSERT_EQ(6u, bars.size());
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(want[i][0], bars[i].from) << i;
    EXPECT_EQ(want[i][1], bars[i].to) << i;
    EXPECT_EQ(int32_t(want[i][2]), bars[i].kind) << i;
  }
}

TEST(ChartExLayout, HistogramBins) {
  const std::vector<double> scores = {12, 15, 17, 18, 21, 22, 22, 24, 25, 26, 27, 27,
                                      28, 29, 31, 33, 34, 35, 38, 41, 44, 47, 55, 62};
  auto binning = [](int32_t mode, double size, int32_t count, bool left, double under, double over) {
    ChartExBinning b;
    b.mode = mode, b.size = size, b.count = count, b.closedLeft = left;
    b.hasUnderflow = under == under, b.underflow = under;
    b.hasOverflow = over == over, b.overflow = over;
    return b;
  };
  struct Case {
    const char* what;
    std::vector<double> values;
    ChartExBinning binning;
    std::vector<double> counts;
    double firstLo, lastHi;
  } cases[] = {
      {"width 10, closed right", scores, binning(kBinBySize, 10, 0, false, NAN, NAN), {7, 8, 5, 2, 2}, 12, 62},
      {"width 10, closed left moves 22 and 32", scores, binning(kBinBySize, 10, 0, true, NAN, NAN), {5, 10, 5, 2, 2}, 12, 62},
      {"count 4 between underflow and overflow", scores, binning(kBinByCount, 0, 4, false, 20, 40),
       {4, 5, 5, 4, 1, 5}, 20, 40},
      {"automatic: 3.5 sd over the cube root", {1, 2, 3, 4, 5, 6, 7, 8}, ChartExBinning(), {5, 3}, 1, 8},
      {"all equal: one bin", {5, 5, NAN, 5}, ChartExBinning(), {3}, 5, 5},
      {"tiny width: bins capped", {0, 1e9}, binning(kBinBySize, 1e-9, 0, false, NAN, NAN), {}, 0, 0},
      {"nothing finite", {NAN, INFINITY}, ChartExBinning(), {}, 0, 0},
      {"huge range", {-1e308, 1e308}, ChartExBinning(), {2}, -1e308, 1e308},
  };
  for (const Case& c : cases) {
    const std::vector<HistogramBin> bins = BinValues(c.values, c.binning);
    if (c.counts.empty() && c.values.size() == 2 && std::isfinite(c.values[0])) {
      EXPECT_LE(bins.size(), size_t(kMaxChartExBins)) << c.what;
      EXPECT_GT(bins.size(), 100u) << c.what;
      continue;
    }
    ASSERT_EQ(c.counts.size(), bins.size()) << c.what;
    for (size_t i = 0; i < bins.size(); ++i) EXPECT_EQ(c.counts[i], bins[i].count) << c.what << " bin " << i;
    if (bins.empty()) continue;
    EXPECT_DOUBLE_EQ(c.firstLo, bins[bins[0].underflow ? 1 : 0].lo) << c.what;
    EXPECT_NEAR(c.lastHi, bins[bins.size() - (bins.back().overflow ? 2 : 1)].hi, std::fabs(c.lastHi) * 1e-12) << c.what;
  }
}

TEST(ChartExLayout, BoxStatistics) {
  struct Case {
    const char* what;
    std::vector<double> values;
    bool inclusive;
    double q1, median, q3, low, high;
    size_t outliers;
  } cases[] = {
      {"odd count, exclusive", {1, 2, 3, 4, 5, 6, 7}, false, 2, 4, 6, 1, 7, 0},
      {"odd count, inclusive", {1, 2, 3, 4, 5, 6, 7}, true, 2.5, 4, 5.5, 1, 7, 0},
      {"even count with an outlier", {3, 5, 6, 7, 8, 8, 9, 11, 12, 25}, false, 6, 8, 11, 3, 12, 1},
      {"one value", {4, NAN}, false, 4, 4, 4, 4, 4, 0},
  };
  for (const Case& c : cases) {
    const BoxStats s = BoxStatsOf(c.values, c.inclusive);
    EXPECT_EQ(c.q1, s.q1) << c.what;
    EXPECT_EQ(c.median, s.median) << c.what;
    EXPECT_EQ(c.q3, s.q3) << c.what;
    EXPECT_EQ(c.low, s.low) << c.what;
    EXPECT_EQ(c.high, s.high) << c.what;
    EXPECT_EQ(c.outliers, s.outliers.size()) << c.what;
  }
  EXPECT_EQ(0, BoxStatsOf({NAN}, false).count);
}

TEST(ChartExLayout, HierarchyAndSquarifiedTiles) {
  ChartExData d;
  d.levels = {{u"Apples", u"Pears", u"Leeks", u"Kale", u"Figs"}, {u"Fruit", u"Fruit", u"Veg", u"", u"Fruit"}};
  d.values = {40, 20, 30, -5, 10};
  d.pointCount = 5;
  const std::vector<ExNode> nodes = BuildHierarchy(d);
  // Fruit, Veg, Kale (no parent) and Fruit again: names further apart make a new node.
  ASSERT_EQ(4u, nodes[0].children.size());
  EXPECT_EQ(60, nodes[size_t(nodes[0].children[0])].value);
  EXPECT_EQ(u"Kale", nodes[size_t(nodes[0].children[2])].name);
  EXPECT_EQ(0, nodes[size_t(nodes[0].children[2])].value);
  EXPECT_EQ(3, nodes[size_t(nodes[0].children[3])].branch);
  EXPECT_EQ(100, nodes[0].value);
  const ExNode& fruit = nodes[size_t(nodes[0].children[0])];
  ASSERT_EQ(2u, fruit.children.size());
  EXPECT_EQ(1, nodes[size_t(fruit.children[1])].point);  // leaves keep their data point for `cx:dataPt`
  EXPECT_EQ(-1, fruit.point);

  const std::vector<double> weights = {6, 6, 4, 3, 2, 2, 1, 0, NAN};
  const DrawRect area{10, 20, 600, 400};
  const std::vector<DrawRect> tiles = Squarify(weights, area);
  ASSERT_EQ(weights.size(), tiles.size());
  double covered = 0;
  for (size_t i = 0; i < tiles.size(); ++i) {
    const double share = std::isfinite(weights[i]) ? weights[i] / 24 : 0;
    EXPECT_NEAR(share * 600 * 400, tiles[i].width * tiles[i].height, 1e-6) << i;
    EXPECT_GE(tiles[i].left, 10 - 1e-9);
    EXPECT_LE(tiles[i].left + tiles[i].width, 610 + 1e-9);
    EXPECT_LE(tiles[i].top + tiles[i].height, 420 + 1e-9);
    if (share > 0) {
      EXPECT_LT(std::max(tiles[i].width / tiles[i].height, tiles[i].height / tiles[i].width), 3.0) << i;
    }
    covered += tiles[i].width * tiles[i].height;
  }
  EXPECT_NEAR(600 * 400, covered, 1e-6);
}

std::string Part(const std::string& data, const std::string& series) {
  return "<cx:chartSpace xmlns:cx=\"http://schemas.microsoft.com/office/drawing/2014/chartex\" "
         "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\"><cx:chartData>" + data +
         "</cx:chartData><cx:chart><cx:plotArea><cx:plotAreaRegion>" + series +
         "</cx:plotAreaRegion><cx:axis id=\"1\"><cx:valScaling max=\"50\"/></cx:axis></cx:plotArea></cx:chart>"
         "</cx:chartSpace>";
}

struct ParsedEx {
  Workbook* workbook = nullptr;
  ChartModel model;
  int32_t rc = 0;
  explicit ParsedEx(const std::string& xml) {
    EXPECT_EQ(1, CreateWorkbook(&workbook));
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(xml.c_str()));
    rc = ParseChartEx(doc.document_element(), *workbook, &model);
  }
  ~ParsedEx() { FreeWorkbook(workbook); }
};

TEST(ChartExParser, DataBlocksSeriesAndHostileCounts) {
  ParsedEx p(Part("<cx:data id=\"3\"><cx:strDim type=\"cat\"><cx:lvl ptCount=\"2\"><cx:pt idx=\"1\">B</cx:pt></cx:lvl>"
                  "<cx:lvl ptCount=\"2\"><cx:pt idx=\"0\">P</cx:pt></cx:lvl></cx:strDim><cx:numDim type=\"val\">"
                  "<cx:lvl ptCount=\"3\" formatCode=\"0.0\"><cx:pt idx=\"0\">1.5</cx:pt><cx:pt idx=\"2\">x</cx:pt>"
                  "</cx:lvl></cx:numDim></cx:data>",
                  "<cx:series layoutId=\"waterfall\"><cx:dataId val=\"3\"/><cx:layoutPr><cx:subtotals>"
                  "<cx:idx val=\"1\"/></cx:subtotals><cx:visibility connectorLines=\"0\"/></cx:layoutPr></cx:series>"
                  "<cx:series layoutId=\"clusteredColumn\" hidden=\"1\"><cx:layoutPr><cx:binning intervalClosed=\"l\" "
                  "overflow=\"auto\" underflow=\"7\"><cx:binCount val=\"99999\"/></cx:binning></cx:layoutPr></cx:series>"
                  "<cx:series layoutId=\"paretoLine\" ownerIdx=\"1\"/><cx:series layoutId=\"unknown\"/>"));
  ASSERT_EQ(1, p.rc);
  ASSERT_TRUE(p.model.isChartEx && p.model.ex);
  const ChartEx& ex = *p.model.ex;
  ASSERT_EQ(1u, ex.data.size());
  const ChartExData& d = ex.data[0];
  EXPECT_EQ(3, d.id);
  EXPECT_EQ(3, d.pointCount);
  ASSERT_EQ(2u, d.levels.size());
  EXPECT_EQ(u"B", d.levels[0][1]);
  EXPECT_EQ(u"P", d.levels[1][0]);
  EXPECT_EQ(1.5, d.values[0]);
  EXPECT_TRUE(std::isnan(d.values[2]));
  EXPECT_EQ(u"0.0", d.formatCode);
  ASSERT_EQ(4u, ex.series.size());
  EXPECT_EQ(kExWaterfall, ex.series[0].layout);
  EXPECT_EQ(std::vector<int32_t>{1}, ex.series[0].subtotals);
  EXPECT_FALSE(ex.series[0].connectorLines);
  const ChartExBinning& b = ex.series[1].binning;
  EXPECT_TRUE(ex.series[1].hidden && ex.series[1].binned && b.closedLeft && b.overflowAuto && !b.underflowAuto);
  EXPECT_EQ(kMaxChartExBins, b.count);
  EXPECT_EQ(7, b.underflow);
  EXPECT_EQ(1, ex.series[2].ownerIdx);
  EXPECT_EQ(kExLayoutNone, ex.series[3].layout);
  EXPECT_TRUE(ex.hasValueMax && !ex.hasValueMin);

  // Claimed counts beyond the budget are cut; the part still reads.
  std::string blocks;
  for (int i = 0; i < kMaxChartExData + 3; ++i)
    blocks += "<cx:data id=\"" + std::to_string(i) + "\"><cx:numDim><cx:lvl ptCount=\"2000000\"/></cx:numDim></cx:data>";
  ParsedEx huge(Part(blocks, "<cx:series layoutId=\"funnel\"/>"));
  ASSERT_EQ(1, huge.rc);
  int64_t points = 0;
  for (const ChartExData& e : huge.model.ex->data) points += int64_t(e.values.size());
  EXPECT_EQ(size_t(kMaxChartExData), huge.model.ex->data.size());
  EXPECT_LE(points, int64_t(1) << 20);
}

TEST(ChartExDraw, EveryKindDrawsInsideItsRectangleQuickly) {
  const struct {
    const char* name;
    int32_t kind;
  } layouts[] = {{"waterfall", kExWaterfall}, {"histogram", kExHistogram}, {"funnel", kExFunnel},
                 {"box", kExBoxWhisker},      {"treemap", kExTreemap},     {"sunburst", kExSunburst}};
  for (const auto& layout : layouts) {
    for (int32_t n : {1, 300000}) {
      ChartModel m;
      m.isChartEx = true;
      auto ex = std::make_shared<ChartEx>();
      ex->data.resize(1);
      ChartExData& d = ex->data[0];
      d.pointCount = n;
      d.levels.resize(2);
      for (int32_t i = 0; i < n; ++i) {
        d.values.push_back(i % 7 == 3 ? NAN : std::sin(i) * 1e6);
        d.levels[0].push_back(i % 5 ? u"leaf" : u"");
        d.levels[1].push_back(i % 11 ? u"top" : u"other");
      }
      ex->series.resize(1);
      ChartExSeries& s = ex->series[0];
      s.layout = layout.kind, s.dataId = 0, s.showValues = true;
      m.ex = ex;
      void* object = nullptr;
      ASSERT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
      auto* engine = static_cast<VkDrawingEngine*>(object);
      _BITMAPHANDLE bitmap{};
      ASSERT_EQ(1, VkCreateBitmap(&bitmap, sizeof bitmap, 1, 400, 300, 24, 1, nullptr, 1, nullptr, 0));
      DrawingSurface* surface = nullptr;
      ASSERT_EQ(1, CreateDrawingSurface(engine, &bitmap, &surface));
      ASSERT_EQ(1, InitEngine(surface));
      const auto start = std::chrono::steady_clock::now();
      EXPECT_EQ(1, DrawChart(surface, m, DrawRect{50, 40, 300, 220}, ChartDrawOptions())) << layout.name << n;
      EXPECT_EQ(1, EndEngine(surface));
      EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0) << layout.name << n;
      int inside = 0, outside = 0;
      for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) {
          const bool in = x >= 49 && x <= 351 && y >= 39 && y <= 261;
          (in ? inside : outside) += pixeltest::Ink(bitmap, x, y) > 30;
        }
      EXPECT_EQ(0, outside) << layout.name << n;
      EXPECT_GT(inside, 200) << layout.name << n;
      DestroyDrawingSurface(surface);
      VkFreeBitmap(&bitmap);
      VkDestroyDrawingObject(engine);
    }
  }
}

}  // namespace
