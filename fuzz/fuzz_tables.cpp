// The table readers and structured references. The input is parsed as XML: a `table` part, a
// `pivotTableDefinition` or a `styleSheet` whose `tableStyles` are read with their elements. A table
// or pivot table read is placed on a one-sheet workbook, given its style, resolved cell by cell over
// a window of its range and looked up by row; then the input's text (every formula of the part and
// the raw bytes themselves) is expanded as formulas with structured references against it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "model/workbook.h"
#include "parser/sheet/tables.h"
#include "parser/xml/dom.h"
#include "values/formula/structuredrefs.h"
#include "view/cells/tables.h"

namespace {

void Expand(const xlx::Workbook& workbook, const std::u16string& text) {
  std::u16string scratch;
  for (int32_t row : {1, 2, 3, 100})
    (void)xlx::ExpandStructuredReferences(workbook, 0, row, 1, text, &scratch);
}

void ResolveCells(const xlx::TableBase& table) {
  const xlx::TableBounds& r = table.range;
  for (int32_t row = r.RowFirst - 1; row <= std::min(r.RowLast + 1, r.RowFirst + 40); ++row)
    for (int32_t col = r.ColFirst - 1; col <= std::min(r.ColLast + 1, r.ColFirst + 20); ++col) {
      xlx::TableCellFormat format;
      (void)xlx::ResolveTableCell(table, row, col, &format);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pugi::xml_document doc;
  doc.load_buffer(data, size, pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
  xlx::Workbook* workbook = nullptr;
  if (xlx::CreateWorkbook(&workbook) != 1) return 0;
  if (workbook->sheets.Allocate(1) == 1) {
    workbook->sheetCount = 1;
    xlx::MyWorksheet& sheet = workbook->sheets[0];
    sheet.sheetName[0] = u'S';
    pugi::xml_node root = doc.document_element();
    if (pugi::xml_node styles = xlx::Child(root, "tableStyles")) {
      for (pugi::xml_node s = xlx::Child(styles, "tableStyle"); s; s = xlx::NextNamed(s, "tableStyle")) {
        xlx::TableStyleEntry entry;
        xlx::ReadTableStyleElements(&entry, s, 8);
        workbook->styles.tableStyles.emplace(xlx::ToUtf16(s.attribute("name").value()), std::move(entry));
      }
    }
    xlx::TableBase table;
    int32_t rc = xlx::IsElement(root, "pivotTableDefinition") ? xlx::ReadPivotTableDefinition(&table, root)
                                                              : xlx::ReadTablePart(&table, root);
    if (rc == 1) {
      std::u16string styleName = table.styleName.empty() ? u"PivotStyleLight16" : table.styleName;
      if (xlx::ResolveTableStyle(workbook, styleName, &table.style) == 1) {
        sheet.tables.items.push_back(table);
        sheet.tables.items.push_back(table);  // an overlapping twin
        workbook->tableIndex.byName.emplace(xlx::TableNameKey(table.name), xlx::TableLocator{0, 0});
        if (xlx::IndexSheetTables(&sheet.tables) == 1) {
          ResolveCells(table);
          (void)xlx::FindTableAt(sheet.tables, table.range.RowFirst, table.range.ColFirst);
          (void)xlx::FindTableAt(sheet.tables, table.range.RowLast + 1, table.range.ColLast);
        }
      }
    }
    for (pugi::xml_node c = xlx::Child(xlx::Child(root, "tableColumns"), "tableColumn"); c;
         c = xlx::NextNamed(c, "tableColumn"))
      Expand(*workbook, xlx::ToUtf16(xlx::ElementText(xlx::Child(c, "calculatedColumnFormula"))));
    std::u16string raw;
    for (size_t k = 0; k < size && k < 4096; ++k) raw.push_back(char16_t(data[k]));
    Expand(*workbook, raw);
  }
  xlx::FreeWorkbook(workbook);
  return 0;
}
