// Series of a chart-type element: names, data references with their caches or literals,
// formatting, markers, data points, data labels, trendlines and error bars.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "chart/reader/reader.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The point index of a `c:pt`; -1 when absent, negative or past the cap.
int32_t PointIndex(pugi::xml_node pt) {
  int32_t idx = -1;
  if (!ReadUnsigned(pt.attribute("idx"), &idx) || idx >= kMaxChartPoints) return -1;
  return idx;
}

// Points a cache or literal holds: its `c:ptCount`, at least one past the largest index, capped
// by what the chart may still hold.
int32_t PointCount(pugi::xml_node cache, int64_t budget) {
  int32_t count = ChildInt(cache, "ptCount", 0, 0, kMaxChartPoints);
  for (pugi::xml_node pt = Child(cache, "pt"); pt; pt = NextNamed(pt, "pt")) count = std::max(count, PointIndex(pt) + 1);
  return int32_t(std::min<int64_t>(count, std::max<int64_t>(budget, 0)));
}

void ReadNumbers(pugi::xml_node cache, ChartData* d) {
  d->values.assign(size_t(d->pointCount), kNaN);
  d->min = std::numeric_limits<double>::infinity();
  d->max = -d->min;
  for (pugi::xml_node pt = Child(cache, "pt"); pt; pt = NextNamed(pt, "pt")) {
    const int32_t idx = PointIndex(pt);
    if (idx < 0 || idx >= d->pointCount) continue;
    char* end = nullptr;
    const char* text = ElementText(Child(pt, "v"));
    const double v = std::strtod(text, &end);
    if (end == text) continue;
    d->values[size_t(idx)] = v;
    if (std::isfinite(v)) d->min = std::min(d->min, v), d->max = std::max(d->max, v);
  }
  const char* code = ElementText(Child(cache, "formatCode"));
  if (*code) d->formatCode = ToUtf16(code).substr(0, 255);
}

void ReadTexts(pugi::xml_node cache, ChartData* d) {
  d->texts.assign(size_t(d->pointCount), std::u16string());
  for (pugi::xml_node pt = Child(cache, "pt"); pt; pt = NextNamed(pt, "pt")) {
    const int32_t idx = PointIndex(pt);
    if (idx < 0 || idx >= d->pointCount) continue;
    d->texts[size_t(idx)] = ToUtf16(ElementText(Child(pt, "v"))).substr(0, 255);
  }
}

// One data reference into `d`, its points taken from `*budget`.
void ReadChartData(pugi::xml_node ref, ChartData* d, int64_t* budget) {
  if (!ref) return;
  struct Source {
    const char* element;
    const char* cache;  // null: the element is the literal itself
    int32_t kind;
    bool numeric;
  };
  static const Source kSources[] = {{"numRef", "numCache", kDataNumRef, true}, {"numLit", nullptr, kDataNumLit, true},
                                    {"strRef", "strCache", kDataStrRef, false}, {"strLit", nullptr, kDataStrLit, false},
                                    {"multiLvlStrRef", "multiLvlStrCache", kDataMultiLvl, false}};
  for (const Source& s : kSources) {
    pugi::xml_node node = Child(ref, s.element);
    if (!node) continue;
    d->source = s.kind;
    d->formula = ToUtf16(ElementText(Child(node, "f"))).substr(0, 1024);
    pugi::xml_node cache = s.cache ? Child(node, s.cache) : node;
    if (s.kind == kDataMultiLvl) {
      d->levelCount = CountChildren(cache, "lvl");
      cache = Child(cache, "lvl");  // the innermost level labels each point
    } else {
      d->levelCount = 1;
    }
    d->pointCount = PointCount(cache, *budget);
    *budget -= d->pointCount;
    if (s.numeric) ReadNumbers(cache, d);
    else ReadTexts(cache, d);
    return;
  }
}

int32_t MarkerSymbol(const char* name, int32_t current) {
  static const char* const kNames[] = {"none", "square", "diamond", "triangle", "x",      "star",
                                       "dot",  "dash",   "circle",  "plus",     "picture", "auto"};
  for (int32_t i = 0; i < 12; ++i)
    if (strcmp(name, kNames[i]) == 0) return i;
  return current;
}

void ReadMarker(const Workbook& workbook, pugi::xml_node node, ChartMarker* m) {
  if (!node) return;
  m->present = true;
  m->symbol = MarkerSymbol(ChildVal(node, "symbol"), m->symbol);
  m->sizePt = ChildInt(node, "size", int32_t(m->sizePt), 2, 72);
  ReadChartShapeProps(workbook, Child(node, "spPr"), &m->shape);
}

int32_t LabelPosition(const char* v) {
  static const char* const kNames[] = {"", "ctr", "inEnd", "inBase", "outEnd", "l", "r", "t", "b", "bestFit"};
  for (int32_t i = 1; i < 10; ++i)
    if (strcmp(v, kNames[i]) == 0) return i;
  return kLabelPosDefault;
}

void ReadDataPoints(const Workbook& workbook, pugi::xml_node ser, ChartSeries* s) {
  for (pugi::xml_node dPt = Child(ser, "dPt"); dPt; dPt = NextNamed(dPt, "dPt")) {
    if (int32_t(s->points.size()) >= kMaxChartDataPoints) break;
    ChartDataPoint p;
    p.idx = ChildInt(dPt, "idx", -1, -1, kMaxChartPoints);
    if (p.idx < 0) continue;
    p.invertIfNegative = ChildBool(dPt, "invertIfNegative", s->invertIfNegative);
    p.bubble3D = ChildBool(dPt, "bubble3D", false);
    p.explosion = ChildInt(dPt, "explosion", s->explosion, 0, 400);
    p.marker = s->marker;
    ReadMarker(workbook, Child(dPt, "marker"), &p.marker);
    p.shape = s->shape;
    ReadChartShapeProps(workbook, Child(dPt, "spPr"), &p.shape);
    s->points.push_back(std::move(p));
  }
}

void ReadTrendlines(const Workbook& workbook, pugi::xml_node ser, ChartSeries* s) {
  for (pugi::xml_node t = Child(ser, "trendline"); t && s->trendlines.size() < 8; t = NextNamed(t, "trendline")) {
    ChartTrendline line;
    static const char* const kKinds[] = {"linear", "exp", "log", "poly", "power", "movingAvg"};
    const char* kind = ChildVal(t, "trendlineType");
    for (int32_t i = 0; i < 6; ++i)
      if (strcmp(kind, kKinds[i]) == 0) line.kind = i;
    line.order = ChildInt(t, "order", 2, 2, 6);
    line.period = ChildInt(t, "period", 2, 2, 255);
    line.forward = ChildDouble(t, "forward", 0);
    line.backward = ChildDouble(t, "backward", 0);
    ReadChartShapeProps(workbook, Child(t, "spPr"), &line.shape);
    s->trendlines.push_back(std::move(line));
  }
}

void ReadErrorBars(const Workbook& workbook, pugi::xml_node ser, ChartSeries* s) {
  for (pugi::xml_node e = Child(ser, "errBars"); e && s->errorBars.size() < 4; e = NextNamed(e, "errBars")) {
    ChartErrorBars bars;
    bars.yDirection = strcmp(ChildVal(e, "errDir"), "x") != 0;
    const char* type = ChildVal(e, "errBarType");
    bars.barType = strcmp(type, "plus") == 0 ? kErrPlus : strcmp(type, "minus") == 0 ? kErrMinus : kErrBoth;
    static const char* const kVals[] = {"fixedVal", "percentage", "stdDev", "stdErr", "cust"};
    const char* val = ChildVal(e, "errValType");
    for (int32_t i = 0; i < 5; ++i)
      if (strcmp(val, kVals[i]) == 0) bars.valType = i;
    bars.value = ChildDouble(e, "val", 1);
    bars.noEndCap = ChildBool(e, "noEndCap", false);
    ReadChartShapeProps(workbook, Child(e, "spPr"), &bars.shape);
    s->errorBars.push_back(std::move(bars));
  }
}

void ReadSeries(const Workbook& workbook, pugi::xml_node ser, ChartSeries* s, int64_t* budget) {
  s->idx = ChildInt(ser, "idx", 0, 0, INT32_MAX);
  s->order = ChildInt(ser, "order", s->idx, 0, INT32_MAX - 1);
  pugi::xml_node tx = Child(ser, "tx");
  s->name = ReadChartText(tx);
  s->nameIsDefault = !tx;
  s->nameFormula = ToUtf16(ElementText(Child(Child(tx, "strRef"), "f"))).substr(0, 1024);
  if (s->nameIsDefault) {
    char buffer[24];
    snprintf(buffer, sizeof buffer, "Series%d", int(std::min(s->order, 99999998) + 1));
    s->name = ToUtf16(buffer);
  }
  ReadChartShapeProps(workbook, Child(ser, "spPr"), &s->shape);
  ReadMarker(workbook, Child(ser, "marker"), &s->marker);
  s->smooth = ChildBool(ser, "smooth", false);
  s->invertIfNegative = ChildBool(ser, "invertIfNegative", false);
  s->bubble3D = ChildBool(ser, "bubble3D", false);
  s->explosion = ChildInt(ser, "explosion", 0, 0, 400);
  ReadDataPoints(workbook, ser, s);
  ReadChartDataLabels(workbook, Child(ser, "dLbls"), &s->labels);
  const bool xy = Child(ser, "yVal");
  ReadChartData(Child(ser, xy ? "xVal" : "cat"), &s->categories, budget);
  ReadChartData(Child(ser, xy ? "yVal" : "val"), &s->values, budget);
  ReadChartData(Child(ser, "bubbleSize"), &s->bubbleSizes, budget);
  ReadTrendlines(workbook, ser, s);
  ReadErrorBars(workbook, ser, s);
}

}  // namespace

void ReadChartDataLabels(const Workbook& workbook, pugi::xml_node d, ChartDataLabels* l) {
  if (!d) return;
  l->present = true;
  l->deleted = ChildBool(d, "delete", false);
  // A flag not written is off: the application writes every flag it means.
  l->showVal = ChildBool(d, "showVal", false);
  l->showCatName = ChildBool(d, "showCatName", false);
  l->showSerName = ChildBool(d, "showSerName", false);
  l->showPercent = ChildBool(d, "showPercent", false);
  l->showLegendKey = ChildBool(d, "showLegendKey", false);
  l->showBubbleSize = ChildBool(d, "showBubbleSize", false);
  l->showLeaderLines = ChildBool(d, "showLeaderLines", false);
  l->position = LabelPosition(ChildVal(d, "dLblPos"));
  pugi::xml_node numFmt = Child(d, "numFmt");
  if (numFmt) {
    l->formatCode = ToUtf16(numFmt.attribute("formatCode").value()).substr(0, 255);
    l->sourceLinked = ReadBool(numFmt.attribute("sourceLinked"));
  }
  pugi::xml_node sep = Child(d, "separator");
  if (sep) l->separator = ToUtf16(ElementText(sep)).substr(0, 16);
  ReadChartTextProps(workbook, Child(d, "txPr"), &l->textProps);
  ReadChartShapeProps(workbook, Child(d, "spPr"), &l->shape);
}

int32_t ReadChartSeriesList(const Workbook& workbook, pugi::xml_node plotNode, int32_t plotIndex, ChartModel* model) {
  int64_t budget = kMaxChartTotalPoints;
  for (const ChartSeries& s : model->series)
    budget -= int64_t(s.categories.pointCount) + s.values.pointCount + s.bubbleSizes.pointCount;
  for (pugi::xml_node ser = Child(plotNode, "ser"); ser; ser = NextNamed(ser, "ser")) {
    if (int32_t(model->series.size()) >= kMaxChartSeries) break;
    ChartSeries s;
    s.plot = plotIndex;
    ReadSeries(workbook, ser, &s, &budget);
    model->series.push_back(std::move(s));
  }
  return XLX_OK;
}

}  // namespace xlx
