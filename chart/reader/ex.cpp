// The body of a 2016 chart part: its data blocks (`cx:chartData`), its series with their layout
// options, and the scaling of its axes. Every count and index is checked against the caps of
// chart/modelex.h, and the points of all levels together against one budget.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "common/resultcodes.h"
#include "chart/modelex.h"
#include "chart/reader/reader.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Points of all levels of one 2016 chart; a part claiming more is read up to here.
constexpr int64_t kMaxChartExPoints = 1 << 20;

int32_t PointIndex(pugi::xml_node pt, int32_t count) {
  int32_t idx = -1;
  if (!ReadUnsigned(pt.attribute("idx"), &idx) || idx >= count) return -1;
  return idx;
}

// Points a level holds: its `ptCount`, at least one past its largest index, within the budget.
int32_t LevelCount(pugi::xml_node lvl, int64_t* budget) {
  int32_t count = ReadDeclaredCount(lvl.attribute("ptCount"), 0, kMaxChartPoints);
  for (pugi::xml_node pt = Child(lvl, "pt"); pt; pt = NextNamed(pt, "pt")) {
    int32_t idx = -1;
    if (ReadUnsigned(pt.attribute("idx"), &idx) && idx < kMaxChartPoints) count = std::max(count, idx + 1);
  }
  count = int32_t(std::min<int64_t>(count, std::max<int64_t>(*budget, 0)));
  *budget -= count;
  return count;
}

// The `cx:f` of a dimension or a text, cut as the classic references are.
std::u16string FormulaOf(pugi::xml_node parent) { return ToUtf16(ElementText(Child(parent, "f"))).substr(0, 1024); }

void ReadNumDim(pugi::xml_node dim, int64_t* budget, ChartExData* d) {
  if (d->valueFormula.empty()) d->valueFormula = FormulaOf(dim);
  pugi::xml_node lvl = Child(dim, "lvl");  // numbers keep one level
  if (!lvl || !d->values.empty()) return;
  const int32_t n = LevelCount(lvl, budget);
  d->values.assign(size_t(n), kNaN);
  for (pugi::xml_node pt = Child(lvl, "pt"); pt; pt = NextNamed(pt, "pt")) {
    const int32_t idx = PointIndex(pt, n);
    if (idx < 0) continue;
    const char* text = ElementText(pt);
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end != text) d->values[size_t(idx)] = v;
  }
  const char* code = lvl.attribute("formatCode").value();
  if (*code) d->formatCode = ToUtf16(code).substr(0, 255);
  d->pointCount = std::max(d->pointCount, n);
}

void ReadStrDim(pugi::xml_node dim, int64_t* budget, ChartExData* d) {
  if (d->categoryFormula.empty()) d->categoryFormula = FormulaOf(dim);
  if (!d->levels.empty()) return;
  for (pugi::xml_node lvl = Child(dim, "lvl"); lvl; lvl = NextNamed(lvl, "lvl")) {
    if (int32_t(d->levels.size()) >= kMaxChartExLevels) break;
    const int32_t n = LevelCount(lvl, budget);
    d->levels.emplace_back(size_t(n));
    for (pugi::xml_node pt = Child(lvl, "pt"); pt; pt = NextNamed(pt, "pt")) {
      const int32_t idx = PointIndex(pt, n);
      if (idx >= 0) d->levels.back()[size_t(idx)] = ToUtf16(ElementText(pt)).substr(0, 255);
    }
    d->pointCount = std::max(d->pointCount, n);
  }
}

void ReadData(pugi::xml_node chartData, ChartEx* ex) {
  int64_t budget = kMaxChartExPoints;
  for (pugi::xml_node n = Child(chartData, "data"); n; n = NextNamed(n, "data")) {
    if (int32_t(ex->data.size()) >= kMaxChartExData) break;
    ChartExData d;
    if (!ReadUnsigned(n.attribute("id"), &d.id)) continue;
    for (pugi::xml_node dim = n.first_child(); dim; dim = dim.next_sibling()) {
      const bool size = strcmp(dim.attribute("type").value(), "size") == 0;
      const bool val = strcmp(dim.attribute("type").value(), "val") == 0 || !dim.attribute("type");
      if (IsElement(dim, "numDim") && (size || val)) ReadNumDim(dim, &budget, &d);
      else if (IsElement(dim, "strDim")) ReadStrDim(dim, &budget, &d);
    }
    ex->data.push_back(std::move(d));
  }
}

int32_t LayoutOf(const char* id) {
  static const struct {
    const char* name;
    int32_t layout;
  } kLayouts[] = {{"waterfall", kExWaterfall},   {"clusteredColumn", kExHistogram}, {"paretoLine", kExParetoLine},
                  {"funnel", kExFunnel},         {"boxWhisker", kExBoxWhisker},     {"treemap", kExTreemap},
                  {"sunburst", kExSunburst},     {"regionMap", kExRegionMap}};
  for (const auto& l : kLayouts)
    if (strcmp(id, l.name) == 0) return l.layout;
  return kExLayoutNone;
}

// `underflow` / `overflow`: "auto", or the value past which points fall into the end bin.
void ReadFlow(pugi::xml_attribute a, bool* has, bool* isAuto, double* value) {
  if (!a) return;
  *has = true;
  *isAuto = strcmp(a.value(), "auto") == 0 || !ReadDouble(a, value);
}

void ReadBinning(pugi::xml_node b, ChartExBinning* out) {
  out->closedLeft = strcmp(b.attribute("intervalClosed").value(), "l") == 0;
  ReadFlow(b.attribute("underflow"), &out->hasUnderflow, &out->underflowAuto, &out->underflow);
  ReadFlow(b.attribute("overflow"), &out->hasOverflow, &out->overflowAuto, &out->overflow);
  double size = 0;
  int32_t count = 0;
  if (ReadDouble(Child(b, "binSize").attribute("val"), &size) && size > 0) {
    out->mode = kBinBySize, out->size = size;
  } else if (ReadInt(Child(b, "binCount").attribute("val"), &count) && count > 0) {
    out->mode = kBinByCount, out->count = std::min(count, kMaxChartExBins);
  }
}

bool AttrBool(pugi::xml_node n, const char* name, bool fallback) {
  pugi::xml_attribute a = n.attribute(name);
  return a ? ReadBool(a) : fallback;
}

void ReadLayoutProps(pugi::xml_node pr, ChartExSeries* s) {
  for (pugi::xml_node i = Child(Child(pr, "subtotals"), "idx"); i; i = NextNamed(i, "idx")) {
    int32_t idx = -1;
    if (int32_t(s->subtotals.size()) >= kMaxChartExSubtotals) break;
    if (ReadUnsigned(i.attribute("val"), &idx)) s->subtotals.push_back(idx);
  }
  pugi::xml_node vis = Child(pr, "visibility");
  s->connectorLines = AttrBool(vis, "connectorLines", s->connectorLines);
  s->meanLine = AttrBool(vis, "meanLine", s->meanLine);
  s->meanMarker = AttrBool(vis, "meanMarker", s->meanMarker);
  s->nonOutliers = AttrBool(vis, "nonoutliers", s->nonOutliers);
  s->outliers = AttrBool(vis, "outliers", s->outliers);
  s->inclusiveQuartiles = strcmp(Child(pr, "statistics").attribute("quartileMethod").value(), "inclusive") == 0;
  pugi::xml_node binning = Child(pr, "binning");
  if (binning) s->binned = true, ReadBinning(binning, &s->binning);
}

void ReadSeries(const Workbook& workbook, pugi::xml_node n, ChartExSeries* s) {
  s->layout = LayoutOf(n.attribute("layoutId").value());
  s->hidden = AttrBool(n, "hidden", false);
  int32_t owner = -1;
  if (ReadUnsigned(n.attribute("ownerIdx"), &owner)) s->ownerIdx = std::min(owner, kMaxChartExSeries);
  pugi::xml_node txData = Child(Child(n, "tx"), "txData");
  s->name = ToUtf16(ElementText(Child(txData, "v"))).substr(0, kMaxChartTextUnits);
  s->nameFormula = FormulaOf(txData);
  ReadChartShapeProps(workbook, Child(n, "spPr"), &s->shape);
  for (pugi::xml_node p = Child(n, "dataPt"); p; p = NextNamed(p, "dataPt")) {
    if (int32_t(s->points.size()) >= kMaxChartDataPoints) break;
    ChartDataPoint point;
    if (!ReadUnsigned(p.attribute("idx"), &point.idx)) continue;
    ReadChartShapeProps(workbook, Child(p, "spPr"), &point.shape);
    s->points.push_back(std::move(point));
  }
  pugi::xml_node labels = Child(n, "dataLabels");
  if (labels) {
    pugi::xml_node vis = Child(labels, "visibility");
    s->showValues = AttrBool(vis, "value", true);
    s->showCategories = AttrBool(vis, "categoryName", false);
  }
  int32_t id = -1;
  if (ReadUnsigned(Child(n, "dataId").attribute("val"), &id)) s->dataId = id;
  ReadLayoutProps(Child(n, "layoutPr"), s);
}

void ReadAxes(pugi::xml_node plotArea, ChartEx* ex) {
  bool valueSeen = false;
  for (pugi::xml_node a = Child(plotArea, "axis"); a; a = NextNamed(a, "axis")) {
    const bool hidden = AttrBool(a, "hidden", false);
    pugi::xml_node cat = Child(a, "catScaling");
    pugi::xml_node val = Child(a, "valScaling");
    if (cat) {
      double gap = 0;
      if (ReadDouble(cat.attribute("gapWidth"), &gap) && gap >= 0) ex->gapWidth = std::min(gap, 5.0);
      ex->categoryLabels = !hidden && Child(a, "tickLabels");
    } else if (val && !valueSeen) {
      // The first value axis is the primary one; a pareto's percentage axis follows it.
      valueSeen = true;
      ex->hasValueMin = ReadDouble(val.attribute("min"), &ex->valueMin);
      ex->hasValueMax = ReadDouble(val.attribute("max"), &ex->valueMax);
      ex->valueGridlines = bool(Child(a, "majorGridlines"));
      ex->valueLabels = !hidden && Child(a, "tickLabels");
    }
  }
}

}  // namespace

int32_t ReadChartExBody(pugi::xml_node chartSpace, const Workbook& workbook, ChartModel* model) {
  if (!model) return XLX_ERR_ARGUMENT;
  std::shared_ptr<ChartEx> ex(new (std::nothrow) ChartEx());
  if (!ex) return XLX_ERR_MEMORY;
  ReadData(Child(chartSpace, "chartData"), ex.get());
  pugi::xml_node plotArea = Child(Child(chartSpace, "chart"), "plotArea");
  pugi::xml_node region = Child(plotArea, "plotAreaRegion");
  for (pugi::xml_node n = Child(region, "series"); n; n = NextNamed(n, "series")) {
    if (int32_t(ex->series.size()) >= kMaxChartExSeries) break;
    ex->series.emplace_back();
    ReadSeries(workbook, n, &ex->series.back());
  }
  ReadAxes(plotArea, ex.get());
  pugi::xml_node legend = Child(Child(chartSpace, "chart"), "legend");
  if (legend) {
    model->legend.present = true;
    const char* pos = legend.attribute("pos").value();
    model->legend.position = strcmp(pos, "b") == 0   ? kLegendBottom
                             : strcmp(pos, "l") == 0 ? kLegendLeft
                             : strcmp(pos, "r") == 0 ? kLegendRight
                                                     : kLegendTop;
    model->legend.overlay = AttrBool(legend, "overlay", false);
    ReadChartTextProps(workbook, Child(legend, "txPr"), &model->legend.textProps);
  }
  ReadChartShapeProps(workbook, Child(plotArea, "spPr"), &model->plotShape);
  ReadChartShapeProps(workbook, Child(chartSpace, "spPr"), &model->chartShape);
  ReadChartTextProps(workbook, Child(chartSpace, "txPr"), &model->chartText);
  model->ex = std::move(ex);
  return XLX_OK;
}

}  // namespace xlx
