// The per-call working record of parse, paginate and render, and the steps that fill it.
#pragma once
#include <cstdint>
#include "host/hostrecords.h"
#include "filter/viewoptions.h"
#include "view/layout/pageinfo.h"

namespace xlx {

struct ParsedWorkbook;  // the parsed workbook with its per-sheet page tables (opaque here)

constexpr uint32_t kXlsxFormatCode = 351;
constexpr uint32_t kXlsbFormatCode = 403;

struct DocumentContext {
  ParsedWorkbook* pParsed;
  ViewOptions view;  // the call's page mode and view flags, as the driver built them
  double dPageWidth, dPageHeight;  // px
  uint32_t nPageNumber;
  uint32_t uXResolution, uYResolution;
  double dMarginTop, dMarginBottom, dMarginLeft, dMarginRight;  // px
  void* pDispatch;
  uint32_t bParseNeeded;
  int32_t totalPageCount;
  int32_t nSheetCount;
  void* hDrawingObject;
  int32_t nCurrWorksheet;    // 0-based sheet of the page being drawn
  int32_t nCurrPageInSheet;  // 0-based page inside that sheet
  int64_t hPackage;
  uint32_t bPackageIsTemp;
  const ProgressCallback* pProgress;
  uint32_t xlsxFormatCode;
  void* pLock;
  // The file the host named, which a protected workbook's decrypted copy stands in for while it
  // is parsed: headers and footers print its name and folder. Null: the parsed file's.
  const char16_t* pszSourcePath;
};

// Allocates a zeroed context through the host and fills it from the view options. Null on
// exhaustion.
DocumentContext* CreateDocumentContext(const ViewOptions& view, void* dispatch, const ProgressCallback* progress);
void FreeDocumentContext(DocumentContext* context);

// The parse, layout and drawing steps behind the drivers. Tests replace them through
// SetDocumentStepsForTesting; null restores the real ones.
struct DocumentSteps {
  // Opens the package at `path`, parses every sheet and paginates: fills pParsed,
  // totalPageCount, nSheetCount and xlsxFormatCode. 1 or an error code.
  int32_t (*parse)(DocumentContext* context, const char16_t* path);
  // Number of pages of a 0-based sheet.
  int32_t (*sheetPageCount)(const ParsedWorkbook* parsed, int32_t sheet);
  // Size and offset of one page. 1, or -13 when there is no such page.
  int32_t (*pageInfo)(const ParsedWorkbook* parsed, int32_t sheet, int32_t page, _PAGEINFO* info);
  // Draws page nCurrPageInSheet of sheet nCurrWorksheet into the bitmap (nothing in header-only mode).
  int32_t (*draw)(DocumentContext* context, _BITMAPHANDLE* bitmap, bool headerOnly);
  void (*release)(ParsedWorkbook* parsed);
  // The sheet and cell range a printed page shows ("Sheet1!A1:H52") into `text` (at most
  // `capacity` units with the terminating zero); empty for other pages. May be null.
  void (*pageRange)(const ParsedWorkbook* parsed, int32_t sheet, int32_t page, char16_t* text, int32_t capacity);
  // XlxWarning bits of the parse: what its pages leave out. May be null (no warnings).
  uint32_t (*warnings)(const ParsedWorkbook* parsed);
};

const DocumentSteps& GetDocumentSteps();
void SetDocumentStepsForTesting(const DocumentSteps* steps);

// Turns a 1-based workbook page into a 0-based sheet and page within it, from the page tables.
void LocatePage(const DocumentContext& context, uint32_t pageNumber, int32_t* sheet, int32_t* pageInSheet);

}  // namespace xlx
