#include "view/xlsxviewanchors.h"

#include <algorithm>
#include <cstdlib>

#include "common/limits.h"
#include "package/xlsxunzip.h"
#include "parser/xlsxprsrxml.h"

namespace xlx {
namespace {

constexpr size_t kMaxAnchors = 100000;

int64_t ReadInt64(pugi::xml_node node) {
  const char* text = node.child_value();
  char* end = nullptr;
  long long v = std::strtoll(text, &end, 10);
  // Offsets beyond a few thousand inches are nonsense; keep them in a range that cannot overflow.
  return std::max<long long>(-(1ll << 40), std::min<long long>(v, 1ll << 40));
}

int32_t ReadIndex(pugi::xml_node node, int32_t limit) {
  int64_t v = ReadInt64(node);
  return static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(v, limit)));
}

void ReadMarker(pugi::xml_node marker, int32_t* col, int64_t* colOff, int32_t* row, int64_t* rowOff) {
  *col = ReadIndex(Child(marker, "col"), kMaxColumns - 1);
  *colOff = ReadInt64(Child(marker, "colOff"));
  *row = ReadIndex(Child(marker, "row"), kMaxRows - 1);
  *rowOff = ReadInt64(Child(marker, "rowOff"));
}

void ReadExtent(pugi::xml_node ext, int64_t* cx, int64_t* cy) {
  *cx = std::max<int64_t>(0, std::min<int64_t>(std::strtoll(ext.attribute("cx").value(), nullptr, 10), 1ll << 40));
  *cy = std::max<int64_t>(0, std::min<int64_t>(std::strtoll(ext.attribute("cy").value(), nullptr, 10), 1ll << 40));
}

bool ReadAnchor(pugi::xml_node node, DrawingAnchor* a) {
  if (IsElement(node, "twoCellAnchor")) {
    a->kind = kAnchorTwoCell;
    ReadMarker(Child(node, "from"), &a->fromCol, &a->fromColOff, &a->fromRow, &a->fromRowOff);
    ReadMarker(Child(node, "to"), &a->toCol, &a->toColOff, &a->toRow, &a->toRowOff);
    return true;
  }
  if (IsElement(node, "oneCellAnchor")) {
    a->kind = kAnchorOneCell;
    ReadMarker(Child(node, "from"), &a->fromCol, &a->fromColOff, &a->fromRow, &a->fromRowOff);
    ReadExtent(Child(node, "ext"), &a->cx, &a->cy);
    return true;
  }
  if (IsElement(node, "absoluteAnchor")) {
    a->kind = kAnchorAbsolute;
    pugi::xml_node pos = Child(node, "pos");
    a->x = std::strtoll(pos.attribute("x").value(), nullptr, 10);
    a->y = std::strtoll(pos.attribute("y").value(), nullptr, 10);
    ReadExtent(Child(node, "ext"), &a->cx, &a->cy);
    return true;
  }
  return false;
}

}  // namespace

int32_t ReadDrawingAnchors(const Workbook& wb, const MyWorksheet& sheet, std::vector<DrawingAnchor>* anchors) {
  anchors->clear();
  if (sheet.drawingPath.empty()) return 1;
  pugi::xml_document doc;
  if (LoadXmlPart(wb.hPackage, &wb.parts, sheet.drawingPath.c_str(), &doc) != 1) return 1;
  pugi::xml_node root = doc.document_element();
  for (pugi::xml_node n = root.first_child(); n && anchors->size() < kMaxAnchors; n = n.next_sibling()) {
    if (n.type() != pugi::node_element) continue;
    pugi::xml_node node = n;
    if (IsElement(n, "AlternateContent")) {
      pugi::xml_node choice = Child(n, "Choice");
      if (!choice) choice = Child(n, "Fallback");
      node = choice.first_child();
      while (node && node.type() != pugi::node_element) node = node.next_sibling();
    }
    DrawingAnchor a;
    try {
      if (ReadAnchor(node, &a)) anchors->push_back(a);
    } catch (...) {
      return -1;
    }
  }
  return 1;
}

bool AnchorCells(const DrawingAnchor& a, MyCellBounds* cells) {
  if (a.kind == kAnchorAbsolute) return false;
  cells->RowFirst = a.fromRow + 1;
  cells->ColFirst = a.fromCol + 1;
  cells->RowLast = a.kind == kAnchorTwoCell ? a.toRow + 1 : a.fromRow + 1;
  cells->ColLast = a.kind == kAnchorTwoCell ? a.toCol + 1 : a.fromCol + 1;
  return true;
}

}  // namespace xlx
