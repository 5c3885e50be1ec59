// The shapes of a worksheet's VML drawing, read from the tolerant tree of its text.
#include "shapes/reader/vml.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>
#include <string>

#include "common/apiutils.h"
#include "common/resultcodes.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"

namespace xlx {
namespace {

constexpr int32_t kMaxAdjusts = 10;
constexpr size_t kMaxFormulas = 256;
constexpr size_t kMaxPoints = 2 * 65536;
constexpr double kMaxCoord = 1e9;

struct ShapeReader {
  const VmlTree& tree;
  const Relationship* rels;
  int32_t relCount;
  LegacyDrawing* drawing;
  std::map<std::string, const VmlNode*> types;  // shape types of the part by id
};

std::string Str(const char* s) { return s ? std::string(s) : std::string(); }

double Number(const std::string& s, double fallback) {
  const char* p = s.c_str();
  char* end = nullptr;
  const double v = std::strtod(p, &end);
  return end == p || !std::isfinite(v) ? fallback : std::clamp(v, -kMaxCoord, kMaxCoord);
}

// "a,b" pairs such as coordsize and coordorigin.
bool Pair(const char* text, double* a, double* b) {
  if (!text) return false;
  const std::string s = text;
  const size_t comma = s.find(',');
  *a = Number(s.substr(0, comma), *a);
  if (comma != std::string::npos) *b = Number(s.substr(comma + 1), *b);
  return true;
}

// The number of "#_x0000_tN" or "_x0000_tN"; 0 when the id has another form.
int32_t TypeNumber(const std::string& id) {
  const size_t t = id.rfind("_t");
  if (t == std::string::npos) return 0;
  return int32_t(std::clamp(Number(id.substr(t + 2), 0), 0.0, 100000.0));
}

std::u16string PicturePath(const ShapeReader& r, const VmlNode& node) {
  const char* id = VmlAttribute(node, "o:relid");
  if (!id) id = VmlAttribute(node, "r:id");
  if (!id || !*id) return std::u16string();
  const std::u16string key = Utf8ToUtf16(id);
  const Relationship* rel = FindRelationshipById(r.rels, r.relCount, key.c_str());
  return rel && rel->targetPath ? std::u16string(rel->targetPath) : std::u16string();
}

int32_t ArrowOf(const char* text) {
  const std::string s = Str(text);
  if (s == "block") return kVmlArrowBlock;
  if (s == "classic") return kVmlArrowClassic;
  if (s == "open") return kVmlArrowOpen;
  if (s == "oval") return kVmlArrowOval;
  if (s == "diamond") return kVmlArrowDiamond;
  return kVmlArrowNone;
}

int32_t DashOf(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (s.empty() || s == "solid") return 0;
  if (s.find("dashdotdot") != std::string::npos) return 4;
  if (s.find("dashdot") != std::string::npos) return 3;
  if (s.find("dash") != std::string::npos) return 1;
  if (s.find("dot") != std::string::npos) return 2;
  return 1;  // custom dash arrays
}

// A VML fraction: a plain number, "NNNNf" in 65536ths, or a percentage.
double Fraction(const char* text, double fallback) {
  if (!text) return fallback;
  const std::string s = text;
  const double v = Number(s, fallback);
  if (s.find('f') != std::string::npos) return v / 65536;
  if (s.find('%') != std::string::npos) return v / 100;
  return v;
}

double Opacity(const char* text, double fallback) { return std::clamp(Fraction(text, fallback), 0.0, 1.0); }

// A crop share, kept within -1 .. 1.
double CropShare(const char* text) { return std::clamp(Fraction(text, 0), -1.0, 1.0); }

void ReadCrop(const VmlNode& n, VmlShape* s) {
  if (const char* v = VmlAttribute(n, "cropleft")) s->cropLeft = CropShare(v);
  if (const char* v = VmlAttribute(n, "croptop")) s->cropTop = CropShare(v);
  if (const char* v = VmlAttribute(n, "cropright")) s->cropRight = CropShare(v);
  if (const char* v = VmlAttribute(n, "cropbottom")) s->cropBottom = CropShare(v);
}

// Paint attributes of a shape or its shape type: fill and stroke colours and switches.
void ReadPaint(const VmlNode& n, VmlShape* s) {
  s->fill.on = VmlBool(VmlAttribute(n, "filled"), s->fill.on);
  s->stroke.on = VmlBool(VmlAttribute(n, "stroked"), s->stroke.on);
  if (const char* c = VmlAttribute(n, "fillcolor")) {
    if (!ParseVmlColor(c, s->fill.color, &s->fill.color)) s->fill.on = false;
  }
  if (const char* c = VmlAttribute(n, "strokecolor")) {
    if (!ParseVmlColor(c, s->stroke.color, &s->stroke.color)) s->stroke.on = false;
  }
  if (const char* w = VmlAttribute(n, "strokeweight")) s->stroke.weightPt = std::clamp(VmlLengthPt(w, 0.75), 0.0, 1000.0);
}

void ReadFill(const ShapeReader& r, const VmlNode& n, VmlFill* f) {
  f->on = VmlBool(VmlAttribute(n, "on"), f->on);
  if (const char* c = VmlAttribute(n, "color")) (void)ParseVmlColor(c, f->color, &f->color);
  f->color2 = f->color;
  if (const char* c = VmlAttribute(n, "color2")) (void)ParseVmlColor(c, f->color, &f->color2);
  const std::string type = Str(VmlAttribute(n, "type"));
  if (type == "gradient") f->kind = kVmlFillGradient;
  else if (type == "gradientradial" || type == "gradientRadial") f->kind = kVmlFillRadial;
  else if (type == "tile" || type == "frame" || type == "pattern") f->kind = kVmlFillPicture;
  f->tiled = type == "tile" || type == "pattern";
  f->angle = std::fmod(Number(Str(VmlAttribute(n, "angle")), 0), 360.0);
  f->focus = std::clamp(Number(Str(VmlAttribute(n, "focus")), 0), -100.0, 100.0);
  f->opacity = Opacity(VmlAttribute(n, "opacity"), 1);
  f->opacity2 = Opacity(VmlAttribute(n, "o:opacity2"), f->opacity);
  if (f->kind == kVmlFillPicture) f->picturePath = PicturePath(r, n);
}

void ReadStroke(const VmlNode& n, VmlStroke* s) {
  s->on = VmlBool(VmlAttribute(n, "on"), s->on);
  if (const char* c = VmlAttribute(n, "color")) (void)ParseVmlColor(c, s->color, &s->color);
  if (const char* w = VmlAttribute(n, "weight")) s->weightPt = std::clamp(VmlLengthPt(w, 0.75), 0.0, 1000.0);
  if (const char* d = VmlAttribute(n, "dashstyle")) s->lineStyle = DashOf(d);
  s->opacity = Opacity(VmlAttribute(n, "opacity"), s->opacity);
  if (const char* a = VmlAttribute(n, "startarrow")) s->startArrow = ArrowOf(a);
  if (const char* a = VmlAttribute(n, "endarrow")) s->endArrow = ArrowOf(a);
}

void ReadShadow(const VmlNode& n, VmlShadow* s) {
  s->on = VmlBool(VmlAttribute(n, "on"), false);
  if (const char* c = VmlAttribute(n, "color")) (void)ParseVmlColor(c, s->color, &s->color);
  if (const char* o = VmlAttribute(n, "offset")) {
    const std::string t = o;
    const size_t comma = t.find(',');
    s->offsetX = std::clamp(VmlLengthPt(t.substr(0, comma), 0.75), -1000.0, 1000.0);
    s->offsetY = comma == std::string::npos ? s->offsetX : std::clamp(VmlLengthPt(t.substr(comma + 1), 0.75), -1000.0, 1000.0);
  }
  s->opacity = Opacity(VmlAttribute(n, "opacity"), 1);
}

// Path, formulas, adjusts and text rectangle of a shape or a shape type; what the node gives
// replaces what its type gave.
void ReadGeometry(const VmlTree& tree, const VmlNode& n, VmlGeometry* g) {
  if (const char* path = VmlAttribute(n, "path")) g->path = path;
  if (const char* adj = VmlAttribute(n, "adj")) {
    std::string s = adj;
    for (int32_t i = 0; i < kMaxAdjusts; ++i) {
      const size_t comma = s.find(',');
      const std::string part = s.substr(0, comma);
      if (part.find_first_not_of(" \t") != std::string::npos) {
        if (g->adjusts.size() <= size_t(i)) g->adjusts.resize(size_t(i) + 1, kVmlAdjustAbsent);
        g->adjusts[size_t(i)] = int32_t(std::clamp(Number(part, 0), -1e8, 1e8));
      }
      if (comma == std::string::npos) break;
      s.erase(0, comma + 1);
    }
  }
  if (const VmlNode* formulas = VmlChild(tree, n, "formulas")) {
    g->formulas.clear();
    for (int32_t index : formulas->children) {
      const VmlNode& f = tree.nodes[size_t(index)];
      if (f.name != "f" || g->formulas.size() >= kMaxFormulas) continue;
      g->formulas.push_back(Str(VmlAttribute(f, "eqn")));
    }
  }
  if (const VmlNode* path = VmlChild(tree, n, "path")) {
    if (const char* v = VmlAttribute(*path, "v")) g->path = v;
    if (const char* rect = VmlAttribute(*path, "textboxrect")) g->textRect = Str(rect).substr(0, Str(rect).find(';'));
  }
}

void ReadPoints(const char* text, double unitlessPt, std::vector<double>* points) {
  if (!text) return;
  const std::string s = text;
  size_t at = 0;
  while (at < s.size() && points->size() < kMaxPoints) {
    const size_t end = s.find_first_of(", ", at);
    const std::string part = s.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (!part.empty()) points->push_back(VmlLengthPt(part, unitlessPt));
    if (end == std::string::npos) break;
    at = end + 1;
  }
  if (points->size() % 2) points->pop_back();
}

void ReadElementGeometry(const VmlNode& n, double unitlessPt, VmlShape* s) {
  if (s->kind == kVmlLine) {
    std::string from = Str(VmlAttribute(n, "from")), to = Str(VmlAttribute(n, "to"));
    std::vector<double> a, b;
    ReadPoints(from.empty() ? "0,0" : from.c_str(), unitlessPt, &a);
    ReadPoints(to.empty() ? "10,10" : to.c_str(), unitlessPt, &b);
    if (a.size() >= 2) s->fromX = a[0], s->fromY = a[1];
    if (b.size() >= 2) s->toX = b[0], s->toY = b[1];
  } else if (s->kind == kVmlPolyline) {
    ReadPoints(VmlAttribute(n, "points"), unitlessPt, &s->points);
  } else if (s->kind == kVmlArc) {
    s->startAngle = std::fmod(Number(Str(VmlAttribute(n, "startangle")), 0), 360.0);
    s->endAngle = std::fmod(Number(Str(VmlAttribute(n, "endangle")), 90), 360.0);
  } else if (s->kind == kVmlRoundRect) {
    if (const char* a = VmlAttribute(n, "arcsize")) {
      const std::string t = a;
      double v = Number(t, 0.2);
      if (t.find('f') != std::string::npos) v /= 65536;
      else if (t.find('%') != std::string::npos) v /= 100;
      s->arcSize = std::clamp(v, 0.0, 1.0);
    }
  }
}

int32_t KindOf(const std::string& name) {
  static const struct {
    const char* name;
    int32_t kind;
  } kKinds[] = {{"shape", kVmlShape}, {"rect", kVmlRect},         {"roundrect", kVmlRoundRect},
                {"oval", kVmlOval},   {"line", kVmlLine},         {"polyline", kVmlPolyline},
                {"arc", kVmlArc},     {"image", kVmlImage},       {"group", kVmlGroup}};
  for (const auto& k : kKinds)
    if (name == k.name) return k.kind;
  return -1;
}

void ReadChildren(ShapeReader& r, const VmlNode& n, VmlShape* s) {
  for (int32_t index : n.children) {
    const VmlNode& c = r.tree.nodes[size_t(index)];
    if (c.name == "fill") ReadFill(r, c, &s->fill);
    else if (c.name == "stroke") ReadStroke(c, &s->stroke);
    else if (c.name == "shadow") ReadShadow(c, &s->shadow);
    else if (c.name == "textbox") ReadVmlTextBox(r.tree, c, &s->textBox);
    else if (c.name == "clientdata") ReadVmlClientData(r.tree, c, &s->client);
    else if (c.name == "imagedata") s->imagePath = PicturePath(r, c), ReadCrop(c, s);
  }
}

void ReadShape(ShapeReader& r, const VmlNode& n, int32_t kind, int32_t parent, double unitlessPt) {
  VmlShape s;
  s.kind = kind;
  s.nParent = parent;
  s.id = Str(VmlAttribute(n, "id"));
  s.spid = Str(VmlAttribute(n, "o:spid"));
  const std::string type = Str(VmlAttribute(n, "type"));
  if (!type.empty()) {
    const auto found = r.types.find(type[0] == '#' ? type.substr(1) : type);
    s.shapeType = TypeNumber(type);
    if (found != r.types.end()) {
      const VmlNode& t = *found->second;
      if (const char* spt = VmlAttribute(t, "o:spt")) s.shapeType = int32_t(std::clamp(Number(spt, 0), 0.0, 100000.0));
      ReadGeometry(r.tree, t, &s.geometry);
      ReadPaint(t, &s);
      Pair(VmlAttribute(t, "coordorigin"), &s.coordLeft, &s.coordTop);
      Pair(VmlAttribute(t, "coordsize"), &s.coordWidth, &s.coordHeight);
      ReadChildren(r, t, &s);
    }
  }
  if (const char* spt = VmlAttribute(n, "o:spt")) s.shapeType = int32_t(std::clamp(Number(spt, 0), 0.0, 100000.0));
  ReadGeometry(r.tree, n, &s.geometry);
  ReadPaint(n, &s);
  Pair(VmlAttribute(n, "coordorigin"), &s.coordLeft, &s.coordTop);
  Pair(VmlAttribute(n, "coordsize"), &s.coordWidth, &s.coordHeight);
  ReadVmlStyle(Str(VmlAttribute(n, "style")), unitlessPt, &s);
  ReadElementGeometry(n, unitlessPt, &s);
  if (kind == kVmlImage) s.imagePath = PicturePath(r, n), ReadCrop(n, &s);
  ReadChildren(r, n, &s);
  r.drawing->shapes.push_back(std::move(s));
}

// Shape types first (a shape may come before the type it names), then the shapes in order.
void CollectTypes(ShapeReader& r) {
  for (const VmlNode& n : r.tree.nodes) {
    if (n.name != "shapetype") continue;
    const char* id = VmlAttribute(n, "id");
    if (id && !r.types.count(id)) r.types[id] = &n;
  }
}

void ReadLevel(ShapeReader& r, const VmlNode& n, int32_t parent, double unitlessPt, int32_t depth) {
  if (depth > kMaxVmlDepth) return;
  for (int32_t index : n.children) {
    if (r.drawing->shapes.size() >= size_t(kMaxVmlShapes)) return;
    const VmlNode& c = r.tree.nodes[size_t(index)];
    const int32_t kind = KindOf(c.name);
    if (kind < 0) {
      if (!c.name.empty() && c.name != "shapetype") ReadLevel(r, c, parent, unitlessPt, depth + 1);
      continue;
    }
    const int32_t self = int32_t(r.drawing->shapes.size());
    ReadShape(r, c, kind, parent, unitlessPt);
    if (kind == kVmlGroup) ReadLevel(r, c, self, 1.0, depth + 1);
  }
}

}  // namespace

int32_t ReadVmlShapes(const char* text, size_t size, const Relationship* rels, int32_t count, LegacyDrawing* drawing) {
  if (!drawing) return XLX_ERR_ARGUMENT;
  drawing->shapes.clear();
  VmlTree tree;
  int32_t rc = ParseVmlTree(text, size, &tree);
  if (rc != XLX_OK) return rc;
  try {
    ShapeReader r{tree, rels, count, drawing, {}};
    CollectTypes(r);
    ReadLevel(r, tree.nodes[0], -1, 0.75, 0);
    GroupOptionButtons(drawing);
  } catch (const std::bad_alloc&) {
    drawing->shapes.clear();
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

namespace {

// The bytes of a part, or none when it cannot be read. -1 only when memory runs out.
int32_t ReadPart(const Workbook& workbook, const std::u16string& path, std::string* bytes) {
  uint8_t* data = nullptr;
  const int64_t size = ReadXmlPartBytes(workbook.hPackage, &workbook.parts, path.c_str(), &data);
  if (size == -1) return XLX_ERR_MEMORY;
  if (size > 0 && data) {
    try {
      bytes->assign(reinterpret_cast<const char*>(data), size_t(size));
    } catch (const std::bad_alloc&) {
      FreeXmlPartBytes(data);
      return XLX_ERR_MEMORY;
    }
  }
  FreeXmlPartBytes(data);
  return XLX_OK;
}

int32_t ReadShapesPart(const Workbook& workbook, const std::u16string& vmlPath, LegacyDrawing* drawing) {
  std::string bytes;
  if (vmlPath.empty() || ReadPart(workbook, vmlPath, &bytes) != XLX_OK) return vmlPath.empty() ? 1 : -1;
  if (bytes.empty()) return XLX_OK;
  const size_t slash = vmlPath.rfind(u'/');
  const std::u16string dir = slash == std::u16string::npos ? std::u16string() : vmlPath.substr(0, slash);
  const std::u16string name = slash == std::u16string::npos ? vmlPath : vmlPath.substr(slash + 1);
  Relationship* rels = nullptr;
  int32_t count = 0;
  int32_t rc = ReadRelationships(PackageSource{workbook.hPackage, &workbook.parts}, dir.c_str(), name.c_str(), &rels, &count);
  if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  if (rc != XLX_OK) rels = nullptr, count = 0;
  rc = ReadVmlShapes(bytes.data(), bytes.size(), rels, count, drawing);
  FreeRelationships(rels, count);
  return rc;
}

}  // namespace

int32_t ReadLegacyDrawing(const Workbook& workbook, MyWorksheet* sheet, const std::u16string& vmlPath) {
  if (!sheet) return XLX_ERR_ARGUMENT;
  int32_t rc = ReadShapesPart(workbook, vmlPath, &sheet->legacy);
  if (rc != XLX_OK) return rc;
  const Relationship* comments = FindRelationshipByType(sheet->relationships, sheet->relationshipCount, u"comments");
  if (!comments || !comments->targetPath) return XLX_OK;
  std::string bytes;
  if (ReadPart(workbook, comments->targetPath, &bytes) != XLX_OK) return XLX_ERR_MEMORY;
  return bytes.empty() ? 1 : ReadSheetNotes(workbook, bytes.data(), bytes.size(), &sheet->legacy);
}

}  // namespace xlx
