// Sparkline groups of a worksheet's extension list (`x14:sparklineGroups`): kind, colours,
// markers, line weight, axis bounds, empty and hidden cells, order, and each sparkline's data
// reference and cell. Counts are capped by model/sparklines.h; a sparkline whose cell cannot be
// read is left out.
#include <algorithm>
#include <cstring>

#include "common/cellref.h"
#include "common/resultcodes.h"
#include "parser/xlsxprsr.h"
#include "parser/styles/color.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

bool Flag(pugi::xml_node group, const char* name) { return ReadBool(group.attribute(name)); }

void ReadGroupColor(const Workbook& workbook, pugi::xml_node group, const char* name, CellColor* out) {
  pugi::xml_node color = Child(group, name);
  if (color) *out = ResolveColorAttributes(workbook, color);
}

int32_t BoundKind(const char* text) {
  return strcmp(text, "group") == 0 ? kSparkBoundGroup : strcmp(text, "custom") == 0 ? kSparkBoundCustom
                                                                                      : kSparkBoundIndividual;
}

void ReadGroup(const Workbook& workbook, pugi::xml_node node, SparklineGroup* g) {
  const char* type = node.attribute("type").value();
  g->kind = strcmp(type, "column") == 0 ? kSparklineColumn : strcmp(type, "stacked") == 0 ? kSparklineWinLoss
                                                                                          : kSparklineLine;
  ReadGroupColor(workbook, node, "colorSeries", &g->series);
  ReadGroupColor(workbook, node, "colorNegative", &g->negative);
  ReadGroupColor(workbook, node, "colorAxis", &g->axis);
  ReadGroupColor(workbook, node, "colorMarkers", &g->markers);
  ReadGroupColor(workbook, node, "colorFirst", &g->first);
  ReadGroupColor(workbook, node, "colorLast", &g->last);
  ReadGroupColor(workbook, node, "colorHigh", &g->high);
  ReadGroupColor(workbook, node, "colorLow", &g->low);
  double weight = 0;
  if (ReadDouble(node.attribute("lineWeight"), &weight) && weight >= 0 && weight <= 1584) g->lineWeightPt = weight;
  g->showMarkers = Flag(node, "markers"), g->showHigh = Flag(node, "high"), g->showLow = Flag(node, "low");
  g->showFirst = Flag(node, "first"), g->showLast = Flag(node, "last"), g->showNegative = Flag(node, "negative");
  g->showAxis = Flag(node, "displayXAxis"), g->rightToLeft = Flag(node, "rightToLeft");
  g->displayHidden = Flag(node, "displayHidden");
  const char* blanks = node.attribute("displayEmptyCellsAs").value();
  g->blanks = strcmp(blanks, "gap") == 0 ? kSparkBlankGap : strcmp(blanks, "span") == 0 ? kSparkBlankSpan : kSparkBlankZero;
  g->minKind = BoundKind(node.attribute("minAxisType").value());
  g->maxKind = BoundKind(node.attribute("maxAxisType").value());
  if (!ReadDouble(node.attribute("manualMin"), &g->manualMin)) g->manualMin = 0;
  if (!ReadDouble(node.attribute("manualMax"), &g->manualMax)) g->manualMax = 0;
  g->dateAxis = Flag(node, "dateAxis");
  g->dateFormula = ToUtf16(ElementText(Child(node, "f"))).substr(0, 1024);
  for (pugi::xml_node s = Child(Child(node, "sparklines"), "sparkline"); s; s = NextNamed(s, "sparkline")) {
    if (int32_t(g->sparklines.size()) >= kMaxSparklinesPerGroup) break;
    Sparkline line;
    CellRef cell;
    if (!ParseCellRef(ToUtf16(ElementText(Child(s, "sqref"))), &cell)) continue;
    line.row = cell.row, line.column = cell.column;
    line.formula = ToUtf16(ElementText(Child(s, "f"))).substr(0, 1024);
    g->sparklines.push_back(std::move(line));
  }
}

// The used range grows to hold a sparkline's cell, as the application prints those cells; cells
// far out of reach of any page are left alone.
void GrowUsedRange(MyWorksheet* sheet, int32_t row, int32_t column) {
  if (row > 65536 || column > 1024) return;
  MyCellBounds& b = sheet->sheetBounds;
  if (b.RowFirst < 1 || b.ColFirst < 1) {
    b = MyCellBounds{row, row, column, column};
    return;
  }
  b.RowFirst = std::min(b.RowFirst, row), b.RowLast = std::max(b.RowLast, row);
  b.ColFirst = std::min(b.ColFirst, column), b.ColLast = std::max(b.ColLast, column);
}

}  // namespace

int32_t ReadSparklineGroups(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet) {
  if (!sheet) return XLX_ERR_ARGUMENT;
  sheet->sparklineGroups.clear();
  return Guarded([&]() -> int32_t {
    for (pugi::xml_node ext = Child(Child(worksheet, "extLst"), "ext"); ext; ext = NextNamed(ext, "ext")) {
      pugi::xml_node groups = Child(ext, "sparklineGroups");
      for (pugi::xml_node g = Child(groups, "sparklineGroup"); g; g = NextNamed(g, "sparklineGroup")) {
        if (int32_t(sheet->sparklineGroups.size()) >= kMaxSparklineGroups) return XLX_OK;
        SparklineGroup group;
        ReadGroup(workbook, g, &group);
        for (const Sparkline& line : group.sparklines) GrowUsedRange(sheet, line.row, line.column);
        if (!group.sparklines.empty()) sheet->sparklineGroups.push_back(std::move(group));
      }
    }
    return XLX_OK;
  });
}

}  // namespace xlx
