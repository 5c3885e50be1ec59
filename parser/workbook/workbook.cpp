// Opening a workbook package: from the package relationships to the workbook part, the sheet
// list, the theme, styles and shared strings, and the loop that loads each sheet.
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "host/kernel/vkkrnx.h"
#include "model/modellimits.h"
#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/sheet/slices.h"
#include "parser/sheet/tables.h"
#include "parser/xml/dom.h"
#include "parser/xlsb/xlsbreader.h"

namespace xlx {

namespace {

PackageSource SourceOf(const Workbook* workbook) {
  PackageSource source;
  source.handle = workbook->hPackage;
  source.parts = &workbook->parts;
  return source;
}

// Target of the first workbook relationship of `type`; empty when there is none.
std::u16string TargetOfType(const Workbook* workbook, const char16_t* type) {
  const Relationship* rel = FindRelationshipByType(workbook->workbookRels, workbook->workbookRelCount, type);
  return rel && rel->targetPath ? std::u16string(rel->targetPath) : std::u16string();
}

// Loads an XML part into a new document. 1 with *document set; 0 when the part is absent or
// empty; a LoadXmlPart error otherwise (the document is then released).
int32_t LoadPart(const Workbook* workbook, const std::u16string& path, pugi::xml_document** document) {
  *document = nullptr;
  if (path.empty() || HasPart(&workbook->parts, path.c_str()) != XLX_OK) return 0;
  pugi::xml_document* doc = new (std::nothrow) pugi::xml_document();
  if (!doc) return XLX_ERR_MEMORY;
  int32_t rc = LoadXmlPart(workbook->hPackage, &workbook->parts, path.c_str(), doc);
  if (rc != XLX_OK) {
    delete doc;
    return rc;
  }
  *document = doc;
  return XLX_OK;
}

// First child element of the document with the local name; empty when the root is another.
pugi::xml_node RootNamed(const pugi::xml_document* document, const char* local) {
  return document ? Child(*document, local) : pugi::xml_node();
}

int32_t StateOf(const char* text) {
  if (!*text || strcmp(text, "visible") == 0) return kSheetVisible;
  if (strcmp(text, "veryHidden") == 0) return kSheetVeryHidden;
  return kSheetHidden;  // "hidden" and any unknown state
}

// The styles part, or the defaults when there is none or it cannot be read.
int32_t LoadStyles(Workbook* workbook) {
  if (workbook->isBinary) return LoadBinaryStylesheet(workbook);
  pugi::xml_document* doc = nullptr;
  int32_t rc = LoadPart(workbook, workbook->stylesPath, &doc);
  if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  rc = ReadStylesheet(&workbook->styles, workbook, RootNamed(doc, "styleSheet"));
  delete doc;
  return rc;
}

int32_t LoadSharedStrings(Workbook* workbook) {
  // A binary string part is read as records; the decision is made by the part's name.
  if (workbook->sharedStringsPath.find(u".bin") != std::u16string::npos) return LoadBinarySharedStrings(workbook);
  pugi::xml_document* doc = nullptr;
  int32_t rc = LoadPart(workbook, workbook->sharedStringsPath, &doc);
  if (rc == 0) return XLX_OK;  // no shared strings
  if (rc != XLX_OK) return rc;
  rc = ReadSharedStrings(&workbook->sharedStrings, *workbook, RootNamed(doc, "sst"));
  delete doc;
  if (rc != XLX_OK) {
    workbook->sharedStrings.strings.Free();
    workbook->sharedStrings.arena.Free();
    workbook->sharedStrings.count = 0;
  }
  return rc;
}

// Resolves a sheet's part through the workbook relationships and reads its own relationships.
int32_t ResolveSheetPart(Workbook* workbook, MyWorksheet* sheet, const SheetEntry& entry) {
  const Relationship* rel = FindRelationshipById(workbook->workbookRels, workbook->workbookRelCount,
                                                 entry.relationshipId.c_str());
  if (!rel || !rel->targetPath || HasPart(&workbook->parts, rel->targetPath) != XLX_OK)
    return XLX_CORRUPT(XLX_ERR_FORMAT, "sheet relationship resolves to no part");
  sheet->partPath = rel->targetPath;
  // The relationship says what the part is, in the binary form as in the XML one.
  sheet->bChartsheet = rel->typeName && std::u16string(rel->typeName) == u"chartsheet";
  sheet->partDir = rel->targetDir ? rel->targetDir : u"";
  sheet->partName = rel->targetName ? rel->targetName : u"";
  int32_t rc = ReadRelationships(SourceOf(workbook), sheet->partDir.c_str(), sheet->partName.c_str(),
                                 &sheet->relationships, &sheet->relationshipCount);
  if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  if (rc != XLX_OK) {
    // Broken sheet relationships lose the sheet's drawings, not the sheet.
    sheet->relationships = nullptr;
    sheet->relationshipCount = 0;
  }
  const Relationship* drawing = FindRelationshipByType(sheet->relationships, sheet->relationshipCount, u"drawing");
  if (drawing && drawing->targetPath) sheet->drawingPath = drawing->targetPath;
  const Relationship* vml = FindRelationshipByType(sheet->relationships, sheet->relationshipCount, u"vmlDrawing");
  if (vml && vml->targetPath) sheet->vmlDrawingPath = vml->targetPath;
  return XLX_OK;
}

// Fills the workbook-level fields of a sheet record that do not need its part.
void PrepareSheet(Workbook* workbook, MyWorksheet* sheet, const SheetEntry& entry, int32_t loadedIndex,
                  int32_t workbookIndex) {
  CopyTruncated(sheet->sheetName, 256, entry.name);
  sheet->sheetIndex = loadedIndex;
  sheet->workbookIndex = workbookIndex;
  sheet->state = entry.state;
  sheet->normalFont = workbook->styles.normalFont;
  sheet->normalFontSizePt = workbook->styles.normalFontSizePt;
  GetThemeFonts(*workbook, sheet->majorFont, sheet->minorFont);
}

// A `sheet` entry is loaded when it is visible (or hidden sheets are asked for) and names a
// relationship; an entry with an empty r:id points nowhere and is skipped, not a failure.
bool IsLoaded(const Workbook& workbook, const SheetEntry& entry) {
  if (entry.relationshipId.empty()) return false;
  return entry.state == kSheetVisible || workbook.includeHidden;
}

// Entries not shown that could be loaded as data sheets: each gets a slot after the shown sheets.
int32_t CountDataSheetSlots(const Workbook& workbook) {
  int32_t slots = 0;
  for (const SheetEntry& entry : workbook.sheetParts)
    if (!entry.relationshipId.empty() && !IsLoaded(workbook, entry)) ++slots;
  return std::min<int32_t>(slots, kMaxDataSheets);
}

// Which entries of the sheet list become sheets: those shown (see IsLoaded), except that one part
// makes at most kMaxSheetsPerPart sheets. A part listed again and again (thousands of sheets
// naming one worksheet) would otherwise be parsed and printed once per listing.
std::vector<bool> SheetsToLoad(const Workbook& workbook) {
  std::vector<bool> load(size_t(workbook.sheetParts.Count()), false);
  std::unordered_map<std::u16string, std::u16string> targets;  // relationship id to part, the first of an id
  for (int32_t i = 0; i < workbook.workbookRelCount; ++i) {
    const Relationship& rel = workbook.workbookRels[i];
    if (rel.id && rel.targetPath) targets.emplace(rel.id, rel.targetPath);
  }
  std::unordered_map<std::u16string, uint32_t> uses;
  for (int32_t i = 0; i < workbook.sheetParts.Count(); ++i) {
    const SheetEntry& entry = workbook.sheetParts[i];
    if (!IsLoaded(workbook, entry)) continue;
    auto target = targets.find(entry.relationshipId);
    load[size_t(i)] = target == targets.end() || ++uses[target->second] <= kMaxSheetsPerPart;
  }
  return load;
}

int32_t AllocateSheets(Workbook* workbook, int32_t count) {
  if (workbook->sheets.Allocate(size_t(count) + size_t(CountDataSheetSlots(*workbook))) != XLX_OK)
    return XLX_ERR_MEMORY;
  int32_t loaded = 0, rc = 1;
  const std::vector<bool> load = SheetsToLoad(*workbook);
  for (int32_t i = 0; i < workbook->sheetParts.Count(); ++i)
    if (!load[size_t(i)] && IsLoaded(*workbook, workbook->sheetParts[i])) workbook->sheetsLeftOut = true;
  for (int32_t i = 0; i < workbook->sheetParts.Count() && loaded < count; ++i) {
    const SheetEntry& entry = workbook->sheetParts[i];
    if (!load[size_t(i)]) continue;
    MyWorksheet* sheet = &workbook->sheets[loaded];
    PrepareSheet(workbook, sheet, entry, loaded, i);
    if ((rc = ResolveSheetPart(workbook, sheet, entry)) != XLX_OK) return rc;
    ++loaded;
    if ((rc = PollProgress(workbook)) != XLX_OK) return rc;
  }
  return XLX_OK;
}

// Reads a sheet's part whole, from its bytes (taken over).
int32_t ReadWholeWorksheet(Workbook* workbook, MyWorksheet* sheet, uint8_t* data, size_t size) {
  pugi::xml_document* doc = new (std::nothrow) pugi::xml_document();
  if (!doc) {
    FreeXmlPartBytes(data);
    return XLX_ERR_MEMORY;
  }
  int32_t rc = ParseXmlPartBytes(data, size, doc);
  if (rc == XLX_OK) rc = ReadWorksheet(workbook, sheet, doc->document_element());
  delete doc;
  return rc;
}

// Reads one sheet's part: a large one a slice of rows at a time, or whole when slicing cannot
// read it exactly as the whole DOM would. Only this sheet's DOM is alive while it is read.
int32_t LoadWorksheet(Workbook* workbook, MyWorksheet* sheet) {
  const std::u16string& path = sheet->partPath;
  if (path.find(u".bin") != std::u16string::npos) return LoadBinaryWorksheet(workbook, sheet);
  if (path.empty() || HasPart(&workbook->parts, path.c_str()) != XLX_OK) return XLX_OK;  // no part: an empty sheet
  const int32_t streamed = ReadStreamedWorksheet(workbook, sheet);
  if (streamed != kSheetDataReparse) return streamed;
  uint8_t* data = nullptr;
  int64_t size = ReadXmlPartBytes(workbook->hPackage, &workbook->parts, path.c_str(), &data);
  if (size <= 0) return size == 0 ? 1 : static_cast<int32_t>(size);
  int32_t rc = kSheetDataReparse;
  {
    SheetDataSlices slices;
    pugi::xml_document outer;
    if (slices.Open(data, static_cast<size_t>(size), workbook->sheetSliceBytes, &outer))
      rc = ReadWorksheet(workbook, sheet, outer.document_element(), &slices);
  }
  if (rc != kSheetDataReparse) {
    FreeXmlPartBytes(data);
    return rc;
  }
  sheet->arena.Free();  // text of rows read before a slice failed
  return ReadWholeWorksheet(workbook, sheet, data, static_cast<size_t>(size));
}

int32_t LoadSheetsInner(Workbook* workbook) {
  int32_t rc = PollProgress(workbook);
  if (rc != XLX_OK) return rc;
  if ((rc = LoadStyles(workbook)) != XLX_OK) return rc;
  if ((rc = LoadSharedStrings(workbook)) != XLX_OK) return rc;
  int32_t count = CountLoadedSheets(workbook);
  if (count < 1) return XLX_CORRUPT(XLX_ERR_FORMAT, "no sheet to show");
  workbook->sheetCount = count;
  if ((rc = AllocateSheets(workbook, count)) != XLX_OK) return rc;
  workbook->tableCount = CountTableRelationships(workbook);
  // The names of a binary workbook were read with its workbook part.
  if (!workbook->isBinary && (rc = ReadDefinedNames(workbook, workbook->workbookNode)) != XLX_OK) return rc;
  for (int32_t i = 0; i < count; ++i) {
    if ((rc = PollProgress(workbook)) != XLX_OK) return rc;
    workbook->currentSheet = i;
    MyWorksheet* sheet = &workbook->sheets[i];
    if ((rc = LoadWorksheet(workbook, sheet)) != XLX_OK) return rc;
    // A chartsheet that does not say how it is turned prints landscape, in either form of workbook.
    if (sheet->bChartsheet && sheet->print.orientation == kOrientationDefault) {
      sheet->print.orientation = kOrientationLandscape;
    }
    if ((rc = PollProgress(workbook)) != XLX_OK) return rc;
  }
  return XLX_OK;
}

int32_t ReadWorkbookPartsInner(Workbook* workbook) {
  int32_t rc = BuildPartList(workbook->hPackage, &workbook->parts, nullptr, nullptr);
  if (rc != XLX_OK) return rc;
  WorkbookLocation location;
  rc = LocateWorkbookPart(SourceOf(workbook), &location);
  if (rc != XLX_OK) return rc;
  workbook->workbookDir = location.dir;
  workbook->workbookName = location.name;
  workbook->workbookPath = location.path;
  workbook->isBinary = location.isBinary;
  workbook->formatCode = location.isBinary ? kFormatCodeXlsb : kFormatCodeXlsx;
  rc = ReadRelationships(SourceOf(workbook), location.dir.c_str(), location.name.c_str(), &workbook->workbookRels,
                         &workbook->workbookRelCount);
  if (rc != XLX_OK) return rc;
  if (workbook->isBinary) {
    if ((rc = ReadBinaryWorkbookPart(workbook)) != XLX_OK) return rc;
    return ReadTheme(workbook);
  }

  pugi::xml_document* doc = nullptr;
  rc = LoadPart(workbook, workbook->workbookPath, &doc);
  if (rc == 0) return XLX_CORRUPT(XLX_ERR_FORMAT, "workbook part missing or empty");
  if (rc != XLX_OK) return rc;
  workbook->workbookDom = doc;
  workbook->workbookNode = RootNamed(doc, "workbook");
  if (!workbook->workbookNode) return XLX_CORRUPT(XLX_ERR_FORMAT, "workbook part has no workbook element");
  if ((rc = ReadSheetList(workbook, workbook->workbookNode)) != XLX_OK) return rc;
  workbook->bDate1904 = ReadBool(Child(workbook->workbookNode, "workbookPr").attribute("date1904"));
  workbook->bFullCalcOnLoad = ReadBool(Child(workbook->workbookNode, "calcPr").attribute("fullCalcOnLoad"));

  workbook->themePath = TargetOfType(workbook, u"theme");
  workbook->sharedStringsPath = TargetOfType(workbook, u"sharedStrings");
  workbook->stylesPath = TargetOfType(workbook, u"styles");
  return ReadTheme(workbook);
}

}  // namespace

int32_t ReadSheetList(Workbook* workbook, pugi::xml_node workbookNode) {
  pugi::xml_node sheets = Child(workbookNode, "sheets");
  int32_t count = CountChildren(sheets, "sheet");
  if (count > int32_t(kMaxSheets)) count = int32_t(kMaxSheets);
  if (workbook->sheetParts.Allocate(size_t(count)) != XLX_OK) return XLX_ERR_MEMORY;
  int32_t i = 0;
  for (pugi::xml_node sheet = Child(sheets, "sheet"); sheet && i < count; sheet = NextNamed(sheet, "sheet"), ++i) {
    SheetEntry& entry = workbook->sheetParts[i];
    entry.sheetId = ToUtf16(sheet.attribute("sheetId").value());
    entry.relationshipId = ToUtf16(RelationshipIdAttribute(sheet).value());
    entry.name = ToUtf16(sheet.attribute("name").value());
    if (entry.name.size() > kMaxSheetNameUnits) {
      size_t cut = kMaxSheetNameUnits;
      // Do not leave half of a surrogate pair at the end.
      if (entry.name[cut - 1] >= 0xD800 && entry.name[cut - 1] <= 0xDBFF) --cut;
      entry.name.resize(cut);
    }
    entry.state = StateOf(sheet.attribute("state").value());
  }
  return XLX_OK;
}

int32_t CountLoadedSheets(const Workbook* workbook) {
  if (!workbook) return 0;
  int32_t count = 0;
  for (bool load : SheetsToLoad(*workbook)) count += load ? 1 : 0;
  return count;
}

int32_t ReadWorkbookParts(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  return Guarded([&] { return ReadWorkbookPartsInner(workbook); });
}

int32_t LoadSheets(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  return Guarded([&] { return LoadSheetsInner(workbook); });
}

int32_t LoadDataSheet(Workbook* workbook, int32_t entryIndex) {
  if (!workbook || entryIndex < 0 || entryIndex >= workbook->sheetParts.Count()) return XLX_ERR_ARGUMENT;
  const SheetEntry& entry = workbook->sheetParts[entryIndex];
  const int32_t slot = workbook->sheetCount + workbook->dataSheetCount;
  if (entry.relationshipId.empty() || IsLoaded(*workbook, entry) || slot >= workbook->sheets.Count())
    return XLX_ERR_ARGUMENT;
  for (int32_t i = workbook->sheetCount; i < slot; ++i)
    if (workbook->sheets[i].workbookIndex == entryIndex) return XLX_OK;  // loaded already
  MyWorksheet* sheet = &workbook->sheets[slot];
  return Guarded([&]() -> int32_t {
    PrepareSheet(workbook, sheet, entry, slot, entryIndex);
    int32_t rc = ResolveSheetPart(workbook, sheet, entry);
    // A chartsheet has no cells to refer to.
    if (rc == XLX_OK && sheet->bChartsheet) rc = XLX_ERR_ARGUMENT;
    const int32_t current = workbook->currentSheet;
    workbook->currentSheet = slot;
    if (rc == XLX_OK) rc = LoadWorksheet(workbook, sheet);
    workbook->currentSheet = current;
    if (rc != XLX_OK) {
      ClearWorksheet(sheet);  // the slot is free again
      return rc;
    }
    ++workbook->dataSheetCount;
    return XLX_OK;
  });
}

int32_t ReadWorkbookFromHandle(int64_t handle, const WorkbookOpenOptions& options, Workbook** out,
                               int32_t* formatCode) {
  if (!out) return XLX_ERR_ARGUMENT;
  *out = nullptr;
  if (handle == -1) return XLX_ERR_ARGUMENT;
  Workbook* workbook = nullptr;
  int32_t rc = CreateWorkbook(&workbook);
  if (rc != XLX_OK) return rc;
  workbook->hPackage = handle;
  workbook->dpi = options.dpi > 0 && options.dpi <= kMaxDpi ? options.dpi : 96;
  workbook->loadMode = options.loadMode;
  workbook->includeHidden = options.showHiddenSheets;
  workbook->sheetSliceBytes = options.sheetSliceBytes;
  if (options.sheetStreamChunkBytes > 0) workbook->sheetStreamChunkBytes = options.sheetStreamChunkBytes;
  workbook->formulaMode = options.formulaMode;
  workbook->progress = options.progress;
  rc = ReadWorkbookParts(workbook);
  if (formatCode && workbook->workbookPath.size()) *formatCode = workbook->formatCode;
  if (rc == XLX_OK) rc = LoadSheets(workbook);
  if (rc != XLX_OK) {
    FreeWorkbook(workbook);
    return rc;
  }
  *out = workbook;
  return XLX_OK;
}

int32_t ReadWorkbook(const char16_t* path, const WorkbookOpenOptions& options, Workbook** out, int32_t* formatCode) {
  if (!out) return XLX_ERR_ARGUMENT;
  *out = nullptr;
  if (!path || !*path) return XLX_ERR_ARGUMENT;
  int64_t handle = VkOpenFile(path, VK_OPEN_READ | VK_OPEN_BINARY, 0);
  if (handle == -1) return XLX_ERR_OPEN;
  int32_t rc = ReadWorkbookFromHandle(handle, options, out, formatCode);
  if (rc != XLX_OK) {
    VkCloseFile(handle);
    return rc;
  }
  (*out)->bOwnsPackage = true;
  return XLX_OK;
}

}  // namespace xlx
