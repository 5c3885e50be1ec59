// The drawing part of a worksheet, read into the sheet's drawing records.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsxprsr.h"
#include "parser/xml/drawingxml.h"
#include "shapes/reader/drawing.h"
#include "parser/styles/color.h"
#include "shapes/reader/shapes.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

constexpr size_t kMaxDrawingObjects = 100000;
constexpr int32_t kMaxGroupDepth = 32;

void ReadExtent(pugi::xml_node ext, int64_t* cx, int64_t* cy) {
  *cx = std::max<int64_t>(0, EmuText(ext.attribute("cx").value()));
  *cy = std::max<int64_t>(0, EmuText(ext.attribute("cy").value()));
}

bool ReadAnchor(pugi::xml_node node, DrawingAnchor* a) {
  if (IsElement(node, "twoCellAnchor")) {
    a->kind = kAnchorTwoCell;
    const char* editAs = node.attribute("editAs").value();
    a->editAs = strcmp(editAs, "oneCell") == 0 ? kEditOneCell : strcmp(editAs, "absolute") == 0 ? kEditAbsolute : kEditTwoCell;
    ReadMarker(Child(node, "from"), &a->fromCol, &a->fromColOff, &a->fromRow, &a->fromRowOff);
    ReadMarker(Child(node, "to"), &a->toCol, &a->toColOff, &a->toRow, &a->toRowOff);
    return true;
  }
  if (IsElement(node, "oneCellAnchor")) {
    a->kind = kAnchorOneCell;
    a->editAs = kEditOneCell;
    ReadMarker(Child(node, "from"), &a->fromCol, &a->fromColOff, &a->fromRow, &a->fromRowOff);
    ReadExtent(Child(node, "ext"), &a->cx, &a->cy);
    return true;
  }
  if (IsElement(node, "absoluteAnchor")) {
    a->kind = kAnchorAbsolute;
    a->editAs = kEditAbsolute;
    pugi::xml_node pos = Child(node, "pos");
    a->x = EmuText(pos.attribute("x").value());
    a->y = EmuText(pos.attribute("y").value());
    ReadExtent(Child(node, "ext"), &a->cx, &a->cy);
    return true;
  }
  return false;
}

void ReadTransform(pugi::xml_node xfrm, DrawingTransform* t) {
  if (!xfrm) return;
  t->present = true;
  pugi::xml_node off = Child(xfrm, "off"), chOff = Child(xfrm, "chOff");
  t->x = EmuText(off.attribute("x").value());
  t->y = EmuText(off.attribute("y").value());
  ReadExtent(Child(xfrm, "ext"), &t->cx, &t->cy);
  t->chX = EmuText(chOff.attribute("x").value());
  t->chY = EmuText(chOff.attribute("y").value());
  ReadExtent(Child(xfrm, "chExt"), &t->chCx, &t->chCy);
  long long rot = std::strtoll(xfrm.attribute("rot").value(), nullptr, 10) % 21600000;
  t->rotation = static_cast<int32_t>(rot < 0 ? rot + 21600000 : rot);
  t->flipH = ReadBool(xfrm.attribute("flipH"));
  t->flipV = ReadBool(xfrm.attribute("flipV"));
}

int32_t DashStyle(const char* prst) {
  if (!*prst || strcmp(prst, "solid") == 0) return 0;
  if (strcmp(prst, "sysDot") == 0 || strcmp(prst, "dot") == 0) return 2;
  if (strstr(prst, "DashDotDot")) return 4;
  if (strstr(prst, "DashDot") || strstr(prst, "dashDot")) return 3;
  return 1;
}

void ReadOutline(const Workbook& workbook, pugi::xml_node ln, OutlineSpec* o) {
  pugi::xml_node fill = Child(ln, "solidFill");
  if (!fill) return;  // no line, or one this reader cannot colour
  o->present = true;
  o->color = DrawingMLColor(workbook, fill);
  pugi::xml_attribute w = ln.attribute("w");
  if (w) o->widthEmu = std::max<int64_t>(0, EmuText(w.value()));
  o->lineStyle = DashStyle(Child(ln, "prstDash").attribute("val").value());
}

// Target of a relationship of the drawing part; *external is set for links outside the package.
std::u16string Target(const Relationship* rels, int32_t count, pugi::xml_attribute id, bool* external) {
  if (!id) return std::u16string();
  std::u16string key = ToUtf16(id.value());
  const Relationship* rel = FindRelationshipById(rels, count, key.c_str());
  if (rel && rel->targetMode && std::u16string(rel->targetMode) == u"External") {
    *external = true;
    return std::u16string();
  }
  return rel && rel->targetPath ? std::u16string(rel->targetPath) : std::u16string();
}

int32_t Thousandths(pugi::xml_attribute a, int32_t fallback, int32_t low, int32_t high) {
  int32_t v = fallback;
  ReadInt(a, &v);
  return std::max(low, std::min(v, high));
}

void ReadEffects(const Workbook& workbook, pugi::xml_node blip, PictureFill* p) {
  for (pugi::xml_node e = blip.first_child(); e; e = e.next_sibling()) {
    if (IsElement(e, "alphaModFix")) {
      p->alpha = Thousandths(e.attribute("amt"), 100000, 0, 100000);
      continue;
    }
    PictureEffect effect;
    if (IsElement(e, "grayscl")) {
      effect.kind = kEffectGrayscale;
    } else if (IsElement(e, "biLevel")) {
      effect.kind = kEffectBiLevel;
      effect.value1 = Thousandths(e.attribute("thresh"), 50000, 0, 100000);
    } else if (IsElement(e, "lum")) {
      effect.kind = kEffectLum;
      effect.value1 = Thousandths(e.attribute("bright"), 0, -100000, 100000);
      effect.value2 = Thousandths(e.attribute("contrast"), 0, -100000, 100000);
    } else if (IsElement(e, "duotone")) {
      pugi::xml_node first = FirstElement(e), second = first;
      for (second = first.next_sibling(); second && second.type() != pugi::node_element;) second = second.next_sibling();
      if (!first || !second) continue;
      effect.kind = kEffectDuotone;
      effect.color1 = DrawingMLColorElement(workbook, first);
      effect.color2 = DrawingMLColorElement(workbook, second);
    } else {
      continue;
    }
    if (p->effectCount < kMaxPictureEffects) p->effects[p->effectCount++] = effect;
  }
}

void ReadPicture(const Workbook& workbook, const Relationship* rels, int32_t count, pugi::xml_node pic,
                 DrawingObject* o) {
  pugi::xml_node blipFill = Child(pic, "blipFill");
  pugi::xml_node blip = Child(blipFill, "blip");
  PictureFill& p = o->picture;
  bool external = false;
  p.blipPath = Target(rels, count, PrefixedAttribute(blip, "embed"), &external);
  if (p.blipPath.empty() && PrefixedAttribute(blip, "link")) external = true;
  for (pugi::xml_node ext = Child(Child(blip, "extLst"), "ext"); ext; ext = NextNamed(ext, "ext")) {
    pugi::xml_node svg = Child(ext, "svgBlip");
    bool svgExternal = false;
    if (svg) p.svgPath = Target(rels, count, PrefixedAttribute(svg, "embed"), &svgExternal);
  }
  p.bLinked = external && p.blipPath.empty() && p.svgPath.empty();
  pugi::xml_node src = Child(blipFill, "srcRect");
  p.cropLeft = Thousandths(src.attribute("l"), 0, -10000000, 100000);
  p.cropTop = Thousandths(src.attribute("t"), 0, -10000000, 100000);
  p.cropRight = Thousandths(src.attribute("r"), 0, -10000000, 100000);
  p.cropBottom = Thousandths(src.attribute("b"), 0, -10000000, 100000);
  ReadEffects(workbook, blip, &p);
}

void ReadGraphicFrame(const Relationship* rels, int32_t count, pugi::xml_node frame, DrawingObject* o) {
  pugi::xml_node data = Child(Child(frame, "graphic"), "graphicData");
  pugi::xml_node content = FirstElement(data);
  const char* local = content ? LocalName(content.name()) : "";
  bool external = false;
  if (strcmp(local, "chart") == 0) {
    const char* uri = data.attribute("uri").value();
    o->graphicKind = strstr(uri, "chartex") || strstr(uri, "2014/chart") ? kGraphicChartEx : kGraphicChart;
    o->targetPath = Target(rels, count, PrefixedAttribute(content, "id"), &external);
  } else if (strcmp(local, "slicer") == 0) {
    o->graphicKind = kGraphicSlicer;
  } else if (strcmp(local, "timeslicer") == 0) {
    o->graphicKind = kGraphicTimeline;
  } else {
    o->graphicKind = content ? kGraphicOther : kGraphicNone;
  }
}

// The non-visual properties (`xdr:nvSpPr`, `xdr:nvPicPr`, ...) of an object: its `cNvPr`.
pugi::xml_node NonVisual(pugi::xml_node object) {
  for (pugi::xml_node c = object.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    const char* local = LocalName(c.name());
    if (strncmp(local, "nv", 2) == 0) return Child(c, "cNvPr");
  }
  return pugi::xml_node();
}

int32_t ObjectKind(pugi::xml_node node) {
  if (IsElement(node, "sp")) return kObjectShape;
  if (IsElement(node, "cxnSp")) return kObjectConnector;
  if (IsElement(node, "grpSp")) return kObjectGroup;
  if (IsElement(node, "pic")) return kObjectPicture;
  if (IsElement(node, "graphicFrame")) return kObjectGraphicFrame;
  if (IsElement(node, "contentPart")) return kObjectContentPart;
  return kObjectUnknown;
}

struct DrawingReader {
  const Workbook& workbook;
  const Relationship* rels;
  int32_t relCount;
  std::vector<DrawingObject>* objects;
  std::vector<ShapeSpec>* shapes;
};

void ReadCommon(const DrawingReader& r, pugi::xml_node node, DrawingObject* o) {
  pugi::xml_node cNvPr = NonVisual(node);
  o->bHidden = ReadBool(cNvPr.attribute("hidden"));
  o->id = static_cast<uint32_t>(std::strtoul(cNvPr.attribute("id").value(), nullptr, 10));
  o->name = ToUtf16(cNvPr.attribute("name").value());
  for (pugi::xml_node ext = Child(Child(cNvPr, "extLst"), "ext"); ext; ext = NextNamed(ext, "ext")) {
    pugi::xml_node compat = Child(ext, "compatExt");
    if (compat) o->legacyShapeId = ToUtf16(compat.attribute("spid").value());
  }
  pugi::xml_node props = Child(node, o->kind == kObjectGroup ? "grpSpPr" : "spPr");
  if (o->kind == kObjectGraphicFrame) ReadTransform(Child(node, "xfrm"), &o->xfrm);
  else ReadTransform(Child(props, "xfrm"), &o->xfrm);
  ReadOutline(r.workbook, Child(props, "ln"), &o->outline);
}

// One object and, for a group, its members after it. Objects past the cap are dropped.
void ReadObject(const DrawingReader& r, pugi::xml_node node, const DrawingObject& frame, int32_t parent, int32_t depth) {
  const int32_t kind = ObjectKind(node);
  if (kind == kObjectUnknown || r.objects->size() >= kMaxDrawingObjects) return;
  DrawingObject o;
  o.kind = kind;
  o.nParent = parent;
  o.nDepth = depth;
  o.nAnchorIndex = frame.nAnchorIndex;
  o.bFromAlternate = frame.bFromAlternate;
  o.anchor = frame.anchor;
  ReadCommon(r, node, &o);
  if (kind == kObjectPicture) ReadPicture(r.workbook, r.rels, r.relCount, node, &o);
  if (kind == kObjectGraphicFrame) ReadGraphicFrame(r.rels, r.relCount, node, &o);
  if (kind == kObjectShape || kind == kObjectConnector) {
    o.nShape = static_cast<int32_t>(r.shapes->size());
    r.shapes->emplace_back();
    ReadShapeSpec(r.workbook, r.rels, r.relCount, node, &r.shapes->back());
  }
  const int32_t index = static_cast<int32_t>(r.objects->size());
  r.objects->push_back(std::move(o));
  if (kind != kObjectGroup || depth + 1 >= kMaxGroupDepth) return;
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    pugi::xml_node member = c;
    if (IsElement(c, "AlternateContent")) member = FirstElement(ChooseAlternateContent(c));
    ReadObject(r, member, frame, index, depth + 1);
  }
}

void SplitPath(const std::u16string& path, std::u16string* dir, std::u16string* name) {
  size_t slash = path.rfind(u'/');
  *dir = slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
  *name = slash == std::u16string::npos ? path : path.substr(slash + 1);
}

void ReadAnchors(const DrawingReader& r, pugi::xml_node root) {
  int32_t position = 0;
  for (pugi::xml_node n = root.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    DrawingObject frame;
    frame.nAnchorIndex = position++;
    pugi::xml_node anchor = n;
    if (IsElement(n, "AlternateContent")) {
      anchor = FirstElement(ChooseAlternateContent(n));
      frame.bFromAlternate = true;
    }
    if (!ReadAnchor(anchor, &frame.anchor)) continue;
    for (pugi::xml_node c = anchor.first_child(); c; c = c.next_sibling()) {
      pugi::xml_node object = c;
      if (IsElement(c, "AlternateContent")) object = FirstElement(ChooseAlternateContent(c));
      if (ObjectKind(object) == kObjectUnknown) continue;
      ReadObject(r, object, frame, -1, 0);
      break;  // one object per anchor
    }
  }
}

}  // namespace

int32_t ReadSheetDrawing(Workbook* workbook, MyWorksheet* sheet) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  sheet->drawing.objects.clear();
  sheet->drawing.shapes.clear();
  if (sheet->drawingPath.empty()) return XLX_OK;
  return Guarded([&]() -> int32_t {
    pugi::xml_document doc;
    int32_t rc = LoadXmlPart(workbook->hPackage, &workbook->parts, sheet->drawingPath.c_str(), &doc);
    if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
    if (rc != XLX_OK) return XLX_OK;  // a drawing that cannot be read loses the drawing, not the sheet
    std::u16string dir, name;
    SplitPath(sheet->drawingPath, &dir, &name);
    Relationship* rels = nullptr;
    int32_t count = 0;
    rc = ReadRelationships(PackageSource{workbook->hPackage, &workbook->parts}, dir.c_str(), name.c_str(), &rels,
                           &count);
    if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
    if (rc != XLX_OK) rels = nullptr, count = 0;
    DrawingReader reader{*workbook, rels, count, &sheet->drawing.objects, &sheet->drawing.shapes};
    int32_t result = Guarded([&]() -> int32_t {
      ReadAnchors(reader, doc.document_element());
      return XLX_OK;
    });
    FreeRelationships(rels, count);
    if (result != XLX_OK) sheet->drawing.objects.clear(), sheet->drawing.shapes.clear();
    return result == XLX_ERR_MEMORY ? XLX_ERR_MEMORY : XLX_OK;
  });
}

}  // namespace xlx
