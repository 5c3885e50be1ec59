// Shape and text properties of chart elements, titles, manual layouts and the small `val`
// readers the chart parser uses everywhere.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "chart/reader/reader.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

bool IsColorElement(pugi::xml_node n) {
  static const char* const kNames[] = {"srgbClr", "schemeClr", "sysClr", "hslClr", "scrgbClr", "prstClr"};
  for (const char* name : kNames)
    if (IsElement(n, name)) return true;
  return false;
}

// The colour child of a fill element; false when it has none.
bool ColorOf(const Workbook& workbook, pugi::xml_node parent, CellColor* color) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (IsColorElement(c)) {
      *color = DrawingMLColorElement(workbook, c);
      return true;
    }
  }
  return false;
}

// Average of the stops, weighted equally: what a solid stand-in of the gradient shows.
CellColor AverageColor(const std::vector<ChartGradientStop>& stops) {
  if (stops.empty()) return 0xFF000000;
  double r = 0, g = 0, b = 0;
  for (const ChartGradientStop& s : stops) {
    r += s.color & 0xFF, g += (s.color >> 8) & 0xFF, b += (s.color >> 16) & 0xFF;
  }
  const double n = double(stops.size());
  return 0xFF000000u | uint32_t(std::lround(r / n)) | uint32_t(std::lround(g / n)) << 8 | uint32_t(std::lround(b / n)) << 16;
}

void ReadGradient(const Workbook& workbook, pugi::xml_node grad, ChartShapeProps* p) {
  p->stops.clear();
  for (pugi::xml_node gs = Child(Child(grad, "gsLst"), "gs"); gs; gs = NextNamed(gs, "gs")) {
    if (int32_t(p->stops.size()) >= kMaxChartGradientStops) break;
    ChartGradientStop stop;
    int32_t pos = 0;
    ReadInt(gs.attribute("pos"), &pos);
    stop.position = std::max(0, std::min(pos, 100000)) / 100000.0;
    if (!ColorOf(workbook, gs, &stop.color)) stop.color = 0xFF000000;
    p->stops.push_back(stop);
  }
  std::sort(p->stops.begin(), p->stops.end(),
            [](const ChartGradientStop& a, const ChartGradientStop& b) { return a.position < b.position; });
  int32_t angle = 0;
  if (ReadInt(Child(grad, "lin").attribute("ang"), &angle)) p->gradientAngle = (angle % 21600000) / 60000.0;
}

// A fill element among the children of `parent`: kind and colour; false when none is there.
bool ReadFill(const Workbook& workbook, pugi::xml_node parent, int32_t* kind, CellColor* color, ChartShapeProps* gradient) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling()) {
    if (IsElement(c, "noFill")) {
      *kind = kChartFillNone;
      return true;
    }
    if (IsElement(c, "solidFill")) {
      *kind = kChartFillSolid;
      if (!ColorOf(workbook, c, color)) *color = 0xFF000000;
      return true;
    }
    if (IsElement(c, "gradFill")) {
      ChartShapeProps g;
      ReadGradient(workbook, c, &g);
      if (g.stops.empty()) continue;
      *kind = gradient ? kChartFillGradient : kChartFillSolid;
      *color = AverageColor(g.stops);
      if (gradient) gradient->stops = std::move(g.stops), gradient->gradientAngle = g.gradientAngle;
      return true;
    }
    if (IsElement(c, "pattFill")) {
      *kind = kChartFillSolid;
      if (!ColorOf(workbook, Child(c, "fgClr"), color)) *color = 0xFF000000;
      // A fill (not a line) keeps the pattern: lines of the foreground over the background.
      if (gradient) {
        *kind = kChartFillPattern;
        if (!ColorOf(workbook, Child(c, "bgClr"), &gradient->patternBack)) gradient->patternBack = 0xFFFFFFFF;
        gradient->hatchGroup = ChartPatternGroup(c.attribute("prst").value(), &gradient->patternPercent);
      }
      return true;
    }
    if (IsElement(c, "blipFill") && gradient && ReadChartPictureFill(c, gradient)) {
      *kind = kChartFillPicture;
      *color = 0xFFBFBFBF;  // a picture that cannot be drawn shows as grey
      return true;
    }
  }
  return false;
}

int32_t DashStyleOf(const char* prst) {
  if (!*prst || strcmp(prst, "solid") == 0) return 0;
  if (strcmp(prst, "sysDot") == 0 || strcmp(prst, "dot") == 0) return 2;
  if (strstr(prst, "DashDotDot")) return 4;
  if (strstr(prst, "DashDot") || strstr(prst, "dashDot")) return 3;
  return 1;
}

void AppendText(std::u16string* out, const char* utf8) {
  if (out->size() >= size_t(kMaxChartTextUnits)) return;
  out->append(ToUtf16(utf8));
  if (out->size() > size_t(kMaxChartTextUnits)) out->resize(kMaxChartTextUnits);
}

}  // namespace

const char* ChildVal(pugi::xml_node parent, const char* local) {
  pugi::xml_node n = Child(parent, local);
  return n ? n.attribute("val").value() : "";
}

bool ChildBool(pugi::xml_node parent, const char* local, bool fallback) {
  pugi::xml_node n = Child(parent, local);
  if (!n) return fallback;
  pugi::xml_attribute a = n.attribute("val");
  // The schema's default for an element written without `val` is true.
  return a ? ReadBool(a) : true;
}

int32_t ChildInt(pugi::xml_node parent, const char* local, int32_t fallback, int32_t low, int32_t high) {
  int32_t v = fallback;
  ReadInt(Child(parent, local).attribute("val"), &v);
  return std::max(low, std::min(v, high));
}

double ChildDouble(pugi::xml_node parent, const char* local, double fallback, bool* present) {
  double v = fallback;
  const bool ok = ReadDouble(Child(parent, local).attribute("val"), &v);
  if (present) *present = ok;
  return ok ? v : fallback;
}

void ReadChartShapeProps(const Workbook& workbook, pugi::xml_node spPr, ChartShapeProps* p) {
  if (!spPr) return;
  ReadFill(workbook, spPr, &p->fillKind, &p->fillColor, p);
  pugi::xml_node ln = Child(spPr, "ln");
  if (!ln) return;
  int32_t w = 0;
  if (ReadInt(ln.attribute("w"), &w)) p->lineWidthPt = std::max(0, std::min(w, 20116800)) / 12700.0;
  ReadFill(workbook, ln, &p->lineKind, &p->lineColor, nullptr);
  pugi::xml_node dash = Child(ln, "prstDash");
  if (dash) p->lineStyle = DashStyleOf(dash.attribute("val").value());
}

void ReadChartTextProps(const Workbook& workbook, pugi::xml_node txPr, ChartTextProps* t) {
  if (!txPr) return;
  pugi::xml_node bodyPr = Child(txPr, "bodyPr");
  int32_t rot = 0;
  if (ReadInt(bodyPr.attribute("rot"), &rot)) {
    t->rotation = std::max(-5400000, std::min(rot, 5400000)) / 60000.0;
    t->hasRotation = true;
  }
  const char* vert = bodyPr.attribute("vert").value();
  if (*vert && strcmp(vert, "horz") != 0) t->vertical = true;
  // The run defaults of the first paragraph, or the properties element itself when given one.
  pugi::xml_node rPr = IsElement(txPr, "defRPr") || IsElement(txPr, "rPr") ? txPr
                       : Child(Child(Child(txPr, "p"), "pPr"), "defRPr");
  if (!rPr) return;
  int32_t sz = 0;
  if (ReadInt(rPr.attribute("sz"), &sz) && sz >= 100) t->sizePt = std::min(sz, 400000) / 100.0;
  if (rPr.attribute("b")) t->bold = ReadBool(rPr.attribute("b")) ? 1 : 0;
  if (rPr.attribute("i")) t->italic = ReadBool(rPr.attribute("i")) ? 1 : 0;
  int32_t kind = kChartFillAuto;
  CellColor color = 0;
  if (ReadFill(workbook, rPr, &kind, &color, nullptr) && kind == kChartFillSolid) t->color = color;
  const char* face = Child(rPr, "latin").attribute("typeface").value();
  if (*face && *face != '+') t->face = ToUtf16(face).substr(0, 31);
}

std::u16string ReadChartText(pugi::xml_node tx) {
  std::u16string text;
  pugi::xml_node rich = Child(tx, "rich");
  if (rich) {
    bool first = true;
    for (pugi::xml_node p = Child(rich, "p"); p; p = NextNamed(p, "p")) {
      if (!first) AppendText(&text, "\n");
      first = false;
      for (pugi::xml_node r = p.first_child(); r; r = r.next_sibling()) {
        if (IsElement(r, "r") || IsElement(r, "fld")) AppendText(&text, ElementText(Child(r, "t")));
        else if (IsElement(r, "br")) AppendText(&text, "\n");
      }
    }
    return text;
  }
  pugi::xml_node ref = Child(tx, "strRef");
  pugi::xml_node cache = ref ? Child(ref, "strCache") : pugi::xml_node();
  pugi::xml_node pt = Child(cache, "pt");
  if (pt) AppendText(&text, ElementText(Child(pt, "v")));
  else if (Child(tx, "v")) AppendText(&text, ElementText(Child(tx, "v")));
  return text;
}

void ReadChartTitle(const Workbook& workbook, pugi::xml_node node, ChartTitle* title) {
  if (!node) return;
  title->present = true;
  pugi::xml_node tx = Child(node, "tx");
  title->text = ReadChartText(tx);
  title->overlay = ChildBool(node, "overlay", false);
  ReadManualLayout(Child(node, "layout"), &title->layout);
  ReadChartShapeProps(workbook, Child(node, "spPr"), &title->shape);
  ReadChartTextProps(workbook, Child(node, "txPr"), &title->textProps);
  // The first run's own properties win over the defaults of the body.
  pugi::xml_node rich = Child(tx, "rich");
  if (rich) {
    ReadChartTextProps(workbook, rich, &title->textProps);
    pugi::xml_node run = Child(Child(rich, "p"), "r");
    if (run) ReadChartTextProps(workbook, Child(run, "rPr"), &title->textProps);
  }
}

void ReadManualLayout(pugi::xml_node layout, ChartManualLayout* m) {
  pugi::xml_node ml = Child(layout, "manualLayout");
  if (!ml) return;
  auto fraction = [&](const char* name, double* out, bool* has) {
    double v = 0;
    *has = ReadDouble(Child(ml, name).attribute("val"), &v) && v > -10 && v < 10;
    if (*has) *out = v;
  };
  fraction("x", &m->x, &m->hasX);
  fraction("y", &m->y, &m->hasY);
  fraction("w", &m->w, &m->hasW);
  fraction("h", &m->h, &m->hasH);
  m->xFactor = strcmp(ChildVal(ml, "xMode"), "factor") == 0;
  m->yFactor = strcmp(ChildVal(ml, "yMode"), "factor") == 0;
  m->wEdge = strcmp(ChildVal(ml, "wMode"), "edge") == 0;
  m->hEdge = strcmp(ChildVal(ml, "hMode"), "edge") == 0;
  m->inner = strcmp(ChildVal(ml, "layoutTarget"), "inner") == 0;
  m->present = m->hasX || m->hasY || m->hasW || m->hasH;
}

}  // namespace xlx
