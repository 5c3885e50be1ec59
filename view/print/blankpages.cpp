// Printed pages with nothing on them: a page whose body holds no stored cell (a value, a formula,
// or a fill or border of its own), no formatted row or column, no part of a merged range, no
// spilled text and no part of a drawing object prints as blank paper, and the application leaves
// such pages out.
#include <algorithm>
#include "model/sheet.h"
#include "view/print/print.h"
#include "view/print/printedrange.h"

namespace xlx {
namespace {

// Where each stored row starts in the sheet's cells (sorted by row, then column).
struct RowStart {
  int32_t row;
  size_t begin, end;
};

std::vector<RowStart> IndexRows(const MyWorksheet& sheet) {
  std::vector<RowStart> rows;
  const size_t n = sheet.cells.Size();
  for (size_t i = 0; i < n; ++i) {
    const int32_t row = sheet.cells[i].row;
    if (rows.empty() || rows.back().row != row) rows.push_back(RowStart{row, i, i});
    rows.back().end = i + 1;
  }
  return rows;
}

bool Meets(int32_t first1, int32_t last1, int32_t first2, int32_t last2) { return first1 <= last2 && first2 <= last1; }

bool CellsIn(const MyWorksheet& sheet, const std::vector<RowStart>& rows, const PrintSpan& r, const PrintSpan& c) {
  auto it = std::lower_bound(rows.begin(), rows.end(), r.first,
                             [](const RowStart& s, int32_t row) { return s.row < row; });
  for (; it != rows.end() && it->row <= r.last; ++it) {
    const CellRecord* first = &sheet.cells[it->begin];
    const CellRecord* last = first + (it->end - it->begin);
    const CellRecord* at =
        std::lower_bound(first, last, c.first, [](const CellRecord& cell, int32_t col) { return cell.column < col; });
    if (at != last && at->column <= c.last) return true;
  }
  return false;
}

bool PageHasContent(const MyWorksheet& sheet, const std::vector<RowStart>& rows,
                    const std::vector<MyCellBounds>& anchors, const PrintedPage& page) {
  if (page.notesCount > 0) return true;  // a page of notes printed after the sheet
  if (page.rowSpans < 1 || page.colSpans < 1) return false;
  const PrintSpan& r = page.rows[page.rowSpans - 1];  // the body follows the titles
  const PrintSpan& c = page.cols[page.colSpans - 1];
  if (CellsIn(sheet, rows, r, c)) return true;
  for (const MyMergedCell& m : sheet.mergedCells) {
    const MyCellBounds& b = m.MergeCellsRef;
    if (Meets(b.RowFirst, b.RowLast, r.first, r.last) && Meets(b.ColFirst, b.ColLast, c.first, c.last)) return true;
  }
  if (FormatsMeet(sheet, r.first, r.last, c.first, c.last)) return true;
  for (const MyCellBounds& a : anchors)
    if (Meets(a.RowFirst, a.RowLast, r.first, r.last) && Meets(a.ColFirst, a.ColLast, c.first, c.last)) return true;
  return false;
}

}  // namespace

std::vector<bool> FindBlankPrintedPages(const MyWorksheet& sheet, const std::vector<MyCellBounds>& anchors,
                                        const SheetLayout& layout) {
  const std::vector<PrintedPage>& pages = layout.printed.pages;
  std::vector<bool> blank(pages.size(), false);
  if (sheet.bChartsheet) return blank;  // its chart fills the page
  // Pages made from the content alone hold content each; a sheet of so many pages is not walked
  // page by page again.
  if (layout.sparse) return blank;
  const std::vector<RowStart> rows = IndexRows(sheet);
  for (size_t i = 0; i < pages.size(); ++i) blank[i] = !PageHasContent(sheet, rows, anchors, pages[i]);
  return blank;
}

void RemovePrintedPages(const std::vector<bool>& remove, SheetLayout* layout) {
  std::vector<PrintedPage>& pages = layout->printed.pages;
  if (remove.size() != pages.size() || layout->pages.size() != pages.size()) return;
  size_t kept = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (remove[i]) continue;
    pages[kept] = pages[i];
    pages[kept].indexInSheet = static_cast<int32_t>(kept);
    layout->pages[kept] = layout->pages[i];
    ++kept;
  }
  pages.resize(kept);
  layout->pages.resize(kept);
  layout->pageWidth = kept ? layout->pages[0].nWidth : 0;
  layout->pageHeight = kept ? layout->pages[0].nHeight : 0;
}

}  // namespace xlx
