// The chart space of a chart part: chart-level switches, title, legend, plot area with its
// chart-type elements and axes, and the loading of the chart parts a drawing refers to.
#include "chart/reader/reader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "common/resultcodes.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

// Chart-type elements in the order the plot area is searched; position + 1 is the ChartKind.
const char* const kChartElements[kChartKindCount] = {
    "areaChart", "barChart",  "lineChart",   "radarChart",   "scatterChart",  "pieChart",      "bar3DChart",
    "line3DChart", "ofPieChart", "pie3DChart", "area3DChart", "bubbleChart", "doughnutChart", "stockChart",
    "surface3DChart", "surfaceChart"};

// Series colours when the workbook has no theme (0xAABBGGRR).
const CellColor kPaletteOld[6] = {0xFFA77245, 0xFF4346AA, 0xFF4EA589, 0xFF8F5871, 0xFFAF9841, 0xFF3D84DB};

int32_t KindOfElement(pugi::xml_node n) {
  for (int32_t i = 0; i < kChartKindCount; ++i)
    if (IsElement(n, kChartElements[i])) return i + 1;
  return kChartNone;
}

void ReadPlotOptions(const Workbook& workbook, pugi::xml_node node, ChartPlot* p) {
  const char* grouping = ChildVal(node, "grouping");
  p->grouping = strcmp(grouping, "clustered") == 0       ? kGroupClustered
                : strcmp(grouping, "percentStacked") == 0 ? kGroupPercentStacked
                : strcmp(grouping, "stacked") == 0        ? kGroupStacked
                                                          : kGroupStandard;
  // Without `c:varyColors` the application colours the points of bar and pie charts one by one;
  // it matters only where a plot has one series.
  const bool pointColours = IsElement(node, "barChart") || IsElement(node, "bar3DChart") || IsElement(node, "pieChart") ||
                            IsElement(node, "pie3DChart") || IsElement(node, "doughnutChart") || IsElement(node, "ofPieChart");
  p->varyColors = Child(node, "varyColors") ? ChildBool(node, "varyColors", true) : pointColours;
  p->horizontal = strcmp(ChildVal(node, "barDir"), "bar") == 0;
  p->gapWidth = ChildInt(node, "gapWidth", 150, 0, 500);
  p->overlap = ChildInt(node, "overlap", 0, -100, 100);
  p->firstSliceAngle = ChildInt(node, "firstSliceAng", 0, 0, 360);
  p->holeSize = ChildInt(node, "holeSize", 50, 1, 90);
  static const char* const kScatter[] = {"none", "line", "lineMarker", "marker", "smooth", "smoothMarker"};
  const char* scatter = ChildVal(node, "scatterStyle");
  for (int32_t i = 0; i < 6; ++i)
    if (strcmp(scatter, kScatter[i]) == 0) p->scatterStyle = i;
  const char* radar = ChildVal(node, "radarStyle");
  p->radarStyle = strcmp(radar, "filled") == 0 ? 0 : strcmp(radar, "marker") == 0 ? 1 : 2;
  p->marker = ChildBool(node, "marker", true);
  p->bubbleScale = ChildInt(node, "bubbleScale", 100, 0, 300);
  p->sizeByWidth = strcmp(ChildVal(node, "sizeRepresents"), "w") == 0;
  p->barOfPie = strcmp(ChildVal(node, "ofPieType"), "bar") == 0;
  p->secondSize = ChildInt(node, "secondPieSize", 75, 5, 200);
  p->splitPos = ChildInt(node, "splitPos", -1, -1, 1000000);
  p->hiLowLines = Child(node, "hiLowLines");
  p->dropLines = Child(node, "dropLines");
  p->seriesLines = Child(node, "serLines");
  p->gapDepth = ChildInt(node, "gapDepth", 150, 0, 500);
  static const char* const kShapes[] = {"box", "cylinder", "cone", "coneToMax", "pyramid", "pyramidToMax"};
  const char* shape = ChildVal(node, "shape");
  for (int32_t i = 0; i < 6; ++i)
    if (strcmp(shape, kShapes[i]) == 0) p->barShape = i;
  ReadChartShapeProps(workbook, Child(Child(node, "serLines"), "spPr"), &p->seriesLinesShape);
  pugi::xml_node upDown = Child(node, "upDownBars");
  p->upDownBars = upDown;
  if (upDown) {
    p->gapWidth = ChildInt(upDown, "gapWidth", 150, 0, 500);
    ReadChartShapeProps(workbook, Child(Child(upDown, "upBars"), "spPr"), &p->upBars);
    ReadChartShapeProps(workbook, Child(Child(upDown, "downBars"), "spPr"), &p->downBars);
  }
  ReadChartDataLabels(workbook, Child(node, "dLbls"), &p->labels);
  for (pugi::xml_node id = Child(node, "axId"); id && p->axisCount < 3; id = NextNamed(id, "axId")) {
    int32_t v = 0;
    if (ReadUnsigned(id.attribute("val"), &v) || ReadInt(id.attribute("val"), &v)) p->axIds[p->axisCount++] = uint32_t(v);
  }
}

double DisplayUnit(const char* name) {
  static const struct {
    const char* name;
    double unit;
  } kUnits[] = {{"hundreds", 1e2},  {"thousands", 1e3},    {"tenThousands", 1e4}, {"hundredThousands", 1e5},
                {"millions", 1e6},  {"tenMillions", 1e7},  {"hundredMillions", 1e8}, {"billions", 1e9},
                {"trillions", 1e12}};
  for (const auto& u : kUnits)
    if (strcmp(name, u.name) == 0) return u.unit;
  return 1;
}

void ReadAxis(const Workbook& workbook, pugi::xml_node node, int32_t type, ChartAxis* a) {
  a->type = type;
  int32_t v = 0;
  if (ReadUnsigned(Child(node, "axId").attribute("val"), &v)) a->axId = uint32_t(v);
  if (ReadUnsigned(Child(node, "crossAx").attribute("val"), &v)) a->crossAx = uint32_t(v);
  const char* pos = ChildVal(node, "axPos");
  a->position = strcmp(pos, "l") == 0 ? kAxisPosLeft : strcmp(pos, "r") == 0 ? kAxisPosRight
              : strcmp(pos, "t") == 0 ? kAxisPosTop : kAxisPosBottom;
  a->deleted = ChildBool(node, "delete", false);
  const char* crosses = ChildVal(node, "crosses");
  a->crosses = strcmp(crosses, "max") == 0 ? 1 : strcmp(crosses, "min") == 0 ? 2 : 0;
  a->crossesAt = ChildDouble(node, "crossesAt", 0, &a->hasCrossesAt);
  pugi::xml_node between = Child(node, "crossBetween");
  a->hasCrossBetween = between;
  a->crossBetween = strcmp(between.attribute("val").value(), "midCat") != 0;
  pugi::xml_node scaling = Child(node, "scaling");
  a->reversed = strcmp(ChildVal(scaling, "orientation"), "maxMin") == 0;
  a->min = ChildDouble(scaling, "min", 0, &a->hasMin);
  a->max = ChildDouble(scaling, "max", 0, &a->hasMax);
  a->logBase = ChildDouble(scaling, "logBase", 10, &a->hasLogBase);
  if (a->hasLogBase && !(a->logBase >= 2 && a->logBase <= 1000)) a->logBase = 10;
  a->majorUnit = ChildDouble(node, "majorUnit", 0, &a->hasMajorUnit);
  a->hasMajorUnit = a->hasMajorUnit && a->majorUnit > 0;
  a->minorUnit = ChildDouble(node, "minorUnit", 0, &a->hasMinorUnit);
  a->hasMinorUnit = a->hasMinorUnit && a->minorUnit > 0;
  static const char* const kTicks[] = {"none", "in", "out", "cross"};
  for (int32_t i = 0; i < 4; ++i) {
    if (strcmp(ChildVal(node, "majorTickMark"), kTicks[i]) == 0) a->majorTickMark = i;
    if (strcmp(ChildVal(node, "minorTickMark"), kTicks[i]) == 0) a->minorTickMark = i;
  }
  static const char* const kLabelPos[] = {"none", "low", "high", "nextTo"};
  for (int32_t i = 0; i < 4; ++i)
    if (strcmp(ChildVal(node, "tickLblPos"), kLabelPos[i]) == 0) a->tickLabelPos = i;
  // An axis that says neither whether it is deleted nor where its labels go keeps its title and
  // gridlines but shows no labels, line or tick marks.
  a->bare = !Child(node, "delete") && !Child(node, "tickLblPos");
  if (a->bare) a->tickLabelPos = kTickLblNone, a->majorTickMark = a->minorTickMark = kTickNone;
  pugi::xml_node numFmt = Child(node, "numFmt");
  a->formatCode = numFmt ? ToUtf16(numFmt.attribute("formatCode").value()).substr(0, 255) : u"General";
  if (a->formatCode.empty()) a->formatCode = u"General";
  a->sourceLinked = ReadBool(numFmt.attribute("sourceLinked"));
  a->displayUnit = DisplayUnit(ChildVal(Child(node, "dispUnits"), "builtInUnit"));
  double custom = ChildDouble(Child(node, "dispUnits"), "custUnit", 0);
  if (custom > 0) a->displayUnit = custom;
  ReadDisplayUnitsLabel(workbook, Child(node, "dispUnits"), a);
  pugi::xml_node major = Child(node, "majorGridlines"), minor = Child(node, "minorGridlines");
  a->majorGridlines = major;
  a->minorGridlines = minor;
  ReadChartShapeProps(workbook, Child(major, "spPr"), &a->majorGridShape);
  ReadChartShapeProps(workbook, Child(minor, "spPr"), &a->minorGridShape);
  ReadChartShapeProps(workbook, Child(node, "spPr"), &a->line);
  if (a->bare && a->line.lineKind == kChartFillAuto) a->line.lineKind = kChartFillNone;
  ReadChartTitle(workbook, Child(node, "title"), &a->title);
  ReadChartTextProps(workbook, Child(node, "txPr"), &a->textProps);
  a->tickLabelSkip = ChildInt(node, "tickLblSkip", 0, 0, 1000000);
  a->tickMarkSkip = ChildInt(node, "tickMarkSkip", 0, 0, 1000000);
  a->lblOffset = ChildInt(node, "lblOffset", 100, 0, 1000);
  a->autoType = ChildBool(node, "auto", false);
  const char* base = ChildVal(node, "baseTimeUnit");
  a->baseTimeUnit = strcmp(base, "days") == 0 ? 0 : strcmp(base, "months") == 0 ? 1 : strcmp(base, "years") == 0 ? 2 : -1;
  const char* majorTime = ChildVal(node, "majorTimeUnit");
  a->majorTimeUnit = strcmp(majorTime, "days") == 0 ? 0 : strcmp(majorTime, "months") == 0 ? 1
                   : strcmp(majorTime, "years") == 0 ? 2 : -1;
}

void ReadLegend(const Workbook& workbook, pugi::xml_node node, ChartLegend* l) {
  if (!node) return;
  l->present = true;
  const char* pos = ChildVal(node, "legendPos");
  static const char* const kPos[] = {"b", "tr", "t", "r", "l"};
  for (int32_t i = 0; i < 5; ++i)
    if (strcmp(pos, kPos[i]) == 0) l->position = i;
  l->overlay = ChildBool(node, "overlay", false);
  ReadChartShapeProps(workbook, Child(node, "spPr"), &l->shape);
  ReadChartTextProps(workbook, Child(node, "txPr"), &l->textProps);
  ReadManualLayout(Child(node, "layout"), &l->layout);
  for (pugi::xml_node e = Child(node, "legendEntry"); e && l->entries.size() < size_t(kMaxChartSeries);
       e = NextNamed(e, "legendEntry")) {
    ChartLegendEntry entry;
    entry.idx = ChildInt(e, "idx", 0, 0, INT32_MAX);
    entry.deleted = ChildBool(e, "delete", false);
    l->entries.push_back(entry);
  }
}

// Theme accents, dark 1 and the body font, which automatic colours and texts start from.
void ReadThemeDefaults(const Workbook& workbook, ChartModel* m) {
  pugi::xml_node dk2 = Child(Child(workbook.clrScheme, "dk2"), "srgbClr");
  m->newThemePalette = dk2 && strcmp(dk2.attribute("val").value(), "44546A") == 0;
  for (int32_t i = 0; i < 6; ++i) m->accents[i] = workbook.clrScheme ? workbook.themeColors[4 + i] : kPaletteOld[i];
  m->textColor = workbook.clrScheme ? workbook.themeColors[1] : 0xFF000000;
  if (workbook.clrScheme) m->textColor = ThemeColorByIndex(workbook, 1);
  char16_t major[32] = {}, minor[32] = {};
  GetThemeFonts(workbook, major, minor);
  m->minorFont = minor[0] ? minor : u"Calibri";
}

int32_t ReadPlotArea(const Workbook& workbook, pugi::xml_node plotArea, ChartModel* m) {
  ReadManualLayout(Child(plotArea, "layout"), &m->plotLayout);
  ReadChartShapeProps(workbook, Child(plotArea, "spPr"), &m->plotShape);
  int32_t firstKind = kChartKindCount + 1;
  for (pugi::xml_node n = plotArea.first_child(); n; n = n.next_sibling()) {
    static const struct {
      const char* name;
      int32_t type;
    } kAxes[] = {{"catAx", kAxisCategory}, {"dateAx", kAxisDate}, {"serAx", kAxisSeries}, {"valAx", kAxisValue}};
    for (const auto& axis : kAxes) {
      if (!IsElement(n, axis.name) || int32_t(m->axes.size()) >= kMaxChartAxes) continue;
      m->axes.emplace_back();
      ReadAxis(workbook, n, axis.type, &m->axes.back());
    }
    const int32_t kind = KindOfElement(n);
    if (kind == kChartNone || int32_t(m->plots.size()) >= kMaxChartPlots) continue;
    ChartPlot plot;
    plot.kind = kind;
    ReadPlotOptions(workbook, n, &plot);
    m->plots.push_back(plot);
    firstKind = std::min(firstKind, kind);
    int32_t rc = ReadChartSeriesList(workbook, n, int32_t(m->plots.size()) - 1, m);
    if (rc != XLX_OK) return rc;
  }
  if (m->plots.empty()) return XLX_ERR_FORMAT;
  m->chartKind = firstKind;
  return XLX_OK;
}

// Series of line, scatter and radar plots whose marker is automatic take the next symbol of the
// application's cycle by their index; their points with automatic markers follow them.
void AssignAutomaticMarkers(ChartModel* m) {
  static const int32_t kCycle[] = {kMarkerDiamond, kMarkerSquare, kMarkerTriangle,
                                   kMarkerX,       kMarkerStar,   kMarkerCircle,  kMarkerPlus};
  for (ChartSeries& s : m->series) {
    const int32_t kind = s.plot >= 0 && s.plot < int32_t(m->plots.size()) ? m->plots[size_t(s.plot)].kind : kChartNone;
    if (kind != kChartLine && kind != kChartLine3D && kind != kChartScatter && kind != kChartRadar) continue;
    const int32_t symbol = kCycle[size_t(s.idx) % (sizeof kCycle / sizeof kCycle[0])];
    if (s.marker.symbol == kMarkerAuto) s.marker.symbol = symbol;
    for (ChartDataPoint& p : s.points)
      if (p.marker.symbol == kMarkerAuto) p.marker.symbol = s.marker.symbol;
  }
}

// The title a chart shows when its `c:title` carries no text.
void AutomaticTitle(ChartModel* m) {
  if (!m->title.present || !m->title.text.empty()) return;
  if (m->series.size() == 1 && !m->series[0].nameIsDefault) m->title.text = m->series[0].name;
  else m->title.text = u"Chart Title";
}

int32_t ParseChartInner(pugi::xml_node space, const Workbook& workbook, ChartModel* m) {
  ReadThemeDefaults(workbook, m);
  m->date1904 = ChildBool(space, "date1904", false);
  m->roundedCorners = ChildBool(space, "roundedCorners", true);  // absent: rounded
  m->style = ChildInt(space, "style", 2, 1, 48);
  ReadChartShapeProps(workbook, Child(space, "spPr"), &m->chartShape);
  ReadChartTextProps(workbook, Child(space, "txPr"), &m->chartText);
  pugi::xml_node chart = Child(space, "chart");
  if (!chart) return XLX_ERR_FORMAT;
  m->autoTitleDeleted = ChildBool(chart, "autoTitleDeleted", false);
  m->plotVisOnly = ChildBool(chart, "plotVisOnly", true);
  const char* blanks = ChildVal(chart, "dispBlanksAs");
  m->dispBlanksAs = strcmp(blanks, "zero") == 0 ? 1 : strcmp(blanks, "span") == 0 ? 2 : 0;
  ReadChartTitle(workbook, Child(chart, "title"), &m->title);
  ReadLegend(workbook, Child(chart, "legend"), &m->legend);
  pugi::xml_node view3D = Child(chart, "view3D");
  m->hasView3D = view3D;
  m->rotX = ChildInt(view3D, "rotX", 15, -90, 90);
  m->rotY = ChildInt(view3D, "rotY", 20, 0, 360);
  if (Child(view3D, "rAngAx")) m->rightAngleAxes = ChildBool(view3D, "rAngAx", true) ? 1 : 0;
  m->perspective = ChildInt(view3D, "perspective", 30, 0, 240);
  m->depthPercent = ChildInt(view3D, "depthPercent", 100, 20, 2000);
  if (Child(view3D, "hPercent")) m->heightPercent = ChildInt(view3D, "hPercent", 100, 5, 500);
  if (ChildBool(view3D, "autoScale", false)) m->heightPercent = -1;
  ReadChartShapeProps(workbook, Child(Child(chart, "backWall"), "spPr"), &m->backWall);
  ReadChartShapeProps(workbook, Child(Child(chart, "sideWall"), "spPr"), &m->sideWall);
  ReadChartShapeProps(workbook, Child(Child(chart, "floor"), "spPr"), &m->floor);
  pugi::xml_node plotArea = Child(chart, "plotArea");
  if (!plotArea) return XLX_ERR_FORMAT;
  int32_t rc = ReadPlotArea(workbook, plotArea, m);
  // A chart with one series and no title of its own is titled by the series when not deleted.
  if (!m->title.present && !m->autoTitleDeleted && m->series.size() == 1 && !m->series[0].nameIsDefault)
    m->title.present = true;
  AutomaticTitle(m);
  AssignAutomaticMarkers(m);
  return rc;
}

// One anchor's position as fractions of the chart: `cdr:from`/`cdr:to` hold fractions, an
// absolute anchor `cdr:ext` an extent in EMU.
bool ReadUserAnchor(pugi::xml_node anchor, int64_t chartCx, int64_t chartCy, ChartUserShape* s) {
  auto fraction = [](pugi::xml_node marker, const char* name, double* out) {
    const char* text = ElementText(Child(marker, name));
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || !(v > -10 && v < 10)) return false;
    *out = v;
    return true;
  };
  pugi::xml_node from = Child(anchor, "from");
  if (!fraction(from, "x", &s->x) || !fraction(from, "y", &s->y)) return false;
  if (IsElement(anchor, "absSizeAnchor")) {
    pugi::xml_node ext = Child(anchor, "ext");
    double cx = 0, cy = 0;
    if (!ReadDouble(ext.attribute("cx"), &cx) || !ReadDouble(ext.attribute("cy"), &cy) || chartCx <= 0 || chartCy <= 0)
      return false;
    s->w = cx / double(chartCx), s->h = cy / double(chartCy);
  } else {
    double x2 = 0, y2 = 0;
    pugi::xml_node to = Child(anchor, "to");
    if (!fraction(to, "x", &x2) || !fraction(to, "y", &y2)) return false;
    s->w = x2 - s->x, s->h = y2 - s->y;
  }
  return s->w > 0 && s->h > 0 && s->w < 10 && s->h < 10;
}

// The chart drawing part a `c:userShapes` names, read into the model; nothing when it is absent
// or cannot be read.
int32_t LoadUserShapes(const Workbook& workbook, const std::u16string& chartPath, pugi::xml_node chartSpace,
                       int64_t cx, int64_t cy, ChartModel* model) {
  pugi::xml_attribute id = RelationshipIdAttribute(Child(chartSpace, "userShapes"));
  if (!id) return XLX_OK;
  const size_t slash = chartPath.rfind(u'/');
  const std::u16string dir = slash == std::u16string::npos ? std::u16string() : chartPath.substr(0, slash);
  const std::u16string name = slash == std::u16string::npos ? chartPath : chartPath.substr(slash + 1);
  Relationship* rels = nullptr;
  int32_t count = 0;
  int32_t rc = ReadRelationships(PackageSource{workbook.hPackage, &workbook.parts}, dir.c_str(), name.c_str(), &rels, &count);
  if (rc != XLX_OK) return rc == XLX_ERR_MEMORY ? rc : XLX_OK;
  const std::u16string key = ToUtf16(id.value());
  const Relationship* rel = FindRelationshipById(rels, count, key.c_str());
  std::u16string target = rel && rel->targetPath ? rel->targetPath : u"";
  FreeRelationships(rels, count);
  if (target.empty() || HasPart(&workbook.parts, target.c_str()) != XLX_OK) return XLX_OK;
  pugi::xml_document doc;
  rc = LoadXmlPart(workbook.hPackage, &workbook.parts, target.c_str(), &doc);
  if (rc != XLX_OK) return rc == XLX_ERR_MEMORY ? rc : XLX_OK;
  return ParseChartUserShapes(doc.document_element(), workbook, cx, cy, model);
}

int32_t LoadChartPart(const Workbook& workbook, const DrawingObject& o, ChartModel* model) {
  const std::u16string& path = o.targetPath;
  if (path.empty() || HasPart(&workbook.parts, path.c_str()) != XLX_OK) return XLX_ERR_FORMAT;
  pugi::xml_document doc;
  int32_t rc = LoadXmlPart(workbook.hPackage, &workbook.parts, path.c_str(), &doc);
  if (rc != XLX_OK) return rc;
  pugi::xml_node root = doc.document_element();
  if (o.graphicKind == kGraphicChartEx) {
    rc = ParseChartEx(root, workbook, model);
    return rc == XLX_OK ? ResolveChartPictures(workbook, path, model) : rc;
  }
  rc = ParseChart(root, workbook, model);
  if (rc != XLX_OK && rc != XLX_ERR_FORMAT) return rc;
  if (ResolveChartPictures(workbook, path, model) == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  const int64_t cx = o.anchor.kind == kAnchorTwoCell ? o.xfrm.cx : o.anchor.cx;
  const int32_t shapes = LoadUserShapes(workbook, path, root, cx, o.anchor.kind == kAnchorTwoCell ? o.xfrm.cy : o.anchor.cy, model);
  return shapes == XLX_ERR_MEMORY ? shapes : rc;
}

}  // namespace

int32_t ParseChart(pugi::xml_node chartSpace, const Workbook& workbook, ChartModel* model) {
  if (!model) return XLX_ERR_ARGUMENT;
  *model = ChartModel();
  if (!chartSpace) return XLX_OK;
  return Guarded([&] { return ParseChartInner(chartSpace, workbook, model); });
}

int32_t ParseChartEx(pugi::xml_node chartSpace, const Workbook& workbook, ChartModel* model) {
  if (!model) return XLX_ERR_ARGUMENT;
  *model = ChartModel();
  model->isChartEx = true;
  return Guarded([&]() -> int32_t {
    ReadThemeDefaults(workbook, model);
    const int32_t rc = ReadChartExBody(chartSpace, workbook, model);
    if (rc != XLX_OK) return rc;
    pugi::xml_node title = Child(Child(chartSpace, "chart"), "title");
    if (!title) return XLX_OK;
    model->title.present = true;
    // The 2016 title keeps its rich text one level deeper, under `cx:tx`/`cx:txData` or `cx:rich`.
    pugi::xml_node tx = Child(title, "tx");
    pugi::xml_node data = Child(tx, "txData");
    model->title.text = data ? ToUtf16(ElementText(Child(data, "v"))).substr(0, kMaxChartTextUnits) : ReadChartText(tx);
    ReadChartTextProps(workbook, Child(title, "txPr"), &model->title.textProps);
    if (model->title.text.empty()) model->title.text = u"Chart Title";
    return XLX_OK;
  });
}

int32_t ParseChartUserShapes(pugi::xml_node root, const Workbook& workbook, int64_t chartCx, int64_t chartCy,
                             ChartModel* model) {
  if (!model) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    for (pugi::xml_node a = root.first_child(); a; a = a.next_sibling()) {
      if (!IsElement(a, "relSizeAnchor") && !IsElement(a, "absSizeAnchor")) continue;
      if (int32_t(model->userShapes.size()) >= kMaxChartUserShapes) break;
      ChartUserShape s;
      pugi::xml_node sp = Child(a, "sp");
      if (!sp || !ReadUserAnchor(a, chartCx, chartCy, &s)) continue;
      ReadChartShapeProps(workbook, Child(sp, "spPr"), &s.shape);
      if (s.shape.fillKind == kChartFillAuto) s.shape.fillKind = kChartFillNone;
      if (s.shape.lineKind == kChartFillAuto) s.shape.lineKind = kChartFillNone;
      pugi::xml_node body = Child(sp, "txBody");
      for (pugi::xml_node p = Child(body, "p"); p; p = NextNamed(p, "p")) {
        if (!s.text.empty()) s.text += u'\n';
        for (pugi::xml_node r = Child(p, "r"); r; r = NextNamed(r, "r")) {
          s.text += ToUtf16(ElementText(Child(r, "t")));
          if (s.text.size() > size_t(kMaxChartTextUnits)) s.text.resize(kMaxChartTextUnits);
        }
      }
      ReadChartTextProps(workbook, Child(Child(Child(body, "p"), "r"), "rPr"), &s.textProps);
      model->userShapes.push_back(std::move(s));
    }
    return XLX_OK;
  });
}

int32_t ReadDrawingCharts(const Workbook& workbook, SheetDrawing* drawing) {
  if (!drawing) return XLX_ERR_ARGUMENT;
  for (DrawingObject& o : drawing->objects) {
    if (o.kind != kObjectGraphicFrame || (o.graphicKind != kGraphicChart && o.graphicKind != kGraphicChartEx)) continue;
    std::shared_ptr<ChartModel> model(new (std::nothrow) ChartModel());
    if (!model) return XLX_ERR_MEMORY;
    const int32_t rc = LoadChartPart(workbook, o, model.get());
    if (rc == XLX_ERR_MEMORY) return rc;
    // A chart whose part cannot be read at all is dropped; one without a plot keeps its frame.
    if (rc == XLX_OK || (rc == XLX_ERR_FORMAT && (model->title.present || model->legend.present)))
      o.chart = std::move(model);
  }
  return XLX_OK;
}

}  // namespace xlx
