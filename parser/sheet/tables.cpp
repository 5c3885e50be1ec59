// Table parts, pivot table definitions and table styles into the model.
#include "parser/sheet/tables.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "common/cellref.h"
#include "common/resultcodes.h"
#include "package/xlsxunzip.h"
#include "parser/xml/dom.h"

namespace xlx {
namespace {

// More tables than this on one sheet are not read: each costs a part read and an index entry.
constexpr int32_t kMaxTablesPerSheet = 65536;

bool ReadRange(pugi::xml_attribute ref, TableBounds* out) {
  CellRange range;
  if (!ParseCellRange(std::string_view(ref.value()), &range)) return false;
  *out = TableBounds{range.first.row, range.last.row, range.first.column, range.last.column};
  return true;
}

void ReadFlag(pugi::xml_node node, const char* name, bool* out) {
  if (pugi::xml_attribute a = node.attribute(name)) *out = ReadBool(a);
}

// "_x000a_" in a column name stands for a line feed.
std::u16string ColumnName(const char* text) {
  const std::u16string raw = ToUtf16(text);
  const std::u16string lf = u"_x000a_";
  std::u16string name;
  for (size_t at = 0; at < raw.size();) {
    if (raw.compare(at, lf.size(), lf) == 0) {
      name.push_back(u'\n');
      at += lf.size();
    } else {
      name.push_back(raw[at++]);
    }
  }
  return name;
}

// Offsets of the special rows of a pivot table from its `rowItems`, and of its special columns
// (subtotals, subheadings, grand total) from its `colItems`. Every `i` is one row (or column) of
// the data area.
void ReadPivotItems(TableBase* table, pugi::xml_node root, int32_t rowFieldCount, int32_t colFieldCount) {
  PivotLayout& p = table->pivot;
  int32_t offset = p.firstDataRow, seen = 0;
  pugi::xml_node rowItems = Child(root, "rowItems");
  for (pugi::xml_node i = Child(rowItems, "i"); i && seen < kMaxPivotRowItems; i = NextNamed(i, "i"), ++seen, ++offset) {
    const char* t = i.attribute("t").value();
    int32_t repeat = 0;
    ReadInt(i.attribute("r"), &repeat);
    if (strcmp(t, "grand") == 0) {
      p.grandTotalRow = offset;
    } else if (strcmp(t, "blank") == 0) {
      p.blankRows.push_back(offset);
    } else if (*t && strcmp(t, "data") != 0) {
      p.subtotalRows.push_back(offset);  // "default", "sum", "count" and the other subtotal kinds
    } else if (repeat == 0 && rowFieldCount > 1) {
      p.subheadingRows.push_back(offset);
    }
  }
  offset = p.firstDataCol, seen = 0;
  pugi::xml_node colItems = Child(root, "colItems");
  for (pugi::xml_node i = Child(colItems, "i"); i && seen < kMaxPivotRowItems; i = NextNamed(i, "i"), ++seen, ++offset) {
    const char* t = i.attribute("t").value();
    int32_t repeat = 0;
    ReadInt(i.attribute("r"), &repeat);
    if (strcmp(t, "grand") == 0) p.grandTotalCol = offset;
    else if (*t && strcmp(t, "data") != 0 && strcmp(t, "blank") != 0) p.subtotalCols.push_back(offset);
    else if (!*t && repeat == 0 && colFieldCount > 1) p.subheadingCols.push_back(offset);
  }
}

// The built-in or custom style `name` made into a drawable record.
std::shared_ptr<ResolvedTableStyle> MakeStyle(const Workbook& workbook, const std::u16string& name) {
  const Stylesheet& styles = workbook.styles;
  auto custom = styles.tableStyles.find(name);
  if (custom != styles.tableStyles.end()) {
    auto style = std::make_shared<ResolvedTableStyle>();
    style->name = name;
    for (const TableStyleEntryElement& e : custom->second.elements) {
      if (e.type < 0 || e.type >= kTseCount) continue;
      TableStyleElementFormat& slot = style->elements[e.type];
      slot.present = true;
      slot.size = e.size;
      if (e.dxfId >= 0) slot.dxf = GetDxf(styles, e.dxfId);
    }
    return style;
  }
  const PresetTableStyle* preset = FindPresetTableStyle(name);
  if (!preset) return nullptr;
  // A workbook without a theme draws the built-in styles in the application's default theme.
  static const CellColor kOfficeTheme[12] = {
      0xFFFFFFFFu, 0xFF000000u, 0xFFE1ECEEu, 0xFF7D491Fu, 0xFFBD814Fu, 0xFF4D50C0u,
      0xFF59BB9Bu, 0xFFA26480u, 0xFFC6AC4Bu, 0xFF4696F7u, 0xFFFF0000u, 0xFF800080u};
  const CellColor* theme = workbook.clrScheme ? workbook.themeColors : kOfficeTheme;
  auto style = std::make_shared<ResolvedTableStyle>();
  style->name = name;
  for (int32_t k = 0; k < preset->elementCount; ++k) {
    const PresetTableElement& e = kPresetTableElements[preset->firstElement + k];
    if (e.type >= kTseCount) continue;
    TableStyleElementFormat& slot = style->elements[e.type];
    slot.present = true;
    MakePresetDxf(kPresetTableDxfs[e.dxf], theme, &slot.dxf);
  }
  return style;
}

int32_t LoadTableDocument(const Workbook* workbook, const char16_t* path, pugi::xml_document* doc) {
  if (!path || HasPart(&workbook->parts, path) != XLX_OK) return XLX_ERR_FORMAT;
  return LoadXmlPart(workbook->hPackage, &workbook->parts, path, doc);
}

// Reads one part into a new table of the sheet; a part that does not read is skipped.
int32_t AddTable(Workbook* workbook, MyWorksheet* sheet, const Relationship* rel, bool pivot) {
  if (!rel || static_cast<int32_t>(sheet->tables.items.size()) >= kMaxTablesPerSheet) return XLX_OK;
  pugi::xml_document doc;
  int32_t rc = LoadTableDocument(workbook, rel->targetPath, &doc);
  if (rc == XLX_ERR_MEMORY) return rc;
  if (rc != XLX_OK) return XLX_OK;
  TableBase table;
  rc = pivot ? ReadPivotTableDefinition(&table, Child(doc, "pivotTableDefinition")) : ReadTablePart(&table, Child(doc, "table"));
  if (rc != XLX_OK) return XLX_OK;
  sheet->tables.items.push_back(std::move(table));
  return XLX_OK;
}

// A styled table prints even where its cells are empty, so the used range grows to hold it; a
// table beyond these bounds is still drawn where the sheet's own cells reach, but adds no pages.
constexpr int32_t kMaxTableGrowRows = 65536;
constexpr int32_t kMaxTableGrowColumns = 1024;

void GrowUsedRange(MyWorksheet* sheet, const TableBounds& r) {
  if (r.RowLast > kMaxTableGrowRows || r.ColLast > kMaxTableGrowColumns || r.RowFirst < 1 || r.ColFirst < 1) return;
  MyCellBounds& b = sheet->sheetBounds;
  if (b.RowFirst < 1 || b.ColFirst < 1) {
    b = MyCellBounds{r.RowFirst, r.RowLast, r.ColFirst, r.ColLast};
    return;
  }
  b.RowFirst = std::min(b.RowFirst, r.RowFirst);
  b.RowLast = std::max(b.RowLast, r.RowLast);
  b.ColFirst = std::min(b.ColFirst, r.ColFirst);
  b.ColLast = std::max(b.ColLast, r.ColLast);
}

// Styles and names of the sheet's tables, once they are all read.
int32_t FinishSheetTables(Workbook* workbook, MyWorksheet* sheet) {
  for (size_t k = 0; k < sheet->tables.items.size(); ++k) {
    TableBase& table = sheet->tables.items[k];
    std::u16string name = table.styleName;
    if (table.kind == kTableKindPivot && name.empty())
      name = workbook->styles.defaultPivotStyle.empty() ? u"PivotStyleLight16" : workbook->styles.defaultPivotStyle;
    if (ResolveTableStyle(workbook, name, &table.style) != XLX_OK) return XLX_ERR_MEMORY;
    if (table.style) GrowUsedRange(sheet, table.range);
    if (table.kind != kTableKindTable || table.name.empty()) continue;
    WorkbookLockGuard guard(workbook->lock);
    workbook->tableIndex.byName.emplace(TableNameKey(table.name), TableLocator{sheet->sheetIndex, static_cast<int32_t>(k)});
  }
  return IndexSheetTables(&sheet->tables);
}

}  // namespace

void ReadTableStyleElements(TableStyleEntry* entry, pugi::xml_node tableStyle, int32_t dxfCount) {
  for (pugi::xml_node e = Child(tableStyle, "tableStyleElement"); e && entry->elements.size() < size_t(kTseCount) * 4;
       e = NextNamed(e, "tableStyleElement")) {
    TableStyleEntryElement element;
    element.type = TableStyleElementFromName(e.attribute("type").value());
    if (element.type < 0) continue;
    int32_t value = 1;
    if (ReadInt(e.attribute("size"), &value)) element.size = std::clamp(value, 1, kMaxStripeSize);
    if (ReadInt(e.attribute("dxfId"), &value) && value >= 0 && value < dxfCount) element.dxfId = value;
    entry->elements.push_back(element);
  }
}

int32_t ReadTablePart(TableBase* table, pugi::xml_node root) {
  if (!root) return XLX_CORRUPT(XLX_ERR_FORMAT, "table part has no table element");
  return Guarded([&]() -> int32_t {
    table->kind = kTableKindTable;
    if (!ReadRange(root.attribute("ref"), &table->range)) return XLX_CORRUPT(XLX_ERR_FORMAT, "table ref is no range");
    ReadInt(root.attribute("id"), &table->id);
    table->name = ToUtf16(root.attribute("displayName").value());
    if (table->name.empty()) table->name = ToUtf16(root.attribute("name").value());
    int32_t count = 1;
    if (ReadInt(root.attribute("headerRowCount"), &count)) table->headerRowCount = count > 0 ? 1 : 0;
    count = 0;
    if (ReadInt(root.attribute("totalsRowCount"), &count)) table->totalsRowCount = count > 0 ? 1 : 0;
    pugi::xml_node columns = Child(root, "tableColumns");
    for (pugi::xml_node c = Child(columns, "tableColumn"); c && table->columns.size() < size_t(kMaxTableColumns);
         c = NextNamed(c, "tableColumn")) {
      TableColumn column;
      ReadInt(c.attribute("id"), &column.id);
      column.name = ColumnName(c.attribute("name").value());
      table->columns.push_back(std::move(column));
    }
    pugi::xml_node info = Child(root, "tableStyleInfo");
    table->styleName = ToUtf16(info.attribute("name").value());
    ReadFlag(info, "showFirstColumn", &table->showFirstColumn);
    ReadFlag(info, "showLastColumn", &table->showLastColumn);
    ReadFlag(info, "showRowStripes", &table->showRowStripes);
    ReadFlag(info, "showColumnStripes", &table->showColumnStripes);
    return XLX_OK;
  });
}

int32_t ReadPivotTableDefinition(TableBase* table, pugi::xml_node root) {
  if (!root) return XLX_CORRUPT(XLX_ERR_FORMAT, "pivot part has no pivotTableDefinition");
  return Guarded([&]() -> int32_t {
    table->kind = kTableKindPivot;
    table->name = ToUtf16(root.attribute("name").value());
    pugi::xml_node location = Child(root, "location");
    if (!ReadRange(location.attribute("ref"), &table->range)) return XLX_CORRUPT(XLX_ERR_FORMAT, "pivot location is no range");
    PivotLayout& p = table->pivot;
    const int32_t rows = table->range.RowLast - table->range.RowFirst + 1;
    const int32_t cols = table->range.ColLast - table->range.ColFirst + 1;
    ReadInt(location.attribute("firstHeaderRow"), &p.firstHeaderRow);
    ReadInt(location.attribute("firstDataRow"), &p.firstDataRow);
    ReadInt(location.attribute("firstDataCol"), &p.firstDataCol);
    p.firstHeaderRow = std::clamp(p.firstHeaderRow, 0, rows);
    p.firstDataRow = std::clamp(p.firstDataRow, 0, rows);
    p.firstDataCol = std::clamp(p.firstDataCol, 0, cols);
    table->headerRowCount = p.firstDataRow > 0 ? 1 : 0;
    pugi::xml_node pageFields = Child(root, "pageFields");
    p.pageFieldCount = std::min(CountChildren(pageFields, "pageField"), 4096);
    int32_t pageRows = 0;
    if (p.pageFieldCount > 0 && ReadInt(location.attribute("rowPageCount"), &pageRows))
      p.pageRows = std::clamp(pageRows, 1, p.pageFieldCount);
    pugi::xml_node info = Child(root, "pivotTableStyleInfo");
    table->styleName = ToUtf16(info.attribute("name").value());
    ReadFlag(info, "showRowHeaders", &p.showRowHeaders);
    ReadFlag(info, "showColHeaders", &p.showColHeaders);
    ReadFlag(info, "showRowStripes", &table->showRowStripes);
    ReadFlag(info, "showColStripes", &table->showColumnStripes);
    ReadFlag(info, "showLastColumn", &table->showLastColumn);
    table->showFirstColumn = p.showRowHeaders;
    pugi::xml_node rowFields = Child(root, "rowFields");
    int32_t rowFieldCount = ReadDeclaredCount(rowFields.attribute("count"), CountChildren(rowFields, "field"), 1 << 16);
    pugi::xml_node colFields = Child(root, "colFields");
    int32_t colFieldCount = ReadDeclaredCount(colFields.attribute("count"), CountChildren(colFields, "field"), 1 << 16);
    ReadPivotItems(table, root, rowFieldCount, colFieldCount);
    return XLX_OK;
  });
}

int32_t ResolveTableStyle(Workbook* workbook, const std::u16string& name, std::shared_ptr<const ResolvedTableStyle>* out) {
  out->reset();
  if (name.empty()) return XLX_OK;
  return Guarded([&]() -> int32_t {
    WorkbookLockGuard guard(workbook->lock);
    auto found = workbook->tableIndex.styles.find(name);
    if (found == workbook->tableIndex.styles.end())
      found = workbook->tableIndex.styles.emplace(name, MakeStyle(*workbook, name)).first;
    *out = found->second;
    return XLX_OK;
  });
}

int32_t ReadSheetTables(Workbook* workbook, MyWorksheet* sheet, pugi::xml_node worksheet) {
  return Guarded([&]() -> int32_t {
    sheet->tables = SheetTables();
    int32_t rc = XLX_OK;
    for (int32_t k = 0; k < sheet->relationshipCount && rc == XLX_OK; ++k) {
      const Relationship& rel = sheet->relationships[k];
      if (rel.typeName && std::u16string(rel.typeName) == u"pivotTable") rc = AddTable(workbook, sheet, &rel, true);
    }
    pugi::xml_node parts = Child(worksheet, "tableParts");
    for (pugi::xml_node part = Child(parts, "tablePart"); part && rc == XLX_OK; part = NextNamed(part, "tablePart")) {
      std::u16string id = ToUtf16(RelationshipIdAttribute(part).value());
      if (id.empty()) continue;
      rc = AddTable(workbook, sheet, FindRelationshipById(sheet->relationships, sheet->relationshipCount, id.c_str()), false);
    }
    if (rc != XLX_OK) return rc;
    return FinishSheetTables(workbook, sheet);
  });
}

int32_t FinishReadingSheetTables(Workbook* workbook, MyWorksheet* sheet) {
  return Guarded([&]() -> int32_t { return FinishSheetTables(workbook, sheet); });
}

int32_t CountTableRelationships(const Workbook* workbook) {
  int32_t count = 0;
  for (int32_t s = 0; s < workbook->sheetCount && s < static_cast<int32_t>(workbook->sheets.Count()); ++s) {
    const MyWorksheet& sheet = workbook->sheets[s];
    for (int32_t k = 0; k < sheet.relationshipCount; ++k)
      if (sheet.relationships[k].typeName && std::u16string(sheet.relationships[k].typeName) == u"table") ++count;
  }
  return count;
}

}  // namespace xlx
