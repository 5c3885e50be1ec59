// Defined names of the workbook part: ordinary names (the first of each name wins, whatever its
// sheet scope) and the print areas, kept per sheet.
#include <new>
#include <set>

#include "common/apiutils.h"
#include "parser/xlsxprsr.h"
#include "parser/xml/dom.h"
#include "common/resultcodes.h"

namespace xlx {

namespace {

std::u16string Folded(const std::u16string& name) {
  std::u16string folded(name);
  for (char16_t& unit : folded) unit = LowerUnit(unit);
  return folded;
}

}  // namespace

int32_t ReadDefinedNames(Workbook* workbook, pugi::xml_node workbookNode) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    WorkbookLockGuard guard(workbook->lock);
    workbook->definedNames.clear();
    workbook->printAreas.clear();
    workbook->printTitles.clear();
    std::set<std::u16string> seen;
    pugi::xml_node names = Child(workbookNode, "definedNames");
    for (pugi::xml_node node = Child(names, "definedName"); node; node = NextNamed(node, "definedName")) {
      const char* name = node.attribute("name").value();
      if (!*name) continue;
      std::u16string text = ToUtf16(ElementText(node));
      // A structured reference (Table[Column]) needs the table; without any table it is an error.
      if (text.find(u'[') != std::u16string::npos && workbook->tableCount == 0) text = u"#REF!";
      if (strcmp(name, "_xlnm.Print_Area") == 0) {
        int32_t sheet = 0;
        ReadInt(node.attribute("localSheetId"), &sheet);
        workbook->printAreas.emplace(sheet, std::move(text));
        continue;
      }
      if (strcmp(name, "_xlnm.Print_Titles") == 0) {
        int32_t sheet = 0;
        ReadInt(node.attribute("localSheetId"), &sheet);
        workbook->printTitles.emplace(sheet, std::move(text));
        continue;
      }
      DefinedNameEntry entry;
      entry.name = ToUtf16(name);
      if (!seen.insert(Folded(entry.name)).second) continue;
      if (!ReadInt(node.attribute("localSheetId"), &entry.localSheetId)) entry.localSheetId = -1;
      entry.formula = std::move(text);
      workbook->definedNames.push_back(std::move(entry));
    }
    return XLX_OK;
  });
}

}  // namespace xlx
