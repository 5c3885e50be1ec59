// The workbook model: one `Workbook` per opened package, owning everything read from it (the part
// list, relationship lists, the workbook and theme DOMs, the stylesheet, the shared strings,
// the defined names and every loaded sheet). The whole tree is released by FreeWorkbook.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "common/larray.h"
#include "host/hostrecords.h"
#include "model/richstring.h"
#include "model/sheet.h"
#include "model/styles.h"
#include "model/tables.h"
#include "package/relationships.h"
#include "package/xlsxunzip.h"

namespace xlx {

// Format codes reported to the host for the two kinds of workbook part.
constexpr int32_t kFormatCodeXlsx = 351;
constexpr int32_t kFormatCodeXlsb = 403;

// Guards insertions into the workbook's shared maps (number formats, table styles, rows, cells,
// defined names). Readers of a finished sheet take no lock.
class WorkbookLock {
 public:
  void Lock() { mutex_.lock(); }
  void Unlock() { mutex_.unlock(); }

 private:
  std::mutex mutex_;
};

class WorkbookLockGuard {
 public:
  explicit WorkbookLockGuard(WorkbookLock& lock) : lock_(lock) { lock_.Lock(); }
  ~WorkbookLockGuard() { lock_.Unlock(); }
  WorkbookLockGuard(const WorkbookLockGuard&) = delete;
  WorkbookLockGuard& operator=(const WorkbookLockGuard&) = delete;

 private:
  WorkbookLock& lock_;
};

// One `sheet` element of the workbook part, in document order.
struct SheetEntry {
  std::u16string sheetId;         // `sheetId`
  std::u16string relationshipId;  // `r:id`
  std::u16string name;            // `name`, at most 255 units
  int32_t state = kSheetVisible;  // SheetState from `state`
};

// One kept defined name (the first of each name wins; print areas are kept apart).
struct DefinedNameEntry {
  std::u16string name;
  int32_t localSheetId = -1;      // -1 for a workbook-wide name
  std::u16string formula;         // "#REF!" for a structured reference that resolves nowhere
};

// One entry of a binary workbook's extern-sheet table: the supporting link it goes through and the
// first and last sheet it spans (indices into the sheet list for the workbook's own link).
struct ExternSheetEntry {
  int32_t supportingLink = 0;
  int32_t firstSheet = 0;
  int32_t lastSheet = 0;
};

// What the formulas of a binary workbook refer to by index: the names of the name records (a
// formula's name token counts from 1) and the extern-sheet table with the kind of each supporting
// link. Empty for an XML workbook.
struct BinaryBookTables {
  std::vector<std::u16string> names;
  std::vector<int32_t> nameSheets;  // per name: the sheet it belongs to, -1 for the whole workbook
  std::vector<ExternSheetEntry> externSheets;
  std::vector<uint8_t> linkIsSelf;  // per supporting link: 1 for the workbook's own sheets
  // The styles part's extension formats, which extension conditional-format rules name by index.
  std::vector<std::shared_ptr<const Dxf>> extensionDxfs;
};

struct Workbook {
  Workbook() = default;
  ~Workbook();
  Workbook(const Workbook&) = delete;
  Workbook& operator=(const Workbook&) = delete;

  // Package.
  int64_t hPackage = -1;          // host file handle of the package
  bool bOwnsPackage = false;      // the handle was opened here and is closed with the workbook
  PartList parts;
  Relationship* packageRels = nullptr;
  int32_t packageRelCount = 0;
  std::u16string workbookDir, workbookName, workbookPath;
  Relationship* workbookRels = nullptr;
  int32_t workbookRelCount = 0;
  bool isBinary = false;          // the workbook part is a .bin part
  int32_t formatCode = kFormatCodeXlsx;
  BinaryBookTables binaryTables;  // binary workbooks only

  // DOMs kept for later readers; the theme nodes are empty without a theme.
  pugi::xml_document* workbookDom = nullptr;
  pugi::xml_document* themeDom = nullptr;
  pugi::xml_node workbookNode;    // root `workbook`
  pugi::xml_node clrScheme, fontScheme, fmtScheme;
  CellColor themeColors[12] = {};  // theme colour i as SpreadsheetML numbers it, resolved once read
  std::u16string themePath, sharedStringsPath, stylesPath;  // empty when the relationship is absent

  // Load options.
  int32_t dpi = 96;               // points to pixels: px = pt x dpi / 72
  int32_t loadMode = 0;           // 2: every sheet paginated, pages run on across sheets
  bool includeHidden = false;     // load hidden and very hidden sheets too
  bool sheetsLeftOut = false;     // shown sheets past kMaxSheetsPerPart of one part were not made
  // Rows of a worksheet part at least twice this size are read in slices of about this many
  // bytes of XML, not from one DOM of the whole part; 0 reads every part whole. Set from the
  // open options.
  size_t sheetSliceBytes = 0;
  size_t sheetStreamChunkBytes = size_t(1) << 20;  // inflated at a time when a sheet is streamed
  const ProgressCallback* progress = nullptr;

  // Sheets.
  LArray<SheetEntry> sheetParts;  // every `sheet` element
  int32_t sheetCount = 0;         // sheets loaded to be shown
  // Hidden sheets loaded after the shown ones only for the cells that charts and formulas refer
  // to: sheets[sheetCount .. sheetCount + dataSheetCount - 1]. They are never printed.
  int32_t dataSheetCount = 0;
  LArray<MyWorksheet> sheets;     // the shown sheets in workbook order, then the data sheets
  int32_t currentSheet = -1;      // sheet being loaded or drawn; -1 before the first

  // Workbook-wide content.
  Stylesheet styles;
  SharedStringTable sharedStrings;
  std::vector<DefinedNameEntry> definedNames;
  std::map<int32_t, std::u16string> printAreas;  // workbook sheet index -> print-area text
  std::map<int32_t, std::u16string> printTitles;  // workbook sheet index -> print-titles text
  int32_t tableCount = 0;         // tables known to the workbook (structured references need one)
  WorkbookTables tableIndex;      // tables by name and the table styles made so far
  CellColor palette[64] = {};     // indexed colours 0-63
  bool hasCustomPalette = false;  // the styles part had `indexedColors`
  bool bDate1904 = false;         // `workbookPr/@date1904` or the binary workbook properties: serial 0 is 1 January 1904
  bool bManualCalc = false;       // binary calculation properties: the workbook is calculated by hand

  // Calculation settings of the workbook part.
  bool bFullCalcOnLoad = false;   // `calcPr/@fullCalcOnLoad`: every formula is computed on load
  int32_t formulaMode = 0;        // FormulaEvalMode of values/formula/formula.h, from the open options

  // Formula engine state, released through its own function.
  void* evaluatorContext = nullptr;
  void (*pfnFreeEvaluator)(void*) = nullptr;

  WorkbookLock lock;
  // Held while a part is read after loading (pictures fetched by pages drawn on several threads
  // share the one package handle).
  mutable std::mutex packageMutex;
};

// Allocates an empty workbook in host memory with the default palette. 1 or -1.
[[nodiscard]] int32_t CreateWorkbook(Workbook** out);
// Releases the workbook and everything it owns; null is ignored.
void FreeWorkbook(Workbook* workbook);

// Shown sheets and their lookup; GetSheet gives null for an index out of range (data sheets
// follow the shown ones).
[[nodiscard]] int32_t GetSheetCount(const Workbook* workbook);
// Sheets whose cells references can reach: the shown ones and the hidden data sheets.
[[nodiscard]] int32_t ReferableSheetCount(const Workbook* workbook);
MyWorksheet* GetSheet(Workbook* workbook, int32_t index);
const MyWorksheet* GetSheet(const Workbook* workbook, int32_t index);
// Background colour of the current sheet; automatic when no sheet is current.
CellColor CurrentSheetBackColor(const Workbook* workbook);

// Formula text of a defined name (names compare without regard to ASCII case), or null.
const char16_t* FindDefinedName(const Workbook* workbook, const char16_t* name);
// Print-area text of the sheet at `workbookSheetIndex` among all `sheet` elements, or null.
const char16_t* GetPrintArea(const Workbook* workbook, int32_t workbookSheetIndex);
// Print-titles text of the sheet at `workbookSheetIndex`, or null.
const char16_t* GetPrintTitles(const Workbook* workbook, int32_t workbookSheetIndex);

// Reads a part of the package whole, as ReadPart does, under the workbook's package lock: the
// way pages drawn after loading fetch picture bytes. Bytes read (> 0, the buffer freed with
// VK_FREE), 0 for nothing to read, or ReadPart's error.
[[nodiscard]] int64_t ReadWorkbookPart(const Workbook* workbook, const char16_t* path, uint8_t** data, uint64_t* size);

// Polls the host's progress callback: 1 to go on, else the callback's result.
[[nodiscard]] int32_t PollProgress(const Workbook* workbook);

}  // namespace xlx
