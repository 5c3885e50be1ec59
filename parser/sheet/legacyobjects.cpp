// The anchored embedded objects and controls of the worksheet part (`oleObjects`, `controls`):
// their anchors and preview pictures, read into the sheet's drawing records.
#include <vector>

#include "parser/xlsxprsr.h"
#include "parser/xml/dom.h"
#include "parser/xml/drawingxml.h"

namespace xlx {
namespace {

constexpr size_t kMaxLegacyObjects = 100000;

// `from` and `to` of an embedded object's or control's `anchor`.
bool ReadLegacyAnchor(pugi::xml_node anchor, DrawingAnchor* a) {
  pugi::xml_node from = Child(anchor, "from"), to = Child(anchor, "to");
  if (!from || !to) return false;
  a->kind = kAnchorTwoCell;
  a->editAs = ReadBool(anchor.attribute("moveWithCells")) ? kEditOneCell : kEditTwoCell;
  ReadMarker(from, &a->fromCol, &a->fromColOff, &a->fromRow, &a->fromRowOff);
  ReadMarker(to, &a->toCol, &a->toColOff, &a->toRow, &a->toRowOff);
  return true;
}

void ReadLegacyList(const MyWorksheet& sheet, pugi::xml_node list, const char* element, const char* properties,
                    int32_t kind, std::vector<LegacyObject>* out) {
  for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
    pugi::xml_node object = c;
    if (IsElement(c, "AlternateContent")) object = FirstElement(ChooseAlternateContent(c));
    if (!IsElement(object, element) || out->size() >= kMaxLegacyObjects) continue;
    pugi::xml_node pr = Child(object, properties);
    LegacyObject legacy;
    legacy.kind = kind;
    if (!pr || !ReadLegacyAnchor(Child(pr, "anchor"), &legacy.anchor)) continue;
    pugi::xml_attribute id = PrefixedAttribute(pr, "id");
    if (!id) continue;
    std::u16string key = ToUtf16(id.value());
    const Relationship* rel = FindRelationshipById(sheet.relationships, sheet.relationshipCount, key.c_str());
    if (!rel || !rel->targetPath) continue;
    if (rel->targetMode && std::u16string(rel->targetMode) == u"External") continue;
    legacy.picturePath = rel->targetPath;
    out->push_back(std::move(legacy));
  }
}

}  // namespace

int32_t ReadLegacyObjects(MyWorksheet* sheet, pugi::xml_node worksheet) {
  if (!sheet) return XLX_ERR_ARGUMENT;
  sheet->drawing.legacyObjects.clear();
  return Guarded([&]() -> int32_t {
    ReadLegacyList(*sheet, Child(worksheet, "oleObjects"), "oleObject", "objectPr", kLegacyOleObject,
                   &sheet->drawing.legacyObjects);
    ReadLegacyList(*sheet, Child(worksheet, "controls"), "control", "controlPr", kLegacyControl,
                   &sheet->drawing.legacyObjects);
    return XLX_OK;
  });
}

}  // namespace xlx
