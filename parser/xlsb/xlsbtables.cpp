// Tables and pivot tables of a binary worksheet. The sheet names its table parts by relationship id
// in table-part records; pivot tables are reached through its "pivotTable" relationships. A table
// part holds the list record (range, header and totals rows, names), one record per column and the
// style record; a pivot table part holds its location record and the same style record.
#include <algorithm>
#include <set>
#include <string>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsb/xlsbsheetobjects.h"
#include "parser/sheet/tables.h"
#include "common/guarded.h"

namespace xlx {
namespace {

constexpr uint32_t kBeginList = RawType(343);
constexpr uint32_t kBeginListColumn = RawType(347);
constexpr uint32_t kStyleClient = RawType(513);
constexpr uint32_t kListPart = RawType(661);
constexpr uint32_t kBeginLocation = RawType(314);
constexpr uint32_t kBeginPageField = RawType(289);
constexpr uint32_t kBeginLineItem = RawType(297);
constexpr uint32_t kBeginRowItems = RawType(299);
constexpr uint32_t kEndRowItems = RawType(300);
constexpr uint32_t kBeginColumnItems = RawType(301);
constexpr uint32_t kEndColumnItems = RawType(302);
constexpr uint32_t kBeginRowFields = RawType(309);

// Kinds of a row or column item: values, the subtotal kinds, the grand total and a blank line.
constexpr uint8_t kItemData = 0;
constexpr uint8_t kItemGrand = 13;
constexpr uint8_t kItemBlank = 14;

// More tables than this on one sheet are not read: each costs a part read and an index entry.
constexpr size_t kMaxTablesPerSheet = 65536;

// Style options of the style record.
enum StyleFlag : uint16_t {
  kFirstColumn = 0x01, kLastColumn = 0x02, kRowStripes = 0x04, kColumnStripes = 0x08, kRowHeaders = 0x10,
  kColumnHeaders = 0x20,
};

// A range of four 32-bit fields (first row, last row, first column, last column, 0-based) as
// 1-based bounds; false when it lies outside the sheet.
bool ReadBounds(RecordCursor* cursor, TableBounds* out) {
  const uint32_t r1 = cursor->U32(), r2 = cursor->U32(), c1 = cursor->U32(), c2 = cursor->U32();
  if (!cursor->Ok() || r1 > r2 || c1 > c2 || r2 >= kMaxRows || c2 >= kMaxColumns) return false;
  *out = TableBounds{int32_t(r1) + 1, int32_t(r2) + 1, int32_t(c1) + 1, int32_t(c2) + 1};
  return true;
}

// The style record: option flags and the style's name. False when it is cut off.
bool ReadStyle(const RecordEntry& record, TableBase* table, uint16_t* flags) {
  RecordCursor cursor(record);
  *flags = cursor.U16();
  std::u16string name = cursor.WideString();
  if (!cursor.Ok()) return false;
  table->styleName = std::move(name);
  return true;
}

void ReadColumn(const RecordEntry& record, TableBase* table) {
  if (table->columns.size() >= size_t(kMaxTableColumns)) return;
  RecordCursor cursor(record);
  TableColumn column;
  const uint32_t id = cursor.U32();
  cursor.Skip(5 * 4);  // totals function, three differential formats, query field
  std::u16string name = cursor.WideString();
  std::u16string caption = cursor.WideString();
  if (!cursor.Ok() && name.empty()) return;
  column.id = id > uint32_t(INT32_MAX) ? 0 : int32_t(id);
  column.name = caption.empty() ? std::move(name) : std::move(caption);
  table->columns.push_back(std::move(column));
}

// Offsets of the special rows of a pivot table from its row items, and the grand-total column from
// its column items: each item (repeat count, kind, flags, ...) is one row or column of the data area.
void ReadPivotItems(TableBase* table, const RecordList& records) {
  PivotLayout& p = table->pivot;
  int32_t rowFields = 0, rowOffset = p.firstDataRow, colOffset = p.firstDataCol, seen = 0;
  enum { kOutside, kRows, kColumns } in = kOutside;
  for (const RecordEntry& record : records) {
    if (record.type == kBeginRowFields) {
      RecordCursor cursor(record);
      rowFields = int32_t(std::min<uint32_t>(cursor.U32(), 1 << 16));
    } else if (record.type == kBeginRowItems || record.type == kBeginColumnItems) {
      in = record.type == kBeginRowItems ? kRows : kColumns;
    } else if (record.type == kEndRowItems || record.type == kEndColumnItems) {
      in = kOutside;
    } else if (record.type == kBeginLineItem && in != kOutside && seen++ < kMaxPivotRowItems) {
      RecordCursor cursor(record);
      const uint16_t repeat = cursor.U16();
      const uint8_t kind = cursor.U8();
      if (!cursor.Ok()) continue;
      if (in == kColumns) {
        if (kind == kItemGrand) p.grandTotalCol = colOffset;
        ++colOffset;
        continue;
      }
      if (kind == kItemGrand) p.grandTotalRow = rowOffset;
      else if (kind == kItemBlank) p.blankRows.push_back(rowOffset);
      else if (kind != kItemData) p.subtotalRows.push_back(rowOffset);
      else if (repeat == 0 && rowFields > 1) p.subheadingRows.push_back(rowOffset);
      ++rowOffset;
    }
  }
}

// Reads the part of `rel` into a new table of the sheet; a part that does not read is skipped.
int32_t AddTable(const Workbook& workbook, MyWorksheet* sheet, const Relationship* rel, bool pivot) {
  if (!rel || !rel->targetPath || sheet->tables.items.size() >= kMaxTablesPerSheet) return XLX_OK;
  if (HasPart(&workbook.parts, rel->targetPath) != XLX_OK) return XLX_OK;
  RecordList records;
  int32_t rc = LoadRecordList(workbook.hPackage, &workbook.parts, rel->targetPath, &records);
  if (rc == XLX_ERR_MEMORY) return rc;
  if (rc != XLX_OK) return XLX_OK;
  TableBase table;
  rc = pivot ? ReadBinaryPivotTablePart(&table, records) : ReadBinaryTablePart(&table, records);
  if (rc == XLX_ERR_MEMORY) return rc;
  if (rc == XLX_OK) sheet->tables.items.push_back(std::move(table));
  return XLX_OK;
}

}  // namespace

int32_t ReadBinaryTablePart(TableBase* table, const RecordList& records) {
  if (!table) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    *table = TableBase();
    table->kind = kTableKindTable;
    const int64_t at = records.Find(kBeginList);
    if (at < 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "table part has no list record");
    RecordCursor cursor(records[size_t(at)]);
    if (!ReadBounds(&cursor, &table->range)) return XLX_CORRUPT(XLX_ERR_FORMAT, "table range outside the sheet");
    cursor.U32();  // list kind
    const uint32_t id = cursor.U32(), headerRows = cursor.U32(), totalsRows = cursor.U32();
    cursor.Skip(4 + 6 * 4 + 4);  // flags, six differential formats, connection
    std::u16string name = cursor.WideString();
    std::u16string displayName = cursor.WideString();
    if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "table list record cut off");
    table->id = id > uint32_t(INT32_MAX) ? 0 : int32_t(id);
    table->headerRowCount = headerRows > 0 ? 1 : 0;
    table->totalsRowCount = totalsRows > 0 ? 1 : 0;
    table->name = displayName.empty() ? std::move(name) : std::move(displayName);
    for (size_t i = size_t(at) + 1; i < records.Count(); ++i) {
      const RecordEntry& record = records[i];
      uint16_t flags = 0;
      if (record.type == kBeginListColumn) {
        ReadColumn(record, table);
      } else if (record.type == kStyleClient && ReadStyle(record, table, &flags)) {
        table->showFirstColumn = (flags & kFirstColumn) != 0;
        table->showLastColumn = (flags & kLastColumn) != 0;
        table->showRowStripes = (flags & kRowStripes) != 0;
        table->showColumnStripes = (flags & kColumnStripes) != 0;
      }
    }
    return XLX_OK;
  });
}

int32_t ReadBinaryPivotTablePart(TableBase* table, const RecordList& records) {
  if (!table) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    *table = TableBase();
    table->kind = kTableKindPivot;
    const int64_t at = records.Find(kBeginLocation);
    if (at < 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "pivot part has no location");
    RecordCursor cursor(records[size_t(at)]);
    if (!ReadBounds(&cursor, &table->range)) return XLX_CORRUPT(XLX_ERR_FORMAT, "pivot location outside the sheet");
    // The header row, first data row and first data column are sheet places (0-based).
    const uint32_t headRow = cursor.U32(), dataRow = cursor.U32(), dataColumn = cursor.U32();
    const uint32_t pageRows = cursor.U32();
    if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "pivot location cut off");
    const TableBounds& b = table->range;
    auto offset = [](uint32_t place, int32_t first, int32_t last) {
      const int64_t value = int64_t(place) + 1 - first;
      return int32_t(std::clamp<int64_t>(value, 0, last - first + 1));
    };
    PivotLayout& p = table->pivot;
    p.firstHeaderRow = offset(headRow, b.RowFirst, b.RowLast);
    p.firstDataRow = offset(dataRow, b.RowFirst, b.RowLast);
    p.firstDataCol = offset(dataColumn, b.ColFirst, b.ColLast);
    table->headerRowCount = p.firstDataRow > 0 ? 1 : 0;
    for (const RecordEntry& record : records) {
      uint16_t flags = 0;
      if (record.type == kBeginPageField && p.pageFieldCount < 4096) {
        ++p.pageFieldCount;
      } else if (record.type == kStyleClient && ReadStyle(record, table, &flags)) {
        p.showRowHeaders = (flags & kRowHeaders) != 0;
        p.showColHeaders = (flags & kColumnHeaders) != 0;
        table->showRowStripes = (flags & kRowStripes) != 0;
        table->showColumnStripes = (flags & kColumnStripes) != 0;
        table->showLastColumn = (flags & kLastColumn) != 0;
        table->showFirstColumn = p.showRowHeaders;
      }
    }
    ReadPivotItems(table, records);
    if (p.pageFieldCount > 0) p.pageRows = int32_t(std::clamp<uint32_t>(pageRows, 1, uint32_t(p.pageFieldCount)));
    return XLX_OK;
  });
}

int32_t ReadBinarySheetTables(Workbook* workbook, MyWorksheet* sheet, const RecordList& records) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  const int32_t rc = Guarded([&]() -> int32_t {
    sheet->tables = SheetTables();
    int32_t status = XLX_OK;
    std::set<std::u16string> seen;  // a part named twice is read once
    for (int32_t k = 0; k < sheet->relationshipCount && status == XLX_OK; ++k) {
      const Relationship& rel = sheet->relationships[k];
      if (rel.typeName && std::u16string(rel.typeName) == u"pivotTable" && rel.targetPath && seen.insert(rel.targetPath).second)
        status = AddTable(*workbook, sheet, &rel, true);
    }
    for (const RecordEntry& record : records) {
      if (record.type != kListPart || status != XLX_OK) continue;
      RecordCursor cursor(record);
      const std::u16string id = cursor.WideString();
      if (!cursor.Ok() || id.empty()) continue;
      const Relationship* rel = FindRelationshipById(sheet->relationships, sheet->relationshipCount, id.c_str());
      if (rel && rel->targetPath && seen.insert(rel->targetPath).second) status = AddTable(*workbook, sheet, rel, false);
    }
    return status;
  });
  if (rc == XLX_ERR_MEMORY) return rc;
  return FinishReadingSheetTables(workbook, sheet);
}

}  // namespace xlx
