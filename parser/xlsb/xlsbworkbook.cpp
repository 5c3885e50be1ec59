// The workbook part of a binary workbook: sheets, properties, the extern-sheet table and the
// defined names.
#include <set>

#include "common/apiutils.h"
#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsb/xlsbformula.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/xlsxprsr.h"
#include "common/guarded.h"

namespace xlx {

namespace {

constexpr uint32_t kNameBuiltin = 0x20;
constexpr uint32_t kMaxExternSheets = 1u << 20;

std::u16string TargetOfType(const Workbook* workbook, const char16_t* type) {
  const Relationship* rel = FindRelationshipByType(workbook->workbookRels, workbook->workbookRelCount, type);
  return rel && rel->targetPath ? std::u16string(rel->targetPath) : std::u16string();
}

int32_t ReadSheetBundle(const RecordEntry& record, std::vector<SheetEntry>* sheets) {
  RecordCursor cursor(record);
  SheetEntry entry;
  uint32_t state = cursor.U32();
  uint32_t tabId = cursor.U32();
  entry.relationshipId = cursor.WideString();
  entry.name = cursor.WideString();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "sheet record cut off");
  if (sheets->size() >= kMaxSheets) return XLX_OK;
  entry.state = state == 0 ? kSheetVisible : state == 2 ? kSheetVeryHidden : kSheetHidden;
  entry.sheetId = Utf8ToUtf16(std::to_string(tabId));
  if (entry.name.size() > kMaxSheetNameUnits) {
    size_t cut = kMaxSheetNameUnits;
    if (entry.name[cut - 1] >= 0xD800 && entry.name[cut - 1] <= 0xDBFF) --cut;
    entry.name.resize(cut);
  }
  sheets->push_back(std::move(entry));
  return XLX_OK;
}

int32_t ReadExternSheets(const RecordEntry& record, BinaryBookTables* tables) {
  RecordCursor cursor(record);
  uint32_t count = cursor.U32();
  if (!cursor.Ok() || count > kMaxExternSheets || count > cursor.Remaining() / 12)
    return XLX_CORRUPT(XLX_ERR_FORMAT, "extern-sheet count past the record");
  tables->externSheets.resize(count);
  for (ExternSheetEntry& entry : tables->externSheets) {
    entry.supportingLink = cursor.I32();
    entry.firstSheet = cursor.I32();
    entry.lastSheet = cursor.I32();
  }
  return XLX_OK;
}

// A name record's fixed fields, and where its formula lies.
struct NameRecord {
  uint32_t flags = 0;
  uint32_t sheet = 0xFFFFFFFFu;  // 0xFFFFFFFF: the whole workbook
  std::u16string name;
  FormulaTokens formula;
};

bool ParseName(const RecordEntry& record, NameRecord* out) {
  RecordCursor cursor(record);
  out->flags = cursor.U32();
  cursor.U8();  // shortcut key
  out->sheet = cursor.U32();
  out->name = cursor.WideString();
  uint32_t length = cursor.U32();
  if (!cursor.Ok() || length > cursor.Remaining()) return false;
  out->formula.tokens = cursor.Here();
  out->formula.length = length;
  cursor.Skip(length);
  uint32_t extra = cursor.U32();
  if (cursor.Ok() && extra <= cursor.Remaining()) {
    out->formula.extra = cursor.Here();
    out->formula.extraLength = extra;
  }
  return true;
}

// Defined names into the workbook, as the XML reader keeps them: the first of each name wins,
// print areas and print titles are kept per sheet. A name whose formula cannot be rendered is kept with "#REF!".
int32_t ReadNames(Workbook* workbook, const std::vector<NameRecord>& names) {
  WorkbookLockGuard guard(workbook->lock);
  workbook->definedNames.clear();
  workbook->printAreas.clear();
  workbook->printTitles.clear();
  std::set<std::u16string> seen;
  for (const NameRecord& record : names) {
    if (record.name.empty()) continue;
    std::u16string text;
    if (RenderFormulaTokens(*workbook, record.formula, &text) == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
    if (text.empty()) text = u"#REF!";
    bool printArea = record.name == u"_xlnm.Print_Area" || ((record.flags & kNameBuiltin) && record.name == u"Print_Area");
    int32_t sheet = record.sheet == 0xFFFFFFFFu || record.sheet > kMaxSheets ? -1 : int32_t(record.sheet);
    if (printArea) {
      workbook->printAreas.emplace(sheet < 0 ? 0 : sheet, std::move(text));
      continue;
    }
    if (record.name == u"_xlnm.Print_Titles" || ((record.flags & kNameBuiltin) && record.name == u"Print_Titles")) {
      workbook->printTitles.emplace(sheet < 0 ? 0 : sheet, std::move(text));
      continue;
    }
    std::u16string folded = record.name;
    for (char16_t& unit : folded) unit = LowerUnit(unit);
    if (!seen.insert(folded).second) continue;
    DefinedNameEntry entry;
    entry.name = (record.flags & kNameBuiltin) ? u"_xlnm." + record.name : record.name;
    entry.localSheetId = sheet;
    entry.formula = std::move(text);
    workbook->definedNames.push_back(std::move(entry));
  }
  return XLX_OK;
}

}  // namespace

int32_t ReadBinaryWorkbookRecords(Workbook* workbook, const RecordList& records) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    std::vector<SheetEntry> sheets;
    std::vector<NameRecord> names;
    BinaryBookTables& tables = workbook->binaryTables;
    tables = BinaryBookTables();
    for (const RecordEntry& record : records) {
      int32_t rc = XLX_OK;
      if (record.type == brt::kBundleSh) {
        rc = ReadSheetBundle(record, &sheets);
      } else if (record.type == brt::kWbProp) {
        RecordCursor cursor(record);
        workbook->bDate1904 = (cursor.U32() & 1) != 0;
      } else if (record.type == brt::kCalcProp) {
        RecordCursor cursor(record);
        cursor.U32();  // calculation id
        workbook->bManualCalc = cursor.Ok() && cursor.U32() == 0 && cursor.Ok();
      } else if (record.type == brt::kSupSelf || record.type == brt::kSupSame || record.type == brt::kSupBookSrc ||
                 record.type == brt::kSupAddin) {
        bool self = record.type == brt::kSupSelf || record.type == brt::kSupSame;
        if (tables.linkIsSelf.size() < kMaxExternSheets) tables.linkIsSelf.push_back(self ? 1 : 0);
      } else if (record.type == brt::kExternSheet) {
        rc = ReadExternSheets(record, &tables);
      } else if (record.type == brt::kName) {
        NameRecord name;
        if (!ParseName(record, &name)) return XLX_CORRUPT(XLX_ERR_FORMAT, "name record cut off");
        tables.names.push_back(name.name);
        tables.nameSheets.push_back(name.sheet >= kMaxSheets ? -1 : int32_t(name.sheet));
        names.push_back(std::move(name));
      }
      if (rc != XLX_OK) return rc;
    }
    if (workbook->sheetParts.Allocate(sheets.size()) != XLX_OK) return XLX_ERR_MEMORY;
    for (size_t i = 0; i < sheets.size(); ++i) workbook->sheetParts[i] = std::move(sheets[i]);
    // Names refer to sheets and to one another, so they are rendered once everything is known.
    return ReadNames(workbook, names);
  });
}

int32_t ReadBinaryWorkbookPart(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  RecordList records;
  int32_t rc = LoadRecordList(workbook->hPackage, &workbook->parts, workbook->workbookPath.c_str(), &records);
  if (rc != XLX_OK) return rc;
  if ((rc = ReadBinaryWorkbookRecords(workbook, records)) != XLX_OK) return rc;
  workbook->themePath = TargetOfType(workbook, u"theme");
  workbook->sharedStringsPath = TargetOfType(workbook, u"sharedStrings");
  workbook->stylesPath = TargetOfType(workbook, u"styles");
  return XLX_OK;
}

}  // namespace xlx
