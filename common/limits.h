// Named limits on what a file may claim. Every count, size and index read from a file is checked
// against these before it sizes an allocation or a loop.
#pragma once
#include <cstdint>

namespace xlx {
constexpr uint32_t kMaxZipEntries = 1000000;              // entries in one package
constexpr uint64_t kMaxPartBytes = 512ull << 20;          // inflated size of one part
constexpr uint64_t kMaxPackageBytes = 2ull << 30;         // inflated size of all parts read by one parse
constexpr uint32_t kMaxZipNameBytes = 255;                // entry names are cut here
constexpr uint32_t kMaxRows = 1048576;                    // spreadsheet rows
constexpr uint32_t kMaxColumns = 16384;                   // spreadsheet columns
constexpr uint32_t kMaxSheets = 65535;
constexpr uint32_t kMaxSheetsPerPart = 4;                 // sheets shown from one worksheet part
constexpr uint32_t kMaxDataSheets = 1024;                 // hidden sheets loaded for the cells others name
constexpr uint32_t kMaxXmlDepth = 1024;                   // nesting accepted in an XML part
// Parts read into a document tree (workbook, relationships, drawings, charts, themes, tables) cost
// many times their size in memory: their bytes and their markup (elements and attributes, counted
// before the tree is built) are capped per part and over every tree built by one parse.
constexpr uint64_t kMaxTreePartBytes = 64ull << 20;
constexpr uint64_t kMaxTreePartNodes = 2000000;
constexpr uint64_t kMaxTreeWorkbookNodes = 8000000;
constexpr uint32_t kMaxSheetNameUnits = 255;
constexpr uint32_t kMaxRelationships = 1000000;
constexpr uint64_t kMaxLayoutGridEntries = 8u << 20;    // rows and columns laid out over all sheets of a workbook
constexpr uint64_t kMaxWorkbookPages = 10000000;        // pages of all sheets of a workbook
// Pages of one sheet: pages with content past this many are left out, and the caller is told.
constexpr uint64_t kMaxSheetPages = 100000;
// A sheet (or print area) that cuts into more pages than this is not cut page by page: only the
// pages with content are made, found from the content itself.
constexpr uint64_t kSparsePageThreshold = 4096;
// Processor time one workbook may spend being parsed, computed and drawn (summed over its calls
// and pages) before the call at work stops with XLX_ERR_WORK_BUDGET (common/workbudget.h). The
// costliest workbook of the test corpus takes under 200 s for every page.
constexpr double kWorkBudgetSeconds = 600;
}  // namespace xlx
