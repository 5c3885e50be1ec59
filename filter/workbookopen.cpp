// The document driver's open: the format's reader, then each sheet's objects and print scale,
// then the formulas.
#include "filter/workbookopen.h"

#include "filter/hiddensheets.h"

#include "chart/reader/reader.h"
#include "common/resultcodes.h"
#include "parser/xml/dom.h"
#include "parser/xlsb/xlsbsheetobjects.h"
#include "shapes/reader/drawing.h"
#include "shapes/reader/vml.h"
#include "shapes/reader/vmlhf.h"
#include "values/formula/formula.h"

namespace xlx {
namespace {

// A binary sheet names no header-and-footer drawing of its own: its pictures are in the first
// VML part of the sheet's relationships that holds any.
int32_t ReadBinaryHeaderFooterPictures(const Workbook& workbook, MyWorksheet* sheet) {
  HeaderFooterSetup& setup = sheet->print.headerFooter;
  for (int32_t i = 0; i < sheet->relationshipCount; ++i) {
    const Relationship& rel = sheet->relationships[i];
    if (!rel.typeName || !rel.targetPath || std::u16string(rel.typeName) != u"vmlDrawing") continue;
    const int32_t rc = ReadHeaderFooterPictures(workbook, rel.targetPath, &setup);
    if (rc != XLX_OK) return rc;
    for (const HeaderFooterPicture& picture : setup.pictures)
      if (!picture.path.empty()) return XLX_OK;
  }
  return XLX_OK;
}

int32_t FinishWorkbookInner(Workbook* workbook);

}  // namespace

int32_t ReadSheetObjects(Workbook* workbook, MyWorksheet* sheet) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  int32_t rc = workbook->isBinary
                   ? ReadBinaryHeaderFooterPictures(*workbook, sheet)
                   : ReadHeaderFooterPictures(*workbook, sheet->headerFooterVmlPath, &sheet->print.headerFooter);
  if (rc != XLX_OK) return rc;
  if ((rc = ReadLegacyDrawing(*workbook, sheet, sheet->vmlDrawingPath)) != XLX_OK) return rc;
  if (workbook->isBinary && (rc = LoadBinarySheetNotes(*workbook, sheet)) != XLX_OK) return rc;
  if ((rc = ReadSheetDrawing(workbook, sheet)) != XLX_OK) return rc;
  rc = ReadDrawingCharts(*workbook, &sheet->drawing);
  return rc == XLX_ERR_MEMORY ? XLX_ERR_MEMORY : XLX_OK;
}

int32_t FinishWorkbook(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t { return FinishWorkbookInner(workbook); });
}

namespace {

int32_t FinishWorkbookInner(Workbook* workbook) {
  for (int32_t i = 0; i < workbook->sheetCount; ++i) {
    int32_t rc = PollProgress(workbook);
    if (rc != XLX_OK) return rc;
    MyWorksheet* sheet = &workbook->sheets[i];
    if ((rc = ReadSheetObjects(workbook, sheet)) != XLX_OK) return rc;
  }
  if (LoadReferencedHiddenSheets(workbook) == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  // Out of memory while computing leaves the cached values.
  const int32_t rc = EvaluateWorkbookFormulas(workbook, FormulaEvalMode(workbook->formulaMode), nullptr);
  if (rc != XLX_OK && rc != XLX_ERR_MEMORY) return rc;
  // Charts and sparklines plot what their cells hold once computed.
  return ResolveWorkbookChartData(workbook) == XLX_ERR_MEMORY ? XLX_ERR_MEMORY : XLX_OK;
}

}  // namespace

int32_t OpenWorkbookFromHandle(int64_t handle, const WorkbookOpenOptions& options, Workbook** out,
                               int32_t* formatCode) {
  int32_t rc = ReadWorkbookFromHandle(handle, options, out, formatCode);
  if (rc != XLX_OK) return rc;
  if ((rc = FinishWorkbook(*out)) != XLX_OK) {
    FreeWorkbook(*out);
    *out = nullptr;
  }
  return rc;
}

int32_t OpenWorkbook(const char16_t* path, const WorkbookOpenOptions& options, Workbook** out, int32_t* formatCode) {
  int32_t rc = ReadWorkbook(path, options, out, formatCode);
  if (rc != XLX_OK) return rc;
  if ((rc = FinishWorkbook(*out)) != XLX_OK) {
    FreeWorkbook(*out);
    *out = nullptr;
  }
  return rc;
}

}  // namespace xlx
