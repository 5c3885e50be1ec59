// Shape properties of the drawing part: geometry, fills, outlines, shadows, theme style references
// and text bodies of shapes and connectors.
#include "shapes/reader/shapes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "model/colormath.h"
#include "package/relationships.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

constexpr size_t kMaxGradientStops = 64;
constexpr size_t kMaxDashes = 16;
constexpr size_t kMaxParagraphs = 4096;
constexpr size_t kMaxRuns = 16384;
constexpr size_t kMaxTextUnits = 1 << 20;
constexpr int64_t kMaxLengthEmu = int64_t(1) << 36;
constexpr int32_t kMaxAncestors = 256;  // elements looked through for a group's fill

struct ShapeReader {
  const Workbook& workbook;
  const Relationship* rels;
  int32_t count;
};

double Number(pugi::xml_attribute a, double fallback) {
  if (!a) return fallback;
  const double v = std::strtod(a.value(), nullptr);
  return std::isfinite(v) ? v : fallback;
}

int64_t Length(pugi::xml_attribute a, int64_t fallback) {
  if (!a) return fallback;
  long long v = std::strtoll(a.value(), nullptr, 10);
  return std::max<long long>(-kMaxLengthEmu, std::min<long long>(v, kMaxLengthEmu));
}

// Share in thousandths of a percent; "50%" style values are accepted too.
double Share(pugi::xml_attribute a, double fallback) {
  if (!a) return fallback;
  const double v = Number(a, fallback);
  return strchr(a.value(), '%') ? v * 1000 : v;
}

// The colour element child of a fill or reference, if any.
pugi::xml_node ColorChild(pugi::xml_node parent) {
  static const char* const kColors[] = {"srgbClr", "schemeClr", "sysClr", "prstClr", "hslClr", "scrgbClr"};
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    for (const char* name : kColors)
      if (IsElement(c, name)) return c;
  return pugi::xml_node();
}

CellColor Color(const ShapeReader& r, pugi::xml_node parent) {
  pugi::xml_node c = ColorChild(parent);
  return c ? DrawingMLColorElement(r.workbook, c) : 0xFF000000u;
}

std::u16string PictureTarget(const ShapeReader& r, pugi::xml_node blip) {
  for (pugi::xml_attribute a = blip.first_attribute(); a; a = a.next_attribute()) {
    const char* name = a.name();
    if (strncmp(name, "xmlns", 5) == 0 || LocalName(name) == name || strcmp(LocalName(name), "embed") != 0) continue;
    std::u16string id = ToUtf16(a.value());
    const Relationship* rel = r.rels ? FindRelationshipById(r.rels, r.count, id.c_str()) : nullptr;
    if (rel && rel->targetPath && !(rel->targetMode && std::u16string(rel->targetMode) == u"External"))
      return rel->targetPath;
  }
  return std::u16string();
}

int32_t PatternGroup(const char* prst, int32_t* percent) {
  struct Entry { const char* name; int32_t group; };
  static const Entry kNamed[] = {{"dkHorz", 0}, {"trellis", 0}, {"ltHorz", 0}, {"dkVert", 1}, {"dashVert", 1},
                                 {"ltVert", 1}, {"dkUpDiag", 2}, {"ltUpDiag", 2}, {"dashUpDiag", 2},
                                 {"dkDnDiag", 3}, {"ltDnDiag", 3}, {"dashDnDiag", 3}, {"cross", 4}, {"dotGrid", 4},
                                 {"smGrid", 4}, {"lgGrid", 4}, {"diagCross", 5}};
  for (const Entry& e : kNamed)
    if (strcmp(prst, e.name) == 0) return e.group;
  if (strncmp(prst, "pct", 3) == 0) {
    *percent = std::max(0, std::min(atoi(prst + 3), 100));
    return -1;
  }
  // The remaining patterns by the direction their lines mostly run.
  if (strstr(prst, "Horz") || strstr(prst, "horz")) return 0;
  if (strstr(prst, "Vert") || strstr(prst, "vert")) return 1;
  if (strstr(prst, "Up")) return 2;
  if (strstr(prst, "Dn")) return 3;
  if (strstr(prst, "Diamond") || strstr(prst, "zigZag") || strstr(prst, "wave")) return 5;
  return 4;
}

void ReadGradient(const ShapeReader& r, pugi::xml_node grad, ShapeFill* f) {
  f->kind = kShapeFillGradient;
  for (pugi::xml_node gs = Child(Child(grad, "gsLst"), "gs"); gs; gs = NextNamed(gs, "gs")) {
    if (f->stops.size() >= kMaxGradientStops) break;
    GradientStopSpec s;
    s.position = std::max(0.0, std::min(Share(gs.attribute("pos"), 0) / 100000.0, 1.0));
    s.color = Color(r, gs);
    f->stops.push_back(s);
  }
  std::stable_sort(f->stops.begin(), f->stops.end(),
                   [](const GradientStopSpec& a, const GradientStopSpec& b) { return a.position < b.position; });
  if (pugi::xml_node lin = Child(grad, "lin")) {
    f->gradientKind = kGradientLinear;
    f->angle = std::fmod(Number(lin.attribute("ang"), 0) / 60000.0, 360.0);
    f->scaled = ReadBool(lin.attribute("scaled"));
  } else if (pugi::xml_node path = Child(grad, "path")) {
    const char* kind = path.attribute("path").value();
    f->gradientKind = strcmp(kind, "circle") == 0 ? kGradientCircle : strcmp(kind, "rect") == 0 ? kGradientRect
                                                                                                : kGradientShape;
    pugi::xml_node to = Child(path, "fillToRect");
    const double l = Share(to.attribute("l"), 50000), t = Share(to.attribute("t"), 50000);
    const double rr = Share(to.attribute("r"), 50000), b = Share(to.attribute("b"), 50000);
    f->focusX = std::max(0.0, std::min((l + 100000 - rr) / 200000.0, 1.0));
    f->focusY = std::max(0.0, std::min((t + 100000 - b) / 200000.0, 1.0));
  } else {
    f->angle = 90;
  }
  if (f->stops.empty()) f->kind = kShapeFillNone;
}

// One fill element; false when `e` is none.
bool ReadFillElement(const ShapeReader& r, pugi::xml_node e, ShapeFill* f) {
  if (IsElement(e, "noFill")) {
    *f = ShapeFill();
    f->kind = kShapeFillNone;
  } else if (IsElement(e, "solidFill")) {
    *f = ShapeFill();
    f->kind = kShapeFillSolid;
    f->color = Color(r, e);
  } else if (IsElement(e, "gradFill")) {
    *f = ShapeFill();
    ReadGradient(r, e, f);
  } else if (IsElement(e, "pattFill")) {
    *f = ShapeFill();
    f->kind = kShapeFillPattern;
    f->color = Color(r, Child(e, "fgClr"));
    f->background = Child(e, "bgClr") ? Color(r, Child(e, "bgClr")) : 0xFFFFFFFFu;
    f->hatchGroup = PatternGroup(e.attribute("prst").value(), &f->percent);
  } else if (IsElement(e, "blipFill")) {
    *f = ShapeFill();
    f->kind = kShapeFillPicture;
    f->picturePath = PictureTarget(r, Child(e, "blip"));
    f->tile = Child(e, "tile") && !Child(e, "stretch");
    if (f->picturePath.empty()) f->kind = kShapeFillNone;
  } else {
    return false;
  }
  return true;
}

void ReadFillOf(const ShapeReader& r, pugi::xml_node parent, ShapeFill* f) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (ReadFillElement(r, c, f)) return;
}

// The fill of a member that writes `a:grpFill`: that of the nearest enclosing group writing a fill
// of its own (a group's own `a:grpFill` sends the search further out); none without one.
ShapeFill GroupFill(const ShapeReader& r, pugi::xml_node shape) {
  int32_t steps = 0;
  for (pugi::xml_node n = shape.parent(); n && steps < kMaxAncestors; n = n.parent(), ++steps) {
    if (!IsElement(n, "grpSp")) continue;
    pugi::xml_node props = Child(n, "grpSpPr");
    ShapeFill f;
    ReadFillOf(r, props, &f);
    if (f.kind != kShapeFillUnset) return f;
    if (!Child(props, "grpFill")) break;
  }
  ShapeFill none;
  none.kind = kShapeFillNone;
  return none;
}

void PresetDashes(const char* name, ShapeLine* line) {
  struct Entry { const char* name; int32_t style; double d[6]; int32_t n; };
  static const Entry kDashes[] = {
      {"dash", 1, {4, 3}, 2},          {"dot", 2, {1, 3}, 2},           {"lgDash", 1, {8, 3}, 2},
      {"dashDot", 3, {4, 3, 1, 3}, 4}, {"lgDashDot", 3, {8, 3, 1, 3}, 4}, {"lgDashDotDot", 4, {8, 3, 1, 3, 1, 3}, 6},
      {"sysDash", 1, {3, 1}, 2},       {"sysDot", 2, {1, 1}, 2},        {"sysDashDot", 3, {3, 1, 1, 1}, 4},
      {"sysDashDotDot", 4, {3, 1, 1, 1, 1, 1}, 6}};
  line->dashes.clear();
  line->lineStyle = 0;
  for (const Entry& e : kDashes) {
    if (strcmp(name, e.name) != 0) continue;
    line->lineStyle = e.style;
    line->dashes.assign(e.d, e.d + e.n);
  }
}

void ReadLineEnd(pugi::xml_node e, LineEnd* end) {
  if (!e) return;
  static const char* const kKinds[] = {"none", "triangle", "stealth", "diamond", "oval", "arrow"};
  static const char* const kSizes[] = {"sm", "med", "lg"};
  const char* type = e.attribute("type").value();
  for (int32_t i = 0; i < 6; ++i)
    if (strcmp(type, kKinds[i]) == 0) end->kind = i;
  for (int32_t i = 0; i < 3; ++i) {
    if (strcmp(e.attribute("w").value(), kSizes[i]) == 0) end->width = i;
    if (strcmp(e.attribute("len").value(), kSizes[i]) == 0) end->length = i;
  }
}

// `a:ln` over what `line` already holds (the style's line): only what is written changes.
void ReadLine(const ShapeReader& r, pugi::xml_node ln, ShapeLine* line) {
  if (!ln) return;
  if (pugi::xml_attribute w = ln.attribute("w")) {
    line->widthSet = true;
    line->widthEmu = std::max<int64_t>(0, std::min<int64_t>(Length(w, 9525), 20 * 914400));
  }
  const char* cap = ln.attribute("cap").value();
  if (*cap) line->cap = strcmp(cap, "rnd") == 0 ? kCapRound : strcmp(cap, "sq") == 0 ? kCapSquare : kCapFlat;
  static const char* const kCompound[] = {"sng", "dbl", "thickThin", "thinThick", "tri"};
  for (int32_t i = 0; i < 5; ++i)
    if (strcmp(ln.attribute("cmpd").value(), kCompound[i]) == 0) line->compound = i;
  ShapeFill fill;
  ReadFillOf(r, ln, &fill);
  if (fill.kind != kShapeFillUnset) {
    line->kind = fill.kind == kShapeFillGradient || fill.kind == kShapeFillPattern ? kShapeFillSolid : fill.kind;
    line->color = fill.kind == kShapeFillGradient ? fill.stops.front().color : fill.color;
  }
  if (pugi::xml_node dash = Child(ln, "prstDash")) PresetDashes(dash.attribute("val").value(), line);
  if (pugi::xml_node cust = Child(ln, "custDash")) {
    line->dashes.clear();
    line->lineStyle = 1;
    for (pugi::xml_node ds = Child(cust, "ds"); ds && line->dashes.size() + 2 <= kMaxDashes; ds = NextNamed(ds, "ds")) {
      line->dashes.push_back(std::max(0.01, Share(ds.attribute("d"), 100000) / 100000.0));
      line->dashes.push_back(std::max(0.01, Share(ds.attribute("sp"), 100000) / 100000.0));
    }
    if (line->dashes.empty()) line->lineStyle = 0;
  }
  if (Child(ln, "round")) line->join = kJoinRound;
  if (Child(ln, "bevel")) line->join = kJoinBevel;
  if (pugi::xml_node miter = Child(ln, "miter")) {
    line->join = kJoinMiter;
    const double limit = Share(miter.attribute("lim"), 800000);
    line->miterLimit = static_cast<int32_t>(std::max(100000.0, std::min(limit, 100000000.0)));
  }
  ReadLineEnd(Child(ln, "headEnd"), &line->head);
  ReadLineEnd(Child(ln, "tailEnd"), &line->tail);
}

void ReadShadow(const ShapeReader& r, pugi::xml_node effects, ShapeShadow* s) {
  pugi::xml_node outer = Child(effects, "outerShdw");
  if (!outer) return;
  s->present = true;
  s->color = Child(outer, "srgbClr") || ColorChild(outer) ? Color(r, outer) : 0x7F000000u;
  s->blurEmu = std::max<int64_t>(0, Length(outer.attribute("blurRad"), 0));
  s->distEmu = std::max<int64_t>(0, Length(outer.attribute("dist"), 0));
  s->directionDeg = std::fmod(Number(outer.attribute("dir"), 0) / 60000.0, 360.0);
}

// The theme's style element `index` (1-based) of a list; null when out of range.
pugi::xml_node StyleAt(pugi::xml_node list, int32_t index) {
  int32_t i = 0;
  for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (++i == index) return c;
  }
  return pugi::xml_node();
}

// A copy of a theme style element in `doc` with each placeholder colour (`phClr`) replaced by the
// reference's colour element, keeping the placeholder's own transforms after the colour's.
pugi::xml_node Substituted(pugi::xml_document* doc, pugi::xml_node style, pugi::xml_node reference) {
  pugi::xml_node copy = doc->append_copy(style);
  pugi::xml_node color = ColorChild(reference);
  if (!color) return copy;
  std::vector<pugi::xml_node> holders, stack{copy};
  while (!stack.empty() && holders.size() < 256) {
    pugi::xml_node n = stack.back();
    stack.pop_back();
    if (IsElement(n, "schemeClr") && strcmp(n.attribute("val").value(), "phClr") == 0) holders.push_back(n);
    for (pugi::xml_node c = n.first_child(); c && stack.size() < 4096; c = c.next_sibling())
      if (c.type() == pugi::node_element) stack.push_back(c);
  }
  for (pugi::xml_node h : holders) {
    pugi::xml_node replaced = h.parent().insert_copy_before(color, h);
    for (pugi::xml_node t = h.first_child(); t; t = t.next_sibling()) replaced.append_copy(t);
    h.parent().remove_child(h);
  }
  return copy;
}

int32_t RefIndex(pugi::xml_node ref) {
  int32_t idx = 0;
  ReadInt(ref.attribute("idx"), &idx);
  return idx;
}

void ReadStyle(const ShapeReader& r, pugi::xml_node style, bool fillAllowed, ShapeSpec* spec) {
  if (!style) return;
  pugi::xml_node scheme = r.workbook.fmtScheme;
  pugi::xml_document scratch;
  pugi::xml_node lnRef = Child(style, "lnRef"), fillRef = Child(style, "fillRef");
  pugi::xml_node effectRef = Child(style, "effectRef"), fontRef = Child(style, "fontRef");
  if (int32_t idx = RefIndex(lnRef)) {
    pugi::xml_node ln = StyleAt(Child(scheme, "lnStyleLst"), idx);
    if (ln) ReadLine(r, Substituted(&scratch, ln, lnRef), &spec->line);
    if (!ln || spec->line.kind == kShapeFillUnset) {
      spec->line.kind = kShapeFillSolid;
      spec->line.color = Color(r, lnRef);
    }
  }
  const int32_t fillIdx = RefIndex(fillRef);
  if (fillIdx > 0 && fillAllowed) {
    pugi::xml_node list = Child(scheme, fillIdx >= 1001 ? "bgFillStyleLst" : "fillStyleLst");
    pugi::xml_node fill = StyleAt(list, fillIdx >= 1001 ? fillIdx - 1000 : fillIdx);
    if (fill) ReadFillElement(r, Substituted(&scratch, fill, fillRef), &spec->fill);
    if (spec->fill.kind == kShapeFillUnset) {
      spec->fill.kind = kShapeFillSolid;
      spec->fill.color = Color(r, fillRef);
    }
  }
  if (int32_t idx = RefIndex(effectRef)) {
    pugi::xml_node effect = StyleAt(Child(scheme, "effectStyleLst"), idx);
    if (effect) ReadShadow(r, Child(Substituted(&scratch, effect, effectRef), "effectLst"), &spec->shadow);
  }
  if (ColorChild(fontRef)) {
    spec->fontColorSet = true;
    spec->fontColor = Color(r, fontRef);
  }
}

GeomFormula Formula(pugi::xml_node gd) {
  GeomFormula f;
  f.name = gd.attribute("name").value();
  const char* p = gd.attribute("fmla").value();
  std::string* slots[4] = {&f.op, &f.args[0], &f.args[1], &f.args[2]};
  for (int i = 0; i < 4 && *p; ++i) {
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    slots[i]->assign(start, p);
  }
  return f;
}

void ReadFormulas(pugi::xml_node list, std::vector<GeomFormula>* out) {
  for (pugi::xml_node gd = Child(list, "gd"); gd && out->size() < kMaxGeometryGuides; gd = NextNamed(gd, "gd"))
    out->push_back(Formula(gd));
}

void ReadPathCommand(pugi::xml_node c, GeomPath* path) {
  static const char* const kNames[] = {"moveTo", "lnTo", "arcTo", "quadBezTo", "cubicBezTo", "close"};
  GeomCommand cmd;
  int32_t kind = -1;
  for (int32_t i = 0; i < 6; ++i)
    if (IsElement(c, kNames[i])) kind = i;
  if (kind < 0) return;
  cmd.kind = static_cast<uint8_t>(kind);
  if (kind == kGeomArc) {
    const char* names[] = {"wR", "hR", "stAng", "swAng"};
    for (int i = 0; i < 4; ++i) cmd.args[i] = c.attribute(names[i]).value();
  } else {
    int i = 0;
    for (pugi::xml_node pt = Child(c, "pt"); pt && i < 6; pt = NextNamed(pt, "pt"), i += 2) {
      cmd.args[i] = pt.attribute("x").value();
      cmd.args[i + 1] = pt.attribute("y").value();
    }
    const int needed = kind == kGeomCubic ? 6 : kind == kGeomQuad ? 4 : kind == kGeomClose ? 0 : 2;
    if (i < needed) return;
  }
  path->commands.push_back(std::move(cmd));
}

void ReadGeometry(pugi::xml_node spPr, ShapeSpec* spec) {
  if (pugi::xml_node prst = Child(spPr, "prstGeom")) {
    spec->preset = prst.attribute("prst").value();
    ReadFormulas(Child(prst, "avLst"), &spec->adjusts);
  } else if (pugi::xml_node cust = Child(spPr, "custGeom")) {
    spec->custom = true;
    ReadCustomGeometry(cust, &spec->geometry);
  } else {
    spec->preset = "rect";
  }
}

const char* const kFillNames[] = {"none", "norm", "darken", "darkenLess", "lighten", "lightenLess"};

// Theme font names (`+mn-lt`, `+mj-lt`, ...) stand for the theme's minor and major fonts.
std::u16string Typeface(const Workbook& workbook, const char* face) {
  if (face[0] != '+') return ToUtf16(face);
  char16_t major[32] = {}, minor[32] = {};
  GetThemeFonts(workbook, major, minor);
  return strncmp(face, "+mj", 3) == 0 ? std::u16string(major) : std::u16string(minor);
}

void ReadRunProperties(const ShapeReader& r, pugi::xml_node rPr, TextRunSpec* run) {
  if (!rPr) return;
  if (pugi::xml_attribute sz = rPr.attribute("sz")) run->sizePt = std::max(1.0, std::min(Number(sz, 1100), 400000.0)) / 100;
  if (pugi::xml_attribute b = rPr.attribute("b")) run->bold = ReadBool(b);
  if (pugi::xml_attribute i = rPr.attribute("i")) run->italic = ReadBool(i);
  if (pugi::xml_attribute u = rPr.attribute("u")) run->underline = strcmp(u.value(), "none") != 0;
  if (pugi::xml_attribute s = rPr.attribute("strike")) run->strike = strcmp(s.value(), "noStrike") != 0;
  ShapeFill fill;
  ReadFillOf(r, rPr, &fill);
  if (fill.kind == kShapeFillSolid || fill.kind == kShapeFillGradient) {
    run->colorSet = true;
    run->color = fill.kind == kShapeFillSolid ? fill.color : fill.stops.front().color;
  }
  if (pugi::xml_node latin = Child(rPr, "latin")) run->face = Typeface(r.workbook, latin.attribute("typeface").value());
}

int32_t Spacing(pugi::xml_node spacing, int32_t fallback) {
  if (pugi::xml_node pct = Child(spacing, "spcPct")) return static_cast<int32_t>(std::max(0.0, std::min(Share(pct.attribute("val"), 100000), 1e6)));
  if (pugi::xml_node pts = Child(spacing, "spcPts")) return -static_cast<int32_t>(std::max(0.0, std::min(Number(pts.attribute("val"), 0), 1e6)));
  return fallback;
}

// The paragraph properties written in `pPr` (a paragraph's own, or a level of a list style) over
// `para`, and its default run properties (`defRPr`) over `run`: what is not written stays.
void ApplyParagraphProperties(const ShapeReader& r, pugi::xml_node pPr, TextParagraphSpec* para, TextRunSpec* run) {
  if (!pPr) return;
  if (pugi::xml_attribute a = pPr.attribute("algn")) {
    const char* algn = a.value();
    para->align = strcmp(algn, "ctr") == 0 ? kAlignCenter : strcmp(algn, "r") == 0 ? kAlignRight
                  : (strcmp(algn, "just") == 0 || strcmp(algn, "dist") == 0) ? kAlignJustify : kAlignLeft;
  }
  if (pPr.attribute("marL")) para->marginEmu = std::max<int64_t>(0, Length(pPr.attribute("marL"), 0));
  if (pPr.attribute("indent")) para->indentEmu = Length(pPr.attribute("indent"), 0);
  para->lineSpacing = Spacing(Child(pPr, "lnSpc"), para->lineSpacing);
  para->spaceBefore = -Spacing(Child(pPr, "spcBef"), -para->spaceBefore);
  para->spaceAfter = -Spacing(Child(pPr, "spcAft"), -para->spaceAfter);
  if (Child(pPr, "buNone")) para->bullet.clear(), para->autoNumber = 0;
  if (pugi::xml_node bu = Child(pPr, "buChar")) para->bullet = ToUtf16(bu.attribute("char").value()).substr(0, 2);
  if (pugi::xml_node font = Child(pPr, "buFont")) para->bulletFace = Typeface(r.workbook, font.attribute("typeface").value());
  if (pugi::xml_node num = Child(pPr, "buAutoNum")) {
    para->autoNumber = 1;
    para->autoNumberScheme = num.attribute("type").value();
    ReadInt(num.attribute("startAt"), &para->autoNumber);
    para->autoNumber = std::max(1, std::min(para->autoNumber, 32767));
  }
  ReadRunProperties(r, Child(pPr, "defRPr"), run);
}

// A paragraph: the body's list style (its defaults, then the paragraph's level) and the
// paragraph's own properties give the paragraph and the run every run starts from.
void ReadParagraph(const ShapeReader& r, pugi::xml_node p, pugi::xml_node listStyle, const TextRunSpec& body,
                   TextParagraphSpec* para, size_t* runs) {
  pugi::xml_node pPr = Child(p, "pPr");
  ReadInt(pPr.attribute("lvl"), &para->level);
  para->level = std::max(0, std::min(para->level, 8));
  static const char* const kLevels[] = {"lvl1pPr", "lvl2pPr", "lvl3pPr", "lvl4pPr", "lvl5pPr",
                                        "lvl6pPr", "lvl7pPr", "lvl8pPr", "lvl9pPr"};
  TextRunSpec base = body;
  ApplyParagraphProperties(r, Child(listStyle, "defPPr"), para, &base);
  ApplyParagraphProperties(r, Child(listStyle, kLevels[para->level]), para, &base);
  ApplyParagraphProperties(r, pPr, para, &base);
  TextRunSpec end = base;
  ReadRunProperties(r, Child(p, "endParaRPr"), &end);
  para->endSizePt = end.sizePt;
  size_t units = 0;
  for (pugi::xml_node c = p.first_child(); c && *runs < kMaxRuns; c = c.next_sibling()) {
    const bool text = IsElement(c, "r") || IsElement(c, "fld");
    if (!text && !IsElement(c, "br")) continue;
    TextRunSpec run = base;
    ReadRunProperties(r, Child(c, "rPr"), &run);
    run.lineBreak = !text;
    if (text) run.text = ToUtf16(ElementText(Child(c, "t")));
    units += run.text.size();
    if (units > kMaxTextUnits) break;
    para->runs.push_back(std::move(run));
    ++*runs;
  }
}

void ReadTextBody(const ShapeReader& r, pugi::xml_node txBody, ShapeSpec* spec) {
  ShapeTextBody& t = spec->text;
  if (!txBody) return;
  t.present = true;
  pugi::xml_node body = Child(txBody, "bodyPr");
  static const struct { const char* name; int32_t kind; } kVert[] = {
      {"vert", kVertDown},          {"vert270", kVertUp},          {"wordArtVert", kVertStacked},
      {"wordArtVertRtl", kVertStackedRtl}, {"eaVert", kVertEastAsian}, {"mongolianVert", kVertMongolian}};
  const char* vert = body.attribute("vert").value();
  for (const auto& v : kVert)
    if (strcmp(vert, v.name) == 0) t.vert = v.kind;
  if (pugi::xml_node warp = Child(body, "prstTxWarp")) {
    t.warp = warp.attribute("prst").value();
    ReadFormulas(Child(warp, "avLst"), &t.warpAdjusts);
  }
  const char* anchor = body.attribute("anchor").value();
  t.anchor = strcmp(anchor, "ctr") == 0 ? kAnchorMiddle : strcmp(anchor, "b") == 0 ? kAnchorBottom : kAnchorTop;
  t.anchorCenter = ReadBool(body.attribute("anchorCtr"));
  t.leftInset = std::max<int64_t>(0, Length(body.attribute("lIns"), t.leftInset));
  t.topInset = std::max<int64_t>(0, Length(body.attribute("tIns"), t.topInset));
  t.rightInset = std::max<int64_t>(0, Length(body.attribute("rIns"), t.rightInset));
  t.bottomInset = std::max<int64_t>(0, Length(body.attribute("bIns"), t.bottomInset));
  t.wrap = strcmp(body.attribute("wrap").value(), "none") != 0;
  if (pugi::xml_node fit = Child(body, "normAutofit")) {
    t.fontScale = std::max(0.01, std::min(Share(fit.attribute("fontScale"), 100000) / 100000.0, 1.0));
    t.spacingReduction = std::max(0.0, std::min(Share(fit.attribute("lnSpcReduction"), 0) / 100000.0, 0.9));
  }
  TextRunSpec base;
  base.colorSet = spec->fontColorSet;
  base.color = spec->fontColor;
  size_t runs = 0;
  int32_t number = 0;
  for (pugi::xml_node p = Child(txBody, "p"); p && t.paragraphs.size() < kMaxParagraphs; p = NextNamed(p, "p")) {
    TextParagraphSpec para;
    ReadParagraph(r, p, Child(txBody, "lstStyle"), base, &para, &runs);
    // Numbered paragraphs count on from the first of their run.
    if (para.autoNumber) para.autoNumber = number = number ? number + 1 : para.autoNumber;
    else number = 0;
    t.paragraphs.push_back(std::move(para));
  }
}

}  // namespace

void ReadCustomGeometry(pugi::xml_node cust, ShapeGeometry* g) {
  ReadFormulas(Child(cust, "avLst"), &g->adjusts);
  ReadFormulas(Child(cust, "gdLst"), &g->guides);
  if (pugi::xml_node rect = Child(cust, "rect")) {
    const char* names[] = {"l", "t", "r", "b"};
    for (int i = 0; i < 4; ++i) g->textRect[i] = rect.attribute(names[i]).value();
  }
  size_t commands = 0;
  for (pugi::xml_node p = Child(Child(cust, "pathLst"), "path"); p && g->paths.size() < kMaxGeometryPaths;
       p = NextNamed(p, "path")) {
    GeomPath path;
    path.w = std::max<int64_t>(0, Length(p.attribute("w"), 0));
    path.h = std::max<int64_t>(0, Length(p.attribute("h"), 0));
    const char* fill = p.attribute("fill").value();
    for (uint8_t i = 0; i < 6; ++i)
      if (strcmp(fill, kFillNames[i]) == 0) path.fill = i;
    if (pugi::xml_attribute stroke = p.attribute("stroke")) path.stroke = ReadBool(stroke);
    for (pugi::xml_node c = p.first_child(); c && commands < kMaxGeometryCommands; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      const size_t before = path.commands.size();
      ReadPathCommand(c, &path);
      commands += path.commands.size() - before;
    }
    g->paths.push_back(std::move(path));
  }
}

void ReadShapeSpec(const Workbook& workbook, const Relationship* rels, int32_t count, pugi::xml_node shape,
                   ShapeSpec* spec) {
  const ShapeReader r{workbook, rels, count};
  pugi::xml_node spPr = Child(shape, "spPr");
  ReadGeometry(spPr, spec);
  // Line and fill of the theme style first; what the shape writes itself overrides them.
  ReadStyle(r, Child(shape, "style"), spec->preset != "arc", spec);
  ShapeFill own;
  ReadFillOf(r, spPr, &own);
  if (own.kind == kShapeFillUnset && Child(spPr, "grpFill")) own = GroupFill(r, shape);
  if (own.kind != kShapeFillUnset) spec->fill = own;
  ReadLine(r, Child(spPr, "ln"), &spec->line);
  if (pugi::xml_node effects = Child(spPr, "effectLst")) {
    spec->shadow = ShapeShadow();
    ReadShadow(r, effects, &spec->shadow);
  }
  ReadTextBody(r, Child(shape, "txBody"), spec);
  spec->text.linkRef = ToUtf16(shape.attribute("textlink").value());
  if (!spec->text.linkRef.empty()) spec->text.present = true;
}

}  // namespace xlx
