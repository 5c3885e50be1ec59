// One worksheet part into its sheet record: the sheet's defaults, merged ranges, columns, page
// setup and background picture; the rows and cells are read by xlsxprsrcells.cpp.
#include <new>

#include "common/limits.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/tables.h"
#include "parser/xml/dom.h"
#include "common/resultcodes.h"

namespace xlx {

namespace {

constexpr double kMaxRowHeightPt = 409.0;   // tallest row the application allows
constexpr double kMaxColumnWidth = 255.0;   // widest column, in characters

double Clamp(double value, double low, double high) { return value < low ? low : value > high ? high : value; }

// Target of the sheet relationship named by the element's r:id; empty when it resolves nowhere.
std::u16string RelationshipTarget(const MyWorksheet& sheet, pugi::xml_node element) {
  pugi::xml_attribute id = RelationshipIdAttribute(element);
  if (!id) return std::u16string();
  std::u16string key = ToUtf16(id.value());
  const Relationship* rel = FindRelationshipById(sheet.relationships, sheet.relationshipCount, key.c_str());
  return rel && rel->targetPath ? std::u16string(rel->targetPath) : std::u16string();
}

}  // namespace

void ReadSheetProperties(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet) {
  pugi::xml_node format = Child(worksheet, "sheetFormatPr");
  double value = 0;
  if (ReadDouble(format.attribute("defaultRowHeight"), &value)) {
    sheet->dDefRowHeight = Clamp(value, 0, kMaxRowHeightPt);
    sheet->bDefRowHeightStored = true;
  }
  sheet->bRowsZeroHeight = ReadBool(format.attribute("zeroHeight"));
  if (ReadDouble(format.attribute("defaultColWidth"), &value)) {
    sheet->dDefColWidth = Clamp(value, 0, kMaxColumnWidth);
    sheet->bDefColWidthIsBase = false;
  } else if (ReadDouble(format.attribute("baseColWidth"), &value)) {
    sheet->dDefColWidth = Clamp(value, 0, kMaxColumnWidth);
  }

  pugi::xml_node view = Child(Child(worksheet, "sheetViews"), "sheetView");
  pugi::xml_attribute showZeros = view.attribute("showZeros");
  if (showZeros && !ReadBool(showZeros)) sheet->bShowZeros = false;
  pugi::xml_attribute rightToLeft = view.attribute("rightToLeft");
  if (rightToLeft && ReadBool(rightToLeft)) sheet->bRightToLeft = true;

  // A column element spanning the whole sheet sets the default width and style, and its fill
  // becomes the sheet background.
  pugi::xml_node cols = Child(worksheet, "cols");
  for (pugi::xml_node col = Child(cols, "col"); col; col = NextNamed(col, "col")) {
    int32_t min = 0, max = 0;
    if (!ReadInt(col.attribute("min"), &min) || !ReadInt(col.attribute("max"), &max) || min != 1 ||
        max != int32_t(kMaxColumns))
      continue;
    if (ReadDouble(col.attribute("width"), &value)) {
      sheet->dDefColWidth = Clamp(value, 0, kMaxColumnWidth);
      sheet->bDefColWidthIsBase = false;
    }
    int32_t style = 0;
    if (ReadInt(col.attribute("style"), &style)) {
      sheet->defaultCellXf = style;
      const CellXf& xf = GetCellXf(workbook.styles, style);
      const FillSpec& fill = GetFill(workbook.styles, xf.fillId);
      if (fill.kind != kFillNone) sheet->clBackColor = fill.foreColor;
    }
    break;
  }
}

int32_t ReadMergedCells(MyWorksheet* sheet, pugi::xml_node worksheet) {
  pugi::xml_node merges = Child(worksheet, "mergeCells");
  int32_t children = CountChildren(merges, "mergeCell");
  int32_t count = ReadDeclaredCount(merges.attribute("count"), children, INT32_MAX);
  if (count > children) count = children;  // records past the children would hold no range
  sheet->mergedCells.Free();
  if (count < 1) return XLX_OK;
  if (sheet->mergedCells.Reserve(size_t(count)) != XLX_OK) return XLX_ERR_MEMORY;
  int32_t read = 0;
  for (pugi::xml_node merge = Child(merges, "mergeCell"); merge && read < count; merge = NextNamed(merge, "mergeCell")) {
    ++read;
    MyMergedCell record;
    CellRange range;
    // A merge spans cells; whole rows or columns are not merges.
    if (!ParseCellRange(merge.attribute("ref").value(), &range) || range.wholeRows || range.wholeColumns) continue;
    record.MergeCellsRef = BoundsOf(range);
    (void)sheet->mergedCells.Push(record);  // room for every record was reserved above
  }
  return XLX_OK;
}

int32_t ReadColumns(MyWorksheet* sheet, pugi::xml_node worksheet) {
  pugi::xml_node cols = Child(worksheet, "cols");
  int32_t count = CountChildren(cols, "col");
  sheet->columns.Free();
  if (count < 1) return XLX_OK;
  if (sheet->columns.Reserve(size_t(count)) != XLX_OK) return XLX_ERR_MEMORY;
  for (pugi::xml_node col = Child(cols, "col"); col; col = NextNamed(col, "col")) {
    ColumnInfo info;
    if (!ReadInt(col.attribute("min"), &info.min) || !ReadInt(col.attribute("max"), &info.max)) continue;
    double width = 0;
    if (ReadDouble(col.attribute("width"), &width)) {
      info.width = Clamp(width, 0, kMaxColumnWidth);
      info.hasWidth = true;
    }
    ReadInt(col.attribute("style"), &info.style);
    info.hidden = ReadBool(col.attribute("hidden"));
    info.customWidth = ReadBool(col.attribute("customWidth"));
    info.bestFit = ReadBool(col.attribute("bestFit"));
    (void)sheet->columns.Push(info);  // room for every record was reserved above
  }
  return XLX_OK;
}

void MarkDrawnColumnStyles(const Workbook& workbook, MyWorksheet* sheet) {
  for (ColumnInfo& c : sheet->columns)
    c.styleDraws = c.style >= 0 && StyleDrawsSomething(workbook.styles, c.style, false, sheet->clBackColor);
}

int32_t ReadWorksheet(Workbook* workbook, MyWorksheet* sheet, pugi::xml_node worksheet, SheetDataSlices* slices) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    ReadSheetProperties(*workbook, sheet, worksheet);
    sheet->bChartsheet = sheet->bChartsheet || IsElement(worksheet, "chartsheet");
    int32_t rc = ReadMergedCells(sheet, worksheet);
    if (rc == XLX_OK) rc = ReadColumns(sheet, worksheet);
    if (rc != XLX_OK) return rc;
    MarkDrawnColumnStyles(*workbook, sheet);
    sheet->backgroundPicturePath = RelationshipTarget(*sheet, Child(worksheet, "picture"));
    MyCellBounds area;
    bool hasArea = ParsePrintAreaBounds(GetPrintArea(workbook, sheet->workbookIndex), sheet->sheetName, &area);
    rc = ReadSheetData(workbook, sheet, worksheet, hasArea ? &area : nullptr, slices);
    if (rc != XLX_OK) return rc;
    ReadPrintSetup(*workbook, sheet, worksheet);
    sheet->headerFooterVmlPath = RelationshipTarget(*sheet, Child(worksheet, "legacyDrawingHF"));
    if ((rc = ReadLegacyObjects(sheet, worksheet)) != XLX_OK) return rc;
    if ((rc = ReadConditionalFormats(*workbook, sheet, worksheet)) != XLX_OK) return rc;
    sheet->vmlDrawingPath = RelationshipTarget(*sheet, Child(worksheet, "legacyDrawing"));
    // Only the drawing the sheet names prints: a drawing part its relationships merely list is
    // left out.
    sheet->drawingPath = RelationshipTarget(*sheet, Child(worksheet, "drawing"));
    if ((rc = ReadSparklineGroups(*workbook, sheet, worksheet)) != XLX_OK) return rc;
    if ((rc = ReadSheetTables(workbook, sheet, worksheet)) != XLX_OK) return rc;
    AssertSheetInvariants(*sheet);
    sheet->loaded = true;
    return XLX_OK;
  });
}

}  // namespace xlx
