// Opening a workbook for pages: the package read by the reader of its format (parser/xlsxprsr.h),
// then, sheet by sheet, what the sheet draws besides its cells (legacy drawing and notes,
// header and footer pictures, the drawing part and its charts), then the formulas, and last the
// data of charts and sparklines from the computed cells. This is the open that every driver, tool and test that wants
// what a page shows calls.
#pragma once
#include <cstdint>

#include "model/workbook.h"
#include "parser/xlsxprsr.h"

namespace xlx {

// Opens the package file at `path` (UTF-16) into a new workbook that owns the handle, with every
// step above. Results as ReadWorkbook; on failure *out is null and nothing is left allocated.
[[nodiscard]] int32_t OpenWorkbook(const char16_t* path, const WorkbookOpenOptions& options, Workbook** out,
                                   int32_t* formatCode = nullptr);
// The same over a handle the caller opened; the workbook reads through it but never closes it.
[[nodiscard]] int32_t OpenWorkbookFromHandle(int64_t handle, const WorkbookOpenOptions& options, Workbook** out,
                                             int32_t* formatCode = nullptr);

// The steps after the reader, for a workbook whose sheets were read by ReadWorkbook or
// LoadSheets: each loaded sheet's objects, the formulas, the chart data (out of memory
// while computing leaves the cached values). 1, -1, -13, or a progress result.
[[nodiscard]] int32_t FinishWorkbook(Workbook* workbook);
// One sheet's legacy drawing, notes, header and footer pictures, drawing part and charts.
// Optional content that cannot be read is left out. 1, -1 (memory), -13 (null argument).
[[nodiscard]] int32_t ReadSheetObjects(Workbook* workbook, MyWorksheet* sheet);

}  // namespace xlx
