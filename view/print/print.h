// Printed-page layout: every sheet cut into pages as its own page setup prints it. The paper and
// orientation, the margins, the print scale or the fit-to scale, the print areas (each on pages
// of its own), manual and automatic breaks, repeated print titles, headings and centring decide
// the pages. All lengths are pixels at the output resolution unless the name says otherwise.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/sheet.h"
#include "view/layout/layout.h"

namespace xlx {

// Paper of a sheet in inches after orientation: the sheet's paper code when the table knows it,
// else `defaultWidthIn` x `defaultHeightIn` (letter when those are not positive).
void SheetPaperInches(const PrintSetup& print, double defaultWidthIn, double defaultHeightIn, double* widthIn,
                      double* heightIn);

// The print scale: the written scale (10% to 400%, 0 or absent as 100%), or with fit-to-page the
// largest whole percent from 10 to 100 at which every print area fits fitToWidth pages across and
// fitToHeight pages down (0: as many as needed), the used range widened by the drawing anchors
// (`anchors`, cells covered) as it prints. `grid` is the unscaled grid.
double ChoosePrintScale(const MyWorksheet& sheet, const XlsxGridInfo& grid, const LayoutOptions& options,
                        const std::vector<MyCellBounds>& anchors);

// Cuts a laid-out, scaled sheet into printed pages: fills layout->printed, layout->pages (one
// paper-sized entry per page) and the content size. Without print areas the used range prints,
// widened by the drawing anchors. A print area of more than kSparsePageThreshold pages makes only
// the pages with content (layout->sparse); past kMaxSheetPages pages the rest are left out
// (layout->pagesCut). 1, or -1 when the pages cannot be stored.
[[nodiscard]] int32_t PaginatePrintedSheet(const MyWorksheet& sheet, SheetLayout* layout, const LayoutOptions& options,
                             const std::vector<MyCellBounds>& anchors);

// Whole sheet under bPrintSetup: range, grid, scale, cell texts, printed pages. 1 or an error.
[[nodiscard]] int32_t LayoutPrintedSheet(const MyWorksheet& sheet, const MyCellBounds* printArea,
                           const std::vector<MyCellBounds>& anchors, const LayoutOptions& options,
                           const DigitMeasure& measure, SheetLayout* layout, const CellTextHook* texts);

// Which printed pages of a laid-out sheet are blank paper: no stored cell, merged range or
// drawing anchor (`anchors`, cells covered) meets the page's body. One flag per printed page.
std::vector<bool> FindBlankPrintedPages(const MyWorksheet& sheet, const std::vector<MyCellBounds>& anchors,
                                        const SheetLayout& layout);
// Removes the printed pages flagged in `remove` (one flag per page), keeping the others in order.
void RemovePrintedPages(const std::vector<bool>& remove, SheetLayout* layout);

// The page numbers printed by &P and &N, once every sheet has its pages: a sheet that asks for its
// own first page number starts there, others go on from the workbook page number.
void NumberPrintedPages(std::vector<SheetLayout>& layouts, const std::vector<const MyWorksheet*>& sheets);

// The cell range a printed page shows ("A1:H52"), its body only.
std::u16string PrintedPageRange(const PrintedPage& page);
// The text an error value prints under the sheet's `errors` setting: unchanged (displayed), "--"
// (dash) or "#N/A"; false when it prints nothing (blank).
[[nodiscard]] bool PrintedErrorText(int32_t errors, std::u16string* text);

// Appends the letters of a 1-based column (1 "A", 28 "AB"; below 1 as 1).
void AppendColumnLetters(int32_t column, std::u16string* out);

}  // namespace xlx
